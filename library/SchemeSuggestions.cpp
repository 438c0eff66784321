#include "SchemeSuggestions.h"

#include "SchemeContrast.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

namespace {

constexpr int kCeiling = static_cast<int>(SchemeSurface::Ceiling);
constexpr int kWall = static_cast<int>(SchemeSurface::Wall);
constexpr int kFloor = static_cast<int>(SchemeSurface::Floor);

// Targets are set this far beyond the rules (LRV points) so that rounding to
// "#RRGGBB" never takes a scheme below them.
constexpr double kWallCeilingMargin = 33.0;
// The lightest wall a ceiling (LRV 100 at most) can stand clear above.
constexpr double kLightestWall = 68.0;
// A ceiling the anchor does not set is at least this light: a near white.
constexpr double kUsualCeiling = 84.0;
// The LRV steps between wall and floor the plans try, least first.
constexpr double kSteps[] = {33.0, 44.0, 56.0, 70.0};

// A harmony's hues and chromas for the two surfaces the anchor leaves free,
// in the order ceiling, wall, floor.
struct Colouring {
    Harmony harmony;
    double hue[2];
    double chroma[2];
};

struct Candidate {
    Harmony harmony;
    std::array<SchemeColour, 3> colours;
    double departure = 0;
};

double Wrap(double hue)
{
    hue = std::fmod(hue, 360.0);
    return hue < 0.0 ? hue + 360.0 : hue;
}

std::array<Lab, 3> Labs(const std::array<SchemeColour, 3>& colours)
{
    return {SrgbToLab(colours[0].rgb), SrgbToLab(colours[1].rgb), SrgbToLab(colours[2].rgb)};
}

bool Meets(const std::array<SchemeColour, 3>& c, int anchor)
{
    const SurfaceLrvs lrv{c[kCeiling].lrv, c[kWall].lrv, c[kFloor].lrv};
    const ContrastMarks marks = LowContrastPairs(lrv);
    return !marks.ceilingWall && !marks.wallFloor && std::fabs(lrv.wall - lrv.floor) >= kMinimumLrvDifference &&
           std::fabs(lrv.wall - lrv.ceiling) >= kMinimumLrvDifference &&
           (anchor == kCeiling || lrv.ceiling >= kMinimumCeilingLrv);
}

// How far a scheme strays from the anchor's character, the ranking key.
// The anchor's own surface counts with twice its CIEDE2000 from the anchor
// (it changes only when the rules or a deck make it). Every other surface
// the scheme chooses counts with its chromatic distance from the anchor,
// sqrt(dC*^2 + dH*^2): hue and colourfulness, which are the character,
// while lightness is what the contrast rules force apart; a twentieth of
// the lightness difference only orders otherwise equal schemes. A ceiling
// counts half: its tint is faint and seen least.
double Departure(const Lch& anchor, const Lab& anchorLab, const std::array<SchemeColour, 3>& colours, int anchorSurface,
                 bool floorFixed)
{
    const std::array<Lab, 3> lab = Labs(colours);
    double d = 2.0 * DeltaE2000(anchorLab, lab[anchorSurface]);
    for (int s = 0; s < 3; ++s) {
        if (s == anchorSurface || (s == kFloor && floorFixed))
            continue;
        const Lch l = LabToLch(lab[s]);
        const double dC = l.C - anchor.C;
        const double dH = 2.0 * std::sqrt(l.C * anchor.C) * std::sin((l.h - anchor.h) * 3.14159265358979 / 360.0);
        const double weight = s == kCeiling ? 0.5 : 1.0;
        d += weight * (std::sqrt(dC * dC + dH * dH) + 0.05 * std::fabs(l.L - anchor.L));
    }
    // Not the anchor's character but the room's: a floor lighter than its
    // wall is the less usual choice, so it waits behind an equal darker one.
    if (anchorSurface != kFloor && !floorFixed && colours[kFloor].lrv > colours[kWall].lrv)
        d += 3.0;
    return d;
}

double CeilingAbove(double wall)
{
    return std::min(100.0, std::max(wall + kWallCeilingMargin, kUsualCeiling));
}

// LRVs at the plans' steps from one surface's, up (direction 1) or down
// (-1), kept within lo-hi; a step beyond them becomes the bound when that is
// still more than the rules' 30 points away, so a narrow room is used too.
std::vector<double> Away(double from, int direction, double lo, double hi)
{
    std::vector<double> out;
    for (double step : kSteps) {
        const double v = std::clamp(from + direction * step, lo, hi);
        if (direction * (v - from) < kMinimumLrvDifference + 1.0)
            continue;
        if (out.empty() || std::fabs(v - out.back()) >= 3.0)
            out.push_back(v);
    }
    return out;
}

// The target LRVs (ceiling, wall, floor) worth trying; the anchor's and a
// fixed floor's entries hold their own values.
std::vector<std::array<double, 3>> LightPlans(int anchor, double a, const std::optional<double>& fixedFloor)
{
    std::vector<std::array<double, 3>> plans;
    const auto apart = [](double x, double y) { return std::fabs(x - y) >= kMinimumLrvDifference + 1.0; };
    if (anchor == kWall) {
        if (fixedFloor) {
            plans.push_back({CeilingAbove(a), a, *fixedFloor});
        } else {
            for (int direction : {-1, 1})
                for (double floor : Away(a, direction, 2.0, 96.0))
                    plans.push_back({CeilingAbove(a), a, floor});
        }
    } else {
        // Walls away from the surface that is set (the floor, or else the
        // ceiling); then the third surface away from the wall.
        const double from = anchor == kCeiling ? a : (fixedFloor ? *fixedFloor : a);
        const double highest = anchor == kCeiling ? 97.0 : kLightestWall;
        for (int direction : {-1, 1})
            for (double wall : Away(from, direction, 1.0, highest)) {
                if (anchor != kCeiling) {
                    plans.push_back({CeilingAbove(wall), wall, from});
                } else if (fixedFloor) {
                    if (apart(wall, *fixedFloor))
                        plans.push_back({a, wall, *fixedFloor});
                } else {
                    // A floor darker than the wall where there is room, else lighter.
                    std::vector<double> floors = Away(wall, -1, 2.0, 96.0);
                    if (floors.empty())
                        floors = Away(wall, 1, 2.0, 96.0);
                    floors.resize(std::min<std::size_t>(floors.size(), 2));
                    for (double floor : floors)
                        plans.push_back({a, wall, floor});
                }
            }
        // A fixed floor under a set ceiling: walls away from the floor too.
        if (anchor == kCeiling && fixedFloor)
            for (int direction : {-1, 1})
                for (double wall : Away(*fixedFloor, direction, 1.0, 97.0))
                    if (apart(wall, a))
                        plans.push_back({a, wall, *fixedFloor});
    }
    return plans;
}

std::vector<Colouring> Colourings(const Lch& anchor)
{
    const bool grey = anchor.C < 4.0;
    const double hue = grey ? 70.0 : anchor.h;  // a grey's harmonies start from a warm hue
    // Monochrome steps keep the anchor's chroma; the other harmonies use at
    // least a moderate one, or their hues would hardly tell apart.
    const double own = std::min(anchor.C, 50.0);
    const double like = std::clamp(anchor.C, 18.0, 50.0);
    const double muted = grey ? 8.0 : std::clamp(0.45 * anchor.C, 6.0, 18.0);
    std::vector<Colouring> out;
    const auto add = [&](Harmony h, double dx, double dy, double cx, double cy) {
        out.push_back({h, {Wrap(hue + dx), Wrap(hue + dy)}, {cx, cy}});
    };
    add(Harmony::Monochrome, 0, 0, own, own);
    add(Harmony::Monochrome, 0, 0, muted, muted);
    const double rich = std::clamp(1.6 * anchor.C, 32.0, 60.0);
    for (double c : {like, muted, rich}) {
        add(Harmony::Analogous, 30, -30, c, c);
        add(Harmony::Analogous, -30, 30, c, c);
        add(Harmony::Complementary, 0, 180, c, c);
        add(Harmony::Complementary, 180, 0, c, c);
        add(Harmony::SplitComplementary, 150, 210, c, c);
        add(Harmony::SplitComplementary, 210, 150, c, c);
        add(Harmony::Triadic, 120, 240, c, c);
        add(Harmony::Triadic, 240, 120, c, c);
    }
    out.push_back({Harmony::NeutralAccent, {hue, hue}, {3.0, 3.0}});
    out.push_back({Harmony::NeutralAccent, {75.0, 75.0}, {5.0, 5.0}});   // warm greige
    out.push_back({Harmony::NeutralAccent, {250.0, 250.0}, {3.0, 3.0}});  // cool grey
    return out;
}

SchemeColour Plain(const Rgb& rgb)
{
    SchemeColour c;
    c.rgb = RoundToBytes(rgb);
    c.lrv = LightReflectance(c.rgb);
    return c;
}

// The anchor as its surface can hold it: itself, or the nearest lightness of
// its hue and chroma the rules allow.
SchemeColour AnchorColour(const SuggestionRequest& r, const Lch& anchor)
{
    SchemeColour own = Plain(r.anchor);
    if (r.surface != SchemeSurface::Wall)
        return own;
    const auto allowed = [&](double lrv) {
        return lrv <= kLightestWall && (!r.fixedFloor || std::fabs(lrv - r.fixedFloor->lrv) >= kWallCeilingMargin - 1.0);
    };
    if (allowed(own.lrv))
        return own;
    std::vector<double> targets = {kLightestWall - 1.0};
    if (r.fixedFloor)
        targets = {r.fixedFloor->lrv - kWallCeilingMargin, r.fixedFloor->lrv + kWallCeilingMargin, kLightestWall - 1.0};
    std::sort(targets.begin(), targets.end(),
              [&](double x, double y) { return std::fabs(x - own.lrv) < std::fabs(y - own.lrv); });
    for (double t : targets) {
        if (t < 1.0 || !allowed(t))
            continue;
        const SchemeColour c = Plain(FitToGamut({LightnessOfLrv(t), anchor.C, anchor.h}));
        if (allowed(c.lrv))
            return c;
    }
    return own;  // no lightness works: no scheme will pass the rules
}

// The nearest few paints of a colour, kept for the colours asked for again.
class NearestCache {
public:
    explicit NearestCache(const PaintDeck& d) : finder(d) {}
    const std::vector<std::pair<std::size_t, double>>& Of(const Rgb& rgb)
    {
        const std::uint32_t key = PackColour(rgb[0] + 0.5 / 255.0, rgb[1] + 0.5 / 255.0, rgb[2] + 0.5 / 255.0);
        auto it = cache.find(key);
        if (it == cache.end())
            it = cache.emplace(key, finder.Nearest(SrgbToLab(rgb), kChoices)).first;
        return it->second;
    }
    static constexpr std::size_t kChoices = 5;

private:
    PaintFinder finder;
    std::unordered_map<std::uint32_t, std::vector<std::pair<std::size_t, double>>> cache;
};

// The candidate in paints: of the nearest few paints of each colour, the
// three with the least ΔE in sum that keep the rules.
bool Snap(Candidate& c, const PaintDeck& deck, NearestCache& nearest, int anchor, bool floorFixed)
{
    std::array<std::vector<std::pair<std::size_t, double>>, 3> options;
    for (int s = 0; s < 3; ++s)
        if (!(s == kFloor && floorFixed))
            options[s] = nearest.Of(c.colours[s].rgb);
    const auto count = [&](int s) { return options[s].empty() ? std::size_t{1} : options[s].size(); };
    const auto choose = [&](int s, std::size_t i) {
        SchemeColour out = c.colours[s];
        if (!options[s].empty()) {
            const Paint& paint = deck.paints[options[s][i].first];
            out.rgb = paint.rgb;
            out.lrv = paint.Lrv();
            out.paint = options[s][i].first;
            out.paintDeltaE = options[s][i].second;
        }
        return out;
    };
    double best = -1.0;
    std::array<SchemeColour, 3> chosen;
    for (std::size_t i = 0; i < count(kCeiling); ++i)
        for (std::size_t j = 0; j < count(kWall); ++j)
            for (std::size_t k = 0; k < count(kFloor); ++k) {
                const std::array<SchemeColour, 3> trial = {choose(kCeiling, i), choose(kWall, j), choose(kFloor, k)};
                const double sum = trial[0].paintDeltaE + trial[1].paintDeltaE + trial[2].paintDeltaE;
                if ((best < 0.0 || sum < best) && Meets(trial, anchor)) {
                    best = sum;
                    chosen = trial;
                }
            }
    if (best < 0.0)
        return false;
    c.colours = chosen;
    return true;
}

bool Distinct(const std::array<Lab, 3>& x, const std::array<Lab, 3>& y)
{
    return DeltaE2000(x[kWall], y[kWall]) >= kMinimumSchemeDifference ||
           DeltaE2000(x[kFloor], y[kFloor]) >= kMinimumSchemeDifference;
}

}  // namespace

