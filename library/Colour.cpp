#include "Colour.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
double Clamp01(double c)
{
    if (!(c >= 0.0)) return 0.0;  // also NaN
    return std::min(c, 1.0);
}
}  // namespace

std::uint32_t ColourByte(double component)
{
    return static_cast<std::uint32_t>(static_cast<long long>(component * 255.0)) & 0xFFu;
}

std::uint32_t PackColour(double r, double g, double b)
{
    return ColourByte(r) | (ColourByte(g) << 8) | (ColourByte(b) << 16);
}

std::string HexColour(const Rgb& rgb)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", static_cast<unsigned>(std::lround(Clamp01(rgb[0]) * 255.0)),
                  static_cast<unsigned>(std::lround(Clamp01(rgb[1]) * 255.0)),
                  static_cast<unsigned>(std::lround(Clamp01(rgb[2]) * 255.0)));
    return text;
}

Rgb RgbToHsv(const Rgb& rgb)
{
    const double r = Clamp01(rgb[0]), g = Clamp01(rgb[1]), b = Clamp01(rgb[2]);
    const double high = std::max({r, g, b}), low = std::min({r, g, b}), range = high - low;
    double hue = 0.0;
    if (range > 0.0) {
        if (high == r)
            hue = 60.0 * std::fmod((g - b) / range, 6.0);
        else if (high == g)
            hue = 60.0 * ((b - r) / range + 2.0);
        else
            hue = 60.0 * ((r - g) / range + 4.0);
        if (hue < 0.0) hue += 360.0;
    }
    return {hue, high > 0.0 ? range / high : 0.0, high};
}

double SrgbToLinear(double component)
{
    const double c = Clamp01(component);
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(const Rgb& rgb)
{
    return 0.2126 * SrgbToLinear(rgb[0]) + 0.7152 * SrgbToLinear(rgb[1]) + 0.0722 * SrgbToLinear(rgb[2]);
}

double LightReflectance(const Rgb& rgb)
{
    return 100.0 * RelativeLuminance(rgb);
}
