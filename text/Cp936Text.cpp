#include "Cp936Text.h"

#include <cstring>

namespace cp936 {

namespace {
unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }
}  // namespace

std::size_t CharLength(std::string_view text, std::size_t pos)
{
    return (IsLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

std::size_t FindFirstChar(std::string_view text, char ch)
{
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (text[i] == ch)
            return i;
    return std::string_view::npos;
}

std::size_t FindLastChar(std::string_view text, char ch)
{
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i))
        if (text[i] == ch)
            found = i;
    return found;
}

std::size_t Find(std::string_view text, std::string_view needle)
{
    if (needle.empty())
        return 0;
    for (std::size_t i = 0; i + needle.size() <= text.size(); i += CharLength(text, i))
        if (text.compare(i, needle.size(), needle) == 0)
            return i;
    return std::string_view::npos;
}

int CompareNoCase(std::string_view a, std::string_view b)
{
    std::size_t i = 0;
    while (i < a.size() && i < b.size()) {
        const std::size_t la = CharLength(a, i);
        const std::size_t lb = CharLength(b, i);
        if (la == 1 && lb == 1) {
            const unsigned char ca = Fold(static_cast<unsigned char>(a[i]));
            const unsigned char cb = Fold(static_cast<unsigned char>(b[i]));
            if (ca != cb)
                return ca < cb ? -1 : 1;
        } else {
            // A double-byte character equals only the same two bytes.
            const int c = a.substr(i, la).compare(b.substr(i, lb));
            if (c != 0)
                return c < 0 ? -1 : 1;
        }
        i += la;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::string FoldCase(std::string_view text)
{
    std::string folded;
    AppendFolded(folded, text);
    return folded;
}

void AppendFolded(std::string& out, std::string_view text)
{
    const std::size_t from = out.size();
    out.append(text);
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i))
        out[from + i] = static_cast<char>(Fold(static_cast<unsigned char>(text[i])));
}

bool EqualsNoCaseBytewise(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::size_t FitLength(std::string_view text, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = end + CharLength(text, end);
        if (next > maxBytes)
            break;
        end = next;
    }
    return end;
}

bool CopyToField(char* field, std::size_t width, std::string_view text)
{
    if (width == 0)
        return text.empty();
    const std::size_t n = FitLength(text, width - 1);
    if (n > 0)
        std::memcpy(field, text.data(), n);
    field[n] = '\0';
    return n == text.size();
}

std::string_view FieldText(const char* field, std::size_t width)
{
    const void* nul = std::memchr(field, 0, width);
    return std::string_view(field, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - field) : width);
}

bool IsValid(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80)
            continue;
        if (!IsLeadByte(c) || i + 1 >= text.size() || !IsTrailByte(static_cast<unsigned char>(text[i + 1])))
            return false;
        ++i;
    }
    return true;
}

}  // namespace cp936
