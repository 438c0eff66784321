#include "CombinationLibrary.h"

#include "Cp936Text.h"

#include <cstring>
#include <unordered_set>

void CombinationLibrary::Append(const CombinationRecord& record)
{
    records.push_back(record);
    ClearGaps(records.back());
}

void CombinationLibrary::InsertAt(int index, const CombinationRecord& record)
{
    auto it = records.insert(records.begin() + index, record);
    ClearGaps(*it);
}

void CombinationLibrary::RemoveAt(int index)
{
    records.erase(records.begin() + index);
}

void CombinationLibrary::ReplaceAt(int index, const CombinationRecord& record)
{
    CombinationRecord& target = records[static_cast<std::size_t>(index)];
    if (&target != &record)
        std::memcpy(&target, &record, sizeof record);
    ClearGaps(target);
}

int FindCombination(const CombinationLibrary& library, std::string_view name, std::string_view roomCategory)
{
    for (int i = 0; i < library.GetCount(); ++i) {
        const CombinationRecord& r = library[i];
        if (cp936::EqualsNoCase(FieldView(r.roomCategory), roomCategory) && cp936::EqualsNoCase(FieldView(r.name), name))
            return i;
    }
    return -1;
}

void ListRoomCategories(const CombinationLibrary& library, std::vector<std::string>& list)
{
    // Folded forms of the categories listed so far, so the run stays linear
    // in the records however many categories there are.
    std::unordered_set<std::string> seen;
    for (const std::string& s : list)
        seen.insert(cp936::FoldCase(s));
    std::string_view previous;
    bool havePrevious = false;
    for (const CombinationRecord& r : library) {
        const std::string_view category = FieldView(r.roomCategory);
        if (havePrevious && category == previous)
            continue;  // records of one category usually follow each other
        previous = category;
        havePrevious = true;
        if (seen.insert(cp936::FoldCase(category)).second)
            list.emplace_back(category);
    }
}

void ListNamesInCategory(const CombinationLibrary& library, std::string_view roomCategory,
                         std::vector<std::string>& names, std::vector<int>& indices)
{
    indices.clear();
    for (int i = 0; i < library.GetCount(); ++i) {
        const CombinationRecord& r = library[i];
        if (cp936::EqualsNoCase(FieldView(r.roomCategory), roomCategory)) {
            names.emplace_back(FieldView(r.name));
            indices.push_back(i);
        }
    }
}

void SearchCombinations(const CombinationLibrary& library, const char* nameKeyword, std::string_view roomCategory,
                        const char* descriptionKeyword, std::vector<int>& indices)
{
    indices.clear();
    for (int i = 0; i < library.GetCount(); ++i) {
        const CombinationRecord& r = library[i];
        if (!cp936::EqualsNoCaseBytewise(FieldView(r.roomCategory), roomCategory))
            continue;
        if (nameKeyword && cp936::Find(FieldView(r.name), nameKeyword) == std::string_view::npos)
            continue;
        if (descriptionKeyword && cp936::Find(FieldView(r.shortDescription), descriptionKeyword) == std::string_view::npos)
            continue;
        indices.push_back(i);
    }
}
