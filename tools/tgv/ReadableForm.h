// The readable form of a library or exchange file: UTF-8 JSON with one field
// per line, so a library can live in version control, be edited by hand and
// be turned back into the same records.
#pragma once

#include "CombinationLibrary.h"

#include <string>

// Writes every record with every field and numeric member. Texts are
// converted from code page 936; a text that is not valid code page 936 is
// written as {"cp936hex": "..."} so no byte is lost. Floating-point values
// are written in their shortest exact form; values that JSON cannot hold
// (infinities, NaN) as {"bits": "0x..."}.
std::string ToReadable(const CombinationLibrary& library);
std::string RecordToReadable(const CombinationRecord& record, int indent);

// Parses the readable form and appends its records. A member left out takes
// the value of a new record (texts "1,2,3,4,5" and "No Des", zeros), so a
// hand-written source needs only what it means. False with a message (UTF-8)
// on any error: bad JSON, unknown members, wrong types, texts longer than
// their fields or not representable in code page 936.
bool FromReadable(const std::string& text, CombinationLibrary& library, std::string& error);
