// Dialog 131: browsing, modifying, moving and deleting combinations.
#include "MaintenanceFixture.h"
#include "LibraryDialogIds.h"
#include "LibraryDlgSupport.h"
#include "LibraryMaintenanceDlg.h"

#include <gtest/gtest.h>

using namespace librarydlg;

namespace {

class MaintenanceTest : public MaintenanceFixture {
protected:
    // Picks a tree item as the user does with the drop-down.
    static void Pick(CLibraryMaintenanceDlg& dlg, HTREEITEM item)
    {
        dlg.selector.Tree().SelectItem(item);
        dlg.SendMessage(WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(item), 0);
    }
};

TEST_F(MaintenanceTest, OpensWithEveryRecordInTheTreeAndTheFirstLoaded)
{
    Run([](CLibraryMaintenanceDlg& dlg) {
        CComboTree& tree = dlg.selector.Tree();
        HTREEITEM c1 = tree.GetRootItem();
        ASSERT_NE(c1, nullptr);
        HTREEITEM c2 = tree.GetNextSiblingItem(c1);
        ASSERT_NE(c2, nullptr);
        EXPECT_EQ(tree.GetNextSiblingItem(c2), nullptr);
        EXPECT_EQ(tree.GetItemText(c1), "c1");
        EXPECT_EQ(tree.GetItemText(c2), "c2");
        HTREEITEM r1 = tree.GetChildItem(c1);
        EXPECT_EQ(tree.GetItemText(r1), "r1");
        EXPECT_EQ(tree.GetItemText(tree.GetNextSiblingItem(r1)), "r3");
        EXPECT_EQ(tree.GetItemText(tree.GetChildItem(c2)), "r2");
        EXPECT_EQ(tree.GetCount(), 5u);

        EXPECT_EQ(tree.GetSelectedItem(), r1);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_SELECTOR), "c1/r1");
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_SHORT_DESCRIPTION), "d1");
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_LONG_DESCRIPTION), "L1");
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "");

        // Picking another record loads it.
        Pick(dlg, tree.GetChildItem(c2));
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_SHORT_DESCRIPTION), "d2");
        EXPECT_EQ(dlg.currentName, "r2");
        EXPECT_EQ(dlg.currentCategory, "c2/");
        EXPECT_EQ(::SendMessageW(dlg.GetDlgItem(IDC_MAINT_LONG_DESCRIPTION), EM_GETLIMITTEXT, 0, 0), 2000);
        EXPECT_EQ(::SendMessageW(dlg.GetDlgItem(IDC_MAINT_SHORT_DESCRIPTION), EM_GETLIMITTEXT, 0, 0), 250);
        Click(dlg, IDOK);
    });
    EXPECT_EQ(dialog->libraryChanged, 0);
}

TEST_F(MaintenanceTest, ModifyWritesTheDescriptionsAndReportsOnTheStatusLine)
{
    EXPECT_EQ(Run([](CLibraryMaintenanceDlg& dlg) {
                  Type(dlg, IDC_MAINT_SHORT_DESCRIPTION, "新的说明");
                  Type(dlg, IDC_MAINT_LONG_DESCRIPTION, "第一行\r\n第二行");
                  Click(dlg, IDC_MAINT_MODIFY);
                  EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "所做的修改更新到数据库完毕！");
                  Click(dlg, IDOK);
              }),
              IDOK);
    EXPECT_EQ(dialog->libraryChanged, 1);
    EXPECT_EQ(FieldString(library[0].shortDescription), "新的说明");
    EXPECT_EQ(FieldString(library[0].longDescription), "第一行\r\n第二行");
    EXPECT_EQ(FieldString(library[0].name), "r1");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(MaintenanceTest, TypedPathMovesTheRecordAndAPathWithoutSlashEmptiesTheCategory)
{
    Run([](CLibraryMaintenanceDlg& dlg) {
        Type(dlg, IDC_MAINT_SELECTOR, "a/b/c");
        Click(dlg, IDC_MAINT_MODIFY);
        // The selector keeps listing the old path until the dialog is reopened.
        EXPECT_EQ(dlg.selector.GetSelectedPath(), "c1/r1");
        Type(dlg, IDC_MAINT_SELECTOR, "plain");
        Click(dlg, IDC_MAINT_MODIFY);
        Click(dlg, IDOK);
    });
    EXPECT_EQ(FieldString(library[0].name), "plain");
    EXPECT_EQ(FieldString(library[0].roomCategory), "");
    EXPECT_EQ(FieldString(library[0].shortDescription), "d1");
    EXPECT_EQ(library.GetCount(), 3);
    EXPECT_EQ(dialog->libraryChanged, 1);

    library[0] = TestRecord("r1", "c1/", "d1", "L1");
    Run([](CLibraryMaintenanceDlg& dlg) {
        Type(dlg, IDC_MAINT_SELECTOR, "a/b/c");
        Click(dlg, IDC_MAINT_MODIFY);
        Click(dlg, IDOK);
    });
    EXPECT_EQ(FieldString(library[0].name), "c");
    EXPECT_EQ(FieldString(library[0].roomCategory), "a/b/");
}

