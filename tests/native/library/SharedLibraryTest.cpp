// Two panels on one library file: their recorded changes replayed onto each
// other's saves, additions appended, the lock, and saves that fail at every
// file operation.
#include "CombinationFile.h"
#include "LibraryChanges.h"
#include "LibraryTestSupport.h"
#include "MemoryFileLayer.h"
#include "ReadFaults.h"
#include "SharedLibrary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace testlib;
namespace fs = std::filesystem;

namespace {

// A folder name of its own for this run and test.
std::string Unique(const std::string& stem)
{
    static const auto run = std::chrono::steady_clock::now().time_since_epoch().count();
    return stem + "_" + std::to_string(run) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

CombinationRecord WithDescription(CombinationRecord record, const std::string& text)
{
    SetField(record.shortDescription, text);
    return record;
}

std::vector<std::string> Paths(const CombinationLibrary& library)
{
    std::vector<std::string> paths;
    for (const CombinationRecord& record : library)
        paths.push_back(RecordPath(record) + "=" + FieldString(record.shortDescription));
    return paths;
}

// ---- Replaying changes onto a library -------------------------------------

CombinationLibrary Library(std::initializer_list<CombinationRecord> records)
{
    CombinationLibrary library;
    for (const CombinationRecord& r : records)
        library.Append(r);
    return library;
}

const CombinationRecord kOne = MakeRecord("one", "a/", "1");
const CombinationRecord kTwo = MakeRecord("two", "a/", "2");
const CombinationRecord kThree = MakeRecord("three", "b/", "3");

TEST(Replay, AdditionsEditsAndDeletionsOfUntouchedRecords)
{
    LibraryChanges changes;
    changes.Added(MakeRecord("new", "c/", "n"));
    changes.Changed(kOne, WithDescription(kOne, "1 edited"));
    changes.Deleted(kTwo);
    // Someone else added "other" meanwhile; the records we touched are as we found them.
    CombinationLibrary file = Library({kOne, kTwo, kThree, MakeRecord("other", "d/", "o")});
    EXPECT_TRUE(ReplayChanges(changes, file).empty());
    EXPECT_EQ(Paths(file), (std::vector<std::string>{"a/one=1 edited", "b/three=3", "d/other=o", "c/new=n"}));
}

TEST(Replay, ThisPanelWinsOverAnotherChangeAndNothingIsLost)
{
    const CombinationRecord theirs = WithDescription(kOne, "their edit");
    LibraryChanges changes;
    changes.Changed(kOne, WithDescription(kOne, "our edit"));          // they edited it too
    changes.Changed(kTwo, WithDescription(kTwo, "ours, they deleted"));  // they deleted it
    changes.Deleted(kThree);                                            // they edited it: kept
    changes.Added(MakeRecord("TWIN", "C/", "ours"));                    // they added a twin
    CombinationLibrary file =
        Library({theirs, WithDescription(kThree, "3 theirs"), MakeRecord("twin", "c/", "theirs")});
    const std::vector<std::string> conflicts = ReplayChanges(changes, file);
    EXPECT_EQ(conflicts, (std::vector<std::string>{"a/one", "a/two", "b/three", "C/TWIN"}));
    EXPECT_EQ(Paths(file), (std::vector<std::string>{"a/one=our edit", "b/three=3 theirs", "C/TWIN=ours",
                                                     "a/two=ours, they deleted"}));
}

TEST(Replay, SuccessiveChangesOfOneRecordAndChangesAlreadyThere)
{
    const CombinationRecord renamed = [] {
        CombinationRecord r = kOne;
        SetField(r.name, "uno");
        SetField(r.roomCategory, "z/");
        return r;
    }();
    LibraryChanges changes;
    changes.Changed(kOne, renamed);
    changes.Changed(renamed, WithDescription(renamed, "again"));
    changes.Deleted(kTwo);
    changes.Changed(kOne, kOne);  // no change at all is not recorded
    EXPECT_EQ(changes.Items().size(), 3u);
    // The file already holds our first step and lacks the deleted record.
    CombinationLibrary file = Library({renamed, kThree});
    EXPECT_TRUE(ReplayChanges(changes, file).empty());
    EXPECT_EQ(Paths(file), (std::vector<std::string>{"z/uno=again", "b/three=3"}));

    // What an exchange file would keep: added and changed records, last version.
    changes.Added(MakeRecord("new", "c/"));
    EXPECT_EQ(Paths(changes.ChangedRecords()), (std::vector<std::string>{"z/uno=again", "c/new="}));
}

// ---- Two panels on one file -----------------------------------------------

struct Team : ::testing::Test {
    MemoryFileLayer memory;
    UseFileLayer use{memory};
    PromptLog prompts;
    fs::path dir;
    std::string path;

    void SetUp() override
    {
        // The lock lives on the real file system, beside where the library would be.
        dir = fs::temp_directory_path() / Unique("tg_team");
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "Tintgrove.tgv").string();
        memory.files[path] = FileBytes({ToBytes(kOne), ToBytes(kTwo), ToBytes(kThree)});
    }
    void TearDown() override { fs::remove_all(dir); }

    CombinationLibrary FileLibrary()
    {
        CombinationLibrary library;
        EXPECT_EQ(ReadCombinationFile(path, library), 1);
        return library;
    }

    struct Panel {
        SharedLibraryFile file;
        CombinationLibrary library;
        explicit Panel(const std::string& p) : file(p) { EXPECT_EQ(file.Load(library), 1); }
        void Add(const CombinationRecord& r)
        {
            library.Append(r);
            file.changes.Added(r);
        }
        void Edit(int index, const std::string& text)
        {
            const CombinationRecord before = library[index];
            library[index] = WithDescription(before, text);
            file.changes.Changed(before, library[index]);
        }
        void Delete(int index)
        {
            file.changes.Deleted(library[index]);
            library.RemoveAt(index);
        }
    };
    using Status = SharedLibraryFile::SaveResult::Status;

    // Loads file while another program holds the library open without
    // sharing (through scanner, installed for the test), without retries.
    void LoadWhileHeld(FailingFileLayer& scanner, SharedLibraryFile& file, CombinationLibrary& library)
    {
        scanner.refuseOpen = path;
        file.readRetryMs = 0;
        file.Load(library);
    }
};

TEST_F(Team, BothAdditionsReachTheFileAndEachAppendsOneRecord)
{
    Panel a(path), b(path);
    const Bytes before = memory.files[path];
    a.Add(MakeRecord("from A", "x/"));
    EXPECT_EQ(a.file.Save(a.library).status, Status::Appended);
    // Exactly one record more; not one old byte changed.
    const Bytes& afterA = memory.files[path];
    ASSERT_EQ(afterA.size(), before.size() + kRecord);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), afterA.begin()));

    b.Add(MakeRecord("from B", "x/"));
    const auto saved = b.file.Save(b.library);
    EXPECT_EQ(saved.status, Status::Merged);
    EXPECT_TRUE(saved.conflicts.empty());
    EXPECT_EQ(memory.files[path].size(), before.size() + 2 * kRecord);  // appended, not rewritten
    EXPECT_EQ(Paths(FileLibrary()), Paths(b.library));                  // B now shows A's record too
    EXPECT_EQ(b.library.GetCount(), 5);

    // After an append each knows the file as it now is: the next addition is
    // appended again, and what the other appended meanwhile is noticed.
    b.Add(MakeRecord("again from B", "x/"));
    EXPECT_EQ(b.file.Save(b.library).status, Status::Appended);
    a.Add(MakeRecord("again from A", "x/"));
    EXPECT_EQ(a.file.Save(a.library).status, Status::Merged);
    a.Add(MakeRecord("third from A", "x/"));
    EXPECT_EQ(a.file.Save(a.library).status, Status::Appended);
    EXPECT_EQ(Paths(FileLibrary()), Paths(a.library));
    EXPECT_EQ(a.library.GetCount(), 8);

    // Nothing pending: closing writes nothing, the lock file is gone.
    EXPECT_EQ(a.file.Save(a.library).status, Status::Nothing);
    EXPECT_FALSE(fs::exists(dir / "Tintgrove.tgv.lock"));
}

