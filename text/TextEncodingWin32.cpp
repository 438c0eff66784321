// Code page 936 <-> UTF-8 through UTF-16, with explicit code pages.
#include "TextEncoding.h"
#include "Win32Text.h"

#include <windows.h>

bool Cp936ToUtf8(std::string_view text, std::string& out)
{
    out.clear();
    if (text.empty())
        return true;
    const int wn = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wn <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(wn), L'\0');
    MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(), wn);
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wn, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return false;
    out.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wn, out.data(), n, nullptr, nullptr);
    return true;
}

bool Utf8ToCp936(std::string_view text, std::string& out)
{
    out.clear();
    if (text.empty())
        return true;
    const int wn =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wn <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(wn), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide.data(), wn);
    return win32text::WideToCp936(wide, out);
}
