// Library loading, saving, merging and listing, each against a baseline
// measured in the same run: raw reads and writes of the same bytes, the
// loading of the exchange file, the straightforward merge (linear lookup,
// remove and insert), and the same operation on a tenth of the records.
#include "CombinationFile.h"
#include "LibraryExchange.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 10000;
// The straightforward merge takes minutes on all 10,000 records: it runs on
// the first kNaiveSample incoming ones and is scaled to the whole file (its
// cost per record does not depend on how many came before).
constexpr int kNaiveSample = 100;

fs::path Dir()
{
    static const fs::path dir = fs::temp_directory_path() / ("tg_bench_" + std::to_string(::getpid()));
    return dir;
}
std::string LibraryPath() { return (Dir() / "library.tgv").string(); }
std::string NewRecordsPath() { return (Dir() / "new.tgv").string(); }
std::string SamplePath(bool conflicting) { return (Dir() / (conflicting ? "sample-all.tgv" : "sample-none.tgv")).string(); }

CombinationRecord Record(int i, const char* prefix)
{
    CombinationRecord r;
    InitCombinationRecord(r, std::string(prefix) + "combination " + std::to_string(i),
                          "Category " + std::to_string(i % 97) + "/Room " + std::to_string(i % 13) + "/",
                          "description of combination " + std::to_string(i));
    for (MaterialSlot& slot : r.materials) {
        SetField(slot.mapFile[0], "map_" + std::to_string(i) + ".jpg");
        slot.color[0] = static_cast<float>(i % 255) / 255.0f;
    }
    return r;
}

CombinationLibrary MakeLibrary(int count, const char* prefix)
{
    CombinationLibrary lib;
    lib.Reserve(count);
    for (int i = 0; i < count; ++i)
        lib.Append(Record(i, prefix));
    return lib;
}

const CombinationLibrary& Library()
{
    static const CombinationLibrary lib = MakeLibrary(kRecords, "");
    return lib;
}

void Prepare()
{
    fs::create_directories(Dir());
    WriteCombinationFile(LibraryPath(), Library());
    WriteCombinationFile(NewRecordsPath(), MakeLibrary(kRecords, "new "));
    WriteCombinationFile(SamplePath(true), MakeLibrary(kNaiveSample, ""));
    WriteCombinationFile(SamplePath(false), MakeLibrary(kNaiveSample, "new "));
}

std::vector<char> ReadRaw(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    std::vector<char> bytes(static_cast<std::size_t>(fs::file_size(path)));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return bytes;
}

void BM_RawRead(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadRaw(LibraryPath()).data());
}

void BM_Load(benchmark::State& state)
{
    for (auto _ : state) {
        CombinationLibrary lib;
        ReadCombinationFile(LibraryPath(), lib);
        benchmark::DoNotOptimize(lib.begin());
    }
}

void BM_RawWriteFlush(benchmark::State& state)
{
    const std::vector<char> bytes = ReadRaw(LibraryPath());
    const std::string path = (Dir() / "raw.out").string();
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            state.SkipWithError("raw write failed");
        ::fsync(fd);
        ::close(fd);
    }
}

void BM_Save(benchmark::State& state)
{
    const std::string path = (Dir() / "saved.tgv").string();
    for (auto _ : state)
        if (!WriteCombinationFile(path, Library()))
            state.SkipWithError("save failed");
}

void BM_LoadExchange(benchmark::State& state)
{
    for (auto _ : state) {
        CombinationLibrary lib;
        ReadCombinationFile(state.range(0) ? LibraryPath() : NewRecordsPath(), lib);
        benchmark::DoNotOptimize(lib.begin());
    }
}

// range(0): 1 = every record conflicts (answered "all"), 0 = none conflicts.
void BM_Merge(benchmark::State& state)
{
    const bool conflicting = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        CombinationLibrary lib = Library();
        state.ResumeTiming();
        const MergeResult r = MergeCombinationFile(conflicting ? LibraryPath() : NewRecordsPath(), lib,
                                                   [](const CombinationRecord&, const CombinationRecord&) {
                                                       return MergeDecision::ReplaceAll;
                                                   });
        benchmark::DoNotOptimize(r.replaced + r.added);
    }
}

// The straightforward merge: linear FindCombination, RemoveAt then InsertAt.
void BM_MergeStraightforward(benchmark::State& state)
{
    const bool conflicting = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        CombinationLibrary lib = Library();
        state.ResumeTiming();
        CombinationFileReader reader;
        reader.Open(SamplePath(conflicting), false);
        CombinationRecord incoming;
        while (reader.Next(incoming)) {
            const int i = FindCombination(lib, FieldView(incoming.name), FieldView(incoming.roomCategory));
            if (i < 0) {
                lib.Append(incoming);
            } else {
                lib.RemoveAt(i);
                lib.InsertAt(i, incoming);
            }
        }
        benchmark::DoNotOptimize(lib.begin());
    }
}

void BM_ListRoomCategories(benchmark::State& state)
{
    const CombinationLibrary lib = MakeLibrary(static_cast<int>(state.range(0)), "");
    for (auto _ : state) {
        std::vector<std::string> list;
        ListRoomCategories(lib, list);
        benchmark::DoNotOptimize(list.data());
    }
}

