// The places where the program waits for the user: message boxes, the common
// file dialogs, the shell's folder browser, popup menus and modal dialogs.
// Each goes through one replaceable function, so tests can see what the user
// would see and answer for them. Every setter returns the previous handler;
// an empty handler restores the real one.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <string>
#include <vector>

class CDialog;

namespace fw {

// ---- Message boxes ----------------------------------------------------------
// text and caption in code page 936; type are the MB_ flags; the answer is
// IDOK, IDYES, IDNO or IDCANCEL. An empty caption means the application title
// (the handler receives the caption that is shown).
using MessageBoxHandler = std::function<int(const std::string& text, const std::string& caption, UINT type)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
int ShowMessageBox(const std::string& text, UINT type = MB_OK, const std::string& caption = std::string(),
                   HWND owner = nullptr);

// Sends the library's prompts (UserPrompt.h) to ShowMessageBox.
void RoutePromptsToMessageBox();

// ---- File open / save dialogs -----------------------------------------------
struct FileDialogRequest {
    bool save = false;
    HWND owner = nullptr;
    std::string title;             // empty: the system's title
    std::string filter;            // pairs "description|pattern|...", e.g. "染界文件 (*.tgv)|*.tgv|"
    std::string defaultExtension;  // without the dot, added when the user types none
    std::string initialFile;       // file name or full path shown at first
    std::string initialFolder;
    DWORD flags = 0;               // extra OFN_ flags
};
// Returns true with the chosen full path, false when cancelled.
using FileDialogHandler = std::function<bool(const FileDialogRequest& request, std::string& path)>;
FileDialogHandler SetFileDialogHandler(FileDialogHandler handler);
bool ShowFileDialog(const FileDialogRequest& request, std::string& path);

// ---- Folder browser -----------------------------------------------------------
// Stands for SHBrowseForFolderW: receives the caller's BROWSEINFOW (title,
// flags, callback and its data) and returns the chosen item id list or null
// when cancelled. The caller frees the list (CoTaskMemFree / the shell's
// allocator) as after the real call.
using FolderBrowseHandler = std::function<LPITEMIDLIST(BROWSEINFOW& info)>;
FolderBrowseHandler SetFolderBrowseHandler(FolderBrowseHandler handler);
LPITEMIDLIST BrowseForFolder(BROWSEINFOW& info);

// What a folder browse showed, as a test's answer records it.
struct FolderBrowseTrace {
    std::string title;                    // lpszTitle
    std::string startSelection;           // the path sent with BFFM_SETSELECTIONW at initialisation
    std::vector<std::string> statusTexts; // every BFFM_SETSTATUSTEXTW, in order
};
// For tests: plays the shell's part for info. Calls the callback with
// BFFM_INITIALIZED, then (when answer is not empty) BFFM_SELCHANGED with the
// answer's item id list, on a hidden stand-in window that records what the
// callback sends; returns the answer's item id list, or null (cancel) for an
// empty answer.
LPITEMIDLIST AnswerFolderBrowse(BROWSEINFOW& info, const std::string& answer, FolderBrowseTrace* trace);

// ---- Popup menus ----------------------------------------------------------------
// Stands for TrackPopupMenu: receives the menu, TPM_ flags, screen point and
// owner, and returns the command chosen (0 for none).
using PopupMenuHandler = std::function<UINT(HMENU menu, UINT flags, int x, int y, HWND owner)>;
PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler);

// ---- Modal dialogs ----------------------------------------------------------------
// Runs for every modal dialog once its WM_INITDIALOG is done and it is shown,
// before its message loop: a test types texts, clicks buttons (BM_CLICK),
// reads state and may end it. If the dialog still runs timeoutMs after the
// hook returned, the loop ends it with IDABORT, so a test never hangs.
using ModalDialogHook = std::function<void(CDialog& dialog)>;
ModalDialogHook SetModalDialogHook(ModalDialogHook hook, DWORD timeoutMs = 10000);

namespace detail {
// For CDialog::DoModal: runs the hook if one is set; returns the time limit
// of the loop (INFINITE without a hook).
DWORD RunModalDialogHook(CDialog& dialog);
UINT TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner);
}  // namespace detail

}  // namespace fw
