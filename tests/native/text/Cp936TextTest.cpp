#include "Cp936Text.h"

#include <gtest/gtest.h>

#include <cstring>

// Literals are compiled to code page 936: "表" is B1 ED, "\xD5\x5C" is a
// character whose trail byte is a backslash, "\x81\x41" one whose trail is 'A'.

TEST(Cp936Text, SearchesSkipTrailBytes)
{
    const std::string path = "C:\\a\\\xD5\x5C";  // last real backslash at 4
    EXPECT_EQ(cp936::FindLastChar(path, '\\'), 4u);
    EXPECT_EQ(cp936::FindFirstChar("\xD5\x5Cx\\", '\\'), 3u);
    EXPECT_EQ(cp936::FindLastChar("abc", '/'), std::string::npos);
    // "A" must not match the trail byte of 0x81 0x41.
    EXPECT_EQ(cp936::Find("\x81\x41" "A", "A"), 2u);
    EXPECT_EQ(cp936::Find("xy", ""), 0u);
    EXPECT_EQ(cp936::Find("x", "xy"), std::string::npos);
}

TEST(Cp936Text, CaseFoldingLeavesDoubleByteCharactersAlone)
{
    EXPECT_TRUE(cp936::EqualsNoCase("Living/客厅/", "LIVING/客厅/"));
    // 0x81 0x41 and 0x81 0x61 differ only in a trail byte that looks like a letter.
    EXPECT_FALSE(cp936::EqualsNoCase("\x81\x41", "\x81\x61"));
    EXPECT_TRUE(cp936::EqualsNoCaseBytewise("\x81\x41", "\x81\x61"));
    EXPECT_LT(cp936::CompareNoCase("a", "B"), 0);
    EXPECT_GT(cp936::CompareNoCase("ab", "A"), 0);
    EXPECT_FALSE(cp936::EqualsNoCaseBytewise("ab", "abc"));
}

TEST(Cp936Text, FieldsNeverSplitACharacter)
{
    char field[6];
    std::memset(field, 'z', sizeof field);
    // "表表表" is 6 bytes; a 6-byte field takes 5 bytes of text: two characters.
    EXPECT_FALSE(cp936::CopyToField(field, sizeof field, "表表表"));
    EXPECT_EQ(std::string(field), "表表");
    EXPECT_EQ(field[5], 'z');  // behind the terminator nothing is written
    EXPECT_TRUE(cp936::CopyToField(field, sizeof field, "ab"));
    EXPECT_EQ(cp936::FitLength("a表", 2), 1u);
    EXPECT_EQ(cp936::FitLength("a表", 3), 3u);

    const char full[3] = {'a', 'b', 'c'};
    EXPECT_EQ(cp936::FieldText(full, 3), "abc");  // no NUL: the whole field
    EXPECT_EQ(cp936::FieldText("ab\0cd", 5), "ab");
}

TEST(Cp936Text, Validity)
{
    EXPECT_TRUE(cp936::IsValid("客厅/abc"));
    EXPECT_FALSE(cp936::IsValid("\xB1"));      // lone lead byte at the end
    EXPECT_FALSE(cp936::IsValid("\xB1\x7F"));  // 0x7F is never a trail byte
    EXPECT_FALSE(cp936::IsValid("\x80"));
}
