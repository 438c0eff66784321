#include "SchemeCards.h"

#include "library/CombinationLibrary.h"

#include <cmath>
#include <utility>

namespace engine {

namespace {

// A suggestion's colour for each slot of a record (SurfaceClass order).
constexpr SchemeSurface kSurfaceOfSlot[3] = {SchemeSurface::Ceiling, SchemeSurface::Floor, SchemeSurface::Wall};
constexpr int kFloorSlot = 1;

}  // namespace

Rgb SlotColour(const MaterialSlot& slot)
{
    Rgb rgb;
    for (int c = 0; c < 3; ++c)
        rgb[c] = static_cast<double>(slot.color[c]);
    return RoundToBytes(rgb);
}

CombinationRecord SuggestionRecord(const Suggestion& suggestion, const MaterialSlot (&base)[3], bool keepFloor,
                                   const std::string& name, const std::string& description)
{
    CombinationRecord record;
    InitCombinationRecord(record, name, std::string(), description);
    for (int slot = 0; slot < 3; ++slot) {
        record.materials[slot] = base[slot];
        if (keepFloor && slot == kFloorSlot)
            continue;
        MaterialSlot& target = record.materials[slot];
        const Rgb& rgb = suggestion.At(kSurfaceOfSlot[slot]).rgb;
        for (int c = 0; c < 3; ++c)
            target.color[c] = static_cast<float>(rgb[c]);
        target.mapFile[0][0] = '\0';
    }
    ClearGaps(record);
    return record;
}

std::optional<CardPaint> NearestPaint(const PaintFinder& finder, const Rgb& rgb)
{
    const auto nearest = finder.Nearest(SrgbToLab(rgb), 1);
    if (nearest.empty())
        return std::nullopt;
    return CardPaint{nearest[0].first, nearest[0].second};
}

std::string PaintLine(const PaintDeck& deck, const std::array<std::optional<CardPaint>, 3>& paints)
{
    std::string line;
    for (std::size_t i = 0; i < paints.size(); ++i) {
        if (i > 0)
            line += "/";
        if (!paints[i] || paints[i]->index >= deck.paints.size()) {
            line += u8"—";
            continue;
        }
        const Paint& paint = deck.paints[paints[i]->index];
        line += paint.code.empty() ? paint.name : paint.code;
    }
    return line;
}

void DeckShelf::Add(const std::string& bytes, const std::string& fileName)
{
    PaintDeck deck;
    std::string error;
    if (ReadPaintDeck(bytes, fileName, deck, error))
        decks.push_back(std::move(deck));
    else
        errors.push_back(error);
}

ClientCard ClientCardOf(const std::string& name, const std::string& description, const std::array<Rgb, 3>& colours,
                        const std::array<double, 3>& lrv, const PaintDeck* deck,
                        const std::array<std::optional<CardPaint>, 3>& paints, std::string roomViewPng)
{
    ClientCard card;
    card.name = name;
    card.description = description;
    for (int k = 0; k < 3; ++k) {
        ClientSurface& surface = card.surfaces[static_cast<std::size_t>(k)];
        surface.rgb = colours[static_cast<std::size_t>(k)];
        surface.lrv = lrv[static_cast<std::size_t>(k)];
        const auto& paint = paints[static_cast<std::size_t>(k)];
        if (deck != nullptr && paint && paint->index < deck->paints.size()) {
            surface.paintName = deck->paints[paint->index].name;
            surface.paintCode = deck->paints[paint->index].code;
            surface.paintDeltaE = paint->deltaE;
        }
    }
    card.roomViewPng = roomViewPng.empty() ? RoomSketchPng(colours[0], colours[1], colours[2]) : std::move(roomViewPng);
    return card;
}

}  // namespace engine
