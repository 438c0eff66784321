#include "FakeHost.h"
#include "SelectionRefresh.h"

#include <gtest/gtest.h>

namespace {

struct RecordingPanel final : SelectionPanel {
    void ShowPickedColor(double h, double s, double v, uint32_t packed) override
    {
        hue = h;
        saturation = s;
        brightness = v;
        color = packed;
        ++shown;
    }
    OriginalMaterialList& RememberedMaterials() override { return originals; }

    double hue = -1, saturation = -1, brightness = -1;
    uint32_t color = 0xFFFFFFFF;
    int shown = 0;
    OriginalMaterialList originals;
};

class SelectionRefreshTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.Reset();
        ResetSurfaceMaterialStore();
    }
    void TearDown() override { ResetSurfaceMaterialStore(); }

    void Select(std::initializer_list<unsigned> surfaces) { selectedSurfaces.assign(surfaces); }

    FakeHost& host = FakeHost::Get();
    RecordingPanel panel;
};

TEST_F(SelectionRefreshTest, ShowsTheFirstMaterialsColourAndRemembersIt)
{
    const unsigned m = host.AddMaterial(1.0f, 0.5f, 0.0f, "brick.jpg");
    Select({host.AddSurface(m, 10, 10)});
    RefreshSelectionMaterials(&panel);

    ASSERT_EQ(currentMaterials.size(), 1u);
    EXPECT_EQ(currentMaterials[0].materialHandle, m);
    EXPECT_STREQ(currentMaterials[0].material.mapFile[0].Text(), "brick.jpg");
    EXPECT_NEAR(panel.hue, 30.0, 1e-9);
    EXPECT_NEAR(panel.saturation, 1.0, 1e-9);
    EXPECT_NEAR(panel.brightness, 1.0, 1e-9);
    EXPECT_EQ(panel.color, 0x007FFFu);
    ASSERT_EQ(panel.originals.size(), 1u);
    EXPECT_EQ(panel.originals[0].materialHandle, m);
}

TEST_F(SelectionRefreshTest, BlackRaisesSaturationAndBrightnessButNotTheSliderColour)
{
    const unsigned m = host.AddMaterial(0, 0, 0);
    Select({host.AddSurface(m, 1, 1)});
    RefreshSelectionMaterials(&panel);
    EXPECT_DOUBLE_EQ(panel.hue, 0.0);
    EXPECT_DOUBLE_EQ(panel.saturation, 0.05);
    EXPECT_DOUBLE_EQ(panel.brightness, 0.05);
    EXPECT_EQ(panel.color, 0u);
}

TEST_F(SelectionRefreshTest, DistinctMaterialsInSelectionOrder)
{
    const unsigned a = host.AddMaterial(0.1f, 0.2f, 0.3f);
    const unsigned b = host.AddMaterial(0.3f, 0.2f, 0.1f);
    Select({host.AddSurface(b, 1, 1), host.AddSurface(a, 2, 2), host.AddSurface(b, 3, 3)});
    RefreshSelectionMaterials(&panel);
    ASSERT_EQ(currentMaterials.size(), 2u);
    EXPECT_EQ(currentMaterials[0].materialHandle, b);
    EXPECT_EQ(currentMaterials[1].materialHandle, a);
    EXPECT_FLOAT_EQ(currentMaterials[1].material.color[0], 0.1f);
    // Only the first material drives the panel and is remembered.
    ASSERT_EQ(panel.originals.size(), 1u);
    EXPECT_EQ(panel.originals[0].materialHandle, b);
}

TEST_F(SelectionRefreshTest, ASecondSurfaceOfARememberedMaterialAddsNoRecord)
{
    const unsigned m = host.AddMaterial(0.5f, 0.5f, 0.5f);
    const unsigned s1 = host.AddSurface(m, 1, 1);
    const unsigned s2 = host.AddSurface(m, 2, 2);
    Select({s1});
    RefreshSelectionMaterials(&panel);
    host.Material(m).color[0] = 0.9f;  // changed by the panel meanwhile
    Select({s2});
    RefreshSelectionMaterials(&panel);
    ASSERT_EQ(panel.originals.size(), 1u);
    EXPECT_FLOAT_EQ(panel.originals[0].material.color[0], 0.5f);
    EXPECT_FLOAT_EQ(currentMaterials[0].material.color[0], 0.9f);
}

TEST_F(SelectionRefreshTest, WithoutAPanelOnlyTheListsChange)
{
    const unsigned m = host.AddMaterial(0.5f, 0.5f, 0.5f);
    Select({host.AddSurface(m, 1, 1)});
    RefreshSelectionMaterials(nullptr);
    EXPECT_EQ(currentMaterials.size(), 1u);
    EXPECT_EQ(panel.shown, 0);

    selectedSurfaces.clear();
    RefreshSelectionMaterials(&panel);
    EXPECT_TRUE(currentMaterials.empty());
    EXPECT_EQ(panel.shown, 0);
}

}  // namespace
