// The scheme overview "配色一览" driven by its ids: opened by the command,
// the system menu and Ctrl+G, its cards following the panel's list in every
// mode, a chosen card applied as the item menu applies it, the mark following
// the panel's stepping, the light-reflectance line, and the room views that
// capture the host's view and put every material back exactly.
#include "PanelFixture.h"

#include "library/CombinationLibrary.h"
#include "panel/SchemeOverviewDlg.h"

#include <cmath>
#include <cstddef>
#include <cstring>

namespace {

using namespace panel_test;

// A material as the host holds it: every member, the texts of its strings.
std::string MaterialBytes(const OriginalMaterial& material)
{
    std::string bytes;
    for (const HvString& map : material.mapFile)
        bytes += std::string(map.Text()) + '\0';
    const char* plain = reinterpret_cast<const char*>(&material.params1);
    bytes.append(plain, sizeof(OriginalMaterial) - offsetof(OriginalMaterial, params1));
    return bytes;
}

class Overview : public Panel {
protected:
    void TearDown() override
    {
        Panel::TearDown();
        BYTE keys[256] = {};
        ::SetKeyboardState(keys);
    }

    void WriteLibrary(int livingRoomCount)
    {
        CombinationLibrary library;
        for (int k = 1; k <= livingRoomCount; ++k)
            library.Append(Combination(k, "住宅/客厅/"));
        library.Append(Combination(99, "住宅/卧室/"));
        ASSERT_EQ(WriteCombinationFile(libraryPath, library), 1);
    }

    void ClassifyRoom()
    {
        CColorPanelDlg::Current()->MoveWindow(700, 0, 200, 400, true);
        RightClick(100, 50, ID_CLASSIFY_CEILING);
        RightClick(100, 300, ID_CLASSIFY_FLOOR);
        RightClick(20, 150, ID_CLASSIFY_WALL);
        menus.clear();
    }

