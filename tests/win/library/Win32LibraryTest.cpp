// The Windows implementations of the library's seams, against the real
// (wine) file system and registry: Chinese paths through code page 936,
// safe saves that survive a locked target, and AutoCAD's texture folders
// read from registry keys the test writes and removes again.
#include "CombinationFile.h"
#include "LibraryExchange.h"
#include "LibraryTestSupport.h"
#include "TextureExtraction.h"
#include "Win32Text.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

using namespace testlib;
using win32text::Cp936ToWide;

namespace {

// A scratch folder with a Chinese name, removed with everything in it.
struct Scratch {
    std::string path;  // code page 936, ending in a backslash
    Scratch()
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::string base;
        win32text::WideToCp936(temp, base);
        static int made = 0;
        path = base + "染界测试_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++made) + "\\";
        CreateDirectoryW(Cp936ToWide(path).c_str(), nullptr);
    }
    ~Scratch()
    {
        WIN32_FIND_DATAW data;
        const std::wstring folder = Cp936ToWide(path);
        HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveDirectoryW((folder + name).c_str());
                } else {
                    DeleteFileW((folder + name).c_str());
                }
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }
    int CountEntries() const
    {
        WIN32_FIND_DATAW data;
        int n = 0;
        HANDLE find = FindFirstFileW((Cp936ToWide(path) + L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return 0;
        do
            n += (std::wstring(data.cFileName) != L"." && std::wstring(data.cFileName) != L"..");
        while (FindNextFileW(find, &data));
        FindClose(find);
        return n;
    }
};

Bytes ReadWhole(const std::string& path)
{
    Bytes bytes;
    HANDLE h = CreateFileW(Cp936ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return bytes;
    unsigned char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    CloseHandle(h);
    return bytes;
}

void WriteWhole(const std::string& path, const Bytes& bytes)
{
    HANDLE h = CreateFileW(Cp936ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
    CloseHandle(h);
}

}  // namespace

TEST(Win32Files, SaveAndLoadUnderAChinesePath)
{
    Scratch dir;
    const std::string path = dir.path + "图库.tgv";
    CombinationLibrary lib;
    lib.Append(MakeRecord("客厅", "住宅/客厅/"));
    lib.Append(MakeRecord("卧室", "住宅/卧室/"));
    ASSERT_EQ(WriteCombinationFile(path, lib), 1);
    ASSERT_EQ(WriteCombinationFile(path, lib), 1);  // over the existing file
    EXPECT_EQ(ReadWhole(path), FileBytes({RecordBytes("客厅", "住宅/客厅/"), RecordBytes("卧室", "住宅/卧室/")}));
    CombinationLibrary back;
    ASSERT_EQ(ReadCombinationFile(path, back), 1);
    EXPECT_EQ(back.GetCount(), 2);
    EXPECT_EQ(dir.CountEntries(), 1);  // no temporary file left
    EXPECT_EQ(ReadCombinationFile(dir.path.substr(0, dir.path.size() - 1), back), 0);  // a folder
    EXPECT_EQ(WriteCombinationFile(dir.path + "没有\\x.tgv", lib), 0);
}

TEST(Win32Files, SelectiveExportAppendsToTheRealFile)
{
    Scratch dir;
    const std::string path = dir.path + "导出.tgv";
    WriteWhole(path, Bytes(100, 9));
    ExportFile exportFile;
    ASSERT_TRUE(exportFile.Create(path));
    EXPECT_TRUE(exportFile.Append(MakeRecord("一", "a/")));
    EXPECT_TRUE(exportFile.Append(MakeRecord("二", "a/")));
    EXPECT_EQ(ReadWhole(path), FileBytes({RecordBytes("一", "a/"), RecordBytes("二", "a/")}));  // readable while open
    exportFile.Close();
    EXPECT_EQ(dir.CountEntries(), 1);
}

TEST(Win32Files, LockedTargetKeepsTheOldFile)
{
    Scratch dir;
    const std::string path = dir.path + "locked.tgv";
    const Bytes old = FileBytes({RecordBytes("old", "a/")});
    WriteWhole(path, old);
    // Another program holds the file open without sharing delete access.
    HANDLE h = CreateFileW(Cp936ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CombinationLibrary lib;
    lib.Append(MakeRecord("new", "b/"));
    EXPECT_EQ(WriteCombinationFile(path, lib), 0);
    CloseHandle(h);
    EXPECT_EQ(ReadWhole(path), old);
    EXPECT_EQ(dir.CountEntries(), 1);
    EXPECT_EQ(WriteCombinationFile(path, lib), 1);  // free again
}

TEST(Win32Files, AReadOnlyLibraryIsRefused)
{
    Scratch dir;
    const std::string path = dir.path + "只读.tgv";
    const Bytes old = FileBytes({RecordBytes("old", "a/")});
    WriteWhole(path, old);
    const std::wstring wide = Cp936ToWide(path);
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    CombinationLibrary lib;
    lib.Append(MakeRecord("new", "b/"));
    SaveFailure why = SaveFailure::None;
    EXPECT_EQ(WriteCombinationFile(path, lib, &why), 0);
    EXPECT_EQ(why, SaveFailure::ReadOnly);
    EXPECT_EQ(ReadWhole(path), old);
    EXPECT_EQ(dir.CountEntries(), 1);
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(WriteCombinationFile(path, lib, &why), 1);
    EXPECT_EQ(why, SaveFailure::None);
}

// Temporary files that nobody holds open (left by a save that was killed)
// are removed; one that a save in progress holds stays until it is closed.
TEST(Win32Files, StaleTemporariesDoNotBlockSaves)
{
    Scratch dir;
    const std::string path = dir.path + "图库.tgv";
    WriteWhole(path, FileBytes({RecordBytes("old", "a/")}));
    for (int i = 0; i < 16; ++i)
        WriteWhole(path + ".tmp" + std::to_string(i), Bytes{1});
    for (int i = 0; i < 4; ++i)
        WriteWhole(UniqueTemporaryName(path), Bytes{2});
    const std::string busy = UniqueTemporaryName(path);
    HANDLE held = CreateFileW(Cp936ToWide(busy).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CombinationLibrary lib;
    lib.Append(MakeRecord("new", "b/"));
    ASSERT_EQ(WriteCombinationFile(path, lib), 1);
    EXPECT_EQ(ReadWhole(path), FileBytes({RecordBytes("new", "b/")}));
    EXPECT_EQ(dir.CountEntries(), 2);  // the library and the held temporary
    CloseHandle(held);
    ASSERT_EQ(WriteCombinationFile(path, lib), 1);
    EXPECT_EQ(dir.CountEntries(), 1);
}

// Two saves of one library at the same time (two threads: Windows' sharing
// rules hold between handles, in one process as in two) never collide.
TEST(Win32Files, TwoSavesAtOnceDoNotCollide)
{
    Scratch dir;
    const std::string path = dir.path + "图库.tgv";
    WriteWhole(path, FileBytes({RecordBytes("old", "a/")}));
    std::atomic<int> failures{0};
    const auto saver = [&](const char* name) {
        CombinationLibrary lib;
        lib.Append(MakeRecord(name, "b/"));
        for (int i = 0; i < 25; ++i)
            if (WriteCombinationFile(path, lib) != 1)
                ++failures;
    };
    std::thread first(saver, "first");
    std::thread second(saver, "second");
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
    const Bytes last = ReadWhole(path);
    EXPECT_TRUE(last == FileBytes({RecordBytes("first", "b/")}) || last == FileBytes({RecordBytes("second", "b/")}));
    EXPECT_EQ(dir.CountEntries(), 1);
}

TEST(Win32Files, AHardLinkedLibraryIsRefused)
{
    Scratch dir;
    const std::string path = dir.path + "图库.tgv";
    const Bytes old = FileBytes({RecordBytes("old", "a/")});
    WriteWhole(path, old);
    ASSERT_TRUE(CreateHardLinkW(Cp936ToWide(dir.path + "other.tgv").c_str(), Cp936ToWide(path).c_str(), nullptr));
    CombinationLibrary lib;
    lib.Append(MakeRecord("new", "b/"));
    SaveFailure why = SaveFailure::None;
    EXPECT_EQ(WriteCombinationFile(path, lib, &why), 0);
    EXPECT_EQ(why, SaveFailure::HardLinked);
    EXPECT_EQ(ReadWhole(dir.path + "other.tgv"), old);
    EXPECT_EQ(dir.CountEntries(), 2);
}

TEST(Win32Textures, CopyRefusesToOverwriteAndFindsOnlyFiles)
{
    Scratch dir;
    TexturePlatform& p = SystemTexturePlatform();
    WriteWhole(dir.path + "木纹.jpg", Bytes{1, 2, 3});
    EXPECT_TRUE(p.FileExists(dir.path + "木纹.jpg"));
    EXPECT_FALSE(p.FileExists(dir.path + "无.jpg"));
    ASSERT_TRUE(p.CreateFolder(dir.path + "子目录"));
    EXPECT_FALSE(p.FileExists(dir.path + "子目录"));
    EXPECT_TRUE(p.CopyNoOverwrite(dir.path + "木纹.jpg", dir.path + "子目录\\木纹.jpg"));
    EXPECT_FALSE(p.CopyNoOverwrite(dir.path + "木纹.jpg", dir.path + "子目录\\木纹.jpg"));
    EXPECT_EQ(ReadWhole(dir.path + "子目录\\木纹.jpg"), (Bytes{1, 2, 3}));
    DeleteFileW(Cp936ToWide(dir.path + "子目录\\木纹.jpg").c_str());
}

namespace {

// Writes AutoCAD R14's keys for the test and removes them afterwards.
struct AcadKeys {
    std::wstring profiles;
    AcadKeys()
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD\\R14.0");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD\\R14.0");
    }
    ~AcadKeys()
    {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD\\R14.0");
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD\\R14.0");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD");
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Autodesk\\AutoCAD");
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk");
        RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Autodesk");
    }
    static void Set(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value)
    {
        HKEY h;
        ASSERT_EQ(RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &h, nullptr), ERROR_SUCCESS);
        RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(h);
    }
    void CurVer(const std::wstring& version)
    {
        Set(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Autodesk\\AutoCAD\\R14.0", L"CurVer", version);
        profiles = L"Software\\Autodesk\\AutoCAD\\R14.0\\" + version + L"\\Profiles";
    }
    void Profile(const std::wstring& name, const std::wstring* aveMaps)
    {
        if (aveMaps) {
            Set(HKEY_CURRENT_USER, profiles + L"\\" + name + L"\\General", L"AVEMAPS", *aveMaps);
        } else {
            HKEY h;
            RegCreateKeyExW(HKEY_CURRENT_USER, (profiles + L"\\" + name).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h,
                            nullptr);
            RegCloseKey(h);
        }
    }
};

}  // namespace

TEST(Win32Textures, AutoCadFoldersFromTheRegistry)
{
    std::vector<std::string> folders = {"stale"};
    {
        AcadKeys keys;
        EXPECT_EQ(GetAutoCadMapFolders(folders), 0);  // no AutoCAD
        EXPECT_TRUE(folders.empty());
        keys.CurVer(L"ACAD-1:804");
        EXPECT_EQ(GetAutoCadMapFolders(folders), 0);  // no Profiles key
        const std::wstring first = L"C:\\贴图;D:\\maps;";
        const std::wstring tooLong = std::wstring(260, L'x') + L";E:\\e";
        keys.Profile(L"<<未命名配置>>", &first);
        keys.Profile(L"NoGeneral", nullptr);
        keys.Profile(L"Third", &tooLong);
        ASSERT_EQ(GetAutoCadMapFolders(folders), 1);
        // Wine enumerates subkeys in creation order, as Windows does for new keys.
        EXPECT_EQ(folders, (std::vector<std::string>{"C:\\贴图", "D:\\maps", "", "E:\\e"}));

        keys.CurVer(std::wstring(80, L'v'));  // longer than its 80-byte buffer
        EXPECT_EQ(GetAutoCadMapFolders(folders), 0);
    }
    HKEY h;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Autodesk", 0, KEY_READ, &h), ERROR_SUCCESS);
}

TEST(Win32Textures, WholeExtractionFromARegistryFolder)
{
    Scratch source, target;
    AcadKeys keys;
    keys.CurVer(L"ACAD-1");
    const std::wstring maps = Cp936ToWide("C:\\nowhere;" + source.path.substr(0, source.path.size() - 1));
    keys.Profile(L"p", &maps);
    WriteWhole(source.path + "wood.jpg", Bytes{7});
    CombinationLibrary lib;
    CombinationRecord r = MakeRecord("a", "b/");
    SetField(r.materials[0].mapFile[0], "wood.jpg");
    SetField(r.materials[1].mapFile[0], "..\\..\\evil.jpg\\..");
    SetField(r.materials[2].mapFile[0], "缺少.jpg");
    lib.Append(r);
    PromptLog prompts;
    const ExtractionResult result = ExtractLibraryTextures(lib, target.path);
    EXPECT_EQ(result.copied, 1);
    EXPECT_EQ(ReadWhole(target.path + "wood.jpg"), Bytes{7});
    const std::string list = "..\\..\\evil.jpg\\..\r\n缺少.jpg\r\n";
    EXPECT_EQ(ReadWhole(target.path + "没有找到的贴图.txt"), Bytes(list.begin(), list.end()));
    EXPECT_EQ(target.CountEntries(), 2);
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(prompts.Texts()[0], "系统已经把所有找到的图片放在" + target.path + "目录里，其余请见<没有找到的贴图.txt>");
}
