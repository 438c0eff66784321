// The script commands that find this process's windows, their controls,
// menus and message boxes, and act on them as a user or the system does:
// captions (with alternatives), controls by id, popup menus and the menu
// bar clicked with the mouse, message boxes answered, windows closed.
#include "AutomationRunner.h"

#include "WinText.h"

#include <algorithm>
#include <cstdlib>

namespace walkhost {
namespace {

bool OwnWindow(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid == GetCurrentProcessId() && IsWindowVisible(hwnd);
}

std::wstring WindowText(HWND hwnd)
{
    const int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, &text[0], n + 1)));
    return text;
}

std::wstring ClassOf(HWND hwnd)
{
    wchar_t name[64] = L"";
    GetClassNameW(hwnd, name, 64);
    return name;
}

// A menu item's text as a script names it: without its access key (a '&'
// mark, or a Chinese menu's "(&F)" after the text) and its accelerator part.
std::wstring PlainMenuText(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size() && text[i] != L'\t'; ++i) {
        if (text.compare(i, 2, L"(&") == 0 && i + 3 < text.size() && text[i + 3] == L')')
            i += 3;
        else if (text[i] != L'&')
            out += text[i];
    }
    return out;
}

// A script's caption may name alternatives separated by "|" (a dialog of
// wine's own is captioned in the locale's language).
bool CaptionMatches(const std::wstring& text, const std::wstring& wanted)
{
    size_t start = 0;
    for (;;) {
        const size_t bar = wanted.find(L'|', start);
        if (text == wanted.substr(start, bar == std::wstring::npos ? std::wstring::npos : bar - start))
            return true;
        if (bar == std::wstring::npos)
            return false;
        start = bar + 1;
    }
}

// The first top-level window for which test(hwnd) holds, or null.
template <class Test>
HWND FirstWindow(Test test)
{
    struct Search {
        Test* test;
        HWND found = nullptr;
    } search{&test};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            if (!(*s->test)(hwnd))
                return TRUE;
            s->found = hwnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The message box of this process that is showing, or null. A message box
// is a dialog (#32770) with the message text in static control 0xFFFF.
HWND FindMessageBox()
{
    return FirstWindow(
        [](HWND hwnd) { return OwnWindow(hwnd) && ClassOf(hwnd) == L"#32770" && GetDlgItem(hwnd, 0xFFFF); });
}

// What the window's own hit test says of a screen point (HTNOWHERE when it
// does not answer).
LRESULT HitTest(HWND hwnd, int x, int y)
{
    DWORD_PTR result = HTNOWHERE;
    if (!SendMessageTimeoutW(hwnd, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 2000, &result))
        return HTNOWHERE;
    return static_cast<LRESULT>(result);
}

// The middle of the window's close box in screen coordinates, found with
// the window's hit test along the top of the window.
bool CloseBoxCentre(HWND hwnd, POINT& centre)
{
    RECT r;
    if (!GetWindowRect(hwnd, &r))
        return false;
    for (int y = r.top; y < std::min<LONG>(r.top + 64, r.bottom); y += 2) {
        for (int x = r.right - 1; x > std::max<LONG>(r.left, r.right - 200); x -= 2) {
            if (HitTest(hwnd, x, y) != HTCLOSE)
                continue;
            int left = x, right = x, bottom = y;
            while (left > r.left && HitTest(hwnd, left - 1, y) == HTCLOSE)
                --left;
            while (right < r.right - 1 && HitTest(hwnd, right + 1, y) == HTCLOSE)
                ++right;
            const int middle = (left + right) / 2;
            while (bottom < r.bottom - 1 && HitTest(hwnd, middle, bottom + 1) == HTCLOSE)
                ++bottom;
            centre = POINT{middle, (y + bottom) / 2};
            return true;
        }
    }
    return false;
}

// Non-null once the window is gone or hidden (for WaitFor).
HWND GoneOrHidden(HWND hwnd) { return IsWindow(hwnd) && IsWindowVisible(hwnd) ? nullptr : HWND(1); }

}  // namespace

HWND FindPopupMenu()
{
    return FirstWindow([](HWND hwnd) { return OwnWindow(hwnd) && ClassOf(hwnd) == L"#32768"; });
}

bool OwnedBy(HWND wnd, HWND owner)
{
    for (; wnd; wnd = GetWindow(wnd, GW_OWNER))
        if (wnd == owner)
            return true;
    return false;
}

// The left button pressed and released where the cursor is, through the
// system's input queue as a mouse does.
void PressLeftButton()
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(30);
    SendInput(1, &input[1], sizeof(INPUT));
}

