#include "CombinationFile.h"

#include "UserPrompt.h"

#include <cstring>

const char LIBRARY_SIGNATURE[] = "ZK_Tintgrove_V1.0";
const char* const kNotOurFileMessage = "不是合适的染界文件！";

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
    file = Files().Open(path, OpenMode::Read);
    if (!file)
        return Status::NotOpened;
    fileSize = file->Size();
    unsigned char field[kSignatureFieldSize] = {};
    const std::size_t n = file->Read(field, sizeof field);
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
    if (!file)
        return false;
    if (file->Read(&record, sizeof record) != sizeof record)
        return false;
    ClearGaps(record);
    return true;
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

int ReadCombinationFile(const std::string& path, CombinationLibrary& library)
{
    CombinationFileReader reader;
    if (reader.Open(path) != CombinationFileReader::Status::Ready)
        return 0;
    // The file length tells how many records follow: room for them at once.
    const int64_t expected = reader.RecordCount();
    if (expected > 0 && expected < (int64_t(1) << 24))
        library.Reserve(library.GetCount() + static_cast<int>(expected));
    CombinationRecord record;
    while (reader.Next(record))
        library.Append(record);
    reader.Close();
    return 1;
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

int WriteCombinationFile(const std::string& path, const CombinationLibrary& library)
{
    const bool saved = SaveFileSafely(path, [&](File& file) {
        unsigned char field[kSignatureFieldSize];
        MakeSignatureField(field);
        return WriteAll(file, field, sizeof field) && WriteRecords(file, library);
    });
    return saved ? 1 : 0;
}
