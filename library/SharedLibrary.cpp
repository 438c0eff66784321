#include "SharedLibrary.h"

#include "CombinationFile.h"

#include <cerrno>
#include <new>
#include <utility>

const char* const kLockBusyReason = "另一个面板正在保存图库，等了10秒仍未完成";
const char* const kNotALibraryReason = "它不是染界图库文件";
const char* const kReadFailedReason = "读取文件时出错";
const char* const kWriteFailedReason = "写入文件时出错";
const char* const kReadOnlyReason = "它是只读文件";
const char* const kHardLinkedReason = "它另有硬链接，替换它会使这些链接仍指向旧的图库";

namespace {

std::string SystemReason(const char* fallback)
{
    std::string text = LastSystemErrorText();
    return text.empty() ? std::string(fallback) : text;
}

// Whole records after the signature field, or -1 when the file ends in a
// fragment (or is not even a signature long).
int64_t WholeRecords(const FileStamp& stamp)
{
    const int64_t body = stamp.size - static_cast<int64_t>(kSignatureFieldSize);
    if (!stamp.present || !stamp.readable || body < 0 || body % static_cast<int64_t>(kRecordSize) != 0)
        return -1;
    return body / static_cast<int64_t>(kRecordSize);
}

}  // namespace

SharedLibraryFile::SharedLibraryFile(std::string path) : libraryPath(std::move(path)) {}

void SharedLibraryFile::SetPath(std::string path)
{
    libraryPath = std::move(path);
    stamp = FileStamp();
}

