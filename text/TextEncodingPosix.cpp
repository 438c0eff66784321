// Code page 936 <-> UTF-8 with iconv.
#include "TextEncoding.h"

#include <cerrno>
#include <iconv.h>

namespace {

bool Convert(const char* to, const char* from, std::string_view text, std::string& out)
{
    out.clear();
    if (text.empty())
        return true;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    out.resize(text.size() * 2 + 4);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG) {
            const std::size_t used = static_cast<std::size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            outLeft = out.size() - used;
            continue;
        }
        ok = false;  // EILSEQ, EINVAL: invalid or incomplete input
        break;
    }
    out.resize(static_cast<std::size_t>(dst - out.data()));
    iconv_close(cd);
    return ok;
}

}  // namespace

bool Cp936ToUtf8(std::string_view text, std::string& out)
{
    return Convert("UTF-8", "CP936", text, out);
}

bool Utf8ToCp936(std::string_view text, std::string& out)
{
    return Convert("CP936", "UTF-8", text, out);
}
