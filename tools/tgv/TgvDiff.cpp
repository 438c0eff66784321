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

std::string Key(const CombinationRecord& r)
{
    std::string key = cp936::FoldCase(FieldView(r.roomCategory));
    key += '\0';
    key += cp936::FoldCase(FieldView(r.name));
    return key;
}

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

}  // namespace

int RunDiff(TgvIo& io, const std::vector<std::string>& files, bool json)
{
    // As a git diff driver: path old-file old-hex old-mode new-file new-hex new-mode.
    const bool asGitDriver = files.size() == 7;
    if (files.size() != 2 && !asGitDriver)
        throw Failure{"diff takes two files (or the seven arguments of a git diff driver)"};
    const std::string& pathA = asGitDriver ? files[1] : files[0];
    const std::string& pathB = asGitDriver ? files[4] : files[1];
    if (pathA == "-" && pathB == "-")
        throw Failure{"diff: only one of the two files can come from standard input"};
    bool fragment = false;
    const Side a = Load(io, pathA, fragment);
    const Side b = Load(io, pathB, fragment);

    // The records of B by key, in order; A's records take them in turn.
    std::map<std::string, std::vector<int>> inB;
    for (int i = 0; i < b.library.GetCount(); ++i)
        inB[Key(b.library[i])].push_back(i);
    std::map<std::string, std::size_t> taken;
    std::vector<bool> matchedB(static_cast<std::size_t>(b.library.GetCount()), false);

    ordered_json added = ordered_json::array(), removed = ordered_json::array(), changed = ordered_json::array();
    for (int i = 0; i < a.library.GetCount(); ++i) {
        const CombinationRecord& ra = a.library[i];
        const std::string key = Key(ra);
        const auto found = inB.find(key);
        std::size_t& next = taken[key];
        if (found == inB.end() || next >= found->second.size()) {
            removed.push_back(Identity(i, ra));
            continue;
        }
        const int j = found->second[next++];
        matchedB[static_cast<std::size_t>(j)] = true;
        const CombinationRecord& rb = b.library[j];
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
            changed.push_back(std::move(entry));
        }
    }
    for (int j = 0; j < b.library.GetCount(); ++j)
        if (!matchedB[static_cast<std::size_t>(j)])
            added.push_back(Identity(j, b.library[j]));

    const bool same = added.empty() && removed.empty() && changed.empty();
    if (json) {
        const ordered_json doc = {{"a", a.name},       {"b", b.name},           {"same", same},
                                  {"added", added},    {"removed", removed},    {"changed", changed}};
        io.out << doc.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    } else {
        if (asGitDriver)
            io.out << "diff --tgv a/" << files[0] << " b/" << files[0] << "\n";
        const auto title = [](const ordered_json& r) {
            return r["roomCategory"].get<std::string>() + r["name"].get<std::string>();
        };
        for (const auto& r : removed)
            io.out << "- removed  " << title(r) << " (record " << r["number"].get<int>() << " of A)\n";
        for (const auto& r : added)
            io.out << "+ added    " << title(r) << " (record " << r["number"].get<int>() << " of B)\n";
        for (const auto& r : changed) {
            io.out << "~ changed  " << title(r) << " (record " << r["numberA"].get<int>() << " of A, "
                   << r["numberB"].get<int>() << " of B)\n";
            for (const auto& f : r["fields"]) {
                const std::string field = f["field"].get<std::string>();
                io.out << "    " << field << ": " << Shown(field, f["a"]) << " -> " << Shown(field, f["b"]) << "\n";
            }
        }
        if (same && !asGitDriver)
            io.out << "same records\n";
        else if (!asGitDriver)
            io.out << removed.size() << " removed, " << added.size() << " added, " << changed.size() << " changed\n";
    }
    // git stops at a diff driver that exits non-zero, so as a driver only
    // failures do.
    if (asGitDriver)
        return kExitOk;
    return same && !fragment ? kExitOk : kExitProblems;
}
