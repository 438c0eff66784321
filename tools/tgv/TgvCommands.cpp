#include "TgvCommands.h"

#include "CombinationFile.h"
#include "FileLayer.h"
#include "Cp936Text.h"
#include "ReadableForm.h"
#include "RecordStream.h"
#include "TextDisplay.h"
#include "TgvMerge.h"
#include "TgvSubcommands.h"
#include "TgvSupport.h"
#include "TintgroveVersion.h"
#include "UserPrompt.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <climits>
#include <unordered_map>
#include <iostream>

using ordered_json = nlohmann::ordered_json;

namespace {

// The library's own messages are the plug-in's (Chinese, in message boxes);
// tgv reports in its own words, so they are not shown.
PromptAnswer SilentPrompt(const std::string&, const std::string&, PromptButtons buttons)
{
    return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Cancel;
}

struct SilentPrompts {
    SilentPrompts() : previous(SetPromptHandler(SilentPrompt)) {}
    ~SilentPrompts() { SetPromptHandler(previous); }
    SilentPrompts(const SilentPrompts&) = delete;
    SilentPrompts& operator=(const SilentPrompts&) = delete;
    PromptHandler previous;
};

std::string Utf8(std::string_view cp936Text)
{
    return DisplayText(cp936Text);
}

// ---- list ----------------------------------------------------------------

// The category of each record split at its "/" separators.
std::vector<std::string> CategoryParts(const std::string& category)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = cp936::FindFirstChar(std::string_view(category).substr(start), '/');
        if (slash == std::string::npos) {
            if (start < category.size())
                parts.push_back(category.substr(start));
            break;
        }
        parts.push_back(category.substr(start, slash + 1));
        start += slash + 1;
    }
    return parts;
}

int ListTree(TgvIo& io, const std::string& file, bool json)
{
    // One pass keeps only each record's number and name, by category.
    RecordStream stream(file, io.in, kRecordBatch);
    CategoryGroups categories;
    std::vector<std::vector<std::pair<int64_t, std::string>>> members;
    CombinationRecord record;
    while (stream.Next(record)) {
        const std::size_t group = categories.Of(FieldView(record.roomCategory));
        if (group == members.size())
            members.emplace_back();
        members[group].emplace_back(stream.RecordsRead(), std::string(FieldView(record.name)));
    }
    bool fragment = false;
    stream.ReportFragment(io, fragment);
    std::ostream& out = io.out;
    if (json) {
        // Each category's entry is written as the whole document's dump nests it.
        out << "{\n  \"categories\": [";
        for (std::size_t c = 0; c < members.size(); ++c) {
            ordered_json entry = {{"category", Utf8(categories.Names()[c])}, {"records", ordered_json::array()}};
            for (const auto& [number, name] : members[c])
                entry["records"].push_back({{"number", number}, {"name", Utf8(name)}});
            out << (c == 0 ? "\n    " : ",\n    ")
                << NestedJson(entry.dump(2, ' ', false, nlohmann::json::error_handler_t::replace), 2);
        }
        out << (members.empty() ? "]\n}\n" : "\n  ]\n}\n");
        return fragment ? kExitProblems : kExitOk;
    }
    std::vector<std::string> shown;  // components of the category printed last
    for (std::size_t c = 0; c < members.size(); ++c) {
        const std::vector<std::string> parts = CategoryParts(categories.Names()[c]);
        std::size_t common = 0;
        while (common < parts.size() && common < shown.size() && parts[common] == shown[common])
            ++common;
        for (std::size_t d = common; d < parts.size(); ++d)
            out << std::string(2 * d, ' ') << Utf8(parts[d]) << "\n";
        shown = parts;
        for (const auto& [number, name] : members[c])
            out << std::string(2 * parts.size(), ' ') << number << " " << Utf8(name) << "\n";
    }
    return fragment ? kExitProblems : kExitOk;
}

// ---- check ---------------------------------------------------------------

// A problem with what its messages need of its record.
struct Finding {
    RecordProblem problem;
    std::string label, name, sentence;
};

