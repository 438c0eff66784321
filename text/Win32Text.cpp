#include "Win32Text.h"

#include <windows.h>

namespace win32text {

std::wstring Cp936ToWide(std::string_view text)
{
    if (text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(kCodePage936, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(kCodePage936, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

bool WideToCp936(std::wstring_view text, std::string& out)
{
    out.clear();
    if (text.empty())
        return true;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage936, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, &usedDefault);
    if (n <= 0)
        return false;
    out.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(kCodePage936, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, &usedDefault);
    return !usedDefault;
}

}  // namespace win32text
