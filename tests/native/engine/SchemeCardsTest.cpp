// A suggestion as a combination on the room's materials, the paint line of
// a card and the decks a folder's files give.
#include "engine/SchemeCards.h"

#include "library/CombinationLibrary.h"
#include "model/SurfaceMaterialStore.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(SchemeCards, ASuggestionGoesOnEachClassSlotAndATexturedFloorCanStay)
{
    Suggestion suggestion;
    suggestion.colours[static_cast<int>(SchemeSurface::Ceiling)].rgb = {1.0, 1.0, 1.0};
    suggestion.colours[static_cast<int>(SchemeSurface::Wall)].rgb = {0.5, 0.25, 0.0};
    suggestion.colours[static_cast<int>(SchemeSurface::Floor)].rgb = {0.2, 0.2, 0.2};
    MaterialSlot base[3] = {};
    for (int slot = 0; slot < 3; ++slot) {
        std::strcpy(base[slot].mapFile[0], "old.jpg");
        base[slot].params1[0] = 10 + slot;  // what the room's material has besides its colour
        base[slot].color[0] = 0.9f;
    }
    const CombinationRecord painted = engine::SuggestionRecord(suggestion, base, false, "1 单色渐变", "说明");
    EXPECT_EQ(painted.materials[Ceiling].color[0], 1.0f);
    EXPECT_EQ(painted.materials[Wall].color[1], 0.25f);
    EXPECT_EQ(painted.materials[Floor].color[2], 0.2f);
    for (int slot = 0; slot < 3; ++slot) {
        EXPECT_STREQ(painted.materials[slot].mapFile[0], "");
        EXPECT_EQ(painted.materials[slot].params1[0], 10 + slot);
    }
    EXPECT_EQ(FieldString(painted.shortDescription), "说明");

    const CombinationRecord kept = engine::SuggestionRecord(suggestion, base, true, "n", "d");
    EXPECT_STREQ(kept.materials[Floor].mapFile[0], "old.jpg");
    EXPECT_EQ(kept.materials[Floor].color[0], 0.9f);
    EXPECT_EQ(kept.materials[Wall].color[0], 0.5f);
}

TEST(SchemeCards, PaintLinesAndDecks)
{
    engine::DeckShelf shelf;
    shelf.Add("name,code,hex\nWhite,W1,#FFFFFF\nBlack,,#000000\n", "a.csv");
    shelf.Add("GIMP Palette\n255 255\n", "b.gpl");
    ASSERT_EQ(shelf.decks.size(), 1u);
    ASSERT_EQ(shelf.errors.size(), 1u);
    EXPECT_EQ(shelf.errors[0].rfind("b.gpl: line 2", 0), 0u) << shelf.errors[0];

    const PaintDeck& deck = shelf.decks[0];
    PaintFinder finder(deck);
    const auto white = engine::NearestPaint(finder, {0.95, 0.95, 0.95});
    const auto black = engine::NearestPaint(finder, {0.1, 0.1, 0.1});
    ASSERT_TRUE(white && black);
    EXPECT_EQ(white->index, 0u);
    EXPECT_GT(white->deltaE, 0.0);
    // A paint without a code is named; a surface without a paint is a dash.
    EXPECT_EQ(engine::PaintLine(deck, {white, std::nullopt, black}), u8"W1/—/Black");
}

}  // namespace
