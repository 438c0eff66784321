// What every tgv command shares: its streams, reading and writing files or
// the standard streams ("-"), loading a library completely or not at all,
// and the exit codes.
#pragma once

#include "CombinationLibrary.h"
#include "LibraryLock.h"
#include "RecordValidation.h"

#include <iosfwd>
#include <string>

// Exit codes, the same in every command.
constexpr int kExitOk = 0;
constexpr int kExitProblems = 1;  // problems found, files differ, records below the contrast minimum
constexpr int kExitUsage = 2;     // usage error, unreadable input, nothing could be done

// Stops a command with a message for the error stream.
struct Failure {
    std::string message;
    int code = kExitUsage;
};

struct TgvIo {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    bool inputIsTerminal = false;  // standard input is a terminal a person can answer on
};

// A path given on the command line (UTF-8) as the library's file layer takes
// it (code page 936).
std::string LayerPath(const std::string& utf8Path);

// Throws a Failure unless utf8Path names a folder ("--textures DIR").
void RequireFolder(const std::string& utf8Path);

// The whole of a file, or of standard input for "-".
std::string ReadInput(const std::string& utf8Path, std::istream& in);
// Saves bytes safely (temporary file, flush, replace), or writes them to
// standard output for "-".
void WriteOutput(const std::string& utf8Path, const std::string& bytes, std::ostream& out);

struct LoadedFile {
    CombinationLibrary library;
    int64_t size = 0;      // bytes
    int64_t fragment = 0;  // bytes of a trailing piece shorter than a record
};

// The message of a file that lacks the signature; name names the file.
std::string SignatureFailure(const std::string& name);

// The records of a library or exchange file's bytes; name names it in the
// Failure thrown when the bytes lack the signature.
LoadedFile LoadBytes(const std::string& bytes, const std::string& name);

// The whole of a file named by a path exactly as the system passed it (on
// POSIX systems any bytes, not necessarily UTF-8; on Windows UTF-8). Throws a
// Failure when it cannot be read.
std::string ReadNativeFile(const std::string& nativePath);

// The library's lock, held while a command rewrites a library file, so that
// no panel's save lands between the command's read and its write. Throws a
// Failure naming the lock file and the reason when the lock stays busy for
// the panel's wait or cannot be created.
class LibraryWriteLock {
public:
    explicit LibraryWriteLock(const std::string& utf8LibraryPath);
    LibraryWriteLock(const LibraryWriteLock&) = delete;
    LibraryWriteLock& operator=(const LibraryWriteLock&) = delete;

private:
    LibraryLock lock;
};

// What identifies a record everywhere in the library: its room category and
// name, compared without regard to case.
std::string RecordKey(const CombinationRecord& record);
// The same into key, reusing its memory (for a command that keys every record).
void RecordKeyInto(const CombinationRecord& record, std::string& key);

// Loads a library or exchange file ("-": standard input) completely: a file
// that cannot be opened, lacks the signature or cannot be read to its end is
// a Failure, never a shorter library.
LoadedFile LoadFile(const std::string& utf8Path, std::istream& in);
// The library of a file that must be whole: a trailing fragment is reported
// on err (the records before it are returned) and sets fragmentSeen.
CombinationLibrary LoadWhole(const std::string& utf8Path, TgvIo& io, bool& fragmentSeen);

// Saves a library file (signature and records) safely, or to standard output for "-".
void SaveLibraryFile(const std::string& utf8Path, const CombinationLibrary& library, std::ostream& out);

// "record 5 (暖白橡木)": 1-based, the name made safe for a terminal.
std::string RecordLabel(int index, const CombinationRecord& record);
// A problem of a check, as a sentence without the record label.
std::string ProblemSentence(const RecordProblem& problem, const CombinationLibrary& library);
// The same for the record the problem is in.
std::string ProblemSentence(const RecordProblem& problem, const CombinationRecord& record);
// A short stable name of the kind of problem ("no-terminator", "duplicate", ...).
const char* ProblemKindName(RecordProblem::Kind kind);

// The file-name part of a stored map name: the text after the last "\" or
// "/" (Windows takes both), multibyte-aware.
std::string MapFileName(const std::string& stored);

// The folder separator of this system's paths.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif
