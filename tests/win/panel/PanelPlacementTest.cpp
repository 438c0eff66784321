// Where the panel opens beside a host window, and library maintenance reached
// from the panel's system menu.
#include "PanelFixture.h"
#include "librarydlg/LibraryDialogIds.h"
#include "librarydlg/LibraryMaintenanceDlg.h"

namespace {

using namespace panel_test;

// A host main window of the test's thread: captioned, with a menu bar.
class HostWindow {
public:
    HostWindow(int x, int y, int width, int height)
    {
        menu = CreateMenu();
        AppendMenuW(menu, MF_STRING, 100, L"File");
        wnd = CreateWindowExW(0, L"STATIC", L"walk", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height, nullptr,
                              menu, GetModuleHandleW(nullptr), nullptr);
        fw::PumpMessages();
    }
    ~HostWindow() { DestroyWindow(wnd); }
    RECT Window() const
    {
        RECT r;
        GetWindowRect(wnd, &r);
        return r;
    }
    RECT View() const
    {
        RECT r;
        GetClientRect(wnd, &r);
        MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    HWND wnd;
    HMENU menu;
};

RECT PanelRect()
{
    RECT r;
    GetWindowRect(CColorPanelDlg::Current()->m_hWnd, &r);
    return r;
}

class PanelPlacement : public Panel {
protected:
    void SetUp() override
    {
        Panel::SetUp();
        CColorPanelDlg::ForgetPlacement();
    }
    void TearDown() override
    {
        Panel::TearDown();
        CColorPanelDlg::ForgetPlacement();
    }
};

TEST_F(PanelPlacement, TheFirstPanelOpensBesideTheHostsViewNotOverItsCaptionOrMenu)
{
    HostWindow walk(100, 80, 600, 400);
    ASSERT_NE(Go(), nullptr);
    const RECT panel = PanelRect();
    const RECT view = walk.View();
    EXPECT_EQ(panel.left, walk.Window().right);
    EXPECT_EQ(panel.top, view.top);
    EXPECT_GT(view.top, walk.Window().top + GetSystemMetrics(SM_CYCAPTION));  // below caption and menu
}

TEST_F(PanelPlacement, AHostReachingTheScreensRightEdgeGetsThePanelInsideItsViewsRightEdge)
{
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    HostWindow walk(screen - 700, 50, 700, 500);
    ASSERT_NE(Go(), nullptr);
    const RECT panel = PanelRect();
    const RECT view = walk.View();
    EXPECT_EQ(panel.right, view.right);
    EXPECT_EQ(panel.top, view.top);
    EXPECT_LE(panel.right, screen);
}

TEST_F(PanelPlacement, ThePlacementStaysInsideTheWorkArea)
{
    const RECT work{0, 0, 1280, 1024};
    const SIZE panel{160, 260};
    // Host low on the screen: the panel moves up to stay visible.
    POINT p = CColorPanelDlg::PlaceBeside(RECT{10, 900, 600, 1000}, RECT{14, 950, 596, 996}, panel, work);
    EXPECT_EQ(p.x, 600);
    EXPECT_EQ(p.y, 1024 - 260);
    // Host wider than the screen, starting left of it.
    p = CColorPanelDlg::PlaceBeside(RECT{-50, 40, 1400, 900}, RECT{-46, 80, 1396, 896}, panel, work);
    EXPECT_EQ(p.x, 1280 - 160);
    EXPECT_EQ(p.y, 80);
}

TEST_F(PanelPlacement, LaterPanelsOpenWhereTheUserLeftTheLastOne)
{
    HostWindow walk(100, 80, 600, 400);
    ASSERT_NE(Go(), nullptr);
    SetWindowPos(CColorPanelDlg::Current()->m_hWnd, nullptr, 300, 260, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    ASSERT_EQ(CColorPanelDlg::Current(), nullptr);
    ASSERT_NE(Go(), nullptr);
    EXPECT_EQ(PanelRect().left, 300);
    EXPECT_EQ(PanelRect().top, 260);
}

// ---- Library maintenance from the system menu -------------------------------

std::vector<std::string> SystemMenuTexts(HWND wnd, std::vector<UINT>* ids = nullptr)
{
    CMenu menu = CMenu::FromHandle(GetSystemMenu(wnd, FALSE));
    std::vector<std::string> texts;
    for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
        texts.push_back(menu.GetMenuString(i));
        if (ids)
            ids->push_back(menu.GetMenuItemID(i));
    }
    return texts;
}

TEST_F(Panel, TheSystemMenuHoldsLibraryMaintenanceAfterASeparatorBeforeTheOverview)
{
    ASSERT_NE(Go(), nullptr);
    std::vector<UINT> ids;
    const std::vector<std::string> texts = SystemMenuTexts(CColorPanelDlg::Current()->m_hWnd, &ids);
    // The panel's other windows' entries follow the overview's.
    while (!ids.empty() && ids.back() == ID_SCHEME_SUGGESTIONS)
        ids.pop_back();
    ASSERT_GE(ids.size(), 3u);
    EXPECT_EQ(ids.back(), 32816u);  // the scheme overview ends the panel's own entries
    const std::size_t at = ids.size() - 3;  // the classification overview's entry between
    EXPECT_EQ(ids[at + 1], 32864u);
    EXPECT_EQ(ids[at], 32832u);
    EXPECT_EQ(texts[at], "图库维护...");
    EXPECT_TRUE(ids[at - 1] == 0u || ids[at - 1] == 32848u);  // separator, or the reload entry after it
    // The entry is added once, however often the menu is asked for.
    CColorPanelDlg::Current()->AppendMaintenanceMenuEntry();
    EXPECT_EQ(SystemMenuTexts(CColorPanelDlg::Current()->m_hWnd).size(), texts.size());
}

TEST_F(Panel, MaintenanceFromTheSystemMenuEditsThePanelsLibraryAndMarksItModified)
{
    ASSERT_NE(Go(), nullptr);
    CombinationLibrary* seen = nullptr;
    fw::SetModalDialogHook([&](CDialog& dialog) {
        ASSERT_EQ(dialog.TemplateId(), static_cast<UINT>(IDD_LIBRARY_MAINTENANCE));
        auto& maintenance = static_cast<CLibraryMaintenanceDlg&>(dialog);
        seen = &maintenance.library;
        // The first record, "暖色客厅", is loaded: delete it.
        fw::SetMessageBoxHandler([](const std::string&, const std::string&, UINT) { return IDYES; });
        ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDC_MAINT_DELETE), BM_CLICK, 0, 0);
        ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDOK), BM_CLICK, 0, 0);
    });
    // Chosen in the system menu, as the user does.
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_SYSCOMMAND, ID_LIBRARY_MAINTENANCE, 0);
    EXPECT_EQ(seen, &CColorPanelDlg::Current()->Session().library);
    EXPECT_TRUE(CColorPanelDlg::Current()->Session().libraryModified);
    ASSERT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 2);
    // The expert list no longer points at the deleted record.
    EXPECT_EQ(CColorPanelDlg::Current()->Items().matchIndices, (std::vector<int>{1}));
    EXPECT_EQ(CColorPanelDlg::Current()->Items().combinationLabels, (std::vector<std::string>{"木地板客厅:橡木地板"}));
    EXPECT_EQ(ItemText(IDC_ITEM_COUNT), "1");

    // Closing saves it.
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    CombinationLibrary saved;
    ASSERT_EQ(ReadCombinationFile(libraryPath, saved), 1);
    EXPECT_EQ(saved.GetCount(), 2);
}

TEST_F(Panel, MaintenanceThatChangesNothingLeavesTheLibraryUnmodified)
{
    ASSERT_NE(Go(), nullptr);
    // A running automatic change stops before the dialog can change the library under it.
    Command(IDC_AUTO_CHANGE);
    ASSERT_NE(CColorPanelDlg::Current()->TimerId(), 0u);
    int runs = 0;
    fw::SetModalDialogHook([&](CDialog& dialog) {
        ++runs;
        ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDOK), BM_CLICK, 0, 0);
    });
    Command(ID_LIBRARY_MAINTENANCE);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(CColorPanelDlg::Current()->TimerId(), 0u);
    EXPECT_FALSE(CColorPanelDlg::Current()->Session().libraryModified);
    EXPECT_EQ(CColorPanelDlg::Current()->Items().matchIndices, (std::vector<int>{0, 2}));
}

}  // namespace
