// The tool panel driven as the host drives it: "go" and the model events
// through the plug-in's callback table, picks at points of the fake host's
// scene, menu commands chosen through the popup-menu seam, and the panel's
// controls through their window messages. Message boxes are read through the
// framework's seam.
#include "PanelFixture.h"
#include "librarydlg/LibraryDialogIds.h"

namespace {

using namespace panel_test;

// ---- "go" and the model events ---------------------------------------------

TEST_F(Panel, GoOnAnEmptySceneSaysSoAndCreatesNothing)
{
    host.sceneEmpty = true;
    EXPECT_EQ(Go(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kSceneEmptyMessage);
    EXPECT_EQ(boxes[0].text, "当前场景为空，请先调入场景!");
    EXPECT_EQ(boxes[0].caption, "染界");
    EXPECT_EQ(boxes[0].type & 0xF, static_cast<UINT>(MB_OK));
    EXPECT_EQ(host.CountCalls("pluginFinished"), 1);
}

TEST_F(Panel, GoOpensThePanelInExpertModeWithTheLibrarysSpaceTypes)
{
    ASSERT_NE(Go(), nullptr);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(fw::GetText(CColorPanelDlg::Current()->m_hWnd), "染界");
    EXPECT_TRUE(CColorPanelDlg::Current()->IsWindowVisible());

    CComboBox& modes = CColorPanelDlg::Current()->ModeList();
    ASSERT_EQ(modes.GetCount(), 3);
    EXPECT_EQ(modes.GetLBText(0), "专家配色");
    EXPECT_EQ(modes.GetLBText(1), "颜色循环");
    EXPECT_EQ(modes.GetLBText(2), "选择贴图");
    EXPECT_EQ(modes.GetCurSel(), 0);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().mode, ModeExpert);

    // Expert mode: the space type and the stepping controls, no sliders.
    for (int id : {IDC_SPACE_TYPE, IDC_ITEM_INDEX, IDC_ITEM_COUNT, IDC_ITEM_MENU, IDC_LIBRARY_BUTTON,
                   IDC_PREVIOUS_ITEM, IDC_NEXT_ITEM, IDC_AUTO_CHANGE, IDC_HELP_BUTTON})
        EXPECT_TRUE(Shown(id)) << id;
    for (int id : {IDC_HUE_SLIDER, IDC_SATURATION_SLIDER, IDC_BRIGHTNESS_SLIDER, IDC_CYCLE_HUE, IDC_CYCLE_SATURATION,
                   IDC_CYCLE_BRIGHTNESS, IDC_TEXTURE_FOLDER, IDC_CHOOSE_FOLDER})
        EXPECT_FALSE(Shown(id)) << id;

    // The first category is chosen and its combinations are listed.
    EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 3);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().spaceType, "住宅/客厅/");
    EXPECT_EQ(ItemText(IDC_SPACE_TYPE), "住宅/客厅/");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().matchIndices, (std::vector<int>{0, 2}));
    EXPECT_EQ(CColorPanelDlg::Current()->Items().combinationLabels,
              (std::vector<std::string>{"暖色客厅:米色墙面", "木地板客厅:橡木地板"}));
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemCount, 2);
    EXPECT_EQ(ItemText(IDC_ITEM_COUNT), "2");
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "1");
    EXPECT_FALSE(CColorPanelDlg::Current()->IndexEdited());
    EXPECT_EQ(ItemText(IDC_PROMPT_LABEL), "空间类型：");
    EXPECT_EQ(CColorPanelDlg::Current()->SpaceTypeBox().Tree().GetCount(), 3u);  // 住宅, 客厅, 卧室

    EXPECT_EQ(ItemText(IDC_LIBRARY_BUTTON), "加入图库");
    EXPECT_FALSE(Enabled(IDC_LIBRARY_BUTTON));
    EXPECT_EQ(CColorPanelDlg::Current()->Cycle().hue, 0.0);
    EXPECT_EQ(CColorPanelDlg::Current()->Cycle().saturation, 0.05);
    EXPECT_EQ(CColorPanelDlg::Current()->Cycle().brightness, 0.05);
    EXPECT_GT(CColorPanelDlg::Current()->CollapseHeight(), 0);
    EXPECT_NE(reinterpret_cast<HICON>(::SendMessageW(Item(IDC_ITEM_MENU), BM_GETIMAGE, IMAGE_ICON, 0)), nullptr);
    EXPECT_EQ(CColorPanelDlg::Current()->HueSlider().maxValue, 360.0);
    EXPECT_EQ(CColorPanelDlg::Current()->HueSlider().channel, 0);
    EXPECT_EQ(CColorPanelDlg::Current()->SaturationSlider().values[1], 0.1);
    EXPECT_EQ(CColorPanelDlg::Current()->BrightnessSlider().values[2], 0.9);
    EXPECT_EQ(CColorPanelDlg::Current()->BrightnessSlider().bufferReady, 1);
}

