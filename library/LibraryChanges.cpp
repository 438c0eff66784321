#include "LibraryChanges.h"

#include "Cp936Text.h"

#include <algorithm>
#include <cstring>

void LibraryChanges::Added(const CombinationRecord& record)
{
    LibraryChange change;
    change.kind = LibraryChange::Kind::Add;
    change.after = record;
    ClearGaps(change.after);
    items.push_back(change);
    anyRecorded = true;
}

void LibraryChanges::Changed(const CombinationRecord& before, const CombinationRecord& after)
{
    LibraryChange change;
    change.kind = LibraryChange::Kind::Change;
    change.before = before;
    change.after = after;
    ClearGaps(change.before);
    ClearGaps(change.after);
    if (SameRecord(change.before, change.after))
        return;  // nothing to lay on anyone's file
    items.push_back(change);
    anyRecorded = true;
}

void LibraryChanges::Deleted(const CombinationRecord& record)
{
    LibraryChange change;
    change.kind = LibraryChange::Kind::Delete;
    change.before = record;
    ClearGaps(change.before);
    items.push_back(change);
    anyRecorded = true;
}

bool LibraryChanges::OnlyAdditions() const
{
    return std::all_of(items.begin(), items.end(),
                       [](const LibraryChange& c) { return c.kind == LibraryChange::Kind::Add; });
}

bool LibraryChanges::AnyDeletionOrRename() const
{
    return std::any_of(items.begin(), items.end(), [](const LibraryChange& c) {
        return c.kind == LibraryChange::Kind::Delete ||
               (c.kind == LibraryChange::Kind::Change && RecordPath(c.before) != RecordPath(c.after));
    });
}

CombinationLibrary LibraryChanges::ChangedRecords() const
{
    // Replaying onto an empty library leaves exactly the added and changed
    // records, each in its last version.
    CombinationLibrary records;
    ReplayChanges(*this, records);
    return records;
}

bool SameRecord(const CombinationRecord& a, const CombinationRecord& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string RecordPath(const CombinationRecord& record)
{
    return FieldString(record.roomCategory) + FieldString(record.name);
}

namespace {

int Find(const CombinationLibrary& library, const CombinationRecord& identity)
{
    return FindCombination(library, FieldView(identity.name), FieldView(identity.roomCategory));
}

void Note(std::vector<std::string>& conflicts, const CombinationRecord& record)
{
    std::string path = RecordPath(record);
    for (const std::string& seen : conflicts)
        if (cp936::EqualsNoCase(seen, path))
            return;
    conflicts.push_back(std::move(path));
}

}  // namespace

std::vector<std::string> ReplayChanges(const LibraryChanges& changes, CombinationLibrary& library)
{
    std::vector<std::string> conflicts;
    for (const LibraryChange& change : changes.Items()) {
        switch (change.kind) {
        case LibraryChange::Kind::Add: {
            const int at = Find(library, change.after);
            if (at < 0) {
                library.Append(change.after);
            } else if (!SameRecord(library[at], change.after)) {
                // Someone else stored a combination of this name and category.
                library.ReplaceAt(at, change.after);
                Note(conflicts, change.after);
            }
            break;
        }
        case LibraryChange::Kind::Change: {
            const int at = Find(library, change.before);
            // A rename (or re-filing) onto a name another record holds by now
            // would leave two records of one identity: the other stays, this
            // change is not made, and the user is told.
            const int holder = Find(library, change.after);
            if (holder >= 0 && holder != at) {
                if (!SameRecord(library[holder], change.after))
                    Note(conflicts, change.after);
                break;  // when the same bytes: the file holds this change already
            }
            if (at < 0) {
                // Deleted (or renamed) by someone else: keep this panel's version.
                library.Append(change.after);
                Note(conflicts, change.after);
            } else {
                if (!SameRecord(library[at], change.before) && !SameRecord(library[at], change.after))
                    Note(conflicts, change.after);
                library.ReplaceAt(at, change.after);
            }
            break;
        }
        case LibraryChange::Kind::Delete: {
            const int at = Find(library, change.before);
            if (at < 0)
                break;  // gone already
            if (SameRecord(library[at], change.before))
                library.RemoveAt(at);
            else
                Note(conflicts, library[at]);  // someone else's newer version stays
            break;
        }
        }
    }
    return conflicts;
}
