#include "ClientPage.h"

#include "HtmlText.h"
#include "SchemeContrast.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

// Only the PNG writer is used, with static linkage; its code is not ours to
// warn about.
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace {

constexpr int kCardsPerPage = 4;  // two rows of two on A4

std::string Base64(const std::string& bytes)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned v = 0;
        for (std::size_t k = 0; k < 3; ++k)
            v = (v << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            out += k <= n ? kDigits[(v >> (18 - 6 * k)) & 0x3F] : '=';
    }
    return out;
}

std::string Number(const char* format, double v)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

// The contrast of a card in words, as SchemeContrast judges it.
std::string Verdict(const std::array<ClientSurface, 3>& s)
{
    const SurfaceLrvs lrv{s[0].lrv, s[1].lrv, s[2].lrv};
    const ContrastMarks marks = LowContrastPairs(lrv);
    const std::string wallFloor = std::to_string(std::abs(RoundedLrv(lrv.wall) - RoundedLrv(lrv.floor)));
    const std::string wallCeiling = std::to_string(std::abs(RoundedLrv(lrv.wall) - RoundedLrv(lrv.ceiling)));
    if (!marks.wallFloor && !marks.ceilingWall)
        return std::string(u8"<span class=\"ok\">对比充足：</span>墙面与地面相差 ") + wallFloor +
               u8" 点，墙面与顶棚相差 " + wallCeiling + u8" 点，均不少于 30 点，视力较弱者也易分辨。";
    std::string out = u8"<span class=\"low\">对比不足：</span>";
    if (marks.wallFloor)
        out += std::string(u8"墙面与地面仅相差 ") + wallFloor + u8" 点；";
    if (marks.ceilingWall)
        out += std::string(u8"墙面与顶棚仅相差 ") + wallCeiling + u8" 点；";
    return out + u8"建议相差 30 点以上。";
}

