#include "CombinationLibrary.h"
#include "LibraryTestSupport.h"

#include <gtest/gtest.h>

using namespace testlib;

namespace {
CombinationLibrary Sample()
{
    CombinationLibrary lib;
    lib.Append(MakeRecord("Warm", "Home/Living/", "soft beige walls"));     // 0
    lib.Append(MakeRecord("Cool", "home/living/", "grey and blue"));        // 1
    lib.Append(MakeRecord("暖色", "住宅/客厅/", "米色墙面"));                  // 2
    lib.Append(MakeRecord("warm", "HOME/LIVING/", "duplicate in another case"));  // 3
    lib.Append(MakeRecord("Desk", "Office/Open/", "white"));                // 4
    lib.Append(MakeRecord("\x81\x41", "\x81\x41/", ""));                    // 5: trail byte 'A'
    return lib;
}
}  // namespace

TEST(Lookup, FindIgnoresCaseAndTakesTheFirstMatch)
{
    const CombinationLibrary lib = Sample();
    EXPECT_EQ(FindCombination(lib, "WARM", "home/living/"), 0);
    EXPECT_EQ(FindCombination(lib, "暖色", "住宅/客厅/"), 2);
    EXPECT_EQ(FindCombination(lib, "Warm", "Home/Living"), -1);  // no final "/"
    EXPECT_EQ(FindCombination(lib, "\x81\x41", "\x81\x41/"), 5);
    // A trail byte that looks like a letter is not folded.
    EXPECT_EQ(FindCombination(lib, "\x81\x61", "\x81\x41/"), -1);
    EXPECT_EQ(FindCombination(CombinationLibrary(), "a", "b/"), -1);
}

TEST(Lookup, CategoriesKeepTheFirstFormAndAppendToTheList)
{
    const CombinationLibrary lib = Sample();
    std::vector<std::string> list = {"office/open/"};
    ListRoomCategories(lib, list);
    EXPECT_EQ(list, (std::vector<std::string>{"office/open/", "Home/Living/", "住宅/客厅/", "\x81\x41/"}));
}

TEST(Lookup, NamesInCategoryEmptyOnlyTheIndices)
{
    const CombinationLibrary lib = Sample();
    std::vector<std::string> names = {"kept"};
    std::vector<int> indices = {42};
    ListNamesInCategory(lib, "HOME/living/", names, indices);
    EXPECT_EQ(names, (std::vector<std::string>{"kept", "Warm", "Cool", "warm"}));
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 3}));
}

TEST(Lookup, SearchMatchesCategoryBytewiseAndKeywordsExactly)
{
    const CombinationLibrary lib = Sample();
    std::vector<int> indices = {7};
    SearchCombinations(lib, nullptr, "home/living/", nullptr, indices);
    EXPECT_EQ(indices, (std::vector<int>{0, 1, 3}));
    SearchCombinations(lib, "arm", "home/living/", nullptr, indices);
    EXPECT_EQ(indices, (std::vector<int>{0, 3}));
    SearchCombinations(lib, "ARM", "home/living/", nullptr, indices);
    EXPECT_TRUE(indices.empty());
    SearchCombinations(lib, nullptr, "home/living/", "blue", indices);
    EXPECT_EQ(indices, (std::vector<int>{1}));
    SearchCombinations(lib, "", "住宅/客厅/", "墙", indices);
    EXPECT_EQ(indices, (std::vector<int>{2}));
    // The byte-wise comparison folds a trail byte as if it were a letter.
    SearchCombinations(lib, nullptr, "\x81\x61/", nullptr, indices);
    EXPECT_EQ(indices, (std::vector<int>{5}));
}

TEST(Lookup, ArrayOperationsKeepOrderAndZeroTheGaps)
{
    CombinationLibrary lib;
    Bytes dirty = RecordBytes("b", "c/");
    std::memset(dirty.data() + 1140, 0xEE, 4);
    std::memset(dirty.data() + kSlots + kSlot + 3164, 0xEE, 4);
    PutU32(dirty, kSlots + kSlotWord, 77);
    lib.Append(MakeRecord("a", "c/"));
    lib.Append(ToRecord(dirty));
    lib.InsertAt(0, MakeRecord("first", "c/"));
    lib.InsertAt(3, MakeRecord("last", "c/"));
    ASSERT_EQ(lib.GetCount(), 4);
    EXPECT_EQ(FieldView(lib[0].name), "first");
    EXPECT_EQ(FieldView(lib[3].name), "last");
    Bytes stored = ToBytes(lib[2]);
    Bytes clean = dirty;
    std::memset(clean.data() + 1140, 0, 4);
    std::memset(clean.data() + kSlots + kSlot + 3164, 0, 4);
    EXPECT_EQ(stored, clean);  // slotWord kept, gaps zero
    lib.ReplaceAt(1, MakeRecord("new", "c/"));
    EXPECT_EQ(FieldView(lib[1].name), "new");
    lib.RemoveAt(0);
    EXPECT_EQ(FieldView(lib[0].name), "new");
    EXPECT_EQ(lib.GetCount(), 3);
    lib.Empty();
    EXPECT_TRUE(lib.IsEmpty());
}

TEST(Lookup, CategoriesThatRecurApartAreListedOnceInTheirFirstForm)
{
    CombinationLibrary lib;
    for (const char* category : {"A/", "b/", "a/", "A/", "b/", "B/", "c/", "A/", "C/"})
        lib.Append(MakeRecord("n", category));
    std::vector<std::string> list = {"B/"};
    ListRoomCategories(lib, list);
    EXPECT_EQ(list, (std::vector<std::string>{"B/", "A/", "c/"}));
}

TEST(Lookup, NamesInCategoryTakeNoLongerOrShorterCategory)
{
    CombinationLibrary lib;
    lib.Append(MakeRecord("series", "住宅/客厅/系列1/"));
    lib.Append(MakeRecord("home", "住宅/"));
    lib.Append(MakeRecord("living", "住宅/客厅/"));
    lib.Append(MakeRecord("LIVING", "住宅/客厅/"));
    std::vector<std::string> names;
    std::vector<int> indices;
    ListNamesInCategory(lib, "住宅/客厅/", names, indices);
    EXPECT_EQ(indices, (std::vector<int>{2, 3}));
    ListNamesInCategory(lib, "住宅/客厅", names, indices);
    EXPECT_TRUE(indices.empty());
}

TEST(Lookup, EmptiedLibraryTakesNewRecordsIntoLargerStorage)
{
    CombinationLibrary lib;
    for (int i = 0; i < 3; ++i)
        lib.Append(MakeRecord("old" + std::to_string(i), "c/"));
    lib.Empty();
    lib.Reserve(100);
    const int filled = lib.AppendFilled(2, [](CombinationRecord* storage, int n) {
        for (int i = 0; i < n; ++i)
            storage[i] = MakeRecord("new" + std::to_string(i), "d/");
        return n;
    });
    EXPECT_EQ(filled, 2);
    ASSERT_EQ(lib.GetCount(), 2);
    EXPECT_EQ(FieldView(lib[0].name), "new0");
    EXPECT_EQ(FieldView(lib[1].name), "new1");
    const CombinationLibrary copy = lib;
    EXPECT_EQ(ToBytes(copy[1]), ToBytes(lib[1]));
}
