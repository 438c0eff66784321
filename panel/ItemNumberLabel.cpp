#include "ItemNumberLabel.h"

#include <string>

namespace {

constexpr int kNumberPointSize = 48;
constexpr COLORREF kNumberColor = 0x0000FF;  // red
const char* const kNumberFont = "宋体";

}  // namespace

const MessageMap& CItemNumberLabel::GetMessageMap() const
{
    static const MessageMap map(CWnd::GetMessageMap(), {
        on::Paint(&CItemNumberLabel::OnPaint),
    });
    return map;
}

void CItemNumberLabel::Paint(HDC dc, const RECT& area, int value)
{
    CDC target(dc);
    target.FillSolidRect(area, ::GetSysColor(COLOR_BTNFACE));
    CFont font;
    font.CreatePointFont(kNumberPointSize * 10, kNumberFont, dc);
    CSelectGuard selected(dc, font);
    target.SetTextColor(kNumberColor);
    target.SetBkMode(TRANSPARENT);
    RECT text = area;
    target.DrawText(std::to_string(value), text, DT_CENTER | DT_TOP | DT_SINGLELINE);
}

void CItemNumberLabel::PaintBuffered(HDC dc) const
{
    // Drawn off screen and copied in one block, so the number does not flicker.
    const RECT area = GetClientRect();
    const int width = area.right - area.left, height = area.bottom - area.top;
    CMemoryDC buffer(dc);
    CBitmap image;
    if (width <= 0 || height <= 0 || !image.CreateCompatibleBitmap(dc, width, height)) {
        Paint(dc, area, number);
        return;
    }
    CSelectGuard selected(buffer, image);
    Paint(buffer, area, number);
    ::BitBlt(dc, 0, 0, width, height, buffer, 0, 0, SRCCOPY);
}

void CItemNumberLabel::ShowNumber(int value)
{
    number = value;
    hasNumber = true;
    if (m_hWnd == nullptr)
        return;
    CClientDC dc(m_hWnd);
    PaintBuffered(dc);
}

void CItemNumberLabel::OnPaint()
{
    if (!hasNumber) {
        Default();
        return;
    }
    CPaintDC dc(m_hWnd);
    PaintBuffered(dc);
}
