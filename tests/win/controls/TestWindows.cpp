#include "TestWindows.h"

#include "controls/TreeCombo.h"

namespace testwin {

bool CRecordingWindow::Create(int x, int y, int width, int height)
{
    CWnd::RegisterWindowClass("TgControlsTestWindow", 0, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    RECT frame = {x, y, x + width, y + height};
    ::AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
    if (!CreateEx(0, "TgControlsTestWindow", "测试", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, frame,
                  nullptr, 0))
        return false;
    UpdateWindow();
    return true;
}

LRESULT CRecordingWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        notices.push_back({message, header->idFrom, header->code, header->hwndFrom, wParam});
        return 0;
    }
    if (message == WM_TREECOMBO_SELECT) {
        notices.push_back({message, 0, 0, nullptr, wParam});
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void Pump()
{
    for (int round = 0; round < 5; ++round) {
        fw::PumpMessages();
        ::Sleep(1);
    }
}

Pixels Capture(HWND wnd)
{
    Pixels pixels;
    RECT client = {};
    ::GetClientRect(wnd, &client);
    pixels.width = client.right;
    pixels.height = client.bottom;
    if (pixels.width <= 0 || pixels.height <= 0)
        return pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = pixels.width;
    info.bmiHeader.biHeight = -pixels.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HDC windowDC = ::GetDC(wnd);
    const HDC memory = ::CreateCompatibleDC(windowDC);
    const HBITMAP section = ::CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = ::SelectObject(memory, section);
    ::BitBlt(memory, 0, 0, pixels.width, pixels.height, windowDC, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* p = static_cast<const unsigned char*>(bits);
    pixels.colors.resize(static_cast<std::size_t>(pixels.width) * pixels.height);
    for (std::size_t i = 0; i < pixels.colors.size(); ++i)
        pixels.colors[i] = RGB(p[i * 4 + 2], p[i * 4 + 1], p[i * 4]);
    ::SelectObject(memory, old);
    ::DeleteObject(section);
    ::DeleteDC(memory);
    ::ReleaseDC(wnd, windowDC);
    return pixels;
}

}  // namespace testwin
