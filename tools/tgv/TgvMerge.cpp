#include "TgvMerge.h"

#include "CombinationFile.h"
#include "LibraryChanges.h"
#include "LibraryExchange.h"
#include "MemoryFileLayer.h"
#include "TextDisplay.h"

#include <filesystem>
#include <istream>
#include <map>
#include <optional>
#include <ostream>

namespace fs = std::filesystem;

namespace {

// The exchange file's bytes, read whole first (so a read that fails part-way
// stops the merge), served to the library's merge from memory.
class ExchangeInMemory {
public:
    ExchangeInMemory(const std::string& bytes) : previous(SetFileLayer(&layer))
    {
        layer.files[kName].assign(bytes.begin(), bytes.end());
    }
    ~ExchangeInMemory() { SetFileLayer(previous == &PlatformFiles() ? nullptr : previous); }
    ExchangeInMemory(const ExchangeInMemory&) = delete;
    ExchangeInMemory& operator=(const ExchangeInMemory&) = delete;

    static constexpr const char* kName = "exchange.tgv";

private:
    MemoryFileLayer layer;
    FileLayer* previous;
};

std::string Identity(const CombinationRecord& r)
{
    return DisplayText(FieldView(r.roomCategory)) + DisplayText(FieldView(r.name));
}

// One conflict asked on the error stream, answered on the terminal.
MergeDecision Ask(TgvIo& io, const CombinationRecord& incoming, const CombinationRecord& existing)
{
    io.err << "conflict: \"" << Identity(incoming) << "\" is in the library as \"" << Identity(existing) << "\"\n"
           << "  incoming: " << DisplayText(FieldView(incoming.shortDescription)) << "\n"
           << "  stored:   " << DisplayText(FieldView(existing.shortDescription)) << "\n";
    for (;;) {
        io.err << "replace it? [y]es, [n]o, [a]ll, [s]kip all, [c]ancel: " << std::flush;
        std::string answer;
        if (!std::getline(io.in, answer))
            return MergeDecision::Cancel;
        if (!answer.empty() && answer.back() == '\r')
            answer.pop_back();
        if (answer == "y" || answer == "yes")
            return MergeDecision::Replace;
        if (answer == "n" || answer == "no")
            return MergeDecision::Skip;
        if (answer == "a" || answer == "all")
            return MergeDecision::ReplaceAll;
        if (answer == "s" || answer == "skip all")
            return MergeDecision::SkipAll;
        if (answer == "c" || answer == "cancel")
            return MergeDecision::Cancel;
    }
}

}  // namespace

