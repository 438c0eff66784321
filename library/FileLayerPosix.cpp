// The file layer on POSIX systems.
#include "FileLayer.h"
#include "TextEncoding.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
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

class PosixFile final : public File {
public:
    explicit PosixFile(int descriptor) : fd(descriptor) {}
    ~PosixFile() override
    {
        if (fd >= 0)
            ::close(fd);
    }

    std::size_t Read(void* buffer, std::size_t size) override
    {
        std::size_t done = 0;
        while (fd >= 0 && done < size) {
            const ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    std::size_t Write(const void* buffer, std::size_t size) override
    {
        std::size_t done = 0;
        while (fd >= 0 && done < size) {
            const ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, size - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    }

    bool Flush() override { return fd >= 0 && ::fsync(fd) == 0; }

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
        return rc == 0;
    }

    bool IsOpen() const override { return fd >= 0; }

private:
    int fd;
};

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
        if (fd < 0)
            return nullptr;
        struct stat st;
        if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<PosixFile>(fd);
    }

    bool Replace(const std::string& from, const std::string& to) override
    {
        const std::string target = NativePath(to);
        if (::rename(NativePath(from).c_str(), target.c_str()) != 0)
            return false;
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

    bool Remove(const std::string& path) override { return ::unlink(NativePath(path).c_str()) == 0; }

    bool Exists(const std::string& path) override
    {
        struct stat st;
        return ::stat(NativePath(path).c_str(), &st) == 0;
    }
};

}  // namespace

FileLayer& PlatformFiles()
{
    static PosixFiles files;
    return files;
}