// A library larger than the head and tail the stamp hashes: the stamp that
// an append works out from the bytes it wrote is the one the file now has.
TEST_F(Team, AppendsToALargeLibraryKeepItsStampExact)
{
    std::vector<Bytes> records;
    for (int i = 0; i < 6; ++i)
        records.push_back(RecordBytes("r" + std::to_string(i), "big/"));
    memory.files[path] = FileBytes(records);
    Panel a(path);
    for (int i = 0; i < 3; ++i) {
        a.Add(MakeRecord("added " + std::to_string(i), "x/"));
        EXPECT_EQ(a.file.Save(a.library).status, Status::Appended) << i;
        EXPECT_EQ(a.file.Stamp(), StampFile(path)) << i;
    }
    EXPECT_EQ(FileLibrary().GetCount(), 9);
}

TEST_F(Team, AnEditAndAnotherPanelsDeletionBothTakeEffect)
{
    Panel a(path), b(path);
    a.Edit(0, "edited by A");
    b.Delete(1);
    EXPECT_EQ(a.file.Save(a.library).status, Status::Written);
    const auto saved = b.file.Save(b.library);
    EXPECT_EQ(saved.status, Status::Merged);
    EXPECT_TRUE(saved.conflicts.empty());
    EXPECT_EQ(Paths(FileLibrary()), (std::vector<std::string>{"a/one=edited by A", "b/three=3"}));
    EXPECT_EQ(Paths(b.library), Paths(FileLibrary()));
}

