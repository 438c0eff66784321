// The library lock on Windows: the lock file is opened with no sharing and
// FILE_FLAG_DELETE_ON_CLOSE, so it exists exactly while a process holds it
// and goes with the process however that ends.
#include "LibraryLock.h"
#include "Win32Text.h"

#include <windows.h>

namespace {

using win32text::Cp936ToWide;

uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

}  // namespace

LibraryLock::Result LibraryLock::Acquire(const std::string& lockPath, int timeoutMs, std::string* error)
{
    Release();
    const std::wstring wide = Cp936ToWide(lockPath);
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    int refusals = 0;
    for (;;) {
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            handle = reinterpret_cast<intptr_t>(h);
            path = lockPath;
            return Result::Acquired;
        }
        const DWORD code = GetLastError();
        // Held by another process (sharing violation), or its file is being
        // deleted (access denied while it still exists): wait. Access denied
        // with no file there is a folder we may not write to.
        const bool held = code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
                          (code == ERROR_ACCESS_DENIED && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES);
        if (!held && ++refusals >= 3) {
            SetLastError(code);
            if (error)
                *error = LastSystemErrorText();
            return Result::Failed;
        }
        if (GetTickCount64() >= deadline)
            return Result::Busy;
        Sleep(20);
    }
}

void LibraryLock::Release()
{
    if (handle == kNone)
        return;
    CloseHandle(reinterpret_cast<HANDLE>(handle));
    handle = kNone;
    path.clear();
}

bool PlatformFileTimes(const std::string& path, uint64_t& writeTime, uint64_t& identity)
{
    HANDLE h = CreateFileW(Cp936ToWide(path).c_str(), FILE_READ_ATTRIBUTES,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    const BOOL ok = GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    if (!ok)
        return false;
    writeTime = Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime);
    identity = Join(info.nFileIndexHigh, info.nFileIndexLow) ^ (static_cast<uint64_t>(info.dwVolumeSerialNumber) << 20);
    return true;
}

bool PlatformReadAt(const std::string& path, int64_t offset, void* buffer, std::size_t n)
{
    HANDLE h = CreateFileW(Cp936ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = offset;
    std::size_t done = 0;
    if (SetFilePointerEx(h, at, nullptr, FILE_BEGIN)) {
        while (done < n) {
            DWORD got = 0;
            if (!ReadFile(h, static_cast<char*>(buffer) + done, static_cast<DWORD>(n - done), &got, nullptr) ||
                got == 0)
                break;
            done += got;
        }
    }
    CloseHandle(h);
    return done == n;
}

bool PlatformIsReadOnly(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(Cp936ToWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
        return false;
    SetLastError(ERROR_ACCESS_DENIED);
    return true;
}

std::string LastSystemErrorText()
{
    const DWORD code = GetLastError();
    if (code == 0)
        return std::string();
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = n && text ? std::wstring(text, n) : std::wstring();
    if (text)
        LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' ' || wide.back() == L'.'))
        wide.pop_back();
    std::string out;
    if (wide.empty() || !win32text::WideToCp936(wide, out))
        out = "系统错误 " + std::to_string(code);
    return out;
}
