#include "CombinationRecord.h"

#include "Cp936Text.h"

#include <cstring>

void ClearGaps(CombinationRecord& record)
{
    auto* bytes = reinterpret_cast<unsigned char*>(&record);
    std::memset(bytes + kRecordGapOffset, 0, kGapSize);
    for (MaterialSlot& slot : record.materials)
        std::memset(reinterpret_cast<unsigned char*>(&slot) + kSlotGapOffset, 0, kGapSize);
}

bool SetField(char* field, std::size_t width, std::string_view text)
{
    return cp936::CopyToField(field, width, text);
}

void InitCombinationRecord(CombinationRecord& record, std::string_view name, std::string_view roomCategory,
                           std::string_view shortDescription)
{
    // Every byte zero, the gaps included: the file holds the bytes as they lie.
    // cppcheck-suppress memsetClassFloat
    std::memset(&record, 0, sizeof record);
    SetField(record.name, name);
    SetField(record.roomCategory, roomCategory);
    SetField(record.shortDescription, shortDescription);
    SetField(record.indexList2, "1,2,3,4,5");
    SetField(record.indexList1, "1,2,3,4,5");
    SetField(record.longDescription, "No Des");
}
