#include "FakeHost.h"
#include "SurfaceMaterialStore.h"

#include <gtest/gtest.h>

namespace {

class SurfaceMaterialStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.Reset();
        ResetSurfaceMaterialStore();
    }
    void TearDown() override { ResetSurfaceMaterialStore(); }

    FakeHost& host = FakeHost::Get();
};

TEST_F(SurfaceMaterialStoreTest, ClassificationKeepsOneEntryPerMaterialAndTheLatestClass)
{
    SetSurfaceClass(7, Ceiling);
    SetSurfaceClass(8, Floor);
    SetSurfaceClass(7, Wall);  // reclassified: overwritten in place, not appended
    ASSERT_EQ(surfaceClasses.size(), 2u);
    EXPECT_EQ(surfaceClasses[0].materialHandle, 7u);
    EXPECT_EQ(surfaceClasses[0].surfaceClass, Wall);
    EXPECT_EQ(surfaceClasses[1].surfaceClass, Floor);

    unsigned first = 0;
    EXPECT_TRUE(FirstMaterialOfClass(Wall, &first));
    EXPECT_EQ(first, 7u);
    EXPECT_FALSE(FirstMaterialOfClass(Ceiling, &first));
}

TEST_F(SurfaceMaterialStoreTest, AllClassesNeedsCeilingFloorAndWall)
{
    EXPECT_FALSE(HasAllSurfaceClasses());
    SetSurfaceClass(1, Ceiling);
    SetSurfaceClass(2, Floor);
    SetSurfaceClass(3, Floor);
    EXPECT_FALSE(HasAllSurfaceClasses());
    SetSurfaceClass(3, Wall);
    EXPECT_TRUE(HasAllSurfaceClasses());
    ClearSurfaceClasses();
    EXPECT_TRUE(surfaceClasses.empty());
    EXPECT_EQ(surfaceClasses.capacity(), 0u);
    EXPECT_FALSE(HasAllSurfaceClasses());
}

TEST_F(SurfaceMaterialStoreTest, RememberKeepsTheStateOfTheFirstPick)
{
    const unsigned m = host.AddMaterial(0.2f, 0.4f, 0.6f, "oak.jpg");
    OriginalMaterialList originals;
    RememberOriginalMaterial(originals, m);
    host.Material(m).color[0] = 0.9f;
    host.Material(m).mapFile[0] = "";
    RememberOriginalMaterial(originals, m);  // already held: not read again
    ASSERT_EQ(originals.size(), 1u);
    EXPECT_EQ(host.CountCalls("GetMaterial"), 1);
    EXPECT_FLOAT_EQ(originals[0].material.color[0], 0.2f);
    EXPECT_STREQ(originals[0].material.mapFile[0].Text(), "oak.jpg");
}

TEST_F(SurfaceMaterialStoreTest, RestoreWritesRecalculatesRedrawsAndKeepsTheRecord)
{
    const unsigned m = host.AddMaterial(0.2f, 0.4f, 0.6f, "oak.jpg");
    const int carried = host.Material(m).params1[3];
    OriginalMaterialList originals;
    RememberOriginalMaterial(originals, m);
    host.Material(m).color[2] = 0.0f;
    host.Material(m).mapFile[0] = "";
    host.ClearCalls();

    EXPECT_TRUE(RestoreOriginalMaterial(originals, m));
    EXPECT_EQ(host.CallsSince("SetMaterial"), "SetMaterial " + std::to_string(m) + "|CalculateSurfaceColor|Redraw");
    EXPECT_FLOAT_EQ(host.Material(m).color[2], 0.6f);
    EXPECT_STREQ(host.Material(m).mapFile[0].Text(), "oak.jpg");
    EXPECT_EQ(host.Material(m).params1[3], carried);

    // The record stays, so the material can be restored again.
    host.Material(m).color[2] = 1.0f;
    EXPECT_TRUE(RestoreOriginalMaterial(originals, m));
    EXPECT_FLOAT_EQ(host.Material(m).color[2], 0.6f);
    EXPECT_EQ(originals.size(), 1u);
}

TEST_F(SurfaceMaterialStoreTest, RestoringAnUnknownMaterialChangesNothing)
{
    const unsigned m = host.AddMaterial(0.2f, 0.4f, 0.6f);
    OriginalMaterialList originals;
    host.ClearCalls();
    EXPECT_FALSE(RestoreOriginalMaterial(originals, m));
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SurfaceMaterialStoreTest, HostStringsAreReleased)
{
    const long before = FakeHostLiveStrings();
    {
        const unsigned m = host.AddMaterial(0.1f, 0.1f, 0.1f, "a.bmp");
        OriginalMaterialList originals;
        RememberOriginalMaterial(originals, m);
        currentMaterials.push_back({m, originals[0].material});
        ResetSurfaceMaterialStore();
        host.Reset();
    }
    EXPECT_EQ(FakeHostLiveStrings(), before);
}

}  // namespace
