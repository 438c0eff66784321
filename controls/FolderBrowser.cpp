#include "FolderBrowser.h"

CFolderBrowser::CFolderBrowser(HWND owner, LPCITEMIDLIST root, int titleId)
{
    info.hwndOwner = owner;
    info.pidlRoot = root;
    info.pszDisplayName = pathBuffer;
    info.lpfn = &CFolderBrowser::BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    SetTitle(titleId);
}

CFolderBrowser::~CFolderBrowser() = default;

void CFolderBrowser::SetOwner(HWND owner)
{
    if (browseWindow == nullptr)
        info.hwndOwner = owner;
}

void CFolderBrowser::SetRoot(LPCITEMIDLIST root)
{
    if (browseWindow == nullptr)
        info.pidlRoot = root;
}

void CFolderBrowser::SetFlags(UINT flags)
{
    if (browseWindow == nullptr)
        info.ulFlags = flags;
}

void CFolderBrowser::SetTitle(const std::string& text)
{
    if (browseWindow != nullptr)
        return;
    title = text;
    wideTitle = fw::Widen(text);
    info.lpszTitle = wideTitle.c_str();
}

bool CFolderBrowser::SetTitle(int stringId)
{
    if (stringId <= 0)
        return false;
    const std::string text = fw::LoadResourceString(static_cast<UINT>(stringId));
    if (text.empty())
        return false;
    SetTitle(text);
    return true;
}

bool CFolderBrowser::Browse()
{
    bool chosen = false;
    LPITEMIDLIST item = fw::BrowseForFolder(info);
    if (item != nullptr) {
        chosenPath.clear();
        if (SHGetPathFromIDListW(item, pathBuffer)) {
            chosenPath = fw::Narrow(pathBuffer);
            chosen = true;
        }
        CoTaskMemFree(item);  // the shell's allocator
    }
    browseWindow = nullptr;
    return chosen;
}

std::string CFolderBrowser::GetPath() const
{
    return fw::Narrow(std::wstring_view(pathBuffer, wcsnlen(pathBuffer, MAX_PATH)));
}

int CALLBACK CFolderBrowser::BrowseCallback(HWND wnd, UINT message, LPARAM lParam, LPARAM data)
{
    auto* self = reinterpret_cast<CFolderBrowser*>(data);
    if (self == nullptr)
        return 0;
    self->browseWindow = wnd;
    if (message != BFFM_INITIALIZED && message != BFFM_SELCHANGED)
        return 0;
    // The shell's dialog sits above this call; nothing may escape into it. A
    // failure is told under the browser's caption.
    std::string caption = fw::GetText(wnd);
    if (caption.empty())
        caption = fw::ApplicationTitle();
    fw::Guarded("folder browser callback", caption, [&] {
        if (message == BFFM_INITIALIZED)
            self->OnInitialized();
        else
            self->OnSelectionChanged(reinterpret_cast<LPCITEMIDLIST>(lParam));
    });
    return 0;
}

CStartFolderBrowser::CStartFolderBrowser(HWND owner, int titleId) : CFolderBrowser(owner, nullptr, titleId)
{
    SetFlags(kFolderBrowseFlags);
}

void CStartFolderBrowser::OnInitialized()
{
    if (browseWindow == nullptr)
        return;
    const std::wstring folder = fw::Widen(startFolder);
    ::SendMessageW(browseWindow, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
    ::SendMessageW(browseWindow, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(folder.c_str()));
}

void CStartFolderBrowser::OnSelectionChanged(LPCITEMIDLIST item)
{
    if (browseWindow == nullptr)
        return;
    wchar_t path[MAX_PATH] = {};
    if (item == nullptr || !SHGetPathFromIDListW(item, path))
        path[0] = L'\0';  // a folder without a file-system path
    ::SendMessageW(browseWindow, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(path));
}
