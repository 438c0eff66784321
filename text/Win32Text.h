// Code page 936 <-> UTF-16 for the Windows implementations of the library's
// platform seams. Windows only; the conversions are explicit, so nothing
// depends on the system's ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace win32text {

constexpr unsigned kCodePage936 = 936;

// Invalid sequences become U+FFFD-like replacement characters chosen by the system.
std::wstring Cp936ToWide(std::string_view text);
// False when a character has no code page 936 form (out is then unusable).
bool WideToCp936(std::wstring_view text, std::string& out);

}  // namespace win32text
