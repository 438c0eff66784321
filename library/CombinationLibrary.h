// The expert library in memory: an ordered array of fixed-size records held
// contiguously, addressed by index (0 = first), and the lookups over it.
#pragma once

#include "CombinationRecord.h"

#include <string>
#include <vector>

struct OriginalMaterial;

class CombinationLibrary {
public:
    CombinationLibrary() = default;
    CombinationLibrary(const CombinationLibrary& other);
    CombinationLibrary(CombinationLibrary&& other) noexcept;
    CombinationLibrary& operator=(CombinationLibrary other) noexcept;
    ~CombinationLibrary();

    int GetCount() const { return count; }
    bool IsEmpty() const { return count == 0; }
    const CombinationRecord& operator[](int index) const { return records[index]; }
    CombinationRecord& operator[](int index) { return records[index]; }
    const CombinationRecord* begin() const { return records; }
    const CombinationRecord* end() const { return records + count; }

    // Copies take every field (each slot's slotWord too); the alignment gaps
    // are not copied and stay zero.
    void Append(const CombinationRecord& record);
    void InsertAt(int index, const CombinationRecord& record);
    void RemoveAt(int index);
    // Overwrites the record at index in place: the same order and contents as
    // RemoveAt followed by InsertAt at that index, without moving the array.
    void ReplaceAt(int index, const CombinationRecord& record);
    void Empty() { count = 0; }
    void Reserve(int capacity);
    // Appends up to n records that fill writes straight into the array's
    // storage, which is neither zeroed nor copied first: fill(storage, n)
    // returns how many whole records it wrote there. Their gaps are cleared.
    template <typename Fill>
    int AppendFilled(int n, Fill&& fill);

private:
    // Records are trivially copyable, so the array grows with realloc, which
    // for large arrays moves pages instead of copying bytes.
    CombinationRecord* records = nullptr;
    int count = 0;
    int capacity = 0;
    void Grow(int needed);
};

template <typename Fill>
int CombinationLibrary::AppendFilled(int n, Fill&& fill)
{
    Reserve(count + n);
    const int filled = fill(records + count, n);
    for (int i = count; i < count + filled; ++i)
        ClearGaps(records[i]);
    count += filled;
    return filled;
}

// Index of the first record whose category and name equal the given ones
// case-insensitively (multibyte-aware); -1 when there is none.
int FindCombination(const CombinationLibrary& library, std::string_view name, std::string_view roomCategory);

// Appends each record's category unless the list holds a case-insensitively
// equal one already; the list is not emptied first.
void ListRoomCategories(const CombinationLibrary& library, std::vector<std::string>& list);

// Empties indices (not names), then appends name and index of every record of
// the category (case-insensitive, multibyte-aware), in library order.
void ListNamesInCategory(const CombinationLibrary& library, std::string_view roomCategory,
                         std::vector<std::string>& names, std::vector<int>& indices);

// Empties indices, then appends the index of every record whose category
// equals roomCategory ignoring ASCII letter case byte by byte, and whose name
// and short description contain the keywords (case-sensitive); a null
// keyword is not tested.
void SearchCombinations(const CombinationLibrary& library, const char* nameKeyword, std::string_view roomCategory,
                        const char* descriptionKeyword, std::vector<int>& indices);

// Host material conversions (CombinationMaterial.cpp; these need the host's
// string functions, so the tool and the fuzzer do not link them).
void MaterialToSlot(const OriginalMaterial& material, MaterialSlot& slot);
void SlotToMaterial(const MaterialSlot& slot, OriginalMaterial& material);
void MakeCombinationRecord(CombinationRecord& record, std::string_view name, std::string_view roomCategory,
                           std::string_view shortDescription, const OriginalMaterial materials[3]);
