// The software renderer's pictures: the demo apartment from four views,
// compared with the frames kept in frames/ (the renderer's output before it
// was made fast), and the same frame whatever the number of threads.
// TG_WRITE_FRAMES=1 rewrites the kept frames from the current renderer.
#include "Camera.h"
#include "DemoScene.h"
#include "Image.h"
#include "Picking.h"
#include "RenderCases.h"
#include "Renderer.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

using namespace walkhost;

namespace {

const std::string kSource = TG_SOURCE_DIR;

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// The demo's textures, decoded from data/host/textures by the map's name.
class DemoTextures {
public:
    const Image* operator()(const Material& m)
    {
        const std::string name = HvString_Text(&m.record.mapFile[0]);
        if (name.empty())
            return nullptr;
        auto it = images_.find(name);
        if (it == images_.end()) {
            auto image = std::make_unique<Image>();
            if (!DecodeImage(ReadBytes(kSource + "/data/host/textures/" + name), *image))
                image.reset();
            it = images_.emplace(name, std::move(image)).first;
        }
        return it->second.get();
    }

private:
    std::map<std::string, std::unique_ptr<Image>> images_;
};

struct View {
    const char* name;
    Camera camera;
    std::vector<const char*> selected;
};

std::vector<View> DemoViews()
{
    std::vector<View> views;
    views.push_back({"start", DemoStartCamera(320, 240), {}});
    views.push_back({"selected", DemoStartCamera(320, 240), {"living.wall.north", "living.rug", "living.sofa"}});
    Camera bedroom = DemoStartCamera(320, 240);
    bedroom.position = Vec3(8.4, 1.5, -0.6);
    bedroom.yaw = -1.0;  // looking west-north-west, back through the door
    bedroom.pitch = -0.15;
    views.push_back({"bedroom", bedroom, {"bedroom.bed"}});
    Camera corner = DemoStartCamera(320, 240);
    corner.position = Vec3(0.4, 1.2, -4.6);  // close to the walls: much is cut at the near plane
    corner.yaw = 2.5;
    corner.pitch = 0.7;
    views.push_back({"corner", corner, {}});
    return views;
}

std::vector<unsigned> Handles(const Scene& scene, const std::vector<const char*>& names)
{
    std::vector<unsigned> handles;
    for (const char* name : names)
        handles.push_back(scene.FindSurface(name));
    return handles;
}

int ChannelDifference(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
    return worst;
}

}  // namespace

TEST(RendererPictures, DemoViewsMatchTheKeptFrames)
{
    Scene scene;
    scene.Assign(MakeDemoApartment());
    DemoTextures textures;
    const bool write = std::getenv("TG_WRITE_FRAMES") != nullptr;
    for (const View& view : DemoViews()) {
        Frame frame;
        RenderScene(scene, view.camera, Handles(scene, view.selected), std::ref(textures), frame);
        const std::string path = kSource + "/tests/native/host/frames/" + view.name + ".png";
        if (write) {
            const std::vector<unsigned char> png = EncodePng(frame.color);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                        static_cast<std::streamsize>(png.size()));
            continue;
        }
        Image kept;
        ASSERT_TRUE(DecodeImage(ReadBytes(path), kept)) << path;
        ASSERT_EQ(kept.width, frame.color.width);
        ASSERT_EQ(kept.height, frame.color.height);
        // Pixel for pixel.
        int differing = 0, worst = 0;
        for (size_t i = 0; i < kept.pixels.size(); ++i)
            if (kept.pixels[i] != frame.color.pixels[i]) {
                ++differing;
                worst = std::max(worst, ChannelDifference(kept.pixels[i], frame.color.pixels[i]));
            }
        EXPECT_EQ(differing, 0) << view.name << ", the largest difference " << worst;
    }
}

