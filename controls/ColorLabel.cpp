#include "ColorLabel.h"

#include <algorithm>
#include <cstring>

const char CColorLabel::kMultiLinePlaceholder[] = "**********";

namespace {

// Raises the label's "setting text" count for the life of a scope, so its own
// text calls pass the interception.
class SettingText {
public:
    explicit SettingText(int& counter) : count(counter) { ++count; }
    ~SettingText() { --count; }
    SettingText(const SettingText&) = delete;
    SettingText& operator=(const SettingText&) = delete;

private:
    int& count;
};

}  // namespace

CColorLabel::CColorLabel()
{
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof fontDescription, &fontDescription);
    font.CreateFontIndirect(fontDescription);
}

const MessageMap& CColorLabel::GetMessageMap() const
{
    static const MessageMap map(CStatic::GetMessageMap(), {
        on::Paint(&CColorLabel::OnPaint),
        on::Message(WM_ENABLE, &CColorLabel::OnEnable),
        on::Message(WM_SETTEXT, &CColorLabel::OnSetText),
        on::Message(WM_GETTEXT, &CColorLabel::OnGetText),
        on::Message(WM_GETTEXTLENGTH, &CColorLabel::OnGetTextLength),
    });
    return map;
}

bool CColorLabel::SubclassDlgItem(int id, HWND parent)
{
    return Subclass(::GetDlgItem(parent, id));
}

bool CColorLabel::Subclass(HWND wnd)
{
    if (!CStatic::Subclass(wnd))
        return false;
    SetUp();
    return true;
}

LRESULT CColorLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!setUp && m_hWnd != nullptr)
        SetUp();
    return CStatic::WindowProc(message, wParam, lParam);
}

void CColorLabel::SetUp()
{
    setUp = true;
    const LONG_PTR style = ::GetWindowLongPtrW(m_hWnd, GWL_STYLE) | SS_NOTIFY;
    ::SetWindowLongPtrW(m_hWnd, GWL_STYLE, style);
    // Each test works on the value the one before left.
    if ((style & SS_CENTER) != 0)
        alignment = (alignment & AlignVertical) | AlignCenter;
    if ((style & SS_RIGHT) != 0)
        alignment = (alignment & AlignVertical) | AlignRight;
    if ((style & SS_CENTERIMAGE) != 0)
        alignment = (alignment & AlignHorizontal) | AlignMiddle;
    SettingText raised(settingText);
    text = GetWindowText();
}

CColorLabel& CColorLabel::SetText(const std::string& newText)
{
    // A label bound through DDX_Control sets itself up on its first message;
    // that must happen before the new text is stored, or the set-up would
    // read the old window text over it.
    if (!setUp && m_hWnd != nullptr)
        SetUp();
    text = newText;
    {
        SettingText raised(settingText);
        SetWindowText(newText);
    }
    ::RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return *this;
}

void CColorLabel::SetTextColour(COLORREF colour)
{
    textColour = colour;
    if (m_hWnd != nullptr)
        Invalidate(true);
}

LRESULT CColorLabel::OnSetText(WPARAM, LPARAM lParam)
{
    if (settingText == 0) {
        const auto* newText = reinterpret_cast<const wchar_t*>(lParam);
        text = newText != nullptr ? fw::Narrow(newText) : std::string();
    }
    return Default();
}

LRESULT CColorLabel::OnGetText(WPARAM wParam, LPARAM lParam)
{
    if (settingText != 0)
        return Default();
    auto* buffer = reinterpret_cast<wchar_t*>(lParam);
    const std::size_t size = static_cast<std::size_t>(wParam);
    if (buffer == nullptr || size == 0)
        return 0;
    // The caller's buffer gets at most its size less one character and a
    // terminating zero; the result is the number of characters copied, as
    // GetWindowText callers rely on.
    const std::wstring wide = fw::Widen(text);
    const std::size_t n = std::min(wide.size(), size - 1);
    std::fill(buffer, buffer + size, L'\0');
    std::copy(wide.begin(), wide.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    return static_cast<LRESULT>(n);
}

LRESULT CColorLabel::OnGetTextLength(WPARAM, LPARAM)
{
    if (settingText != 0)
        return Default();
    return static_cast<LRESULT>(fw::Widen(text).size());
}

LRESULT CColorLabel::OnEnable(WPARAM, LPARAM)
{
    SendMessage(WM_SETREDRAW, FALSE);
    const LRESULT result = Default();
    SendMessage(WM_SETREDRAW, TRUE);
    Invalidate(true);
    return result;
}

void CColorLabel::OnPaint()
{
    CPaintDC dc(m_hWnd);
    RECT client = GetClientRect();
    CBrush face(::GetSysColor(COLOR_BTNFACE));
    dc.FillRect(client, face);

    CSelectGuard selectFont(dc, font);
    const int oldMode = dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(textColour != CLR_INVALID ? textColour : ::GetSysColor(COLOR_WINDOWTEXT));

    UINT horizontal = DT_LEFT;
    if ((alignment & AlignCenter) != 0)
        horizontal = DT_CENTER;
    else if ((alignment & AlignRight) != 0)
        horizontal = DT_RIGHT;

    const bool multiLine = text.find('\n') != std::string::npos;
    if (multiLine && (alignment & AlignVertical) != AlignTop) {
        dc.DrawText(kMultiLinePlaceholder, client, horizontal);
    } else if ((alignment & AlignMiddle) != 0) {
        dc.DrawText(text, client, horizontal | DT_SINGLELINE | DT_VCENTER);
    } else {
        if ((alignment & AlignBottom) != 0) {
            RECT measure = client;
            const int height = dc.DrawText(text, measure, horizontal | DT_WORDBREAK | DT_CALCRECT);
            client.top = client.bottom - height;
        }
        // With SS_ENDELLIPSIS a text longer than the label ends its last
        // whole line with "...", instead of being cut off at the bottom.
        const UINT ellipsis =
            (::GetWindowLongPtrW(m_hWnd, GWL_STYLE) & SS_ENDELLIPSIS) != 0 ? DT_END_ELLIPSIS | DT_EDITCONTROL : 0;
        dc.DrawText(text, client, horizontal | DT_WORDBREAK | ellipsis);
    }
    dc.SetBkMode(oldMode);
}
