// The tgv tool driven through its command runner, on real files in a
// scratch folder. Arguments and output are UTF-8 (u8 literals); record texts
// laid out by hand are code page 936 (plain literals).
#include "ReadFaults.h"
#include "ReadableForm.h"
#include "TgvTestSupport.h"

#include <cmath>
#include <limits>
#include <set>

TEST_F(TgvTest, StarterLibraryRoundTripsThroughTheReadableForm)
{
    ASSERT_EQ(Run({"build", StarterSource(), "-o", P("a.tgv")}), 0) << err;
    ASSERT_EQ(Run({"dump", P("a.tgv"), "-o", P("b.json")}), 0) << err;
    ASSERT_EQ(Run({"build", P("b.json"), "-o", P("c.tgv")}), 0) << err;
    const Bytes a = ReadBytes("a.tgv");
    EXPECT_EQ(a, ReadBytes("c.tgv"));
    ASSERT_GE(a.size(), 32u + 30 * 12480u);

    CombinationLibrary lib;
    ASSERT_EQ(ReadCombinationFile(P("a.tgv"), lib), 1);
    std::vector<std::string> categories;
    ListRoomCategories(lib, categories);
    EXPECT_GE(categories.size(), 8u);
    EXPECT_EQ(Run({"check", P("a.tgv")}), 0) << out;
    EXPECT_EQ(Run({"info", P("a.tgv")}), 0);
    EXPECT_NE(out.find("problems:   0"), std::string::npos);
}

TEST_F(TgvTest, EveryStarterCombinationCarriesItsOwnChineseLongDescription)
{
    ASSERT_EQ(Run({"build", StarterSource(), "-o", P("a.tgv")}), 0) << err;
    CombinationLibrary lib;
    ASSERT_EQ(ReadCombinationFile(P("a.tgv"), lib), 1);
    std::set<std::string> seen;
    for (const CombinationRecord& record : lib) {
        const std::string text = FieldString(record.longDescription);
        EXPECT_NE(text, "No Des") << FieldString(record.name);
        // Real sentences in code page 936 (double-byte characters), not a placeholder.
        EXPECT_GE(text.size(), 40u) << FieldString(record.name);
        EXPECT_GE(static_cast<unsigned char>(text[0]), 0x81u) << FieldString(record.name);
        EXPECT_TRUE(seen.insert(text).second) << "repeated for " << FieldString(record.name);
    }
}

TEST_F(TgvTest, EveryByteOfAnOddRecordSurvivesDumpAndBuild)
{
    Bytes r = RecordBytes("名称", "住宅/客厅/", "说明");
    std::memset(r.data() + kName, 'n', 100);                 // no terminator at all
    Put(r, kShort, "\x81\x30 bad\xFF");                      // not code page 936
    PutF32(r, kSlots + kColor, -0.0f);
    PutF32(r, kSlots + kColor + 4, std::numeric_limits<float>::quiet_NaN());
    PutF32(r, kSlots + kColor + 8, 0.1f);
    PutF64(r, kSlots + kVector, std::numeric_limits<double>::infinity());
    PutF64(r, kSlots + kVector + 8, 1e-300);
    PutF64(r, kSlots + kVector + 16, 0.30000000000000004);
    PutU32(r, kSlots + kParams1, 0xFFFFFFFF);
    PutU32(r, kSlots + 2 * kSlot + kSlotWord, 0x80000000);
    PutU32(r, kSlots + kSlot + kTriples + 68, 12345);
    Put(r, kSlots + kSlot + 4 * 512, "D:\\贴图\\wood.jpg");
    WriteBytes("odd.tgv", FileBytes({r, RecordBytes("b", "c/")}));
    ASSERT_EQ(Run({"dump", P("odd.tgv"), "-o", P("odd.json")}), 0) << err;
    // Check would report its texts, so only a build told to keep them writes it.
    ASSERT_EQ(Run({"build", P("odd.json"), "-o", P("back.tgv")}), 2);
    ASSERT_EQ(Run({"build", P("odd.json"), "-o", P("back.tgv"), "--allow-problems"}), 0) << err;
    EXPECT_EQ(ReadBytes("back.tgv"), ReadBytes("odd.tgv"));
}

