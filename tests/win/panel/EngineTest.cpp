// The colour engine driven through the panel's controls, against the fake
// host's recorded materials: stepping through combinations and textures,
// the typed index, the automatic change, colour cycling and the sliders,
// restoring, the item menu with its pages and the fuzzy query.
#include "PanelFixture.h"

#include "library/CombinationLibrary.h"
#include "panel/FuzzyQueryDlg.h"

#include <cmath>
#include <deque>
#include <set>

namespace {

using namespace panel_test;

class Engine : public Panel {
protected:
    unsigned secondCeilingMaterial = 0;
    std::deque<UINT> menuAnswers;
    std::string textureDir = CColorPanelDlg::ModuleFolder() + "engine-textures";

    void SetUp() override
    {
        Panel::SetUp();
        secondCeilingMaterial = host.AddMaterial(0.9f, 0.9f, 0.9f);
        host.AddSurface(secondCeilingMaterial, 300, 50);
        fw::SetPopupMenuHandler([this](HMENU menu, UINT flags, int x, int y, HWND owner) {
            MenuShown shown{{}, flags, x, y, owner};
            CMenu view = CMenu::FromHandle(menu);
            for (int i = 0; i < view.GetMenuItemCount(); ++i)
                shown.items.emplace_back(view.GetMenuItemID(i), view.GetMenuString(i));
            menus.push_back(shown);
            if (menuAnswers.empty())
                return menuAnswer;
            const UINT answer = menuAnswers.front();
            menuAnswers.pop_front();
            return answer;
        });
        cycleDirection = +1;
    }

    void TearDown() override
    {
        if (CColorPanelDlg::Current() != nullptr && CColorPanelDlg::Current()->TimerId() != 0)
            CColorPanelDlg::Current()->ToggleAutoChange();
        Panel::TearDown();
        RemoveTextures();
    }

    void WriteLibrary(int livingRoomCount)
    {
        CombinationLibrary library;
        for (int k = 1; k <= livingRoomCount; ++k)
            library.Append(Combination(k, "住宅/客厅/"));
        library.Append(Combination(99, "住宅/卧室/"));
        ASSERT_EQ(WriteCombinationFile(libraryPath, library), 1);
    }

    // Classifies the two ceilings and the wall (not the floor); picks each.
    void ClassifyCeilingsAndWall()
    {
        RightClick(100, 50, ID_CLASSIFY_CEILING);
        RightClick(300, 50, ID_CLASSIFY_CEILING);
        RightClick(20, 150, ID_CLASSIFY_WALL);
        menus.clear();
    }

    // The combination whose ceiling colour the first ceiling has (0: none).
    int Applied() const { return static_cast<int>(std::lround(host.materials.at(ceilingMaterial).color[0] * 100)); }

    void Type(const wchar_t* text) { ::SetWindowTextW(Item(IDC_ITEM_INDEX), text); }
    void Next() { ::SendMessageW(Item(IDC_NEXT_ITEM), BM_CLICK, 0, 0); }
    void Previous() { ::SendMessageW(Item(IDC_PREVIOUS_ITEM), BM_CLICK, 0, 0); }
    void Tick(UINT_PTR id = 1) { ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_TIMER, id, 0); }

