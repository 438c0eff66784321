// Opens the compiled HTML help in the HTML Help viewer, which is bound at run
// time on the first request. When the viewer cannot be found, help does
// nothing and says nothing, and binding is not tried again.
#pragma once

#include <windows.h>

#include <string>

namespace help {

// Same arguments and result as the viewer's help function; path is code
// page 936 text. Returns the viewer's window, or 0 when it cannot be bound.
HWND ShowHelp(HWND caller, const char* path, UINT command, DWORD_PTR data);

// How binding reaches the system; tests replace these to count and steer the
// look-ups. Defaults: the registry, LoadLibraryW and GetProcAddress.
struct BindingOps {
    // Reads the default value of root\subKey into out; false when it is
    // missing, not a string, or longer than the bounded buffer.
    bool (*readDefaultValue)(HKEY root, const wchar_t* subKey, std::wstring& out);
    HMODULE (*loadLibrary)(const wchar_t* file);
    FARPROC (*getEntry)(HMODULE module, WORD ordinal);
};

// Installs ops (null: the system's) and forgets any binding or failure, so the
// next request binds afresh. A loaded viewer module stays loaded.
void ResetBinding(const BindingOps* ops = nullptr);

// True when the viewer is bound (after a request that bound it).
bool IsBound();
// True once binding has failed.
bool BindingFailed();

// Where the HTML Help control is registered, and the file tried after it.
extern const wchar_t kHelpControlKey[];
extern const wchar_t kHelpControlFile[];
// The viewer's export used for the request: the wide variant of the help
// function, so the path reaches it as UTF-16 whatever the system code page.
constexpr WORD kHelpEntryOrdinal = 15;

// The registry reader used by default, with a buffer of MAX_PATH characters.
bool ReadRegistryDefaultValue(HKEY root, const wchar_t* subKey, std::wstring& out);

}  // namespace help
