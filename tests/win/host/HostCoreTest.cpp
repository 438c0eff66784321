// The portable parts of walkhost: colour conversions, OBJ/MTL reading,
// picking, the renderer, the demo scene, the host string, scripts and the
// script runner's command table.
#include "Camera.h"
#include "CommandTable.h"
#include "DemoScene.h"
#include "Hsv.h"
#include "Image.h"
#include "ObjModel.h"
#include "Picking.h"
#include "Renderer.h"
#include "Scene.h"
#include "Script.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

using namespace walkhost;

namespace {

void ExpectHsv(double r, double g, double b, double h, double s, double v)
{
    double hh = -1, ss = -1, vv = -1;
    RgbToHsv(r, g, b, hh, ss, vv);
    EXPECT_NEAR(hh, h, 1e-9) << r << " " << g << " " << b;
    EXPECT_NEAR(ss, s, 1e-9);
    EXPECT_NEAR(vv, v, 1e-9);
}

void ExpectRgb(double h, double s, double v, double r, double g, double b)
{
    double rr = -1, gg = -1, bb = -1;
    HsvToRgb(h, s, v, rr, gg, bb);
    EXPECT_NEAR(rr, r, 1e-9) << h << " " << s << " " << v;
    EXPECT_NEAR(gg, g, 1e-9);
    EXPECT_NEAR(bb, b, 1e-9);
}

}  // namespace

TEST(Hsv, KnownColours)
{
    ExpectHsv(1, 0, 0, 0, 1, 1);
    ExpectHsv(0, 1, 0, 120, 1, 1);
    ExpectHsv(0, 0, 1, 240, 1, 1);
    ExpectHsv(1, 1, 0, 60, 1, 1);
    ExpectHsv(1, 0, 1, 300, 1, 1);
    ExpectHsv(0.5, 0.25, 0.25, 0, 0.5, 0.5);
    ExpectHsv(1, 0, 0.5, 330, 1, 1);  // red is the largest but blue above green: just below 360
    ExpectRgb(0, 1, 1, 1, 0, 0);
    ExpectRgb(120, 1, 1, 0, 1, 0);
    ExpectRgb(210, 0.5, 0.8, 0.4, 0.6, 0.8);
}

TEST(Hsv, BlackAndGrey)
{
    ExpectHsv(0, 0, 0, 0, 0, 0);
    ExpectHsv(0.5, 0.5, 0.5, 0, 0, 0.5);
    ExpectHsv(1, 1, 1, 0, 0, 1);
    ExpectRgb(200, 0, 0.3, 0.3, 0.3, 0.3);  // no saturation: grey whatever the hue
    ExpectRgb(77, 0.9, 0, 0, 0, 0);
}

TEST(Hsv, HueWrapsAndValuesClamp)
{
    ExpectRgb(360, 1, 1, 1, 0, 0);
    ExpectRgb(480, 1, 1, 0, 1, 0);
    ExpectRgb(-120, 1, 1, 0, 0, 1);
    ExpectRgb(0, 2, 1.5, 1, 0, 0);
    // Round trips over the whole circle.
    for (double h = 0; h < 360; h += 7.5) {
        double r, g, b, h2, s2, v2;
        HsvToRgb(h, 0.6, 0.7, r, g, b);
        RgbToHsv(r, g, b, h2, s2, v2);
        EXPECT_NEAR(h2, h, 1e-9);
        EXPECT_NEAR(s2, 0.6, 1e-9);
        EXPECT_NEAR(v2, 0.7, 1e-9);
    }
}

namespace {

const char* kGoodMtl =
    "# two materials\n"
    "newmtl white\n"
    "Kd 1 1 1\n"
    "newmtl wood floor\n"
    "Ka 0 0 0\n"
    "Kd 0.5 0.25 0.125\n"
    "map_Kd -s 2 2 1 oak.jpg\n";

const char* kGoodObj =
    "mtllib room.mtl\n"
    "v 0 0 0\nv 4 0 0\nv 4 0 -3\nv 0 0 -3\n"
    "v 0 2.5 0\nv 4 2.5 0\nv 4 2.5 -3\nv 0 2.5 -3\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "g floor\nusemtl wood floor\nf 1/1 2/2 3/3 4/4\n"
    "g ceiling\nusemtl white\nf -1 -2 -3 -4\n"
    "g north wall\nf 4//1 3//1 7//1 8//1\n"
    "usemtl wood floor\nf 1 2 6\n";

bool ReadRoomMtl(const std::string& name, std::string& text)
{
    if (name != "room.mtl")
        return false;
    text = kGoodMtl;
    return true;
}

}  // namespace

