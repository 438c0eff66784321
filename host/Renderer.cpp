#include "Renderer.h"

#include "Rasteriser.h"
#include "Workers.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace walkhost {
namespace {

constexpr double kNear = 0.05;

struct ClipVertex {
    Vec3 p;  // camera space
    Vec2 uv;
    double light;  // 0 to 256, where it changes across the triangle
};

// A plane of camera space the picture's triangles are cut at: points with
// Dot(normal, p) + offset >= 0 are kept.
struct ClipPlane {
    Vec3 normal;
    double offset;
    double At(const Vec3& p) const { return Dot(normal, p) + offset; }
};

// A triangle cut at the near plane and the guard band has at most 3 + 5 corners.
constexpr int kMaxCorners = 8;

// Cuts a convex polygon at a plane, into `out`; returns its corners' count.
// Where an edge crosses the plane, the corner is found from the edge's
// corner inside towards the one outside, whichever way round the polygon
// runs: two triangles sharing the edge get the very same corner, and their
// cut edges still meet exactly.
int ClipPolygon(const ClipVertex* in, int n, const ClipPlane& plane, ClipVertex* out)
{
    int m = 0;
    for (int i = 0; i < n; ++i) {
        const ClipVertex& a = in[i];
        const ClipVertex& b = in[(i + 1) % n];
        const double da = plane.At(a.p), db = plane.At(b.p);
        if (da >= 0)
            out[m++] = a;
        if ((da >= 0) != (db >= 0)) {
            const ClipVertex& inside = da >= 0 ? a : b;
            const ClipVertex& outside = da >= 0 ? b : a;
            const double di = std::max(da, db), dout = std::min(da, db);
            const double t = di / (di - dout);
            out[m++] = ClipVertex{inside.p + (outside.p - inside.p) * t,
                                  Vec2{inside.uv.u + (outside.uv.u - inside.uv.u) * t,
                                       inside.uv.v + (outside.uv.v - inside.uv.v) * t},
                                  inside.light + (outside.light - inside.light) * t};
        }
    }
    return m;
}

// A colour's channels from 0 to 1 as bytes, worked out once a frame per surface.
struct Channels {
    int c[3] = {0, 0, 0};
    Channels() = default;
    explicit Channels(const float rgb[3])
    {
        for (int i = 0; i < 3; ++i)
            c[i] = static_cast<int>(std::lround(std::clamp(rgb[i], 0.0f, 1.0f) * 255));
    }
};

uint32_t ToPixel(const Channels& rgb, int light)
{
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i)
        out = (out << 8) | static_cast<uint32_t>(rgb.c[i] * light >> 8);
    return out;
}

// floor and ceil to int, for values well inside int's range, without a library call.
inline int FloorToInt(double v)
{
    const int i = static_cast<int>(v);
    return i - (v < i);
}
inline int CeilToInt(double v)
{
    const int i = static_cast<int>(v);
    return i + (v > i);
}

// Whether the box of a triangle's corners on the screen holds a pixel
// centre, by a margin above the snapping of the corners, and its rows
// [top, bottom] that may. Pixel x's centre is x + 0.5: a box from a to b
// holds one when ceil(a - 0.5) <= floor(b - 0.5); the slack widens it past
// any rounding. Most triangles of a large model hold none and are passed
// over here.
inline bool HoldsCentre(double x0, double x1, double x2, double y0, double y1, double y2, int w, int h, int& top,
                        int& bottom)
{
    constexpr double kCentreSlack = 0.5 + 1.0 / 1024;
    const int left = std::max(0, CeilToInt(std::min({x0, x1, x2}) - kCentreSlack));
    const int right = std::min(w - 1, FloorToInt(std::max({x0, x1, x2}) + kCentreSlack - 1));
    top = std::max(0, CeilToInt(std::min({y0, y1, y2}) - kCentreSlack));
    bottom = std::min(h - 1, FloorToInt(std::max({y0, y1, y2}) + kCentreSlack - 1));
    return top <= bottom && left <= right;
}

