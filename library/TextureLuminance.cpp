#include "TextureLuminance.h"

#include "Colour.h"

#include <array>
#include <cstdio>
#include <memory>

#ifdef _WIN32
#include "Win32Text.h"
#endif

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::FILE* OpenForReading(const std::string& path)
{
#ifdef _WIN32
    return _wfopen(win32text::Cp936ToWide(path).c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

// The decoded linear value of each 8-bit sRGB component, worked out once.
const std::array<double, 256>& LinearTable()
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[static_cast<std::size_t>(i)] = SrgbToLinear(i / 255.0);
        return t;
    }();
    return table;
}

}  // namespace

std::optional<RgbImage> DecodeTexture(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(OpenForReading(path));
    if (!file)
        return std::nullopt;
    int width = 0, height = 0, channels = 0;
    // The header first: a small file can announce a huge image.
    if (!stbi_info_from_file(file.get(), &width, &height, &channels) || width <= 0 || height <= 0 ||
        static_cast<long long>(width) * height > kMaxTexturePixels)
        return std::nullopt;
    std::unique_ptr<stbi_uc, void (*)(void*)> pixels(stbi_load_from_file(file.get(), &width, &height, &channels, 3),
                                                     stbi_image_free);
    if (!pixels)
        return std::nullopt;
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.assign(pixels.get(), pixels.get() + static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    return image;
}

std::optional<double> TextureLightReflectance(const std::string& path)
{
    const std::optional<RgbImage> image = DecodeTexture(path);
    if (!image)
        return std::nullopt;
    const auto& linear = LinearTable();
    const std::size_t count = static_cast<std::size_t>(image->width) * static_cast<std::size_t>(image->height);
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char* p = image->rgb.data() + 3 * i;
        sum += 0.2126 * linear[p[0]] + 0.7152 * linear[p[1]] + 0.0722 * linear[p[2]];
    }
    return 100.0 * sum / static_cast<double>(count);
}
