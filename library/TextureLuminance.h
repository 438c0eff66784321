// The light reflectance of a texture image: what a surface covered with it
// reflects on average, on the same 0-100 scale as a plain colour's LRV.
#pragma once

#include <optional>
#include <string>

// The mean of 100 x relative luminance (sRGB decoded) over every pixel of the
// image file at path (the platform's file naming; on Windows code page 936
// text). Empty when the file cannot be read or decoded, or holds more pixels
// than kMaxTexturePixels (refused before decoding).
std::optional<double> TextureLightReflectance(const std::string& path);

constexpr long long kMaxTexturePixels = 64LL * 1024 * 1024;