    CSchemeOverviewDlg* Open()
    {
        Command(ID_SCHEME_OVERVIEW);
        return CColorPanelDlg::Current()->Overview();
    }
    HWND List() const { return ::GetDlgItem(CColorPanelDlg::Current()->Overview()->m_hWnd, IDC_OVERVIEW_LIST); }
    int Count() const { return static_cast<int>(::SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Text(int item) const
    {
        wchar_t buffer[260] = {};
        LVITEMW lv{};
        lv.iSubItem = 0;
        lv.pszText = buffer;
        lv.cchTextMax = 260;
        ::SendMessageW(List(), LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
        return fw::Narrow(buffer);
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (int i = 0; i < Count(); ++i)
            texts.push_back(Text(i));
        return texts;
    }
    void Select(int item) const
    {
        LVITEMW lv{};
        lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        lv.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lv));
    }
    int Selected() const { return static_cast<int>(::SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }
    int Applied() const { return static_cast<int>(std::lround(host.materials.at(ceilingMaterial).color[0] * 100)); }
    void Next() { ::SendMessageW(Item(IDC_NEXT_ITEM), BM_CLICK, 0, 0); }
    std::string Materials()
    {
        std::string all;
        for (const auto& [handle, material] : host.materials)
            all += std::to_string(handle) + ":" + MaterialBytes(material) + "|";
        return all;
    }
    // What a combination sets of every material: colour and texture maps.
    std::string Shown()
    {
        std::string all;
        for (const auto& [handle, material] : host.materials) {
            all += std::to_string(handle) + ":";
            for (float c : material.color)
                all += std::to_string(c) + ",";
            for (const HvString& map : material.mapFile)
                all += std::string(map.Text()) + ",";
            all += "|";
        }
        return all;
    }
    bool WaitForCaptures()
    {
        return fw::PumpUntil([this] { return !CColorPanelDlg::Current()->Overview()->Capturing(); }, 10000);
    }
};

// ---- Opening ------------------------------------------------------------------

TEST_F(Overview, OpensByCommandSystemMenuAndCtrlGAndClosesWithThePanel)
{
    ASSERT_NE(Go(), nullptr);
    // The system menu ends with the overview's entry, after a separator and
    // the panel's library entries.
    HMENU system = ::GetSystemMenu(CColorPanelDlg::Current()->m_hWnd, FALSE);
    CMenu menu = CMenu::FromHandle(system);
    int last = menu.GetMenuItemCount() - 1;
    // The panel's other windows' entries follow the overview's.
    while (last > 0 && menu.GetMenuItemID(last) == ID_SCHEME_SUGGESTIONS)
        --last;
    EXPECT_EQ(menu.GetMenuItemID(last), static_cast<UINT>(ID_SCHEME_OVERVIEW));
    EXPECT_EQ(menu.GetMenuString(last), "配色一览...\tCtrl+G");
    int before = last - 1;
    while (before > 0 && (menu.GetMenuItemID(before) == ID_LIBRARY_MAINTENANCE || menu.GetMenuItemID(before) == 32848u ||
                          menu.GetMenuItemID(before) == ID_CLASSIFICATION_OVERVIEW))
        --before;
    EXPECT_EQ(::GetMenuState(system, before, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));

    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(fw::GetText(overview->m_hWnd), "配色一览");
    EXPECT_TRUE(overview->IsWindowVisible());
    EXPECT_EQ(::GetWindow(overview->m_hWnd, GW_OWNER), CColorPanelDlg::Current()->m_hWnd);
    EXPECT_TRUE(CColorPanelDlg::Current()->IsWindowEnabled());  // not modal
    EXPECT_NE(::GetWindowLongW(overview->m_hWnd, GWL_STYLE) & WS_THICKFRAME, 0);
    EXPECT_EQ(fw::GetText(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS)), "实景");
    EXPECT_EQ(::IsDlgButtonChecked(overview->m_hWnd, IDC_ROOM_VIEWS), static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(::GetWindowLongW(List(), GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);

    // Open again: the same window, brought forward.
    overview->ShowWindow(SW_HIDE);
    EXPECT_EQ(Open(), overview);
    EXPECT_TRUE(overview->IsWindowVisible());

    // It keeps a new size and place for the panel's life.
    overview->MoveWindow(120, 140, 500, 360, true);
    ::SendMessageW(overview->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    EXPECT_EQ(CColorPanelDlg::Current()->Overview(), nullptr);

    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_SYSCOMMAND, ID_SCHEME_OVERVIEW, 0);
    ASSERT_NE(CColorPanelDlg::Current()->Overview(), nullptr);
    const RECT placed = CColorPanelDlg::Current()->Overview()->GetWindowRect();
    EXPECT_EQ(placed.left, 120);
    EXPECT_EQ(placed.top, 140);
    EXPECT_EQ(placed.right - placed.left, 500);
    EXPECT_EQ(placed.bottom - placed.top, 360);
    // Escape closes it.
    ::SendMessageW(CColorPanelDlg::Current()->Overview()->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    fw::PumpMessages();
    EXPECT_EQ(CColorPanelDlg::Current()->Overview(), nullptr);

    // Ctrl+G in the panel, through the pre-translation of its messages; a
    // plain G is the index box's.
    BYTE keys[256] = {};
    ::SetKeyboardState(keys);
    ::PostMessageW(Item(IDC_ITEM_INDEX), WM_KEYDOWN, 'G', 0);
    fw::PumpMessages();
    EXPECT_EQ(CColorPanelDlg::Current()->Overview(), nullptr);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    ::PostMessageW(Item(IDC_ITEM_INDEX), WM_KEYDOWN, 'G', 0);
    fw::PumpMessages();
    ASSERT_NE(CColorPanelDlg::Current()->Overview(), nullptr);
    // ... and in the overview: the same window stays.
    CSchemeOverviewDlg* opened = CColorPanelDlg::Current()->Overview();
    ::PostMessageW(List(), WM_KEYDOWN, 'G', 0);
    fw::PumpMessages();
    EXPECT_EQ(CColorPanelDlg::Current()->Overview(), opened);

    // Other system commands still reach the panel: closing it closes both.
    HWND overviewWindow = opened->m_hWnd;
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    fw::PumpMessages();
    EXPECT_EQ(CColorPanelDlg::Current(), nullptr);
    EXPECT_FALSE(::IsWindow(overviewWindow));
    EXPECT_EQ(host.CountCalls("pluginFinished"), 1);
}

// ---- Following the panel's list -----------------------------------------------

TEST_F(Overview, CardsAreThePanelsListInEveryMode)
{
    std::string folder = CColorPanelDlg::ModuleFolder() + "overview-textures";
    CreateDirectoryW(fw::Widen(folder).c_str(), nullptr);
    for (const char* name : {"b.jpg", "a.bmp", "c.jpg"})
        WriteBytes(folder + "\\" + name, "not a picture");

    ASSERT_NE(Go(), nullptr);
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1 暖色客厅", "2 木地板客厅"}));
    EXPECT_EQ(overview->NoteText(), "");

    // A new space type reaches it at once.
    CComboTree& tree = CColorPanelDlg::Current()->SpaceTypeBox().Tree();
    HTREEITEM home = tree.GetRootItem();
    HTREEITEM bedroom = tree.GetNextSiblingItem(tree.GetChildItem(home));
    tree.SelectItem(bedroom);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(bedroom), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1 冷色卧室"}));
    // A category without combinations: empty, and the window says why.
    tree.SelectItem(home);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(home), 0);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(overview->NoteText(), "当前空间类型中没有配色方案。");
    EXPECT_EQ(fw::GetText(::GetDlgItem(overview->m_hWnd, IDC_OVERVIEW_NOTE)), "当前空间类型中没有配色方案。");

    // Colour cycling lists nothing.
    LeftClick(100, 50);  // a current material, so the mode may change
    ChooseMode(ModeCycle);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(overview->NoteText(), "颜色循环方式没有可以一览的配色或贴图，请切换到专家配色或选择贴图。");
    EXPECT_NE(::GetWindowLongW(::GetDlgItem(overview->m_hWnd, IDC_OVERVIEW_NOTE), GWL_STYLE) & WS_VISIBLE, 0);

    // Texture mode: the texture files in the panel's order.
    folderAnswer = folder;
    ChooseMode(ModeTexture);
    ASSERT_EQ(CColorPanelDlg::Current()->Items().textureNames.size(), 3u);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < CColorPanelDlg::Current()->Items().textureNames.size(); ++i)
        expected.push_back(std::to_string(i + 1) + " " + CColorPanelDlg::Current()->Items().textureNames[i]);
    EXPECT_EQ(Texts(), expected);
    EXPECT_FALSE(overview->CardAt(1).combination);
    // A file that cannot be read shows a hatched grey card, not nothing.
    const Picture& unreadable = overview->ThumbnailAt(1);
    EXPECT_FALSE(unreadable.Empty());
    EXPECT_FALSE(CThumbnailPainter::Uniform(unreadable));

    // An empty folder: the texture note.
    folderAnswer = folder + "\\none";
    CreateDirectoryW(fw::Widen(folderAnswer).c_str(), nullptr);
    Command(IDC_CHOOSE_FOLDER);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(overview->NoteText(), "贴图路径中没有贴图文件。");
    RemoveDirectoryW(fw::Widen(folderAnswer).c_str());

    // Back to expert mode: the list of the space type still chosen (住宅, none).
    ChooseMode(ModeExpert);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemCount, 0);
    EXPECT_EQ(Count(), 0);
    EXPECT_EQ(overview->NoteText(), "当前空间类型中没有配色方案。");
    for (const char* name : {"b.jpg", "a.bmp", "c.jpg"})
        Remove(folder + "\\" + name);
    RemoveDirectoryW(fw::Widen(folder).c_str());
}

// ---- Choosing -----------------------------------------------------------------

TEST_F(Overview, ACardAppliesItsItemAsTheItemMenuDoes)
{
    WriteLibrary(5);
    // The item menu's entry for combination 4, from a fresh panel.
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    host.ClearCalls();
    Command(ID_ITEM_FIRST + 3);
    ASSERT_EQ(Applied(), 4);
    const std::string menuCalls = host.CallsSince("SetMaterial");
    const std::string menuMaterials = Shown();
    const int menuIndex = CColorPanelDlg::Current()->Items().itemIndex;
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();

    // The same from card 4 of the overview.
    ResetSurfaceMaterialStore();
    host.Reset();
    SetUp();
    WriteLibrary(5);
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    ASSERT_NE(Open(), nullptr);
    host.ClearCalls();
    Select(3);
    EXPECT_EQ(Applied(), 4);
    EXPECT_EQ(host.CallsSince("SetMaterial"), menuCalls);
    EXPECT_EQ(Shown(), menuMaterials);
    EXPECT_EQ(host.Material(wallMaterial).color[2], 0.04f);
    EXPECT_STREQ(host.Material(floorMaterial).mapFile[0].Text(), "floor4.jpg");
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "4");
    EXPECT_EQ(ItemText(IDC_DESCRIPTION), "说明4");
    EXPECT_EQ(CColorPanelDlg::Current()->NumberLabel().Number(), 4);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().itemIndex, menuIndex);
    EXPECT_EQ(CColorPanelDlg::Current()->Overview()->Marked(), 4);
    EXPECT_EQ(Selected(), 3);

