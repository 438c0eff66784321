// The texture extraction seam on POSIX systems (used by the tool): a
// backslash in a path is a folder separator, as on Windows, and names are
// converted from code page 936 to the system's UTF-8. There is no registry,
// so every registry read fails.
#include "Cp936Text.h"
#include "TextEncoding.h"
#include "TextureExtraction.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string NativeTexturePath(const std::string& path)
{
    std::string slashed = path;
    for (std::size_t i = 0; i < slashed.size(); i += cp936::CharLength(slashed, i))
        if (slashed[i] == '\\')
            slashed[i] = '/';
    std::string converted;
    return Cp936ToUtf8(slashed, converted) ? converted : slashed;
}

bool CopyContents(int in, int out)
{
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        ssize_t done = 0;
        while (done < n) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0)
                return false;
            done += w;
        }
    }
}

class PosixTexturePlatform final : public TexturePlatform {
public:
    bool FileExists(const std::string& path) override
    {
        struct stat st;
        return ::stat(NativeTexturePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }

    bool CopyNoOverwrite(const std::string& from, const std::string& to) override
    {
        const int in = ::open(NativeTexturePath(from).c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0)
            return false;
        struct stat st;
        if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(in);
            return false;
        }
        const std::string target = NativeTexturePath(to);
        const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out < 0) {
            ::close(in);
            return false;
        }
        bool ok = CopyContents(in, out);
        ok = ::close(out) == 0 && ok;
        ::close(in);
        if (!ok)
            ::unlink(target.c_str());
        return ok;
    }

    bool CreateFolder(const std::string& path) override { return ::mkdir(NativeTexturePath(path).c_str(), 0777) == 0; }

    bool ReadRegistryString(Hive, const std::string&, const std::string&, std::size_t, std::string&) override
    {
        return false;
    }

    EnumResult EnumRegistrySubkey(Hive, const std::string&, unsigned, std::size_t, std::string&) override
    {
        return EnumResult::Failed;
    }
};

}  // namespace

TexturePlatform& SystemTexturePlatform()
{
    static PosixTexturePlatform platform;
    return platform;
}
