#include "TgvCommands.h"

#include "CombinationFile.h"
#include "Cp936Text.h"
#include "LibraryExchange.h"
#include "ReadableForm.h"
#include "TextEncoding.h"
#include "TextureExtraction.h"
#include "UserPrompt.h"

#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <map>
#include <new>
#include <set>
#include <sstream>

namespace {

std::ostream* promptStream = nullptr;

// Record texts for the terminal: UTF-8, and bytes that are not code page 936
// shown as \xNN.
std::string Show(std::string_view cp936Text)
{
    std::string utf8;
    if (Cp936ToUtf8(cp936Text, utf8))
        return utf8;
    std::string s;
    char buffer[8];
    for (unsigned char c : cp936Text) {
        if (c < 0x80 && c >= 0x20) {
            s += static_cast<char>(c);
        } else {
            std::snprintf(buffer, sizeof buffer, "\\x%02X", c);
            s += buffer;
        }
    }
    return s;
}

// Messages of the library (code page 936) go to the error stream in UTF-8.
PromptAnswer PrintPrompt(const std::string& text, const std::string&, PromptButtons buttons)
{
    if (promptStream)
        *promptStream << Show(text) << "\n";
    return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::No;
}

struct PromptToStream {
    PromptToStream(std::ostream& stream) : previous(SetPromptHandler(PrintPrompt)) { promptStream = &stream; }
    ~PromptToStream()
    {
        SetPromptHandler(previous);
        promptStream = nullptr;
    }
    PromptHandler previous;
};

struct Failure {
    std::string message;
};

// Paths arrive in UTF-8; the library takes code page 936.
std::string LibraryPath(const std::string& utf8)
{
    std::string path;
    if (!Utf8ToCp936(utf8, path))
        throw Failure{"the path \"" + utf8 + "\" has no code page 936 form"};
    return path;
}

CombinationLibrary Load(const std::string& utf8Path, CombinationFileReader* info = nullptr)
{
    const std::string path = LibraryPath(utf8Path);
    CombinationFileReader reader;
    switch (reader.Open(path, false)) {
    case CombinationFileReader::Status::NotOpened:
        throw Failure{utf8Path + ": cannot open the file (missing, a folder, or not readable)"};
    case CombinationFileReader::Status::BadSignature:
        throw Failure{utf8Path + ": not a Tintgrove library or exchange file (" + Show(kNotOurFileMessage) + ")"};
    case CombinationFileReader::Status::ReadFailed:
    case CombinationFileReader::Status::Ready:
        break;
    }
    CombinationLibrary library;
    CombinationRecord record;
    try {
        while (reader.Next(record))
            library.Append(record);
    } catch (const std::bad_alloc&) {
        throw Failure{utf8Path + ": not enough memory after " + std::to_string(reader.RecordsRead()) + " of " +
                      std::to_string(reader.RecordCount()) + " records; the file was not read completely"};
    }
    // Part of a file must never pass for the whole of it (a merge would then
    // write the part over the file).
    if (reader.Failed())
        throw Failure{utf8Path + ": read error after " + std::to_string(reader.RecordsRead()) + " of " +
                      std::to_string(reader.RecordCount()) + " records; the file was not read completely"};
    if (info)
        *info = std::move(reader);
    return library;
}

std::string ReadTextFile(const std::string& utf8Path)
{
    std::unique_ptr<File> file = Files().Open(LibraryPath(utf8Path), OpenMode::Read);
    if (!file)
        throw Failure{utf8Path + ": cannot open the file"};
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    return text;
}

void WriteTextFile(const std::string& utf8Path, const std::string& text)
{
    const bool ok = SaveFileSafely(LibraryPath(utf8Path), [&](File& f) { return WriteAll(f, text.data(), text.size()); });
    if (!ok)
        throw Failure{utf8Path + ": cannot write the file"};
}

void Save(const std::string& utf8Path, const CombinationLibrary& library)
{
    SaveFailure why = SaveFailure::Failed;
    if (WriteCombinationFile(LibraryPath(utf8Path), library, &why))
        return;
    if (why == SaveFailure::ReadOnly)
        throw Failure{utf8Path + ": the file is read-only; it was left as it was"};
    if (why == SaveFailure::HardLinked)
        throw Failure{utf8Path + ": the file has other hard links, which replacing it would cut off; it was left as it was"};
    throw Failure{utf8Path + ": cannot write the file; an existing file was left as it was"};
}

// ---- check ---------------------------------------------------------------

template <std::size_t N>
void CheckText(const char (&field)[N], const char* fieldName, const std::string& where, std::vector<std::string>& problems)
{
    const std::string_view text = FieldView(field);
    if (text.size() == N)
        problems.push_back(where + ": " + fieldName + " has no terminator within its " + std::to_string(N) + " bytes");
    if (!cp936::IsValid(text))
        problems.push_back(where + ": " + fieldName + " is not valid code page 936 text");
}

std::vector<std::string> Check(const CombinationLibrary& library, int64_t trailing)
{
    std::vector<std::string> problems;
    std::map<std::string, int> seen;
    for (int i = 0; i < library.GetCount(); ++i) {
        const CombinationRecord& r = library[i];
        const std::string where = "record " + std::to_string(i + 1) + " (" + Show(FieldView(r.name)) + ")";
        CheckText(r.name, "name", where, problems);
        CheckText(r.shortDescription, "shortDescription", where, problems);
        CheckText(r.roomCategory, "roomCategory", where, problems);
        CheckText(r.indexList1, "indexList1", where, problems);
        CheckText(r.indexList2, "indexList2", where, problems);
        CheckText(r.longDescription, "longDescription", where, problems);
        CheckText(r.extraText1, "extraText1", where, problems);
        CheckText(r.extraText2, "extraText2", where, problems);
        for (int s = 0; s < 3; ++s)
            for (int m = 0; m < 6; ++m)
                CheckText(r.materials[s].mapFile[m],
                          ("slot " + std::to_string(s) + " mapFile[" + std::to_string(m) + "]").c_str(), where, problems);
        const std::string_view category = FieldView(r.roomCategory);
        if (category.empty() || category.back() != '/')
            problems.push_back(where + ": category \"" + Show(category) + "\" does not end in \"/\"");
        std::string key = cp936::FoldCase(FieldView(r.name));
        key += '\0';
        key += cp936::FoldCase(category);
        auto [it, isNew] = seen.emplace(key, i);
        if (!isNew)
            problems.push_back(where + ": same name and category as record " + std::to_string(it->second + 1));
    }
    if (trailing > 0)
        problems.push_back("the file ends in a fragment of " + std::to_string(trailing) +
                           " bytes, shorter than a record (ignored)");
    return problems;
}

// ---- list ----------------------------------------------------------------

void List(const CombinationLibrary& library, std::ostream& out)
{
    std::vector<std::string> categories;
    ListRoomCategories(library, categories);
    std::vector<std::string> shown;  // components of the category printed last
    for (const std::string& category : categories) {
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
        std::size_t common = 0;
        while (common < parts.size() && common < shown.size() && parts[common] == shown[common])
            ++common;
        for (std::size_t d = common; d < parts.size(); ++d)
            out << std::string(2 * d, ' ') << Show(parts[d]) << "\n";
        shown = parts;
        std::vector<std::string> names;
        std::vector<int> indices;
        ListNamesInCategory(library, category, names, indices);
        for (std::size_t k = 0; k < names.size(); ++k)
            out << std::string(2 * parts.size(), ' ') << indices[k] + 1 << " " << Show(names[k]) << "\n";
    }
}

MergeDecision AskOnTerminal(std::istream& in, std::ostream& out, const CombinationRecord& incoming,
                            const CombinationRecord& existing)
{
    out << "conflict: \"" << Show(FieldView(incoming.roomCategory)) << Show(FieldView(incoming.name))
        << "\" is in the library as \"" << Show(FieldView(existing.roomCategory)) << Show(FieldView(existing.name))
        << "\"\n  incoming: " << Show(FieldView(incoming.shortDescription))
        << "\n  stored:   " << Show(FieldView(existing.shortDescription)) << "\n";
    for (;;) {
        out << "replace? [y]es, [n]o, [a]ll, n[o]ne, [c]ancel: " << std::flush;
        std::string answer;
        if (!std::getline(in, answer))
            return MergeDecision::Cancel;
        if (answer == "y" || answer == "yes")
            return MergeDecision::Replace;
        if (answer == "n" || answer == "no")
            return MergeDecision::Skip;
        if (answer == "a" || answer == "all")
            return MergeDecision::ReplaceAll;
        if (answer == "o" || answer == "none")
            return MergeDecision::SkipAll;
        if (answer == "c" || answer == "cancel")
            return MergeDecision::Cancel;
    }
}

}  // namespace

