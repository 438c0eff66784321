#include "controls/HelpLauncher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records every step of binding and answers as the test says.
struct Script {
    bool registryHasValue = false;
    std::wstring registered;
    bool registeredLoads = false;
    bool fileLoads = false;
    bool hasEntry = true;
    std::vector<std::wstring> log;
};
Script script;

HMODULE const kFakeModule = reinterpret_cast<HMODULE>(static_cast<INT_PTR>(0x4000));

struct HelpCall {
    HWND caller;
    std::wstring path;
    UINT command;
    DWORD_PTR data;
};
std::vector<HelpCall> helpCalls;

HWND WINAPI FakeHelpEntry(HWND caller, const wchar_t* path, UINT command, DWORD_PTR data)
{
    helpCalls.push_back({caller, path ? path : L"(null)", command, data});
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
}

bool FakeRead(HKEY root, const wchar_t* subKey, std::wstring& out)
{
    script.log.push_back(std::wstring(L"registry ") + (root == HKEY_CLASSES_ROOT ? L"HKCR\\" : L"?\\") + subKey);
    if (!script.registryHasValue)
        return false;
    out = script.registered;
    return true;
}

HMODULE FakeLoad(const wchar_t* file)
{
    script.log.push_back(std::wstring(L"load ") + file);
    if (script.registryHasValue && file == script.registered)
        return script.registeredLoads ? kFakeModule : nullptr;
    if (std::wstring(file) == L"hhctrl.ocx")
        return script.fileLoads ? kFakeModule : nullptr;
    return nullptr;
}

FARPROC FakeEntry(HMODULE module, WORD ordinal)
{
    script.log.push_back(L"entry " + std::to_wstring(ordinal));
    if (module != kFakeModule || !script.hasEntry)
        return nullptr;
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FakeHelpEntry));
}

const help::BindingOps kFakeOps = {FakeRead, FakeLoad, FakeEntry};

class HelpLaunching : public ::testing::Test {
protected:
    void SetUp() override
    {
        script = Script();
        helpCalls.clear();
        help::ResetBinding(&kFakeOps);
    }
    void TearDown() override { help::ResetBinding(nullptr); }
};

const std::wstring kKey = L"registry HKCR\\CLSID\\{ADB880A6-D8FF-11CF-9377-00AA003B7A11}\\InprocServer32";

}  // namespace

TEST_F(HelpLaunching, BindsToTheRegisteredControlAndPassesTheRequestThrough)
{
    script.registryHasValue = true;
    script.registered = L"C:\\windows\\system32\\hhctrl.ocx";
    script.registeredLoads = true;
    const HWND caller = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x99));
    // The path is code page 936 and reaches the viewer as UTF-16.
    EXPECT_EQ(help::ShowHelp(caller, "C:\\插件\\tintgrove.chm", 0, 0), reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)));
    EXPECT_EQ(script.log, (std::vector<std::wstring>{kKey, L"load C:\\windows\\system32\\hhctrl.ocx", L"entry 15"}));
    ASSERT_EQ(helpCalls.size(), 1u);
    EXPECT_EQ(helpCalls[0].caller, caller);
    EXPECT_EQ(helpCalls[0].path, L"C:\\\x63D2\x4EF6\\tintgrove.chm");
    EXPECT_EQ(helpCalls[0].command, 0u);
    EXPECT_TRUE(help::IsBound());

    // Bound once: a second request goes straight to the viewer.
    script.log.clear();
    help::ShowHelp(caller, "x.chm::/topic.htm", 0, 7);
    EXPECT_TRUE(script.log.empty());
    ASSERT_EQ(helpCalls.size(), 2u);
    EXPECT_EQ(helpCalls[1].path, L"x.chm::/topic.htm");
    EXPECT_EQ(helpCalls[1].data, 7u);
}

