#include "DataExchange.h"

#include "text/Cp936Text.h"
#include "Text.h"
#include "UiSeams.h"
#include "Wnd.h"

#include <climits>

namespace fw {
const char* const kMessageEnterInteger = "请键入一个整数。";
const char* const kMessageMaxChars = "“请填入不多于%1个的字符。”";

int CharacterCount(const std::string& text)
{
    int count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos += cp936::CharLength(text, pos)) ++count;
    return count;
}
}  // namespace fw

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A whole number: blanks, an optional sign, decimal digits, blanks; and it
// must fit an int.
bool ParseInteger(const std::string& text, int& value)
{
    std::size_t pos = 0;
    std::size_t end = text.size();
    while (pos < end && IsBlank(text[pos])) ++pos;
    while (end > pos && IsBlank(text[end - 1])) --end;
    bool negative = false;
    if (pos < end && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    if (pos == end) return false;
    long long magnitude = 0;
    for (; pos < end; ++pos) {
        if (text[pos] < '0' || text[pos] > '9') return false;
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > INT_MAX || signedValue < INT_MIN) return false;
    value = static_cast<int>(signedValue);
    return true;
}

bool HasClass(HWND wnd, const wchar_t* className)
{
    wchar_t name[32] = {};
    GetClassNameW(wnd, name, 32);
    return lstrcmpiW(name, className) == 0;
}

}  // namespace

CDataExchange::CDataExchange(CWnd& dialog, bool saveAndValidate) : m_bSaveAndValidate(saveAndValidate), m_dialog(dialog)
{
}

HWND CDataExchange::PrepareCtrl(int id)
{
    const HWND control = ::GetDlgItem(m_dialog.m_hWnd, id);
    lastControl_ = control;
    lastIsEdit_ = false;
    if (!control) Fail();
    return control;
}

HWND CDataExchange::PrepareEditCtrl(int id)
{
    const HWND control = PrepareCtrl(id);
    lastIsEdit_ = true;
    return control;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && lastControl_) {
        SetFocus(lastControl_);
        if (lastIsEdit_) SendMessageW(lastControl_, EM_SETSEL, 0, -1);
    }
    throw CDataExchangeFailure{};
}

void DDX_Text(CDataExchange& dx, int id, std::string& value)
{
    const HWND control = dx.PrepareEditCtrl(id);
    if (dx.m_bSaveAndValidate)
        value = fw::GetText(control);
    else
        fw::SetText(control, value);
}

void DDX_Text(CDataExchange& dx, int id, int& value)
{
    const HWND control = dx.PrepareEditCtrl(id);
    if (dx.m_bSaveAndValidate) {
        int parsed = 0;
        if (!ParseInteger(fw::GetText(control), parsed)) {
            fw::ShowMessageBox(fw::kMessageEnterInteger, MB_OK | MB_ICONEXCLAMATION, std::string(), dx.m_dialog.m_hWnd);
            dx.Fail();
        }
        value = parsed;
    } else {
        fw::SetText(control, std::to_string(value));
    }
}

void DDX_Check(CDataExchange& dx, int id, int& value)
{
    const HWND control = dx.PrepareCtrl(id);
    if (dx.m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(control, BM_GETCHECK, 0, 0));
    else
        SendMessageW(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange& dx, int id, int& value)
{
    HWND button = dx.PrepareCtrl(id);
    if (dx.m_bSaveAndValidate) value = -1;
    int index = 0;
    do {
        if (SendMessageW(button, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (dx.m_bSaveAndValidate) {
                if (SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED) value = index;
            } else {
                SendMessageW(button, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        button = GetWindow(button, GW_HWNDNEXT);
    } while (button && !(GetWindowLongPtrW(button, GWL_STYLE) & WS_GROUP));
}

void DDX_CBIndex(CDataExchange& dx, int id, int& value)
{
    const HWND control = dx.PrepareCtrl(id);
    if (dx.m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(control, CB_GETCURSEL, 0, 0));
    else
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void DDX_LBIndex(CDataExchange& dx, int id, int& value)
{
    const HWND control = dx.PrepareCtrl(id);
    if (dx.m_bSaveAndValidate)
        value = static_cast<int>(SendMessageW(control, LB_GETCURSEL, 0, 0));
    else
        SendMessageW(control, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

void DDX_CBString(CDataExchange& dx, int id, std::string& value)
{
    const HWND control = dx.PrepareEditCtrl(id);
    if (dx.m_bSaveAndValidate) {
        value = fw::GetText(control);
        return;
    }
    const std::wstring wide = fw::Widen(value);
    const LRESULT exact = SendMessageW(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(wide.c_str()));
    if (exact != CB_ERR) {
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(exact), 0);
    } else if ((GetWindowLongPtrW(control, GWL_STYLE) & 3) == CBS_DROPDOWNLIST) {
        SendMessageW(control, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(wide.c_str()));
    } else {
        SetWindowTextW(control, wide.c_str());
    }
}

void DDX_Control(CDataExchange& dx, int id, CWnd& control)
{
    if (control.m_hWnd) return;
    dx.PrepareCtrl(id);
    if (!control.SubclassDlgItem(id, dx.m_dialog.m_hWnd)) dx.Fail();
}

void DDV_MaxChars(CDataExchange& dx, const std::string& value, int maxChars)
{
    const HWND control = dx.LastControl();
    if (dx.m_bSaveAndValidate) {
        if (fw::CharacterCount(value) > maxChars) {
            fw::ShowMessageBox(fw::ReplacePlaceholder(fw::kMessageMaxChars, std::to_string(maxChars)),
                               MB_OK | MB_ICONEXCLAMATION, std::string(), dx.m_dialog.m_hWnd);
            dx.Fail();
        }
    } else if (control) {
        if (HasClass(control, L"Edit"))
            SendMessageW(control, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
        else if (HasClass(control, L"ComboBox"))
            SendMessageW(control, CB_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
    }
}