TEST_F(Panel, ChoosingASpaceTypeListsItsCombinations)
{
    ASSERT_NE(Go(), nullptr);
    CComboTree& tree = CColorPanelDlg::Current()->SpaceTypeBox().Tree();
    HTREEITEM home = tree.GetRootItem();
    HTREEITEM bedroom = tree.GetNextSiblingItem(tree.GetChildItem(home));
    ASSERT_EQ(tree.GetItemText(bedroom), "卧室");
    tree.SelectItem(bedroom);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(bedroom), 0);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().spaceType, "住宅/卧室/");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().combinationLabels, (std::vector<std::string>{"冷色卧室:浅蓝墙面"}));
    EXPECT_EQ(ItemText(IDC_ITEM_COUNT), "1");

    // A category node of its own has no combination: an empty list.
    tree.SelectItem(home);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(home), 0);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemCount, 0);
    for (int id : {IDC_PREVIOUS_ITEM, IDC_NEXT_ITEM, IDC_AUTO_CHANGE, IDC_ITEM_MENU})
        EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(Panel, ASecondGoShowsTheSamePanelUnchanged)
{
    CColorPanelDlg* first = Go();
    ASSERT_NE(first, nullptr);
    ChooseMode(ModeCycle);
    first->ShowWindow(SW_HIDE);
    host.ClearCalls();
    EXPECT_EQ(Go(), first);
    EXPECT_TRUE(first->IsWindowVisible());
    EXPECT_EQ(first->Items().mode, ModeCycle);
    EXPECT_EQ(host.CountCalls("pluginFinished"), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Panel, OnlyTheExactEventStringsAct)
{
    for (const char* event : {"Go", "GO", "go ", " go", "", "FileOpened ", "newmodelloaded"})
        pluginCallbacks.hostEvent(event);
    pluginCallbacks.hostEvent(nullptr);
    EXPECT_EQ(CColorPanelDlg::Current(), nullptr);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Panel, ModelEventsForgetTheClassificationButKeepTheCurrentMaterial)
{
    ASSERT_NE(Go(), nullptr);
    for (const char* event : {"FileOpened", "NewModelLoaded"}) {
        RightClick(100, 50, ID_CLASSIFY_CEILING);
        ASSERT_EQ(surfaceClasses.size(), 1u);
        host.ClearCalls();
        pluginCallbacks.hostEvent(event);
        EXPECT_TRUE(surfaceClasses.empty()) << event;
        EXPECT_EQ(surfaceClasses.capacity(), 0u) << event;
        ASSERT_EQ(CurrentHandles().size(), 1u);
        EXPECT_EQ(CurrentHandles()[0], ceilingMaterial);
        EXPECT_EQ(selectedSurfaces, std::vector<unsigned>{ceilingSurface});
        EXPECT_EQ(CColorPanelDlg::Current()->Painter().originalMaterials.size(), 1u);
        EXPECT_TRUE(host.calls.empty()) << event;  // nothing visible happens
    }
}

// ---- Picking ---------------------------------------------------------------

TEST_F(Panel, APickSelectsTheSurfaceAndShowsItsColour)
{
    LeftClick(100, 300);  // no panel: nothing
    EXPECT_TRUE(host.calls.empty());

    ASSERT_NE(Go(), nullptr);
    host.ClearCalls();
    LeftClick(100, 300);
    EXPECT_EQ(host.selection, std::vector<unsigned>{floorSurface});
    EXPECT_EQ(selectedSurfaces, std::vector<unsigned>{floorSurface});
    EXPECT_EQ(CurrentHandles(), std::vector<unsigned>{floorMaterial});
    EXPECT_EQ(host.CountCalls("SetSelection"), 1);
    EXPECT_EQ(host.CountCalls("Redraw"), 1);
    // (0.5, 0.25, 0): hue 30, saturation 1, brightness 0.5; the sliders show it.
    EXPECT_NEAR(CColorPanelDlg::Current()->Cycle().hue, 30.0, 1e-9);
    EXPECT_NEAR(CColorPanelDlg::Current()->Cycle().saturation, 1.0, 1e-9);
    EXPECT_NEAR(CColorPanelDlg::Current()->Cycle().brightness, 0.5, 1e-9);
    EXPECT_NEAR(CColorPanelDlg::Current()->SaturationSlider().values[0], 30.0, 0.5);
    ASSERT_EQ(CColorPanelDlg::Current()->Painter().originalMaterials.size(), 1u);
    EXPECT_EQ(CColorPanelDlg::Current()->Painter().originalMaterials[0].materialHandle, floorMaterial);

    // A second pick leaves exactly the second surface selected; a miss changes nothing.
    LeftClick(20, 150);
    EXPECT_EQ(host.selection, std::vector<unsigned>{wallSurface});
    EXPECT_EQ(CurrentHandles(), std::vector<unsigned>{wallMaterial});
    host.ClearCalls();
    LeftClick(500, 500);
    EXPECT_EQ(host.CountCalls("SetSelection"), 0);
    EXPECT_EQ(host.CountCalls("GetMaterial"), 0);
    EXPECT_EQ(selectedSurfaces, std::vector<unsigned>{wallSurface});
    EXPECT_EQ(CurrentHandles(), std::vector<unsigned>{wallMaterial});

    // Another surface of a remembered material adds no second record.
    LeftClick(180, 150);
    EXPECT_EQ(CColorPanelDlg::Current()->Painter().originalMaterials.size(), 2u);

    // A black material: floors on the panel, black on the sliders.
    LeftClick(60, 60);
    EXPECT_EQ(CColorPanelDlg::Current()->Cycle().saturation, 0.05);
    EXPECT_EQ(CColorPanelDlg::Current()->Cycle().brightness, 0.05);
    EXPECT_EQ(CColorPanelDlg::Current()->HueSlider().values[2], 0.0);
}

TEST_F(Panel, NoPickWhileTheAutomaticChangeRuns)
{
    ASSERT_NE(Go(), nullptr);
    ::SendMessageW(Item(IDC_AUTO_CHANGE), BM_CLICK, 0, 0);
    ASSERT_NE(CColorPanelDlg::Current()->TimerId(), 0u);
    host.ClearCalls();
    LeftClick(100, 50);
    RightClick(100, 50, ID_CLASSIFY_CEILING);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_TRUE(menus.empty());
    EXPECT_TRUE(surfaceClasses.empty());
    ::SendMessageW(Item(IDC_AUTO_CHANGE), BM_CLICK, 0, 0);
}

TEST_F(Panel, ARightClickPicksThenShowsTheClassificationMenuOwnedByThePanel)
{
    ASSERT_NE(Go(), nullptr);
    RightClick(500, 500, ID_CLASSIFY_CEILING);  // empty space: no menu
    EXPECT_TRUE(menus.empty());

    RightClick(100, 50, ID_CLASSIFY_CEILING);
    ASSERT_EQ(menus.size(), 1u);
    const MenuShown& menu = menus[0];
    EXPECT_EQ(menu.owner, CColorPanelDlg::Current()->m_hWnd);
    EXPECT_EQ(menu.x, 100);
    EXPECT_EQ(menu.y, 50);
    EXPECT_TRUE(menu.flags & TPM_RIGHTBUTTON);
    const std::vector<std::pair<UINT, std::string>> expected = {
        {32771, "顶棚表面"}, {32772, "墙面表面"}, {32773, "地面表面"}, {0, ""},
        {32801, "颜色变换"}, {32774, "选择贴图"}, {0, ""},
        {32775, "恢复原有材质"}, {32802, "去除贴图信息"}};
    EXPECT_EQ(menu.items, expected);
    // The menu's command acted on the surface picked by the same click.
    ASSERT_EQ(surfaceClasses.size(), 1u);
    EXPECT_EQ(surfaceClasses[0].materialHandle, ceilingMaterial);
    EXPECT_EQ(surfaceClasses[0].surfaceClass, Ceiling);

    CMenu resource;
    ASSERT_TRUE(resource.LoadMenu(IDR_SURFACE_MENU));
    EXPECT_EQ(resource.GetMenuString(0), "表面分类");
}

// ---- Classification and button 1002 --------------------------------------

TEST_F(Panel, ClassificationCommandsAndTheLibraryButton)
{
    ASSERT_NE(Go(), nullptr);
    // Without a picked surface: no classification, the button is refreshed.
    ::SetWindowTextW(Item(IDC_LIBRARY_BUTTON), L"x");
    Command(ID_CLASSIFY_CEILING);
    EXPECT_TRUE(surfaceClasses.empty());
    EXPECT_EQ(ItemText(IDC_LIBRARY_BUTTON), "加入图库");

    RightClick(100, 50, ID_CLASSIFY_CEILING);
    RightClick(100, 300, ID_CLASSIFY_FLOOR);
    EXPECT_FALSE(Enabled(IDC_LIBRARY_BUTTON));  // the wall is missing
    RightClick(20, 150, ID_CLASSIFY_WALL);
    EXPECT_TRUE(HasAllSurfaceClasses());
    EXPECT_TRUE(Enabled(IDC_LIBRARY_BUTTON));

    // The ceiling material classified again as wall moves to wall.
    RightClick(100, 50, ID_CLASSIFY_WALL);
    ASSERT_EQ(surfaceClasses.size(), 3u);
    EXPECT_EQ(surfaceClasses[0].surfaceClass, Wall);
    EXPECT_FALSE(HasAllSurfaceClasses());
    EXPECT_FALSE(Enabled(IDC_LIBRARY_BUTTON));
}

TEST_F(Panel, RestoreAndRemoveTextureCommands)
{
    ASSERT_NE(Go(), nullptr);
    Command(ID_RESTORE_MATERIAL);  // nothing picked: nothing happens
    Command(ID_REMOVE_TEXTURE);
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);

    RightClick(60, 60, ID_REMOVE_TEXTURE);
    EXPECT_STREQ(host.Material(texturedMaterial).mapFile[0].Text(), "");
    EXPECT_EQ(host.CallsSince("SetMaterial"), "SetMaterial " + std::to_string(texturedMaterial) +
                                                  "|CalculateSurfaceColor|Redraw");
    EXPECT_EQ(host.Material(texturedMaterial).params1[3], CColorPanelDlg::Current()->Painter().originalMaterials[0].material.params1[3]);

    RightClick(60, 60, ID_RESTORE_MATERIAL);
    EXPECT_STREQ(host.Material(texturedMaterial).mapFile[0].Text(), "oak.jpg");
}

