#include "engine/EngineSteps.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace engine;

namespace {

TEST(CycleStep, HueTurnsBy5AndStartsAgainAt5)
{
    CycleColor color{357.0, 0.5, 0.5};
    int direction = +1;
    CycleStep(color, 0, direction);
    EXPECT_EQ(color.hue, 5.0);  // 362 is 360 or more
    CycleStep(color, 0, direction);
    EXPECT_EQ(color.hue, 10.0);
    color.hue = 355.0;
    CycleStep(color, 0, direction);
    EXPECT_EQ(color.hue, 5.0);  // exactly 360 restarts too
    EXPECT_EQ(direction, +1);   // the hue leaves the direction alone
    EXPECT_EQ(color.saturation, 0.5);

    // 71 steps make one turn from 5 back to 5.
    color.hue = 5.0;
    for (int i = 0; i < 71; ++i)
        CycleStep(color, 0, direction);
    EXPECT_EQ(color.hue, 5.0);
}

TEST(CycleStep, SaturationAndBrightnessBounceWithOneSharedDirection)
{
    CycleColor color{0.0, 0.99, 0.05};
    int direction = +1;
    CycleStep(color, 1, direction);
    EXPECT_EQ(color.saturation, 1.0);
    EXPECT_EQ(direction, -1);
    CycleStep(color, 1, direction);
    EXPECT_NEAR(color.saturation, 0.98, 1e-12);

    // The same direction now drives the brightness down: 0.05 - 0.02 is
    // below the floor, so 0.04 and the direction turns up.
    CycleStep(color, 2, direction);
    EXPECT_EQ(color.brightness, 0.04);
    EXPECT_EQ(direction, +1);
    CycleStep(color, 2, direction);
    EXPECT_NEAR(color.brightness, 0.06, 1e-12);
    EXPECT_NEAR(color.saturation, 0.98, 1e-12);

    // A black pick (floors 0.05) cycled up goes to 0.07.
    color.brightness = 0.05;
    direction = +1;
    CycleStep(color, 2, direction);
    EXPECT_NEAR(color.brightness, 0.07, 1e-12);

    // A full swing stays within 0.04..1.0 and turns at both ends.
    std::set<int> turns;
    for (int i = 0; i < 200; ++i) {
        const int before = direction;
        CycleStep(color, 1, direction);
        EXPECT_GE(color.saturation, 0.04);
        EXPECT_LE(color.saturation, 1.0);
        if (before != direction)
            turns.insert(direction);
    }
    EXPECT_EQ(turns, (std::set<int>{-1, +1}));
}

TEST(CycleStep, AnUnknownChannelChangesNothing)
{
    CycleColor color{10.0, 0.5, 0.5};
    int direction = -1;
    CycleStep(color, 3, direction);
    CycleStep(color, -1, direction);
    EXPECT_EQ(color.hue, 10.0);
    EXPECT_EQ(color.saturation, 0.5);
    EXPECT_EQ(color.brightness, 0.5);
    EXPECT_EQ(direction, -1);
}

TEST(Numbering, StepsWrapBetweenTheLastNumberAnd1)
{
    EXPECT_EQ(StepForward(5, 5), 1);
    EXPECT_EQ(StepForward(2, 5), 3);
    EXPECT_EQ(StepBack(1, 5), 5);
    EXPECT_EQ(StepBack(3, 5), 2);
    // Typed 0 then a step: ">>" lands on 1, "<<" on the last.
    EXPECT_EQ(StepForward(0, 5), 1);
    EXPECT_EQ(StepBack(0, 5), 5);
    // An empty list never yields a position inside it.
    EXPECT_FALSE(InList(StepForward(1, 0), 0));
    EXPECT_FALSE(InList(StepBack(1, 0), 0));
}

TEST(Numbering, MenuPagesOf20MoveBy19)
{
    // 45 items from 40: entries 40..45 then 1..14; the next page starts at 14.
    std::vector<int> shown;
    for (int i = 0; i < kMenuEntries; ++i)
        shown.push_back(NumberAfter(40, i, 45));
    std::vector<int> expected = {40, 41, 42, 43, 44, 45};
    for (int n = 1; n <= 14; ++n)
        expected.push_back(n);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(NumberAfter(40, kPageStep, 45), 14);
    EXPECT_EQ(NumberBefore(14, kPageStep, 45), 40);
    EXPECT_EQ(NumberBefore(30, kPageStep, 45), 11);

    std::vector<int> separators;
    for (int i = 0; i < kMenuEntries; ++i)
        if (SeparatorAfterEntry(i))
            separators.push_back(i);
    EXPECT_EQ(separators, (std::vector<int>{0, 5, 10, 15}));
}

TEST(Numbering, TypedNumbersAreClampedIntoTheList)
{
    EXPECT_EQ(ClampToList(99, 10), 10);
    EXPECT_EQ(ClampToList(0, 10), 1);
    EXPECT_EQ(ClampToList(-4, 10), 1);
    EXPECT_EQ(ClampToList(7, 10), 7);
    EXPECT_EQ(ClampToList(3, 0), 1);
}

TEST(DefaultTextureFolder, MapBesideASixLetterFolderWhenItIsThere)
{
    std::vector<std::string> asked;
    auto exists = [&asked](const std::string& folder) {
        asked.push_back(folder);
        return true;
    };
    EXPECT_EQ(DefaultTextureFolderOf("C:\\VR\\plugin\\", exists), "C:\\VR\\map");
    EXPECT_EQ(asked, std::vector<std::string>{"C:\\VR\\map"});
}

TEST(DefaultTextureFolder, OtherwiseTheMapFolderInsideTheModuleFolder)
{
    auto none = [](const std::string&) { return false; };
    // walkhost's "plugins\": cutting 7 characters would leave "...\pmap".
    EXPECT_EQ(DefaultTextureFolderOf("C:\\walk\\plugins\\", none), "C:\\walk\\plugins\\map");
    // Shorter than 7 characters: nothing is cut, nothing is asked.
    bool asked = false;
    auto record = [&asked](const std::string&) { return asked = true; };
    EXPECT_EQ(DefaultTextureFolderOf("C:\\ab\\", record), "C:\\ab\\map");
    EXPECT_FALSE(asked);
    EXPECT_EQ(DefaultTextureFolderOf("", record), "map");
    // Exactly 7 characters: the cut leaves nothing before "map".
    EXPECT_EQ(DefaultTextureFolderOf("plugin\\", none), "plugin\\map");
}

TEST(FillFormat, FillsTheConversionsInOrder)
{
    EXPECT_EQ(FillFormat("a%sb%sc", "1", "2"), "a1b2c");
    EXPECT_EQ(FillFormat("%s %s", "", ""), " ");
    EXPECT_EQ(FillFormat("<%s>", "x%sy"), "<x%sy>");  // a value is not a format
    EXPECT_EQ(FillFormat("%s%s%s", "a", "b"), "ab");
    EXPECT_EQ(FillFormat("100%", "a"), "100%");
}

}  // namespace