    void MakeTextures(const std::vector<std::string>& names)
    {
        CreateDirectoryW(fw::Widen(textureDir).c_str(), nullptr);
        for (const std::string& name : names)
            WriteBytes(textureDir + "\\" + name, "picture");
    }
    void RemoveTextures()
    {
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(fw::Widen(textureDir + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do
                DeleteFileW((fw::Widen(textureDir + "\\") + found.cFileName).c_str());
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(fw::Widen(textureDir).c_str());
    }

    // Runs the fuzzy query from the item menu; fill acts on the open dialog.
    void Query(std::function<void(CDialog&)> fill)
    {
        fw::SetModalDialogHook(std::move(fill), 3000);
        menuAnswers = {ID_ITEM_QUERY};
        ::SendMessageW(Item(IDC_ITEM_MENU), BM_CLICK, 0, 0);
        fw::PumpMessages();
        fw::SetModalDialogHook(nullptr);
    }
};

void SetText(CDialog& dialog, int id, const wchar_t* text) { ::SetDlgItemTextW(dialog.m_hWnd, id, text); }
void Click(CDialog& dialog, int id) { ::SendMessageW(::GetDlgItem(dialog.m_hWnd, id), BM_CLICK, 0, 0); }

// ---- Expert schemes ---------------------------------------------------------

TEST_F(Engine, ACombinationGoesOnEveryClassifiedMaterialOfItsClass)
{
    WriteLibrary(5);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    const OriginalMaterial floorBefore = host.Material(floorMaterial);
    host.ClearCalls();
    Next();  // the box shows 1: ">>" applies 2
    EXPECT_EQ(Applied(), 2);
    EXPECT_FLOAT_EQ(host.Material(secondCeilingMaterial).color[0], 0.02f);
    EXPECT_FLOAT_EQ(host.Material(wallMaterial).color[2], 0.02f);
    // The floor is not classified: its material is left alone.
    EXPECT_EQ(host.Material(floorMaterial).color[1], floorBefore.color[1]);
    EXPECT_STREQ(host.Material(floorMaterial).mapFile[0].Text(), "");
    EXPECT_EQ(host.CountCalls("SetMaterial " + std::to_string(floorMaterial)), 0);
    // Three materials written, then one recalculation and one redraw.
    EXPECT_EQ(host.CallsSince("ClearSelection"),
              "ClearSelection|SetMaterial " + std::to_string(ceilingMaterial) + "|SetMaterial " +
                  std::to_string(secondCeilingMaterial) + "|SetMaterial " + std::to_string(wallMaterial) +
                  "|CalculateSurfaceColor|Redraw");
    EXPECT_EQ(CColorPanelDlg::Current()->Painter().description, "说明2");
    EXPECT_EQ(ItemText(IDC_DESCRIPTION), "说明2");
    EXPECT_EQ(CColorPanelDlg::Current()->Painter().helpTopic, "::/scheme2.htm");
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "2");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemIndex, 3);
    EXPECT_TRUE(CColorPanelDlg::Current()->NumberLabel().HasNumber());
    EXPECT_EQ(CColorPanelDlg::Current()->NumberLabel().Number(), 2);

    // A repaint of the label draws the number again.
    HWND label = Item(IDC_ITEM_NUMBER);
    ::RedrawWindow(label, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT area;
    ::GetClientRect(label, &area);
    HDC dc = ::GetDC(label);
    int red = 0;
    for (int y = 0; y < area.bottom; ++y)
        for (int x = 0; x < area.right; ++x)
            red += ::GetPixel(dc, x, y) == RGB(255, 0, 0) ? 1 : 0;
    ::ReleaseDC(label, dc);
    EXPECT_GT(red, 20);
}

TEST_F(Engine, StepButtonsWrapAndFollowTheIndexBox)
{
    WriteLibrary(5);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    std::vector<int> applied;
    for (int i = 0; i < 5; ++i) {
        Next();
        applied.push_back(Applied());
    }
    EXPECT_EQ(applied, (std::vector<int>{2, 3, 4, 5, 1}));
    Previous();  // 1 shown: "<<" applies 5
    EXPECT_EQ(Applied(), 5);

    // Typed 3 then "<<" twice: 3, then 2.
    Type(L"3");
    EXPECT_TRUE(CColorPanelDlg::Current()->IndexEdited());
    Previous();
    EXPECT_EQ(Applied(), 3);
    EXPECT_FALSE(CColorPanelDlg::Current()->IndexEdited());
    Previous();
    EXPECT_EQ(Applied(), 2);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Engine, TypedZeroRestoresTheRoomAndTheNextStepStartsAtAnEnd)
{
    WriteLibrary(5);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    Next();
    Next();
    ASSERT_EQ(Applied(), 3);
    host.ClearCalls();
    Type(L"0");
    Next();
    // Every classified material is back as it was at its first pick.
    EXPECT_EQ(host.Material(ceilingMaterial).color[0], 1.0f);
    EXPECT_EQ(host.Material(secondCeilingMaterial).color[0], 0.9f);
    EXPECT_EQ(host.Material(wallMaterial).color[1], 0.5f);
    EXPECT_EQ(CColorPanelDlg::Current()->Painter().description, "恢复房间原有配色");
    EXPECT_EQ(host.CallsSince("ClearSelection").substr(host.CallsSince("ClearSelection").size() - 28),
              "CalculateSurfaceColor|Redraw");
    Next();
    EXPECT_EQ(Applied(), 1);
    EXPECT_EQ(ItemText(IDC_DESCRIPTION), "说明1");

    EXPECT_EQ(CColorPanelDlg::Current()->Painter().originalMaterials.size(), 3u);  // the picks remembered
}

TEST_F(Engine, ATypedNumberOutOfRangeIsRefusedAndThePreviousOneApplied)
{
    WriteLibrary(5);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    Next();
    ASSERT_EQ(Applied(), 2);
    const int before = CColorPanelDlg::Current()->Items().itemIndex;
    Type(L"99");
    Next();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "您输入的值超过允许范围，不能使用！");
    EXPECT_EQ(boxes[0].type & 0xF, static_cast<UINT>(MB_OK));
    EXPECT_EQ(Applied(), before);  // the previous index is applied by the same press
    // A typed number in range is applied as typed.
    Type(L"5");
    Next();
    EXPECT_EQ(Applied(), 5);
}

