// The guard: a handler that throws is logged with its place, the user is
// told once which action failed, and the window goes on working.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class CFailingDialog : public CDialog {
public:
    CFailingDialog() : CDialog(IDD_TEST) {}
    int failuresLeft = 2;
    int applied = 0;

protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CDialog::GetMessageMap(), {
            on::Command(IDC_APPLY, &CFailingDialog::OnApply),
            on::Message(WM_CLOSE, &CFailingDialog::OnCloseMessage),  // a save on closing that fails
        });
        return map;
    }

private:
    void OnApply()
    {
        if (failuresLeft-- > 0) throw std::runtime_error("磁盘已满");
        ++applied;
    }
    LRESULT OnCloseMessage(WPARAM, LPARAM) { throw std::runtime_error("保存失败"); }
};

TEST(Guard, AFailedActionIsToldOnceAndLoggedAndTheDialogGoesOn)
{
    GuardLogCapture log;
    CFailingDialog dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.ShowWindow(SW_SHOW);
    MessageBoxRecorder boxes;
    // The user clicks again while the message is up: that failure is only logged.
    const fw::MessageBoxHandler recorder = fw::SetMessageBoxHandler(nullptr);
    fw::SetMessageBoxHandler([&](const std::string& text, const std::string& caption, UINT type) {
        EXPECT_EQ(type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
        dialog.SendDlgItemMessage(IDC_APPLY, BM_CLICK);
        return recorder(text, caption, type);
    });
    dialog.SendDlgItemMessage(IDC_APPLY, BM_CLICK);
    fw::SetMessageBoxHandler(recorder);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "“应用”未能完成：磁盘已满");
    const std::string line = "window procedure, message 0x0111 id " + std::to_string(IDC_APPLY) + ", class #32770: 磁盘已满";
    const std::string logged = log.Text();
    EXPECT_NE(logged.find(line), logged.rfind(line)) << "two lines expected:\n" << logged;

    dialog.SendDlgItemMessage(IDC_APPLY, BM_CLICK);
    EXPECT_EQ(dialog.applied, 1);
    dialog.SendMessage(WM_CLOSE);
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "“关闭框架测试对话框”未能完成：保存失败");
    EXPECT_TRUE(IsWindow(dialog));
    dialog.DestroyWindow();
}

TEST(Guard, EntryPointsTellTheirActionOrOnlyLog)
{
    GuardLogCapture log;
    MessageBoxRecorder boxes;
    EXPECT_FALSE(fw::Guarded("test entry", "打开染界", [] { throw 42; }));
    EXPECT_FALSE(fw::GuardedQuietly("quiet entry", [] { throw std::runtime_error("不显示"); }));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "“打开染界”未能完成：未知错误");
    EXPECT_NE(log.Text().find("test entry: 未知错误\r\n"), std::string::npos) << log.Text();
    EXPECT_NE(log.Text().find("quiet entry: 不显示\r\n"), std::string::npos) << log.Text();
}

}  // namespace
