// Loading that fails part-way, and the temporary files of the safe save, on
// the in-memory file layer (the same tests run on Linux and under wine).
#include "CombinationFile.h"
#include "LibraryExchange.h"
#include "LibraryTestSupport.h"
#include "MemoryFileLayer.h"
#include "ReadFaults.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace testlib;

namespace {

struct SafeFileTest : ::testing::Test {
    MemoryFileLayer memory;
    ReadFaultLayer faults{memory};
    UseFileLayer use{faults};
    PromptLog prompts;

    // Three records and a fragment: every offset of it is worth failing at.
    Bytes Image()
    {
        Bytes image = FileBytes({RecordBytes("one", "a/"), RecordBytes("two", "b/"), RecordBytes("three", "a/")});
        image.resize(image.size() + 100, 7);
        return image;
    }

    std::vector<std::string> Temporaries(const std::string& path)
    {
        std::vector<std::string> names;
        for (const auto& entry : memory.files)
            if (IsTemporaryNameOf(entry.first, path))
                names.push_back(entry.first);
        return names;
    }
};

Bytes LibraryBytes(const CombinationLibrary& lib)
{
    Bytes b;
    for (const CombinationRecord& r : lib) {
        const Bytes one = ToBytes(r);
        b.insert(b.end(), one.begin(), one.end());
    }
    return b;
}

}  // namespace

// A read failing at any byte of the file takes nothing from it, leaves what
// the library held before, and says which file was not read completely.
TEST_F(SafeFileTest, ALoadFailingAtAnyOffsetTakesNothing)
{
    memory.files["lib.tgv"] = Image();
    const uint64_t size = memory.files["lib.tgv"].size();
    CombinationLibrary lib;
    lib.Append(MakeRecord("kept", "k/"));
    const Bytes before = LibraryBytes(lib);
    const std::vector<std::string> message{IncompleteReadMessage("lib.tgv")};
    for (uint64_t k = 0; k < size; ++k) {
        faults.failAt = k;
        prompts.Texts().clear();
        ASSERT_EQ(ReadCombinationFile("lib.tgv", lib), 0) << "read failing at offset " << k;
        ASSERT_EQ(LibraryBytes(lib), before) << k;
        ASSERT_EQ(prompts.Texts(), message) << k;
    }
    faults.failAt = size;  // past the end: nothing fails
    prompts.Texts().clear();
    EXPECT_EQ(ReadCombinationFile("lib.tgv", lib), 1);
    EXPECT_EQ(lib.GetCount(), 4);
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(SafeFileTest, AnExceptionWhileLoadingTakesNothing)
{
    memory.files["lib.tgv"] = Image();
    faults.throwInstead = true;
    CombinationLibrary lib;
    lib.Append(MakeRecord("kept", "k/"));
    for (uint64_t k : {0ull, 31ull, 32ull, 32ull + kRecord, 32ull + 2 * kRecord + 5, 32ull + 3 * kRecord + 1}) {
        faults.failAt = k;
        prompts.Texts().clear();
        EXPECT_EQ(ReadCombinationFile("lib.tgv", lib), 0) << k;
        EXPECT_EQ(lib.GetCount(), 1) << k;
        EXPECT_EQ(prompts.Texts(), std::vector<std::string>{IncompleteReadMessage("lib.tgv")}) << k;
    }
    EXPECT_EQ(IncompleteReadMessage("D:\\图库\\lib.tgv"), "读取文件“D:\\图库\\lib.tgv”时出错，文件没有完整读出，其中的组合没有载入。");
}

// Fewer records than the file's size promised (the file was cut short while
// it was read) is a failure, and so is a signature field cut short; a file
// that really is shorter than the field stays a foreign file.
TEST_F(SafeFileTest, RecordsMissingAgainstTheSizeAreAFailure)
{
    memory.files["lib.tgv"] = FileBytes({RecordBytes("one", "a/"), RecordBytes("two", "b/")});
    CombinationLibrary lib;
    faults.extraSize = kRecord;
    EXPECT_EQ(ReadCombinationFile("lib.tgv", lib), 0);
    EXPECT_EQ(lib.GetCount(), 0);
    faults.extraSize = kRecord - 1;  // a promised fragment that never came loses no record
    EXPECT_EQ(ReadCombinationFile("lib.tgv", lib), 1);
    EXPECT_EQ(lib.GetCount(), 2);

    const Bytes signature = SignatureBytes();
    memory.files["cut.tgv"] = Bytes(signature.begin(), signature.begin() + 20);
    faults.extraSize = 100;
    prompts.Texts().clear();
    CombinationFileReader reader;
    EXPECT_EQ(reader.Open("cut.tgv"), CombinationFileReader::Status::ReadFailed);
    EXPECT_TRUE(prompts.Texts().empty());  // not called a foreign file
    faults.extraSize = 0;
    EXPECT_EQ(reader.Open("cut.tgv"), CombinationFileReader::Status::BadSignature);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"不是合适的染界文件！"});
}