TEST_F(MaintenanceTest, TextsThatDoNotFitTheRecordAreRefusedWhole)
{
    const CombinationRecord before = library[0];
    std::string chinese250;
    for (int i = 0; i < 250; ++i)
        chinese250 += "字";
    Run([&](CLibraryMaintenanceDlg& dlg) {
        Type(dlg, IDC_MAINT_LONG_DESCRIPTION, std::string(1000, 'x'));
        Click(dlg, IDC_MAINT_MODIFY);
        Type(dlg, IDC_MAINT_LONG_DESCRIPTION, "L1");
        Type(dlg, IDC_MAINT_SHORT_DESCRIPTION, chinese250);  // 250 characters, 500 bytes
        Click(dlg, IDC_MAINT_MODIFY);
        Type(dlg, IDC_MAINT_SHORT_DESCRIPTION, "d1");
        Type(dlg, IDC_MAINT_SELECTOR, "c1/" + std::string(100, 'n'));
        Click(dlg, IDC_MAINT_MODIFY);
        Type(dlg, IDC_MAINT_SELECTOR, std::string(499, 'c') + "/r1");
        Click(dlg, IDC_MAINT_MODIFY);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_STATUS), "");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{
                                 Format(kTextTooLongFormat, "更多说明", 999),
                                 Format(kTextTooLongFormat, "简单说明", 499),
                                 Format(kTextTooLongFormat, "组合名称", 99),
                                 Format(kTextTooLongFormat, "房间类别", 499),
                             }));
    EXPECT_EQ(RecordBytes(library[0]), RecordBytes(before));
    EXPECT_EQ(dialog->libraryChanged, 0);
}

TEST_F(MaintenanceTest, DeleteAsksThenRemovesAndLoadsTheNewFirstRecord)
{
    Run([this](CLibraryMaintenanceDlg& dlg) {
        ui.boxAnswers = {IDNO};
        Click(dlg, IDC_MAINT_DELETE);
        EXPECT_EQ(library.GetCount(), 3);
        EXPECT_EQ(dlg.libraryChanged, 0);

        ui.boxAnswers = {IDYES};
        Click(dlg, IDC_MAINT_DELETE);
        EXPECT_EQ(library.GetCount(), 2);
        EXPECT_EQ(dlg.libraryChanged, 1);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_SELECTOR), "c2/r2");
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_SHORT_DESCRIPTION), "d2");
        EXPECT_EQ(dlg.selector.Tree().GetCount(), 4u);  // c2, r2, c1, r3

        // A category item is no record.
        ui.boxAnswers = {IDYES};
        Pick(dlg, dlg.selector.Tree().GetRootItem());
        Click(dlg, IDC_MAINT_DELETE);
        EXPECT_EQ(library.GetCount(), 2);
        Click(dlg, IDOK);
    });
    ASSERT_EQ(ui.boxes.size(), 4u);
    EXPECT_EQ(ui.boxes[0].text, "删除以后将无法恢复，确定要删除吗？");
    EXPECT_EQ(ui.boxes[0].caption, "请确认");
    EXPECT_EQ(ui.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(ui.boxes[3].text, "无法找到要修改的纪录！");
    EXPECT_EQ(FieldString(library[0].name), "r2");
    EXPECT_EQ(FieldString(library[1].name), "r3");
}

TEST_F(MaintenanceTest, DeletingTheLastRecordLeavesEverythingEmpty)
{
    library.Empty();
    library.Append(TestRecord("only", "c/", "d", "L"));
    Run([this](CLibraryMaintenanceDlg& dlg) {
        ui.boxAnswers = {IDYES};
        Click(dlg, IDC_MAINT_DELETE);
        EXPECT_EQ(dlg.selector.Tree().GetCount(), 0u);
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_SELECTOR), "");
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_SHORT_DESCRIPTION), "");
        EXPECT_EQ(TextOf(dlg, IDC_MAINT_LONG_DESCRIPTION), "");

        // Nothing left to modify or delete.
        Click(dlg, IDC_MAINT_MODIFY);
        ui.boxAnswers = {IDYES};
        Click(dlg, IDC_MAINT_DELETE);
        Click(dlg, IDOK);
    });
    EXPECT_EQ(library.GetCount(), 0);
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{
                                 "删除以后将无法恢复，确定要删除吗？",
                                 "无法找到要修改的纪录！",
                                 "删除以后将无法恢复，确定要删除吗？",
                                 "无法找到要修改的纪录！",
                             }));
    EXPECT_EQ(dialog->libraryChanged, 1);
}

}  // namespace
