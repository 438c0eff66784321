// Every file access of the portable library goes through this small layer,
// so a test can replace it (fail the k-th operation, short writes, a full
// disk) and each platform supplies its own implementation. Paths are code
// page 936 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// A file's size, last-write time (in the system's units) and identity on its
// volume (the file index on Windows, device and inode elsewhere; 0 when the
// layer has none).
struct FileInfo {
    int64_t size = -1;
    uint64_t writeTime = 0;
    uint64_t identity = 0;
};

// The system's error at the last file operation of this thread that failed:
// its code and its text in words (code page 936). Every layer notes it at the
// failing call, so that a message can give the reason of the call that failed
// and not of some later one.
struct FileError {
    long code = 0;
    std::string text;
};
FileError LastFileError();
void NoteFileError(long code, const std::string& text);
// The noted text, or fallback when none was noted.
std::string FileErrorText(const char* fallback);
// The reason of the last failed system call, in words (code page 936); empty
// when the system reports none (the platform's layer).
std::string LastSystemErrorText();

class File {
public:
    virtual ~File() = default;
    // Reads up to size bytes; fewer only at the end of the file or on an error.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
    // True once a read has failed (as opposed to reaching the end).
    virtual bool ReadFailed() const { return false; }
    // Reads up to size bytes from offset, wherever Read stands (where it
    // stands afterwards is not defined); fewer only at the end or on an error.
    virtual std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size) = 0;
    // The open file's size, last-write time and identity; false on an error.
    virtual bool Info(FileInfo& info) = 0;
    // Cuts the file back to size bytes (a file opened for writing).
    virtual bool Truncate(int64_t size) = 0;
    // Returns the number of bytes written; fewer than size is a failure.
    virtual std::size_t Write(const void* buffer, std::size_t size) = 0;
    // Pushes written data to the disk.
    virtual bool Flush() = 0;
    // Size of the file in bytes; -1 when unknown.
    virtual int64_t Size() = 0;
    // Closes the file; false when the close reported an error (data may be lost).
    // The destructor closes a file that is still open without reporting.
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
};

enum class OpenMode {
    Read,       // existing file, from its start
    Create,     // new file or an existing one emptied
    CreateNew,  // new file only: fails when the name is taken
    Append,     // existing file or a new one, writes go to its end
};

// One attempt at an exclusive lock file.
enum class LockAttempt {
    Acquired,
    Busy,    // another process holds it
    Failed,  // it cannot be created at all (a folder of that name, a read-only folder, ...)
};

// Keeps a file marked as in use by this process while it lives (see
// FileLayer::Hold).
class FileHold {
public:
    virtual ~FileHold() = default;
};

// Where a save of a path must go, and whether it may replace what is there.
struct SaveTarget {
    bool resolved = true;     // false: a link could not be followed
    std::string path;         // the path itself, or the file a symbolic link leads to
    bool readOnly = false;    // an existing file that must not be replaced
    bool hardLinked = false;  // an existing file with other names a replacement would cut off
};

class FileLayer {
public:
    virtual ~FileLayer() = default;
    // Null when the file cannot be opened; a folder is never opened as a file.
    virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
    // Moves from onto to, replacing an existing file of that name atomically;
    // the new file takes over the old one's permissions and owners where the
    // system has them.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
    // True when a file or folder of that name exists.
    virtual bool Exists(const std::string& path) = 0;

    // The safe save's needs. The defaults suit a layer that no other process
    // shares and that has no links or permissions.
    //
    // Marks an existing file as held by this process until the returned
    // object is destroyed; null when it cannot be held (gone, or held
    // already). Holding does not stop this process from moving or removing it.
    virtual std::unique_ptr<FileHold> Hold(const std::string& path);
    // Removes path unless a process holds it; false when kept or not removed.
    virtual bool RemoveUnlessHeld(const std::string& path);
    // Every entry of the folder that holds path, each as that folder's part
    // of path followed by the entry's name; empty when it cannot be listed.
    virtual std::vector<std::string> ListSiblings(const std::string& path);
    // Follows symbolic links from path and reports on the file found.
    virtual SaveTarget ResolveSaveTarget(const std::string& path);
    // Size and last-write time of the file at path (identity where the
    // system gives it cheaply); false when it cannot be examined.
    virtual bool Stat(const std::string& path, FileInfo& info);
    // Takes the lock file at lockPath without waiting: created when missing,
    // held while *held lives, gone (or free) once it is released, and never
    // left held by a process that died. The default suits a layer no other
    // process shares: always acquired.
    virtual LockAttempt TryLock(const std::string& lockPath, std::unique_ptr<FileHold>& held);
};