// ---- Mode switches ------------------------------------------------------------

TEST_F(Panel, ColourCyclingHidesTheSteppingControlsAndShortensThePanel)
{
    ASSERT_NE(Go(), nullptr);
    const int fullHeight = WindowHeight();
    ChooseMode(ModeCycle);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().mode, ModeCycle);
    for (int id : {IDC_SPACE_TYPE, IDC_TEXTURE_FOLDER, IDC_CHOOSE_FOLDER, IDC_ITEM_INDEX, IDC_ITEM_COUNT,
                   IDC_ITEM_MENU, IDC_LIBRARY_BUTTON, IDC_PREVIOUS_ITEM, IDC_NEXT_ITEM})
        EXPECT_FALSE(Shown(id)) << id;
    for (int id : {IDC_HUE_SLIDER, IDC_SATURATION_SLIDER, IDC_BRIGHTNESS_SLIDER, IDC_CYCLE_HUE, IDC_CYCLE_SATURATION,
                   IDC_CYCLE_BRIGHTNESS})
        EXPECT_TRUE(Shown(id)) << id;
    EXPECT_EQ(ItemText(IDC_PROMPT_LABEL), "进行颜色循环：");
    EXPECT_EQ(ItemText(IDC_DESCRIPTION), "");
    EXPECT_FALSE(CColorPanelDlg::Current()->Expanded());
    EXPECT_EQ(WindowHeight(), fullHeight - CColorPanelDlg::Current()->CollapseHeight());
    EXPECT_TRUE(Enabled(IDC_AUTO_CHANGE));
    EXPECT_TRUE(Enabled(IDC_HUE_SLIDER));

    // The radio buttons follow the click; the label changes at the next switch.
    ::SendMessageW(Item(IDC_CYCLE_BRIGHTNESS), BM_CLICK, 0, 0);
    EXPECT_EQ(CColorPanelDlg::Current()->Cycle().cycleChannel, CycleBrightness);
    EXPECT_EQ(ItemText(IDC_PROMPT_LABEL), "进行颜色循环：");
    ChooseMode(ModeCycle);
    EXPECT_EQ(ItemText(IDC_PROMPT_LABEL), "进行亮度循环：");
    EXPECT_EQ(WindowHeight(), fullHeight - CColorPanelDlg::Current()->CollapseHeight());  // not shortened twice
    ::SendMessageW(Item(IDC_CYCLE_SATURATION), BM_CLICK, 0, 0);
    ChooseMode(ModeCycle);
    EXPECT_EQ(ItemText(IDC_PROMPT_LABEL), "进行纯度循环：");

    ChooseMode(ModeExpert);
    EXPECT_TRUE(CColorPanelDlg::Current()->Expanded());
    EXPECT_EQ(WindowHeight(), fullHeight);
    EXPECT_EQ(ItemText(IDC_PROMPT_LABEL), "请选择空间类型：");
    EXPECT_TRUE(Shown(IDC_SPACE_TYPE));
    EXPECT_FALSE(Shown(IDC_HUE_SLIDER));
    EXPECT_EQ(ItemText(IDC_ITEM_COUNT), "2");
}

