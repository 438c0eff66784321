#include "CombinationFile.h"

#include "UserPrompt.h"

#include <cstring>
#include <exception>

const char LIBRARY_SIGNATURE[] = "ZK_Tintgrove_V1.0";
const char* const kNotOurFileMessage = "不是合适的染界文件！";
const char* const kIncompleteReadFormat = "读取文件“%1”时出错，文件没有完整读出，其中的组合没有载入。";

std::string IncompleteReadMessage(const std::string& path)
{
    std::string text = kIncompleteReadFormat;
    text.replace(text.find("%1"), 2, path);
    return text;
}

void MakeSignatureField(unsigned char (&field)[kSignatureFieldSize])
{
    std::memset(field, 0, sizeof field);
    std::memcpy(field, LIBRARY_SIGNATURE, sizeof LIBRARY_SIGNATURE - 1);
}

bool SignatureMatches(const unsigned char* field, std::size_t size)
{
    // The text and its terminator must be there, byte for byte.
    return size >= sizeof LIBRARY_SIGNATURE && std::memcmp(field, LIBRARY_SIGNATURE, sizeof LIBRARY_SIGNATURE) == 0;
}

CombinationFileReader::Status CombinationFileReader::Open(const std::string& path, bool promptOnBadSignature)
{
    Close();
    fileSize = -1;
    recordsRead = 0;
    failed = false;
    file = Files().Open(path, OpenMode::Read);
    if (!file)
        return Status::NotOpened;
    fileSize = file->Size();
    unsigned char field[kSignatureFieldSize] = {};
    const std::size_t n = file->Read(field, sizeof field);
    // A short read of a file long enough for the field is a read error, not
    // a foreign file.
    if (n < sizeof field &&
        (file->ReadFailed() || fileSize >= static_cast<int64_t>(kSignatureFieldSize))) {
        Close();
        failed = true;
        return Status::ReadFailed;
    }
    if (n < sizeof field || !SignatureMatches(field, n)) {
        Close();
        if (promptOnBadSignature)
            Prompt(kNotOurFileMessage, PromptButtons::Ok);
        return Status::BadSignature;
    }
    return Status::Ready;
}

bool CombinationFileReader::Next(CombinationRecord& record)
{
    if (!file || failed)
        return false;
    if (file->Read(&record, sizeof record) == sizeof record) {
        ++recordsRead;
        ClearGaps(record);
        return true;
    }
    // The end must come where the file's size put it, and quietly: a read
    // error or a file that shrank while it was read leaves records unread.
    if (file->ReadFailed() || recordsRead < RecordCount())
        failed = true;
    return false;
}

int64_t CombinationFileReader::ReadRecords(CombinationRecord* storage, int64_t n)
{
    if (!file || failed || n <= 0)
        return 0;
    const std::size_t wanted = static_cast<std::size_t>(n) * sizeof(CombinationRecord);
    const std::size_t got = file->Read(storage, wanted);
    const int64_t whole = static_cast<int64_t>(got / sizeof(CombinationRecord));
    recordsRead += whole;
    for (int64_t i = 0; i < whole; ++i)
        ClearGaps(storage[i]);
    if (got < wanted && (file->ReadFailed() || recordsRead < RecordCount()))
        failed = true;
    return whole;
}

int64_t CombinationFileReader::RecordCount() const
{
    return fileSize < static_cast<int64_t>(kSignatureFieldSize)
               ? 0
               : (fileSize - static_cast<int64_t>(kSignatureFieldSize)) / static_cast<int64_t>(kRecordSize);
}

int64_t CombinationFileReader::TrailingBytes() const
{
    return fileSize < static_cast<int64_t>(kSignatureFieldSize)
               ? 0
               : (fileSize - static_cast<int64_t>(kSignatureFieldSize)) % static_cast<int64_t>(kRecordSize);
}

void CombinationFileReader::Close()
{
    if (file)
        file->Close();
    file.reset();
}

LibraryRead ReadLibraryFile(const std::string& path, CombinationLibrary& library, bool promptOnBadSignature)
{
    const int before = library.GetCount();
    LibraryRead outcome = LibraryRead::Failed;
    try {
        CombinationFileReader reader;
        switch (reader.Open(path, promptOnBadSignature)) {
        case CombinationFileReader::Status::NotOpened:
            return Files().Exists(path) ? LibraryRead::NotOpened : LibraryRead::Missing;
        case CombinationFileReader::Status::BadSignature:
            return LibraryRead::NotALibrary;
        case CombinationFileReader::Status::ReadFailed:
        case CombinationFileReader::Status::Ready:
            break;
        }
        // The file length tells how many records follow: they are read at
        // once, straight into the library's storage.
        const int64_t expected = reader.RecordCount();
        if (!reader.Failed() && expected > 0 && expected < (int64_t(1) << 24))
            library.AppendFilled(static_cast<int>(expected), [&](CombinationRecord* storage, int n) {
                return static_cast<int>(reader.ReadRecords(storage, n));
            });
        // Then the end: a fragment to drop, or records added since the size
        // was taken.
        CombinationRecord record;
        while (reader.Next(record))
            library.Append(record);
        if (!reader.Failed())
            outcome = LibraryRead::Read;
        reader.Close();
    } catch (const std::exception&) {
        NoteFileError(0, std::string());
        outcome = LibraryRead::Failed;
    }
    if (outcome != LibraryRead::Read) {
        // All or nothing: part of a file must never pass for the whole of it.
        while (library.GetCount() > before)
            library.RemoveAt(library.GetCount() - 1);
    }
    return outcome;
}

int ReadCombinationFile(const std::string& path, CombinationLibrary& library)
{
    switch (ReadLibraryFile(path, library, true)) {
    case LibraryRead::Read:
        return 1;
    case LibraryRead::Failed:
        Prompt(IncompleteReadMessage(path), PromptButtons::Ok);
        return 0;
    default:
        return 0;
    }
}

bool WriteRecords(File& file, const CombinationLibrary& library)
{
    // The records lie contiguously in memory with their gaps zero, exactly as
    // the file holds them: one write takes them all.
    bool ok = library.IsEmpty() ||
              WriteAll(file, library.begin(), sizeof(CombinationRecord) * static_cast<std::size_t>(library.GetCount()));
    ok = file.Flush() && ok;
    ok = file.Close() && ok;
    return ok;
}

int WriteCombinationFile(const std::string& path, const CombinationLibrary& library, SaveFailure* failure)
{
    const bool saved = SaveFileSafely(
        path,
        [&](File& file) {
            unsigned char field[kSignatureFieldSize];
            MakeSignatureField(field);
            return WriteAll(file, field, sizeof field) && WriteRecords(file, library);
        },
        failure);
    return saved ? 1 : 0;
}
