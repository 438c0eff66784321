// The guard at the framework's boundaries: a handler that throws is logged
// with its place, the user is told once which action failed, and the window
// goes on working.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class CFailingDialog : public CDialog {
public:
    CFailingDialog() : CDialog(IDD_TEST) {}
    int failuresLeft = 0;
    int applied = 0;

protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CDialog::GetMessageMap(), {
            on::Command(IDC_APPLY, &CFailingDialog::OnApply),
            on::Message(WM_CLOSE, &CFailingDialog::OnCloseMessage),
        });
        return map;
    }

private:
    void OnApply()
    {
        if (failuresLeft > 0) {
            --failuresLeft;
            throw std::runtime_error("磁盘已满");
        }
        ++applied;
    }
    // A save on closing that fails: the dialog stays open.
    LRESULT OnCloseMessage(WPARAM, LPARAM) { throw std::runtime_error("保存失败"); }
};

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

TEST(Guard, AFailedActionIsToldOnceAndLoggedAndTheDialogGoesOn)
{
    GuardLogCapture log;
    CFailingDialog dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.ShowWindow(SW_SHOW);
    dialog.failuresLeft = 2;
    std::vector<std::string> told;
    const fw::MessageBoxHandler previous =
        fw::SetMessageBoxHandler([&](const std::string& text, const std::string&, UINT type) {
            told.push_back(text);
            EXPECT_EQ(type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
            // The user clicks again while the message is up: that failure is only logged.
            dialog.SendDlgItemMessage(IDC_APPLY, BM_CLICK);
            return IDOK;
        });
    dialog.SendDlgItemMessage(IDC_APPLY, BM_CLICK);
    EXPECT_EQ(told, (std::vector<std::string>{"“应用”未能完成：磁盘已满"}));
    const std::string place = "window procedure, message 0x0111 id " + std::to_string(IDC_APPLY) + ", class #32770: ";
    EXPECT_EQ(Count(log.Text(), place + "磁盘已满"), 2u) << log.Text();

    dialog.SendDlgItemMessage(IDC_APPLY, BM_CLICK);
    EXPECT_EQ(dialog.applied, 1);

    told.clear();
    dialog.SendMessage(WM_CLOSE);
    EXPECT_EQ(told, (std::vector<std::string>{"“关闭框架测试对话框”未能完成：保存失败"}));
    EXPECT_TRUE(IsWindow(dialog));
    fw::SetMessageBoxHandler(previous);
    dialog.DestroyWindow();
}

TEST(Guard, AnEntryPointTellsItsActionAndAnyException)
{
    GuardLogCapture log;
    MessageBoxRecorder boxes;
    EXPECT_FALSE(fw::Guarded("test entry", "打开染界", [] { throw 42; }));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "“打开染界”未能完成：未知错误");
    EXPECT_FALSE(fw::GuardedQuietly("quiet entry", [] { throw std::runtime_error("不显示"); }));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_TRUE(fw::Guarded("test entry", "打开染界", [] {}));
    const std::string logged = log.Text();
    EXPECT_NE(logged.find("test entry: 未知错误"), std::string::npos) << logged;
    EXPECT_NE(logged.find("quiet entry: 不显示"), std::string::npos) << logged;
}

}  // namespace
