#include "ClientPage.h"
#include "PaintDeck.h"
#include "PaletteWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace {

std::string Be(std::uint32_t v, int bytes)
{
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::string BeFloat(float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return Be(bits, 4);
}

// A name as .ase stores it, from UTF-16 units.
std::string AseName(std::initializer_list<std::uint16_t> units)
{
    std::string out = Be(static_cast<std::uint32_t>(units.size() + 1), 2);
    for (std::uint16_t u : units)
        out += Be(u, 2);
    return out + Be(0, 2);
}

std::string Block(std::uint16_t type, const std::string& body)
{
    return Be(type, 2) + Be(static_cast<std::uint32_t>(body.size()), 4) + body;
}

std::string Ase(std::uint32_t count, const std::string& blocks)
{
    return "ASEF" + Be(1, 2) + Be(0, 2) + Be(count, 4) + blocks;
}

}  // namespace

TEST(PaintDeck, ReadsAseGplAndCsvDecks)
{
    // 暖白 (U+6696 U+767D) in a group "G", a LAB grey, a Gray entry and a name
    // with a character outside the BMP (U+1F3A8, a surrogate pair).
    const std::string ase = Ase(
        5, Block(0xC001, AseName({'G'})) +
               Block(0x0001, AseName({0x6696, 0x767D}) + "RGB " + BeFloat(1.0f) + BeFloat(0.5f) + BeFloat(0.0f) + Be(2, 2)) +
               Block(0x0001, AseName({'L'}) + "LAB " + BeFloat(0.5f) + BeFloat(0.0f) + BeFloat(0.0f) + Be(0, 2)) +
               Block(0xC002, "") +
               Block(0x0001, AseName({0xD83C, 0xDFA8}) + "Gray" + BeFloat(0.2f) + Be(2, 2)));
    PaintDeck deck;
    std::string error;
    ASSERT_TRUE(ReadPaintDeck(ase, "deck.ase", deck, error)) << error;
    ASSERT_EQ(deck.paints.size(), 3u);
    EXPECT_EQ(deck.paints[0].name, u8"暖白");
    EXPECT_EQ(deck.paints[0].group, "G");
    EXPECT_EQ(HexColour(deck.paints[0].rgb), "#FF8000");
    EXPECT_NEAR(deck.paints[1].lab.L, 50.0, 1e-4);  // LAB entries keep their own values
    EXPECT_EQ(deck.paints[2].name, "\xF0\x9F\x8E\xA8");
    EXPECT_EQ(deck.paints[2].group, "");
    EXPECT_EQ(HexColour(deck.paints[2].rgb), "#333333");

    const std::string gpl = "GIMP Palette\nName: t\nColumns: 4\n# comment\n255   0   0\tRed one\n 0 0 255 Blue\n";
    ASSERT_TRUE(ReadPaintDeck(gpl, "any.txt", deck, error)) << error;
    ASSERT_EQ(deck.paints.size(), 2u);
    EXPECT_EQ(deck.paints[0].name, "Red one");
    EXPECT_EQ(HexColour(deck.paints[1].rgb), "#0000FF");

    // A byte order mark, a heading, a quoted name with a comma, CRLF, LRV optional.
    const std::string csv = "\xEF\xBB\xBFname,code,hex,lrv\r\n\"Snow, pure\",TG-001,#FFFFFF,92.5\r\n"
                            u8"深灰,TG-002,333333\r\n";
    ASSERT_TRUE(ReadPaintDeck(csv, "deck.csv", deck, error)) << error;
    ASSERT_EQ(deck.paints.size(), 2u);
    EXPECT_EQ(deck.paints[0].name, "Snow, pure");
    EXPECT_EQ(deck.paints[0].code, "TG-001");
    EXPECT_EQ(deck.paints[0].Lrv(), 92.5);  // the published figure, not the computed 100
    EXPECT_FALSE(deck.paints[1].publishedLrv);
    EXPECT_NEAR(deck.paints[1].Lrv(), LightReflectance(deck.paints[1].rgb), 1e-12);

    const auto nearest = NearestPaints(deck, SrgbToLab({0.9, 0.9, 0.9}), 5);
    ASSERT_EQ(nearest.size(), 2u);
    EXPECT_EQ(nearest[0].first, 0u);
    EXPECT_LT(nearest[0].second, nearest[1].second);
}

