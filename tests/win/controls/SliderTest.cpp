#include "panel/ClrSlider.h"

#include "ControlsTestIds.h"
#include "SliderTrioDlg.h"
#include "TestWindows.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int kSliderWidth = 170;
constexpr int kSliderHeight = 20;

LPARAM At(int x, int y) { return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(y)); }

// A slider of client size 170 x 20 in a visible test window.
class SliderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CClrSlider::Register());
        ASSERT_TRUE(parent.Create(40, 40, 300, 120));
        ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 10 + kSliderWidth, 10 + kSliderHeight},
                                  parent.m_hWnd, 1009));
    }
    void TearDown() override
    {
        slider.DestroyWindow();
        parent.DestroyWindow();
    }

    // A hue slider as the panel makes it: maximum 360, pure red.
    void MakeHueSlider()
    {
        slider.channel = 0;
        slider.SetMaxValue(360.0);
        slider.values = {0.0, 1.0, 1.0};
        slider.PrepareBuffer();
    }

    COLORREF ImageColor(int x, int y) const
    {
        const std::uint8_t* p = slider.Image().Pixel(x, y);
        return p == nullptr ? CLR_INVALID : RGB(p[2], p[1], p[0]);
    }

    int Notifications() const { return static_cast<int>(parent.notices.size()); }

    void Send(UINT message, int x, int y = 5, WPARAM keys = 0) { slider.SendMessage(message, keys, At(x, y)); }

    testwin::CRecordingWindow parent;
    CClrSlider slider;
};

}  // namespace

TEST(SliderColor, ConversionsGoThroughTheHostAndTruncate)
{
    const Rgb255 red = HsvToRgb255(0, 1, 1);
    EXPECT_EQ(red.r, 255);
    EXPECT_EQ(red.g, 0);
    EXPECT_EQ(red.b, 0);
    const Rgb255 darkGreen = HsvToRgb255(120, 1, 0.5);  // 127.5 truncates to 127
    EXPECT_EQ(darkGreen.r, 0);
    EXPECT_EQ(darkGreen.g, 127);
    EXPECT_EQ(darkGreen.b, 0);

    auto hsv = RgbToHsv255(0, 0, 255);
    EXPECT_DOUBLE_EQ(hsv[0], 240.0);
    EXPECT_DOUBLE_EQ(hsv[1], 1.0);
    EXPECT_DOUBLE_EQ(hsv[2], 1.0);
    hsv = RgbToHsv255(0, 0, 0);
    EXPECT_EQ(hsv[0], 0.0);
    EXPECT_EQ(hsv[1], 0.0);
    EXPECT_EQ(hsv[2], 0.0);
    hsv = RgbToHsv255(51, 51, 51);  // grey: hue 0, saturation 0
    EXPECT_EQ(hsv[0], 0.0);
    EXPECT_EQ(hsv[1], 0.0);
    EXPECT_NEAR(hsv[2], 0.2, 1e-12);
}

TEST_F(SliderTest, StartsAsConstructedAndRemembersTheMaximum)
{
    EXPECT_EQ(slider.channel, 1);
    EXPECT_EQ(slider.hsvMode, 1);
    EXPECT_EQ(slider.values[0], 30.0);
    EXPECT_EQ(slider.values[1], 0.1);
    EXPECT_EQ(slider.values[2], 1.0);
    EXPECT_EQ(slider.bufferReady, 0);
    EXPECT_EQ(slider.SetMaxValue(360.0), 1.0);
    EXPECT_EQ(slider.SetMaxValue(1.0), 360.0);
    wchar_t className[32] = {};
    ::GetClassNameW(slider.m_hWnd, className, 32);
    EXPECT_STREQ(className, L"CClrSlider");
    EXPECT_EQ(slider.GetWindowText(), "");
}

