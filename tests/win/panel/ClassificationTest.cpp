// The classification overview "表面分类一览" driven by its ids over the fake
// host: its rows (class, colour, surfaces in view, the shared-material
// warning), a row selecting its surfaces, "取消分类" and "相近材质…", its
// keys and closing with the panel; contrast only between classes the room
// has; and the panel's own flows asking the host nothing more for it.
#include "PanelFixture.h"

#include "panel/ClassificationOverviewDlg.h"
#include "panel/SchemeOverviewDlg.h"

#include <commctrl.h>

namespace {

using namespace panel_test;

LRESULT CALLBACK PlainView(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefWindowProcW(wnd, message, wParam, lParam);
}

class Classification : public Panel {
protected:
    // Visible materials beside the fixture's: one close to the wall's
    // orange, one a little further but still close, one far from it.
    unsigned nearMaterial = 0, alsoNearMaterial = 0, farMaterial = 0;

    void SetUp() override
    {
        Panel::SetUp();
        AddVisibleMaterials();
        WNDCLASSW viewClass{};
        viewClass.lpfnWndProc = PlainView;
        viewClass.hInstance = ::GetModuleHandleW(nullptr);
        viewClass.lpszClassName = L"ClassificationTestView";
        ::RegisterClassW(&viewClass);
        // The host's view over the screen's top-left, under every surface's point.
        hostView = ::CreateWindowExW(WS_EX_TOPMOST, L"ClassificationTestView", L"view", WS_POPUP | WS_VISIBLE, 0, 0, 400,
                                     400, nullptr, nullptr, viewClass.hInstance, nullptr);
    }
    void TearDown() override
    {
        Panel::TearDown();
        BYTE keys[256] = {};
        ::SetKeyboardState(keys);
    }
    void AddVisibleMaterials()
    {
        nearMaterial = host.AddMaterial(1.0f, 0.51f, 0.0f);
        alsoNearMaterial = host.AddMaterial(0.98f, 0.5f, 0.03f);
        farMaterial = host.AddMaterial(0.0f, 0.0f, 1.0f);
        host.AddSurface(nearMaterial, 300, 200);
        host.AddSurface(alsoNearMaterial, 300, 250);
        host.AddSurface(farMaterial, 300, 300);
    }

