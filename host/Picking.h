// Finding the surface a ray or a screen point hits.
#pragma once

#include "Camera.h"
#include "Scene.h"

#include <cstdint>
#include <vector>

namespace walkhost {

// Distance along `dir` (in units of |dir|) at which the ray enters the convex
// polygon, from either side; false when it misses or runs parallel.
bool IntersectPolygon(const Vec3& origin, const Vec3& dir, const Polygon& polygon, double& t);

// The nearest surface the ray hits at t > 0, or 0. `distance` gets its t.
unsigned PickSurface(const Scene& scene, const Vec3& origin, const Vec3& dir, double* distance = nullptr);

// The surface under pixel (x, y) of the camera's view, or 0 (also outside the view).
unsigned PickAtPixel(const Scene& scene, const Camera& camera, int x, int y);

// A pixel well inside the visible part of a surface, from the renderer's
// surface-id buffer: the visible pixel nearest the centre of its visible
// pixels, preferring ones whose neighbours three pixels away are the same
// surface. False when the surface is not visible.
bool FindVisiblePoint(const std::vector<uint32_t>& ids, int width, int height, unsigned surface, int& x, int& y);

}  // namespace walkhost
