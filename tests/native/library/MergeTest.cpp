#include "LibraryExchange.h"
#include "LibraryTestSupport.h"
#include "Cp936Text.h"
#include "MemoryFileLayer.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace testlib;

namespace {

struct MergeTest : ::testing::Test {
    MemoryFileLayer memory;
    UseFileLayer use{memory};
    PromptLog prompts;
    CombinationLibrary lib;
    std::vector<std::string> asked;  // incoming names of the conflicts asked about

    void SetUp() override
    {
        lib.Append(MakeRecord("A", "x/", "old a"));
        lib.Append(MakeRecord("B", "x/", "old b"));
        lib.Append(MakeRecord("C", "y/", "old c"));
    }

    MergeResult Merge(const std::vector<Bytes>& incoming, std::vector<MergeDecision> answers)
    {
        memory.files["in.tgv"] = FileBytes(incoming);
        std::size_t next = 0;
        return MergeCombinationFile("in.tgv", lib, [&](const CombinationRecord& in, const CombinationRecord& existing) {
            EXPECT_TRUE(cp936::EqualsNoCase(FieldView(in.name), FieldView(existing.name)));
            asked.push_back(FieldString(in.name));
            return next < answers.size() ? answers[next++] : MergeDecision::Cancel;
        });
    }

    std::string Descriptions() const
    {
        std::string s;
        for (const CombinationRecord& r : lib)
            s += FieldString(r.shortDescription) + ";";
        return s;
    }
};

}  // namespace

TEST_F(MergeTest, NewRecordsAreAppendedInFileOrder)
{
    const MergeResult r = Merge({RecordBytes("D", "x/", "d"), RecordBytes("A", "z/", "a in z")}, {});
    EXPECT_EQ(r.status, MergeStatus::Completed);
    EXPECT_EQ(r.added, 2);
    EXPECT_EQ(r.replaced, 0);
    EXPECT_EQ(Descriptions(), "old a;old b;old c;d;a in z;");
    EXPECT_TRUE(asked.empty());
}

TEST_F(MergeTest, AllReplacesInPlaceWithoutAskingAgain)
{
    const MergeResult r = Merge({RecordBytes("a", "X/", "new a"), RecordBytes("B", "x/", "new b"),
                                 RecordBytes("E", "e/", "e"), RecordBytes("c", "y/", "new c")},
                                {MergeDecision::ReplaceAll});
    EXPECT_EQ(r.status, MergeStatus::Completed);
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.replaced, 3);
    EXPECT_EQ(Descriptions(), "new a;new b;new c;e;");
    EXPECT_EQ(FieldView(lib[0].name), "a");  // the incoming record as a whole
    EXPECT_EQ(asked, std::vector<std::string>{"a"});
}

TEST_F(MergeTest, NoneSkipsEveryLaterConflictButStillAdds)
{
    const MergeResult r = Merge({RecordBytes("A", "x/", "n"), RecordBytes("F", "f/", "f"), RecordBytes("B", "x/", "n")},
                                {MergeDecision::SkipAll});
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.replaced, 0);
    EXPECT_EQ(Descriptions(), "old a;old b;old c;f;");
    EXPECT_EQ(asked.size(), 1u);
}

TEST_F(MergeTest, YesAndNoDecideOneConflictEach)
{
    const MergeResult r =
        Merge({RecordBytes("A", "x/", "n"), RecordBytes("B", "x/", "new b")}, {MergeDecision::Skip, MergeDecision::Replace});
    EXPECT_EQ(r.replaced, 1);
    EXPECT_EQ(Descriptions(), "old a;new b;old c;");
    EXPECT_EQ(asked, (std::vector<std::string>{"A", "B"}));
}

TEST_F(MergeTest, CancelKeepsWhatWasMergedBefore)
{
    const MergeResult r = Merge({RecordBytes("G", "g/", "g"), RecordBytes("A", "x/", "n"), RecordBytes("H", "h/", "h")},
                                {MergeDecision::Cancel});
    EXPECT_EQ(r.status, MergeStatus::Cancelled);
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(Descriptions(), "old a;old b;old c;g;");
}

TEST_F(MergeTest, AnExceptionFromTheHandlerLeavesTheLibraryAsItWas)
{
    memory.files["in.tgv"] =
        FileBytes({RecordBytes("G", "g/", "g"), RecordBytes("A", "x/", "new a"), RecordBytes("B", "x/", "new b")});
    int calls = 0;
    const auto decide = [&](const CombinationRecord&, const CombinationRecord&) {
        if (++calls == 2)
            throw std::runtime_error("window gone");
        return MergeDecision::Replace;
    };
    EXPECT_THROW(MergeCombinationFile("in.tgv", lib, decide), std::runtime_error);
    EXPECT_EQ(Descriptions(), "old a;old b;old c;");
}

TEST_F(MergeTest, LaterDuplicatesMeetTheCopyMergedJustBefore)
{
    const MergeResult r = Merge({RecordBytes("Z", "z/", "first"), RecordBytes("z", "Z/", "second")}, {MergeDecision::Replace});
    EXPECT_EQ(r.added, 1);
    EXPECT_EQ(r.replaced, 1);
    EXPECT_EQ(Descriptions(), "old a;old b;old c;second;");
}

TEST_F(MergeTest, DuplicatesInTheLibraryResolveToTheFirst)
{
    lib.Append(MakeRecord("a", "X/", "dup a"));
    Merge({RecordBytes("A", "x/", "new")}, {MergeDecision::Replace});
    EXPECT_EQ(Descriptions(), "new;old b;old c;dup a;");
}

TEST_F(MergeTest, OwnWholeExportWithAllReplacesEverythingInOrder)
{
    ASSERT_EQ(ExportWholeLibrary("own.tgv", lib), 1);
    const std::string before = Descriptions();
    std::size_t calls = 0;
    const MergeResult r = MergeCombinationFile("own.tgv", lib, [&](const CombinationRecord&, const CombinationRecord&) {
        ++calls;
        return MergeDecision::ReplaceAll;
    });
    EXPECT_EQ(r.added, 0);
    EXPECT_EQ(r.replaced, 3);
    EXPECT_EQ(calls, 1u);
    EXPECT_EQ(Descriptions(), before);
}

TEST_F(MergeTest, BadFilesChangeNothing)
{
    memory.files["bad.tgv"] = Bytes(100, 'x');
    MergeResult r = MergeCombinationFile("bad.tgv", lib, nullptr);
    EXPECT_EQ(r.status, MergeStatus::BadSignature);
    EXPECT_EQ(prompts.Texts(), std::vector<std::string>{"不是合适的染界文件！"});
    r = MergeCombinationFile("missing.tgv", lib, nullptr);
    EXPECT_EQ(r.status, MergeStatus::NotOpened);
    EXPECT_EQ(lib.GetCount(), 3);

    // Only the signature: completed, nothing added; a fragment is dropped.
    Bytes image = FileBytes({RecordBytes("N", "n/")});
    image.resize(image.size() - 1);
    memory.files["frag.tgv"] = image;
    r = MergeCombinationFile("frag.tgv", lib, nullptr);
    EXPECT_EQ(r.status, MergeStatus::Completed);
    EXPECT_EQ(r.added, 0);
    EXPECT_EQ(lib.GetCount(), 3);
}
