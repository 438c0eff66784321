// The texture extraction seam on Windows: wide file calls and the registry
// read with RegOpenKeyExW/RegQueryValueExW/RegEnumKeyExW, converting
// explicitly between code page 936 and UTF-16.
#include "TextureExtraction.h"
#include "Win32Text.h"

#include <windows.h>

namespace {

using win32text::Cp936ToWide;
using win32text::WideToCp936;

HKEY RootOf(TexturePlatform::Hive hive)
{
    return hive == TexturePlatform::Hive::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

class KeyHandle {
public:
    KeyHandle(TexturePlatform::Hive hive, const std::string& path, REGSAM access)
    {
        if (RegOpenKeyExW(RootOf(hive), Cp936ToWide(path).c_str(), 0, access, &key) != ERROR_SUCCESS)
            key = nullptr;
    }
    ~KeyHandle()
    {
        if (key)
            RegCloseKey(key);
    }
    KeyHandle(const KeyHandle&) = delete;
    KeyHandle& operator=(const KeyHandle&) = delete;
    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};

class Win32TexturePlatform final : public TexturePlatform {
public:
    bool FileExists(const std::string& path) override
    {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(Cp936ToWide(path).c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return false;
        FindClose(find);
        return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    bool CopyNoOverwrite(const std::string& from, const std::string& to) override
    {
        return CopyFileW(Cp936ToWide(from).c_str(), Cp936ToWide(to).c_str(), TRUE) != 0;
    }

    bool CreateFolder(const std::string& path) override
    {
        return CreateDirectoryW(Cp936ToWide(path).c_str(), nullptr) != 0;
    }

    bool ReadRegistryString(Hive hive, const std::string& keyPath, const std::string& value, std::size_t maxBytes,
                            std::string& out) override
    {
        KeyHandle key(hive, keyPath, KEY_QUERY_VALUE);
        if (!key.Get())
            return false;
        const std::wstring valueName = Cp936ToWide(value);
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
        DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                             &size) != ERROR_SUCCESS)
            return false;
        text.resize(size / sizeof(wchar_t));
        while (!text.empty() && text.back() == L'\0')
            text.pop_back();
        // The limit is in code page 936 bytes, as the fixed buffers of the
        // caller count them: a longer text is refused, not cut.
        return WideToCp936(text, out) && out.size() + 1 <= maxBytes;
    }

    EnumResult EnumRegistrySubkey(Hive hive, const std::string& keyPath, unsigned index, std::size_t maxBytes,
                                  std::string& out) override
    {
        KeyHandle key(hive, keyPath, KEY_ENUMERATE_SUB_KEYS);
        if (!key.Get())
            return EnumResult::Failed;
        wchar_t name[256];
        DWORD length = 256;
        const LONG rc = RegEnumKeyExW(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            return EnumResult::NoMore;
        if (rc == ERROR_MORE_DATA)
            return EnumResult::TooLong;
        if (rc != ERROR_SUCCESS)
            return EnumResult::Failed;
        if (!WideToCp936(std::wstring_view(name, length), out))
            return EnumResult::TooLong;  // no code page 936 form: cannot be opened by name either
        return out.size() + 1 <= maxBytes ? EnumResult::Found : EnumResult::TooLong;
    }
};

}  // namespace

TexturePlatform& SystemTexturePlatform()
{
    static Win32TexturePlatform platform;
    return platform;
}
