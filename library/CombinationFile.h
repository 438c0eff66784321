// The library and exchange file: a 32-byte signature field followed by the
// records, each stored byte for byte as it lies in memory. The number of
// records follows from the file length.
#pragma once

#include "CombinationLibrary.h"
#include "FileLayer.h"

#include <cstdint>
#include <memory>
#include <string>

// The signature text; the field is this text, a NUL and zero bytes up to 32.
extern const char LIBRARY_SIGNATURE[];
constexpr std::size_t kSignatureFieldSize = 32;
constexpr std::size_t kRecordSize = sizeof(CombinationRecord);

// The message shown when a file does not carry the signature.
extern const char* const kNotOurFileMessage;

// The 32-byte signature field as written to files.
void MakeSignatureField(unsigned char (&field)[kSignatureFieldSize]);
// True when the field holds the signature text up to and including its NUL
// (the bytes after the NUL are not examined).
bool SignatureMatches(const unsigned char* field, std::size_t size);

// Reads a library or exchange file one record at a time.
class CombinationFileReader {
public:
    enum class Status { NotOpened, BadSignature, Ready };

    // Opens the file and checks its signature. A wrong signature (a file
    // shorter than the field included) shows kNotOurFileMessage when
    // promptOnBadSignature is set; a file that cannot be opened shows nothing.
    Status Open(const std::string& path, bool promptOnBadSignature = true);
    // Reads the next whole record; false at the end. A trailing fragment
    // shorter than a record is dropped; TrailingBytes tells its length.
    bool Next(CombinationRecord& record);
    // Length of the file in bytes (-1 when unknown), the number of whole
    // records it holds and the bytes of a trailing fragment.
    int64_t FileSize() const { return fileSize; }
    int64_t RecordCount() const;
    int64_t TrailingBytes() const;
    void Close();

private:
    std::unique_ptr<File> file;
    int64_t fileSize = -1;
};

// 1 when the file was opened and its signature matched, 0 otherwise; the
// file's records are appended to library (which is not emptied first).
int ReadCombinationFile(const std::string& path, CombinationLibrary& library);

// Saves the signature field and every record. The file is replaced only when
// the whole new file was written and flushed; 1 on success, 0 on any failure
// (the old file is then left as it was).
int WriteCombinationFile(const std::string& path, const CombinationLibrary& library);

// Writes every record in library order to an open file, flushes and closes
// it; false when any write, the flush or the close failed.
bool WriteRecords(File& file, const CombinationLibrary& library);
