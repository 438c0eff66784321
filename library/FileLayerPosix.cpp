// The file layer on POSIX systems.
#include "FileLayer.h"
#include "TextEncoding.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <dirent.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Paths reach the layer as code page 936 text; file names on this system are
// UTF-8. A path that does not convert is used as it is.
std::string NativePath(const std::string& path)
{
    std::string converted;
    return Cp936ToUtf8(path, converted) ? converted : path;
}

// Notes errno as the reason of the call that just failed; returns false.
bool Fail()
{
    const int code = errno;
    NoteFileError(code, LastSystemErrorText());
    return false;
}

uint64_t WriteTimeOf(const struct stat& st)
{
    return static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000ull + static_cast<uint64_t>(st.st_mtim.tv_nsec);
}

void FillInfo(const struct stat& st, FileInfo& info)
{
    info.size = static_cast<int64_t>(st.st_size);
    info.writeTime = WriteTimeOf(st);
    info.identity = static_cast<uint64_t>(st.st_ino) ^ (static_cast<uint64_t>(st.st_dev) << 40);
}

class PosixFile final : public File {
public:
    explicit PosixFile(int descriptor) : fd(descriptor) {}
    ~PosixFile() override
    {
        if (fd >= 0)
            ::close(fd);
    }

    std::size_t Read(void* buffer, std::size_t size) override { return ReadLoop(buffer, size, nullptr); }

    bool ReadFailed() const override { return readError; }

    std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override
    {
        return ReadLoop(buffer, size, &offset);
    }