TEST(ObjLoader, ReadsGroupsMaterialsColoursAndMaps)
{
    ObjModel model;
    std::string error;
    ASSERT_TRUE(ParseObj(kGoodObj, ReadRoomMtl, model, error)) << error;
    ASSERT_EQ(model.materials.size(), 2u);
    EXPECT_EQ(model.materials[1].name, "wood floor");
    EXPECT_FLOAT_EQ(model.materials[1].kd[1], 0.25f);
    EXPECT_EQ(model.materials[1].mapKd, "oak.jpg");
    EXPECT_EQ(model.materials[0].mapKd, "");
    ASSERT_EQ(model.surfaces.size(), 4u);
    EXPECT_EQ(model.surfaces[0].name, "floor");
    EXPECT_EQ(model.surfaces[0].material, 1);
    ASSERT_EQ(model.surfaces[0].faces[0].uvs.size(), 4u);
    EXPECT_DOUBLE_EQ(model.surfaces[0].faces[0].uvs[2].v, 1);
    // Negative indices count back from the last vertex.
    EXPECT_DOUBLE_EQ(model.surfaces[1].faces[0].positions[0].x, 0);
    EXPECT_DOUBLE_EQ(model.surfaces[1].faces[0].positions[0].z, -3);
    EXPECT_DOUBLE_EQ(model.surfaces[1].faces[0].positions[0].y, 2.5);
    // A group with two materials becomes two surfaces.
    EXPECT_EQ(model.surfaces[2].name, "north wall");
    EXPECT_EQ(model.surfaces[3].name, "north wall:wood floor");
    EXPECT_TRUE(model.surfaces[2].faces[0].uvs.empty());  // v//vn: no texture vertex
    EXPECT_TRUE(model.warnings.empty());

    Scene scene;
    scene.Assign(model);
    EXPECT_EQ(scene.FindSurface("ceiling"), 2u);
    const Material* wood = scene.GetMaterial(scene.GetSurface(1)->material);
    ASSERT_NE(wood, nullptr);
    EXPECT_STREQ(HvString_Text(&wood->record.mapFile[0]), "oak.jpg");
    EXPECT_FLOAT_EQ(wood->record.color[2], 0.125f);
    EXPECT_EQ(scene.GetSurface(3)->material, scene.GetSurface(2)->material);
}

