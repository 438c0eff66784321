// tgv report: the library as one self-contained HTML page, a colour catalogue
// by category that needs no network and prints on A4. Textures found in the
// texture folder are embedded as small PNG thumbnails (data URIs).
#include "Colour.h"
#include "Cp936Text.h"
#include "HtmlText.h"
#include "TextDisplay.h"
#include "TextureLuminance.h"
#include "RecordStream.h"
#include "TgvContrast.h"
#include "TgvSubcommands.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace fs = std::filesystem;

namespace {

constexpr int kThumbnail = 96;  // pixels along the longer side
// The most memory one texture's decode may take; a larger image is named in
// its card instead of shown, however small its file (a header can announce
// any size).
constexpr long long kDecodeLimit = 64LL * 1024 * 1024;

std::string Text(std::string_view cp936Text)
{
    return HtmlEscaped(DisplayText(cp936Text));
}

std::string Base64(const std::string& bytes)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += table[v & 63];
    }
    if (i + 1 == bytes.size()) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8);
        out += table[v >> 18];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += '=';
    }
    return out;
}

// A PNG thumbnail of the image file as a data URI; empty when it cannot be read.
std::string Thumbnail(const std::string& platformPath)
{
    const std::optional<RgbImage> image = DecodeTexture(platformPath);
    if (!image)
        return std::string();
    const int width = image->width, height = image->height;
    const double scale = std::min(1.0, static_cast<double>(kThumbnail) / std::max(width, height));
    const int w = std::max(1, static_cast<int>(width * scale)), h = std::max(1, static_cast<int>(height * scale));
    // Each thumbnail pixel is the mean of the image pixels it covers.
    std::vector<unsigned char> small(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int x0 = x * width / w, x1 = std::max(x0 + 1, (x + 1) * width / w);
            const int y0 = y * height / h, y1 = std::max(y0 + 1, (y + 1) * height / h);
            double sum[3] = {0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int c = 0; c < 3; ++c)
                        sum[c] += image->rgb[(static_cast<std::size_t>(sy) * width + sx) * 3 + c];
            const double n = static_cast<double>(x1 - x0) * (y1 - y0);
            for (int c = 0; c < 3; ++c)
                small[(static_cast<std::size_t>(y) * w + x) * 3 + c] = static_cast<unsigned char>(std::lround(sum[c] / n));
        }
    std::string png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) { static_cast<std::string*>(context)->append(static_cast<char*>(data), size); },
        &png, w, h, 3, small.data(), w * 3);
    return png.empty() ? std::string() : "data:image/png;base64," + Base64(png);
}

std::string Number(const char* format, double v)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

