// The library lock on POSIX systems: flock on the lock file, which is removed
// before it is released. A waiter that locked a file already removed (its
// name now belongs to a new file, or to none) tries again.
#include "LibraryLock.h"
#include "TextEncoding.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

std::string NativePath(const std::string& path)
{
    std::string converted;
    return Cp936ToUtf8(path, converted) ? converted : path;
}

}  // namespace

LibraryLock::Result LibraryLock::Acquire(const std::string& lockPath, int timeoutMs, std::string* error)
{
    Release();
    const std::string native = NativePath(lockPath);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (error)
                *error = LastSystemErrorText();
            return Result::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            struct stat held, named;
            if (::fstat(fd, &held) == 0 && ::stat(native.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
                held.st_ino == named.st_ino) {
                handle = fd;
                path = native;
                return Result::Acquired;
            }
            ::close(fd);  // the file we locked was removed by its last holder
            continue;
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= deadline)
            return Result::Busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void LibraryLock::Release()
{
    if (handle == kNone)
        return;
    ::unlink(path.c_str());
    ::close(static_cast<int>(handle));
    handle = kNone;
    path.clear();
}

bool PlatformReadStamp(const std::string& path, FileStamp& stamp, std::vector<unsigned char>& head,
                       std::vector<unsigned char>& tail)
{
    const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        stamp.present = errno != ENOENT && errno != ENOTDIR;
        return false;
    }
    stamp.present = true;
    auto readAt = [fd](std::vector<unsigned char>& buffer, off_t offset) {
        std::size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t got = ::pread(fd, buffer.data() + done, buffer.size() - done, offset + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            done += static_cast<std::size_t>(got);
        }
        return true;
    };
    bool ok = false;
    struct stat st;
    if (::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) {
        const uint64_t size = static_cast<uint64_t>(st.st_size);
        stamp.size = static_cast<int64_t>(size);
        stamp.writeTime =
            static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000ull + static_cast<uint64_t>(st.st_mtim.tv_nsec);
        stamp.identity = static_cast<uint64_t>(st.st_ino) ^ (static_cast<uint64_t>(st.st_dev) << 40);
        head.resize(static_cast<std::size_t>(size <= 2 * kStampHashSpan ? size : kStampHashSpan));
        ok = readAt(head, 0);
        if (ok && size > 2 * kStampHashSpan) {
            tail.resize(kStampHashSpan);
            ok = readAt(tail, static_cast<off_t>(size - kStampHashSpan));
        }
    }
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return ok;
}

bool PlatformWriteTime(const std::string& path, int64_t& size, uint64_t& writeTime)
{
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0)
        return false;
    size = static_cast<int64_t>(st.st_size);
    writeTime = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000ull + static_cast<uint64_t>(st.st_mtim.tv_nsec);
    return true;
}

bool PlatformIsReadOnly(const std::string& path)
{
    struct stat st;
    if (::stat(NativePath(path).c_str(), &st) != 0 || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0)
        return false;
    errno = EACCES;
    return true;
}

std::string LastSystemErrorText()
{
    return errno != 0 ? std::string(std::strerror(errno)) : std::string();
}