// The pixels the triangles of a run's box can fall on, and their nearest depth.
void PlaceRun(const TriangleRun& run, const ViewBasis& basis, double focal, int w, int h, RunInView& out)
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
bool Hidden(const RunInView& run, const Frame& frame, const Rows& rows, const Tiles& tiles)
{
    const double bound = run.nearest * (1 + kMargin);
    for (int block = FirstBlock(rows, run.y0); block * kBlockRows <= run.y1; block += rows.count)
        if (!BlockNearer(tiles, frame.depth.data(), frame.color.width, frame.color.height, block, run.x0, run.x1,
                         bound))
            return false;
    return true;
}

// A triangle as the camera sees it, ready to fill: its screen corners (as
// indices into its slice's vertices), its surface (index into the frame's
// paints), the run in view it comes from, and its light. Kept small: every
// triangle dealt to a band is written once and read back for each band.
struct ScreenTriangle {
    uint32_t v[3];
    uint32_t surface;
    uint32_t run;
    int light;
    uint32_t color;  // shaded by `light`, or unshaded where the light changes across it
    bool smooth;
};

// A corner of the run being projected, as the camera sees it.
struct RunCorner {
    Vec3 view;        // camera space
    double x, y, iz;  // on the screen, where `inside`
    // Before the near plane and within the guard band: a triangle of three
    // such corners needs no cutting.
    bool inside;
    uint32_t vertex;  // its index among the slice's vertices, once a triangle took it there
};

constexpr uint32_t kNoVertex = std::numeric_limits<uint32_t>::max();

// What a surface is drawn with in this frame.
struct SurfacePaint {
    Channels rgb;
    const Image* texture;
    bool selected;
    bool laidByWorld;  // texture coordinates from Triangle::planarUv
    int opacity;       // of 256
};

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
    return ShadeFacing(Dot(normal, eye - pointOnPolygon) < 0 ? normal * -1 : normal);
}

double ShadeFacing(const Vec3& n)
{
    static const Vec3 key = Normalize(Vec3(0.3, 0.9, 0.6));
    static const Vec3 fill = Normalize(Vec3(-0.8, -0.45, -0.25));
    return std::min(1.0, 0.5 + 0.42 * std::max(0.0, Dot(n, key)) + 0.32 * std::max(0.0, Dot(n, fill)));
}

void RunsInView(const Scene& scene, const Camera& camera, std::vector<RunInView>& runs)
{
    runs.clear();
    const int w = std::max(camera.width, 1), h = std::max(camera.height, 1);
    const ViewBasis basis = camera.Basis();
    const double focal = camera.Focal();
    const ViewVolume volume(camera, kNear);
    const std::vector<Surface>& surfaces = scene.Surfaces();
    for (size_t s = 0; s < surfaces.size(); ++s)
        for (const TriangleRun& run : surfaces[s].runs) {
            if (!volume.MayShow(run.lo, run.hi))
                continue;
            RunInView visible{s, run.first, run.count, 0, 0, 0, 0, 0, run.firstCorner, run.cornerCount};
            PlaceRun(run, basis, focal, w, h, visible);
            runs.push_back(visible);
        }
    // Nearest first; of runs as near, the one earlier in the scene first.
    std::stable_sort(runs.begin(), runs.end(),
                     [](const RunInView& a, const RunInView& b) { return a.nearest > b.nearest; });
}

// Kept in the frame from one frame to the next, so drawing allocates only
// when the scene has grown.
struct RenderWork {
    // Per slice of the runs in view, per band of rows: the triangles that
    // touch the band's rows, nearest run first.
    std::vector<std::vector<std::vector<ScreenTriangle>>> parts;
    // The same for the see-through surfaces, drawn after the others.
    std::vector<std::vector<std::vector<ScreenTriangle>>> seeThrough;
    // Per slice, the screen corners its triangles index.
    std::vector<std::vector<ScreenVertex>> vertices;
    // Per slice, the corners of the run it is projecting.
    std::vector<std::vector<RunCorner>> corners;
    std::vector<SurfacePaint> paints;
    // The runs of triangles the camera may see, nearest first.
    std::vector<RunInView> visible;
    // Where each slice starts in that order (the count of runs at the end).
    std::vector<size_t> sliceStart;
    // The tiles' bounds on depth, by rows of blocks.
    std::vector<float> tileLeast;
    std::vector<uint8_t> tileStale;
};

