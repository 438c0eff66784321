// The file layer on Windows: wide calls with explicit code page 936 paths,
// FlushFileBuffers, and MoveFileExW for the replacement (not ReplaceFileW,
// which under wine deletes the old file before moving the new one in).
#include "FileLayer.h"
#include "Cp936Text.h"
#include "Win32Text.h"

#include <windows.h>
#include <winternl.h>

namespace {

using win32text::Cp936ToWide;
using win32text::WideToCp936;

// Notes the last error as the reason of the call that just failed; false.
bool Fail()
{
    const DWORD code = GetLastError();
    NoteFileError(static_cast<long>(code), LastSystemErrorText());
    SetLastError(code);
    return false;
}

uint64_t Join(DWORD high, DWORD low) { return (static_cast<uint64_t>(high) << 32) | low; }

class Win32File final : public File {
public:
    explicit Win32File(HANDLE h) : handle(h) {}
    ~Win32File() override
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }

    std::size_t Read(void* buffer, std::size_t size) override { return ReadLoop(buffer, size, nullptr); }

    bool ReadFailed() const override { return readError; }

    std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override
    {
        return ReadLoop(buffer, size, &offset);
    }

    bool Info(FileInfo& info) override
    {
        // The size, the last-write time and the file's index on its volume.
        // Not the volume's serial number: under wine asking for it costs most
        // of a millisecond, and the file at this path turning into one of
        // another volume with the same index, size, time and hashed bytes is
        // not a case to guard against.
        LARGE_INTEGER length = {};
        FILETIME written = {};
        FILE_INTERNAL_INFORMATION index = {};
        IO_STATUS_BLOCK io = {};
        const NTSTATUS status = NtQueryInformationFile(handle, &io, &index, sizeof index, FileInternalInformation);
        if (!NT_SUCCESS(status)) {
            SetLastError(RtlNtStatusToDosError(status));
            return Fail();
        }
        if (!GetFileSizeEx(handle, &length) || !GetFileTime(handle, nullptr, nullptr, &written))
            return Fail();
        info.size = static_cast<int64_t>(length.QuadPart);
        info.writeTime = Join(written.dwHighDateTime, written.dwLowDateTime);
        info.identity = static_cast<uint64_t>(index.IndexNumber.QuadPart);
        return true;
    }

    bool Truncate(int64_t size) override
    {
        LARGE_INTEGER at;
        at.QuadPart = size;
        return handle != INVALID_HANDLE_VALUE &&
               ((SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) && SetEndOfFile(handle)) || Fail());
    }

    std::size_t Write(const void* buffer, std::size_t size) override
    {
        std::size_t done = 0;
        while (handle != INVALID_HANDLE_VALUE && done < size) {
            const DWORD chunk = static_cast<DWORD>(size - done > 0x40000000 ? 0x40000000 : size - done);
            DWORD n = 0;
            if (!WriteFile(handle, static_cast<const char*>(buffer) + done, chunk, &n, nullptr) || n == 0) {
                Fail();
                break;
            }
            done += n;
        }
        return done;
    }

    bool Flush() override { return handle != INVALID_HANDLE_VALUE && (FlushFileBuffers(handle) || Fail()); }

    int64_t Size() override
    {
        LARGE_INTEGER size;
        if (handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(handle, &size))
            return -1;
        return static_cast<int64_t>(size.QuadPart);
    }

    bool Close() override
    {
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        const BOOL ok = CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
        return ok || Fail();
    }

    bool IsOpen() const override { return handle != INVALID_HANDLE_VALUE; }

