#include "RecordStream.h"

#include "Cp936Text.h"
#include "FileLayer.h"

#include <cstring>
#include <new>
#include <ostream>

RecordStream::RecordStream(int batch) : buffer(static_cast<std::size_t>(batch > 1 ? batch : 1)) {}

RecordStream::RecordStream(const std::string& utf8Path, std::istream& in, int batch) : RecordStream(batch)
{
    if (utf8Path == "-") {
        name = "standard input";
        TakeBytes(ReadInput(utf8Path, in));
        return;
    }
    name = utf8Path;
    if (!OpenFile(utf8Path))
        throw Failure{utf8Path + ": cannot open the file (missing, a folder, or not readable)"};
}

std::unique_ptr<RecordStream> RecordStream::TryOpen(const std::string& utf8Path, const std::string& shownName, int batch)
{
    std::unique_ptr<RecordStream> stream(new RecordStream(batch));
    stream->name = shownName;
    if (!stream->OpenFile(utf8Path))
        return nullptr;
    return stream;
}

bool RecordStream::OpenFile(const std::string& utf8Path)
{
    path = utf8Path;
    switch (reader.Open(LayerPath(utf8Path), false)) {
    case CombinationFileReader::Status::NotOpened:
        return false;
    case CombinationFileReader::Status::BadSignature:
        throw Failure{SignatureFailure(name)};
    case CombinationFileReader::Status::ReadFailed:  // reported by the first Take
    case CombinationFileReader::Status::Ready:
        break;
    }
    size = reader.FileSize();
    count = reader.RecordCount();
    fragment = reader.TrailingBytes();
    return true;
}

RecordStream::RecordStream(std::string bytesRead, const std::string& shownName) : name(shownName), buffer(1)
{
    TakeBytes(std::move(bytesRead));
}

RecordStream::~RecordStream() = default;

