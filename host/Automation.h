// Automation mode (walkhost --script FILE): a thread that runs the script's
// commands against the running host, each wait bounded by a time-out, then
// closes walkhost with exit status 0 when every step passed, 1 when one
// failed (the run stops there), 2 when the script cannot be read.
#pragma once

#include <windows.h>

#include <string>

namespace walkhost {

// Starts the script thread. `logPath` empty: the log goes to standard output.
// `startupNotice` (the start-up problems, if any) is written to the log first.
void StartScript(HWND mainWindow, const std::wstring& scriptPath, const std::wstring& logPath,
                 const std::wstring& startupNotice);

}  // namespace walkhost
