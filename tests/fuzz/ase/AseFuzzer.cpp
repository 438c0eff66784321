// Feeds arbitrary bytes to the Adobe Swatch Exchange reader and checks what
// must hold for any file it accepts: every colour within sRGB, and the deck
// written back as a palette reads again to the same names, groups and
// colours; a refusal says why and leaves the deck it was given untouched.
#include "PaintDeck.h"
#include "PaletteWriter.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    PaintDeck deck;
    deck.name = "untouched";
    std::string error;
    if (!ReadAseDeck(bytes, "f.ase", deck, error)) {
        if (error.rfind("f.ase: byte ", 0) != 0 || deck.name != "untouched" || !deck.paints.empty())
            std::abort();
        return 0;
    }
    if (deck.paints.empty())
        std::abort();
    std::vector<SwatchGroup> groups;
    for (const Paint& p : deck.paints) {
        for (double c : p.rgb)
            if (!(c >= 0.0 && c <= 1.0))
                std::abort();
        if (p.group.empty() || groups.empty() || groups.back().name != p.group)
            groups.push_back({p.group, {}});
        groups.back().swatches.push_back({p.name, p.rgb});
    }
    PaintDeck back;
    if (!ReadAseDeck(WriteAsePalette(groups), "w.ase", back, error) || back.paints.size() != deck.paints.size())
        std::abort();
    for (std::size_t i = 0; i < deck.paints.size(); ++i)
        if (back.paints[i].name != deck.paints[i].name || back.paints[i].group != deck.paints[i].group ||
            HexColour(back.paints[i].rgb) != HexColour(deck.paints[i].rgb))
            std::abort();
    return 0;
}
