// Conversions between the program's code page 936 texts and the UTF-16 of
// the wide Windows functions. Every framework call that passes text to
// Windows or reads it back goes through these, so Chinese comes out right
// whatever the system code page is.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace fw {

constexpr UINT kTextCodePage = 936;

// Code page 936 bytes to UTF-16. Malformed bytes are replaced the way
// Windows decodes them; the conversion itself never fails.
std::wstring Widen(std::string_view text);

// UTF-16 to code page 936. Characters code page 936 cannot hold become '?'.
std::string Narrow(std::wstring_view text);

// Window text through GetWindowTextW/SetWindowTextW.
std::string GetText(HWND wnd);
bool SetText(HWND wnd, std::string_view text);

// Replaces each "%1" in pattern with value (the message texts' placeholder).
std::string ReplacePlaceholder(std::string_view pattern, std::string_view value);

}  // namespace fw