    // Enter applies the selected card again.
    host.ClearCalls();
    ::SendMessageW(CColorPanelDlg::Current()->Overview()->m_hWnd, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(host.CountCalls("Redraw"), 1);
    EXPECT_EQ(Applied(), 4);
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "4");

    // A click on card 2 applies it too, on the part of it in view (the
    // list has scrolled to card 4).
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    ::SendMessageW(List(), LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&bounds));
    const LPARAM at = MAKELPARAM((bounds.left + bounds.right) / 2, std::max(0L, static_cast<long>(bounds.top)) + 20);
    ::PostMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::PostMessageW(List(), WM_LBUTTONUP, 0, at);
    fw::PumpUntil([this] { return Applied() == 2; }, 3000);
    EXPECT_EQ(Applied(), 2);
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "2");

    // The arrow keys move to the card beside and apply it (card 2 ends the
    // first row of the window as it opens).
    ::PostMessageW(List(), WM_KEYDOWN, VK_LEFT, 0);
    fw::PumpUntil([this] { return Applied() == 1; }, 3000);
    EXPECT_EQ(Applied(), 1);
    EXPECT_EQ(CColorPanelDlg::Current()->Overview()->Marked(), 1);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Overview, TheMarkFollowsThePanelsStepsWithoutApplyingAgain)
{
    WriteLibrary(3);
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(overview->Marked(), 1);  // the index box's number
    EXPECT_EQ(Selected(), -1);         // nothing applied yet
    host.ClearCalls();
    Next();
    EXPECT_EQ(Applied(), 2);
    EXPECT_EQ(overview->Marked(), 2);
    EXPECT_EQ(Selected(), 1);
    // One application: three materials, one redraw.
    EXPECT_EQ(host.CountCalls("SetMaterial"), 3);
    EXPECT_EQ(host.CountCalls("Redraw"), 1);
    Next();
    Next();  // wraps to 1
    EXPECT_EQ(overview->Marked(), 1);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(host.CountCalls("Redraw"), 3);
    EXPECT_EQ(Applied(), 1);
}

