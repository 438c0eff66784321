// Writes the sample textures of the plug-in's "map" folder: small seamless
// pictures of wood, tile, stone, wallpaper and fabric, each as .jpg and
// .bmp, under the names the starter library uses. Built and run on the
// build machine at build time:
//   MakeTextures <output folder>
// Every pattern is periodic in the picture size, so the pictures tile
// without seams.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 128;
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r, g, b;
};

// Lattice noise that wraps every `period` cells: hashed corner values,
// smoothly interpolated.
double Hash(int x, int y, int seed)
{
    std::uint32_t h = static_cast<std::uint32_t>(x) * 374761393u + static_cast<std::uint32_t>(y) * 668265263u +
                      static_cast<std::uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
}

double Noise(double x, double y, int period, int seed)
{
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const double fx = x - x0, fy = y - y0;
    auto at = [&](int cx, int cy) { return Hash(((cx % period) + period) % period, ((cy % period) + period) % period, seed); };
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = at(x0, y0) + (at(x0 + 1, y0) - at(x0, y0)) * sx;
    const double bottom = at(x0, y0 + 1) + (at(x0 + 1, y0 + 1) - at(x0, y0 + 1)) * sx;
    return top + (bottom - top) * sy;
}

// Sum of octaves; each octave's period divides the picture.
double Fractal(int x, int y, int cells, int seed)
{
    double value = 0, weight = 0.5, total = 0;
    for (int octave = 0; octave < 4; ++octave, cells *= 2, weight *= 0.5) {
        value += weight * Noise(x * cells / double(kSize), y * cells / double(kSize), cells, seed + octave);
        total += weight;
    }
    return value / total;
}

Rgb Mix(Rgb a, Rgb b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Wood grain along x: rings from a wavy distance, planks of 32 rows.
Rgb Wood(int x, int y, Rgb light, Rgb dark, bool planks)
{
    const double wobble = Fractal(x, y, 4, 7) * 3.0;
    const double rings = 0.5 + 0.5 * std::sin(2 * kPi * (y * 6.0 / kSize + wobble));
    const double fibre = Fractal(x, y * 4 % kSize, 16, 11) * 0.25;
    Rgb c = Mix(light, dark, rings * 0.7 + fibre);
    if (planks) {
        const int plank = y / 32;
        const int seamX = (plank * 53) % kSize;
        if (y % 32 == 0 || x == seamX)
            c = Mix(c, {0.2, 0.12, 0.06}, 0.6);
        c = Mix(c, dark, Hash(plank, 0, 3) * 0.2);
    }
    return c;
}

Rgb Tile(int x, int y)
{
    const bool grout = x % 64 < 2 || y % 64 < 2;
    if (grout)
        return {0.72, 0.72, 0.70};
    const double shade = 0.93 + 0.05 * Fractal(x, y, 4, 21);
    return {shade, shade, shade * 0.99};
}

Rgb Stone(int x, int y)
{
    const double n = Fractal(x, y, 8, 31);
    const double speck = Hash(x, y, 5) > 0.97 ? 0.15 : 0.0;
    return Mix({0.78, 0.76, 0.72}, {0.52, 0.50, 0.47}, n + speck);
}

Rgb Wallpaper(int x, int y)
{
    const Rgb base = {0.91, 0.86, 0.77};
    const double stripe = 0.5 + 0.5 * std::cos(2 * kPi * x * 4.0 / kSize);
    const double dx = (x % 32) - 16, dy = (y % 32) - 16;
    const double dot = std::exp(-(dx * dx + dy * dy) / 18.0);
    return Mix(Mix(base, {0.85, 0.79, 0.68}, stripe * 0.35), {0.80, 0.72, 0.58}, dot * 0.6);
}

Rgb Fabric(int x, int y)
{
    const bool over = ((x / 2) + (y / 2)) % 2 == 0;
    const double thread = 0.5 + 0.5 * std::sin(2 * kPi * (over ? x : y) * 16.0 / kSize);
    const double slub = Fractal(x, y, 8, 41) * 0.15;
    return Mix({0.86, 0.82, 0.74}, {0.74, 0.70, 0.62}, thread * 0.5 + slub);
}

bool Write(const std::string& folder, const std::string& stem, const std::function<Rgb(int, int)>& colour)
{
    std::vector<unsigned char> pixels(kSize * kSize * 3);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            const Rgb c = colour(x, y);
            unsigned char* p = &pixels[(y * kSize + x) * 3];
            for (int i = 0; i < 3; ++i) {
                const double v = i == 0 ? c.r : i == 1 ? c.g : c.b;
                p[i] = static_cast<unsigned char>(v <= 0 ? 0 : v >= 1 ? 255 : v * 255.0 + 0.5);
            }
        }
    const std::string base = folder + "/" + stem;
    return stbi_write_jpg((base + ".jpg").c_str(), kSize, kSize, 3, pixels.data(), 90) != 0 &&
           stbi_write_bmp((base + ".bmp").c_str(), kSize, kSize, 3, pixels.data()) != 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeTextures <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const Rgb oakLight = {0.80, 0.64, 0.45}, oakDark = {0.58, 0.40, 0.24};
    const Rgb walnutLight = {0.55, 0.37, 0.23}, walnutDark = {0.32, 0.20, 0.11};
    bool ok = true;
    ok = Write(folder, "oak_floor", [&](int x, int y) { return Wood(x, y, oakLight, oakDark, true); }) && ok;
    ok = Write(folder, "wood", [&](int x, int y) { return Wood(x, y, walnutLight, walnutDark, false); }) && ok;
    ok = Write(folder, "white_tile", Tile) && ok;
    ok = Write(folder, "stone", Stone) && ok;
    ok = Write(folder, "wallpaper_beige", Wallpaper) && ok;
    ok = Write(folder, "fabric_linen", Fabric) && ok;
    if (!ok)
        std::fprintf(stderr, "MakeTextures: could not write into %s\n", folder.c_str());
    return ok ? 0 : 1;
}
