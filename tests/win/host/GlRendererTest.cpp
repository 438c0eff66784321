// The OpenGL renderer against the software renderer: the same views of the
// demo apartment (colours, light, fall-off, the selection's bands) must agree
// on flat regions, the pixels well inside one surface or the background.
#include "Camera.h"
#include "DemoScene.h"
#include "GlRenderer.h"
#include "../../native/host/RenderCases.h"
#include "Renderer.h"
#include "Scene.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace walkhost;

namespace {

constexpr int kWidth = 320, kHeight = 240;

HWND MakeWindow()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TgGlTestWindow";
    RegisterClassExW(&wc);
    RECT rc{0, 0, kWidth, kHeight};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"gl", WS_OVERLAPPEDWINDOW, 0, 0, rc.right - rc.left,
                                  rc.bottom - rc.top, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

// Whether every pixel within `r` of (x, y) shows the same surface.
bool Flat(const std::vector<uint32_t>& ids, int x, int y, int r)
{
    if (x < r || y < r || x >= kWidth - r || y >= kHeight - r)
        return false;
    const uint32_t id = ids[static_cast<size_t>(y) * kWidth + x];
    for (int dy = -r; dy <= r; ++dy)
        for (int dx = -r; dx <= r; ++dx)
            if (ids[static_cast<size_t>(y + dy) * kWidth + x + dx] != id)
                return false;
    return true;
}

int ChannelDifference(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
    return worst;
}

}  // namespace

class GlRendererSides : public testing::TestWithParam<bool> {};

// With shaders (one pass) and with the fixed functions (two passes).
TEST_P(GlRendererSides, AgreesWithTheSoftwareRendererOnFlatRegions)
{
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    GlRenderer gl;
    std::string error;
    ASSERT_TRUE(gl.Create(window, error, GetParam())) << error;
    EXPECT_EQ(gl.Description().rfind("OpenGL ", 0), 0u) << gl.Description();
    EXPECT_EQ(gl.Description().find("without shaders") == std::string::npos, GetParam()) << gl.Description();

    Scene scene;
    scene.Assign(MakeDemoApartment());
    struct View {
        const char* name;
        Camera camera;
        std::vector<unsigned> selected;
        TextureLookup textures;
    };
    // A texture of one colour on the north wall and the sofa: drawn by the
    // textured shader beside the plain ones, and comparable pixel by pixel.
    Image solid;
    solid.width = solid.height = 2;
    solid.pixels.assign(4, 0x00c08040);
    const Material* wall = scene.GetMaterial(scene.GetSurface(scene.FindSurface("living.wall.north"))->material);
    const Material* sofa = scene.GetMaterial(scene.GetSurface(scene.FindSurface("living.sofa"))->material);
    const TextureLookup someTextured = [&](const Material& m) -> const Image* {
        return &m == wall || &m == sofa ? &solid : nullptr;
    };
    Camera bedroom = DemoStartCamera(kWidth, kHeight);
    bedroom.position = Vec3(8.4, 1.5, -0.6);
    bedroom.yaw = -1.0;
    bedroom.pitch = -0.15;
    const View views[] = {
        {"start", DemoStartCamera(kWidth, kHeight), {}, nullptr},
        {"selected", DemoStartCamera(kWidth, kHeight),
         {scene.FindSurface("living.wall.north"), scene.FindSurface("living.sofa")},
         nullptr},
        {"bedroom", bedroom, {scene.FindSurface("bedroom.bed")}, nullptr},
        {"textured", DemoStartCamera(kWidth, kHeight), {}, someTextured},
    };
    for (const View& view : views) {
        Frame frame;
        RenderScene(scene, view.camera, view.selected, view.textures, frame);
        Image drawn;
        gl.Draw(scene, view.camera, view.selected, view.textures);
        gl.ReadPixels(drawn);
        ASSERT_EQ(drawn.width, kWidth);
        ASSERT_EQ(drawn.height, kHeight);
        // The selection's bands are 8 pixels wide: a flat region must lie
        // inside one surface by more than that, so a band edge is not read
        // as a difference when the two renderers place it a pixel apart.
        int flat = 0, close = 0, worst = 0, textured = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                if (!Flat(frame.ids, x, y, 3))
                    continue;
                const size_t i = static_cast<size_t>(y) * kWidth + x;
                const int d = ChannelDifference(frame.color.pixels[i], drawn.pixels[i]);
                ++flat;
                close += d <= 4;
                const Surface* surface = view.textures ? scene.GetSurface(frame.ids[i]) : nullptr;
                textured += surface && view.textures(*scene.GetMaterial(surface->material)) != nullptr;
                worst = std::max(worst, d);
            }
        ASSERT_GT(flat, kWidth * kHeight / 2) << view.name;
        if (view.textures) {
            EXPECT_GT(textured, kWidth * kHeight / 20) << view.name << ": too little of the textured surfaces in view";
        }
        // Every flat pixel within 4 levels of 255 per channel (rounding of
        // the light and of the fall-off differs a little).
        EXPECT_EQ(close, flat) << view.name << ": the largest difference " << worst;
        std::printf("  %s: %d flat pixels, the largest difference %d\n", view.name, flat, worst);
    }
    DestroyWindow(window);
}

INSTANTIATE_TEST_SUITE_P(ShadersOrFixedFunctions, GlRendererSides, testing::Bool());