TEST_F(Engine, WithoutClassifiedSurfacesTheStepsChangeNothing)
{
    WriteLibrary(5);
    ASSERT_NE(Go(), nullptr);
    LeftClick(100, 50);  // picked, not classified
    host.ClearCalls();
    Next();
    Previous();
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "1");
    EXPECT_FALSE(CColorPanelDlg::Current()->NumberLabel().HasNumber());
}

TEST_F(Engine, AnEmptyListAppliesNothing)
{
    WriteLibrary(3);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    // The category node "住宅" of its own holds no combination.
    CComboTree& tree = CColorPanelDlg::Current()->SpaceTypeBox().Tree();
    tree.SelectItem(tree.GetRootItem());
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(tree.GetRootItem()), 0);
    ASSERT_EQ(CColorPanelDlg::Current()->Items().itemCount, 0);
    host.ClearCalls();
    // The buttons are off; their commands and a tick still must not index the list.
    Command(IDC_NEXT_ITEM);
    Command(IDC_PREVIOUS_ITEM);
    Tick();
    Command(ID_ITEM_FIRST + 3);
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);
    Command(IDC_ITEM_MENU);
    fw::PumpMessages();
    ASSERT_FALSE(menus.empty());
    EXPECT_EQ(menus.back().items.size(), 2u);  // the query and a separator
}

// ---- The automatic change ---------------------------------------------------

TEST_F(Engine, TheTimerStepsCombinationsAndLocksTheItemMenu)
{
    WriteLibrary(3);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    Next();
    ASSERT_EQ(Applied(), 2);
    host.ClearCalls();
    ::SendMessageW(Item(IDC_AUTO_CHANGE), BM_CLICK, 0, 0);
    EXPECT_NE(CColorPanelDlg::Current()->TimerId(), 0u);
    EXPECT_EQ(ItemText(IDC_AUTO_CHANGE), "停止！");
    EXPECT_FALSE(Enabled(IDC_ITEM_MENU));
    EXPECT_EQ(host.CountCalls("ClearSelection"), 1);
    std::vector<int> applied;
    for (int i = 0; i < 4; ++i) {
        Tick();
        applied.push_back(Applied());
    }
    EXPECT_EQ(applied, (std::vector<int>{3, 1, 2, 3}));
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "3");
    Tick(2);  // not the panel's timer
    EXPECT_EQ(Applied(), 3);

    // Picking is off while it runs.
    host.ClearCalls();
    LeftClick(100, 300);
    EXPECT_TRUE(host.calls.empty());

    ::SendMessageW(Item(IDC_AUTO_CHANGE), BM_CLICK, 0, 0);
    EXPECT_EQ(CColorPanelDlg::Current()->TimerId(), 0u);
    EXPECT_EQ(ItemText(IDC_AUTO_CHANGE), "自动换色");
    EXPECT_TRUE(Enabled(IDC_ITEM_MENU));

    // After "<<" has applied 2, the first tick applies 1.
    Type(L"2");
    Previous();
    ::SendMessageW(Item(IDC_AUTO_CHANGE), BM_CLICK, 0, 0);
    Tick();
    EXPECT_EQ(Applied(), 1);
    // A mode change stops it.
    ChooseMode(ModeCycle);
    EXPECT_EQ(CColorPanelDlg::Current()->TimerId(), 0u);
    EXPECT_EQ(ItemText(IDC_AUTO_CHANGE), "自动换色");
}

