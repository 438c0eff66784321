// The software renderer of the 3D view: polygons lit by their corners'
// normals, optionally textured, with a z-buffer, see-through surfaces
// blended over the others, and a buffer of the surface seen at each pixel.
#pragma once

#include "Camera.h"
#include "Image.h"
#include "Scene.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace walkhost {

struct RenderWork;  // the renderer's working memory, kept from frame to frame

struct Frame {
    Image color;                 // what the view shows
    std::vector<float> depth;    // 1 / distance; 0 where nothing was drawn
    std::vector<uint32_t> ids;   // surface handle per pixel, 0 for none
    std::shared_ptr<RenderWork> work;
    void Resize(int width, int height);
};

// The decoded texture of a material, or null to draw its colour.
using TextureLookup = std::function<const Image*(const Material&)>;

// Draws the scene as the camera sees it into `frame` (resized to the
// camera's size). Surfaces in `selected` are drawn highlighted. The work is
// shared by `threads` threads (0: one per processor); the frame is the same
// whatever their number. `textures` is called on the calling thread only.
void RenderScene(const Scene& scene, const Camera& camera, const std::vector<unsigned>& selected,
                 const TextureLookup& textures, Frame& frame, int threads = 0);

// A run of a surface's triangles the camera may see, [first, first + count),
// and where its triangles can fall: pixels in [x0, x1] x [y0, y1], none
// nearer than `nearest` (1 / depth; infinite when part of its box lies
// before the near plane).
struct RunInView {
    size_t surface, first, count;
    int x0, y0, x1, y1;
    double nearest;
    size_t firstCorner, cornerCount;  // its distinct corners, as TriangleRun's
};

// The runs of the scene's triangles the camera may see, nearest first (by
// the nearest corner of each run's box), and of runs as near the one earlier
// in the scene first. Both renderers draw in this order: what lies in front
// is mostly drawn before what it hides.
void RunsInView(const Scene& scene, const Camera& camera, std::vector<RunInView>& runs);

// How much of its light a pixel keeps at 1 / depth `iz` (170 to 256 of 256):
// light falls off gently with distance, so a large flat surface still reads
// as a plane in depth.
inline int FalloffAt(double iz)
{
    return std::clamp(static_cast<int>(256 * (1.12 - 0.04 / iz)), 170, 256);
}

// FalloffAt without a division per pixel. It never falls as iz grows, so the
// least iz giving each value is found once; a pixel's value is then reached
// by stepping from its neighbour's, iz changing little from pixel to pixel.
class FalloffSteps {
public:
    FalloffSteps();
    // FalloffAt(iz), starting the search from `from`, any value from 170 to 256.
    int Step(int from, double iz) const
    {
        int f = from;
        while (iz >= least_[f + 1 - 170])
            ++f;
        while (iz < least_[f - 170])
            --f;
        return f;
    }
    // The iz for which FalloffAt is f: from Least(f) up to, not including, Least(f + 1).
    double Least(int f) const { return least_[f - 170]; }

private:
    // least_[f - 170]: the least iz with FalloffAt(iz) >= f; 0 for 170 and
    // infinity past 256, so stepping needs no other bound.
    double least_[256 - 170 + 2];
};

// The light a polygon with this normal receives (0 to 1), seen from `eye`.
double Shade(const Vec3& normal, const Vec3& pointOnPolygon, const Vec3& eye);

// Shade's light for a normal already turned to the eye's side.
double ShadeFacing(const Vec3& normal);

// Whether the triangle's light changes across it: a corner's normal differs
// from the face's by more than rounding. Otherwise it is lit as the face,
// alike all over.
inline bool LitByCorners(const Triangle& t)
{
    for (const Vec3& n : t.normals)
        if (Dot(n, t.normal) < 1 - 1e-9)
            return true;
    return false;
}

}  // namespace walkhost
