#include "LibraryExchange.h"

#include "Cp936Text.h"
#include "UserPrompt.h"

#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

std::string IdentityKey(const CombinationRecord& record)
{
    std::string key = cp936::FoldCase(FieldView(record.name));
    key.push_back('\0');
    key += cp936::FoldCase(FieldView(record.roomCategory));
    return key;
}

}  // namespace

namespace {

// Undoes a merge: the records it replaced, and the count before it.
struct MergeUndo {
    int count = 0;
    std::vector<std::pair<int, CombinationRecord>> replaced;

    void Apply(CombinationLibrary& library)
    {
        while (library.GetCount() > count)
            library.RemoveAt(library.GetCount() - 1);
        for (auto it = replaced.rbegin(); it != replaced.rend(); ++it)
            library.ReplaceAt(it->first, it->second);
    }
};

// Applies the undo when an exception leaves the merge (one from the caller's
// conflict handler, say): the library is as it was and the exception goes on
// to the caller. Records copy as plain bytes, so undoing cannot throw.
class UndoOnUnwind {
public:
    UndoOnUnwind(MergeUndo& undo, CombinationLibrary& library) : undo_(undo), library_(library) {}
    ~UndoOnUnwind()
    {
        if (armed_)
            undo_.Apply(library_);
    }
    UndoOnUnwind(const UndoOnUnwind&) = delete;
    UndoOnUnwind& operator=(const UndoOnUnwind&) = delete;
    void Release() { armed_ = false; }

private:
    MergeUndo& undo_;
    CombinationLibrary& library_;
    bool armed_ = true;
};

// What a merge did, for an observer told only once the merge stands: each
// record it appended, or replaced together with the record that was there.
struct MergeStep {
    bool replaced;
    CombinationRecord before;
    CombinationRecord after;
};

MergeResult Merge(CombinationFileReader& reader, CombinationLibrary& library, const ConflictHandler& decide,
                  MergeUndo& undo, std::vector<MergeStep>* observed)
{
    MergeResult result;
    // The first index of every (name, category) key, as FindCombination would
    // give it, kept up to date as records are appended. A replace keeps the
    // key of the record it overwrites, so the map stays valid.
    // Room for every incoming record at once, so appends never move the array.
    const int64_t incoming = reader.RecordCount();
    if (incoming > 0 && incoming < (int64_t(1) << 24))
        library.Reserve(library.GetCount() + static_cast<int>(incoming));
    std::unordered_map<std::string, int> firstIndex;
    firstIndex.reserve(static_cast<std::size_t>(library.GetCount() + reader.RecordCount()));
    for (int i = 0; i < library.GetCount(); ++i)
        firstIndex.emplace(IdentityKey(library[i]), i);

    bool replaceAll = false;
    bool skipAll = false;
    CombinationRecord record;
    result.status = MergeStatus::Completed;
    while (reader.Next(record)) {
        std::string key = IdentityKey(record);
        auto found = firstIndex.find(key);
        if (found == firstIndex.end()) {
            firstIndex.emplace(std::move(key), library.GetCount());
            library.Append(record);
            if (observed)
                observed->push_back({false, CombinationRecord{}, library[library.GetCount() - 1]});
            ++result.added;
            continue;
        }
        const int index = found->second;
        bool replace = replaceAll;
        if (!replaceAll && !skipAll) {
            switch (decide ? decide(record, library[index]) : MergeDecision::Cancel) {
            case MergeDecision::Replace:
                replace = true;
                break;
            case MergeDecision::Skip:
                break;
            case MergeDecision::ReplaceAll:
                replaceAll = true;
                replace = true;
                break;
            case MergeDecision::SkipAll:
                skipAll = true;
                break;
            case MergeDecision::Cancel:
                result.status = MergeStatus::Cancelled;
                return result;
            }
        }
        if (replace) {
            // Only records an earlier merge owned need undoing.
            if (index < undo.count)
                undo.replaced.emplace_back(index, library[index]);
            if (observed)
                observed->push_back({true, library[index], CombinationRecord{}});
            library.ReplaceAt(index, record);
            if (observed)
                observed->back().after = library[index];
            ++result.replaced;
        }
    }
    if (reader.Failed())
        result.status = MergeStatus::ReadFailed;
    return result;
}

}  // namespace

MergeResult MergeCombinationFile(const std::string& path, CombinationLibrary& library, const ConflictHandler& decide,
                                 const MergeObserver& observe)
{
    MergeResult result;
    MergeUndo undo;
    undo.count = library.GetCount();
    std::vector<MergeStep> steps;
    CombinationFileReader reader;
    UndoOnUnwind undoOnUnwind(undo, library);
    try {
        switch (reader.Open(path)) {
        case CombinationFileReader::Status::NotOpened:
            result.status = MergeStatus::NotOpened;
            return result;
        case CombinationFileReader::Status::BadSignature:
            result.status = MergeStatus::BadSignature;
            return result;
        case CombinationFileReader::Status::ReadFailed:
            result.status = MergeStatus::ReadFailed;
            break;
        case CombinationFileReader::Status::Ready:
            result = Merge(reader, library, decide, undo, observe ? &steps : nullptr);
            break;
        }
    } catch (const std::bad_alloc&) {
        result.status = MergeStatus::ReadFailed;
    }
    undoOnUnwind.Release();
    reader.Close();
    if (result.status == MergeStatus::ReadFailed) {
        // Part of a file is not merged: everything goes back as it was.
        undo.Apply(library);
        result.added = result.replaced = 0;
        Prompt(IncompleteReadMessage(path), PromptButtons::Ok);
        return result;
    }
    for (const MergeStep& step : steps)
        observe(step.replaced ? &step.before : nullptr, step.after);
    return result;
}

bool ExportFile::Create(const std::string& newPath)
{
    Close();
    const bool created = SaveFileSafely(newPath, [](File& f) {
        unsigned char field[kSignatureFieldSize];
        MakeSignatureField(field);
        return WriteAll(f, field, sizeof field);
    });
    if (!created)
        return false;
    file = Files().Open(newPath, OpenMode::Append);
    if (!file)
        return false;
    path = newPath;
    return true;
}

bool ExportFile::Append(const CombinationRecord& record)
{
    if (!file)
        return false;
    CombinationRecord copy = record;
    ClearGaps(copy);
    if (WriteAll(*file, &copy, sizeof copy) && file->Flush())
        return true;
    // A partly written record would shift every later one: no more appends.
    // Readers drop the fragment at the end.
    Close();
    return false;
}

void ExportFile::Close()
{
    if (file)
        file->Close();
    file.reset();
    path.clear();
}

int ExportWholeLibrary(const std::string& path, const CombinationLibrary& library)
{
    return WriteCombinationFile(path, library);
}
