// CIELAB and CIELCh (D65, 2° observer) for sRGB colours, the CIEDE2000 colour
// difference, and hex colour texts read back. The light reflectance value of
// a colour stays Colour.h's LightReflectance: CIELAB's Y is the same one.
#pragma once

#include "Colour.h"

#include <optional>
#include <string_view>

struct Lab {
    double L = 0.0, a = 0.0, b = 0.0;
};

struct Lch {
    double L = 0.0, C = 0.0, h = 0.0;  // h in degrees [0, 360)
};

// sRGB (components clamped to 0-1) to CIELAB relative to the sRGB white,
// so that white is exactly L 100, a 0, b 0.
Lab SrgbToLab(const Rgb& rgb);

// CIELAB to sRGB, unclamped: a colour outside the sRGB gamut has a component
// below 0 or above 1.
Rgb LabToSrgb(const Lab& lab);

// True when every component lies within 0-1 (give or take tolerance).
bool InSrgbGamut(const Rgb& rgb, double tolerance = 1e-9);

Lch LabToLch(const Lab& lab);
Lab LchToLab(const Lch& lch);

// CIE L* of a light reflectance value (0-100): Y depends on L* alone.
double LightnessOfLrv(double lrv);

// CIEDE2000 with kL = kC = kH = 1.
double DeltaE2000(const Lab& x, const Lab& y);

// The sRGB colour of hue and lightness (L, h) with the chroma of lch or, when
// that lies outside the gamut, the greatest chroma below it that fits.
Rgb FitToGamut(const Lch& lch);

// Each component rounded to the nearest of 256 levels, as "#RRGGBB" holds it.
Rgb RoundToBytes(const Rgb& rgb);

// "#RRGGBB" or "RRGGBB" (either case) as 0-1 components; none for any other text.
std::optional<Rgb> ParseHexColour(std::string_view text);