// A merge whose exchange file fails part-way leaves the library exactly as it
// was, replaced records included.
TEST_F(SafeFileTest, AMergeFailingPartWayChangesNothing)
{
    Bytes exchange = FileBytes({RecordBytes("one", "a/", "new"), RecordBytes("fresh", "f/"), RecordBytes("three", "a/", "new")});
    memory.files["x.tgv"] = exchange;
    CombinationLibrary lib;
    lib.Append(MakeRecord("one", "a/", "old"));
    lib.Append(MakeRecord("three", "A/", "old"));
    const Bytes before = LibraryBytes(lib);
    const auto replaceAll = [](const CombinationRecord&, const CombinationRecord&) { return MergeDecision::ReplaceAll; };
    for (uint64_t k = 0; k < exchange.size(); k += (k % kRecord < 40 || k % kRecord > kRecord - 40) ? 1 : 997) {
        faults.failAt = k;
        faults.throwInstead = k % 2 == 1;
        prompts.Texts().clear();
        const MergeResult r = MergeCombinationFile("x.tgv", lib, replaceAll);
        ASSERT_EQ(r.status, MergeStatus::ReadFailed) << k;
        ASSERT_EQ(r.added + r.replaced, 0) << k;
        ASSERT_EQ(LibraryBytes(lib), before) << k;
        ASSERT_EQ(prompts.Texts(), std::vector<std::string>{IncompleteReadMessage("x.tgv")}) << k;
    }
    faults.failAt = exchange.size();
    const MergeResult r = MergeCombinationFile("x.tgv", lib, replaceAll);
    EXPECT_EQ(r.status, MergeStatus::Completed);
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.replaced, 2);
}

// Temporary files left by saves that were killed do not pile up until saving
// fails: the ones no process holds are removed, held ones and other files stay.
TEST_F(SafeFileTest, StaleTemporariesAreClearedAndHeldOnesKept)
{
    CombinationLibrary lib;
    lib.Append(MakeRecord("a", "b/"));
    memory.files["lib.tgv"] = SignatureBytes();
    for (int i = 0; i < 16; ++i)
        memory.files["lib.tgv.tmp" + std::to_string(i)] = Bytes{1};  // earlier versions' names
    for (int i = 0; i < 8; ++i)
        memory.files[UniqueTemporaryName("lib.tgv")] = Bytes{2};
    const std::string held = UniqueTemporaryName("lib.tgv");
    memory.files[held] = Bytes{3};
    memory.held.insert(held);
    const std::vector<std::string> others{"lib.tgv.bak", "lib.tgv.tmp", "lib.tgv.tmpX", "lib.tgv.tmp0123456789abcdef0",
                                          "lib.tgv.lock", "other.tgv.tmp1", "sub\\lib.tgv.tmp1"};
    for (const std::string& name : others)
        memory.files[name] = Bytes{4};

    ASSERT_EQ(WriteCombinationFile("lib.tgv", lib), 1);
    EXPECT_EQ(memory.files["lib.tgv"], FileBytes({RecordBytes("a", "b/")}));
    EXPECT_EQ(Temporaries("lib.tgv"), std::vector<std::string>{held});
    for (const std::string& name : others)
        EXPECT_TRUE(memory.files.count(name)) << name;

    // In a folder, only that folder's temporaries of that file are concerned.
    memory.files["D:\\lib\\x.tgv.tmp3"] = Bytes{1};
    memory.files["D:\\lib\\y.tgv.tmp3"] = Bytes{1};
    ASSERT_EQ(WriteCombinationFile("D:\\lib\\x.tgv", lib), 1);
    EXPECT_FALSE(memory.files.count("D:\\lib\\x.tgv.tmp3"));
    EXPECT_TRUE(memory.files.count("D:\\lib\\y.tgv.tmp3"));
    EXPECT_TRUE(memory.files.count("lib.tgv.tmpX"));
}

