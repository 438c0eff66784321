// The fixture of the panel tests: a fake host scene with a ceiling, a floor,
// a wall (two surfaces) and a textured material, a starter library beside
// the module, and the framework's seams answering message boxes, popup
// menus and the folder browser for the user.
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
            CMenu view = CMenu::FromHandle(menu);
            for (int i = 0; i < view.GetMenuItemCount(); ++i)
                shown.items.emplace_back(view.GetMenuItemID(i), view.GetMenuString(i));
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