TEST_F(SliderTest, SetColorFillsTheValuesOfEitherMode)
{
    slider.hsvMode = 0;
    slider.SetColor(0x0000FF);  // red in the low byte
    EXPECT_DOUBLE_EQ(slider.values[0], 1.0);
    EXPECT_DOUBLE_EQ(slider.values[1], 0.0);
    EXPECT_DOUBLE_EQ(slider.values[2], 0.0);
    slider.SetColor(RGB(0, 51, 255));
    EXPECT_NEAR(slider.values[1], 0.2, 1e-12);

    slider.hsvMode = 1;
    slider.SetColor(RGB(0, 0, 255));
    EXPECT_DOUBLE_EQ(slider.values[0], 240.0);
    EXPECT_DOUBLE_EQ(slider.values[1], 1.0);
    EXPECT_DOUBLE_EQ(slider.values[2], 1.0);
}

TEST_F(SliderTest, ReleasingAtTheMiddleOfAHueSliderGives180)
{
    MakeHueSlider();
    Send(WM_LBUTTONDOWN, 10, 5, MK_LBUTTON);
    EXPECT_EQ(slider.values[0], 0.0) << "the press alone changes nothing";
    EXPECT_EQ(Notifications(), 0);
    EXPECT_EQ(::GetCapture(), slider.m_hWnd);
    EXPECT_EQ(slider.dragging, 1);

    Send(WM_LBUTTONUP, 85);
    EXPECT_DOUBLE_EQ(slider.values[0], 180.0);
    EXPECT_EQ(slider.ThumbX(), 85);
    EXPECT_EQ(slider.dragging, 0);
    EXPECT_EQ(::GetCapture(), nullptr);
    ASSERT_EQ(Notifications(), 1);
    EXPECT_EQ(parent.notices[0].message, static_cast<UINT>(WM_NOTIFY));
    EXPECT_EQ(parent.notices[0].code, NM_CLRSLIDER_CHANGED);
    EXPECT_EQ(parent.notices[0].code, 1513u);
    EXPECT_EQ(parent.notices[0].id, 1009u);
    EXPECT_EQ(parent.notices[0].wParam, 1009u);
    EXPECT_EQ(parent.notices[0].from, slider.m_hWnd);
}

TEST_F(SliderTest, DraggingOutsideTheRangeKeepsTheLastAcceptedValueSilently)
{
    MakeHueSlider();
    Send(WM_MOUSEMOVE, 40);
    EXPECT_EQ(Notifications(), 0) << "moving without a press does nothing";
    EXPECT_EQ(slider.values[0], 0.0);

    Send(WM_LBUTTONDOWN, 20, 5, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 34, 5, MK_LBUTTON);
    EXPECT_DOUBLE_EQ(slider.values[0], 34 * 360.0 / kSliderWidth);
    EXPECT_EQ(Notifications(), 1);
    Send(WM_MOUSEMOVE, 171, 5, MK_LBUTTON);
    Send(WM_MOUSEMOVE, 400, 5, MK_LBUTTON);
    Send(WM_MOUSEMOVE, -1, 5, MK_LBUTTON);
    EXPECT_DOUBLE_EQ(slider.values[0], 34 * 360.0 / kSliderWidth);
    EXPECT_EQ(Notifications(), 1);
    Send(WM_MOUSEMOVE, kSliderWidth, 5, MK_LBUTTON);  // the right edge itself is the maximum
    EXPECT_DOUBLE_EQ(slider.values[0], 360.0);
    EXPECT_EQ(Notifications(), 2);
    Send(WM_LBUTTONUP, -30);
    EXPECT_DOUBLE_EQ(slider.values[0], 360.0);
    EXPECT_EQ(Notifications(), 2);
    EXPECT_EQ(::GetCapture(), nullptr);

    // Only the slider's own channel moves.
    EXPECT_EQ(slider.values[1], 1.0);
    EXPECT_EQ(slider.values[2], 1.0);
}