void ClickScreen(POINT at)
{
    SetCursorPos(at.x, at.y);
    Sleep(30);
    PressLeftButton();
}

bool Runner::WindowByCaption(const std::string& caption, DWORD timeout, HWND& found)
{
    const std::wstring wanted = Utf8ToWide(caption);
    found = WaitFor(
        [&wanted] {
            return FirstWindow(
                [&wanted](HWND hwnd) { return OwnWindow(hwnd) && CaptionMatches(WindowText(hwnd), wanted); });
        },
        timeout);
    return found ? true : Fail("no window with the caption '" + caption + "' within " + std::to_string(timeout) + " ms");
}

bool Runner::ControlByCaption(const std::string& caption, const std::string& id, DWORD timeout, HWND& window,
                              HWND& control)
{
    if (!WindowByCaption(caption, timeout, window))
        return false;
    control = GetDlgItem(window, std::atoi(id.c_str()));
    return control ? true : Fail("window '" + caption + "' has no control " + id);
}

// press, click-button, settext and expect-text: CAPTION ID [TEXT] [TIMEOUT-MS].
bool Runner::ControlCommand(const std::string& command, const Args& a)
{
    const bool withText = command == "settext" || command == "expect-text";
    const DWORD timeout = TimeoutArg(a, withText ? 3 : 2);
    HWND dialog = nullptr, control = nullptr;
    if (!ControlByCaption(a[0], a[1], timeout, dialog, control))
        return false;
    if (command == "press") {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(std::atoi(a[1].c_str()), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
    } else if (command == "click-button") {
        PostMessageW(control, BM_CLICK, 0, 0);
    } else if (command == "settext") {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Utf8ToWide(a[2]).c_str()),
                                 SMTO_NORMAL, timeout, &result))
            return Fail("the control did not take the text in time");
    } else {
        const std::string text = WideToUtf8(WindowText(control));
        return text == a[2] ? true : Fail("control " + a[1] + " shows '" + text + "'");
    }
    return SyncOr("the window did not handle the command in time");
}

// Waits until control ID of the window is hidden (a progress bar that goes
// away when the work it shows is done).
bool Runner::WaitHidden(const std::string& caption, const std::string& id, DWORD timeout)
{
    HWND dialog = nullptr, control = nullptr;
    if (!ControlByCaption(caption, id, timeout, dialog, control))
        return false;
    if (WaitFor([control] { return IsWindowVisible(control) ? nullptr : HWND(1); }, timeout) == nullptr)
        return Fail("control " + id + " is still shown");
    return SyncOr("the host did not go on");
}

// Any process's window counts: a dialog may belong to another program.
bool Runner::WaitGone(const std::string& caption, DWORD timeout)
{
    const std::wstring wanted = Utf8ToWide(caption);
    const bool gone = WaitFor(
        [&wanted] {
            const HWND shown = FirstWindow(
                [&wanted](HWND hwnd) { return IsWindowVisible(hwnd) && CaptionMatches(WindowText(hwnd), wanted); });
            return shown ? nullptr : HWND(1);
        },
        timeout);
    return gone ? true : Fail("window '" + caption + "' is still there");
}

bool Runner::CloseWindow(const std::string& caption, DWORD timeout)
{
    HWND target = nullptr;
    if (!WindowByCaption(caption, timeout, target))
        return false;
    PostMessageW(target, WM_CLOSE, 0, 0);
    if (WaitFor([target] { return GoneOrHidden(target); }, timeout) == nullptr)
        return Fail("window '" + caption + "' did not close");
    return SyncOr("the host did not go on after the window closed");
}

// A real click on the window's close box; waits until the window is gone
// (closing the main window ends walkhost).
bool Runner::CloseBox(const std::string& caption, DWORD timeout)
{
    HWND target = nullptr;
    if (!WindowByCaption(caption, timeout, target))
        return false;
    POINT centre{};
    if (!CloseBoxCentre(target, centre))
        return Fail("window '" + caption + "' has no close box");
    if (GetAncestor(WindowFromPoint(centre), GA_ROOT) != target)
        return Fail("another window covers the close box of '" + caption + "'");
    ClickScreen(centre);
    if (WaitFor([target] { return GoneOrHidden(target); }, timeout) == nullptr)
        return Fail("window '" + caption + "' did not close");
    return SyncOr("the host did not go on after the window closed");
}