TEST_F(Engine, CyclingTicksStepTheCheckedComponentOntoTheCurrentMaterial)
{
    ASSERT_NE(Go(), nullptr);
    LeftClick(20, 150);  // the wall: (1, 0.5, 0), hue 30
    ChooseMode(ModeCycle);
    ::SendMessageW(Item(IDC_AUTO_CHANGE), BM_CLICK, 0, 0);
    EXPECT_EQ(ItemText(IDC_AUTO_CHANGE), "停止！");
    EXPECT_NE(CColorPanelDlg::Current()->TimerId(), 0u);

    const engine::ColorCycle& cycle = CColorPanelDlg::Current()->Cycle();
    auto expectWall = [this](double h, double s, double v) {
        double r = 0, g = 0, b = 0;
        HV_HsvToRgb(h, s, v, &r, &g, &b);
        EXPECT_FLOAT_EQ(host.Material(wallMaterial).color[0], static_cast<float>(r));
        EXPECT_FLOAT_EQ(host.Material(wallMaterial).color[1], static_cast<float>(g));
        EXPECT_FLOAT_EQ(host.Material(wallMaterial).color[2], static_cast<float>(b));
    };
    host.ClearCalls();
    Tick();
    EXPECT_NEAR(cycle.hue, 35.0, 1e-9);
    EXPECT_EQ(host.CallsSince("SetMaterial"),
              "SetMaterial " + std::to_string(wallMaterial) + "|CalculateSurfaceColor|Redraw");
    expectWall(cycle.hue, 1.0, 1.0);
    // The sliders show the truncated colour.
    EXPECT_NEAR(CColorPanelDlg::Current()->HueSlider().values[0], 35.0, 1.0);

    // The radio buttons choose the component; saturation turns at the top
    // and brightness follows the shared direction.
    ::SendMessageW(Item(IDC_CYCLE_SATURATION), BM_CLICK, 0, 0);
    Tick();
    Tick();
    EXPECT_NEAR(cycle.saturation, 0.98, 1e-12);
    expectWall(cycle.hue, 0.98, 1.0);
    ::SendMessageW(Item(IDC_CYCLE_BRIGHTNESS), BM_CLICK, 0, 0);
    Tick();
    EXPECT_NEAR(cycle.brightness, 0.98, 1e-12);
    EXPECT_EQ(cycleDirection, -1);
    expectWall(cycle.hue, 0.98, 0.98);
}

TEST_F(Engine, ACyclingTickWithoutACurrentMaterialDoesNothing)
{
    ASSERT_NE(Go(), nullptr);
    CColorPanelDlg::Current()->Items().mode = ModeCycle;
    const double before = CColorPanelDlg::Current()->Cycle().hue;
    Tick();
    EXPECT_EQ(CColorPanelDlg::Current()->Cycle().hue, before);
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);
}

// ---- Sliders and restore ----------------------------------------------------------

TEST_F(Engine, ReleasingTheSaturationSliderAtItsLeftEdgeWritesAGrey)
{
    ASSERT_NE(Go(), nullptr);
    LeftClick(60, 60);  // the textured material
    ChooseMode(ModeCycle);
    CColorPanelDlg::Current()->Cycle().hue = 120.0;
    CColorPanelDlg::Current()->Cycle().brightness = 0.8;
    HWND slider = Item(IDC_SATURATION_SLIDER);
    host.ClearCalls();
    ::SendMessageW(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 5));
    ::SendMessageW(slider, WM_LBUTTONUP, 0, MAKELPARAM(0, 5));
    EXPECT_EQ(CColorPanelDlg::Current()->Cycle().saturation, 0.0);
    // Every slider shows the new colour.
    for (CClrSlider* s : {&CColorPanelDlg::Current()->HueSlider(), &CColorPanelDlg::Current()->SaturationSlider(), &CColorPanelDlg::Current()->BrightnessSlider()})
        EXPECT_EQ(s->values[1], 0.0);
    const OriginalMaterial& written = host.Material(texturedMaterial);
    EXPECT_STREQ(written.mapFile[0].Text(), "");  // the texture is gone
    EXPECT_FLOAT_EQ(written.color[0], 0.8f);
    EXPECT_FLOAT_EQ(written.color[1], 0.8f);
    EXPECT_FLOAT_EQ(written.color[2], 0.8f);
    EXPECT_EQ(host.CallsSince("SetMaterial"),
              "SetMaterial " + std::to_string(texturedMaterial) + "|CalculateSurfaceColor|Redraw");

    // The hue slider sets the hue; the colour follows.
    RECT client;
    ::GetClientRect(Item(IDC_HUE_SLIDER), &client);
    ::SendMessageW(Item(IDC_HUE_SLIDER), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right / 2, 5));
    ::SendMessageW(Item(IDC_HUE_SLIDER), WM_LBUTTONUP, 0, MAKELPARAM(client.right / 2, 5));
    EXPECT_NEAR(CColorPanelDlg::Current()->Cycle().hue, 180.0, 360.0 / client.right);
}

