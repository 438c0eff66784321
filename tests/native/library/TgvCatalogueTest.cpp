// tgv diff, contrast and report, and the light reflectance of a texture,
// against values worked out by hand.
#include "TextureLuminance.h"
#include "TgvTestSupport.h"

#include <cmath>

namespace {

struct TgvCatalogueTest : TgvTest {
    // A 2 x 1 binary PPM: one white and one black pixel (mean Y 0.5).
    void WriteHalfWhite(const std::string& name)
    {
        WriteText(name, std::string("P6 2 1 255\n") + "\xFF\xFF\xFF" + std::string(3, '\0'));
    }
    int Count(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
};

// sRGB 0.5 decodes to ((0.5 + 0.055) / 1.055)^2.4 = 0.214041, LRV 21.404.
const char* const kContrastLibrary = R"({"records": [
  {"name": "one", "roomCategory": "b/", "ceiling": {"color": [1, 1, 1]}, "wall": {"color": [0.5, 0.5, 0.5]},
   "floor": {"color": [0, 0, 0], "mapFile": ["maps\\half.ppm"]}},
  {"name": "two", "roomCategory": "b/", "ceiling": {"color": [1, 1, 1]}, "wall": {"color": [1, 1, 1]}}
]})";

}  // namespace

TEST_F(TgvCatalogueTest, TextureReflectanceIsTheMeanOverItsPixels)
{
    WriteHalfWhite("half.ppm");
    const auto lrv = TextureLightReflectance((dir / "half.ppm").string());
    ASSERT_TRUE(lrv.has_value());
    EXPECT_NEAR(*lrv, 50.0, 1e-9);
    EXPECT_FALSE(TextureLightReflectance((dir / "missing.ppm").string()).has_value());
    WriteText("junk.ppm", "not an image");
    EXPECT_FALSE(TextureLightReflectance((dir / "junk.ppm").string()).has_value());
    // A header that announces more pixels than allowed is refused before decoding.
    WriteText("huge.ppm", "P6 30000 30000 255\n" + std::string(64, '\x80'));
    EXPECT_FALSE(TextureLightReflectance((dir / "huge.ppm").string()).has_value());
}

TEST_F(TgvCatalogueTest, ContrastAgainstHandComputedValues)
{
    BuildFrom(kContrastLibrary, "c.tgv");
    EXPECT_EQ(Run({"contrast", P("c.tgv")}), 1);
    EXPECT_EQ(out, "    #  ceiling     wall    floor  wall-floor  wall-ceiling  combination\n"
                   "    1    100.0     21.4      0.0        21.4*         78.6  b/one\n"
                   "    2    100.0    100.0      0.0       100.0           0.0* b/two\n"
                   "\n"
                   "2 of 2 combinations below the minimum difference of 30.0 LRV points (marked *)\n");
    EXPECT_EQ(Run({"contrast", P("c.tgv"), "--min", "20"}), 1);
    EXPECT_NE(out.find("1 of 2 combinations below the minimum difference of 20.0"), std::string::npos) << out;

    // With the texture folder the floor's LRV is its texture's: 50.
    fs::create_directories(dir / "tex");
    WriteHalfWhite("tex/half.ppm");
    ASSERT_EQ(Run({"contrast", "--json", P("c.tgv"), "--textures", P("tex")}), 1) << err;
    EXPECT_NE(out.find(R"("floor": {
        "lrv": 50.0,
        "source": "texture"
      },
      "wallFloor": 28.6,
      "wallCeiling": 78.6,
      "below": [
        "wall-floor"
      ])"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(R"("wall": {
        "lrv": 21.4,
        "source": "colour"
      },)"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\"belowCount\": 2"), std::string::npos) << out;

    BuildFrom(R"({"records": [{"name": "fine", "roomCategory": "b/", "wall": {"color": [1, 1, 1]}}]})",
              "ok.tgv");
    EXPECT_EQ(Run({"contrast", P("ok.tgv")}), 0);
    EXPECT_EQ(Run({"contrast", P("ok.tgv"), "--textures", P("nowhere")}), 2);
}

