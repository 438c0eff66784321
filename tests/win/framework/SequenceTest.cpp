// Orders of messages the framework guarantees, recorded by the thread's
// window procedure hooks: a modal dialog's owner is enabled before the
// dialog goes, PostNcDestroy waits for the outermost handler, and a dialog's
// WM_NOTIFY answer is in DWLP_MSGRESULT.
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

constexpr UINT kOuterHandlerEnds = 0x10001;
constexpr UINT kPostNcDestroyRuns = 0x10002;

// WM_APP sends WM_APP+1, whose handler destroys the window.
class CNestedDestroyer : public CWnd {
public:
    explicit CNestedDestroyer(MessageSequence& sequence) : sequence_(sequence) {}

protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CWnd::GetMessageMap(), {
            on::Message(WM_APP, &CNestedDestroyer::OnOuter),
            on::Message(WM_APP + 1, &CNestedDestroyer::OnInner),
        });
        return map;
    }
    void PostNcDestroy() override { sequence_.Mark("window", kPostNcDestroyRuns); }

private:
    LRESULT OnOuter(WPARAM, LPARAM)
    {
        SendMessage(WM_APP + 1);
        sequence_.Mark("window", kOuterHandlerEnds);
        return 0;
    }
    LRESULT OnInner(WPARAM, LPARAM)
    {
        DestroyWindow();
        return 0;
    }
    MessageSequence& sequence_;
};

TEST(MessageSequences, PostNcDestroyWaitsForTheOutermostHandler)
{
    MessageSequence::NameMark(kOuterHandlerEnds, "outer handler ends");
    MessageSequence::NameMark(kPostNcDestroyRuns, "PostNcDestroy");
    MessageSequence sequence;
    CNestedDestroyer window(sequence);
    ASSERT_TRUE(window.CreateEx(0, "STATIC", "", WS_POPUP, RECT{0, 0, 10, 10}, nullptr, 0));
    sequence.Watch(window, "window", {WM_APP, WM_APP + 1, WM_DESTROY, WM_NCDESTROY}, true);
    window.SendMessage(WM_APP);
    ExpectSequence(sequence, {
        {"window", WM_APP, 0, 0},
        {"window", WM_APP + 1, 0, 0},
        {"window", WM_DESTROY, 0, 0},
        {"window", WM_DESTROY, kReturned, 0},
        {"window", WM_NCDESTROY, 0, 0},
        {"window", WM_NCDESTROY, kReturned, 0},
        {"window", WM_APP + 1, kReturned, 0},
        {"window", kOuterHandlerEnds, 0, 0},
        {"window", kPostNcDestroyRuns, 0, 0},
        {"window", WM_APP, kReturned, 0},
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
