// A plug-in for walkhost's tests: binds every host function by name from the
// executable that loaded it (refusing to load if one is missing), registers
// its callbacks and writes what it receives, and what the host answers, to
// the file named by WALKHOST_TESTPLUGIN_LOG.
#include "plugin/HostInterface.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

#define TG_POINTER(name) decltype(&name) p_##name = nullptr;
HV_FOR_EACH_EXPORT(TG_POINTER)
#undef TG_POINTER

int mouseMoves = 0;

void Log(const std::string& line)
{
    wchar_t path[1024] = L"";
    if (!GetEnvironmentVariableW(L"WALKHOST_TESTPLUGIN_LOG", path, 1024))
        return;
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    const std::string text = line + "\n";
    DWORD wrote = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
    CloseHandle(file);
}

HWND HostWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            if (IsWindowVisible(hwnd) && GetMenu(hwnd)) {
                *reinterpret_cast<HWND*>(lp) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void Paint(unsigned surface, float r, float g, float b, const char* map)
{
    const unsigned material = p_HV_GetMaterialHandle(surface);
    OriginalMaterial m;
    p_HV_GetMaterial(material, &m);
    m.color[0] = r;
    m.color[1] = g;
    m.color[2] = b;
    m.mapFile[0] = map;
    m.mapFile[5] = "bump.bmp";  // members the host does not draw are carried along
    m.params1[3] = 77;
    m.triples[5][2] = -9;
    m.vector.x = 1.5;
    OriginalMaterial copy = m;  // held and copied by value through the host's string
    p_HV_SetMaterial(material, &copy);
    p_HV_CalculateSurfaceColor();
    p_HV_Redraw();
}

std::string Utf8(const wchar_t* text)
{
    char buffer[512] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

// A small window with an edit box (100) and a button (101), for the script
// commands that drive windows by caption and control id.
LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, hwnd,
                        reinterpret_cast<HMENU>(100), nullptr, nullptr);
        CreateWindowExW(0, L"BUTTON", L"Press", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 40, 80, 24, hwnd,
                        reinterpret_cast<HMENU>(101), nullptr, nullptr);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wp) == 101 && HIWORD(wp) == BN_CLICKED) {
            wchar_t text[128] = L"";
            GetDlgItemTextW(hwnd, 100, text, 128);
            Log("button " + Utf8(text));
        }
        return 0;
    case WM_KEYDOWN:
        Log("key " + std::to_string(wp));
        return 0;
    case WM_CLOSE:
        Log("close");
        DestroyWindow(hwnd);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

void OpenTestWindow()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WalkhostTestPluginWindow";
    RegisterClassW(&wc);
    CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"Test window", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 50,
                    240, 120, HostWindow(), nullptr, wc.hInstance, nullptr);
}

void OnEvent(const char* event)
{
    const std::string name = event ? event : "(null)";
    Log("event " + name);
    if (name == "go" || name == "empty?") {
        Log("empty " + std::to_string(p_HV_SceneEmpty()));
    } else if (name == "strings") {
        HvString a;
        a = "\xC7\xEB\xC8\xB7\xC8\xCF abc";  // code page 936 bytes
        HvString b(a);
        HvString c;
        c = b;
        a = "";
        Log("strings " + std::to_string(b.GetLength()) + " " + std::to_string(c.Text() == std::string(b.Text())) + " " +
            std::to_string(a.GetLength()) + " " + std::to_string(a.Text() != nullptr));
    } else if (name == "hsv") {
        double h = -1, s = -1, v = -1, r = -1, g = -1, bl = -1;
        p_HV_RgbToHsv(0, 0.5, 1, &h, &s, &v);
        p_HV_HsvToRgb(h, s, v, &r, &g, &bl);
        char line[160];
        std::snprintf(line, sizeof(line), "hsv %.1f %.2f %.2f rgb %.2f %.2f %.2f", h, s, v, r, g, bl);
        Log(line);
    } else if (name == "box") {
        const int answer = MessageBoxW(HostWindow(), L"\u8BF7\u786E\u8BA4\u8981\u7EE7\u7EED\u5417\uFF1F", L"\u8BF7\u786E\u8BA4",
                                       MB_YESNO | MB_ICONQUESTION);
        Log("box " + std::to_string(answer));
    } else if (name == "carried") {
        OriginalMaterial m;
        const int ok = p_HV_GetMaterial(3, &m);
        const int bad = p_HV_GetMaterial(999, &m);
        char line[160];
        std::snprintf(line, sizeof(line), "carried %d %d %s %d %d %.1f", ok, bad, m.mapFile[5].Text(), m.params1[3],
                      m.triples[5][2], m.vector.x);
        Log(line);
    } else if (name == "window") {
        OpenTestWindow();
    } else if (name == "finish") {
        p_HV_pluginFinished();
        p_HV_ClearSelection();
        p_HV_Redraw();
    }
}

