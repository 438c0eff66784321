// The panel's rules without its window: stepping and the typed index, the
// item menu's pages, the colour cycle, what reaches the host's materials and
// when the library is saved.
#include "FakeHost.h"

#include "engine/ColorCycle.h"
#include "engine/ItemList.h"
#include "engine/LibrarySession.h"
#include "engine/RoomPainter.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace engine;

namespace {

ItemList ListOf(int count, int mode = ModeExpert)
{
    ItemList list;
    list.mode = mode;
    list.itemCount = count;
    return list;
}

TEST(ItemList, PressesFollowTheIndexBoxAndWrap)
{
    ItemList list = ListOf(5);
    // The box shows 1 while the position is 1: ">>" moves to 2 first.
    EXPECT_EQ(list.Resolve(false, false, 1), ItemList::Press::Apply);
    EXPECT_EQ(list.itemIndex, 2);
    // After ">>" applied 1 the position moved on to 2 while the box shows 1:
    // "<<" applies the one before the box, and steps on back.
    list.itemIndex = 1;
    EXPECT_EQ(list.Resolve(true, false, 2), ItemList::Press::Apply);
    EXPECT_EQ(list.itemIndex, 5);
    list.Step(true);
    // The box shows 5 while the position is at 4: "<<" applies 4.
    list.itemIndex = 5;
    EXPECT_EQ(list.Resolve(true, false, 4), ItemList::Press::Apply);
    EXPECT_EQ(list.itemIndex, 4);

    // Typed 0: restore, and the position has stepped to an end.
    list.itemIndex = 0;
    EXPECT_EQ(list.Resolve(false, true, 3), ItemList::Press::RestoreAll);
    EXPECT_EQ(list.itemIndex, 1);
    list.itemIndex = 0;
    EXPECT_EQ(list.Resolve(true, true, 3), ItemList::Press::RestoreAll);
    EXPECT_EQ(list.itemIndex, 5);
    // Out of range: refused and the previous position applied.
    for (int typed : {99, -1, 6}) {
        list.itemIndex = typed;
        EXPECT_EQ(list.Resolve(false, true, 2), ItemList::Press::Refused);
        EXPECT_EQ(list.itemIndex, 2);
    }
    list.itemIndex = 5;
    EXPECT_EQ(list.Resolve(false, true, 2), ItemList::Press::Apply);
    EXPECT_EQ(list.itemIndex, 5);

    // Colour cycling has no list: the position is left alone.
    ItemList cycling = ListOf(0, ModeCycle);
    EXPECT_TRUE(cycling.StepsEnabled());
    EXPECT_FALSE(ListOf(0, ModeTexture).StepsEnabled());
    EXPECT_EQ(cycling.Resolve(false, false, 1), ItemList::Press::Apply);
    EXPECT_EQ(cycling.itemIndex, 1);
}

TEST(ItemList, TheMenuPagesBy19FromTheTypedNumber)
{
    ItemList list = ListOf(45);
    list.itemIndex = 40;
    list.NextPage();
    EXPECT_EQ(list.itemIndex, 14);
    list.PreviousPage();
    EXPECT_EQ(list.itemIndex, 40);
    EXPECT_EQ(list.MenuEntryItem(6), 1);  // 40 + 6 - 45
    EXPECT_EQ(list.MenuEntryItem(45), 0);  // not an entry this list can have

    ItemList small = ListOf(21);
    small.itemIndex = 99;
    EXPECT_EQ(small.MenuStart(), 21);
    small.itemIndex = -3;
    EXPECT_EQ(small.MenuStart(), 1);
    EXPECT_EQ(small.MenuEntryItem(1), 2);
}

TEST(ColorCycle, StepsTheChosenComponentWithTheSharedDirection)
{
    cycleDirection = +1;
    ColorCycle cycle;
    cycle.StartFrom(30.0, 0.0, 0.01);
    EXPECT_EQ(cycle.saturation, 0.05);
    EXPECT_EQ(cycle.brightness, 0.05);

    cycle.hue = 357.0;
    cycle.Step();
    EXPECT_EQ(cycle.hue, 5.0);
    cycle.cycleChannel = CycleSaturation;
    cycle.saturation = 0.99;
    cycle.Step();
    EXPECT_EQ(cycle.saturation, 1.0);
    EXPECT_EQ(cycleDirection, -1);
    cycle.Step();
    EXPECT_NEAR(cycle.saturation, 0.98, 1e-12);

    // A second panel's cycle goes on in the direction the first left.
    ColorCycle other;
    other.cycleChannel = CycleBrightness;
    other.brightness = 0.05;
    other.Step();
    EXPECT_EQ(other.brightness, 0.04);
    EXPECT_EQ(cycleDirection, +1);
    other.Step();
    EXPECT_NEAR(other.brightness, 0.06, 1e-12);
    cycleDirection = +1;
}

// Records the host calls the painter makes, and passes the materials on to
// the fake host so they can be looked at.
class RecordingHost : public MaterialHost {
public:
    std::string calls;
    void SetMaterial(unsigned handle, OriginalMaterial& material) override
    {
        calls += "Set " + std::to_string(handle) + "|";
        HV_SetMaterial(handle, &material);
    }
    void CalculateSurfaceColor() override { calls += "Calculate|"; }
    void Redraw() override { calls += "Redraw|"; }
    void HsvToRgb(double h, double s, double v, double& r, double& g, double& b) override
    {
        HV_HsvToRgb(h, s, v, &r, &g, &b);
    }
};

class Painter : public ::testing::Test {
protected:
    FakeHost& host = FakeHost::Get();
    RecordingHost calls;
    RoomPainter painter{calls};
    unsigned ceiling = 0, secondCeiling = 0, floor = 0, wall = 0;

