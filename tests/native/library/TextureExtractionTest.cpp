#include "LibraryTestSupport.h"
#include "MemoryFileLayer.h"
#include "TextureExtraction.h"

#include <gtest/gtest.h>

#include <map>

using namespace testlib;

namespace {

// A file system of names and a registry of keys, both in memory.
class FakeTextures : public TexturePlatform {
public:
    std::set<std::string> files;
    std::vector<std::string> copies;  // "from>to" of every successful copy
    std::vector<std::string> opened;  // the source of every copy tried
    std::vector<std::string> existsAsked;
    std::map<std::string, std::string> values;                 // "hive|key|value" -> text
    std::map<std::string, std::vector<std::string>> subkeys;   // "hive|key" -> names

    static std::string H(Hive h) { return h == Hive::LocalMachine ? "HKLM" : "HKCU"; }

    bool FileExists(const std::string& path) override
    {
        existsAsked.push_back(path);
        return files.count(path) > 0;
    }
    bool CopyNoOverwrite(const std::string& from, const std::string& to) override
    {
        opened.push_back(from);
        if (!files.count(from) || files.count(to))
            return false;
        files.insert(to);
        copies.push_back(from + ">" + to);
        return true;
    }
    bool CreateFolder(const std::string&) override { return true; }
    bool ReadRegistryString(Hive hive, const std::string& key, const std::string& value, std::size_t maxBytes,
                            std::string& out) override
    {
        auto it = values.find(H(hive) + "|" + key + "|" + value);
        if (it == values.end() || it->second.size() + 1 > maxBytes)
            return false;
        out = it->second;
        return true;
    }
    EnumResult EnumRegistrySubkey(Hive hive, const std::string& key, unsigned index, std::size_t maxBytes,
                                  std::string& out) override
    {
        auto it = subkeys.find(H(hive) + "|" + key);
        if (it == subkeys.end())
            return EnumResult::Failed;
        if (index >= it->second.size())
            return EnumResult::NoMore;
        out = it->second[index];
        return out.size() + 1 > maxBytes ? EnumResult::TooLong : EnumResult::Found;
    }

    void AddProfile(const std::string& profile, const std::string& aveMaps)
    {
        values["HKLM|SOFTWARE\\Autodesk\\AutoCAD\\R14.0|CurVer"] = "ACAD-1";
        const std::string profiles = "Software\\Autodesk\\AutoCAD\\R14.0\\ACAD-1\\Profiles";
        subkeys["HKCU|" + profiles].push_back(profile);
        values["HKCU|" + profiles + "\\" + profile + "\\General|AVEMAPS"] = aveMaps;
    }
};

struct ExtractionTest : ::testing::Test {
    FakeTextures fake;
    TexturePlatform* previous = SetTexturePlatform(&fake);
    MemoryFileLayer memory;
    UseFileLayer use{memory};
    PromptLog prompts;
    ~ExtractionTest() override { SetTexturePlatform(previous); }

    std::string List() const
    {
        auto it = memory.files.find("T\\没有找到的贴图.txt");
        return it == memory.files.end() ? "<none>" : std::string(it->second.begin(), it->second.end());
    }
};

CombinationRecord WithMaps(std::vector<std::pair<int, std::string>> maps)
{
    CombinationRecord r = MakeRecord("n", "c/");
    int i = 0;
    for (auto& [slot, name] : maps)
        SetField(r.materials[slot].mapFile[i++ % 6], name);
    return r;
}

}  // namespace

TEST_F(ExtractionTest, FileNamePartIsAfterTheLastRealBackslash)
{
    EXPECT_EQ(FileNamePart("C:\\maps\\wood.jpg"), "wood.jpg");
    EXPECT_EQ(FileNamePart("wood.jpg"), "wood.jpg");
    EXPECT_EQ(FileNamePart("a/b.jpg"), "a/b.jpg");
    EXPECT_EQ(FileNamePart("C:\\图\\\xD5\x5C.jpg"), "\xD5\x5C.jpg");  // trail byte 0x5C is no separator
    EXPECT_EQ(FileNamePart("dir\\"), "");
}