TEST_F(HelpLaunching, FallsBackToTheControlByName)
{
    script.registryHasValue = true;
    script.registered = L"C:\\gone\\hhctrl.ocx";
    script.fileLoads = true;
    EXPECT_NE(help::ShowHelp(nullptr, "a.chm", 0, 0), nullptr);
    EXPECT_EQ(script.log, (std::vector<std::wstring>{kKey, L"load C:\\gone\\hhctrl.ocx", L"load hhctrl.ocx", L"entry 15"}));

    SetUp();
    script.fileLoads = true;  // nothing registered
    EXPECT_NE(help::ShowHelp(nullptr, "a.chm", 0, 0), nullptr);
    EXPECT_EQ(script.log, (std::vector<std::wstring>{kKey, L"load hhctrl.ocx", L"entry 15"}));
}

TEST_F(HelpLaunching, AFailedBindingIsRememberedAndNotTriedAgain)
{
    EXPECT_EQ(help::ShowHelp(nullptr, "a.chm", 0, 0), nullptr);
    EXPECT_EQ(script.log, (std::vector<std::wstring>{kKey, L"load hhctrl.ocx"}));
    EXPECT_TRUE(help::BindingFailed());
    script.log.clear();
    EXPECT_EQ(help::ShowHelp(nullptr, "a.chm", 0, 0), nullptr);
    EXPECT_TRUE(script.log.empty());

    // A control without the help entry fails the same way.
    SetUp();
    script.fileLoads = true;
    script.hasEntry = false;
    EXPECT_EQ(help::ShowHelp(nullptr, "a.chm", 0, 0), nullptr);
    EXPECT_TRUE(help::BindingFailed());
    script.log.clear();
    EXPECT_EQ(help::ShowHelp(nullptr, "a.chm", 0, 0), nullptr);
    EXPECT_TRUE(script.log.empty());
    EXPECT_TRUE(helpCalls.empty());
}

TEST(HelpRegistry, ReadsBoundedStringValuesOnly)
{
    const wchar_t* key = L"Software\\TintgroveControlsTest";
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr), ERROR_SUCCESS);
    auto setText = [&](const std::wstring& text, DWORD type) {
        RegSetValueExW(h, nullptr, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    };
    std::wstring out = L"untouched";

    setText(L"C:\\help\\hhctrl.ocx", REG_SZ);
    EXPECT_TRUE(help::ReadRegistryDefaultValue(HKEY_CURRENT_USER, key, out));
    EXPECT_EQ(out, L"C:\\help\\hhctrl.ocx");

    // The longest value that fits, and one character more.
    setText(std::wstring(MAX_PATH - 1, L'x'), REG_SZ);
    EXPECT_TRUE(help::ReadRegistryDefaultValue(HKEY_CURRENT_USER, key, out));
    EXPECT_EQ(out.size(), static_cast<std::size_t>(MAX_PATH - 1));
    setText(std::wstring(MAX_PATH, L'x'), REG_SZ);
    out = L"untouched";
    EXPECT_FALSE(help::ReadRegistryDefaultValue(HKEY_CURRENT_USER, key, out));
    EXPECT_EQ(out, L"untouched");

    // A value without a terminating zero still comes back terminated.
    const std::wstring bare = L"abc";
    RegSetValueExW(h, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(bare.c_str()), 3 * sizeof(wchar_t));
    EXPECT_TRUE(help::ReadRegistryDefaultValue(HKEY_CURRENT_USER, key, out));
    EXPECT_EQ(out, L"abc");

    const DWORD number = 5;
    RegSetValueExW(h, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    EXPECT_FALSE(help::ReadRegistryDefaultValue(HKEY_CURRENT_USER, key, out));

    RegCloseKey(h);
    RegDeleteKeyW(HKEY_CURRENT_USER, key);
    EXPECT_FALSE(help::ReadRegistryDefaultValue(HKEY_CURRENT_USER, key, out));
}

TEST(HelpRegistry, TheEntryOrdinalIsTheWideHelpFunction)
{
    const HMODULE viewer = LoadLibraryW(help::kHelpControlFile);
    if (viewer == nullptr)
        GTEST_SKIP() << "no HTML Help control on this system";
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(viewer, MAKEINTRESOURCEA(help::kHelpEntryOrdinal))),
              reinterpret_cast<void*>(GetProcAddress(viewer, "HtmlHelpW")));
    FreeLibrary(viewer);
}
