// Orders of messages the framework guarantees, as the window procedure hooks
// see them.
#include "MessageSequence.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

void ExpectSequence(const MessageSequence& sequence, const std::vector<ExpectedMessage>& expected)
{
    const std::string differences = sequence.Compare(expected);
    EXPECT_TRUE(differences.empty()) << differences;
}

TEST(MessageSequences, AModalDialogsOwnerIsEnabledBeforeTheDialogIsDestroyed)
{
    const HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                       nullptr, nullptr, nullptr);
    ASSERT_TRUE(owner);
    MessageSequence sequence;
    sequence.Watch(owner, "owner", {WM_ENABLE});
    {
        ModalHookScope hook([&](CDialog& dialog) {
            sequence.Watch(dialog, "dialog", {WM_DESTROY});
            dialog.EndDialog(IDOK);
        });
        CTestDialog dialog(owner);
        EXPECT_EQ(dialog.DoModal(), IDOK);
    }
    ExpectSequence(sequence, {
        {"owner", WM_ENABLE, kWParam, FALSE},
        {"owner", WM_ENABLE, kWParam, TRUE},
        {"dialog", WM_DESTROY, 0, 0},
    });
    DestroyWindow(owner);
}

// WM_APP 1 sends the window WM_APP 0, whose handler destroys it.
class CNestedDestroyer : public CWnd {
public:
    explicit CNestedDestroyer(MessageSequence& sequence) : sequence_(sequence) {}

protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CWnd::GetMessageMap(), {on::Message(WM_APP, &CNestedDestroyer::OnApp)});
        return map;
    }
    void PostNcDestroy() override { sequence_.Mark("PostNcDestroy"); }

private:
    LRESULT OnApp(WPARAM outer, LPARAM)
    {
        if (!outer) return DestroyWindow();
        SendMessage(WM_APP, 0);
        sequence_.Mark("outer handler ends");
        return 0;
    }
    MessageSequence& sequence_;
};

TEST(MessageSequences, PostNcDestroyWaitsForTheOutermostHandler)
{
    MessageSequence sequence;
    CNestedDestroyer window(sequence);
    ASSERT_TRUE(window.CreateEx(0, "STATIC", "", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    sequence.Watch(window, "window", {WM_APP, WM_DESTROY, WM_NCDESTROY}, true);
    window.SendMessage(WM_APP, 1);
    ExpectSequence(sequence, {
        {"window", WM_APP, kWParam, 1},
        {"window", WM_APP, kWParam, 0},
        {"window", WM_DESTROY, 0, 0},
        {"window", WM_DESTROY, kReturned, 0},
        {"window", WM_NCDESTROY, 0, 0},
        {"window", WM_NCDESTROY, kReturned, 0},
        {"window", WM_APP, kReturned | kWParam, 0},
        {"outer handler ends", kMark, 0, 0},
        {"PostNcDestroy", kMark, 0, 0},
        {"window", WM_APP, kReturned | kWParam, 1},
    });
}

TEST(MessageSequences, ADialogsNotifyAnswerIsInItsMessageResult)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_TEST));
    dialog.notifyAnswer = 42;
    SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
    MessageSequence sequence;
    sequence.Watch(dialog, "dialog", {WM_NOTIFY}, true);
    // A click on the custom control: it sends its parent WM_NOTIFY.
    dialog.custom.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 4));
    ExpectSequence(sequence, {
        {"dialog", WM_NOTIFY, 0, 0},
        {"dialog", WM_NOTIFY, kReturned | kMsgResult, 42},
    });
    dialog.DestroyWindow();
}

}  // namespace
