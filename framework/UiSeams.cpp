#include "UiSeams.h"

#include "Text.h"
#include "text/UserPrompt.h"
#include "WinApp.h"

#include <commdlg.h>

namespace fw {

namespace {

// The handlers live for the module; empty means the real thing.
MessageBoxHandler& MessageBoxSlot()
{
    static MessageBoxHandler handler;
    return handler;
}
FileDialogHandler& FileDialogSlot()
{
    static FileDialogHandler handler;
    return handler;
}
FolderBrowseHandler& FolderBrowseSlot()
{
    static FolderBrowseHandler handler;
    return handler;
}
PopupMenuHandler& PopupMenuSlot()
{
    static PopupMenuHandler handler;
    return handler;
}
struct ModalHookSlot {
    ModalDialogHook hook;
    DWORD timeoutMs = INFINITE;
};
ModalHookSlot& ModalSlot()
{
    static ModalHookSlot slot;
    return slot;
}

template <class H>
H Replace(H& slot, H handler)
{
    H previous = std::move(slot);
    slot = std::move(handler);
    return previous;
}

PromptAnswer PromptThroughMessageBox(const std::string& text, const std::string& caption, PromptButtons buttons)
{
    UINT type = MB_OK;
    if (buttons == PromptButtons::YesNo) type = MB_YESNO | MB_ICONQUESTION;
    if (buttons == PromptButtons::YesNoCancel) type = MB_YESNOCANCEL | MB_ICONQUESTION;
    switch (ShowMessageBox(text, type, caption)) {
    case IDYES:
        return PromptAnswer::Yes;
    case IDNO:
        return PromptAnswer::No;
    case IDOK:
        return PromptAnswer::Ok;
    default:
        return PromptAnswer::Cancel;
    }
}

bool RealFileDialog(const FileDialogRequest& request, std::string& path)
{
    // The filter's '|' separators become NULs after widening: as a byte, '|'
    // can be the second half of a double-byte character.
    std::wstring filter = Widen(request.filter);
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    filter.append(2, L'\0');
    const std::wstring title = Widen(request.title);
    const std::wstring extension = Widen(request.defaultExtension);
    const std::wstring folder = Widen(request.initialFolder);
    std::wstring file = Widen(request.initialFile);
    file.resize(32768, L'\0');

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = request.owner;
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | request.flags |
                (request.save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const BOOL chosen = request.save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (!chosen) return false;
    path = Narrow(file.c_str());
    return true;
}

// The stand-in for the shell's browse window: records what the caller's
// callback sends it.
LRESULT CALLBACK ProbeProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* trace = reinterpret_cast<FolderBrowseTrace*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (trace) {
        switch (message) {
        case BFFM_SETSELECTIONW:
            if (wParam) {
                trace->startSelection = Narrow(reinterpret_cast<const wchar_t*>(lParam));
            } else {
                wchar_t path[MAX_PATH] = {};
                if (lParam && SHGetPathFromIDListW(reinterpret_cast<LPCITEMIDLIST>(lParam), path))
                    trace->startSelection = Narrow(path);
            }
            return 0;
        case BFFM_SETSELECTIONA:
            if (wParam) trace->startSelection = reinterpret_cast<const char*>(lParam);
            return 0;
        case BFFM_SETSTATUSTEXTW:
            trace->statusTexts.push_back(lParam ? Narrow(reinterpret_cast<const wchar_t*>(lParam)) : std::string());
            return 0;
        case BFFM_SETSTATUSTEXTA:
            trace->statusTexts.push_back(lParam ? reinterpret_cast<const char*>(lParam) : "");
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcW(wnd, message, wParam, lParam);
}

}  // namespace

// ---- Message boxes ----------------------------------------------------------

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    return Replace(MessageBoxSlot(), std::move(handler));
}

int ShowMessageBox(const std::string& text, UINT type, const std::string& caption, HWND owner)
{
    const std::string shown = caption.empty() ? ApplicationTitle() : caption;
    if (MessageBoxSlot()) return MessageBoxSlot()(text, shown, type);
    // Without an owner the box is modal to the thread's active window (the
    // panel, or the host's window), as a user expects.
    return MessageBoxW(owner ? owner : GetActiveWindow(), Widen(text).c_str(), Widen(shown).c_str(), type);
}

void RoutePromptsToMessageBox()
{
    SetPromptHandler(PromptThroughMessageBox);
}

// ---- File dialogs -----------------------------------------------------------

FileDialogHandler SetFileDialogHandler(FileDialogHandler handler)
{
    return Replace(FileDialogSlot(), std::move(handler));
}

bool ShowFileDialog(const FileDialogRequest& request, std::string& path)
{
    if (FileDialogSlot()) return FileDialogSlot()(request, path);
    return RealFileDialog(request, path);
}

// ---- Folder browser -----------------------------------------------------------

FolderBrowseHandler SetFolderBrowseHandler(FolderBrowseHandler handler)
{
    return Replace(FolderBrowseSlot(), std::move(handler));
}

LPITEMIDLIST BrowseForFolder(BROWSEINFOW& info)
{
    if (FolderBrowseSlot()) return FolderBrowseSlot()(info);
    return SHBrowseForFolderW(&info);
}

LPITEMIDLIST AnswerFolderBrowse(BROWSEINFOW& info, const std::string& answer, FolderBrowseTrace* trace)
{
    FolderBrowseTrace local;
    FolderBrowseTrace& record = trace ? *trace : local;
    record.title = info.lpszTitle ? Narrow(info.lpszTitle) : std::string();

    static const wchar_t kProbeClass[] = L"TgFolderBrowseProbe";
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = ThisModule();
    wc.lpszClassName = kProbeClass;
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (!GetClassInfoExW(wc.hInstance, kProbeClass, &existing)) RegisterClassExW(&wc);
    const HWND probe = CreateWindowExW(0, kProbeClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    if (probe) SetWindowLongPtrW(probe, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&record));

    LPITEMIDLIST chosen = answer.empty() ? nullptr : ILCreateFromPathW(Widen(answer).c_str());
    if (info.lpfn && probe) {
        info.lpfn(probe, BFFM_INITIALIZED, 0, info.lParam);
        if (chosen) info.lpfn(probe, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(chosen), info.lParam);
    }
    if (chosen && info.pszDisplayName) {
        // The shell reports the chosen folder's display name: its last component.
        const std::wstring wide = Widen(answer);
        std::size_t start = wide.find_last_of(L'\\', wide.size() > 1 ? wide.size() - 2 : 0);
        start = start == std::wstring::npos ? 0 : start + 1;
        lstrcpynW(info.pszDisplayName, wide.substr(start).c_str(), MAX_PATH);
    }
    if (probe) DestroyWindow(probe);
    return chosen;
}

// ---- Popup menus ------------------------------------------------------------------

PopupMenuHandler SetPopupMenuHandler(PopupMenuHandler handler)
{
    return Replace(PopupMenuSlot(), std::move(handler));
}

// ---- Modal dialogs ------------------------------------------------------------------

ModalDialogHook SetModalDialogHook(ModalDialogHook hook, DWORD timeoutMs)
{
    ModalHookSlot& slot = ModalSlot();
    slot.timeoutMs = hook ? timeoutMs : INFINITE;
    return Replace(slot.hook, std::move(hook));
}

namespace detail {

DWORD RunModalDialogHook(CDialog& dialog)
{
    ModalHookSlot& slot = ModalSlot();
    if (!slot.hook) return INFINITE;
    const DWORD limit = slot.timeoutMs;
    // A copy: the hook may replace itself while it runs.
    ModalDialogHook hook = slot.hook;
    hook(dialog);
    return limit;
}

UINT TrackPopupMenu(HMENU menu, UINT flags, int x, int y, HWND owner)
{
    if (!PopupMenuSlot()) return static_cast<UINT>(::TrackPopupMenu(menu, flags, x, y, 0, owner, nullptr));
    const UINT command = PopupMenuSlot()(menu, flags, x, y, owner);
    if (flags & TPM_RETURNCMD) return command;
    // As the real menu does: the choice arrives as a posted WM_COMMAND.
    if (command) PostMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    return command != 0 ? TRUE : FALSE;
}

}  // namespace detail

}  // namespace fw
