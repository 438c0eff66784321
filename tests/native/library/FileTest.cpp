#include "CombinationFile.h"
#include "LibraryExchange.h"
#include "LibraryTestSupport.h"
#include "MemoryFileLayer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace testlib;

namespace {

const std::string kWrongFile = "不是合适的染界文件！";

struct FileTest : ::testing::Test {
    MemoryFileLayer memory;
    UseFileLayer use{memory};
    PromptLog prompts;
};

Bytes ThreeRecordImage()
{
    Bytes r2 = RecordBytes("two", "b/");
    Put(r2, kName, "tw");  // a shortened name leaves a tail behind its terminator
    Put(r2, kName + 2, std::string(1, '\0'));
    Put(r2, kName + 3, "tail");
    return FileBytes({RecordBytes("one", "a/"), r2, RecordBytes("three", "c/")});
}

}  // namespace

TEST_F(FileTest, ReadsRecordsAndAppendsThem)
{
    memory.files["lib.tgv"] = ThreeRecordImage();
    CombinationLibrary lib;
    lib.Append(MakeRecord("existing", "x/"));
    EXPECT_EQ(ReadCombinationFile("lib.tgv", lib), 1);
    ASSERT_EQ(lib.GetCount(), 4);
    EXPECT_EQ(FieldView(lib[0].name), "existing");
    EXPECT_EQ(FieldView(lib[2].name), "tw");
    EXPECT_EQ(FieldView(lib[3].name), "three");
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(FileTest, SignatureRules)
{
    CombinationLibrary lib;
    Bytes tail = FileBytes({RecordBytes("a", "b/")});
    std::memset(tail.data() + 18, 0x5A, 14);  // after the NUL: not examined
    memory.files["tail"] = tail;
    EXPECT_EQ(ReadCombinationFile("tail", lib), 1);
    EXPECT_EQ(lib.GetCount(), 1);
    EXPECT_TRUE(prompts.Texts().empty());

    Bytes lower = tail;
    Put(lower, 0, "zk_tintgrove_v1.0");
    Bytes extra = SignatureBytes();
    Put(extra, 17, "x");  // something between the text and the NUL
    memory.files["lower"] = lower;
    memory.files["extra"] = extra;
    const Bytes signature = SignatureBytes();
    memory.files["short"] = Bytes(signature.begin(), signature.begin() + 20);
    memory.files["empty"] = Bytes();
    for (const char* name : {"lower", "extra", "short", "empty"}) {
        prompts.Texts().clear();
        EXPECT_EQ(ReadCombinationFile(name, lib), 0) << name;
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{kWrongFile}) << name;
    }
    EXPECT_EQ(lib.GetCount(), 1);

    prompts.Texts().clear();
    memory.folders.insert("folder");
    EXPECT_EQ(ReadCombinationFile("missing", lib), 0);
    EXPECT_EQ(ReadCombinationFile("folder", lib), 0);
    EXPECT_TRUE(prompts.Texts().empty());  // cannot open: silent
}

TEST_F(FileTest, FragmentAtTheEndIsDropped)
{
    Bytes image = ThreeRecordImage();
    image.resize(kSignature + 2 * kRecord + 5000);
    memory.files["cut"] = image;
    CombinationLibrary lib;
    EXPECT_EQ(ReadCombinationFile("cut", lib), 1);
    EXPECT_EQ(lib.GetCount(), 2);
    memory.files["sig"] = SignatureBytes();
    EXPECT_EQ(ReadCombinationFile("sig", lib), 1);
    EXPECT_EQ(lib.GetCount(), 2);
}

TEST_F(FileTest, SavingReproducesRecordsWithZeroGaps)
{
    Bytes image = ThreeRecordImage();
    for (int r = 0; r < 3; ++r) {
        const std::size_t base = kSignature + r * kRecord;
        std::memset(image.data() + base + 1140, 0x11, 4);
        for (int s = 0; s < 3; ++s)
            std::memset(image.data() + base + kSlots + s * kSlot + 3164, 0x22, 4);
    }
    memory.files["in"] = image;
    CombinationLibrary lib;
    ASSERT_EQ(ReadCombinationFile("in", lib), 1);
    ASSERT_EQ(WriteCombinationFile("out", lib), 1);
    EXPECT_EQ(memory.files["out"], ThreeRecordImage());  // tails kept, gaps zero
    EXPECT_EQ(memory.files.size(), 2u);                   // no temporary file left

    ASSERT_EQ(WriteCombinationFile("emptylib", CombinationLibrary()), 1);
    EXPECT_EQ(memory.files["emptylib"], SignatureBytes());
}

