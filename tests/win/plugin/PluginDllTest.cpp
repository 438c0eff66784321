// Loads the real Tintgrove.dll into this test executable, which exports the
// host functions through the fake host as walkhost does, and drives it
// through the callback table it registers.
#include "FakeHost.h"
#include "TintgroveVersion.h"
#include "WinTestProcess.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

std::wstring PluginPath() { return TestExeFolder() + L"..\\bin\\plugins\\Tintgrove.dll"; }

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Number of names and functions in a module's export directory.
DWORD ExportCount(HMODULE module)
{
    auto base = reinterpret_cast<const BYTE*>(module);
    auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (dir.VirtualAddress == 0 || dir.Size == 0)
        return 0;
    auto exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    return exports->NumberOfFunctions + exports->NumberOfNames;
}

TEST(PluginDll, LoadsRegistersItsTableOpensThePanelAndClosesIt)
{
    FakeHost& host = FakeHost::Get();
    host.Reset();
    const unsigned material = host.AddMaterial(0.2f, 0.4f, 0.6f);
    const unsigned surface = host.AddSurface(material, 30, 40);

    HMODULE plugin = LoadLibraryW(PluginPath().c_str());
    ASSERT_NE(plugin, nullptr) << GetLastError();
    EXPECT_EQ(ExportCount(plugin), 0u);
    ASSERT_NE(host.registered, nullptr);
    EXPECT_EQ(host.calls, std::vector<std::string>{"registerPlugin"});  // nothing else at load
    const VRPluginCallBack* table = host.registered;
    for (auto slot : {table->leftButtonDown, table->leftButtonUp, table->rightButtonDown, table->rightButtonUp,
                      table->mouseMove, table->doubleClick})
        EXPECT_NE(slot, nullptr);
    ASSERT_NE(table->hostEvent, nullptr);

    // No panel yet: clicks and the ignored slots do nothing.
    table->leftButtonDown(0, 30, 40);
    table->leftButtonUp(0, 30, 40);
    table->mouseMove(0, 30, 40);
    table->doubleClick(0, 30, 40);
    EXPECT_EQ(host.calls.size(), 1u);

    table->hostEvent("go");
    HWND panel = FindWindowW(nullptr, L"\x67D3\x754C");  // 染界
    ASSERT_NE(panel, nullptr);
    DWORD process = 0;
    GetWindowThreadProcessId(panel, &process);
    EXPECT_EQ(process, GetCurrentProcessId());
    EXPECT_TRUE(IsWindowVisible(panel));
    EXPECT_EQ(SendDlgItemMessageW(panel, 1003, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(SendDlgItemMessageW(panel, 1003, CB_GETCURSEL, 0, 0), 0);

    table->leftButtonDown(0, 30, 40);
    EXPECT_EQ(host.selection, std::vector<unsigned>{surface});

    host.ClearCalls();
    SendMessageW(panel, WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindow(panel));
    EXPECT_EQ(host.CountCalls("pluginFinished"), 1);
    EXPECT_EQ(host.CountCalls("ClearSelection"), 1);

    // After the panel is gone a click picks nothing.
    host.ClearCalls();
    table->leftButtonDown(0, 30, 40);
    EXPECT_TRUE(host.calls.empty());
    FreeLibrary(plugin);
}

TEST(PluginDll, UnloadingWithThePanelOpenTakesItsWindowAlong)
{
    FakeHost& host = FakeHost::Get();
    host.Reset();
    HMODULE plugin = LoadLibraryW(PluginPath().c_str());
    ASSERT_NE(plugin, nullptr) << GetLastError();
    ASSERT_NE(host.registered, nullptr);
    host.registered->hostEvent("go");
    HWND panel = FindWindowW(nullptr, L"\x67D3\x754C");
    ASSERT_NE(panel, nullptr);
    FreeLibrary(plugin);
    EXPECT_FALSE(IsWindow(panel));
    Pump();
}

TEST(PluginDll, HelpFileTextureFolderAndVersion)
{
    const std::wstring folder = TestExeFolder() + L"..\\bin\\plugins\\";
    HANDLE chm = CreateFileW((folder + L"tintgrove.chm").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(chm, INVALID_HANDLE_VALUE);
    char magic[4] = {};
    DWORD read = 0;
    ReadFile(chm, magic, 4, &read, nullptr);
    CloseHandle(chm);
    EXPECT_EQ(std::string(magic, read), "ITSF");  // a compiled HTML help file
    EXPECT_NE(GetFileAttributesW((folder + L"map").c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);

    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(PluginPath().c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string data(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(PluginPath().c_str(), 0, size, &data[0]));
    wchar_t* product = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\080404b0\\ProductName",
                               reinterpret_cast<void**>(&product), &length));
    EXPECT_EQ(std::wstring(product), L"\x67D3\x754C");
    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    // The project's version, the one tgv --version prints.
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(TG_VERSION_MINOR, TG_VERSION_MAJOR)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(0, TG_VERSION_PATCH)));
    wchar_t* version = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\StringFileInfo\\080404b0\\FileVersion",
                               reinterpret_cast<void**>(&version), &length));
    EXPECT_EQ(std::wstring(version), L"" TG_VERSION_RESOURCE_TEXT);
}

TEST(PluginDll, RefusesToLoadIntoAHostThatLacksAnExport)
{
    EXPECT_EQ(LoadIntoHostWithoutRedraw(PluginPath()), 0u) << "1: loaded without HV_Redraw; 2: plug-in not found";
}

}  // namespace
