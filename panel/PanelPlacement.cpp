// Where the panel opens: the first time beside the host's 3D view, at the
// right edge of the host's main window, its top level with the top of the
// view (never over the host's title bar or menu) and inside the work area;
// after that where the user last left it.
#include "ColorPanelDlg.h"

#include <optional>

namespace {

// Where the last panel stood when it was closed, for the next one.
std::optional<POINT> rememberedPosition;

struct HostSearch {
    HWND panel;
    HWND best = nullptr;
    long long bestArea = 0;
};

BOOL CALLBACK ConsiderHostWindow(HWND wnd, LPARAM data)
{
    auto* search = reinterpret_cast<HostSearch*>(data);
    if (wnd == search->panel || !::IsWindowVisible(wnd) || ::IsIconic(wnd) || ::GetWindow(wnd, GW_OWNER) != nullptr)
        return TRUE;
    if ((::GetWindowLongW(wnd, GWL_STYLE) & WS_CAPTION) != WS_CAPTION)
        return TRUE;
    RECT rect;
    ::GetWindowRect(wnd, &rect);
    const long long area = static_cast<long long>(rect.right - rect.left) * (rect.bottom - rect.top);
    if (area > search->bestArea) {
        search->best = wnd;
        search->bestArea = area;
    }
    return TRUE;
}

RECT WorkAreaOf(HWND wnd)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (::GetMonitorInfoW(::MonitorFromWindow(wnd, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return monitor.rcWork;
    RECT screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    return screen;
}

}  // namespace

HWND CColorPanelDlg::FindHostWindow() const
{
    HostSearch search{m_hWnd};
    ::EnumThreadWindows(::GetCurrentThreadId(), ConsiderHostWindow, reinterpret_cast<LPARAM>(&search));
    return search.best;
}

POINT CColorPanelDlg::PlaceBeside(const RECT& hostWindow, const RECT& hostView, SIZE panel, const RECT& work)
{
    // Outside the host window when the work area has room there, else
    // inside the view against its right edge.
    LONG x = hostWindow.right;
    if (x + panel.cx > work.right)
        x = hostView.right - panel.cx;
    LONG y = hostView.top;
    if (x + panel.cx > work.right)
        x = work.right - panel.cx;
    if (x < work.left)
        x = work.left;
    if (y + panel.cy > work.bottom)
        y = work.bottom - panel.cy;
    if (y < work.top)
        y = work.top;
    return POINT{x, y};
}

void CColorPanelDlg::PlaceOnOpen()
{
    const RECT window = GetWindowRect();
    const SIZE size{window.right - window.left, window.bottom - window.top};
    POINT position{};
    if (rememberedPosition) {
        // Kept where the user left it, as long as its caption is still on a screen.
        RECT caption{rememberedPosition->x, rememberedPosition->y, rememberedPosition->x + size.cx,
                     rememberedPosition->y + ::GetSystemMetrics(SM_CYCAPTION)};
        if (::MonitorFromRect(&caption, MONITOR_DEFAULTTONULL) != nullptr) {
            SetWindowPos(nullptr, rememberedPosition->x, rememberedPosition->y, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return;
        }
    }
    const HWND host = FindHostWindow();
    const RECT work = WorkAreaOf(host != nullptr ? host : m_hWnd);
    if (host != nullptr) {
        RECT hostWindow, view;
        ::GetWindowRect(host, &hostWindow);
        ::GetClientRect(host, &view);
        ::MapWindowPoints(host, nullptr, reinterpret_cast<POINT*>(&view), 2);
        position = PlaceBeside(hostWindow, view, size, work);
    } else {
        position = POINT{work.right - size.cx, work.top};
    }
    SetWindowPos(nullptr, position.x, position.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CColorPanelDlg::RememberPlacement()
{
    const RECT window = GetWindowRect();
    rememberedPosition = POINT{window.left, window.top};
}

void CColorPanelDlg::ForgetPlacement()
{
    rememberedPosition.reset();
}
