// tgv suggest: colour schemes around one colour, in words, as JSON or as
// the page handed to a client.
#include "ClientPage.h"
#include "SchemeSuggestions.h"
#include "TextDisplay.h"
#include "TgvSubcommands.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <ostream>

using ordered_json = nlohmann::ordered_json;

namespace {

const char* const kSurfaceWords[3] = {u8"顶棚", u8"墙面", u8"地面"};
const char* const kSurfaceKeys[3] = {"ceiling", "wall", "floor"};

std::string Fixed(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", v);
    return buffer;
}

double Rounded(double v)
{
    return std::round(v * 10.0) / 10.0;
}

std::string PaintText(const PaintDeck& deck, const SchemeColour& c)
{
    if (!c.paint)
        return std::string();
    const Paint& p = deck.paints[*c.paint];
    return DisplayUtf8(p.code) + (p.code.empty() ? "" : " ") + DisplayUtf8(p.name) + u8"（ΔE " + Fixed(c.paintDeltaE) + u8"）";
}

std::vector<ClientCard> Cards(const std::vector<Suggestion>& list, const PaintDeck* deck, const std::string& anchorText)
{
    std::vector<ClientCard> cards;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Suggestion& s = list[i];
        ClientCard card;
        card.name = u8"方案 " + std::to_string(i + 1) + u8"：" + DisplayText(HarmonyName(s.harmony));
        card.description = anchorText;
        for (int k = 0; k < 3; ++k) {
            ClientSurface& surface = card.surfaces[k];
            surface.rgb = s.colours[k].rgb;
            surface.lrv = s.colours[k].lrv;
            if (deck && s.colours[k].paint) {
                surface.paintName = deck->paints[*s.colours[k].paint].name;
                surface.paintCode = deck->paints[*s.colours[k].paint].code;
                surface.paintDeltaE = s.colours[k].paintDeltaE;
            }
        }
        card.roomViewPng = RoomSketchPng(s.colours[0].rgb, s.colours[1].rgb, s.colours[2].rgb);
        cards.push_back(std::move(card));
    }
    return cards;
}

}  // namespace

int RunSuggest(TgvIo& io, const SuggestOptions& options)
{
    const std::optional<Rgb> anchor = ParseHexColour(options.colour);
    if (!anchor)
        throw Failure{"\"" + DisplayUtf8(options.colour) + "\" is not a colour #RRGGBB"};
    PaintDeck deck;
    if (!options.paints.empty()) {
        std::string error;
        if (!ReadPaintDeck(ReadInput(options.paints, io.in), options.paints, deck, error))
            throw Failure{DisplayUtf8(error)};
    }
    SuggestionRequest request;
    request.anchor = *anchor;
    request.surface = options.anchor == "floor"     ? SchemeSurface::Floor
                      : options.anchor == "ceiling" ? SchemeSurface::Ceiling
                                                    : SchemeSurface::Wall;
    request.count = options.count;
    request.deck = options.paints.empty() ? nullptr : &deck;
    const std::vector<Suggestion> list = SuggestSchemes(request);
    const int anchorSlot = static_cast<int>(request.surface);
    const std::string hex = HexColour(*anchor);
    const std::string anchorText = std::string(u8"以") + kSurfaceWords[anchorSlot] + " " + hex + u8" 为准";

    if (!options.page.empty())
        WriteOutput(options.page,
                    WriteClientPage(std::string(u8"配色建议：") + kSurfaceWords[anchorSlot] + " " + hex,
                                    Cards(list, request.deck, anchorText)),
                    io.out);

    if (options.json) {
        ordered_json out = ordered_json::array();
        for (const Suggestion& s : list) {
            ordered_json entry = {{"harmony", DisplayText(HarmonyName(s.harmony))}, {"kind", HarmonyKey(s.harmony)}};
            ordered_json lrv = ordered_json::object();
            for (int k = 0; k < 3; ++k) {
                entry[kSurfaceKeys[k]] = HexColour(s.colours[k].rgb);
                lrv[kSurfaceKeys[k]] = Rounded(s.colours[k].lrv);
            }
            entry["lrv"] = lrv;
            entry["wallFloor"] = Rounded(std::fabs(s.colours[1].lrv - s.colours[2].lrv));
            entry["wallCeiling"] = Rounded(std::fabs(s.colours[1].lrv - s.colours[0].lrv));
            if (request.deck) {
                ordered_json paints = ordered_json::object();
                for (int k = 0; k < 3; ++k) {
                    const Paint& p = deck.paints[*s.colours[k].paint];
                    paints[kSurfaceKeys[k]] = {{"name", p.name}, {"code", p.code}, {"deltaE", Rounded(s.colours[k].paintDeltaE)}};
                }
                entry["paints"] = paints;
            }
            out.push_back(entry);
        }
        if (options.page != "-")
            io.out << out.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        return list.empty() ? kExitProblems : kExitOk;
    }
    if (options.page == "-")
        return list.empty() ? kExitProblems : kExitOk;

    std::ostream& out = io.out;
    out << u8"锚定色 " << hex << u8"（" << kSurfaceWords[anchorSlot] << u8"），LRV " << Fixed(LightReflectance(*anchor));
    if (request.deck)
        out << u8"；色卡 " << DisplayUtf8(options.paints) << u8"，" << deck.paints.size() << u8" 种颜色";
    out << "\n";
    if (!list.empty() && HexColour(list[0].colours[anchorSlot].rgb) != hex && !request.deck)
        out << u8"墙面太浅，顶棚无法比它高出 30 点：墙面改用同色相、同彩度而较深的 "
            << HexColour(list[0].colours[anchorSlot].rgb) << u8"（LRV " << Fixed(list[0].colours[anchorSlot].lrv) << u8"）。\n";
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Suggestion& s = list[i];
        out << "\n" << i + 1 << ". " << DisplayText(HarmonyName(s.harmony)) << "\n";
        for (int k = 0; k < 3; ++k) {
            const SchemeColour& c = s.colours[k];
            std::string lrv = Fixed(c.lrv);
            out << "   " << kSurfaceWords[k] << " " << HexColour(c.rgb) << "  LRV " << std::string(5 - std::min<std::size_t>(5, lrv.size()), ' ') << lrv;
            if (request.deck)
                out << "  " << PaintText(deck, c);
            out << "\n";
        }
        out << u8"   墙面与地面相差 " << Fixed(std::fabs(s.colours[1].lrv - s.colours[2].lrv)) << u8" 点，墙面与顶棚相差 "
            << Fixed(std::fabs(s.colours[1].lrv - s.colours[0].lrv)) << u8" 点\n";
    }
    if (list.size() < options.count)
        out << "\n"
            << (list.empty() ? std::string(u8"没有") : u8"只有 " + std::to_string(list.size()) + u8" 个")
            << u8"方案既满足对比度要求（墙面与地面、墙面与顶棚相差 30 点以上）又彼此明显不同。\n";
    return list.empty() ? kExitProblems : kExitOk;
}
