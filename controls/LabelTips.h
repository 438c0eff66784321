// Whole texts of labels that cut them. A label whose text can be longer than
// the label (a description from the library, a path, a status message) ends
// it with an ellipsis (SS_ENDELLIPSIS, SS_PATHELLIPSIS) and shows the whole
// text in a tooltip while the pointer rests on it, only when the text is cut.
// The tooltip is owned by the dialog; it asks for the label's text each time
// it shows and follows a change of the text while it is up, so the code that
// sets the labels' texts stays as it is. The labels need SS_NOTIFY: a static
// control without it lets the pointer through and the tooltip never sees it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

class CLabelTips {
public:
    CLabelTips() = default;
    ~CLabelTips();
    CLabelTips(const CLabelTips&) = delete;
    CLabelTips& operator=(const CLabelTips&) = delete;

    // Creates the dialog's tooltip (once) and adds the dialog's labels of
    // these ids. Call from the dialog's WM_INITDIALOG.
    void Attach(HWND dialog, std::initializer_list<int> labelIds);

    HWND Tooltip() const { return tip; }

    // Whether the label's text, drawn with the label's font in its client
    // area as its style lays it out (one line, or wrapped at words), is wider
    // or taller than that area.
    static bool IsCut(HWND label);

    // The label's text when it is cut, else an empty text (no tooltip).
    static std::wstring TipText(HWND label);

private:
    static LRESULT CALLBACK DialogProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
    static LRESULT CALLBACK LabelProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    void Detach();

    HWND dialog = nullptr;
    HWND tip = nullptr;
    std::wstring shown;  // the text handed to the tooltip last
};
