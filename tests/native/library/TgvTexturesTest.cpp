// tgv textures: what it counts, what it writes into the target folder, and
// what it never does (leave a partial copy, write through a link, open a
// share a file names).
#include "TextureExtraction.h"
#include "TgvTestSupport.h"

namespace {

// The system's own texture platform, except that chosen copies fail after
// writing part of the file (a full disk), and every path looked at is noted.
class FullDiskTextures : public TexturePlatform {
public:
    TexturePlatform& system = SystemTexturePlatform();
    std::string failFrom;  // copies from a source containing this fail
    std::vector<std::string> looked;

    bool FileExists(const std::string& path) override
    {
        looked.push_back(path);
        return system.FileExists(path);
    }
    bool CopyNoOverwrite(const std::string& from, const std::string& to) override
    {
        looked.push_back(from);
        if (!failFrom.empty() && from.find(failFrom) != std::string::npos) {
            std::unique_ptr<File> partial = Files().Open(to, OpenMode::CreateNew);
            if (partial)
                partial->Write("par", 3);
            return false;
        }
        return system.CopyNoOverwrite(from, to);
    }
    bool CreateFolder(const std::string& path) override { return system.CreateFolder(path); }
    bool ReadRegistryString(Hive, const std::string&, const std::string&, std::size_t, std::string&) override
    {
        return false;
    }
    EnumResult EnumRegistrySubkey(Hive, const std::string&, unsigned, std::size_t, std::string&) override
    {
        return EnumResult::Failed;
    }
};

struct UseTextures {
    explicit UseTextures(TexturePlatform& p) : previous(SetTexturePlatform(&p)) {}
    ~UseTextures() { SetTexturePlatform(previous == &SystemTexturePlatform() ? nullptr : previous); }
    TexturePlatform* previous;
};

struct TgvTexturesTest : TgvTest {
    void SetUp() override
    {
        TgvTest::SetUp();
        fs::create_directories(dir / "maps");
        fs::create_directories(dir / "other");
        fs::create_directories(dir / "out");
        WriteText("maps/wood.jpg", "wood");
        WriteText("maps/stone.jpg", "stone");
        WriteText("other/wood.jpg", "another wood");
        // Two records share wood.jpg; one names a file found nowhere.
        Bytes a = RecordBytes("a", "b/"), b = RecordBytes("b", "b/");
        Put(a, kSlots, "wood.jpg");
        Put(a, kSlots + kSlot, "stone.jpg");
        Put(b, kSlots + 2 * kSlot, "wood.jpg");
        Put(b, kSlots + kSlot, "missing.jpg");
        WriteBytes("t.tgv", FileBytes({a, b}));
    }
    std::vector<std::string> OutFiles()
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir / "out"))
            names.push_back(e.path().filename().u8string());
        std::sort(names.begin(), names.end());
        return names;
    }
    const std::string notFound = u8"没有找到的贴图.txt";
};

}  // namespace

TEST_F(TgvTexturesTest, CountsCopiedPresentAndNotFoundApart)
{
    const std::vector<std::string> args = {"textures", P("t.tgv"), "--to", P("out"), "-s", P("maps")};
    EXPECT_EQ(Run(args), 1);
    EXPECT_EQ(out, "copied 2, already present 0, not found 1\nnot found: listed in " +
                       (dir / "out" / fs::u8path(notFound)).u8string() + "\n");
    EXPECT_EQ(ReadText("out/" + notFound), "missing.jpg\r\n");
    // Run again: the copies are there with the same bytes.
    EXPECT_EQ(Run(args), 1);
    EXPECT_EQ(out.substr(0, out.find('\n')), "copied 0, already present 2, not found 1");
    EXPECT_EQ(ReadText("out/" + notFound), "missing.jpg\r\n");
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"stone.jpg", "wood.jpg", notFound}));

    // A file of the same name with other bytes is kept unless told otherwise.
    const std::vector<std::string> fromOther = {"textures", P("t.tgv"), "--to", P("out"), "-s", P("other"), "-s", P("maps")};
    EXPECT_EQ(Run(fromOther), 1);
    EXPECT_EQ(out.substr(0, out.find('\n')), "copied 0, already present 1, different and kept 1, not found 1");
    EXPECT_NE(err.find("wood.jpg is in the folder already with other contents"), std::string::npos) << err;
    EXPECT_EQ(ReadText("out/wood.jpg"), "wood");
    std::vector<std::string> overwrite = fromOther;
    overwrite.push_back("--overwrite");
    EXPECT_EQ(Run(overwrite), 1);
    EXPECT_EQ(out.substr(0, out.find('\n')), "copied 0, already present 1, replaced 1, not found 1");
    EXPECT_EQ(ReadText("out/wood.jpg"), "another wood");

    // Everything found: exit 0, and the earlier run's list is gone.
    WriteText("other/missing.jpg", "m");
    EXPECT_EQ(Run(overwrite), 0) << err;
    EXPECT_EQ(out, "copied 1, already present 2, not found 0\n");
    EXPECT_FALSE(fs::exists(dir / "out" / fs::u8path(notFound)));
}