TEST(RendererPictures, OneThreadOrManyDrawTheSameFrame)
{
    Scene scene;
    scene.Assign(MakeDemoApartment());
    DemoTextures textures;
    for (const View& view : DemoViews()) {
        Camera camera = view.camera;
        camera.width = 333;  // rows not a multiple of any band
        camera.height = 251;
        const std::vector<unsigned> selected = Handles(scene, view.selected);
        Frame one, many;
        RenderScene(scene, camera, selected, std::ref(textures), one, 1);
        RenderScene(scene, camera, selected, std::ref(textures), many, 4);
        EXPECT_EQ(one.color.pixels, many.color.pixels) << view.name;
        EXPECT_EQ(one.ids, many.ids) << view.name;
        EXPECT_EQ(one.depth, many.depth) << view.name;
    }
}

namespace {

// Small quads strewn all round the eye at 0.2 to 12 m, some cut by the near
// plane and many just past the picture's edges, over four surfaces.
ObjModel StrewnQuads(int count)
{
    ObjModel model;
    model.materials.resize(2);
    model.materials[1].kd[0] = 0.2f;
    model.surfaces.resize(4);
    unsigned seed = 12345;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) & 0xffff) / 65536.0;
    };
    for (int i = 0; i < count; ++i) {
        const double heading = next() * 6.2832, rise = (next() - 0.5) * 2.4, distance = 0.2 + next() * 12;
        const Vec3 centre(std::sin(heading) * distance, 1.6 + rise * distance * 0.5, -std::cos(heading) * distance);
        const Vec3 a(next() - 0.5, next() - 0.5, next() - 0.5), b(next() - 0.5, next() - 0.5, next() - 0.5);
        ObjSurface& surface = model.surfaces[static_cast<size_t>(i % 4)];
        surface.material = i % 2;
        surface.faces.push_back(ObjFace{{centre, centre + a, centre + a + b, centre + b}, {}});
    }
    for (size_t s = 0; s < model.surfaces.size(); ++s)
        model.surfaces[s].name = "strewn" + std::to_string(s);
    return model;
}

}  // namespace

TEST(ViewVolume, TurnsDownOnlyBoxesWhollyOutsideThePicture)
{
    Camera camera;  // at (0, 1.6, 0) looking along -z, 1024 x 768
    const ViewVolume volume(camera, 0.05);
    auto shows = [&volume](Vec3 centre, double half) {
        return volume.MayShow(centre + Vec3(-half, -half, -half), centre + Vec3(half, half, half));
    };
    EXPECT_TRUE(shows(Vec3(0, 1.6, -5), 0.1));
    EXPECT_FALSE(shows(Vec3(0, 1.6, 5), 0.1)) << "behind the eye";
    EXPECT_FALSE(shows(Vec3(0, 1.6, -0.02), 0.01)) << "between the eye and the near plane";
    EXPECT_TRUE(shows(Vec3(0, 1.6, 0), 0.5)) << "around the eye";
    // The picture's left edge at 5 m lies tan-wise at x = -5 * 512 / focal.
    const double edge = -5 * (camera.width / 2.0) / camera.Focal();
    EXPECT_FALSE(shows(Vec3(edge - 0.2, 1.6, -5), 0.1));
    EXPECT_TRUE(shows(Vec3(edge - 0.05, 1.6, -5), 0.1)) << "across the edge";
    EXPECT_FALSE(shows(Vec3(0, 1.6 + 5 * 384 / camera.Focal() + 0.2, -5), 0.1)) << "above the top edge";
    EXPECT_TRUE(shows(Vec3(0, 1.6 - 5 * 384 / camera.Focal() + 0.05, -5), 0.1)) << "across the bottom edge";
}