// Every file operation of a save, failed in turn, leaves the old file as it
// was and no temporary file behind (a temporary that cannot be held is given
// up for another name, and the save goes on).
TEST_F(FileTest, FailedSaveLeavesTheOldFileIntact)
{
    CombinationLibrary lib;
    for (int i = 0; i < 3; ++i)
        lib.Append(MakeRecord("r" + std::to_string(i), "c/"));
    const Bytes old = ThreeRecordImage();
    FailingFileLayer failing(memory);
    UseFileLayer useFailing(failing);

    memory.files["lib"] = old;
    ASSERT_EQ(WriteCombinationFile("lib", lib), 1);
    const int total = failing.operations;
    EXPECT_GE(total, 6);  // open, signature, records, flush, close, replace
    for (int k = 1; k <= total; ++k) {
        memory.files.clear();
        memory.files["lib"] = old;
        failing.failAt = k;
        failing.operations = 0;
        const int saved = WriteCombinationFile("lib", lib);
        EXPECT_EQ(saved, failing.failed == "hold" ? 1 : 0) << "failed operation " << k << ": " << failing.failed;
        if (!saved) {
            EXPECT_EQ(memory.files["lib"], old) << k;
        }
        EXPECT_EQ(memory.files.size(), 1u) << k;
    }
}

TEST_F(FileTest, MissingFolderOrTakenTemporaryNames)
{
    CombinationLibrary lib;
    lib.Append(MakeRecord("a", "b/"));
    memory.folders.insert("dir");
    EXPECT_EQ(WriteCombinationFile("dir", lib), 0);  // a folder is not replaced
    EXPECT_FALSE(memory.files.count("dir"));
    // A temporary file that a save in progress holds is neither used nor removed.
    const std::string busy = UniqueTemporaryName("lib");
    memory.files[busy] = Bytes{1, 2, 3};
    memory.held.insert(busy);
    EXPECT_EQ(WriteCombinationFile("lib", lib), 1);
    EXPECT_EQ(memory.files[busy], (Bytes{1, 2, 3}));
    EXPECT_EQ(memory.files.size(), 2u);
}

TEST(RealFiles, SaveAndLoadThroughTheSystem)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("tg_lib_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "lib.tgv").string();
    CombinationLibrary lib;
    lib.Append(MakeRecord("客厅一", "住宅/客厅/"));
    lib.Append(MakeRecord("b", "c/"));
    ASSERT_EQ(WriteCombinationFile(path, lib), 1);
    EXPECT_EQ(fs::file_size(path), 32u + 2 * 12480u);
    ASSERT_EQ(WriteCombinationFile(path, lib), 1);  // over an existing file
    CombinationLibrary back;
    ASSERT_EQ(ReadCombinationFile(path, back), 1);
    ASSERT_EQ(back.GetCount(), 2);
    EXPECT_EQ(ToBytes(back[0]), ToBytes(lib[0]));
    EXPECT_EQ(ReadCombinationFile(dir.string(), back), 0);  // a folder
    EXPECT_EQ(WriteCombinationFile((dir / "no" / "such.tgv").string(), lib), 0);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 1u);
    fs::remove_all(dir);
}

TEST_F(FileTest, SelectiveExportAppendsOneRecordPerCall)
{
    ExportFile exportFile;
    memory.files["x.tgv"] = Bytes{9, 9, 9};
    ASSERT_TRUE(exportFile.Create("x.tgv"));
    EXPECT_EQ(memory.files["x.tgv"], SignatureBytes());
    EXPECT_TRUE(exportFile.Append(MakeRecord("one", "a/")));
    EXPECT_TRUE(exportFile.Append(MakeRecord("two", "b/")));
    exportFile.Close();
    EXPECT_EQ(memory.files["x.tgv"], FileBytes({RecordBytes("one", "a/"), RecordBytes("two", "b/")}));

    CombinationLibrary lib;
    lib.Append(MakeRecord("w", "z/"));
    ASSERT_EQ(ExportWholeLibrary("whole.tgv", lib), 1);
    EXPECT_EQ(memory.files["whole.tgv"], FileBytes({RecordBytes("w", "z/")}));
}

TEST_F(FileTest, FailedExportAppendStopsFurtherAppends)
{
    FailingFileLayer failing(memory);
    UseFileLayer useFailing(failing);
    ExportFile exportFile;
    ASSERT_TRUE(exportFile.Create("x.tgv"));
    failing.operations = 0;
    failing.failAt = 1;  // the record's write comes out short
    EXPECT_FALSE(exportFile.Append(MakeRecord("one", "a/")));
    EXPECT_FALSE(exportFile.IsOpen());
    EXPECT_FALSE(exportFile.Append(MakeRecord("two", "a/")));
    CombinationLibrary lib;
    EXPECT_EQ(ReadCombinationFile("x.tgv", lib), 1);
    EXPECT_EQ(lib.GetCount(), 0);  // the half record is a dropped fragment
}