void BM_SearchCombinations(benchmark::State& state)
{
    const CombinationLibrary lib = MakeLibrary(static_cast<int>(state.range(0)), "");
    std::vector<int> indices;
    for (auto _ : state) {
        SearchCombinations(lib, "combination 1", "category 5/room 5/", "description", indices);
        benchmark::DoNotOptimize(indices.data());
    }
}

// The same two lookups with the caches emptied before every run, as when the
// panel searches after the user has done something else: a record is 12480
// bytes, so 10,000 of them do not stay in the cache the way 1,000 do.
void EvictCaches()
{
    static std::vector<char> buffer(512u << 20);
    for (std::size_t i = 0; i < buffer.size(); i += 64)
        buffer[i] = static_cast<char>(buffer[i] + 1);
    benchmark::ClobberMemory();
}

void BM_ListRoomCategoriesCold(benchmark::State& state)
{
    const CombinationLibrary lib = MakeLibrary(static_cast<int>(state.range(0)), "");
    for (auto _ : state) {
        state.PauseTiming();
        EvictCaches();
        state.ResumeTiming();
        std::vector<std::string> list;
        ListRoomCategories(lib, list);
        benchmark::DoNotOptimize(list.data());
    }
}

void BM_SearchCombinationsCold(benchmark::State& state)
{
    const CombinationLibrary lib = MakeLibrary(static_cast<int>(state.range(0)), "");
    std::vector<int> indices;
    for (auto _ : state) {
        state.PauseTiming();
        EvictCaches();
        state.ResumeTiming();
        SearchCombinations(lib, "combination 1", "category 5/room 5/", "description", indices);
        benchmark::DoNotOptimize(indices.data());
    }
}

BENCHMARK(BM_RawRead)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RawWriteFlush)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LoadExchange)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_Merge)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MergeStraightforward)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ListRoomCategories)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SearchCombinations)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListRoomCategoriesCold)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Iterations(20);
BENCHMARK(BM_SearchCombinationsCold)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Iterations(20);

// "BM_Merge/1/min_time:1.000" -> "BM_Merge/1"
std::string BaseName(const std::string& name)
{
    std::string base = name;
    for (const char* option : {"/min_time:", "/iterations:"}) {
        const std::size_t at = base.find(option);
        if (at != std::string::npos)
            base.erase(at);
    }
    return base;
}

// Keeps the real time of every run by name for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(::isatty(1) ? OO_ColorTabular : OO_Tabular) {}
    std::map<std::string, double> times;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[BaseName(run.benchmark_name())] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

bool PrintRatio(const RatioReporter& r, const char* what, const std::string& a, const std::string& b, double scale,
                double limit)
{
    auto ia = r.times.find(a), ib = r.times.find(b);
    if (ia == r.times.end() || ib == r.times.end())
        return true;  // not run (filtered out)
    const double ratio = ia->second * scale / ib->second;
    const bool ok = limit <= 0 || ratio <= limit;
    if (limit > 0)
        std::printf("%-58s %8.2f   (at most %.1f)%s\n", what, ratio, limit, ok ? "" : "   EXCEEDED");
    else
        std::printf("%-58s %8.2f\n", what, ratio);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    Prepare();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double naiveScale = static_cast<double>(kRecords) / kNaiveSample;
    std::printf("\nRatios (10,000 records):\n");
    bool ok = true;
    ok &= PrintRatio(reporter, "load / raw read of the same bytes", "BM_Load", "BM_RawRead", 1, 1.5);
    ok &= PrintRatio(reporter, "save / raw write + flush of the same bytes", "BM_Save", "BM_RawWriteFlush", 1, 1.5);
    ok &= PrintRatio(reporter, "merge, all conflicting (\"all\") / load exchange", "BM_Merge/1", "BM_LoadExchange/1", 1, 3);
    ok &= PrintRatio(reporter, "merge, none conflicting / load exchange", "BM_Merge/0", "BM_LoadExchange/0", 1, 3);
    PrintRatio(reporter, "speed-up over the straightforward merge, all conflicting", "BM_MergeStraightforward/1",
               "BM_Merge/1", naiveScale, 0);
    PrintRatio(reporter, "speed-up over the straightforward merge, none conflicting", "BM_MergeStraightforward/0",
               "BM_Merge/0", naiveScale, 0);
    PrintRatio(reporter, "ListRoomCategories 10k / 1k (linear: about 10)", "BM_ListRoomCategories/10000",
               "BM_ListRoomCategories/1000", 1, 0);
    PrintRatio(reporter, "SearchCombinations 10k / 1k (linear: about 10)", "BM_SearchCombinations/10000",
               "BM_SearchCombinations/1000", 1, 0);
    PrintRatio(reporter, "ListRoomCategories 10k / 1k, caches emptied first", "BM_ListRoomCategoriesCold/10000",
               "BM_ListRoomCategoriesCold/1000", 1, 0);
    PrintRatio(reporter, "SearchCombinations 10k / 1k, caches emptied first", "BM_SearchCombinationsCold/10000",
               "BM_SearchCombinationsCold/1000", 1, 0);
    std::printf("(the straightforward merge ran on %d incoming records, scaled by %.0f)\n", kNaiveSample, naiveScale);
    fs::remove_all(Dir());
    benchmark::Shutdown();
    return ok ? 0 : 1;
}
