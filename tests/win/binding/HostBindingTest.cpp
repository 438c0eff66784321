#include "FakeHost.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring Beside(const wchar_t* file)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path);
    return p.substr(0, p.find_last_of(L'\\') + 1) + file;
}

TEST(HostBinding, PluginLoadsAndCallsThroughTheHostsExports)
{
    FakeHost& host = FakeHost::Get();
    host.Reset();
    const unsigned m = host.AddMaterial(0.5f, 0.5f, 0.5f, "wood.jpg");

    HMODULE plugin = LoadLibraryW(Beside(L"binding_probe.dll").c_str());
    ASSERT_NE(plugin, nullptr) << GetLastError();
    ASSERT_NE(host.registered, nullptr);
    host.registered->hostEvent("go");
    EXPECT_EQ(host.CountCalls("Redraw"), 1);

    using Probe = int (*)(unsigned, char*, int);
    auto probe = reinterpret_cast<Probe>(reinterpret_cast<void*>(GetProcAddress(plugin, "ProbeMaterialMap")));
    ASSERT_NE(probe, nullptr);
    const long liveBefore = FakeHostLiveStrings();
    char map[32] = {};
    EXPECT_EQ(probe(m, map, sizeof map), 8);
    EXPECT_STREQ(map, "wood.jpg");
    EXPECT_EQ(FakeHostLiveStrings(), liveBefore);  // the plug-in released every string it made
    // Binding exports nothing of the plug-in's own host forwarders.
    EXPECT_EQ(GetProcAddress(plugin, "HV_Redraw"), nullptr);
    FreeLibrary(plugin);
}

TEST(HostBinding, PluginRefusesToLoadWhenAnExportIsMissing)
{
    std::wstring cmd = L"\"" + Beside(L"missing_export_host.exe") + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const std::wstring dir = Beside(L"");
    ASSERT_TRUE(CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 60000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(code, 0u) << "1: loaded without HV_Redraw; 2: probe plug-in not found";
}

}  // namespace
