// The guard at every boundary where an exception must stop: the window
// procedure, hooks, entry points other code calls. What it stops is logged
// (GuardLog.h: the debugger and a log file), and when it ended an action of
// the user's, the user is told which one in one message box.
//
// Use:
//     fw::Guarded("OnHostEvent go", "打开配色面板", [&] { OpenPanel(); });
//     fw::GuardedQuietly("HV_Redraw", [&] { App().RedrawNow(); });
// A boundary that returns a value assigns it inside the lambda and keeps its
// failure value otherwise.
#pragma once

#include "GuardLog.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace fw {

// What the user is told: %1 the action, %2 what went wrong.
extern const char* const kActionFailedFormat;
// The action of a close: %1 the window's caption.
extern const char* const kCloseActionFormat;

namespace detail {
// Logs the exception being handled under where and, when action is not
// empty, tells the user; never throws. Inside a catch block.
void ReportCurrentException(std::string_view where, std::string_view action) noexcept;
// The same for a window message: where and action are found from it.
void ReportCurrentException(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
}  // namespace detail

// Runs fn for the user's action named action (code page 936, in the words
// the user saw: a button's text, a menu item, a window's caption). An
// exception it throws goes no further: it is logged under where, and the
// user sees "“action”未能完成：what" in a message box (ShowMessageBox, so a
// test answers it). While that box is up, further failures on the thread are
// only logged. An empty action only logs. True when fn returned normally.
template <class F>
bool Guarded(std::string_view where, std::string_view action, F&& fn) noexcept
{
    try {
        fn();
        return true;
    } catch (...) {
        detail::ReportCurrentException(where, action);
        return false;
    }
}

// Guarded for the handling of one window message: the place logged is the
// message and the window's class; the user is told only when the message is
// a user's action (UserActionOf).
template <class F>
bool GuardedMessage(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam, F&& fn) noexcept
{
    try {
        fn();
        return true;
    } catch (...) {
        detail::ReportCurrentException(wnd, message, wParam, lParam);
        return false;
    }
}

// The user's action that message to wnd stands for, in words the user saw:
// the text of the button or menu item of a command, "关闭…" for a close,
// otherwise the caption of wnd's top-level window (or the application's
// title). Empty when the message is no action of the user's (painting,
// timers, sizing, notifications a control sends by itself…).
std::string UserActionOf(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace fw
