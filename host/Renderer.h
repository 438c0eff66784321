// The software renderer of the 3D view: flat-shaded, optionally textured
// polygons with a z-buffer, and a buffer of the surface seen at each pixel.
#pragma once

#include "Camera.h"
#include "Image.h"
#include "Scene.h"

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

// The light a polygon with this normal receives (0 to 1), seen from `eye`.
double Shade(const Vec3& normal, const Vec3& pointOnPolygon, const Vec3& eye);

}  // namespace walkhost
