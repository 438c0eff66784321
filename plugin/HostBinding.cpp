#include "HostBinding.h"

#include "HostInterface.h"

#include <windows.h>

namespace {

struct HostFunctions {
#define TG_HOST_POINTER(name) decltype(&::name) name = nullptr;
    HV_FOR_EACH_EXPORT(TG_HOST_POINTER)
#undef TG_HOST_POINTER
};

HostFunctions host;

template <typename Function>
bool Resolve(HMODULE exe, const char* name, Function& target)
{
    // Through void*: a FARPROC is not the function's type.
    target = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(exe, name)));
    return target != nullptr;
}

}  // namespace

bool BindHost()
{
    HMODULE exe = GetModuleHandleW(nullptr);
    HostFunctions found;
#define TG_HOST_RESOLVE(name) \
    if (!Resolve(exe, #name, found.name)) \
        return false;
    HV_FOR_EACH_EXPORT(TG_HOST_RESOLVE)
#undef TG_HOST_RESOLVE
    host = found;
    return true;
}

extern "C" {

void HV_registerPlugin(VRPluginCallBack* table) { host.HV_registerPlugin(table); }
int HV_SceneEmpty(void) { return host.HV_SceneEmpty(); }
void HV_pluginFinished(void) { host.HV_pluginFinished(); }
unsigned HV_SelectSurfaceAtPoint(int x, int y) { return host.HV_SelectSurfaceAtPoint(x, y); }
void HV_SetSelection(int reserved, unsigned* surfaces, int count) { host.HV_SetSelection(reserved, surfaces, count); }
void HV_ClearSelection(void) { host.HV_ClearSelection(); }
unsigned HV_GetMaterialHandle(unsigned surface) { return host.HV_GetMaterialHandle(surface); }
int HV_GetMaterial(unsigned material, OriginalMaterial* out) { return host.HV_GetMaterial(material, out); }
int HV_SetMaterial(unsigned material, OriginalMaterial* in) { return host.HV_SetMaterial(material, in); }
void HV_CalculateSurfaceColor(void) { host.HV_CalculateSurfaceColor(); }
void HV_Redraw(void) { host.HV_Redraw(); }
void HV_RgbToHsv(double r, double g, double b, double* h, double* s, double* v) { host.HV_RgbToHsv(r, g, b, h, s, v); }
void HV_HsvToRgb(double h, double s, double v, double* r, double* g, double* b) { host.HV_HsvToRgb(h, s, v, r, g, b); }

void HvString_Construct(HvString* s) { host.HvString_Construct(s); }
void HvString_Copy(HvString* s, const HvString* from) { host.HvString_Copy(s, from); }
void HvString_Destroy(HvString* s) { host.HvString_Destroy(s); }
void HvString_Assign(HvString* s, const HvString* from) { host.HvString_Assign(s, from); }
void HvString_AssignText(HvString* s, const char* text) { host.HvString_AssignText(s, text); }
const char* HvString_Text(const HvString* s) { return host.HvString_Text(s); }
int HvString_GetLength(const HvString* s) { return host.HvString_GetLength(s); }

}  // extern "C"
