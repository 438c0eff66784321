// The light reflectance of a texture image: what a surface covered with it
// reflects on average, on the same 0-100 scale as a plain colour's LRV.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The mean of 100 x relative luminance (sRGB decoded) over every pixel of the
// image file at path (the platform's file naming; on Windows code page 936
// text). Empty when the file cannot be read or decoded, or holds more pixels
// than kMaxTexturePixels (refused before decoding).
std::optional<double> TextureLightReflectance(const std::string& path);

constexpr long long kMaxTexturePixels = 64LL * 1024 * 1024;

// An image decoded to 8-bit RGB, three bytes a pixel, rows top down.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
};

// The image file at path decoded; empty when it cannot be read or decoded, or
// holds more pixels than kMaxTexturePixels (refused from its header).
std::optional<RgbImage> DecodeTexture(const std::string& path);
