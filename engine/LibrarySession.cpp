#include "LibrarySession.h"

#include "library/FileLayer.h"

namespace engine {

bool LibrarySession::Load()
{
    library.Empty();
    libraryUnreadable = false;
    sharedLibrary.SetPath(libraryPath);
    if (sharedLibrary.Load(library))
        return true;
    NoteUnread();
    return false;
}

void LibrarySession::NoteUnread()
{
    // A file there that is not a library is moved aside before the first
    // save; one that could not be read is left alone.
    libraryUnreadable = !sharedLibrary.Unavailable() && Files().Exists(libraryPath);
}

LibrarySession::SaveOutcome LibrarySession::Save(bool ending)
{
    // A change that reached the library without being recorded is saved as
    // the whole library.
    if (libraryModified && !sharedLibrary.changes.AnyRecorded())
        sharedLibrary.MarkWholeLibraryChanged();

    using Status = SharedLibraryFile::SaveResult::Status;
    SharedLibraryFile::SaveResult result = sharedLibrary.Save(library);
    if (ending && result.status == Status::LockBusy)
        result = sharedLibrary.Save(library);

    SaveOutcome outcome;
    if (result.status == Status::LockBusy && !ending) {
        outcome.kind = SaveOutcome::Kind::Busy;
        return outcome;
    }
    if (!result.Saved()) {
        outcome.kind = SaveOutcome::Kind::Failed;
        if (!saveFailureTold) {
            saveFailureTold = true;
            outcome.tell = true;
            outcome.unavailable = result.status == Status::Unavailable;
            outcome.reason = result.reason;
        }
        return outcome;
    }
    saveFailureTold = false;
    outcome.merged = result.status == Status::Merged;
    outcome.conflicts = std::move(result.conflicts);
    return outcome;
}

bool LibrarySession::HasUnsavedWork() const
{
    return sharedLibrary.HasPendingChanges() || (libraryModified && !sharedLibrary.changes.AnyRecorded());
}

bool LibrarySession::Reload()
{
    saveFailureTold = false;
    if (sharedLibrary.ReloadKeepingChanges(library))
        return true;
    NoteUnread();
    return false;
}

bool LibrarySession::NeedsSaveAtEnd() const
{
    // Nothing changed in the panel's life, or everything recorded is in the
    // file (a change that was not recorded counts as the whole library).
    if (!libraryModified)
        return false;
    return sharedLibrary.HasPendingChanges() || !sharedLibrary.changes.AnyRecorded();
}

bool LibrarySession::NeedsBackup(const std::function<bool(const std::string&)>& exists) const
{
    return libraryUnreadable && exists(libraryPath);
}

std::string LibrarySession::BackupPath(const std::function<bool(const std::string&)>& exists) const
{
    for (int n = 1; n < 100; ++n) {
        std::string candidate = libraryPath + (n == 1 ? ".bak" : ".bak" + std::to_string(n));
        if (!exists(candidate))
            return candidate;
    }
    return std::string();
}

}  // namespace engine