TEST(PaintDeck, TheFinderAnswersAsTheFullScan)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    PaintDeck deck;
    for (int i = 0; i < 400; ++i) {
        Paint p;
        p.rgb = RoundToBytes({unit(random), unit(random), unit(random)});
        p.lab = SrgbToLab(p.rgb);
        deck.paints.push_back(p);
    }
    deck.paints.push_back(deck.paints[7]);  // a tie
    const PaintFinder finder(deck);
    for (int i = 0; i < 300; ++i) {
        const Lab lab = i == 0 ? deck.paints[7].lab : SrgbToLab({unit(random), unit(random), unit(random)});
        ASSERT_EQ(finder.Nearest(lab, 5), NearestPaints(deck, lab, 5)) << i;
    }
}

TEST(PaintDeck, AMalformedFileSaysWhereAndLoadsNothing)
{
    const std::string entry = Block(0x0001, AseName({'A'}) + "RGB " + BeFloat(0.1f) + BeFloat(0.2f) + BeFloat(0.3f) + Be(2, 2));
    const struct {
        std::string bytes, file, message;
    } cases[] = {
        {"ASEF" + Be(2, 2) + Be(0, 2) + Be(1, 4) + entry, "v.ase", "v.ase: byte 4: version 2.0"},
        {Ase(2, entry), "short.ase", "short.ase: byte 42: the file ends after 1 of 2 blocks"},
        {Ase(1, entry + "x"), "tail.ase", "tail.ase: byte 42: 1 bytes after the 1 blocks"},
        {Ase(1, entry.substr(0, 2) + "\x7f" + entry.substr(3)), "len.ase", "len.ase: byte 12: block length"},
        {Ase(1, Block(0x0001, AseName({'A'}) + "CMYK" + std::string(18, '\0'))), "c.ase", "c.ase: byte 12: CMYK"},
        {Ase(1, Block(0x0001, AseName({'A'}) + "RGB " + BeFloat(2.0f) + BeFloat(0) + BeFloat(0) + Be(2, 2))), "r.ase",
         "outside 0-1"},
        {Ase(1, Block(0x0001, Be(3, 2) + Be(0xDC00, 2) + Be('a', 2) + Be(0, 2) + "Gray" + BeFloat(0) + Be(2, 2))),
         "s.ase", "surrogate"},
        {Ase(2, Block(0xC001, AseName({'G'})) + entry), "open.ase", "open.ase: byte 54: the last group is not closed"},
        {Ase(1, Block(0xC002, "")), "end.ase", "a group ends that was not started"},
        {"GIMP Palette\n1 2 3 ok\n1 2 300 bad\n", "p.gpl", "p.gpl: line 3: expected red, green and blue 0-255"},
        {"Palette\n", "p.gpl", "p.gpl: line 1: not a GIMP palette"},
        {"a,b,#000000\nc,d,#12345X\n", "t.csv", "t.csv: line 2: \"#12345X\" is not a colour"},
        {"a,b,#000000,101\n", "t.csv", "t.csv: line 1: LRV \"101\" is not a number 0-100"},
        {"a,b,#000000\n\"c,d,#000000\n", "t.csv", "t.csv: line 2: a quoted field is not closed"},
        {"a,\xFF,#000000\n", "t.csv", "t.csv: line 1: not UTF-8"},
        {"name,code,hex\n", "t.csv", "t.csv: no colours"},
        {"x", "t.doc", "t.doc: not a fan deck"},
    };
    for (const auto& c : cases) {
        PaintDeck deck;
        deck.name = "kept";
        deck.paints.resize(1);
        std::string error;
        EXPECT_FALSE(ReadPaintDeck(c.bytes, c.file, deck, error)) << c.file;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(deck.name, "kept");
        EXPECT_EQ(deck.paints.size(), 1u);
    }
}

