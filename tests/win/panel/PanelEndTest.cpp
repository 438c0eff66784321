// The panel's library changes reach the file when the maintenance dialog
// closes (from the panel's system menu or the add dialog), and again when the host ends the panel without its own close: the
// host's main window closed or destroyed, the end of the Windows session,
// the panel's window destroyed by the host.
#include "PanelFixture.h"

#include "librarydlg/LibraryDialogIds.h"

using namespace panel_test;

namespace {

// A host's main window that asks before it closes and is told "no": its
// WM_CLOSE leaves it open.
LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return message == WM_CLOSE ? 0 : ::DefWindowProcW(hwnd, message, wParam, lParam);
}

struct PanelEnd : Panel {
    HWND hostWindow = nullptr;
    HANDLE held = INVALID_HANDLE_VALUE;

    void SetUp() override
    {
        Panel::SetUp();
        // The user answers "yes" to the delete question and "no" to the
        // exchange file.
        fw::SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT type) {
            boxes.push_back({text, caption, type});
            return (type & MB_TYPEMASK) == MB_YESNO && text.find("交换文件") == std::string::npos ? IDYES : IDNO;
        });
        // The host's main window, as the panel finds it when it opens.
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = HostWindowProc;
        windowClass.hInstance = ::GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"PanelEndHost";
        ::RegisterClassW(&windowClass);
        hostWindow = ::CreateWindowExW(0, L"PanelEndHost", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1200, 900,
                                       nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(hostWindow, nullptr);
    }
    void TearDown() override
    {
        Release();
        if (::IsWindow(hostWindow))
            ::DestroyWindow(hostWindow);
        Panel::TearDown();
    }

    // Another process's hold on the library: the panel cannot save it.
    void Hold()
    {
        held = CreateFileW(fw::Widen(libraryPath).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    void Release()
    {
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
    }

    // One visit to "天地墙专家库维护" from the panel's system menu: the first
    // record (住宅/客厅/暖色客厅) is shown; "删除" or "修改" with a new short
    // description, then "退出".
    void VisitMaintenance(bool remove)
    {
        fw::SetModalDialogHook([remove](CDialog& dialog) {
            if (!remove)
                ::SetDlgItemTextW(dialog.m_hWnd, IDC_MAINT_SHORT_DESCRIPTION, L"new words");
            ::SendMessageW(::GetDlgItem(dialog.m_hWnd, remove ? IDC_MAINT_DELETE : IDC_MAINT_MODIFY), BM_CLICK, 0, 0);
            ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDOK), BM_CLICK, 0, 0);
        });
        ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_SYSCOMMAND, ID_LIBRARY_MAINTENANCE, 0);
        fw::SetModalDialogHook(nullptr);
    }

    CombinationLibrary Saved()
    {
        CombinationLibrary saved;
        EXPECT_EQ(ReadCombinationFile(libraryPath, saved), 1);
        return saved;
    }
    std::string FirstDescription()
    {
        const CombinationLibrary saved = Saved();
        return saved.IsEmpty() ? std::string() : FieldString(saved[0].shortDescription);
    }
};

bool IsOffer(const Box& box) { return box.text.find("要把新增和修改的配色组合另存为交换文件吗") != std::string::npos; }

TEST_F(PanelEnd, AMaintenanceDeletionIsInTheFileWhenTheDialogCloses)
{
    ASSERT_NE(Go(), nullptr);
    VisitMaintenance(true);

    ASSERT_NE(CColorPanelDlg::Current(), nullptr);  // the panel is still open
    const CombinationLibrary saved = Saved();
    ASSERT_EQ(saved.GetCount(), 2);
    EXPECT_EQ(FieldString(saved[0].name), "冷色卧室");
    EXPECT_EQ(FieldString(saved[1].name), "木地板客厅");
    ASSERT_EQ(boxes.size(), 1u);  // the delete question, nothing else
    EXPECT_FALSE(CColorPanelDlg::Current()->Session().sharedLibrary.HasPendingChanges());
}

TEST_F(PanelEnd, AMaintenanceVisitFromTheAddDialogIsSavedWhenTheAddIsCancelled)
{
    ASSERT_NE(Go(), nullptr);
    RightClick(100, 50, ID_CLASSIFY_CEILING);
    RightClick(100, 300, ID_CLASSIFY_FLOOR);
    RightClick(20, 150, ID_CLASSIFY_WALL);
    // "加入图库", "库维护...", "删除" and "退出" there, then "取消".
    fw::SetModalDialogHook([](CDialog& dialog) {
        const HWND deleteButton = ::GetDlgItem(dialog.m_hWnd, IDC_MAINT_DELETE);
        if (deleteButton != nullptr) {
            ::SendMessageW(deleteButton, BM_CLICK, 0, 0);
            ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDOK), BM_CLICK, 0, 0);
            return;
        }
        ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDC_ADD_MAINTENANCE), BM_CLICK, 0, 0);
        ::SendMessageW(::GetDlgItem(dialog.m_hWnd, IDCANCEL), BM_CLICK, 0, 0);
    });
    Command(IDC_LIBRARY_BUTTON);
    fw::SetModalDialogHook(nullptr);

    ASSERT_NE(CColorPanelDlg::Current(), nullptr);
    EXPECT_EQ(Saved().GetCount(), 2);
}

TEST_F(PanelEnd, AnUnsavedChangeIsOfferedWhenTheHostClosesAndSavedWhenItsWindowGoes)
{
    ASSERT_NE(Go(), nullptr);
    Hold();
    VisitMaintenance(false);
    ASSERT_EQ(boxes.size(), 1u);
    ExpectSaveFailure(boxes[0].text, libraryPath);

    // The host is asked to close while the file is still held: the save fails
    // again (already told) and the work is offered as an exchange file.
    ::SendMessageW(hostWindow, WM_CLOSE, 0, 0);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(IsOffer(boxes[1])) << boxes[1].text;
    EXPECT_EQ(CColorPanelDlg::Current()->Session().sharedLibrary.HasPendingChanges(), true);

    // The host destroys its main window once the file is free: saved, without a word.
    Release();
    ::DestroyWindow(hostWindow);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_EQ(FirstDescription(), "new words");
}

TEST_F(PanelEnd, TheEndOfTheSessionSavesAndOffersOnlyWhileItMayBeCancelled)
{
    ASSERT_NE(Go(), nullptr);
    Hold();
    VisitMaintenance(false);
    ASSERT_EQ(boxes.size(), 1u);

    EXPECT_EQ(::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_QUERYENDSESSION, 0, 0), TRUE);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(IsOffer(boxes[1])) << boxes[1].text;

    // The session ends while the file is still held: a silent attempt.
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(CColorPanelDlg::Current()->Session().sharedLibrary.HasPendingChanges());
    Release();
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(FirstDescription(), "new words");
}

TEST_F(PanelEnd, APanelDestroyedByTheHostSavesAndTheHostsWindowNoLongerReachesIt)
{
    ASSERT_NE(Go(), nullptr);
    Hold();
    VisitMaintenance(true);
    Release();
    ::DestroyWindow(CColorPanelDlg::Current()->m_hWnd);
    EXPECT_EQ(CColorPanelDlg::Current(), nullptr);
    EXPECT_EQ(Saved().GetCount(), 2);
    ::SendMessageW(hostWindow, WM_CLOSE, 0, 0);  // no panel, no hook: nothing happens
    EXPECT_EQ(boxes.size(), 2u);  // the question and the failure at the dialog's close
}

}  // namespace
