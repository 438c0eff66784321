// The application object of the module (the plug-in DLL, or a test
// executable): its instance, the instance its resources come from, its
// folder and its title, plus the start and end of its life.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

class CWinApp {
public:
    // title: the caption of message boxes that give none of their own.
    explicit CWinApp(std::string title = std::string());
    // Also removes the thread's pre-translation hook (the module is going);
    // the next window bound on the thread installs it again.
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The one application object of this module, or null.
    static CWinApp* Current();

    // Called by the module's entry point (DllMain) when it is loaded and
    // unloaded. InitInstance returning false fails the load.
    virtual bool InitInstance();
    virtual int ExitInstance();

    // Default: the module that holds this code (the DLL when linked into the
    // plug-in, the executable in tests).
    HINSTANCE ModuleInstance() const { return moduleInstance_; }
    void SetModuleInstance(HINSTANCE instance);
    // Where dialogs, menus, bitmaps and strings are loaded from; defaults to
    // the module instance.
    HINSTANCE ResourceInstance() const { return resourceInstance_; }
    void SetResourceInstance(HINSTANCE instance) { resourceInstance_ = instance; }

    const std::string& Title() const { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    // Full path of the module file (code page 936), read with a buffer that
    // grows until the path fits.
    std::string ModulePath() const;
    // ModulePath() up to and including its last backslash.
    std::string ModuleFolder() const;

private:
    std::string title_;
    HINSTANCE moduleInstance_;
    HINSTANCE resourceInstance_;
};

namespace fw {

// The module holding the framework code (the DLL in the plug-in, the exe in tests).
HINSTANCE ThisModule();
// The current application's module / resource instance, or ThisModule() when
// there is no application object.
HINSTANCE ModuleInstance();
HINSTANCE ResourceInstance();
// The caption for message boxes without one: the application's title, or the
// module's file name without folder and extension.
std::string ApplicationTitle();

// Full path of a module file, narrowed to code page 936; empty on failure.
std::string ModuleFileName(HMODULE module);

// The folder part of a code page 936 path: everything up to and including
// the last backslash, found character by character so that a trail byte
// 0x5C is not taken for one. Empty when the path holds no backslash.
std::string FolderOfPath(std::string_view path);

// Text of string resource id from the resource instance; empty when missing.
std::string LoadResourceString(UINT id);

}  // namespace fw
