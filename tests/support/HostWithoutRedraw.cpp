// A host that exports every host function but HV_Redraw and loads the
// plug-in named on its command line. Exit code: 0 when the plug-in refused
// to load, 1 when it loaded, 2 when the file is missing.
#include <windows.h>

#include <shellapi.h>

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 2)
        return 2;
    HMODULE plugin = LoadLibraryW(argv[1]);
    if (plugin) {
        FreeLibrary(plugin);
        return 1;
    }
    const DWORD error = GetLastError();
    return error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND ? 2 : 0;
}
