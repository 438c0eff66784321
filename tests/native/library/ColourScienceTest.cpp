#include "ColourScience.h"

#include <gtest/gtest.h>

#include <random>

// The 34 pairs published with Sharma, Wu and Dalal's implementation notes on
// CIEDE2000 (2005): L a b of each colour and the difference, to four places.
// They include the hue cases that a careless formula gets wrong: a mean hue
// across 0/360 degrees, a colour of zero chroma, and pairs either side of a
// 180 degree hue difference.
TEST(ColourScience, DeltaE2000MatchesThePublishedPairs)
{
    struct Pair {
        Lab x, y;
        double dE;
    };
    const Pair pairs[] = {
        {{50.0000, 2.6772, -79.7751}, {50.0000, 0.0000, -82.7485}, 2.0425},
        {{50.0000, 3.1571, -77.2803}, {50.0000, 0.0000, -82.7485}, 2.8615},
        {{50.0000, 2.8361, -74.0200}, {50.0000, 0.0000, -82.7485}, 3.4412},
        {{50.0000, -1.3802, -84.2814}, {50.0000, 0.0000, -82.7485}, 1.0000},
        {{50.0000, -1.1848, -84.8006}, {50.0000, 0.0000, -82.7485}, 1.0000},
        {{50.0000, -0.9009, -85.5211}, {50.0000, 0.0000, -82.7485}, 1.0000},
        {{50.0000, 0.0000, 0.0000}, {50.0000, -1.0000, 2.0000}, 2.3669},
        {{50.0000, -1.0000, 2.0000}, {50.0000, 0.0000, 0.0000}, 2.3669},
        {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0009}, 7.1792},
        {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0010}, 7.1792},
        {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0011}, 7.2195},
        {{50.0000, 2.4900, -0.0010}, {50.0000, -2.4900, 0.0012}, 7.2195},
        {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0009, -2.4900}, 4.8045},
        {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0010, -2.4900}, 4.8045},
        {{50.0000, -0.0010, 2.4900}, {50.0000, 0.0011, -2.4900}, 4.7461},
        {{50.0000, 2.5000, 0.0000}, {50.0000, 0.0000, -2.5000}, 4.3065},
        {{50.0000, 2.5000, 0.0000}, {73.0000, 25.0000, -18.0000}, 27.1492},
        {{50.0000, 2.5000, 0.0000}, {61.0000, -5.0000, 29.0000}, 22.8977},
        {{50.0000, 2.5000, 0.0000}, {56.0000, -27.0000, -3.0000}, 31.9030},
        {{50.0000, 2.5000, 0.0000}, {58.0000, 24.0000, 15.0000}, 19.4535},
        {{50.0000, 2.5000, 0.0000}, {50.0000, 3.1736, 0.5854}, 1.0000},
        {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2972, 0.0000}, 1.0000},
        {{50.0000, 2.5000, 0.0000}, {50.0000, 1.8634, 0.5757}, 1.0000},
        {{50.0000, 2.5000, 0.0000}, {50.0000, 3.2592, 0.3350}, 1.0000},
        {{60.2574, -34.0099, 36.2677}, {60.4626, -34.1751, 39.4387}, 1.2644},
        {{63.0109, -31.0961, -5.8663}, {62.8187, -29.7946, -4.0864}, 1.2630},
        {{61.2901, 3.7196, -5.3901}, {61.4292, 2.2480, -4.9620}, 1.8731},
        {{35.0831, -44.1164, 3.7933}, {35.0232, -40.0716, 1.5901}, 1.8645},
        {{22.7233, 20.0904, -46.6940}, {23.0331, 14.9730, -42.5619}, 2.0373},
        {{36.4612, 47.8580, 18.3852}, {36.2715, 50.5065, 21.2231}, 1.4146},
        {{90.8027, -2.0831, 1.4410}, {91.1528, -1.6435, 0.0447}, 1.4441},
        {{90.9257, -0.5406, -0.9208}, {88.6381, -0.8985, -0.7239}, 1.5381},
        {{6.7747, -0.2908, -2.4247}, {5.8714, -0.0985, -2.2286}, 0.6377},
        {{2.0776, 0.0795, -1.1350}, {0.9033, -0.0636, -0.5514}, 0.9082},
    };
    int number = 0;
    for (const Pair& p : pairs) {
        ++number;
        // The published values are rounded to four places.
        EXPECT_NEAR(DeltaE2000(p.x, p.y), p.dE, 0.5e-4 + 1e-9) << "pair " << number;
        EXPECT_NEAR(DeltaE2000(p.y, p.x), p.dE, 0.5e-4 + 1e-9) << "pair " << number << " reversed";
    }
}

