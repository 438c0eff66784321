// tgv diff: what changed between two libraries. Records are matched by room
// category and name (case-insensitive, as the library looks them up); the
// k-th record of a name in A pairs with the k-th of that name in B. Changed
// records list each changed field with both values, compared in the readable
// form so every field that dump writes is compared and shown as dump shows it.
#include "Colour.h"
#include "Cp936Text.h"
#include "ReadableForm.h"
#include "TextDisplay.h"
#include "TextEncoding.h"
#include "RecordStream.h"
#include "TgvSubcommands.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
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

ordered_json Identity(int64_t index, const CombinationRecord& r)
{
    return {{"number", index + 1},
            {"roomCategory", DisplayText(FieldView(r.roomCategory))},
            {"name", DisplayText(FieldView(r.name))}};
}

struct Differences {
    ordered_json added = ordered_json::array(), removed = ordered_json::array(), changed = ordered_json::array();
    bool Same() const { return added.empty() && removed.empty() && changed.empty(); }
};

// A 128-bit fingerprint of a record's bytes: four independent accumulators
// over the record's 8-byte words in turn (as XXH64 takes its stripes), two
// of them folded into each half. Each step is one-to-one in its
// accumulator for a given word, so records that differ in one word always
// differ here; records differing in more share a fingerprint by chance
// about once in 2^128.
struct Fingerprint {
    uint64_t half[2];
    bool operator==(const Fingerprint& o) const { return half[0] == o.half[0] && half[1] == o.half[1]; }
};
static_assert(kRecordSize % 32 == 0, "a record is whole stripes of four 8-byte words");

uint64_t Rotate(uint64_t v, int bits)
{
    return (v << bits) | (v >> (64 - bits));
}

uint64_t Avalanche(uint64_t v)
{
    v ^= v >> 33;
    v *= 0xC2B2AE3D27D4EB4Full;
    v ^= v >> 29;
    v *= 0x165667B19E3779F9ull;
    return v ^ (v >> 32);
}

Fingerprint Print(const CombinationRecord& record)
{
    constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull, kPrime2 = 0xC2B2AE3D27D4EB4Full;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&record);
    uint64_t acc[4] = {kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1};
    for (std::size_t i = 0; i < kRecordSize; i += 32)
        for (int lane = 0; lane < 4; ++lane) {
            uint64_t w;
            std::memcpy(&w, bytes + i + 8 * lane, 8);
            acc[lane] = Rotate(acc[lane] + w * kPrime2, 31) * kPrime1;
        }
    return {{Avalanche(acc[0] ^ Rotate(acc[2], 17)), Avalanche(acc[1] ^ Rotate(acc[3], 29))}};
}

// A record waiting for its counterpart on the other side: where its stream
// still holds it, else a copy of it while the copies held stay within
// kWaitingCopies, else its fingerprint.
struct Waiting {
    int64_t index;
    std::unique_ptr<CombinationRecord> copy;
    Fingerprint print{};
    const CombinationRecord* held = nullptr;
};
constexpr std::size_t kWaitingCopies = (16u << 20) / kRecordSize;  // 16 MiB a side

// One category and name: how often each side has named it so far, and the
// records of the side that is ahead, oldest first, waiting for the other's
// (the k-th of A pairs with the k-th of B, so only one side ever waits).
struct KeyState {
    int64_t inA = 0, inB = 0;
    std::vector<Waiting> waiting;
    std::size_t head = 0;  // the first that still waits
};