// Skipping runs out of view changes no pixel: runs of one triangle (every
// one tested) draw the same frames as a run per surface (none skipped
// unless a whole surface is out of view), from every side.
TEST(RendererPictures, SkippingRunsOutOfViewChangesNoPixel)
{
    const ObjModel model = StrewnQuads(3000);
    Scene fine, coarse;
    fine.Assign(model, 1);
    coarse.Assign(model, 1u << 30);
    ASSERT_EQ(fine.TriangleCount(), 6000u);
    ASSERT_EQ(fine.Surfaces()[0].runs.size(), 1500u);
    ASSERT_EQ(coarse.Surfaces()[0].runs.size(), 1u);
    const std::vector<unsigned> selected = {2};
    for (int step = 0; step < 16; ++step)
        for (double pitch : {-0.9, 0.0, 0.6}) {
            Camera camera;
            camera.width = 200;
            camera.height = 150;
            camera.yaw = step * 6.2832 / 16;
            camera.pitch = pitch;
            Frame a, b;
            RenderScene(fine, camera, selected, nullptr, a);
            RenderScene(coarse, camera, selected, nullptr, b);
            ASSERT_EQ(a.color.pixels, b.color.pixels) << "heading " << step << ", pitch " << pitch;
            ASSERT_EQ(a.ids, b.ids);
            ASSERT_EQ(a.depth, b.depth);
        }
}

// The corners the software renderer projects once per run: each
// triangle's corners are the same bits as its run's indexed ones, a run
// holds each corner once, and a triangle's face gives its normal and
// whether it is lit by its corners.
TEST(RendererScene, RunsIndexTheirTrianglesCornersOnce)
{
    for (const ObjModel& model : {MakeDemoApartment(), StrewnQuads(300)})
        for (size_t runLength : {size_t{1}, Scene::kRunLength, size_t{1} << 30}) {
            Scene scene;
            scene.Assign(model, runLength);
            size_t corners = 0, triangles = 0;
            for (const Surface& s : scene.Surfaces()) {
                ASSERT_EQ(s.cornerOf.size(), 3 * s.triangles.size());
                ASSERT_EQ(s.faceOf.size(), s.triangles.size());
                for (const TriangleRun& run : s.runs) {
                    for (size_t i = run.first; i < run.first + run.count; ++i) {
                        const Triangle& t = s.triangles[i];
                        for (int k = 0; k < 3; ++k) {
                            ASSERT_LT(s.cornerOf[3 * i + k], run.cornerCount);
                            const Vec3& c = s.corners[run.firstCorner + s.cornerOf[3 * i + k]];
                            ASSERT_EQ(std::memcmp(&c, &t.p[k], sizeof c), 0) << "triangle " << i << ", corner " << k;
                        }
                        const uint32_t face = s.faceOf[i];
                        const Vec3& n = s.faceNormals[face & ~Surface::kLitByCorners];
                        ASSERT_EQ(std::memcmp(&n, &t.normal, sizeof n), 0);
                        ASSERT_EQ((face & Surface::kLitByCorners) != 0, LitByCorners(t));
                    }
                    for (size_t a = 0; a < run.cornerCount; ++a)
                        for (size_t b = a + 1; b < run.cornerCount; ++b)
                            ASSERT_NE(std::memcmp(&s.corners[run.firstCorner + a], &s.corners[run.firstCorner + b],
                                                  sizeof(Vec3)),
                                      0);
                    corners += run.cornerCount;
                }
                triangles += s.triangles.size();
            }
            // The two triangles of a quad share two corners.
            if (runLength > 1) {
                EXPECT_LT(corners, 3 * triangles) << "run length " << runLength;
            }
        }
}

