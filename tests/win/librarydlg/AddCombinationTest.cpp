// Dialog 130 and the panel's add-to-library entry, driven as a user drives them.
#include "AddCombinationDlg.h"
#include "CombinationFile.h"
#include "DialogTestUi.h"
#include "FakeHost.h"
#include "LibraryDialogIds.h"
#include "LibraryDlgSupport.h"
#include "LibraryMaintenanceDlg.h"
#include "model/SurfaceMaterialStore.h"

#include <gtest/gtest.h>

using namespace librarydlg;

namespace {

struct Room {
    unsigned ceiling, floor, wall, secondWall;
};

// A scene with a ceiling, a floor and two wall materials; the second wall is
// classified first, so it is the room's wall.
Room ClassifiedRoom(bool ceiling = true, bool floor = true, bool wall = true)
{
    FakeHost::Get().Reset();
    ResetSurfaceMaterialStore();
    Room room;
    room.ceiling = FakeHost::Get().AddMaterial(0.9f, 0.9f, 0.8f, "C:\\maps\\plaster.jpg");
    room.floor = FakeHost::Get().AddMaterial(0.5f, 0.3f, 0.1f, "oak_floor.jpg");
    room.wall = FakeHost::Get().AddMaterial(0.1f, 0.2f, 0.3f);
    room.secondWall = FakeHost::Get().AddMaterial(0.7f, 0.6f, 0.5f, "wallpaper_beige.jpg");
    if (wall)
        SetSurfaceClass(room.secondWall, Wall);
    if (floor)
        SetSurfaceClass(room.floor, Floor);
    if (ceiling)
        SetSurfaceClass(room.ceiling, Ceiling);
    if (wall)
        SetSurfaceClass(room.wall, Wall);
    return room;
}

// Types the three texts and presses OK.
std::function<void(CDialog&)> Fill(const std::string& name, const std::string& description,
                                   const std::string& category)
{
    return [=](CDialog& dialog) {
        Type(dialog, IDC_ADD_NAME, name);
        Type(dialog, IDC_ADD_DESCRIPTION, description);
        Type(dialog, IDC_ADD_CATEGORY, category);
        Click(dialog, IDOK);
    };
}

std::string Repeat(const std::string& text, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

CAddCombinationDlg& AsAdd(CDialog& dialog)
{
    return static_cast<CAddCombinationDlg&>(dialog);
}

class AddCombinationTest : public ::testing::Test {
protected:
    void SetUp() override { path = FreshFolder("add") + "Tintgrove.tgv"; }
    DialogTestUi ui;
    CombinationLibrary library;
    std::string path;
    const std::function<bool()> save = [this] { return WriteCombinationFile(path, library) != 0; };
    bool modified = false;
};

TEST_F(AddCombinationTest, MissingClassIsNamedAndNoDialogOpens)
{
    struct Case {
        bool ceiling, floor, wall;
        const char* word;
    };
    const Case cases[] = {
        {false, true, true, "顶棚"},
        {true, false, true, "地面"},
        {true, false, false, "地面"},
        {true, true, false, "墙面"},
        {false, false, false, "顶棚"},
    };
    for (const Case& c : cases) {
        ClassifiedRoom(c.ceiling, c.floor, c.wall);
        ui.boxes.clear();
        EXPECT_FALSE(RunAddCombination(nullptr, library, save, &modified));
        ASSERT_EQ(ui.boxes.size(), 1u);
        EXPECT_EQ(ui.boxes[0].text, std::string("存在没有指定的材料") + c.word + ",系统不能入库！");
        EXPECT_EQ(ui.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_OK));
    }
    EXPECT_TRUE(ui.dialogsSeen.empty());
    EXPECT_EQ(library.GetCount(), 0);
    EXPECT_FALSE(modified);
    EXPECT_FALSE(FileExists(path));
}

TEST_F(AddCombinationTest, NewCombinationIsAppendedFromTheFirstClassifiedMaterialsAndSaved)
{
    const Room room = ClassifiedRoom();
    library.Append(TestRecord("已有", "住宅/卧室/"));
    ui.dialogActions.push_back(Fill("明亮客厅", "暖色调的客厅", "住宅/客厅"));

    EXPECT_TRUE(RunAddCombination(nullptr, library, save, &modified));

    EXPECT_EQ(ui.dialogsSeen, std::vector<UINT>{IDD_ADD_COMBINATION});
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_TRUE(modified);
    ASSERT_EQ(library.GetCount(), 2);
    const CombinationRecord& added = library[1];
    EXPECT_EQ(FieldString(added.name), "明亮客厅");
    EXPECT_EQ(FieldString(added.roomCategory), "住宅/客厅/");
    EXPECT_EQ(FieldString(added.shortDescription), "暖色调的客厅");
    EXPECT_EQ(FieldString(added.longDescription), "No Des");
    EXPECT_EQ(FieldString(added.indexList1), "1,2,3,4,5");
    EXPECT_EQ(FieldString(added.materials[Ceiling].mapFile[0]), "C:\\maps\\plaster.jpg");
    EXPECT_EQ(FieldString(added.materials[Floor].mapFile[0]), "oak_floor.jpg");
    // The wall classified first wins, whatever else is classified as wall.
    EXPECT_EQ(FieldString(added.materials[Wall].mapFile[0]), "wallpaper_beige.jpg");
    EXPECT_FLOAT_EQ(added.materials[Wall].color[0], 0.7f);
    EXPECT_EQ(added.materials[Wall].params1[0], static_cast<int32_t>(room.secondWall * 100));

    // Saved at once: the signature and both records, byte for byte.
    EXPECT_EQ(ReadFileBytes(path), SignatureBytes() + RecordBytes(library[0]) + RecordBytes(library[1]));
}

TEST_F(AddCombinationTest, CategoryTreeOffersEveryCategoryOnceAndPickingFillsTheBox)
{
    ClassifiedRoom();
    library.Append(TestRecord("a", "住宅/客厅/"));
    library.Append(TestRecord("b", "住宅/卧室/"));
    library.Append(TestRecord("c", "办公/会议室/"));
    library.Append(TestRecord("d", "住宅/客厅/"));
    ui.dialogActions.push_back([](CDialog& dialog) {
        CComboTree& tree = AsAdd(dialog).categoryBox.Tree();
        HTREEITEM home = tree.GetRootItem();
        ASSERT_NE(home, nullptr);
        EXPECT_EQ(tree.GetItemText(home), "住宅");
        HTREEITEM office = tree.GetNextSiblingItem(home);
        ASSERT_NE(office, nullptr);
        EXPECT_EQ(tree.GetItemText(office), "办公");
        EXPECT_EQ(tree.GetNextSiblingItem(office), nullptr);
        HTREEITEM living = tree.GetChildItem(home);
        HTREEITEM bedroom = tree.GetNextSiblingItem(living);
        EXPECT_EQ(tree.GetItemText(living), "客厅");
        ASSERT_NE(bedroom, nullptr);
        EXPECT_EQ(tree.GetItemText(bedroom), "卧室");
        EXPECT_EQ(tree.GetNextSiblingItem(bedroom), nullptr);
        EXPECT_EQ(::GetFocus(), dialog.GetDlgItem(IDC_ADD_NAME));

        // Picking a second-level item shows its path without a final slash.
        tree.SelectItem(bedroom);
        dialog.SendMessage(WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(bedroom), 0);
        EXPECT_EQ(TextOf(dialog, IDC_ADD_CATEGORY), "住宅/卧室");
        Type(dialog, IDC_ADD_NAME, "e");
        Type(dialog, IDC_ADD_DESCRIPTION, "f");
        Click(dialog, IDOK);
    });

    EXPECT_TRUE(RunAddCombination(nullptr, library, save, &modified));
    ASSERT_EQ(library.GetCount(), 5);
    EXPECT_EQ(FieldString(library[4].roomCategory), "住宅/卧室/");
}

TEST_F(AddCombinationTest, InvalidInputKeepsTheDialogOpenAndEnterDoesNotClose)
{
    ClassifiedRoom();
    ui.dialogActions.push_back([this](CDialog& dialog) {
        Click(dialog, IDOK);  // all empty
        Type(dialog, IDC_ADD_DESCRIPTION, "说明");
        Type(dialog, IDC_ADD_CATEGORY, "住宅/客厅/");
        Click(dialog, IDOK);  // no name
        Type(dialog, IDC_ADD_NAME, "名称");
        Type(dialog, IDC_ADD_CATEGORY, std::string(51, 'x'));  // 51 characters
        Click(dialog, IDOK);
        Type(dialog, IDC_ADD_CATEGORY, "住宅/客厅");
        Type(dialog, IDC_ADD_NAME, std::string(98, 'n') + "名");  // 100 bytes
        Click(dialog, IDOK);
        Type(dialog, IDC_ADD_NAME, "名称");
        Type(dialog, IDC_ADD_DESCRIPTION, std::string(250, 'd') + Repeat("汉", 125));
        Click(dialog, IDOK);  // description of 250 + 250 bytes
        Type(dialog, IDC_ADD_DESCRIPTION, "说明");
        EXPECT_TRUE(::IsWindow(dialog.m_hWnd));

        // Enter in the name box, every field valid: swallowed, not OK.
        HWND nameBox = dialog.GetDlgItem(IDC_ADD_NAME);
        ::SetFocus(nameBox);
        ::PostMessageW(nameBox, WM_KEYDOWN, VK_RETURN, 1);
        ::PostMessageW(nameBox, WM_CHAR, VK_RETURN, 1);
        ::PostMessageW(nameBox, WM_KEYUP, VK_RETURN, 0xC0000001);
        fw::PumpMessages();
        EXPECT_EQ(ui.boxes.size(), 5u);
        // OK did not run: the members still hold what the last OK read.
        EXPECT_EQ(AsAdd(dialog).description.size(), 500u);
        EXPECT_EQ(AsAdd(dialog).category, "住宅/客厅");
        Click(dialog, IDCANCEL);
    });

    EXPECT_FALSE(RunAddCombination(nullptr, library, save, &modified));
    const std::string tooLongName = Format(kTextTooLongFormat, "组合名称", 99);
    const std::string tooLongDescription = Format(kTextTooLongFormat, "组合说明", 499);
    EXPECT_EQ(ui.BoxTexts(), (std::vector<std::string>{
                                 "配色方案的房间类别和方案说明都不应该为空！",
                                 "配色方案的房间类别和方案说明都不应该为空！",
                                 "“请填入不多于50个的字符。”",
                                 tooLongName,
                                 tooLongDescription,
                             }));
    EXPECT_EQ(ui.unexpectedDialogs, 0);
    EXPECT_EQ(library.GetCount(), 0);
    EXPECT_FALSE(modified);
    EXPECT_FALSE(FileExists(path));
}

TEST_F(AddCombinationTest, SameNameAndCategoryInOtherLetterCaseAsksAndReplacesInPlace)
{
    ClassifiedRoom();
    library.Append(TestRecord("Living", "Home/Room/", "old", "a long description"));
    library.Append(TestRecord("Other", "Home/Room/"));
    SetField(library[0].extraText2, "topic.htm");

    // Declined: nothing changes and nothing is written.
    ui.dialogActions.push_back(Fill("LIVING", "new", "home/ROOM"));
    ui.boxAnswers = {IDNO};
    EXPECT_FALSE(RunAddCombination(nullptr, library, save, &modified));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "相同名称、房间类别的组合已经存在，替换吗？");
    EXPECT_EQ(ui.boxes[0].caption, "请确认");
    EXPECT_EQ(ui.boxes[0].type & MB_TYPEMASK, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(FieldString(library[0].shortDescription), "old");
    EXPECT_FALSE(modified);
    EXPECT_FALSE(FileExists(path));

    // Accepted: rebuilt in place, every other field back to a new record's.
    ui.dialogActions.push_back(Fill("LIVING", "new", "home/ROOM/"));
    ui.boxAnswers = {IDYES};
    EXPECT_TRUE(RunAddCombination(nullptr, library, save, &modified));
    ASSERT_EQ(library.GetCount(), 2);
    EXPECT_EQ(FieldString(library[0].name), "LIVING");
    EXPECT_EQ(FieldString(library[0].roomCategory), "home/ROOM/");
    EXPECT_EQ(FieldString(library[0].shortDescription), "new");
    EXPECT_EQ(FieldString(library[0].longDescription), "No Des");
    EXPECT_EQ(FieldString(library[0].extraText2), "");
    EXPECT_EQ(FieldString(library[1].name), "Other");
    EXPECT_TRUE(modified);
    EXPECT_EQ(ReadFileBytes(path), SignatureBytes() + RecordBytes(library[0]) + RecordBytes(library[1]));
}

TEST_F(AddCombinationTest, ChangeMadeInMaintenanceIsKeptWhenTheDialogIsCancelled)
{
    ClassifiedRoom();
    library.Append(TestRecord("one", "c/"));
    library.Append(TestRecord("two", "c/"));
    ui.dialogActions.push_back([this](CDialog& dialog) {
        // First maintenance run deletes the loaded record, the second changes nothing.
        ui.dialogActions.push_back([this](CDialog& maintenance) {
            ui.boxAnswers.push_back(IDYES);
            Click(maintenance, IDC_MAINT_DELETE);
            Click(maintenance, IDOK);
        });
        Click(dialog, IDC_ADD_MAINTENANCE);
        EXPECT_EQ(AsAdd(dialog).libraryChanged, 1);
        ui.dialogActions.push_back([](CDialog& maintenance) { Click(maintenance, IDOK); });
        Click(dialog, IDC_ADD_MAINTENANCE);
        EXPECT_EQ(AsAdd(dialog).libraryChanged, 1);
        Click(dialog, IDCANCEL);
    });

    EXPECT_FALSE(RunAddCombination(nullptr, library, save, &modified));
    EXPECT_EQ(ui.dialogsSeen, (std::vector<UINT>{IDD_ADD_COMBINATION, IDD_LIBRARY_MAINTENANCE,
                                                 IDD_LIBRARY_MAINTENANCE}));
    ASSERT_EQ(library.GetCount(), 1);
    EXPECT_EQ(FieldString(library[0].name), "two");
    EXPECT_TRUE(modified);  // the panel saves it at close
}

// The panel saves what was recorded: a deletion in maintenance, then the
// rebuilt record with the bytes it replaced, all before the save runs.
TEST_F(AddCombinationTest, MaintenanceAndReplaceAreRecordedBeforeTheSave)
{
    ClassifiedRoom();
    library.Append(TestRecord("one", "c/"));
    library.Append(TestRecord("two", "c/", "old"));
    const CombinationRecord two = library[1];
    LibraryChanges recorded;
    std::size_t recordedAtSave = 0;
    const auto countingSave = [&] {
        recordedAtSave = recorded.Items().size();
        return true;
    };
    ui.dialogActions.push_back([this](CDialog& dialog) {
        ui.dialogActions.push_back([this](CDialog& maintenance) {
            ui.boxAnswers.push_back(IDYES);
            Click(maintenance, IDC_MAINT_DELETE);  // "one", loaded first
            Click(maintenance, IDOK);
        });
        Click(dialog, IDC_ADD_MAINTENANCE);
        Fill("two", "new", "c")(dialog);
    });
    ui.boxAnswers.push_back(IDYES);
    EXPECT_TRUE(RunAddCombination(nullptr, library, countingSave, &modified, &recorded));
    ASSERT_EQ(recorded.Items().size(), 2u);
    EXPECT_EQ(recordedAtSave, 2u);
    EXPECT_EQ(recorded.Items()[0].kind, LibraryChange::Kind::Delete);
    EXPECT_EQ(FieldString(recorded.Items()[0].before.name), "one");
    EXPECT_EQ(recorded.Items()[1].kind, LibraryChange::Kind::Change);
    EXPECT_TRUE(SameRecord(recorded.Items()[1].before, two));
    EXPECT_TRUE(SameRecord(recorded.Items()[1].after, library[0]));
}

}  // namespace
