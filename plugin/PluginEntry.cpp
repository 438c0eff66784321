#include "PluginEntry.h"

#include "framework/Guard.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/ColorPanelDlg.h"
#include "panel/SchemeOverviewDlg.h"
#include "res/resource.h"

#include <cstring>

const char* const kSceneEmptyMessage = "当前场景为空，请先调入场景!";
const char* const kCreatePanelFailedMessage = "错误：创建对话框失败！";
const char* const kPluginTitle = "染界";

VRPluginCallBack pluginCallbacks = {
    OnPickSurface,          // 0: left button down
    OnIgnoredCallback,      // 1
    OnPickSurfaceWithMenu,  // 2: right button down
    OnIgnoredCallback,      // 3
    OnIgnoredCallback,      // 4
    OnIgnoredCallback,      // 5
    OnHostEvent,            // 6: event strings
};

namespace {

// The user's action behind the event "go", as a failure names it.
const char* const kOpenPanelAction = "打开染界";

// Makes the plug-in's own manifest (resource 2: common controls version 6)
// the active activation context while the panel's windows are created, so
// they get the current look whatever the host's manifest says.
class ModuleActivationContext {
public:
    ModuleActivationContext()
    {
        ACTCTXW context = {};
        context.cbSize = sizeof context;
        context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
        context.hModule = fw::ResourceInstance();
        context.lpResourceName = MAKEINTRESOURCEW(2);
        handle = CreateActCtxW(&context);
        if (handle != INVALID_HANDLE_VALUE && !ActivateActCtx(handle, &cookie)) {
            ReleaseActCtx(handle);
            handle = INVALID_HANDLE_VALUE;
        }
    }
    ~ModuleActivationContext()
    {
        if (handle != INVALID_HANDLE_VALUE) {
            DeactivateActCtx(0, cookie);
            ReleaseActCtx(handle);
        }
    }
    ModuleActivationContext(const ModuleActivationContext&) = delete;
    ModuleActivationContext& operator=(const ModuleActivationContext&) = delete;

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
    ULONG_PTR cookie = 0;
};

void ShowPluginMessage(const char* text)
{
    fw::ShowMessageBox(text, MB_OK, kPluginTitle);
}

void OpenPanel()
{
    if (HV_SceneEmpty()) {
        ShowPluginMessage(kSceneEmptyMessage);
        HV_pluginFinished();
        return;
    }
    if (CColorPanelDlg* open = CColorPanelDlg::Current()) {
        open->ShowWindow(SW_SHOW);
        return;
    }

    // The new panel is the current one until it is destroyed.
    auto* panel = new CColorPanelDlg;
    CClrSlider::Register();
    bool created = false;
    {
        ModuleActivationContext context;
        created = panel->Create(IDD_COLOR_PANEL, nullptr);
    }
    if (!created) {
        ShowPluginMessage(kCreatePanelFailedMessage);
        delete panel;
        HV_pluginFinished();
        return;
    }
    panel->PrepareSliders();
    panel->ShowWindow(SW_SHOW);
    panel->WatchHost();
}

// The host holds another model: room views still running stop before the
// classification of the old one goes (they write nothing to the new model),
// and the old model's classes go.
void ModelReplaced()
{
    CColorPanelDlg* panel = CColorPanelDlg::Current();
    if (panel != nullptr && panel->Overview() != nullptr)
        panel->Overview()->StopRoomViews();
    if (panel != nullptr && panel->Suggestions() != nullptr)
        panel->Suggestions()->StopRoomViews();
    ClearSurfaceClasses();
    if (panel != nullptr)
        panel->SuggestionsAnchorChanged();
}

}  // namespace

// The host's call site cannot take an exception. Opening the panel is the
// user's action; forgetting the classification of a replaced model is not.
void OnHostEvent(const char* event)
{
    if (event == nullptr)
        return;
    if (std::strcmp(event, "go") == 0)
        fw::Guarded("OnHostEvent go", kOpenPanelAction, OpenPanel);
    else if (std::strcmp(event, "FileOpened") == 0 || std::strcmp(event, "NewModelLoaded") == 0)
        fw::GuardedQuietly("OnHostEvent model replaced", ModelReplaced);
}

void OnIgnoredCallback(unsigned, int, int) {}
