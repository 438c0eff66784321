#include "LabelTips.h"

#include <commctrl.h>

#include <vector>

namespace {

constexpr UINT_PTR kSubclassId = 0x7467;  // "tg"
constexpr int kMaxTipWidth = 400;         // pixels; a long description wraps

std::wstring WindowText(HWND wnd)
{
    const int length = ::GetWindowTextLengthW(wnd);
    if (length <= 0)
        return {};
    std::vector<wchar_t> buffer(static_cast<std::size_t>(length) + 1);
    const int copied = ::GetWindowTextW(wnd, buffer.data(), length + 1);
    return std::wstring(buffer.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

// How a static control of this style lays its text out: one line (an
// ellipsis style, SS_LEFTNOWORDWRAP, SS_SIMPLE, SS_CENTERIMAGE) or wrapped.
// A label that paints itself and is two lines high or more wraps its text
// and ends the last line with the ellipsis.
UINT LayoutFormat(LONG_PTR style, bool severalLines)
{
    UINT format = DT_CALCRECT | DT_EXPANDTABS;
    if ((style & SS_NOPREFIX) != 0)
        format |= DT_NOPREFIX;
    const LONG_PTR type = style & SS_TYPEMASK;
    const bool oneLine = type == SS_LEFTNOWORDWRAP || type == SS_SIMPLE || (style & SS_CENTERIMAGE) != 0 ||
                         ((style & SS_ELLIPSISMASK) != 0 && !severalLines);
    return format | (oneLine ? DT_SINGLELINE : DT_WORDBREAK);
}

}  // namespace

CLabelTips::~CLabelTips()
{
    Detach();
}

void CLabelTips::Attach(HWND dialogWnd, std::initializer_list<int> labelIds)
{
    if (tip == nullptr) {
        dialog = dialogWnd;
        tip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr,
                                nullptr, nullptr);
        if (tip == nullptr)
            return;
        ::SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, kMaxTipWidth);
        ::SetWindowSubclass(dialog, &CLabelTips::DialogProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    for (int id : labelIds) {
        const HWND label = ::GetDlgItem(dialog, id);
        if (label == nullptr)
            continue;
        TTTOOLINFOW tool = {};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
        tool.hwnd = dialog;
        tool.uId = reinterpret_cast<UINT_PTR>(label);
        tool.lpszText = LPSTR_TEXTCALLBACKW;
        ::SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        ::SetWindowSubclass(label, &CLabelTips::LabelProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
}

void CLabelTips::Detach()
{
    if (dialog != nullptr && ::IsWindow(dialog)) {
        ::RemoveWindowSubclass(dialog, &CLabelTips::DialogProc, kSubclassId);
        for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT))
            ::RemoveWindowSubclass(child, &CLabelTips::LabelProc, kSubclassId);
    }
    if (tip != nullptr && ::IsWindow(tip))
        ::DestroyWindow(tip);
    tip = nullptr;
    dialog = nullptr;
}

bool CLabelTips::IsCut(HWND label)
{
    const std::wstring text = WindowText(label);
    if (text.empty())
        return false;
    RECT client = {};
    ::GetClientRect(label, &client);
    const HDC dc = ::GetDC(label);
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
    const HGDIOBJ old = ::SelectObject(dc, font != nullptr ? font : ::GetStockObject(SYSTEM_FONT));
    TEXTMETRICW metrics = {};
    ::GetTextMetricsW(dc, &metrics);
    const bool severalLines = client.bottom - client.top >= 2 * metrics.tmHeight;
    RECT needed = client;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed,
                LayoutFormat(::GetWindowLongPtrW(label, GWL_STYLE), severalLines));
    ::SelectObject(dc, old);
    ::ReleaseDC(label, dc);
    return needed.right - needed.left > client.right - client.left ||
           needed.bottom - needed.top > client.bottom - client.top;
}

std::wstring CLabelTips::TipText(HWND label)
{
    return IsCut(label) ? WindowText(label) : std::wstring();
}

LRESULT CALLBACK CLabelTips::DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR selfData)
{
    auto* self = reinterpret_cast<CLabelTips*>(selfData);
    if (message == WM_NOTIFY) {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (header->hwndFrom == self->tip && header->code == TTN_GETDISPINFOW) {
            auto* info = reinterpret_cast<NMTTDISPINFOW*>(lParam);
            self->shown = TipText(reinterpret_cast<HWND>(info->hdr.idFrom));
            info->lpszText = const_cast<wchar_t*>(self->shown.c_str());
            info->szText[0] = L'\0';
            info->hinst = nullptr;
            return 0;
        }
    } else if (message == WM_NCDESTROY) {
        self->Detach();
    }
    return ::DefSubclassProc(wnd, message, wParam, lParam);
}

LRESULT CALLBACK CLabelTips::LabelProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR selfData)
{
    const LRESULT result = ::DefSubclassProc(wnd, message, wParam, lParam);
    auto* self = reinterpret_cast<CLabelTips*>(selfData);
    if ((message == WM_SETTEXT || message == WM_SIZE) && self->tip != nullptr) {
        // A tip that is up shows the new text, or goes when it fits now.
        TTTOOLINFOW current = {};
        current.cbSize = sizeof current;
        if (::SendMessageW(self->tip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&current)) != 0 &&
            current.uId == reinterpret_cast<UINT_PTR>(wnd)) {
            if (IsCut(wnd))
                ::SendMessageW(self->tip, TTM_UPDATE, 0, 0);
            else
                ::SendMessageW(self->tip, TTM_POP, 0, 0);
        }
    }
    return result;
}