TEST_F(Engine, RestoreAfterCyclingBringsBackColourAndTexture)
{
    ASSERT_NE(Go(), nullptr);
    LeftClick(60, 60);
    ChooseMode(ModeCycle);
    Tick();
    ASSERT_STREQ(host.Material(texturedMaterial).mapFile[0].Text(), "");
    RightClick(60, 60, ID_RESTORE_MATERIAL);
    EXPECT_STREQ(host.Material(texturedMaterial).mapFile[0].Text(), "oak.jpg");
    EXPECT_EQ(host.Material(texturedMaterial).color[0], 0.0f);
    EXPECT_EQ(host.Material(texturedMaterial).color[2], 0.0f);
    RightClick(60, 60, ID_RESTORE_MATERIAL);  // twice: harmless
    EXPECT_STREQ(host.Material(texturedMaterial).mapFile[0].Text(), "oak.jpg");
}

// ---- Textures ------------------------------------------------------------------------

TEST_F(Engine, TheTextureListHoldsTheJpegFilesThenTheBitmaps)
{
    MakeTextures({"b.jpg", "a.bmp", "c.jpg", "notes.txt"});
    folderAnswer = textureDir;
    ASSERT_NE(Go(), nullptr);
    LeftClick(100, 300);  // the floor
    ChooseMode(ModeTexture);
    ASSERT_EQ(browses.size(), 1u);
    EXPECT_EQ(browses[0].title, "选择进行材质贴图更换的贴图路径：");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().textureFolder, textureDir + "\\");
    EXPECT_EQ(ItemText(IDC_TEXTURE_FOLDER), textureDir + "\\");
    const std::vector<std::string>& names = CColorPanelDlg::Current()->Items().textureNames;
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.begin() + 2), (std::set<std::string>{"b.jpg", "c.jpg"}));
    EXPECT_EQ(names[2], "a.bmp");
    EXPECT_EQ(ItemText(IDC_ITEM_COUNT), "3");
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "1");
    EXPECT_TRUE(Enabled(IDC_NEXT_ITEM));

    // ">>" puts the next texture on the current material, keeping its colour.
    host.ClearCalls();
    Next();
    const OriginalMaterial& floor = host.Material(floorMaterial);
    EXPECT_EQ(std::string(floor.mapFile[0].Text()), textureDir + "\\" + names[1]);
    EXPECT_EQ(floor.color[0], 0.5f);
    EXPECT_EQ(CColorPanelDlg::Current()->Painter().description, names[1]);
    EXPECT_EQ(host.CallsSince("SetMaterial"),
              "SetMaterial " + std::to_string(floorMaterial) + "|CalculateSurfaceColor|Redraw");

    // The timer steps textures too.
    ::SendMessageW(Item(IDC_AUTO_CHANGE), BM_CLICK, 0, 0);
    Tick();
    EXPECT_EQ(std::string(host.Material(floorMaterial).mapFile[0].Text()), textureDir + "\\a.bmp");
    // Choosing a folder stops it; cancelling keeps the folder and lists it anew.
    folderAnswer.clear();
    ::SendMessageW(Item(IDC_CHOOSE_FOLDER), BM_CLICK, 0, 0);
    EXPECT_EQ(CColorPanelDlg::Current()->TimerId(), 0u);
    ASSERT_EQ(browses.size(), 2u);
    EXPECT_EQ(browses[1].startSelection, textureDir);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().textureFolder, textureDir + "\\");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemIndex, 1);
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "1");
    EXPECT_FALSE(CColorPanelDlg::Current()->IndexEdited());

    // "清除贴图" takes it off again.
    ::SendMessageW(Item(IDC_LIBRARY_BUTTON), BM_CLICK, 0, 0);
    EXPECT_STREQ(host.Material(floorMaterial).mapFile[0].Text(), "");
}

TEST_F(Engine, TypedZeroInTextureModeRestoresTheCurrentSurface)
{
    MakeTextures({"b.jpg", "c.jpg"});
    folderAnswer = textureDir;
    ASSERT_NE(Go(), nullptr);
    LeftClick(60, 60);  // black with "oak.jpg"
    ChooseMode(ModeTexture);
    Next();
    ASSERT_NE(std::string(host.Material(texturedMaterial).mapFile[0].Text()), "oak.jpg");
    Type(L"0");
    Next();
    EXPECT_STREQ(host.Material(texturedMaterial).mapFile[0].Text(), "oak.jpg");
    EXPECT_EQ(CColorPanelDlg::Current()->Painter().description, "恢复表面原有配色");
    // Shown with the next write of the fields; the next ">>" applies texture 1.
    Next();
    EXPECT_EQ(std::string(host.Material(texturedMaterial).mapFile[0].Text()),
              textureDir + "\\" + CColorPanelDlg::Current()->Items().textureNames[0]);
}

