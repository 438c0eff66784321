#include "Guard.h"

#include "Text.h"
#include "UiSeams.h"
#include "WinApp.h"

#include <commctrl.h>

#include <cstdio>
#include <new>

namespace fw {

const char* const kActionFailedFormat = "“%1”未能完成：%2";
const char* const kCloseActionFormat = "关闭%1";

namespace {

// Set while the user is being told of a failure on this thread: what fails
// while the box is up (a repaint behind it) is only logged.
thread_local bool t_telling = false;

bool IsUserAction(UINT message, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case WM_CLOSE:
    case WM_INITDIALOG:
    case WM_CONTEXTMENU:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MOUSEWHEEL:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DROPFILES:
        return true;
    case WM_NOTIFY: {
        if (!lParam) return false;
        // Clicks and Enter, and the program's own notifications (positive
        // codes); not the many a control sends as it draws or changes.
        const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
        return code == static_cast<UINT>(NM_CLICK) || code == static_cast<UINT>(NM_DBLCLK) ||
               code == static_cast<UINT>(NM_RCLICK) || code == static_cast<UINT>(NM_RDBLCLK) ||
               code == static_cast<UINT>(NM_RETURN) || static_cast<int>(code) > 0;
    }
    default:
        return false;
    }
}

// A button's or menu item's text as a name: no '&' marks, no accelerator
// after a tab, no trailing ellipsis.
std::string LabelText(std::wstring text)
{
    const std::size_t tab = text.find(L'\t');
    if (tab != std::wstring::npos) text.erase(tab);
    std::wstring label;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&' && i + 1 < text.size()) ++i;
        label += text[i];
    }
    while (!label.empty() && (label.back() == L'.' || label.back() == L'\x2026' || label.back() == L' '))
        label.pop_back();
    return Narrow(label);
}

std::string Caption(HWND wnd)
{
    const HWND root = wnd ? GetAncestor(wnd, GA_ROOT) : nullptr;
    std::string caption = root ? GetText(root) : std::string();
    return caption.empty() ? ApplicationTitle() : caption;
}

std::string CommandLabel(HWND wnd, WPARAM wParam, LPARAM lParam)
{
    if (lParam) {
        const HWND control = reinterpret_cast<HWND>(lParam);
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        if (lstrcmpiW(className, WC_BUTTONW) == 0) return LabelText(Widen(GetText(control)));
        return std::string();
    }
    const HMENU menu = GetMenu(GetAncestor(wnd, GA_ROOT));
    wchar_t text[256] = {};
    if (menu && HIWORD(wParam) == 0 && GetMenuStringW(menu, LOWORD(wParam), text, 256, MF_BYCOMMAND) > 0)
        return LabelText(text);
    return std::string();
}

std::string WhereOf(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    wchar_t className[64] = {};
    if (wnd) GetClassNameW(wnd, className, 64);
    long id = -1;
    if (message == WM_COMMAND) id = LOWORD(wParam);
    if (message == WM_NOTIFY && lParam) id = static_cast<long>(reinterpret_cast<const NMHDR*>(lParam)->idFrom);
    char text[96];
    if (id >= 0)
        std::snprintf(text, sizeof text, "window procedure, message 0x%04X id %ld, class ", message, id);
    else
        std::snprintf(text, sizeof text, "window procedure, message 0x%04X, class ", message);
    return text + Narrow(className);
}

void Tell(std::string_view action, const std::string& what)
{
    if (t_telling) return;
    t_telling = true;
    std::string text = ReplacePlaceholder(kActionFailedFormat, action);
    const std::size_t at = text.find("%2");
    if (at != std::string::npos) text.replace(at, 2, what);
    try {
        ShowMessageBox(text, MB_OK | MB_ICONERROR);
    } catch (...) {
        LogFailure("message box of a failed action", CurrentExceptionText());
    }
    t_telling = false;
}

}  // namespace

std::string UserActionOf(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsUserAction(message, lParam)) return std::string();
    if (message == WM_COMMAND) {
        std::string label = CommandLabel(wnd, wParam, lParam);
        if (!label.empty()) return label;
    }
    if (message == WM_CLOSE || (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE))
        return ReplacePlaceholder(kCloseActionFormat, Caption(wnd));
    return Caption(wnd);
}

namespace detail {

void ReportCurrentException(std::string_view where, std::string_view action) noexcept
{
    try {
        const std::string what = CurrentExceptionText();
        LogFailure(where, what);
        if (!action.empty()) Tell(action, what);
    } catch (const std::bad_alloc&) {
        LogFailure(where, "std::bad_alloc");
    }
}

void ReportCurrentException(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    try {
        const std::string what = CurrentExceptionText();
        LogFailure(WhereOf(wnd, message, wParam, lParam), what);
        const std::string action = UserActionOf(wnd, message, wParam, lParam);
        if (!action.empty()) Tell(action, what);
    } catch (const std::bad_alloc&) {
        LogFailure("window procedure", "std::bad_alloc");
    }
}

}  // namespace detail

}  // namespace fw
