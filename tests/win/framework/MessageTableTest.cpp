// The message table sends commands, notifications and messages to the right
// handlers, with decoded parameters; children keep their own notifications.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class MessageTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dialog.Create(IDD_TEST));
        dialog.log.clear();  // filling the controls changed the name edit
    }
    void TearDown() override
    {
        if (dialog.m_hWnd) dialog.DestroyWindow();
    }
    HWND Item(int id) const { return dialog.GetDlgItem(id); }
    LRESULT Command(UINT id, UINT code, HWND from) { return dialog.SendMessage(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(from)); }

    CTestDialog dialog;
};

TEST_F(MessageTable, RoutesCommandsByIdAndCode)
{
    SendMessageW(Item(IDC_APPLY), BM_CLICK, 0, 0);
    Command(IDC_CHOICE, CBN_SELCHANGE, Item(IDC_CHOICE));
    Command(IDC_CHOICE, CBN_DROPDOWN, Item(IDC_CHOICE));  // no entry for this code
    Command(ID_CEILING, 0, nullptr);                       // menu
    Command(ID_CEILING, 1, nullptr);                       // accelerator
    Command(ID_ITEM_FIRST + 3, 0, nullptr);
    Command(ID_ITEM_LAST, 0, nullptr);
    Command(ID_ITEM_LAST + 1, 0, nullptr);                 // outside the range
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"apply", "choice changed", "ceiling", "ceiling", "item 32779",
                                                    "item 32795"}));
}

TEST_F(MessageTable, CodeOneFromAControlIsNotAClick)
{
    // CBN_SELCHANGE is 1, like an accelerator; from a control it is only the notification.
    Command(IDC_CHOICE, CBN_SELCHANGE, Item(IDC_CHOICE));
    Command(IDC_CHOICE, BN_CLICKED, Item(IDC_CHOICE));
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"choice changed", "choice command"}));
}

TEST_F(MessageTable, SelectingInTheComboNotifiesTheDialog)
{
    // The user's pick in the list is what sends CBN_SELCHANGE; simulate the keyboard.
    HWND combo = Item(IDC_CHOICE);
    SetFocus(combo);
    SendMessageW(combo, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"choice changed"}));
}

TEST_F(MessageTable, NotificationsReachTheirHandlerAndAnswer)
{
    // The custom control sends WM_NOTIFY on a click, in client coordinates.
    const LRESULT answer = SendMessageW(Item(IDC_CUSTOM), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-5, 12));
    EXPECT_EQ(answer, 0);
    ASSERT_EQ(dialog.custom.clicks.size(), 1u);
    EXPECT_EQ(dialog.custom.clicks[0].x, -5);
    EXPECT_EQ(dialog.custom.clicks[0].y, 12);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"custom clicked 1010"}));

    NMHDR header{Item(IDC_CUSTOM), IDC_CUSTOM, NM_TESTCTL_CLICKED};
    dialog.notifyAnswer = 77;
    EXPECT_EQ(dialog.SendMessage(WM_NOTIFY, IDC_CUSTOM, reinterpret_cast<LPARAM>(&header)), 77);
    EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_MSGRESULT), 77);

    NMHDR other{Item(IDC_CUSTOM), IDC_CUSTOM, NM_TESTCTL_CLICKED + 1};
    EXPECT_EQ(dialog.SendMessage(WM_NOTIFY, IDC_CUSTOM, reinterpret_cast<LPARAM>(&other)), 0);
    EXPECT_EQ(dialog.log.size(), 2u);
}

TEST_F(MessageTable, PrivateMessagesAndDecodedParameters)
{
    EXPECT_EQ(dialog.SendMessage(WM_TEST_PRIVATE, 3, 4), 1234);
    dialog.SendMessage(WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(-20, -1));
    EXPECT_EQ(SendMessageW(Item(IDC_CUSTOM), WM_TEST_CONTROL_PING, 40, 2), 42);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"private 3 4", "move 4 -20,-1"}));
}

TEST_F(MessageTable, TimersArriveAsTimerMessages)
{
    dialog.SetTimer(7, 10);
    EXPECT_TRUE(fw::PumpUntil([&] { return !dialog.log.empty(); }, 3000));
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"timer 7"}));
}

TEST_F(MessageTable, UnansweredMessagesGetDefaultHandling)
{
    // WM_GETDLGCODE and WM_SETTEXT are not in any table: the dialog manager does them.
    dialog.SetWindowText("新标题");
    EXPECT_EQ(RawText(dialog), L"\u65B0\u6807\u9898");
    EXPECT_EQ(dialog.SendMessage(WM_GETDLGCODE), 0);
}

TEST(Reflection, AChildKeepsItsOwnNotification)
{
    CTestDialog dialog;
    dialog.attachNameEdit = true;
    ASSERT_TRUE(dialog.Create(IDD_TEST));
    ASSERT_EQ(CWnd::FromHandle(dialog.GetDlgItem(IDC_NAME)), &dialog.nameEdit);
    dialog.log.clear();
    const int before = dialog.nameEdit.changes;

    dialog.nameEdit.SetWindowText("李四");  // EN_CHANGE
    EXPECT_EQ(dialog.nameEdit.changes, before + 1);
    EXPECT_TRUE(dialog.log.empty());

    dialog.nameEdit.passChangeToParent = true;
    dialog.nameEdit.SetWindowText("王五");
    EXPECT_EQ(dialog.nameEdit.changes, before + 2);
    EXPECT_EQ(dialog.log, (std::vector<std::string>{"name changed"}));
    dialog.DestroyWindow();
}