TEST_F(Team, TheSameRecordChangedTwiceKeepsTheLaterSaveAndNamesIt)
{
    Panel a(path), b(path);
    a.Edit(2, "A's");
    b.Edit(2, "B's");
    EXPECT_EQ(a.file.Save(a.library).status, Status::Written);
    const auto saved = b.file.Save(b.library);
    EXPECT_EQ(saved.conflicts, (std::vector<std::string>{"b/three"}));
    EXPECT_EQ(Paths(FileLibrary()), (std::vector<std::string>{"a/one=1", "a/two=2", "b/three=B's"}));
}

// A scanner or a backup holding the file open without sharing while the
// panel opens: the library is unavailable, not empty; saves are refused
// without touching any file (no ".bak", no new library of one record), and
// once the file can be read the pending addition lands on the whole library.
TEST_F(Team, ALibraryThatCannotBeReadIsNeverWrittenOver)
{
    FailingFileLayer scanner(memory);
    UseFileLayer held(scanner);
    SharedLibraryFile file(path);
    CombinationLibrary library;
    LoadWhileHeld(scanner, file, library);
    EXPECT_TRUE(file.Unavailable());
    EXPECT_EQ(file.UnavailableReason(), "sharing violation");
    EXPECT_TRUE(library.IsEmpty());
    const Bytes before = memory.files[path];
    library.Append(MakeRecord("new", "x/"));
    file.changes.Added(library[0]);
    EXPECT_EQ(file.Save(library).status, Status::Unavailable);
    EXPECT_EQ(memory.files[path], before);
    EXPECT_EQ(memory.files.size(), 1u);
    EXPECT_TRUE(file.HasPendingChanges());

    scanner.refuseOpen.clear();
    EXPECT_EQ(file.Save(library).status, Status::Merged);
    EXPECT_FALSE(file.Unavailable());
    EXPECT_EQ(Paths(FileLibrary()), (std::vector<std::string>{"a/one=1", "a/two=2", "b/three=3", "x/new="}));
    EXPECT_EQ(Paths(library), Paths(FileLibrary()));
    EXPECT_TRUE(prompts.Texts().empty());
}

