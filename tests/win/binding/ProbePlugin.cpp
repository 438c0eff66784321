// A minimal plug-in built from the host binding: it refuses to load when the
// host lacks an export, and otherwise registers a table and forwards calls.
#include "HostBinding.h"
#include "HostInterface.h"

#include <windows.h>

namespace {
void OnMouse(unsigned, int, int) {}
void OnEvent(const char*) { HV_Redraw(); }
VRPluginCallBack table = {OnMouse, OnMouse, OnMouse, OnMouse, OnMouse, OnMouse, OnEvent};
}  // namespace

extern "C" __declspec(dllexport) int ProbeMaterialMap(unsigned material, char* out, int size)
{
    OriginalMaterial m;  // constructed, copied and destroyed through the host
    HV_GetMaterial(material, &m);
    OriginalMaterial copy = m;
    lstrcpynA(out, copy.mapFile[0].Text(), size);
    return copy.mapFile[0].GetLength();
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        if (!BindHost())
            return FALSE;
        HV_registerPlugin(&table);
    }
    return TRUE;
}
