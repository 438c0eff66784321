// tgv where a user or a damaged file trips it: validation shared by build
// and check, messages that say where, 1-based record numbers, exit codes,
// standard streams, terminal safety, interactive merge, partial reads.
#include "ReadableForm.h"
#include "TgvTestSupport.h"

#include <cstring>

namespace {

struct TgvFaultsTest : TgvTest {};

const char* const kOneRecord = R"({"records": [{"name": "a", "roomCategory": "b/"}]})";

}  // namespace

TEST_F(TgvFaultsTest, BuildRefusesWhatCheckReportsAndCheckSeesTheSame)
{
    const auto build = [&](const std::string& json, std::vector<std::string> extra = {}) {
        WriteText("s.json", json);
        std::vector<std::string> args = {"build", P("s.json"), "-o", P("x.tgv")};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    };
    const std::string badColour =
        R"({"records": [{"name": "ok", "roomCategory": "b/"}, {"name": "a", "roomCategory": "b/", "wall": {"color": [0.5, -1, 0.3]}}]})";
    EXPECT_EQ(build(badColour), 2);
    EXPECT_EQ(err, "tgv: " + P("s.json") + ": record 2 (a): wall.color[1] is -1, outside 0-1\n");
    EXPECT_FALSE(fs::exists(dir / "x.tgv"));
    EXPECT_EQ(build(R"({"records": [{"name": "a", "roomCategory": "b", "ceiling": {"color": [2.5, 0, 0]}}]})"), 2);
    EXPECT_NE(err.find("record 1 (a): roomCategory does not end in \"/\""), std::string::npos) << err;
    EXPECT_EQ(build(R"({"records": [{"name": "Dup", "roomCategory": "b/"}, {"name": "dup", "roomCategory": "B/"}]})"), 2);
    EXPECT_NE(err.find("record 2 (dup): same name and category as record 1"), std::string::npos) << err;

    // A damaged file can still be rebuilt on purpose; check then names the
    // same record and field.
    ASSERT_EQ(build(badColour, {"--allow-problems"}), 0) << err;
    EXPECT_EQ(Run({"check", P("x.tgv")}), 1);
    EXPECT_EQ(out, "record 2 (a): wall.color[1] is -1, outside 0-1\n2 records, 1 problems\n");
    ASSERT_EQ(Run({"check", "--json", P("x.tgv")}), 1);
    EXPECT_NE(out.find(R"("record": 2,)"), std::string::npos) << out;
    EXPECT_NE(out.find(R"("field": "wall.color[1]",)"), std::string::npos) << out;
    EXPECT_NE(out.find(R"("kind": "colour-out-of-range",)"), std::string::npos) << out;
}

TEST_F(TgvFaultsTest, ReaderRefusesNumbersAndTextsTheFileCannotHold)
{
    const auto build = [&](const std::string& slot) {
        WriteText("s.json", R"({"records": [{"name": "ok", "roomCategory": "b/"}, {"name": "a", "roomCategory": "b/", )" +
                                slot + "}]}");
        return Run({"build", P("s.json"), "-o", P("x.tgv")});
    };
    EXPECT_EQ(build(R"("floor": {"slotWord": 18446744073709551615})"), 2);
    EXPECT_NE(err.find("record 2 (a), floor.slotWord: out of the 32-bit range"), std::string::npos) << err;
    EXPECT_EQ(build(R"("floor": {"slotWord": -2147483649})"), 2);
    EXPECT_EQ(build(R"("floor": {"color": [1e39, 0, 0]})"), 2);
    EXPECT_NE(err.find("record 2 (a), floor.color[0]: number out of range for a 32-bit float"), std::string::npos) << err;
    EXPECT_EQ(build(R"("floor": {"vector": [1e400, 0, 0]})"), 2);
    EXPECT_EQ(build(u8R"("shortDescription": "5 €")"), 2);
    EXPECT_NE(err.find("record 2 (a), shortDescription: text has no code page 936 form"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir / "x.tgv"));
    // The limits themselves are fine.
    EXPECT_EQ(build(R"("floor": {"slotWord": 4294967295, "params1": [-2147483648, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]})"), 0)
        << err;
}