// A copy that never held the file's records never replaces the file whole.
TEST_F(Team, AnUnreadLibraryIsNeverReplacedByThePanelsCopy)
{
    FailingFileLayer scanner(memory);
    UseFileLayer held(scanner);
    SharedLibraryFile file(path);
    CombinationLibrary library;
    LoadWhileHeld(scanner, file, library);
    scanner.refuseOpen.clear();
    library.Append(MakeRecord("new", "x/"));
    file.MarkWholeLibraryChanged();
    const Bytes before = memory.files[path];
    const auto saved = file.Save(library);
    EXPECT_EQ(saved.status, Status::Failed);
    EXPECT_EQ(saved.reason, kCopyIncompleteReason);
    EXPECT_EQ(memory.files[path], before);
}

// A read that stops part-way is no shorter library either.
TEST_F(Team, AReadThatStopsEarlyLeavesTheLibraryUnavailable)
{
    ReadFaultLayer faults(memory);
    UseFileLayer broken(faults);
    faults.failAt = kSignature + kRecord + 10;
    SharedLibraryFile file(path);
    file.readRetryMs = 0;
    CombinationLibrary library;
    EXPECT_EQ(file.Load(library), 0);
    EXPECT_TRUE(file.Unavailable());
    EXPECT_TRUE(library.IsEmpty());
}

// Whatever stamp an edit sees, it is laid on the file as it is now: an
// addition another program made without changing anything the stamp looks
// at survives this panel's edit.
TEST_F(Team, AnEditStartsFromTheFileAsItIsNow)
{
    Panel a(path);
    a.Edit(0, "edited");
    // Someone else's record slipped in, and the stamp is made to match.
    memory.files[path] = FileBytes({ToBytes(kOne), ToBytes(kTwo), ToBytes(kThree), RecordBytes("theirs", "z/")});
    const FileStamp unchanged = StampFile(path);
    a.file.ForgetStamp();
    ASSERT_NE(a.file.Stamp(), unchanged);
    EXPECT_TRUE(a.file.Save(a.library).Saved());
    EXPECT_EQ(Paths(FileLibrary()), (std::vector<std::string>{"a/one=edited", "a/two=2", "b/three=3", "z/theirs="}));
}

// A rename replayed onto a name another designer has given a record since
// would make two records of one identity: it is a conflict, and not made.
TEST_F(Team, ARenameOntoANameTakenMeanwhileMakesNoDuplicate)
{
    Panel a(path), b(path);
    CombinationRecord renamed = a.library[0];
    SetField(renamed.name, "taken");
    a.file.changes.Changed(a.library[0], renamed);
    a.library.ReplaceAt(0, renamed);
    b.Add(MakeRecord("taken", "a/", "B's"));
    ASSERT_TRUE(b.file.Save(b.library).Saved());
    const auto saved = a.file.Save(a.library);
    EXPECT_EQ(saved.conflicts, (std::vector<std::string>{"a/taken"}));
    EXPECT_EQ(Paths(FileLibrary()), (std::vector<std::string>{"a/one=1", "a/two=2", "b/three=3", "a/taken=B's"}));
}

// Temporary files of killed saves go with the next save, an append too.
TEST_F(Team, AnAppendRemovesStaleTemporaries)
{
    const std::string stale = path + ".tmp0123456789abcdef";
    memory.files[stale] = Bytes(5000, 1);
    Panel a(path);
    a.Add(MakeRecord("new", "x/"));
    EXPECT_EQ(a.file.Save(a.library).status, Status::Appended);
    EXPECT_EQ(memory.files.count(stale), 0u);
}

