#include "RecordValidation.h"

#include "Cp936Text.h"

#include <cmath>
#include <cstdio>

const char* const kSlotNames[3] = {"ceiling", "floor", "wall"};

namespace {

template <std::size_t N>
void CheckText(const char (&field)[N], const std::string& name, int number, std::vector<RecordProblem>& problems)
{
    const std::string_view text = FieldView(field);
    if (text.size() == N) {
        RecordProblem p;
        p.record = number;
        p.kind = RecordProblem::Kind::NoTerminator;
        p.field = name;
        p.width = N;
        problems.push_back(p);
    }
    if (!cp936::IsValid(text)) {
        RecordProblem p;
        p.record = number;
        p.kind = RecordProblem::Kind::NotCp936;
        p.field = name;
        problems.push_back(p);
    }
}

std::string Key(const CombinationRecord& r)
{
    std::string key = cp936::FoldCase(FieldView(r.name));
    key += '\0';
    key += cp936::FoldCase(FieldView(r.roomCategory));
    return key;
}

}  // namespace

void ValidateRecord(const CombinationRecord& r, int number, std::vector<RecordProblem>& problems)
{
    CheckText(r.name, "name", number, problems);
    CheckText(r.roomCategory, "roomCategory", number, problems);
    const std::string_view category = FieldView(r.roomCategory);
    if (category.empty() || category.back() != '/' || category.size() == sizeof r.roomCategory) {
        RecordProblem p;
        p.record = number;
        p.kind = RecordProblem::Kind::CategoryNoSlash;
        p.field = "roomCategory";
        problems.push_back(p);
    }
    CheckText(r.shortDescription, "shortDescription", number, problems);
    CheckText(r.longDescription, "longDescription", number, problems);
    CheckText(r.indexList1, "indexList1", number, problems);
    CheckText(r.indexList2, "indexList2", number, problems);
    CheckText(r.extraText1, "extraText1", number, problems);
    CheckText(r.extraText2, "extraText2", number, problems);
    for (int s = 0; s < 3; ++s) {
        const MaterialSlot& slot = r.materials[s];
        const std::string slotName = kSlotNames[s];
        for (int c = 0; c < 3; ++c) {
            const double v = slot.color[c];
            if (!(v >= 0.0 && v <= 1.0)) {
                RecordProblem p;
                p.record = number;
                p.kind = RecordProblem::Kind::ColourOutOfRange;
                p.field = slotName + ".color[" + std::to_string(c) + "]";
                p.value = v;
                problems.push_back(p);
            }
        }
        for (int m = 0; m < 6; ++m)
            CheckText(slot.mapFile[m], slotName + ".mapFile[" + std::to_string(m) + "]", number, problems);
    }
}

int DuplicateFinder::Add(const CombinationRecord& record, int number)
{
    const auto [at, isNew] = keys.emplace(Key(record), number);
    return isNew ? 0 : at->second;
}

std::vector<RecordProblem> ValidateLibrary(const CombinationLibrary& library)
{
    std::vector<RecordProblem> problems;
    DuplicateFinder duplicates;
    for (int i = 0; i < library.GetCount(); ++i) {
        ValidateRecord(library[i], i + 1, problems);
        if (const int earlier = duplicates.Add(library[i], i + 1)) {
            RecordProblem p;
            p.record = i + 1;
            p.kind = RecordProblem::Kind::Duplicate;
            p.field = "name";
            p.other = earlier;
            problems.push_back(p);
        }
    }
    return problems;
}

std::string DescribeProblem(const RecordProblem& p)
{
    switch (p.kind) {
    case RecordProblem::Kind::NoTerminator:
        return p.field + " fills its " + std::to_string(p.width) + " bytes; at most " + std::to_string(p.width - 1) +
               " fit";
    case RecordProblem::Kind::NotCp936:
        return p.field + " is not valid code page 936 text";
    case RecordProblem::Kind::CategoryNoSlash:
        return "roomCategory does not end in \"/\"";
    case RecordProblem::Kind::ColourOutOfRange: {
        char v[32];
        std::snprintf(v, sizeof v, "%g", p.value);
        return p.field + " is " + v + ", outside 0-1";
    }
    case RecordProblem::Kind::Duplicate:
        return "same name and category as record " + std::to_string(p.other);
    }
    return p.field;
}