// A control that answers its own click notification.
class CSelfAnsweringControl : public CTestControl {
public:
    int answered = 0;

protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CTestControl::GetMessageMap(), {
            on::ReflectNotify(NM_TESTCTL_CLICKED, &CSelfAnsweringControl::OnClicked),
        });
        return map;
    }

private:
    LRESULT OnClicked(NMHDR* header)
    {
        ++answered;
        return static_cast<LRESULT>(header->idFrom) + 1;
    }
};

TEST(Reflection, AChildAnswersItsOwnNotifyFirst)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_TEST));
    dialog.log.clear();
    dialog.custom.UnsubclassWindow();
    CSelfAnsweringControl control;
    ASSERT_TRUE(control.SubclassDlgItem(IDC_CUSTOM, dialog));
    NMHDR header{control, IDC_CUSTOM, NM_TESTCTL_CLICKED};
    EXPECT_EQ(dialog.SendMessage(WM_NOTIFY, IDC_CUSTOM, reinterpret_cast<LPARAM>(&header)), IDC_CUSTOM + 1);
    EXPECT_EQ(control.answered, 1);
    EXPECT_TRUE(dialog.log.empty());
    dialog.DestroyWindow();
}

TEST(Subclassing, TheObjectSeesTheControlsMessagesAndCanDefer)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_TEST));
    CFilterEdit edit;
    ASSERT_TRUE(edit.SubclassDlgItem(IDC_COUNT, dialog));
    EXPECT_FALSE(CFilterEdit().SubclassDlgItem(IDC_COUNT, dialog));  // one object per window
    edit.SetWindowText("");
    for (wchar_t ch : std::wstring(L"a1b2\u8868")) edit.SendMessage(WM_CHAR, ch, 1);
    EXPECT_EQ(edit.GetWindowText(), "ab表");

    const HWND wnd = edit.UnsubclassWindow();
    EXPECT_EQ(wnd, dialog.GetDlgItem(IDC_COUNT));
    EXPECT_EQ(CWnd::FromHandle(wnd), nullptr);
    SendMessageW(wnd, WM_CHAR, L'9', 1);
    EXPECT_EQ(fw::GetText(wnd), "ab表9");

    CWnd plain;
    ASSERT_TRUE(plain.Attach(wnd));  // a wrapper only: no routing
    EXPECT_EQ(CWnd::FromHandle(wnd), nullptr);
    EXPECT_EQ(plain.GetWindowText(), "ab表9");
    EXPECT_EQ(plain.Detach(), wnd);
    dialog.DestroyWindow();
}

class CThrowing : public CWnd {
protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CWnd::GetMessageMap(), {on::Message(WM_APP, &CThrowing::OnApp)});
        return map;
    }

private:
    LRESULT OnApp(WPARAM, LPARAM) { throw std::runtime_error("handler failed"); }
};

TEST(Subclassing, NoExceptionLeavesTheWindowProcedure)
{
    GuardLogCapture log;
    MessageBoxRecorder boxes;
    CThrowing wnd;
    ASSERT_TRUE(wnd.CreateEx(0, "STATIC", "", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    EXPECT_EQ(wnd.SendMessage(WM_APP), 0);
    EXPECT_TRUE(IsWindow(wnd));
    // No action of the user's: logged, nothing shown.
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NE(log.Text().find("message 0x8000, class "), std::string::npos) << log.Text();
    EXPECT_NE(log.Text().find(": handler failed"), std::string::npos) << log.Text();
}

TEST(Subclassing, CreatedWindowsGoWithTheirObject)
{
    HWND wnd = nullptr;
    {
        CTestControl control;
        ASSERT_TRUE(control.CreateEx(0, "CTestCtl", "", WS_POPUP, RECT{0, 0, 50, 20}, nullptr, 0));
        wnd = control;
        EXPECT_EQ(CWnd::FromHandle(wnd), &control);
        EXPECT_EQ(control.SendMessage(WM_TEST_CONTROL_PING, 1, 2), 3);
    }
    EXPECT_FALSE(IsWindow(wnd));
}
}  // namespace

TEST(WindowPlacement, CentresOverTheOwnerOrTheWorkArea)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, "STATIC", "", WS_POPUP | WS_VISIBLE, RECT{100, 100, 500, 400}, nullptr, 0));
    CWnd owned;
    ASSERT_TRUE(owned.CreateEx(0, "STATIC", "", WS_POPUP, RECT{0, 0, 100, 50}, owner.m_hWnd, 0));
    owned.CenterWindow();
    RECT r = owned.GetWindowRect();
    EXPECT_EQ(r.left, 250);
    EXPECT_EQ(r.top, 225);

    // Without an owner: the work area of a monitor; a window larger than the
    // area keeps its top-left corner inside it.
    CWnd alone;
    ASSERT_TRUE(alone.CreateEx(0, "STATIC", "", WS_POPUP, RECT{0, 0, 5000, 5000}, nullptr, 0));
    alone.CenterWindow();
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(alone.m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor));
    r = alone.GetWindowRect();
    EXPECT_EQ(r.left, monitor.rcWork.left);
    EXPECT_EQ(r.top, monitor.rcWork.top);
    alone.DestroyWindow();
    owned.DestroyWindow();
    owner.DestroyWindow();
}