TEST_F(Engine, CancellingTheFirstFolderChoiceListsTheDefaultMapFolder)
{
    const std::string folder = CColorPanelDlg::ModuleFolder();
    const std::string beside = folder.substr(0, folder.size() - 7) + "map";
    if (GetFileAttributesW(fw::Widen(beside).c_str()) != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << beside << " exists";
    const std::string inside = folder + "map";
    CreateDirectoryW(fw::Widen(inside).c_str(), nullptr);
    WriteBytes(inside + "\\sample.jpg", "picture");
    ASSERT_NE(Go(), nullptr);
    LeftClick(100, 300);
    ChooseMode(ModeTexture);
    EXPECT_EQ(CColorPanelDlg::DefaultTextureFolder(), inside);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().textureFolder, inside + "\\");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().textureNames, std::vector<std::string>{"sample.jpg"});
    Remove(inside + "\\sample.jpg");
    RemoveDirectoryW(fw::Widen(inside).c_str());
}

// ---- The item menu -------------------------------------------------------------------

TEST_F(Engine, TheItemMenuPagesBy19AndItsEntriesApplyWhatTheyShow)
{
    WriteLibrary(45);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    Type(L"40");
    menuAnswers = {ID_ITEM_NEXT_PAGE, ID_ITEM_PREVIOUS_PAGE, 0};
    ::SendMessageW(Item(IDC_ITEM_MENU), BM_CLICK, 0, 0);
    fw::PumpMessages();
    ASSERT_EQ(menus.size(), 3u);
    const MenuShown& first = menus[0];
    EXPECT_EQ(first.owner, CColorPanelDlg::Current()->m_hWnd);
    EXPECT_EQ(first.flags & TPM_VERTICAL, static_cast<UINT>(TPM_VERTICAL));
    RECT button;
    ::GetWindowRect(Item(IDC_ITEM_MENU), &button);
    EXPECT_EQ(first.x, button.right);
    EXPECT_EQ(first.y, button.top);

    // Query, previous page, separator; 20 entries with separators after the
    // 1st, 6th, 11th and 16th; separator, next page.
    std::vector<std::pair<UINT, std::string>> expected = {
        {ID_ITEM_QUERY, "模糊查询..."}, {ID_ITEM_PREVIOUS_PAGE, "上一页..."}, {0, ""}};
    for (int i = 0; i < 20; ++i) {
        const int n = 40 + i > 45 ? 40 + i - 45 : 40 + i;
        expected.emplace_back(ID_ITEM_FIRST + i,
                              "第" + std::to_string(n) + "个：方案" + std::to_string(n) + ":说明" + std::to_string(n));
        if (i % 5 == 0)
            expected.emplace_back(0, "");
    }
    expected.emplace_back(0, "");
    expected.emplace_back(ID_ITEM_NEXT_PAGE, "下一页...");
    EXPECT_EQ(first.items, expected);
    EXPECT_EQ(ItemText(IDC_DESCRIPTION), "选择房间配色：");

    // "下一页..." starts at 14, "上一页..." back at 40.
    EXPECT_EQ(menus[1].items[3].second.substr(0, 6), "第14个");
    EXPECT_EQ(menus[2].items[3].second.substr(0, 6), "第40个");
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "40");

    // The entry 7 of the page from 40 shows 1 (40 + 6 - 45) and applies it.
    menuAnswers = {ID_ITEM_FIRST + 6};
    ::SendMessageW(Item(IDC_ITEM_MENU), BM_CLICK, 0, 0);
    fw::PumpMessages();
    EXPECT_EQ(Applied(), 1);
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "1");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemIndex, 45);  // stepped back
}