// What the renderers read besides the points: corner normals (the file's,
// else smoothed across shallow edges only), the opacity, and whether a
// texture is laid by world position; and materials split per object.
TEST(Scene, CornerNormalsOpacityWorldLaidTexturesAndSplitMaterials)
{
    ObjModel model;
    std::string error;
    const MtlReader mtl = [](const std::string&, std::string& text) {
        text = "newmtl paint\nKd 0.8 0.8 0.8\nd 0.4\nmap_Kd oak.jpg\n";
        return true;
    };
    // A floor folded up by 20 degrees along x = 1 (smooth there), a wall
    // standing on its far edge (a 90 degree crease) and a sloped face with
    // the file's own normal; "wall" and "slope" share the floor's material.
    ASSERT_TRUE(ParseObj("mtllib m.mtl\n"
                         "v 0 0 0\nv 1 0 0\nv 1 0 -1\nv 0 0 -1\nv 2 0.364 0\nv 2 0.364 -1\nv 2 1.364 0\nv 2 1.364 -1\n"
                         "vn 0 0 2\n"
                         "usemtl paint\ng floor\nf 1 2 3 4\nf 2 5 6 3\n"
                         "g wall\nf 5 7 8 6\n"
                         "g slope\nf 1//1 2//1 4//1\n",
                         mtl, model, error))
        << error;
    Scene scene;
    scene.Assign(model);
    const Surface& floor = *scene.GetSurface(scene.FindSurface("floor"));
    const Triangle& flat = floor.triangles[0];  // corners (0,0,0) (1,0,0) (1,0,-1)
    EXPECT_NEAR(flat.normals[0].y, 1, 1e-9);                 // alone at the outer edge
    EXPECT_TRUE(flat.normals[1].x < -0.1 && flat.normals[1].x > -0.2);  // shared with the fold: between
    const Triangle& wall = scene.GetSurface(scene.FindSurface("wall"))->triangles[0];
    EXPECT_NEAR(wall.normals[0].x, wall.normal.x, 1e-9);     // the crease stays sharp
    const Triangle& slope = scene.GetSurface(scene.FindSurface("slope"))->triangles[0];
    EXPECT_NEAR(slope.normals[2].z, 1, 1e-9);                // the file's, made unit
    EXPECT_DOUBLE_EQ(flat.planarUv[2].u, 1);                 // world x and z on a floor
    EXPECT_DOUBLE_EQ(flat.planarUv[2].v, -1);

    Material& paint = *scene.GetMaterial(floor.material);
    EXPECT_FLOAT_EQ(paint.opacity, 0.4f);
    EXPECT_FALSE(paint.LaidByWorld());  // the model's own texture keeps the model's coordinates
    paint.record.color[0] = 0.1f;       // changed by a plug-in before the split
    EXPECT_EQ(scene.SplitSharedMaterials(), 2u);
    const unsigned wallMaterial = scene.GetSurface(scene.FindSurface("wall"))->material;
    ASSERT_NE(wallMaterial, floor.material);
    Material& copy = *scene.GetMaterial(wallMaterial);
    EXPECT_EQ(copy.name, "paint.wall");
    EXPECT_FLOAT_EQ(copy.record.color[0], 0.1f);
    copy.record.mapFile[0] = "tiles.bmp";
    EXPECT_TRUE(copy.LaidByWorld());
    EXPECT_FALSE(scene.GetMaterial(floor.material)->LaidByWorld());
}

TEST(ObjLoader, MissingLibraryAndUndefinedMaterialAreWarnings)
{
    ObjModel model;
    std::string error;
    ASSERT_TRUE(ParseObj("mtllib gone.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl nowhere\nf 1 2 3\n", ReadRoomMtl, model, error));
    EXPECT_EQ(model.warnings.size(), 2u);
    ASSERT_EQ(model.materials.size(), 1u);
    EXPECT_FLOAT_EQ(model.materials[0].kd[0], 0.8f);
    EXPECT_EQ(model.surfaces[0].name, "default");
}

TEST(ObjLoader, MalformedFilesAreRefusedWithTheLine)
{
    const std::map<std::string, std::string> bad = {
        {"v 0 0 0\nv 1 0 0\nf 1 2 3\n", "line 3"},              // vertex 3 not defined
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2\n", "line 4"},       // two vertices
        {"v 0 zero 0\n", "line 1"},                             // not a number
        {"v 1e999 0 0\n", "line 1"},                            // out of range
        {"v 0 0\n", "line 1"},                                  // too few numbers
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 0\n", "line 4"},     // index 0
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -4\n", "line 4"},    // before the first vertex
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1/5 2 3\n", "line 4"},   // texture vertex not defined
        {"v 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl\n", "line 4"},     // usemtl without a name
        {"v 0 0 0\n", "no face"},
        {"", "no face"},
        {"\x89PNG\r\n\x1a\n\0\0\0", "no face"},
    };
    for (const auto& [text, where] : bad) {
        ObjModel model;
        std::string error;
        EXPECT_FALSE(ParseObj(text, ReadRoomMtl, model, error)) << text;
        EXPECT_NE(error.find(where), std::string::npos) << text << " -> " << error;
    }
}

TEST(ObjLoader, MalformedMaterialLibraryIsRefused)
{
    std::vector<ObjMaterial> materials;
    std::string error;
    EXPECT_FALSE(ParseMtl("Kd 1 1 1\n", materials, error));
    EXPECT_NE(error.find("line 1"), std::string::npos);
    EXPECT_FALSE(ParseMtl("newmtl a\nKd 1 x 1\n", materials, error));
    EXPECT_NE(error.find("line 2"), std::string::npos);
    EXPECT_FALSE(ParseMtl("newmtl\n", materials, error));
    auto readBad = [](const std::string&, std::string& text) {
        text = "newmtl a\nmap_Kd\n";
        return true;
    };
    ObjModel model;
    EXPECT_FALSE(ParseObj("mtllib a.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", readBad, model, error));
    EXPECT_NE(error.find("a.mtl"), std::string::npos) << error;
}