// A lock that cannot be created is said at once, with its path, and never
// taken for another panel's save.
TEST_F(Team, ALockThatCannotBeCreatedIsReportedAtOnce)
{
    memory.folders.insert(LockPathFor(path));
    Panel a(path);
    a.Add(MakeRecord("new", "x/"));
    a.file.lockWaitMs = 60000;
    const auto saved = a.file.Save(a.library);
    EXPECT_EQ(saved.status, Status::Failed);
    EXPECT_EQ(saved.reason, FillPlaces(kLockFailedFormat, {LockPathFor(path), "access denied"}));
    EXPECT_TRUE(a.file.HasPendingChanges());
}

TEST_F(Team, AHeldLockMakesTheSaveWaitThenFailWithoutHarm)
{
    Panel a(path);
    a.Add(MakeRecord("new", "x/"));
    a.file.lockWaitMs = 100;
    const Bytes before = memory.files[path];
    {
        LibraryLock other;
        ASSERT_EQ(other.Acquire(LockPathFor(path), 0), LibraryLock::Result::Acquired);
        const auto saved = a.file.Save(a.library);
        EXPECT_EQ(saved.status, Status::LockBusy);
        EXPECT_EQ(saved.reason, kLockBusyReason);
        EXPECT_EQ(memory.files[path], before);
        EXPECT_TRUE(a.file.HasPendingChanges());
        // Reading goes on without the lock once the wait is over.
        SharedLibraryFile reader(path);
        reader.lockWaitMs = 100;
        CombinationLibrary read;
        EXPECT_EQ(reader.Load(read), 1);
        EXPECT_EQ(read.GetCount(), 3);
    }
    EXPECT_EQ(a.file.Save(a.library).status, Status::Appended);
    EXPECT_EQ(FileLibrary().GetCount(), 4);
}

TEST_F(Team, AFileThatIsNoLongerALibraryIsNotOverwritten)
{
    Panel a(path);
    a.Add(MakeRecord("new", "x/"));
    memory.files[path] = Bytes{'j', 'u', 'n', 'k'};
    const auto saved = a.file.Save(a.library);
    EXPECT_EQ(saved.status, Status::Failed);
    EXPECT_EQ(saved.reason, kNotALibraryReason);
    EXPECT_EQ(memory.files[path], (Bytes{'j', 'u', 'n', 'k'}));
    EXPECT_EQ(a.library.GetCount(), 4);  // the panel keeps its copy
    EXPECT_TRUE(prompts.Texts().empty());
}

TEST_F(Team, AFragmentAtTheEndIsNeverAppendedTo)
{
    memory.files[path].resize(memory.files[path].size() + 100, 0xEE);  // a crashed append
    Panel a(path);
    ASSERT_EQ(a.library.GetCount(), 3);
    a.Add(MakeRecord("new", "x/"));
    EXPECT_EQ(a.file.Save(a.library).status, Status::Written);
    EXPECT_EQ(memory.files[path].size(), kSignature + 4 * kRecord);
    EXPECT_EQ(Paths(FileLibrary()), Paths(a.library));
}

TEST_F(Team, ReloadKeepsChangesThatCouldNotBeSaved)
{
    Panel a(path), b(path);
    b.Add(MakeRecord("from B", "x/"));
    ASSERT_TRUE(b.file.Save(b.library).Saved());
    a.Delete(0);
    a.file.ReloadKeepingChanges(a.library);
    EXPECT_EQ(Paths(a.library), (std::vector<std::string>{"a/two=2", "b/three=3", "x/from B="}));
    EXPECT_EQ(a.file.Save(a.library).status, Status::Merged);
    EXPECT_EQ(Paths(FileLibrary()), Paths(a.library));
}