TEST_F(TgvTest, BuildReportsErrorsClearly)
{
    const auto build = [&](const std::string& json) {
        WriteText("s.json", json);
        return Run({"build", P("s.json"), "-o", P("x.tgv")});
    };
    EXPECT_EQ(build(R"({"records": [{"name": "a"}]})"), 2);
    EXPECT_NE(err.find("needs \"name\" and \"roomCategory\""), std::string::npos) << err;
    EXPECT_EQ(build(R"({"records": [{"name": "a", "roomCategory": "b/", "colour": 1}]})"), 2);
    EXPECT_NE(err.find("unknown member \"colour\""), std::string::npos) << err;
    EXPECT_EQ(build("{\"records\": [{\"name\": \"" + std::string(101, 'x') + "\", \"roomCategory\": \"b/\"}]}"), 2);
    EXPECT_NE(err.find("longer than 100 bytes"), std::string::npos) << err;
    EXPECT_EQ(build("{\"records\": [{\"name\": \"\xF0\x9F\x98\x80\", \"roomCategory\": \"b/\"}]}"), 2);
    EXPECT_NE(err.find("no code page 936 form"), std::string::npos) << err;
    EXPECT_EQ(build(R"({"records": [{"name": "a", "roomCategory": "b/", "wall": {"color": [1, 2]}}]})"), 2);
    EXPECT_NE(err.find("record 1 (a), wall.color: expected 3 values"), std::string::npos) << err;
    EXPECT_EQ(build(R"({"records": [)"), 2);
    EXPECT_FALSE(fs::exists(dir / "x.tgv"));

    // Left-out members take a new record's values.
    EXPECT_EQ(build(R"({"records": [{"name": "a", "roomCategory": "b/"}]})"), 0) << err;
    Bytes expected = RecordBytes("a", "b/");
    Put(expected, kIndex1, "1,2,3,4,5");
    Put(expected, kIndex2, "1,2,3,4,5");
    Put(expected, kLong, "No Des");
    EXPECT_EQ(ReadBytes("x.tgv"), FileBytes({expected}));
}

TEST_F(TgvTest, BadFilesGiveAMessageAndAFailingExit)
{
    WriteBytes("wrong.tgv", Bytes(64, 'x'));
    WriteBytes("empty.tgv", Bytes());
    for (const char* command : {"info", "list", "check", "dump"}) {
        EXPECT_EQ(Run({command, P("wrong.tgv")}), 2) << command;
        EXPECT_EQ(err, "tgv: " + P("wrong.tgv") +
                           ": not a Tintgrove library or exchange file (it lacks the signature \"ZK_Tintgrove_V1.0\")\n");
        EXPECT_EQ(Run({command, P("empty.tgv")}), 2) << command;
        EXPECT_EQ(Run({command, P("missing.tgv")}), 2) << command;
        EXPECT_NE(err.find("cannot open the file"), std::string::npos) << err;
        EXPECT_EQ(Run({command, dir.u8string()}), 2) << command;
    }
    EXPECT_EQ(Run({"nonsense"}), 2);
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_NE(out.find("textures"), std::string::npos);
    EXPECT_EQ(Run({"show", P("wrong.tgv"), "--name", "x"}), 2);  // --name needs --category
}

TEST_F(TgvTest, CheckListsEveryKindOfProblem)
{
    Bytes noTerm = RecordBytes("", "a/");
    std::memset(noTerm.data() + kCategory, 'c', 500);
    Bytes fragment = FileBytes({RecordBytes("Dup", "Room/"), RecordBytes("dup", "ROOM/"), RecordBytes("x", "no-slash"),
                                RecordBytes("bad\xFF", "a/"), noTerm});
    fragment.resize(fragment.size() + 100);
    WriteBytes("p.tgv", fragment);
    EXPECT_EQ(Run({"check", P("p.tgv")}), 1);
    EXPECT_NE(out.find("record 2 (dup): same name and category as record 1"), std::string::npos) << out;
    EXPECT_NE(out.find("record 3 (x): category \"no-slash\" does not end in \"/\""), std::string::npos) << out;
    EXPECT_NE(out.find("record 4 (bad\\xFF): name is not valid code page 936 text"), std::string::npos) << out;
    EXPECT_NE(out.find("record 5 (): roomCategory has no terminator within its 500 bytes"), std::string::npos) << out;
    EXPECT_NE(out.find("fragment of 100 bytes"), std::string::npos) << out;
    EXPECT_EQ(Run({"info", P("p.tgv")}), 0);
    EXPECT_NE(out.find("records:    5"), std::string::npos) << out;
    EXPECT_NE(out.find("fragment:   100 bytes"), std::string::npos) << out;
}

