// The panel's expert library for the life of one panel: the records in
// memory, the file they come from, the changes not yet in the file, and the
// rules of when and how they are saved to the shared file. Saying things to
// the user is left to the caller, which gets what happened.
#pragma once

#include "library/CombinationLibrary.h"
#include "library/SharedLibrary.h"

#include <functional>
#include <string>
#include <vector>

namespace engine {

class LibrarySession {
public:
    struct SaveOutcome {
        enum class Kind {
            Saved,   // nothing is left unsaved
            Busy,    // a colleague's save was in the way; the changes stay
            Failed,  // could not be saved; the changes stay
        };
        Kind kind = Kind::Saved;
        // Failed: the first failure since the last save, to be told; then
        // unavailable says whether the file could not be read, reason why.
        bool tell = false;
        bool unavailable = false;
        std::string reason;
        // Saved on top of a file another designer changed: the library in
        // memory is the merged one, conflicts the records both changed.
        bool merged = false;
        std::vector<std::string> conflicts;
    };

    // Reads libraryPath afresh; false when it gave no library (a missing
    // file gives an empty one).
    bool Load();
    // Saves the recorded changes under the lock on top of the file as it is
    // now. As the panel ends (ending) there is no next save: a colleague's
    // save in the way is waited for once more, then counts as a failure.
    SaveOutcome Save(bool ending);
    // Saves first when this is true; see Reload.
    bool HasUnsavedWork() const;
    // Reads the file again keeping the changes not yet saved; false when it
    // gave no library.
    bool Reload();
    // The panel ends with something that never reached the file.
    bool NeedsSaveAtEnd() const;

    // A file that was not a library at load is kept under a backup name
    // before the first save: true when that is still to be done.
    bool NeedsBackup(const std::function<bool(const std::string&)>& exists) const;
    // The first of libraryPath + ".bak", ".bak2" ... ".bak99" that does not
    // exist; empty when all do.
    std::string BackupPath(const std::function<bool(const std::string&)>& exists) const;

    CombinationLibrary library;
    std::string libraryPath;
    SharedLibraryFile sharedLibrary;
    // A change was made to the library in this panel's life.
    bool libraryModified = false;
    // The library file existed but was not a library when the panel opened;
    // it is moved aside before the first save.
    bool libraryUnreadable = false;
    // The user has been told that the library cannot be saved.
    bool saveFailureTold = false;

private:
    void NoteUnread();
};

}  // namespace engine