namespace {

walkhost::Polygon Square(double z, double size = 1)
{
    walkhost::Polygon p;
    p.points = {{-size, -size, z}, {size, -size, z}, {size, size, z}, {-size, size, z}};
    p.uvs.resize(4);
    p.normal = {0, 0, 1};
    return p;
}

ObjModel TwoSquares()
{
    // A small square at z = -2 in front of a large one at z = -5.
    ObjModel model;
    model.materials.resize(2);
    for (int i = 0; i < 2; ++i) {
        ObjSurface s;
        s.name = i == 0 ? "near" : "far";
        s.material = i;
        ObjFace f;
        f.positions = Square(i == 0 ? -2 : -5, i == 0 ? 0.5 : 3).points;
        s.faces.push_back(f);
        model.surfaces.push_back(s);
    }
    return model;
}

}  // namespace

TEST(Picking, RayHitsAndMisses)
{
    double t = 0;
    EXPECT_TRUE(IntersectPolygon({0, 0, 0}, {0, 0, -1}, Square(-3), t));
    EXPECT_DOUBLE_EQ(t, 3);
    EXPECT_TRUE(IntersectPolygon({0.9, -0.9, 0}, {0, 0, -1}, Square(-3), t));  // near a corner
    EXPECT_FALSE(IntersectPolygon({1.1, 0, 0}, {0, 0, -1}, Square(-3), t));    // beside it
    EXPECT_FALSE(IntersectPolygon({0, 0, 0}, {1, 0, 0}, Square(-3), t));       // parallel
    EXPECT_TRUE(IntersectPolygon({0, 0, -6}, {0, 0, 1}, Square(-3), t));       // from behind
    EXPECT_DOUBLE_EQ(t, 3);

    Scene scene;
    scene.Assign(TwoSquares());
    EXPECT_EQ(PickSurface(scene, {0, 0, 0}, {0, 0, 1}), 0u);  // everything is behind the ray
    EXPECT_EQ(PickSurface(scene, {0, 10, 0}, {0, 0, -1}), 0u);
}

TEST(Picking, NearestOfTwo)
{
    Scene scene;
    scene.Assign(TwoSquares());
    double distance = 0;
    EXPECT_EQ(PickSurface(scene, {0, 0, 0}, {0, 0, -1}, &distance), scene.FindSurface("near"));
    EXPECT_DOUBLE_EQ(distance, 2);
    EXPECT_EQ(PickSurface(scene, {2, 0, 0}, {0, 0, -1}, &distance), scene.FindSurface("far"));
    // Between the two squares, looking back: the near one; looking on: the far one.
    EXPECT_EQ(PickSurface(scene, {0, 0, -3}, {0, 0, 1}), scene.FindSurface("near"));
    EXPECT_EQ(PickSurface(scene, {0, 0, -3}, {0, 0, -1}), scene.FindSurface("far"));

    // Through the camera: the centre pixel sees the near square, a pixel near
    // the edge of the view the far one, and a point outside the view nothing.
    Camera camera;
    camera.position = {0, 0, 0};
    camera.width = 200;
    camera.height = 100;
    EXPECT_EQ(PickAtPixel(scene, camera, 100, 50), scene.FindSurface("near"));
    EXPECT_EQ(PickAtPixel(scene, camera, 60, 50), scene.FindSurface("far"));
    EXPECT_EQ(PickAtPixel(scene, camera, 200, 50), 0u);
    EXPECT_EQ(PickAtPixel(scene, camera, -1, 50), 0u);
}

