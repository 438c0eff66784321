// Text passes between the program's code page 936 and Windows' UTF-16 at
// every call, whatever the system code page (the tests run with C.UTF-8).
#include "TestSupport.h"

#include <gtest/gtest.h>

TEST(Text, ConvertsCodePage936BothWays)
{
    const std::string text = "染界：顶棚表面";
    const std::wstring wide = fw::Widen(text);
    EXPECT_EQ(wide, L"\u67D3\u754C\uFF1A\u9876\u68DA\u8868\u9762");
    EXPECT_EQ(fw::Narrow(wide), text);
    EXPECT_EQ(fw::Widen("ABC \\"), L"ABC \\");
    EXPECT_EQ(fw::Widen(""), L"");
    EXPECT_EQ(fw::Narrow(L""), "");
}

TEST(Text, WindowTextRoundTripsThroughTheWideCalls)
{
    const HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(wnd);
    const std::string text = "请键入一个整数。ABC\\表";
    ASSERT_TRUE(fw::SetText(wnd, text));
    EXPECT_EQ(RawText(wnd), fw::Widen(text));
    EXPECT_EQ(RawText(wnd).substr(0, 2), L"\u8BF7\u952E");
    EXPECT_EQ(fw::GetText(wnd), text);
    SetWindowTextW(wnd, L"\u5899\u9762");  // set by someone else, in UTF-16
    EXPECT_EQ(fw::GetText(wnd), "墙面");
    fw::SetText(wnd, "");
    EXPECT_EQ(fw::GetText(wnd), "");
    DestroyWindow(wnd);
}

TEST(Text, ResourceTextsArriveAsCodePage936)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_TEST));
    EXPECT_EQ(dialog.GetWindowText(), "框架测试对话框");
    EXPECT_EQ(dialog.GetDlgItemText(IDC_LABEL), "名称：");
    EXPECT_EQ(dialog.GetDlgItemText(IDOK), "确定");
    dialog.SetDlgItemText(IDC_APPLY, "加入图库");
    EXPECT_EQ(RawText(dialog.GetDlgItem(IDC_APPLY)), L"\u52A0\u5165\u56FE\u5E93");
    EXPECT_EQ(fw::LoadResourceString(IDS_TITLE), "选择进行材质贴图更换的贴图路径：");
    EXPECT_EQ(fw::LoadResourceString(12345), "");
    dialog.DestroyWindow();
}

TEST(Text, PlaceholderIsReplacedEverywhere)
{
    EXPECT_EQ(fw::ReplacePlaceholder("“请填入不多于%1个的字符。”", "250"), "“请填入不多于250个的字符。”");
    EXPECT_EQ(fw::ReplacePlaceholder("%1-%1", "x"), "x-x");
    EXPECT_EQ(fw::ReplacePlaceholder("none", "x"), "none");
}

// 0x81 0x5C is one character whose second byte is a backslash.
TEST(ModuleFolder, CutsAtTheLastRealBackslash)
{
    const std::string trailBackslash = "\x81\x5C";
    ASSERT_EQ(fw::Widen(trailBackslash).size(), 1u);
    EXPECT_EQ(fw::FolderOfPath("C:\\插件\\" + trailBackslash + "Tintgrove.dll"), "C:\\插件\\");
    EXPECT_EQ(fw::FolderOfPath("C:\\a\\" + trailBackslash), "C:\\a\\");
    EXPECT_EQ(fw::FolderOfPath("D:\\" + trailBackslash + "\\x.dll"), "D:\\" + trailBackslash + "\\");
    EXPECT_EQ(fw::FolderOfPath("C:\\Tintgrove\\"), "C:\\Tintgrove\\");
    EXPECT_EQ(fw::FolderOfPath("Tintgrove.dll"), "");
    EXPECT_EQ(fw::FolderOfPath(trailBackslash), "");
}

TEST(ModuleFolder, IsTheModulesOwnFolder)
{
    CWinApp app("染界");
    const std::string path = app.ModulePath();
    const std::string folder = app.ModuleFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), '\\');
    EXPECT_EQ(path.compare(0, folder.size(), folder), 0);
    EXPECT_EQ(path.substr(folder.size()), "framework_tests.exe");
    EXPECT_EQ(app.ModuleInstance(), GetModuleHandleW(nullptr));
    EXPECT_EQ(fw::ApplicationTitle(), "染界");
}

TEST(ModuleFolder, TitleFallsBackToTheModuleName)
{
    ASSERT_EQ(CWinApp::Current(), nullptr);
    EXPECT_EQ(fw::ApplicationTitle(), "framework_tests");
}