    void ClassifyRoom(bool ceiling = true)
    {
        CColorPanelDlg::Current()->MoveWindow(700, 0, 200, 400, true);
        if (ceiling)
            RightClick(100, 50, ID_CLASSIFY_CEILING);
        RightClick(100, 300, ID_CLASSIFY_FLOOR);
        RightClick(20, 150, ID_CLASSIFY_WALL);
        menus.clear();
    }
    CClassificationOverviewDlg* Open()
    {
        Command(ID_CLASSIFICATION_OVERVIEW);
        return CColorPanelDlg::Current()->ClassificationOverview();
    }
    HWND Control(int id) const
    {
        return ::GetDlgItem(CColorPanelDlg::Current()->ClassificationOverview()->m_hWnd, id);
    }
    std::string ListText(int row, int column) const
    {
        wchar_t buffer[260] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer;
        item.cchTextMax = 260;
        ::SendMessageW(Control(IDC_CLASSIFIED_LIST), LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
        return fw::Narrow(buffer);
    }
    void SelectRow(int row) const
    {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageW(Control(IDC_CLASSIFIED_LIST), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
    }
    void Click(int id) const { ::SendMessageW(Control(id), BM_CLICK, 0, 0); }
};

TEST_F(Classification, RowsShowClassColourAndSurfacesAndARowSelectsItsSurfaces)
{
    ASSERT_NE(Go(), nullptr);
    // The entry sits with the panel's added entries, just before the overview's
    // (the suggestion window's entry follows the overview's).
    HMENU system = ::GetSystemMenu(CColorPanelDlg::Current()->m_hWnd, FALSE);
    CMenu menu = CMenu::FromHandle(system);
    int last = menu.GetMenuItemCount() - 1;
    while (last > 0 && menu.GetMenuItemID(last) == ID_SCHEME_SUGGESTIONS)
        --last;
    EXPECT_EQ(menu.GetMenuItemID(last), static_cast<UINT>(ID_SCHEME_OVERVIEW));
    EXPECT_EQ(menu.GetMenuItemID(last - 1), static_cast<UINT>(ID_CLASSIFICATION_OVERVIEW));
    EXPECT_EQ(menu.GetMenuString(last - 1), "表面分类一览...\tCtrl+K");

    ClassifyRoom();
    host.ClearCalls();
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_SYSCOMMAND, ID_CLASSIFICATION_OVERVIEW, 0);
    CClassificationOverviewDlg* window = CColorPanelDlg::Current()->ClassificationOverview();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(fw::GetText(window->m_hWnd), "表面分类一览");
    EXPECT_EQ(::GetWindow(window->m_hWnd, GW_OWNER), CColorPanelDlg::Current()->m_hWnd);
    EXPECT_GT(host.CountCalls("SelectSurfaceAtPoint"), 100);  // the view was sampled
    EXPECT_EQ(host.CountCalls("SetMaterial"), 0);

    // Ceiling, floor, wall in the order classified; the wall's material is
    // on two surfaces of the view.
    ASSERT_EQ(::SendMessageW(Control(IDC_CLASSIFIED_LIST), LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(window->RowTexts(0), (std::vector<std::string>{"", "顶棚", "#FFFFFF", "100", "1", ""}));
    EXPECT_EQ(ListText(1, 1), "地面");
    EXPECT_EQ(ListText(1, 2), "#804000");
    EXPECT_EQ(ListText(1, 4), "1");
    EXPECT_EQ(ListText(1, 5), "");
    EXPECT_EQ(ListText(2, 1), "墙面");
    EXPECT_EQ(ListText(2, 2), "#FF8000");
    EXPECT_EQ(ListText(2, 4), "2");
    EXPECT_EQ(ListText(2, 5), "也用于其他 1 个表面");
    EXPECT_EQ(fw::GetText(Control(IDC_ROOM_LRV)), window->RoomLrvText());

    host.ClearCalls();
    SelectRow(2);
    EXPECT_EQ(host.selection, (std::vector<unsigned>{wallSurface, wallSurface + 1}));
    EXPECT_EQ(host.CountCalls("Redraw"), 1);
    EXPECT_EQ(fw::GetText(Control(IDC_CLASSIFIED_NOTE)), "也用于其他 1 个表面");

    // A classification from the panel's menu shows at once, without asking the host.
    host.ClearCalls();
    RightClick(60, 60, ID_CLASSIFY_FLOOR);
    EXPECT_EQ(::SendMessageW(Control(IDC_CLASSIFIED_LIST), LVM_GETITEMCOUNT, 0, 0), 4);
    EXPECT_EQ(host.CountCalls("SelectSurfaceAtPoint"), 1);  // the pick's own
    EXPECT_EQ(host.CountCalls("GetMaterialHandle"), 1);
}

TEST_F(Classification, UnclassifyRestoresAndSimilarClassifiesTheTickedOnes)
{
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom();
    CClassificationOverviewDlg* window = Open();
    ASSERT_NE(window, nullptr);

    // "相近材质…" on the wall lists the two close visible materials, closest
    // first; the one ticked joins the walls and can be restored with the room.
    std::vector<std::string> listed;
    fw::SetModalDialogHook(
        [&listed](CDialog& dialog) {
            EXPECT_EQ(fw::GetText(dialog.m_hWnd), "相近材质");
            HWND list = ::GetDlgItem(dialog.m_hWnd, IDC_SIMILAR_LIST);
            for (int i = 0; i < ListView_GetItemCount(list); ++i) {
                wchar_t text[64] = {};
                LVITEMW item{};
                item.pszText = text;
                item.cchTextMax = 64;
                ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
                listed.push_back(fw::Narrow(text));
            }
            ListView_SetCheckState(list, 1, TRUE);
            ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDOK), BM_CLICK, 0, 0);
        },
        3000);
    SelectRow(2);
    Click(IDC_SIMILAR_MATERIALS);
    fw::SetModalDialogHook(nullptr);
    EXPECT_EQ(listed, (std::vector<std::string>{"#FF8200", "#FA8008"}));
    ASSERT_EQ(surfaceClasses.size(), 4u);
    EXPECT_EQ(surfaceClasses[3].materialHandle, alsoNearMaterial);
    EXPECT_EQ(surfaceClasses[3].surfaceClass, Wall);
    EXPECT_EQ(window->Rows().size(), 4u);

    // A scheme changes the walls; "取消分类" on the wall puts its material
    // back as picked and takes it out of the walls; the room's restore
    // brings back the material classified through the list.
    host.Material(wallMaterial).color[2] = 0.7f;
    host.Material(alsoNearMaterial).color[2] = 0.7f;
    SelectRow(2);
    host.ClearCalls();
    Click(IDC_UNCLASSIFY);
    EXPECT_EQ(host.Material(wallMaterial).color[2], 0.0f);
    EXPECT_EQ(host.CallsSince("SetMaterial"), "SetMaterial " + std::to_string(wallMaterial) + "|CalculateSurfaceColor|Redraw");
    ASSERT_EQ(window->Rows().size(), 3u);
    EXPECT_EQ(window->Rows()[2].counts.materialHandle, alsoNearMaterial);
    CColorPanelDlg::Current()->RestoreAll();
    EXPECT_FLOAT_EQ(host.Material(alsoNearMaterial).color[2], 0.03f);
}

TEST_F(Classification, ContrastCountsOnlyTheClassesTheRoomHas)
{
    ASSERT_NE(Go(), nullptr);
    ClassifyRoom(false);
    // The starter library's combinations are black: wall and floor too close,
    // the ceiling not classified.
    Command(ID_SCHEME_OVERVIEW);
    CSchemeOverviewDlg* overview = CColorPanelDlg::Current()->Overview();
    ASSERT_NE(overview, nullptr);
    const CSchemeOverviewDlg::Card card = overview->CardAt(1);
    EXPECT_EQ(card.lrvLine, "LRV —/0/0");
    EXPECT_FALSE(card.marks.ceilingWall);
    EXPECT_TRUE(card.marks.wallFloor);
    CClassificationOverviewDlg* window = Open();
    ASSERT_NE(window, nullptr);
    const std::string line = fw::GetText(Control(IDC_ROOM_LRV));
    EXPECT_EQ(line.substr(0, std::string("LRV —/").size()), "LRV —/") << line;
}

TEST_F(Classification, CtrlKOpensItEscapeAndThePanelCloseIt)
{
    ASSERT_NE(Go(), nullptr);
    BYTE keys[256] = {};
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    ::PostMessageW(Item(IDC_ITEM_INDEX), WM_KEYDOWN, 'K', 0);
    fw::PumpMessages();
    CClassificationOverviewDlg* window = CColorPanelDlg::Current()->ClassificationOverview();
    ASSERT_NE(window, nullptr);
    ::SendMessageW(window->m_hWnd, WM_COMMAND, IDCANCEL, 0);
    fw::PumpMessages();
    EXPECT_EQ(CColorPanelDlg::Current()->ClassificationOverview(), nullptr);

    window = Open();
    ASSERT_NE(window, nullptr);
    HWND windowHandle = window->m_hWnd;
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    fw::PumpMessages();
    EXPECT_EQ(CColorPanelDlg::Current(), nullptr);
    EXPECT_FALSE(::IsWindow(windowHandle));
}

// The panel's typical task (classify through the menu, apply a scheme,
// restore the room, close) asks the host the same with the window open as
// with it never opened.
TEST_F(Classification, ThePanelsFlowsAskTheHostTheSameWithTheWindowOpen)
{
    auto flow = [this](bool openWindow) {
        EXPECT_NE(Go(), nullptr);
        if (openWindow) {
            EXPECT_NE(Open(), nullptr);
        }
        host.ClearCalls();
        ClassifyRoom();
        ::SendMessageW(Item(IDC_NEXT_ITEM), BM_CLICK, 0, 0);
        ::SetWindowTextW(Item(IDC_ITEM_INDEX), L"0");
        ::SendMessageW(Item(IDC_NEXT_ITEM), BM_CLICK, 0, 0);
        ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
        fw::PumpMessages();
        return host.calls;
    };
    const std::vector<std::string> never = flow(false);
    ResetSurfaceMaterialStore();
    const std::vector<std::string> open = flow(true);
    EXPECT_EQ(open, never);
    EXPECT_GT(never.size(), 10u);
}

}  // namespace