TEST_F(SliderTest, LosingTheCaptureEndsTheDrag)
{
    MakeHueSlider();
    Send(WM_LBUTTONDOWN, 20, 5, MK_LBUTTON);
    ::SetCapture(parent.m_hWnd);  // another window takes the mouse
    ::ReleaseCapture();
    Send(WM_MOUSEMOVE, 60);
    EXPECT_EQ(slider.dragging, 0);
    EXPECT_EQ(Notifications(), 0);
}

TEST_F(SliderTest, HueGradientHoldsOneConversionPerColumnOnEveryRow)
{
    MakeHueSlider();
    ASSERT_EQ(slider.bufferReady, 1);
    ASSERT_NE(slider.Image().Pixel(0, 0), nullptr);
    EXPECT_EQ(slider.Image().Image().width, kSliderWidth);
    EXPECT_EQ(slider.Image().Image().height, kSliderHeight);
    EXPECT_EQ(slider.clientRect.right, kSliderWidth);
    for (int x : {0, 1, 28, 57, 85, 113, 142, 169}) {
        const Rgb255 expected = HsvToRgb255(x * 360.0 / kSliderWidth, 1.0, 1.0);
        for (int y : {0, kSliderHeight / 2, kSliderHeight - 1})
            EXPECT_EQ(ImageColor(x, y), RGB(expected.r, expected.g, expected.b)) << "x " << x << " y " << y;
    }
    EXPECT_EQ(ImageColor(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(ImageColor(85, 0), RGB(0, 255, 255));

    // The slider does not follow a value change until it is rebuilt.
    slider.values[2] = 0.5;
    EXPECT_EQ(ImageColor(0, 0), RGB(255, 0, 0));
    slider.BuildGradient();
    EXPECT_EQ(ImageColor(0, 0), RGB(127, 0, 0));
}

TEST_F(SliderTest, SaturationSliderShowsGreyOnTheLeftAndItsThumbInTheMiddle)
{
    slider.channel = 1;
    slider.SetMaxValue(1.0);
    slider.values = {0.0, 0.5, 1.0};
    slider.PrepareBuffer();
    EXPECT_EQ(slider.ThumbX(), kSliderWidth / 2);
    EXPECT_EQ(ImageColor(0, 3), RGB(255, 255, 255));  // saturation 0
    const Rgb255 last = HsvToRgb255(0, 169.0 / kSliderWidth, 1.0);
    EXPECT_EQ(ImageColor(169, 3), RGB(last.r, last.g, last.b));
}

TEST_F(SliderTest, RgbModeGradientRunsFromBlackToTheChannelColour)
{
    slider.hsvMode = 0;
    slider.channel = 2;
    slider.values = {0.3, 0.6, 0.9};  // not used by the gradient of this mode
    slider.PrepareBuffer();
    EXPECT_EQ(ImageColor(0, 0), RGB(0, 0, 0));
    EXPECT_EQ(ImageColor(169, 0), RGB(0, 0, (169 * 255) / kSliderWidth));
    EXPECT_EQ(ImageColor(169, kSliderHeight - 1), RGB(0, 0, 253));
    EXPECT_EQ(ImageColor(85, 7), RGB(0, 0, 127));

    slider.channel = 0;
    slider.BuildGradient();
    EXPECT_EQ(ImageColor(169, 0), RGB(253, 0, 0));
    slider.channel = 1;
    slider.BuildGradient();
    EXPECT_EQ(ImageColor(169, 0), RGB(0, 253, 0));
}

TEST_F(SliderTest, PaintingShowsTheGradientAndTheThumb)
{
    MakeHueSlider();
    Send(WM_LBUTTONUP, 85);  // hue 180
    slider.UpdateWindow();
    const testwin::Pixels shown = testwin::Capture(slider.m_hWnd);
    ASSERT_EQ(shown.width, kSliderWidth);
    // Above the thumb: the gradient, as the image holds it.
    for (int x : {0, 40, 85, 120, 169})
        EXPECT_EQ(shown.At(x, 2), ImageColor(x, 2)) << "x " << x;
    // The thumb: 14 pixels wide around 85 in the lower half, menu coloured,
    // white on its top and left edges, with a line down its middle.
    const int t = kSliderHeight / 2;
    const COLORREF menu = ::GetSysColor(COLOR_MENU);
    EXPECT_EQ(shown.At(85 + 3, kSliderHeight - 2), menu);
    EXPECT_EQ(shown.At(85 - 3, kSliderHeight - 2), menu);
    EXPECT_EQ(shown.At(85 - 7, t + 2), RGB(255, 255, 255));
    EXPECT_EQ(shown.At(85 - 2, t), RGB(255, 255, 255));
    EXPECT_EQ(shown.At(85 + 6, t + 2), RGB(0, 0, 0));
    EXPECT_EQ(shown.At(85 + 8, t + 2), ImageColor(85 + 8, t + 2));
    EXPECT_EQ(shown.At(85 - 8, t + 2), ImageColor(85 - 8, t + 2));
    EXPECT_EQ(shown.At(85, t + 2), RGB(0, 0, 0)) << "the line of the default pen";
    EXPECT_EQ(shown.At(85, t - 1), ImageColor(85, t - 1));
}

TEST(SliderSize, ASliderWithoutWidthChangesNothing)
{
    testwin::CRecordingWindow parent;
    ASSERT_TRUE(parent.Create(40, 40, 200, 100));
    CClrSlider slider;
    ASSERT_TRUE(slider.Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 10, 30}, parent.m_hWnd, 7));
    slider.SetMaxValue(360);
    slider.PrepareBuffer();
    EXPECT_EQ(slider.bufferReady, 0);
    slider.BuildGradient();
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 5));
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, 5));
    slider.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(0, 5));
    slider.Invalidate();
    slider.UpdateWindow();
    EXPECT_EQ(slider.values[0], 30.0);
    EXPECT_TRUE(parent.notices.empty());
    EXPECT_EQ(slider.ThumbX(), 0);

    // A maximum of zero puts the thumb at the left edge instead of dividing
    // by it; every pointer position then means 0.
    CClrSlider other;
    ASSERT_TRUE(other.Create(WS_CHILD | WS_VISIBLE, RECT{10, 40, 110, 60}, parent.m_hWnd, 8));
    other.SetMaxValue(0);
    other.UpdateWindow();
    EXPECT_EQ(other.ThumbX(), 0);
    other.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(50, 5));
    EXPECT_EQ(other.values[1], 0.0);
    EXPECT_EQ(other.ThumbX(), 0);
}


