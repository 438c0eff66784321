#include "GuardLog.h"

#include <windows.h>

#include <exception>
#include <new>

namespace fw {

namespace {

const char* const kUnknownFailureText = "未知错误";

std::wstring FromCodePage936(std::string_view text)
{
    if (text.empty()) return std::wstring();
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(936, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    if (size > 0) MultiByteToWideChar(936, 0, text.data(), length, wide.data(), size);
    return wide;
}

std::string ToCodePage(std::wstring_view text, UINT codePage)
{
    if (text.empty()) return std::string();
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size), '\0');
    if (size > 0) WideCharToMultiByte(codePage, 0, text.data(), length, narrow.data(), size, nullptr, nullptr);
    return narrow;
}

// Read at every failure, so a test may point it elsewhere for a while.
std::wstring LogPath()
{
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetEnvironmentVariableW(L"TG_GUARD_LOG", buffer, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH) return std::wstring(buffer, length);
    length = GetTempPathW(MAX_PATH + 1, buffer);
    if (length == 0 || length > MAX_PATH) return std::wstring();
    return std::wstring(buffer, length) + L"Tintgrove-guard.log";
}

// One write with FILE_APPEND_DATA: lines from several modules or processes
// sharing the file do not cut into each other.
void AppendToFile(const std::wstring& path, const std::string& line)
{
    if (path.empty()) return;
    const HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}

}  // namespace

void LogFailure(std::string_view where, std::string_view what) noexcept
{
    try {
        const std::wstring text = FromCodePage936(where) + L": " + FromCodePage936(what);
        OutputDebugStringW((L"Tintgrove: " + text + L"\n").c_str());
        AppendToFile(LogPath(), std::to_string(GetCurrentProcessId()) + " " + ToCodePage(text, CP_UTF8) + "\r\n");
    } catch (const std::bad_alloc&) {
        OutputDebugStringW(L"Tintgrove: out of memory while logging a failure\n");
    }
}

std::string CurrentExceptionText()
{
    try {
        throw;
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return kUnknownFailureText;
    }
}

std::string GuardLogPath()
{
    return ToCodePage(LogPath(), 936);
}

namespace detail {

void LogCurrentException(std::string_view where) noexcept
{
    try {
        LogFailure(where, CurrentExceptionText());
    } catch (const std::bad_alloc&) {
        LogFailure(where, "std::bad_alloc");
    }
}

}  // namespace detail

}  // namespace fw
