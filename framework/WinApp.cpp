#include "WinApp.h"

#include "text/Cp936Text.h"
#include "Text.h"
#include "Wnd.h"

namespace {
CWinApp* g_app = nullptr;  // this module's application object
}  // namespace

CWinApp::CWinApp(std::string title)
    : title_(std::move(title)), moduleInstance_(fw::ThisModule()), resourceInstance_(moduleInstance_)
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this) g_app = nullptr;
    // The module is being unloaded: no hook may point into it afterwards.
    fw::detail::RemoveMessageHook();
}

CWinApp* CWinApp::Current()
{
    return g_app;
}

bool CWinApp::InitInstance()
{
    return true;
}

int CWinApp::ExitInstance()
{
    return 0;
}

void CWinApp::SetModuleInstance(HINSTANCE instance)
{
    if (resourceInstance_ == moduleInstance_) resourceInstance_ = instance;
    moduleInstance_ = instance;
}

std::string CWinApp::ModulePath() const
{
    return fw::ModuleFileName(moduleInstance_);
}

std::string CWinApp::ModuleFolder() const
{
    return fw::FolderOfPath(ModulePath());
}

namespace fw {

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

HINSTANCE ModuleInstance()
{
    return g_app ? g_app->ModuleInstance() : ThisModule();
}

HINSTANCE ResourceInstance()
{
    return g_app ? g_app->ResourceInstance() : ThisModule();
}

std::string ApplicationTitle()
{
    if (g_app && !g_app->Title().empty()) return g_app->Title();
    std::string name = ModuleFileName(ModuleInstance());
    const std::size_t slash = cp936::FindLastChar(name, '\\');
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const std::size_t dot = cp936::FindLastChar(name, '.');
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

std::string ModuleFileName(HMODULE module)
{
    // A path can exceed MAX_PATH; the buffer doubles until the name fits
    // (a full buffer means it may have been cut).
    for (DWORD size = MAX_PATH; size <= 32768 * 2; size *= 2) {
        std::wstring path(size, L'\0');
        const DWORD length = GetModuleFileNameW(module, path.data(), size);
        if (length == 0) return std::string();
        if (length < size) {
            path.resize(length);
            return Narrow(path);
        }
    }
    return std::string();
}

std::string FolderOfPath(std::string_view path)
{
    const std::size_t slash = cp936::FindLastChar(path, '\\');
    if (slash == std::string_view::npos) return std::string();
    return std::string(path.substr(0, slash + 1));
}

std::string LoadResourceString(UINT id)
{
    const wchar_t* text = nullptr;
    // With a zero buffer size, LoadStringW returns a read-only pointer to the
    // resource's own text (not terminated) and its length.
    const int length = LoadStringW(ResourceInstance(), id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text) return std::string();
    return Narrow(std::wstring_view(text, static_cast<std::size_t>(length)));
}

}  // namespace fw