const char* const kStyle = R"(
  :root { font-family: "Noto Sans CJK SC", "WenQuanYi Micro Hei", "Microsoft YaHei", sans-serif; color: #222; }
  body { margin: 24px; overflow-wrap: anywhere; }
  h1 { font-size: 22px; margin: 0 0 16px; }
  h2 { font-size: 18px; border-bottom: 2px solid #888; padding-bottom: 2px; }
  .page { break-after: page; page-break-after: always; }
  .page:last-child { break-after: auto; page-break-after: auto; }
  .page + .page { margin-top: 12px; }
  .cards { display: grid; grid-template-columns: 1fr 1fr; gap: 12px; }
  .card { border: 1px solid #bbb; border-radius: 6px; padding: 10px; break-inside: avoid; page-break-inside: avoid;
          min-width: 0; }
  .card h3 { font-size: 16px; margin: 0 0 4px; }
  .card p { margin: 2px 0; font-size: 13px; }
  .view { height: 130px; width: auto; max-width: 100%; border-radius: 3px; display: block; margin: 6px auto; }
  .surfaces { display: flex; gap: 6px; margin: 8px 0; }
  .surface { flex: 1; min-width: 0; font-size: 11px; line-height: 1.4; }
  .swatch { height: 46px; border: 1px solid #999; border-radius: 3px; margin-bottom: 3px;
            -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  .verdict { font-size: 12px; }
  .ok { color: #11693a; font-weight: bold; }
  .low { color: #b3261e; font-weight: bold; }
  @page { size: A4; margin: 12mm; }
  @media print { body { margin: 0; } }
)";

const char* const kSurfaceNames[3] = {u8"顶棚", u8"墙面", u8"地面"};

std::string Card(const ClientCard& card)
{
    std::string out = "<article class=\"card\">\n<h3>" + HtmlEscaped(card.name) + "</h3>\n";
    if (!card.description.empty())
        out += "<p>" + HtmlEscaped(card.description) + "</p>\n";
    if (!card.roomViewPng.empty())
        out += "<img class=\"view\" alt=\"" + HtmlEscaped(card.name) + "\" src=\"data:image/png;base64," +
               Base64(card.roomViewPng) + "\">\n";
    out += "<div class=\"surfaces\">\n";
    for (int s = 0; s < 3; ++s) {
        const ClientSurface& surface = card.surfaces[s];
        const std::string hex = HexColour(surface.rgb);
        out += "<div class=\"surface\"><div class=\"swatch\" style=\"background:" + hex + "\"></div><b>" +
               kSurfaceNames[s] + "</b> " + hex + "<br>LRV " + Number("%.1f", surface.lrv);
        if (!surface.paintName.empty() || !surface.paintCode.empty()) {
            out += "<br>" + HtmlEscaped(surface.paintCode) + (surface.paintCode.empty() ? "" : " ") + HtmlEscaped(surface.paintName);
            if (surface.paintDeltaE)
                out += std::string(u8"（ΔE ") + Number("%.1f", *surface.paintDeltaE) + u8"）";
        }
        out += "</div>\n";
    }
    return out + "</div>\n<p class=\"verdict\">" + Verdict(card.surfaces) + "</p>\n</article>\n";
}

}  // namespace

std::string WriteClientPage(const std::string& title, const std::vector<ClientCard>& cards)
{
    std::string out = "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + HtmlEscaped(title) +
                      "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n<h1>" + HtmlEscaped(title) + "</h1>\n";
    // One page block per group, and another each kCardsPerPage cards of it.
    std::size_t i = 0;
    while (i < cards.size()) {
        const std::string& group = cards[i].group;
        std::size_t end = i;
        while (end < cards.size() && cards[end].group == group)
            ++end;
        for (std::size_t first = i; first < end; first += kCardsPerPage) {
            out += "<section class=\"page\">\n";
            if (!group.empty())
                out += "<h2>" + HtmlEscaped(group) + (first == i ? std::string() : std::string(u8"（续）")) + "</h2>\n";
            out += "<div class=\"cards\">\n";
            for (std::size_t k = first; k < std::min(end, first + kCardsPerPage); ++k)
                out += Card(cards[k]);
            out += "</div>\n</section>\n";
        }
        i = end;
    }
    return out + "</body>\n</html>\n";
}

std::string RoomSketchPng(const Rgb& ceiling, const Rgb& wall, const Rgb& floor, int width, int height)
{
    width = std::max(width, 8);
    height = std::max(height, 8);
    // The back wall fills the middle; lines from the image's corners to its
    // corners bound the ceiling above, the floor below and the side walls,
    // which are shaded as walls turned away from the light.
    const double left = 0.3 * width, right = 0.7 * width, top = 0.28 * height, bottom = 0.68 * height;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            // Where the pixel lies between the image's edge (0) and the back wall (1).
            const double tLeft = px / left, tRight = (width - px) / (width - right);
            const double tTop = py / top, tBottom = (height - py) / (height - bottom);
            Rgb colour = wall;
            double shade = 1.0;
            const double t = std::min({tLeft, tRight, tTop, tBottom});
            if (t < 1.0) {
                if (t == tTop)
                    colour = ceiling, shade = 0.97;
                else if (t == tBottom)
                    colour = floor, shade = 0.9;
                else
                    shade = 0.85;
            }
            for (int c = 0; c < 3; ++c)
                pixels[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
                    static_cast<unsigned char>(std::lround(std::clamp(colour[c] * shade, 0.0, 1.0) * 255.0));
        }
    std::string png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) { static_cast<std::string*>(context)->append(static_cast<char*>(data), size); },
        &png, width, height, 3, pixels.data(), width * 3);
    return png;
}

std::string PngOfPixels(int width, int height, const std::vector<uint32_t>& pixels)
{
    if (width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return std::string();
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (std::size_t i = 0; i < rgb.size() / 3; ++i) {
        rgb[i * 3] = static_cast<unsigned char>(pixels[i] >> 16);
        rgb[i * 3 + 1] = static_cast<unsigned char>(pixels[i] >> 8);
        rgb[i * 3 + 2] = static_cast<unsigned char>(pixels[i]);
    }
    std::string png;
    stbi_write_png_to_func(
        [](void* context, void* data, int size) { static_cast<std::string*>(context)->append(static_cast<char*>(data), size); },
        &png, width, height, 3, rgb.data(), width * 3);
    return png;
}
