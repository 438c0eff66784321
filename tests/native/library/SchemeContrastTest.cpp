#include "SchemeContrast.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

CombinationRecord Scheme(Rgb ceiling, Rgb floor, Rgb wall)
{
    CombinationRecord record;
    InitCombinationRecord(record, "n", "c/", "d");
    const Rgb* colours[3] = {&ceiling, &floor, &wall};
    for (int slot = 0; slot < 3; ++slot)
        for (int i = 0; i < 3; ++i)
            record.materials[slot].color[i] = static_cast<float>((*colours[slot])[i]);
    return record;
}

}  // namespace

TEST(SchemeContrast, EachSurfaceFromItsOwnSlot)
{
    // Slots are ceiling, floor, wall; the line reads ceiling/wall/floor.
    const SurfaceLrvs lrv = CombinationLrvs(Scheme({1, 1, 1}, {0, 0, 1}, {0, 1, 0}));
    EXPECT_NEAR(lrv.ceiling, 100.0, 1e-4);
    EXPECT_NEAR(lrv.floor, 7.2, 0.05);
    EXPECT_NEAR(lrv.wall, 71.5, 0.05);
    EXPECT_EQ(LrvLine(lrv), "LRV 100/72/7");
}

TEST(SchemeContrast, MarksAdjacentPairsBelowThirtyOnTheShownValues)
{
    // White ceiling, 50 % grey wall (21.4), black floor: only wall and floor are close.
    ContrastMarks marks = LowContrastPairs(CombinationLrvs(Scheme({1, 1, 1}, {0, 0, 0}, {0.5, 0.5, 0.5})));
    EXPECT_FALSE(marks.ceilingWall);
    EXPECT_TRUE(marks.wallFloor);

    // Exactly 30 apart is enough; 29 is not. Ceiling and floor are not adjacent.
    marks = LowContrastPairs({80.0, 50.0, 80.0});
    EXPECT_FALSE(marks.ceilingWall);
    EXPECT_FALSE(marks.wallFloor);
    marks = LowContrastPairs({80.0, 51.0, 21.0});
    EXPECT_TRUE(marks.ceilingWall);
    EXPECT_FALSE(marks.wallFloor);
    // 79.6 and 50.4 show as 80 and 50: not marked, as the card reads.
    marks = LowContrastPairs({79.6, 50.4, 0.0});
    EXPECT_FALSE(marks.ceilingWall);
    // A light room of near whites is marked twice.
    marks = LowContrastPairs(CombinationLrvs(Scheme({0.98, 0.97, 0.94}, {0.9, 0.9, 0.9}, {0.95, 0.92, 0.85})));
    EXPECT_TRUE(marks.ceilingWall);
    EXPECT_TRUE(marks.wallFloor);
}

TEST(SchemeContrast, ATextureThatCanBeReadCountsInsteadOfTheColour)
{
    CombinationRecord record = Scheme({1, 1, 1}, {1, 1, 1}, {1, 1, 1});
    SetField(record.materials[1].mapFile[0], "oak.jpg");
    SetField(record.materials[2].mapFile[0], "missing.jpg");
    SetField(record.materials[0].mapFile[1], "second.jpg");  // only the first map is the texture
    std::map<std::string, int> asked;
    const SurfaceLrvs lrv = CombinationLrvs(record, [&](const std::string& name) -> std::optional<double> {
        ++asked[name];
        if (name == "oak.jpg")
            return 35.0;
        return std::nullopt;
    });
    EXPECT_NEAR(lrv.floor, 35.0, 1e-9);
    EXPECT_NEAR(lrv.wall, 100.0, 1e-4);     // not found: the colour's
    EXPECT_NEAR(lrv.ceiling, 100.0, 1e-4);  // no texture of its own
    EXPECT_EQ(asked, (std::map<std::string, int>{{"oak.jpg", 1}, {"missing.jpg", 1}}));
}

TEST(SchemeContrast, OutOfRangeAndBrokenColoursStayOnTheScale)
{
    const SurfaceLrvs lrv = CombinationLrvs(Scheme({2, 2, 2}, {-1, -1, -1}, {NAN, 0, 0}));
    EXPECT_EQ(LrvLine(lrv), "LRV 100/0/0");
    EXPECT_EQ(RoundedLrv(NAN), 0);
    EXPECT_EQ(RoundedLrv(21.5), 22);
}