TEST(PaintDeck, WrittenPalettesReadBackWithTheirStructure)
{
    const std::vector<SwatchGroup> groups = {
        {u8"暖白橡木", {{u8"暖白橡木 顶棚", {1, 1, 1}}, {u8"暖白橡木 墙面", {0.8, 0.6, 0.4}}, {u8"暖白橡木 地面", {0.2, 0.1, 0}}}},
        {"B", {{"B 1", {0, 0.5, 1}}}},
    };
    const std::string ase = WriteAsePalette(groups);
    // Signature, version 1.0, and as many blocks as the header counts, each
    // group's start closed by an end before the next starts.
    ASSERT_EQ(ase.substr(0, 8), std::string("ASEF\0\1\0\0", 8));
    const auto be = [&](std::size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | static_cast<unsigned char>(ase[at + i]);
        return v;
    };
    std::size_t pos = 12, blocks = 0;
    std::string types;
    while (pos < ase.size()) {
        const std::uint32_t type = be(pos, 2), length = be(pos + 2, 4);
        types += type == 0xC001 ? 'S' : type == 0xC002 ? 'E' : type == 0x0001 ? 'c' : '?';
        if (type != 0xC002) {  // a name's length in units, the terminating zero included
            EXPECT_EQ(be(pos + 6 + 2 * be(pos + 6, 2), 2), 0u);
        }
        pos += 6 + length;
        ++blocks;
    }
    EXPECT_EQ(pos, ase.size());
    EXPECT_EQ(blocks, be(8, 4));
    EXPECT_EQ(types, "ScccEScE");

    PaintDeck deck;
    std::string error;
    ASSERT_TRUE(ReadAseDeck(ase, "out.ase", deck, error)) << error;
    ASSERT_EQ(deck.paints.size(), 4u);
    EXPECT_EQ(deck.paints[1].name, u8"暖白橡木 墙面");
    EXPECT_EQ(deck.paints[1].group, u8"暖白橡木");
    EXPECT_EQ(HexColour(deck.paints[1].rgb), "#CC9966");
    EXPECT_EQ(deck.paints[3].group, "B");

    ASSERT_TRUE(ReadGplDeck(WriteGplPalette("p", groups), "out.gpl", deck, error)) << error;
    ASSERT_EQ(deck.paints.size(), 4u);
    EXPECT_EQ(deck.paints[2].name, u8"暖白橡木 地面");
    EXPECT_EQ(HexColour(deck.paints[3].rgb), "#0080FF");
}

TEST(ClientPage, HoldsEveryCardWithItsViewAndVerdictPagedByGroup)
{
    std::vector<ClientCard> cards(6);
    for (std::size_t i = 0; i < cards.size(); ++i) {
        ClientCard& c = cards[i];
        c.group = i < 5 ? u8"客厅" : u8"卧室";
        c.name = u8"方案 <" + std::to_string(i) + ">";
        c.surfaces = {ClientSurface{{1, 1, 1}, 100.0, u8"雪白", "TG-001", 0.4}, ClientSurface{{0.5, 0.5, 0.5}, 60.0, {}, {}, {}},
                      ClientSurface{{0.1, 0.1, 0.1}, 5.0, {}, {}, {}}};
        c.roomViewPng = RoomSketchPng({1, 1, 1}, {0.5, 0.5, 0.5}, {0.1, 0.1, 0.1}, 40, 30);
    }
    cards[1].surfaces[1].lrv = 80.0;  // 20 from the ceiling
    const std::string page = WriteClientPage(u8"配色建议", cards);
    EXPECT_NE(page.find("<html lang=\"zh-CN\">"), std::string::npos);
    EXPECT_NE(page.find("@page { size: A4"), std::string::npos);
    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = page.find(what); at != std::string::npos; at = page.find(what, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count("<article class=\"card\">"), 6u);
    EXPECT_EQ(count("&lt;3&gt;"), 2u);  // heading and image text, escaped
    EXPECT_EQ(count("src=\"data:image/png;base64,iVBORw0KGgo"), 6u);  // PNG's signature
    EXPECT_EQ(count("<section class=\"page\">"), 3u);  // 4 + 1 living room cards, 1 bedroom
    EXPECT_EQ(count(u8"<h2>客厅（续）</h2>"), 1u);
    EXPECT_EQ(count(u8"对比充足"), 5u);
    EXPECT_NE(page.find(u8"墙面与顶棚仅相差 20 点"), std::string::npos);
    EXPECT_NE(page.find(u8"TG-001 雪白（ΔE 0.4）"), std::string::npos);
}