TEST(Picking, VisiblePointLiesInsideTheSurface)
{
    const int w = 40, h = 30;
    std::vector<uint32_t> ids(w * h, 0);
    for (int y = 5; y < 25; ++y)
        for (int x = 0; x < 30; ++x)
            ids[y * w + x] = x < 10 ? 1 : 2;  // an L would do; two columns suffice
    int x = -1, y = -1;
    ASSERT_TRUE(FindVisiblePoint(ids, w, h, 2, x, y));
    EXPECT_EQ(ids[y * w + x], 2u);
    EXPECT_NEAR(x, 19.5, 1);
    EXPECT_NEAR(y, 14.5, 1);
    EXPECT_FALSE(FindVisiblePoint(ids, w, h, 3, x, y));
    EXPECT_FALSE(FindVisiblePoint(ids, w, h, 0, x, y));
    // A ring: its centre is not the surface, so a point on the ring is chosen.
    std::vector<uint32_t> ring(w * h, 0);
    for (int yy = 0; yy < h; ++yy)
        for (int xx = 0; xx < w; ++xx)
            if (xx < 8 || xx >= 32 || yy < 8 || yy >= 22)
                ring[yy * w + xx] = 5;
    ASSERT_TRUE(FindVisiblePoint(ring, w, h, 5, x, y));
    EXPECT_EQ(ring[y * w + x], 5u);
}

TEST(Renderer, DrawsWhatPickingFindsAndHighlightsTheSelection)
{
    Scene scene;
    scene.Assign(TwoSquares());
    Camera camera;
    camera.position = {0, 0, 0};
    camera.width = 160;
    camera.height = 120;
    Frame frame;
    RenderScene(scene, camera, {}, nullptr, frame);
    // The id buffer agrees with ray picking at every pixel.
    int disagreements = 0;
    for (int y = 0; y < camera.height; y += 3)
        for (int x = 0; x < camera.width; x += 3)
            disagreements += frame.ids[y * camera.width + x] != PickAtPixel(scene, camera, x, y);
    EXPECT_LE(disagreements, 4);  // edge pixels only
    const uint32_t plainNear = frame.color.pixels[60 * 160 + 80];
    const uint32_t plainFar = frame.color.pixels[60 * 160 + 10];
    RenderScene(scene, camera, {scene.FindSurface("near")}, nullptr, frame);
    EXPECT_NE(frame.color.pixels[60 * 160 + 80], plainNear);
    EXPECT_EQ(frame.color.pixels[60 * 160 + 10], plainFar);
    // Textures replace the colour.
    Image checker;
    checker.width = checker.height = 2;
    checker.pixels = {0xff0000, 0x00ff00, 0x0000ff, 0xffffff};
    RenderScene(scene, camera, {}, [&](const Material&) { return &checker; }, frame);
    std::set<uint32_t> colours;
    for (int x = 0; x < 160; ++x)
        colours.insert(frame.color.pixels[60 * 160 + x]);
    EXPECT_GE(colours.size(), 3u);
}

TEST(Renderer, ShadingKeepsCeilingFloorAndWallsApart)
{
    const Vec3 eye(0, 1.6, 0);
    const double floor = Shade({0, 1, 0}, {0, 0, -2}, eye);
    const double ceiling = Shade({0, 1, 0}, {0, 2.7, -2}, eye);  // seen from below
    const double wall = Shade({0, 0, 1}, {0, 1, -4}, eye);
    EXPECT_GT(std::fabs(floor - ceiling), 0.05);
    EXPECT_GT(std::fabs(floor - wall), 0.05);
    EXPECT_GT(std::fabs(wall - ceiling), 0.02);
    for (double s : {floor, ceiling, wall}) {
        EXPECT_GT(s, 0.3);
        EXPECT_LE(s, 1.0);
    }
}

