// The library's lock and the facts that tell whether its file changed.
//
// Every save of the shared library takes an exclusive lock file beside it
// ("Tintgrove.tgv.lock"): on Windows opened with no sharing and deleted when
// its handle closes, so a process that dies never leaves it held; on POSIX
// systems held with flock. The file's identity, size and last-write time come
// from the platform; the content hash is computed here through the file layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class LibraryLock {
public:
    enum class Result {
        Acquired,
        Busy,    // another process held it for the whole wait
        Failed,  // it cannot be created at all (read-only folder, ...)
    };

    LibraryLock() = default;
    ~LibraryLock() { Release(); }
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;

    // Waits up to timeoutMs for the lock at lockPath; on Failed, error holds
    // the reason in words.
    Result Acquire(const std::string& lockPath, int timeoutMs, std::string* error = nullptr);
    void Release();
    bool IsHeld() const { return handle != kNone; }

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle = kNone;
    std::string path;
};

// The name of the lock file of a library file.
inline std::string LockPathFor(const std::string& libraryPath) { return libraryPath + ".lock"; }

// What identifies one state of a file. Two stamps are equal when the file is
// (very likely) the same bytes: the same file object, size and last-write
// time, and the same hash of its head and tail.
struct FileStamp {
    bool known = false;     // false: no stamp taken (never equal to anything)
    bool present = false;   // the file exists
    bool readable = false;  // it could be opened for reading
    int64_t size = -1;
    uint64_t writeTime = 0;
    uint64_t identity = 0;
    uint64_t hash = 0;

    bool operator==(const FileStamp& other) const
    {
        return known && other.known && present == other.present && readable == other.readable &&
               size == other.size && writeTime == other.writeTime && identity == other.identity &&
               hash == other.hash;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};

// Takes the stamp of the file at path now.
FileStamp StampFile(const std::string& path);

// Bytes hashed at each end of the file: the signature, the first records and
// the last ones (a small file is hashed whole).
constexpr std::size_t kStampHashSpan = 64 * 1024;

// ---- platform part (LibraryLockPosix.cpp, LibraryLockWin32.cpp) ----------

// Last-write time and file identity (volume and file index, or device and
// inode); false when the file cannot be examined.
bool PlatformFileTimes(const std::string& path, uint64_t& writeTime, uint64_t& identity);

// Reads n bytes at offset straight from the file system (the file layer reads
// only from the start); false on any failure or short read.
bool PlatformReadAt(const std::string& path, int64_t offset, void* buffer, std::size_t n);

// True when the file exists and is marked read-only (the last error is then
// set to access denied, for LastSystemErrorText).
bool PlatformIsReadOnly(const std::string& path);

// The reason of the last failed system call, in words (code page 936); empty
// when the system reports none.
std::string LastSystemErrorText();
