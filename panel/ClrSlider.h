// A horizontal colour slider: shows the gradient of one component of a colour
// with the other two fixed, and a thumb at the component's value. Dragging
// along it sets the value and notifies the parent with NM_CLRSLIDER_CHANGED.
#pragma once

#include "controls/DibBitmap.h"
#include "framework/Framework.h"

#include <array>
#include <cstdint>

// WM_NOTIFY code sent to the parent when the user moved the thumb.
constexpr UINT NM_CLRSLIDER_CHANGED = 1513;

// The window class the panel's dialog template names.
extern const char kClrSliderClassName[];

// Colour conversions shared with the panel, through the host's functions:
// hue in degrees, saturation and brightness 0-1, r, g, b 0-255 (truncated).
struct Rgb255 {
    int r, g, b;
};
Rgb255 HsvToRgb255(double h, double s, double v);
std::array<double, 3> RgbToHsv255(int r, int g, int b);

// Fills a 32-bit top-down or bottom-up pixel block (blue, green, red, unused)
// of width x height with the gradient of component channel: one row is
// computed and copied to every further row. The fourth byte is not written.
void FillSliderGradient(std::uint8_t* pixels, int width, int height, int hsvMode, int channel,
                        const std::array<double, 3>& values, double maxValue);

class CClrSlider : public CWnd {
public:
    CClrSlider() = default;
    ~CClrSlider() override;

    // Registers the window class "CClrSlider" for the module (the default
    // window procedure, nothing else), so dialog templates can name it.
    static bool Register();

    // Creates a slider window of class "CClrSlider" with no title.
    virtual bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);

    // Stores the value at the right edge and returns the previous one.
    double SetMaxValue(double value);
    // Takes the slider's colour from a packed colour (red in the low byte).
    void SetColor(COLORREF color);
    // Makes the off-screen image of the client size and fills it.
    void PrepareBuffer();
    // Refills the image from the current fields; nothing before PrepareBuffer.
    void BuildGradient();

    int channel = 1;    // which value the slider sets: 0, 1 or 2
    int hsvMode = 1;    // 1: hue (degrees), saturation, brightness; 0: red, green, blue (0-1)
    std::array<double, 3> values = {30.0, 0.1, 1.0};
    int dragging = 0;
    int bufferReady = 0;
    RECT clientRect = {0, 0, 0, 0};  // the client area when the image was made
    double maxValue = 1.0;           // the value at the right edge

    // The off-screen gradient, for reading its pixels.
    const CDibMemDC& Image() const { return image; }
    // Client x of the thumb's centre for the current value.
    int ThumbX() const;

protected:
    const MessageMap& GetMessageMap() const override;

private:
    void OnPaint();
    void OnLButtonDown(UINT keys, POINT point);
    void OnMouseMove(UINT keys, POINT point);
    void OnLButtonUp(UINT keys, POINT point);
    LRESULT OnCaptureChanged(WPARAM, LPARAM);
    void SetValueFromPointer(int x);
    double& Value() { return values[static_cast<std::size_t>(channel < 0 ? 0 : channel > 2 ? 2 : channel)]; }
    double Value() const { return values[static_cast<std::size_t>(channel < 0 ? 0 : channel > 2 ? 2 : channel)]; }

    CDibMemDC image;
};