TEST(DemoScene, RoomsShareWallMaterialsAndTheStartViewShowsTheLivingRoom)
{
    Scene scene;
    scene.Assign(MakeDemoApartment());
    const char* names[] = {"living.ceiling", "living.floor", "living.wall.north", "living.wall.south",
                           "living.wall.east", "living.wall.west", "bedroom.ceiling", "bedroom.floor",
                           "bedroom.wall.north", "bedroom.wall.east", "bedroom.wall.south", "bedroom.wall.west",
                           "living.sofa", "living.table", "living.bookcase", "living.rug", "bedroom.bed",
                           "bedroom.wardrobe"};
    for (const char* name : names)
        EXPECT_NE(scene.FindSurface(name), 0u) << name;
    const unsigned livingWall = scene.GetSurface(scene.FindSurface("living.wall.north"))->material;
    for (const char* wall : {"living.wall.south", "living.wall.east", "living.wall.west"})
        EXPECT_EQ(scene.GetSurface(scene.FindSurface(wall))->material, livingWall) << wall;
    EXPECT_NE(scene.GetSurface(scene.FindSurface("bedroom.wall.north"))->material, livingWall);
    EXPECT_NE(scene.GetSurface(scene.FindSurface("living.floor"))->material,
              scene.GetSurface(scene.FindSurface("bedroom.floor"))->material);

    Frame frame;
    RenderScene(scene, DemoStartCamera(1024, 768), {}, nullptr, frame);
    for (const char* name : {"living.ceiling", "living.floor", "living.wall.north", "living.wall.east", "bedroom.floor"}) {
        int x = 0, y = 0;
        EXPECT_TRUE(FindVisiblePoint(frame.ids, 1024, 768, scene.FindSurface(name), x, y)) << name;
    }
}

TEST(HostString, ConstructCopyAssignAndLength)
{
    HvString empty;
    EXPECT_STREQ(empty.Text(), "");
    EXPECT_EQ(empty.GetLength(), 0);
    HvString a;
    a = "\xC7\xEB\xC8\xB7\xC8\xCF";  // three double-byte characters
    EXPECT_EQ(a.GetLength(), 6);
    HvString b(a);
    a = "x";
    EXPECT_EQ(b.GetLength(), 6);
    HvString_Assign(&b, &b);
    EXPECT_EQ(b.GetLength(), 6);
    b = a;
    EXPECT_STREQ(b.Text(), "x");
    HvString_AssignText(&b, nullptr);
    EXPECT_STREQ(b.Text(), "");
    // Materials are held and copied by value.
    OriginalMaterial m{};
    m.mapFile[0] = "a.jpg";
    m.params1[3] = 7;
    OriginalMaterial copy = m;
    m.mapFile[0] = "b.jpg";
    EXPECT_STREQ(copy.mapFile[0].Text(), "a.jpg");
    EXPECT_EQ(copy.params1[3], 7);
}

TEST(Script, WordsQuotesAndComments)
{
    std::vector<ScriptCommand> commands;
    std::string error;
    ASSERT_TRUE(ParseScript("\xEF\xBB\xBF# a tour\n\nclick living.floor\r\n  answer Yes \"say \"\"hi\"\"\" 500\nsettext \"\xE6\x9F\x93\xE7\x95\x8C\" 1001 \"\"\n",
                            commands, error));
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[0].line, 3);
    EXPECT_EQ(commands[0].name, "click");
    EXPECT_EQ(commands[0].args, std::vector<std::string>{"living.floor"});
    EXPECT_EQ(commands[1].args, (std::vector<std::string>{"Yes", "say \"hi\"", "500"}));
    EXPECT_EQ(commands[2].args, (std::vector<std::string>{"\xE6\x9F\x93\xE7\x95\x8C", "1001", ""}));
    EXPECT_FALSE(ParseScript("ok\nanswer \"open\n", commands, error));
    EXPECT_NE(error.find("line 2"), std::string::npos);
}

TEST(Script, CommandTableFindsByNameAndChecksTheArgumentCount)
{
    const CommandEntry<int> table[] = {
        {"wait", 1, 2, "wait CAPTION [MS]", 1},
        {"log", 0, kAnyArgs, "log TEXT...", 2},
        {"wait", 0, 0, "shadowed", 3},
    };
    ASSERT_NE(FindCommand(table, "wait"), nullptr);
    EXPECT_EQ(FindCommand(table, "wait")->handler, 1);  // the first of a name answers
    EXPECT_EQ(FindCommand(table, "log")->handler, 2);
    EXPECT_EQ(FindCommand(table, "wai"), nullptr);
    EXPECT_EQ(FindCommand(table, "Wait"), nullptr);
    EXPECT_EQ(ArgumentCountError(table[0], 0), "usage: wait CAPTION [MS]");
    EXPECT_EQ(ArgumentCountError(table[0], 1), "");
    EXPECT_EQ(ArgumentCountError(table[0], 2), "");
    EXPECT_EQ(ArgumentCountError(table[0], 3), "usage: wait CAPTION [MS]");
    EXPECT_EQ(ArgumentCountError(table[1], 0), "");
    EXPECT_EQ(ArgumentCountError(table[1], 1000), "");
}