// The fall-off found by stepping is the divided one exactly, at and either
// side of every step and from any start, and over depths from the eye to
// the far distance.
TEST(RendererFalloff, SteppingGivesTheDividedValueEverywhere)
{
    const FalloffSteps steps;
    std::vector<double> izs = {1e-9, 1e-6, 0.08, 0.34, 1.0, 20.0, 1e7};
    for (double z = 0.05; z < 40; z *= 1.0007)
        izs.push_back(1 / z);
    for (double iz = 0.0785; iz < 0.342; iz += 1e-6)  // through every step
        izs.push_back(iz);
    int mismatches = 0;
    for (double iz : izs)
        for (int start : {170, 213, 256})
            mismatches += steps.Step(start, iz) != FalloffAt(iz);
    EXPECT_EQ(mismatches, 0);
    // The doubles next to each step, where 256 * (1.12 - 0.04 / iz) = f.
    int checked = 0;
    for (int f = 171; f <= 256; ++f) {
        double iz = 0.04 / (1.12 - f / 256.0);
        for (int i = 0; i < 64; ++i)
            iz = std::nextafter(iz, 0.0);
        for (int i = 0; i < 128; ++i, iz = std::nextafter(iz, 1.0), ++checked) {
            ASSERT_EQ(steps.Step(170, iz), FalloffAt(iz)) << f << " at " << iz << ", stepping up";
            ASSERT_EQ(steps.Step(256, iz), FalloffAt(iz)) << f << " at " << iz << ", stepping down";
        }
    }
    EXPECT_EQ(checked, 86 * 128);
}

namespace {

// An upright quad `distance` metres in front of the default camera (eye at
// 1.6 m, looking along -z), from x = left to right and y = bottom to top.
ObjFace UprightQuad(double left, double right, double bottom, double top, double distance)
{
    const double z = -distance;
    return ObjFace{{Vec3(left, bottom, z), Vec3(right, bottom, z), Vec3(right, top, z), Vec3(left, top, z)}, {}};
}

// A model of one surface per face, in that order.
ObjModel SurfacesOf(const std::vector<ObjFace>& faces)
{
    ObjModel model;
    model.materials.resize(1);
    for (const ObjFace& face : faces) {
        ObjSurface surface;
        surface.name = "quad" + std::to_string(model.surfaces.size());
        surface.faces.push_back(face);
        model.surfaces.push_back(surface);
    }
    return model;
}

// Upright quads across the view at the given distances, one surface each,
// in that order, `half` metres to each side of the line of sight.
ObjModel QuadsAcrossTheView(const std::vector<std::pair<double, double>>& distanceAndHalf)
{
    std::vector<ObjFace> faces;
    for (const auto& [distance, half] : distanceAndHalf)
        faces.push_back(UprightQuad(-half, half, 1.6 - half, 1.6 + half, distance));
    return SurfacesOf(faces);
}

// The camera of these tests: the default one, at 160 x 120.
Camera SmallCamera()
{
    Camera camera;
    camera.width = 160;
    camera.height = 120;
    return camera;
}

uint32_t IdAt(const Frame& frame, int x, int y)
{
    return frame.ids[static_cast<size_t>(y) * frame.color.width + x];
}

}  // namespace

// Passing over what lies wholly behind the pixels drawn before it must not
// lose a surface that is in front by less than the rounding of a stored
// depth's float, nor a surface drawn before and then hidden.
TEST(RendererHidden, ASurfaceAHairInFrontOfOneDrawnBeforeShows)
{
    // A wall filling the view at 5 m, then a smaller quad 2.5 um in front of
    // it (1 / distance larger by 5e-7, while a float keeps about 6e-8),
    // then a quad 2.5 um behind it.
    const double wall = 5, hair = 5 * 5e-7;
    Scene scene;
    scene.Assign(QuadsAcrossTheView({{wall, 20}, {wall - hair, 1}, {wall + hair, 1.5}}));
    const Camera camera = SmallCamera();
    Frame frame;
    RenderScene(scene, camera, {}, nullptr, frame, 1);
    EXPECT_EQ(IdAt(frame, 80, 60), 2u) << "the quad in front of the wall";
    EXPECT_EQ(IdAt(frame, 2, 2), 1u) << "the wall";
    // The quad behind the wall reaches past the one in front, and shows nowhere.
    EXPECT_EQ(std::count(frame.ids.begin(), frame.ids.end(), 3u), 0);
}

