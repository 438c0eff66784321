#include "Picking.h"

#include <cmath>
#include <limits>

namespace walkhost {
namespace {

// Moller-Trumbore, both faces.
bool IntersectTriangle(const Vec3& o, const Vec3& d, const Vec3& a, const Vec3& b, const Vec3& c, double& t)
{
    const Vec3 e1 = b - a, e2 = c - a;
    const Vec3 p = Cross(d, e2);
    const double det = Dot(e1, p);
    if (std::fabs(det) < 1e-12)
        return false;
    const double inv = 1.0 / det;
    const Vec3 s = o - a;
    const double u = Dot(s, p) * inv;
    if (u < 0 || u > 1)
        return false;
    const Vec3 q = Cross(s, e1);
    const double v = Dot(d, q) * inv;
    if (v < 0 || u + v > 1)
        return false;
    t = Dot(e2, q) * inv;
    return true;
}

}  // namespace

bool IntersectPolygon(const Vec3& origin, const Vec3& dir, const Polygon& polygon, double& t)
{
    const std::vector<Vec3>& p = polygon.points;
    for (size_t i = 1; i + 1 < p.size(); ++i)
        if (IntersectTriangle(origin, dir, p[0], p[i], p[i + 1], t))
            return true;
    return false;
}

unsigned PickSurface(const Scene& scene, const Vec3& origin, const Vec3& dir, double* distance)
{
    unsigned best = 0;
    double bestT = std::numeric_limits<double>::infinity();
    const std::vector<Surface>& surfaces = scene.Surfaces();
    for (size_t i = 0; i < surfaces.size(); ++i) {
        for (const Triangle& tri : surfaces[i].triangles) {
            double t = 0;
            if (IntersectTriangle(origin, dir, tri.p[0], tri.p[1], tri.p[2], t) && t > 1e-9 && t < bestT) {
                bestT = t;
                best = static_cast<unsigned>(i + 1);
            }
        }
    }
    if (distance)
        *distance = bestT;
    return best;
}

unsigned PickAtPixel(const Scene& scene, const Camera& camera, int x, int y)
{
    if (x < 0 || y < 0 || x >= camera.width || y >= camera.height)
        return 0;
    return PickSurface(scene, camera.position, camera.RayThrough(x, y));
}

bool FindVisiblePoint(const std::vector<uint32_t>& ids, int width, int height, unsigned surface, int& x, int& y)
{
    if (surface == 0 || width <= 0 || height <= 0 || ids.size() < static_cast<size_t>(width) * height)
        return false;
    auto at = [&](int px, int py) {
        return px >= 0 && py >= 0 && px < width && py < height && ids[static_cast<size_t>(py) * width + px] == surface;
    };
    double sx = 0, sy = 0;
    size_t count = 0;
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (ids[static_cast<size_t>(py) * width + px] == surface) {
                sx += px;
                sy += py;
                ++count;
            }
    if (count == 0)
        return false;
    const double cx = sx / count, cy = sy / count;
    for (int margin : {3, 0}) {
        double best = std::numeric_limits<double>::infinity();
        bool found = false;
        for (int py = 0; py < height; ++py)
            for (int px = 0; px < width; ++px) {
                if (!at(px, py))
                    continue;
                if (margin && !(at(px - margin, py) && at(px + margin, py) && at(px, py - margin) && at(px, py + margin)))
                    continue;
                const double d = (px - cx) * (px - cx) + (py - cy) * (py - cy);
                if (d < best) {
                    best = d;
                    x = px;
                    y = py;
                    found = true;
                }
            }
        if (found)
            return true;
    }
    return false;
}

}  // namespace walkhost
