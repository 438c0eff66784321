// Helpers for Windows tests that start another test program.
#pragma once

#include <windows.h>

#include <string>

// The folder of the running test executable, with its final backslash.
inline std::wstring TestExeFolder()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    const std::wstring p(path);
    return p.substr(0, p.find_last_of(L'\\') + 1);
}

// Runs commandLine and returns its exit code; 0xFFFFFFFF when it could not be
// started or did not end within a minute.
inline DWORD RunProcess(std::wstring commandLine)
{
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// A host that exports every host function but HV_Redraw (host_without_redraw.exe,
// beside the tests) loading plugin: 0 when the plug-in refused to load, 1 when
// it loaded, 2 when the file is missing.
inline DWORD LoadIntoHostWithoutRedraw(const std::wstring& plugin)
{
    return RunProcess(L"\"" + TestExeFolder() + L"host_without_redraw.exe\" \"" + plugin + L"\"");
}