int RunMerge(TgvIo& io, const std::string& libraryFile, const std::string& exchange, const std::string& policy,
             const std::string& output)
{
    if (libraryFile == "-" && exchange == "-")
        throw Failure{"merge: the library and the exchange file cannot both come from standard input"};
    if (policy == "ask" && (libraryFile == "-" || exchange == "-"))
        throw Failure{"merge: --conflicts ask answers on standard input, which carries a file here; "
                      "choose --conflicts replace, skip or cancel"};
    // The exchange file first: the library's lock is not held while it is read.
    const std::string bytes = ReadInput(exchange, io.in);
    const std::string exchangeName = exchange == "-" ? "standard input" : exchange;
    if (bytes.size() < kSignatureFieldSize ||
        !SignatureMatches(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
        throw Failure{exchangeName + ": not a Tintgrove exchange file (it lacks the signature \"" +
                      std::string(LIBRARY_SIGNATURE) + "\")"};
    // The file written is locked from before the library is read until it is
    // replaced, as a panel's save is: a record a panel saved before is read
    // and kept, and no panel writes in between.
    const std::string target = output.empty() ? libraryFile : output;
    std::optional<LibraryWriteLock> lock;
    if (target != "-")
        lock.emplace(target);
    CombinationLibrary library;
    if (libraryFile == "-" || Files().Exists(LayerPath(libraryFile))) {
        LoadedFile loaded = LoadFile(libraryFile, io.in);
        if (loaded.fragment > 0)
            throw Failure{libraryFile + ": ends in a fragment of " + std::to_string(loaded.fragment) +
                          " bytes (truncated?); merging would drop it, so nothing was written"};
        library = std::move(loaded.library);
    }

    bool needsTerminal = false;
    ConflictHandler decide;
    if (policy == "replace")
        decide = [](const CombinationRecord&, const CombinationRecord&) { return MergeDecision::ReplaceAll; };
    else if (policy == "skip")
        decide = [](const CombinationRecord&, const CombinationRecord&) { return MergeDecision::SkipAll; };
    else if (policy == "cancel")
        decide = [](const CombinationRecord&, const CombinationRecord&) { return MergeDecision::Cancel; };
    else
        decide = [&](const CombinationRecord& a, const CombinationRecord& b) {
            if (!io.inputIsTerminal) {
                needsTerminal = true;
                return MergeDecision::Cancel;
            }
            return Ask(io, a, b);
        };
    MergeResult result;
    {
        ExchangeInMemory memory(bytes);
        result = MergeCombinationFile(ExchangeInMemory::kName, library, decide);
    }
    if (needsTerminal)
        throw Failure{"merge: a conflict needs an answer, but standard input is not a terminal; "
                      "choose --conflicts replace, skip or cancel. Nothing was written"};
    switch (result.status) {
    case MergeStatus::NotOpened:
    case MergeStatus::BadSignature:
    case MergeStatus::ReadFailed:
        throw Failure{exchangeName + ": cannot be read as an exchange file"};
    case MergeStatus::Cancelled:
        throw Failure{"merge cancelled at a conflict; nothing was written", kExitProblems};
    case MergeStatus::Completed:
        break;
    }
    SaveLibraryFile(target, library, io.out);
    // With the library on standard output the summary goes to the error stream.
    std::ostream& summary = target == "-" ? io.err : io.out;
    summary << "added " << result.added << ", replaced " << result.replaced << "\n";
    return kExitOk;
}

// ---- merge3 ----------------------------------------------------------------

namespace {

// A side of a three-way merge. git hands the driver an empty base when both
// sides added the file; any other side must be a whole library.
CombinationLibrary ReadSide(const std::string& path, const char* role, bool emptyIsLibrary)
{
    const std::string bytes = ReadNativeFile(path);
    if (bytes.empty() && emptyIsLibrary)
        return CombinationLibrary();
    LoadedFile loaded = LoadBytes(bytes, DisplayUtf8(path) + " (" + role + ")");
    if (loaded.fragment > 0)
        throw Failure{DisplayUtf8(path) + " (" + role + "): ends in a fragment of " +
                      std::to_string(loaded.fragment) + " bytes (truncated?); nothing was merged"};
    return std::move(loaded.library);
}

// Each record's identity with its occurrence ("the second record of that
// name"), so that duplicates pair up in order as tgv diff pairs them.
std::vector<std::string> OccurrenceKeys(const CombinationLibrary& library)
{
    std::map<std::string, int> seen;
    std::vector<std::string> keys;
    keys.reserve(static_cast<std::size_t>(library.GetCount()));
    for (int i = 0; i < library.GetCount(); ++i) {
        std::string key = RecordKey(library[i]);
        const int k = seen[key]++;
        key += '\0';
        key += std::to_string(k);
        keys.push_back(std::move(key));
    }
    return keys;
}

std::map<std::string, int> Positions(const std::vector<std::string>& keys)
{
    std::map<std::string, int> at;
    for (std::size_t i = 0; i < keys.size(); ++i)
        at.emplace(keys[i], static_cast<int>(i));
    return at;
}

// The exchange file of the other side's conflicting versions: beside the
// library, named after it ("Tintgrove.tgv" gives "Tintgrove.theirs.tgv").
std::string TheirsFileFor(const std::string& libraryPath)
{
#ifdef _WIN32
    const fs::path path = fs::u8path(libraryPath);
    return (path.parent_path() / (path.stem().u8string() + ".theirs.tgv")).u8string();
#else
    const fs::path path(libraryPath);
    return (path.parent_path() / (path.stem().string() + ".theirs.tgv")).string();
#endif
}

}  // namespace

int RunMerge3(TgvIo& io, const std::string& base, const std::string& ours, const std::string& theirs,
              const std::string& libraryPath)
{
    const CombinationLibrary o = ReadSide(base, "base", true);
    const CombinationLibrary b = ReadSide(theirs, "theirs", false);
    // Ours is read and replaced under the library's lock.
    const LibraryWriteLock lock(ours);
    const CombinationLibrary a = ReadSide(ours, "ours", false);

    const std::vector<std::string> keysO = OccurrenceKeys(o), keysA = OccurrenceKeys(a), keysB = OccurrenceKeys(b);
    const std::map<std::string, int> inO = Positions(keysO), inA = Positions(keysA), inB = Positions(keysB);
    const auto find = [](const std::map<std::string, int>& in, const std::string& key) {
        const auto it = in.find(key);
        return it == in.end() ? -1 : it->second;
    };

    CombinationLibrary merged, theirVersions;
    std::vector<std::string> conflicts;
    const auto conflict = [&](const CombinationRecord& r, const char* why) {
        conflicts.push_back("\"" + DisplayText(FieldView(r.name)) + "\" in \"" +
                            DisplayText(FieldView(r.roomCategory)) + "\": " + why);
    };
    // Our records in our order: kept, replaced by their change, or dropped by
    // their deletion.
    for (int i = 0; i < a.GetCount(); ++i) {
        const CombinationRecord& ra = a[i];
        const int j = find(inB, keysA[static_cast<std::size_t>(i)]);
        const int k = find(inO, keysA[static_cast<std::size_t>(i)]);
        if (k < 0) {
            merged.Append(ra);
            if (j >= 0 && !SameRecord(ra, b[j])) {
                conflict(ra, "added on both sides, differently");
                theirVersions.Append(b[j]);
            }
        } else if (j >= 0) {
            const bool oursChanged = !SameRecord(ra, o[k]), theirsChanged = !SameRecord(b[j], o[k]);
            merged.Append(oursChanged ? ra : b[j]);
            if (oursChanged && theirsChanged && !SameRecord(ra, b[j])) {
                conflict(ra, "changed on both sides, differently");
                theirVersions.Append(b[j]);
            }
        } else if (!SameRecord(ra, o[k])) {
            merged.Append(ra);
            conflict(ra, "changed here, deleted on the other side");
        }
    }
    // Their records that we do not have: their additions, in their order,
    // and records we deleted that they changed.
    for (int j = 0; j < b.GetCount(); ++j) {
        if (inA.count(keysB[static_cast<std::size_t>(j)]))
            continue;
        const int k = find(inO, keysB[static_cast<std::size_t>(j)]);
        if (k < 0) {
            merged.Append(b[j]);
        } else if (!SameRecord(b[j], o[k])) {
            conflict(b[j], "deleted here, changed on the other side");
            theirVersions.Append(b[j]);
        }
    }

    // Their versions are safe before ours is replaced: a failure leaves ours
    // as it was.
    const std::string theirsFile = TheirsFileFor(libraryPath.empty() ? ours : libraryPath);
    if (!theirVersions.IsEmpty())
        SaveLibraryFile(theirsFile, theirVersions, io.out);
    SaveLibraryFile(ours, merged, io.out);
    if (conflicts.empty())
        return kExitOk;
    const std::string shown = DisplayUtf8(libraryPath.empty() ? ours : libraryPath);
    io.err << "tgv: " << conflicts.size() << " conflicting records in " << shown
           << "; the library keeps this side's version of each:\n";
    for (const std::string& c : conflicts)
        io.err << "  " << c << "\n";
    if (!theirVersions.IsEmpty())
        io.err << "tgv: the other side's versions are in " << DisplayUtf8(theirsFile)
               << ": import it in the panel to choose record by record\n";
    return kExitProblems;
}
