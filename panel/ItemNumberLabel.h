// Label 1020 of the panel: the number of the item last applied, in large red
// digits. The number is drawn at once when it changes and again whenever the
// label is repainted (uncovered, moved), so it does not vanish; before the
// first number the label paints as a plain static control.
#pragma once

#include "framework/Framework.h"

class CItemNumberLabel : public CWnd {
public:
    // Remembers number and draws it now.
    void ShowNumber(int number);
    bool HasNumber() const { return hasNumber; }
    int Number() const { return number; }

    // Fills area with the button face colour and draws number centred at its
    // top, in 48-point "宋体", red, on a transparent background.
    static void Paint(HDC dc, const RECT& area, int number);

protected:
    const MessageMap& GetMessageMap() const override;

private:
    void OnPaint();
    void PaintBuffered(HDC dc) const;

    bool hasNumber = false;
    int number = 0;
};