TEST_F(TgvTexturesTest, AFailedCopyLeavesNothingBehindAndFails)
{
    FullDiskTextures platform;
    platform.failFrom = "stone";
    UseTextures use(platform);
    EXPECT_EQ(Run({"textures", P("t.tgv"), "--to", P("out"), "-s", P("maps")}), 1);
    EXPECT_EQ(out.substr(0, out.find('\n')), "copied 1, already present 0, failed 1, not found 1");
    EXPECT_NE(err.find("could not copy"), std::string::npos) << err;
    EXPECT_EQ(ReadText("out/" + notFound), "missing.jpg\r\n");  // a failed copy is not "not found"
    EXPECT_EQ(OutFiles(), (std::vector<std::string>{"wood.jpg", notFound}));
    // The next run copies it once the disk has room.
    platform.failFrom.clear();
    EXPECT_EQ(Run({"textures", P("t.tgv"), "--to", P("out"), "-s", P("maps")}), 1);
    EXPECT_EQ(out.substr(0, out.find('\n')), "copied 1, already present 1, not found 1");
    EXPECT_EQ(ReadText("out/stone.jpg"), "stone");
}

TEST_F(TgvTexturesTest, NamesOfSharesAndRootsAreNeverOpened)
{
    Bytes r = RecordBytes("a", "b/");
    Put(r, kSlots, "//srv/share\\wood.jpg");
    Put(r, kSlots + 512, "\\\\srv\\share\\stone.jpg");
    Put(r, kSlots + 1024, "maps/../..");
    WriteBytes("unc.tgv", FileBytes({r}));
    FullDiskTextures platform;
    UseTextures use(platform);
    EXPECT_EQ(Run({"textures", P("unc.tgv"), "--to", P("out"), "-s", P("maps")}), 1);
    EXPECT_EQ(out.substr(0, out.find('\n')), "copied 2, already present 0, not found 1");
    for (const std::string& path : platform.looked)
        EXPECT_TRUE(path.rfind("//", 0) != 0 && path.rfind("\\\\", 0) != 0) << path;
}

#ifndef _WIN32
TEST_F(TgvTexturesTest, TheListIsNeverWrittenThroughALink)
{
    WriteText("victim.txt", "precious");
    fs::create_symlink(dir / "victim.txt", dir / "out" / fs::u8path(notFound));
    EXPECT_EQ(Run({"textures", P("t.tgv"), "--to", P("out"), "-s", P("maps")}), 2);
    EXPECT_NE(err.find("is a link; tgv does not write through it"), std::string::npos) << err;
    EXPECT_EQ(ReadText("victim.txt"), "precious");
    EXPECT_FALSE(fs::exists(dir / "out" / "wood.jpg"));
}

TEST_F(TgvTexturesTest, TheRegistryIsWindowsOnly)
{
    EXPECT_EQ(Run({"textures", P("t.tgv"), "--to", P("out"), "--registry"}), 2);
    EXPECT_EQ(err, "tgv: --registry: this system has no Windows registry, so AutoCAD's texture folders cannot be "
                   "searched; name them with --search\n");
}
#endif
