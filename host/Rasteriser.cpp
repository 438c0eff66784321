#include "Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <xmmintrin.h>

namespace walkhost {
namespace {

const FalloffSteps kFalloff;

// Corners are snapped to 1/16384 pixel: finer than any rounding a picture
// shows, so a corner of one face lying on another's edge (as where a wall of
// several pieces meets a ceiling of one) stays on it for every pixel
// centre; coarse enough that the products of the edge functions, within
// the guard band, stay far inside 64-bit integers.
constexpr int kSubBits = 14;
constexpr int64_t kSub = int64_t{1} << kSubBits;

// Triangles at most this many pixels wide are tested pixel by pixel across
// their box, without working out each row's span first.
constexpr int kNarrow = 8;

inline uint32_t Scale(uint32_t c, int light)
{
    const uint32_t r = ((c >> 16) & 255) * light >> 8;
    const uint32_t g = ((c >> 8) & 255) * light >> 8;
    const uint32_t b = (c & 255) * light >> 8;
    return (r << 16) | (g << 8) | b;
}

// `over` laid on `under`, keeping `opacity` of 256 of it.
inline uint32_t Blend(uint32_t over, uint32_t under, int opacity)
{
    uint32_t out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const int o = static_cast<int>((over >> shift) & 255), u = static_cast<int>((under >> shift) & 255);
        out |= static_cast<uint32_t>((o * opacity + u * (256 - opacity) + 128) >> 8) << shift;
    }
    return out;
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

// floor to int, for values well inside int's range, without a library call.
inline int FloorInt(double x)
{
    const int i = static_cast<int>(x);
    return i - (x < i);
}

// A coordinate in pixels to 1/16384 pixel, rounded to nearest (the
// projection keeps it within the guard band).
inline int64_t Snap(double v)
{
    const double s = v * kSub;
    return static_cast<int64_t>(s < 0 ? s - 0.5 : s + 0.5);
}

float LeastDepth(const float* depth, int w, int h, int block, int tile)
{
    const int x0 = tile * kTileColumns, x1 = std::min(w, x0 + kTileColumns);
    const int y1 = std::min(h, (block + 1) * kBlockRows);
    static_assert(kTileColumns == 4, "a whole tile's row is one load of four");
    if (x1 - x0 == kTileColumns) {
        // A row of the tile at a time (SSE, which every x86-64 processor has).
        __m128 m = _mm_set1_ps(std::numeric_limits<float>::infinity());
        for (int y = block * kBlockRows; y < y1; ++y) {
            const float* row = depth + static_cast<size_t>(y) * w + x0;
            m = _mm_min_ps(m, _mm_loadu_ps(row));
        }
        m = _mm_min_ps(m, _mm_movehl_ps(m, m));
        m = _mm_min_ss(m, _mm_shuffle_ps(m, m, 1));
        return _mm_cvtss_f32(m);
    }
    float least = std::numeric_limits<float>::infinity();
    for (int y = block * kBlockRows; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            least = std::min(least, depth[static_cast<size_t>(y) * w + x]);
    return least;
}

// One edge's function, positive inside: its value at the centre of the
// box's top-left pixel, less one where a centre on the edge is not the
// triangle's, and its steps per pixel across and down (all in 1/16384
// pixel squared). A pixel is covered where all three are at least zero.
struct Edge {
    int64_t value, dx, dy;
};

// The edge from (x0, y0) to (x1, y1) of a triangle whose doubled signed area
// has sign `sign`, measured from the pixel centre (px, py). Of two
// triangles on either side of an edge, exactly one takes the centres lying
// on it: the one the edge's inward direction points right (or straight
// down) into.
inline Edge MakeEdge(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t sign, int64_t px, int64_t py)
{
    const int64_t a = (y0 - y1) * sign, b = (x1 - x0) * sign;
    const int64_t value = a * (px - x0) + b * (py - y0);
    const bool takesTies = a > 0 || (a == 0 && b > 0);
    return Edge{value - (takesTies ? 0 : 1), a * kSub, b * kSub};
}

// Narrows [xs, xe] of a row, whose pixel x has the edge function `value`,
// to the pixels where the edge function is at least zero: from the first
// such when it grows along the row, up to the last when it falls. Exact: an estimate in floating point, then put right by the
// integer values.
inline void BoundSpan(const Edge& e, int64_t value, int x, int& xs, int& xe)
{
    if (e.dx > 0) {
        if (value >= 0)
            return;
        int64_t n = static_cast<int64_t>(static_cast<double>(-value) / static_cast<double>(e.dx));
        while (value + n * e.dx < 0)
            ++n;
        while (n > 0 && value + (n - 1) * e.dx >= 0)
            --n;
        xs = static_cast<int>(std::max<int64_t>(xs, x + n));
    } else if (e.dx < 0) {
        if (value < 0) {
            xe = xs - 1;
            return;
        }
        int64_t n = static_cast<int64_t>(static_cast<double>(value) / static_cast<double>(-e.dx));
        while (value + n * e.dx < 0)
            --n;
        while (value + (n + 1) * e.dx >= 0)
            ++n;
        xe = static_cast<int>(std::min<int64_t>(xe, x + n));
    } else if (value < 0) {
        xe = xs - 1;
    }
}

// The pixel's shading: depth test, fall-off, texture and highlight. Keeps
// the fall-off of the last pixel drawn and the range of iz it holds over.
struct Shader {
    const ScreenVertex &a, &b, &c;
    const PolygonPaint& paint;
    float* depth;
    uint32_t* pixels;
    uint32_t* ids;
    int falloff;
    double falloffFrom, falloffTo;
    uint32_t shaded;

    // Pixels [xs, xe] of row y, starting from weights w0 and w1 at xs.
    template <bool kPlain>
    bool Span(int y, int xs, int xe, size_t row, double w0, double w1, double dw0dx, double dw1dx)
    {
        bool drawn = false;
        for (int x = xs; x <= xe; ++x, w0 += dw0dx, w1 += dw1dx) {
            const double w2 = 1 - w0 - w1;
            const double iz = w0 * a.iz + w1 * b.iz + w2 * c.iz;
            const size_t i = row + x;
            const float fz = static_cast<float>(iz);
            if (fz <= depth[i] && (fz < depth[i] || paint.id >= ids[i]))
                continue;
            const bool opaque = kPlain || paint.opacity == 256;
            drawn |= opaque;
            if (opaque)
                depth[i] = fz;
            if (iz < falloffFrom || iz >= falloffTo) {
                falloff = kFalloff.Step(falloff, iz);
                falloffFrom = kFalloff.Least(falloff);
                falloffTo = kFalloff.Least(falloff + 1);
                shaded = Scale(paint.color, falloff);
            }
            ids[i] = paint.id;
            if (kPlain) {
                pixels[i] = shaded;
                continue;
            }
            uint32_t color = shaded;
            int light = paint.light;
            if (paint.smooth) {
                light = std::clamp(static_cast<int>((w0 * a.lz + w1 * b.lz + w2 * c.lz) / iz), 0, 256);
                color = Scale(Scale(paint.color, light), falloff);
            }
            if (paint.texture) {
                const double u = (w0 * a.uz + w1 * b.uz + w2 * c.uz) / iz;
                const double v = (w0 * a.vz + w1 * b.vz + w2 * c.vz) / iz;
                const Image& t = *paint.texture;
                int tx = FloorInt(u * t.width);
                int ty = FloorInt((1 - v) * t.height);
                if (static_cast<unsigned>(tx) >= static_cast<unsigned>(t.width))
                    tx %= t.width;
                if (static_cast<unsigned>(ty) >= static_cast<unsigned>(t.height))
                    ty %= t.height;
                if (tx < 0)
                    tx += t.width;
                if (ty < 0)
                    ty += t.height;
                color = Scale(t.pixels[static_cast<size_t>(ty) * t.width + tx], light * falloff >> 8);
            }
            if (paint.selected)
                color = Highlight(color, x, y);
            if (!opaque)
                color = Blend(color, pixels[i], paint.opacity);
            pixels[i] = color;
        }
        return drawn;
    }
};

// kPlain: the paint has no texture, is not selected, is lit alike all over
// and hides what is behind, so a pixel's colour changes only with its
// fall-off.
template <bool kPlain>
void Fill(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, const PolygonPaint& paint,
          Frame& frame, const Rows& rows, const Tiles& tiles)
{
    const int w = frame.color.width, h = frame.color.height;
    const int64_t ax = Snap(a.x), ay = Snap(a.y), bx = Snap(b.x), by = Snap(b.y), cx = Snap(c.x), cy = Snap(c.y);
    const int64_t area2 = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
    if (area2 == 0)
        return;
    // The pixels whose centres lie in the snapped corners' box.
    const int64_t half = kSub / 2;
    auto firstCentre = [&](int64_t v) { return static_cast<int>(-((half - v) >> kSubBits)); };  // ceil((v - half) / kSub)
    auto lastCentre = [&](int64_t v) { return static_cast<int>((v - half) >> kSubBits); };      // floor
    const int x0 = std::max(0, firstCentre(std::min({ax, bx, cx})));
    const int x1 = std::min(w - 1, lastCentre(std::max({ax, bx, cx})));
    const int y0 = std::max(0, firstCentre(std::min({ay, by, cy})));
    const int y1 = std::min(h - 1, lastCentre(std::max({ay, by, cy})));
    if (x0 > x1 || y0 > y1)
        return;
    // No pixel of the triangle is nearer than its nearest corner, nor
    // as near in float depth (the margin is far above the rounding of the
    // weights and of a depth to float). Nothing more is worked out for a
    // triangle hidden in all of the thread's rows it touches.
    const double nearest = std::max({a.iz, b.iz, c.iz}), farthest = std::min({a.iz, b.iz, c.iz});
    const double bound = nearest * (1 + kMargin);
    float* const depth = frame.depth.data();
    int block = FirstBlock(rows, y0);
    while (block * kBlockRows <= y1 && BlockNearer(tiles, depth, w, h, block, x0, x1, bound))
        block += rows.count;
    if (block * kBlockRows > y1)
        return;
    const int64_t sign = area2 > 0 ? 1 : -1;
    const int64_t px0 = x0 * kSub + half, py0 = y0 * kSub + half;
    const Edge edges[3] = {MakeEdge(bx, by, cx, cy, sign, px0, py0), MakeEdge(cx, cy, ax, ay, sign, px0, py0),
                           MakeEdge(ax, ay, bx, by, sign, px0, py0)};

    // Depth and texture are interpolated by barycentric weights, affine in
    // x and y: stepped per pixel from each row's first.
    const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    const double inv = area != 0 ? 1.0 / area : 0.0;
    const double dw0dx = (b.y - c.y) * inv, dw1dx = (c.y - a.y) * inv;
    const bool narrow = x1 - x0 <= kNarrow;
    // The fall-off is the same over the whole triangle when all of it is
    // nearer than 2.9 m (none) or farther than 12.5 m (the most); else it
    // is stepped from pixel to pixel.
    const int fixedFalloff = farthest >= 0.34 ? 256 : nearest <= 0.08 ? 170 : 0;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const int falloff = fixedFalloff ? fixedFalloff : 213;
    Shader shader{a,
                  b,
                  c,
                  paint,
                  depth,
                  frame.color.pixels.data(),
                  frame.ids.data(),
                  falloff,
                  fixedFalloff ? -kInfinity : kFalloff.Least(falloff),
                  fixedFalloff ? kInfinity : kFalloff.Least(falloff + 1),
                  Scale(paint.color, falloff)};
    for (bool first = true; block * kBlockRows <= y1; block += rows.count, first = false) {
        if (!first && BlockNearer(tiles, depth, w, h, block, x0, x1, bound))
            continue;
        bool drawn = false;
        const int rowEnd = std::min(y1, block * kBlockRows + kBlockRows - 1);
        for (int y = std::max(y0, block * kBlockRows); y <= rowEnd; ++y) {
            const int64_t rowsDown = y - y0;
            const int64_t e0 = edges[0].value + rowsDown * edges[0].dy, e1 = edges[1].value + rowsDown * edges[1].dy,
                          e2 = edges[2].value + rowsDown * edges[2].dy;
            const double py = y + 0.5;
            const size_t row = static_cast<size_t>(y) * w;
            auto weightsAt = [&](int x, double& w0, double& w1) {
                const double px = x + 0.5;
                w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) * inv;
                w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) * inv;
            };
            if (narrow) {
                // Each pixel of the box tested, the edge functions stepped.
                int64_t f0 = e0, f1 = e1, f2 = e2;
                double w0, w1;
                weightsAt(x0, w0, w1);
                for (int x = x0; x <= x1;
                     ++x, f0 += edges[0].dx, f1 += edges[1].dx, f2 += edges[2].dx, w0 += dw0dx, w1 += dw1dx)
                    if ((f0 | f1 | f2) >= 0)
                        drawn |= shader.Span<kPlain>(y, x, x, row, w0, w1, dw0dx, dw1dx);
                continue;
            }
            // The row's span, where all three edge functions are at least zero.
            int xs = x0, xe = x1;
            BoundSpan(edges[0], e0, x0, xs, xe);
            BoundSpan(edges[1], e1, x0, xs, xe);
            BoundSpan(edges[2], e2, x0, xs, xe);
            if (xs > xe)
                continue;
            double w0, w1;
            weightsAt(xs, w0, w1);
            drawn |= shader.Span<kPlain>(y, xs, xe, row, w0, w1, dw0dx, dw1dx);
        }
        if (drawn) {
            uint8_t* const stale = tiles.stale + static_cast<size_t>(block) * tiles.perRow;
            std::fill(stale + x0 / kTileColumns, stale + x1 / kTileColumns + 1, uint8_t{1});
        }
    }
}

}  // namespace

