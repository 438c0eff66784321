// tgv as other programs run it: git calling it as the diff and merge driver
// of *.tgv files, and tgv rewriting a library while a panel saves to it. Real
// processes on real files (POSIX only: fork, git on the machine).
#include "LibraryExchange.h"
#include "SharedLibrary.h"
#include "TgvTestSupport.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

namespace {

// "A=one" is the record named A in x/ whose short description is "one".
Bytes Library(const std::vector<std::string>& records)
{
    std::vector<Bytes> images;
    for (const std::string& r : records) {
        const std::size_t eq = r.find('=');
        images.push_back(RecordBytes(r.substr(0, eq), "x/", eq == std::string::npos ? "" : r.substr(eq + 1)));
    }
    return FileBytes(images);
}

std::vector<std::string> Records(const std::string& path)
{
    CombinationLibrary library;
    EXPECT_EQ(ReadCombinationFile(path, library), 1) << path;
    std::vector<std::string> names;
    for (int i = 0; i < library.GetCount(); ++i)
        names.push_back(std::string(FieldView(library[i].name)) + "=" +
                        std::string(FieldView(library[i].shortDescription)));
    return names;
}

std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct TgvGit : TgvTest {
    const std::string tgv = TG_TGV_EXE;
    std::string shown;  // standard output and error of the last shell command

    // Runs a shell command in the scratch folder; its exit code.
    int Sh(const std::string& command)
    {
        const std::string line = "cd " + Quoted(dir.string()) + " && { " + command + "; } 2>&1";
        FILE* pipe = ::popen(line.c_str(), "r");
        shown.clear();
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            shown.append(buffer, n);
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // A repository set up as the README tells: the identity is the
    // repository's own, never the user's.
    void InitRepository()
    {
        ASSERT_EQ(Sh("git init -q -b main . && git config user.name Tester && git config user.email tester@example.com"
                     " && git config diff.tgv.command " + Quoted(Quoted(tgv) + " diff") +
                     " && git config merge.tgv.name 'Tintgrove library'"
                     " && git config merge.tgv.driver " + Quoted(Quoted(tgv) + " merge3 %O %A %B %P") +
                     " && printf '*.tgv diff=tgv merge=tgv\\n' > .gitattributes"),
                  0)
            << shown;
    }
    int Commit(const std::string& message) { return Sh("git add -A && git commit -q -m " + Quoted(message)); }
};

}  // namespace

TEST_F(TgvGit, DiffDriverShowsRecordsAndNeverStopsGit)
{
    InitRepository();
    WriteBytes("lib.tgv", Library({"A=1", "B=2"}));
    WriteBytes("old.tgv", Library({"R=1"}));
    WriteBytes("-dash.tgv", Library({"D=1"}));
    WriteBytes("\xFF\xFE.tgv", Library({"U=1"}));  // a name that is not UTF-8
    WriteText("notes.tgv", "a text file that only has the extension\n");
    ASSERT_EQ(Commit("first"), 0) << shown;
    ASSERT_EQ(Sh("git mv old.tgv renamed.tgv"), 0) << shown;
    WriteBytes("lib.tgv", Library({"A=1", "B=two", "C=3"}));
    WriteText("notes.tgv", "still not a library\n");
    ASSERT_EQ(Commit("second"), 0) << shown;

    // The working tree's file itself is passed for a changed "-dash.tgv".
    WriteBytes("-dash.tgv", Library({"D=changed"}));
    ASSERT_EQ(Sh("git diff"), 0) << shown;
    EXPECT_NE(shown.find("diff --tgv a/-dash.tgv b/-dash.tgv\n~ changed  x/D"), std::string::npos) << shown;
    ASSERT_EQ(Sh("git rm -q -f -- -dash.tgv") + Commit("third"), 0) << shown;

    ASSERT_EQ(Sh("git show --ext-diff HEAD~1"), 0) << shown;
    EXPECT_NE(shown.find("diff --tgv a/lib.tgv b/lib.tgv\n+ added    x/C (record 3 of B)\n~ changed  x/B"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("diff --tgv a/old.tgv b/renamed.tgv\nsimilarity index 100%\nrename from old.tgv\n"
                         "rename to renamed.tgv\nsame records\n"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("a/notes.tgv: not a Tintgrove library"), std::string::npos) << shown;

    ASSERT_EQ(Sh("git log -p --ext-diff"), 0) << shown;
    EXPECT_NE(shown.find("diff --tgv a/-dash.tgv b/-dash.tgv\ndeleted file -dash.tgv\n- removed  x/D"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("new file -dash.tgv\n+ added    x/D"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\\xFF\\xFE.tgv\n+ added    x/U"), std::string::npos) << shown;
    EXPECT_NE(shown.find("b/notes.tgv: not a Tintgrove library"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("external diff died"), std::string::npos) << shown;
}

TEST_F(TgvGit, MergeDriverMergesRecordsAndHandsConflictsToTheImport)
{
    InitRepository();
    WriteBytes("lib.tgv", Library({"A=1", "B=1", "C=1"}));
    ASSERT_EQ(Commit("base"), 0) << shown;
    const std::string lib = (dir / "lib.tgv").string(), theirs = (dir / "lib.theirs.tgv").string();
    // Two branches from main, one change each, then the second merges the first.
    const auto branches = [&](const std::string& name, const std::vector<std::string>& one,
                              const std::vector<std::string>& two) {
        Sh("git merge --abort; git reset -q --hard && git checkout -q main");
        WriteBytes("lib.tgv", Library(one));
        ASSERT_EQ(Sh("git checkout -q -b " + name + "1") + Commit("one"), 0) << shown;
        ASSERT_EQ(Sh("git checkout -q main && git checkout -q -b " + name + "2"), 0) << shown;
        WriteBytes("lib.tgv", Library(two));
        ASSERT_EQ(Commit("two"), 0) << shown;
    };

    // A scheme added on each branch: both, ours first.
    branches("add", {"A=1", "B=1", "C=1", "S1=1"}, {"A=1", "B=1", "C=1", "S2=1"});
    ASSERT_EQ(Sh("git merge -q -m merged add1"), 0) << shown;
    EXPECT_EQ(Records(lib), (std::vector<std::string>{"A=1", "B=1", "C=1", "S2=1", "S1=1"}));

    // Different records edited, one deleted on one side: every change taken.
    branches("edit", {"A=one", "B=1"}, {"A=1", "B=two", "C=1"});
    ASSERT_EQ(Sh("git merge -q -m merged edit1"), 0) << shown;
    EXPECT_EQ(Records(lib), (std::vector<std::string>{"A=one", "B=two"}));
    EXPECT_FALSE(fs::exists(theirs));

    // The same record edited differently on both, and one edited on one
    // side and deleted on the other: git stops; ours keeps our versions, the
    // other side's wait in the exchange file.
    branches("clash", {"A=theirs", "B=1", "C=1", "T=1"}, {"A=ours", "B=1"});
    EXPECT_NE(Sh("git merge -m merged clash1"), 0);
    EXPECT_NE(shown.find("CONFLICT (content): Merge conflict in lib.tgv"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\"A\" in \"x/\": changed on both sides, differently"), std::string::npos) << shown;
    EXPECT_NE(shown.find("lib.theirs.tgv: import it in the panel"), std::string::npos) << shown;
    EXPECT_EQ(Records(lib), (std::vector<std::string>{"A=ours", "B=1", "T=1"}));
    EXPECT_EQ(Records(theirs), (std::vector<std::string>{"A=theirs"}));
    // The import reads it, and the designer's choice replaces ours.
    CombinationLibrary imported;
    ASSERT_EQ(ReadCombinationFile(lib, imported), 1);
    const MergeResult merged = MergeCombinationFile(
        theirs, imported, [](const CombinationRecord&, const CombinationRecord&) { return MergeDecision::Replace; });
    EXPECT_EQ(merged.status, MergeStatus::Completed);
    EXPECT_EQ(merged.replaced, 1);
    fs::remove(theirs);

    branches("gone", {"A=1", "B=1"}, {"A=1", "B=1", "C=edited"});
    EXPECT_NE(Sh("git merge -m merged gone1"), 0);
    EXPECT_NE(shown.find("\"C\" in \"x/\": changed here, deleted on the other side"), std::string::npos) << shown;
    EXPECT_EQ(Records(lib), (std::vector<std::string>{"A=1", "B=1", "C=edited"}));

    // A side that is not a library: exit 2, ours untouched.
    Sh("git merge --abort; git reset -q --hard");
    WriteBytes("base.tgv", Library({"A=1"}));
    WriteBytes("ours.tgv", Library({"A=ours"}));
    WriteText("text.tgv", "not a library");
    const Bytes ours = ReadBytes("ours.tgv");
    EXPECT_EQ(Sh(Quoted(tgv) + " merge3 base.tgv ours.tgv text.tgv lib.tgv"), 2);
    EXPECT_NE(shown.find("text.tgv (theirs): not a Tintgrove library"), std::string::npos) << shown;
    EXPECT_EQ(Sh(Quoted(tgv) + " merge3 text.tgv ours.tgv base.tgv"), 2);
    EXPECT_EQ(ReadBytes("ours.tgv"), ours);
}

// A panel saving while tgv merges into the same library: tgv waits for the
// panel's lock and reads the library after it, so the panel's addition and
// edit and the merged records all stay.
TEST_F(TgvGit, MergeWaitsForAPanelsSaveAndKeepsIt)
{
    const std::string lib = P("lib.tgv");
    WriteBytes("lib.tgv", Library({"A=1", "B=1"}));
    WriteBytes("exchange.tgv", Library({"M=merged"}));
    const pid_t panel = ::fork();
    ASSERT_GE(panel, 0);
    if (panel == 0) {
        SharedLibraryFile file(lib);
        CombinationLibrary library;
        file.Load(library);
        const CombinationRecord added = MakeRecord("P", "x/", "panel");
        library.Append(added);
        file.changes.Added(added);
        const CombinationRecord before = library[0];
        library[0] = MakeRecord("A", "x/", "edited");
        file.changes.Changed(before, library[0]);
        // Stops with the lock held and the new file written, until told to go on.
        file.beforeReplace = [&] {
            std::ofstream(P("paused"));
            for (int i = 0; i < 3000 && !fs::exists(P("go")); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
        };
        ::_exit(file.Save(library).Saved() ? 0 : 1);
    }
    for (int i = 0; i < 3000 && !fs::exists(P("paused")); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(fs::exists(P("paused")));

    const pid_t merge = ::fork();
    ASSERT_GE(merge, 0);
    if (merge == 0) {
        ::execl(TG_TGV_EXE, "tgv", "merge", lib.c_str(), P("exchange.tgv").c_str(), "--conflicts", "skip",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Give tgv time to reach the lock (a tgv that ignored it would be done).
    int status = 0;
    for (int i = 0; i < 100 && ::waitpid(merge, &status, WNOHANG) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ofstream(P("go"));
    int panelStatus = 0;
    ASSERT_EQ(::waitpid(panel, &panelStatus, 0), panel);
    EXPECT_TRUE(WIFEXITED(panelStatus) && WEXITSTATUS(panelStatus) == 0);
    if (::waitpid(merge, &status, 0) == merge) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(Records(lib), (std::vector<std::string>{"A=edited", "B=1", "P=panel", "M=merged"}));
    EXPECT_FALSE(fs::exists(lib + ".lock"));
}

// A lock that cannot be created stops the rewrite and says where and why.
TEST_F(TgvGit, ALockThatCannotBeCreatedStopsTheWrite)
{
    WriteBytes("lib.tgv", Library({"A=1"}));
    WriteBytes("exchange.tgv", Library({"M=1"}));
    fs::create_directories(dir / "lib.tgv.lock");
    const Bytes before = ReadBytes("lib.tgv");
    EXPECT_EQ(Run({"merge", P("lib.tgv"), P("exchange.tgv"), "--conflicts", "skip"}), 2);
    EXPECT_EQ(err, "tgv: " + P("lib.tgv.lock") + ": cannot create the library's lock (Is a directory); nothing was "
                                                 "written\n");
    WriteText("lib.json", R"({"records": [{"name": "N", "roomCategory": "x/"}]})");
    EXPECT_EQ(Run({"build", P("lib.json"), "-o", P("lib.tgv")}), 2);
    EXPECT_NE(err.find("cannot create the library's lock"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes("lib.tgv"), before);
}
