#include "Renderer.h"

#include <algorithm>
#include <cmath>

namespace walkhost {
namespace {

constexpr double kNear = 0.05;

struct ClipVertex {
    Vec3 p;  // camera space
    Vec2 uv;
};

struct ScreenVertex {
    double x, y;     // pixels
    double iz;       // 1 / depth
    double uz, vz;   // u / depth, v / depth
};

std::vector<ClipVertex> ClipNear(const std::vector<ClipVertex>& in)
{
    std::vector<ClipVertex> out;
    for (size_t i = 0; i < in.size(); ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % in.size()];
        const bool aIn = a.p.z >= kNear, bIn = b.p.z >= kNear;
        if (aIn)
            out.push_back(a);
        if (aIn != bIn) {
            const double t = (kNear - a.p.z) / (b.p.z - a.p.z);
            out.push_back(ClipVertex{a.p + (b.p - a.p) * t, Vec2{a.uv.u + (b.uv.u - a.uv.u) * t, a.uv.v + (b.uv.v - a.uv.v) * t}});
        }
    }
    return out;
}

struct PolygonPaint {
    uint32_t color;          // 0x00RRGGBB, already shaded, when there is no texture
    const Image* texture;    // or the texture, shaded by `light`
    int light;               // 0 to 256
    bool selected;
    uint32_t id;
};

inline uint32_t Scale(uint32_t c, int light)
{
    const uint32_t r = ((c >> 16) & 255) * light >> 8;
    const uint32_t g = ((c >> 8) & 255) * light >> 8;
    const uint32_t b = (c & 255) * light >> 8;
    return (r << 16) | (g << 8) | b;
}

// Selected surfaces: diagonal bands of amber laid over the shaded colour.
inline uint32_t Highlight(uint32_t c, int x, int y)
{
    const int band = ((x + y) / 8) & 1;
    const int keep = band ? 150 : 110;  // of 256
    const uint32_t r = (((c >> 16) & 255) * keep + 255 * (256 - keep)) >> 8;
    const uint32_t g = (((c >> 8) & 255) * keep + 190 * (256 - keep)) >> 8;
    const uint32_t b = ((c & 255) * keep + 0 * (256 - keep)) >> 8;
    return (r << 16) | (g << 8) | b;
}

void FillTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, const PolygonPaint& paint,
                  Frame& frame)
{
    const int w = frame.color.width, h = frame.color.height;
    const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (std::fabs(area) < 1e-9)
        return;
    const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}))));
    const int x1 = std::min(w - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}))));
    const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}))));
    const int y1 = std::min(h - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}))));
    if (x0 > x1 || y0 > y1)
        return;
    const double inv = 1.0 / area;
    // Barycentric weights are affine in x and y: step them per pixel.
    const double dw0dx = (b.y - c.y) * inv, dw1dx = (c.y - a.y) * inv;
    for (int y = y0; y <= y1; ++y) {
        const double py = y + 0.5, px0 = x0 + 0.5;
        double w0 = ((b.x - px0) * (c.y - py) - (b.y - py) * (c.x - px0)) * inv;
        double w1 = ((c.x - px0) * (a.y - py) - (c.y - py) * (a.x - px0)) * inv;
        const size_t row = static_cast<size_t>(y) * w;
        for (int x = x0; x <= x1; ++x, w0 += dw0dx, w1 += dw1dx) {
            const double w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0)
                continue;
            const double iz = w0 * a.iz + w1 * b.iz + w2 * c.iz;
            const size_t i = row + x;
            if (iz <= frame.depth[i])
                continue;
            // Light falls off gently with distance, so a large flat surface
            // still reads as a plane in depth.
            const int falloff = std::clamp(static_cast<int>(256 * (1.12 - 0.04 / iz)), 170, 256);
            uint32_t color = Scale(paint.color, falloff);
            if (paint.texture) {
                const double u = (w0 * a.uz + w1 * b.uz + w2 * c.uz) / iz;
                const double v = (w0 * a.vz + w1 * b.vz + w2 * c.vz) / iz;
                const Image& t = *paint.texture;
                int tx = static_cast<int>(std::floor(u * t.width)) % t.width;
                int ty = static_cast<int>(std::floor((1 - v) * t.height)) % t.height;
                if (tx < 0)
                    tx += t.width;
                if (ty < 0)
                    ty += t.height;
                color = Scale(t.pixels[static_cast<size_t>(ty) * t.width + tx], paint.light * falloff >> 8);
            }
            if (paint.selected)
                color = Highlight(color, x, y);
            frame.depth[i] = static_cast<float>(iz);
            frame.color.pixels[i] = color;
            frame.ids[i] = paint.id;
        }
    }
}