void RecordStream::TakeBytes(std::string&& fileBytes)
{
    bytes = std::move(fileBytes);
    if (bytes.size() < kSignatureFieldSize ||
        !SignatureMatches(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
        throw Failure{SignatureFailure(name)};
    size = static_cast<int64_t>(bytes.size());
    const int64_t body = size - static_cast<int64_t>(kSignatureFieldSize);
    count = body / static_cast<int64_t>(kRecordSize);
    fragment = body % static_cast<int64_t>(kRecordSize);
}

std::string RecordStream::ReadFailure() const
{
    return name + ": read error after " + std::to_string(read) + " of " + std::to_string(count) +
           " records; the file was not read completely";
}

bool RecordStream::Next(CombinationRecord& record)
{
    const CombinationRecord* next = Take();
    if (next)
        std::memcpy(&record, next, kRecordSize);
    return next != nullptr;
}

void RecordStream::KeepPreviousBatch()
{
    if (!path.empty() && buffer.size() > 1 && !twoHalves && read == 0) {
        twoHalves = true;
        buffer.resize(2 * buffer.size());
    }
}

int64_t RecordStream::KeptFrom() const
{
    if (path.empty())
        return read;  // the next record goes where the last one is
    if (!twoHalves)
        return taken < filled ? halfStart[0] : read;
    // A new batch goes over the previous one, not over the current one.
    return taken < filled ? halfStart[half ^ 1] : halfStart[half];
}

const CombinationRecord* RecordStream::Take()
{
    const std::size_t batch = twoHalves ? buffer.size() / 2 : buffer.size();
    const std::size_t base = static_cast<std::size_t>(half) * batch;
    if (taken < filled) {
        ++read;
        return &buffer[base + taken++];
    }
    if (path.empty()) {
        if (read >= count)
            return nullptr;
        std::memcpy(&buffer[0], bytes.data() + kSignatureFieldSize + static_cast<std::size_t>(read) * kRecordSize,
                    kRecordSize);
        ClearGaps(buffer[0]);
        ++read;
        return &buffer[0];
    }
    int64_t got = 0;
    const int next = twoHalves ? half ^ 1 : 0;
    CombinationRecord* into = buffer.data() + static_cast<std::size_t>(next) * batch;
    try {
        got = batch == 1 ? (reader.Next(*into) ? 1 : 0) : reader.ReadRecords(into, static_cast<int64_t>(batch));
    } catch (const std::bad_alloc&) {
        throw Failure{name + ": not enough memory after " + std::to_string(read) + " of " + std::to_string(count) +
                      " records; the file was not read completely"};
    } catch (const std::exception& e) {
        throw Failure{name + ": loading failed after " + std::to_string(read) + " of " + std::to_string(count) +
                      " records (" + e.what() + ")"};
    }
    if (got > 0) {
        half = next;
        halfStart[half] = read;
        filled = static_cast<std::size_t>(got);
        taken = 1;
        ++read;
        return into;
    }
    // The size promised a number of records; fewer (or more: a file that
    // grew while it was read) means the file was not read as it stood.
    if (size < 0 || reader.Failed() || read != count)
        throw Failure{ReadFailure()};
    return nullptr;
}

void RecordStream::ReadAt(int64_t index, CombinationRecord& record)
{
    if (index < 0 || index >= count)
        throw Failure{name + ": there is no record " + std::to_string(index + 1)};
    const uint64_t offset = kSignatureFieldSize + static_cast<uint64_t>(index) * kRecordSize;
    if (path.empty()) {
        std::memcpy(&record, bytes.data() + offset, kRecordSize);
    } else {
        if (!again)
            again = Files().Open(LayerPath(path), OpenMode::Read);
        if (!again || again->ReadAt(offset, &record, kRecordSize) != kRecordSize)
            throw Failure{name + ": read error at record " + std::to_string(index + 1) + " of " +
                          std::to_string(count) + " on reading it again"};
    }
    ClearGaps(record);
}

void RecordStream::ReportFragment(TgvIo& io, bool& fragmentSeen) const
{
    if (fragment <= 0)
        return;
    io.err << "tgv: " << name << " ends in a fragment of " << fragment
           << " bytes, shorter than a record (truncated?); it was left out\n";
    fragmentSeen = true;
}

void WriteOutputStreamed(const std::string& utf8Path, std::ostream& out, const std::function<void(const Emit&)>& produce)
{
    if (utf8Path == "-") {
        produce([&](std::string_view text) { out.write(text.data(), static_cast<std::streamsize>(text.size())); });
        out.flush();
        if (!out)
            throw Failure{"standard output: write error"};
        return;
    }
    // Whole pieces of a megabyte go to the file; a failed write stops the rest.
    constexpr std::size_t kChunk = 1 << 20;
    bool writeFailed = false;
    const bool saved = SaveFileSafely(LayerPath(utf8Path), [&](File& file) {
        std::string buffer;
        buffer.reserve(kChunk);
        const auto flush = [&] {
            if (!writeFailed && !WriteAll(file, buffer.data(), buffer.size()))
                writeFailed = true;
            buffer.clear();
        };
        produce([&](std::string_view text) {
            buffer.append(text);
            if (buffer.size() >= kChunk)
                flush();
        });
        flush();
        return !writeFailed;
    });
    if (!saved)
        throw Failure{utf8Path + ": cannot write the file; an existing file was left as it was"};
}

std::string NestedJson(const std::string& dumped, int depth)
{
    // Strings in JSON text hold no raw line breaks: every one starts a line.
    const std::string indent(static_cast<std::size_t>(2 * depth), ' ');
    std::string nested;
    nested.reserve(dumped.size() + dumped.size() / 8);
    for (char c : dumped) {
        nested += c;
        if (c == '\n')
            nested += indent;
    }
    return nested;
}

std::size_t CategoryGroups::Of(std::string_view category)
{
    // Records of one category usually follow each other.
    if (haveLast && category == last)
        return lastGroup;
    std::string folded = cp936::FoldCase(category);
    const auto [at, isNew] = groups.emplace(std::move(folded), names.size());
    if (isNew)
        names.emplace_back(category);
    last.assign(category);
    haveLast = true;
    return lastGroup = at->second;
}
