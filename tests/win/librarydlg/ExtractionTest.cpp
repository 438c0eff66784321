// Texture extraction from dialog 131: button 1004 with the folder browser,
// and the extraction offered after the exports. The AutoCAD search folders
// are set up in the Wine registry.
#include "MaintenanceFixture.h"
#include "LibraryDialogIds.h"
#include "LibraryDlgSupport.h"
#include "LibraryMaintenanceDlg.h"
#include "TextureExtraction.h"

#include <gtest/gtest.h>

using namespace librarydlg;

namespace {

const wchar_t kAcadKey[] = L"SOFTWARE\\Autodesk\\AutoCAD\\R14.0";
const wchar_t kUserAcadKey[] = L"Software\\Autodesk\\AutoCAD\\R14.0";

bool SetString(HKEY root, const std::wstring& key, const wchar_t* name, const std::string& value)
{
    HKEY opened;
    if (RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &opened, nullptr) != ERROR_SUCCESS)
        return false;
    const std::wstring wide = fw::Widen(value);
    const LONG result = RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                                       static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(opened);
    return result == ERROR_SUCCESS;
}

void RemoveAcadKeys()
{
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kAcadKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, kUserAcadKey);
}

class ExtractionTest : public MaintenanceFixture {
protected:
    // Each test puts its own records in the library.
    void SetUp() override
    {
        folder = FreshFolder("extract");
        maps1 = FreshFolder("maps1");
        maps2 = FreshFolder("maps2");
        source = FreshFolder("source");
        RemoveAcadKeys();
        ASSERT_TRUE(SetString(HKEY_LOCAL_MACHINE, kAcadKey, L"CurVer", "ACAD-TEST"));
        const std::wstring profiles = std::wstring(kUserAcadKey) + L"\\ACAD-TEST\\Profiles";
        ASSERT_TRUE(SetString(HKEY_CURRENT_USER, profiles + L"\\Default\\General", L"AVEMAPS",
                              maps1.substr(0, maps1.size() - 1) + ";" + maps2.substr(0, maps2.size() - 1)));
        WriteFileBytes(maps1 + "tile.bmp", "tile from maps1");
        WriteFileBytes(maps2 + "tile.bmp", "tile from maps2");
        WriteFileBytes(maps2 + "wood.jpg", "wood");
        WriteFileBytes(source + "stone.jpg", "stone");
    }
    void TearDown() override { RemoveAcadKeys(); }

    std::string folder, maps1, maps2, source;
};

TEST_F(ExtractionTest, ButtonCopiesFromStoredPathsAndSearchFoldersAndListsTheRest)
{
    CombinationRecord first = TestRecord("r1", "c/", "d", "", "wood.jpg");
    SetField(first.materials[1].mapFile[0], source + "stone.jpg");
    SetField(first.materials[1].mapFile[3], "C:\\nowhere\\tile.bmp");  // missing there, found in maps1
    SetField(first.materials[2].mapFile[0], "gone.jpg");
    CombinationRecord second = TestRecord("r2", "c/", "d", "", "wood.jpg");  // named twice
    SetField(second.materials[2].mapFile[5], "gone.jpg");
    library.Append(first);
    library.Append(second);
    const std::string listPath = folder + "没有找到的贴图.txt";
    WriteFileBytes(listPath, "old\r\n");

    ui.folderAnswers.push_back(folder.substr(0, folder.size() - 1));
    Run([](CLibraryMaintenanceDlg& dlg) {
        Click(dlg, IDC_MAINT_EXTRACT);
        Click(dlg, IDOK);
    });

    ASSERT_EQ(ui.folderTraces.size(), 1u);
    EXPECT_EQ(ui.folderTraces[0].title, "选择提取出的贴图所放的目录");
    EXPECT_EQ(ui.folderTraces[0].startSelection, "C:\\Tintgrove");
    EXPECT_TRUE(FileExists("C:\\Tintgrove"));
    EXPECT_EQ(ReadFileBytes(folder + "wood.jpg"), "wood");
    EXPECT_EQ(ReadFileBytes(folder + "stone.jpg"), "stone");
    EXPECT_EQ(ReadFileBytes(folder + "tile.bmp"), "tile from maps1");
    EXPECT_EQ(ReadFileBytes(listPath), "gone.jpg\r\nwood.jpg\r\n");
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{
                                 "系统已经把所有找到的图片放在" + folder + "目录里，其余请见<没有找到的贴图.txt>"});
    EXPECT_EQ(dialog->libraryChanged, 0);
}

TEST_F(ExtractionTest, CancelledFolderBrowserExtractsNothing)
{
    library.Append(TestRecord("r1", "c/", "d", "", "wood.jpg"));
    Run([](CLibraryMaintenanceDlg& dlg) {
        Click(dlg, IDC_MAINT_EXTRACT);
        Click(dlg, IDOK);
    });
    EXPECT_EQ(ui.folderTraces.size(), 1u);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ExtractionTest, SelectiveExportsAppendToTheListAndAWholeExportStartsItAfresh)
{
    CombinationRecord record = TestRecord("r1", "c/", "d", "", "gone.jpg");
    SetField(record.materials[2].mapFile[1], "gone.jpg");
    SetField(record.materials[2].mapFile[2], "tile.bmp");
    library.Append(record);
    const std::string listPath = folder + "没有找到的贴图.txt";
    WriteFileBytes(listPath, "old\r\n");

    Run([&](CLibraryMaintenanceDlg& dlg) {
        ui.filePaths.push_back(folder + "selected.tgv");
        ui.boxAnswers = {IDYES, IDOK, IDYES, IDOK};
        Click(dlg, IDC_MAINT_EXPORT_SELECTED);
        EXPECT_EQ(ReadFileBytes(folder + "tile.bmp"), "tile from maps1");
        Click(dlg, IDC_MAINT_EXPORT_SELECTED);
        Click(dlg, IDOK);
    });
    // Once per export; the second export finds tile.bmp already there.
    EXPECT_EQ(ReadFileBytes(listPath), "old\r\ngone.jpg\r\ngone.jpg\r\ntile.bmp\r\n");

    const std::string wholeFolder = FreshFolder("extract-whole");
    WriteFileBytes(wholeFolder + "没有找到的贴图.txt", "old\r\n");
    Run([&](CLibraryMaintenanceDlg& dlg) {
        ui.filePaths.push_back(wholeFolder + "whole.tgv");
        ui.boxAnswers = {IDYES, IDOK};
        Click(dlg, IDC_MAINT_EXPORT_ALL);
        Click(dlg, IDOK);
    });
    EXPECT_EQ(ReadFileBytes(wholeFolder + "没有找到的贴图.txt"), "gone.jpg\r\n");
    EXPECT_EQ(ReadFileBytes(wholeFolder + "tile.bmp"), "tile from maps1");
    const std::vector<std::string> texts = ui.BoxTexts();
    ASSERT_EQ(texts.size(), 6u);
    EXPECT_EQ(texts[1], "系统已经把所有找到的图片放在" + folder + "目录里，其余请见<没有找到的贴图.txt>");
    EXPECT_EQ(texts[5], "系统已经把所有找到的图片放在" + wholeFolder + "目录里，其余请见<没有找到的贴图.txt>");
}

}  // namespace