TEST_F(ExtractionTest, RegistryFoldersInProfileOrderWithEmptyPieces)
{
    fake.AddProfile("p1", "C:\\a;D:\\b;");
    fake.AddProfile(std::string(80, 'L'), "C:\\skipped");  // name too long for its buffer
    fake.AddProfile("p3", std::string(250, 'x') + ";E:\\e");  // first piece too long
    fake.AddProfile("p4", "F:\\f");
    fake.values.erase("HKCU|Software\\Autodesk\\AutoCAD\\R14.0\\ACAD-1\\Profiles\\p4\\General|AVEMAPS");
    std::vector<std::string> folders = {"stale"};
    EXPECT_EQ(GetAutoCadMapFolders(folders), 1);
    EXPECT_EQ(folders, (std::vector<std::string>{"C:\\a", "D:\\b", "", "E:\\e"}));

    FakeTextures none;
    SetTexturePlatform(&none);
    EXPECT_EQ(GetAutoCadMapFolders(folders), 0);
    EXPECT_TRUE(folders.empty());
    none.values["HKLM|SOFTWARE\\Autodesk\\AutoCAD\\R14.0|CurVer"] = "ACAD-1";
    none.subkeys["HKCU|Software\\Autodesk\\AutoCAD\\R14.0\\ACAD-1\\Profiles"] = {};
    EXPECT_EQ(GetAutoCadMapFolders(folders), 0);  // not even a first profile
    none.values["HKLM|SOFTWARE\\Autodesk\\AutoCAD\\R14.0|CurVer"] = std::string(80, 'v');
    EXPECT_EQ(GetAutoCadMapFolders(folders), 0);  // CurVer longer than its buffer
    SetTexturePlatform(&fake);
}

TEST_F(ExtractionTest, SearchOrderAndNotFoundList)
{
    fake.AddProfile("p", "F1;F2;F3");
    fake.files = {"F2\\wood.jpg", "F3\\wood.jpg", "C:\\m\\stone.jpg", "F1\\tile.bmp", "F3\\fabric_linen.jpg"};
    CombinationLibrary lib;
    lib.Append(WithMaps({{0, "wood.jpg"}, {1, "C:\\m\\stone.jpg"}, {2, "D:\\gone\\tile.bmp"}}));
    lib.Append(WithMaps({{0, "missing.jpg"}, {2, "wood.jpg"}, {1, "missing.jpg"}, {0, "a/fabric_linen.jpg"}}));
    const ExtractionResult r = ExtractLibraryTextures(lib, "T\\");
    EXPECT_EQ(fake.copies, (std::vector<std::string>{"F2\\wood.jpg>T\\wood.jpg", "C:\\m\\stone.jpg>T\\stone.jpg",
                                                     "F1\\tile.bmp>T\\tile.bmp"}));
    // The stored path was tried directly, without a look into the folders.
    EXPECT_EQ(fake.existsAsked[0], "F1\\wood.jpg");
    EXPECT_EQ(fake.existsAsked[1], "F2\\wood.jpg");
    EXPECT_EQ(fake.existsAsked[2], "F1\\tile.bmp");
    // Slot by slot, map by map; a forward slash makes no path; the second
    // wood.jpg finds its target taken.
    EXPECT_EQ(List(), "missing.jpg\r\na/fabric_linen.jpg\r\nwood.jpg\r\n");
    EXPECT_EQ(r.copied, 3);
    EXPECT_EQ(r.notFound, 3);
    EXPECT_EQ(prompts.Texts(),
              std::vector<std::string>{"系统已经把所有找到的图片放在T\\目录里，其余请见<没有找到的贴图.txt>"});
}

TEST_F(ExtractionTest, WholeRunEmptiesTheListAndRecordRunsAppend)
{
    memory.files["T\\没有找到的贴图.txt"] = Bytes{'o', 'l', 'd', '\r', '\n'};
    const CombinationRecord rec = WithMaps({{0, "x.jpg"}, {1, "x.jpg"}});
    ExtractRecordTextures(rec, "T\\");
    EXPECT_EQ(List(), "old\r\nx.jpg\r\n");
    ExtractRecordTextures(rec, "T\\");
    EXPECT_EQ(List(), "old\r\nx.jpg\r\nx.jpg\r\n");  // once per run
    CombinationLibrary lib;
    lib.Append(rec);
    ExtractLibraryTextures(lib, "T\\", {});
    EXPECT_EQ(List(), "x.jpg\r\n");
    EXPECT_EQ(prompts.Texts().size(), 3u);
}

TEST_F(ExtractionTest, NamesThatWouldLeaveTheTargetAreNeverCopied)
{
    fake.AddProfile("p", "F");
    fake.files = {"F\\..", "x\\..", "F\\", "F\\C:evil", "F\\a:b"};
    for (const char* bad : {"x\\..", "x\\.", "x\\", "..", "C:evil", "x\\a:b", "..\\..\\a/../../b"}) {
        fake.copies.clear();
        std::set<std::string> listed;
        ExtractionResult r;
        CopyMapFile(bad, "T\\", nullptr, listed, {"F"}, r);
        EXPECT_TRUE(fake.copies.empty()) << bad;
        EXPECT_EQ(r.notFound, 1) << bad;
    }
}