TEST_F(TgvFaultsTest, BuildSaysWhereTheJsonIsBrokenAndWhenItIsGivenALibrary)
{
    WriteText("broken.json", "{\n  \"records\": [\n    {\"name\": \"a\",, }\n  ]\n}\n");
    EXPECT_EQ(Run({"build", P("broken.json"), "-o", P("x.tgv")}), 2);
    EXPECT_EQ(err.rfind("tgv: " + P("broken.json") + ": line 3, column 18: ", 0), 0u) << err;
    EXPECT_EQ(err.find("json.exception"), std::string::npos) << err;

    BuildFrom(kOneRecord, "lib.tgv");
    EXPECT_EQ(Run({"build", P("lib.tgv"), "-o", P("y.tgv")}), 2);
    EXPECT_EQ(err, "tgv: " + P("lib.tgv") + " is a library file, not its readable form; \"tgv dump " + P("lib.tgv") +
                       "\" writes the readable form\n");
}

TEST_F(TgvFaultsTest, CompactAndFullFormsBothRebuildTheSameBytes)
{
    // The compact form of the starter library is its source, to the byte.
    ASSERT_EQ(Run({"build", StarterSource(), "-o", P("a.tgv")}), 0) << err;
    ASSERT_EQ(Run({"dump", P("a.tgv")}), 0) << err;
    std::ifstream source(fs::u8path(StarterSource()), std::ios::binary);
    EXPECT_EQ(out, std::string(std::istreambuf_iterator<char>(source), {}));

    ASSERT_EQ(Run({"dump", "--full", P("a.tgv"), "-o", P("full.json")}), 0) << err;
    EXPECT_NE(ReadText("full.json").find("\"params6\": [0, 0]"), std::string::npos);
    ASSERT_EQ(Run({"build", P("full.json"), "-o", P("b.tgv")}), 0) << err;
    EXPECT_EQ(ReadBytes("a.tgv"), ReadBytes("b.tgv"));

    // Members that equal a new record's are left out, others kept, however small.
    BuildFrom(R"({"records": [{"name": "a", "roomCategory": "b/", "floor": {"color": [-0.0, 0, 0], "triples":
        [[0,0,0],[0,0,0],[0,0,0],[0,0,0],[0,0,0],[0,0,7]]}, "indexList1": ""}]})",
              "c.tgv");
    ASSERT_EQ(Run({"dump", P("c.tgv")}), 0);
    EXPECT_EQ(out, R"({
  "signature": "ZK_Tintgrove_V1.0",
  "records": [
    {
      "name": "a",
      "roomCategory": "b/",
      "floor": {
        "color": [-0.0, 0.0, 0.0],
        "triples": [[0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 0], [0, 0, 7]]
      },
      "indexList1": ""
    }
  ]
}
)");
}

TEST_F(TgvFaultsTest, StandardStreamsStandInForFiles)
{
    BuildFrom(kOneRecord, "lib.tgv");
    const Bytes bytes = ReadBytes("lib.tgv");
    const std::string library(bytes.begin(), bytes.end());
    ASSERT_EQ(Run({"dump", "-"}, library), 0) << err;
    const std::string readable = out;
    ASSERT_EQ(Run({"build", "-", "-o", "-"}, readable), 0) << err;
    EXPECT_EQ(out, library);
    EXPECT_EQ(err, "wrote 1 records to -\n");  // the summary keeps out of the data
    ASSERT_EQ(Run({"info", "--json", "-"}, library), 0) << err;
    EXPECT_NE(out.find("\"records\": 1,"), std::string::npos) << out;
    EXPECT_EQ(Run({"check", "-"}, "not a library"), 2);
    EXPECT_EQ(err, "tgv: standard input: not a Tintgrove library or exchange file (it lacks the signature "
                   "\"ZK_Tintgrove_V1.0\")\n");
}

