// walkhost's software renderer natively: frames per second at 1024x768 over
// the models named on the command line (scripts/make-model writes them),
// turning once around in 24 steps, with one thread and with one per
// processor; beside them the process's processor time per frame (what the
// frames add to the process's time, read before and after them) and per
// triangle in view. Median and min-max of 5 runs.
#include "Camera.h"
#include "ObjModel.h"
#include "Renderer.h"
#include "Scene.h"

#include <algorithm>
#include <chrono>
#include <ctime>
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

Spread Of(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return Spread{v[v.size() / 2], v.front(), v.back()};
}

struct Figures {
    Spread fps, cpuMs, cpuNsPerTriangle;
};

// One turn around, kRuns times: frames per second, and the processor time
// of the whole process (every thread) per frame and per triangle in view.
Figures Measure(const Scene& scene, const Camera& start, int threads)
{
    std::vector<double> fps, cpu, perTriangle;
    Frame frame;
    std::vector<RunInView> runs;
    for (int run = 0; run < kRuns; ++run) {
        Camera camera = start;
        double triangles = 0;
        for (int i = 0; i < kSteps; ++i) {
            camera.Turn(2 * 3.14159265358979 / kSteps);
            RunsInView(scene, camera, runs);
            for (const RunInView& r : runs)
                triangles += static_cast<double>(r.count);
        }
        camera = start;
        const std::clock_t c0 = std::clock();
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < kSteps; ++i) {
            camera.Turn(2 * 3.14159265358979 / kSteps);
            RenderScene(scene, camera, {}, nullptr, frame, threads);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        const double cpuSeconds = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
        fps.push_back(kSteps / seconds);
        cpu.push_back(cpuSeconds * 1e3 / kSteps);
        perTriangle.push_back(triangles > 0 ? cpuSeconds * 1e9 / triangles : 0);
    }
    return Figures{Of(fps), Of(cpu), Of(perTriangle)};
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

void Print(const char* what, const char* threads, const Figures& f)
{
    std::printf("  %-22s %-9s %7.1f fps (%.1f-%.1f)   %7.2f ms (%.2f-%.2f)   %6.1f ns (%.1f-%.1f)\n", what, threads,
                f.fps.median, f.fps.min, f.fps.max, f.cpuMs.median, f.cpuMs.min, f.cpuMs.max, f.cpuNsPerTriangle.median,
                f.cpuNsPerTriangle.min, f.cpuNsPerTriangle.max);
}

}  // namespace

int main(int argc, char** argv)
{
    std::printf("walkhost software renderer, native, 1024x768, turning once around: frames per second, processor\n"
                "time per frame and per triangle in view; median (min-max) of %d runs\n", kRuns);
    const Scene empty;
    Print("empty scene", "1 thread", Measure(empty, Camera(), 1));
    Print("empty scene", "all", Measure(empty, Camera(), 0));
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
        const std::string what = std::to_string(scene.TriangleCount()) + " triangles";
        Print(what.c_str(), "1 thread", Measure(scene, camera, 1));
        Print(what.c_str(), "all", Measure(scene, camera, 0));
    }
    return 0;
}