TEST_F(Panel, TextureModeShowsTheFolderAndTurnsTheButtonIntoClearTexture)
{
    ASSERT_NE(Go(), nullptr);
    const int fullHeight = WindowHeight();
    ChooseMode(ModeCycle);
    ChooseMode(ModeTexture);
    EXPECT_EQ(WindowHeight(), fullHeight);
    EXPECT_FALSE(Shown(IDC_SPACE_TYPE));
    EXPECT_TRUE(Shown(IDC_TEXTURE_FOLDER));
    EXPECT_TRUE(Shown(IDC_CHOOSE_FOLDER));
    EXPECT_TRUE(Shown(IDC_ITEM_INDEX));
    EXPECT_FALSE(Shown(IDC_HUE_SLIDER));
    EXPECT_EQ(ItemText(IDC_PROMPT_LABEL), "进行材质贴图更换的贴图路径：");
    EXPECT_EQ(ItemText(IDC_LIBRARY_BUTTON), "清除贴图");
    EXPECT_TRUE(Enabled(IDC_LIBRARY_BUTTON));
    EXPECT_EQ(ItemText(IDC_ITEM_COUNT), "0");
    for (int id : {IDC_PREVIOUS_ITEM, IDC_NEXT_ITEM, IDC_AUTO_CHANGE, IDC_ITEM_MENU})
        EXPECT_FALSE(Enabled(id)) << id;

    // "清除贴图" takes the texture off the current material.
    LeftClick(60, 60);
    ::SendMessageW(Item(IDC_LIBRARY_BUTTON), BM_CLICK, 0, 0);
    EXPECT_STREQ(host.Material(texturedMaterial).mapFile[0].Text(), "");
}

