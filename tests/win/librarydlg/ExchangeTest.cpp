// Export, import and merge from dialog 131, with dialog 1006 answered as the user answers it.
#include "MaintenanceFixture.h"
#include "FileLayer.h"
#include "LibraryDialogIds.h"
#include "LibraryDlgSupport.h"
#include "LibraryMaintenanceDlg.h"
#include "ReplaceConfirmDlg.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace librarydlg;

namespace {

// The platform's files, except that writes fail once a file opened in
// failMode has taken budget bytes: a full disk in the middle of an export.
class FullDiskLayer : public FileLayer {
public:
    OpenMode failMode = OpenMode::Append;
    std::size_t budget = 0;

    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override
    {
        std::unique_ptr<File> file = PlatformFiles().Open(path, mode);
        if (!file || mode != failMode)
            return file;
        return std::make_unique<LimitedFile>(std::move(file), budget);
    }
    bool Replace(const std::string& from, const std::string& to) override { return PlatformFiles().Replace(from, to); }
    bool Remove(const std::string& path) override { return PlatformFiles().Remove(path); }
    bool Exists(const std::string& path) override { return PlatformFiles().Exists(path); }

private:
    class LimitedFile : public File {
    public:
        LimitedFile(std::unique_ptr<File> f, std::size_t left) : file(std::move(f)), budget(left) {}
        std::size_t Read(void* buffer, std::size_t size) override { return file->Read(buffer, size); }
        std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override
        {
            return file->ReadAt(offset, buffer, size);
        }
        bool Info(FileInfo& info) override { return file->Info(info); }
        bool Truncate(int64_t size) override { return file->Truncate(size); }
        std::size_t Write(const void* buffer, std::size_t size) override
        {
            const std::size_t n = std::min(size, budget);
            budget -= n;
            return n == 0 ? 0 : file->Write(buffer, n);
        }
        bool Flush() override { return file->Flush(); }
        int64_t Size() override { return file->Size(); }
        bool Close() override { return file->Close(); }
        bool IsOpen() const override { return file->IsOpen(); }

    private:
        std::unique_ptr<File> file;
        std::size_t budget;
    };
};

class ExchangeTest : public MaintenanceFixture {
protected:
    void SetUp() override
    {
        MaintenanceFixture::SetUp();
        folder = FreshFolder("exchange");
    }

    // Imports path in a fresh dialog run; answers are the results of the
    // replace confirmations, in order.
    void Import(const std::string& path, std::vector<int> answers)
    {
        Run([this, path, answers](CLibraryMaintenanceDlg& dlg) {
            ui.filePaths.push_back(path);
            for (int answer : answers)
                ui.dialogActions.push_back([answer](CDialog& confirm) { confirm.EndDialog(answer); });
            Click(dlg, IDC_MAINT_IMPORT);
            status = TextOf(dlg, IDC_MAINT_STATUS);
            Click(dlg, IDOK);
        });
    }

    std::string Exchange(std::initializer_list<CombinationRecord> records)
    {
        std::string bytes = SignatureBytes();
        for (const CombinationRecord& record : records)
            bytes += RecordBytes(record);
        return bytes;
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const CombinationRecord& record : library)
            names.push_back(FieldString(record.name));
        return names;
    }

    std::string folder;
    std::string status;
};