TEST_F(Engine, TheItemMenuClampsATypedNumberOutsideTheList)
{
    WriteLibrary(21);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    Type(L"99");
    ::SendMessageW(Item(IDC_ITEM_MENU), BM_CLICK, 0, 0);
    ASSERT_EQ(menus.size(), 1u);
    EXPECT_EQ(menus[0].items[3].second.substr(0, 6), "第21个");
    EXPECT_EQ(menus[0].items[1].second, "上一页...");  // 21 items: paged
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Engine, TwentyItemsNeedNoPaging)
{
    WriteLibrary(20);
    ASSERT_NE(Go(), nullptr);
    ::SendMessageW(Item(IDC_ITEM_MENU), BM_CLICK, 0, 0);
    ASSERT_EQ(menus.size(), 1u);
    for (const auto& item : menus[0].items) {
        EXPECT_NE(item.first, static_cast<UINT>(ID_ITEM_PREVIOUS_PAGE));
        EXPECT_NE(item.first, static_cast<UINT>(ID_ITEM_NEXT_PAGE));
    }
    EXPECT_EQ(menus[0].items.size(), 2u + 20u + 4u);
}

TEST_F(Engine, TextureEntriesNameTheFiles)
{
    MakeTextures({"oak_wood.jpg"});
    folderAnswer = textureDir;
    ASSERT_NE(Go(), nullptr);
    LeftClick(100, 300);
    ChooseMode(ModeTexture);
    ::SendMessageW(Item(IDC_ITEM_MENU), BM_CLICK, 0, 0);
    ASSERT_EQ(menus.size(), 1u);
    ASSERT_EQ(menus[0].items.size(), 4u);
    EXPECT_EQ(menus[0].items[2].second, "第1个贴图：oak_wood.jpg");
    EXPECT_EQ(ItemText(IDC_DESCRIPTION), "选择贴图文件：");

    // A command of an entry this list cannot have is ignored.
    host.ClearCalls();
    Command(ID_ITEM_FIRST + 1);
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "1");
    // The one entry applies the one texture.
    Command(ID_ITEM_FIRST);
    EXPECT_EQ(std::string(host.Material(floorMaterial).mapFile[0].Text()), textureDir + "\\oak_wood.jpg");
}

// ---- The fuzzy query ------------------------------------------------------------------

TEST_F(Engine, TheExpertQueryNarrowsTheListOfTheSpaceType)
{
    WriteLibrary(12);
    ASSERT_NE(Go(), nullptr);
    ClassifyCeilingsAndWall();
    bool seen = false;
    Query([&seen](CDialog& dialog) {
        auto& query = static_cast<CFuzzyQueryDlg&>(dialog);
        seen = true;
        EXPECT_EQ(fw::GetText(query.m_hWnd), "模糊查询");
        EXPECT_EQ(::IsDlgButtonChecked(query.m_hWnd, IDC_QUERY_USE_DESCRIPTION), BST_CHECKED);
        EXPECT_EQ(::IsDlgButtonChecked(query.m_hWnd, IDC_QUERY_USE_NAME), BST_UNCHECKED);
        SetText(query, IDC_QUERY_NAME, L"方案1");
        Click(query, IDC_QUERY_USE_NAME);
        Click(query, IDC_QUERY_USE_DESCRIPTION);
        Click(query, IDOK);
    });
    ASSERT_TRUE(seen);
    // 方案1, 方案10, 方案11, 方案12 of the living room; not 方案99 of the bedroom.
    EXPECT_EQ(CColorPanelDlg::Current()->Items().matchIndices, (std::vector<int>{0, 9, 10, 11}));
    EXPECT_EQ(CColorPanelDlg::Current()->Items().combinationLabels[1], "方案10:说明10");
    EXPECT_EQ(ItemText(IDC_ITEM_COUNT), "4");
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "1");
    EXPECT_FALSE(CColorPanelDlg::Current()->IndexEdited());
    Next();
    EXPECT_EQ(Applied(), 10);

    // Both conditions: name and description.
    Query([](CDialog& dialog) {
        SetText(dialog, IDC_QUERY_NAME, L"方案");
        SetText(dialog, IDC_QUERY_DESCRIPTION, L"说明11");
        Click(dialog, IDC_QUERY_USE_NAME);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(CColorPanelDlg::Current()->Items().matchIndices, (std::vector<int>{10}));

    // No match: the message, the list stays.
    Query([](CDialog& dialog) {
        SetText(dialog, IDC_QUERY_NAME, L"无此名");
        Click(dialog, IDC_QUERY_USE_NAME);
        Click(dialog, IDC_QUERY_USE_DESCRIPTION);
        Click(dialog, IDOK);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "失败:在名称中查找<无此名> 的查询没有发现满足要求的记录！");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().matchIndices, (std::vector<int>{10}));
    Query([](CDialog& dialog) {
        SetText(dialog, IDC_QUERY_DESCRIPTION, L"无此说明");
        Click(dialog, IDOK);
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "失败: 在说明中查找<无此说明>的查询没有发现满足要求的记录！");

    // Both boxes unchecked: closes, nothing is searched.
    Query([](CDialog& dialog) {
        Click(dialog, IDC_QUERY_USE_DESCRIPTION);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().matchIndices, (std::vector<int>{10}));

    // Choosing the space type again brings back the whole list.
    CColorPanelDlg::Current()->LoadCombinations();
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemCount, 12);
}

TEST_F(Engine, AnEmptyRequiredConditionIsRefused)
{
    WriteLibrary(2);
    ASSERT_NE(Go(), nullptr);
    bool stillOpen = false;
    Query([this, &stillOpen](CDialog& dialog) {
        Click(dialog, IDOK);  // the description box starts checked, its text empty
        stillOpen = ::IsWindow(dialog.m_hWnd) && ::IsWindowVisible(dialog.m_hWnd);
        Click(dialog, IDCANCEL);
    });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "如果您需要用某个条件进行查询，该条件就不能为空！");
    EXPECT_EQ(boxes[0].type & 0xF, static_cast<UINT>(MB_OK));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemCount, 2);
}