TEST_F(TgvFaultsTest, ConventionsOfTheCommandLine)
{
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(out, "tgv 1.0.0\n");
    EXPECT_EQ(Run({"contarst", "x.tgv"}), 2);
    EXPECT_EQ(err, "tgv: unknown command \"contarst\"; did you mean \"contrast\"? (tgv --help lists the commands)\n");
    EXPECT_EQ(Run({"rep"}), 2);
    EXPECT_NE(err.find("did you mean \"report\""), std::string::npos) << err;
    // An option mistyped, before or after the file, with or without a value.
    EXPECT_EQ(Run({"info", "--jsn", "x.tgv"}), 2);
    EXPECT_EQ(err, "tgv: info: unknown option --jsn; did you mean --json? (tgv info --help lists its options)\n");
    EXPECT_EQ(Run({"report", "x.tgv", "-o", "-", "--textur=maps"}), 2);
    EXPECT_NE(err.find("unknown option --textur; did you mean --textures?"), std::string::npos) << err;
    EXPECT_EQ(Run({"diff", "a.tgv", "b.tgv", "--jason"}), 2);
    EXPECT_NE(err.find("did you mean --json?"), std::string::npos) << err;
    EXPECT_EQ(Run({"contrast", "x.tgv", "--min", "-5"}), 2);  // a value out of range is not a typo
    EXPECT_EQ(err.find("unknown option"), std::string::npos) << err;
    for (const char* command : {"info", "list", "show", "check", "dump", "build", "merge", "textures", "diff",
                                "contrast", "report"}) {
        EXPECT_EQ(Run({command, "--help"}), 0) << command;
        EXPECT_NE(out.find(std::string("Example:\n  tgv ") + command), std::string::npos) << out;
    }
}

TEST_F(TgvFaultsTest, RecordNumbersAreCheckedBeforeUse)
{
    BuildFrom(kOneRecord, "lib.tgv");
    for (const char* index : {"-2147483648", "0", "2", "9223372036854775807"}) {
        EXPECT_EQ(Run({"show", P("lib.tgv"), "--index", index}), 1) << index;
        EXPECT_EQ(err, "tgv: there is no record " + std::string(index) + "; " + P("lib.tgv") +
                           " has 1 records (numbered 1-1)\n");
    }
    EXPECT_EQ(Run({"show", P("lib.tgv"), "-n", "x", "-c", "b/"}), 1);
    EXPECT_EQ(err, "tgv: no record named \"x\" in the category \"b/\"; " + P("lib.tgv") + " has 1 records\n");
    ASSERT_EQ(Run({"show", "--json", P("lib.tgv"), "-i", "1"}), 0);
    EXPECT_NE(out.find("\"number\": 1,\n  \"record\": {\n    \"name\": \"a\","), std::string::npos) << out;
}

TEST_F(TgvFaultsTest, RecordTextsCannotControlTheTerminal)
{
    WriteBytes("esc.tgv", FileBytes({RecordBytes("red\x1b[31m\x07", "a/", "\x1b]0;title\x07")}));
    ASSERT_EQ(Run({"list", P("esc.tgv")}), 0);
    EXPECT_EQ(out, "a/\n  1 red\\x1B[31m\\x07\n");
    EXPECT_EQ(Run({"check", P("esc.tgv")}), 0);
    EXPECT_EQ(out.find('\x1b'), std::string::npos);
    // The interactive merge shows both records' texts escaped.
    WriteBytes("in.tgv", FileBytes({RecordBytes("RED\x1b[31m\x07", "A/", "new\x1b[2J")}));
    terminal = true;
    ASSERT_EQ(Run({"merge", P("esc.tgv"), P("in.tgv")}, "n\n"), 0) << err;
    EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
    EXPECT_NE(err.find("incoming: new\\x1B[2J"), std::string::npos) << err;
}

TEST_F(TgvFaultsTest, ListAndShowReportATruncatedFile)
{
    Bytes bytes = FileBytes({RecordBytes("a", "b/"), RecordBytes("c", "b/")});
    bytes.resize(bytes.size() - 100);
    WriteBytes("cut.tgv", bytes);
    EXPECT_EQ(Run({"list", P("cut.tgv")}), 1);
    EXPECT_EQ(out, "b/\n  1 a\n");
    EXPECT_EQ(err, "tgv: " + P("cut.tgv") +
                       " ends in a fragment of 12380 bytes, shorter than a record (truncated?); it was left out\n");
    EXPECT_EQ(Run({"dump", P("cut.tgv"), "-o", P("cut.json")}), 1);
    // Merging into it would drop the fragment: refused.
    BuildFrom(kOneRecord, "in.tgv");
    EXPECT_EQ(Run({"merge", P("cut.tgv"), P("in.tgv"), "--conflicts", "replace"}), 2);
    EXPECT_EQ(ReadBytes("cut.tgv"), bytes);
}

