#include "Automation.h"

#include "HostApp.h"
#include "Image.h"
#include "MainWindow.h"
#include "Script.h"
#include "WinText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

namespace walkhost {
namespace {

constexpr DWORD kDefaultTimeout = 10000;
constexpr double kPi = 3.14159265358979323846;

struct Signal {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Signal() { CloseHandle(event); }
};

class Runner {
public:
    Runner(HWND window, std::wstring script, std::wstring log, std::wstring notice)
        : window_(window), scriptPath_(std::move(script)), logPath_(std::move(log)), notice_(std::move(notice)) {}

    int Run();

private:
    using Args = std::vector<std::string>;

    void Log(const std::string& line);
    bool Fail(const std::string& why)
    {
        error_ = why;
        return false;
    }
    bool Execute(const ScriptCommand& command);

    // Runs fn on the UI thread and waits for it (also while the UI thread is
    // inside a modal loop, which dispatches posted messages).
    bool OnUi(std::function<void()> fn, DWORD timeout = kDefaultTimeout);
    // Waits until the UI thread has handled everything posted before.
    bool Sync(DWORD timeout = kDefaultTimeout) { return OnUi([] {}, timeout); }

    bool SurfaceHandle(const std::string& name, unsigned& surface);
    bool ClickSurface(const std::string& name, UINT down, UINT up, WPARAM flags);
    bool ClickAt(int x, int y, UINT down, UINT up, WPARAM flags);
    bool WindowByCaption(const std::string& caption, DWORD timeout, HWND& found);
    bool ChooseMenuItem(const std::string& text, DWORD timeout);
    bool AnswerMessageBox(const std::string& button, const std::string& expected, DWORD timeout);
    bool TypeKeys(const std::string& caption, const Args& words);
    bool Screenshot(const std::string& file, bool wholeScreen);
    bool Dump(const std::string& file);
    bool ExpectMaterial(const Args& args);

    HWND window_;
    std::wstring scriptPath_;
    std::wstring logPath_;
    std::wstring notice_;
    HANDLE logFile_ = INVALID_HANDLE_VALUE;
    std::string error_;
};

DWORD TimeoutArg(const std::vector<std::string>& args, size_t index)
{
    return args.size() > index ? static_cast<DWORD>(std::strtoul(args[index].c_str(), nullptr, 10)) : kDefaultTimeout;
}

bool Number(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value);
}

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

// A menu item's text without its '&' marks and its accelerator part.
std::wstring PlainMenuText(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'\t')
            break;
        if (c != L'&')
            out += c;
    }
    return out;
}