TEST_F(SafeFileTest, TemporaryNamesAreUniqueAndRecognised)
{
    std::set<std::string> names;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = UniqueTemporaryName("C:\\库\\lib.tgv");
        EXPECT_TRUE(IsTemporaryNameOf(name, "C:\\库\\lib.tgv")) << name;
        EXPECT_FALSE(IsTemporaryNameOf(name, "C:\\库\\lib.tg")) << name;
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 1000u);
}

namespace {

// Another process takes the first names a save tries, between its choice of
// a name and its exclusive creation.
class RacingLayer : public MemoryFileLayer {
public:
    int steal = 0;
    std::vector<std::string> stolen;
    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override
    {
        if (mode == OpenMode::CreateNew && steal > 0) {
            --steal;
            files[path] = Bytes{9};
            held.insert(path);
            stolen.push_back(path);
        }
        return MemoryFileLayer::Open(path, mode);
    }
};

}  // namespace

TEST(SafeSave, ATakenNameIsPassedOverForAnother)
{
    RacingLayer racing;
    UseFileLayer use{racing};
    CombinationLibrary lib;
    lib.Append(MakeRecord("a", "b/"));
    racing.steal = 5;
    ASSERT_EQ(WriteCombinationFile("lib.tgv", lib), 1);
    EXPECT_EQ(racing.files["lib.tgv"], FileBytes({RecordBytes("a", "b/")}));
    ASSERT_EQ(racing.stolen.size(), 5u);
    for (const std::string& name : racing.stolen)
        EXPECT_EQ(racing.files[name], Bytes{9}) << "another's file is never written";
    EXPECT_EQ(racing.files.size(), 6u);

    racing.steal = 1000;  // every name taken: a failure, not a loop without end
    EXPECT_EQ(WriteCombinationFile("lib.tgv", lib), 0);
    EXPECT_EQ(racing.files["lib.tgv"], FileBytes({RecordBytes("a", "b/")}));
}

TEST_F(SafeFileTest, EveryFailureOfTheWriterRemovesItsTemporary)
{
    memory.files["lib.tgv"] = Bytes{5, 5};
    EXPECT_FALSE(SaveFileSafely("lib.tgv", [](File& f) { return WriteAll(f, "x", 1) && false; }));
    EXPECT_THROW(SaveFileSafely("lib.tgv",
                                [](File& f) -> bool {
                                    WriteAll(f, "x", 1);
                                    throw std::runtime_error("disk gone");
                                }),
                 std::runtime_error);
    EXPECT_EQ(memory.files["lib.tgv"], (Bytes{5, 5}));
    EXPECT_TRUE(Temporaries("lib.tgv").empty());
    EXPECT_TRUE(memory.held.empty());
}

TEST_F(SafeFileTest, AReadOnlyFileIsRefusedNotReplaced)
{
    memory.files["lib.tgv"] = Bytes{5, 5};
    memory.readOnly.insert("lib.tgv");
    CombinationLibrary lib;
    lib.Append(MakeRecord("a", "b/"));
    SaveFailure why = SaveFailure::None;
    EXPECT_FALSE(SaveFileSafely("lib.tgv", [&](File& f) { return WriteAll(f, "x", 1); }, &why));
    EXPECT_EQ(why, SaveFailure::ReadOnly);
    EXPECT_EQ(WriteCombinationFile("lib.tgv", lib), 0);
    EXPECT_EQ(memory.files["lib.tgv"], (Bytes{5, 5}));
    EXPECT_EQ(memory.files.size(), 1u);
    memory.readOnly.clear();
    EXPECT_TRUE(SaveFileSafely("lib.tgv", [&](File& f) { return WriteAll(f, "x", 1); }, &why));
    EXPECT_EQ(why, SaveFailure::None);
}
