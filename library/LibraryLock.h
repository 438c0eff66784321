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
#include <vector>

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

// Takes the stamp of the file at path now; head and tail, when given,
// receive the bytes hashed.
FileStamp StampFile(const std::string& path, std::vector<unsigned char>* head = nullptr,
                    std::vector<unsigned char>* tail = nullptr);

// The stamp of the same file after n bytes were appended to it by the caller
// (who holds the lock): from the bytes hashed before and the bytes appended,
// with only the new last-write time asked of the system. False when the file
// is not as long as it should be.
bool ExtendStamp(const std::string& path, FileStamp& stamp, std::vector<unsigned char>& head,
                 std::vector<unsigned char>& tail, const void* appended, std::size_t n);

// Bytes hashed at each end of the file: the signature with the first record,
// and the last record whole (a small file is hashed whole).
constexpr std::size_t kStampHashSpan = 16 * 1024;

// ---- platform part (LibraryLockPosix.cpp, LibraryLockWin32.cpp) ----------

// Opens the file once and fills in present, size, last-write time and
// identity (the file index on Windows, device and inode elsewhere), and
// reads its first and last kStampHashSpan bytes (the whole file into head
// when it is at most two spans long, tail then empty). False when it could
// not be opened or read (present still tells whether it exists).
bool PlatformReadStamp(const std::string& path, FileStamp& stamp, std::vector<unsigned char>& head,
                       std::vector<unsigned char>& tail);

// True when the file exists and is marked read-only (the last error is then
// set to access denied, for LastSystemErrorText).
bool PlatformIsReadOnly(const std::string& path);

// The size and last-write time of the file; false when it cannot be examined.
bool PlatformWriteTime(const std::string& path, int64_t& size, uint64_t& writeTime);

// The reason of the last failed system call, in words (code page 936); empty
// when the system reports none.
std::string LastSystemErrorText();
