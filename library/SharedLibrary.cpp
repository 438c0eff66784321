#include "SharedLibrary.h"

#include "CombinationFile.h"

#include <chrono>
#include <thread>
#include <utility>

const char* const kLockBusyReason = "图库正由其他设计师保存";
const char* const kNotALibraryReason = "它不是染界图库文件";
const char* const kReadFailedReason = "读取文件时出错";
const char* const kWriteFailedReason = "写入文件时出错";
const char* const kReadOnlyReason = "它是只读文件";
const char* const kHardLinkedReason = "它另有硬链接，替换它会使这些链接仍指向旧的图库";
const char* const kCopyIncompleteReason = "本面板打开时没能读取它，本面板中的图库并不完整，不能用它替换文件";

namespace {

// How long apart the reads of a file that cannot be read are.
constexpr int kReadRetryPauseMs = 50;

// Whole records after the signature field, or -1 when the file ends in a
// fragment (or is not even a signature long).
int64_t WholeRecords(const FileStamp& stamp)
{
    const int64_t body = stamp.size - static_cast<int64_t>(kSignatureFieldSize);
    if (!stamp.present || !stamp.readable || body < 0 || body % static_cast<int64_t>(kRecordSize) != 0)
        return -1;
    return body / static_cast<int64_t>(kRecordSize);
}

bool Unreadable(LibraryRead read) { return read == LibraryRead::NotOpened || read == LibraryRead::Failed; }

}  // namespace

SharedLibraryFile::SharedLibraryFile(std::string path) : libraryPath(std::move(path)) {}

void SharedLibraryFile::SetPath(std::string path)
{
    libraryPath = std::move(path);
    stamp = FileStamp();
    unavailable = false;
    unavailableReason.clear();
}

LibraryRead SharedLibraryFile::ReadRetrying(CombinationLibrary& library, bool promptOnBadSignature,
                                            std::string& reason, FileStamp* readStamp,
                                            std::vector<unsigned char>* head, std::vector<unsigned char>* tail)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(readRetryMs);
    for (;;) {
        library.Empty();
        // The stamp is taken before the read: should the file change in
        // between, the next save sees a difference and replays instead of
        // trusting a copy older than its stamp.
        if (readStamp)
            *readStamp = StampFile(libraryPath, head, tail);
        NoteFileError(0, std::string());  // the reason is the read's own
        const LibraryRead read = ReadLibraryFile(libraryPath, library, promptOnBadSignature);
        if (!Unreadable(read)) {
            reason.clear();
            return read;
        }
        reason = FileErrorText(kReadFailedReason);
        if (std::chrono::steady_clock::now() >= deadline)
            return read;
        std::this_thread::sleep_for(std::chrono::milliseconds(kReadRetryPauseMs));
    }
}

int SharedLibraryFile::Load(CombinationLibrary& library)
{
    std::string reason;
    const LibraryRead read = ReadRetrying(library, true, reason, &stamp, &stampHead, &stampTail);
    unavailable = Unreadable(read);
    copyIncomplete = unavailable;
    unavailableReason = unavailable ? reason : std::string();
    if (unavailable)
        stamp = FileStamp();  // nothing was read: never append to it
    return read == LibraryRead::Read ? 1 : 0;
}

int SharedLibraryFile::ReloadKeepingChanges(CombinationLibrary& library)
{
    const int read = Load(library);
    if (HasPendingChanges()) {
        ReplayChanges(changes, library);
        ForgetStamp();
    }
    return read;
}

bool SharedLibraryFile::AppendAdditions(const CombinationLibrary& library, int from, int64_t sizeBefore,
                                        std::string& reason)
{
    std::unique_ptr<File> file = Files().Open(libraryPath, OpenMode::Append);
    if (!file) {
        reason = FileErrorText(kWriteFailedReason);
        return false;
    }
    // One write for all of them: no earlier byte is touched, and a crash
    // leaves at worst a fragment at the end, which every reader drops.
    const std::size_t bytes = sizeof(CombinationRecord) * static_cast<std::size_t>(library.GetCount() - from);
    bool ok = WriteAll(*file, library.begin() + from, bytes) && file->Flush();
    if (!ok) {
        reason = FileErrorText(kWriteFailedReason);
        // What did get written is cut off again (the lock is still held).
        file->Truncate(sizeBefore);
    }
    if (!file->Close() && ok) {
        reason = FileErrorText(kWriteFailedReason);
        ok = false;
        if (std::unique_ptr<File> again = Files().Open(libraryPath, OpenMode::Append))
            again->Truncate(sizeBefore);
    }
    return ok;
}

bool SharedLibraryFile::WriteWhole(const CombinationLibrary& library, std::string& reason)
{
    NoteFileError(0, std::string());
    SaveFailure why = SaveFailure::Failed;
    const bool saved = SaveFileSafely(libraryPath, [&](File& file) {
        unsigned char field[kSignatureFieldSize];
        MakeSignatureField(field);
        const bool ok = WriteAll(file, field, sizeof field) && WriteRecords(file, library);
        if (ok && beforeReplace)
            beforeReplace();
        return ok;
    }, &why);
    if (!saved)
        reason = why == SaveFailure::ReadOnly     ? std::string(kReadOnlyReason)
                 : why == SaveFailure::HardLinked ? std::string(kHardLinkedReason)
                                                  : FileErrorText(kWriteFailedReason);
    return saved;
}

