#include "Cp936Text.h"

#include <gtest/gtest.h>
#include <windows.h>

// The code page 936 bytes the compiler produces are what Windows decodes as
// code page 936, whatever the system code page is.
TEST(WindowsBuild, LiteralsAreCodePage936)
{
    const std::string text = "请确认";
    wchar_t wide[8] = {};
    const int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), wide, 8);
    ASSERT_EQ(n, 3);
    EXPECT_EQ(wide[0], 0x8BF7);
    EXPECT_EQ(wide[1], 0x786E);
    EXPECT_EQ(wide[2], 0x8BA4);
}