bool Runner::ChooseMenuItem(const std::string& text, DWORD timeout)
{
    HWND menuWindow = WaitFor(FindPopupMenu, timeout);
    if (!menuWindow)
        return Fail("no popup menu within " + std::to_string(timeout) + " ms");
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0, SMTO_NORMAL, timeout, &result) || !result)
        return Fail("the popup menu did not tell its menu");
    HMENU menu = reinterpret_cast<HMENU>(result);
    const std::wstring wanted = PlainMenuText(Utf8ToWide(text));
    const int count = GetMenuItemCount(menu);
    std::string seen;
    for (int i = 0; i < count; ++i) {
        wchar_t buffer[256] = L"";
        GetMenuStringW(menu, static_cast<UINT>(i), buffer, 256, MF_BYPOSITION);
        const std::wstring item = PlainMenuText(buffer);
        if (!item.empty())
            seen += (seen.empty() ? "'" : ", '") + WideToUtf8(item) + "'";
        if (item != wanted)
            continue;
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED))
            return Fail("menu item '" + text + "' is disabled");
        RECT rc;
        if (!GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &rc))
            return Fail("menu item '" + text + "' has no place on the screen");
        // A real click on the item: the menu's own loop takes it. Another
        // program's window opening over the menu would take the click, so
        // the menu is raised and the click waits (up to 2 s) until the
        // menu is the window under the cursor; and while the menu stays
        // open after a click, the click was lost and is made again (three
        // clicks in all).
        const POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        for (int click = 0; click < 3; ++click) {
            SetCursorPos(centre.x, centre.y);
            for (int attempt = 0; attempt < 20; ++attempt) {
                SetWindowPos(menuWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                Sleep(30);
                if (WindowFromPoint(centre) == menuWindow)
                    break;
                Sleep(70);
            }
            PressLeftButton();
            if (WaitFor([] { return FindPopupMenu() ? nullptr : HWND(1); }, std::max<DWORD>(timeout / 3, 1000)))
                return SyncOr("the host did not handle the menu command in time");
        }
        return Fail("the popup menu did not close after choosing '" + text + "'");
    }
    return Fail("the popup menu has no item '" + text + "' (it has " + seen + ")");
}

// A real click on an item of the main window's menu bar, which opens its
// popup for `menu` (a click that opened nothing is made again).
bool Runner::ChooseMenuBarItem(const std::string& text, DWORD timeout)
{
    const HMENU bar = GetMenu(MainWindow());
    const std::wstring wanted = PlainMenuText(Utf8ToWide(text));
    const int count = bar ? GetMenuItemCount(bar) : 0;
    for (int i = 0; i < count; ++i) {
        wchar_t buffer[256] = L"";
        GetMenuStringW(bar, static_cast<UINT>(i), buffer, 256, MF_BYPOSITION);
        if (PlainMenuText(buffer) != wanted)
            continue;
        RECT rc;
        if (!GetMenuItemRect(MainWindow(), bar, static_cast<UINT>(i), &rc))
            return Fail("menu bar item '" + text + "' has no place on the screen");
        const POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        for (int click = 0; click < 3; ++click) {
            ClickScreen(centre);
            if (WaitFor(FindPopupMenu, std::max<DWORD>(timeout / 3, 1000)))
                return true;
        }
        return Fail("menu bar item '" + text + "' opened no menu");
    }
    return Fail("the menu bar has no item '" + text + "'");
}

bool Runner::AnswerMessageBox(const std::string& button, const std::string& expected, DWORD timeout)
{
    static const std::pair<const char*, int> kButtons[] = {{"OK", IDOK},       {"Cancel", IDCANCEL}, {"Abort", IDABORT},
                                                           {"Retry", IDRETRY}, {"Ignore", IDIGNORE}, {"Yes", IDYES},
                                                           {"No", IDNO}};
    int id = 0;
    for (const auto& b : kButtons)
        if (_stricmp(b.first, button.c_str()) == 0)
            id = b.second;
    if (!id)
        return Fail("unknown button '" + button + "' (OK, Cancel, Abort, Retry, Ignore, Yes, No)");
    HWND box = WaitFor(FindMessageBox, timeout);
    if (!box)
        return Fail("no message box within " + std::to_string(timeout) + " ms");
    const std::string caption = WideToUtf8(WindowText(box));
    const std::string text = WideToUtf8(WindowText(GetDlgItem(box, 0xFFFF)));
    Log("  message box \"" + caption + "\": " + text);
    if (!expected.empty() && text.find(expected) == std::string::npos && caption.find(expected) == std::string::npos)
        return Fail("the message box does not say '" + expected + "'");
    HWND control = GetDlgItem(box, id);
    if (!control)
        return Fail("the message box has no " + button + " button");
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    if (WaitFor([box] { return GoneOrHidden(box); }, timeout) == nullptr)
        return Fail("the message box did not close");
    return SyncOr("the host did not go on after the message box");
}

}  // namespace walkhost