// Every file operation of a save (the lock and the stamp included), failed in
// turn: the old records are never changed, a failed append leaves the file as
// it was, and saving again once the fault is gone gives every record exactly
// once.
TEST_F(Team, AFaultAtAnyStepOfASaveLosesAndDuplicatesNothing)
{
    const Bytes original = memory.files[path];
    FailingFileLayer failing(memory);
    for (const bool otherSavedFirst : {false, true}) {
        for (int k = 1;; ++k) {
            memory.files.clear();
            memory.files[path] = original;
            Panel a(path);
            if (otherSavedFirst) {
                Panel b(path);
                b.Add(MakeRecord("from B", "x/"));
                ASSERT_TRUE(b.file.Save(b.library).Saved());
            }
            const Bytes before = memory.files[path];
            a.Add(MakeRecord("from A", "x/"));
            UseFileLayer useFailing(failing);
            failing.operations = 0;
            failing.failAt = k;
            const bool saved = a.file.Save(a.library).Saved();
            const int total = failing.operations;
            failing.failAt = 0;
            // The bytes that were there stay there; a failed append is cut
            // back (unless cutting it back is what failed), and no temporary
            // file is left.
            const Bytes& now = memory.files[path];
            ASSERT_GE(now.size(), before.size()) << k;
            EXPECT_TRUE(std::equal(before.begin(), before.end(), now.begin())) << k;
            if (!saved && failing.failed != "truncate") {
                EXPECT_EQ(now.size(), before.size()) << "fault at " << failing.failed;
            }
            EXPECT_EQ(memory.files.size(), 1u) << k;
            if (!saved) {
                EXPECT_TRUE(a.file.HasPendingChanges()) << k;
                EXPECT_TRUE(a.file.Save(a.library).Saved()) << k;
            }
            const std::vector<std::string> expected =
                otherSavedFirst ? std::vector<std::string>{"a/one=1", "a/two=2", "b/three=3", "x/from B=", "x/from A="}
                                : std::vector<std::string>{"a/one=1", "a/two=2", "b/three=3", "x/from A="};
            EXPECT_EQ(Paths(FileLibrary()), expected) << "fault at operation " << k;
            EXPECT_EQ(memory.files[path].size(), kSignature + expected.size() * kRecord) << k;
            if (k > total)
                break;
        }
    }
}

// Every file operation of a load failed in turn: the library is read whole or
// marked unavailable, never a part of it, and an addition saved afterwards
// keeps every record.
TEST_F(Team, AFaultAtAnyStepOfALoadNeverShowsPartOfTheLibrary)
{
    const Bytes original = memory.files[path];
    FailingFileLayer failing(memory);
    UseFileLayer useFailing(failing);
    for (int k = 1;; ++k) {
        memory.files[path] = original;
        SharedLibraryFile file(path);
        file.readRetryMs = 0;
        CombinationLibrary library;
        failing.operations = 0;
        failing.failAt = k;
        const int read = file.Load(library);
        const int total = failing.operations;
        failing.failAt = 0;
        EXPECT_EQ(library.GetCount(), read ? 3 : 0) << "fault at " << failing.failed;
        EXPECT_EQ(file.Unavailable(), read == 0) << k;
        library.Append(MakeRecord("new", "x/"));
        file.changes.Added(library[library.GetCount() - 1]);
        EXPECT_TRUE(file.Save(library).Saved()) << k;
        EXPECT_EQ(Paths(FileLibrary()), (std::vector<std::string>{"a/one=1", "a/two=2", "b/three=3", "x/new="})) << k;
        if (k > total)
            break;
    }
}

// The same with edits, which rewrite the file through the safe save.
TEST_F(Team, AFaultWhileRewritingLeavesTheOldFile)
{
    const Bytes original = memory.files[path];
    FailingFileLayer failing(memory);
    for (int k = 1;; ++k) {
        memory.files.clear();
        memory.files[path] = original;
        Panel a(path);
        a.Edit(1, "edited");
        UseFileLayer useFailing(failing);
        failing.operations = 0;
        failing.failAt = k;
        const bool saved = a.file.Save(a.library).Saved();
        const int total = failing.operations;
        failing.failAt = 0;
        if (!saved) {
            EXPECT_EQ(memory.files[path], original) << k;
            EXPECT_EQ(memory.files.size(), 1u) << k;  // no temporary file left
            EXPECT_TRUE(a.file.Save(a.library).Saved()) << k;
        }
        EXPECT_EQ(Paths(FileLibrary()), (std::vector<std::string>{"a/one=1", "a/two=edited", "b/three=3"})) << k;
        if (k > total)
            break;
    }
}