TEST_F(Overview, OpenedAfterStepsItMarksTheItemOnTheModel)
{
    WriteLibrary(4);
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    Next();
    Next();
    Next();  // the last item is on the model; the panel's index has wrapped
    ASSERT_EQ(Applied(), 4);
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(overview->Marked(), 4);
}

// ---- Light reflectance ----------------------------------------------------------

TEST_F(Overview, CardsShowTheLrvLineAndMarkClosePairs)
{
    // White ceiling, 50 % grey wall, black floor; then a dark wall between
    // a white ceiling and a white floor.
    CombinationLibrary library;
    CombinationRecord record;
    InitCombinationRecord(record, "灰墙", "住宅/客厅/", "d");
    const float colours[2][3][3] = {{{1, 1, 1}, {0, 0, 0}, {0.5f, 0.5f, 0.5f}}, {{1, 1, 1}, {1, 1, 1}, {0, 0, 0}}};
    for (const auto& scheme : colours) {
        for (int part = 0; part < 3; ++part)
            std::memcpy(record.materials[part].color, scheme[part], sizeof scheme[part]);
        library.Append(record);
    }
    ASSERT_EQ(WriteCombinationFile(libraryPath, library), 1);

    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    const CSchemeOverviewDlg::Card grey = overview->CardAt(1);
    EXPECT_TRUE(grey.combination);
    EXPECT_EQ(grey.title, "1 灰墙");
    EXPECT_EQ(grey.lrvLine, "LRV 100/21/0");
    EXPECT_FALSE(grey.marks.ceilingWall);
    EXPECT_TRUE(grey.marks.wallFloor);
    const CSchemeOverviewDlg::Card dark = overview->CardAt(2);
    EXPECT_EQ(dark.lrvLine, "LRV 100/0/100");
    EXPECT_FALSE(dark.marks.ceilingWall);
    EXPECT_FALSE(dark.marks.wallFloor);

    // The thumbnail: ceiling band on top, wall over half the height, floor
    // at the bottom, each in its colour.
    const Picture& bands = overview->ThumbnailAt(1);
    ASSERT_EQ(bands.width, overview->PictureSize().cx);
    ASSERT_EQ(bands.height, overview->PictureSize().cy);
    auto at = [&](int y) { return bands.pixels[static_cast<std::size_t>(y) * bands.width + bands.width / 2]; };
    EXPECT_EQ(at(2), 0xFFFFFFu);
    EXPECT_EQ(at(bands.height / 2), 0x808080u);
    EXPECT_EQ(at(bands.height - 2), 0u);
    int wallRows = 0;
    for (int y = 0; y < bands.height; ++y)
        wallRows += at(y) == 0x808080u ? 1 : 0;
    EXPECT_GE(wallRows * 3, bands.height);
}

