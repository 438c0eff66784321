// Conversions between the host's material and the flat slot of a record.
#include "CombinationLibrary.h"

#include <cstring>

void MaterialToSlot(const OriginalMaterial& material, MaterialSlot& slot)
{
    // Every byte zero, the gaps included: the file holds the bytes as they lie.
    // cppcheck-suppress memsetClassFloat
    std::memset(&slot, 0, sizeof slot);
    for (int i = 0; i < 6; ++i) {
        // A host path longer than the field is cut at a character boundary.
        if (!material.mapFile[i].IsEmpty())
            SetField(slot.mapFile[i], material.mapFile[i].Text());
    }
    std::memcpy(slot.params1, material.params1, sizeof slot.params1);
    std::memcpy(slot.color, material.color, sizeof slot.color);
    std::memcpy(slot.params2, material.params2, sizeof slot.params2);
    std::memcpy(slot.triple, material.triple, sizeof slot.triple);
    std::memcpy(slot.params3, material.params3, sizeof slot.params3);
    slot.vector = material.vector;
    std::memcpy(slot.params4, material.params4, sizeof slot.params4);
    std::memcpy(slot.triples, material.triples, sizeof slot.triples);
    std::memcpy(slot.params5, material.params5, sizeof slot.params5);
    std::memcpy(slot.params6, material.params6, sizeof slot.params6);
}

void SlotToMaterial(const MaterialSlot& slot, OriginalMaterial& material)
{
    for (int i = 0; i < 6; ++i)
        material.mapFile[i] = FieldString(slot.mapFile[i]).c_str();
    std::memcpy(material.params1, slot.params1, sizeof slot.params1);
    std::memcpy(material.color, slot.color, sizeof slot.color);
    std::memcpy(material.params2, slot.params2, sizeof slot.params2);
    std::memcpy(material.triple, slot.triple, sizeof slot.triple);
    std::memcpy(material.params3, slot.params3, sizeof slot.params3);
    material.vector = slot.vector;
    std::memcpy(material.params4, slot.params4, sizeof slot.params4);
    std::memcpy(material.triples, slot.triples, sizeof slot.triples);
    std::memcpy(material.params5, slot.params5, sizeof slot.params5);
    std::memcpy(material.params6, slot.params6, sizeof slot.params6);
}

void MakeCombinationRecord(CombinationRecord& record, std::string_view name, std::string_view roomCategory,
                           std::string_view shortDescription, const OriginalMaterial materials[3])
{
    InitCombinationRecord(record, name, roomCategory, shortDescription);
    for (int i = 0; i < 3; ++i)
        MaterialToSlot(materials[i], record.materials[i]);
}