// Records pair by category and name: the k-th record of a name in A with the
// k-th of that name in B. Both files are read side by side once; a pair met
// at the same place is compared byte for byte, and so is a pair met a little
// apart (records inserted or removed before them), whose first record waits
// as a copy; only when many records wait are they compared by fingerprint.
// Only pairs that differ are read again and turned into the readable form to
// name their fields.
Differences Compare(RecordStream* a, RecordStream* b)
{
    Differences d;
    // Only the keys with records waiting: a key whose records all paired is
    // as good as one never met, so the table stays as small as the backlog.
    std::unordered_map<std::string, KeyState> keys;
    std::size_t copiesA = 0, copiesB = 0;
    // Copies given back, for the next record that waits: no allocation each time.
    std::vector<std::unique_ptr<CombinationRecord>> spare;
    std::vector<std::pair<int64_t, int64_t>> differing;  // record numbers in A and B
    // The waiting records each stream still holds (a record that waits only
    // for a step or two, as after an insertion, is never copied).
    std::vector<std::pair<KeyState*, int64_t>> heldA, heldB;
    if (a)
        a->KeepPreviousBatch();
    if (b)
        b->KeepPreviousBatch();
    const auto keep = [&](Waiting& w, std::size_t& copies) {
        if (copies < kWaitingCopies) {
            if (spare.empty()) {
                w.copy = std::make_unique<CombinationRecord>(*w.held);
            } else {
                w.copy = std::move(spare.back());
                spare.pop_back();
                std::memcpy(w.copy.get(), w.held, kRecordSize);
            }
            ++copies;
        } else {
            w.print = Print(*w.held);
        }
        w.held = nullptr;
    };
    // Before a stream reads on: the records it will no longer hold are kept.
    const auto release = [&](RecordStream* side, std::vector<std::pair<KeyState*, int64_t>>& held,
                             std::size_t& copies) {
        const int64_t kept = side->KeptFrom();
        for (std::size_t i = 0; i < held.size();) {
            if (held[i].second >= kept) {
                ++i;
                continue;
            }
            KeyState& k = *held[i].first;
            for (std::size_t at = k.head; at < k.waiting.size(); ++at)
                if (k.waiting[at].index == held[i].second)
                    keep(k.waiting[at], copies);
            held[i] = held.back();
            held.pop_back();
        }
    };
    // One side's record of a key: paired with the other side's oldest waiting
    // record of that key, or else waiting itself.
    const auto arrive = [&](KeyState& k, const CombinationRecord& r, int64_t index, bool isA) {
        const bool otherAhead = isA ? k.inB > k.inA : k.inA > k.inB;
        ++(isA ? k.inA : k.inB);
        if (!otherAhead) {
            Waiting w{index, nullptr};
            w.held = &r;
            k.waiting.push_back(std::move(w));
            (isA ? heldA : heldB).emplace_back(&k, index);
            return;
        }
        Waiting& w = k.waiting[k.head++];
        const CombinationRecord* other = w.held ? w.held : w.copy.get();
        const bool same = other ? std::memcmp(other, &r, kRecordSize) == 0 : w.print == Print(r);
        if (!same)
            differing.emplace_back(isA ? index : w.index, isA ? w.index : index);
        if (w.held) {
            auto& held = isA ? heldB : heldA;
            for (std::size_t i = 0; i < held.size(); ++i)
                if (held[i].second == w.index) {
                    held[i] = held.back();
                    held.pop_back();
                    break;
                }
        }
        if (w.copy) {
            --(isA ? copiesB : copiesA);
            spare.push_back(std::move(w.copy));
        }
        if (k.head == k.waiting.size()) {
            k.waiting.clear();
            k.head = 0;
        }
    };
    const auto arriveKey = [&](const std::string& key, const CombinationRecord& r, int64_t index, bool isA) {
        const auto entry = keys.try_emplace(key).first;
        arrive(entry->second, r, index, isA);
        if (entry->second.waiting.empty())
            keys.erase(entry);
    };
    std::string keyA, keyB;
    for (;;) {
        if (a)
            release(a, heldA, copiesA);
        if (b)
            release(b, heldB, copiesB);
        const CombinationRecord* ra = a ? a->Take() : nullptr;
        const CombinationRecord* rb = b ? b->Take() : nullptr;
        if (!ra && !rb)
            break;
        if (ra)
            RecordKeyInto(*ra, keyA);
        if (rb)
            RecordKeyInto(*rb, keyB);
        if (ra && rb && keyA == keyB && keys.find(keyA) == keys.end()) {
            if (std::memcmp(ra, rb, kRecordSize) != 0)
                differing.emplace_back(a->RecordsRead() - 1, b->RecordsRead() - 1);
            continue;
        }
        if (ra)
            arriveKey(keyA, *ra, a->RecordsRead() - 1, true);
        if (rb)
            arriveKey(keyB, *rb, b->RecordsRead() - 1, false);
    }
    CombinationRecord ra, rb;
    // What is left unpaired, in each file's order, read again for its name.
    std::vector<int64_t> leftA, leftB;
    for (const auto& entry : keys) {
        const KeyState& k = entry.second;
        for (std::size_t i = k.head; i < k.waiting.size(); ++i)
            (k.inA > k.inB ? leftA : leftB).push_back(k.waiting[i].index);
    }
    keys.clear();
    const auto inOrder = [](std::vector<int64_t>& indices, RecordStream* side, ordered_json& list) {
        std::sort(indices.begin(), indices.end());
        CombinationRecord r;
        for (const int64_t i : indices) {
            side->ReadAt(i, r);
            list.push_back(Identity(i, r));
        }
    };
    inOrder(leftA, a, d.removed);
    inOrder(leftB, b, d.added);

    // The differing pairs in A's order, each field compared as dump writes it
    // (bytes after a text's end differ without a field differing).
    std::sort(differing.begin(), differing.end());
    for (const auto& [i, j] : differing) {
        a->ReadAt(i, ra);
        b->ReadAt(j, rb);
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
// a side where the file does not exist (null). A side that is not a library
// (or cannot be read) is said so in the text and counts as holding no records.
std::unique_ptr<RecordStream> GitSide(std::ostream& out, const std::string& file, const std::string& shownName)
{
    if (file == "/dev/null" || file == "nul" || file == "NUL")
        return nullptr;
    try {
        // Read a record at a time where the file layer can name the file;
        // a name it cannot take (bytes that are no UTF-8, characters beyond
        // code page 936) is read whole.
        std::string layerName;
        std::unique_ptr<RecordStream> side =
            Utf8ToCp936(file, layerName) ? RecordStream::TryOpen(file, shownName, kRecordBatch) : nullptr;
        if (!side)
            side = std::make_unique<RecordStream>(ReadNativeFile(file), shownName);
        if (side->Fragment() > 0)
            out << shownName << ": ends in a fragment of " << side->Fragment()
                << " bytes, shorter than a record (truncated?); it was left out\n";
        return side;
    } catch (const Failure& f) {
        out << f.message << "\n";
    }
    throw Failure{};
}

// A side named on the command line; null for what git names a missing file.
std::unique_ptr<RecordStream> Open(TgvIo& io, const std::string& path)
{
    if (path == "/dev/null" || path == "nul" || path == "NUL")
        return nullptr;
    return std::make_unique<RecordStream>(path, io.in, kRecordBatch);
}

}  // namespace

int RunDiff(TgvIo& io, const std::vector<std::string>& files, bool json)
{
    if (files.size() != 2)
        throw Failure{"diff takes two files (or the seven or nine arguments git passes a diff driver)"};
    if (files[0] == "-" && files[1] == "-")
        throw Failure{"diff: only one of the two files can come from standard input"};
    const std::unique_ptr<RecordStream> a = Open(io, files[0]), b = Open(io, files[1]);
    const Differences d = Compare(a.get(), b.get());
    bool fragment = false;
    for (const auto* side : {a.get(), b.get()})
        if (side)
            side->ReportFragment(io, fragment);
    const std::string nameA = files[0] == "-" ? "standard input" : files[0];
    const std::string nameB = files[1] == "-" ? "standard input" : files[1];
    const bool same = d.Same();
    if (json) {
        const ordered_json doc = {{"a", nameA},          {"b", nameB},           {"same", same},
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
        std::unique_ptr<RecordStream> a, b;
        try {
            a = GitSide(io.out, args[1], "a/" + pathA);
            b = GitSide(io.out, args[4], "b/" + pathB);
        } catch (const Failure&) {
            io.out << "(records not compared)\n";
            io.out.flush();
            return kExitOk;
        }
        const Differences d = Compare(a.get(), b.get());
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
