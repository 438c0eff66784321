// Exchange with other installations: merging an exchange file into the
// library, and the selective and whole exports.
#pragma once

#include "CombinationFile.h"

#include <functional>
#include <memory>
#include <string>

// The answer to a conflict: the incoming record has the name and category of
// a stored one.
enum class MergeDecision { Replace, Skip, ReplaceAll, SkipAll, Cancel };

enum class MergeStatus {
    NotOpened,     // the file could not be opened; nothing changed
    BadSignature,  // not an exchange file (the message was shown); nothing changed
    ReadFailed,    // the file could not be read completely (the message was shown); nothing changed
    Cancelled,     // stopped at a conflict; the records merged before it stay
    Completed,
};

struct MergeResult {
    MergeStatus status = MergeStatus::NotOpened;
    int added = 0;
    int replaced = 0;
};

// Asked for each conflict while neither "all" nor "none" was chosen.
using ConflictHandler =
    std::function<MergeDecision(const CombinationRecord& incoming, const CombinationRecord& existing)>;

// Merges the records of an exchange file into library in file order: a record
// whose name and category (case-insensitive) are new is appended; a conflict
// with the first matching record is decided by decide (or by an earlier "all"
// or "none"); a replace overwrites that record in place. Matching sees the
// records merged a moment earlier. A trailing fragment shorter than a record
// is dropped. A file that cannot be read completely (a read error, records
// missing, running out of memory) leaves library as it was.
// observe, when given, hears of each record merged once the merge stands
// (completed, or cancelled after some records): the record replaced (null for
// an append) and the one now in the library.
using MergeObserver = std::function<void(const CombinationRecord* replaced, const CombinationRecord& incoming)>;
MergeResult MergeCombinationFile(const std::string& path, CombinationLibrary& library, const ConflictHandler& decide,
                                 const MergeObserver& observe = nullptr);

// The file of a selective export: created with its signature field when it is
// chosen, then one record appended per export, each flushed at once.
class ExportFile {
public:
    // Creates (or replaces) the file and writes the signature field; false on failure.
    bool Create(const std::string& path);
    bool IsOpen() const { return file != nullptr; }
    const std::string& GetPath() const { return path; }
    // Appends one record; false when it could not be written whole, and the
    // file is then closed so that no later record lands out of step.
    bool Append(const CombinationRecord& record);
    void Close();

private:
    std::unique_ptr<File> file;
    std::string path;
};

// The whole export: the signature field and every record, saved like the
// library file. 1 on success, 0 on failure (an old file is left as it was).
int ExportWholeLibrary(const std::string& path, const CombinationLibrary& library);
