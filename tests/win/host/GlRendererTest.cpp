// The OpenGL renderer against the software renderer: the same views of the
// demo apartment (colours, light, fall-off, the selection's bands) must agree
// on flat regions, the pixels well inside one surface or the background.
#include "Camera.h"
#include "DemoScene.h"
#include "GlRenderer.h"
#include "Renderer.h"
#include "Scene.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>

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