void OnLeftDown(unsigned, int x, int y)
{
    unsigned surface = p_HV_SelectSurfaceAtPoint(x, y);
    Log("left " + std::to_string(surface) + " material " + std::to_string(p_HV_GetMaterialHandle(surface)));
    if (surface) {
        p_HV_SetSelection(0, &surface, 1);
        p_HV_Redraw();
    }
}

void OnLeftUp(unsigned, int, int) { Log("leftup"); }
void OnRightUp(unsigned, int, int) { Log("rightup"); }
void OnMove(unsigned, int, int) { ++mouseMoves; }
void OnDouble(unsigned, int, int) { Log("double"); }

void OnRightDown(unsigned, int x, int y)
{
    unsigned surface = p_HV_SelectSurfaceAtPoint(x, y);
    Log("right " + std::to_string(surface));
    if (!surface)
        return;
    p_HV_SetSelection(0, &surface, 1);
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, 1, L"Paint &red");
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, 2, L"\u9876\u68DA\u8868\u9762");  // ceiling surface
    HWND owner = HostWindow();
    SetForegroundWindow(owner);
    const int command = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0,
                                       owner, nullptr);
    DestroyMenu(menu);
    Log("menu " + std::to_string(command));
    if (command == 1)
        Paint(surface, 1, 0, 0, "");
    else if (command == 2)
        Paint(surface, 0.2f, 0.4f, 0.9f, "tiles.bmp");
}

VRPluginCallBack table = {OnLeftDown, OnLeftUp, OnRightDown, OnRightUp, OnMove, OnDouble, OnEvent};

bool Bind()
{
    HMODULE host = GetModuleHandleW(nullptr);
    bool ok = true;
#define TG_BIND(name)                                                                                \
    p_##name = reinterpret_cast<decltype(&name)>(reinterpret_cast<void*>(GetProcAddress(host, #name))); \
    ok = ok && p_##name != nullptr;
    HV_FOR_EACH_EXPORT(TG_BIND)
#undef TG_BIND
    return ok;
}

}  // namespace

// The C++ HvString calls these; they forward to the host's.
extern "C" {
void HvString_Construct(HvString* s) { p_HvString_Construct(s); }
void HvString_Copy(HvString* s, const HvString* from) { p_HvString_Copy(s, from); }
void HvString_Destroy(HvString* s) { p_HvString_Destroy(s); }
void HvString_Assign(HvString* s, const HvString* from) { p_HvString_Assign(s, from); }
void HvString_AssignText(HvString* s, const char* text) { p_HvString_AssignText(s, text); }
const char* HvString_Text(const HvString* s) { return p_HvString_Text(s); }
int HvString_GetLength(const HvString* s) { return p_HvString_GetLength(s); }
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        if (!Bind()) {
            Log("bind failed");
            return FALSE;
        }
        Log("loaded");
        p_HV_registerPlugin(&table);
    }
    return TRUE;
}
