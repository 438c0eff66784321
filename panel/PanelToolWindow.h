// What the panel's modeless windows (scheme overview, classification
// overview, suggestions) share of their life: opening at a remembered
// placement or beside the panel, being brought forward when opened again,
// closing with Escape and with the panel, and the panel's keys reaching the
// panel while one of them has the focus. Each window keeps its own message
// table; what it reports to the panel as it closes it says itself.
#pragma once

#include "framework/Framework.h"

#include <vector>

// What every one of these windows needs of the panel that owns it.
class PanelWindowOwner {
public:
    virtual HWND OwnerWindow() const = 0;

protected:
    ~PanelWindowOwner() = default;
};

class CPanelToolWindow : public CDialog {
public:
    // The panel is going: the window closes and no longer reports to it.
    void CloseWithPanel();
    // The panel object is gone before this window's last message.
    void Orphan() { orphaned_ = true; }

    // Layout the windows share: the gap between controls, and between the
    // panel and a window beside it; the paint deck box; how often a room
    // view is captured while cards wait for theirs (ms).
    static constexpr int kMargin = 6;
    static constexpr int kDeckBoxWidth = 110;
    static constexpr int kDeckBoxDrop = 200;
    static constexpr UINT kCaptureInterval = 10;

protected:
    // Which side of the panel a window opens on the first time, when there
    // is room on the screen for it there.
    enum class Side { Right, Left };

    // panelCommands: the panel's commands whose keys the window passes on
    // to the panel.
    // minimumSize: the smallest the window may be dragged to, when its
    // table names OnGetMinMaxInfo.
    CPanelToolWindow(UINT dialogId, PanelWindowOwner& owner, std::vector<UINT> panelCommands, SIZE minimumSize = {});

    // Creates the window owned by the panel and shows it, at placement when
    // one is given, else beside the panel on the panel's screen.
    bool OpenBeside(const RECT* placement, Side first);
    bool Orphaned() const { return orphaned_; }
    // The window object is going: tells the panel, unless orphaned.
    virtual void ReportGone() = 0;
    // Places the controls for a client area of width by height.
    virtual void Layout(int width, int height) = 0;

    // Handlers a window's message table may name: a new size lays the
    // window out (not when minimised); the smallest size to drag it to.
    void OnSize(UINT type, int width, int height);
    LRESULT OnGetMinMaxInfo(WPARAM, LPARAM lParam);

    // Escape closes the window, as its close box does.
    void OnCancel() override;
    void PostNcDestroy() override;
    bool PreTranslateMessage(MSG* msg) override;

private:
    UINT dialogId_;
    PanelWindowOwner& owner_;
    std::vector<UINT> panelCommands_;
    SIZE minimumSize_;
    bool orphaned_ = false;
};

// Brings the window forward when it is open (slot not null); else creates
// one for owner and opens it with args, keeping it in slot while it lives.
void BringPanelWindowForward(CWnd& window);
template <class Window, class Owner, class... Args>
void OpenPanelWindow(Window*& slot, Owner& owner, Args... args)
{
    if (slot != nullptr) {
        BringPanelWindowForward(*slot);
        return;
    }
    auto* window = new Window(owner);
    slot = window;
    if (!window->Open(args...)) {
        slot = nullptr;
        delete window;
    }
}
