// Window placement shared by the library dialogs.
#pragma once

#include <windows.h>

// Centres a dialog over its owner, or, when it has none (the library dialogs
// are opened without a parent), over the work area of the monitor that holds
// the active window, as dialogs of a Windows application open.
void CenterDialog(HWND dialog);
