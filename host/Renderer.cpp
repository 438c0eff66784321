#include "Renderer.h"

#include "Workers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <xmmintrin.h>

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

// Cuts a triangle at the near plane: none, three or four corners in order.
int ClipNear(const ClipVertex (&in)[3], ClipVertex (&out)[4])
{
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % 3];
        const bool aIn = a.p.z >= kNear, bIn = b.p.z >= kNear;
        if (aIn)
            out[n++] = a;
        if (aIn != bIn) {
            const double t = (kNear - a.p.z) / (b.p.z - a.p.z);
            out[n++] = ClipVertex{a.p + (b.p - a.p) * t, Vec2{a.uv.u + (b.uv.u - a.uv.u) * t, a.uv.v + (b.uv.v - a.uv.v) * t}};
        }
    }
    return n;
}

struct PolygonPaint {
    uint32_t color;          // 0x00RRGGBB, already shaded, when there is no texture
    const Image* texture;    // or the texture, shaded by `light`
    int light;               // 0 to 256
    bool selected;
    uint32_t id;
};

const FalloffSteps kFalloff;

// Rows are dealt to the threads in blocks of this many, in turn, so each
// thread gets a share of the sky, the walls and the floor.
constexpr int kBlockRows = 8;

// Triangles at most this many pixels wide are tested pixel by pixel across
// their box, without working out each row's span first.
constexpr int kNarrow = 8;

// A row's span is widened by kSlack pixels each side, far more than the
// rounding of its ends. An edge along which a weight changes by less than
// kLevel a pixel (nearly level with the rows) does not bound the span: its
// end would be too uncertain, and the pixels' own test decides.
constexpr double kSlack = 0.05;
constexpr double kLevel = 1e-6;