TEST_F(ExchangeTest, TwoSelectiveExportsGoIntoOneFileAfterOneFileDialog)
{
    const std::string path = folder + "selected.tgv";
    Run([&](CLibraryMaintenanceDlg& dlg) {
        EXPECT_TRUE(IsEnabled(dlg, IDC_MAINT_EXPORT_ALL));
        ui.filePaths.push_back(path);
        Click(dlg, IDC_MAINT_EXPORT_SELECTED);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "当前名称为<r1>的记录导出成功！");
        EXPECT_FALSE(IsEnabled(dlg, IDC_MAINT_EXPORT_ALL));

        HTREEITEM c2 = dlg.selector.Tree().GetNextSiblingItem(dlg.selector.Tree().GetRootItem());
        HTREEITEM r2 = dlg.selector.Tree().GetChildItem(c2);
        dlg.selector.Tree().SelectItem(r2);
        dlg.SendMessage(WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(r2), 0);
        Click(dlg, IDC_MAINT_EXPORT_SELECTED);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "当前名称为<r2>的记录导出成功！");
        EXPECT_EQ(dlg.exportFolder, folder);
        Click(dlg, IDOK);
    });
    ASSERT_EQ(ui.fileRequests.size(), 1u);
    const fw::FileDialogRequest& request = ui.fileRequests[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.title, "选择导出的染界配色文件");
    EXPECT_EQ(request.filter, "染界配色文件 (*.tgv)|*.tgv |All Files (*.*)|*.*||");
    EXPECT_EQ(request.defaultExtension, "tgv");
    EXPECT_EQ(request.initialFile, "Untitled");
    EXPECT_TRUE(request.flags & OFN_OVERWRITEPROMPT);
    EXPECT_TRUE(request.flags & OFN_HIDEREADONLY);
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{"是否复制贴图文件？", "是否复制贴图文件？"}));
    EXPECT_EQ(ui.boxes[0].caption, "请确认");
    dialog.reset();  // closes the export file
    EXPECT_EQ(ReadFileBytes(path), Exchange({library[0], library[1]}));
}

TEST_F(ExchangeTest, ExportFileThatCannotBeCreatedIsReportedAndNothingIsClaimed)
{
    const std::string path = folder + "missing\\sub\\out.tgv";
    Run([&](CLibraryMaintenanceDlg& dlg) {
        ui.filePaths.push_back(path);
        Click(dlg, IDC_MAINT_EXPORT_SELECTED);
        EXPECT_TRUE(IsEnabled(dlg, IDC_MAINT_EXPORT_ALL));
        ui.filePaths.push_back(path);
        Click(dlg, IDC_MAINT_EXPORT_ALL);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "");
        Click(dlg, IDOK);
    });
    const std::string message = Format(kExportFailedFormat, path.c_str());
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{message, message}));
    EXPECT_NE(message.find(path), std::string::npos);
    EXPECT_FALSE(FileExists(path));
}

TEST_F(ExchangeTest, FailedExportWritesAreReportedAndNothingIsClaimed)
{
    FullDiskLayer disk;
    FileLayer* previous = SetFileLayer(&disk);
    const std::string selected = folder + "selected.tgv";
    const std::string whole = folder + "whole.tgv";
    WriteFileBytes(whole, "the old export");
    Run([&](CLibraryMaintenanceDlg& dlg) {
        // Half a record fits: the append fails and the next press asks for a file again.
        disk.failMode = OpenMode::Append;
        disk.budget = 6000;
        ui.filePaths.push_back(selected);
        Click(dlg, IDC_MAINT_EXPORT_SELECTED);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "");
        disk.budget = 1u << 20;
        ui.filePaths.push_back(selected);
        Click(dlg, IDC_MAINT_EXPORT_SELECTED);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "当前名称为<r1>的记录导出成功！");
        Click(dlg, IDOK);
    });
    // The whole export fails in its third record and leaves the old file.
    Run([&](CLibraryMaintenanceDlg& dlg) {
        disk.failMode = OpenMode::CreateNew;
        disk.budget = 32 + 2 * 12480 + 100;
        ui.filePaths.push_back(whole);
        Click(dlg, IDC_MAINT_EXPORT_ALL);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "");
        Click(dlg, IDOK);
    });
    SetFileLayer(previous);
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{Format(kExportFailedFormat, selected.c_str()),
                                                        "是否复制贴图文件？",
                                                        Format(kExportFailedFormat, whole.c_str())}));
    EXPECT_EQ(ui.fileRequests.size(), 3u);
    dialog.reset();
    EXPECT_EQ(ReadFileBytes(selected), Exchange({library[0]}));
    EXPECT_EQ(ReadFileBytes(whole), "the old export");
}