uint32_t ToPixel(const float rgb[3], int light)
{
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i) {
        const float c = std::clamp(rgb[i], 0.0f, 1.0f);
        out = (out << 8) | static_cast<uint32_t>(std::lround(c * 255) * light >> 8);
    }
    return out;
}

}  // namespace

void Frame::Resize(int width, int height)
{
    width = std::max(width, 1);
    height = std::max(height, 1);
    const size_t n = static_cast<size_t>(width) * height;
    color.width = width;
    color.height = height;
    color.pixels.resize(n);
    depth.resize(n);
    ids.resize(n);
}

double Shade(const Vec3& normal, const Vec3& pointOnPolygon, const Vec3& eye)
{
    // Two-sided: the side facing the eye is lit. A key light from above and
    // a weaker fill from below keep floor, walls and ceiling apart.
    Vec3 n = normal;
    if (Dot(n, eye - pointOnPolygon) < 0)
        n = n * -1;
    static const Vec3 key = Normalize(Vec3(0.3, 0.9, 0.6));
    static const Vec3 fill = Normalize(Vec3(-0.8, -0.45, -0.25));
    return std::min(1.0, 0.5 + 0.42 * std::max(0.0, Dot(n, key)) + 0.32 * std::max(0.0, Dot(n, fill)));
}

void RenderScene(const Scene& scene, const Camera& camera, const std::vector<unsigned>& selected,
                 const TextureLookup& textures, Frame& frame, int)
{
    frame.Resize(camera.width, camera.height);
    const int w = frame.color.width, h = frame.color.height;
    // Background: a pale sky above the horizon line of the view, ground below.
    for (int y = 0; y < h; ++y) {
        const int shade = 235 - 60 * y / h;
        const uint32_t c = (uint32_t(shade - 20) << 16) | (uint32_t(shade - 8) << 8) | uint32_t(shade);
        std::fill(frame.color.pixels.begin() + static_cast<size_t>(y) * w,
                  frame.color.pixels.begin() + static_cast<size_t>(y + 1) * w, c);
    }
    std::fill(frame.depth.begin(), frame.depth.end(), 0.0f);
    std::fill(frame.ids.begin(), frame.ids.end(), 0u);

    const double focal = camera.Focal();
    const std::vector<Surface>& surfaces = scene.Surfaces();
    for (size_t s = 0; s < surfaces.size(); ++s) {
        const Surface& surface = surfaces[s];
        const uint32_t id = static_cast<uint32_t>(s + 1);
        const Material* material = scene.GetMaterial(surface.material);
        const Image* texture = material && textures ? textures(*material) : nullptr;
        if (texture && (texture->width <= 0 || texture->height <= 0))
            texture = nullptr;
        const bool isSelected = std::find(selected.begin(), selected.end(), id) != selected.end();
        static const float grey[3] = {0.7f, 0.7f, 0.7f};
        const float* rgb = material ? material->record.color : grey;
        for (const Polygon& polygon : surface.polygons) {
            std::vector<ClipVertex> clip;
            clip.reserve(polygon.points.size());
            for (size_t i = 0; i < polygon.points.size(); ++i)
                clip.push_back(ClipVertex{camera.ToView(polygon.points[i]), polygon.uvs[i]});
            clip = ClipNear(clip);
            if (clip.size() < 3)
                continue;
            std::vector<ScreenVertex> screen;
            screen.reserve(clip.size());
            for (const ClipVertex& v : clip) {
                const double iz = 1.0 / v.p.z;
                screen.push_back(ScreenVertex{w / 2.0 + v.p.x * iz * focal, h / 2.0 - v.p.y * iz * focal, iz,
                                              v.uv.u * iz, v.uv.v * iz});
            }
            PolygonPaint paint;
            paint.light = static_cast<int>(256 * Shade(polygon.normal, polygon.points[0], camera.position));
            paint.texture = texture;
            paint.color = ToPixel(rgb, paint.light);
            paint.selected = isSelected;
            paint.id = id;
            for (size_t i = 1; i + 1 < screen.size(); ++i)
                FillTriangle(screen[0], screen[i], screen[i + 1], paint, frame);
        }
    }
}

}  // namespace walkhost