TEST_F(Overview, BothLrvMarksShowEachUnderItsOwnPair)
{
    // "LRV ", "100", "/", wall figures of two digits and of one, "/", "0".
    for (int wall : {12, 6}) {
        const int widths[6] = {24, 18, 6, wall, 6, 6};
        const auto spans = CSchemeOverviewDlg::LrvMarkSpans(10, widths);
        const int wallLeft = 10 + 24 + 18 + 6;
        EXPECT_EQ(spans.ceilingWall.left, 10 + 24) << wall;            // under the ceiling figure
        EXPECT_GT(spans.ceilingWall.right, wallLeft) << wall;          // ... into the wall figure
        EXPECT_LT(spans.wallFloor.left, wallLeft + wall) << wall;      // the other from the wall figure
        EXPECT_EQ(spans.wallFloor.right, wallLeft + wall + 6 + 6) << wall;  // ... to the floor figure's end
        EXPECT_LT(spans.ceilingWall.right, spans.wallFloor.left) << wall;   // a gap between them
    }
}

// A 2 x 2 picture of one colour as a 24-bit BMP file.
std::string SolidBmp(uint8_t r, uint8_t g, uint8_t b)
{
    std::string bytes = "BM";
    auto put32 = [&bytes](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto put16 = [&bytes](uint16_t v) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>(v >> 8);
    };
    put32(70);
    put32(0);
    put32(54);
    put32(40);
    put32(2);
    put32(2);
    put16(1);
    put16(24);
    put32(0);
    put32(16);
    put32(2835);
    put32(2835);
    put32(0);
    put32(0);
    for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 2; ++x) {
            bytes += static_cast<char>(b);
            bytes += static_cast<char>(g);
            bytes += static_cast<char>(r);
        }
        bytes += std::string(2, '\0');
    }
    return bytes;
}

TEST_F(Overview, AFoundTextureFillsItsBandAndAMissingOneIsHatched)
{
    const std::string texture = CColorPanelDlg::ModuleFolder() + "overview-wall.bmp";
    WriteBytes(texture, SolidBmp(10, 200, 30));
    CombinationLibrary library;
    CombinationRecord found = Combination(1, "住宅/客厅/");  // floor1.jpg: found nowhere
    SetField(found.materials[Wall].mapFile[0], texture);      // a stored path that is there
    library.Append(found);
    ASSERT_EQ(WriteCombinationFile(libraryPath, library), 1);
    ASSERT_NE(Go(), nullptr);
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    const Picture& bands = overview->ThumbnailAt(1);
    const int floorRow = bands.height - 3;
    std::set<uint32_t> floorColours, wallColours;
    for (int x = 0; x < bands.width; ++x) {
        floorColours.insert(bands.pixels[static_cast<std::size_t>(floorRow) * bands.width + x]);
        wallColours.insert(bands.pixels[static_cast<std::size_t>(bands.height / 2) * bands.width + x]);
    }
    EXPECT_EQ(floorColours.size(), 2u);  // its colour and the hatch
    EXPECT_TRUE(floorColours.count(0x000300u));
    EXPECT_EQ(wallColours, (std::set<uint32_t>{0x0AC81Eu}));
    Remove(texture);
}

// ---- Card size ---------------------------------------------------------------------

