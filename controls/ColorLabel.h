// A static text control that paints itself: button-face background, its own
// copy of the default GUI font, window-text colour, aligned as the static
// control's style asks. It keeps its own copy of the text.
#pragma once

#include "framework/Framework.h"

#include <string>

class CColorLabel : public CStatic {
public:
    // Alignment bits: horizontal part, then vertical part.
    enum : UINT {
        AlignLeft = 0x01,
        AlignCenter = 0x02,
        AlignRight = 0x04,
        AlignHorizontal = 0x07,
        AlignTop = 0x08,
        AlignMiddle = 0x10,
        AlignBottom = 0x20,
        AlignVertical = 0x38,
    };

    CColorLabel();
    ~CColorLabel() override = default;

    // Binds the label to a dialog's static control and runs its set-up. A
    // label bound another way (DDX_Control) runs the set-up on its first message.
    bool SubclassDlgItem(int id, HWND parent);
    bool Subclass(HWND wnd);

    // Stores the text, sets the window text and redraws at once.
    CColorLabel& SetText(const std::string& text);
    const std::string& Text() const { return text; }
    UINT Alignment() const { return alignment; }

    // The colour the text is drawn in; CLR_INVALID (the default) draws it in
    // the system's window-text colour.
    void SetTextColour(COLORREF colour);
    COLORREF TextColour() const { return textColour; }

    // Drawn for multi-line text that is not top-aligned.
    static const char kMultiLinePlaceholder[];

protected:
    const MessageMap& GetMessageMap() const override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void SetUp();
    void OnPaint();
    LRESULT OnEnable(WPARAM, LPARAM);
    LRESULT OnSetText(WPARAM, LPARAM);
    LRESULT OnGetText(WPARAM, LPARAM);
    LRESULT OnGetTextLength(WPARAM, LPARAM);

    LOGFONTW fontDescription = {};
    CFont font;
    UINT alignment = AlignLeft | AlignTop;
    int settingText = 0;
    std::string text;
    bool setUp = false;
    COLORREF textColour = CLR_INVALID;
};
