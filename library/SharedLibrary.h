// The library file as a team shares it. A panel loads it (without the lock:
// the file is only ever replaced whole or appended to), records what its own
// dialogs change, and saves those changes under the library's lock on top of
// whatever the file holds by then: when the file is still what this panel
// last read or wrote, additions are appended (one write and a flush, never
// touching an earlier byte); every other save reads the current file and
// replays this panel's changes onto it, so that nothing another writer put
// there is written over, even a change the file's stamp could not see.
//
// A file that is there but cannot be read (held open without sharing by a
// scanner or a backup, a network error, a read that stops early) is tried
// again for a moment; if it still cannot be read, the library is marked
// unavailable: every save is refused without touching any file and tries the
// read again first, until the changes can be replayed onto the file.
#pragma once

#include "CombinationFile.h"
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
extern const char* const kCopyIncompleteReason;


class SharedLibraryFile {
public:
    // How long a save waits for another process's lock: a save appends a
    // record or rewrites the file in far less, and the host must not freeze.
    static constexpr int kDefaultLockWaitMs = 2000;
    // How long a file that is there but cannot be read is tried again
    // (sharing violations last milliseconds to a second).
    static constexpr int kDefaultReadRetryMs = 1000;

    explicit SharedLibraryFile(std::string path = std::string());

    void SetPath(std::string path);
    const std::string& Path() const { return libraryPath; }

    // Empties library and reads the file into it: 1 when read, 0 when
    // missing, not a library (kNotOurFileMessage is shown) or unavailable
    // (see Unavailable). Takes no lock. Remembers the file as read.
    int Load(CombinationLibrary& library);

    // True while the file is there but could not be read: saves are refused
    // (and try the read again) until it can be.
    bool Unavailable() const { return unavailable; }
    // The system's reason the last read failed, in words.
    const std::string& UnavailableReason() const { return unavailableReason; }

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
            LockBusy,     // the lock stayed taken for the whole wait
            Unavailable,  // the file still cannot be read: nothing was written
            Failed,       // could not lock, read or write; reason says why
        };
        Status status = Status::Nothing;
        // Records whose change met another designer's (Merged only).
        std::vector<std::string> conflicts;
        std::string reason;
        bool Saved() const
        {
            return status != Status::LockBusy && status != Status::Unavailable && status != Status::Failed;
        }
    };

    // Saves the pending changes. On success library is what the file now
    // holds and the changes are cleared; on failure library and the pending
    // changes are kept as they were and the file is left as it was.
    SaveResult Save(CombinationLibrary& library);

    // Reads the file again into library and lays the pending changes on it
    // (used when they could not be saved); the next save replays them.
    int ReloadKeepingChanges(CombinationLibrary& library);

    int lockWaitMs = kDefaultLockWaitMs;
    int readRetryMs = kDefaultReadRetryMs;
    // Called under the lock once the new file is complete but before it
    // replaces the old one (tests use it to stop a process there).
    std::function<void()> beforeReplace;

private:
    // Reads the whole file into library (emptied first), trying again for
    // readRetryMs while it is there but cannot be read; readStamp (with the
    // bytes it hashed), when given, is taken just before the read that counts.
    LibraryRead ReadRetrying(CombinationLibrary& library, bool promptOnBadSignature, std::string& reason,
                             FileStamp* readStamp = nullptr, std::vector<unsigned char>* head = nullptr,
                             std::vector<unsigned char>* tail = nullptr);
    bool AppendAdditions(const CombinationLibrary& library, int from, int64_t sizeBefore, std::string& reason);
    bool WriteWhole(const CombinationLibrary& library, std::string& reason);

    std::string libraryPath;
    FileStamp stamp;
    // The bytes the stamp's hash covers, so an append can extend it.
    std::vector<unsigned char> stampHead, stampTail;
    bool wholeLibraryChanged = false;
    bool unavailable = false;
    // The panel's copy started without the file's records (the file could
    // not be read when loaded): it may never replace the file whole.
    bool copyIncomplete = false;
    std::string unavailableReason;
};
