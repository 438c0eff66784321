// Caption buttons are drawn with the Marlett symbol font. Where a prefix
// lacks it, wine falls back to a text font and the buttons show the letters
// "0 1 r" instead of their symbols. The close button is looked at on the
// screen: its glyph must be Marlett's cross, which is symmetric left to
// right and top to bottom, unlike the letter "r".
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

TEST(CaptionButtons, TheMarlettFontIsThere)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SYMBOL_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Marlett");
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    EXPECT_EQ(std::wstring(face), L"Marlett");
}

// The pixels of a screen rectangle, 0x00RRGGBB, row by row.
std::vector<DWORD> Capture(const RECT& r)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<DWORD> pixels(static_cast<const DWORD*>(bits), static_cast<const DWORD*>(bits) + w * h);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

bool Dark(DWORD p)
{
    return ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 90;
}

// Share of glyph pixels whose mirror image (left-right or top-bottom) within
// the glyph's bounding box is not a glyph pixel too.
double Asymmetry(const std::vector<bool>& mask, int w, int h, bool leftRight)
{
    int left = w, right = -1, top = h, bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (mask[y * w + x]) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    int set = 0, unmatched = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            if (!mask[y * w + x])
                continue;
            ++set;
            const int mx = leftRight ? left + right - x : x;
            const int my = leftRight ? y : top + bottom - y;
            // One pixel of slack for rounding of the glyph's outline.
            bool found = false;
            for (int d = -1; d <= 1 && !found; ++d) {
                const int cx = leftRight ? mx + d : mx, cy = leftRight ? my : my + d;
                found = cx >= 0 && cx < w && cy >= 0 && cy < h && mask[cy * w + cx];
            }
            unmatched += found ? 0 : 1;
        }
    return set == 0 ? 1.0 : static_cast<double>(unmatched) / set;
}

TEST(CaptionButtons, TheCloseButtonShowsTheCrossNotALetter)
{
    HWND wnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 100, 100, 240, 120,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(wnd, nullptr);
    SetForegroundWindow(wnd);
    RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    MSG msg;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Sleep(10);
    }

    // The close button is the rightmost square of the caption.
    RECT window;
    GetWindowRect(wnd, &window);
    RECT client{};
    GetClientRect(wnd, &client);
    MapWindowPoints(wnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    const int border = client.left - window.left;
    const int size = client.top - window.top - border;  // the caption's height
    ASSERT_GT(size, 8);
    // Its middle, without the button's raised edges.
    const int inset = size / 5;
    const RECT button{window.right - border - size + inset, window.top + border + inset, window.right - border - inset,
                      window.top + border + size - inset};
    const int w = button.right - button.left, h = button.bottom - button.top;
    const std::vector<DWORD> pixels = Capture(button);
    DestroyWindow(wnd);

    std::vector<bool> glyph(pixels.size());
    int count = 0;
    for (std::size_t i = 0; i < pixels.size(); ++i)
        count += (glyph[i] = Dark(pixels[i])) ? 1 : 0;
    ASSERT_GT(count, 4) << "no glyph on the close button";
    EXPECT_LT(Asymmetry(glyph, w, h, true), 0.2) << "the close button's glyph is not a cross (a letter?)";
    EXPECT_LT(Asymmetry(glyph, w, h, false), 0.2) << "the close button's glyph is not a cross (a letter?)";
}

}  // namespace