TEST_F(TgvFaultsTest, MergeAsksOnTheTerminalOnly)
{
    WriteBytes("lib.tgv", FileBytes({RecordBytes("A", "x/", "old a"), RecordBytes("B", "x/", "old b")}));
    WriteBytes("in.tgv", FileBytes({RecordBytes("A", "x/", "new a"), RecordBytes("B", "x/", "new b"),
                                    RecordBytes("C", "x/", "c")}));
    const Bytes before = ReadBytes("lib.tgv");
    // Not a terminal: refused at the first conflict, nothing written.
    EXPECT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv")}, "y\ny\n"), 2);
    EXPECT_NE(err.find("standard input is not a terminal; choose --conflicts replace, skip or cancel"),
              std::string::npos)
        << err;
    EXPECT_EQ(ReadBytes("lib.tgv"), before);
    terminal = true;
    ASSERT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "-o", P("s.tgv")}, "s\n"), 0) << err;
    EXPECT_EQ(out, "added 1, replaced 0\n");  // skip all: asked once
    EXPECT_EQ(err.find("replace it?"), err.rfind("replace it?"));
    ASSERT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "-o", P("a.tgv")}, "a\n"), 0) << err;
    EXPECT_EQ(out, "added 1, replaced 2\n");
    EXPECT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv")}, "c\n"), 1);
    EXPECT_EQ(ReadBytes("lib.tgv"), before);
    EXPECT_EQ(out, "");
}

TEST_F(TgvFaultsTest, MergeIntoANonLibrarySpeaksOneLanguage)
{
    WriteText("notes.tgv", "some notes, not a library");
    BuildFrom(kOneRecord, "in.tgv");
    EXPECT_EQ(Run({"merge", P("notes.tgv"), P("in.tgv"), "--conflicts", "skip"}), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "tgv: " + P("notes.tgv") +
                       ": not a Tintgrove library or exchange file (it lacks the signature \"ZK_Tintgrove_V1.0\")\n");
    EXPECT_EQ(ReadText("notes.tgv"), "some notes, not a library");
    EXPECT_EQ(Run({"merge", P("in.tgv"), P("notes.tgv"), "--conflicts", "skip"}), 2);
    EXPECT_EQ(err.find("\xE4"), std::string::npos) << err;  // no Chinese message of the plug-in's
}

TEST_F(TgvFaultsTest, AReadFailingPartWayIsAnErrorNeverAShorterLibrary)
{
    WriteBytes("lib.tgv", FileBytes({RecordBytes("a", "x/"), RecordBytes("b", "x/"), RecordBytes("c", "x/")}));
    BuildFrom(R"({"records": [{"name": "d", "roomCategory": "x/"}]})", "in.tgv");
    const Bytes before = ReadBytes("lib.tgv");
    // Operations: open, the signature, then one read per record. Fail each in turn.
    for (int failAt = 3; failAt <= 5; ++failAt) {
        FailingFileLayer failing(PlatformFiles());
        failing.failAt = failAt;
        UseFileLayer use(failing);
        EXPECT_EQ(Run({"info", P("lib.tgv")}), 2) << failAt;
        EXPECT_NE(err.find("read error after " + std::to_string(failAt - 3) + " of 3 records"), std::string::npos)
            << err;
        failing.operations = 0;
        EXPECT_EQ(Run({"check", P("lib.tgv")}), 2) << failAt;
        // A merge reads the exchange file first (open, one read, the end).
        failing.operations = 0;
        failing.failAt = failAt + 3;
        EXPECT_EQ(Run({"merge", P("lib.tgv"), P("in.tgv"), "--conflicts", "replace"}), 2) << failAt;
    }
    EXPECT_EQ(ReadBytes("lib.tgv"), before);

    // A readable source read part-way is not built from.
    FailingFileLayer failing(PlatformFiles());
    failing.failAt = 2;  // the first read after the open
    UseFileLayer use(failing);
    EXPECT_EQ(Run({"build", P("in.tgv.json"), "-o", P("out.tgv")}), 2);
    EXPECT_EQ(err, "tgv: " + P("in.tgv.json") + ": read error after 0 of " +
                       std::to_string(ReadText("in.tgv.json").size()) + " bytes\n");
    EXPECT_FALSE(fs::exists(dir / "out.tgv"));
}

