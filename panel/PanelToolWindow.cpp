#include "PanelToolWindow.h"

#include "ColorPanelDlg.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

CPanelToolWindow::CPanelToolWindow(UINT dialogId, PanelWindowOwner& owner, std::vector<UINT> panelCommands,
                                   SIZE minimumSize)
    : CDialog(dialogId), dialogId_(dialogId), owner_(owner), panelCommands_(std::move(panelCommands)),
      minimumSize_(minimumSize)
{
}

bool CPanelToolWindow::OpenBeside(const RECT* placement, Side first)
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
        return ::InitCommonControlsEx(&init) != FALSE;
    }();
    (void)registered;
    const HWND panel = owner_.OwnerWindow();
    if (!Create(dialogId_, panel))
        return false;
    if (placement != nullptr) {
        MoveWindow(placement->left, placement->top, placement->right - placement->left,
                   placement->bottom - placement->top, true);
    } else {
        RECT owner = {};
        ::GetWindowRect(panel, &owner);
        const RECT own = GetWindowRect();
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromWindow(panel, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& area = monitor.rcWork;
        const int width = own.right - own.left, height = own.bottom - own.top;
        int x = 0;
        if (first == Side::Right) {
            x = owner.right + kMargin;
            if (x + width > area.right)
                x = std::max(area.left, owner.left - kMargin - width);
        } else {
            x = owner.left - kMargin - width;
            if (x < area.left)
                x = std::min(static_cast<int>(owner.right) + kMargin,
                             std::max(static_cast<int>(area.left), static_cast<int>(area.right) - width));
        }
        const int y = std::clamp(static_cast<int>(owner.top), static_cast<int>(area.top),
                                 std::max(static_cast<int>(area.top), static_cast<int>(area.bottom) - height));
        SetWindowPos(nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ShowWindow(SW_SHOW);
    return true;
}

void CPanelToolWindow::OnSize(UINT type, int width, int height)
{
    if (type != SIZE_MINIMIZED)
        Layout(width, height);
}

LRESULT CPanelToolWindow::OnGetMinMaxInfo(WPARAM, LPARAM lParam)
{
    auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
    info->ptMinTrackSize.x = minimumSize_.cx;
    info->ptMinTrackSize.y = minimumSize_.cy;
    return 0;
}

void CPanelToolWindow::CloseWithPanel()
{
    orphaned_ = true;
    if (m_hWnd != nullptr)
        DestroyWindow();
}

void CPanelToolWindow::OnCancel()
{
    DestroyWindow();
}

void CPanelToolWindow::PostNcDestroy()
{
    if (!orphaned_)
        ReportGone();
    delete this;
}

bool CPanelToolWindow::PreTranslateMessage(MSG* msg)
{
    const UINT command = CColorPanelDlg::PanelKeyCommand(*msg);
    if (command != 0 && std::find(panelCommands_.begin(), panelCommands_.end(), command) != panelCommands_.end()) {
        ::SendMessageW(owner_.OwnerWindow(), WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

void BringPanelWindowForward(CWnd& window)
{
    window.ShowWindow(SW_SHOWNORMAL);
    ::SetWindowPos(window.m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    ::SetActiveWindow(window.m_hWnd);
}