TEST_F(Panel, MenuModeSwitchesNeedAPickedSurface)
{
    ASSERT_NE(Go(), nullptr);
    Command(ID_COLOR_CHANGE);
    Command(ID_CHOOSE_TEXTURE);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().mode, ModeExpert);
    EXPECT_EQ(CColorPanelDlg::Current()->ModeList().GetCurSel(), 0);

    RightClick(100, 50, ID_COLOR_CHANGE);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().mode, ModeCycle);
    EXPECT_EQ(CColorPanelDlg::Current()->ModeList().GetCurSel(), 1);
    EXPECT_TRUE(Shown(IDC_HUE_SLIDER));
    EXPECT_FALSE(CColorPanelDlg::Current()->Expanded());

    RightClick(100, 50, ID_CHOOSE_TEXTURE);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().mode, ModeTexture);
    EXPECT_EQ(CColorPanelDlg::Current()->ModeList().GetCurSel(), 2);
    EXPECT_TRUE(CColorPanelDlg::Current()->Expanded());
    EXPECT_EQ(ItemText(IDC_LIBRARY_BUTTON), "清除贴图");
}

TEST_F(Panel, ANonNumberInTheIndexBoxIsRefused)
{
    ASSERT_NE(Go(), nullptr);
    // The panel's own writing of the index box is not the user's typing.
    CColorPanelDlg::Current()->WriteFields();
    EXPECT_FALSE(CColorPanelDlg::Current()->IndexEdited());
    ::SetWindowTextW(Item(IDC_ITEM_INDEX), L"abc");
    EXPECT_TRUE(CColorPanelDlg::Current()->IndexEdited());
    CColorPanelDlg::Current()->Painter().description = "kept";
    ChooseMode(ModeCycle);
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes[0].text, "请键入一个整数。");
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemIndex, 1);
}

