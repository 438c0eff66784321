// walkhost's software renderer natively: frames per second at 1024x768 over
// the models named on the command line (scripts/make-model writes them),
// turning once around in 24 steps, against the empty scene in the same run,
// with one thread and with one per processor. Median and min-max of 5 runs.
#include "Camera.h"
#include "ObjModel.h"
#include "Renderer.h"
#include "Scene.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace walkhost;

namespace {

constexpr int kRuns = 5;
constexpr int kSteps = 24;

struct Spread {
    double median, min, max;
};

// Frames per second of one turn around, kRuns times.
Spread Measure(const Scene& scene, const Camera& start, int threads)
{
    std::vector<double> fps;
    Frame frame;
    for (int run = 0; run < kRuns; ++run) {
        Camera camera = start;
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < kSteps; ++i) {
            camera.Turn(2 * 3.14159265358979 / kSteps);
            RenderScene(scene, camera, {}, nullptr, frame, threads);
        }
        fps.push_back(kSteps / std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(fps.begin(), fps.end());
    return Spread{fps[kRuns / 2], fps.front(), fps.back()};
}

// The camera walkhost starts a model with: inside a storey, near its south side.
Camera StartCamera(const Scene& scene)
{
    Camera camera;
    Vec3 lo(1e300, 1e300, 1e300), hi(-1e300, -1e300, -1e300);
    for (const Surface& s : scene.Surfaces())
        for (const Triangle& t : s.triangles)
            for (const Vec3& v : t.p) {
                lo = Vec3(std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z));
                hi = Vec3(std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z));
            }
    if (lo.x <= hi.x)
        camera.position = Vec3((lo.x + hi.x) / 2, lo.y + 1.6, (lo.z + hi.z) / 2 + (hi.z - lo.z) * 0.35);
    return camera;
}

}  // namespace

int main(int argc, char** argv)
{
    std::printf("walkhost software renderer, native, 1024x768, frames per second turning once around;\n"
                "median (min-max) of %d runs; baseline: the empty scene in the same run\n", kRuns);
    const Scene empty;
    const Spread emptyOne = Measure(empty, Camera(), 1), emptyAll = Measure(empty, Camera(), 0);
    std::printf("  %-28s 1 thread %7.1f (%.1f-%.1f)   all %7.1f (%.1f-%.1f)\n", "empty scene", emptyOne.median,
                emptyOne.min, emptyOne.max, emptyAll.median, emptyAll.min, emptyAll.max);
    for (int i = 1; i < argc; ++i) {
        std::ifstream in(argv[i], std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        ObjModel model;
        std::string error;
        if (!ParseObj(text, nullptr, model, error)) {
            std::printf("  %s: %s\n", argv[i], error.c_str());
            return 1;
        }
        Scene scene;
        scene.Assign(model);
        const Camera camera = StartCamera(scene);
        const Spread one = Measure(scene, camera, 1), all = Measure(scene, camera, 0);
        std::printf("  %-9zu triangles          1 thread %7.1f (%.1f-%.1f)   all %7.1f (%.1f-%.1f)"
                    "   %.3f / %.3f of the empty scene\n",
                    scene.TriangleCount(), one.median, one.min, one.max, all.median, all.min, all.max,
                    one.median / emptyOne.median, all.median / emptyAll.median);
    }
    return 0;
}
