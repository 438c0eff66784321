// Asks the user for a folder through the shell's folder-browsing dialog. The
// dialog's title comes from the string table; CStartFolderBrowser opens it
// on a start folder and keeps the full path of the folder under the
// selection on the dialog's status line.
#pragma once

#include "framework/Framework.h"

#include <shlobj.h>

#include <string>

// File-system folders only, a status line and an edit box: what both callers use.
constexpr UINT kFolderBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT | BIF_EDITBOX;

class CFolderBrowser {
public:
    // titleId: string resource of the title, from the framework's resource
    // module; root: null for the desktop.
    CFolderBrowser(HWND owner, LPCITEMIDLIST root, int titleId);
    virtual ~CFolderBrowser() = 0;
    CFolderBrowser(const CFolderBrowser&) = delete;
    CFolderBrowser& operator=(const CFolderBrowser&) = delete;

    // The setters are ignored while the shell dialog is open.
    void SetOwner(HWND owner);
    void SetRoot(LPCITEMIDLIST root);
    void SetFlags(UINT flags);
    void SetTitle(const std::string& text);
    // False for an id of 0 or less and for an id the string table lacks.
    bool SetTitle(int stringId);

    // Shows the dialog (modal). True when the user chose a folder that has a
    // file-system path; the path is then GetPath(). Cancelling leaves the
    // path as it was.
    bool Browse();
    std::string GetPath() const;

    const std::string& ChosenPath() const { return chosenPath; }
    const std::string& Title() const { return title; }
    UINT Flags() const { return info.ulFlags; }
    HWND Owner() const { return info.hwndOwner; }

protected:
    // Called by the shell when its dialog is ready and when the selection moves.
    virtual void OnInitialized() {}
    virtual void OnSelectionChanged(LPCITEMIDLIST item) { (void)item; }

    HWND browseWindow = nullptr;  // the shell's dialog while it is open

private:
    static int CALLBACK BrowseCallback(HWND wnd, UINT message, LPARAM lParam, LPARAM data);

    std::string title;
    std::wstring wideTitle;
    BROWSEINFOW info = {};
    wchar_t pathBuffer[MAX_PATH] = {};
    std::string chosenPath;
};

class CStartFolderBrowser : public CFolderBrowser {
public:
    // Flags kFolderBrowseFlags, the desktop as root.
    CStartFolderBrowser(HWND owner, int titleId);
    ~CStartFolderBrowser() override = default;

    void SetStartFolder(const std::string& folder) { startFolder = folder; }
    const std::string& StartFolder() const { return startFolder; }

protected:
    void OnInitialized() override;
    void OnSelectionChanged(LPCITEMIDLIST item) override;

private:
    std::string startFolder;
};
