// Scenes of what real models carry, drawn by both renderers' tests at
// 160 x 120 from the default camera (eye at 1.6 m, looking along -z).
#pragma once

#include "Camera.h"
#include "Image.h"
#include "Renderer.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

namespace walkhost::cases {

inline Camera CaseCamera()
{
    Camera camera;
    camera.width = 160;
    camera.height = 120;
    return camera;
}

// Upright quads at the given distances (left, right, bottom, top, distance),
// one surface each with its own material, texture coordinates once across.
inline ObjModel Quads(std::vector<std::array<double, 5>> quads)
{
    ObjModel model;
    for (const auto& [l, r, b, t, d] : quads) {
        model.materials.emplace_back();
        model.surfaces.push_back(ObjSurface{"q", static_cast<int>(model.surfaces.size()),
                                            {ObjFace{{Vec3(l, b, -d), Vec3(r, b, -d), Vec3(r, t, -d), Vec3(l, t, -d)},
                                                     {Vec2{0, 0}, Vec2{1, 0}, Vec2{1, 1}, Vec2{0, 1}}}}});
    }
    return model;
}

// Sixteen flat sides 1 m round an axis 3.5 m ahead, without normals.
inline ObjModel Column()
{
    ObjModel model = Quads({});
    model.materials.emplace_back();
    model.surfaces.push_back(ObjSurface{"column", 0, {}});
    auto at = [](int i) {
        const double a = 2 * 3.14159265358979 * (i % 16 + 0.5) / 16;
        return Vec3(std::sin(a), 0, -3.5 + std::cos(a));
    };
    for (int i = 0; i < 16; ++i)
        model.surfaces[0].faces.push_back(
            ObjFace{{at(i), at(i + 1), at(i + 1) + Vec3(0, 3.2, 0), at(i) + Vec3(0, 3.2, 0)}, {}});
    return model;
}

// White, one dark column in the middle of each repeat.
inline Image Stripes()
{
    Image image;
    image.width = image.height = 8;
    image.pixels.assign(64, 0x00ffffff);
    for (int y = 0; y < 8; ++y)
        image.pixels[static_cast<size_t>(y) * 8 + 4] = 0x00202020;
    return image;
}

inline int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 255); }
inline uint32_t Middle(const Image& image, int x) { return image.pixels[image.width * (image.height / 2) + x]; }

// The runs of dark pixels along the middle row.
inline int DarkRuns(const Image& image)
{
    int runs = 0;
    for (int x = 0; x < image.width; ++x)
        runs += Channel(Middle(image, x), 8) < 100 && (x == 0 || Channel(Middle(image, x - 1), 8) >= 100);
    return runs;
}

// The largest change of a channel between neighbouring pixels along the
// middle row, over the middle half of what is not background; `seen` counts them.
inline int LargestStep(const Image& image, int& seen)
{
    int first = -1, last = -1;
    for (int x = 0; x < image.width; ++x)
        if (Middle(image, x) != Middle(image, 0))
            (first < 0 ? first : last) = x;
    int worst = 0;
    seen = 0;
    for (int x = first + (last - first) / 4; x < last - (last - first) / 4; ++x, ++seen)
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(Channel(Middle(image, x), shift) - Channel(Middle(image, x + 1), shift)));
    return worst;
}

// What `draw` (a renderer's frame of a scene) shows: a pane of opacity 0.5
// half-way between itself drawn opaque and the red wall behind it (when
// `blends`); a column without normals without steps between its sides; a
// texture the model gave once across its 4 m wall, one put in its place four
// times.
inline void ExpectModelsDrawn(const std::function<Image(const Scene&, const TextureLookup&)>& draw, bool blends)
{
    Scene panes;
    panes.Assign(Quads({{-8, 8, -4, 8, 6}, {-1, 1, 0.6, 2.6, 3}}));
    const float red[3] = {1, 0, 0}, blue[3] = {0.2f, 0.4f, 1};
    std::copy(red, red + 3, panes.GetMaterial(1)->record.color);
    std::copy(blue, blue + 3, panes.GetMaterial(2)->record.color);
    uint32_t at[3] = {};
    for (int k = 0; k < 3 && blends; ++k) {
        panes.GetMaterial(2)->opacity = k == 0 ? 1 : k == 1 ? 0 : 0.5f;
        at[k] = Middle(draw(panes, nullptr), 80);
    }
    for (int shift = 0; shift < 24 && blends; shift += 8)
        EXPECT_NEAR(Channel(at[2], shift), (Channel(at[0], shift) + Channel(at[1], shift)) / 2.0, 3)
            << std::hex << at[0] << " " << at[1] << " " << at[2];

    Scene column;
    column.Assign(Column());
    int seen = 0;
    EXPECT_LE(LargestStep(draw(column, nullptr), seen), 3);
    EXPECT_GT(seen, 20);

    ObjModel wallModel = Quads({{-2, 2, 0.6, 2.6, 4}});
    wallModel.materials[0].mapKd = "own.png";
    Scene wall;
    wall.Assign(wallModel);
    const Image stripes = Stripes();
    for (const auto& [map, repeats] : {std::pair<const char*, int>{"own.png", 1}, {"other.png", 4}}) {
        wall.GetMaterial(1)->record.mapFile[0] = map;
        EXPECT_EQ(DarkRuns(draw(wall, [&](const Material&) { return &stripes; })), repeats) << map;
    }
}

}  // namespace walkhost::cases