// The rows a thread draws: blocks b with b % count == index.
struct Rows {
    int index = 0;
    int count = 1;
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

// floor and ceil to int, for values well inside int's range: the same
// results as std::floor and std::ceil without a library call per pixel.
inline int FloorInt(double x)
{
    const int i = static_cast<int>(x);
    return i - (x < i);
}
inline int CeilInt(double x)
{
    const int i = static_cast<int>(x);
    return i + (x > i);
}

// Area of the triangle on the screen, doubled and signed.
inline double ScreenArea(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c)
{
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

// Tiles of kBlockRows x kTileColumns pixels, each with a bound no greater
// than the depth (1 / distance) of any of its pixels, worked out again when
// it is wanted after pixels of the tile were drawn. A triangle nearer
// nowhere than a row of tiles' bounds would draw none of its pixels there,
// and those rows are passed over. A row of tiles is a block of rows, so
// only the thread drawing that block reads and writes it.
constexpr int kTileColumns = 4;

// Anything nearer than a depth (1 / distance) by this share of it is still
// nearer once both are rounded to float, whatever the rounding of the
// weights they were stepped with.
constexpr double kMargin = 1e-6;

struct Tiles {
    float* least;
    uint8_t* stale;  // pixels drawn since `least` was worked out
    int perRow;
};

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

// The first block of the thread's rows at or after row y.
inline int FirstBlock(const Rows& rows, int y)
{
    const int block = y / kBlockRows;
    return block + ((rows.index - block % rows.count) + rows.count) % rows.count;
}

// Whether every pixel of the block in columns [x0, x1] is already at least
// `bound` near, by the bounds of its tiles (worked out again where stale).
inline bool BlockNearer(const Tiles& tiles, const float* depth, int w, int h, int block, int x0, int x1,
                        double bound)
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

// The pixels whose centres lie in the triangle, on the thread's rows only.
// Each row is scanned only across the span the three edges leave open (give
// or take kSlack, the per-pixel test deciding), so a long thin triangle
// costs its rows and its pixels, not its bounding box. A pixel takes the
// triangle if it is nearer than what the pixel shows, in float depth, or as
// near and of a surface earlier in the scene; so which of two surfaces at
// the same depth shows does not depend on the order they are drawn in.
// kPlain: the paint has no texture and is not selected, so a pixel's colour
// changes only with its fall-off.
template <bool kPlain>
void FillTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, const PolygonPaint& paint,
                  Frame& frame, const Rows& rows, const Tiles& tiles)
{
    const int w = frame.color.width, h = frame.color.height;
    const double area = ScreenArea(a, b, c);
    if (std::fabs(area) < 1e-9)
        return;
    // Only pixels whose centres lie in the triangle's box, give or take a
    // hair for rounding, can be drawn: a triangle smaller than a pixel
    // often has none, and a small one is tested on its own pixels only.
    // (Clamped to the picture before they become ints: a corner cut at the
    // near plane may lie far outside.)
    constexpr double kHair = 0.01;
    const int x0 = CeilInt(std::max(std::min({a.x, b.x, c.x}) - 0.5 - kHair, 0.0));
    const int x1 = FloorInt(std::min(std::max({a.x, b.x, c.x}) - 0.5 + kHair, w - 1.0));
    const int y0 = CeilInt(std::max(std::min({a.y, b.y, c.y}) - 0.5 - kHair, 0.0));
    const int y1 = FloorInt(std::min(std::max({a.y, b.y, c.y}) - 0.5 + kHair, h - 1.0));
    if (x0 > x1 || y0 > y1)
        return;
    const double inv = 1.0 / area;
    // Barycentric weights are affine in x and y: step them per pixel.
    const double dw0dx = (b.y - c.y) * inv, dw1dx = (c.y - a.y) * inv;
    const double dw2dx = -(dw0dx + dw1dx);
    const double ds[3] = {dw0dx, dw1dx, dw2dx};
    // Their reciprocals bound each row's span; a narrow triangle has no use for them.
    const bool narrow = x1 - x0 <= kNarrow;
    double rds[3] = {0, 0, 0};
    if (!narrow)
        for (int k = 0; k < 3; ++k)
            rds[k] = ds[k] != 0 ? 1 / ds[k] : 0;
    // The fall-off is the same over the whole triangle when all of it is
    // nearer than 2.9 m (none) or farther than 12.5 m (the most); else it
    // is stepped from pixel to pixel.
    const double nearest = std::max({a.iz, b.iz, c.iz}), farthest = std::min({a.iz, b.iz, c.iz});
    const int fixedFalloff = farthest >= 0.34 ? 256 : nearest <= 0.08 ? 170 : 0;
    // The fall-off of the last pixel drawn, the range of iz over which it
    // holds (every iz when it is fixed) and the colour it gives.
    int falloff = fixedFalloff ? fixedFalloff : 213;
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    double falloffFrom = fixedFalloff ? -kInfinity : kFalloff.Least(falloff);
    double falloffTo = fixedFalloff ? kInfinity : kFalloff.Least(falloff + 1);
    uint32_t shaded = Scale(paint.color, falloff);
    float* const depth = frame.depth.data();
    uint32_t* const pixels = frame.color.pixels.data();
    uint32_t* const ids = frame.ids.data();
    // No pixel of the triangle is nearer than its nearest corner, nor
    // as near in float depth (the margin is far above the rounding of the
    // weights and of a depth to float).
    const double bound = nearest * (1 + kMargin);
    for (int block = FirstBlock(rows, y0); block * kBlockRows <= y1; block += rows.count) {
        if (BlockNearer(tiles, depth, w, h, block, x0, x1, bound))
            continue;
        bool drawn = false;
        const int rowEnd = std::min(y1, block * kBlockRows + kBlockRows - 1);
        for (int y = std::max(y0, block * kBlockRows); y <= rowEnd; ++y) {
            const double py = y + 0.5;
            // Where each weight is at least zero along this row, give or
            // take kSlack for rounding (on a narrow triangle, testing its
            // few pixels costs less). Only the pixels between are tested.
            int xs = x0, xe = x1;
            if (!narrow) {
                const double px0 = x0 + 0.5;
                const double w0 = ((b.x - px0) * (c.y - py) - (b.y - py) * (c.x - px0)) * inv;
                const double w1 = ((c.x - px0) * (a.y - py) - (c.y - py) * (a.x - px0)) * inv;
                const double ws[3] = {w0, w1, 1 - w0 - w1};
                double lo = x0, hi = x1;
                bool empty = false;
                for (int k = 0; k < 3 && !empty; ++k) {
                    if (ds[k] >= kLevel)
                        lo = std::max(lo, x0 - ws[k] * rds[k] - kSlack);
                    else if (ds[k] <= -kLevel)
                        hi = std::min(hi, x0 - ws[k] * rds[k] + kSlack);
                    else if (ds[k] == 0 && ws[k] < -1e-9)
                        empty = true;
                }
                if (empty || !(lo <= hi))
                    continue;
                xs = CeilInt(lo);
                xe = FloorInt(hi);
            }
            const double px = xs + 0.5;
            double w0 = ((b.x - px) * (c.y - py) - (b.y - py) * (c.x - px)) * inv;
            double w1 = ((c.x - px) * (a.y - py) - (c.y - py) * (a.x - px)) * inv;
            const size_t row = static_cast<size_t>(y) * w;
            for (int x = xs; x <= xe; ++x, w0 += dw0dx, w1 += dw1dx) {
                const double w2 = 1 - w0 - w1;
                if (std::min(w0, std::min(w1, w2)) < 0)
                    continue;
                const double iz = w0 * a.iz + w1 * b.iz + w2 * c.iz;
                const size_t i = row + x;
                const float fz = static_cast<float>(iz);
                if (fz <= depth[i] && (fz < depth[i] || paint.id >= ids[i]))
                    continue;
                drawn = true;
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
                    color = Scale(t.pixels[static_cast<size_t>(ty) * t.width + tx], paint.light * falloff >> 8);
                }
                if (paint.selected)
                    color = Highlight(color, x, y);
                pixels[i] = color;
            }
        }
        if (drawn) {
            uint8_t* const stale = tiles.stale + static_cast<size_t>(block) * tiles.perRow;
            std::fill(stale + x0 / kTileColumns, stale + x1 / kTileColumns + 1, uint8_t{1});
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

FalloffSteps::FalloffSteps()
{
    // Bisection over the bit patterns of positive doubles, which order as
    // their values do, between an iz that keeps the least light and one that
    // keeps all of it.
    auto bits = [](double v) {
        uint64_t b;
        std::memcpy(&b, &v, sizeof b);
        return b;
    };
    auto value = [](uint64_t b) {
        double v;
        std::memcpy(&v, &b, sizeof v);
        return v;
    };
    least_[0] = 0;
    for (int f = 171; f <= 256; ++f) {
        uint64_t lo = bits(1e-6), hi = bits(1e6);  // FalloffAt: 170 and 256
        while (hi - lo > 1) {
            const uint64_t mid = lo + (hi - lo) / 2;
            (FalloffAt(value(mid)) >= f ? hi : lo) = mid;
        }
        least_[f - 170] = value(hi);
    }
    least_[257 - 170] = std::numeric_limits<double>::infinity();
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

namespace {

// A triangle as the camera sees it, ready to fill: its screen corners, its
// surface (index into the frame's paints), the run in view it comes from,
// and its light.
struct ScreenTriangle {
    ScreenVertex v[3];
    uint32_t surface;
    uint32_t run;
    int light;
    uint32_t color;
};

// A run of a surface's triangles the camera may see, [first, first + count),
// and where its triangles can fall: pixels in [x0, x1] x [y0, y1], none
// nearer than `nearest` (1 / depth; infinite when part of its box lies
// before the near plane).
struct VisibleRun {
    size_t surface, first, count;
    int x0, y0, x1, y1;
    double nearest;
};

// What a surface is drawn with in this frame.
struct SurfacePaint {
    const float* rgb;
    const Image* texture;
    bool selected;
};

// The pixels the triangles of a run's box can fall on, and their nearest depth.
void PlaceRun(const TriangleRun& run, const ViewBasis& basis, double focal, int w, int h, VisibleRun& out)
{
    double zmin = std::numeric_limits<double>::infinity();
    double xlo = zmin, xhi = -zmin, ylo = zmin, yhi = -zmin;
    for (int k = 0; k < 8; ++k) {
        const Vec3 corner(k & 1 ? run.hi.x : run.lo.x, k & 2 ? run.hi.y : run.lo.y, k & 4 ? run.hi.z : run.lo.z);
        const Vec3 v = basis.ToView(corner);
        if (v.z < kNear) {
            out.x0 = out.y0 = 0;
            out.x1 = w - 1;
            out.y1 = h - 1;
            out.nearest = std::numeric_limits<double>::infinity();
            return;
        }
        zmin = std::min(zmin, v.z);
        const double x = w / 2.0 + v.x / v.z * focal, y = h / 2.0 - v.y / v.z * focal;
        xlo = std::min(xlo, x);
        xhi = std::max(xhi, x);
        ylo = std::min(ylo, y);
        yhi = std::max(yhi, y);
    }
    // A pixel is drawn when its centre lies in a triangle: a pixel of margin
    // either side covers the rounding of the corners.
    out.x0 = static_cast<int>(std::max(0.0, std::floor(xlo - 1)));
    out.y0 = static_cast<int>(std::max(0.0, std::floor(ylo - 1)));
    out.x1 = static_cast<int>(std::min(w - 1.0, std::ceil(xhi)));
    out.y1 = static_cast<int>(std::min(h - 1.0, std::ceil(yhi)));
    out.nearest = 1 / zmin;
}

// Whether every pixel of the thread's rows that the run may fall on already
// holds something nearer than any point of the run, by a margin far above
// the rounding of a depth to float.
bool Hidden(const VisibleRun& run, const Frame& frame, const Rows& rows, const Tiles& tiles)
{
    const double bound = run.nearest * (1 + kMargin);
    for (int block = FirstBlock(rows, run.y0); block * kBlockRows <= run.y1; block += rows.count)
        if (!BlockNearer(tiles, frame.depth.data(), frame.color.width, frame.color.height, block, run.x0, run.x1,
                         bound))
            return false;
    return true;
}

}  // namespace

// Kept in the frame from one frame to the next, so drawing allocates only
// when the scene has grown.
struct RenderWork {
    // Per slice of the runs in view, per band of rows: the triangles that
    // touch the band's rows, nearest run first.
    std::vector<std::vector<std::vector<ScreenTriangle>>> parts;
    std::vector<SurfacePaint> paints;
    // The runs of triangles the camera may see; the same nearest first.
    std::vector<VisibleRun> visible;
    std::vector<uint32_t> nearestFirst;
    // Where each slice starts in that order (the count of runs at the end).
    std::vector<size_t> sliceStart;
    // The tiles' bounds on depth, by rows of blocks.
    std::vector<float> tileLeast;
    std::vector<uint8_t> tileStale;
};

void RenderScene(const Scene& scene, const Camera& camera, const std::vector<unsigned>& selected,
                 const TextureLookup& textures, Frame& frame, int threads)
{
    frame.Resize(camera.width, camera.height);
    if (!frame.work)
        frame.work = std::make_shared<RenderWork>();
    RenderWork& work = *frame.work;
    Workers& workers = Workers::Shared();
    const int count = threads > 0 ? threads : workers.Size();
    const int w = frame.color.width, h = frame.color.height;
    const ViewBasis basis = camera.Basis();
    const double focal = camera.Focal();

    // What each surface is drawn with, on this thread (textures may load),
    // and the runs of its triangles that may be in view.
    const std::vector<Surface>& surfaces = scene.Surfaces();
    const ViewVolume volume(camera, kNear);
    work.paints.resize(surfaces.size());
    work.visible.clear();
    size_t total = 0;
    static const float grey[3] = {0.7f, 0.7f, 0.7f};
    for (size_t s = 0; s < surfaces.size(); ++s) {
        const Surface& surface = surfaces[s];
        const Material* material = scene.GetMaterial(surface.material);
        const Image* texture = material && textures ? textures(*material) : nullptr;
        if (texture && (texture->width <= 0 || texture->height <= 0))
            texture = nullptr;
        const uint32_t id = static_cast<uint32_t>(s + 1);
        work.paints[s] = SurfacePaint{material ? material->record.color : grey, texture,
                                      std::find(selected.begin(), selected.end(), id) != selected.end()};
        for (const TriangleRun& run : surface.runs) {
            if (!volume.MayShow(run.lo, run.hi))
                continue;
            VisibleRun visible{s, run.first, run.count, 0, 0, 0, 0, 0};
            PlaceRun(run, basis, focal, w, h, visible);
            work.visible.push_back(visible);
            total += run.count;
        }
    }
    const size_t runs = work.visible.size();

    // The runs nearest first: drawn in that order, what lies in front is
    // mostly drawn before what it hides.
    work.nearestFirst.resize(runs);
    for (size_t r = 0; r < runs; ++r)
        work.nearestFirst[r] = static_cast<uint32_t>(r);
    std::sort(work.nearestFirst.begin(), work.nearestFirst.end(), [&](uint32_t a, uint32_t b) {
        const double na = work.visible[a].nearest, nb = work.visible[b].nearest;
        return na > nb || (na == nb && a < b);
    });

    // Each slice of those runs, of about equal numbers of triangles, is
    // projected by one thread, keeping the triangles on the picture in the
    // runs' order.
    const int slices = total >= 4096 ? count : 1;
    const int bands = std::max(1, std::min(count, (h + kBlockRows - 1) / kBlockRows));
    work.parts.resize(static_cast<size_t>(slices));
    std::vector<size_t>& sliceStart = work.sliceStart;
    sliceStart.assign(1, 0);
    for (size_t k = 0, sum = 0; k < runs; ++k) {
        sum += work.visible[work.nearestFirst[k]].count;
        if (sum * slices >= total * sliceStart.size() && sliceStart.size() < static_cast<size_t>(slices))
            sliceStart.push_back(k + 1);
    }
    sliceStart.resize(static_cast<size_t>(slices) + 1, runs);
    workers.Run(slices, [&](int part) {
        std::vector<std::vector<ScreenTriangle>>& out = work.parts[static_cast<size_t>(part)];
        out.resize(static_cast<size_t>(bands));
        for (std::vector<ScreenTriangle>& band : out)
            band.clear();
        for (size_t at = sliceStart[part]; at < sliceStart[part + 1]; ++at) {
            const uint32_t r = work.nearestFirst[at];
            const VisibleRun& run = work.visible[r];
            const size_t s = run.surface;
            for (size_t i = run.first; i < run.first + run.count; ++i) {
                const Triangle& tri = surfaces[s].triangles[i];
                ClipVertex view[3];
                for (int k = 0; k < 3; ++k)
                    view[k] = ClipVertex{basis.ToView(tri.p[k]), tri.uv[k]};
                if (view[0].p.z < kNear && view[1].p.z < kNear && view[2].p.z < kNear)
                    continue;
                ClipVertex clip[4];
                const int n = ClipNear(view, clip);
                if (n < 3)
                    continue;
                ScreenVertex screen[4];
                bool left = true, right = true, above = true, below = true;
                for (int k = 0; k < n; ++k) {
                    const double iz = 1.0 / clip[k].p.z;
                    screen[k] = ScreenVertex{w / 2.0 + clip[k].p.x * iz * focal, h / 2.0 - clip[k].p.y * iz * focal,
                                             iz, clip[k].uv.u * iz, clip[k].uv.v * iz};
                    left = left && screen[k].x < 0;
                    right = right && screen[k].x > w;
                    above = above && screen[k].y < 0;
                    below = below && screen[k].y > h;
                }
                if (left || right || above || below)
                    continue;
                const int light = static_cast<int>(256 * Shade(tri.normal, tri.p[0], camera.position));
                const uint32_t color = ToPixel(work.paints[s].rgb, light);
                for (int k = 1; k + 1 < n; ++k) {
                    const ScreenVertex &a = screen[0], &b = screen[k], &c = screen[k + 1];
                    const double top = std::max(0.0, std::floor(std::min({a.y, b.y, c.y})));
                    const double bottom = std::min(h - 1.0, std::ceil(std::max({a.y, b.y, c.y})));
                    if (top > bottom)
                        continue;
                    const ScreenTriangle entry{{a, b, c}, static_cast<uint32_t>(s), r, light, color};
                    // Dealt to the bands whose rows it may touch.
                    const int first = static_cast<int>(top) / kBlockRows, last = static_cast<int>(bottom) / kBlockRows;
                    if (last - first + 1 >= bands) {
                        for (std::vector<ScreenTriangle>& band : out)
                            band.push_back(entry);
                    } else {
                        for (int block = first; block <= last; ++block)
                            out[static_cast<size_t>(block % bands)].push_back(entry);
                    }
                }
            }
        }
    });

    const int tilesPerRow = (w + kTileColumns - 1) / kTileColumns;
    const size_t tileCount = static_cast<size_t>(tilesPerRow) * ((h + kBlockRows - 1) / kBlockRows);
    work.tileLeast.resize(tileCount);
    work.tileStale.resize(tileCount);
    const Tiles tiles{work.tileLeast.data(), work.tileStale.data(), tilesPerRow};

    // Each thread fills its own rows: the background, then the runs nearest
    // first, passing over each run that is hidden by then in its rows.
    workers.Run(bands, [&](int band) {
        const Rows rows{band, bands};
        for (int block = band; block * kBlockRows < h; block += bands) {
            for (int y = block * kBlockRows; y < std::min(h, (block + 1) * kBlockRows); ++y) {
                // Background: a pale sky above the horizon line of the view, ground below.
                const int shade = 235 - 60 * y / h;
                const uint32_t c = (uint32_t(shade - 20) << 16) | (uint32_t(shade - 8) << 8) | uint32_t(shade);
                const size_t row = static_cast<size_t>(y) * w;
                std::fill(frame.color.pixels.begin() + row, frame.color.pixels.begin() + row + w, c);
                std::fill(frame.depth.begin() + row, frame.depth.begin() + row + w, 0.0f);
                std::fill(frame.ids.begin() + row, frame.ids.begin() + row + w, 0u);
            }
            // Nothing drawn yet: every pixel at depth 0.
            const size_t first = static_cast<size_t>(block) * tilesPerRow;
            std::fill(tiles.least + first, tiles.least + first + tilesPerRow, 0.0f);
            std::fill(tiles.stale + first, tiles.stale + first + tilesPerRow, uint8_t{0});
        }
        // A run is looked at when its first triangle in these rows comes.
        uint32_t run = std::numeric_limits<uint32_t>::max();
        bool hidden = false;
        for (const std::vector<std::vector<ScreenTriangle>>& part : work.parts)
            for (const ScreenTriangle& t : part[static_cast<size_t>(band)]) {
                if (t.run != run) {
                    run = t.run;
                    hidden = Hidden(work.visible[run], frame, rows, tiles);
                }
                if (hidden)
                    continue;
                const SurfacePaint& surface = work.paints[t.surface];
                PolygonPaint paint;
                paint.light = t.light;
                paint.texture = surface.texture;
                paint.color = t.color;
                paint.selected = surface.selected;
                paint.id = t.surface + 1;
                if (paint.texture || paint.selected)
                    FillTriangle<false>(t.v[0], t.v[1], t.v[2], paint, frame, rows, tiles);
                else
                    FillTriangle<true>(t.v[0], t.v[1], t.v[2], paint, frame, rows, tiles);
            }
    });
}

}  // namespace walkhost