// ---- Help -------------------------------------------------------------------

std::vector<std::wstring> helpPaths;
std::vector<UINT> helpCommands;
HWND WINAPI RecordHelp(HWND, const wchar_t* path, UINT command, DWORD_PTR)
{
    helpPaths.push_back(path ? path : L"");
    helpCommands.push_back(command);
    return nullptr;
}
bool NoRegistry(HKEY, const wchar_t*, std::wstring&) { return false; }
HMODULE AnyModule(const wchar_t*) { return GetModuleHandleW(nullptr); }
FARPROC HelpEntry(HMODULE, WORD) { return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&RecordHelp)); }

TEST_F(Panel, HelpOpensTheHelpFileBesideTheModuleAtTheTopic)
{
    const help::BindingOps ops = {NoRegistry, AnyModule, HelpEntry};
    help::ResetBinding(&ops);
    helpPaths.clear();
    helpCommands.clear();
    ASSERT_NE(Go(), nullptr);
    ::SendMessageW(Item(IDC_HELP_BUTTON), BM_CLICK, 0, 0);
    CColorPanelDlg::Current()->Painter().helpTopic = "::/modes.htm";
    ::SendMessageW(Item(IDC_HELP_BUTTON), BM_CLICK, 0, 0);
    help::ResetBinding(nullptr);
    const std::wstring folder = fw::Widen(CColorPanelDlg::ModuleFolder());
    EXPECT_EQ(helpPaths, (std::vector<std::wstring>{folder + L"tintgrove.chm", folder + L"tintgrove.chm::/modes.htm"}));
    EXPECT_EQ(helpCommands, (std::vector<UINT>{0, 0}));
}