TEST(ColourScience, SrgbToLabAgreesWithReferenceValuesAndRoundTrips)
{
    // White is exactly L 100 with no chroma; primaries as the usual D65 tables give them.
    const Lab white = SrgbToLab({1, 1, 1});
    EXPECT_NEAR(white.L, 100.0, 1e-9);
    EXPECT_NEAR(white.a, 0.0, 1e-9);
    EXPECT_NEAR(white.b, 0.0, 1e-9);
    const struct {
        Rgb rgb;
        Lab lab;
    } references[] = {{{1, 0, 0}, {53.24, 80.09, 67.20}},
                      {{0, 1, 0}, {87.73, -86.18, 83.18}},
                      {{0, 0, 1}, {32.30, 79.19, -107.86}},
                      {{0.5, 0.5, 0.5}, {53.39, 0.0, 0.0}}};
    for (const auto& r : references) {
        const Lab lab = SrgbToLab(r.rgb);
        EXPECT_NEAR(lab.L, r.lab.L, 0.05);
        EXPECT_NEAR(lab.a, r.lab.a, 0.1);
        EXPECT_NEAR(lab.b, r.lab.b, 0.1);
        // The LRV is 100 Y, the Y of L*.
        EXPECT_NEAR(LightnessOfLrv(LightReflectance(r.rgb)), lab.L, 1e-9);
    }

    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int i = 0; i < 2000; ++i) {
        const Rgb rgb = {unit(random), unit(random), unit(random)};
        const Rgb back = LabToSrgb(SrgbToLab(rgb));
        for (int c = 0; c < 3; ++c)
            ASSERT_NEAR(back[c], rgb[c], 1e-9);
        const Lab lab = SrgbToLab(rgb);
        const Lab viaLch = LchToLab(LabToLch(lab));
        ASSERT_NEAR(viaLch.a, lab.a, 1e-9);
        ASSERT_NEAR(viaLch.b, lab.b, 1e-9);
        // Every byte colour comes back from its hex text.
        const Rgb bytes = RoundToBytes(rgb);
        EXPECT_EQ(ParseHexColour(HexColour(bytes)), std::optional<Rgb>(bytes));
    }
}

TEST(ColourScience, FitToGamutKeepsLightnessAndHueAndStaysInside)
{
    // A chroma no sRGB colour has, at several lightnesses and hues.
    for (double L : {5.0, 50.0, 95.0})
        for (double h : {0.0, 100.0, 250.0}) {
            const Rgb rgb = FitToGamut({L, 150.0, h});
            EXPECT_TRUE(InSrgbGamut(rgb));
            const Lch back = LabToLch(SrgbToLab(rgb));
            EXPECT_NEAR(back.L, L, 0.01);
            if (back.C > 1.0) {
                EXPECT_NEAR(std::remainder(back.h - h, 360.0), 0.0, 0.5);
            }
        }
    EXPECT_FALSE(ParseHexColour("#12345G"));
    EXPECT_FALSE(ParseHexColour("12345"));
    EXPECT_TRUE(ParseHexColour("a0B1c2"));
}