namespace {

// Stage 1: what each surface is drawn with, on this thread (textures may
// load), and the runs of triangles the camera may see, nearest first.
void CollectRuns(const Scene& scene, const Camera& camera, const std::vector<unsigned>& selected,
                 const TextureLookup& textures, RenderWork& work)
{
    const std::vector<Surface>& surfaces = scene.Surfaces();
    work.paints.resize(surfaces.size());
    static const float grey[3] = {0.7f, 0.7f, 0.7f};
    for (size_t s = 0; s < surfaces.size(); ++s) {
        const Material* material = scene.GetMaterial(surfaces[s].material);
        const Image* texture = material && textures ? textures(*material) : nullptr;
        if (texture && (texture->width <= 0 || texture->height <= 0))
            texture = nullptr;
        const uint32_t id = static_cast<uint32_t>(s + 1);
        const int opacity = material ? std::clamp(static_cast<int>(std::lround(material->opacity * 256)), 0, 256) : 256;
        work.paints[s] = SurfacePaint{Channels(material ? material->record.color : grey), texture,
                                      std::find(selected.begin(), selected.end(), id) != selected.end(),
                                      texture && material->LaidByWorld(), opacity};
    }
    RunsInView(scene, camera, work.visible);
}

// The camera's view of the triangles: camera space, the picture's centre
// and scale, and the planes triangles are cut at (the near plane, then the
// guard band's four sides).
struct Projection {
    ViewBasis basis;
    Vec3 eye;
    double focal, cx, cy;
    int w, h;
    ClipPlane planes[5];

    explicit Projection(const Camera& camera)
        : basis(camera.Basis()),
          eye(camera.position),
          focal(camera.Focal()),
          cx(std::max(camera.width, 1) / 2.0),
          cy(std::max(camera.height, 1) / 2.0),
          w(std::max(camera.width, 1)),
          h(std::max(camera.height, 1)),
          planes{{Vec3(0, 0, 1), -kNear},
                 {Vec3(-focal, 0, cx + kGuardBand), 0},
                 {Vec3(focal, 0, cx + kGuardBand), 0},
                 {Vec3(0, -focal, cy + kGuardBand), 0},
                 {Vec3(0, focal, cy + kGuardBand), 0}}
    {
    }

    ScreenVertex ToScreen(const ClipVertex& v) const
    {
        const double iz = 1.0 / v.p.z;
        return ScreenVertex{cx + v.p.x * iz * focal, cy - v.p.y * iz * focal, iz, v.uv.u * iz, v.uv.v * iz,
                            v.light * iz};
    }