TEST_F(TgvCatalogueTest, DiffMatchesByCategoryAndName)
{
    BuildFrom(R"({"records": [
      {"name": "one", "roomCategory": "b/", "shortDescription": "x", "wall": {"color": [0.5, 0.5, 0.5]}},
      {"name": "two", "roomCategory": "b/"}, {"name": "same", "roomCategory": "c/"}]})",
              "a.tgv");
    BuildFrom(R"({"records": [
      {"name": "same", "roomCategory": "c/"}, {"name": "three", "roomCategory": "b/"},
      {"name": "ONE", "roomCategory": "B/", "shortDescription": "y", "wall": {"color": [1, 0, 0]}}]})",
              "b.tgv");
    EXPECT_EQ(Run({"diff", P("a.tgv"), P("b.tgv")}), 1);
    EXPECT_EQ(out, "- removed  b/two (record 2 of A)\n"
                   "+ added    b/three (record 2 of B)\n"
                   "~ changed  B/ONE (record 1 of A, 3 of B)\n"
                   "    name: \"one\" -> \"ONE\"\n"
                   "    roomCategory: \"b/\" -> \"B/\"\n"
                   "    shortDescription: \"x\" -> \"y\"\n"
                   "    wall.color: #808080 [0.5,0.5,0.5] -> #FF0000 [1.0,0.0,0.0]\n"
                   "1 removed, 1 added, 1 changed\n");
    EXPECT_EQ(Run({"diff", P("a.tgv"), P("a.tgv")}), 0);
    EXPECT_EQ(out, "same records\n");

    ASSERT_EQ(Run({"diff", "--json", P("a.tgv"), P("b.tgv")}), 1);
    EXPECT_NE(out.find(R"("same": false,)"), std::string::npos) << out;
    EXPECT_NE(out.find(R"("field": "wall.color",
          "a": [
            0.5,
            0.5,
            0.5
          ],)"),
              std::string::npos)
        << out;

    // As git's diff driver: seven arguments, a missing side as /dev/null, exit 0.
    EXPECT_EQ(Run({"diff", "lib.tgv", "/dev/null", ".", ".", P("b.tgv"), "0123", "100644"}), 0) << err;
    EXPECT_EQ(out, "diff --tgv a/lib.tgv b/lib.tgv\n"
                   "new file lib.tgv\n"
                   "+ added    c/same (record 1 of B)\n"
                   "+ added    b/three (record 2 of B)\n"
                   "+ added    B/ONE (record 3 of B)\n");
    EXPECT_EQ(Run({"diff", P("a.tgv"), P("b.tgv"), P("a.tgv")}), 2);
}