TEST_F(TgvFaultsTest, TheDocumentItselfIsChecked)
{
    const auto build = [&](const std::string& json) {
        WriteText("s.json", json);
        const int rc = Run({"build", P("s.json"), "-o", P("x.tgv")});
        return rc == 2 ? err.substr(err.find(": ", 5) + 2) : "exit " + std::to_string(rc);
    };
    EXPECT_EQ(build("[]"), "expected an object\n");
    EXPECT_EQ(build("{}"), "expected \"records\": [...]\n");
    EXPECT_EQ(build(R"({"records": {}})"), "expected \"records\": [...]\n");
    EXPECT_EQ(build(R"({"records": [], "records": []})"), "\"records\" is given twice\n");
    EXPECT_EQ(build(R"({"records": [], "extra": 1})"), "unknown member \"extra\"\n");
    EXPECT_EQ(build(R"({"signature": "ZK_Tintgrove_V2.0", "records": []})"),
              "signature: must be \"ZK_Tintgrove_V1.0\"\n");
    EXPECT_EQ(build(R"({"records": [[1]]})"), "record 1: expected an object\n");
    EXPECT_EQ(build(R"({"records": [{"name": "a", "roomCategory": "b/"}, 5]})"), "record 2: expected an object\n");
    EXPECT_EQ(build("{\"records\": [{\"name\": \"a\", \"roomCategory\": \"b/\", \"wall\": {\"vector\": [1e400]}}]}"),
              "line 1, column 70: number overflow parsing '1e400'\n");
    EXPECT_FALSE(fs::exists(dir / "x.tgv"));
    EXPECT_EQ(build(R"({"records": []})"), "exit 0");
}

TEST_F(TgvFaultsTest, WhatCannotBeDoneIsSaidPlainly)
{
    BuildFrom(kOneRecord, "lib.tgv");
    const std::string lib = P("lib.tgv");
    const auto failsWith = [&](std::vector<std::string> args, const std::string& message) {
        EXPECT_EQ(Run(args), 2) << message;
        EXPECT_EQ(err, "tgv: " + message + "\n");
    };
    failsWith({"merge", "-", "-", "--conflicts", "skip"},
              "merge: the library and the exchange file cannot both come from standard input");
    failsWith({"merge", lib, "-"}, "merge: --conflicts ask answers on standard input, which carries a file here; "
                                   "choose --conflicts replace, skip or cancel");
    failsWith({"diff", "-", "-"}, "diff: only one of the two files can come from standard input");
    failsWith({"diff", lib, lib, lib}, "diff takes two files (or the seven or nine arguments git passes a diff driver)");
    failsWith({"show", lib}, "show needs --index N or --name with --category");
    failsWith({"contrast", lib, "--textures", P("nowhere")}, P("nowhere") + ": no such folder");
    failsWith({"report", lib, "-o", "-", "--textures", P("nowhere")}, P("nowhere") + ": no such folder");
    failsWith({"info", P(u8"😀.tgv")}, "the path \"" + P(u8"😀.tgv") + "\" has no code page 936 form");
    // Writing into a folder that does not exist leaves nothing behind.
    // The lock is taken before the file is written; the reason is the system's own words.
    EXPECT_EQ(Run({"build", P("lib.tgv.json"), "-o", P("nowhere/x.tgv")}), 2);
    EXPECT_EQ(err.rfind("tgv: " + P("nowhere/x.tgv.lock") + ": cannot create the library's lock (", 0), 0u) << err;
    EXPECT_NE(err.find("); nothing was written\n"), std::string::npos) << err;
    failsWith({"dump", lib, "-o", P("nowhere/x.json")},
              P("nowhere/x.json") + ": cannot write the file; an existing file was left as it was");
}