namespace {

// A closed room of surfaces without blue, 6 x 2.7 x 8 m: a ceiling and a
// floor of one face each, the north wall in pieces whose corners lie on the
// ceiling's and the floor's edges.
ObjModel ClosedRoom()
{
    ObjModel model;
    model.materials.resize(1);
    model.materials[0].kd[0] = 0.9f;
    model.materials[0].kd[1] = 0.4f;
    model.materials[0].kd[2] = 0.0f;
    const double x0 = -3, x1 = 3, z0 = -4, z1 = 4, top = 2.7;
    auto add = [&model](std::vector<Vec3> corners) {
        ObjSurface surface;
        surface.name = "face" + std::to_string(model.surfaces.size());
        surface.faces.push_back(ObjFace{std::move(corners), {}});
        model.surfaces.push_back(surface);
    };
    auto wallZ = [&](double z, double a, double b, double lo, double hi) {
        add({Vec3(a, lo, z), Vec3(b, lo, z), Vec3(b, hi, z), Vec3(a, hi, z)});
    };
    for (double y : {top, 0.0})
        add({Vec3(x0, y, z0), Vec3(x1, y, z0), Vec3(x1, y, z1), Vec3(x0, y, z1)});
    wallZ(z0, x0, -1.3, 0, top);
    wallZ(z0, -1.3, 0.7, 0, 1.1);
    wallZ(z0, -1.3, 0.7, 1.1, top);
    wallZ(z0, 0.7, x1, 0, top);
    wallZ(z1, x0, x1, 0, top);
    for (double x : {x0, x1})
        add({Vec3(x, 0, z0), Vec3(x, 0, z1), Vec3(x, top, z1), Vec3(x, top, z0)});
    return model;
}

// The software renderer's background at row y.
uint32_t Background(int y)
{
    const uint32_t shade = 235 - 60 * y / kHeight;
    return ((shade - 20) << 16) | ((shade - 8) << 8) | shade;
}

}  // namespace

// Where faces meet, OpenGL leaves no pixel open either: from inside a closed
// room no background (the only blue) shows, and along the demo's ceilings'
// edges no background shows where the software renderer draws a surface.
TEST_P(GlRendererSides, NoBackgroundShowsWhereFacesMeet)
{
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    GlRenderer gl;
    std::string error;
    ASSERT_TRUE(gl.Create(window, error, GetParam())) << error;
    Scene room;
    room.Assign(ClosedRoom());
    Image drawn;
    for (const Vec3& eye : {Vec3(0, 1.6, 0), Vec3(2.85, 2.55, -3.85)})
        for (int step = 0; step < 12; ++step)
            for (double pitch : {-0.7, 0.35, 0.7}) {
                Camera camera = DemoStartCamera(kWidth, kHeight);
                camera.position = eye;
                camera.yaw = step * 6.2832 / 12 + 0.01;
                camera.pitch = pitch;
                gl.Draw(room, camera, {}, nullptr);
                gl.ReadPixels(drawn);
                const int blue = static_cast<int>(
                    std::count_if(drawn.pixels.begin(), drawn.pixels.end(), [](uint32_t c) { return (c & 255) > 60; }));
                ASSERT_EQ(blue, 0) << "heading " << step << ", pitch " << pitch;
            }

    Scene demo;
    demo.Assign(MakeDemoApartment());
    const unsigned ceilings[] = {demo.FindSurface("living.ceiling"), demo.FindSurface("bedroom.ceiling")};
    gl.SceneChanged();
    for (int step = 0; step < 24; ++step)
        for (double pitch : {0.35, 0.7}) {
            Camera camera = DemoStartCamera(kWidth, kHeight);
            camera.yaw += step * 6.2832 / 24;
            camera.pitch = pitch;
            Frame frame;
            RenderScene(demo, camera, {}, nullptr, frame);
            gl.Draw(demo, camera, {}, nullptr);
            gl.ReadPixels(drawn);
            // Pixels of a ceiling's edge, by the software renderer's
            // surfaces: a ceiling's pixel beside another surface's.
            int edge = 0, open = 0;
            for (int y = 1; y + 1 < kHeight; ++y)
                for (int x = 1; x + 1 < kWidth; ++x) {
                    auto id = [&](int px, int py) { return frame.ids[static_cast<size_t>(py) * kWidth + px]; };
                    const bool ceiling = std::count(std::begin(ceilings), std::end(ceilings), id(x, y)) > 0;
                    if (!ceiling || id(x - 1, y) * id(x + 1, y) * id(x, y - 1) * id(x, y + 1) == 0 ||
                        (id(x - 1, y) == id(x, y) && id(x + 1, y) == id(x, y) && id(x, y - 1) == id(x, y) &&
                         id(x, y + 1) == id(x, y)))
                        continue;
                    const size_t i = static_cast<size_t>(y) * kWidth + x;
                    if (ChannelDifference(frame.color.pixels[i], Background(y)) <= 6)
                        continue;  // a surface of the background's colour: not to be told apart
                    ++edge;
                    open += ChannelDifference(drawn.pixels[i], Background(y)) <= 3;
                }
            EXPECT_EQ(open, 0) << "heading " << step << ", pitch " << pitch << ", of " << edge << " edge pixels";
        }
    DestroyWindow(window);
}

// See-through surfaces with shaders only: the fixed functions draw them opaque.
TEST_P(GlRendererSides, DrawsPanesRoundColumnsAndReplacedTextures)
{
    HWND window = MakeWindow();
    ASSERT_NE(window, nullptr);
    GlRenderer gl;
    std::string error;
    ASSERT_TRUE(gl.Create(window, error, GetParam())) << error;
    cases::ExpectModelsDrawn(
        [&gl](const Scene& scene, const TextureLookup& textures) {
            Image drawn;
            gl.Draw(scene, cases::CaseCamera(), {}, textures);
            gl.ReadPixels(drawn);
            return drawn;
        },
        GetParam());
    DestroyWindow(window);
}
