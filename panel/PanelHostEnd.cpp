// The panel's library when the panel ends without its own close. A host may
// quit by destroying its main window (its File → Exit, its close box): the
// panel has no owner, so nothing tells it, and the process ends with the
// panel's window. A hook on the thread's sent messages sees the host window's
// WM_CLOSE and WM_DESTROY before the host handles them, whatever the host
// does next; the end of the Windows session reaches the panel as a top-level
// window; the panel's own WM_DESTROY covers a host or an unloading plug-in
// destroying it; the plug-in's DLL_PROCESS_DETACH is the last chance.
#include "ColorPanelDlg.h"

#include "framework/GuardLog.h"
#include "text/UserPrompt.h"

#include <string>

namespace {

// The panel whose host is watched on this thread, and the hook.
struct HostWatch {
    HHOOK hook = nullptr;
    CColorPanelDlg* panel = nullptr;
};
thread_local HostWatch t_watch;

LRESULT CALLBACK HostMessageHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
        CColorPanelDlg* panel = t_watch.panel;
        if ((sent->message == WM_CLOSE || sent->message == WM_DESTROY) && panel != nullptr &&
            sent->hwnd != nullptr && sent->hwnd == panel->WatchedHostWindow()) {
            // Nothing may escape into the host's SendMessage; a hook shows nothing.
            fw::GuardedQuietly("saving as the host ends", [&] { panel->SaveAtEnd(true); });
        }
    }
    return CallNextHookEx(t_watch.hook, code, wParam, lParam);
}

}  // namespace

void CColorPanelDlg::WatchHost()
{
    watchedHostWindow_ = FindHostWindow();
    t_watch.panel = this;
    if (t_watch.hook == nullptr)
        t_watch.hook = ::SetWindowsHookExW(WH_CALLWNDPROC, HostMessageHook, nullptr, ::GetCurrentThreadId());
}

void CColorPanelDlg::StopWatchingHost()
{
    watchedHostWindow_ = nullptr;
    if (t_watch.panel != this)
        return;
    t_watch.panel = nullptr;
    if (t_watch.hook != nullptr) {
        ::UnhookWindowsHookEx(t_watch.hook);
        t_watch.hook = nullptr;
    }
}

void CColorPanelDlg::EndWithoutWindows()
{
    endWithoutWindows = true;
    session_.sharedLibrary.lockWaitMs = kEndLockWaitMs;
}

void CColorPanelDlg::SaveAtEnd(bool mayShowWindows)
{
    if (savingAtEnd || closingByPanel || !session_.NeedsSaveAtEnd())
        return;
    savingAtEnd = true;
    const bool silent = !mayShowWindows || endWithoutWindows || endOfferMade;
    // Without windows the save's messages are answered silently.
    const PromptHandler previous = silent ? SetPromptHandler(nullptr) : nullptr;
    const bool saved = SaveLibrary();
    if (silent)
        SetPromptHandler(previous);
    if (!saved && !silent) {
        endOfferMade = true;
        OfferExchangeFile();
    }
    if (!saved && silent)
        ::OutputDebugStringW(L"Tintgrove: the library could not be saved as the panel ended\n");
    savingAtEnd = false;
}

void CColorPanelDlg::OnDestroy()
{
    StopWatchingHost();
    SaveAtEnd(true);
}

LRESULT CColorPanelDlg::OnQueryEndSession(WPARAM, LPARAM)
{
    // The session may still be cancelled; saving now is harmless, and a
    // message about a failed save can still be shown.
    SaveAtEnd(true);
    return TRUE;
}

LRESULT CColorPanelDlg::OnEndSession(WPARAM ending, LPARAM)
{
    // The process may be ended at any moment after this returns.
    if (ending != 0) {
        EndWithoutWindows();
        SaveAtEnd(false);
    }
    return 0;
}
