// A host that exports every function but HV_Redraw (the fake host is built
// without it). Exit code: 0 when the probe plug-in refused to load, 1 when it
// loaded, 2 when the plug-in file is missing.
#include <windows.h>

int main()
{
    HMODULE plugin = LoadLibraryW(L"binding_probe.dll");
    if (plugin) {
        FreeLibrary(plugin);
        return 1;
    }
    return GetLastError() == ERROR_MOD_NOT_FOUND ? 2 : 0;
}
