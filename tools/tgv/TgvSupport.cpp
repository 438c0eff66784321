#include "TgvSupport.h"

#include "CombinationFile.h"
#include "Cp936Text.h"
#include "FileLayer.h"
#include "SharedLibrary.h"
#include "TextDisplay.h"
#include "TextEncoding.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <istream>
#include <iterator>
#include <new>
#include <ostream>

std::string LayerPath(const std::string& utf8Path)
{
    std::string path;
    if (!Utf8ToCp936(utf8Path, path))
        throw Failure{"the path \"" + DisplayUtf8(utf8Path) + "\" has no code page 936 form"};
    return path;
}

std::string ReadInput(const std::string& utf8Path, std::istream& in)
{
    if (utf8Path == "-") {
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (in.bad())
            throw Failure{"standard input: read error"};
        return text;
    }
    std::unique_ptr<File> file = Files().Open(LayerPath(utf8Path), OpenMode::Read);
    if (!file)
        throw Failure{utf8Path + ": cannot open the file (missing, a folder, or not readable)"};
    const int64_t size = file->Size();
    std::string text;
    if (size > 0)
        text.reserve(static_cast<std::size_t>(size));
    char buffer[65536];
    for (std::size_t n; (n = file->Read(buffer, sizeof buffer)) > 0;)
        text.append(buffer, n);
    if (size >= 0 && static_cast<int64_t>(text.size()) < size)
        throw Failure{utf8Path + ": read error after " + std::to_string(text.size()) + " of " + std::to_string(size) +
                      " bytes"};
    return text;
}

void WriteOutput(const std::string& utf8Path, const std::string& bytes, std::ostream& out)
{
    if (utf8Path == "-") {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
            throw Failure{"standard output: write error"};
        return;
    }
    if (!SaveFileSafely(LayerPath(utf8Path), [&](File& f) { return WriteAll(f, bytes.data(), bytes.size()); }))
        throw Failure{utf8Path + ": cannot write the file; an existing file was left as it was"};
}

std::string SignatureFailure(const std::string& name)
{
    return name + ": not a Tintgrove library or exchange file (it lacks the signature \"" +
           std::string(LIBRARY_SIGNATURE) + "\")";
}