// The layer in use (the platform's own unless a test installed another).
FileLayer& Files();
// Installs layer (null: the platform's own); returns the previous one.
FileLayer* SetFileLayer(FileLayer* layer);
// The platform's own implementation (FileLayerPosix.cpp or FileLayerWin32.cpp).
FileLayer& PlatformFiles();

// Writes size bytes; false on any error or short write.
bool WriteAll(File& file, const void* buffer, std::size_t size);

// Why a save did not happen.
enum class SaveFailure {
    None,
    Failed,      // the file could not be written or moved into place
    ReadOnly,    // the existing file is read-only: refused
    HardLinked,  // the existing file has other hard links: refused, since replacing
                 // it would leave the other names with the old contents and
                 // writing it in place could leave it half written
};

// Saves a file without ever destroying the old one: produce() writes the new
// contents to a temporary file of a unique name, created exclusively in the
// folder of the file being replaced (the final target when path is a
// symbolic link), which is flushed, closed (by produce or after it) and then
// moved over that file. On any failure the temporary file is removed, the old
// file is left as it was, and false is returned with the reason in *failure.
// Temporary files of the same target that no process holds any more (left by
// a process that was killed while saving) are removed first.
template <typename Producer>
bool SaveFileSafely(const std::string& path, Producer&& produce, SaveFailure* failure = nullptr);

// A temporary name of the form path + ".tmp" + 16 hex digits, unique to this
// call (and, with overwhelming likelihood, to this process).
std::string UniqueTemporaryName(const std::string& path);
// True when name is one of path's temporary names (this program's earlier
// forms included).
bool IsTemporaryNameOf(const std::string& name, const std::string& path);
// Removes the temporary files of path that no process holds; the number removed.
int ClearStaleTemporaries(FileLayer& files, const std::string& path);

// The temporary file of one save: created exclusively under a unique name,
// held while it lives, removed by the destructor unless it was moved into place.
class TemporaryFile {
public:
    explicit TemporaryFile(FileLayer& layer) : files(layer) {}
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Creates the file beside target; false when no name could be created.
    bool Create(const std::string& target);
    File& GetFile() { return *file; }
    const std::string& GetName() const { return name; }
    // Flushes and closes the file unless already closed, then moves it over
    // target; false on any failure (the file is then removed) or when
    // produced is false.
    bool Commit(bool produced, const std::string& target);

private:
    FileLayer& files;
    std::string name;
    std::unique_ptr<File> file;
    std::unique_ptr<FileHold> hold;
    bool committed = false;
};

template <typename Producer>
bool SaveFileSafely(const std::string& path, Producer&& produce, SaveFailure* failure)
{
    SaveFailure unused;
    SaveFailure& why = failure ? *failure : unused;
    why = SaveFailure::Failed;
    FileLayer& files = Files();
    const SaveTarget target = files.ResolveSaveTarget(path);
    if (!target.resolved)
        return false;
    if (target.readOnly) {
        why = SaveFailure::ReadOnly;
        return false;
    }
    if (target.hardLinked) {
        why = SaveFailure::HardLinked;
        return false;
    }
    ClearStaleTemporaries(files, target.path);
    TemporaryFile temp(files);
    if (!temp.Create(target.path))
        return false;
    // The producer may flush and close the file itself (WriteRecords does).
    const bool produced = produce(temp.GetFile());
    if (!temp.Commit(produced, target.path))
        return false;
    why = SaveFailure::None;
    return true;
}
