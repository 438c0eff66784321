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
// The message shown when a file could not be read completely; %1 is the file.
extern const char* const kIncompleteReadFormat;
// kIncompleteReadFormat for path.
std::string IncompleteReadMessage(const std::string& path);

// The 32-byte signature field as written to files.
void MakeSignatureField(unsigned char (&field)[kSignatureFieldSize]);
// True when the field holds the signature text up to and including its NUL
// (the bytes after the NUL are not examined).
bool SignatureMatches(const unsigned char* field, std::size_t size);

// Reads a library or exchange file one record at a time.
class CombinationFileReader {
public:
    // ReadFailed: the file was opened but its signature field could not be
    // read (a read error, or fewer bytes than the file's size promises).
    enum class Status { NotOpened, BadSignature, ReadFailed, Ready };

    // Opens the file and checks its signature. A wrong signature (a file
    // shorter than the field included) shows kNotOurFileMessage when
    // promptOnBadSignature is set; a file that cannot be opened shows nothing,
    // nor does a read error in the field (ReadFailed: the caller tells).
    Status Open(const std::string& path, bool promptOnBadSignature = true);
    // Reads the next whole record; false at the end. A trailing fragment
    // shorter than a record is dropped; TrailingBytes tells its length.
    // False also when reading stopped early: see Failed.
    bool Next(CombinationRecord& record);
    // Reads up to n whole records into storage with one read where the
    // system allows; the number read. Ends like Next (see Failed).
    int64_t ReadRecords(CombinationRecord* storage, int64_t n);
    // True when a read reported an error, or the records ended before the
    // count the file's size promised: the file was not read completely, and
    // what was read must not be taken for the whole file.
    bool Failed() const { return failed; }
    // The whole records read so far.
    int64_t RecordsRead() const { return recordsRead; }
    // Length of the file in bytes (-1 when unknown), the number of whole
    // records it holds and the bytes of a trailing fragment.
    int64_t FileSize() const { return fileSize; }
    int64_t RecordCount() const;
    int64_t TrailingBytes() const;
    void Close();

private:
    std::unique_ptr<File> file;
    int64_t fileSize = -1;
    int64_t recordsRead = 0;
    bool failed = false;
};

// What a whole read of a library file came to.
enum class LibraryRead {
    Read,         // every record the file's size promises
    Missing,      // no file of that name
    NotALibrary,  // a file without the signature
    NotOpened,    // there, but it could not be opened (LastFileError says why)
    Failed,       // opened, but not read completely (LastFileError says why)
};

// Appends every record of the file to library, or nothing when it was not
// read whole; shows nothing but kNotOurFileMessage (when promptOnBadSignature).
LibraryRead ReadLibraryFile(const std::string& path, CombinationLibrary& library, bool promptOnBadSignature);

// 1 when the file was opened, its signature matched and every record the
// file's size promises was read; 0 otherwise. The file's records are appended
// to library (which is not emptied first). A file that could not be read
// completely (a read error, records missing, an exception such as running out
// of memory) appends nothing, shows IncompleteReadMessage and gives 0.
int ReadCombinationFile(const std::string& path, CombinationLibrary& library);

// Saves the signature field and every record. The file is replaced only when
// the whole new file was written and flushed; 1 on success, 0 on any failure
// (the old file is then left as it was), with the reason in *failure (a
// read-only or hard-linked file is refused; see SaveFileSafely).
int WriteCombinationFile(const std::string& path, const CombinationLibrary& library, SaveFailure* failure = nullptr);

// Writes every record in library order to an open file, flushes and closes
// it; false when any write, the flush or the close failed.
bool WriteRecords(File& file, const CombinationLibrary& library);