// Records that moved (one inserted before them) are still paired and
// compared; bytes after a text's end are no field's difference.
TEST_F(TgvCatalogueTest, DiffPairsMovedRecordsAndComparesFields)
{
    Bytes x = RecordBytes("x", "b/"), y = RecordBytes("y", "b/"), z = RecordBytes("z", "b/");
    WriteBytes("a.tgv", FileBytes({x, y, z}));
    Bytes changedY = y, paddedZ = z;
    PutF32(changedY, kSlots + 2 * kSlot + kColor, 1.0f);
    Put(paddedZ, kName + 10, "left over");
    WriteBytes("b.tgv", FileBytes({RecordBytes("new", "b/"), x, changedY, paddedZ}));
    EXPECT_EQ(Run({"diff", P("a.tgv"), P("b.tgv")}), 1);
    EXPECT_EQ(out, "+ added    b/new (record 1 of B)\n"
                   "~ changed  b/y (record 2 of A, 3 of B)\n"
                   "    wall.color: #000000 [0.0,0.0,0.0] -> #FF0000 [1.0,0.0,0.0]\n"
                   "0 removed, 1 added, 1 changed\n");
    // The same records in place: compared where they stand.
    WriteBytes("c.tgv", FileBytes({x, changedY, paddedZ}));
    EXPECT_EQ(Run({"diff", P("a.tgv"), P("c.tgv")}), 1);
    EXPECT_EQ(out, "~ changed  b/y (record 2 of A, 2 of B)\n"
                   "    wall.color: #000000 [0.0,0.0,0.0] -> #FF0000 [1.0,0.0,0.0]\n"
                   "0 removed, 0 added, 1 changed\n");
    EXPECT_EQ(Run({"diff", P("c.tgv"), "-"}, std::string(ReadText("b.tgv"))), 1);
    EXPECT_EQ(out, "+ added    b/new (record 1 of B)\n0 removed, 1 added, 0 changed\n");

    // Names met twice pair in turn (the k-th with the k-th), also once a
    // name's earlier records all paired and it comes again.
    Bytes d1 = RecordBytes("d", "b/"), d2 = RecordBytes("d", "b/"), d2c;
    Put(d2, kName + 10, "second");
    d2c = d2;
    PutF32(d2c, kSlots + 2 * kSlot + kColor, 1.0f);
    WriteBytes("twice-a.tgv", FileBytes({d1, d2, x, d1}));
    WriteBytes("twice-b.tgv", FileBytes({x, d1, d2c, d1}));
    EXPECT_EQ(Run({"diff", P("twice-a.tgv"), P("twice-b.tgv")}), 1);
    EXPECT_EQ(out, "~ changed  b/d (record 2 of A, 3 of B)\n"
                   "    wall.color: #000000 [0.0,0.0,0.0] -> #FF0000 [1.0,0.0,0.0]\n"
                   "0 removed, 0 added, 1 changed\n");

    // Many records inserted in front: A's records wait longer than the
    // reads hold them, so they are kept before being read over.
    std::vector<Bytes> older, newer;
    for (int i = 0; i < 40; ++i)
        older.push_back(RecordBytes("o" + std::to_string(i), "b/"));
    for (int i = 0; i < 20; ++i)
        newer.push_back(RecordBytes("n" + std::to_string(i), "b/"));
    newer.insert(newer.end(), older.begin(), older.end());
    PutF32(newer[20 + 30], kSlots + 2 * kSlot + kColor, 1.0f);
    WriteBytes("older.tgv", FileBytes(older));
    WriteBytes("newer.tgv", FileBytes(newer));
    EXPECT_EQ(Run({"diff", P("older.tgv"), P("newer.tgv")}), 1);
    EXPECT_NE(out.find("~ changed  b/o30 (record 31 of A, 51 of B)\n"), std::string::npos) << out;
    EXPECT_NE(out.find("0 removed, 20 added, 1 changed\n"), std::string::npos) << out;

    // Far apart (B is A backwards): more records wait than are kept as
    // copies; the rest are compared by fingerprint, a change still found.
    std::vector<Bytes> forwards, backwards;
    for (int i = 0; i < 3000; ++i)
        forwards.push_back(RecordBytes("r" + std::to_string(i), "b/"));
    backwards.assign(forwards.rbegin(), forwards.rend());
    PutF32(backwards[3000 - 1 - 1600], kSlots + 2 * kSlot + kColor, 1.0f);
    WriteBytes("forwards.tgv", FileBytes(forwards));
    WriteBytes("backwards.tgv", FileBytes(backwards));
    EXPECT_EQ(Run({"diff", P("forwards.tgv"), P("backwards.tgv")}), 1);
    EXPECT_EQ(out, "~ changed  b/r1600 (record 1601 of A, 1400 of B)\n"
                   "    wall.color: #000000 [0.0,0.0,0.0] -> #FF0000 [1.0,0.0,0.0]\n"
                   "0 removed, 0 added, 1 changed\n");
}

