// The fixture of the panel tests: a fake host scene with a ceiling, a floor,
// a wall (two surfaces) and a textured material, a starter library beside
// the module, the framework's seams answering message boxes, popup menus and
// the folder browser for the user, and a host view for the room views.
#pragma once

#include "FakeHost.h"

#include "controls/HelpLauncher.h"
#include "framework/Framework.h"
#include "library/CombinationFile.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/ColorPanelDlg.h"
#include "plugin/PluginEntry.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace panel_test {

struct Box {
    std::string text;
    std::string caption;
    UINT type;
};

struct MenuShown {
    std::vector<std::pair<UINT, std::string>> items;  // id (0: separator) and text
    UINT flags;
    int x, y;
    HWND owner;
};

// Combination k: ceiling colour (k/100, 0, 0), floor (0, k/100, 0) with a
// texture map that is nowhere, wall (0, 0, k/100), and a help page of its
// own; the host's materials tell which one was applied.
inline CombinationRecord Combination(int k, const std::string& category)
{
    CombinationRecord record;
    InitCombinationRecord(record, "方案" + std::to_string(k), category, "说明" + std::to_string(k));
    for (int part = 0; part < 3; ++part) {
        OriginalMaterial material;
        material.color[0] = material.color[1] = material.color[2] = 0.0f;
        material.color[part] = static_cast<float>(k) / 100.0f;
        if (part == Floor)
            material.mapFile[0] = ("floor" + std::to_string(k) + ".jpg").c_str();
        MaterialToSlot(material, record.materials[part]);
    }
    SetField(record.extraText2, ("::/scheme" + std::to_string(k) + ".htm").c_str());
    return record;
}

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(fw::Widen(path).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(fw::Widen(path).c_str(), std::ios::binary | std::ios::trunc);
    out << bytes;
}

// The handles of the current materials, in their order.
inline std::vector<unsigned> CurrentHandles()
{
    std::vector<unsigned> handles;
    for (const CurrentMaterial& current : currentMaterials)
        handles.push_back(current.materialHandle);
    return handles;
}

inline void Remove(const std::string& path) { DeleteFileW(fw::Widen(path).c_str()); }

// The message of a library that cannot be saved: the file, the system's
// reason in words (in the system's language), what happens to the work.
inline void ExpectSaveFailure(const std::string& text, const std::string& libraryPath)
{
    const std::string start = "图库文件“" + libraryPath + "”不能保存：";
    const std::string end = "。\n所做的修改保留在本面板中，将在下次保存或“重新读取图库”时写入。关闭面板时，新增和修改的配色组合可以另存为交换文件，删除和改名则不能。";
    ASSERT_GT(text.size(), start.size() + end.size() + 4) << text;  // a reason is there
    EXPECT_EQ(text.substr(0, start.size()), start);
    EXPECT_EQ(text.substr(text.size() - end.size()), end);
}

// The host's 3D view for the room views: left half one material's colour,
// right half another's, drawn on request (paint or print).
struct ViewColours {
    unsigned left = 0, right = 0;
    bool plain = false;  // one colour only: a capture of it counts as blank
};
inline ViewColours viewColours;

inline COLORREF MaterialColour(unsigned handle)
{
    const float* c = FakeHost::Get().Material(handle).color;
    return RGB(std::lround(c[0] * 255), std::lround(c[1] * 255), std::lround(c[2] * 255));
}

inline void DrawView(HWND wnd, HDC dc)
{
    RECT area;
    ::GetClientRect(wnd, &area);
    RECT left = area, right = area;
    left.right = right.left = area.right / 2;
    HBRUSH first = ::CreateSolidBrush(viewColours.plain ? RGB(40, 40, 40) : MaterialColour(viewColours.left));
    HBRUSH second = ::CreateSolidBrush(viewColours.plain ? RGB(40, 40, 40) : MaterialColour(viewColours.right));
    ::FillRect(dc, &left, first);
    ::FillRect(dc, &right, second);
    ::DeleteObject(first);
    ::DeleteObject(second);
}

inline LRESULT CALLBACK ViewProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(wnd, &paint);
        DrawView(wnd, dc);
        ::EndPaint(wnd, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_PRINTCLIENT:
        DrawView(wnd, reinterpret_cast<HDC>(wParam));
        return 0;
    default:
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }
}

class Panel : public ::testing::Test {
protected:
    FakeHost& host = FakeHost::Get();
    std::vector<Box> boxes;
    std::vector<MenuShown> menus;
    UINT menuAnswer = 0;
    std::string folderAnswer;
    std::vector<fw::FolderBrowseTrace> browses;
    unsigned ceilingMaterial = 0, floorMaterial = 0, wallMaterial = 0, texturedMaterial = 0;
    unsigned ceilingSurface = 0, floorSurface = 0, wallSurface = 0;
    std::string libraryPath = CColorPanelDlg::ModuleFolder() + "Tintgrove.tgv";
    // A fixture in a helper process works on the library its parent prepared.
    bool keepLibrary = false;
    HWND hostView = nullptr;  // the host's view, once MakeView made it