int RunTgv(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err)
{
    CLI::App app{"tgv: inspect, check, convert, merge and collect the textures of Tintgrove library and exchange files "
                 "(.tgv)",
                 "tgv"};
    app.require_subcommand(1);
    // Paths may start with "/" (wine, MSYS): no "/option" style on Windows.
    app.allow_windows_style_options(false);
    app.set_help_all_flag("--help-all", "Show the help of every command");

    std::string file, source, output, exchange, policy = "ask", target, name, category;
    std::vector<std::string> searchFolders;
    int index = 0;
    bool useRegistry = false;

    CLI::App* info = app.add_subcommand("info", "Signature, record count, trailing fragment and problems of a file");
    info->add_option("file", file, "Library or exchange file")->required();

    CLI::App* list = app.add_subcommand("list", "The category tree with the names of its combinations, numbered from 1");
    list->add_option("file", file, "Library or exchange file")->required();

    CLI::App* show = app.add_subcommand("show", "One record in full, in the readable form");
    show->add_option("file", file, "Library or exchange file")->required();
    auto* byIndex = show->add_option("-i,--index", index, "Record number (from 1)");
    auto* byName = show->add_option("-n,--name", name, "Combination name (with --category)");
    auto* byCategory = show->add_option("-c,--category", category, "Room category, ending in \"/\"");
    byName->needs(byCategory);
    byCategory->needs(byName);
    byIndex->excludes(byName);

    CLI::App* check = app.add_subcommand("check", "Validate: terminators, categories, duplicates, code page 936 texts");
    check->add_option("file", file, "Library or exchange file")->required();

    CLI::App* dump = app.add_subcommand("dump", "Write the readable form (UTF-8 JSON) of a file");
    dump->add_option("file", file, "Library or exchange file")->required();
    dump->add_option("-o,--output", output, "Readable file to write (default: the terminal)");

    CLI::App* build = app.add_subcommand("build", "Make a .tgv file from the readable form");
    build->add_option("source", source, "Readable file (UTF-8 JSON)")->required();
    build->add_option("-o,--output", output, "The .tgv file to write")->required();

    CLI::App* merge = app.add_subcommand("merge", "Merge an exchange file into a library");
    merge->add_option("library", file, "Library file (created when missing)")->required();
    merge->add_option("exchange", exchange, "Exchange file to merge")->required();
    merge->add_option("--conflicts", policy, "What to do when a name and category are taken")
        ->check(CLI::IsMember({"ask", "replace", "skip", "cancel"}));
    merge->add_option("-o,--output", output, "Write the result here instead of over the library");

    CLI::App* textures = app.add_subcommand("textures", "Copy the texture files of a library into a folder");
    textures->add_option("file", file, "Library or exchange file")->required();
    textures->add_option("-t,--to", target, "Folder to copy into (must exist)")->required();
    textures->add_option("-s,--search", searchFolders, "Folder to search for bare file names (repeatable, in order)");
    textures->add_flag("--registry", useRegistry, "Search AutoCAD R14's texture folders too (Windows registry)");

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    if (!reversed.empty())
        reversed.pop_back();
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        return app.exit(e, out, err) == 0 ? 0 : 2;
    }

    PromptToStream prompts(err);
    try {
        if (*info) {
            CombinationFileReader reader;
            const CombinationLibrary library = Load(file, &reader);
            const auto problems = Check(library, reader.TrailingBytes());
            out << "file:       " << file << "\n"
                << "signature:  " << LIBRARY_SIGNATURE << "\n"
                << "size:       " << reader.FileSize() << " bytes\n"
                << "records:    " << library.GetCount() << "\n"
                << "fragment:   " << reader.TrailingBytes() << " bytes\n"
                << "problems:   " << problems.size() << "\n";
            return 0;
        }
        if (*list) {
            List(Load(file), out);
            return 0;
        }
        if (*show) {
            const CombinationLibrary library = Load(file);
            int at = -1;
            if (*byIndex)
                at = index - 1;
            else if (*byName)
                at = FindCombination(library, LibraryPath(name), LibraryPath(category));
            else
                throw Failure{"show needs --index or --name with --category"};
            if (at < 0 || at >= library.GetCount())
                throw Failure{"no such record"};
            out << RecordToReadable(library[at], 0);
            return 0;
        }
        if (*check) {
            CombinationFileReader reader;
            const CombinationLibrary library = Load(file, &reader);
            const auto problems = Check(library, reader.TrailingBytes());
            for (const std::string& p : problems)
                out << p << "\n";
            out << library.GetCount() << " records, " << problems.size() << " problems\n";
            return problems.empty() ? 0 : 1;
        }
        if (*dump) {
            const std::string text = ToReadable(Load(file));
            if (output.empty())
                out << text;
            else
                WriteTextFile(output, text);
            return 0;
        }
        if (*build) {
            CombinationLibrary library;
            std::string error;
            if (!FromReadable(ReadTextFile(source), library, error))
                throw Failure{source + ": " + error};
            Save(output, library);
            out << "wrote " << library.GetCount() << " records to " << output << "\n";
            return 0;
        }
        if (*merge) {
            CombinationLibrary library;
            const std::string libraryPath = LibraryPath(file);
            if (Files().Exists(libraryPath))
                library = Load(file);
            ConflictHandler decide;
            if (policy == "replace")
                decide = [](const CombinationRecord&, const CombinationRecord&) { return MergeDecision::ReplaceAll; };
            else if (policy == "skip")
                decide = [](const CombinationRecord&, const CombinationRecord&) { return MergeDecision::SkipAll; };
            else if (policy == "cancel")
                decide = [](const CombinationRecord&, const CombinationRecord&) { return MergeDecision::Cancel; };
            else
                decide = [&](const CombinationRecord& a, const CombinationRecord& b) { return AskOnTerminal(in, out, a, b); };
            const MergeResult result = MergeCombinationFile(LibraryPath(exchange), library, decide);
            switch (result.status) {
            case MergeStatus::NotOpened:
                throw Failure{exchange + ": cannot open the file"};
            case MergeStatus::BadSignature:
                throw Failure{exchange + ": not a Tintgrove exchange file"};
            case MergeStatus::ReadFailed:
                throw Failure{exchange + ": read error; the file was not read completely and nothing was written"};
            case MergeStatus::Cancelled:
                throw Failure{"merge cancelled at a conflict; nothing was written"};
            case MergeStatus::Completed:
                break;
            }
            Save(output.empty() ? file : output, library);
            out << "added " << result.added << ", replaced " << result.replaced << "\n";
            return 0;
        }
        if (*textures) {
            const CombinationLibrary library = Load(file);
            std::string folder = LibraryPath(target);
#ifdef _WIN32
            const char separator = '\\';
#else
            const char separator = '/';
#endif
            if (folder.empty() || (folder.back() != '\\' && folder.back() != '/'))
                folder += separator;
            if (!Files().Exists(folder.substr(0, folder.size() - 1)) && folder.size() > 1)
                throw Failure{target + ": no such folder"};
            std::vector<std::string> folders;
            if (useRegistry)
                GetAutoCadMapFolders(folders);
            for (const std::string& s : searchFolders)
                folders.push_back(LibraryPath(s));
            const ExtractionResult result = ExtractLibraryTextures(library, folder, folders);
            out << "copied " << result.copied << ", not found " << result.notFound << "\n";
            if (!result.listWritten)
                throw Failure{"the list of textures not found could not be written"};
            return 0;
        }
    } catch (const Failure& f) {
        err << "tgv: " << f.message << "\n";
        return 1;
    }
    return 2;
}
