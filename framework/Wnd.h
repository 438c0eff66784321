// CWnd: a C++ object bound to one window. It owns nothing but the handle.
//
// Binding means the window is subclassed (SetWindowSubclass) with the object
// as the reference data: messages then reach WindowProc, which consults the
// class's message table and otherwise calls the previous procedure. The
// object is found from the window through that subclass, never through a
// process-wide map.
#pragma once

#include "MessageMap.h"

#include <windows.h>

#include <string>
#include <string_view>

class CWnd {
public:
    CWnd() = default;
    // Unbinds; destroys the window when this object created it (CreateEx).
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    // The object of this framework bound to wnd, or null.
    static CWnd* FromHandle(HWND wnd);

    // Attach only wraps the handle (no messages are routed); Detach undoes
    // Attach or Subclass and returns the handle.
    bool Attach(HWND wnd);
    HWND Detach();
    // Binds the object to an existing window, e.g. a control that a dialog
    // template created; its messages then go through this class's table.
    bool Subclass(HWND wnd);
    bool SubclassDlgItem(int id, HWND parent);
    bool SubclassDlgItem(int id, const CWnd& parent) { return SubclassDlgItem(id, parent.m_hWnd); }
    HWND UnsubclassWindow();
    bool IsBound() const { return bound_; }

    // Creates a window bound to this object (bound as soon as CreateWindowExW
    // returns: WM_NCCREATE and WM_CREATE are not routed to the table).
    // className and text are code page 936; id is the control id of a child.
    bool CreateEx(DWORD exStyle, std::string_view className, std::string_view text, DWORD style,
                  const RECT& rect, HWND parent, UINT id, void* param = nullptr);
    bool DestroyWindow();

    // Registers a window class with the default window procedure for the
    // module instance, so dialog templates can create controls of it;
    // SubclassDlgItem then binds them. True when registered or already there.
    static bool RegisterWindowClass(std::string_view className, UINT style = 0, HCURSOR cursor = nullptr,
                                    HBRUSH background = nullptr);

    // Text, code page 936.
    std::string GetWindowText() const;
    void SetWindowText(std::string_view text);
    std::string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, std::string_view text);

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }
    HWND GetParent() const { return ::GetParent(m_hWnd); }
    bool ShowWindow(int command) { return ::ShowWindow(m_hWnd, command) != FALSE; }
    // Centres the window over its owner, or, without a visible owner, over the
    // work area of the monitor of the active window; never off its top-left.
    void CenterWindow();
    bool IsWindowVisible() const { return ::IsWindowVisible(m_hWnd) != FALSE; }
    bool EnableWindow(bool enable = true) { return ::EnableWindow(m_hWnd, enable ? TRUE : FALSE) != FALSE; }
    bool IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd) != FALSE; }
    void Invalidate(bool erase = true) { ::InvalidateRect(m_hWnd, nullptr, erase ? TRUE : FALSE); }
    void InvalidateRect(const RECT* rect, bool erase = true) { ::InvalidateRect(m_hWnd, rect, erase ? TRUE : FALSE); }
    void UpdateWindow() { ::UpdateWindow(m_hWnd); }
    HWND SetFocus() { return ::SetFocus(m_hWnd); }
    RECT GetClientRect() const;
    RECT GetWindowRect() const;
    void ScreenToClient(POINT& point) const { ::ScreenToClient(m_hWnd, &point); }
    void ClientToScreen(POINT& point) const { ::ClientToScreen(m_hWnd, &point); }
    bool MoveWindow(int x, int y, int width, int height, bool repaint = true);
    bool SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    bool PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void CheckDlgButton(int id, UINT check) { ::CheckDlgButton(m_hWnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }
    UINT_PTR SetTimer(UINT_PTR timerId, UINT elapseMs) { return ::SetTimer(m_hWnd, timerId, elapseMs, nullptr); }
    bool KillTimer(UINT_PTR timerId) { return ::KillTimer(m_hWnd, timerId) != FALSE; }

    // Gives the message being handled to the window's previous procedure
    // (default handling); callable from inside a handler.
    LRESULT Default();

    // Keyboard messages meant for this window or one of its children, before
    // they are dispatched: return true to swallow the message. The modal loop
    // and the thread message hook call it for the focused window and each of
    // its parents up to the top-level window.
    virtual bool PreTranslateMessage(MSG* msg);

    // Called after the window is gone and the object unbound (WM_NCDESTROY),
    // once no framework window procedure is running on the thread any more
    // (so a handler that destroyed its own window finishes first); a heap
    // object that manages its own life may delete itself here.
    virtual void PostNcDestroy() {}

protected:
    // This class's message table; each class that answers messages replaces
    // it with one built on its base's table.
    virtual const MessageMap& GetMessageMap() const;

    // Reflection, the parent first, then the table, then Default().
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Reflection to the child, then the table; true when answered.
    bool RouteMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Looks message up in the table chain; true when a handler answered.
    bool DispatchToTable(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // A child's WM_COMMAND/WM_NOTIFY handed back to it by its parent: true
    // when the child's table answered (the parent then does nothing more).
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    bool Bind(HWND wnd);
    // While set, a window destroyed during its creation does not end in
    // PostNcDestroy: the creator reports the failure and still owns the object.
    bool creating_ = false;

private:
    struct CurrentMessage {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR refData);
    void Unbind();

    bool bound_ = false;
    bool createdHere_ = false;
    const CurrentMessage* current_ = nullptr;
    bool finishing_ = false;         // PostNcDestroy is due
    CWnd* nextFinished_ = nullptr;   // the thread's list of those

};

namespace fw {

// Runs the pre-translation chain for msg (keyboard messages only): from the
// window it is addressed to up to its top-level window, each bound object's
// PreTranslateMessage. True when one swallowed it.
bool PreTranslate(MSG* msg);

// Handles every waiting message of this thread (with pre-translation) and
// returns; for tests and for code that waits on a posted command.
void PumpMessages();

// Pumps messages until done() is true or timeoutMs has passed; returns done().
template <class F>
bool PumpUntil(F done, DWORD timeoutMs);

// Whether the thread's WH_GETMESSAGE hook is installed (while at least one
// framework window exists on the thread).
bool MessageHookInstalled();

namespace detail {
bool PumpOnce(DWORD waitMs);
// PeekMessage(PM_REMOVE) for a framework loop that pre-translates itself
// (the thread hook stays out of it).
bool PeekForOwnLoop(MSG& msg);
// Removes the thread's message hook whatever windows remain: the module is
// going away (its hook procedure with it).
void RemoveMessageHook();
}

template <class F>
bool PumpUntil(F done, DWORD timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    while (!done()) {
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= timeoutMs) return done();
        detail::PumpOnce(static_cast<DWORD>(timeoutMs - elapsed));
    }
    return true;
}

}  // namespace fw
