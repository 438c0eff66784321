// The script commands that record what the host shows and holds:
// screenshots of the view or the screen, a dump of the materials, a check
// of one surface's material, and the frame rate while turning around.
#include "AutomationRunner.h"

#include "HostApp.h"
#include "Image.h"
#include "WinText.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <sstream>

namespace walkhost {

bool Runner::Screenshot(const std::string& file, bool wholeScreen)
{
    auto image = std::make_shared<Image>();
    if (wholeScreen) {
        const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
        Sync();
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap && bits) {
            HGDIOBJ old = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
            GdiFlush();
            image->width = w;
            image->height = h;
            const auto* p = static_cast<const uint32_t*>(bits);
            image->pixels.assign(p, p + static_cast<size_t>(w) * h);
            SelectObject(memory, old);
            DeleteObject(bitmap);
        }
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
    } else if (!OnUi([image] { App().CaptureView(*image); })) {
        return Fail("the host did not answer");
    }
    if (image->pixels.empty())
        return Fail("nothing to capture");
    if (!WriteWholeFile(Utf8ToWide(file), EncodeForName(*image, file)))
        return Fail("cannot write '" + file + "'");
    Log("  " + std::to_string(image->width) + "x" + std::to_string(image->height) + " written to " + file);
    return true;
}

bool Runner::Dump(const std::string& file)
{
    auto text = std::make_shared<std::string>();
    if (!OnUi([text] {
            const Scene& scene = App().scene;
            std::ostringstream out;
            out << "# handle\tname\tr g b\tmap\tsurfaces\n";
            for (unsigned m = 1; m <= scene.MaterialCount(); ++m) {
                const Material* material = scene.GetMaterial(m);
                char rgb[64];
                std::snprintf(rgb, sizeof(rgb), "%.4f %.4f %.4f", material->record.color[0], material->record.color[1],
                              material->record.color[2]);
                out << m << '\t' << material->name << '\t' << rgb << "\t\""
                    << WideToUtf8(Cp936ToWide(HvString_Text(&material->record.mapFile[0]))) << "\"\t";
                const char* separator = "";
                for (const Surface& s : scene.Surfaces())
                    if (s.material == m) {
                        out << separator << s.name;
                        separator = " ";
                    }
                out << '\n';
            }
            *text = out.str();
        }))
        return Fail("the host did not answer");
    if (!WriteWholeFile(Utf8ToWide(file), std::vector<unsigned char>(text->begin(), text->end())))
        return Fail("cannot write '" + file + "'");
    return true;
}

bool Runner::ExpectMaterial(const Args& args)
{
    double want[3];
    if (args.size() < 4 || !Number(args[1], want[0]) || !Number(args[2], want[1]) || !Number(args[3], want[2]))
        return Fail("usage: expect-material SURFACE R G B [MAP]");
    unsigned surface = 0;
    if (!SurfaceHandle(args[0], surface))
        return false;
    auto color = std::make_shared<std::vector<float>>();
    auto map = std::make_shared<std::string>();
    if (!OnUi([=] {
            const Surface* s = App().scene.GetSurface(surface);
            const Material* m = s ? App().scene.GetMaterial(s->material) : nullptr;
            if (m) {
                color->assign(m->record.color, m->record.color + 3);
                *map = WideToUtf8(Cp936ToWide(HvString_Text(&m->record.mapFile[0])));
            }
        }))
        return Fail("the host did not answer");
    if (color->size() != 3)
        return Fail("surface '" + args[0] + "' has no material");
    char got[96];
    std::snprintf(got, sizeof(got), "%.4f %.4f %.4f", (*color)[0], (*color)[1], (*color)[2]);
    for (int i = 0; i < 3; ++i)
        if (std::fabs((*color)[i] - want[i]) > 0.006)
            return Fail("material of '" + args[0] + "' is " + got + " \"" + *map + "\"");
    if (args.size() > 4 && *map != args[4])
        return Fail("material of '" + args[0] + "' has the map \"" + *map + "\", not \"" + args[4] + "\"");
    return true;
}

namespace {

// The processor time of the whole process so far (every thread), in seconds.
double ProcessSeconds()
{
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
    };
    return seconds(kernel) + seconds(user);
}

}  // namespace

// Draws count frames while turning once around, then logs the frame rate
// and the processor time a frame took (what the frames added to the
// process's, every thread's); the camera is where it was afterwards.
bool Runner::Frames(int count)
{
    auto fps = std::make_shared<double>(0);
    auto cpuMs = std::make_shared<double>(0);
    auto size = std::make_shared<std::string>();
    if (!OnUi(
            [count, fps, cpuMs, size] {
                HostApp& app = App();
                const Camera saved = app.camera;
                LARGE_INTEGER frequency, start, stop;
                QueryPerformanceFrequency(&frequency);
                const double cpuStart = ProcessSeconds();
                QueryPerformanceCounter(&start);
                for (int i = 0; i < count; ++i) {
                    app.camera.Turn(2 * kPi / count);
                    app.Invalidate();
                    RedrawWindow(app.window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                    GdiFlush();
                }
                QueryPerformanceCounter(&stop);
                *cpuMs = count > 0 ? (ProcessSeconds() - cpuStart) * 1e3 / count : 0;
                app.camera = saved;
                app.RedrawNow();
                const double seconds = double(stop.QuadPart - start.QuadPart) / double(frequency.QuadPart);
                *fps = seconds > 0 ? count / seconds : 0;
                *size = std::to_string(app.camera.width) + "x" + std::to_string(app.camera.height);
            },
            600000))
        return Fail("the frames did not finish in time");
    char line[160];
    std::snprintf(line, sizeof(line), "  %d frames at %s: %.1f frames per second, %.1f ms of processor a frame", count,
                  size->c_str(), *fps, *cpuMs);
    Log(line);
    return true;
}

}  // namespace walkhost
