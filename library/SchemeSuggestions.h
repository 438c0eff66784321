// Colour schemes (ceiling, wall, floor) proposed around one colour the user
// holds to, on the surface it is meant for. Each scheme follows a harmony of
// hues in CIELCh and keeps to the contrast the room needs: its wall differs
// from floor and ceiling by at least kMinimumLrvDifference LRV points, and a
// ceiling the anchor does not set is light enough to read as a ceiling. The
// schemes differ visibly from each other and come best first (see
// SuggestSchemes). With a paint fan deck every colour is a paint of it.
#pragma once

#include "ColourScience.h"
#include "PaintDeck.h"

#include <array>
#include <cstddef>
#include <optional>
#include <vector>

enum class SchemeSurface { Ceiling = 0, Wall = 1, Floor = 2 };

enum class Harmony { Monochrome, Analogous, Complementary, SplitComplementary, Triadic, NeutralAccent };

// The harmony's name as the program shows it (code page 936): 单色渐变,
// 邻近色, 互补色, 分裂互补, 三角配色, 中性加点缀.
const char* HarmonyName(Harmony harmony);
// A stable ASCII key for scripts: "monochrome", "analogous", ...
const char* HarmonyKey(Harmony harmony);

constexpr double kMinimumCeilingLrv = 70.0;
// Two schemes differ visibly when their walls or their floors are this far
// apart in CIEDE2000.
constexpr double kMinimumSchemeDifference = 10.0;

struct SchemeColour {
    Rgb rgb{};       // on the 256 levels of "#RRGGBB"
    double lrv = 0;  // the paint's published LRV when it has one, else the colour's
    std::optional<std::size_t> paint;  // index into the deck
    double paintDeltaE = 0;            // CIEDE2000 from the colour the harmony asked for
};

struct Suggestion {
    Harmony harmony = Harmony::Monochrome;
    std::array<SchemeColour, 3> colours;  // indexed by SchemeSurface
    double departure = 0;                 // from the anchor's character: less is closer

    const SchemeColour& At(SchemeSurface s) const { return colours[static_cast<int>(s)]; }
};

// A floor that keeps its material (a texture): its colour is shown, its LRV
// (the texture's) is what contrast is judged by; it is never changed.
struct FixedFloor {
    Rgb rgb{};
    double lrv = 0;
};

struct SuggestionRequest {
    Rgb anchor{};
    SchemeSurface surface = SchemeSurface::Wall;
    std::size_t count = 8;
    const PaintDeck* deck = nullptr;  // none: colours anywhere in sRGB
    std::optional<FixedFloor> fixedFloor;
};

// Up to request.count schemes, closest to the anchor's character first. The
// anchor's surface keeps the anchor unless the rules cannot hold with it (a
// wall lighter than a ceiling can be 30 points above), when it is the
// nearest lightness of the same hue and chroma that can; with a deck it is
// the nearest paint that keeps the rules. Fewer come back when the rules
// leave fewer distinct schemes (a fixed floor under an anchored wall: one).
std::vector<Suggestion> SuggestSchemes(const SuggestionRequest& request);

// The contrast rules for a scheme whose anchor is on the given surface.
bool MeetsSchemeRules(const Suggestion& s, SchemeSurface anchorSurface);
// Whether two schemes' walls or floors differ visibly.
bool DistinctSchemes(const Suggestion& x, const Suggestion& y);
