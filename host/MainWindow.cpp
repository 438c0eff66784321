#include "MainWindow.h"

#include "HostApp.h"
#include "WinText.h"

#include <commdlg.h>
#include <windowsx.h>

#include <algorithm>
#include <string>

namespace walkhost {
namespace {

enum CommandId : UINT {
    ID_FILE_OPEN = 101,
    ID_FILE_CLOSE = 102,
    ID_FILE_EXIT = 103,
    ID_FILE_SPLIT_MATERIALS = 104,
    ID_GO_ALL = 200,
    ID_GO_FIRST = 201,  // one per plug-in
    ID_VIEW_RESET = 301,
};

constexpr int kPluginMenuPosition = 1;
constexpr double kStep = 0.2;        // metres per key press
constexpr double kTurn = 0.0872665;  // 5 degrees

// Draws the current frame into dc: the window's own (a paint), or any device
// context (a print request, which an OpenGL window answers from its pixels).
void DrawFrame(HWND hwnd, HDC dc, bool printing)
{
    HostApp& app = App();
    if (printing)
        app.PrintView(dc);
    else
        app.PaintView(dc);
    if (app.scene.Empty()) {
        SetBkMode(dc, TRANSPARENT);
        RECT rc;
        GetClientRect(hwnd, &rc);
        DrawTextW(dc, L"场景为空。用“文件 → 打开模型…”载入 Wavefront OBJ 模型。", -1, &rc,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void Paint(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    DrawFrame(hwnd, dc, false);
    EndPaint(hwnd, &ps);
}

void OpenModelDialog(HWND hwnd)
{
    wchar_t file[32768] = L"";
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hwnd;
    ofn.lpstrFilter = L"Wavefront OBJ 模型 (*.obj)\0*.obj\0所有文件 (*.*)\0*.*\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = static_cast<DWORD>(sizeof(file) / sizeof(file[0]));
    ofn.lpstrTitle = L"打开模型";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (GetOpenFileNameW(&ofn))
        App().OpenModel(file, true);
}

void OnCommand(HWND hwnd, UINT id)
{
    HostApp& app = App();
    if (id == ID_FILE_OPEN)
        OpenModelDialog(hwnd);
    else if (id == ID_FILE_CLOSE)
        app.CloseScene();
    else if (id == ID_FILE_EXIT)
        DestroyWindow(hwnd);
    else if (id == ID_FILE_SPLIT_MATERIALS)
        app.SplitSharedMaterials();
    else if (id == ID_VIEW_RESET) {
        app.ResetCamera();
        app.Invalidate();
    } else if (id == ID_GO_ALL)
        app.SendEvent("go");
    else if (id >= ID_GO_FIRST && id < ID_GO_FIRST + app.plugins.Plugins().size())
        app.SendEvent("go", static_cast<int>(id - ID_GO_FIRST));
}

bool OnKey(WPARAM key)
{
    Camera& c = App().camera;
    switch (key) {
    case VK_UP: case 'W': c.Walk(kStep); break;
    case VK_DOWN: case 'S': c.Walk(-kStep); break;
    case VK_LEFT: c.Turn(-kTurn); break;
    case VK_RIGHT: c.Turn(kTurn); break;
    case 'A': c.Strafe(-kStep); break;
    case 'D': c.Strafe(kStep); break;
    case 'Q': c.Turn(-kTurn); break;
    case 'E': c.Turn(kTurn); break;
    case VK_PRIOR: c.Look(kTurn); break;
    case VK_NEXT: c.Look(-kTurn); break;
    case VK_HOME: App().ResetCamera(); break;
    default: return false;
    }
    App().Invalidate();
    return true;
}

// A mouse message to plug-in slot 0-5 with screen coordinates. Without a
// plug-in, a left click selects the surface itself so the view can be tried.
void OnMouse(HWND hwnd, int slot, WPARAM flags, LPARAM lp)
{
    POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    ClientToScreen(hwnd, &pt);
    HostApp& app = App();
    bool anyTable = false;
    for (const LoadedPlugin& p : app.plugins.Plugins())
        anyTable = anyTable || p.table;
    if (!anyTable) {
        if (slot == 0) {
            const unsigned surface = app.PickAtScreen(pt.x, pt.y);
            app.SetSelection(&surface, surface ? 1 : 0);
        }
        return;
    }
    app.plugins.SendMouse(slot, static_cast<unsigned>(flags), pt.x, pt.y);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    try {
        switch (msg) {
        case WM_PAINT: Paint(hwnd); return 0;
        // PrintWindow (a plug-in capturing the view) draws the same frame.
        case WM_PRINTCLIENT: DrawFrame(hwnd, reinterpret_cast<HDC>(wp), true); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_SIZE:
            if (LOWORD(lp) > 0 && HIWORD(lp) > 0) {
                App().camera.width = LOWORD(lp);
                App().camera.height = HIWORD(lp);
                App().Invalidate();
            }
            return 0;
        case WM_COMMAND: OnCommand(hwnd, LOWORD(wp)); return 0;
        case WM_TIMER:
            if (wp == HostApp::kTitleTimer) {
                KillTimer(hwnd, wp);
                App().RestoreTitle();
                return 0;
            }
            break;
        case WM_KEYDOWN:
            if (OnKey(wp))
                return 0;
            break;
        case WM_MOUSEWHEEL:
            App().camera.Look(GET_WHEEL_DELTA_WPARAM(wp) > 0 ? kTurn : -kTurn);
            App().Invalidate();
            return 0;
        case WM_LBUTTONDOWN: SetFocus(hwnd); OnMouse(hwnd, 0, wp, lp); return 0;
        case WM_LBUTTONUP: OnMouse(hwnd, 1, wp, lp); return 0;
        case WM_RBUTTONDOWN: OnMouse(hwnd, 2, wp, lp); return 0;
        case WM_RBUTTONUP: OnMouse(hwnd, 3, wp, lp); return 0;
        case WM_MOUSEMOVE: OnMouse(hwnd, 4, wp, lp); return 0;
        case WM_LBUTTONDBLCLK: OnMouse(hwnd, 5, wp, lp); return 0;
        case WM_APP_CALL: {
            auto* fn = reinterpret_cast<std::function<void()>*>(lp);
            try {
                (*fn)();
            } catch (...) {
            }
            delete fn;
            return 0;
        }
        case WM_DESTROY: PostQuitMessage(App().exitCode); return 0;
        default: break;
        }
    } catch (...) {
        // Nothing may unwind into DispatchMessage.
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance, int clientWidth, int clientHeight)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_OWNDC;  // own DC: OpenGL draws on it
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    wc.lpszClassName = L"WalkhostMainWindow";
    RegisterClassExW(&wc);

    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    // Chinese menus carry their access key in parentheses after the text.
    AppendMenuW(file, MF_STRING, ID_FILE_OPEN, L"打开模型(&O)…");
    AppendMenuW(file, MF_STRING, ID_FILE_CLOSE, L"关闭场景(&C)");
    AppendMenuW(file, MF_STRING, ID_FILE_SPLIT_MATERIALS, L"按物体拆分共用材质(&M)");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, ID_FILE_EXIT, L"退出(&X)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"文件(&F)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), L"插件(&P)");
    HMENU view = CreatePopupMenu();
    AppendMenuW(view, MF_STRING, ID_VIEW_RESET, L"重置视图(&R)\tHome");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"视图(&V)");

    const DWORD style = WS_OVERLAPPEDWINDOW;
    RECT rc{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&rc, style, TRUE);
    // Centred on the screen, so a plug-in's window at the screen's corner
    // leaves the menu bar in sight.
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    const int x = std::max(0, (GetSystemMetrics(SM_CXSCREEN) - w) / 2);
    const int y = std::max(0, (GetSystemMetrics(SM_CYSCREEN) - h) / 2);
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"walkhost - 演示公寓", style, x, y, w, h, nullptr, bar,
                                instance, nullptr);
    return hwnd;
}

void RebuildPluginMenu(HWND window)
{
    HMENU bar = GetMenu(window);
    HMENU menu = GetSubMenu(bar, kPluginMenuPosition);
    if (!menu)
        return;
    while (GetMenuItemCount(menu) > 0)
        DeleteMenu(menu, 0, MF_BYPOSITION);
    const std::vector<LoadedPlugin>& plugins = App().plugins.Plugins();
    if (plugins.empty()) {
        AppendMenuW(menu, MF_STRING | MF_GRAYED, 0, L"（未加载插件）");
    } else {
        // "go" is the host interface's event name: it stays as it is.
        AppendMenuW(menu, MF_STRING, ID_GO_ALL, L"向所有插件发送“go”(&G)");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        for (size_t i = 0; i < plugins.size(); ++i)
            AppendMenuW(menu, MF_STRING, ID_GO_FIRST + i, (L"向 " + plugins[i].name + L" 发送“go”").c_str());
    }
    DrawMenuBar(window);
}

void PostToUi(HWND window, std::function<void()> fn)
{
    auto* heap = new std::function<void()>(std::move(fn));
    if (!PostMessageW(window, WM_APP_CALL, 0, reinterpret_cast<LPARAM>(heap)))
        delete heap;
}

}  // namespace walkhost
