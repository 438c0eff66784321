#include "FakeHost.h"
#include "WinTestProcess.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring Beside(const wchar_t* file) { return TestExeFolder() + file; }

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
    EXPECT_EQ(LoadIntoHostWithoutRedraw(Beside(L"binding_probe.dll")), 0u)
        << "1: loaded without HV_Redraw; 2: probe plug-in not found";
}

}  // namespace
