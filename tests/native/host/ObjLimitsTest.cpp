// What walkhost refuses to load, so a hostile model cannot take its memory
// or its frame rate: too many corners in one face or in all faces, and a
// texture of too many pixels; and what it loads: faces cut into triangles
// once, as many as their corners allow.
#include "Image.h"
#include "ObjModel.h"
#include "Picking.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <string>

using namespace walkhost;

namespace {

// `faces` faces of `corners` corners each over one triangle's three vertices.
std::string Faces(int faces, int corners)
{
    std::string face = "f";
    for (int i = 0; i < corners; ++i)
        face += i % 3 == 0 ? " 1" : i % 3 == 1 ? " 2" : " 3";
    face += '\n';
    std::string text = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    text.reserve(text.size() + face.size() * static_cast<size_t>(faces));
    for (int i = 0; i < faces; ++i)
        text += face;
    return text;
}

bool Parse(const std::string& text, ObjModel& model, std::string& error)
{
    return ParseObj(text, nullptr, model, error);
}

}  // namespace

TEST(ObjLimits, OneFaceOfTooManyCornersIsRefusedWithItsLine)
{
    ObjModel model;
    std::string error;
    EXPECT_FALSE(Parse(Faces(1, 150000), model, error));
    EXPECT_NE(error.find("line 4"), std::string::npos) << error;
    EXPECT_NE(error.find("150000 corners"), std::string::npos) << error;
    EXPECT_TRUE(Parse(Faces(1, 100000), model, error)) << error;
}

TEST(ObjLimits, TheCornersOfAllFacesTogetherAreCapped)
{
    // Each face is within the limit for one face; together they are not.
    ObjModel model;
    std::string error;
    EXPECT_FALSE(Parse(Faces(41, 99999), model, error));
    EXPECT_NE(error.find("too many face corners"), std::string::npos) << error;
    EXPECT_NE(error.find("line 44"), std::string::npos) << error;  // the 41st face
    EXPECT_TRUE(Parse(Faces(40, 99999), model, error)) << error;
}

TEST(ObjLimits, FacesAreCutIntoTrianglesOnceWhenTheSceneIsMade)
{
    // A square, a pentagon and a degenerate face (all on one line).
    const std::string text = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 1.5 0\nv 2 0 0\nv 3 0 0\n"
                             "g a\nf 1 2 3 4\nf 1 2 3 5 4\nf 1 2 6 7\n";
    ObjModel model;
    std::string error;
    ASSERT_TRUE(Parse(text, model, error)) << error;
    Scene scene;
    scene.Assign(model);
    ASSERT_EQ(scene.SurfaceCount(), 1u);
    EXPECT_EQ(scene.TriangleCount(), 2u + 3u);
    const Surface* surface = scene.GetSurface(1);
    ASSERT_EQ(surface->triangles.size(), 5u);
    // A fan from each face's first corner, with the face's normal.
    for (const Triangle& t : surface->triangles) {
        EXPECT_EQ(t.p[0].x, 0);
        EXPECT_EQ(t.p[0].y, 0);
        EXPECT_DOUBLE_EQ(t.normal.z, 1);
    }
    // Picking sees every triangle: the pentagon's tip is hit.
    EXPECT_EQ(PickSurface(scene, {0.5, 1.4, 5}, {0, 0, -1}), 1u);
    EXPECT_EQ(PickSurface(scene, {2.5, 0.5, 5}, {0, 0, -1}), 0u);  // the degenerate face is not there
}

TEST(ImageLimits, APictureOfTooManyPixelsIsRefusedBeforeDecodingAndSaysWhy)
{
    // A small picture whose header claims 12000 x 12000 pixels, as a file of
    // a few hundred kilobytes can: the header alone decides.
    Image tiny;
    tiny.width = tiny.height = 8;
    tiny.pixels.assign(64, 0x202020);
    std::vector<unsigned char> png = EncodePng(tiny);
    ASSERT_GT(png.size(), 24u);
    for (int at : {16, 20}) {  // the width and height of the IHDR chunk, big-endian
        png[at] = 0;
        png[at + 1] = 0;
        png[at + 2] = 12000 >> 8;
        png[at + 3] = 12000 & 255;
    }
    Image decoded;
    std::string why;
    EXPECT_FALSE(DecodeImage(png, decoded, &why));
    EXPECT_NE(why.find("12000 x 12000 pixels"), std::string::npos) << why;
    EXPECT_TRUE(decoded.pixels.empty());

    Image small;
    small.width = 4096;
    small.height = 2;
    small.pixels.assign(static_cast<size_t>(small.width) * small.height, 0x336699);
    ASSERT_TRUE(DecodeImage(EncodePng(small), decoded, &why)) << why;
    EXPECT_EQ(decoded.pixels[5], 0x336699u);
    EXPECT_FALSE(DecodeImage({'n', 'o', 't'}, decoded, &why));
    EXPECT_FALSE(why.empty());
}
