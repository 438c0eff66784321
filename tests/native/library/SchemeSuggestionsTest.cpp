#include "SchemeSuggestions.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

// Everything promised of a list of suggestions, whatever the anchor.
void ExpectRules(const std::vector<Suggestion>& list, SchemeSurface surface, const std::string& what)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Suggestion& s = list[i];
        const double c = s.At(SchemeSurface::Ceiling).lrv, w = s.At(SchemeSurface::Wall).lrv,
                     f = s.At(SchemeSurface::Floor).lrv;
        ASSERT_GE(std::fabs(w - f), 30.0) << what << " #" << i;
        ASSERT_GE(std::fabs(w - c), 30.0) << what << " #" << i;
        if (surface != SchemeSurface::Ceiling) {
            ASSERT_GE(c, 70.0) << what << " #" << i;
        }
        ASSERT_TRUE(MeetsSchemeRules(s, surface));
        if (i > 0) {
            ASSERT_LE(list[i - 1].departure, s.departure) << what;
        }
        for (std::size_t j = 0; j < i; ++j) {
            const Lab wi = SrgbToLab(s.At(SchemeSurface::Wall).rgb), wj = SrgbToLab(list[j].At(SchemeSurface::Wall).rgb);
            const Lab fi = SrgbToLab(s.At(SchemeSurface::Floor).rgb), fj = SrgbToLab(list[j].At(SchemeSurface::Floor).rgb);
            ASSERT_TRUE(DeltaE2000(wi, wj) >= 10.0 || DeltaE2000(fi, fj) >= 10.0) << what << " #" << j << " #" << i;
        }
    }
}

Rgb RandomColour(std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    return {byte(random) / 255.0, byte(random) / 255.0, byte(random) / 255.0};
}

}  // namespace

TEST(SchemeSuggestions, EightDistinctSchemesWithinTheRulesForAnyAnchorOnAnySurface)
{
    std::mt19937 random(20261209);
    for (int n = 0; n < 200; ++n) {
        const Rgb anchor = RandomColour(random);
        for (SchemeSurface surface : {SchemeSurface::Wall, SchemeSurface::Floor, SchemeSurface::Ceiling}) {
            SuggestionRequest request;
            request.anchor = anchor;
            request.surface = surface;
            const std::vector<Suggestion> list = SuggestSchemes(request);
            const std::string what = HexColour(anchor) + " on surface " + std::to_string(static_cast<int>(surface));
            ASSERT_GE(list.size(), 8u) << what;
            ExpectRules(list, surface, what);
            // The anchor stays on its surface whenever the rules allow it.
            const bool wallTooLight = surface == SchemeSurface::Wall && LightReflectance(anchor) > 68.0;
            if (!wallTooLight) {
                EXPECT_EQ(HexColour(list[0].At(surface).rgb), HexColour(anchor)) << what;
            }
            std::set<Harmony> harmonies;
            for (const Suggestion& s : list)
                harmonies.insert(s.harmony);
            EXPECT_GE(harmonies.size(), 4u) << what;
        }
    }
}

TEST(SchemeSuggestions, AFixedFloorKeepsItsLrvAndAWallTooLightIsDeepened)
{
    SuggestionRequest request;
    request.anchor = {0.35, 0.55, 0.75};  // a mid blue, LRV about 23
    request.surface = SchemeSurface::Ceiling;
    request.fixedFloor = FixedFloor{{0.55, 0.4, 0.25}, 18.0};  // an oak texture's colour and LRV
    std::vector<Suggestion> list = SuggestSchemes(request);
    ASSERT_GE(list.size(), 2u);
    ExpectRules(list, SchemeSurface::Ceiling, "fixed floor");
    for (const Suggestion& s : list)
        EXPECT_EQ(s.At(SchemeSurface::Floor).lrv, 18.0);

    // A near-white wall: no ceiling can be 30 points lighter, so the wall is
    // the same hue deepened; the ceiling still reads as a ceiling.
    request = SuggestionRequest();
    request.anchor = {0.95, 0.93, 0.85};
    list = SuggestSchemes(request);
    ASSERT_GE(list.size(), 8u);
    ExpectRules(list, SchemeSurface::Wall, "light wall");
    const Lch anchor = LabToLch(SrgbToLab(request.anchor)), wall = LabToLch(SrgbToLab(list[0].At(SchemeSurface::Wall).rgb));
    EXPECT_LE(list[0].At(SchemeSurface::Wall).lrv, 68.0);
    EXPECT_NEAR(wall.C, anchor.C, 2.0);
}

TEST(SchemeSuggestions, WithADeckEveryColourIsAPaintAndThePublishedLrvCounts)
{
    // A deck of 600 colours whose published LRVs are all 3 points above the
    // colours' own: the rules must hold on the published figures.
    std::mt19937 random(5);
    PaintDeck deck;
    for (int i = 0; i < 600; ++i) {
        Paint p;
        p.rgb = RandomColour(random);
        p.lab = SrgbToLab(p.rgb);
        p.publishedLrv = std::min(100.0, LightReflectance(p.rgb) + 3.0);
        p.code = "P" + std::to_string(i);
        deck.paints.push_back(p);
    }
    for (int n = 0; n < 20; ++n) {
        SuggestionRequest request;
        request.anchor = RandomColour(random);
        request.surface = static_cast<SchemeSurface>(n % 3);
        request.deck = &deck;
        const std::vector<Suggestion> list = SuggestSchemes(request);
        ASSERT_GE(list.size(), 4u) << HexColour(request.anchor);
        ExpectRules(list, request.surface, "deck " + HexColour(request.anchor));
        for (const Suggestion& s : list)
            for (const SchemeColour& c : s.colours) {
                ASSERT_TRUE(c.paint.has_value());
                EXPECT_EQ(c.lrv, *deck.paints[*c.paint].publishedLrv);
                EXPECT_EQ(HexColour(c.rgb), HexColour(deck.paints[*c.paint].rgb));
            }
    }
}
