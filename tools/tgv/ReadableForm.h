// The readable form of a library or exchange file: UTF-8 JSON with one field
// per line, so a library can live in version control, be edited by hand and
// be turned back into the same records.
#pragma once

#include "CombinationLibrary.h"

#include <functional>
#include <string>

enum class ReadableStyle {
    Compact,  // members equal to a new record's values are left out
    Full,     // every member of every record
};

// Texts are converted from code page 936; a text that is not valid code page
// 936 is written as {"cp936hex": "..."} so no byte is lost. Floating-point
// values are written in their shortest exact form; values that JSON cannot
// hold (infinities, NaN) as {"bits": "0x..."}.
std::string ToReadable(const CombinationLibrary& library, ReadableStyle style = ReadableStyle::Compact);
std::string RecordToReadable(const CombinationRecord& record, int indent, ReadableStyle style = ReadableStyle::Full);

struct ReadableOptions {
    // Refuse records that a check would report (see RecordValidation.h). Off
    // only to rebuild a damaged file byte for byte from its dump.
    bool validate = true;
};

// Parses the readable form and appends its records. A member left out takes
// the value of a new record (texts "1,2,3,4,5" and "No Des", zeros), so a
// hand-written source needs only what it means. False with a message (UTF-8,
// records numbered from 1, syntax errors with line and column) on any error;
// library is then as it was.
bool FromReadable(const std::string& text, CombinationLibrary& library, std::string& error,
                  const ReadableOptions& options = {});

// The same, handing each record to sink as soon as it is read and checked
// (sink returns false to stop: the read then fails with its message in error,
// which sink may set). Lets a build write records while it reads, holding
// no library in memory.
using RecordSink = std::function<bool(const CombinationRecord& record, std::string& error)>;
bool ReadReadable(const std::string& text, const RecordSink& sink, std::string& error,
                  const ReadableOptions& options = {});

// Line and column (from 1) of a byte offset in text.
std::pair<std::size_t, std::size_t> LineAndColumn(const std::string& text, std::size_t offset);