// What a frame drew is forgotten when the next is drawn into the same
// buffers: a view of far quads after a view of a near one is the same as
// drawn afresh.
TEST(RendererHidden, AFrameDrawnOverAnotherIsTheSameAsAFreshOne)
{
    Scene scene;
    scene.Assign(QuadsAcrossTheView({{0.5, 0.3}, {6, 2}, {9, 4}}));
    const Camera near = SmallCamera();
    Camera far = SmallCamera();
    far.position = Vec3(0, 1.6, 10);  // 10 m further back
    Frame reused, fresh;
    RenderScene(scene, near, {}, nullptr, reused, 1);
    ASSERT_EQ(IdAt(reused, 80, 60), 1u);
    RenderScene(scene, far, {}, nullptr, reused, 1);
    RenderScene(scene, far, {}, nullptr, fresh, 1);
    EXPECT_EQ(reused.ids, fresh.ids);
    EXPECT_EQ(reused.color.pixels, fresh.color.pixels);
    EXPECT_GT(std::count(fresh.ids.begin(), fresh.ids.end(), 2u), 100) << "the quad at 6 m in view";
}

// Triangles are drawn nearest run first, yet a pixel where two surfaces lie
// at the same depth shows the one earlier in the scene, as when they were
// drawn in the scene's order.
TEST(RendererHidden, OfTwoSurfacesAtOneDepthTheEarlierInTheSceneShows)
{
    // The first surface: a quad at 5 m. The second: a larger quad in the
    // same plane, and a small one at 3 m off to the side, so its run is
    // nearer and is drawn first.
    ObjModel model = QuadsAcrossTheView({{5, 1}, {5, 2}});
    model.surfaces[1].faces.push_back(UprightQuad(1.5, 1.8, 3.1, 3.4, 3));
    Scene scene;
    scene.Assign(model);
    const Camera camera = SmallCamera();
    for (int threads : {1, 2}) {
        Frame frame;
        RenderScene(scene, camera, {}, nullptr, frame, threads);
        EXPECT_EQ(IdAt(frame, 80, 60), 1u) << threads << " threads";
        EXPECT_EQ(IdAt(frame, 80, 50), 1u) << threads << " threads";
        EXPECT_EQ(IdAt(frame, 80, 30), 2u) << "the larger quad beyond the first, " << threads << " threads";
    }
}

// A run is passed over only where all it may cover is hidden: a quad behind
// another shows in the one column of pixels the nearer quad leaves open.
TEST(RendererHidden, ARunHiddenButForOneColumnShowsThere)
{
    const Camera camera = SmallCamera();
    // The world x at distance z of screen column x.
    const auto at = [&](double x, double z) { return (x - 80) * z / camera.Focal(); };
    Scene scene;
    scene.Assign(SurfacesOf({
        UprightQuad(at(63.2, 5), at(90, 5), 1.1, 2.1, 5),  // its left edge in column 63
        UprightQuad(at(64, 3), 2, 0.6, 2.6, 3),            // in front of it from column 64 on
    }));
    Frame frame;
    RenderScene(scene, camera, {}, nullptr, frame, 1);
    EXPECT_EQ(IdAt(frame, 62, 60), 0u);
    EXPECT_EQ(IdAt(frame, 63, 60), 1u);
    EXPECT_EQ(IdAt(frame, 64, 60), 2u);
}

