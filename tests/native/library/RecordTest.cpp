#include "CombinationLibrary.h"
#include "FakeHost.h"
#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace testlib;

TEST(Record, FieldsLieAtTheirFixedOffsets)
{
    Bytes b = RecordBytes("name", "cat/");
    Put(b, kShort, "short");
    Put(b, kIndex1, "1,2");
    Put(b, kIndex2, "3,4");
    Put(b, kLong, "long");
    Put(b, kExtra1, "x1");
    Put(b, kExtra2, "x2");
    for (int s = 0; s < 3; ++s) {
        const std::size_t base = kSlots + s * kSlot;
        Put(b, base + 5 * 512, "map5_" + std::to_string(s));
        PutU32(b, base + kParams1 + 10 * 4, 111u + s);
        PutF32(b, base + kColor + 8, 0.25f * s);
        PutU32(b, base + kParams2, 21);
        PutU32(b, base + kTriple + 8, 33);
        PutU32(b, base + kParams3 + 4, 42);
        PutU32(b, base + kSlotWord, 0xDEADBEEF);
        PutF64(b, base + kVector + 16, -2.5);
        PutU32(b, base + kParams4 + 12, 44);
        PutU32(b, base + kTriples + 17 * 4, 618);
        PutU32(b, base + kParams5 + 20, 56);
        PutU32(b, base + kParams6 + 4, 62);
    }
    const CombinationRecord r = ToRecord(b);
    EXPECT_EQ(FieldView(r.name), "name");
    EXPECT_EQ(FieldView(r.shortDescription), "short");
    EXPECT_EQ(FieldView(r.roomCategory), "cat/");
    EXPECT_EQ(FieldView(r.indexList1), "1,2");
    EXPECT_EQ(FieldView(r.indexList2), "3,4");
    EXPECT_EQ(FieldView(r.longDescription), "long");
    EXPECT_EQ(FieldView(r.extraText1), "x1");
    EXPECT_EQ(FieldView(r.extraText2), "x2");
    for (int s = 0; s < 3; ++s) {
        const MaterialSlot& m = r.materials[s];
        EXPECT_EQ(FieldView(m.mapFile[5]), "map5_" + std::to_string(s));
        EXPECT_EQ(m.params1[10], 111 + s);
        EXPECT_EQ(m.color[2], 0.25f * s);
        EXPECT_EQ(m.params2[0], 21);
        EXPECT_EQ(m.triple[2], 33);
        EXPECT_EQ(m.params3[1], 42);
        EXPECT_EQ(static_cast<uint32_t>(m.slotWord), 0xDEADBEEFu);
        EXPECT_EQ(m.vector.z, -2.5);
        EXPECT_EQ(m.params4[3], 44);
        EXPECT_EQ(m.triples[5][2], 618);
        EXPECT_EQ(m.params5[5], 56);
        EXPECT_EQ(m.params6[1], 62);
    }
}

TEST(Record, TextsAreBoundedByTheirFields)
{
    CombinationRecord r;
    std::memset(&r, 'x', sizeof r);  // no terminator anywhere
    EXPECT_EQ(FieldView(r.name).size(), 100u);
    EXPECT_EQ(FieldView(r.extraText2).size(), 200u);

    // Cut at 99 bytes, and never in the middle of a double-byte character.
    std::string longName(98, 'a');
    longName += "表";  // two bytes: would end at byte 100
    EXPECT_FALSE(SetField(r.name, longName));
    EXPECT_EQ(FieldView(r.name), std::string(98, 'a'));
    EXPECT_EQ(r.name[98], '\0');
    EXPECT_EQ(r.name[99], 'x');  // nothing written past the terminator
    EXPECT_TRUE(SetField(r.name, "ok"));
    EXPECT_EQ(FieldView(r.name), "ok");
}

TEST(Record, NewRecordCarriesTheDefaultTextsAndZerosBehindThem)
{
    FakeHost::Get().Reset();
    OriginalMaterial materials[3];
    for (auto& m : materials) {
        std::memset(reinterpret_cast<char*>(&m) + sizeof(m.mapFile), 0x7F, sizeof m - sizeof m.mapFile);
        m.color[0] = 0.5f;
    }
    materials[1].mapFile[0] = "oak_floor.jpg";
    materials[2].mapFile[3] = "C:\\maps\\stone.jpg";
    CombinationRecord r;
    std::memset(&r, 0xAB, sizeof r);
    MakeCombinationRecord(r, "名称", "住宅/客厅/", "说明", materials);

    Bytes expected = RecordBytes("名称", "住宅/客厅/", "说明");
    Put(expected, kIndex1, "1,2,3,4,5");
    Put(expected, kIndex2, "1,2,3,4,5");
    Put(expected, kLong, "No Des");
    for (int s = 0; s < 3; ++s) {
        const std::size_t base = kSlots + s * kSlot;
        std::memset(expected.data() + base + kParams1, 0x7F, kSlotWord - kParams1);  // params1 .. params3
        std::memset(expected.data() + base + kVector, 0x7F, kSlot - kVector);         // vector .. params6
        PutF32(expected, base + kColor, 0.5f);
    }
    Put(expected, kSlots + kSlot, "oak_floor.jpg");
    Put(expected, kSlots + 2 * kSlot + 3 * 512, "C:\\maps\\stone.jpg");
    EXPECT_EQ(ToBytes(r), expected);  // slotWord and both gaps zero, zeros behind every text
}

TEST(Record, SlotAndMaterialConvertBothWays)
{
    FakeHost::Get().Reset();
    OriginalMaterial empty;
    std::memset(reinterpret_cast<char*>(&empty) + sizeof(empty.mapFile), 0, sizeof empty - sizeof empty.mapFile);
    MaterialSlot slot;
    std::memset(&slot, 0x55, sizeof slot);
    MaterialToSlot(empty, slot);
    for (const auto& field : slot.mapFile)
        EXPECT_EQ(field[0], '\0');

    OriginalMaterial back;
    back.mapFile[2] = "old";
    SlotToMaterial(slot, back);
    for (const auto& s : back.mapFile)
        EXPECT_STREQ(s.Text(), "");

    // Numbers go across unchanged; a map path longer than its field is cut
    // at a character boundary.
    OriginalMaterial m = empty;
    m.params1[3] = -7;
    m.color[1] = 0.75f;
    m.vector = {1.5, -2.0, 3.25};
    m.triples[4][1] = 99;
    m.params6[1] = 12;
    std::string longPath(510, 'p');
    longPath += "表";
    m.mapFile[0] = longPath.c_str();
    MaterialToSlot(m, slot);
    EXPECT_EQ(FieldView(slot.mapFile[0]), std::string(510, 'p'));
    slot.slotWord = 5;  // not carried into the host material
    SlotToMaterial(slot, back);
    EXPECT_EQ(std::string(back.mapFile[0].Text()), std::string(510, 'p'));
    EXPECT_EQ(back.params1[3], -7);
    EXPECT_EQ(back.color[1], 0.75f);
    EXPECT_EQ(back.vector.z, 3.25);
    EXPECT_EQ(back.triples[4][1], 99);
    EXPECT_EQ(back.params6[1], 12);
}
