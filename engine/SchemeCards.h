// What the suggestion window and the scheme overview make of a scheme beyond
// drawing it: the combination a suggestion becomes on the classified room,
// the nearest paint of a deck for each surface, the paint decks found beside
// the plug-in, and the card of the page handed to a client.
#pragma once

#include "library/ClientPage.h"
#include "library/CombinationRecord.h"
#include "library/PaintDeck.h"
#include "library/SchemeSuggestions.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// The three surfaces in the order cards, pages and suggestions list them.
enum CardSurface { CardCeiling = 0, CardWall = 1, CardFloor = 2 };

// The colour of a material slot on the 256 levels of "#RRGGBB".
Rgb SlotColour(const MaterialSlot& slot);

// A suggestion as a combination of the library: each slot is base's slot of
// the same class (the room's materials as they are) with the suggested
// colour and no texture map; with keepFloor the floor slot stays as base
// has it (a textured floor the suggestions were made around). base and the
// record's slots are indexed by SurfaceClass (ceiling, floor, wall).
CombinationRecord SuggestionRecord(const Suggestion& suggestion, const MaterialSlot (&base)[3], bool keepFloor,
                                   const std::string& name, const std::string& description);

// The nearest paint of a deck to one colour.
struct CardPaint {
    std::size_t index = 0;
    double deltaE = 0;
};
std::optional<CardPaint> NearestPaint(const PaintFinder& finder, const Rgb& rgb);

// The paints of a card in one line (UTF-8), ceiling/wall/floor: each paint's code,
// or its name when it has none; "—" for a surface without one.
std::string PaintLine(const PaintDeck& deck, const std::array<std::optional<CardPaint>, 3>& paints);

// The decks read from the files of the paints folder: a file that does not
// read is left out and its error (naming the file and where reading stopped)
// kept.
struct DeckShelf {
    std::vector<PaintDeck> decks;
    std::vector<std::string> errors;
    void Add(const std::string& bytes, const std::string& fileName);
};

// A card of the client page. colours and lrv are ceiling, wall, floor; a
// paint is given with the deck it belongs to; names and texts are UTF-8.
ClientCard ClientCardOf(const std::string& name, const std::string& description, const std::array<Rgb, 3>& colours,
                        const std::array<double, 3>& lrv, const PaintDeck* deck,
                        const std::array<std::optional<CardPaint>, 3>& paints, std::string roomViewPng);

}  // namespace engine
