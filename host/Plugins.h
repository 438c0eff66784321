// The plug-ins: every DLL in the plug-in folder, loaded at start-up, and the
// callback tables they register with HV_registerPlugin.
#pragma once

#include "plugin/HostInterface.h"

#include <windows.h>

#include <string>
#include <vector>

namespace walkhost {

struct LoadedPlugin {
    std::wstring name;               // file name, e.g. L"Tintgrove.dll"
    HMODULE module = nullptr;
    VRPluginCallBack* table = nullptr;
};

// The message that lists the plug-ins that could not be loaded.
std::wstring PluginProblemsMessage(const std::vector<std::wstring>& problems);

class PluginSet {
public:
    // Loads every *.dll of the folder in name order. Returns one line per
    // problem (a DLL that refused to load), empty when all loaded.
    std::vector<std::wstring> LoadFolder(const std::wstring& folder);

    // Called by HV_registerPlugin: binds the table to the DLL being loaded.
    void Register(VRPluginCallBack* table);

    const std::vector<LoadedPlugin>& Plugins() const { return plugins_; }

    // Sends an event to one plug-in (index) or to all (index < 0).
    void SendEvent(const char* event, int index = -1);
    // Slot 0-5 with flags and screen coordinates, to every plug-in.
    void SendMouse(int slot, unsigned flags, int x, int y);

private:
    std::vector<LoadedPlugin> plugins_;
    int loading_ = -1;
};

}  // namespace walkhost
