#include "TgvContrast.h"

#include "Colour.h"
#include "TextDisplay.h"
#include "TextEncoding.h"
#include "TextureLuminance.h"
#include "RecordStream.h"
#include "TgvSubcommands.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <ostream>

#ifdef _WIN32
#include "Win32Text.h"
#endif

// Only the header reader is used here (the library decodes). The decoder's
// own code is not ours to warn about.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

using ordered_json = nlohmann::ordered_json;
namespace fs = std::filesystem;

std::string TextureFolder::Find(const std::string& storedName) const
{
    if (folder.empty() || storedName.empty())
        return std::string();
    const std::string name = MapFileName(storedName);
    std::string utf8Name;
    if (name.empty() || name == "." || name == ".." || !Cp936ToUtf8(name, utf8Name))
        return std::string();
    const fs::path path = fs::u8path(folder) / fs::u8path(utf8Name);
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::string();
#ifdef _WIN32
    return LayerPath(path.u8string());
#else
    return path.u8string();
#endif
}

std::optional<ImageSize> ReadImageSize(const std::string& platformPath)
{
#ifdef _WIN32
    std::FILE* file = _wfopen(win32text::Cp936ToWide(platformPath).c_str(), L"rb");
#else
    std::FILE* file = std::fopen(platformPath.c_str(), "rb");
#endif
    if (!file)
        return std::nullopt;
    ImageSize size;
    const bool known = stbi_info_from_file(file, &size.width, &size.height, &size.channels) != 0;
    std::fclose(file);
    if (!known || size.width <= 0 || size.height <= 0)
        return std::nullopt;
    return size;
}

long long DecodeCost(const ImageSize& size)
{
    // The decoder's planes or inflated rows (a byte a channel, plus a filter
    // byte a row), its RGB result and the copy of it handed over.
    const long long pixels = static_cast<long long>(size.width) * size.height;
    return pixels * (std::max(size.channels, 1) + 1 + 3 + 3);
}

std::optional<ImageSize> TextureFolder::TooLarge(const std::string& platformPath) const
{
    const auto it = tooLarge.find(platformPath);
    if (it == tooLarge.end())
        return std::nullopt;
    return it->second;
}

std::optional<double> TextureFolder::Lrv(const std::string& platformPath)
{
    const auto it = lrvs.find(platformPath);
    if (it != lrvs.end())
        return it->second;
    if (decodeLimit > 0) {
        const std::optional<ImageSize> size = ReadImageSize(platformPath);
        if (size && DecodeCost(*size) > decodeLimit) {
            tooLarge[platformPath] = *size;
            return lrvs[platformPath] = std::nullopt;
        }
    }
    return lrvs[platformPath] = TextureLightReflectance(platformPath);
}

double CombinationLight::WallFloor() const
{
    return std::fabs(surface[kWall].lrv - surface[kFloor].lrv);
}

double CombinationLight::WallCeiling() const
{
    return std::fabs(surface[kWall].lrv - surface[kCeiling].lrv);
}

CombinationLight MeasureLight(const CombinationRecord& record, TextureFolder& textures)
{
    CombinationLight light;
    for (int s = 0; s < 3; ++s) {
        const MaterialSlot& slot = record.materials[s];
        SurfaceLight& surface = light.surface[s];
        surface.lrv = LightReflectance({slot.color[0], slot.color[1], slot.color[2]});
        surface.texture = textures.Find(FieldString(slot.mapFile[0]));
        if (!surface.texture.empty())
            if (const auto lrv = textures.Lrv(surface.texture)) {
                surface.lrv = *lrv;
                surface.fromTexture = true;
            }
    }
    return light;
}

namespace {

std::string Fixed(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", v);
    return buffer;
}

std::string Column(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

// A value right-aligned in its column, followed by its mark (or a space).
std::string Cell(double v, std::size_t width, char mark)
{
    return Column(Fixed(v), width) + mark;
}

double Rounded(double v)
{
    return std::round(v * 100.0) / 100.0;
}

}  // namespace

int RunContrast(TgvIo& io, const ContrastOptions& options)
{
    RecordStream stream(options.file, io.in, kRecordBatch);
    if (!options.textureFolder.empty())
        RequireFolder(options.textureFolder);
    TextureFolder textures(options.textureFolder);
    int below = 0;
    const auto dump = [](const ordered_json& j) { return j.dump(2, ' ', false, nlohmann::json::error_handler_t::replace); };
    // Each record's line or entry is written as soon as it is measured; the
    // JSON text is the whole document's dump.
    if (options.json)
        io.out << "{\n  \"file\": " << dump(options.file) << ",\n  \"min\": " << dump(options.minimum)
               << ",\n  \"records\": [";
    else
        io.out << "    #  ceiling     wall    floor  wall-floor  wall-ceiling  combination\n";
    const auto lightMark = [](const SurfaceLight& s) { return s.fromTexture ? 't' : ' '; };
    CombinationRecord r;
    while (stream.Next(r)) {
        const int64_t number = stream.RecordsRead();
        const CombinationLight light = MeasureLight(r, textures);
        const bool floorBelow = light.WallFloor() < options.minimum;
        const bool ceilingBelow = light.WallCeiling() < options.minimum;
        below += floorBelow || ceilingBelow ? 1 : 0;
        if (options.json) {
            ordered_json entry = {{"number", number},
                                  {"roomCategory", DisplayText(FieldView(r.roomCategory))},
                                  {"name", DisplayText(FieldView(r.name))}};
            for (int s : {kCeiling, kWall, kFloor}) {
                const SurfaceLight& surface = light.surface[s];
                entry[s == kCeiling ? "ceiling" : s == kWall ? "wall" : "floor"] = {
                    {"lrv", Rounded(surface.lrv)},
                    {"source", surface.fromTexture ? "texture" : "colour"}};
            }
            entry["wallFloor"] = Rounded(light.WallFloor());
            entry["wallCeiling"] = Rounded(light.WallCeiling());
            ordered_json belowList = ordered_json::array();
            if (floorBelow)
                belowList.push_back("wall-floor");
            if (ceilingBelow)
                belowList.push_back("wall-ceiling");
            entry["below"] = std::move(belowList);
            io.out << (number == 1 ? "\n    " : ",\n    ") << NestedJson(dump(entry), 2);
            continue;
        }
        // The name goes last: its characters may be twice as wide as these.
        io.out << Column(std::to_string(number), 5) +
                      Cell(light.surface[kCeiling].lrv, 9, lightMark(light.surface[kCeiling])) +
                      Cell(light.surface[kWall].lrv, 8, lightMark(light.surface[kWall])) +
                      Cell(light.surface[kFloor].lrv, 8, lightMark(light.surface[kFloor])) +
                      Cell(light.WallFloor(), 11, floorBelow ? '*' : ' ') +
                      Cell(light.WallCeiling(), 13, ceilingBelow ? '*' : ' ') + " " +
                      DisplayText(FieldView(r.roomCategory)) + DisplayText(FieldView(r.name)) + "\n";
    }
    bool fragment = false;
    stream.ReportFragment(io, fragment);
    if (options.json) {
        io.out << (stream.RecordsRead() == 0 ? "]" : "\n  ]") << ",\n  \"belowCount\": " << below << "\n}\n";
    } else {
        io.out << "\n"
               << below << " of " << stream.RecordsRead() << " combinations below the minimum difference of "
               << Fixed(options.minimum) << " LRV points (marked *)";
        if (textures.IsSet())
            io.out << "; t: LRV of the texture found";
        io.out << "\n";
    }
    return below > 0 || fragment ? kExitProblems : kExitOk;
}
