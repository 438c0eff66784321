// The library lock on Windows: the lock file is opened with no sharing and
// FILE_FLAG_DELETE_ON_CLOSE, so it exists exactly while a process holds it
// and goes with the process however that ends.
#include "LibraryLock.h"
#include "Win32Text.h"

#include <windows.h>
#include <winternl.h>

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

bool PlatformReadStamp(const std::string& path, FileStamp& stamp, std::vector<unsigned char>& head,
                       std::vector<unsigned char>& tail)
{
    const std::wstring wide = Cp936ToWide(path);
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        stamp.present = code != ERROR_FILE_NOT_FOUND && code != ERROR_PATH_NOT_FOUND;
        SetLastError(code);
        return false;
    }
    stamp.present = true;
    auto readAll = [h](std::vector<unsigned char>& buffer) {
        std::size_t done = 0;
        while (done < buffer.size()) {
            DWORD got = 0;
            if (!ReadFile(h, buffer.data() + done, static_cast<DWORD>(buffer.size() - done), &got, nullptr) || got == 0)
                return false;
            done += got;
        }
        return true;
    };
    // The size, the last-write time and the file's index on its volume.
    // Not the volume's serial number: under wine asking for it costs most
    // of a millisecond, more than all the rest of the stamp, and the file at
    // this path turning into one of another volume with the same index,
    // size, time and hashed bytes is not a case to guard against.
    bool ok = false;
    LARGE_INTEGER length = {};
    FILETIME written = {};
    FILE_INTERNAL_INFORMATION index = {};
    IO_STATUS_BLOCK io = {};
    const NTSTATUS status = NtQueryInformationFile(h, &io, &index, sizeof index, FileInternalInformation);
    if (!NT_SUCCESS(status))
        SetLastError(RtlNtStatusToDosError(status));
    else if (GetFileSizeEx(h, &length) && GetFileTime(h, nullptr, nullptr, &written)) {
        const uint64_t size = static_cast<uint64_t>(length.QuadPart);
        stamp.size = static_cast<int64_t>(size);
        stamp.writeTime = Join(written.dwHighDateTime, written.dwLowDateTime);
        stamp.identity = static_cast<uint64_t>(index.IndexNumber.QuadPart);
        head.resize(static_cast<std::size_t>(size <= 2 * kStampHashSpan ? size : kStampHashSpan));
        ok = readAll(head);
        if (ok && size > 2 * kStampHashSpan) {
            LARGE_INTEGER at;
            at.QuadPart = static_cast<LONGLONG>(size - kStampHashSpan);
            tail.resize(kStampHashSpan);
            ok = SetFilePointerEx(h, at, nullptr, FILE_BEGIN) && readAll(tail);
        }
    }
    const DWORD code = GetLastError();
    CloseHandle(h);
    SetLastError(code);
    return ok;
}

bool PlatformWriteTime(const std::string& path, int64_t& size, uint64_t& writeTime)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(Cp936ToWide(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    size = static_cast<int64_t>(Join(data.nFileSizeHigh, data.nFileSizeLow));
    writeTime = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
    return true;
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
