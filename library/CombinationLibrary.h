// The expert library in memory: an ordered array of fixed-size records held
// contiguously, addressed by index (0 = first), and the lookups over it.
#pragma once

#include "CombinationRecord.h"

#include <string>
#include <vector>

struct OriginalMaterial;

class CombinationLibrary {
public:
    int GetCount() const { return static_cast<int>(records.size()); }
    bool IsEmpty() const { return records.empty(); }
    const CombinationRecord& operator[](int index) const { return records[static_cast<std::size_t>(index)]; }
    CombinationRecord& operator[](int index) { return records[static_cast<std::size_t>(index)]; }
    const CombinationRecord* begin() const { return records.data(); }
    const CombinationRecord* end() const { return records.data() + records.size(); }

    // Copies take every field (each slot's slotWord too); the alignment gaps
    // are not copied and stay zero.
    void Append(const CombinationRecord& record);
    void InsertAt(int index, const CombinationRecord& record);
    void RemoveAt(int index);
    // Overwrites the record at index in place: the same order and contents as
    // RemoveAt followed by InsertAt at that index, without moving the array.
    void ReplaceAt(int index, const CombinationRecord& record);
    void Empty() { records.clear(); }
    void Reserve(int count) { records.reserve(static_cast<std::size_t>(count)); }

private:
    std::vector<CombinationRecord> records;
};

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