// ---- Close ---------------------------------------------------------------------

TEST_F(Panel, CloseEndsTheActivityAndTheNextGoStartsAfresh)
{
    ASSERT_NE(Go(), nullptr);
    LeftClick(100, 300);
    const std::string before = ReadBytes(libraryPath);
    host.ClearCalls();
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(CColorPanelDlg::Current(), nullptr);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"pluginFinished", "ClearSelection", "Redraw"}));
    EXPECT_EQ(ReadBytes(libraryPath), before);  // unchanged library: not written
    EXPECT_TRUE(boxes.empty());

    // The classification and the current material outlive the panel; the
    // new panel's colour starts from that material and it remembers nothing.
    ASSERT_NE(Go(), nullptr);
    EXPECT_TRUE(CColorPanelDlg::Current()->Painter().originalMaterials.empty());
    EXPECT_NEAR(CColorPanelDlg::Current()->Cycle().hue, 30.0, 1e-9);
    EXPECT_NEAR(CColorPanelDlg::Current()->Cycle().brightness, 0.5, 1e-9);
    Command(ID_RESTORE_MATERIAL);  // nothing remembered yet: nothing written
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);
}

TEST_F(Panel, EscapeClosesThePanelAndEnterDoesNot)
{
    ASSERT_NE(Go(), nullptr);
    Command(IDOK);
    ASSERT_NE(CColorPanelDlg::Current(), nullptr);
    EXPECT_TRUE(CColorPanelDlg::Current()->IsWindowVisible());
    host.ClearCalls();
    Command(IDCANCEL);
    EXPECT_EQ(CColorPanelDlg::Current(), nullptr);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"pluginFinished", "ClearSelection", "Redraw"}));
}

TEST_F(Panel, CloseWritesAModifiedLibrary)
{
    ASSERT_NE(Go(), nullptr);
    CombinationRecord record;
    InitCombinationRecord(record, "新方案", "办公/", "白墙");
    CColorPanelDlg::Current()->Session().library.Append(record);
    CColorPanelDlg::Current()->Session().libraryModified = true;
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(boxes.empty());
    CombinationLibrary saved;
    ASSERT_EQ(ReadCombinationFile(libraryPath, saved), 1);
    ASSERT_EQ(saved.GetCount(), 4);
    EXPECT_EQ(FieldString(saved[3].name), "新方案");
}

TEST_F(Panel, AFailedSaveIsReportedWithTheFileName)
{
    ASSERT_NE(Go(), nullptr);
    CColorPanelDlg::Current()->Session().libraryModified = true;
    // Another program holds the file open without sharing it.
    HANDLE held = CreateFileW(fw::Widen(libraryPath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    CloseHandle(held);
    EXPECT_EQ(CColorPanelDlg::Current(), nullptr);
    // The failure with its reason, then the offer to keep the work elsewhere (declined).
    ASSERT_EQ(boxes.size(), 2u);
    ExpectSaveFailure(boxes[0].text, libraryPath);
    EXPECT_EQ(boxes[1].caption, "请确认");
    CombinationLibrary saved;
    ASSERT_EQ(ReadCombinationFile(libraryPath, saved), 1);
    EXPECT_EQ(saved.GetCount(), 3);
}

TEST_F(Panel, AnUnreadableLibraryIsKeptAsideBeforeTheFirstSave)
{
    const std::string foreign = "NOT_A_LIBRARY_FILE with some bytes the user may still need";
    WriteBytes(libraryPath, foreign);
    ASSERT_NE(Go(), nullptr);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kNotOurFileMessage);
    EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 0);
    EXPECT_EQ(CColorPanelDlg::Current()->SpaceTypeBox().Tree().GetCount(), 0u);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemCount, 0);

    CombinationRecord record;
    InitCombinationRecord(record, "新方案", "办公/", "白墙");
    CColorPanelDlg::Current()->Session().library.Append(record);
    CColorPanelDlg::Current()->Session().libraryModified = true;
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadBytes(libraryPath + ".bak"), foreign);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, "原图库文件不能读取，已改名保存为“" + libraryPath + ".bak”，新的图库另行保存。");
    CombinationLibrary saved;
    ASSERT_EQ(ReadCombinationFile(libraryPath, saved), 1);
    EXPECT_EQ(saved.GetCount(), 1);

    // A second unreadable file does not replace the first backup.
    WriteBytes(libraryPath, "junk");
    ASSERT_NE(Go(), nullptr);
    CColorPanelDlg::Current()->Session().libraryModified = true;
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(ReadBytes(libraryPath + ".bak"), foreign);
    EXPECT_EQ(ReadBytes(libraryPath + ".bak2"), "junk");
}

}  // namespace