TEST_F(Overview, CardsGrowWithTheWindowAndCtrlWheel)
{
    WriteLibrary(12);
    ASSERT_NE(Go(), nullptr);
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    auto size = [&] { return overview->PictureSize(); };
    // The cards of a row reach across the list, whole columns only.
    auto checkRow = [&](const char* when) {
        RECT client{};
        ::GetClientRect(List(), &client);
        int right = 0;
        for (int item = 0; item < Count(); ++item) {
            RECT bounds{};
            bounds.left = LVIR_BOUNDS;
            ::SendMessageW(List(), LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&bounds));
            if (item > 0 && bounds.left == 0)
                break;
            right = bounds.right;
            EXPECT_LE(bounds.right, client.right) << when;
        }
        EXPECT_GT(right, client.right - ::GetSystemMetrics(SM_CXVSCROLL) - 16) << when;
        const Picture& picture = overview->ThumbnailAt(1);
        EXPECT_EQ(picture.width, size().cx) << when;
        EXPECT_EQ(picture.height, size().cy) << when;
    };

    const SIZE opened = size();
    EXPECT_GE(opened.cx, 240);
    EXPECT_GE(opened.cy, 180);
    checkRow("opened");

    // A wider window, the same columns: larger cards.
    const RECT window = overview->GetWindowRect();
    overview->MoveWindow(window.left, window.top, window.right - window.left + 30, window.bottom - window.top, true);
    EXPECT_GT(size().cx, opened.cx);
    checkRow("wider");
    overview->MoveWindow(window.left, window.top, window.right - window.left, window.bottom - window.top, true);
    EXPECT_EQ(size().cx, opened.cx);

    // Ctrl+wheel over the list, as the wheel's messages come: larger away
    // from the user, smaller towards; a plain wheel scrolls.
    RECT list{};
    ::GetWindowRect(List(), &list);
    const LPARAM over = MAKELPARAM((list.left + list.right) / 2, (list.top + list.bottom) / 2);
    auto wheel = [&](WORD keys, int notches) {
        ::PostMessageW(List(), WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(notches * WHEEL_DELTA)), over);
        fw::PumpMessages();
    };
    wheel(MK_CONTROL, 1);
    EXPECT_GT(size().cx, opened.cx);
    checkRow("ctrl+wheel away");
    wheel(0, -1);
    EXPECT_GT(size().cx, opened.cx);
    wheel(MK_CONTROL, -2);
    EXPECT_LT(size().cx, opened.cx);
    checkRow("ctrl+wheel towards");
    // From about today's size to about three times it.
    wheel(MK_CONTROL, -10);
    EXPECT_GE(size().cx, 120);
    EXPECT_LE(size().cx, 150);
    checkRow("smallest");
    wheel(MK_CONTROL, 10);
    EXPECT_GE(size().cx, 360);
    checkRow("largest");
}

// ---- Room views -------------------------------------------------------------------

TEST_F(Overview, RoomViewsCaptureTheHostViewAndPutTheMaterialsBack)
{
    WriteLibrary(3);
    MakeView();
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    viewColours = {wallMaterial, ceilingMaterial, false};
    // Members the combinations do not hold, which must come back too.
    host.Material(wallMaterial).params1[3] = 77;
    host.Material(ceilingMaterial).mapFile[2] = "ceiling-detail.jpg";
    host.Material(floorMaterial).vector.y = 2.5;
    Next();  // the model shows combination 2
    const std::string before = Materials();

    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    overview->MoveWindow(420, 420, 600, 400, true);
    host.ClearCalls();
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    EXPECT_TRUE(overview->Capturing());
    EXPECT_NE(::GetWindowLongW(::GetDlgItem(overview->m_hWnd, IDC_CAPTURE_PROGRESS), GWL_STYLE) & WS_VISIBLE, 0);
    ASSERT_TRUE(WaitForCaptures());
    EXPECT_EQ(::GetWindowLongW(::GetDlgItem(overview->m_hWnd, IDC_CAPTURE_PROGRESS), GWL_STYLE) & WS_VISIBLE, 0);

    // Each card holds the view as it was with its combination: the left
    // half shows combination k's wall (0, 0, k/100).
    for (int k = 1; k <= 3; ++k) {
        ASSERT_TRUE(overview->HasRoomView(k)) << k;
        const Picture& shot = overview->ThumbnailAt(k);
        EXPECT_EQ(shot.width, overview->PictureSize().cx) << k;
        EXPECT_EQ(shot.height, overview->PictureSize().cy) << k;
        const uint32_t left = shot.pixels[static_cast<std::size_t>(shot.height / 2) * shot.width + 4];
        EXPECT_EQ(left, static_cast<uint32_t>(std::lround(k * 2.55))) << k;
    }
    // Then the scheme shown before, byte for byte, drawn once more.
    EXPECT_EQ(Materials(), before);
    EXPECT_EQ(Applied(), 2);
    EXPECT_EQ(host.CallsSince("CalculateSurfaceColor").substr(0, 21), "CalculateSurfaceColor");
    EXPECT_EQ(host.calls.back(), "Redraw");
    EXPECT_EQ(ItemText(IDC_ITEM_INDEX), "2");

    // Larger cards show the captures at their new size, from pixels kept
    // finer than the cards were.
    const SIZE smaller = overview->PictureSize();
    overview->Zoom(2);
    ASSERT_GT(overview->PictureSize().cx, smaller.cx);
    const Picture& larger = overview->ThumbnailAt(1);
    EXPECT_EQ(larger.width, overview->PictureSize().cx);
    EXPECT_EQ(larger.height, overview->PictureSize().cy);
    EXPECT_EQ(larger.pixels[static_cast<std::size_t>(larger.height / 2) * larger.width + 4], static_cast<uint32_t>(std::lround(2.55)));

    // Unchecked: the bands again.
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    EXPECT_FALSE(overview->HasRoomView(1));
}

