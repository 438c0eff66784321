#include "HelpLauncher.h"


namespace help {

const wchar_t kHelpControlKey[] = L"CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";
const wchar_t kHelpControlFile[] = L"hhctrl.ocx";

namespace {

using HelpEntry = HWND(WINAPI*)(HWND, const wchar_t*, UINT, DWORD_PTR);

HMODULE SystemLoadLibrary(const wchar_t* file) { return LoadLibraryW(file); }

FARPROC SystemGetEntry(HMODULE module, WORD ordinal)
{
    return GetProcAddress(module, MAKEINTRESOURCEA(ordinal));
}

const BindingOps kSystemOps = {ReadRegistryDefaultValue, SystemLoadLibrary, SystemGetEntry};

struct Binding {
    const BindingOps* ops = &kSystemOps;
    HMODULE module = nullptr;
    HelpEntry entry = nullptr;
    bool failed = false;
};

Binding& State()
{
    static Binding binding;
    return binding;
}

std::wstring Widen(const char* text)
{
    if (text == nullptr || *text == '\0')
        return std::wstring();
    const int n = MultiByteToWideChar(936, 0, text, -1, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(936, 0, text, -1, &wide[0], n);
    wide.resize(static_cast<std::size_t>(n - 1));
    return wide;
}

bool Bind(Binding& b)
{
    if (b.module == nullptr) {
        std::wstring registered;
        if (b.ops->readDefaultValue(HKEY_CLASSES_ROOT, kHelpControlKey, registered) && !registered.empty())
            b.module = b.ops->loadLibrary(registered.c_str());
        if (b.module == nullptr)
            b.module = b.ops->loadLibrary(kHelpControlFile);
        if (b.module == nullptr) {
            b.failed = true;
            return false;
        }
    }
    if (b.entry == nullptr) {
        b.entry = reinterpret_cast<HelpEntry>(reinterpret_cast<void*>(b.ops->getEntry(b.module, kHelpEntryOrdinal)));
        if (b.entry == nullptr) {
            b.failed = true;
            return false;
        }
    }
    return true;
}

}  // namespace

bool ReadRegistryDefaultValue(HKEY root, const wchar_t* subKey, std::wstring& out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, subKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    // One character is kept back so the value is terminated whatever the
    // registry holds; a value that does not fit counts as not found.
    wchar_t buffer[MAX_PATH + 1] = {};
    DWORD type = 0;
    DWORD bytes = MAX_PATH * sizeof(wchar_t);
    const LONG result = RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[bytes / sizeof(wchar_t)] = L'\0';
    if (type == REG_SZ) {
        out = buffer;
        return true;
    }
    wchar_t expanded[MAX_PATH] = {};
    const DWORD n = ExpandEnvironmentStringsW(buffer, expanded, MAX_PATH);
    if (n == 0 || n > MAX_PATH)
        return false;
    out = expanded;
    return true;
}

HWND ShowHelp(HWND caller, const char* path, UINT command, DWORD_PTR data)
{
    Binding& b = State();
    if (b.failed || !Bind(b))
        return nullptr;
    const std::wstring widePath = Widen(path);
    return b.entry(caller, path == nullptr ? nullptr : widePath.c_str(), command, data);
}

void ResetBinding(const BindingOps* ops)
{
    Binding& b = State();
    b.ops = ops != nullptr ? ops : &kSystemOps;
    b.module = nullptr;
    b.entry = nullptr;
    b.failed = false;
}

bool IsBound() { return State().entry != nullptr; }

bool BindingFailed() { return State().failed; }

}  // namespace help
