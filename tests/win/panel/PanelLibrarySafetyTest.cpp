// The panel and a library it cannot read completely or may not replace: the
// file is never written over, and the user is told.
#include "PanelFixture.h"

#include "../../native/library/ReadFaults.h"

using namespace panel_test;

namespace {

struct PanelLibrarySafety : Panel {
    testlib::ReadFaultLayer faults{PlatformFiles()};
    FileLayer* previous = nullptr;

    void SetUp() override
    {
        Panel::SetUp();
        previous = SetFileLayer(&faults);
    }
    void TearDown() override
    {
        Panel::TearDown();
        SetFileLayer(previous);
    }

    // Adds a record and closes the panel, which saves: the addition as the
    // add dialog records it, or (recorded false) as a change of the whole
    // library, which only a rewrite can save.
    void AddAndClose(bool recorded = true)
    {
        CombinationRecord record;
        InitCombinationRecord(record, "新方案", "办公/", "白墙");
        CColorPanelDlg::Current()->Session().library.Append(record);
        if (recorded)
            CColorPanelDlg::Current()->Session().sharedLibrary.changes.Added(record);
        CColorPanelDlg::Current()->Session().libraryModified = true;
        ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    }
};

}  // namespace

// A read failing in the second record (a share dropping, a locked range) or
// an allocation failing: nothing of the file is listed, the user is told the
// library cannot be read and that nothing is saved until it can, and the
// file is neither written over nor moved aside. Once it reads again, the
// pending addition is laid on the whole library.
TEST_F(PanelLibrarySafety, ALibraryReadPartWayIsNeverWrittenOver)
{
    const std::string original = ReadBytes(libraryPath);
    for (bool exception : {false, true}) {
        boxes.clear();
        faults.failAt = 32 + 12480 + 100;
        faults.throwInstead = exception;
        ASSERT_NE(Go(), nullptr);
        ASSERT_EQ(boxes.size(), 1u);
        const std::string told = boxes[0].text;
        EXPECT_EQ(told.rfind("图库文件“" + libraryPath + "”现在不能读取：", 0), 0u) << told;
        EXPECT_NE(told.find("在能够读取之前不会保存任何更改"), std::string::npos) << told;
        EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 0);
        EXPECT_EQ(CColorPanelDlg::Current()->SpaceTypeBox().Tree().GetCount(), 0u);

        if (exception)
            faults.failAt = UINT64_MAX;  // readable again by the time of the save
        AddAndClose();
        EXPECT_EQ(GetFileAttributesW(fw::Widen(libraryPath + ".bak").c_str()), INVALID_FILE_ATTRIBUTES);
        CombinationLibrary saved;
        faults.failAt = UINT64_MAX;
        ASSERT_EQ(ReadCombinationFile(libraryPath, saved), 1);
        if (exception) {
            EXPECT_EQ(saved.GetCount(), 4) << "the addition lands on the whole library";
        } else {
            EXPECT_EQ(ReadBytes(libraryPath), original) << "nothing written while unreadable";
            ASSERT_GE(boxes.size(), 2u);
            EXPECT_EQ(boxes[1].text, told) << "a refused save says why";
        }
        WriteBytes(libraryPath, original);
    }
}

TEST_F(PanelLibrarySafety, AReadOnlyLibraryIsNotReplaced)
{
    const std::string original = ReadBytes(libraryPath);
    const std::wstring wide = fw::Widen(libraryPath);
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_NE(Go(), nullptr);
    EXPECT_EQ(CColorPanelDlg::Current()->Session().library.GetCount(), 3);
    AddAndClose();
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Told once with the reason; then offered an exchange file for the work.
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "图库文件“" + libraryPath + "”不能保存：它是只读文件。\n所做的修改保留在本面板中，将在下次保存或“重新读取图库”时写入。关闭面板时，新增和修改的配色组合可以另存为交换文件，删除和改名则不能。");
    EXPECT_EQ(ReadBytes(libraryPath), original);
}

TEST_F(PanelLibrarySafety, AHardLinkedLibraryIsNotReplaced)
{
    const std::string original = ReadBytes(libraryPath);
    const std::string other = libraryPath + ".bak2";  // removed by the fixture
    ASSERT_TRUE(CreateHardLinkW(fw::Widen(other).c_str(), fw::Widen(libraryPath).c_str(), nullptr));
    ASSERT_NE(Go(), nullptr);
    AddAndClose(false);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "图库文件“" + libraryPath +
                                 "”不能保存：它另有硬链接，替换它会使这些链接仍指向旧的图库。\n所做的修改保留在本面板中，将在下次保存或“重新读取图库”时写入。关闭面板时，新增和修改的配色组合可以另存为交换文件，删除和改名则不能。");
    EXPECT_EQ(ReadBytes(other), original);
}
