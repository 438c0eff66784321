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

void CItemNumberLabel::ShowNumber(int value)
{
    number = value;
    hasNumber = true;
    if (m_hWnd == nullptr)
        return;
    CClientDC dc(m_hWnd);
    Paint(dc, GetClientRect(), number);
}

void CItemNumberLabel::OnPaint()
{
    if (!hasNumber) {
        Default();
        return;
    }
    CPaintDC dc(m_hWnd);
    Paint(dc, GetClientRect(), number);
}