namespace {

// Types into dialog 130 and presses OK, as the user does.
void FillAddDialog(CDialog& dialog, const char* name, const char* category)
{
    ::SetDlgItemTextW(dialog.m_hWnd, IDC_ADD_NAME, fw::Widen(name).c_str());
    ::SetDlgItemTextW(dialog.m_hWnd, IDC_ADD_DESCRIPTION, L"desc");
    ::SetDlgItemTextW(dialog.m_hWnd, IDC_ADD_CATEGORY, fw::Widen(category).c_str());
    ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDOK), BM_CLICK, 0, 0);
}

TEST_F(Panel, TheLibraryButtonStoresTheClassifiedRoomAndSavesAtOnce)
{
    ASSERT_NE(Go(), nullptr);
    RightClick(100, 50, ID_CLASSIFY_CEILING);
    RightClick(100, 300, ID_CLASSIFY_FLOOR);
    RightClick(20, 150, ID_CLASSIFY_WALL);
    ASSERT_TRUE(Enabled(IDC_LIBRARY_BUTTON));
    fw::SetModalDialogHook([](CDialog& dialog) { FillAddDialog(dialog, "新客厅", "住宅/客厅"); });

    Command(IDC_LIBRARY_BUTTON);

    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(CColorPanelDlg::Current()->Session().libraryModified);
    CombinationLibrary saved;
    ASSERT_EQ(ReadCombinationFile(libraryPath, saved), 1);
    ASSERT_EQ(saved.GetCount(), 4);
    EXPECT_EQ(FieldString(saved[3].name), "新客厅");
    EXPECT_EQ(FieldString(saved[3].roomCategory), "住宅/客厅/");
    EXPECT_FLOAT_EQ(saved[3].materials[Wall].color[1], 0.5f);
}

TEST_F(Panel, AnAddWhoseSaveFailsIsReportedAndSavedAgainAtClose)
{
    ASSERT_NE(Go(), nullptr);
    RightClick(100, 50, ID_CLASSIFY_CEILING);
    RightClick(100, 300, ID_CLASSIFY_FLOOR);
    RightClick(20, 150, ID_CLASSIFY_WALL);
    fw::SetModalDialogHook([](CDialog& dialog) { FillAddDialog(dialog, "新客厅", "住宅/客厅"); });
    HANDLE held = CreateFileW(fw::Widen(libraryPath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Command(IDC_LIBRARY_BUTTON);
    CloseHandle(held);

    ASSERT_EQ(boxes.size(), 1u);
    ExpectSaveFailure(boxes[0].text, libraryPath);
    EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 4);  // the library in memory keeps the record
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    CombinationLibrary saved;
    ASSERT_EQ(ReadCombinationFile(libraryPath, saved), 1);
    EXPECT_EQ(saved.GetCount(), 4);
}

}  // namespace
