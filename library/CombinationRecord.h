// The fixed-size library record and the flat form of a host material inside
// it. Both are stored in files byte for byte as they lie in memory
// (little-endian, natural alignment), so their layout is fixed and checked
// below at compile time.
#pragma once

#include "plugin/HostInterface.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

// The host's OriginalMaterial laid out flat: its six strings become six
// 512-byte text fields, and one extra 32-bit word follows params3.
struct MaterialSlot {
    char mapFile[6][512];
    int32_t params1[11];
    float color[3];
    int32_t params2[3];
    int32_t triple[3];
    int32_t params3[2];
    int32_t slotWord;
    // 4 bytes of alignment padding: zero in files and in the library's storage
    Vector3d vector;
    int32_t params4[4];
    int32_t triples[6][3];
    int32_t params5[6];
    int32_t params6[2];
};

struct CombinationRecord {
    char name[100];
    char shortDescription[500];
    char roomCategory[500];
    char indexList1[20];
    char indexList2[20];
    // 4 bytes of alignment padding: zero in files and in the library's storage
    MaterialSlot materials[3];  // indexed by SurfaceClass: ceiling, floor, wall
    char longDescription[1000];
    char extraText1[200];
    char extraText2[200];
};

static_assert(std::is_trivially_copyable_v<MaterialSlot> && std::is_standard_layout_v<MaterialSlot>);
static_assert(std::is_trivially_copyable_v<CombinationRecord> && std::is_standard_layout_v<CombinationRecord>);
static_assert(sizeof(MaterialSlot) == 3312);
static_assert(offsetof(MaterialSlot, params1) == 3072);
static_assert(offsetof(MaterialSlot, color) == 3116);
static_assert(offsetof(MaterialSlot, params2) == 3128);
static_assert(offsetof(MaterialSlot, triple) == 3140);
static_assert(offsetof(MaterialSlot, params3) == 3152);
static_assert(offsetof(MaterialSlot, slotWord) == 3160);
static_assert(offsetof(MaterialSlot, vector) == 3168);
static_assert(offsetof(MaterialSlot, params4) == 3192);
static_assert(offsetof(MaterialSlot, triples) == 3208);
static_assert(offsetof(MaterialSlot, params5) == 3280);
static_assert(offsetof(MaterialSlot, params6) == 3304);
static_assert(sizeof(CombinationRecord) == 12480);
static_assert(offsetof(CombinationRecord, shortDescription) == 100);
static_assert(offsetof(CombinationRecord, roomCategory) == 600);
static_assert(offsetof(CombinationRecord, indexList1) == 1100);
static_assert(offsetof(CombinationRecord, indexList2) == 1120);
static_assert(offsetof(CombinationRecord, materials) == 1144);
static_assert(offsetof(CombinationRecord, longDescription) == 11080);
static_assert(offsetof(CombinationRecord, extraText1) == 12080);
static_assert(offsetof(CombinationRecord, extraText2) == 12280);

// Where the padding lies, for the code that keeps it zero.
constexpr std::size_t kRecordGapOffset = 1140;
constexpr std::size_t kSlotGapOffset = 3164;
constexpr std::size_t kGapSize = 4;

// Sets the alignment gaps of the record and of its three slots to zero.
void ClearGaps(CombinationRecord& record);

// The text of a fixed field: up to its first NUL, or the whole field when it
// holds none (a field read from a file need not be terminated).
template <std::size_t N>
std::string_view FieldView(const char (&field)[N])
{
    std::size_t n = 0;
    while (n < N && field[n] != '\0')
        ++n;
    return std::string_view(field, n);
}

template <std::size_t N>
std::string FieldString(const char (&field)[N])
{
    return std::string(FieldView(field));
}

// Writes text into a field: at most N - 1 bytes, cut at a character boundary
// (code page 936), then a NUL. Returns false when the text had to be cut.
bool SetField(char* field, std::size_t width, std::string_view text);
template <std::size_t N>
bool SetField(char (&field)[N], std::string_view text)
{
    return SetField(field, N, text);
}

// Sets every byte of the record to zero, then fills the texts that every new
// record carries: "1,2,3,4,5" in both index lists and "No Des" as the long
// description, with name, category and short description as given.
void InitCombinationRecord(CombinationRecord& record, std::string_view name, std::string_view roomCategory,
                           std::string_view shortDescription);
