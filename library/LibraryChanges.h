// What one panel changed in the shared library during its life, kept as a
// list of changes rather than a snapshot, so that they can be laid on top of
// whatever the file holds when the panel saves: another designer's additions,
// edits and deletions in between are kept.
#pragma once

#include "CombinationLibrary.h"

#include <string>
#include <vector>

struct LibraryChange {
    enum class Kind {
        Add,     // a new record: after
        Change,  // an existing record rebuilt, edited, renamed, re-filed or replaced by an import
        Delete,  // an existing record removed: before
    };
    Kind kind = Kind::Add;
    // The record as this panel found it (Change, Delete); it names the record
    // (category + name) and tells whether someone else changed it since.
    CombinationRecord before;
    // The record as this panel left it (Add, Change).
    CombinationRecord after;
};

class LibraryChanges {
public:
    void Added(const CombinationRecord& record);
    void Changed(const CombinationRecord& before, const CombinationRecord& after);
    void Deleted(const CombinationRecord& record);

    bool IsEmpty() const { return items.empty(); }
    // True when every change is an addition.
    bool OnlyAdditions() const;
    void Clear() { items.clear(); }
    const std::vector<LibraryChange>& Items() const { return items; }
    // True when a change removes a record or moves it to another name or
    // category: what an exchange file cannot carry.
    bool AnyDeletionOrRename() const;
    // True once anything was recorded, even if saved and cleared since.
    bool AnyRecorded() const { return anyRecorded; }

    // The records this panel added or changed, last version of each, in the
    // order first touched: what an exchange file needs to carry the work.
    CombinationLibrary ChangedRecords() const;

private:
    std::vector<LibraryChange> items;
    bool anyRecorded = false;
};

// Lays changes, in order, on top of library (the file as it is now):
// - an addition is appended, or replaces a record of the same identity that
//   someone else added meanwhile;
// - a change finds its record by the identity it started from; if that record
//   still holds the bytes the change started from, it is overwritten; if
//   someone else changed it, this panel's version wins; if someone deleted
//   it, this panel's version is appended, so the record is not lost; a
//   change that would give it the name and category of another record the
//   file holds by then is not made (a conflict), so that no two records
//   share one identity;
// - a deletion removes its record when it still holds the bytes this panel
//   deleted; a record that someone else changed meanwhile is kept.
// Returns the records (category + name) whose change met another's, each once,
// in the order met.
std::vector<std::string> ReplayChanges(const LibraryChanges& changes, CombinationLibrary& library);

// True when the two records hold the same bytes.
bool SameRecord(const CombinationRecord& a, const CombinationRecord& b);

// The path under which a record is listed: category followed by name.
std::string RecordPath(const CombinationRecord& record);
