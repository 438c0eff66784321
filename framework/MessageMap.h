// Message tables: each window class lists, top to bottom, the messages,
// commands and notifications it answers, each with a typed handler.
//
//   const MessageMap& CMyDlg::GetMessageMap() const
//   {
//       static const MessageMap map(CDialog::GetMessageMap(), {
//           on::Command(1001, &CMyDlg::OnStart),
//           on::Command(1003, CBN_SELCHANGE, &CMyDlg::OnModeChanged),
//           on::CommandRange(32776, 32795, &CMyDlg::OnItemCommand),
//           on::Notify(1009, NM_CLRSLIDER_CHANGED, &CMyDlg::OnSliderChanged),
//           on::Message(WM_TREECOMBO_SELECT, &CMyDlg::OnTreeComboSelect),
//           on::Timer(&CMyDlg::OnTimer),
//       });
//       return map;
//   }
//
// A message that no entry of the class or of its bases answers goes to the
// window's previous procedure. A handler that wants that default handling as
// well calls CWnd::Default().
#pragma once

#include <windows.h>
#include <windowsx.h>

#include <functional>
#include <initializer_list>
#include <type_traits>
#include <vector>

class CWnd;

enum class MessageKind {
    Message,          // any window message, matched by number
    Command,          // WM_COMMAND: control or menu id (range) and notification code
    Notify,           // WM_NOTIFY: control id (range) and notification code
    ReflectedCommand, // a child's own WM_COMMAND, handed back to it by its parent
    ReflectedNotify,  // a child's own WM_NOTIFY, handed back to it by its parent
};

struct MessageEntry {
    // Returns false when the handler declines the message (it then goes on
    // as if no entry had matched); result is the message's return value.
    using Handler = std::function<bool(CWnd& wnd, WPARAM wParam, LPARAM lParam, LRESULT& result)>;

    MessageKind kind;
    UINT message;  // MessageKind::Message only
    UINT firstId;  // Command and Notify: the ids matched, firstId..lastId
    UINT lastId;
    UINT code;     // notification code; for Command, 0 also matches accelerators
    Handler handler;
};

class MessageMap {
public:
    explicit MessageMap(std::initializer_list<MessageEntry> entries);
    // A class's table: its own entries first, then the base class's table.
    MessageMap(const MessageMap& base, std::initializer_list<MessageEntry> entries);

    // The first entry of this table or its bases that answers. id and code
    // are the control id and notification code of WM_COMMAND / WM_NOTIFY;
    // fromControl tells a control's WM_COMMAND from a menu's or accelerator's.
    const MessageEntry* Find(MessageKind kind, UINT message, UINT id, UINT code, bool fromControl) const;

    // Calls the answering handlers in table order until one accepts; true
    // when one did, with its result.
    bool Dispatch(CWnd& wnd, MessageKind kind, UINT message, UINT id, UINT code, bool fromControl, WPARAM wParam,
                  LPARAM lParam, LRESULT& result) const;

private:
    const MessageMap* base_ = nullptr;
    std::vector<MessageEntry> entries_;
};

// Entry builders. Parameters are decoded once, here; handlers receive typed
// values (mouse positions with GET_X_LPARAM/GET_Y_LPARAM, client coordinates
// unless stated otherwise).
namespace on {

namespace detail {
template <class T>
T& As(CWnd& wnd) { return static_cast<T&>(wnd); }
inline POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }
inline MessageEntry Entry(MessageKind kind, UINT message, UINT firstId, UINT lastId, UINT code,
                          MessageEntry::Handler handler)
{
    return MessageEntry{kind, message, firstId, lastId, code, std::move(handler)};
}
template <class R, class F>
bool Answer(LRESULT& result, F&& call)
{
    if constexpr (std::is_void_v<R>) {
        call();
        result = 0;
    } else {
        result = static_cast<LRESULT>(call());
    }
    return true;
}
}  // namespace detail

// Any message, undecoded: private messages (WM_APP/WM_USER based) and the rare ones.
template <class T, class R>
MessageEntry Message(UINT message, R (T::*fn)(WPARAM, LPARAM))
{
    return detail::Entry(MessageKind::Message, message, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp, LRESULT& r) {
        return detail::Answer<R>(r, [&] { return (detail::As<T>(w).*fn)(wp, lp); });
    });
}

// A button click or a menu command (notification code 0), or an accelerator.
template <class T>
MessageEntry Command(UINT id, void (T::*fn)())
{
    return detail::Entry(MessageKind::Command, WM_COMMAND, id, id, 0, [fn](CWnd& w, WPARAM, LPARAM, LRESULT& r) {
        (detail::As<T>(w).*fn)();
        r = 0;
        return true;
    });
}

