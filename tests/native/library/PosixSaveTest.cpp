// The safe save on the real POSIX file system: read-only files, symbolic and
// hard links, permissions and group, stale temporary files, and two processes
// saving one library at once.
#include "CombinationFile.h"
#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace testlib;

namespace {

struct PosixSave : ::testing::Test {
    fs::path dir;
    CombinationLibrary lib;

    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("tg_save_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_" +
               std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        lib.Append(MakeRecord("new", "c/"));
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(dir, ignored);
    }

    std::string P(const std::string& name) const { return (dir / name).string(); }
    void Write(const std::string& name, const Bytes& bytes)
    {
        std::ofstream f(dir / name, std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    Bytes Read(const std::string& name)
    {
        std::ifstream f(dir / name, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    std::vector<std::string> Entries(const fs::path& folder)
    {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static Bytes Saved() { return FileBytes({RecordBytes("new", "c/")}); }
    static Bytes Old() { return FileBytes({RecordBytes("old", "c/")}); }
};

}  // namespace

// Refused even for root, who could replace it anyway.
TEST_F(PosixSave, AReadOnlyLibraryIsRefused)
{
    Write("lib.tgv", Old());
    ::chmod(P("lib.tgv").c_str(), 0444);
    SaveFailure why = SaveFailure::None;
    EXPECT_EQ(WriteCombinationFile(P("lib.tgv"), lib, &why), 0);
    EXPECT_EQ(why, SaveFailure::ReadOnly);
    EXPECT_EQ(Read("lib.tgv"), Old());
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"lib.tgv"});
}

TEST_F(PosixSave, ModeOwnerAndGroupAreKept)
{
    Write("lib.tgv", Old());
    ::chmod(P("lib.tgv").c_str(), 0640);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(P("lib.tgv").c_str(), 4321, 5432), 0);
    }
    ASSERT_EQ(WriteCombinationFile(P("lib.tgv"), lib), 1);
    struct stat st;
    ASSERT_EQ(::stat(P("lib.tgv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 5432u);
    }
    EXPECT_EQ(Read("lib.tgv"), Saved());
}

// The link stays a link; the file it leads to is replaced in its own folder.
TEST_F(PosixSave, ASymbolicLinkIsFollowed)
{
    fs::create_directories(dir / "shared");
    Write("shared/team.tgv", Old());
    fs::create_symlink("shared/team.tgv", dir / "lib.tgv");
    fs::create_symlink(dir / "lib.tgv", dir / "chain.tgv");  // a link to the link
    ASSERT_EQ(WriteCombinationFile(P("chain.tgv"), lib), 1);
    EXPECT_TRUE(fs::is_symlink(dir / "lib.tgv"));
    EXPECT_TRUE(fs::is_symlink(dir / "chain.tgv"));
    EXPECT_EQ(Read("shared/team.tgv"), Saved());
    EXPECT_EQ(Entries(dir / "shared"), std::vector<std::string>{"team.tgv"});
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"chain.tgv", "lib.tgv", "shared"}));

    // A link to a file not there yet creates it; a loop of links is a failure.
    fs::create_symlink("shared/later.tgv", dir / "later.tgv");
    ASSERT_EQ(WriteCombinationFile(P("later.tgv"), lib), 1);
    EXPECT_EQ(Read("shared/later.tgv"), Saved());
    EXPECT_TRUE(fs::is_symlink(dir / "later.tgv"));
    fs::create_symlink("loop2", dir / "loop1");
    fs::create_symlink("loop1", dir / "loop2");
    EXPECT_EQ(WriteCombinationFile(P("loop1"), lib), 0);

    // A read-only file behind a link is refused too.
    ::chmod(P("shared/team.tgv").c_str(), 0444);
    SaveFailure why = SaveFailure::None;
    EXPECT_EQ(WriteCombinationFile(P("lib.tgv"), lib, &why), 0);
    EXPECT_EQ(why, SaveFailure::ReadOnly);
}

// Replacing one name of a hard-linked file would leave the other names with
// the old records; writing in place could leave a half-written file. The save
// is refused and both names keep the old file.
TEST_F(PosixSave, AHardLinkedLibraryIsRefused)
{
    Write("lib.tgv", Old());
    fs::create_hard_link(dir / "lib.tgv", dir / "other.tgv");
    SaveFailure why = SaveFailure::None;
    EXPECT_EQ(WriteCombinationFile(P("lib.tgv"), lib, &why), 0);
    EXPECT_EQ(why, SaveFailure::HardLinked);
    EXPECT_EQ(fs::hard_link_count(dir / "lib.tgv"), 2u);
    EXPECT_EQ(Read("other.tgv"), Old());
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"lib.tgv", "other.tgv"}));
}

// Temporary files of killed saves never block saving; one that a live save
// holds (its lock taken) is left alone.
TEST_F(PosixSave, StaleTemporariesDoNotBlockSaves)
{
    Write("lib.tgv", Old());
    for (int i = 0; i < 16; ++i)
        Write("lib.tgv.tmp" + std::to_string(i), Bytes{1});
    for (int i = 0; i < 20; ++i)
        Write(fs::path(UniqueTemporaryName(P("lib.tgv"))).filename().string(), Bytes{2});
    const std::string busy = UniqueTemporaryName(P("lib.tgv"));
    const int fd = ::open(busy.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    Write("lib.tgv.bak", Bytes{3});

    ASSERT_EQ(WriteCombinationFile(P("lib.tgv"), lib), 1);
    EXPECT_EQ(Read("lib.tgv"), Saved());
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"lib.tgv", "lib.tgv.bak", fs::path(busy).filename().string()}));
    ::close(fd);  // the lock goes with the descriptor: now it is stale
    ASSERT_EQ(WriteCombinationFile(P("lib.tgv"), lib), 1);
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"lib.tgv", "lib.tgv.bak"}));
}

// Two processes saving the same library over and over: every save succeeds,
// the file is always one of the two whole versions, no temporary is left.
TEST_F(PosixSave, TwoProcessesSavingAtOnceDoNotCollide)
{
    Write("lib.tgv", Old());
    const std::string path = P("lib.tgv");
    constexpr int kSaves = 40;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) {
            CombinationLibrary mine;
            for (int i = 0; i <= c; ++i)
                mine.Append(MakeRecord("child" + std::to_string(c), "c/"));
            int failures = 0;
            for (int i = 0; i < kSaves; ++i) {
                failures += WriteCombinationFile(path, mine) == 1 ? 0 : 1;
                CombinationLibrary check;
                failures += ReadCombinationFile(path, check) == 1 && check.GetCount() >= 1 ? 0 : 1;
            }
            ::_exit(failures > 100 ? 100 : failures);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "failed saves or loads in one process";
    }
    const Bytes last = Read("lib.tgv");
    EXPECT_TRUE(last == FileBytes({RecordBytes("child0", "c/")}) ||
                last == FileBytes({RecordBytes("child1", "c/"), RecordBytes("child1", "c/")}));
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"lib.tgv"});
}
