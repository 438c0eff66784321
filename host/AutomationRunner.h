// The script runner behind walkhost --script: reads the script, runs its
// commands one by one from the command table in Automation.cpp, logs each
// and stops at the first that fails. Its commands are spread over the files
// by job: AutomationWindows.cpp finds windows, menus and message boxes,
// AutomationInput.cpp types and clicks, AutomationCapture.cpp takes
// screenshots, dumps and frame timings.
#pragma once

#include "Script.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace walkhost {

constexpr DWORD kDefaultTimeout = 10000;
constexpr double kPi = 3.14159265358979323846;

using Args = std::vector<std::string>;

// The time-out in milliseconds given as args[index], else the default.
DWORD TimeoutArg(const Args& args, size_t index);
// A finite number that is the whole of text.
bool Number(const std::string& text, double& value);

class Runner {
public:
    Runner(HWND window, std::wstring script, std::wstring log, std::wstring notice)
        : window_(window), scriptPath_(std::move(script)), logPath_(std::move(log)), notice_(std::move(notice)) {}

    // 0 when every step passed, 1 when one failed, 2 when the script cannot be read.
    int Run();

    // What the commands are made of. Each returns false after Fail(why)
    // when the step does not hold.
    void Log(const std::string& line);
    bool Fail(const std::string& why)
    {
        error_ = why;
        return false;
    }
    HWND MainWindow() const { return window_; }

    // Runs fn on the UI thread and waits for it (also while the UI thread is
    // inside a modal loop, which dispatches posted messages).
    bool OnUi(std::function<void()> fn, DWORD timeout = kDefaultTimeout);
    // Waits until the UI thread has handled everything posted before.
    bool Sync(DWORD timeout = kDefaultTimeout) { return OnUi([] {}, timeout); }
    // OnUi, or Fail when the host does not answer in time.
    bool OnUiOrFail(std::function<void()> fn)
    {
        return OnUi(std::move(fn)) ? true : Fail("the host did not answer");
    }
    // Sync, or Fail(why) when the UI thread does not get there in time.
    bool SyncOr(const std::string& why) { return Sync() ? true : Fail(why); }

    bool SurfaceHandle(const std::string& name, unsigned& surface);
    bool OpenModel(const std::string& file, bool expectFailure);

    // AutomationWindows.cpp
    bool WindowByCaption(const std::string& caption, DWORD timeout, HWND& found);
    // The window with the caption and its control with the id (a number).
    bool ControlByCaption(const std::string& caption, const std::string& id, DWORD timeout, HWND& window,
                          HWND& control);
    bool ControlCommand(const std::string& command, const Args& args);
    bool WaitHidden(const std::string& caption, const std::string& id, DWORD timeout);
    bool WaitGone(const std::string& caption, DWORD timeout);
    bool CloseWindow(const std::string& caption, DWORD timeout);
    bool CloseBox(const std::string& caption, DWORD timeout);
    bool ChooseMenuItem(const std::string& text, DWORD timeout);
    bool ChooseMenuBarItem(const std::string& text, DWORD timeout);
    bool AnswerMessageBox(const std::string& button, const std::string& expected, DWORD timeout);

    // AutomationInput.cpp
    bool ClickSurface(const std::string& name, UINT down, UINT up, WPARAM flags);
    bool ClickAt(int x, int y, UINT down, UINT up, WPARAM flags);
    bool PostKey(const Args& args);
    bool TypeKeys(const std::string& caption, const Args& words);

    // AutomationCapture.cpp
    bool Screenshot(const std::string& file, bool wholeScreen);
    bool Dump(const std::string& file);
    bool ExpectMaterial(const Args& args);
    bool Frames(int count);

private:
    bool Execute(const ScriptCommand& command);

    HWND window_;
    std::wstring scriptPath_;
    std::wstring logPath_;
    std::wstring notice_;
    HANDLE logFile_ = INVALID_HANDLE_VALUE;
    std::string error_;
};

// Calls find every 50 ms until it gives a window or the time-out passes.
template <class Find>
HWND WaitFor(Find find, DWORD timeout)
{
    const ULONGLONG end = GetTickCount64() + timeout;
    for (;;) {
        if (HWND hwnd = find())
            return hwnd;
        if (GetTickCount64() >= end)
            return nullptr;
        Sleep(50);
    }
}

// Whether wnd is owner or a window owned by it, directly or not.
bool OwnedBy(HWND wnd, HWND owner);
// The popup menu of this process that is showing, or null.
HWND FindPopupMenu();
// A real left click at a point of the screen, through the input queue.
void ClickScreen(POINT at);

}  // namespace walkhost
