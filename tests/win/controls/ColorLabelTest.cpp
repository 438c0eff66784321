#include "controls/ColorLabel.h"

#include "ControlsTestIds.h"
#include "TestWindows.h"

#include <gtest/gtest.h>

namespace {

// The replace-confirmation dialog's way: labels bound by data exchange.
class CLabelsDlg : public CDialog {
public:
    CLabelsDlg() : CDialog(IDD_LABELS) {}
    CColorLabel left, middle, center, right, rightMiddle;

protected:
    void DoDataExchange(CDataExchange& dx) override
    {
        DDX_Control(dx, IDC_LABEL_LEFT, left);
        DDX_Control(dx, IDC_LABEL_MIDDLE, middle);
        DDX_Control(dx, IDC_LABEL_CENTER, center);
        DDX_Control(dx, IDC_LABEL_RIGHT, right);
        DDX_Control(dx, IDC_LABEL_RIGHT_MIDDLE, rightMiddle);
    }
};

class ColorLabelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dialog.Create());
        ::SetWindowPos(dialog.m_hWnd, nullptr, 60, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        dialog.UpdateWindow();
        testwin::Pump();
    }
    void TearDown() override { dialog.DestroyWindow(); }

    // What the label should show: its area in button face with text drawn by
    // DrawText in the default GUI font with format.
    testwin::Pixels Expected(const CColorLabel& label, const std::string& text, UINT format)
    {
        testwin::Pixels pixels;
        const RECT client = label.GetClientRect();
        pixels.width = client.right;
        pixels.height = client.bottom;
        const HDC screen = ::GetDC(nullptr);
        CMemoryDC memory(screen);
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(screen, pixels.width, pixels.height);
        ::ReleaseDC(nullptr, screen);
        CSelectGuard selectBitmap(memory, bitmap);
        memory.FillSolidRect(client, ::GetSysColor(COLOR_BTNFACE));
        CSelectGuard selectFont(memory, ::GetStockObject(DEFAULT_GUI_FONT));
        memory.SetBkMode(TRANSPARENT);
        memory.SetTextColor(::GetSysColor(COLOR_WINDOWTEXT));
        RECT r = client;
        memory.DrawText(text, r, format);
        for (int y = 0; y < pixels.height; ++y)
            for (int x = 0; x < pixels.width; ++x)
                pixels.colors.push_back(::GetPixel(memory, x, y));
        return pixels;
    }

    static int TextRows(const testwin::Pixels& p)
    {
        int rows = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (p.At(x, y) != ::GetSysColor(COLOR_BTNFACE)) {
                    ++rows;
                    break;
                }
        return rows;
    }

    static testwin::Pixels Shown(CColorLabel& label)
    {
        label.Invalidate();
        label.UpdateWindow();
        return testwin::Capture(label.m_hWnd);
    }

    CLabelsDlg dialog;
};

}  // namespace

TEST_F(ColorLabelTest, SetUpTakesTheAlignmentFromTheStyle)
{
    EXPECT_EQ(dialog.left.Alignment(), 0x09u);
    EXPECT_EQ(dialog.middle.Alignment(), 0x11u);
    EXPECT_EQ(dialog.center.Alignment(), 0x0Au);
    EXPECT_EQ(dialog.right.Alignment(), 0x0Cu);
    EXPECT_EQ(dialog.rightMiddle.Alignment(), 0x14u);
    for (CColorLabel* label : {&dialog.left, &dialog.middle, &dialog.center})
        EXPECT_NE(::GetWindowLongPtrW(label->m_hWnd, GWL_STYLE) & SS_NOTIFY, 0);
    // The template's texts became the labels' own.
    EXPECT_EQ(dialog.left.Text(), "左");
    EXPECT_EQ(dialog.rightMiddle.Text(), "右中");
}

TEST_F(ColorLabelTest, TextSetAnyWayIsTheTextReadBack)
{
    dialog.left.SetText("客厅：米色墙面");
    EXPECT_EQ(dialog.left.GetWindowText(), "客厅：米色墙面");
    EXPECT_EQ(dialog.GetDlgItemText(IDC_LABEL_LEFT), "客厅：米色墙面");

    dialog.SetDlgItemText(IDC_LABEL_CENTER, "从外部设置");
    EXPECT_EQ(dialog.center.Text(), "从外部设置");
    EXPECT_EQ(dialog.center.GetWindowText(), "从外部设置");

    // A short buffer gets what fits and a terminating zero.
    wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(::GetWindowTextW(dialog.center.m_hWnd, buffer, 4), 3);
    EXPECT_EQ(std::wstring(buffer), L"\x4ECE\x5916\x90E8");
    EXPECT_EQ(::GetWindowTextLengthW(dialog.center.m_hWnd), 5);
}

