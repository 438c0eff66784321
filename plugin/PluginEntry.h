// The plug-in's side of the host: the callback table it registers, the event
// dispatch and the picking of surfaces in the host's 3D view. Every entry
// point runs on the host's user-interface thread and lets no exception out.
#pragma once

#include "HostInterface.h"

// The table registered with HV_registerPlugin at load; never changed.
extern VRPluginCallBack pluginCallbacks;

// Slot 6: "go" opens the panel, "FileOpened" and "NewModelLoaded" forget the
// classification; the comparison is exact and case-sensitive.
void OnHostEvent(const char* event);
// Slots 1, 3, 4 and 5.
void OnIgnoredCallback(unsigned flags, int x, int y);
// Slot 0: picks the surface at (x, y), screen coordinates.
void OnPickSurface(unsigned flags, int x, int y);
// Slot 2: picks the surface at (x, y), then shows the classification menu
// there with the panel as owner.
void OnPickSurfaceWithMenu(unsigned flags, int x, int y);

// Messages of the event dispatch (code page 936).
extern const char* const kSceneEmptyMessage;
extern const char* const kCreatePanelFailedMessage;
// Caption of the plug-in's message boxes.
extern const char* const kPluginTitle;
