// The main window: menu bar, the 3D view in its client area, walking keys,
// and mouse input handed to the plug-ins.
#pragma once

#include <windows.h>

#include <functional>

namespace walkhost {

// Posted with a heap std::function<void()>* in lParam: the window runs it on
// the UI thread and deletes it (how the automation thread acts on the scene).
constexpr UINT WM_APP_CALL = WM_APP + 1;

// Creates and shows the main window with a client area of the given size.
HWND CreateMainWindow(HINSTANCE instance, int clientWidth, int clientHeight);

// Rebuilds the plug-ins menu from the loaded plug-ins.
void RebuildPluginMenu(HWND window);

// Runs `fn` on the UI thread, without waiting.
void PostToUi(HWND window, std::function<void()> fn);

}  // namespace walkhost