// The message box of this process that is showing, or null. A message box
// is a dialog (#32770) with the message text in static control 0xFFFF.
HWND FindMessageBox()
{
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            if (OwnWindow(hwnd) && ClassOf(hwnd) == L"#32770" && GetDlgItem(hwnd, 0xFFFF)) {
                reinterpret_cast<Search*>(lp)->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindPopupMenu()
{
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            if (OwnWindow(hwnd) && ClassOf(hwnd) == L"#32768") {
                reinterpret_cast<Search*>(lp)->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A real left click at a point of the screen, through the input queue.
void ClickScreen(POINT at)
{
    SetCursorPos(at.x, at.y);
    Sleep(30);
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &input[0], sizeof(INPUT));
    Sleep(30);
    SendInput(1, &input[1], sizeof(INPUT));
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

template <class Find>
HWND WaitFor(Find find, DWORD timeout)
{
    const ULONGLONG end = GetTickCount64() + timeout;
    for (;;) {
        if (HWND hwnd = find())
            return hwnd;
        if (GetTickCount64() >= end)
            return nullptr;
        Sleep(50);
    }
}


// Whether wnd is owner or a window owned by it, directly or not.
bool OwnedBy(HWND wnd, HWND owner)
{
    for (; wnd; wnd = GetWindow(wnd, GW_OWNER))
        if (wnd == owner)
            return true;
    return false;
}

// One keystroke of type-keys: a virtual key, or a character the keyboard
// layout has no key for (typed as a Unicode packet), with the modifiers
// held around it.
struct Keystroke {
    WORD key = 0;
    wchar_t character = 0;
    bool ctrl = false;
    bool alt = false;
    bool shift = false;
};

WORD NamedKey(const std::string& name)
{
    static const std::pair<const char*, WORD> kNames[] = {
        {"escape", VK_ESCAPE}, {"esc", VK_ESCAPE},      {"enter", VK_RETURN},   {"return", VK_RETURN},
        {"tab", VK_TAB},       {"space", VK_SPACE},     {"backspace", VK_BACK}, {"delete", VK_DELETE},
        {"insert", VK_INSERT}, {"up", VK_UP},           {"down", VK_DOWN},      {"left", VK_LEFT},
        {"right", VK_RIGHT},   {"home", VK_HOME},       {"end", VK_END},        {"pageup", VK_PRIOR},
        {"pagedown", VK_NEXT}};
    for (const auto& k : kNames)
        if (_stricmp(k.first, name.c_str()) == 0)
            return k.second;
    if (name.size() >= 2 && name.size() <= 3 && (name[0] == 'f' || name[0] == 'F')) {
        const int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12 && std::to_string(n) == name.substr(1))
            return static_cast<WORD>(VK_F1 + n - 1);
    }
    return 0;
}

// The key that types c on the current layout, with the shift it needs.
Keystroke CharacterStroke(wchar_t c)
{
    Keystroke stroke;
    const SHORT scan = c < 0x80 ? VkKeyScanW(c) : SHORT(-1);
    if (scan == -1 || (HIBYTE(scan) & ~1) != 0) {
        stroke.character = c;
    } else {
        stroke.key = LOBYTE(scan);
        stroke.shift = (HIBYTE(scan) & 1) != 0;
    }
    return stroke;
}

// A type-keys word: a key name or a single character, either with
// modifiers ("ctrl+g", "alt+space", "shift+tab"), or else text typed
// character by character ("12", "演示").
bool ParseKeyWord(const std::string& word, std::vector<Keystroke>& strokes)
{
    Keystroke chord;
    std::string rest = word;
    for (;;) {
        const size_t plus = rest.find('+');
        if (plus == std::string::npos || plus == 0 || plus + 1 == rest.size())
            break;
        const std::string modifier = rest.substr(0, plus);
        if (_stricmp(modifier.c_str(), "ctrl") == 0 || _stricmp(modifier.c_str(), "control") == 0)
            chord.ctrl = true;
        else if (_stricmp(modifier.c_str(), "alt") == 0)
            chord.alt = true;
        else if (_stricmp(modifier.c_str(), "shift") == 0)
            chord.shift = true;
        else
            break;
        rest = rest.substr(plus + 1);
    }
    const bool modified = chord.ctrl || chord.alt || chord.shift;
    if (const WORD named = NamedKey(rest)) {
        chord.key = named;
        strokes.push_back(chord);
        return true;
    }
    const std::wstring text = Utf8ToWide(rest);
    if (modified) {
        // A modifier goes with one key: a letter or digit names its key.
        if (text.size() != 1)
            return false;
        const Keystroke key = CharacterStroke(text[0]);
        if (!key.key)
            return false;
        chord.key = key.key;
        chord.shift = chord.shift || key.shift;
        strokes.push_back(chord);
        return true;
    }
    if (text.empty())
        return false;
    for (wchar_t c : text)
        strokes.push_back(CharacterStroke(c));
    return true;
}

bool ExtendedKey(WORD key)
{
    switch (key) {
    case VK_UP: case VK_DOWN: case VK_LEFT: case VK_RIGHT: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_INSERT: case VK_DELETE:
        return true;
    default:
        return false;
    }
}

INPUT KeyInput(WORD key, wchar_t character, bool up)
{
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    if (character) {
        input.ki.wScan = character;
        input.ki.dwFlags = KEYEVENTF_UNICODE;
    } else {
        input.ki.wVk = key;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        if (ExtendedKey(key))
            input.ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
    }
    if (up)
        input.ki.dwFlags |= KEYEVENTF_KEYUP;
    return input;
}

// Key down and up events for a stroke, the modifiers pressed before the key
// and released after it, as fingers on a keyboard do.
std::vector<INPUT> StrokeInputs(const Keystroke& stroke)
{
    std::vector<WORD> modifiers;
    if (stroke.ctrl)
        modifiers.push_back(VK_CONTROL);
    if (stroke.alt)
        modifiers.push_back(VK_MENU);
    if (stroke.shift)
        modifiers.push_back(VK_SHIFT);
    std::vector<INPUT> inputs;
    for (WORD m : modifiers)
        inputs.push_back(KeyInput(m, 0, false));
    inputs.push_back(KeyInput(stroke.key, stroke.character, false));
    inputs.push_back(KeyInput(stroke.key, stroke.character, true));
    for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m)
        inputs.push_back(KeyInput(*m, 0, true));
    return inputs;
}

}  // namespace

void Runner::Log(const std::string& line)
{
    const std::string text = line + "\r\n";
    DWORD wrote = 0;
    if (logFile_ != INVALID_HANDLE_VALUE) {
        WriteFile(logFile_, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
        FlushFileBuffers(logFile_);
    } else {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

bool Runner::OnUi(std::function<void()> fn, DWORD timeout)
{
    auto done = std::make_shared<Signal>();
    PostToUi(window_, [done, fn] {
        fn();
        SetEvent(done->event);
    });
    return WaitForSingleObject(done->event, timeout) == WAIT_OBJECT_0;
}

bool Runner::SurfaceHandle(const std::string& name, unsigned& surface)
{
    auto result = std::make_shared<unsigned>(0);
    if (!OnUi([result, name] { *result = App().scene.FindSurface(name); }))
        return Fail("the host did not answer");
    surface = *result;
    return surface ? true : Fail("no surface named '" + name + "'");
}

bool Runner::ClickAt(int x, int y, UINT down, UINT up, WPARAM flags)
{
    const LPARAM point = MAKELPARAM(x, y);
    PostMessageW(window_, WM_MOUSEMOVE, 0, point);
    PostMessageW(window_, down, flags, point);
    if (!Sync())
        return Fail("the host did not handle the click in time");
    // A popup menu opened by the button-down is tracking the button now:
    // its release lands on no item, as with a real mouse, so it is not sent.
    if (up && !FindPopupMenu()) {
        PostMessageW(window_, up, 0, point);
        if (!Sync())
            return Fail("the host did not handle the button release in time");
    }
    return true;
}

bool Runner::ClickSurface(const std::string& name, UINT down, UINT up, WPARAM flags)
{
    unsigned surface = 0;
    if (!SurfaceHandle(name, surface))
        return false;
    auto point = std::make_shared<POINT>();
    auto visible = std::make_shared<bool>(false);
    if (!OnUi([=] { *visible = App().VisiblePoint(surface, *point); }))
        return Fail("the host did not answer");
    if (!*visible)
        return Fail("surface '" + name + "' is not visible in the view");
    Log("  at " + std::to_string(point->x) + "," + std::to_string(point->y));
    if (down == WM_LBUTTONDBLCLK) {
        return ClickAt(point->x, point->y, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON) &&
               ClickAt(point->x, point->y, WM_LBUTTONDBLCLK, WM_LBUTTONUP, MK_LBUTTON);
    }
    return ClickAt(point->x, point->y, down, up, flags);
}

namespace {

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

}  // namespace

bool Runner::WindowByCaption(const std::string& caption, DWORD timeout, HWND& found)
{
    const std::wstring wanted = Utf8ToWide(caption);
    struct Search {
        std::wstring wanted;
        HWND found = nullptr;
    };
    found = WaitFor(
        [&wanted] {
            Search search{wanted};
            EnumWindows(
                [](HWND hwnd, LPARAM lp) -> BOOL {
                    auto* s = reinterpret_cast<Search*>(lp);
                    if (OwnWindow(hwnd) && CaptionMatches(WindowText(hwnd), s->wanted)) {
                        s->found = hwnd;
                        return FALSE;
                    }
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&search));
            return search.found;
        },
        timeout);
    return found ? true : Fail("no window with the caption '" + caption + "' within " + std::to_string(timeout) + " ms");
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
            INPUT input[2] = {};
            input[0].type = input[1].type = INPUT_MOUSE;
            input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
            input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
            SendInput(1, &input[0], sizeof(INPUT));
            Sleep(30);
            SendInput(1, &input[1], sizeof(INPUT));
            if (WaitFor([] { return FindPopupMenu() ? nullptr : HWND(1); }, std::max<DWORD>(timeout / 3, 1000)))
                return Sync() ? true : Fail("the host did not handle the menu command in time");
        }
        return Fail("the popup menu did not close after choosing '" + text + "'");
    }
    return Fail("the popup menu has no item '" + text + "' (it has " + seen + ")");
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
    if (WaitFor([box] { return IsWindow(box) && IsWindowVisible(box) ? nullptr : HWND(1); }, timeout) == nullptr)
        return Fail("the message box did not close");
    return Sync() ? true : Fail("the host did not go on after the message box");
}

bool Runner::TypeKeys(const std::string& caption, const Args& words)
{
    std::vector<Keystroke> strokes;
    for (const std::string& word : words)
        if (!ParseKeyWord(word, strokes))
            return Fail("cannot type '" + word + "'");
    HWND target = nullptr;
    if (!WindowByCaption(caption, kDefaultTimeout, target))
        return false;
    // The window is activated by the thread it belongs to, so the system
    // lets it come to the foreground; the keys then go to its focus.
    // A popup the window owns (a drop-down) keeps the activation.
    auto active = std::make_shared<bool>(false);
    const ULONGLONG activationEnd = GetTickCount64() + 2000;
    do {
        if (!OnUi([target, active] {
                if (!OwnedBy(GetForegroundWindow(), target)) {
                    if (IsIconic(target))
                        ShowWindow(target, SW_RESTORE);
                    SetForegroundWindow(target);
                    SetActiveWindow(target);
                }
                *active = OwnedBy(GetForegroundWindow(), target);
            }))
            return Fail("the host did not answer");
        if (!*active)
            Sleep(50);
    } while (!*active && GetTickCount64() < activationEnd);
    if (!*active)
        return Fail("window '" + caption + "' could not be brought to the foreground");
    for (const Keystroke& stroke : strokes) {
        std::vector<INPUT> inputs = StrokeInputs(stroke);
        if (SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) != inputs.size())
            return Fail("the system did not take the keys");
        // The keys wait in the input queue behind posted messages: handled
        // once the UI thread finds no input left, twice in a row.
        int empty = 0;
        const ULONGLONG end = GetTickCount64() + kDefaultTimeout;
        while (empty < 2) {
            auto pending = std::make_shared<bool>(true);
            if (!OnUi([pending] { *pending = HIWORD(GetQueueStatus(QS_INPUT)) != 0; }))
                return Fail("the host did not handle the keys in time");
            empty = *pending ? 0 : empty + 1;
            if (GetTickCount64() >= end)
                return Fail("the host did not handle the keys in time");
            Sleep(20);
        }
    }
    return Sync() ? true : Fail("the host did not handle the keys in time");
}

bool Runner::Screenshot(const std::string& file, bool wholeScreen)
{
    auto image = std::make_shared<Image>();
    if (wholeScreen) {
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        Sync();
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap && bits) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
            GdiFlush();
            image->width = w;
            image->height = h;
            const auto* p = static_cast<const uint32_t*>(bits);
            image->pixels.assign(p, p + static_cast<size_t>(w) * h);
            SelectObject(memory, old);
            DeleteObject(bitmap);
        }
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    } else if (!OnUi([image] { App().CaptureView(*image); })) {
        return Fail("the host did not answer");
    }
    if (image->pixels.empty())
        return Fail("nothing to capture");
    if (!WriteWholeFile(Utf8ToWide(file), EncodeForName(*image, file)))
        return Fail("cannot write '" + file + "'");
    Log("  " + std::to_string(image->width) + "x" + std::to_string(image->height) + " written to " + file);
    return true;
}