TEST_F(Engine, TheTextureQueryFiltersNamesCaseSensitively)
{
    MakeTextures({"oak_wood.jpg", "Wood1.bmp", "stone.jpg"});
    folderAnswer = textureDir;
    ASSERT_NE(Go(), nullptr);
    LeftClick(100, 300);
    ChooseMode(ModeTexture);
    ASSERT_EQ(CColorPanelDlg::Current()->Items().itemCount, 3);
    Query([](CDialog& dialog) {
        // Only the name condition is offered, and it is required.
        EXPECT_EQ(::IsDlgButtonChecked(dialog.m_hWnd, IDC_QUERY_USE_NAME), BST_CHECKED);
        EXPECT_EQ(::IsDlgButtonChecked(dialog.m_hWnd, IDC_QUERY_USE_DESCRIPTION), BST_UNCHECKED);
        for (int id : {IDC_QUERY_USE_NAME, IDC_QUERY_USE_DESCRIPTION, IDC_QUERY_DESCRIPTION})
            EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(dialog.m_hWnd, id))) << id;
        EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(dialog.m_hWnd, IDC_QUERY_NAME)));
        SetText(dialog, IDC_QUERY_NAME, L"wood");
        Click(dialog, IDOK);
    });
    EXPECT_EQ(CColorPanelDlg::Current()->Items().textureNames, std::vector<std::string>{"oak_wood.jpg"});
    EXPECT_EQ(ItemText(IDC_ITEM_COUNT), "1");

    Query([](CDialog& dialog) {
        Click(dialog, IDOK);  // empty name
        SetText(dialog, IDC_QUERY_NAME, L"zzz");
        Click(dialog, IDOK);
    });
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "如果您需要用某个条件进行查询，该条件就不能为空！");
    EXPECT_EQ(boxes[1].text, "查询失败,在名称中查找有关键字<zzz>的查询没有发现满足要求的记录！");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().textureNames, std::vector<std::string>{"oak_wood.jpg"});
}

// ---- The number display -----------------------------------------------------------------

TEST(ItemNumber, IsDrawnInRedOnTheButtonFace)
{
    HDC screen = GetDC(nullptr);
    CMemoryDC dc(screen);
    CBitmap bitmap;
    void* bits = nullptr;
    ASSERT_TRUE(bitmap.CreateDIBSection32(dc, 160, 70, &bits));
    CSelectGuard selected(dc, bitmap);
    const RECT area = {0, 0, 160, 70};
    CItemNumberLabel::Paint(dc, area, 7);
    GdiFlush();
    int red = 0;
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 160; ++x)
            if (GetPixel(dc, x, y) == RGB(255, 0, 0))
                ++red;
    EXPECT_GT(red, 50);
    EXPECT_EQ(GetPixel(dc, 0, 69), GetSysColor(COLOR_BTNFACE));
    // Centred: the red lies on both sides of the middle.
    int left = 0, right = 0;
    for (int y = 0; y < 70; ++y)
        for (int x = 0; x < 160; ++x)
            if (GetPixel(dc, x, y) == RGB(255, 0, 0))
                (x < 80 ? left : right)++;
    EXPECT_GT(left, 0);
    EXPECT_GT(right, 0);
    ReleaseDC(nullptr, screen);
}

}  // namespace
