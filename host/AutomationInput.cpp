// The script commands that type and click: mouse clicks on a surface or a
// point of the 3D view (posted to the main window), keys posted to a window
// (`key`) and keys typed through the system's input queue (`type-keys`).
#include "AutomationRunner.h"

#include "HostApp.h"
#include "MainWindow.h"
#include "WinText.h"

#include <cctype>
#include <cstdlib>
#include <memory>

namespace walkhost {
namespace {

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

bool Runner::ClickAt(int x, int y, UINT down, UINT up, WPARAM flags)
{
    const LPARAM point = MAKELPARAM(x, y);
    PostMessageW(MainWindow(), WM_MOUSEMOVE, 0, point);
    PostMessageW(MainWindow(), down, flags, point);
    if (!Sync())
        return Fail("the host did not handle the click in time");
    // A popup menu opened by the button-down is tracking the button now:
    // its release lands on no item, as with a real mouse, so it is not sent.
    if (up && !FindPopupMenu()) {
        PostMessageW(MainWindow(), up, 0, point);
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

// key CAPTION KEY [ID] [TIMEOUT-MS]: the key posted to the window, or to its
// control ID, so it goes through the host's message loop and the plug-in's
// keyboard hook, as typed keys do.
bool Runner::PostKey(const Args& a)
{
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
    HWND window = nullptr, target = nullptr;
    const DWORD timeout = TimeoutArg(a, 3);
    if (a.size() > 2 && std::atoi(a[2].c_str()) != 0) {
        if (!ControlByCaption(a[0], a[2], timeout, window, target))
            return false;
    } else if (!WindowByCaption(a[0], timeout, target)) {
        return false;
    }
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
    return SyncOr("the host did not handle the key in time");
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

}  // namespace walkhost
