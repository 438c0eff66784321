// The logging half of the guard (Guard.h): what stops an exception at a
// boundary is written to the debugger (OutputDebugStringW) and appended to a
// log file. It needs nothing but kernel32, so code that does not link the
// framework (walkhost) uses it too: link tg_guardlog and include
// "framework/GuardLog.h".
//
// The log file is the one named by the environment variable TG_GUARD_LOG
// when it is set (the test harness sets it and fails a test whose log is not
// empty afterwards), otherwise Tintgrove-guard.log in the user's temporary
// folder. Lines are UTF-8: "process id, where: what".
#pragma once

#include <string>
#include <string_view>

namespace fw {

// Writes "where: what" to the debugger and the log file. where names the
// boundary (for a maintainer); what is the failure. Both code page 936.
void LogFailure(std::string_view where, std::string_view what) noexcept;

// The text of the exception being handled: what() of a std::exception,
// otherwise "未知错误". Only inside a catch block.
std::string CurrentExceptionText();

// The log file the next failure goes to (a Windows path, code page 936).
std::string GuardLogPath();

namespace detail {
// LogFailure(where, CurrentExceptionText()), never throwing; inside a catch block.
void LogCurrentException(std::string_view where) noexcept;
}  // namespace detail

// Runs fn; an exception it throws goes no further and is logged under where.
// For boundaries that must not show anything: exports another module calls,
// DLL detach, hooks, window destruction. True when fn returned normally.
template <class F>
bool GuardedQuietly(std::string_view where, F&& fn) noexcept
{
    try {
        fn();
        return true;
    } catch (...) {
        detail::LogCurrentException(where);
        return false;
    }
}

}  // namespace fw