// Validates every record of the stream in turn, duplicates included; the
// number of problems, each added to found when given.
std::size_t Validate(RecordStream& stream, std::vector<Finding>* found)
{
    DuplicateFinder duplicates;
    std::vector<RecordProblem> problems;
    std::size_t total = 0;
    CombinationRecord record;
    while (stream.Next(record)) {
        const int number = static_cast<int>(stream.RecordsRead());
        problems.clear();
        ValidateRecord(record, number, problems);
        if (const int earlier = duplicates.Add(record, number)) {
            RecordProblem p;
            p.record = number;
            p.kind = RecordProblem::Kind::Duplicate;
            p.field = "name";
            p.other = earlier;
            problems.push_back(p);
        }
        total += problems.size();
        if (found)
            for (const RecordProblem& p : problems)
                found->push_back({p, RecordLabel(number - 1, record), Utf8(FieldView(record.name)),
                                  ProblemSentence(p, record)});
    }
    return total;
}

int Check(TgvIo& io, const std::string& file, bool json)
{
    RecordStream stream(file, io.in);
    std::vector<Finding> problems;
    Validate(stream, &problems);
    const int64_t fragmentBytes = stream.Fragment();
    const std::size_t total = problems.size() + (fragmentBytes > 0 ? 1 : 0);
    const std::string fragment = "the file ends in a fragment of " + std::to_string(fragmentBytes) +
                                 " bytes, shorter than a record (ignored)";
    if (json) {
        ordered_json doc = {{"file", file}, {"records", stream.RecordsRead()}, {"problems", ordered_json::array()}};
        for (const Finding& f : problems)
            doc["problems"].push_back({{"record", f.problem.record},
                                       {"name", f.name},
                                       {"field", f.problem.field},
                                       {"kind", ProblemKindName(f.problem.kind)},
                                       {"message", f.sentence}});
        if (fragmentBytes > 0)
            doc["problems"].push_back({{"record", nullptr},
                                       {"name", nullptr},
                                       {"field", nullptr},
                                       {"kind", "fragment"},
                                       {"message", fragment}});
        io.out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else {
        for (const Finding& f : problems)
            io.out << f.label << ": " << f.sentence << "\n";
        if (fragmentBytes > 0)
            io.out << fragment << "\n";
        io.out << stream.RecordsRead() << " records, " << total << " problems\n";
    }
    return total == 0 ? kExitOk : kExitProblems;
}

int Info(TgvIo& io, const std::string& file, bool json)
{
    RecordStream stream(file, io.in);
    const std::size_t problems = Validate(stream, nullptr) + (stream.Fragment() > 0 ? 1 : 0);
    if (json) {
        const ordered_json doc = {{"file", file},
                                  {"signature", std::string(LIBRARY_SIGNATURE)},
                                  {"size", stream.Size()},
                                  {"records", stream.RecordsRead()},
                                  {"fragment", stream.Fragment()},
                                  {"problems", problems}};
        io.out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else {
        io.out << "file:       " << file << "\n"
               << "signature:  " << LIBRARY_SIGNATURE << "\n"
               << "size:       " << stream.Size() << " bytes\n"
               << "records:    " << stream.RecordsRead() << "\n"
               << "fragment:   " << stream.Fragment() << " bytes\n"
               << "problems:   " << problems << "\n";
    }
    return kExitOk;
}

// ---- show ----------------------------------------------------------------

int Show(TgvIo& io, const std::string& file, std::optional<long long> number, const std::string& name,
         const std::string& category, bool json, bool full)
{
    RecordStream stream(file, io.in);
    const int64_t count = stream.RecordCount();
    const std::string counted = stream.Name() + " has " + std::to_string(count) + " records";
    CombinationRecord record;
    int64_t at = -1;
    if (number) {
        if (*number < 1 || *number > count)
            throw Failure{"there is no record " + std::to_string(*number) + "; " + counted +
                              (count == 0 ? "" : " (numbered 1-" + std::to_string(count) + ")"),
                          kExitProblems};
        at = *number - 1;
        stream.ReadAt(at, record);
    } else {
        // The first record of that name and category, as the library finds it.
        const std::string wantedName = LayerPath(name), wantedCategory = LayerPath(category);
        while (at < 0 && stream.Next(record))
            if (cp936::EqualsNoCase(FieldView(record.roomCategory), wantedCategory) &&
                cp936::EqualsNoCase(FieldView(record.name), wantedName))
                at = stream.RecordsRead() - 1;
        if (at < 0)
            throw Failure{"no record named \"" + DisplayUtf8(name) + "\" in the category \"" + DisplayUtf8(category) +
                              "\"; " + counted,
                          kExitProblems};
    }
    bool fragment = false;
    stream.ReportFragment(io, fragment);
    const std::string readable = RecordToReadable(record, 0, full ? ReadableStyle::Full : ReadableStyle::Compact);
    if (json) {
        ordered_json doc = {{"number", at + 1}, {"record", ordered_json::parse(readable)}};
        io.out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else {
        io.out << readable;
    }
    return fragment ? kExitProblems : kExitOk;
}

// ---- dump ----------------------------------------------------------------

int Dump(TgvIo& io, const std::string& file, const std::string& output, bool full)
{
    RecordStream stream(file, io.in, kRecordBatch);
    const ReadableStyle style = full ? ReadableStyle::Full : ReadableStyle::Compact;
    // The text ToReadable makes, written a record at a time.
    WriteOutputStreamed(output.empty() ? "-" : output, io.out, [&](const Emit& emit) {
        emit("{\n  \"signature\": \"ZK_Tintgrove_V1.0\",\n");
        CombinationRecord record;
        std::string text;
        while (stream.Next(record)) {
            text = stream.RecordsRead() == 1 ? "  \"records\": [\n" : ",\n";
            text += RecordToReadable(record, 4, style);
            text.pop_back();  // its line break: a comma may follow
            emit(text);
        }
        emit(stream.RecordsRead() == 0 ? "  \"records\": []\n}\n" : "\n  ]\n}\n");
    });
    bool fragment = false;
    stream.ReportFragment(io, fragment);
    return fragment ? kExitProblems : kExitOk;
}

// ---- build ---------------------------------------------------------------

int Build(TgvIo& io, const std::string& source, const std::string& output, bool allowProblems)
{
    const std::string name = source == "-" ? "standard input" : source;
    const std::string text = ReadInput(source, io.in);
    if (text.size() >= kSignatureFieldSize &&
        SignatureMatches(reinterpret_cast<const unsigned char*>(text.data()), text.size()))
        throw Failure{name + " is a library file, not its readable form; \"tgv dump " + name +
                      "\" writes the readable form"};
    std::string error;
    ReadableOptions options;
    options.validate = !allowProblems;
    int count = 0;
    if (output == "-") {
        // Nothing reaches standard output unless the whole source is good.
        CombinationLibrary library;
        if (!FromReadable(text, library, error, options))
            throw Failure{name + ": " + error};
        SaveLibraryFile(output, library, io.out);
        count = library.GetCount();
    } else {
        // A panel's save waits while the file is replaced.
        const LibraryWriteLock lock(output);
        // Each record goes to the new file as soon as it is read, through a
        // buffer of whole records; any error discards the temporary file and
        // leaves an existing one as it was.
        bool writeFailed = false;
        const bool saved = SaveFileSafely(LayerPath(output), [&](File& file) {
            unsigned char field[kSignatureFieldSize];
            MakeSignatureField(field);
            std::vector<char> buffer;
            constexpr std::size_t kBufferRecords = 64;
            buffer.reserve(kBufferRecords * kRecordSize);
            const auto flush = [&] {
                const bool ok = WriteAll(file, buffer.data(), buffer.size());
                buffer.clear();
                return ok;
            };
            if (!WriteAll(file, field, sizeof field))
                return !(writeFailed = true);
            const bool read = ReadReadable(
                text,
                [&](const CombinationRecord& record, std::string&) {
                    const char* bytes = reinterpret_cast<const char*>(&record);
                    buffer.insert(buffer.end(), bytes, bytes + kRecordSize);
                    ++count;
                    if (buffer.size() >= kBufferRecords * kRecordSize && !flush())
                        return !(writeFailed = true);
                    return true;
                },
                error, options);
            if (read && !flush())
                writeFailed = true;
            return read && !writeFailed;
        });
        if (!saved)
            throw Failure{writeFailed || error.empty()
                              ? output + ": cannot write the file; an existing file was left as it was"
                              : name + ": " + error};
    }
    std::ostream& summary = output == "-" ? io.err : io.out;
    summary << "wrote " << count << " records to " << output << "\n";
    return kExitOk;
}

// ---- the command line ----------------------------------------------------

const char* const kCommands[] = {"info", "list", "show", "check", "dump", "build", "merge", "merge3", "textures",
                                 "diff", "contrast", "report", "suggest", "palette"};

bool IsObjectName(const std::string& s)
{
    if (s == ".")
        return true;  // git's name for a side that does not exist
    return !s.empty() && s.size() <= 64 &&
           s.find_first_not_of("0123456789abcdef") == std::string::npos;
}

bool IsFileMode(const std::string& s)
{
    return s == "." || (s.size() == 6 && s.find_first_not_of("01234567") == std::string::npos);
}

// The arguments git passes an external diff driver: path old-file old-hex
// old-mode new-file new-hex new-mode, and for a rename or copy the new path
// and the header lines. Recognised by their shape, since a path may look
// like an option.
bool IsGitDiffCall(const std::vector<std::string>& rest)
{
    return (rest.size() == 7 || rest.size() == 9) && IsObjectName(rest[2]) && IsFileMode(rest[3]) &&
           IsObjectName(rest[5]) && IsFileMode(rest[6]);
}

std::size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The candidate nearest to word: fewest edits, a prefix ("cont") counting
// as one; the first of equals.
template <typename Names>
std::string Nearest(const std::string& word, const Names& candidates)
{
    std::string best;
    std::size_t bestDistance = SIZE_MAX;
    for (const auto& candidate : candidates) {
        const std::string c(candidate);
        std::size_t d = EditDistance(word, c);
        if (c.rfind(word, 0) == 0)
            d = std::min<std::size_t>(d, 1);
        if (d < bestDistance) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}

// The first argument after the command that looks like an option the
// command does not have ("--jsn"); empty when there is none.
std::string UnknownOption(const CLI::App& command, const std::vector<std::string>& args,
                          std::vector<std::string>& known)
{
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& name : option->get_lnames())
            known.push_back("--" + name);
        for (const std::string& name : option->get_snames())
            known.push_back("-" + name);
    }
    for (std::size_t i = 2; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--")
            break;
        if (arg.size() < 2 || arg[0] != '-' || std::isdigit(static_cast<unsigned char>(arg[1])) || arg[1] == '.')
            continue;  // a file, standard input, a number
        // "--name=value", "-ivalue": the option's own name.
        const std::string name = arg[1] == '-' ? arg.substr(0, arg.find('=')) : arg.substr(0, 2);
        if (std::find(known.begin(), known.end(), name) == known.end())
            return name;
    }
    return std::string();
}

CLI::App* Subcommand(CLI::App& app, const char* name, const char* description, const char* example)
{
    CLI::App* sub = app.add_subcommand(name, description);
    sub->footer(std::string("Example:\n  ") + example);
    return sub;
}

}  // namespace

int RunTgv(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err,
           bool inputIsTerminal)
{
    TgvIo io{in, out, err, inputIsTerminal};

    // An unknown command is named with the nearest one before the parser
    // sees it.
    if (args.size() > 1 && !args[1].empty() && args[1][0] != '-' &&
        std::find(std::begin(kCommands), std::end(kCommands), args[1]) == std::end(kCommands)) {
        err << "tgv: unknown command \"" << DisplayUtf8(args[1]) << "\"; did you mean \"" << Nearest(args[1], kCommands)
            << "\"? (tgv --help lists the commands)\n";
        return kExitUsage;
    }

    // git's calls are taken as git makes them: a file name may begin with "-".
    std::vector<std::string> rest(args.size() > 2 ? args.begin() + 2 : args.end(), args.end());
    if (!rest.empty() && rest[0] == "--")
        rest.erase(rest.begin());
    if (args.size() > 1 && args[1] == "diff" && IsGitDiffCall(rest))
        return RunGitDiff(io, rest);
    if (args.size() > 1 && args[1] == "merge3" && (rest.size() == 3 || rest.size() == 4) &&
        std::none_of(rest.begin(), rest.end(), [](const std::string& a) { return a == "-h" || a == "--help"; })) {
        SilentPrompts silent;
        try {
            return RunMerge3(io, rest[0], rest[1], rest[2], rest.size() == 4 ? rest[3] : std::string());
        } catch (const Failure& f) {
            err << "tgv: " << f.message << "\n";
            return f.code;
        } catch (const std::bad_alloc&) {
            err << "tgv: out of memory\n";
            return kExitUsage;
        }
    }

    CLI::App app{"tgv: inspect, check, compare, convert, merge and report Tintgrove library and exchange files "
                 "(.tgv). A file argument \"-\" means standard input or output. Exit codes: 0 ok, 1 problems found "
                 "or files differ, 2 usage error or unreadable input.",
                 "tgv"};
    app.require_subcommand(1);
    // Paths may start with "/" (wine, MSYS): no "/option" style on Windows.
    app.allow_windows_style_options(false);
    app.set_help_all_flag("--help-all", "Show the help of every command");
    app.set_version_flag("--version", std::string("tgv ") + TG_VERSION_TEXT);
    app.footer("Examples:\n"
               "  tgv info Tintgrove.tgv\n"
               "  tgv check --json Tintgrove.tgv\n"
               "  tgv dump Tintgrove.tgv -o library.json && tgv build library.json -o Tintgrove.tgv\n"
               "  tgv diff old.tgv new.tgv\n"
               "  tgv contrast Tintgrove.tgv --min 30\n"
               "  tgv report Tintgrove.tgv -o catalogue.html\n"
               "  tgv suggest \"#C7966C\" --paints paints.csv\n"
               "  tgv palette Tintgrove.tgv -o schemes.ase\n"
               "tgv COMMAND --help shows a command's options and an example.");

    std::string file, source, output, exchange, policy = "ask", target, name, category, textureFolder;
    std::vector<std::string> searchFolders, diffFiles;
    long long index = 0;
    bool useRegistry = false, json = false, full = false, allowProblems = false, overwrite = false;
    double minimum = 30.0;

    CLI::App* info = Subcommand(app, "info", "Signature, size, record count, trailing fragment and problem count",
                                "tgv info Tintgrove.tgv");
    info->add_option("file", file, "Library or exchange file (- for standard input)")->required();
    info->add_flag("--json", json, "Write JSON for scripts");

    CLI::App* list = Subcommand(app, "list", "The category tree with the names of its combinations, numbered from 1",
                                "tgv list Tintgrove.tgv");
    list->add_option("file", file, "Library or exchange file (- for standard input)")->required();
    list->add_flag("--json", json, "Write JSON for scripts");

    CLI::App* show = Subcommand(app, "show", "One record in the readable form, as dump writes it",
                                u8"tgv show Tintgrove.tgv --name 暖白橡木 --category 住宅/客厅/");
    show->add_option("file", file, "Library or exchange file (- for standard input)")->required();
    auto* byIndex = show->add_option("-i,--index", index, "Record number (from 1)");
    auto* byName = show->add_option("-n,--name", name, "Combination name (with --category)");
    auto* byCategory = show->add_option("-c,--category", category, "Room category, ending in \"/\"");
    show->add_flag("--json", json, "Write JSON for scripts");
    show->add_flag("--full", full, "Write every field, not only those that differ from a new record's");
    byName->needs(byCategory);
    byCategory->needs(byName);
    byIndex->excludes(byName);

    CLI::App* check = Subcommand(app, "check",
                                 "Validate: terminators, code page 936 texts, categories ending in \"/\", colours "
                                 "within 0-1, duplicates; exit 1 when any problem is found",
                                 "tgv check Tintgrove.tgv");
    check->add_option("file", file, "Library or exchange file (- for standard input)")->required();
    check->add_flag("--json", json, "Write JSON for scripts");

    CLI::App* dump = Subcommand(app, "dump", "Write the readable form (UTF-8 JSON) of a file",
                                "tgv dump Tintgrove.tgv -o library.json");
    dump->add_option("file", file, "Library or exchange file (- for standard input)")->required();
    dump->add_option("-o,--output", output, "Readable file to write (default, or -: standard output)");
    dump->add_flag("--full", full, "Write every field, not only those that differ from a new record's");

    CLI::App* build = Subcommand(app, "build", "Make a .tgv file from the readable form",
                                 "tgv build library.json -o Tintgrove.tgv");
    build->add_option("source", source, "Readable file, UTF-8 JSON (- for standard input)")->required();
    build->add_option("-o,--output", output, "The .tgv file to write (- for standard output)")->required();
    build->add_flag("--allow-problems", allowProblems,
                    "Also write records that check would report (to rebuild a damaged file byte for byte)");

    CLI::App* merge = Subcommand(app, "merge", "Merge an exchange file into a library",
                                 "tgv merge Tintgrove.tgv colleague.tgv --conflicts skip");
    merge->add_option("library", file, "Library file (created when missing)")->required();
    merge->add_option("exchange", exchange, "Exchange file to merge (- for standard input)")->required();
    merge->add_option("--conflicts", policy,
                      "When a name and category are taken: ask (on the terminal: y, n, a = all, s = skip all, "
                      "c = cancel), replace, skip or cancel")
        ->check(CLI::IsMember({"ask", "replace", "skip", "cancel"}));
    merge->add_option("-o,--output", output, "Write the result here instead of over the library (- for standard output)");

    std::vector<std::string> merge3Files;
    CLI::App* merge3 = Subcommand(app, "merge3",
                                  "git's three-way merge driver: BASE OURS THEIRS [PATH]; the result goes to OURS, "
                                  "records changed differently on both sides keep OURS's version and the other "
                                  "side's go to <name>.theirs.tgv beside the library; exit 0 merged, 1 conflicts, "
                                  "2 a side cannot be read",
                                  "git config merge.tgv.driver \"tgv merge3 %O %A %B %P\"");
    merge3->add_option("files", merge3Files, "BASE OURS THEIRS and the library's path in the repository")
        ->required()
        ->expected(3, 4);

    CLI::App* textures = Subcommand(app, "textures", "Copy the texture files of a library into a folder",
                                    "tgv textures Tintgrove.tgv --to maps -s D:/textures");
    textures->add_option("file", file, "Library or exchange file (- for standard input)")->required();
    textures->add_option("-t,--to", target, "Folder to copy into (made when missing)")->required();
    textures->add_option("-s,--search", searchFolders, "Folder to search for bare file names (repeatable, in order)");
    textures->add_flag("--registry", useRegistry, "Search AutoCAD R14's texture folders too (Windows registry)");
    textures->add_flag("--overwrite", overwrite, "Replace a file in the folder that differs from the one found");

    CLI::App* diff = Subcommand(app, "diff",
                                "Records added, removed and changed between two files, matched by category and "
                                "name; exit 1 when they differ",
                                "tgv diff old.tgv new.tgv");
    diff->add_option("files", diffFiles,
                     "The two files A B (- for standard input), or the seven or nine arguments git passes a "
                     "diff driver (then the exit code is 0 whatever the files hold)")
        ->required()
        ->expected(2, 9);
    diff->add_flag("--json", json, "Write JSON for scripts");

    CLI::App* contrast = Subcommand(app, "contrast",
                                    "Light reflectance (LRV) of ceiling, wall and floor of every combination and the "
                                    "wall-floor and wall-ceiling differences; exit 1 when any is below the minimum",
                                    "tgv contrast Tintgrove.tgv --min 30 --textures maps");
    contrast->add_option("file", file, "Library or exchange file (- for standard input)")->required();
    contrast->add_option("--min", minimum, "Least LRV difference in points (default 30)")
        ->check(CLI::Range(0.0, 100.0));
    contrast->add_option("--textures", textureFolder, "Folder holding the texture files; a found texture's mean LRV "
                                                      "counts instead of the colour");
    contrast->add_flag("--json", json, "Write JSON for scripts");

    CLI::App* report = Subcommand(app, "report",
                                  "A self-contained HTML colour catalogue of the library, by category, to print on A4",
                                  "tgv report Tintgrove.tgv -o catalogue.html --textures maps");
    report->add_option("file", file, "Library or exchange file (- for standard input)")->required();
    report->add_option("-o,--output", output, "HTML file to write (- for standard output)")->required();
    report->add_option("-c,--category", category, "Only this category and the ones beneath it");
    report->add_option("--textures", textureFolder, "Folder holding the texture files, shown as thumbnails");
    report->add_option("--min", minimum, "Least LRV difference in points (default 30)")->check(CLI::Range(0.0, 100.0));
    std::string language = "zh";
    report->add_option("--lang", language, "The page's language: zh (Chinese, the default) or en (English)")
        ->check(CLI::IsMember({"zh", "en"}));

    SuggestOptions suggestOptions;
    CLI::App* suggest = Subcommand(app, "suggest",
                                   "Colour schemes (ceiling, wall, floor) around one colour: harmonies whose wall "
                                   "differs from floor and ceiling by 30 LRV points or more, closest to the colour "
                                   "first; exit 1 when none can be made",
                                   "tgv suggest \"#C7966C\" --anchor wall --paints paints.csv --page schemes.html");
    suggest->add_option("colour", suggestOptions.colour, "The colour held to, #RRGGBB")->required();
    suggest->add_option("--anchor", suggestOptions.anchor, "The surface the colour is for: wall (default), floor or ceiling")
        ->check(CLI::IsMember({"wall", "floor", "ceiling"}));
    suggest->add_option("--count", suggestOptions.count, "How many schemes at most (default 8)")
        ->check(CLI::Range(1, 100));
    suggest->add_option("--paints", suggestOptions.paints,
                        "A paint fan deck (.ase, .gpl or .csv name,code,hex[,lrv]): every colour becomes its "
                        "nearest paint, and a published LRV counts");
    suggest->add_option("--page", suggestOptions.page, "Also write the schemes as a page for the client (HTML, A4)");
    suggest->add_flag("--json", suggestOptions.json, "Write JSON for scripts");

    PaletteOptions paletteOptions;
    CLI::App* palette = Subcommand(app, "palette",
                                   "Write the combinations of a library as a swatch palette: a group of three named "
                                   "swatches (ceiling, wall, floor) each",
                                   u8"tgv palette Tintgrove.tgv -o schemes.ase --category 住宅/");
    palette->add_option("file", paletteOptions.file, "Library or exchange file (- for standard input)")->required();
    palette->add_option("-o,--output", paletteOptions.output, "Palette to write: .ase (Adobe Swatch Exchange) or .gpl (GIMP)")
        ->required();
    palette->add_option("-c,--category", paletteOptions.category, "Only this category and the ones beneath it");

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    if (!reversed.empty())
        reversed.pop_back();
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        // An option mistyped is named with the nearest the command has, as a
        // command mistyped is.
        for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
            std::vector<std::string> known;
            const std::string typo = e.get_exit_code() != 0 && args.size() > 1 && command->get_name() == args[1]
                                         ? UnknownOption(*command, args, known)
                                         : std::string();
            if (typo.empty())
                continue;
            err << "tgv: " << args[1] << ": unknown option " << DisplayUtf8(typo) << "; did you mean "
                << Nearest(typo, known) << "? (tgv " << args[1] << " --help lists its options)\n";
            return kExitUsage;
        }
        return app.exit(e, out, err) == 0 ? kExitOk : kExitUsage;
    }

    SilentPrompts silent;
    try {
        if (*info)
            return Info(io, file, json);
        if (*list)
            return ListTree(io, file, json);
        if (*show) {
            if (!*byIndex && !*byName)
                throw Failure{"show needs --index N or --name with --category"};
            return Show(io, file, *byIndex ? std::optional<long long>(index) : std::nullopt, name, category, json,
                        full);
        }
        if (*check)
            return Check(io, file, json);
        if (*dump)
            return Dump(io, file, output, full);
        if (*build)
            return Build(io, source, output, allowProblems);
        if (*merge)
            return RunMerge(io, file, exchange, policy, output);
        if (*merge3)
            return RunMerge3(io, merge3Files[0], merge3Files[1], merge3Files[2],
                             merge3Files.size() == 4 ? merge3Files[3] : std::string());
        if (*textures)
            return RunTextures(io, file, target, searchFolders, useRegistry, overwrite);
        if (*diff)
            return RunDiff(io, diffFiles, json);
        if (*contrast)
            return RunContrast(io, {file, minimum, textureFolder, json});
        if (*report)
            return RunReport(io, {file, output, category, textureFolder, minimum, language == "en"});
        if (*suggest)
            return RunSuggest(io, suggestOptions);
        if (*palette)
            return RunPalette(io, paletteOptions);
    } catch (const Failure& f) {
        err << "tgv: " << f.message << "\n";
        return f.code;
    } catch (const std::bad_alloc&) {
        err << "tgv: out of memory\n";
        return kExitUsage;
    }
    return kExitUsage;
}
