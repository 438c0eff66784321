// The plug-in module's application object and entry point. Loading binds the
// host's exports and registers the callback table; a host that lacks an
// export makes the load fail instead of a later crash.
#include "HostBinding.h"
#include "PluginEntry.h"

#include "framework/Framework.h"
#include "panel/ColorPanelDlg.h"

namespace {

class CTintgroveApp : public CWinApp {
public:
    CTintgroveApp() : CWinApp(kPluginTitle) {}

    bool InitInstance() override
    {
        HV_registerPlugin(&pluginCallbacks);
        fw::RoutePromptsToMessageBox();
        return CWinApp::InitInstance();
    }
};

CTintgroveApp* theApp = nullptr;

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    // The loader lock is held: a failure is only logged, and fails the load.
    BOOL loaded = FALSE;
    fw::GuardedQuietly(reason == DLL_PROCESS_ATTACH ? "DllMain attach" : "DllMain detach", [&] {
        if (reason == DLL_PROCESS_ATTACH) {
            DisableThreadLibraryCalls(instance);
            if (!BindHost())
                return;
            theApp = new CTintgroveApp;
            theApp->SetModuleInstance(instance);
            if (!theApp->InitInstance()) {
                delete theApp;
                theApp = nullptr;
                return;
            }
        } else if (reason == DLL_PROCESS_DETACH && theApp != nullptr) {
            // The panel is still open: its unsaved library changes are saved
            // without a window (the loader lock is held) and without a long
            // wait for the library's lock. Unloaded by the host, its window
            // must not outlive the code of its window procedure, and its
            // destruction saves; at process exit the windows go with the
            // process, so the save is made here.
            if (CColorPanelDlg* panel = CColorPanelDlg::Current()) {
                panel->EndWithoutWindows();
                if (reserved == nullptr)
                    ::DestroyWindow(panel->m_hWnd);
                else
                    panel->SaveAtEnd(false);
            }
            theApp->ExitInstance();
            delete theApp;
            theApp = nullptr;
        }
        loaded = TRUE;
    });
    return loaded;
}
