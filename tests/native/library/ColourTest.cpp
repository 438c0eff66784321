#include <cmath>
#include "Colour.h"

#include <gtest/gtest.h>

TEST(PackColour, TruncatesEachComponentAndPutsRedLow)
{
    EXPECT_EQ(PackColour(1.0, 0.0, 0.0), 0x0000FFu);
    EXPECT_EQ(PackColour(0.0, 0.0, 1.0), 0xFF0000u);
    EXPECT_EQ(PackColour(1.0, 0.5, 0.0), 0x007FFFu);  // 127.5 becomes 127, not 128
    // 0.999 * 255 = 254.7: truncated, not rounded.
    EXPECT_EQ(PackColour(0.999, 0.5, 0.0039), (0u << 16) | (127u << 8) | 254u);
    EXPECT_EQ(PackColour(0.0, 0.0, 0.0), 0u);
}

TEST(LightReflectance, KnownColours)
{
    EXPECT_NEAR(LightReflectance({1, 1, 1}), 100.0, 1e-9);
    EXPECT_NEAR(LightReflectance({0, 0, 0}), 0.0, 1e-9);
    EXPECT_NEAR(LightReflectance({0.5, 0.5, 0.5}), 21.4, 0.05);
    EXPECT_NEAR(LightReflectance({1, 0, 0}), 21.3, 0.05);
    EXPECT_NEAR(LightReflectance({0, 1, 0}), 71.5, 0.05);
    EXPECT_NEAR(LightReflectance({0, 0, 1}), 7.2, 0.05);
}

TEST(LightReflectance, DecodesTheLinearSegmentAndClampsOutOfRange)
{
    // Below 0.04045 sRGB decoding is linear: c / 12.92.
    EXPECT_NEAR(SrgbToLinear(0.04), 0.04 / 12.92, 1e-12);
    EXPECT_NEAR(LightReflectance({2.5, -1, 0.3}), LightReflectance({1, 0, 0.3}), 1e-12);
    EXPECT_EQ(SrgbToLinear(std::nan("")), 0.0);
}

TEST(HexColour, RoundsAndClamps)
{
    EXPECT_EQ(HexColour({1, 0.5, 0}), "#FF8000");
    EXPECT_EQ(HexColour({2, -1, 0.2}), "#FF0033");
}

TEST(RgbToHsv, PrimaryAndGreyColours)
{
    EXPECT_EQ(RgbToHsv({1, 0, 0}), (Rgb{0, 1, 1}));
    EXPECT_EQ(RgbToHsv({0, 1, 0}), (Rgb{120, 1, 1}));
    EXPECT_EQ(RgbToHsv({0, 0, 1}), (Rgb{240, 1, 1}));
    EXPECT_EQ(RgbToHsv({1, 0, 1}), (Rgb{300, 1, 1}));
    EXPECT_EQ(RgbToHsv({0.5, 0.5, 0.5}), (Rgb{0, 0, 0.5}));
}