    void SetUp() override
    {
        host.Reset();
        ResetSurfaceMaterialStore();
        ceilingMaterial = host.AddMaterial(1.0f, 1.0f, 1.0f);
        floorMaterial = host.AddMaterial(0.5f, 0.25f, 0.0f);
        wallMaterial = host.AddMaterial(1.0f, 0.5f, 0.0f);
        texturedMaterial = host.AddMaterial(0.0f, 0.0f, 0.0f, "oak.jpg");
        ceilingSurface = host.AddSurface(ceilingMaterial, 100, 50);
        floorSurface = host.AddSurface(floorMaterial, 100, 300);
        wallSurface = host.AddSurface(wallMaterial, 20, 150);
        host.AddSurface(wallMaterial, 180, 150);  // a second surface of the wall material
        host.AddSurface(texturedMaterial, 60, 60);

        fw::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
            boxes.push_back({text, caption, type});
            return IDOK;
        });
        fw::RoutePromptsToMessageBox();
        fw::SetPopupMenuHandler([this](HMENU menu, UINT flags, int x, int y, HWND owner) {
            MenuShown shown{{}, flags, x, y, owner};
            CMenu shownMenu = CMenu::FromHandle(menu);
            for (int i = 0; i < shownMenu.GetMenuItemCount(); ++i)
                shown.items.emplace_back(shownMenu.GetMenuItemID(i), shownMenu.GetMenuString(i));
            menus.push_back(shown);
            return menuAnswer;
        });

        // The folder browser answers folderAnswer (empty: cancel).
        fw::SetFolderBrowseHandler([this](BROWSEINFOW& info) {
            browses.emplace_back();
            return fw::AnswerFolderBrowse(info, folderAnswer, &browses.back());
        });

        if (!keepLibrary)
            WriteStarterLibrary();
    }

    void TearDown() override
    {
        if (CColorPanelDlg::Current() != nullptr)
            ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
        fw::PumpMessages();
        EXPECT_EQ(CColorPanelDlg::Current(), nullptr);
        fw::SetMessageBoxHandler(nullptr);
        fw::SetPopupMenuHandler(nullptr);
        fw::SetFolderBrowseHandler(nullptr);
        fw::SetModalDialogHook(nullptr);
        if (hostView != nullptr)
            ::DestroyWindow(hostView);
        hostView = nullptr;
        if (keepLibrary)
            return;
        Remove(libraryPath);
        for (const char* suffix : {".bak", ".bak2"})
            Remove(libraryPath + suffix);
    }

    // Two categories with two and one combinations, as a user's library holds them.
    void WriteStarterLibrary()
    {
        CombinationLibrary library;
        CombinationRecord record;
        InitCombinationRecord(record, "暖色客厅", "住宅/客厅/", "米色墙面");
        library.Append(record);
        InitCombinationRecord(record, "冷色卧室", "住宅/卧室/", "浅蓝墙面");
        library.Append(record);
        InitCombinationRecord(record, "木地板客厅", "住宅/客厅/", "橡木地板");
        library.Append(record);
        ASSERT_EQ(WriteCombinationFile(libraryPath, library), 1);
    }

    // A host view over the screen's top-left, under the fixture's pick points;
    // the panel moves out of its way before the picks.
    void MakeView()
    {
        WNDCLASSW viewClass{};
        viewClass.lpfnWndProc = ViewProc;
        viewClass.hInstance = ::GetModuleHandleW(nullptr);
        viewClass.lpszClassName = L"PanelTestView";
        ::RegisterClassW(&viewClass);
        hostView = ::CreateWindowExW(WS_EX_TOPMOST, L"PanelTestView", L"view", WS_POPUP | WS_VISIBLE, 0, 0, 400, 400,
                                     nullptr, nullptr, viewClass.hInstance, nullptr);
        ::UpdateWindow(hostView);
    }

    CColorPanelDlg* Go()
    {
        pluginCallbacks.hostEvent("go");
        return CColorPanelDlg::Current();
    }

    HWND Item(int id) const { return ::GetDlgItem(CColorPanelDlg::Current()->m_hWnd, id); }
    std::string ItemText(int id) const { return fw::GetText(Item(id)); }
    bool Shown(int id) const { return (GetWindowLongW(Item(id), GWL_STYLE) & WS_VISIBLE) != 0; }
    bool Enabled(int id) const { return ::IsWindowEnabled(Item(id)) != FALSE; }
    int WindowHeight() const
    {
        RECT r;
        ::GetWindowRect(CColorPanelDlg::Current()->m_hWnd, &r);
        return r.bottom - r.top;
    }

    void Command(UINT id) { ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void ChooseMode(int index)
    {
        ::SendMessageW(Item(IDC_MODE_LIST), CB_SETCURSEL, index, 0);
        ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_MODE_LIST, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(Item(IDC_MODE_LIST)));
    }
    void LeftClick(int x, int y) { pluginCallbacks.leftButtonDown(0, x, y); }
    void RightClick(int x, int y, UINT answer)
    {
        menuAnswer = answer;
        pluginCallbacks.rightButtonDown(0, x, y);
    }
};

}  // namespace panel_test