TEST_F(ColorLabelTest, PaintsItsTextAlignedOnButtonFace)
{
    dialog.left.SetText("第一行");
    EXPECT_EQ(Shown(dialog.left).colors, Expected(dialog.left, "第一行", DT_LEFT | DT_WORDBREAK).colors);
    dialog.center.SetText("居中");
    EXPECT_EQ(Shown(dialog.center).colors, Expected(dialog.center, "居中", DT_CENTER | DT_WORDBREAK).colors);
    dialog.right.SetText("右边");
    EXPECT_EQ(Shown(dialog.right).colors, Expected(dialog.right, "右边", DT_RIGHT | DT_WORDBREAK).colors);
    dialog.middle.SetText("垂直居中");
    EXPECT_EQ(Shown(dialog.middle).colors,
              Expected(dialog.middle, "垂直居中", DT_LEFT | DT_SINGLELINE | DT_VCENTER).colors);
}

TEST_F(ColorLabelTest, MultiLineTextShowsOnSeveralLinesOrAsAsterisks)
{
    const std::string lines = "顶棚：白色\n地面：木纹";
    dialog.left.SetText(lines);
    const testwin::Pixels left = Shown(dialog.left);
    EXPECT_EQ(left.colors, Expected(dialog.left, lines, DT_LEFT | DT_WORDBREAK).colors);
    const testwin::Pixels oneLine = Expected(dialog.left, "顶棚：白色", DT_LEFT | DT_WORDBREAK);
    EXPECT_GT(TextRows(left), TextRows(oneLine) + 4) << "two lines of text from the top";

    dialog.middle.SetText(lines);
    EXPECT_EQ(Shown(dialog.middle).colors, Expected(dialog.middle, "**********", DT_LEFT).colors);
    dialog.rightMiddle.SetText(lines);
    EXPECT_EQ(Shown(dialog.rightMiddle).colors, Expected(dialog.rightMiddle, "**********", DT_RIGHT).colors);
    EXPECT_EQ(dialog.middle.GetWindowText(), lines) << "only the drawing is replaced";
}

TEST_F(ColorLabelTest, DisablingRedrawsTheLabel)
{
    dialog.center.SetText("可用");
    dialog.center.EnableWindow(false);
    EXPECT_FALSE(dialog.center.IsWindowEnabled());
    EXPECT_TRUE(dialog.center.IsWindowVisible()) << "redrawing is switched back on";
    RECT update = {};
    EXPECT_TRUE(::GetUpdateRect(dialog.center.m_hWnd, &update, FALSE));
    EXPECT_EQ(update.right, dialog.center.GetClientRect().right);
    dialog.center.UpdateWindow();
    EXPECT_EQ(testwin::Capture(dialog.center.m_hWnd).colors,
              Expected(dialog.center, "可用", DT_CENTER | DT_WORDBREAK).colors);
    dialog.center.EnableWindow(true);
    EXPECT_TRUE(dialog.center.IsWindowEnabled());
}

TEST(ColorLabelBinding, SubclassingByItsOwnCallRunsTheSetUpAtOnce)
{
    CLabelsDlg host;  // its labels are bound by data exchange; use a fresh one
    ASSERT_TRUE(host.Create());
    const HWND extra = ::CreateWindowExW(0, L"STATIC", L"右", WS_CHILD | WS_VISIBLE | SS_RIGHT, 0, 0, 50, 20,
                                         host.m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(1400)), nullptr,
                                         nullptr);
    CColorLabel label;
    ASSERT_TRUE(label.SubclassDlgItem(1400, host.m_hWnd));
    EXPECT_EQ(label.Alignment(), 0x0Cu);
    EXPECT_EQ(label.Text(), "右");
    ::DestroyWindow(extra);
    host.DestroyWindow();
}

namespace {

// Sets a label's text in OnInitDialog, right after data exchange bound it and
// before any message has reached it.
class CLabelTextAtInitDlg : public CLabelsDlg {
protected:
    bool OnInitDialog() override
    {
        const bool result = CLabelsDlg::OnInitDialog();
        left.SetText("新的说明");
        return result;
    }
};

}  // namespace

TEST(ColorLabelBinding, TextSetRightAfterDataExchangeIsKept)
{
    CLabelTextAtInitDlg dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(dialog.left.Text(), "新的说明");
    EXPECT_EQ(dialog.left.GetWindowText(), "新的说明");
    EXPECT_EQ(dialog.left.Alignment(), 0x09u);  // the set-up still ran
    dialog.DestroyWindow();
}