// A control's notification with the given code (CBN_SELCHANGE, EN_CHANGE, ...).
template <class T>
MessageEntry Command(UINT id, UINT code, void (T::*fn)())
{
    return detail::Entry(MessageKind::Command, WM_COMMAND, id, id, code, [fn](CWnd& w, WPARAM, LPARAM, LRESULT& r) {
        (detail::As<T>(w).*fn)();
        r = 0;
        return true;
    });
}

// Clicks or menu commands firstId..lastId; the handler gets the id.
template <class T>
MessageEntry CommandRange(UINT firstId, UINT lastId, void (T::*fn)(UINT id))
{
    return detail::Entry(MessageKind::Command, WM_COMMAND, firstId, lastId, 0,
                         [fn](CWnd& w, WPARAM wp, LPARAM, LRESULT& r) {
                             (detail::As<T>(w).*fn)(LOWORD(wp));
                             r = 0;
                             return true;
                         });
}

// WM_NOTIFY from control id with the given code. A handler returning a value
// answers the notification (in a dialog also through DWLP_MSGRESULT).
template <class T, class R>
MessageEntry Notify(UINT id, UINT code, R (T::*fn)(NMHDR*))
{
    return detail::Entry(MessageKind::Notify, WM_NOTIFY, id, id, code, [fn](CWnd& w, WPARAM, LPARAM lp, LRESULT& r) {
        return detail::Answer<R>(r, [&] { return (detail::As<T>(w).*fn)(reinterpret_cast<NMHDR*>(lp)); });
    });
}

// In a control's own table: its WM_COMMAND notification, handed back by the
// parent before the parent sees it. A bool handler returning false lets the
// parent handle the notification too.
template <class T, class R>
MessageEntry ReflectCommand(UINT code, R (T::*fn)())
{
    return detail::Entry(MessageKind::ReflectedCommand, WM_COMMAND, 0, 0, code,
                         [fn](CWnd& w, WPARAM, LPARAM, LRESULT& r) {
                             r = 0;
                             if constexpr (std::is_same_v<R, bool>) {
                                 return (detail::As<T>(w).*fn)();
                             } else {
                                 (detail::As<T>(w).*fn)();
                                 return true;
                             }
                         });
}

// In a control's own table: its WM_NOTIFY with the given code, handed back by
// the parent before the parent sees it; the returned value answers it.
template <class T, class R>
MessageEntry ReflectNotify(UINT code, R (T::*fn)(NMHDR*))
{
    return detail::Entry(MessageKind::ReflectedNotify, WM_NOTIFY, 0, 0, code,
                         [fn](CWnd& w, WPARAM, LPARAM lp, LRESULT& r) {
                             return detail::Answer<R>(r, [&] { return (detail::As<T>(w).*fn)(reinterpret_cast<NMHDR*>(lp)); });
                         });
}

template <class T>
MessageEntry Mouse(UINT message, void (T::*fn)(UINT keyFlags, POINT point))
{
    return detail::Entry(MessageKind::Message, message, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp, LRESULT& r) {
        (detail::As<T>(w).*fn)(static_cast<UINT>(wp), detail::PointOf(lp));
        r = 0;
        return true;
    });
}
template <class T> MessageEntry LButtonDown(void (T::*fn)(UINT, POINT)) { return Mouse(WM_LBUTTONDOWN, fn); }
template <class T> MessageEntry LButtonUp(void (T::*fn)(UINT, POINT)) { return Mouse(WM_LBUTTONUP, fn); }
template <class T> MessageEntry LButtonDblClk(void (T::*fn)(UINT, POINT)) { return Mouse(WM_LBUTTONDBLCLK, fn); }
template <class T> MessageEntry RButtonDown(void (T::*fn)(UINT, POINT)) { return Mouse(WM_RBUTTONDOWN, fn); }
template <class T> MessageEntry RButtonUp(void (T::*fn)(UINT, POINT)) { return Mouse(WM_RBUTTONUP, fn); }
template <class T> MessageEntry MouseMove(void (T::*fn)(UINT, POINT)) { return Mouse(WM_MOUSEMOVE, fn); }

