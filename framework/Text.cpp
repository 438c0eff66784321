#include "Text.h"

#include <climits>

namespace fw {

std::wstring Widen(std::string_view text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(kTextCodePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(kTextCodePage, 0, text.data(), length, wide.data(), needed);
    return wide;
}

std::string Narrow(std::wstring_view text)
{
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return std::string();
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(kTextCodePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return std::string();
    std::string narrow(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(kTextCodePage, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
    return narrow;
}

std::string GetText(HWND wnd)
{
    // The length may only be an upper bound (it can count a text in another
    // encoding), so the buffer is sized from it and cut to what was copied.
    const int length = GetWindowTextLengthW(wnd);
    if (length <= 0) return std::string();
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(wnd, wide.data(), length + 1);
    wide.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return Narrow(wide);
}

bool SetText(HWND wnd, std::string_view text)
{
    return SetWindowTextW(wnd, Widen(text).c_str()) != FALSE;
}

std::string ReplacePlaceholder(std::string_view pattern, std::string_view value)
{
    // '%' and '1' are below 0x40, so they are never the trail byte of a
    // double-byte character and a plain byte search is safe here.
    std::string out;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t at = pattern.find("%1", pos);
        if (at == std::string_view::npos) break;
        out.append(pattern.substr(pos, at - pos));
        out.append(value);
        pos = at + 2;
    }
    out.append(pattern.substr(pos));
    return out;
}

}  // namespace fw
