// A library or exchange file read one record at a time, so that a command's
// memory does not grow with the file: the records pass through one by one,
// and a command that needs one again later reads it again by its number.
#pragma once

#include "CombinationFile.h"
#include "TgvSupport.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Records a command that streams the whole file takes with one read: about
// 100 KB, few system calls, and the buffer stays in the processor's cache.
constexpr int kRecordBatch = 8;

class RecordStream {
public:
    // Opens the file, or takes standard input for "-" (held in memory, since
    // a pipe cannot be read twice). Throws the Failure LoadFile throws for a
    // file that cannot be opened or lacks the signature.
    // batch: records taken from the file with one read (fewer system calls
    // for a command that does little with each record).
    RecordStream(const std::string& utf8Path, std::istream& in, int batch = 1);
    // The records of bytes already read; name names them in messages.
    RecordStream(std::string bytes, const std::string& name);
    // The file at utf8Path, named shownName in messages; null when it cannot
    // be opened (missing, a folder, not readable), so that the caller can
    // say so in its own words. Throws a Failure when it lacks the signature.
    static std::unique_ptr<RecordStream> TryOpen(const std::string& utf8Path, const std::string& shownName, int batch);
    ~RecordStream();
    RecordStream(const RecordStream&) = delete;
    RecordStream& operator=(const RecordStream&) = delete;

    // The next whole record; false at the end of the records. Throws a
    // Failure when the file could not be read to its end (a read error, a
    // file that shrank, running out of memory), so that part of a file never
    // passes for the whole of it.
    bool Next(CombinationRecord& record);
    // The same without a copy: the record, valid until the next call; null at the end.
    const CombinationRecord* Take();
    // Keeps the batch read before the current one in memory too (called
    // before the first Take), so that a record taken stays where it is for
    // at least a batch more: a caller can hold on to it without a copy.
    void KeepPreviousBatch();
    // The first record (0-based) that is still in memory after the next Take;
    // records taken before it must be copied now if they are still needed.
    int64_t KeptFrom() const;

    // Record number index (0-based) read again; throws a Failure when it
    // cannot be read.
    void ReadAt(int64_t index, CombinationRecord& record);

    int64_t RecordsRead() const { return read; }
    int64_t RecordCount() const { return count; }  // the records the size promises
    int64_t Size() const { return size; }
    int64_t Fragment() const { return fragment; }
    // "standard input" or the path, as messages name the file.
    const std::string& Name() const { return name; }

    // The LoadWhole warning of a trailing fragment on err, setting fragmentSeen.
    void ReportFragment(TgvIo& io, bool& fragmentSeen) const;

private:
    explicit RecordStream(int batch);
    // Opens the file; false when it cannot be opened.
    bool OpenFile(const std::string& utf8Path);
    std::string path;  // UTF-8; empty for bytes in memory
    std::string name;
    std::string bytes;  // the records in memory (standard input, bytes given)
    CombinationFileReader reader;
    std::unique_ptr<File> again;  // opened for ReadAt when first needed
    std::vector<CombinationRecord> buffer;  // records read and not yet taken
    std::size_t taken = 0, filled = 0;
    // With the previous batch kept: the buffer holds two batches, the
    // current one at half, and the first record number of each.
    bool twoHalves = false;
    int half = 0;
    int64_t halfStart[2] = {0, 0};
    int64_t read = 0, count = 0, size = 0, fragment = 0;
    void TakeBytes(std::string&& fileBytes);
    std::string ReadFailure() const;
};

// Writes what produce emits: to out for "-", else safely to the file (a
// temporary file that replaces it once everything was written). When produce
// throws, an existing file is left as it was. Lets a command write an output
// larger than it wants to hold.
using Emit = std::function<void(std::string_view text)>;
void WriteOutputStreamed(const std::string& utf8Path, std::ostream& out, const std::function<void(const Emit&)>& produce);

// A JSON value's text as nlohmann's dump(2) writes it nested depth levels deep.
std::string NestedJson(const std::string& dumped, int depth);

// The library's categories in the order it first names them (spelt as first
// met; letter case aside, one category), and which one each record is in.
class CategoryGroups {
public:
    // The group of a category, a new one for a category not met before.
    std::size_t Of(std::string_view category);
    const std::vector<std::string>& Names() const { return names; }

private:
    std::unordered_map<std::string, std::size_t> groups;  // folded category -> its number
    std::vector<std::string> names;
    std::string last;
    std::size_t lastGroup = 0;
    bool haveLast = false;
};
