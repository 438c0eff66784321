// Scheme suggestions for one anchor with a 2,000-colour fan deck, against
// the same suggestions without a deck and against one nearest-paint scan of
// the deck, in the same run. Five repetitions each; the summary gives the
// median and min-max and whether the deck's suggestions stay under 50 ms.
#include "SchemeSuggestions.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRepetitions = 5;
constexpr int kDeckSize = 2000;

// Colours spread over sRGB (fixed seed), every other one with a published LRV
// a point off the computed one, as a maker's deck has.
const PaintDeck& Deck()
{
    static const PaintDeck deck = [] {
        PaintDeck d;
        std::mt19937 random(2000);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = 0; i < kDeckSize; ++i) {
            Paint p;
            p.rgb = {byte(random) / 255.0, byte(random) / 255.0, byte(random) / 255.0};
            p.lab = SrgbToLab(p.rgb);
            p.code = "B-" + std::to_string(i);
            if (i % 2 == 0)
                p.publishedLrv = std::clamp(LightReflectance(p.rgb) + (i % 4 == 0 ? 1.0 : -1.0), 0.0, 100.0);
            d.paints.push_back(p);
        }
        return d;
    }();
    return deck;
}

SuggestionRequest Request(bool withDeck)
{
    SuggestionRequest r;
    r.anchor = {0xC7 / 255.0, 0x96 / 255.0, 0x6C / 255.0};  // a warm mid tone on the wall
    r.deck = withDeck ? &Deck() : nullptr;
    return r;
}

void WithDeck(benchmark::State& state)
{
    const SuggestionRequest r = Request(true);
    for (auto _ : state) {
        const std::vector<Suggestion> list = SuggestSchemes(r);
        if (list.size() < 8)
            state.SkipWithError("fewer than 8 suggestions");
        benchmark::DoNotOptimize(list.data());
    }
}

void WithoutDeck(benchmark::State& state)
{
    const SuggestionRequest r = Request(false);
    for (auto _ : state)
        benchmark::DoNotOptimize(SuggestSchemes(r).data());
}

void NearestScan(benchmark::State& state)
{
    const Lab lab = SrgbToLab(Request(false).anchor);
    for (auto _ : state)
        benchmark::DoNotOptimize(NearestPaints(Deck(), lab, 5).data());
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

class Summary : public benchmark::ConsoleReporter {
public:
    std::map<std::string, std::vector<double>> times;  // ms
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && run.iterations > 0)
                times[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv)
{
    Deck();
    for (const auto& [name, function] : {std::pair{"suggest_with_deck", WithDeck}, std::pair{"suggest_without_deck", WithoutDeck},
                                         std::pair{"nearest_scan", NearestScan}})
        benchmark::RegisterBenchmark(name, function)->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::Initialize(&argc, argv);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);

    const auto& deck = summary.times["suggest_with_deck"];
    const auto& plain = summary.times["suggest_without_deck"];
    const auto& scan = summary.times["nearest_scan"];
    if (deck.empty() || plain.empty() || scan.empty())
        return 1;
    const auto span = [](const std::vector<double>& v) {
        return std::to_string(*std::min_element(v.begin(), v.end())).substr(0, 6) + "-" +
               std::to_string(*std::max_element(v.begin(), v.end())).substr(0, 6);
    };
    const double d = Median(deck), p = Median(plain), s = Median(scan);
    std::printf("\nSuggestions for one anchor, median and min-max of %d repetitions, ms:\n"
                "  with a %d-colour deck %.2f (%s); without a deck %.2f (%s), the deck costs %.1fx;\n"
                "  one nearest-paint scan of the deck %.3f (%s), the suggestions take %.0f scans' time\n"
                "  with the deck: %s the 50 ms budget\n",
                kRepetitions, kDeckSize, d, span(deck).c_str(), p, span(plain).c_str(), d / p, s, span(scan).c_str(),
                d / s, d < 50.0 ? "within" : "OVER");
    return d < 50.0 ? 0 : 1;
}