TEST(SliderDialog, TheTemplateCreatesTheSlidersByClassName)
{
    ASSERT_TRUE(CClrSlider::Register());
    CSliderTrioDlg dialog;
    ASSERT_TRUE(dialog.Create());
    ::SetWindowPos(dialog.m_hWnd, nullptr, 30, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    dialog.UpdateWindow();
    for (CClrSlider* s : {&dialog.hue, &dialog.saturation, &dialog.brightness}) {
        ASSERT_NE(s->m_hWnd, nullptr);
        EXPECT_EQ(s->bufferReady, 1);
        EXPECT_GT(s->clientRect.right, 100);
    }
    // The colour (200, 120, 40) has hue 30, saturation 0.8, brightness 200/255.
    EXPECT_NEAR(dialog.hue.values[0], 30.0, 1e-9);
    EXPECT_NEAR(dialog.saturation.values[1], 0.8, 1e-9);
    EXPECT_NEAR(dialog.brightness.values[2], 200.0 / 255, 1e-9);
    const int thumb = dialog.brightness.ThumbX();
    EXPECT_EQ(thumb, static_cast<int>(dialog.brightness.clientRect.right * (200.0 / 255)));

    // A drag on the saturation slider reaches the dialog as a notification.
    const int width = dialog.saturation.clientRect.right;
    dialog.saturation.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    dialog.saturation.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(width / 4, 3));
    EXPECT_NEAR(dialog.saturation.values[1], static_cast<double>(width / 4) / width, 1e-12);
    dialog.DestroyWindow();
}
