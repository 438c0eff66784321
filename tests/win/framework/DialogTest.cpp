// Dialogs: data exchange of every kind, the refusal of bad values, modal runs
// with their own loop, pre-translation under a host's loop, and the
// self-deleting modeless dialog.
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

class DataExchange : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dialog.Create(IDD_TEST)); }
    void TearDown() override
    {
        if (dialog.m_hWnd) dialog.DestroyWindow();
    }
    HWND Item(int id) const { return dialog.GetDlgItem(id); }
    void Type(int id, const std::string& text) { fw::SetText(Item(id), text); }
    int Checked(int id) const { return static_cast<int>(SendMessageW(Item(id), BM_GETCHECK, 0, 0)); }

    CTestDialog dialog;
};

TEST_F(DataExchange, InitialisationWritesEveryMemberToItsControl)
{
    EXPECT_EQ(fw::GetText(Item(IDC_NAME)), "张三");
    EXPECT_EQ(fw::GetText(Item(IDC_COUNT)), "7");
    EXPECT_EQ(SendMessageW(Item(IDC_CHOICE), CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(fw::GetText(Item(IDC_CHOICE)), "颜色循环");
    EXPECT_EQ(SendMessageW(Item(IDC_LIST), LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(Checked(IDC_RADIO1), BST_UNCHECKED);
    EXPECT_EQ(Checked(IDC_RADIO2), BST_CHECKED);
    EXPECT_EQ(Checked(IDC_RADIO3), BST_UNCHECKED);
    EXPECT_EQ(Checked(IDC_CHECK), BST_CHECKED);
    EXPECT_EQ(fw::GetText(Item(IDC_NOTE)), "备注");
    EXPECT_EQ(SendMessageW(Item(IDC_NOTE), EM_GETLIMITTEXT, 0, 0), 5);
    EXPECT_EQ(CWnd::FromHandle(Item(IDC_CUSTOM)), &dialog.custom);
}

TEST_F(DataExchange, ReadsEveryKindBack)
{
    Type(IDC_NAME, "李四 Li");
    Type(IDC_COUNT, "  -12 ");
    SendMessageW(Item(IDC_CHOICE), CB_SETCURSEL, 2, 0);
    SendMessageW(Item(IDC_LIST), LB_SETCURSEL, 0, 0);
    SendMessageW(Item(IDC_RADIO3), BM_CLICK, 0, 0);
    SendMessageW(Item(IDC_CHECK), BM_CLICK, 0, 0);
    Type(IDC_NOTE, "顶棚表面A");  // five characters, nine bytes
    MessageBoxRecorder boxes;
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(dialog.name, "李四 Li");
    EXPECT_EQ(dialog.count, -12);
    EXPECT_EQ(dialog.choice, 2);
    EXPECT_EQ(dialog.listIndex, 0);
    EXPECT_EQ(dialog.radio, 2);
    EXPECT_EQ(dialog.check, BST_UNCHECKED);
    EXPECT_EQ(dialog.note, "顶棚表面A");
}

TEST_F(DataExchange, WritesChangedMembersAndEmptySelections)
{
    dialog.name = "";
    dialog.count = 2147483647;
    dialog.choice = -1;
    dialog.listIndex = -1;
    dialog.radio = -1;
    dialog.check = BST_UNCHECKED;
    dialog.noteLimit = 250;
    ASSERT_TRUE(dialog.UpdateData(false));
    EXPECT_EQ(fw::GetText(Item(IDC_NAME)), "");
    EXPECT_EQ(fw::GetText(Item(IDC_COUNT)), "2147483647");
    EXPECT_EQ(SendMessageW(Item(IDC_CHOICE), CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SendMessageW(Item(IDC_LIST), LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(Checked(IDC_RADIO1) + Checked(IDC_RADIO2) + Checked(IDC_RADIO3), 0);
    EXPECT_EQ(Checked(IDC_CHECK), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(Item(IDC_NOTE), EM_GETLIMITTEXT, 0, 0), 250);
    ASSERT_TRUE(dialog.UpdateData(true));
    EXPECT_EQ(dialog.radio, -1);
    EXPECT_EQ(dialog.count, 2147483647);
}

TEST_F(DataExchange, ANonNumberStopsTheExchangeWithTheMessage)
{
    for (const char* bad : {"abc", "12abc", "", " - 3", "99999999999", "1.5", "一"}) {
        SCOPED_TRACE(bad);
        Type(IDC_COUNT, bad);
        SendMessageW(Item(IDC_CHECK), BM_SETCHECK, BST_UNCHECKED, 0);
        SendMessageW(Item(IDC_CHOICE), CB_SETCURSEL, 0, 0);
        Type(IDC_NAME, "王五");
        dialog.count = 7;
        dialog.choice = 1;
        dialog.check = BST_CHECKED;
        dialog.name = "";
        MessageBoxRecorder boxes;
        EXPECT_FALSE(dialog.UpdateData(true));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "请键入一个整数。");
        EXPECT_EQ(boxes.boxes[0].text, fw::kMessageEnterInteger);
        EXPECT_EQ(boxes.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
        // Members before the integer were read, the rest kept their values.
        EXPECT_EQ(dialog.name, "王五");
        EXPECT_EQ(dialog.count, 7);
        EXPECT_EQ(dialog.choice, 1);
        EXPECT_EQ(dialog.check, BST_CHECKED);
        EXPECT_EQ(GetFocus(), Item(IDC_COUNT));
    }
}

TEST_F(DataExchange, TooManyCharactersAreRefusedWithTheLimitInTheMessage)
{
    Type(IDC_NOTE, "请填入六个字");  // six characters
    dialog.note = "old";
    MessageBoxRecorder boxes;
    EXPECT_FALSE(dialog.UpdateData(true));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "“请填入不多于5个的字符。”");
    EXPECT_EQ(dialog.note, "请填入六个字");  // read, then refused
    EXPECT_EQ(GetFocus(), Item(IDC_NOTE));

    dialog.noteLimit = 6;
    boxes.boxes.clear();
    EXPECT_TRUE(dialog.UpdateData(true));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(fw::CharacterCount("ab表\x81"), 4);
}

TEST(ModalDialog, AHookTypesClicksAndEndsIt)
{
    const HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    CTestDialog dialog(owner);
    bool ownerDisabledDuringRun = false;
    MessageBoxRecorder boxes;
    ModalHookScope hook([&](CDialog& running) {
        EXPECT_EQ(&running, &dialog);
        EXPECT_EQ(running.TemplateId(), static_cast<UINT>(IDD_TEST));
        EXPECT_TRUE(running.IsModal());
        ownerDisabledDuringRun = !IsWindowEnabled(owner);
        running.SetDlgItemText(IDC_NAME, "赵六");
        running.SetDlgItemText(IDC_COUNT, "x");
        running.SendDlgItemMessage(IDOK, BM_CLICK);  // refused: not a number
        EXPECT_EQ(boxes.boxes.size(), 1u);
        running.SetDlgItemText(IDC_COUNT, "42");
        running.SendDlgItemMessage(IDOK, BM_CLICK);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(ownerDisabledDuringRun);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.name, "赵六");
    EXPECT_EQ(dialog.count, 42);
    DestroyWindow(owner);
}

TEST(ModalDialog, CancelAndEscapeEndIt)
{
    CTestDialog dialog;
    {
        ModalHookScope hook([](CDialog& running) { running.SendDlgItemMessage(IDCANCEL, BM_CLICK); });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    {
        ModalHookScope hook([](CDialog& running) {
            running.PostMessage(WM_CLOSE);
        });
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
}

// Ends the run when WM_TEST_FINISH arrives, i.e. after everything posted before it.
constexpr UINT WM_TEST_FINISH = WM_APP + 9;
class CKeyDialog : public CTestDialog {
public:
    HWND focusAtEnd = nullptr;

protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CTestDialog::GetMessageMap(), {on::Message(WM_TEST_FINISH, &CKeyDialog::OnFinish)});
        return map;
    }

private:
    LRESULT OnFinish(WPARAM, LPARAM)
    {
        focusAtEnd = ::GetFocus();
        EndDialog(IDOK);
        return 0;
    }
};

void PostKeys(HWND dialog, HWND to)
{
    PostMessageW(to, WM_KEYDOWN, VK_F5, 0);   // swallowed by the dialog's PreTranslateMessage
    PostMessageW(to, WM_KEYDOWN, VK_F6, 0);   // not a dialog key: reaches the edit
    PostMessageW(to, WM_KEYDOWN, VK_TAB, 0);  // dialog navigation: focus to the next control
    PostMessageW(dialog, WM_TEST_FINISH, 0, 0);
}

TEST(ModalDialog, ItsLoopPreTranslatesKeys)
{
    CKeyDialog dialog;
    dialog.attachNameEdit = true;
    HWND count = nullptr;
    ModalHookScope hook([&](CDialog& running) {
        count = running.GetDlgItem(IDC_COUNT);
        const HWND name = running.GetDlgItem(IDC_NAME);
        ::SetFocus(name);
        PostKeys(running, name);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.keysSeen, (std::vector<UINT>{VK_F5, VK_F6, VK_TAB}));
    EXPECT_EQ(dialog.nameEdit.keys, (std::vector<UINT>{VK_F6}));
    EXPECT_EQ(dialog.focusAtEnd, count);
    EXPECT_NE(count, nullptr);
}

TEST(ModalDialog, ATestNeverHangsOnAForgottenDialog)
{
    CTestDialog dialog;
    ModalHookScope hook([](CDialog&) {}, 200);
    EXPECT_EQ(dialog.DoModal(), IDABORT);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
}

TEST(HostLoop, TheThreadHookPreTranslatesForModelessWindows)
{
    EXPECT_FALSE(fw::MessageHookInstalled());
    CKeyDialog dialog;
    dialog.attachNameEdit = true;
    ASSERT_TRUE(dialog.Create(IDD_TEST));
    dialog.ShowWindow(SW_SHOW);
    EXPECT_TRUE(fw::MessageHookInstalled());
    const HWND name = dialog.GetDlgItem(IDC_NAME);
    const HWND count = dialog.GetDlgItem(IDC_COUNT);
    ::SetFocus(name);
    PostKeys(dialog, name);

    // The host's own loop: no pre-translation of its own.
    const ULONGLONG start = GetTickCount64();
    while (dialog.m_hWnd && GetTickCount64() - start < 5000) {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
    }
    ASSERT_EQ(dialog.m_hWnd, nullptr) << "the finishing message never arrived";
    EXPECT_EQ(dialog.keysSeen, (std::vector<UINT>{VK_F5, VK_F6, VK_TAB}));
    EXPECT_EQ(dialog.nameEdit.keys, (std::vector<UINT>{VK_F6}));
    EXPECT_EQ(dialog.focusAtEnd, count);
    EXPECT_FALSE(fw::MessageHookInstalled());
}

// A framework window that is no dialog: it records the keys given to its
// pre-translation and lets them all through (a dialog's IsDialogMessage
// would take every key, hiding a second pre-translation).
class CKeyRecorder : public CWnd {
public:
    std::vector<UINT> keys;
    bool PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_KEYDOWN) keys.push_back(static_cast<UINT>(msg->wParam));
        return false;
    }
};

TEST(HostLoop, EachKeyIsPreTranslatedOnceAndAnotherWindowsKeysAreLeftAlone)
{
    CKeyRecorder recorder;
    ASSERT_TRUE(recorder.CreateEx(0, "STATIC", "", WS_POPUP, RECT{0, 0, 40, 20}, nullptr, 0));
    const HWND foreign =
        CreateWindowExW(0, L"EDIT", L"", WS_POPUP, 0, 0, 80, 20, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(foreign, nullptr);

    // The host's loop fetches: the hook pre-translates the key for our
    // window; the host's own window gets its key as it was posted.
    PostMessageW(foreign, WM_KEYDOWN, VK_F5, 0x3F0001);
    PostMessageW(recorder, WM_KEYDOWN, VK_F7, 0);
    std::vector<MSG> hostKeys;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_KEYDOWN) hostKeys.push_back(msg);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ASSERT_EQ(hostKeys.size(), 2u);
    EXPECT_EQ(hostKeys[0].hwnd, foreign);
    EXPECT_EQ(hostKeys[0].wParam, static_cast<WPARAM>(VK_F5));
    EXPECT_EQ(hostKeys[0].lParam, 0x3F0001);
    EXPECT_EQ(hostKeys[1].hwnd, recorder.m_hWnd);
    EXPECT_EQ(recorder.keys, (std::vector<UINT>{VK_F7}));

    // A modal dialog of ours fetches: its loop pre-translates, the hook
    // (still installed) steps aside.
    CKeyDialog dialog;
    ModalHookScope hook([&](CDialog& running) {
        PostMessageW(recorder, WM_KEYDOWN, VK_F8, 0);
        PostMessageW(running, WM_TEST_FINISH, 0, 0);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(recorder.keys, (std::vector<UINT>{VK_F7, VK_F8}));
    EXPECT_TRUE(dialog.keysSeen.empty());

    DestroyWindow(foreign);
    recorder.DestroyWindow();
    EXPECT_FALSE(fw::MessageHookInstalled());
}

class CSelfDeletingDialog : public CDialog {
public:
    static int alive;
    CSelfDeletingDialog() : CDialog(IDD_PLAIN) { ++alive; }
    ~CSelfDeletingDialog() override { --alive; }

protected:
    void PostNcDestroy() override { delete this; }
};
int CSelfDeletingDialog::alive = 0;

TEST(ModelessDialog, DeletesItselfWhenItsWindowIsGone)
{
    auto* first = new CSelfDeletingDialog;
    auto* second = new CSelfDeletingDialog;
    ASSERT_TRUE(first->Create());
    ASSERT_TRUE(second->Create(IDD_PLAIN));
    const HWND firstWnd = *first;
    EXPECT_EQ(CWnd::FromHandle(firstWnd), first);
    EXPECT_EQ(CSelfDeletingDialog::alive, 2);
    EXPECT_TRUE(fw::MessageHookInstalled());

    // The close box: the dialog manager turns it into IDCANCEL, which ends a
    // modeless dialog by destroying its window.
    PostMessageW(firstWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(fw::PumpUntil([] { return CSelfDeletingDialog::alive == 1; }, 3000));
    EXPECT_FALSE(IsWindow(firstWnd));
    EXPECT_TRUE(fw::MessageHookInstalled());  // the second one still exists

    second->DestroyWindow();
    EXPECT_EQ(CSelfDeletingDialog::alive, 0);
    EXPECT_FALSE(fw::MessageHookInstalled());
}

// Destroys its own window from a handler, the way a panel closes itself.
class CClosingDialog : public CDialog {
public:
    static std::vector<std::string> events;
    CClosingDialog() : CDialog(IDD_PLAIN) {}
    ~CClosingDialog() override { events.push_back("deleted"); }

protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CDialog::GetMessageMap(), {on::Message(WM_TEST_FINISH, &CClosingDialog::OnFinish)});
        return map;
    }
    void PostNcDestroy() override
    {
        events.push_back("post nc destroy");
        delete this;
    }

private:
    LRESULT OnFinish(WPARAM, LPARAM)
    {
        DestroyWindow();
        events.push_back(m_hWnd ? "handler: still bound" : "handler: unbound, object alive");
        return 0;
    }
};
std::vector<std::string> CClosingDialog::events;

TEST(ModelessDialog, PostNcDestroyWaitsForTheHandlerThatDestroyedTheWindow)
{
    CClosingDialog::events.clear();
    auto* dialog = new CClosingDialog;
    ASSERT_TRUE(dialog->Create());
    const HWND wnd = *dialog;
    SendMessageW(wnd, WM_TEST_FINISH, 0, 0);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(CClosingDialog::events,
              (std::vector<std::string>{"handler: unbound, object alive", "post nc destroy", "deleted"}));
}

TEST(ModalDialog, OnTheStackOfAHandlerItIsNotFinishedLater)
{
    // A modal dialog run (and gone) inside another window's handler.
    CClosingDialog::events.clear();
    auto* outer = new CClosingDialog;
    ASSERT_TRUE(outer->Create());
    {
        ModalHookScope hook([&](CDialog& running) { running.SendDlgItemMessage(IDCANCEL, BM_CLICK); });
        // WM_CHAR on a subclassed edit of the outer dialog runs the modal
        // dialog, so it ends inside a framework window procedure.
        class CRunningEdit : public CEdit {
        public:
            int result = 0;

        protected:
            const MessageMap& GetMessageMap() const override
            {
                static const MessageMap map(CEdit::GetMessageMap(), {on::Char(&CRunningEdit::OnChar)});
                return map;
            }

        private:
            void OnChar(UINT, UINT, UINT)
            {
                CTestDialog modal;
                result = static_cast<int>(modal.DoModal());
            }
        };
        CRunningEdit edit;
        ASSERT_TRUE(edit.SubclassDlgItem(IDC_NAME, *outer));
        edit.SendMessage(WM_CHAR, 'x', 1);
        EXPECT_EQ(edit.result, IDCANCEL);
    }
    outer->DestroyWindow();
    EXPECT_EQ(CClosingDialog::events, (std::vector<std::string>{"post nc destroy", "deleted"}));
}

TEST(ModelessDialog, AFailedCreateLeavesTheObjectToItsCreator)
{
    // A control class nobody registered: the window is made, then destroyed.
    const int before = CSelfDeletingDialog::alive;
    auto* dialog = new CSelfDeletingDialog;
    EXPECT_FALSE(dialog->Create(IDD_BROKEN));
    EXPECT_EQ(CSelfDeletingDialog::alive, before + 1);  // not deleted by PostNcDestroy
    EXPECT_EQ(dialog->m_hWnd, nullptr);
    delete dialog;
    EXPECT_FALSE(fw::MessageHookInstalled());
}

TEST(ModelessDialog, CreateFailsCleanlyForAMissingTemplate)
{
    CDialog dialog(4242);
    EXPECT_FALSE(dialog.Create());
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_EQ(dialog.DoModal(), -1);
}

}  // namespace