const char* HarmonyName(Harmony harmony)
{
    switch (harmony) {
    case Harmony::Monochrome: return "单色渐变";
    case Harmony::Analogous: return "邻近色";
    case Harmony::Complementary: return "互补色";
    case Harmony::SplitComplementary: return "分裂互补";
    case Harmony::Triadic: return "三角配色";
    case Harmony::NeutralAccent: return "中性加点缀";
    }
    return "";
}

const char* HarmonyKey(Harmony harmony)
{
    switch (harmony) {
    case Harmony::Monochrome: return "monochrome";
    case Harmony::Analogous: return "analogous";
    case Harmony::Complementary: return "complementary";
    case Harmony::SplitComplementary: return "split-complementary";
    case Harmony::Triadic: return "triadic";
    case Harmony::NeutralAccent: return "neutral-accent";
    }
    return "";
}

bool MeetsSchemeRules(const Suggestion& s, SchemeSurface anchorSurface)
{
    return Meets(s.colours, static_cast<int>(anchorSurface));
}

bool DistinctSchemes(const Suggestion& x, const Suggestion& y)
{
    return Distinct(Labs(x.colours), Labs(y.colours));
}

std::vector<Suggestion> SuggestSchemes(const SuggestionRequest& r)
{
    const int anchor = static_cast<int>(r.surface);
    const Lab anchorLab = SrgbToLab(RoundToBytes(r.anchor));
    const Lch anchorLch = LabToLch(anchorLab);
    const bool floorFixed = r.fixedFloor.has_value();

    SchemeColour anchorColour = AnchorColour(r, anchorLch);
    if (anchor == kFloor && floorFixed) {
        anchorColour.rgb = RoundToBytes(r.fixedFloor->rgb);
        anchorColour.lrv = r.fixedFloor->lrv;
    }
    std::optional<double> fixedLrv;
    if (floorFixed)
        fixedLrv = r.fixedFloor->lrv;

    // Every harmony in every light plan, realised in sRGB and checked.
    int free[2], n = 0;
    for (int s = 0; s < 3; ++s)
        if (s != anchor)
            free[n++] = s;
    std::vector<Candidate> candidates;
    const std::vector<std::array<double, 3>> plans = LightPlans(anchor, anchorColour.lrv, fixedLrv);
    for (const Colouring& colouring : Colourings(anchorLch))
        for (const auto& plan : plans) {
            Candidate c{colouring.harmony, {}, 0.0};
            c.colours[anchor] = anchorColour;
            for (int i = 0; i < 2; ++i) {
                const int s = free[i];
                if (s == kFloor && floorFixed) {
                    c.colours[s].rgb = RoundToBytes(r.fixedFloor->rgb);
                    c.colours[s].lrv = r.fixedFloor->lrv;
                    continue;
                }
                // A ceiling the anchor leaves free is a tinted white.
                const double chroma = s == kCeiling ? std::min(colouring.chroma[i], 6.0) : colouring.chroma[i];
                c.colours[s] = Plain(FitToGamut({LightnessOfLrv(plan[s]), chroma, colouring.hue[i]}));
            }
            if (!r.deck && !Meets(c.colours, anchor))
                continue;
            c.departure = Departure(anchorLch, anchorLab, c.colours, anchor, floorFixed);
            candidates.push_back(c);
        }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& x, const Candidate& y) { return x.departure < y.departure; });

    // Chosen in two passes: first the best of each harmony (so the range of
    // harmonies shows), then the best of the rest; each must differ visibly
    // from every scheme chosen before it. Paints are looked up only for the
    // candidates reached.
    std::optional<NearestCache> nearest;
    if (r.deck && !r.deck->paints.empty())
        nearest.emplace(*r.deck);
    else if (r.deck)
        return {};
    std::vector<char> tried(candidates.size(), 0);
    std::vector<Candidate> chosen;
    std::vector<std::array<Lab, 3>> chosenLabs;
    bool harmonyShown[6] = {};
    const auto consider = [&](std::size_t i) {
        Candidate& c = candidates[i];
        if (tried[i] == 0) {
            tried[i] = 1;
            if (nearest) {
                if (!Snap(c, *r.deck, *nearest, anchor, floorFixed)) {
                    tried[i] = 2;
                    return;
                }
                c.departure = Departure(anchorLch, anchorLab, c.colours, anchor, floorFixed);
            }
        }
        if (tried[i] != 1)
            return;
        const std::array<Lab, 3> labs = Labs(c.colours);
        for (const auto& other : chosenLabs)
            if (!Distinct(labs, other))
                return;
        tried[i] = 3;
        chosen.push_back(c);
        chosenLabs.push_back(labs);
        harmonyShown[static_cast<int>(c.harmony)] = true;
    };
    for (std::size_t i = 0; i < candidates.size() && chosen.size() < r.count; ++i)
        if (!harmonyShown[static_cast<int>(candidates[i].harmony)])
            consider(i);
    for (std::size_t i = 0; i < candidates.size() && chosen.size() < r.count; ++i)
        consider(i);

    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const Candidate& x, const Candidate& y) { return x.departure < y.departure; });
    std::vector<Suggestion> out;
    for (const Candidate& c : chosen)
        out.push_back({c.harmony, c.colours, c.departure});
    return out;
}