bool BlockNearer(const Tiles& tiles, const float* depth, int w, int h, int block, int x0, int x1, double bound)
{
    float* const least = tiles.least + static_cast<size_t>(block) * tiles.perRow;
    uint8_t* const stale = tiles.stale + static_cast<size_t>(block) * tiles.perRow;
    for (int t = x0 / kTileColumns; t <= x1 / kTileColumns; ++t) {
        if (stale[t]) {
            least[t] = LeastDepth(depth, w, h, block, t);
            stale[t] = 0;
        }
        if (!(bound <= least[t]))
            return false;
    }
    return true;
}

void ClearBlock(Frame& frame, const Tiles& tiles, int block)
{
    const int w = frame.color.width, h = frame.color.height;
    const size_t from = static_cast<size_t>(block) * kBlockRows * w;
    const size_t to = static_cast<size_t>(std::min(h, (block + 1) * kBlockRows)) * w;
    std::fill(frame.depth.begin() + from, frame.depth.begin() + to, 0.0f);
    std::fill(frame.ids.begin() + from, frame.ids.begin() + to, 0u);
    const size_t first = static_cast<size_t>(block) * tiles.perRow;
    std::fill(tiles.least + first, tiles.least + first + tiles.perRow, 0.0f);
    std::fill(tiles.stale + first, tiles.stale + first + tiles.perRow, uint8_t{0});
}

void FillTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, const PolygonPaint& paint,
                  Frame& frame, const Rows& rows, const Tiles& tiles)
{
    if (paint.texture || paint.selected || paint.smooth || paint.opacity < 256)
        Fill<false>(a, b, c, paint, frame, rows, tiles);
    else
        Fill<true>(a, b, c, paint, frame, rows, tiles);
}

void FillBackground(Frame& frame, int block)
{
    const int w = frame.color.width, h = frame.color.height;
    for (int y = block * kBlockRows; y < std::min(h, (block + 1) * kBlockRows); ++y) {
        const int shade = 235 - 60 * y / h;
        const uint32_t c = (uint32_t(shade - 20) << 16) | (uint32_t(shade - 8) << 8) | uint32_t(shade);
        const size_t row = static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x)
            if (frame.ids[row + x] == 0)
                frame.color.pixels[row + x] = c;
    }
}

}  // namespace walkhost