const char* const kStyle = R"(
  :root { font-family: "Noto Sans CJK SC", "WenQuanYi Micro Hei", "Microsoft YaHei", sans-serif; color: #222; }
  body { margin: 24px; overflow-wrap: anywhere; }
  h1 { font-size: 22px; margin: 0 0 4px; }
  .summary { color: #555; margin: 0 0 16px; }
  nav ol { columns: 2; font-size: 14px; }
  h2 { font-size: 18px; border-bottom: 2px solid #888; padding-bottom: 2px; margin-top: 28px; }
  .cards { display: grid; grid-template-columns: repeat(auto-fill, minmax(330px, 1fr)); gap: 12px; }
  .card { border: 1px solid #bbb; border-radius: 6px; padding: 10px; break-inside: avoid; page-break-inside: avoid;
          min-width: 0; }
  .card h3 { font-size: 16px; margin: 0 0 4px; }
  .card .number { color: #777; font-weight: normal; font-size: 13px; }
  .card p { margin: 2px 0; font-size: 13px; }
  .card .long { color: #555; }
  .surfaces { display: flex; gap: 6px; margin: 8px 0; }
  .surface { flex: 1; min-width: 0; font-size: 11px; line-height: 1.35; }
  .surface .note { color: #8a5a00; }
  .swatch { height: 54px; border: 1px solid #999; border-radius: 3px; margin-bottom: 3px; background-size: cover;
            -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  .surface b { font-size: 12px; }
  .verdict { font-size: 12px; margin-top: 4px; }
  .ok { color: #11693a; }
  .below { color: #b3261e; font-weight: bold; }
  @page { size: A4; margin: 12mm; }
  @media print { body { margin: 0; } .cards { grid-template-columns: 1fr 1fr; } h2 { break-after: avoid; } }
)";

// The page's words in its language.
struct Words {
    const char* title;          // before the file's name
    const char* standardInput;  // the file's name for "-"
    const char* contents;
    const char* surface[3];     // by slot: ceiling, floor, wall
    const char* fromTexture;    // after an LRV taken from the texture
    const char* contrast;
    const char* wallFloor;
    const char* wallCeiling;
    const char* below;          // before the minimum a difference falls short of
    std::string (*summary)(int cards, std::size_t categories, const std::string& minimum, int below);
    std::string (*tooLarge)(int width, int height);
};

const Words kEnglish = {
    "Colour catalogue: ",
    "standard input",
    "Contents",
    {"Ceiling", "Floor", "Wall"},
    " (texture)",
    "Contrast: ",
    "wall&ndash;floor",
    "wall&ndash;ceiling",
    "below ",
    [](int cards, std::size_t categories, const std::string& minimum, int below) {
        return std::to_string(cards) + " combinations in " + std::to_string(categories) +
               " categories; light reflectance (LRV) 0-100, contrast judged against a difference of " + minimum +
               " LRV points between wall and floor and between wall and ceiling; " + std::to_string(below) + " below.";
    },
    [](int width, int height) {
        return "texture " + std::to_string(width) + " &times; " + std::to_string(height) +
               " pixels: too large to decode for a thumbnail";
    },
};

const Words kChinese = {
    u8"色彩目录：",
    u8"标准输入",
    u8"目录",
    {u8"天花板", u8"地面", u8"墙面"},
    u8"（贴图）",
    u8"对比度：",
    u8"墙面&ndash;地面",
    u8"墙面&ndash;天花板",
    u8"低于 ",
    [](int cards, std::size_t categories, const std::string& minimum, int below) {
        return std::string(u8"共 ") + std::to_string(cards) + u8" 个组合，分属 " + std::to_string(categories) +
               u8" 个类别；光反射值（LRV）0-100，对比度以墙面与地面、墙面与天花板的 LRV 相差 " + minimum +
               u8" 点为准；" + std::to_string(below) + u8" 个组合不足。";
    },
    [](int width, int height) {
        return std::string(u8"贴图 ") + std::to_string(width) + " &times; " + std::to_string(height) +
               u8" 像素：太大，不解码为缩略图";
    },
};

}  // namespace

int RunReport(TgvIo& io, const ReportOptions& options)
{
    const Words& words = options.english ? kEnglish : kChinese;
    RecordStream stream(options.file, io.in, kRecordBatch);
    if (!options.textureFolder.empty())
        RequireFolder(options.textureFolder);
    std::string only = options.category.empty() ? std::string() : LayerPath(options.category);
    if (!only.empty() && only.back() != '/')
        only += '/';
    TextureFolder textures(options.textureFolder);
    textures.decodeLimit = kDecodeLimit;
    std::map<std::string, std::string> thumbnails;

    // The first pass keeps the number of each record shown, by category in
    // the order the library first names them, and counts what the summary
    // above the cards tells; the cards then read their records again.
    CategoryGroups groups;
    std::vector<std::vector<int64_t>> members;
    std::vector<bool> shown;  // by category: within the one asked for
    int cards = 0, belowCount = 0;
    CombinationRecord r;
    while (stream.Next(r)) {
        const std::size_t group = groups.Of(FieldView(r.roomCategory));
        if (group == members.size()) {
            const std::string& category = groups.Names()[group];
            members.emplace_back();
            shown.push_back(only.empty() || (category.size() >= only.size() &&
                                             cp936::EqualsNoCase(category.substr(0, only.size()), only)));
        }
        if (!shown[group])
            continue;
        members[group].push_back(stream.RecordsRead() - 1);
        ++cards;
        const CombinationLight light = MeasureLight(r, textures);
        belowCount += light.WallFloor() >= options.minimum && light.WallCeiling() >= options.minimum ? 0 : 1;
    }
    bool fragment = false;
    stream.ReportFragment(io, fragment);
    if (!options.category.empty() && cards == 0)
        throw Failure{"no records in the category \"" + DisplayUtf8(options.category) + "\"", kExitProblems};

    std::string toc;
    std::size_t categoriesShown = 0;
    for (std::size_t c = 0; c < members.size(); ++c) {
        if (!shown[c])
            continue;
        ++categoriesShown;
        toc += "<li><a href=\"#c" + std::to_string(c + 1) + "\">" + Text(groups.Names()[c]) + "</a> (" +
               std::to_string(members[c].size()) + ")</li>\n";
    }
    const std::string title =
        words.title + HtmlEscaped(DisplayUtf8(options.file == "-" ? std::string(words.standardInput)
                                                            : fs::u8path(options.file).filename().u8string()));
    WriteOutputStreamed(options.output, io.out, [&](const Emit& emit) {
        emit("<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
             title + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<h1>" + title + "</h1>\n" +
             "<p class=\"summary\">" + words.summary(cards, categoriesShown, Number("%g", options.minimum), belowCount) +
             "</p>\n<nav><h2>" + words.contents + "</h2>\n<ol>\n" + toc + "</ol>\n</nav>\n");
        std::string card;
        for (std::size_t c = 0; c < members.size(); ++c) {
            if (!shown[c])
                continue;
            emit("<section><h2 id=\"c" + std::to_string(c + 1) + "\">" + Text(groups.Names()[c]) +
                 "</h2>\n<div class=\"cards\">\n");
            for (const int64_t index : members[c]) {
                stream.ReadAt(index, r);
                const CombinationLight light = MeasureLight(r, textures);
                card = "<article class=\"card\">\n<h3>" + Text(FieldView(r.name)) + " <span class=\"number\">#" +
                       std::to_string(index + 1) + "</span></h3>\n";
                card += "<p>" + Text(FieldView(r.shortDescription)) + "</p>\n<p class=\"long\">" +
                        Text(FieldView(r.longDescription)) + "</p>\n<div class=\"surfaces\">\n";
                for (int s : {kCeiling, kWall, kFloor}) {
                    const MaterialSlot& slot = r.materials[s];
                    const Rgb rgb = {slot.color[0], slot.color[1], slot.color[2]};
                    const std::string hex = HexColour(rgb);
                    const Rgb hsv = RgbToHsv(rgb);
                    const unsigned red = std::stoul(hex.substr(1, 2), nullptr, 16),
                                   green = std::stoul(hex.substr(3, 2), nullptr, 16),
                                   blue = std::stoul(hex.substr(5, 2), nullptr, 16);
                    std::string style = "background-color: " + hex;
                    const SurfaceLight& surface = light.surface[s];
                    std::string note;
                    if (const auto size = surface.texture.empty() ? std::nullopt : textures.TooLarge(surface.texture)) {
                        note = "<br><span class=\"note\">" + words.tooLarge(size->width, size->height) + "</span>";
                    } else if (!surface.texture.empty()) {
                        auto it = thumbnails.find(surface.texture);
                        if (it == thumbnails.end())
                            it = thumbnails.emplace(surface.texture, Thumbnail(surface.texture)).first;
                        if (!it->second.empty())
                            style += "; background-image: url(" + it->second + ")";
                    }
                    card += "<div class=\"surface\"><div class=\"swatch\" style=\"" + style + "\"></div>";
                    card += std::string("<b>") + words.surface[s] + "</b> " + hex + "<br>RGB " + std::to_string(red) +
                            ", " + std::to_string(green) + ", " + std::to_string(blue) + "<br>HSV " +
                            Number("%.0f&deg;", hsv[0]) + ", " + Number("%.0f%%", hsv[1] * 100) + ", " +
                            Number("%.0f%%", hsv[2] * 100) + "<br>LRV " + Number("%.1f", surface.lrv) +
                            (surface.fromTexture ? words.fromTexture : "");
                    const std::string map = FieldString(slot.mapFile[0]);
                    if (!map.empty())
                        card += "<br>" + Text(MapFileName(map));
                    card += note + "</div>\n";
                }
                card += "</div>\n";
                const bool floorOk = light.WallFloor() >= options.minimum;
                const bool ceilingOk = light.WallCeiling() >= options.minimum;
                const auto verdict = [&](const char* what, double d, bool ok) {
                    return std::string("<span class=\"") + (ok ? "ok" : "below") + "\">" + what + " " +
                           Number("%.1f", d) +
                           (ok ? " &#10003;" : " &#10007; " + std::string(words.below) + Number("%g", options.minimum)) +
                           "</span>";
                };
                card += "<p class=\"verdict\">" + std::string(words.contrast) +
                        verdict(words.wallFloor, light.WallFloor(), floorOk) + " &middot; " +
                        verdict(words.wallCeiling, light.WallCeiling(), ceilingOk) + "</p>\n</article>\n";
                emit(card);
            }
            emit("</div>\n</section>\n");
        }
        emit("</body>\n</html>\n");
    });
    if (options.output != "-")
        io.out << "wrote " << cards << " combinations to " << options.output << "\n";
    return fragment ? kExitProblems : kExitOk;
}