private:
    // Reads until size bytes, the end or an error: from where the file
    // stands, or from *offset (which moves where it stands as well).
    std::size_t ReadLoop(void* buffer, std::size_t size, const uint64_t* offset)
    {
        std::size_t done = 0;
        while (handle != INVALID_HANDLE_VALUE && done < size) {
            const DWORD chunk = static_cast<DWORD>(size - done > 0x40000000 ? 0x40000000 : size - done);
            OVERLAPPED at = {};
            if (offset) {
                at.Offset = static_cast<DWORD>(*offset + done);
                at.OffsetHigh = static_cast<DWORD>((*offset + done) >> 32);
            }
            DWORD n = 0;
            if (!ReadFile(handle, static_cast<char*>(buffer) + done, chunk, &n, offset ? &at : nullptr)) {
                if (GetLastError() != ERROR_HANDLE_EOF)
                    readError = !Fail();
                break;
            }
            if (n == 0)
                break;
            done += n;
        }
        return done;
    }

    HANDLE handle;
    bool readError = false;
};

bool IsTransient(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// A handle that reads the file and lets everything else happen to it (even
// its move and removal by this process), but stops another process from
// opening it without sharing, which is how stale temporary files are found.
class Win32Hold final : public FileHold {
public:
    explicit Win32Hold(HANDLE h) : handle(h) {}
    ~Win32Hold() override { CloseHandle(handle); }

private:
    HANDLE handle;
};

// The library's lock is a file opened with no sharing and
// FILE_FLAG_DELETE_ON_CLOSE, so it exists exactly while a process holds it
// and goes with the process however that ends: the same object as a hold.
using Win32Lock = Win32Hold;

// The text of path up to and including its last separator (either slash).
std::string FolderPart(const std::string& path)
{
    const std::size_t backslash = cp936::FindLastChar(path, '\\');
    const std::size_t slash = path.rfind('/');  // never a trail byte
    std::size_t last = backslash;
    if (last == std::string::npos || (slash != std::string::npos && slash > last))
        last = slash;
    if (last == std::string::npos && path.size() >= 2 && path[1] == ':')
        last = 1;  // "C:name"
    return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

// The path a handle's file has in the end, in its plain drive or UNC form.
bool FinalPath(HANDLE h, std::wstring& out)
{
    std::wstring buffer(MAX_PATH, L'\0');
    DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        n = GetFinalPathNameByHandleW(h, buffer.data(), static_cast<DWORD>(buffer.size()), FILE_NAME_NORMALIZED);
    }
    if (n == 0 || n >= buffer.size())
        return false;
    buffer.resize(n);
    if (buffer.compare(0, 8, L"\\\\?\\UNC\\") == 0)
        out = L"\\" + buffer.substr(7);
    else if (buffer.compare(0, 4, L"\\\\?\\") == 0)
        out = buffer.substr(4);
    else
        out = buffer;
    return true;
}

// True when path, made absolute, is spelled as final (letter case aside).
bool SamePath(const std::wstring& path, const std::wstring& final)
{
    const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return false;
    std::wstring full(n, L'\0');
    const DWORD written = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
    if (written == 0 || written >= n)
        return false;
    full.resize(written);
    return CompareStringOrdinal(full.c_str(), static_cast<int>(full.size()), final.c_str(),
                                static_cast<int>(final.size()), TRUE) == CSTR_EQUAL;
}

class Win32Files final : public FileLayer {
public:
    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override
    {
        DWORD access = GENERIC_READ;
        DWORD disposition = OPEN_EXISTING;
        DWORD share = FILE_SHARE_READ;
        switch (mode) {
        case OpenMode::Read:
            // A reader takes no lock: another process may append to the file
            // or replace it meanwhile (the reader keeps the old one).
            share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
            break;
        case OpenMode::Create:
            access = GENERIC_WRITE;
            disposition = CREATE_ALWAYS;
            break;
        case OpenMode::CreateNew:
            access = GENERIC_WRITE;
            disposition = CREATE_NEW;
            break;
        case OpenMode::Append:
            // Written at the end it had when opened; writable as a whole, so
            // that a failed append can be cut back (appenders hold a lock).
            access = GENERIC_WRITE;
            disposition = OPEN_ALWAYS;
            break;
        }
        const std::wstring wide = Cp936ToWide(path);
        // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened.
        HANDLE h = CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            Fail();
            return nullptr;
        }
        if (mode == OpenMode::Append) {
            LARGE_INTEGER zero = {};
            if (!SetFilePointerEx(h, zero, nullptr, FILE_END)) {
                Fail();
                CloseHandle(h);
                return nullptr;
            }
        }
        return std::make_unique<Win32File>(h);
    }

    bool Replace(const std::string& from, const std::string& to) override
    {
        const std::wstring wfrom = Cp936ToWide(from);
        const std::wstring wto = Cp936ToWide(to);
        // A virus scanner or an indexer may hold the target for a moment.
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (MoveFileExW(wfrom.c_str(), wto.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return true;
            if (!IsTransient(GetLastError()))
                return Fail();
            Sleep(50);
        }
        return Fail();
    }

    bool Remove(const std::string& path) override { return DeleteFileW(Cp936ToWide(path).c_str()) || Fail(); }

    bool Stat(const std::string& path, FileInfo& info) override
    {
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        if (!GetFileAttributesExW(Cp936ToWide(path).c_str(), GetFileExInfoStandard, &data))
            return Fail();
        info.size = static_cast<int64_t>(Join(data.nFileSizeHigh, data.nFileSizeLow));
        info.writeTime = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        return true;
    }

    LockAttempt TryLock(const std::string& lockPath, std::unique_ptr<FileHold>& held) override
    {
        const std::wstring wide = Cp936ToWide(lockPath);
        HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            held = std::make_unique<Win32Lock>(h);
            return LockAttempt::Acquired;
        }
        const DWORD code = GetLastError();
        if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION)
            return LockAttempt::Busy;
        // Access is denied both to a lock file that its last holder is
        // deleting (it still exists, and goes in a moment) and to a name that
        // can never be a lock here: a folder, a read-only file, a folder that
        // takes no new files. Only the first is worth waiting for.
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (code == ERROR_ACCESS_DENIED &&
            ((attributes == INVALID_FILE_ATTRIBUTES && GetLastError() == ERROR_ACCESS_DENIED) ||
             (attributes != INVALID_FILE_ATTRIBUTES &&
              (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) == 0)))
            return LockAttempt::Busy;
        SetLastError(code);
        Fail();
        return LockAttempt::Failed;
    }

    bool Exists(const std::string& path) override
    {
        return GetFileAttributesW(Cp936ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    std::unique_ptr<FileHold> Hold(const std::string& path) override
    {
        HANDLE h = CreateFileW(Cp936ToWide(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<Win32Hold>(h);
    }

    bool RemoveUnlessHeld(const std::string& path) override
    {
        // Opening with no sharing at all fails while any handle is open;
        // success means nobody holds it, and closing removes it.
        HANDLE h = CreateFileW(Cp936ToWide(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                               FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return false;
        return CloseHandle(h) != 0;
    }

    std::vector<std::string> ListSiblings(const std::string& path) override
    {
        std::vector<std::string> siblings;
        const std::string folder = FolderPart(path);
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW(Cp936ToWide(folder + "*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            return siblings;
        do {
            const std::wstring name = found.cFileName;
            std::string converted;
            if (name != L"." && name != L".." && WideToCp936(name, converted))
                siblings.push_back(folder + converted);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return siblings;
    }

    SaveTarget ResolveSaveTarget(const std::string& path) override
    {
        SaveTarget target;
        target.path = path;
        std::wstring wide = Cp936ToWide(path);
        DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return target;  // a new file, or a folder that the move will refuse
        HANDLE h = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return target;
        // A symbolic link (under wine a Unix one too, which shows no reparse
        // point): the file it leads to is replaced, in its folder, and the
        // link stays.
        std::wstring final;
        std::string converted;
        if (!FinalPath(h, final) || !WideToCp936(final, converted)) {
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                CloseHandle(h);
                target.resolved = false;
                return target;
            }
        } else if (!SamePath(wide, final)) {
            target.path = converted;
            attributes = GetFileAttributesW(final.c_str());
        }
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileInformationByHandle(h, &info))
            target.hardLinked = info.nNumberOfLinks > 1;
        CloseHandle(h);
        target.readOnly = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
        return target;
    }
};

}  // namespace

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

FileLayer& PlatformFiles()
{
    static Win32Files files;
    return files;
}
