// Every file access of the portable library goes through this small layer,
// so a test can replace it (fail the k-th operation, short writes, a full
// disk) and each platform supplies its own implementation. Paths are code
// page 936 text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class File {
public:
    virtual ~File() = default;
    // Reads up to size bytes; fewer only at the end of the file or on an error.
    virtual std::size_t Read(void* buffer, std::size_t size) = 0;
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

class FileLayer {
public:
    virtual ~FileLayer() = default;
    // Null when the file cannot be opened; a folder is never opened as a file.
    virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
    // Moves from onto to, replacing an existing file of that name atomically.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    virtual bool Remove(const std::string& path) = 0;
    // True when a file or folder of that name exists.
    virtual bool Exists(const std::string& path) = 0;
};

// The layer in use (the platform's own unless a test installed another).
FileLayer& Files();
// Installs layer (null: the platform's own); returns the previous one.
FileLayer* SetFileLayer(FileLayer* layer);
// The platform's own implementation (FileLayerPosix.cpp or FileLayerWin32.cpp).
FileLayer& PlatformFiles();

// Writes size bytes; false on any error or short write.
bool WriteAll(File& file, const void* buffer, std::size_t size);

// Saves a file without ever destroying the old one: produce() writes the new
// contents to a temporary file in the same folder, which is flushed, closed
// (by produce or after it)
// and then moved over path. On any failure the temporary file is removed,
// the old file is left as it was, and false is returned.
template <typename Producer>
bool SaveFileSafely(const std::string& path, Producer&& produce);

// The temporary name SaveFileSafely uses for attempt n.
std::string TemporaryNameFor(const std::string& path, int attempt);

template <typename Producer>
bool SaveFileSafely(const std::string& path, Producer&& produce)
{
    FileLayer& files = Files();
    std::unique_ptr<File> file;
    std::string temp;
    // A name left taken by an earlier crash is passed over, never reused.
    int attempt = 0;
    do
        temp = TemporaryNameFor(path, attempt++);
    while (attempt < 16 && files.Exists(temp));
    file = files.Open(temp, OpenMode::CreateNew);
    if (!file)
        return false;
    // The producer may flush and close the file itself (WriteRecords does).
    bool ok = produce(*file);
    if (file->IsOpen()) {
        ok = file->Flush() && ok;
        ok = file->Close() && ok;
    }
    file.reset();
    if (ok && files.Replace(temp, path))
        return true;
    files.Remove(temp);
    return false;
}