    // The triangle on the screen: its corners, cut at the near plane and
    // the guard band where it crosses them (a convex polygon, drawn as the
    // fan over its first corner); 0 when none of it can show. Texture
    // coordinates from `uvs`, the corners' light from `lights`.
    int Project(const Triangle& tri, const Vec2* uvs, const double* lights, ScreenVertex (&screen)[kMaxCorners]) const
    {
        ClipVertex corners[2][kMaxCorners];
        bool inside = true;
        for (int k = 0; k < 3; ++k) {
            corners[0][k] = ClipVertex{basis.ToView(tri.p[k]), uvs[k], lights[k]};
            inside = inside && corners[0][k].p.z >= kNear;
        }
        int n = 3;
        if (inside) {
            for (int k = 0; k < 3 && inside; ++k) {
                screen[k] = ToScreen(corners[0][k]);
                inside = std::fabs(screen[k].x - cx) <= cx + kGuardBand && std::fabs(screen[k].y - cy) <= cy + kGuardBand;
            }
        }
        if (!inside) {
            int current = 0;
            for (const ClipPlane& plane : planes) {
                const ClipVertex* c = corners[current];
                bool all = true;
                for (int k = 0; k < n && all; ++k)
                    all = plane.At(c[k].p) >= 0;
                if (all)
                    continue;
                n = ClipPolygon(c, n, plane, corners[1 - current]);
                current = 1 - current;
                if (n < 3)
                    return 0;
            }
            for (int k = 0; k < n; ++k)
                screen[k] = ToScreen(corners[current][k]);
        }
        bool left = true, right = true, above = true, below = true;
        for (int k = 0; k < n; ++k) {
            left = left && screen[k].x < 0;
            right = right && screen[k].x > w;
            above = above && screen[k].y < 0;
            below = below && screen[k].y > h;
        }
        return left || right || above || below ? 0 : n;
    }
};

// Stage 2: the triangles of the runs in view on the screen. Each slice of
// the runs, of about equal numbers of triangles, is projected by one
// thread: cut at the near plane and the guard band, lit, and dealt to the
// bands of rows they touch, in the runs' order.
void ProjectRuns(const Scene& scene, const Projection& view, int threads, int bands, Workers& workers,
                 RenderWork& work)
{
    const std::vector<Surface>& surfaces = scene.Surfaces();
    const int w = view.w, h = view.h;
    const size_t runs = work.visible.size();
    size_t total = 0;
    for (const RunInView& run : work.visible)
        total += run.count;
    const int slices = total >= 4096 ? threads : 1;
    work.parts.resize(static_cast<size_t>(slices));
    work.seeThrough.resize(static_cast<size_t>(slices));
    std::vector<size_t>& sliceStart = work.sliceStart;
    sliceStart.assign(1, 0);
    for (size_t k = 0, sum = 0; k < runs; ++k) {
        sum += work.visible[k].count;
        if (sum * slices >= total * sliceStart.size() && sliceStart.size() < static_cast<size_t>(slices))
            sliceStart.push_back(k + 1);
    }
    sliceStart.resize(static_cast<size_t>(slices) + 1, runs);
    // Blocks of rows go to the bands in turn: block % bands, by a mask where bands is a power of two.
    const int bandMask = (bands & (bands - 1)) == 0 ? bands - 1 : -1;
    work.vertices.resize(static_cast<size_t>(slices));
    work.corners.resize(static_cast<size_t>(slices));
    workers.Run(slices, [&](int part) {
        for (auto* lists : {&work.parts[static_cast<size_t>(part)], &work.seeThrough[static_cast<size_t>(part)]}) {
            lists->resize(static_cast<size_t>(bands));
            for (std::vector<ScreenTriangle>& band : *lists)
                band.clear();
        }
        std::vector<ScreenVertex>& vertices = work.vertices[static_cast<size_t>(part)];
        vertices.clear();
        std::vector<RunCorner>& corners = work.corners[static_cast<size_t>(part)];
        // Triangles of one face share its normal and first corner, hence its light.
        constexpr uint32_t kNoFace = std::numeric_limits<uint32_t>::max();
        uint32_t lit = kNoFace;
        int light = 0;
        uint32_t color = 0;
        for (size_t at = sliceStart[part]; at < sliceStart[part + 1]; ++at) {
            const RunInView& run = work.visible[at];
            const size_t s = run.surface;
            const Surface& surface = surfaces[s];
            const SurfacePaint& paint = work.paints[s];
            std::vector<std::vector<ScreenTriangle>>& out =
                (paint.opacity < 256 ? work.seeThrough : work.parts)[static_cast<size_t>(part)];
            lit = kNoFace;
            // Each distinct corner of the run projected once.
            corners.resize(run.cornerCount);
            for (size_t k = 0; k < run.cornerCount; ++k) {
                RunCorner& c = corners[k];
                c.view = view.basis.ToView(surface.corners[run.firstCorner + k]);
                c.vertex = kNoVertex;
                c.inside = c.view.z >= kNear;
                if (c.inside) {
                    c.iz = 1.0 / c.view.z;
                    c.x = view.cx + c.view.x * c.iz * view.focal;
                    c.y = view.cy - c.view.y * c.iz * view.focal;
                    c.inside = std::fabs(c.x - view.cx) <= view.cx + kGuardBand &&
                               std::fabs(c.y - view.cy) <= view.cy + kGuardBand;
                }
            }
            // The triangle's light: from each corner's normal where they are
            // not all the face's, else the face's.
            bool smooth = false;
            double lights[3] = {0, 0, 0};
            auto lightCorners = [&](const Triangle& tri, uint32_t face) {
                smooth = (face & Surface::kLitByCorners) != 0;
                if (smooth) {
                    const bool back = Dot(tri.normal, view.eye - tri.p[0]) < 0;
                    for (int k = 0; k < 3; ++k)
                        lights[k] = 256 * ShadeFacing(back ? tri.normals[k] * -1 : tri.normals[k]);
                }
            };
            // Its first corner is its face's: `firstCorner`.
            auto lightFace = [&](uint32_t face, const Vec3& firstCorner) {
                if (smooth) {
                    lit = kNoFace;
                    light = 256;
                    color = ToPixel(paint.rgb, 256);
                } else if (face != lit) {
                    lit = face;
                    light = static_cast<int>(256 * Shade(surface.faceNormals[face], firstCorner, view.eye));
                    color = ToPixel(paint.rgb, light);
                }
            };
            // Dealt to the bands whose rows [top, bottom] it may touch.
            auto deal = [&](const uint32_t (&v)[3], int top, int bottom) {
                const ScreenTriangle entry{{v[0], v[1], v[2]}, static_cast<uint32_t>(s), static_cast<uint32_t>(at),
                                           light, color, smooth};
                const int first = top / kBlockRows, last = bottom / kBlockRows;
                if (last - first + 1 >= bands) {
                    for (std::vector<ScreenTriangle>& band : out)
                        band.push_back(entry);
                } else {
                    for (int block = first; block <= last; ++block)
                        out[static_cast<size_t>(bandMask >= 0 ? block & bandMask : block % bands)].push_back(entry);
                }
            };
            const uint32_t* cornerOf = surface.cornerOf.data() + 3 * run.first;
            for (size_t i = run.first; i < run.first + run.count; ++i, cornerOf += 3) {
                const RunCorner* c[3] = {&corners[cornerOf[0]], &corners[cornerOf[1]], &corners[cornerOf[2]]};
                const Triangle& tri = surface.triangles[i];
                const uint32_t face = surface.faceOf[i];
                if (c[0]->inside && c[1]->inside && c[2]->inside) {
                    // Passed over before anything else of it is read when
                    // its box holds no pixel centre.
                    int top, bottom;
                    if (!HoldsCentre(c[0]->x, c[1]->x, c[2]->x, c[0]->y, c[1]->y, c[2]->y, w, h, top, bottom))
                        continue;
                    lightCorners(tri, face);
                    lightFace(face, surface.corners[run.firstCorner + cornerOf[0]]);
                    uint32_t v[3];
                    if (!smooth && !paint.texture) {
                        // Only the corners' place and depth are read: shared
                        // with the run's other triangles.
                        for (int k = 0; k < 3; ++k) {
                            RunCorner& corner = corners[cornerOf[k]];
                            if (corner.vertex == kNoVertex) {
                                corner.vertex = static_cast<uint32_t>(vertices.size());
                                vertices.push_back(ScreenVertex{corner.x, corner.y, corner.iz, 0, 0, 0});
                            }
                            v[k] = corner.vertex;
                        }
                    } else {
                        const Vec2* uvs = paint.laidByWorld ? tri.planarUv : tri.uv;
                        for (int k = 0; k < 3; ++k) {
                            const double iz = c[k]->iz;
                            v[k] = static_cast<uint32_t>(vertices.size());
                            vertices.push_back(
                                ScreenVertex{c[k]->x, c[k]->y, iz, uvs[k].u * iz, uvs[k].v * iz, lights[k] * iz});
                        }
                    }
                    deal(v, top, bottom);
                    continue;
                }
                // Cut at the near plane or the guard band.
                lightCorners(tri, face);
                ScreenVertex screen[kMaxCorners];
                const int n = view.Project(tri, paint.laidByWorld ? tri.planarUv : tri.uv, lights, screen);
                if (n == 0)
                    continue;
                lightFace(face, tri.p[0]);
                uint32_t base = kNoVertex;
                for (int k = 1; k + 1 < n; ++k) {
                    const ScreenVertex &a = screen[0], &b = screen[k], &c2 = screen[k + 1];
                    int top, bottom;
                    if (!HoldsCentre(a.x, b.x, c2.x, a.y, b.y, c2.y, w, h, top, bottom))
                        continue;
                    if (base == kNoVertex) {
                        base = static_cast<uint32_t>(vertices.size());
                        vertices.insert(vertices.end(), screen, screen + n);
                    }
                    const uint32_t v[3] = {base, base + k, base + k + 1};
                    deal(v, top, bottom);
                }
            }
        }
    });
}

// Stages 3 and 4, on one band of rows: the triangles rasterised and their
// pixels shaded, nearest run first, passing over each run that is hidden by
// then in these rows; then the frame finished with the background where
// nothing was drawn; then the see-through surfaces blended over it all,
// farthest run first.
void DrawBand(int band, int bands, const RenderWork& work, Frame& frame, const Tiles& tiles)
{
    const int h = frame.color.height;
    const Rows rows{band, bands};
    for (int block = band; block * kBlockRows < h; block += bands)
        ClearBlock(frame, tiles, block);
    // A run is looked at when its first triangle in these rows comes.
    uint32_t run = std::numeric_limits<uint32_t>::max();
    bool hidden = false;
    auto draw = [&](const ScreenTriangle& t, const ScreenVertex* v) {
        if (t.run != run) {
            run = t.run;
            hidden = Hidden(work.visible[run], frame, rows, tiles);
        }
        if (hidden)
            return;
        const SurfacePaint& surface = work.paints[t.surface];
        PolygonPaint paint;
        paint.light = t.light;
        paint.texture = surface.texture;
        paint.color = t.color;
        paint.selected = surface.selected;
        paint.id = t.surface + 1;
        paint.smooth = t.smooth;
        paint.opacity = surface.opacity;
        FillTriangle(v[t.v[0]], v[t.v[1]], v[t.v[2]], paint, frame, rows, tiles);
    };
    for (size_t part = 0; part < work.parts.size(); ++part) {
        const ScreenVertex* v = work.vertices[part].data();
        for (const ScreenTriangle& t : work.parts[part][static_cast<size_t>(band)])
            draw(t, v);
    }
    for (int block = band; block * kBlockRows < h; block += bands)
        FillBackground(frame, block);
    for (size_t part = work.seeThrough.size(); part-- > 0;) {
        const ScreenVertex* v = work.vertices[part].data();
        const std::vector<ScreenTriangle>& list = work.seeThrough[part][static_cast<size_t>(band)];
        for (auto t = list.rbegin(); t != list.rend(); ++t)
            draw(*t, v);
    }
}

}  // namespace

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
    const int bands = std::max(1, std::min(count, (h + kBlockRows - 1) / kBlockRows));

    CollectRuns(scene, camera, selected, textures, work);
    ProjectRuns(scene, Projection(camera), count, bands, workers, work);

    const int tilesPerRow = (w + kTileColumns - 1) / kTileColumns;
    const size_t tileCount = static_cast<size_t>(tilesPerRow) * ((h + kBlockRows - 1) / kBlockRows);
    work.tileLeast.resize(tileCount);
    work.tileStale.resize(tileCount);
    const Tiles tiles{work.tileLeast.data(), work.tileStale.data(), tilesPerRow};
    workers.Run(bands, [&](int band) { DrawBand(band, bands, work, frame, tiles); });
}

}  // namespace walkhost
