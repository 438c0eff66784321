// The script runner: reads the script, looks each command up in the command
// table below, checks its number of arguments and runs its handler, logging
// every line and stopping at the first step that fails. The table's small
// handlers live here; the larger ones by job in AutomationWindows.cpp,
// AutomationInput.cpp and AutomationCapture.cpp.
#include "Automation.h"

#include "AutomationRunner.h"
#include "CommandTable.h"
#include "HostApp.h"
#include "MainWindow.h"
#include "WinText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

namespace walkhost {

DWORD TimeoutArg(const Args& args, size_t index)
{
    return args.size() > index ? static_cast<DWORD>(std::strtoul(args[index].c_str(), nullptr, 10)) : kDefaultTimeout;
}

bool Number(const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size() && std::isfinite(value);
}

namespace {

struct Signal {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~Signal() { CloseHandle(event); }
};

std::string JoinWords(const Args& words)
{
    std::string text;
    for (const std::string& word : words)
        text += (text.empty() ? "" : " ") + word;
    return text;
}

bool SendEvent(Runner& r, const Args& a)
{
    const std::string event = a[0];
    const int index = a.size() > 1 ? std::atoi(a[1].c_str()) : -1;
    PostToUi(r.MainWindow(), [event, index] { App().SendEvent(event.c_str(), index); });
    return r.SyncOr("the host did not handle the event in time");
}

bool Select(Runner& r, const Args& a)
{
    std::vector<unsigned> surfaces;
    for (const std::string& name : a) {
        unsigned s = 0;
        if (!r.SurfaceHandle(name, s))
            return false;
        surfaces.push_back(s);
    }
    return r.OnUiOrFail([surfaces] { App().SetSelection(surfaces.data(), static_cast<int>(surfaces.size())); });
}

bool ExpectSelection(Runner& r, const Args& a)
{
    auto names = std::make_shared<std::string>();
    if (!r.OnUi([names] {
            for (unsigned s : App().selection)
                *names += (names->empty() ? "" : " ") + App().scene.GetSurface(s)->name;
        }))
        return r.Fail("the host did not answer");
    return *names == JoinWords(a) ? true : r.Fail("the selection is '" + *names + "'");
}

bool SysCommand(Runner& r, const Args& a)
{
    // As if chosen in the window's system menu.
    HWND target = nullptr;
    if (!r.WindowByCaption(a[0], TimeoutArg(a, 2), target))
        return false;
    PostMessageW(target, WM_SYSCOMMAND, static_cast<WPARAM>(std::strtoul(a[1].c_str(), nullptr, 10)), 0);
    return r.SyncOr("the window did not handle the command in time");
}

bool ExpectPlugins(Runner& r, const Args& a)
{
    auto count = std::make_shared<size_t>(0);
    if (!r.OnUi([count] {
            for (const LoadedPlugin& p : App().plugins.Plugins())
                *count += p.table ? 1 : 0;
        }))
        return r.Fail("the host did not answer");
    return *count == std::strtoul(a[0].c_str(), nullptr, 10) ? true
                                                             : r.Fail(std::to_string(*count) + " plug-ins registered");
}

bool ExpectEmpty(Runner& r, const Args& a)
{
    auto empty = std::make_shared<bool>(false);
    if (!r.OnUi([empty] { *empty = App().scene.Empty(); }))
        return r.Fail("the host did not answer");
    return *empty == (a[0] == "1") ? true : r.Fail(*empty ? "the scene is empty" : "the scene is not empty");
}

bool MenuCommand(Runner& r, const Args& a)
{
    PostMessageW(r.MainWindow(), WM_COMMAND, MAKEWPARAM(std::atoi(a[0].c_str()), 0), 0);
    return r.SyncOr("the host did not handle the command in time");
}

bool PlaceCamera(Runner& r, const Args& a)
{
    double v[5];
    for (int i = 0; i < 5; ++i)
        if (!Number(a[i], v[i]))
            return r.Fail("usage: camera X Y Z YAW-DEGREES PITCH-DEGREES");
    return r.OnUi([v] {
        Camera& cam = App().camera;
        cam.position = Vec3(v[0], v[1], v[2]);
        cam.yaw = v[3] * kPi / 180;
        cam.pitch = v[4] * kPi / 180;
        App().RedrawNow();
    });
}

// walk METRES, turn DEGREES, look DEGREES.
template <void (*Move)(Camera&, double)>
bool MoveCamera(Runner& r, const Args& a)
{
    double v = 0;
    if (!Number(a[0], v))
        return r.Fail("usage: walk METRES | turn DEGREES | look DEGREES");
    return r.OnUi([v] {
        Move(App().camera, v);
        App().RedrawNow();
    });
}
void Walk(Camera& cam, double metres) { cam.Walk(metres); }
void Turn(Camera& cam, double degrees) { cam.Turn(degrees * kPi / 180); }
void Look(Camera& cam, double degrees) { cam.Look(degrees * kPi / 180); }

using Handler = bool (*)(Runner&, const Args&);

// Every script command, its arguments (fewest, most) and its usage. A
// handler gets at least the fewest arguments; the optional ones may be absent.
const CommandEntry<Handler> kCommands[] = {
    {"event", 1, 2, "event NAME [PLUGIN-INDEX]", SendEvent},
    {"click", 1, 1, "click|rclick|dblclick SURFACE",
     [](Runner& r, const Args& a) { return r.ClickSurface(a[0], WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON); }},
    {"rclick", 1, 1, "click|rclick|dblclick SURFACE",
     [](Runner& r, const Args& a) { return r.ClickSurface(a[0], WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON); }},
    {"dblclick", 1, 1, "click|rclick|dblclick SURFACE",
     [](Runner& r, const Args& a) { return r.ClickSurface(a[0], WM_LBUTTONDBLCLK, WM_LBUTTONUP, MK_LBUTTON); }},
    {"click-at", 2, 2, "click-at|rclick-at X Y",
     [](Runner& r, const Args& a) {
         return r.ClickAt(std::atoi(a[0].c_str()), std::atoi(a[1].c_str()), WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
     }},
    {"rclick-at", 2, 2, "click-at|rclick-at X Y",
     [](Runner& r, const Args& a) {
         return r.ClickAt(std::atoi(a[0].c_str()), std::atoi(a[1].c_str()), WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
     }},
    {"select", 0, kAnyArgs, "select SURFACE...", Select},
    {"clear-selection", 0, 0, "clear-selection",
     [](Runner& r, const Args&) { return r.OnUiOrFail([] { App().ClearSelection(); }); }},
    {"expect-selection", 0, kAnyArgs, "expect-selection SURFACE...", ExpectSelection},
    {"menu", 1, 2, "menu ITEM-TEXT [TIMEOUT-MS]",
     [](Runner& r, const Args& a) { return r.ChooseMenuItem(a[0], TimeoutArg(a, 1)); }},
    {"main-menu", 1, 2, "main-menu ITEM-TEXT [TIMEOUT-MS]",
     [](Runner& r, const Args& a) { return r.ChooseMenuBarItem(a[0], TimeoutArg(a, 1)); }},
    {"close-box", 1, 2, "close-box CAPTION [TIMEOUT-MS]",
     [](Runner& r, const Args& a) { return r.CloseBox(a[0], TimeoutArg(a, 1)); }},
    {"press", 2, 3, "press|click-button CAPTION ID, settext|expect-text CAPTION ID TEXT",
     [](Runner& r, const Args& a) { return r.ControlCommand("press", a); }},
    {"click-button", 2, 3, "press|click-button CAPTION ID, settext|expect-text CAPTION ID TEXT",
     [](Runner& r, const Args& a) { return r.ControlCommand("click-button", a); }},
    {"settext", 3, 4, "press|click-button CAPTION ID, settext|expect-text CAPTION ID TEXT",
     [](Runner& r, const Args& a) { return r.ControlCommand("settext", a); }},
    {"expect-text", 3, 4, "press|click-button CAPTION ID, settext|expect-text CAPTION ID TEXT",
     [](Runner& r, const Args& a) { return r.ControlCommand("expect-text", a); }},
    {"wait-hidden", 2, 3, "wait-hidden CAPTION ID [TIMEOUT-MS]",
     [](Runner& r, const Args& a) { return r.WaitHidden(a[0], a[1], TimeoutArg(a, 2)); }},
    {"syscommand", 2, 3, "syscommand CAPTION ID [TIMEOUT-MS]", SysCommand},
    {"close-window", 1, 2, "close-window CAPTION [TIMEOUT-MS]",
     [](Runner& r, const Args& a) { return r.CloseWindow(a[0], TimeoutArg(a, 1)); }},
    {"key", 2, 4, "key CAPTION KEY [ID] [TIMEOUT-MS]", [](Runner& r, const Args& a) { return r.PostKey(a); }},
    {"type-keys", 2, kAnyArgs, "type-keys CAPTION KEYS...",
     [](Runner& r, const Args& a) { return r.TypeKeys(a[0], Args(a.begin() + 1, a.end())); }},
    {"answer", 1, 3, "answer BUTTON [TEXT-PART] [TIMEOUT-MS]",
     [](Runner& r, const Args& a) { return r.AnswerMessageBox(a[0], a.size() > 1 ? a[1] : "", TimeoutArg(a, 2)); }},
    {"wait-window", 1, 2, "wait-window CAPTION [TIMEOUT-MS]",
     [](Runner& r, const Args& a) {
         HWND found = nullptr;
         return r.WindowByCaption(a[0], TimeoutArg(a, 1), found);
     }},
    {"wait-gone", 1, 2, "wait-gone CAPTION [TIMEOUT-MS]",
     [](Runner& r, const Args& a) { return r.WaitGone(a[0], TimeoutArg(a, 1)); }},
    {"sleep", 0, 1, "sleep [MS]",
     [](Runner&, const Args& a) {
         Sleep(a.empty() ? 100 : static_cast<DWORD>(std::strtoul(a[0].c_str(), nullptr, 10)));
         return true;
     }},
    {"screenshot", 1, 2, "screenshot FILE [view|screen]",
     [](Runner& r, const Args& a) { return r.Screenshot(a[0], a.size() > 1 && a[1] == "screen"); }},
    {"dump", 1, 1, "dump FILE", [](Runner& r, const Args& a) { return r.Dump(a[0]); }},
    {"expect-material", 4, 5, "expect-material SURFACE R G B [MAP]",
     [](Runner& r, const Args& a) { return r.ExpectMaterial(a); }},
    {"expect-plugins", 1, 1, "expect-plugins COUNT", ExpectPlugins},
    {"expect-empty", 1, 1, "expect-empty 0|1", ExpectEmpty},
    {"open", 1, 1, "open|open-bad FILE", [](Runner& r, const Args& a) { return r.OpenModel(a[0], false); }},
    {"open-bad", 1, 1, "open|open-bad FILE", [](Runner& r, const Args& a) { return r.OpenModel(a[0], true); }},
    {"menu-command", 1, 1, "menu-command ID", MenuCommand},
    {"close-scene", 0, 0, "close-scene",
     [](Runner& r, const Args&) { return r.OnUiOrFail([] { App().CloseScene(); }); }},
    {"camera", 5, 5, "camera X Y Z YAW-DEGREES PITCH-DEGREES", PlaceCamera},
    {"walk", 1, 1, "walk METRES | turn DEGREES | look DEGREES", MoveCamera<Walk>},
    {"turn", 1, 1, "walk METRES | turn DEGREES | look DEGREES", MoveCamera<Turn>},
    {"look", 1, 1, "walk METRES | turn DEGREES | look DEGREES", MoveCamera<Look>},
    {"frames", 0, 1, "frames [COUNT]",
     [](Runner& r, const Args& a) { return r.Frames(a.empty() ? 100 : std::max(1, std::atoi(a[0].c_str()))); }},
    {"log", 0, kAnyArgs, "log TEXT...",
     [](Runner& r, const Args& a) {
         r.Log("  " + JoinWords(a));
         return true;
     }},
};

}  // namespace

bool Runner::Execute(const ScriptCommand& c)
{
    const auto* command = FindCommand(kCommands, c.name);
    if (!command)
        return Fail("unknown command '" + c.name + "'");
    const std::string wrongCount = ArgumentCountError(*command, c.args.size());
    if (!wrongCount.empty())
        return Fail(wrongCount);
    return command->handler(*this, c.args);
}

void Runner::Log(const std::string& line)
{
    const std::string text = line + "\r\n";
    DWORD wrote = 0;
    if (logFile_ != INVALID_HANDLE_VALUE) {
        WriteFile(logFile_, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
        FlushFileBuffers(logFile_);
    } else {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
}

bool Runner::OnUi(std::function<void()> fn, DWORD timeout)
{
    auto done = std::make_shared<Signal>();
    PostToUi(window_, [done, fn] {
        fn();
        SetEvent(done->event);
    });
    return WaitForSingleObject(done->event, timeout) == WAIT_OBJECT_0;
}

bool Runner::SurfaceHandle(const std::string& name, unsigned& surface)
{
    auto result = std::make_shared<unsigned>(0);
    if (!OnUi([result, name] { *result = App().scene.FindSurface(name); }))
        return Fail("the host did not answer");
    surface = *result;
    return surface ? true : Fail("no surface named '" + name + "'");
}

// open and open-bad: loads a model as File → Open does; open-bad expects
// the load to fail (its message box is answered next).
bool Runner::OpenModel(const std::string& file, bool expectFailure)
{
    const std::wstring path = Utf8ToWide(file);
    PostToUi(window_, [path] {
        // lastLoadError is set before a failure's message box shows.
        App().lastLoadError = "(loading)";
        App().OpenModel(path, true);
    });
    if (!Sync())
        return Fail("the host did not handle the load in time");
    auto error = std::make_shared<std::string>();
    OnUi([error] { *error = App().lastLoadError; });
    const bool loaded = error->empty();
    if (!loaded)
        Log("  load failed: " + *error);
    auto problems = std::make_shared<std::vector<std::string>>();
    OnUi([problems] { *problems = App().textureProblems; });
    for (const std::string& problem : *problems)
        Log("  texture not drawn: " + problem);
    if (loaded) {
        auto start = std::make_shared<Camera>();
        OnUi([start] { *start = App().camera; });
        char line[160];
        std::snprintf(line, sizeof(line), "  start view: %.3f %.3f %.3f yaw %.1f", start->position.x,
                      start->position.y, start->position.z, start->yaw * 180 / kPi);
        Log(line);
    }
    if (!expectFailure)
        return loaded ? true : Fail("the model was not loaded: " + *error);
    return !loaded ? true : Fail("the model was loaded");
}

int Runner::Run()
{
    if (!logPath_.empty())
        logFile_ = CreateFileW(logPath_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!notice_.empty())
        Log(WideToUtf8(notice_));
    // What the host did on its own (a split chosen from the menu, or asked
    // for on its command line), after the step that led to it.
    auto logNotices = [this] {
        for (const std::string& notice : App().TakeNotices())
            Log("  " + notice);
    };
    logNotices();
    std::vector<unsigned char> bytes;
    std::vector<ScriptCommand> commands;
    std::string parseError;
    int status = 0;
    if (!ReadWholeFile(scriptPath_, bytes)) {
        Log("script: cannot read " + WideToUtf8(scriptPath_));
        status = 2;
    } else if (!ParseScript(std::string(bytes.begin(), bytes.end()), commands, parseError)) {
        Log("script: " + parseError);
        status = 2;
    } else {
        size_t passed = 0;
        for (const ScriptCommand& c : commands) {
            std::string line = "line " + std::to_string(c.line) + ": " + c.name;
            for (const std::string& arg : c.args)
                line += " " + arg;
            Log(line);
            error_.clear();
            bool ok = false;
            try {
                ok = Execute(c);
            } catch (...) {
                error_ = "internal error";
            }
            logNotices();
            if (!ok) {
                Log("FAILED line " + std::to_string(c.line) + ": " + (error_.empty() ? "the host did not answer" : error_));
                status = 1;
                break;
            }
            ++passed;
        }
        Log("script: " + std::to_string(passed) + " of " + std::to_string(commands.size()) + " steps passed");
    }
    if (logFile_ != INVALID_HANDLE_VALUE)
        CloseHandle(logFile_);
    return status;
}

void StartScript(HWND mainWindow, const std::wstring& scriptPath, const std::wstring& logPath,
                 const std::wstring& startupNotice)
{
    std::thread([mainWindow, scriptPath, logPath, startupNotice] {
        Runner runner(mainWindow, scriptPath, logPath, startupNotice);
        const int status = runner.Run();
        PostToUi(mainWindow, [status] {
            App().exitCode = status;
            DestroyWindow(App().window);
        });
        // A modal loop that never returns (an unanswered dialog) must not keep
        // walkhost alive: the status is final.
        Sleep(10000);
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    }).detach();
}

}  // namespace walkhost