// On the real file system: another process's save of the same size is seen
// by the file's identity and time, the crash of a writer leaves no lock.
TEST(TeamOnDisk, ASameSizeRewriteIsNoticed)
{
    const fs::path dir = fs::temp_directory_path() / Unique("tg_team_disk");
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "Tintgrove.tgv").string();
    ASSERT_EQ(WriteCombinationFile(path, Library({kOne, kTwo})), 1);
    SharedLibraryFile a(path), b(path);
    CombinationLibrary la, lb;
    ASSERT_EQ(a.Load(la), 1);
    ASSERT_EQ(b.Load(lb), 1);
    const CombinationRecord edited = WithDescription(kTwo, "B");
    lb.ReplaceAt(1, edited);
    b.changes.Changed(kTwo, edited);
    EXPECT_EQ(b.Save(lb).status, SharedLibraryFile::SaveResult::Status::Written);
    la.Append(kThree);
    a.changes.Added(kThree);
    // Same size as A read it, but not the same file: merged, not appended.
    EXPECT_EQ(a.Save(la).status, SharedLibraryFile::SaveResult::Status::Merged);
    CombinationLibrary back;
    ASSERT_EQ(ReadCombinationFile(path, back), 1);
    EXPECT_EQ(Paths(back), (std::vector<std::string>{"a/one=1", "a/two=B", "b/three=3"}));
    EXPECT_FALSE(fs::exists(dir / "Tintgrove.tgv.lock"));
    fs::remove_all(dir);
}

// A same-size change in the middle of the file with its write time put back
// (a file system that keeps whole seconds): the other panel's edit keeps it.
TEST(TeamOnDisk, AChangeTheStampCannotSeeSurvivesAnEdit)
{
    const fs::path dir = fs::temp_directory_path() / Unique("tg_team_inplace");
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "Tintgrove.tgv").string();
    CombinationLibrary six;
    for (int i = 0; i < 6; ++i)
        six.Append(MakeRecord("r" + std::to_string(i), "c/", "old"));
    ASSERT_EQ(WriteCombinationFile(path, six), 1);
    // Whole seconds, which every platform's call that sets the time keeps.
    const fs::file_time_type when(
        std::chrono::duration_cast<std::chrono::seconds>(fs::last_write_time(path).time_since_epoch()));
    fs::last_write_time(path, when);
    SharedLibraryFile a(path);
    CombinationLibrary la;
    ASSERT_EQ(a.Load(la), 1);

    {
        std::fstream out(path, std::ios::in | std::ios::out | std::ios::binary);
        const Bytes middle = ToBytes(MakeRecord("r3", "c/", "theirs"));
        out.seekp(static_cast<std::streamoff>(kSignature + 3 * kRecord));
        out.write(reinterpret_cast<const char*>(middle.data()), static_cast<std::streamsize>(middle.size()));
    }
    fs::last_write_time(path, when);
    ASSERT_EQ(StampFile(path), a.Stamp());

    const CombinationRecord edited = WithDescription(la[0], "mine");
    a.changes.Changed(la[0], edited);
    la.ReplaceAt(0, edited);
    EXPECT_TRUE(a.Save(la).Saved());
    CombinationLibrary back;
    ASSERT_EQ(ReadCombinationFile(path, back), 1);
    EXPECT_EQ(Paths(back), (std::vector<std::string>{"c/r0=mine", "c/r1=old", "c/r2=old", "c/r3=theirs", "c/r4=old",
                                                     "c/r5=old"}));
    fs::remove_all(dir);
}