TEST_F(ExchangeTest, WholeExportThenImportWithAllReplacesEveryRecordInPlace)
{
    const std::string path = folder + "whole.tgv";
    const CombinationLibrary exported = library;
    Run([&](CLibraryMaintenanceDlg& dlg) {
        ui.filePaths.push_back(path);
        Click(dlg, IDC_MAINT_EXPORT_ALL);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "记录导出完毕,导出文件为" + path + "！");
        EXPECT_EQ(dlg.exportPath, "");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(ReadFileBytes(path), Exchange({library[0], library[1], library[2]}));
    EXPECT_EQ(ui.BoxTexts(), std::vector<std::string>{"是否复制贴图文件？"});

    for (int i = 0; i < library.GetCount(); ++i)
        SetField(library[i].shortDescription, "changed");
    ui.boxes.clear();
    std::vector<std::string> shown;
    Run([&](CLibraryMaintenanceDlg& dlg) {
        ui.filePaths.push_back(path);
        ui.dialogActions.push_back([&](CDialog& confirm) {
            for (int id : {IDC_REPLACE_IN_NAME, IDC_REPLACE_IN_CATEGORY, IDC_REPLACE_IN_DESCRIPTION,
                           IDC_REPLACE_OLD_NAME, IDC_REPLACE_OLD_CATEGORY, IDC_REPLACE_OLD_DESCRIPTION})
                shown.push_back(TextOf(confirm, id));
            Click(confirm, IDC_REPLACE_ALL);
        });
        Click(dlg, IDC_MAINT_IMPORT);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "导入成功，导入新组合0个，覆盖更新3个！");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(shown, (std::vector<std::string>{"r1", "c1/", "d1", "r1", "c1/", "changed"}));
    EXPECT_EQ(dialog->libraryChanged, 1);
    ASSERT_EQ(library.GetCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(RecordBytes(library[i]), RecordBytes(exported[i])) << i;
    ASSERT_EQ(ui.fileRequests.size(), 2u);
    EXPECT_FALSE(ui.fileRequests[1].save);
    EXPECT_EQ(ui.fileRequests[1].title, "选择要导入的染界配色文件");
    EXPECT_EQ(ui.fileRequests[1].filter, "染界配色文件 (*.tgv)|*.tgv|All Files (*.*)|*.*||");
    EXPECT_EQ(ui.fileRequests[1].defaultExtension, "");
    EXPECT_EQ(ui.fileRequests[1].initialFile, "");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ExchangeTest, NoneSkipsEveryLaterConflictButAddsNewRecords)
{
    const std::string path = folder + "none.tgv";
    WriteFileBytes(path, Exchange({TestRecord("R1", "C1/", "x"), TestRecord("new", "c9/", "n"),
                                   TestRecord("r3", "c1/", "x")}));
    Import(path, {IDC_REPLACE_NONE});
    EXPECT_EQ(ui.dialogsSeen, (std::vector<UINT>{IDD_LIBRARY_MAINTENANCE, IDD_REPLACE_CONFIRM}));
    EXPECT_EQ(status, "导入成功，导入新组合1个，覆盖更新0个！");
    EXPECT_EQ(Names(), (std::vector<std::string>{"r1", "r2", "r3", "new"}));
    EXPECT_EQ(FieldString(library[0].shortDescription), "d1");
    EXPECT_EQ(FieldString(library[2].shortDescription), "d3");
}

TEST_F(ExchangeTest, NoSkipsOnlyThatRecordAndTheNextConflictAsksAgain)
{
    const std::string path = folder + "no.tgv";
    WriteFileBytes(path, Exchange({TestRecord("r1", "c1/", "x1"), TestRecord("r2", "c2/", "x2")}));
    Import(path, {IDC_REPLACE_NO, IDOK});
    EXPECT_EQ(ui.dialogsSeen,
              (std::vector<UINT>{IDD_LIBRARY_MAINTENANCE, IDD_REPLACE_CONFIRM, IDD_REPLACE_CONFIRM}));
    EXPECT_EQ(status, "导入成功，导入新组合0个，覆盖更新1个！");
    EXPECT_EQ(FieldString(library[0].shortDescription), "d1");
    EXPECT_EQ(FieldString(library[1].shortDescription), "x2");
}

TEST_F(ExchangeTest, CancelKeepsTheRecordsMergedBeforeAndCountsAsAChange)
{
    const std::string path = folder + "cancel.tgv";
    WriteFileBytes(path, Exchange({TestRecord("x", "c9/"), TestRecord("r2", "c2/", "x2"), TestRecord("y", "c9/")}));
    Import(path, {IDCANCEL});
    EXPECT_EQ(status, "");
    EXPECT_EQ(Names(), (std::vector<std::string>{"r1", "r2", "r3", "x"}));
    EXPECT_EQ(FieldString(library[1].shortDescription), "d2");
    EXPECT_EQ(dialog->libraryChanged, 1);
}

TEST_F(ExchangeTest, SignatureOnlyFileImportsNothingButCompletes)
{
    const std::string path = folder + "empty.tgv";
    WriteFileBytes(path, SignatureBytes());
    Import(path, {});
    EXPECT_EQ(status, "导入成功，导入新组合0个，覆盖更新0个！");
    EXPECT_EQ(library.GetCount(), 3);
    EXPECT_EQ(dialog->libraryChanged, 1);
}

TEST_F(ExchangeTest, WrongSignatureOrMissingFileChangesNothing)
{
    const std::string wrong = folder + "wrong.tgv";
    std::string bytes = Exchange({TestRecord("x", "c9/")});
    bytes[0] = 'z';
    WriteFileBytes(wrong, bytes);
    Import(wrong, {});
    EXPECT_EQ(dialog->libraryChanged, 0);
    EXPECT_EQ(status, "");

    const std::string missing = folder + "absent.tgv";
    Import(missing, {});
    EXPECT_EQ(dialog->libraryChanged, 0);
    EXPECT_EQ(library.GetCount(), 3);
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{"不是合适的染界文件！",
                                                        Format(kImportOpenFailedFormat, missing.c_str())}));
}

TEST_F(ExchangeTest, CancelledFileDialogsDoNothing)
{
    Run([&](CLibraryMaintenanceDlg& dlg) {
        Click(dlg, IDC_MAINT_EXPORT_SELECTED);
        Click(dlg, IDC_MAINT_EXPORT_ALL);
        Click(dlg, IDC_MAINT_IMPORT);
        EXPECT_TRUE(IsEnabled(dlg, IDC_MAINT_EXPORT_ALL));
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(ui.fileRequests.size(), 3u);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(dialog->libraryChanged, 0);
}

// What the dialog changes is recorded with the bytes each record started
// from, so that laying the record on the library as it was gives the same
// library: modify, delete, and an import that adds one record and replaces one.
TEST_F(ExchangeTest, EveryChangeIsRecordedSoItCanBeLaidOnAnotherCopy)
{
    const CombinationLibrary original = library;
    LibraryChanges recorded;
    changes = &recorded;
    Run([this](CLibraryMaintenanceDlg& dlg) {
        Type(dlg, IDC_MAINT_SHORT_DESCRIPTION, "改过的说明");
        Type(dlg, IDC_MAINT_SELECTOR, "c5/renamed");
        Click(dlg, IDC_MAINT_MODIFY);
        // r2, the only record of c2, then delete it.
        CComboTree& tree = dlg.selector.Tree();
        HTREEITEM r2 = tree.GetChildItem(tree.GetNextSiblingItem(tree.GetRootItem()));
        tree.SelectItem(r2);
        dlg.SendMessage(WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(r2), 0);
        ui.boxAnswers.push_back(IDYES);
        Click(dlg, IDC_MAINT_DELETE);
        Click(dlg, IDOK);
    });
    const std::string path = folder + "recorded.tgv";
    WriteFileBytes(path, Exchange({TestRecord("new", "c9/", "n"), TestRecord("r3", "c1/", "x3")}));
    Import(path, {IDOK});
    ASSERT_EQ(recorded.Items().size(), 4u);
    EXPECT_EQ(recorded.Items()[0].kind, LibraryChange::Kind::Change);
    EXPECT_EQ(RecordPath(recorded.Items()[0].before), "c1/r1");
    EXPECT_EQ(RecordPath(recorded.Items()[0].after), "c5/renamed");
    EXPECT_EQ(recorded.Items()[1].kind, LibraryChange::Kind::Delete);
    EXPECT_EQ(RecordPath(recorded.Items()[1].before), "c2/r2");
    EXPECT_EQ(recorded.Items()[2].kind, LibraryChange::Kind::Add);
    EXPECT_EQ(recorded.Items()[3].kind, LibraryChange::Kind::Change);
    EXPECT_EQ(FieldString(recorded.Items()[3].before.shortDescription), "d3");

    CombinationLibrary replayed = original;
    EXPECT_TRUE(ReplayChanges(recorded, replayed).empty());
    ASSERT_EQ(replayed.GetCount(), library.GetCount());
    for (int i = 0; i < library.GetCount(); ++i)
        EXPECT_TRUE(SameRecord(replayed[i], library[i])) << i;
}

}  // namespace
