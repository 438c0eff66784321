#include "TextDisplay.h"

#include "Cp936Text.h"
#include "TextEncoding.h"

#include <cstdio>

namespace {

void Escape(std::string& out, unsigned char c)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
    out += buffer;
}

// Length of the well-formed UTF-8 sequence at text[i], 0 when there is none.
std::size_t SequenceLength(std::string_view text, std::size_t i, char32_t& code)
{
    const unsigned char c = static_cast<unsigned char>(text[i]);
    std::size_t n = c < 0x80 ? 1 : c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xF0 && c < 0xF5 ? 4 : 0;
    if (n == 0 || i + n > text.size())
        return 0;
    code = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
    for (std::size_t k = 1; k < n; ++k) {
        const unsigned char t = static_cast<unsigned char>(text[i + k]);
        if ((t & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (t & 0x3F);
    }
    const char32_t minimum[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < minimum[n] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
        return 0;
    return n;
}

bool IsControl(char32_t code)
{
    return code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0);
}

}  // namespace

std::string DisplayUtf8(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        const std::size_t n = SequenceLength(utf8, i, code);
        if (n == 0 || IsControl(code)) {
            if (n <= 1)
                Escape(out, static_cast<unsigned char>(utf8[i]));
            else
                for (std::size_t k = 0; k < n; ++k)  // a C1 control: its bytes
                    Escape(out, static_cast<unsigned char>(utf8[i + k]));
            i += n ? n : 1;
            continue;
        }
        out.append(utf8.substr(i, n));
        i += n;
    }
    return out;
}

std::string DisplayText(std::string_view cp936Text)
{
    std::string utf8;
    if (cp936::IsValid(cp936Text) && Cp936ToUtf8(cp936Text, utf8))
        return DisplayUtf8(utf8);
    // Not text: ASCII as it is, every other byte escaped.
    std::string out;
    for (unsigned char c : cp936Text) {
        if (c >= 0x20 && c < 0x7F)
            out += static_cast<char>(c);
        else
            Escape(out, c);
    }
    return out;
}

std::size_t DisplayWidth(std::string_view utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t code = 0;
        const std::size_t n = SequenceLength(utf8, i, code);
        if (n == 0) {
            ++width;
            ++i;
            continue;
        }
        const bool wide = (code >= 0x1100 && code <= 0x115F) || (code >= 0x2E80 && code <= 0xA4CF) ||
                          (code >= 0xAC00 && code <= 0xD7A3) || (code >= 0xF900 && code <= 0xFAFF) ||
                          (code >= 0xFE30 && code <= 0xFE4F) || (code >= 0xFF00 && code <= 0xFF60) ||
                          (code >= 0xFFE0 && code <= 0xFFE6) || (code >= 0x20000 && code <= 0x3FFFD);
        width += wide ? 2 : 1;
        i += n;
    }
    return width;
}