bool Runner::Dump(const std::string& file)
{
    auto text = std::make_shared<std::string>();
    if (!OnUi([text] {
            const Scene& scene = App().scene;
            std::ostringstream out;
            out << "# handle\tname\tr g b\tmap\tsurfaces\n";
            for (unsigned m = 1; m <= scene.MaterialCount(); ++m) {
                const Material* material = scene.GetMaterial(m);
                char rgb[64];
                std::snprintf(rgb, sizeof(rgb), "%.4f %.4f %.4f", material->record.color[0], material->record.color[1],
                              material->record.color[2]);
                out << m << '\t' << material->name << '\t' << rgb << "\t\""
                    << WideToUtf8(Cp936ToWide(HvString_Text(&material->record.mapFile[0]))) << "\"\t";
                const char* separator = "";
                for (const Surface& s : scene.Surfaces())
                    if (s.material == m) {
                        out << separator << s.name;
                        separator = " ";
                    }
                out << '\n';
            }
            *text = out.str();
        }))
        return Fail("the host did not answer");
    if (!WriteWholeFile(Utf8ToWide(file), std::vector<unsigned char>(text->begin(), text->end())))
        return Fail("cannot write '" + file + "'");
    return true;
}

bool Runner::ExpectMaterial(const Args& args)
{
    double want[3];
    if (args.size() < 4 || !Number(args[1], want[0]) || !Number(args[2], want[1]) || !Number(args[3], want[2]))
        return Fail("usage: expect-material SURFACE R G B [MAP]");
    unsigned surface = 0;
    if (!SurfaceHandle(args[0], surface))
        return false;
    auto color = std::make_shared<std::vector<float>>();
    auto map = std::make_shared<std::string>();
    if (!OnUi([=] {
            const Surface* s = App().scene.GetSurface(surface);
            const Material* m = s ? App().scene.GetMaterial(s->material) : nullptr;
            if (m) {
                color->assign(m->record.color, m->record.color + 3);
                *map = WideToUtf8(Cp936ToWide(HvString_Text(&m->record.mapFile[0])));
            }
        }))
        return Fail("the host did not answer");
    if (color->size() != 3)
        return Fail("surface '" + args[0] + "' has no material");
    char got[96];
    std::snprintf(got, sizeof(got), "%.4f %.4f %.4f", (*color)[0], (*color)[1], (*color)[2]);
    for (int i = 0; i < 3; ++i)
        if (std::fabs((*color)[i] - want[i]) > 0.006)
            return Fail("material of '" + args[0] + "' is " + got + " \"" + *map + "\"");
    if (args.size() > 4 && *map != args[4])
        return Fail("material of '" + args[0] + "' has the map \"" + *map + "\", not \"" + args[4] + "\"");
    return true;
}

