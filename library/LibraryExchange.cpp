#include "LibraryExchange.h"

#include "Cp936Text.h"

#include <unordered_map>

namespace {

std::string IdentityKey(const CombinationRecord& record)
{
    std::string key = cp936::FoldCase(FieldView(record.name));
    key.push_back('\0');
    key += cp936::FoldCase(FieldView(record.roomCategory));
    return key;
}

}  // namespace

MergeResult MergeCombinationFile(const std::string& path, CombinationLibrary& library, const ConflictHandler& decide,
                                 const MergeObserver& observe)
{
    MergeResult result;
    CombinationFileReader reader;
    switch (reader.Open(path)) {
    case CombinationFileReader::Status::NotOpened:
        result.status = MergeStatus::NotOpened;
        return result;
    case CombinationFileReader::Status::BadSignature:
        result.status = MergeStatus::BadSignature;
        return result;
    case CombinationFileReader::Status::Ready:
        break;
    }

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
            if (observe)
                observe(nullptr, library[library.GetCount() - 1]);
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
                reader.Close();
                return result;
            }
        }
        if (replace) {
            if (observe) {
                CombinationRecord replaced = library[index];
                library.ReplaceAt(index, record);
                observe(&replaced, library[index]);
            } else {
                library.ReplaceAt(index, record);
            }
            ++result.replaced;
        }
    }
    reader.Close();
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
