// Scenes of what real models carry, for the tests of both renderers: a
// see-through pane before a red wall, a round column whose model gives no
// normals, and a wall whose texture was replaced. The default camera (eye at
// 1.6 m, looking along -z) sees them at 160 x 120.
#pragma once

#include "Camera.h"
#include "Image.h"
#include "Scene.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace walkhost::cases {

constexpr int kWidth = 160, kHeight = 120;

inline Camera CaseCamera()
{
    Camera camera;
    camera.width = kWidth;
    camera.height = kHeight;
    return camera;
}

inline ObjFace Upright(double left, double right, double bottom, double top, double distance)
{
    const double z = -distance;
    return ObjFace{{Vec3(left, bottom, z), Vec3(right, bottom, z), Vec3(right, top, z), Vec3(left, top, z)},
                   {Vec2{0, 0}, Vec2{1, 0}, Vec2{1, 1}, Vec2{0, 1}}};
}

inline ObjSurface SurfaceOf(const char* name, int material, std::vector<ObjFace> faces)
{
    ObjSurface surface;
    surface.name = name;
    surface.material = material;
    surface.faces = std::move(faces);
    return surface;
}

// Surface 1 a red wall filling the view at 6 m, surface 2 a blue pane at
// 3 m over the middle of the view (material 2, opaque until changed).
inline ObjModel PaneBeforeWall()
{
    ObjModel model;
    model.materials.resize(2);
    model.materials[0].kd[0] = 1;
    model.materials[0].kd[1] = model.materials[0].kd[2] = 0;
    model.materials[1].kd[0] = 0.2f;
    model.materials[1].kd[1] = 0.4f;
    model.materials[1].kd[2] = 1;
    model.surfaces.push_back(SurfaceOf("wall", 0, {Upright(-8, 8, -4, 8, 6)}));
    model.surfaces.push_back(SurfaceOf("pane", 1, {Upright(-1, 1, 0.6, 2.6, 3)}));
    return model;
}

// A column of 16 flat sides, 1 m round the axis 3.5 m ahead, without normals.
inline ObjModel Column()
{
    constexpr int kSides = 16;
    std::vector<Vec3> ring;
    for (int i = 0; i < kSides; ++i) {
        const double a = 2 * 3.14159265358979 * (i + 0.5) / kSides;
        ring.push_back(Vec3(std::sin(a), 0, -3.5 + std::cos(a)));
    }
    std::vector<ObjFace> faces;
    for (int i = 0; i < kSides; ++i) {
        const Vec3 &p = ring[i], &q = ring[(i + 1) % kSides];
        faces.push_back(ObjFace{{p, q, q + Vec3(0, 3.2, 0), p + Vec3(0, 3.2, 0)}, {}});
    }
    ObjModel model;
    model.materials.resize(1);
    model.surfaces.push_back(SurfaceOf("column", 0, faces));
    return model;
}

// A wall 4 m wide at 4 m whose texture coordinates run once across it, its
// material given the texture "own.png" by the model.
inline ObjModel TexturedWall()
{
    ObjModel model;
    model.materials.resize(1);
    model.materials[0].mapKd = "own.png";
    model.surfaces.push_back(SurfaceOf("wall", 0, {Upright(-2, 2, 0.6, 2.6, 4)}));
    return model;
}

// White, with one dark column in the middle of each repeat.
inline Image Stripes()
{
    Image image;
    image.width = image.height = 8;
    image.pixels.assign(64, 0x00ffffff);
    for (int y = 0; y < 8; ++y)
        image.pixels[static_cast<size_t>(y) * 8 + 4] = 0x00202020;
    return image;
}

inline uint32_t At(const Image& image, int x, int y)
{
    return image.pixels[static_cast<size_t>(y) * image.width + x];
}

inline int Channel(uint32_t c, int shift) { return static_cast<int>((c >> shift) & 255); }

// The runs of dark pixels (green below 100) along the middle row.
inline int DarkRuns(const Image& image)
{
    int runs = 0;
    bool dark = false;
    for (int x = 0; x < image.width; ++x) {
        const bool now = Channel(At(image, x, image.height / 2), 8) < 100;
        runs += now && !dark;
        dark = now;
    }
    return runs;
}

// The largest change of a channel between neighbouring pixels of the middle
// row, over the middle half of what differs from the background there (the
// column seen face on, away from its outline); `seen` the pixels it spans.
inline int LargestStep(const Image& image, int& seen)
{
    const int y = image.height / 2;
    const uint32_t sky = At(image, 0, y);
    int first = -1, last = -1;
    for (int x = 0; x < image.width; ++x)
        if (At(image, x, y) != sky) {
            first = first < 0 ? x : first;
            last = x;
        }
    const int quarter = (last - first) / 4;
    int worst = 0;
    seen = 0;
    for (int x = first + quarter; x < last - quarter; ++x, ++seen)
        for (int shift : {0, 8, 16})
            worst = std::max(worst, std::abs(Channel(At(image, x, y), shift) - Channel(At(image, x + 1, y), shift)));
    return worst;
}

}  // namespace walkhost::cases