TEST_F(TgvCatalogueTest, ReportIsOneSelfContainedPage)
{
    ASSERT_EQ(Run({"build", StarterSource(), "-o", P("s.tgv")}), 0) << err;
    ASSERT_EQ(Run({"report", P("s.tgv"), "-o", P("s.html")}), 0) << err;
    EXPECT_EQ(out, "wrote 35 combinations to " + P("s.html") + "\n");
    const std::string page = ReadText("s.html");
    EXPECT_EQ(Count(page, "<article class=\"card\">"), 35);
    EXPECT_EQ(Count(page, "<div class=\"swatch\""), 105);
    EXPECT_NE(page.find(u8"<h3>暖白橡木 <span class=\"number\">#1</span></h3>"), std::string::npos);
    EXPECT_NE(page.find("#FAF7F0<br>RGB 250, 247, 240<br>HSV"), std::string::npos);
    EXPECT_NE(page.find("@page { size: A4"), std::string::npos);
    // In Chinese unless asked otherwise: title, headings, labels, verdicts.
    for (const char* chinese : {u8"<h1>色彩目录：s.tgv</h1>", u8"<h2>目录</h2>", u8"共 35 个组合", u8"<b>墙面</b> #",
                                u8"对比度：<span", u8"墙面&ndash;地面 "})
        EXPECT_NE(page.find(chinese), std::string::npos) << chinese;
    EXPECT_EQ(page.find("Contents"), std::string::npos);
    for (const char* outside : {"http:", "https:", "<script", "<link", "src=", "@import"})
        EXPECT_EQ(page.find(outside), std::string::npos) << outside;

    // One category, with a texture embedded as a thumbnail.
    fs::create_directories(dir / "tex");
    WriteHalfWhite("tex/oak_floor.jpg");  // decoded by its contents, not its name
    ASSERT_EQ(Run({"report", P("s.tgv"), "-o", "-", "--category", u8"住宅/卧室", "--textures", P("tex"), "--lang", "en"}),
              0) << err;
    EXPECT_EQ(Count(out, "<article class=\"card\">"), 4);
    EXPECT_EQ(Count(out, "<li><a href="), 1);
    EXPECT_NE(out.find("background-image: url(data:image/png;base64,iVBORw0KGgo"), std::string::npos);
    EXPECT_NE(out.find("LRV 50.0 (texture)"), std::string::npos);
    for (const char* english : {"<h1>Colour catalogue: s.tgv</h1>", "<h2>Contents</h2>", "4 combinations in 1 categories",
                                "<b>Wall</b> #", "Contrast: <span", "wall&ndash;floor "})
        EXPECT_NE(out.find(english), std::string::npos) << english;
    EXPECT_EQ(Run({"report", P("s.tgv"), "-o", "-", "--category", "nothing/"}), 1);
    EXPECT_EQ(Run({"report", P("s.tgv"), "-o", "-", "--lang", "fr"}), 2);
}

// A texture is decoded for the catalogue only when that takes at most about
// 64 MiB, whatever its file size: a header announcing a huge image, beyond
// the library's limit or within it, is named in its card, and the page still
// comes out with the other textures' thumbnails.
TEST_F(TgvCatalogueTest, AHugeTextureIsNamedInItsCardNotDecoded)
{
    BuildFrom(R"({"records": [
      {"name": "huge", "roomCategory": "b/", "wall": {"mapFile": ["huge.ppm"]}, "floor": {"mapFile": ["big.ppm"]},
       "ceiling": {"mapFile": ["half.ppm"]}}
    ]})", "t.tgv");
    fs::create_directories(dir / "tex");
    WriteText("tex/huge.ppm", "P6 30000 30000 255\n" + std::string(64, '\x80'));
    WriteText("tex/big.ppm", "P6 5000 4000 255\n" + std::string(64, '\x80'));
    WriteHalfWhite("tex/half.ppm");
    ASSERT_EQ(Run({"report", P("t.tgv"), "-o", "-", "--textures", P("tex")}), 0) << err;
    EXPECT_NE(out.find(u8"贴图 30000 &times; 30000 像素：太大，不解码为缩略图"), std::string::npos);
    EXPECT_NE(out.find(u8"LRV 50.0（贴图）"), std::string::npos);
    EXPECT_NE(out.find(u8"&#10007; 低于 30</span>"), std::string::npos);
    ASSERT_EQ(Run({"report", P("t.tgv"), "-o", "-", "--textures", P("tex"), "--lang", "en"}), 0) << err;
    EXPECT_NE(out.find("texture 30000 &times; 30000 pixels: too large to decode for a thumbnail"), std::string::npos);
    EXPECT_NE(out.find("texture 5000 &times; 4000 pixels: too large to decode for a thumbnail"), std::string::npos);
    EXPECT_EQ(Count(out, "url(data:image/png;base64,"), 1);
    EXPECT_NE(out.find("LRV 50.0 (texture)"), std::string::npos);
}
