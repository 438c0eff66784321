#include "Image.h"

#include <cctype>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_ONLY_GIF
#define STBI_ONLY_TGA
#include <stb_image.h>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>

namespace walkhost {
namespace {

std::vector<unsigned char> ToRgb(const Image& image)
{
    std::vector<unsigned char> rgb(static_cast<size_t>(image.width) * image.height * 3);
    for (size_t i = 0; i < image.pixels.size() && i * 3 + 2 < rgb.size(); ++i) {
        const uint32_t p = image.pixels[i];
        rgb[i * 3] = static_cast<unsigned char>(p >> 16);
        rgb[i * 3 + 1] = static_cast<unsigned char>(p >> 8);
        rgb[i * 3 + 2] = static_cast<unsigned char>(p);
    }
    return rgb;
}

void Append(void* context, void* data, int size)
{
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const auto* bytes = static_cast<const unsigned char*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

}  // namespace

bool DecodeImage(const std::vector<unsigned char>& bytes, Image& image, std::string* why)
{
    auto fail = [why](const std::string& reason) {
        if (why)
            *why = reason;
        return false;
    };
    if (bytes.empty() || bytes.size() > 0x7fffffff)
        return fail("not a picture");
    int w = 0, h = 0, channels = 0;
    // The header tells the size: a huge picture in a small file is refused
    // before memory is taken for its pixels.
    if (!stbi_info_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels))
        return fail("not a picture walkhost can read");
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > kMaxImagePixels)
        return fail(std::to_string(w) + " x " + std::to_string(h) + " pixels, more than the " +
                    std::to_string(kMaxImagePixels) + " walkhost draws");
    unsigned char* rgb = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &w, &h, &channels, 3);
    if (!rgb)
        return fail("a broken picture");
    image.width = w;
    image.height = h;
    image.pixels.resize(static_cast<size_t>(w) * h);
    for (size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = (uint32_t(rgb[i * 3]) << 16) | (uint32_t(rgb[i * 3 + 1]) << 8) | rgb[i * 3 + 2];
    stbi_image_free(rgb);
    return true;
}

std::vector<unsigned char> EncodePng(const Image& image)
{
    std::vector<unsigned char> out;
    const std::vector<unsigned char> rgb = ToRgb(image);
    if (image.width > 0 && image.height > 0)
        stbi_write_png_to_func(Append, &out, image.width, image.height, 3, rgb.data(), image.width * 3);
    return out;
}

std::vector<unsigned char> EncodeBmp(const Image& image)
{
    std::vector<unsigned char> out;
    const std::vector<unsigned char> rgb = ToRgb(image);
    if (image.width > 0 && image.height > 0)
        stbi_write_bmp_to_func(Append, &out, image.width, image.height, 3, rgb.data());
    return out;
}

std::vector<unsigned char> EncodeForName(const Image& image, const std::string& fileName)
{
    std::string ext = fileName.size() >= 4 ? fileName.substr(fileName.size() - 4) : "";
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".bmp" ? EncodeBmp(image) : EncodePng(image);
}

}  // namespace walkhost