TEST_F(TgvTest, ListShowsTheCategoryTree)
{
    WriteBytes("l.tgv", FileBytes({RecordBytes("甲", "住宅/客厅/"), RecordBytes("乙", "住宅/卧室/"),
                                   RecordBytes("丙", "住宅/客厅/"), RecordBytes("丁", "办公/会议室/")}));
    ASSERT_EQ(Run({"list", P("l.tgv")}), 0) << err;
    EXPECT_EQ(out, u8"住宅/\n  客厅/\n    1 甲\n    3 丙\n  卧室/\n    2 乙\n办公/\n  会议室/\n    4 丁\n");
    ASSERT_EQ(Run({"show", P("l.tgv"), "--name", u8"丙", "--category", u8"住宅/客厅/"}), 0) << err;
    EXPECT_EQ(out.rfind(u8"{\n  \"name\": \"丙\",\n  \"roomCategory\": \"住宅/客厅/\",", 0), 0u) << out;
    // The compact form, as dump writes the record; --full for every member.
    Run({"dump", P("l.tgv")});
    const std::string dumped = out;
    ASSERT_EQ(Run({"show", P("l.tgv"), "--index", "3"}), 0) << err;
    std::string indented;  // the record as it stands in the dump, four spaces in
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        indented += (indented.empty() ? "    " : "\n    ") + line;
    EXPECT_NE(dumped.find(indented), std::string::npos) << out;
    EXPECT_EQ(out.find("params1"), std::string::npos) << out;
    ASSERT_EQ(Run({"show", P("l.tgv"), "--index", "3", "--full"}), 0) << err;
    EXPECT_NE(out.find("\"params1\": [0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0],"), std::string::npos) << out;
    EXPECT_EQ(Run({"show", P("l.tgv"), "--index", "5"}), 1);
    EXPECT_EQ(err, "tgv: there is no record 5; " + P("l.tgv") + " has 4 records (numbered 1-4)\n");
}

TEST_F(TgvTest, MergePolicies)
{
    const Bytes library = FileBytes({RecordBytes("A", "x/", "old a"), RecordBytes("B", "x/", "old b")});
    WriteBytes("in.tgv", FileBytes({RecordBytes("a", "X/", "new a"), RecordBytes("C", "x/", "c"),
                                    RecordBytes("B", "x/", "new b")}));
    WriteBytes("lib.tgv", library);
    ASSERT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "--conflicts", "skip", "-o", P("skip.tgv")}), 0) << err;
    EXPECT_EQ(out, "added 1, replaced 0\n");
    EXPECT_EQ(ReadBytes("lib.tgv"), library);
    ASSERT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "--conflicts", "cancel"}), 1);
    EXPECT_EQ(ReadBytes("lib.tgv"), library);  // nothing written
    terminal = true;
    ASSERT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "--conflicts", "ask"}, "maybe\nn\ny\n"), 0) << err;
    terminal = false;
    EXPECT_NE(out.find("added 1, replaced 1"), std::string::npos) << out;
    CombinationLibrary merged;
    ASSERT_EQ(ReadCombinationFile(P("lib.tgv"), merged), 1);
    ASSERT_EQ(merged.GetCount(), 3);
    EXPECT_EQ(FieldView(merged[0].shortDescription), "old a");
    EXPECT_EQ(FieldView(merged[1].shortDescription), "new b");
    EXPECT_EQ(FieldView(merged[2].shortDescription), "c");
    // A missing library is created; merging the same file again replaces all.
    ASSERT_EQ(Run({"merge", P("new.tgv"), P("in.tgv"), "--conflicts", "replace"}), 0) << err;
    EXPECT_EQ(out, "added 3, replaced 0\n");
    ASSERT_EQ(Run({"merge", P("new.tgv"), P("in.tgv"), "--conflicts", "replace"}), 0) << err;
    EXPECT_EQ(out, "added 0, replaced 3\n");
    EXPECT_EQ(ReadBytes("new.tgv"), ReadBytes("in.tgv"));
    EXPECT_EQ(Run({"merge", P("lib.tgv"), P("lib.tgv"), "--conflicts", "wrong"}), 2);
}

