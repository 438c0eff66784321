#include "CombinationLibrary.h"

#include "Cp936Text.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>
#include <unordered_set>
#include <utility>

CombinationLibrary::CombinationLibrary(const CombinationLibrary& other)
{
    Reserve(other.count);
    if (other.count > 0)
        std::memcpy(records, other.records, sizeof(CombinationRecord) * static_cast<std::size_t>(other.count));
    count = other.count;
}

CombinationLibrary::CombinationLibrary(CombinationLibrary&& other) noexcept
    : records(other.records), count(other.count), capacity(other.capacity)
{
    other.records = nullptr;
    other.count = other.capacity = 0;
}

CombinationLibrary& CombinationLibrary::operator=(CombinationLibrary other) noexcept
{
    std::swap(records, other.records);
    std::swap(count, other.count);
    std::swap(capacity, other.capacity);
    return *this;
}

CombinationLibrary::~CombinationLibrary()
{
    std::free(records);
}

void CombinationLibrary::Reserve(int wanted)
{
    if (wanted <= capacity)
        return;
    if (count == 0 && records != nullptr) {
        // Nothing to keep (an emptied library about to be read again): the
        // old storage goes first, so the two are never held at once and no
        // stale bytes are copied.
        std::free(records);
        records = nullptr;
        capacity = 0;
    }
    void* grown = std::realloc(records, sizeof(CombinationRecord) * static_cast<std::size_t>(wanted));
    if (!grown)
        throw std::bad_alloc();
    records = static_cast<CombinationRecord*>(grown);
    capacity = wanted;
}

void CombinationLibrary::Grow(int needed)
{
    if (needed > capacity)
        Reserve(std::max(needed, capacity < 8 ? 8 : capacity + capacity / 2));
}

void CombinationLibrary::Append(const CombinationRecord& record)
{
    const std::less<const CombinationRecord*> before;
    if (!before(&record, records) && before(&record, records + count)) {
        InsertAt(count, record);  // a record of this library: InsertAt copies it first
        return;
    }
    Grow(count + 1);
    std::memcpy(records + count, &record, sizeof record);
    ClearGaps(records[count]);
    ++count;
}

void CombinationLibrary::InsertAt(int index, const CombinationRecord& record)
{
    // The record may lie inside this library: copy it before the array moves.
    const CombinationRecord copy = record;
    Grow(count + 1);
    std::memmove(records + index + 1, records + index, sizeof(CombinationRecord) * static_cast<std::size_t>(count - index));
    std::memcpy(records + index, &copy, sizeof copy);
    ClearGaps(records[index]);
    ++count;
}

void CombinationLibrary::RemoveAt(int index)
{
    std::memmove(records + index, records + index + 1,
                 sizeof(CombinationRecord) * static_cast<std::size_t>(count - index - 1));
    --count;
}

void CombinationLibrary::ReplaceAt(int index, const CombinationRecord& record)
{
    CombinationRecord& target = records[index];
    if (&target != &record)
        std::memmove(&target, &record, sizeof record);
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
    // in the records however many categories there are; and the exact
    // spellings met, so that a record repeats a category without folding
    // or allocating (they point into the records, unchanged during the call).
    std::unordered_set<std::string> seen;
    for (const std::string& s : list)
        seen.insert(cp936::FoldCase(s));
    std::unordered_set<std::string_view> met;
    std::string_view previous;
    bool havePrevious = false;
    for (const CombinationRecord& r : library) {
        const std::string_view category = FieldView(r.roomCategory);
        if (havePrevious && category == previous)
            continue;  // records of one category usually follow each other
        previous = category;
        havePrevious = true;
        if (!met.insert(category).second)
            continue;
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
        // Texts equal but for letter case have the same length.
        const std::string_view category = FieldView(r.roomCategory);
        if (category.size() == roomCategory.size() && cp936::EqualsNoCase(category, roomCategory)) {
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