    bool Info(FileInfo& info) override
    {
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0)
            return Fail();
        FillInfo(st, info);
        return true;
    }

    bool Truncate(int64_t size) override
    {
        return fd >= 0 && (::ftruncate(fd, static_cast<off_t>(size)) == 0 || Fail());
    }

    std::size_t Write(const void* buffer, std::size_t size) override
    {
        std::size_t done = 0;
        while (fd >= 0 && done < size) {
            const ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                Fail();
            else if (n == 0)
                NoteFileError(ENOSPC, std::strerror(ENOSPC));
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    bool Flush() override { return fd >= 0 && (::fsync(fd) == 0 || Fail()); }

    int64_t Size() override
    {
        struct stat st;
        if (fd < 0 || ::fstat(fd, &st) != 0)
            return -1;
        return static_cast<int64_t>(st.st_size);
    }

    bool Close() override
    {
        if (fd < 0)
            return false;
        const int rc = ::close(fd);
        fd = -1;
        return rc == 0 || Fail();
    }

    bool IsOpen() const override { return fd >= 0; }

private:
    // Reads until size bytes, the end or an error: from where the file
    // stands, or from *offset.
    std::size_t ReadLoop(void* buffer, std::size_t size, const uint64_t* offset)
    {
        std::size_t done = 0;
        while (fd >= 0 && done < size) {
            char* to = static_cast<char*>(buffer) + done;
            const ssize_t n = offset ? ::pread(fd, to, size - done, static_cast<off_t>(*offset + done))
                                     : ::read(fd, to, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                readError = !Fail();
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    int fd;
    bool readError = false;
};

// A lock held on the file's open description: another process (or another
// descriptor of this one) cannot take it while this lives, and it goes with
// the process however the process ends.
class PosixHold final : public FileHold {
public:
    explicit PosixHold(int descriptor) : fd(descriptor) {}
    ~PosixHold() override { ::close(fd); }

private:
    int fd;
};

// The library's lock: the lock file is removed before it is released, so a
// waiter that locked a file already removed (its name now belongs to a new
// file, or to none) tries again.
class PosixLock final : public FileHold {
public:
    PosixLock(int descriptor, std::string name) : fd(descriptor), path(std::move(name)) {}
    ~PosixLock() override
    {
        ::unlink(path.c_str());
        ::close(fd);
    }

private:
    int fd;
    std::string path;
};

// Opens path without following a link and takes its lock without waiting;
// -1 when it cannot, or when the name no longer leads to the file locked.
int OpenLocked(const std::string& native)
{
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return -1;
    struct stat opened, named;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode) ||
        ::lstat(native.c_str(), &named) != 0 || named.st_ino != opened.st_ino || named.st_dev != opened.st_dev) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// The text of path up to and including its last slash.
std::string FolderPart(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

class PosixFiles final : public FileLayer {
public:
    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override
    {
        int flags = O_RDONLY;
        switch (mode) {
        case OpenMode::Read:
            flags = O_RDONLY;
            break;
        case OpenMode::Create:
            flags = O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case OpenMode::CreateNew:
            flags = O_WRONLY | O_CREAT | O_EXCL;
            break;
        case OpenMode::Append:
            flags = O_WRONLY | O_CREAT | O_APPEND;
            break;
        }
        const int fd = ::open(NativePath(path).c_str(), flags | O_CLOEXEC, 0666);
        if (fd < 0) {
            Fail();
            return nullptr;
        }
        struct stat st;
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            if (S_ISDIR(st.st_mode))
                errno = EISDIR;
            Fail();
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd);
    }

    bool Replace(const std::string& from, const std::string& to) override
    {
        const std::string source = NativePath(from);
        const std::string target = NativePath(to);
        // The new file keeps the old one's owner, group and permissions (the
        // owner only where this process may give it away).
        struct stat old;
        if (::stat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
            if (::chown(source.c_str(), old.st_uid, old.st_gid) != 0 &&
                ::chown(source.c_str(), static_cast<uid_t>(-1), old.st_gid) != 0) {
                // Not a member of the group: the file keeps this user's group.
            }
            if (::chmod(source.c_str(), old.st_mode & 07777) != 0)
                return Fail();
        }
        if (::rename(source.c_str(), target.c_str()) != 0)
            return Fail();
        // Make the new directory entry durable too.
        const std::size_t slash = target.find_last_of('/');
        const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
        const int dfd = ::open(folder.c_str(), O_RDONLY | O_CLOEXEC);
        if (dfd >= 0) {
            ::fsync(dfd);
            ::close(dfd);
        }
        return true;
    }

    bool Remove(const std::string& path) override { return ::unlink(NativePath(path).c_str()) == 0 || Fail(); }

    bool Stat(const std::string& path, FileInfo& info) override
    {
        struct stat st;
        if (::stat(NativePath(path).c_str(), &st) != 0)
            return Fail();
        FillInfo(st, info);
        return true;
    }

    LockAttempt TryLock(const std::string& lockPath, std::unique_ptr<FileHold>& held) override
    {
        const std::string native = NativePath(lockPath);
        for (;;) {
            const int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
            if (fd < 0) {
                Fail();
                return LockAttempt::Failed;
            }
            if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
                ::close(fd);
                return LockAttempt::Busy;
            }
            struct stat locked, named;
            if (::fstat(fd, &locked) == 0 && ::lstat(native.c_str(), &named) == 0 && locked.st_dev == named.st_dev &&
                locked.st_ino == named.st_ino) {
                held = std::make_unique<PosixLock>(fd, native);
                return LockAttempt::Acquired;
            }
            ::close(fd);  // the file locked was removed by its last holder: again
        }
    }

    bool Exists(const std::string& path) override
    {
        struct stat st;
        return ::stat(NativePath(path).c_str(), &st) == 0;
    }

    std::unique_ptr<FileHold> Hold(const std::string& path) override
    {
        const int fd = OpenLocked(NativePath(path));
        if (fd < 0)
            return nullptr;
        return std::make_unique<PosixHold>(fd);
    }

    bool RemoveUnlessHeld(const std::string& path) override
    {
        const std::string native = NativePath(path);
        const int fd = OpenLocked(native);
        if (fd < 0)
            return false;
        const bool removed = ::unlink(native.c_str()) == 0;
        ::close(fd);
        return removed;
    }

    std::vector<std::string> ListSiblings(const std::string& path) override
    {
        std::vector<std::string> siblings;
        const std::string folder = FolderPart(path);  // '/' is never a trail byte
        const std::string nativeFolder = FolderPart(NativePath(path));
        DIR* dir = ::opendir(nativeFolder.empty() ? "." : nativeFolder.c_str());
        if (!dir)
            return siblings;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..")
                continue;
            std::string converted;
            siblings.push_back(folder + (Utf8ToCp936(name, converted) ? converted : name));
        }
        ::closedir(dir);
        return siblings;
    }

    SaveTarget ResolveSaveTarget(const std::string& path) override
    {
        SaveTarget target;
        target.path = path;
        std::string native = NativePath(path);
        bool followed = false;
        bool exists = true;
        struct stat st;
        for (int links = 0;; ++links) {
            if (::lstat(native.c_str(), &st) != 0) {
                exists = false;  // nothing there yet: a new file
                break;
            }
            if (!S_ISLNK(st.st_mode))
                break;
            if (links == 40) {
                target.resolved = false;  // a loop of links
                return target;
            }
            std::string text(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 0) + 256, '\0');
            const ssize_t n = ::readlink(native.c_str(), text.data(), text.size());
            if (n < 0 || static_cast<std::size_t>(n) >= text.size()) {
                target.resolved = false;
                return target;
            }
            text.resize(static_cast<std::size_t>(n));
            native = text[0] == '/' ? text : FolderPart(native) + text;
            followed = true;
        }
        if (followed) {
            // The link's target is saved in its own folder, under its own
            // name, spelled canonically so that every link to it names one
            // lock file.
            if (exists) {
                if (char* real = ::realpath(native.c_str(), nullptr)) {
                    native = real;
                    std::free(real);
                }
            }
            std::string converted;
            if (!Utf8ToCp936(native, converted)) {
                target.resolved = false;
                return target;
            }
            target.path = converted;
        }
        if (exists && S_ISREG(st.st_mode)) {
            // Read-only for everybody, or for this user: refused even when
            // the folder would let the file be replaced (and even for root).
            target.readOnly = (st.st_mode & 0222) == 0 || ::access(native.c_str(), W_OK) != 0;
            target.hardLinked = st.st_nlink > 1;
        }
        return target;
    }
};

}  // namespace

std::string LastSystemErrorText()
{
    return errno != 0 ? std::string(std::strerror(errno)) : std::string();
}

FileLayer& PlatformFiles()
{
    static PosixFiles files;
    return files;
}
