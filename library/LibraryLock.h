// The library's lock and the facts that tell whether its file changed.
//
// Every writer of a library takes an exclusive lock file beside it
// ("Tintgrove.tgv.lock") through the file layer (FileLayer::TryLock): on
// Windows opened with no sharing and deleted when its handle closes, on POSIX
// systems held with flock and removed before release, so a process that dies
// never leaves it held. Readers take no lock: the file is only ever replaced
// whole or appended to, and a torn tail is dropped.
#pragma once

#include "FileLayer.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// The reason given when the lock cannot be created: %1 the lock's path, %2 the
// system's reason.
extern const char* const kLockFailedFormat;

// format with %1, %2, ... replaced by the values in turn (code page 936 text:
// '%' is never a trail byte).
std::string FillPlaces(const char* format, std::initializer_list<std::string> values);

class LibraryLock {
public:
    enum class Result {
        Acquired,
        Busy,    // another process held it for the whole wait
        Failed,  // it cannot be created at all (a folder of that name, a read-only folder, ...)
    };

    LibraryLock() = default;
    LibraryLock(const LibraryLock&) = delete;
    LibraryLock& operator=(const LibraryLock&) = delete;

    // Waits up to timeoutMs for the lock at lockPath; on Failed, error holds
    // the reason in words (kLockFailedFormat), at once rather than after the wait.
    Result Acquire(const std::string& lockPath, int timeoutMs, std::string* error = nullptr);
    void Release() { held.reset(); }
    bool IsHeld() const { return held != nullptr; }

private:
    std::unique_ptr<FileHold> held;
};

// The name of the lock file of a library file: beside the file that symbolic
// links lead to, so that every path to one file takes one lock.
std::string LockPathFor(const std::string& libraryPath);
// The same for a library whose save target is already resolved.
std::string LockPathFor(const SaveTarget& target, const std::string& libraryPath);

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