    void SetUp() override
    {
        host.Reset();
        ResetSurfaceMaterialStore();
        ceiling = host.AddMaterial(1.0f, 1.0f, 1.0f);
        secondCeiling = host.AddMaterial(0.9f, 0.9f, 0.9f);
        floor = host.AddMaterial(0.5f, 0.25f, 0.0f);
        wall = host.AddMaterial(0.0f, 0.0f, 0.0f, "oak.jpg");
        for (unsigned m : {ceiling, secondCeiling, wall})
            RememberOriginalMaterial(painter.originalMaterials, m);
        SetSurfaceClass(ceiling, Ceiling);
        SetSurfaceClass(secondCeiling, Ceiling);
        SetSurfaceClass(wall, Wall);
    }
    void TearDown() override { ResetSurfaceMaterialStore(); }

    void PickWall()
    {
        currentMaterials.push_back({wall, {}});
        HV_GetMaterial(wall, &currentMaterials.back().material);
    }
};

TEST_F(Painter, ACombinationGoesOnEveryClassifiedMaterialOfItsClassAndRestoreUndoesIt)
{
    CombinationRecord record;
    InitCombinationRecord(record, "方案2", "住宅/客厅/", "说明2");
    OriginalMaterial material;
    material.color[0] = 0.02f;
    MaterialToSlot(material, record.materials[Ceiling]);
    SetField(record.extraText2, "::/scheme2.htm");

    painter.ApplyCombination(record);
    EXPECT_EQ(calls.calls, "Set " + std::to_string(ceiling) + "|Set " + std::to_string(secondCeiling) + "|Set " +
                               std::to_string(wall) + "|Calculate|Redraw|");
    EXPECT_FLOAT_EQ(host.Material(secondCeiling).color[0], 0.02f);
    EXPECT_EQ(host.Material(floor).color[0], 0.5f);  // not classified
    EXPECT_EQ(painter.description, "说明2");
    EXPECT_EQ(painter.helpTopic, "::/scheme2.htm");

    calls.calls.clear();
    painter.RestoreAll(true);
    EXPECT_EQ(host.Material(ceiling).color[0], 1.0f);
    EXPECT_EQ(host.Material(secondCeiling).color[0], 0.9f);
    EXPECT_STREQ(host.Material(wall).mapFile[0].Text(), "oak.jpg");
    EXPECT_EQ(painter.description, "恢复房间原有配色");
    EXPECT_EQ(calls.calls.substr(calls.calls.size() - 34), "Calculate|Redraw|Calculate|Redraw|");
    painter.RestoreAll(true);  // twice: harmless, the records stay
    EXPECT_EQ(painter.originalMaterials.size(), 3u);
}

TEST_F(Painter, TheCurrentMaterialTakesAColourOrATextureAndComesBack)
{
    double r = 0, g = 0, b = 0;
    EXPECT_FALSE(painter.WriteColor(5.0, 1.0, 1.0, r, g, b));  // nothing picked
    EXPECT_FALSE(painter.ApplyTexture("C:\\maps\\", "b.jpg"));
    EXPECT_TRUE(calls.calls.empty());

    PickWall();
    ASSERT_TRUE(painter.WriteColor(5.0, 1.0, 1.0, r, g, b));
    EXPECT_STREQ(host.Material(wall).mapFile[0].Text(), "");  // a colour replaces the texture
    EXPECT_FLOAT_EQ(host.Material(wall).color[0], static_cast<float>(r));
    EXPECT_EQ(calls.calls, "Set " + std::to_string(wall) + "|Calculate|Redraw|");

    ASSERT_TRUE(painter.ApplyTexture("C:\\maps\\", "b.jpg"));
    EXPECT_STREQ(host.Material(wall).mapFile[0].Text(), "C:\\maps\\b.jpg");
    EXPECT_EQ(painter.description, "b.jpg");
    painter.RestoreAll(false);
    EXPECT_STREQ(host.Material(wall).mapFile[0].Text(), "oak.jpg");
    EXPECT_EQ(painter.description, "恢复表面原有配色");
}

TEST(LibrarySession, SavesWhenSomethingIsUnsavedAndTellsAFailureOnce)
{
    LibrarySession session;
    EXPECT_FALSE(session.NeedsSaveAtEnd());
    session.libraryModified = true;  // changed without a record: the whole library
    EXPECT_TRUE(session.NeedsSaveAtEnd());
    EXPECT_TRUE(session.HasUnsavedWork());

    session.libraryPath = "/nonexistent-tintgrove-folder/Tintgrove.tgv";
    session.sharedLibrary.SetPath(session.libraryPath);
    session.sharedLibrary.lockWaitMs = 0;
    // As the panel ends a lock that cannot be had is a failure.
    LibrarySession::SaveOutcome first = session.Save(true);
    EXPECT_EQ(first.kind, LibrarySession::SaveOutcome::Kind::Failed);
    EXPECT_TRUE(first.tell);
    EXPECT_FALSE(session.Save(true).tell);
    EXPECT_TRUE(session.sharedLibrary.WholeLibraryChanged());

    const std::set<std::string> taken = {session.libraryPath + ".bak", session.libraryPath + ".bak2"};
    auto exists = [&taken](const std::string& path) { return taken.count(path) != 0; };
    EXPECT_EQ(session.BackupPath(exists), session.libraryPath + ".bak3");
    EXPECT_FALSE(session.NeedsBackup(exists));
}

}  // namespace
