// Helpers shared by the controls' Windows tests: a top-level test window that
// records what its child controls tell it, message pumping with a time-out,
// and reading back the pixels a window shows.
#pragma once

#include "framework/Framework.h"

#include <string>
#include <vector>

namespace testwin {

// A visible top-level window that records every WM_NOTIFY and
// WM_TREECOMBO_SELECT it receives.
class CRecordingWindow : public CWnd {
public:
    struct Notice {
        UINT message;
        UINT_PTR id;
        UINT code;
        HWND from;
        WPARAM wParam;
    };

    // A window of client size width x height at (x, y) on the screen.
    bool Create(int x, int y, int width, int height);
    std::vector<Notice> notices;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// Handles every waiting message (with pre-translation), a few rounds.
void Pump();

// The client area's pixels as the screen shows them, row by row from the top.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> colors;
    COLORREF At(int x, int y) const { return colors[static_cast<std::size_t>(y) * width + x]; }
};
Pixels Capture(HWND wnd);


}  // namespace testwin