TEST_F(Overview, StoppedRoomViewsStillPutTheMaterialsBack)
{
    WriteLibrary(3);
    MakeView();
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    viewColours = {wallMaterial, ceilingMaterial, false};
    host.Material(wallMaterial).params5[1] = -5;
    const std::string before = Materials();
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    overview->MoveWindow(420, 420, 600, 400, true);

    // Escape after the first capture.
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
    EXPECT_NE(Materials(), before);
    ::SendMessageW(overview->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(overview->Capturing());
    EXPECT_EQ(Materials(), before);
    EXPECT_EQ(CColorPanelDlg::Current()->Overview(), overview);  // Escape stopped; the window stays

    // Unchecking after the first capture.
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    EXPECT_FALSE(overview->Capturing());
    EXPECT_EQ(Materials(), before);

    // Closing the panel during captures.
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    EXPECT_EQ(Materials(), before);
}

TEST_F(Overview, AClassificationDuringRoomViewsGoesToTheMaterialAsItWasBefore)
{
    WriteLibrary(3);
    MakeView();
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    viewColours = {wallMaterial, ceilingMaterial, false};
    const std::string before = Materials();
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    overview->MoveWindow(420, 420, 600, 400, true);
    const HWND roomViews = ::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS);

    // The textured material, outside the room views, classified as a ceiling
    // after the first capture: captures stop, every material is as before
    // and stays so, the new class is kept.
    ::SendMessageW(roomViews, BM_CLICK, 0, 0);
    ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
    ASSERT_NE(Materials(), before);
    RightClick(60, 60, ID_CLASSIFY_CEILING);
    EXPECT_FALSE(overview->Capturing());
    ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
    fw::PumpMessages();
    EXPECT_EQ(Materials(), before);
    SurfaceClass textured = Wall;
    for (const SurfaceClassEntry& entry : surfaceClasses)
        if (entry.materialHandle == texturedMaterial)
            textured = entry.surfaceClass;
    EXPECT_EQ(textured, Ceiling);

    // The wall, picked while a capture has a scheme on it, classified as a
    // floor: the panel works on the wall's own material afterwards.
    ::SendMessageW(roomViews, BM_CLICK, 0, 0);
    ::SendMessageW(roomViews, BM_CLICK, 0, 0);
    ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
    ASSERT_NE(Materials(), before);
    RightClick(20, 150, ID_CLASSIFY_FLOOR);
    EXPECT_FALSE(overview->Capturing());
    EXPECT_EQ(Materials(), before);
    ASSERT_EQ(CurrentHandles(), std::vector<unsigned>{wallMaterial});
    EXPECT_EQ(MaterialBytes(currentMaterials[0].material), MaterialBytes(host.Material(wallMaterial)));
}

TEST_F(Overview, RoomViewsWriteNothingToAnotherModel)
{
    WriteLibrary(3);
    MakeView();
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    viewColours = {wallMaterial, ceilingMaterial, false};
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    overview->MoveWindow(420, 420, 600, 400, true);
    const HWND roomViews = ::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS);
    // Another model under the same handles, as a host that reuses them has
    // it after a load.
    float shade = 0.1f;
    auto replaceModel = [&] {
        for (auto& [handle, material] : host.materials) {
            material.color[0] = material.color[1] = shade += 0.01f;
            material.mapFile[0] = "";
        }
        return Materials();
    };

    // A tick that finds the new model (before the host's events, as in a
    // modal loop of the load) stops without writing, and so does the stop.
    ::SendMessageW(roomViews, BM_CLICK, 0, 0);
    ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
    std::string other = replaceModel();
    host.ClearCalls();
    ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
    EXPECT_FALSE(overview->Capturing());
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);
    EXPECT_EQ(Materials(), other);

    // The host's events after a load stop the captures, writing nothing.
    for (const char* event : {"FileOpened", "NewModelLoaded"}) {
        ClassifyRoom();
        ::SendMessageW(roomViews, BM_CLICK, 0, 0);
        ::SendMessageW(roomViews, BM_CLICK, 0, 0);
        ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
        ASSERT_TRUE(overview->Capturing()) << event;
        other = replaceModel();
        host.ClearCalls();
        pluginCallbacks.hostEvent(event);
        EXPECT_FALSE(overview->Capturing()) << event;
        EXPECT_TRUE(surfaceClasses.empty()) << event;
        ::SendMessageW(overview->m_hWnd, WM_TIMER, 2, 0);
        fw::PumpMessages();
        EXPECT_EQ(host.CountCalls("SetMaterial"), 0) << event;
        EXPECT_EQ(Materials(), other) << event;
    }
}

