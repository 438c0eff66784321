#include "ClrSlider.h"

#include "plugin/HostInterface.h"

#include <cmath>
#include <cstring>

const char kClrSliderClassName[] = "CClrSlider";

namespace {
// A host that answers slightly outside 0-1 must not wrap a pixel round.
std::uint8_t ToByte(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
}  // namespace

Rgb255 HsvToRgb255(double h, double s, double v)
{
    double r = 0, g = 0, b = 0;
    HV_HsvToRgb(h, s, v, &r, &g, &b);
    return {static_cast<int>(r * 255.0), static_cast<int>(g * 255.0), static_cast<int>(b * 255.0)};
}

std::array<double, 3> RgbToHsv255(int r, int g, int b)
{
    const double scale = 0.00392156862745098;  // 1/255
    std::array<double, 3> hsv = {0, 0, 0};
    HV_RgbToHsv(r * scale, g * scale, b * scale, &hsv[0], &hsv[1], &hsv[2]);
    return hsv;
}

void FillSliderGradient(std::uint8_t* pixels, int width, int height, int hsvMode, int channel,
                        const std::array<double, 3>& values, double maxValue)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || channel < 0 || channel > 2)
        return;
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    std::uint8_t* row = pixels;
    if (hsvMode == 0) {
        // Pixel bytes are blue, green, red: channel 0 (red) is byte 2.
        const int target = 2 - channel;
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
            p[0] = p[1] = p[2] = 0;
            p[target] = static_cast<std::uint8_t>(static_cast<double>(x) / width * 255);
        }
    } else {
        std::array<double, 3> colour = values;
        for (int x = 0; x < width; ++x) {
            colour[static_cast<std::size_t>(channel)] = x * maxValue / width;
            const Rgb255 rgb = HsvToRgb255(colour[0], colour[1], colour[2]);
            std::uint8_t* p = row + static_cast<std::size_t>(x) * 4;
            p[0] = ToByte(rgb.b);
            p[1] = ToByte(rgb.g);
            p[2] = ToByte(rgb.r);
        }
    }
    for (int y = 1; y < height; ++y)
        std::memcpy(pixels + static_cast<std::size_t>(y) * rowBytes, row, rowBytes);
}

// ---- CClrSlider ---------------------------------------------------------------

const MessageMap& CClrSlider::GetMessageMap() const
{
    static const MessageMap map(CWnd::GetMessageMap(), {
        on::Paint(&CClrSlider::OnPaint),
        on::LButtonDown(&CClrSlider::OnLButtonDown),
        on::LButtonUp(&CClrSlider::OnLButtonUp),
        on::MouseMove(&CClrSlider::OnMouseMove),
        on::Message(WM_CAPTURECHANGED, &CClrSlider::OnCaptureChanged),
    });
    return map;
}

CClrSlider::~CClrSlider()
{
    image.Destroy();
}

bool CClrSlider::Register()
{
    return CWnd::RegisterWindowClass(kClrSliderClassName);
}

bool CClrSlider::Create(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    return CreateEx(0, kClrSliderClassName, "", style, rect, parent, id);
}

double CClrSlider::SetMaxValue(double value)
{
    const double previous = maxValue;
    maxValue = value;
    return previous;
}

void CClrSlider::SetColor(COLORREF color)
{
    const int r = GetRValue(color);
    const int g = GetGValue(color);
    const int b = GetBValue(color);
    if (hsvMode == 1) {
        values = RgbToHsv255(r, g, b);
    } else {
        const double scale = 0.00392156862745098;  // 1/255
        values = {r * scale, g * scale, b * scale};
    }
}

void CClrSlider::PrepareBuffer()
{
    clientRect = GetClientRect();
    CClientDC windowDC(m_hWnd);
    image.Attach(::CreateCompatibleDC(windowDC));
    // A slider of no size has no image; painting tries again later.
    if (!image.CreateDIB(clientRect.right - clientRect.left, clientRect.bottom - clientRect.top, 32))
        return;
    bufferReady = 1;
    BuildGradient();
}

void CClrSlider::BuildGradient()
{
    if (bufferReady == 0)
        return;
    const CDibBitmap& dib = image.Image();
    FillSliderGradient(static_cast<std::uint8_t*>(dib.bits), dib.width, dib.height, hsvMode, channel, values, maxValue);
}

int CClrSlider::ThumbX() const
{
    const RECT client = GetClientRect();
    if (!(maxValue > 0))
        return 0;
    const double x = (client.right - client.left) * Value() / maxValue;
    // Kept within a range an int holds, whatever value the panel set.
    return static_cast<int>(std::fmax(-1e6, std::fmin(1e6, x)));
}

void CClrSlider::OnPaint()
{
    CPaintDC dc(m_hWnd);
    if (bufferReady == 0)
        PrepareBuffer();
    const RECT client = GetClientRect();
    if (bufferReady != 0)
        dc.BitBlt(0, 0, client.right - client.left, client.bottom - client.top, image.GetSafeHdc(), 0, 0);

    const int x = ThumbX();
    const int b = client.bottom;
    const int t = b / 2;
    dc.FillSolidRect(RECT{x - 7, t, x + 7, b}, ::GetSysColor(COLOR_MENU));
    dc.MoveTo(x, t);
    dc.LineTo(x, (t + b) / 2);
    dc.Draw3dRect(RECT{x - 7, t, x + 7, b + 1}, RGB(255, 255, 255), RGB(0, 0, 0));
}

void CClrSlider::OnLButtonDown(UINT, POINT)
{
    dragging = 1;
    ::SetCapture(m_hWnd);
    Default();
}

void CClrSlider::OnMouseMove(UINT, POINT point)
{
    if (dragging != 0)
        SetValueFromPointer(point.x);
    Default();
}

void CClrSlider::OnLButtonUp(UINT, POINT point)
{
    dragging = 0;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    SetValueFromPointer(point.x);
    Default();
}

LRESULT CClrSlider::OnCaptureChanged(WPARAM, LPARAM)
{
    // Another window took the mouse: the drag is over, so later moves
    // without the button must not change the value.
    dragging = 0;
    return Default();
}

void CClrSlider::SetValueFromPointer(int x)
{
    const RECT client = GetClientRect();
    const int width = client.right - client.left;
    if (width <= 0)
        return;
    const double v = x * maxValue / width;
    if (v < 0 || v > maxValue)
        return;
    Value() = v;
    Invalidate(true);
    NMHDR header = {};
    header.hwndFrom = m_hWnd;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    header.code = NM_CLRSLIDER_CHANGED;
    ::SendMessageW(GetParent(), WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
}
