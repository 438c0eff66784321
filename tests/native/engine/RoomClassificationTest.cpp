// The classified room's rules: the view's sampling grid, the rows and their
// shared-material warning, similar colours, and contrast counted only
// between classes the room has.
#include "FakeHost.h"

#include "engine/RoomClassification.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace engine;

namespace {

TEST(RoomClassification, TheGridAsksEachPointOnceAndACutShortOneStillSpansTheView)
{
    std::multiset<std::pair<int, int>> asked;
    int materialQuestions = 0;
    // Surface 7 covers the left half, surface 8 a single point; both of material 3.
    const ViewCensus full = TakeCensus(
        200, 100,
        [&](int x, int y) {
            asked.insert({x, y});
            return x < 100 ? 7u : (x == 195 && y == 95 ? 8u : 0u);
        },
        [&](unsigned) { return ++materialQuestions, 3u; }, [] { return true; });
    EXPECT_TRUE(full.complete);
    EXPECT_EQ(full.samples, 40 * 20);
    const std::set<std::pair<int, int>> distinct(asked.begin(), asked.end());
    EXPECT_EQ(distinct.size(), asked.size());
    EXPECT_EQ(full.SurfacesOf(3), 2);
    EXPECT_EQ(materialQuestions, 2);

    // Out of time after the first pass: the far corner of the view was asked.
    int budget = 6;
    asked.clear();
    const ViewCensus cut = TakeCensus(
        200, 100, [&](int x, int y) { return asked.insert({x, y}), 0u; }, [](unsigned) { return 0u; },
        [&] { return budget-- > 0; });
    EXPECT_FALSE(cut.complete);
    EXPECT_EQ(cut.samples, 6);
    EXPECT_EQ(asked.count({160, 80}), 1u);
}

TEST(RoomClassification, RowsWarnOfSharedWallAndFloorMaterials)
{
    ViewCensus census;
    census.surfacesByMaterial = {{1, {10, 11, 12}}, {2, {20, 21, 22, 23}}, {3, {30}}};
    const std::vector<SurfaceClassEntry> classes = {{1, Ceiling}, {2, Wall}, {3, Floor}, {4, Floor}};
    const std::vector<ClassifiedMaterial> rows = ClassifiedMaterials(classes, census);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].otherSurfaces, 0);  // a ceiling may share its material
    EXPECT_EQ(rows[1].surfacesInView, 4);
    EXPECT_EQ(SharedMaterialWarning(rows[1].otherSurfaces), "也用于其他 3 个表面");
    EXPECT_EQ(rows[2].otherSurfaces, 0);
    EXPECT_EQ(rows[3].surfacesInView, 0);  // not in view
    EXPECT_EQ(SharedMaterialWarning(0), "");
}

TEST(RoomClassification, SimilarMaterialsLieWithinFiveOfTheColourClosestFirst)
{
    const Rgb wall = {0.80, 0.75, 0.70};
    const std::vector<MaterialColour> visible = {
        {1, wall}, {2, {0.82, 0.76, 0.70}}, {3, {0.80, 0.75, 0.71}}, {4, {0.60, 0.75, 0.70}}, {5, {0.2, 0.2, 0.2}}};
    const std::vector<SimilarMaterial> similar = SimilarMaterials(wall, 1, visible);
    ASSERT_EQ(similar.size(), 2u);
    EXPECT_EQ(similar[0].materialHandle, 3u);
    EXPECT_EQ(similar[1].materialHandle, 2u);
    EXPECT_LE(similar[1].deltaE, kSimilarDeltaE);
}

TEST(RoomClassification, ContrastCountsOnlyClassesTheRoomHas)
{
    // Wall and floor both 50: marked while the room has both, not without a floor.
    const SurfaceLrvs lrv{50.0, 50.0, 50.0};
    RoomLrvs room = WhereRoomHas(lrv, {{1, Wall}, {2, Floor}});
    EXPECT_EQ(RoomLrvLine(room), "LRV —/50/50");
    EXPECT_FALSE(RoomContrastPairs(room).ceilingWall);
    EXPECT_TRUE(RoomContrastPairs(room).wallFloor);
    room = WhereRoomHas(lrv, {{1, Wall}, {3, Ceiling}});
    EXPECT_EQ(RoomLrvLine(room), "LRV 50/50/—");
    EXPECT_TRUE(RoomContrastPairs(room).ceilingWall);
    EXPECT_FALSE(RoomContrastPairs(room).wallFloor);
}

TEST(RoomClassification, RemovingAClassLeavesTheOthers)
{
    ResetSurfaceMaterialStore();
    SetSurfaceClass(5, Wall);
    SetSurfaceClass(6, Floor);
    EXPECT_TRUE(RemoveSurfaceClass(5));
    EXPECT_FALSE(RemoveSurfaceClass(5));
    ASSERT_EQ(surfaceClasses.size(), 1u);
    EXPECT_EQ(surfaceClasses[0].materialHandle, 6u);
    ResetSurfaceMaterialStore();
}

}  // namespace