namespace {

std::vector<unsigned char> ReadBytes(const std::wstring& path)
{
    std::vector<unsigned char> bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr))
        bytes.clear();
    CloseHandle(file);
    return bytes;
}

// The textures beside walkhost.exe in the build tree.
std::wstring TexturePath(const wchar_t* name)
{
    wchar_t exe[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path = exe;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"..\\bin\\textures\\" + name;
}

}  // namespace

TEST(Image, PngAndBmpRoundTripAndTheSampleTexturesDecode)
{
    Image image;
    image.width = 3;
    image.height = 2;
    image.pixels = {0xff0000, 0x00ff00, 0x0000ff, 0x123456, 0xffffff, 0x000000};
    for (const char* name : {"a.png", "a.bmp", "A.BMP"}) {
        const std::vector<unsigned char> bytes = EncodeForName(image, name);
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(bytes[1], std::string(name).find("png") != std::string::npos ? 'P' : 'M') << name;
        Image back;
        ASSERT_TRUE(DecodeImage(bytes, back)) << name;
        EXPECT_EQ(back.width, 3);
        EXPECT_EQ(back.height, 2);
        EXPECT_EQ(back.pixels, image.pixels) << name;
    }
    Image jpeg, bmp;
    ASSERT_TRUE(DecodeImage(ReadBytes(TexturePath(L"oak_floor.jpg")), jpeg));
    EXPECT_EQ(jpeg.width, 256);
    ASSERT_TRUE(DecodeImage(ReadBytes(TexturePath(L"rug.bmp")), bmp));
    EXPECT_EQ(bmp.height, 128);
    std::vector<unsigned char> broken = ReadBytes(TexturePath(L"oak_floor.jpg"));
    broken.resize(40);
    Image none;
    EXPECT_FALSE(DecodeImage(broken, none));
    EXPECT_FALSE(DecodeImage({}, none));
    EXPECT_FALSE(DecodeImage(std::vector<unsigned char>{'h', 'e', 'l', 'l', 'o'}, none));
}

TEST(Camera, WalkingTurningAndLookingMoveTheViewAsTheKeysSay)
{
    Camera c;
    c.position = {0, 1.6, 0};
    c.Walk(1);  // yaw 0 looks north, along -z
    EXPECT_NEAR(c.position.z, -1, 1e-12);
    EXPECT_NEAR(c.position.x, 0, 1e-12);
    c.Turn(3.14159265358979 / 2);  // a right turn faces east
    c.Walk(2);
    EXPECT_NEAR(c.position.x, 2, 1e-9);
    c.Strafe(1);  // sideways to the right: south
    EXPECT_NEAR(c.position.z, 0, 1e-9);
    c.Look(0.3);
    const double before = c.position.y;
    c.Walk(1);  // walking stays level even when looking up
    EXPECT_DOUBLE_EQ(c.position.y, before);
    c.Look(10);
    EXPECT_LT(c.pitch, 1.5708);
    c.Look(-20);
    EXPECT_GT(c.pitch, -1.5708);

    // The ray through the centre of the view is the view direction, and a
    // point straight ahead is in front of the camera at its distance.
    Camera d;
    d.width = 101;
    d.height = 51;
    const Vec3 centre = d.RayThrough(50, 25);
    EXPECT_NEAR(centre.x, 0, 1e-12);
    EXPECT_NEAR(centre.y, 0, 1e-12);
    EXPECT_NEAR(centre.z, -1, 1e-12);
    const Vec3 ahead = d.ToView(d.position + Vec3(0, 0, -3));
    EXPECT_NEAR(ahead.z, 3, 1e-12);
    EXPECT_NEAR(ahead.x, 0, 1e-12);
    // A pixel right of the centre looks right of the view direction.
    EXPECT_GT(d.RayThrough(90, 25).x, 0);
    EXPECT_GT(d.RayThrough(50, 2).y, 0);  // rows grow downwards
}
