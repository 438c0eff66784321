#include "TgvMerge.h"

#include "CombinationFile.h"
#include "LibraryExchange.h"
#include "MemoryFileLayer.h"
#include "TextDisplay.h"

#include <istream>
#include <ostream>

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
    CombinationLibrary library;
    if (libraryFile == "-" || Files().Exists(LayerPath(libraryFile))) {
        LoadedFile loaded = LoadFile(libraryFile, io.in);
        if (loaded.fragment > 0)
            throw Failure{libraryFile + ": ends in a fragment of " + std::to_string(loaded.fragment) +
                          " bytes (truncated?); merging would drop it, so nothing was written"};
        library = std::move(loaded.library);
    }
    const std::string bytes = ReadInput(exchange, io.in);
    const std::string exchangeName = exchange == "-" ? "standard input" : exchange;
    if (bytes.size() < kSignatureFieldSize ||
        !SignatureMatches(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
        throw Failure{exchangeName + ": not a Tintgrove exchange file (it lacks the signature \"" +
                      std::string(LIBRARY_SIGNATURE) + "\")"};

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
    const std::string target = output.empty() ? libraryFile : output;
    SaveLibraryFile(target, library, io.out);
    // With the library on standard output the summary goes to the error stream.
    std::ostream& summary = target == "-" ? io.err : io.out;
    summary << "added " << result.added << ", replaced " << result.replaced << "\n";
    return kExitOk;
}