// A panel on a link and one on the file it leads to take one lock, and a
// save through the link changes the file and leaves the link a link. Under
// wine the link is a Unix one made by the test's setup (TG_LINK_DIR), which
// Windows calls cannot make; its setup's partner checks it is still a link.
TEST(TeamOnDisk, ALinkAndItsTargetShareOneLockAndTheLinkStays)
{
    fs::path dir;
    if (const char* prepared = std::getenv("TG_LINK_DIR")) {
        dir = std::string(prepared[0] == '/' ? "Z:" : "") + prepared;
    } else {
        dir = fs::temp_directory_path() / Unique("tg_team_link");
        fs::remove_all(dir);
        fs::create_directories(dir / "A");
        fs::create_directories(dir / "B");
        fs::create_symlink("../B/lib.tgv", dir / "A" / "lib.tgv");
    }
    const std::string target = (dir / "B" / "lib.tgv").string(), link = (dir / "A" / "lib.tgv").string();
    ASSERT_EQ(WriteCombinationFile(target, Library({kOne, kTwo})), 1);
    EXPECT_EQ(fs::path(LockPathFor(link)).lexically_normal(), fs::path(LockPathFor(target)).lexically_normal());

    SharedLibraryFile viaLink(link), direct(target);
    CombinationLibrary l1, l2;
    ASSERT_EQ(viaLink.Load(l1), 1);
    ASSERT_EQ(direct.Load(l2), 1);
    const CombinationRecord edited = WithDescription(kOne, "via link");
    viaLink.changes.Changed(kOne, edited);
    l1.ReplaceAt(0, edited);
    viaLink.lockWaitMs = 50;
    {
        LibraryLock other;
        ASSERT_EQ(other.Acquire(LockPathFor(target), 0), LibraryLock::Result::Acquired);
        EXPECT_EQ(viaLink.Save(l1).status, SharedLibraryFile::SaveResult::Status::LockBusy);
    }
    EXPECT_TRUE(viaLink.Save(l1).Saved());
    direct.changes.Added(kThree);
    l2.Append(kThree);
    EXPECT_TRUE(direct.Save(l2).Saved());
    CombinationLibrary back;
    ASSERT_EQ(ReadCombinationFile(target, back), 1);
    EXPECT_EQ(Paths(back), (std::vector<std::string>{"a/one=via link", "a/two=2", "b/three=3"}));
    if (!std::getenv("TG_LINK_DIR")) {
        EXPECT_TRUE(fs::is_symlink(link));
        fs::remove_all(dir);
    }
}

// A file put in place of the library, byte for byte the same and with the
// same last-write time, is still another file: its stamp differs, by the
// file's identity alone.
TEST(TeamOnDisk, AnIdenticalCopyPutInPlaceIsAnotherFile)
{
    const fs::path dir = fs::temp_directory_path() / Unique("tg_team_copy");
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path path = dir / "Tintgrove.tgv", copy = dir / "copy.tgv";
    ASSERT_EQ(WriteCombinationFile(path.string(), Library({kOne, kTwo})), 1);
    fs::copy_file(path, copy);
    // Whole seconds, which every platform's call that sets the time keeps.
    const fs::file_time_type when(
        std::chrono::duration_cast<std::chrono::seconds>(fs::last_write_time(path).time_since_epoch()));
    fs::last_write_time(path, when);
    fs::last_write_time(copy, when);
    const FileStamp before = StampFile(path.string());
    fs::rename(copy, path);
    const FileStamp after = StampFile(path.string());
    ASSERT_EQ(after.size, before.size);
    ASSERT_EQ(after.writeTime, before.writeTime);
    EXPECT_NE(after.identity, before.identity);
    EXPECT_NE(after, before);
    fs::remove_all(dir);
}

}  // namespace