int SharedLibraryFile::Load(CombinationLibrary& library)
{
    // Under the lock, so that a colleague's save does not fail on a file this
    // panel holds open for reading; read anyway when the lock cannot be had
    // (a read-only folder, a save that takes too long).
    LibraryLock lock;
    lock.Acquire(LockPathFor(libraryPath), lockWaitMs);
    // The stamp is taken before the read: should the file change in between,
    // the next save sees a difference and replays instead of trusting a copy
    // older than its stamp.
    stamp = StampFile(libraryPath, &stampHead, &stampTail);
    library.Empty();
    return ReadCombinationFile(libraryPath, library);
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

bool SharedLibraryFile::ReadCurrent(CombinationLibrary& current, std::string& reason)
{
    current.Empty();
    CombinationFileReader reader;
    switch (reader.Open(libraryPath, false)) {
    case CombinationFileReader::Status::NotOpened:
        if (!Files().Exists(libraryPath))
            return true;  // no file: the changes start a new one
        reason = SystemReason(kReadFailedReason);
        return false;
    case CombinationFileReader::Status::BadSignature:
        reason = kNotALibraryReason;
        return false;
    case CombinationFileReader::Status::ReadFailed:
        reason = SystemReason(kReadFailedReason);
        return false;
    case CombinationFileReader::Status::Ready:
        break;
    }
    const int64_t expected = reader.RecordCount();
    try {
        if (expected > 0 && expected < (int64_t(1) << 24))
            current.Reserve(static_cast<int>(expected));
        CombinationRecord record;
        while (reader.Next(record))
            current.Append(record);
    } catch (const std::bad_alloc&) {
        current.Empty();
        reason = kReadFailedReason;
        return false;
    }
    const bool failed = reader.Failed();
    reader.Close();
    // A read that stops early is an error, never a shorter library.
    if (failed || current.GetCount() != expected) {
        reason = SystemReason(kReadFailedReason);
        return false;
    }
    return true;
}

bool SharedLibraryFile::AppendAdditions(const CombinationLibrary& library, int from, std::string& reason)
{
    std::unique_ptr<File> file = Files().Open(libraryPath, OpenMode::Append);
    if (!file) {
        reason = SystemReason(kWriteFailedReason);
        return false;
    }
    // One write for all of them: a crash leaves at worst a fragment at the
    // end, which every reader drops; no earlier byte is touched.
    const std::size_t bytes = sizeof(CombinationRecord) * static_cast<std::size_t>(library.GetCount() - from);
    bool ok = WriteAll(*file, library.begin() + from, bytes);
    if (!ok)
        reason = SystemReason(kWriteFailedReason);
    ok = ok && file->Flush();
    const bool closed = file->Close();
    if (ok && !closed)
        ok = false;
    if (!ok && reason.empty())
        reason = SystemReason(kWriteFailedReason);
    return ok;
}

bool SharedLibraryFile::WriteWhole(const CombinationLibrary& library, std::string& reason)
{
    errno = 0;
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
                                                  : SystemReason(kWriteFailedReason);
    return saved;
}

SharedLibraryFile::SaveResult SharedLibraryFile::Save(CombinationLibrary& library)
{
    SaveResult result;
    if (!HasPendingChanges())
        return result;

    LibraryLock lock;
    switch (lock.Acquire(LockPathFor(libraryPath), lockWaitMs, &result.reason)) {
    case LibraryLock::Result::Acquired:
        break;
    case LibraryLock::Result::Busy:
        result.status = SaveResult::Status::LockBusy;
        result.reason = kLockBusyReason;
        return result;
    case LibraryLock::Result::Failed:
        result.status = SaveResult::Status::Failed;
        if (result.reason.empty())
            result.reason = kWriteFailedReason;
        return result;
    }

    std::vector<unsigned char> head, tail;
    FileStamp now = StampFile(libraryPath, &head, &tail);
    if (now.present && !now.readable) {
        result.status = SaveResult::Status::Failed;
        result.reason = SystemReason(kReadFailedReason);
        return result;
    }
    // A library marked read-only is refused, whoever we run as.
    if (now.present && &Files() == &PlatformFiles() && PlatformIsReadOnly(libraryPath)) {
        result.status = SaveResult::Status::Failed;
        result.reason = kReadOnlyReason;
        return result;
    }

    bool ok = false;
    int appendedFrom = -1;  // where the records appended start, when that is all that was written
    if (wholeLibraryChanged) {
        ok = WriteWhole(library, result.reason);
        result.status = SaveResult::Status::Written;
    } else if (now == stamp) {
        // The file is what this panel last read or wrote, so the panel's copy
        // is that file with the pending changes applied.
        const int additions = static_cast<int>(changes.Items().size());
        const int64_t inFile = WholeRecords(now);
        bool appendable = changes.OnlyAdditions() && inFile >= 0 && inFile + additions == library.GetCount();
        for (int i = 0; appendable && i < additions; ++i)
            appendable = SameRecord(library[static_cast<int>(inFile) + i], changes.Items()[i].after);
        if (appendable) {
            appendedFrom = static_cast<int>(inFile);
            ok = AppendAdditions(library, appendedFrom, result.reason);
            result.status = SaveResult::Status::Appended;
        } else {
            ok = WriteWhole(library, result.reason);
            result.status = SaveResult::Status::Written;
        }
    } else {
        CombinationLibrary current;
        if (!ReadCurrent(current, result.reason)) {
            result.status = SaveResult::Status::Failed;
            return result;
        }
        const int inFile = current.GetCount();
        result.conflicts = ReplayChanges(changes, current);
        // Additions that met nothing of anyone else's are only appended.
        if (result.conflicts.empty() && changes.OnlyAdditions() && WholeRecords(now) == inFile) {
            appendedFrom = inFile;
            ok = inFile == current.GetCount() || AppendAdditions(current, inFile, result.reason);
        } else
            ok = WriteWhole(current, result.reason);
        if (ok)
            library = std::move(current);
        result.status = SaveResult::Status::Merged;
    }

    if (!ok) {
        result.status = SaveResult::Status::Failed;
        result.conflicts.clear();
        return result;
    }
    // After an append the stamp follows from the bytes appended; otherwise
    // the file is new and is stamped afresh.
    if (appendedFrom >= 0) {
        const std::size_t bytes = sizeof(CombinationRecord) * static_cast<std::size_t>(library.GetCount() - appendedFrom);
        if (ExtendStamp(libraryPath, now, head, tail, library.begin() + appendedFrom, bytes)) {
            stamp = now;
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
    result.reason.clear();
    return result;
}
