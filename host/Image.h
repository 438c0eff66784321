// Pictures in memory (32-bit 0x00RRGGBB pixels, rows top to bottom, as a
// 32-bit top-down DIB holds them), decoded from and encoded to file bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace walkhost {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
};

// The most pixels a decoded picture may have (a texture of 4096 x 4096);
// a larger one is refused before it is decoded.
constexpr long long kMaxImagePixels = 4096LL * 4096;

// Decodes BMP, JPEG, PNG, GIF, TGA bytes. False for anything else, broken
// data or a picture of more than kMaxImagePixels pixels; `why` (when given)
// then says which.
bool DecodeImage(const std::vector<unsigned char>& bytes, Image& image, std::string* why = nullptr);

// PNG and BMP (24-bit) file bytes of an image.
std::vector<unsigned char> EncodePng(const Image& image);
std::vector<unsigned char> EncodeBmp(const Image& image);

// The encoder the file name's extension asks for: ".bmp" gives BMP, anything else PNG.
std::vector<unsigned char> EncodeForName(const Image& image, const std::string& fileName);

}  // namespace walkhost
