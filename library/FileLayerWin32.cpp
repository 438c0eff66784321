// The file layer on Windows: wide calls with explicit code page 936 paths,
// FlushFileBuffers, and MoveFileExW for the replacement (not ReplaceFileW,
// which under wine deletes the old file before moving the new one in).
#include "FileLayer.h"
#include "Win32Text.h"

#include <windows.h>

namespace {

using win32text::Cp936ToWide;

class Win32File final : public File {
public:
    explicit Win32File(HANDLE h) : handle(h) {}
    ~Win32File() override
    {
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }

    std::size_t Read(void* buffer, std::size_t size) override
    {
        std::size_t done = 0;
        while (handle != INVALID_HANDLE_VALUE && done < size) {
            const DWORD chunk = static_cast<DWORD>(size - done > 0x40000000 ? 0x40000000 : size - done);
            DWORD n = 0;
            if (!ReadFile(handle, static_cast<char*>(buffer) + done, chunk, &n, nullptr)) {
                readError = true;
                break;
            }
            if (n == 0)
                break;
            done += n;
        }
        return done;
    }

    bool ReadFailed() const override { return readError; }

    std::size_t Write(const void* buffer, std::size_t size) override
    {
        std::size_t done = 0;
        while (handle != INVALID_HANDLE_VALUE && done < size) {
            const DWORD chunk = static_cast<DWORD>(size - done > 0x40000000 ? 0x40000000 : size - done);
            DWORD n = 0;
            if (!WriteFile(handle, static_cast<const char*>(buffer) + done, chunk, &n, nullptr) || n == 0)
                break;
            done += n;
        }
        return done;
    }

    bool Flush() override { return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle) != 0; }

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
        return ok != 0;
    }

    bool IsOpen() const override { return handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle;
    bool readError = false;
};

bool IsTransient(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
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
            access = FILE_APPEND_DATA;
            disposition = OPEN_ALWAYS;
            break;
        }
        const std::wstring wide = Cp936ToWide(path);
        // Without FILE_FLAG_BACKUP_SEMANTICS a folder cannot be opened.
        HANDLE h = CreateFileW(wide.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return nullptr;
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
                return false;
            Sleep(50);
        }
        return false;
    }

    bool Remove(const std::string& path) override { return DeleteFileW(Cp936ToWide(path).c_str()) != 0; }

    bool Exists(const std::string& path) override
    {
        return GetFileAttributesW(Cp936ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
};

}  // namespace

FileLayer& PlatformFiles()
{
    static Win32Files files;
    return files;
}