namespace {

// A closed room, 6 x 2.7 x 8 m: a ceiling and a floor of one face each, the
// north wall in pieces (its corners on the ceiling's edge, not the
// ceiling's), the other walls whole.
ObjModel ClosedRoom()
{
    const double x0 = -3, x1 = 3, z0 = -4, z1 = 4, top = 2.7;
    auto wallZ = [](double z, double a, double b, double lo, double hi) {
        return ObjFace{{Vec3(a, lo, z), Vec3(b, lo, z), Vec3(b, hi, z), Vec3(a, hi, z)}, {}};
    };
    auto wallX = [](double x, double a, double b, double lo, double hi) {
        return ObjFace{{Vec3(x, lo, a), Vec3(x, lo, b), Vec3(x, hi, b), Vec3(x, hi, a)}, {}};
    };
    auto flat = [&](double y) {
        return ObjFace{{Vec3(x0, y, z0), Vec3(x1, y, z0), Vec3(x1, y, z1), Vec3(x0, y, z1)}, {}};
    };
    return SurfacesOf({flat(top), flat(0), wallZ(z0, x0, -1.3, 0, top), wallZ(z0, -1.3, 0.7, 0, 1.1),
                       wallZ(z0, -1.3, 0.7, 1.1, top), wallZ(z0, 0.7, x1, 0, top), wallZ(z1, x0, x1, 0, top),
                       wallX(x0, z0, z1, 0, top), wallX(x1, z0, z1, 0, top)});
}

}  // namespace

// Faces meeting at an edge, or a corner lying on another face's edge, leave
// no pixel between them: from inside a closed room no background shows
// anywhere, whatever the view (faces cut at the near plane among them), and
// none shows between the demo's ceilings and walls.
TEST(RendererSeams, NoBackgroundShowsWhereFacesMeet)
{
    Scene room;
    room.Assign(ClosedRoom());
    for (const Vec3& eye : {Vec3(0, 1.6, 0), Vec3(2.85, 2.55, -3.85), Vec3(-2.8, 0.2, 3.8)})
        for (int step = 0; step < 24; ++step)
            for (double pitch : {-0.7, 0.0, 0.35, 0.7}) {
                Camera camera = SmallCamera();
                camera.width = 401;
                camera.height = 301;
                camera.position = eye;
                camera.yaw = step * 6.2832 / 24 + 0.01;
                camera.pitch = pitch;
                Frame frame;
                RenderScene(room, camera, {}, nullptr, frame);
                ASSERT_EQ(std::count(frame.ids.begin(), frame.ids.end(), 0u), 0)
                    << "eye " << eye.x << ", " << eye.y << ", " << eye.z << ", heading " << step << ", pitch " << pitch;
            }
    Scene demo;
    demo.Assign(MakeDemoApartment());
    const unsigned ceilings[] = {demo.FindSurface("living.ceiling"), demo.FindSurface("bedroom.ceiling")};
    for (int step = 0; step < 36; ++step)
        for (double pitch : {0.0, 0.35, 0.7}) {
            Camera camera = DemoStartCamera(1024, 768);
            camera.yaw += step * 6.2832 / 36;
            camera.pitch = pitch;
            Frame frame;
            RenderScene(demo, camera, {}, nullptr, frame);
            // Only holes next to a ceiling: the demo leaves a strip of
            // background under each doorway, between the rooms' floors.
            const int w = frame.color.width, h = frame.color.height;
            int holes = 0;
            for (int y = 1; y + 1 < h; ++y)
                for (int x = 1; x + 1 < w; ++x) {
                    if (IdAt(frame, x, y) != 0)
                        continue;
                    for (uint32_t id : {IdAt(frame, x - 1, y), IdAt(frame, x + 1, y), IdAt(frame, x, y - 1),
                                        IdAt(frame, x, y + 1)})
                        holes += std::count(std::begin(ceilings), std::end(ceilings), id) > 0;
                }
            EXPECT_EQ(holes, 0) << "heading " << step << ", pitch " << pitch;
        }
}

TEST(RendererModels, DrawsPanesRoundColumnsAndReplacedTextures)
{
    cases::ExpectModelsDrawn(
        [](const Scene& scene, const TextureLookup& textures) {
            Frame frame;
            RenderScene(scene, cases::CaseCamera(), {}, textures, frame);
            return frame.color;
        },
        true);
}
