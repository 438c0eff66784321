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

// A DLL of the plug-ins folder that could not be loaded, with the system's error.
struct PluginLoadProblem {
    std::wstring name;
    DWORD error = 0;
};

// The plug-ins that could not be loaded: for a script's log (English, one
// "NAME: could not be loaded (error N)" line each) and for the message box
// that says so to the user.
std::wstring PluginProblemsLog(const std::vector<PluginLoadProblem>& problems);
std::wstring PluginProblemsMessage(const std::vector<PluginLoadProblem>& problems);

class PluginSet {
public:
    // Loads every *.dll of the folder in name order. Returns the DLLs that
    // refused to load, none when all loaded.
    std::vector<PluginLoadProblem> LoadFolder(const std::wstring& folder);

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