SharedLibraryFile::SaveResult SharedLibraryFile::Save(CombinationLibrary& library)
{
    SaveResult result;
    if (!HasPendingChanges())
        return result;

    // The file links lead to: its lock, its folder's stale temporaries.
    FileLayer& files = Files();
    const SaveTarget target = files.ResolveSaveTarget(libraryPath);

    LibraryLock lock;
    switch (lock.Acquire(LockPathFor(target, libraryPath), lockWaitMs, &result.reason)) {
    case LibraryLock::Result::Acquired:
        break;
    case LibraryLock::Result::Busy:
        result.status = SaveResult::Status::LockBusy;
        result.reason = kLockBusyReason;
        return result;
    case LibraryLock::Result::Failed:
        result.status = SaveResult::Status::Failed;
        return result;
    }

    // Temporary files of saves that were killed go, whatever this save does.
    ClearStaleTemporaries(files, target.resolved ? target.path : libraryPath);

    // A library that could not be read is never written over: read it again
    // first, and only once that works are the changes laid on it.
    if (unavailable) {
        CombinationLibrary probe;
        if (Unreadable(ReadRetrying(probe, false, result.reason))) {
            result.status = SaveResult::Status::Unavailable;
            unavailableReason = result.reason;
            return result;
        }
        unavailable = false;
        unavailableReason.clear();
        stamp = FileStamp();
    }

    std::vector<unsigned char> head, tail;
    const FileStamp now = StampFile(libraryPath, &head, &tail);
    // A library marked read-only is refused, whoever we run as.
    if (now.present && target.readOnly) {
        result.status = SaveResult::Status::Failed;
        result.reason = kReadOnlyReason;
        return result;
    }

    bool ok = false;
    int appendedFrom = -1;  // where the records appended start, when that is all that was written
    FileStamp after = now;
    if (wholeLibraryChanged) {
        // A copy that was never recorded change by change: only it can say
        // what the library is now, unless it never held the file's records.
        if (copyIncomplete) {
            result.status = SaveResult::Status::Failed;
            result.reason = kCopyIncompleteReason;
            return result;
        }
        ok = WriteWhole(library, result.reason);
        result.status = SaveResult::Status::Written;
    } else {
        const int additions = static_cast<int>(changes.Items().size());
        const int64_t inFile = WholeRecords(now);
        bool appendable = now == stamp && changes.OnlyAdditions() && inFile >= 0 &&
                          inFile + additions == library.GetCount();
        for (int i = 0; appendable && i < additions; ++i)
            appendable = SameRecord(library[static_cast<int>(inFile) + i], changes.Items()[i].after);
        if (appendable) {
            // The file is what this panel last read or wrote, and the
            // additions follow it in the panel's copy.
            appendedFrom = static_cast<int>(inFile);
            ok = AppendAdditions(library, appendedFrom, now.size, result.reason);
            result.status = SaveResult::Status::Appended;
        } else {
            // Everything else starts from the file as it is now.
            CombinationLibrary current;
            FileStamp read;
            const LibraryRead outcome = ReadRetrying(current, false, result.reason, &read, &head, &tail);
            if (outcome == LibraryRead::NotALibrary)
                result.reason = kNotALibraryReason;
            if (outcome != LibraryRead::Read && outcome != LibraryRead::Missing) {
                result.status = SaveResult::Status::Failed;
                return result;
            }
            after = read;
            const int count = current.GetCount();
            result.conflicts = ReplayChanges(changes, current);
            // Additions that met nothing of anyone else's are only appended.
            if (result.conflicts.empty() && changes.OnlyAdditions() && WholeRecords(read) == count) {
                appendedFrom = count;
                ok = count == current.GetCount() || AppendAdditions(current, count, read.size, result.reason);
            } else {
                ok = WriteWhole(current, result.reason);
            }
            if (ok)
                library = std::move(current);
            result.status = read == stamp && result.conflicts.empty() ? SaveResult::Status::Written
                                                                      : SaveResult::Status::Merged;
        }
    }

    if (!ok) {
        result.status = SaveResult::Status::Failed;
        result.conflicts.clear();
        stamp = FileStamp();  // unsure what the file holds now: the next save reads it
        return result;
    }
    // After an append the stamp follows from the bytes appended; otherwise
    // the file is new and is stamped afresh.
    if (appendedFrom >= 0) {
        const std::size_t bytes = sizeof(CombinationRecord) * static_cast<std::size_t>(library.GetCount() - appendedFrom);
        if (bytes == 0 || ExtendStamp(libraryPath, after, head, tail, library.begin() + appendedFrom, bytes)) {
            stamp = after;
            stampHead.swap(head);
            stampTail.swap(tail);
        } else {
            stamp = FileStamp();  // unsure: the next save reads the file
        }
    } else {
        stamp = StampFile(libraryPath, &stampHead, &stampTail);
    }
    changes.Clear();
    wholeLibraryChanged = false;
    copyIncomplete = false;  // the library is now what the file holds
    result.reason.clear();
    return result;
}
