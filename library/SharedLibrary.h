// The library file as a team shares it. A panel loads it, records what its
// own dialogs change, and saves those changes under the library's lock on top
// of whatever the file holds by then: when the file is still what this panel
// last read or wrote, an addition is appended (one record and a flush) and
// other changes write the panel's copy; when someone else saved meanwhile,
// the current file is read and this panel's changes are replayed onto it.
#pragma once

#include "CombinationLibrary.h"
#include "LibraryChanges.h"
#include "LibraryLock.h"

#include <functional>
#include <string>
#include <vector>

// Reasons a save failed, in words (code page 936).
extern const char* const kLockBusyReason;
extern const char* const kNotALibraryReason;
extern const char* const kReadFailedReason;
extern const char* const kWriteFailedReason;
extern const char* const kReadOnlyReason;
extern const char* const kHardLinkedReason;

class SharedLibraryFile {
public:
    // How long a save waits for another process's lock.
    static constexpr int kDefaultLockWaitMs = 10000;

    explicit SharedLibraryFile(std::string path = std::string());

    void SetPath(std::string path);
    const std::string& Path() const { return libraryPath; }

    // Empties library and reads the file into it (ReadCombinationFile: 1 when
    // read, 0 when missing or not a library), under the lock when it can be
    // had within the wait. Remembers the file as read.
    int Load(CombinationLibrary& library);

    // Forgets what the file was, so that the next save reads it and replays
    // the pending changes whatever it holds.
    void ForgetStamp() { stamp = FileStamp(); }
    // The file as this panel last read or wrote it.
    const FileStamp& Stamp() const { return stamp; }

    // The changes not yet in the file. The dialogs record into it.
    LibraryChanges changes;

    // A change made without recording it (the whole library counts as
    // changed): the next save writes the panel's copy as it is.
    void MarkWholeLibraryChanged() { wholeLibraryChanged = true; }
    bool HasPendingChanges() const { return !changes.IsEmpty() || wholeLibraryChanged; }
    bool WholeLibraryChanged() const { return wholeLibraryChanged; }

    struct SaveResult {
        enum class Status {
            Nothing,   // no pending change: nothing written
            Appended,  // the additions were appended to the unchanged file
            Written,   // the panel's copy was written (the file had not changed)
            Merged,    // the current file was read and the changes replayed onto it
            LockBusy,  // the lock stayed taken for the whole wait
            Failed,    // could not lock, read or write; reason says why
        };
        Status status = Status::Nothing;
        // Records whose change met another designer's (Merged only).
        std::vector<std::string> conflicts;
        std::string reason;
        bool Saved() const { return status != Status::LockBusy && status != Status::Failed; }
    };

    // Saves the pending changes. On success library is what the file now
    // holds and the changes are cleared; on failure library and the pending
    // changes are kept as they were and the file is left as it was.
    SaveResult Save(CombinationLibrary& library);

    // Reads the file again into library and lays the pending changes on it
    // (used when they could not be saved); the next save replays them.
    int ReloadKeepingChanges(CombinationLibrary& library);

    int lockWaitMs = kDefaultLockWaitMs;
    // Called under the lock once the new file is complete but before it
    // replaces the old one (tests use it to stop a process there).
    std::function<void()> beforeReplace;

private:
    bool AppendAdditions(const CombinationLibrary& library, int from, std::string& reason);
    bool WriteWhole(const CombinationLibrary& library, std::string& reason);
    bool ReadCurrent(CombinationLibrary& current, std::string& reason);

    std::string libraryPath;
    FileStamp stamp;
    // The bytes the stamp's hash covers, so an append can extend it.
    std::vector<unsigned char> stampHead, stampTail;
    bool wholeLibraryChanged = false;
};
