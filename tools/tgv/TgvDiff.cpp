// tgv diff: what changed between two libraries. Records are matched by room
// category and name (case-insensitive, as the library looks them up); the
// k-th record of a name in A pairs with the k-th of that name in B. Changed
// records list each changed field with both values, compared in the readable
// form so every field that dump writes is compared and shown as dump shows it.
#include "Colour.h"
#include "Cp936Text.h"
#include "ReadableForm.h"
#include "TextDisplay.h"
#include "TgvSubcommands.h"

#include <nlohmann/json.hpp>

#include <map>
#include <ostream>

using ordered_json = nlohmann::ordered_json;

namespace {

// Every leaf of a record's readable form, by path ("wall.color",
// "floor.mapFile"); arrays of numbers stay whole so a colour reads as one value.
void Flatten(const ordered_json& j, const std::string& path, std::map<std::string, ordered_json>& leaves)
{
    if (j.is_object() && !(j.size() == 1 && (j.contains("bits") || j.contains("cp936hex")))) {
        for (auto it = j.begin(); it != j.end(); ++it)
            Flatten(it.value(), path.empty() ? it.key() : path + "." + it.key(), leaves);
        return;
    }
    leaves[path] = j;
}

std::map<std::string, ordered_json> Leaves(const CombinationRecord& r)
{
    std::map<std::string, ordered_json> leaves;
    Flatten(ordered_json::parse(RecordToReadable(r, 0, ReadableStyle::Full)), "", leaves);
    return leaves;
}

bool IsColour(const std::string& field)
{
    return field.size() > 6 && field.compare(field.size() - 6, 6, ".color") == 0;
}

// A value as the text shows it: colours as hex and their 0-1 triple.
std::string Shown(const std::string& field, const ordered_json& value)
{
    std::string text = value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    if (IsColour(field) && value.is_array() && value.size() == 3 && value[0].is_number() && value[1].is_number() &&
        value[2].is_number())
        return HexColour({value[0].get<double>(), value[1].get<double>(), value[2].get<double>()}) + " " + text;
    return DisplayUtf8(text);
}

struct Side {
    CombinationLibrary library;
    std::string name;
};

Side Load(TgvIo& io, const std::string& path, bool& fragment)
{
    Side side;
    side.name = path == "-" ? "standard input" : path;
    // What git passes for a file that does not exist on one side.
    if (path == "/dev/null" || path == "nul" || path == "NUL")
        return side;
    side.library = LoadWhole(path, io, fragment);
    return side;
}

ordered_json Identity(int index, const CombinationRecord& r)
{
    return {{"number", index + 1},
            {"roomCategory", DisplayText(FieldView(r.roomCategory))},
            {"name", DisplayText(FieldView(r.name))}};
}

struct Differences {
    ordered_json added = ordered_json::array(), removed = ordered_json::array(), changed = ordered_json::array();
    bool Same() const { return added.empty() && removed.empty() && changed.empty(); }
};

Differences Compare(const CombinationLibrary& a, const CombinationLibrary& b)
{
    Differences d;
    // The records of B by key, in order; A's records take them in turn.
    std::map<std::string, std::vector<int>> inB;
    for (int i = 0; i < b.GetCount(); ++i)
        inB[RecordKey(b[i])].push_back(i);
    std::map<std::string, std::size_t> taken;
    std::vector<bool> matchedB(static_cast<std::size_t>(b.GetCount()), false);

    for (int i = 0; i < a.GetCount(); ++i) {
        const CombinationRecord& ra = a[i];
        const std::string key = RecordKey(ra);
        const auto found = inB.find(key);
        std::size_t& next = taken[key];
        if (found == inB.end() || next >= found->second.size()) {
            d.removed.push_back(Identity(i, ra));
            continue;
        }
        const int j = found->second[next++];
        matchedB[static_cast<std::size_t>(j)] = true;
        const CombinationRecord& rb = b[j];
        const auto leavesA = Leaves(ra), leavesB = Leaves(rb);
        ordered_json fields = ordered_json::array();
        for (const auto& [field, valueA] : leavesA) {
            const ordered_json& valueB = leavesB.at(field);
            if (valueA != valueB)
                fields.push_back({{"field", field}, {"a", valueA}, {"b", valueB}});
        }
        if (!fields.empty()) {
            ordered_json entry = Identity(j, rb);
            entry["numberA"] = i + 1;
            entry["numberB"] = j + 1;
            entry.erase("number");
            entry["fields"] = std::move(fields);
            d.changed.push_back(std::move(entry));
        }
    }
    for (int j = 0; j < b.GetCount(); ++j)
        if (!matchedB[static_cast<std::size_t>(j)])
            d.added.push_back(Identity(j, b[j]));
    return d;
}

void PrintRecords(std::ostream& out, const Differences& d)
{
    const auto title = [](const ordered_json& r) {
        return r["roomCategory"].get<std::string>() + r["name"].get<std::string>();
    };
    for (const auto& r : d.removed)
        out << "- removed  " << title(r) << " (record " << r["number"].get<int>() << " of A)\n";
    for (const auto& r : d.added)
        out << "+ added    " << title(r) << " (record " << r["number"].get<int>() << " of B)\n";
    for (const auto& r : d.changed) {
        out << "~ changed  " << title(r) << " (record " << r["numberA"].get<int>() << " of A, "
            << r["numberB"].get<int>() << " of B)\n";
        for (const auto& f : r["fields"]) {
            const std::string field = f["field"].get<std::string>();
            out << "    " << field << ": " << Shown(field, f["a"]) << " -> " << Shown(field, f["b"]) << "\n";
        }
    }
}

// One side as git hands it over: a file named by raw bytes, or /dev/null for
// a side where the file does not exist. A side that is not a library (or
// cannot be read) is said so in the text and counts as holding no records.
CombinationLibrary GitSide(std::ostream& out, const std::string& file, const std::string& shownName)
{
    if (file == "/dev/null" || file == "nul" || file == "NUL")
        return CombinationLibrary();
    try {
        LoadedFile loaded = LoadBytes(ReadNativeFile(file), shownName);
        if (loaded.fragment > 0)
            out << shownName << ": ends in a fragment of " << loaded.fragment
                << " bytes, shorter than a record (truncated?); it was left out\n";
        return std::move(loaded.library);
    } catch (const Failure& f) {
        out << f.message << "\n";
    }
    throw Failure{};
}

}  // namespace