bool Runner::Execute(const ScriptCommand& c)
{
    const std::string& n = c.name;
    const Args& a = c.args;
    auto need = [&](size_t count, const char* usage) { return a.size() >= count ? true : Fail(std::string("usage: ") + usage); };

    if (n == "event") {
        if (!need(1, "event NAME [PLUGIN-INDEX]"))
            return false;
        const std::string event = a[0];
        const int index = a.size() > 1 ? std::atoi(a[1].c_str()) : -1;
        PostToUi(window_, [event, index] { App().SendEvent(event.c_str(), index); });
        return Sync() ? true : Fail("the host did not handle the event in time");
    }
    if (n == "click" || n == "rclick" || n == "dblclick") {
        if (!need(1, "click|rclick|dblclick SURFACE"))
            return false;
        if (n == "click")
            return ClickSurface(a[0], WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
        if (n == "rclick")
            return ClickSurface(a[0], WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
        return ClickSurface(a[0], WM_LBUTTONDBLCLK, WM_LBUTTONUP, MK_LBUTTON);
    }
    if (n == "click-at" || n == "rclick-at") {
        if (!need(2, "click-at|rclick-at X Y"))
            return false;
        const int x = std::atoi(a[0].c_str()), y = std::atoi(a[1].c_str());
        return n == "click-at" ? ClickAt(x, y, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON)
                               : ClickAt(x, y, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
    }
    if (n == "select") {
        std::vector<unsigned> surfaces;
        for (const std::string& name : a) {
            unsigned s = 0;
            if (!SurfaceHandle(name, s))
                return false;
            surfaces.push_back(s);
        }
        return OnUi([surfaces] { App().SetSelection(surfaces.data(), static_cast<int>(surfaces.size())); })
                   ? true
                   : Fail("the host did not answer");
    }
    if (n == "clear-selection")
        return OnUi([] { App().ClearSelection(); }) ? true : Fail("the host did not answer");
    if (n == "expect-selection") {
        auto names = std::make_shared<std::string>();
        if (!OnUi([names] {
                for (unsigned s : App().selection)
                    *names += (names->empty() ? "" : " ") + App().scene.GetSurface(s)->name;
            }))
            return Fail("the host did not answer");
        std::string wanted;
        for (const std::string& name : a)
            wanted += (wanted.empty() ? "" : " ") + name;
        return *names == wanted ? true : Fail("the selection is '" + *names + "'");
    }
    if (n == "menu")
        return need(1, "menu ITEM-TEXT [TIMEOUT-MS]") && ChooseMenuItem(a[0], TimeoutArg(a, 1));
    if (n == "main-menu") {
        // A real click on an item of the main window's menu bar, which opens
        // its popup for `menu` (a click that opened nothing is made again).
        if (!need(1, "main-menu ITEM-TEXT [TIMEOUT-MS]"))
            return false;
        const HMENU bar = GetMenu(window_);
        const std::wstring wanted = PlainMenuText(Utf8ToWide(a[0]));
        const int count = bar ? GetMenuItemCount(bar) : 0;
        for (int i = 0; i < count; ++i) {
            wchar_t buffer[256] = L"";
            GetMenuStringW(bar, static_cast<UINT>(i), buffer, 256, MF_BYPOSITION);
            if (PlainMenuText(buffer) != wanted)
                continue;
            RECT rc;
            if (!GetMenuItemRect(window_, bar, static_cast<UINT>(i), &rc))
                return Fail("menu bar item '" + a[0] + "' has no place on the screen");
            const POINT centre{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
            for (int click = 0; click < 3; ++click) {
                ClickScreen(centre);
                if (WaitFor(FindPopupMenu, std::max<DWORD>(TimeoutArg(a, 1) / 3, 1000)))
                    return true;
            }
            return Fail("menu bar item '" + a[0] + "' opened no menu");
        }
        return Fail("the menu bar has no item '" + a[0] + "'");
    }
    if (n == "close-box") {
        // A real click on the window's close box; waits until the window is
        // gone (closing the main window ends walkhost).
        if (!need(1, "close-box CAPTION [TIMEOUT-MS]"))
            return false;
        HWND target = nullptr;
        const DWORD timeout = TimeoutArg(a, 1);
        if (!WindowByCaption(a[0], timeout, target))
            return false;
        POINT centre{};
        if (!CloseBoxCentre(target, centre))
            return Fail("window '" + a[0] + "' has no close box");
        if (GetAncestor(WindowFromPoint(centre), GA_ROOT) != target)
            return Fail("another window covers the close box of '" + a[0] + "'");
        ClickScreen(centre);
        if (WaitFor([target] { return IsWindow(target) && IsWindowVisible(target) ? nullptr : HWND(1); }, timeout) ==
            nullptr)
            return Fail("window '" + a[0] + "' did not close");
        return Sync() ? true : Fail("the host did not go on after the window closed");
    }
    if (n == "press" || n == "click-button" || n == "settext" || n == "expect-text") {
        if (!need(n == "settext" || n == "expect-text" ? 3 : 2, "press|click-button CAPTION ID, settext|expect-text CAPTION ID TEXT"))
            return false;
        HWND dialog = nullptr;
        const DWORD timeout = TimeoutArg(a, n == "settext" || n == "expect-text" ? 3 : 2);
        if (!WindowByCaption(a[0], timeout, dialog))
            return false;
        const int id = std::atoi(a[1].c_str());
        HWND control = GetDlgItem(dialog, id);
        if (!control)
            return Fail("window '" + a[0] + "' has no control " + a[1]);
        if (n == "press")
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        else if (n == "click-button")
            PostMessageW(control, BM_CLICK, 0, 0);
        else if (n == "settext") {
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Utf8ToWide(a[2]).c_str()),
                                     SMTO_NORMAL, timeout, &result))
                return Fail("the control did not take the text in time");
        } else {
            const std::string text = WideToUtf8(WindowText(control));
            if (text != a[2])
                return Fail("control " + a[1] + " shows '" + text + "'");
            return true;
        }
        return Sync() ? true : Fail("the window did not handle the command in time");
    }
    if (n == "wait-hidden") {
        // Waits until control ID of the window is hidden (a progress bar
        // that goes away when the work it shows is done).
        if (!need(2, "wait-hidden CAPTION ID [TIMEOUT-MS]"))
            return false;
        HWND dialog = nullptr;
        const DWORD timeout = TimeoutArg(a, 2);
        if (!WindowByCaption(a[0], timeout, dialog))
            return false;
        HWND control = GetDlgItem(dialog, std::atoi(a[1].c_str()));
        if (!control)
            return Fail("window '" + a[0] + "' has no control " + a[1]);
        if (WaitFor([control] { return IsWindowVisible(control) ? nullptr : HWND(1); }, timeout) == nullptr)
            return Fail("control " + a[1] + " is still shown");
        return Sync() ? true : Fail("the host did not go on");
    }
    if (n == "syscommand") {
        // A system-menu command, as choosing the window's system-menu entry sends it.
        if (!need(2, "syscommand CAPTION ID [TIMEOUT-MS]"))
            return false;
        HWND target = nullptr;
        if (!WindowByCaption(a[0], TimeoutArg(a, 2), target))
            return false;
        PostMessageW(target, WM_SYSCOMMAND, static_cast<WPARAM>(std::strtoul(a[1].c_str(), nullptr, 10)), 0);
        return Sync() ? true : Fail("the window did not handle the command in time");
    }
    if (n == "close-window") {
        if (!need(1, "close-window CAPTION [TIMEOUT-MS]"))
            return false;
        HWND target = nullptr;
        const DWORD timeout = TimeoutArg(a, 1);
        if (!WindowByCaption(a[0], timeout, target))
            return false;
        PostMessageW(target, WM_CLOSE, 0, 0);
        if (WaitFor([target] { return IsWindow(target) && IsWindowVisible(target) ? nullptr : HWND(1); }, timeout) ==
            nullptr)
            return Fail("window '" + a[0] + "' did not close");
        return Sync() ? true : Fail("the host did not go on after the window closed");
    }
    if (n == "key") {
        if (!need(2, "key CAPTION KEY [ID] [TIMEOUT-MS]"))
            return false;
        static const std::pair<const char*, UINT> kKeys[] = {
            {"Escape", VK_ESCAPE}, {"Enter", VK_RETURN}, {"Tab", VK_TAB},     {"Space", VK_SPACE},
            {"Up", VK_UP},         {"Down", VK_DOWN},    {"Left", VK_LEFT},   {"Right", VK_RIGHT},
            {"Home", VK_HOME},     {"End", VK_END},      {"PageUp", VK_PRIOR}, {"PageDown", VK_NEXT},
            {"Delete", VK_DELETE}, {"F1", VK_F1}};
        UINT key = 0;
        for (const auto& k : kKeys)
            if (_stricmp(k.first, a[1].c_str()) == 0)
                key = k.second;
        if (!key && a[1].size() == 1 && std::isalnum(static_cast<unsigned char>(a[1][0])))
            key = static_cast<UINT>(std::toupper(static_cast<unsigned char>(a[1][0])));
        if (!key)
            return Fail("unknown key '" + a[1] + "'");
        HWND target = nullptr;
        if (!WindowByCaption(a[0], TimeoutArg(a, 3), target))
            return false;
        if (a.size() > 2 && std::atoi(a[2].c_str()) != 0) {
            target = GetDlgItem(target, std::atoi(a[2].c_str()));
            if (!target)
                return Fail("window '" + a[0] + "' has no control " + a[2]);
        }
        // Posted, so the key goes through the host's message loop and the
        // plug-in's keyboard hook, as typed keys do.
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        return Sync() ? true : Fail("the host did not handle the key in time");
    }
    if (n == "type-keys") {
        // Keys through the system's input queue, as a keyboard types them.
        if (!need(2, "type-keys CAPTION KEYS..."))
            return false;
        return TypeKeys(a[0], Args(a.begin() + 1, a.end()));
    }
    if (n == "answer")
        return need(1, "answer BUTTON [TEXT-PART] [TIMEOUT-MS]") &&
               AnswerMessageBox(a[0], a.size() > 1 ? a[1] : "", TimeoutArg(a, 2));
    if (n == "wait-window") {
        HWND found = nullptr;
        return need(1, "wait-window CAPTION [TIMEOUT-MS]") && WindowByCaption(a[0], TimeoutArg(a, 1), found);
    }
    if (n == "wait-gone") {
        if (!need(1, "wait-gone CAPTION [TIMEOUT-MS]"))
            return false;
        const std::wstring wanted = Utf8ToWide(a[0]);
        const bool gone = WaitFor(
            [&wanted] {
                struct Search {
                    const std::wstring* wanted;
                    bool shown = false;
                } search{&wanted};
                EnumWindows(
                    [](HWND hwnd, LPARAM lp) -> BOOL {
                        auto* s = reinterpret_cast<Search*>(lp);
                        if (IsWindowVisible(hwnd) && CaptionMatches(WindowText(hwnd), *s->wanted)) {
                            s->shown = true;
                            return FALSE;
                        }
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&search));
                return search.shown ? nullptr : HWND(1);
            },
            TimeoutArg(a, 1));
        return gone ? true : Fail("window '" + a[0] + "' is still there");
    }
    if (n == "sleep") {
        Sleep(a.empty() ? 100 : static_cast<DWORD>(std::strtoul(a[0].c_str(), nullptr, 10)));
        return true;
    }
    if (n == "screenshot")
        return need(1, "screenshot FILE [view|screen]") && Screenshot(a[0], a.size() > 1 && a[1] == "screen");
    if (n == "dump")
        return need(1, "dump FILE") && Dump(a[0]);
    if (n == "expect-material")
        return ExpectMaterial(a);
    if (n == "expect-plugins") {
        if (!need(1, "expect-plugins COUNT"))
            return false;
        auto count = std::make_shared<size_t>(0);
        if (!OnUi([count] {
                for (const LoadedPlugin& p : App().plugins.Plugins())
                    *count += p.table ? 1 : 0;
            }))
            return Fail("the host did not answer");
        return *count == std::strtoul(a[0].c_str(), nullptr, 10) ? true
                                                                 : Fail(std::to_string(*count) + " plug-ins registered");
    }
    if (n == "expect-empty") {
        auto empty = std::make_shared<bool>(false);
        if (!need(1, "expect-empty 0|1") || !OnUi([empty] { *empty = App().scene.Empty(); }))
            return false;
        return *empty == (a[0] == "1") ? true : Fail(*empty ? "the scene is empty" : "the scene is not empty");
    }
    if (n == "open" || n == "open-bad") {
        if (!need(1, "open|open-bad FILE"))
            return false;
        const std::wstring path = Utf8ToWide(a[0]);
        PostToUi(window_, [path] {
            // lastLoadError is set before a failure's message box shows.
            App().lastLoadError = "(loading)";
            App().OpenModel(path, true);
        });
        if (!Sync())
            return Fail("the host did not handle the load in time");
        auto error = std::make_shared<std::string>();
        OnUi([error] { *error = App().lastLoadError; });
        const bool loaded = error->empty();
        if (!loaded)
            Log("  load failed: " + *error);
        auto problems = std::make_shared<std::vector<std::string>>();
        OnUi([problems] { *problems = App().textureProblems; });
        for (const std::string& problem : *problems)
            Log("  texture not drawn: " + problem);
        if (n == "open")
            return loaded ? true : Fail("the model was not loaded: " + *error);
        return !loaded ? true : Fail("the model was loaded");
    }
    if (n == "menu-command") {
        if (!need(1, "menu-command ID"))
            return false;
        PostMessageW(window_, WM_COMMAND, MAKEWPARAM(std::atoi(a[0].c_str()), 0), 0);
        return Sync() ? true : Fail("the host did not handle the command in time");
    }
    if (n == "syscommand") {
        if (!need(2, "syscommand CAPTION ID [TIMEOUT-MS]"))
            return false;
        HWND target = nullptr;
        if (!WindowByCaption(a[0], TimeoutArg(a, 2), target))
            return false;
        // As if chosen in the window's system menu.
        PostMessageW(target, WM_SYSCOMMAND, static_cast<WPARAM>(std::atoi(a[1].c_str())), 0);
        return Sync() ? true : Fail("the window did not handle the command in time");
    }
    if (n == "close-scene")
        return OnUi([] { App().CloseScene(); }) ? true : Fail("the host did not answer");
    if (n == "camera") {
        double v[5];
        if (a.size() < 5 || !Number(a[0], v[0]) || !Number(a[1], v[1]) || !Number(a[2], v[2]) || !Number(a[3], v[3]) ||
            !Number(a[4], v[4]))
            return Fail("usage: camera X Y Z YAW-DEGREES PITCH-DEGREES");
        return OnUi([v] {
            Camera& cam = App().camera;
            cam.position = Vec3(v[0], v[1], v[2]);
            cam.yaw = v[3] * kPi / 180;
            cam.pitch = v[4] * kPi / 180;
            App().RedrawNow();
        });
    }
    if (n == "walk" || n == "turn" || n == "look") {
        double v = 0;
        if (a.empty() || !Number(a[0], v))
            return Fail("usage: walk METRES | turn DEGREES | look DEGREES");
        return OnUi([n, v] {
            Camera& cam = App().camera;
            if (n == "walk")
                cam.Walk(v);
            else if (n == "turn")
                cam.Turn(v * kPi / 180);
            else
                cam.Look(v * kPi / 180);
            App().RedrawNow();
        });
    }
    if (n == "frames") {
        const int count = a.empty() ? 100 : std::max(1, std::atoi(a[0].c_str()));
        auto fps = std::make_shared<double>(0);
        auto size = std::make_shared<std::string>();
        if (!OnUi(
                [count, fps, size] {
                    HostApp& app = App();
                    const Camera saved = app.camera;
                    LARGE_INTEGER frequency, start, stop;
                    QueryPerformanceFrequency(&frequency);
                    QueryPerformanceCounter(&start);
                    for (int i = 0; i < count; ++i) {
                        app.camera.Turn(2 * kPi / count);
                        app.Invalidate();
                        RedrawWindow(app.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                        GdiFlush();
                    }
                    QueryPerformanceCounter(&stop);
                    app.camera = saved;
                    app.RedrawNow();
                    const double seconds = double(stop.QuadPart - start.QuadPart) / double(frequency.QuadPart);
                    *fps = seconds > 0 ? count / seconds : 0;
                    *size = std::to_string(app.camera.width) + "x" + std::to_string(app.camera.height);
                },
                600000))
            return Fail("the frames did not finish in time");
        char line[128];
        std::snprintf(line, sizeof(line), "  %d frames at %s: %.1f frames per second", count, size->c_str(), *fps);
        Log(line);
        return true;
    }
    if (n == "log") {
        std::string text;
        for (const std::string& word : a)
            text += (text.empty() ? "" : " ") + word;
        Log("  " + text);
        return true;
    }
    return Fail("unknown command '" + n + "'");
}

int Runner::Run()
{
    if (!logPath_.empty())
        logFile_ = CreateFileW(logPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!notice_.empty())
        Log(WideToUtf8(notice_));
    std::vector<unsigned char> bytes;
    std::vector<ScriptCommand> commands;
    std::string parseError;
    int status = 0;
    if (!ReadWholeFile(scriptPath_, bytes)) {
        Log("script: cannot read " + WideToUtf8(scriptPath_));
        status = 2;
    } else if (!ParseScript(std::string(bytes.begin(), bytes.end()), commands, parseError)) {
        Log("script: " + parseError);
        status = 2;
    } else {
        size_t passed = 0;
        for (const ScriptCommand& c : commands) {
            std::string line = "line " + std::to_string(c.line) + ": " + c.name;
            for (const std::string& arg : c.args)
                line += " " + arg;
            Log(line);
            error_.clear();
            bool ok = false;
            try {
                ok = Execute(c);
            } catch (...) {
                error_ = "internal error";
            }
            if (!ok) {
                Log("FAILED line " + std::to_string(c.line) + ": " + (error_.empty() ? "the host did not answer" : error_));
                status = 1;
                break;
            }
            ++passed;
        }
        Log("script: " + std::to_string(passed) + " of " + std::to_string(commands.size()) + " steps passed");
    }
    if (logFile_ != INVALID_HANDLE_VALUE)
        CloseHandle(logFile_);
    return status;
}

void StartScript(HWND mainWindow, const std::wstring& scriptPath, const std::wstring& logPath,
                 const std::wstring& startupNotice)
{
    std::thread([mainWindow, scriptPath, logPath, startupNotice] {
        Runner runner(mainWindow, scriptPath, logPath, startupNotice);
        const int status = runner.Run();
        PostToUi(mainWindow, [status] {
            App().exitCode = status;
            DestroyWindow(App().window);
        });
        // A modal loop that never returns (an unanswered dialog) must not keep
        // walkhost alive: the status is final.
        Sleep(10000);
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    }).detach();
}

}  // namespace walkhost