TEST_F(Overview, ABlankCaptureKeepsTheBandsAndNoRoomWithoutClasses)
{
    WriteLibrary(2);
    MakeView();
    ASSERT_NE(Go(), nullptr);
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    // Nothing classified: the window says what is missing; nothing changes.
    host.ClearCalls();
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    EXPECT_FALSE(overview->Capturing());
    EXPECT_EQ(overview->NoteText(), "实景需要先在三维视图中点选并分类顶棚、地面和墙面。");
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);

    ClassifyRoom();
    overview->MoveWindow(420, 420, 600, 400, true);
    viewColours = {wallMaterial, ceilingMaterial, true};  // a view of one colour
    ::InvalidateRect(hostView, nullptr, FALSE);
    ::UpdateWindow(hostView);
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitForCaptures());
    EXPECT_FALSE(overview->HasRoomView(1));
    EXPECT_FALSE(overview->HasRoomView(2));
    EXPECT_EQ(overview->NoteText(), "");

    // The view picked in is gone: nothing to capture, and the window says so.
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    ::DestroyWindow(hostView);
    hostView = nullptr;
    const std::string before = Materials();
    ::SendMessageW(::GetDlgItem(overview->m_hWnd, IDC_ROOM_VIEWS), BM_CLICK, 0, 0);
    EXPECT_FALSE(overview->Capturing());
    EXPECT_EQ(overview->NoteText(), "找不到三维视图窗口，请先在三维视图中点选表面。");
    EXPECT_EQ(Materials(), before);
}

TEST_F(Overview, ALibraryChangeRedrawsEveryCard)
{
    WriteLibrary(2);
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    EXPECT_EQ(overview->CardAt(1).lrvLine, "LRV 0/0/0");
    auto middle = [](const Picture& picture) {
        return picture.pixels[static_cast<std::size_t>(picture.height / 2) * picture.width];
    };
    const uint32_t wallBefore = middle(overview->ThumbnailAt(1));
    // The first combination's wall becomes white.
    CombinationRecord& record = CColorPanelDlg::Current()->Session().library[CColorPanelDlg::Current()->Items().matchIndices[0]];
    for (float& c : record.materials[Wall].color)
        c = 1.0f;
    SetField(record.name, "白墙");
    // A rebuilt list shows it, as after the library was read again.
    CColorPanelDlg::Current()->LoadCombinations();
    EXPECT_EQ(overview->CardAt(1).lrvLine, "LRV 0/100/0");
    EXPECT_EQ(overview->CardAt(1).title, "1 白墙");
    // So does a reported change.
    for (float& c : record.materials[Floor].color)
        c = 1.0f;
    CColorPanelDlg::Current()->OverviewLibraryChanged();
    EXPECT_EQ(overview->CardAt(1).lrvLine, "LRV 0/100/100");
    EXPECT_EQ(overview->CardAt(1).title, "1 白墙");
    EXPECT_NE(middle(overview->ThumbnailAt(1)), wallBefore);
    EXPECT_EQ(middle(overview->ThumbnailAt(1)), 0xFFFFFFu);
}

}  // namespace

namespace {

using namespace panel_test;

TEST_F(Overview, AQueryNarrowsTheCardsToItsResult)
{
    WriteLibrary(5);
    ASSERT_NE(Go(), nullptr);
    CSchemeOverviewDlg* overview = Open();
    ASSERT_NE(overview, nullptr);
    ASSERT_EQ(Count(), 5);
    fw::SetModalDialogHook(
        [](CDialog& query) {
            ::SetDlgItemTextW(query.m_hWnd, IDC_QUERY_DESCRIPTION, L"说明3");
            ::SendMessageW(::GetDlgItem(query.m_hWnd, IDOK), BM_CLICK, 0, 0);
        },
        3000);
    menuAnswer = ID_ITEM_QUERY;
    ::SendMessageW(Item(IDC_ITEM_MENU), BM_CLICK, 0, 0);
    fw::PumpMessages();
    fw::SetModalDialogHook(nullptr);
    ASSERT_EQ(CColorPanelDlg::Current()->Items().matchIndices, (std::vector<int>{2}));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"1 方案3"}));
    EXPECT_EQ(overview->Marked(), 1);
}

}  // namespace
