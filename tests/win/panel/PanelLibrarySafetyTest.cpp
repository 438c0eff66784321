// The panel and a library it cannot read completely or may not replace: the
// file is kept aside as a foreign file is, or the save is refused, and the
// user is told.
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

    // Adds a record and closes the panel, which saves.
    void AddAndClose()
    {
        CombinationRecord record;
        InitCombinationRecord(record, "新方案", "办公/", "白墙");
        colorPanel->library.Append(record);
        colorPanel->libraryModified = true;
        ::SendMessageW(colorPanel->m_hWnd, WM_CLOSE, 0, 0);
    }
};

}  // namespace

// A read failing in the second record (a share dropping, a locked range) or
// an allocation failing: nothing of the file is listed, and the first save
// moves the whole file aside instead of writing over it.
TEST_F(PanelLibrarySafety, ALibraryReadPartWayIsKeptAside)
{
    const std::string original = ReadBytes(libraryPath);
    for (bool exception : {false, true}) {
        boxes.clear();
        faults.failAt = 32 + 12480 + 100;
        faults.throwInstead = exception;
        ASSERT_NE(Go(), nullptr);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, "读取文件“" + libraryPath + "”时出错，文件没有完整读出，其中的组合没有载入。");
        EXPECT_EQ(colorPanel->library.GetCount(), 0);
        EXPECT_EQ(colorPanel->spaceTypeBox.Tree().GetCount(), 0u);

        faults.failAt = UINT64_MAX;
        AddAndClose();
        const std::string backup = libraryPath + (exception ? ".bak2" : ".bak");
        EXPECT_EQ(ReadBytes(backup), original) << "the unread file is kept whole";
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[1].text, "原图库文件不能读取，已改名保存为“" + backup + "”，新的图库另行保存。");
        CombinationLibrary saved;
        ASSERT_EQ(ReadCombinationFile(libraryPath, saved), 1);
        EXPECT_EQ(saved.GetCount(), 1);
        WriteBytes(libraryPath, original);
    }
}

TEST_F(PanelLibrarySafety, AReadOnlyLibraryIsNotReplaced)
{
    const std::string original = ReadBytes(libraryPath);
    const std::wstring wide = fw::Widen(libraryPath);
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_NE(Go(), nullptr);
    EXPECT_EQ(colorPanel->library.GetCount(), 3);
    AddAndClose();
    SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Told once with the reason; then offered an exchange file for the work.
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "图库文件“" + libraryPath + "”不能保存：它是只读文件。\n所做的修改保留在本面板中，关闭面板时可以另存为交换文件。");
    EXPECT_EQ(ReadBytes(libraryPath), original);
}

TEST_F(PanelLibrarySafety, AHardLinkedLibraryIsNotReplaced)
{
    const std::string original = ReadBytes(libraryPath);
    const std::string other = libraryPath + ".bak2";  // removed by the fixture
    ASSERT_TRUE(CreateHardLinkW(fw::Widen(other).c_str(), fw::Widen(libraryPath).c_str(), nullptr));
    ASSERT_NE(Go(), nullptr);
    AddAndClose();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "图库文件“" + libraryPath +
                                 "”不能保存：它另有硬链接，替换它会使这些链接仍指向旧的图库。\n所做的修改保留在本面板中，关闭面板时可以另存为交换文件。");
    EXPECT_EQ(ReadBytes(other), original);
}
