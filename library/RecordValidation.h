// What makes a record unfit for the library: a text that overruns its field
// or is not code page 936, a colour component outside 0-1, a room category
// that does not end in "/", and two records with the same name and category.
// One judgement shared by every reader and checker of records, so a file
// that a check calls bad is never produced by a build.
#pragma once

#include "CombinationLibrary.h"

#include <string>
#include <unordered_map>
#include <vector>

struct RecordProblem {
    enum class Kind {
        NoTerminator,      // the text fills its field without a NUL
        NotCp936,          // the text is not well-formed code page 936
        CategoryNoSlash,   // the room category is empty or does not end in "/"
        ColourOutOfRange,  // a colour component outside 0-1, NaN or infinite
        Duplicate,         // same name and category (case-insensitive) as an earlier record
    };
    int record = 0;     // 1-based
    Kind kind = Kind::NoTerminator;
    std::string field;  // "name", "wall.color[1]", "floor.mapFile[0]", ...
    std::size_t width = 0;  // NoTerminator: the field's width in bytes
    double value = 0;       // ColourOutOfRange: the component
    int other = 0;          // Duplicate: the 1-based number of the earlier record
};

// The problems of one record, numbered `number` (1-based), appended in field order.
void ValidateRecord(const CombinationRecord& record, int number, std::vector<RecordProblem>& problems);

// The problem in words, as a user reads it ("name is not valid code page 936
// text"), without the record it is in.
std::string DescribeProblem(const RecordProblem& problem);

// Finds records with the same name and category; feed the records in order.
class DuplicateFinder {
public:
    // 0 when the record's name and category are new, else the earlier record's number.
    int Add(const CombinationRecord& record, int number);

private:
    std::unordered_map<std::string, int> keys;  // folded name and category -> number
};

// Every record's problems and the duplicates, in record order.
std::vector<RecordProblem> ValidateLibrary(const CombinationLibrary& library);

// "ceiling", "floor", "wall": the readable names of the three material slots.
extern const char* const kSlotNames[3];
