// walkhost: the reference walk-through host. Usage:
//   walkhost [MODEL.obj] [--script FILE [--log FILE]] [--plugins FOLDER] [--size WIDTHxHEIGHT] [--go]
//            [--renderer gl|software]   (neither: OpenGL unless it is a software rasteriser)
//            [--split-shared-materials]  (each object sharing a material gets its own, at every load)
#include "Automation.h"
#include "HostApp.h"
#include "MainWindow.h"
#include "WinText.h"

#include <shellapi.h>

#include <string>
#include <vector>

using namespace walkhost;

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    HostApp& app = App();
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring script, log, model, plugins = ExeFolder() + L"plugins";
    int width = 1024, height = 768;
    bool go = false;  // send "go" to the plug-ins once the window is up
    RendererRequest renderer = RendererRequest::Automatic;
    for (int i = 1; argv && i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--script" && hasValue)
            script = argv[++i];
        else if (arg == L"--log" && hasValue)
            log = argv[++i];
        else if (arg == L"--go")
            go = true;
        else if (arg == L"--split-shared-materials")
            app.splitSharedOnLoad = true;
        else if (arg == L"--renderer" && hasValue)
            renderer = ParseRendererRequest(WideToUtf8(argv[++i]));
        else if (arg == L"--plugins" && hasValue)
            plugins = argv[++i];
        else if (arg == L"--size" && hasValue) {
            const std::wstring size = argv[++i];
            const size_t x = size.find(L'x');
            if (x != std::wstring::npos) {
                width = std::max(64, _wtoi(size.substr(0, x).c_str()));
                height = std::max(64, _wtoi(size.substr(x + 1).c_str()));
            }
        } else
            model = arg;
    }
    if (argv)
        LocalFree(argv);

    app.keepNotices = !script.empty();
    app.camera.width = width;
    app.camera.height = height;
    app.ShowDemoScene();
    app.window = CreateMainWindow(instance, width, height);
    if (!app.window)
        return 3;
    app.UseRenderer(renderer);

    // Plug-ins load after the window exists (one may look for it) and before
    // it shows, as a host loads them at start-up.
    const std::vector<PluginLoadProblem> problems = app.plugins.LoadFolder(plugins);
    RebuildPluginMenu(app.window);
    ShowWindow(app.window, script.empty() ? show : SW_SHOWNORMAL);
    UpdateWindow(app.window);
    const bool modelLoaded = model.empty() || app.OpenModel(model, script.empty());

    // A script run writes the problems to its log (in English, as programs
    // read it) instead of stopping at a message box.
    if (!script.empty()) {
        std::wstring problemText = problems.empty() ? std::wstring() : PluginProblemsLog(problems);
        if (!modelLoaded)
            problemText += (problemText.empty() ? L"" : L"\n") + (L"The model could not be opened: " + model + L": ") +
                           Utf8ToWide(app.lastLoadError);
        for (const std::string& problem : app.textureProblems)
            problemText += (problemText.empty() ? L"" : L"\n") + (L"texture not drawn: " + Utf8ToWide(problem));
        StartScript(app.window, script, log, L"renderer: " + Utf8ToWide(app.rendererInfo) +
                                                 (problemText.empty() ? L"" : L"\n" + problemText));
    } else if (!problems.empty()) {
        // The model's own problems were shown in their message box already.
        MessageBoxW(app.window, PluginProblemsMessage(problems).c_str(), L"walkhost", MB_OK | MB_ICONWARNING);
    }
    if (go && script.empty())
        PostMessageW(app.window, WM_COMMAND, MAKEWPARAM(200, 0), 0);  // 插件 → “go” to all

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
