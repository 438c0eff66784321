// Data exchange between a dialog's members and its controls. A dialog's
// DoDataExchange lists the exchanges in order:
//
//   void CMyDlg::DoDataExchange(CDataExchange& dx)
//   {
//       DDX_Control(dx, 1007, spaceTypeBox);
//       DDX_Text(dx, 1013, description);
//       DDX_Text(dx, 1016, itemIndex);
//       DDX_Radio(dx, 1025, cycleChannel);
//   }
//
// When reading a value fails (not a whole number, too long), the user is
// told through the message box seam, the focus goes to the control, and the
// exchange stops there: later members keep their values and UpdateData
// returns false.
#pragma once

#include <windows.h>

#include <string>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd& dialog, bool saveAndValidate);

    const bool m_bSaveAndValidate;  // true: controls -> members
    CWnd& m_dialog;

    // The control's window (remembered as the one to focus on failure).
    HWND PrepareCtrl(int id);
    HWND PrepareEditCtrl(int id);
    HWND LastControl() const { return lastControl_; }
    // Focuses the last prepared control and stops the exchange.
    [[noreturn]] void Fail();

private:
    HWND lastControl_ = nullptr;
    bool lastIsEdit_ = false;
};

// The exception that carries a failed exchange out to UpdateData.
struct CDataExchangeFailure {};

// Window text <-> string (code page 936).
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// Edit <-> whole number (decimal, optional sign, surrounding blanks allowed).
// Reading anything else shows "请键入一个整数。" and fails.
void DDX_Text(CDataExchange& dx, int id, int& value);
// Check box <-> BST_UNCHECKED / BST_CHECKED / BST_INDETERMINATE.
void DDX_Check(CDataExchange& dx, int id, int& value);
// Radio group starting at id (the button with WS_GROUP, up to the next
// WS_GROUP) <-> index of the checked button, -1 when none.
void DDX_Radio(CDataExchange& dx, int id, int& value);
// Combo box / list box selection <-> index, -1 when none.
void DDX_CBIndex(CDataExchange& dx, int id, int& value);
void DDX_LBIndex(CDataExchange& dx, int id, int& value);
// Combo box text <-> string: reading takes the edit text (or the selected
// item of a drop-down list); writing selects the item that starts with the
// text, or sets the edit text when there is none.
void DDX_CBString(CDataExchange& dx, int id, std::string& value);
// Binds control to the dialog item (once; later exchanges do nothing).
void DDX_Control(CDataExchange& dx, int id, CWnd& control);

// Maximum length in characters (a double-byte character counts as one, as
// the edit control counts): writing sets the edit's text limit; reading a
// longer value shows "“请填入不多于%1个的字符。”" with %1 the limit and fails.
// Call right after the DDX_Text of the same control.
void DDV_MaxChars(CDataExchange& dx, const std::string& value, int maxChars);

namespace fw {
// The messages of data exchange (code page 936).
extern const char* const kMessageEnterInteger;
extern const char* const kMessageMaxChars;
// Characters of a code page 936 text (a double-byte character counts as one).
int CharacterCount(const std::string& text);
}  // namespace fw
