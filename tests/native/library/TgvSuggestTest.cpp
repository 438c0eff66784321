// tgv suggest and tgv palette on real files: the project's paint deck, the
// starter library and the palettes read back with the deck reader.
#include "PaintDeck.h"
#include "TgvSupport.h"
#include "TgvTestSupport.h"

#include <nlohmann/json.hpp>

namespace {

struct TgvSuggestTest : TgvTest {};

}  // namespace

TEST_F(TgvSuggestTest, SuggestsSchemesWithinTheRulesAsJsonWithThePaintsOfADeck)
{
    ASSERT_EQ(Run({"suggest", "#C7966C", "--json"}), 0) << err;
    nlohmann::json list = nlohmann::json::parse(out);
    ASSERT_GE(list.size(), 8u);
    for (const auto& s : list) {
        for (const char* surface : {"ceiling", "wall", "floor"})
            EXPECT_TRUE(ParseHexColour(s[surface].get<std::string>())) << s.dump();
        EXPECT_GE(std::fabs(s["lrv"]["wall"].get<double>() - s["lrv"]["floor"].get<double>()), 29.95);
        EXPECT_GE(s["lrv"]["ceiling"].get<double>(), 70.0);
        EXPECT_EQ(s["wall"], "#C7966C");  // the anchor stays on its wall
    }

    ASSERT_EQ(Run({"suggest", "#7A9A5B", "--anchor", "ceiling", "--count", "3", "--paints", TG_PAINTS_DECK, "--json"}), 0)
        << err;
    list = nlohmann::json::parse(out);
    ASSERT_EQ(list.size(), 3u);
    for (const auto& s : list)
        for (const char* surface : {"ceiling", "wall", "floor"})
            EXPECT_EQ(s["paints"][surface]["code"].get<std::string>().rfind("TG-", 0), 0u) << s.dump();

    // The human form names harmonies and paints in Chinese.
    ASSERT_EQ(Run({"suggest", "c7966c", "--paints", TG_PAINTS_DECK}), 0) << err;
    EXPECT_NE(out.find(u8"单色渐变"), std::string::npos);
    EXPECT_NE(out.find(u8"墙面与地面相差"), std::string::npos);
    EXPECT_NE(out.find("TG-0"), std::string::npos);

    EXPECT_EQ(Run({"suggest", "#C7966"}), kExitUsage);
    EXPECT_NE(err.find("is not a colour"), std::string::npos);
    WriteText("bad.csv", "a,TG-1,#000000\nb,TG-2,#00000\n");
    EXPECT_EQ(Run({"suggest", "#C7966C", "--paints", P("bad.csv")}), kExitUsage);
    EXPECT_NE(err.find("bad.csv: line 2:"), std::string::npos) << err;
}

TEST_F(TgvSuggestTest, PaletteWritesAGroupOfThreeSwatchesPerCombination)
{
    ASSERT_EQ(Run({"build", StarterSource(), "-o", P("starter.tgv")}), 0) << err;
    ASSERT_EQ(Run({"palette", P("starter.tgv"), "-o", P("all.ase")}), 0) << err;
    PaintDeck deck;
    std::string error;
    ASSERT_TRUE(ReadAseDeck(ReadText("all.ase"), "all.ase", deck, error)) << error;
    ASSERT_EQ(Run({"dump", P("starter.tgv")}), 0);
    const nlohmann::json records = nlohmann::json::parse(out)["records"];
    ASSERT_EQ(deck.paints.size(), 3 * records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::string name = records[i]["name"];
        EXPECT_EQ(deck.paints[3 * i].group, name);
        EXPECT_EQ(deck.paints[3 * i].name, name + u8" 顶棚");
        EXPECT_EQ(deck.paints[3 * i + 1].name, name + u8" 墙面");
        EXPECT_EQ(deck.paints[3 * i + 2].name, name + u8" 地面");
    }

    ASSERT_EQ(Run({"palette", P("starter.tgv"), "-o", P("some.gpl"), "--category", u8"住宅"}), 0) << err;
    ASSERT_TRUE(ReadGplDeck(ReadText("some.gpl"), "some.gpl", deck, error)) << error;
    EXPECT_GT(deck.paints.size(), 0u);
    EXPECT_LT(deck.paints.size(), 3 * records.size());
    EXPECT_EQ(Run({"palette", P("starter.tgv"), "-o", P("x.txt")}), kExitUsage);
}