int RunDiff(TgvIo& io, const std::vector<std::string>& files, bool json)
{
    if (files.size() != 2)
        throw Failure{"diff takes two files (or the seven or nine arguments git passes a diff driver)"};
    if (files[0] == "-" && files[1] == "-")
        throw Failure{"diff: only one of the two files can come from standard input"};
    bool fragment = false;
    const Side a = Load(io, files[0], fragment);
    const Side b = Load(io, files[1], fragment);
    const Differences d = Compare(a.library, b.library);
    const bool same = d.Same();
    if (json) {
        const ordered_json doc = {{"a", a.name},         {"b", b.name},           {"same", same},
                                  {"added", d.added},    {"removed", d.removed},  {"changed", d.changed}};
        io.out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else {
        PrintRecords(io.out, d);
        if (same)
            io.out << "same records\n";
        else
            io.out << d.removed.size() << " removed, " << d.added.size() << " added, " << d.changed.size()
                   << " changed\n";
    }
    return same && !fragment ? kExitOk : kExitProblems;
}

int RunGitDiff(TgvIo& io, const std::vector<std::string>& args)
{
    // git stops the whole command (git show, git log -p) at a driver that
    // exits non-zero, so every outcome, a failure included, ends in 0.
    try {
        const bool renamed = args.size() == 9;
        const std::string pathA = DisplayUtf8(args[0]), pathB = DisplayUtf8(renamed ? args[7] : args[0]);
        io.out << "diff --tgv a/" << pathA << " b/" << pathB << "\n";
        // The rename's header lines ("similarity index", "rename from", ...), each made safe.
        for (std::size_t at = 0; renamed && at < args[8].size();) {
            std::size_t end = args[8].find('\n', at);
            if (end == std::string::npos)
                end = args[8].size();
            io.out << DisplayUtf8(std::string_view(args[8]).substr(at, end - at)) << "\n";
            at = end + 1;
        }
        const bool addedFile = args[1] == "/dev/null", deletedFile = args[4] == "/dev/null";
        if (addedFile)
            io.out << "new file " << pathB << "\n";
        if (deletedFile)
            io.out << "deleted file " << pathA << "\n";
        CombinationLibrary a, b;
        try {
            a = GitSide(io.out, args[1], "a/" + pathA);
            b = GitSide(io.out, args[4], "b/" + pathB);
        } catch (const Failure&) {
            io.out << "(records not compared)\n";
            io.out.flush();
            return kExitOk;
        }
        const Differences d = Compare(a, b);
        PrintRecords(io.out, d);
        if (d.Same() && !addedFile && !deletedFile)
            io.out << "same records\n";
        io.out.flush();
    } catch (const std::exception& e) {
        io.out << "tgv: " << e.what() << "\n";
    } catch (const Failure& f) {
        io.out << "tgv: " << f.message << "\n";
    }
    return kExitOk;
}
