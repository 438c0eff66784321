// Colour arithmetic shared by the panel, the library dialogs and tgv: the
// host's 0-1 colour components as bytes, hex texts, HSV, and the light
// reflectance value that contrast between room surfaces is judged by.
#pragma once

#include <array>
#include <cstdint>
#include <string>

using Rgb = std::array<double, 3>;  // red, green, blue, 0-1

// A 0-1 component as a byte: truncation toward zero, then the low eight bits
// (what the host's colour references hold).
std::uint32_t ColourByte(double component);

// 0x00BBGGRR, as Win32's COLORREF.
std::uint32_t PackColour(double r, double g, double b);

// "#RRGGBB" from 0-1 components, each clamped to 0-1 and rounded.
std::string HexColour(const Rgb& rgb);

// Hue in degrees [0, 360), saturation and value 0-1; components clamped to 0-1.
Rgb RgbToHsv(const Rgb& rgb);

// sRGB decoding (IEC 61966-2-1) of one component, clamped to 0-1 first.
double SrgbToLinear(double component);

// Relative luminance Y of an sRGB colour: 0.2126 R + 0.7152 G + 0.0722 B of
// the decoded components.
double RelativeLuminance(const Rgb& rgb);

// Light reflectance value, 0 (black) to 100 (white): 100 x relative luminance.
double LightReflectance(const Rgb& rgb);

// The difference in LRV points below which two adjacent room surfaces are
// hard to tell apart for a visually impaired person.
constexpr double kMinimumLrvDifference = 30.0;