// WM_CONTEXTMENU: the window clicked and the point in screen coordinates
// ({-1, -1} when it came from the keyboard).
template <class T>
MessageEntry ContextMenu(void (T::*fn)(HWND, POINT))
{
    return detail::Entry(MessageKind::Message, WM_CONTEXTMENU, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp, LRESULT& r) {
        (detail::As<T>(w).*fn)(reinterpret_cast<HWND>(wp), detail::PointOf(lp));
        r = 0;
        return true;
    });
}

// Keys: virtual key, repeat count, and the flags word (HIWORD of lParam).
template <class T>
MessageEntry Key(UINT message, void (T::*fn)(UINT key, UINT repeat, UINT flags))
{
    return detail::Entry(MessageKind::Message, message, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp, LRESULT& r) {
        (detail::As<T>(w).*fn)(static_cast<UINT>(wp), LOWORD(lp), HIWORD(lp));
        r = 0;
        return true;
    });
}
template <class T> MessageEntry KeyDown(void (T::*fn)(UINT, UINT, UINT)) { return Key(WM_KEYDOWN, fn); }
template <class T> MessageEntry KeyUp(void (T::*fn)(UINT, UINT, UINT)) { return Key(WM_KEYUP, fn); }
template <class T> MessageEntry SysKeyDown(void (T::*fn)(UINT, UINT, UINT)) { return Key(WM_SYSKEYDOWN, fn); }
template <class T> MessageEntry Char(void (T::*fn)(UINT, UINT, UINT)) { return Key(WM_CHAR, fn); }

template <class T>
MessageEntry Simple(UINT message, void (T::*fn)())
{
    return detail::Entry(MessageKind::Message, message, 0, 0, 0, [fn](CWnd& w, WPARAM, LPARAM, LRESULT& r) {
        (detail::As<T>(w).*fn)();
        r = 0;
        return true;
    });
}
template <class T> MessageEntry Paint(void (T::*fn)()) { return Simple(WM_PAINT, fn); }
template <class T> MessageEntry Close(void (T::*fn)()) { return Simple(WM_CLOSE, fn); }
template <class T> MessageEntry Destroy(void (T::*fn)()) { return Simple(WM_DESTROY, fn); }

// WM_SYSCOMMAND of one command a window added to its system menu; every other
// system command goes on to the default handling.
template <class T>
MessageEntry SysCommand(UINT id, void (T::*fn)())
{
    return detail::Entry(MessageKind::Message, WM_SYSCOMMAND, 0, 0, 0, [fn, id](CWnd& w, WPARAM wp, LPARAM, LRESULT& r) {
        if ((wp & 0xFFF0) != id)
            return false;
        (detail::As<T>(w).*fn)();
        r = 0;
        return true;
    });
}

// WM_ERASEBKGND: return true when the background was erased.
template <class T>
MessageEntry EraseBkgnd(bool (T::*fn)(HDC))
{
    return detail::Entry(MessageKind::Message, WM_ERASEBKGND, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM, LRESULT& r) {
        r = (detail::As<T>(w).*fn)(reinterpret_cast<HDC>(wp)) ? 1 : 0;
        return true;
    });
}

template <class T>
MessageEntry Timer(void (T::*fn)(UINT_PTR timerId))
{
    return detail::Entry(MessageKind::Message, WM_TIMER, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM, LRESULT& r) {
        (detail::As<T>(w).*fn)(static_cast<UINT_PTR>(wp));
        r = 0;
        return true;
    });
}

// WM_SIZE: the size type (SIZE_RESTORED, ...) and the new client size.
template <class T>
MessageEntry Size(void (T::*fn)(UINT type, int width, int height))
{
    return detail::Entry(MessageKind::Message, WM_SIZE, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM lp, LRESULT& r) {
        (detail::As<T>(w).*fn)(static_cast<UINT>(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        r = 0;
        return true;
    });
}

// WM_SETFOCUS / WM_KILLFOCUS: the window that loses / gains the focus.
template <class T>
MessageEntry SetFocus(void (T::*fn)(HWND other))
{
    return detail::Entry(MessageKind::Message, WM_SETFOCUS, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM, LRESULT& r) {
        (detail::As<T>(w).*fn)(reinterpret_cast<HWND>(wp));
        r = 0;
        return true;
    });
}
template <class T>
MessageEntry KillFocus(void (T::*fn)(HWND other))
{
    return detail::Entry(MessageKind::Message, WM_KILLFOCUS, 0, 0, 0, [fn](CWnd& w, WPARAM wp, LPARAM, LRESULT& r) {
        (detail::As<T>(w).*fn)(reinterpret_cast<HWND>(wp));
        r = 0;
        return true;
    });
}

}  // namespace on