// Windows reads '/' as '\\': a stored path that starts with either names a
// root or another machine's share and is never opened, whatever follows.
TEST_F(ExtractionTest, ASlashIsJudgedLikeABackslash)
{
    fake.AddProfile("p", "F");
    fake.files = {"F\\u.jpg", "//srv/share\\u.jpg", "/\\srv\\share\\v.jpg", "\\/srv\\w.jpg", "/x", "a/../../b"};
    for (const char* stored : {"//srv/share\\u.jpg", "/\\srv\\share\\v.jpg", "\\/srv\\w.jpg"}) {
        fake.opened.clear();
        std::set<std::string> listed;
        ExtractionResult r;
        CopyMapFile(stored, "T\\", nullptr, listed, {"F"}, r);
        for (const std::string& source : fake.opened)
            EXPECT_EQ(source.rfind("F\\", 0), 0u) << stored << " opened " << source;
    }
    EXPECT_EQ(fake.copies, std::vector<std::string>{"F\\u.jpg>T\\u.jpg"});  // found in the search folder instead

    for (const char* stored : {"/x", "a/../../b", "C:/x", "x\\a/..", "x\\/"}) {
        fake.opened.clear();
        std::set<std::string> listed;
        ExtractionResult r;
        CopyMapFile(stored, "T\\", nullptr, listed, {"F"}, r);
        EXPECT_TRUE(fake.opened.empty()) << stored;
        EXPECT_EQ(r.notFound, 1) << stored;
    }
}

// Names Windows would take for the target folder itself, its parent or a
// device, and bytes that are not code page 936 text, are listed, not copied.
TEST_F(ExtractionTest, NamesWindowsReadsOtherwiseAreNeverCopied)
{
    fake.AddProfile("p", "F");
    const std::vector<std::string> names{" ", "...", ". .", ".. ", "x\\.. .", "CON", "con.txt", "Nul .jpg", "COM1",
                                         "lpt9.bmp", "\x81/x.jpg", "\x80.jpg", "a\xFF.jpg", "b\x81"};
    for (const std::string& name : names)
        fake.files.insert("F\\" + FileNamePart(name));
    for (const std::string& name : names) {
        fake.opened.clear();
        std::set<std::string> listed;
        ExtractionResult r;
        CopyMapFile(name, "T\\", nullptr, listed, {"F"}, r);
        EXPECT_TRUE(fake.opened.empty()) << name;
        EXPECT_EQ(r.notFound, 1) << name;
    }
    // Near misses are ordinary names.
    fake.files = {"F\\console.jpg", "F\\com10.jpg", "F\\a..jpg", "F\\\xD5\x5C.jpg"};
    for (const char* name : {"console.jpg", "com10.jpg", "a..jpg", "\xD5\x5C.jpg"}) {
        std::set<std::string> listed;
        ExtractionResult r;
        CopyMapFile(name, "T\\", nullptr, listed, {"F"}, r);
        EXPECT_EQ(r.copied, 1) << name;
    }
}

TEST_F(ExtractionTest, EmptyFolderPieceSearchesTheDriveRoot)
{
    fake.AddProfile("p", "F;");
    fake.files = {"\\root.jpg"};
    CombinationLibrary lib;
    lib.Append(WithMaps({{0, "root.jpg"}}));
    ExtractLibraryTextures(lib, "T\\");
    EXPECT_EQ(fake.copies, std::vector<std::string>{"\\root.jpg>T\\root.jpg"});
    EXPECT_EQ(List(), "");
}

TEST_F(ExtractionTest, FindMapFileLooksWhereTheCopyWould)
{
    const std::vector<std::string> folders = {"A", "B", "C"};
    fake.files = {"B\\wood.jpg", "C\\wood.jpg", "D:\\own\\stone.jpg", "C\\stone.jpg"};
    // A bare name: the first search folder that holds it.
    EXPECT_EQ(FindMapFile("wood.jpg", folders), "B\\wood.jpg");
    // A stored path whose file is there wins over the folders.
    EXPECT_EQ(FindMapFile("D:\\own\\stone.jpg", folders), "D:\\own\\stone.jpg");
    // A stored path whose file is missing falls back to the folders by file name.
    EXPECT_EQ(FindMapFile("E:\\gone\\wood.jpg", folders), "B\\wood.jpg");
    // Nowhere, no folders, or a name that is no file name: none.
    EXPECT_EQ(FindMapFile("tile.bmp", folders), "");
    EXPECT_EQ(FindMapFile("wood.jpg", {}), "");
    EXPECT_EQ(FindMapFile("x\\..", folders), "");
    EXPECT_EQ(FindMapFile("a/wood.jpg", {"B"}), "");
}