// A library that cannot be read completely is never taken for a smaller
// one: every command fails with the reason, and merge writes nothing over it.
TEST_F(TgvTest, AnIncompleteReadFailsAndWritesNothing)
{
    const Bytes library = FileBytes({RecordBytes("A", "x/"), RecordBytes("B", "x/"), RecordBytes("C", "x/")});
    WriteBytes("lib.tgv", library);
    WriteBytes("in.tgv", FileBytes({RecordBytes("D", "x/")}));
    ReadFaultLayer faults(PlatformFiles());
    UseFileLayer use{faults};
    faults.failAt = kSignature + kRecord + 10;
    for (const char* command : {"info", "list", "check", "dump"}) {
        EXPECT_EQ(Run({command, P("lib.tgv")}), 2) << command;
        EXPECT_NE(err.find("read error after 1 of 3 records"), std::string::npos) << err;
    }
    EXPECT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "--conflicts", "replace"}), 2);
    EXPECT_NE(err.find("lib.tgv: read error after 1 of 3 records"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes("lib.tgv"), library);
    faults.throwInstead = true;  // running out of memory part-way
    EXPECT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "--conflicts", "replace"}), 2);
    EXPECT_NE(err.find("lib.tgv: not enough memory after 1 of 3 records"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes("lib.tgv"), library);
    faults.throwInstead = false;

    // The exchange file failing: nothing merged, nothing written.
    WriteBytes("small.tgv", FileBytes({RecordBytes("A", "x/")}));
    WriteBytes("in.tgv", FileBytes({RecordBytes("D", "x/"), RecordBytes("E", "x/")}));
    faults.failAt = kSignature + kRecord + 10;
    EXPECT_EQ(Run({"merge", P("small.tgv"), P("in.tgv"), "--conflicts", "replace"}), 2);
    EXPECT_NE(err.find("in.tgv: read error after "),
              std::string::npos) << err;
    EXPECT_EQ(ReadBytes("small.tgv"), FileBytes({RecordBytes("A", "x/")}));
}

TEST_F(TgvTest, AReadOnlyLibraryIsRefused)
{
    const Bytes library = FileBytes({RecordBytes("A", "x/")});
    WriteBytes("lib.tgv", library);
    WriteBytes("in.tgv", FileBytes({RecordBytes("D", "x/")}));
    fs::permissions(dir / "lib.tgv", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "--conflicts", "replace"}), 2);
    EXPECT_NE(err.find("lib.tgv: the file is read-only; it was left as it was"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes("lib.tgv"), library);
    fs::permissions(dir / "lib.tgv", fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "--conflicts", "replace"}), 0) << err;
}

TEST_F(TgvTest, TexturesAreCollectedFromSearchFolders)
{
    fs::create_directories(dir / "maps1");
    fs::create_directories(dir / "maps2");
    fs::create_directories(dir / "out");
    WriteText("maps2/wood.jpg", "wood");
    WriteText("maps1/stone.jpg", "stone");
    Bytes r = RecordBytes("a", "b/");
    Put(r, kSlots, "wood.jpg");
    Put(r, kSlots + kSlot, "C:\\nowhere\\stone.jpg");
    Put(r, kSlots + 2 * kSlot, "missing.jpg");
    Put(r, kSlots + 2 * kSlot + 512, "..\\..\\escape.jpg\\..");
    WriteBytes("t.tgv", FileBytes({r}));
    ASSERT_EQ(Run({"textures", P("t.tgv"), "--to", P("out"), "-s", P("maps1"), "-s", P("maps2")}), 1) << err;
    EXPECT_EQ(out.substr(0, out.find('\n')), "copied 2, already present 0, not found 2");
    EXPECT_EQ(ReadBytes("out/wood.jpg"), (Bytes{'w', 'o', 'o', 'd'}));
    EXPECT_TRUE(fs::exists(dir / "out" / "stone.jpg"));
    EXPECT_EQ(ReadBytes(u8"out/没有找到的贴图.txt").size(), std::string("missing.jpg\r\n..\\..\\escape.jpg\\..\r\n").size());
    EXPECT_EQ(err, "");  // one language per stream: no message of the plug-in's
    // A folder that is not there is made, with its parents; a file in the way is said so.
    EXPECT_EQ(Run({"textures", P("t.tgv"), "--to", P("new/maps"), "-s", P("maps1"), "-s", P("maps2")}), 1) << err;
    EXPECT_TRUE(fs::exists(dir / "new" / "maps" / "wood.jpg"));
    EXPECT_EQ(Run({"textures", P("t.tgv"), "--to", P("t.tgv")}), 2);
    EXPECT_EQ(err, "tgv: " + P("t.tgv") + ": the folder cannot be created (a file of that name, or no right to write)\n");
}