LoadedFile LoadBytes(const std::string& bytes, const std::string& name)
{
    if (bytes.size() < kSignatureFieldSize ||
        !SignatureMatches(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
        throw Failure{SignatureFailure(name)};
    LoadedFile loaded;
    loaded.size = static_cast<int64_t>(bytes.size());
    const std::size_t body = bytes.size() - kSignatureFieldSize;
    loaded.fragment = static_cast<int64_t>(body % kRecordSize);
    const std::size_t count = body / kRecordSize;
    loaded.library.Reserve(static_cast<int>(count));
    CombinationRecord record;
    for (std::size_t i = 0; i < count; ++i) {
        std::memcpy(&record, bytes.data() + kSignatureFieldSize + i * kRecordSize, kRecordSize);
        ClearGaps(record);
        loaded.library.Append(record);
    }
    return loaded;
}

std::string ReadNativeFile(const std::string& nativePath)
{
#ifdef _WIN32
    const std::filesystem::path path = std::filesystem::u8path(nativePath);
#else
    const std::filesystem::path path(nativePath);
#endif
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
        throw Failure{DisplayUtf8(nativePath) + ": is a folder, not a file"};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw Failure{DisplayUtf8(nativePath) + ": cannot open the file (missing or not readable)"};
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (file.bad())
        throw Failure{DisplayUtf8(nativePath) + ": read error"};
    return bytes;
}

LibraryWriteLock::LibraryWriteLock(const std::string& utf8LibraryPath)
{
    const std::string lockPath = LockPathFor(LayerPath(utf8LibraryPath));
    constexpr int kWaitMs = SharedLibraryFile::kDefaultLockWaitMs;
    switch (lock.Acquire(lockPath, kWaitMs)) {
    case LibraryLock::Result::Acquired:
        return;
    case LibraryLock::Result::Busy:
    {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, kWaitMs % 1000 == 0 ? "%.0f s" : "%.1f s", kWaitMs / 1000.0);
        throw Failure{DisplayText(lockPath) + ": the library's lock stayed taken for " + seconds +
                      " (another designer is saving the library); nothing was written, try again"};
    }
    case LibraryLock::Result::Failed:
        break;
    }
    // The system's reason alone: the panel's sentence around it is Chinese.
    const std::string reason = FileErrorText("");
    throw Failure{DisplayText(lockPath) + ": cannot create the library's lock (" +
                  (reason.empty() ? std::string("the system gave no reason") : DisplayText(reason)) +
                  "); nothing was written"};
}

std::string RecordKey(const CombinationRecord& record)
{
    std::string key;
    RecordKeyInto(record, key);
    return key;
}

void RecordKeyInto(const CombinationRecord& record, std::string& key)
{
    key.clear();
    cp936::AppendFolded(key, FieldView(record.roomCategory));
    key += '\0';
    cp936::AppendFolded(key, FieldView(record.name));
}

void RequireFolder(const std::string& utf8Path)
{
    std::error_code ec;
    if (!std::filesystem::is_directory(std::filesystem::u8path(utf8Path), ec))
        throw Failure{utf8Path + ": no such folder"};
}

LoadedFile LoadFile(const std::string& utf8Path, std::istream& in)
{
    if (utf8Path == "-")
        return LoadBytes(ReadInput(utf8Path, in), "standard input");
    CombinationFileReader reader;
    switch (reader.Open(LayerPath(utf8Path), false)) {
    case CombinationFileReader::Status::NotOpened:
        throw Failure{utf8Path + ": cannot open the file (missing, a folder, or not readable)"};
    case CombinationFileReader::Status::BadSignature:
        throw Failure{SignatureFailure(utf8Path)};
    case CombinationFileReader::Status::ReadFailed:  // reported below with the count read
    case CombinationFileReader::Status::Ready:
        break;
    }
    LoadedFile loaded;
    loaded.size = reader.FileSize();
    loaded.fragment = reader.TrailingBytes();
    const int64_t expected = reader.RecordCount();
    if (expected > 0 && expected < (int64_t(1) << 24))
        loaded.library.Reserve(static_cast<int>(expected));
    CombinationRecord record;
    try {
        while (reader.Next(record))
            loaded.library.Append(record);
    } catch (const std::bad_alloc&) {
        throw Failure{utf8Path + ": not enough memory after " + std::to_string(loaded.library.GetCount()) + " of " +
                      std::to_string(expected) + " records; the file was not read completely"};
    } catch (const std::exception& e) {
        throw Failure{utf8Path + ": loading failed after " + std::to_string(loaded.library.GetCount()) + " of " +
                      std::to_string(expected) + " records (" + e.what() + ")"};
    }
    // The size promised a number of records; fewer means a read failed part-way.
    if (loaded.size < 0 || reader.Failed() || loaded.library.GetCount() != expected)
        throw Failure{utf8Path + ": read error after " + std::to_string(loaded.library.GetCount()) + " of " +
                      std::to_string(expected) + " records; the file was not read completely"};
    return loaded;
}

CombinationLibrary LoadWhole(const std::string& utf8Path, TgvIo& io, bool& fragmentSeen)
{
    LoadedFile loaded = LoadFile(utf8Path, io.in);
    if (loaded.fragment > 0) {
        io.err << "tgv: " << (utf8Path == "-" ? "standard input" : utf8Path) << " ends in a fragment of "
               << loaded.fragment << " bytes, shorter than a record (truncated?); it was left out\n";
        fragmentSeen = true;
    }
    return std::move(loaded.library);
}

void SaveLibraryFile(const std::string& utf8Path, const CombinationLibrary& library, std::ostream& out)
{
    if (utf8Path == "-") {
        unsigned char field[kSignatureFieldSize];
        MakeSignatureField(field);
        out.write(reinterpret_cast<const char*>(field), sizeof field);
        if (!library.IsEmpty())
            out.write(reinterpret_cast<const char*>(library.begin()),
                      static_cast<std::streamsize>(kRecordSize * static_cast<std::size_t>(library.GetCount())));
        out.flush();
        if (!out)
            throw Failure{"standard output: write error"};
        return;
    }
    SaveFailure why = SaveFailure::Failed;
    if (WriteCombinationFile(LayerPath(utf8Path), library, &why))
        return;
    if (why == SaveFailure::ReadOnly)
        throw Failure{utf8Path + ": the file is read-only; it was left as it was"};
    if (why == SaveFailure::HardLinked)
        throw Failure{utf8Path + ": the file has other hard links, which replacing it would cut off; it was left as it was"};
    throw Failure{utf8Path + ": cannot write the file; an existing file was left as it was"};
}

std::string RecordLabel(int index, const CombinationRecord& record)
{
    return "record " + std::to_string(index + 1) + " (" + DisplayText(FieldView(record.name)) + ")";
}

std::string ProblemSentence(const RecordProblem& p, const CombinationLibrary& library)
{
    return ProblemSentence(p, library[p.record - 1]);
}

std::string ProblemSentence(const RecordProblem& p, const CombinationRecord& record)
{
    // A stored record names the text it holds; the rest reads as anywhere.
    switch (p.kind) {
    case RecordProblem::Kind::NoTerminator:
        return p.field + " has no terminator within its " + std::to_string(p.width) + " bytes";
    case RecordProblem::Kind::CategoryNoSlash:
        return "category \"" + DisplayText(FieldView(record.roomCategory)) +
               "\" does not end in \"/\"";
    default:
        return DescribeProblem(p);
    }
}

const char* ProblemKindName(RecordProblem::Kind kind)
{
    switch (kind) {
    case RecordProblem::Kind::NoTerminator:
        return "no-terminator";
    case RecordProblem::Kind::NotCp936:
        return "not-cp936";
    case RecordProblem::Kind::CategoryNoSlash:
        return "category-no-slash";
    case RecordProblem::Kind::ColourOutOfRange:
        return "colour-out-of-range";
    case RecordProblem::Kind::Duplicate:
        return "duplicate";
    }
    return "problem";
}

std::string MapFileName(const std::string& stored)
{
    const std::size_t back = cp936::FindLastChar(stored, '\\');
    const std::size_t slash = cp936::FindLastChar(stored, '/');
    std::size_t last = back;
    if (slash != std::string::npos && (last == std::string::npos || slash > last))
        last = slash;
    return last == std::string::npos ? stored : stored.substr(last + 1);
}
