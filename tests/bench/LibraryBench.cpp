// Library loading, saving, merging and listing, each against a baseline
// measured in the same run on the same bytes, and the peak memory of each
// library operation against the size of its file.
//
// Every benchmark runs kRuns times (a run is the mean over enough
// iterations to last a moment); the summary gives the median and the
// min–max of the runs, and each ratio is the ratio of the medians with the
// widest spread the runs allow (slowest over fastest either way). Both the
// wall-clock time and the process's CPU time are kept: on a machine busy
// with other work the wall clock also counts the waits for a processor.
#include "CombinationFile.h"
#include "LibraryExchange.h"
#include "TgvCommands.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

constexpr int kRecords = 10000;
constexpr int kRuns = 5;

fs::path Dir()
{
    static const fs::path dir = fs::temp_directory_path() / ("tg_bench_" + std::to_string(::getpid()));
    return dir;
}
std::string LibraryPath() { return (Dir() / "library.tgv").string(); }
std::string NewRecordsPath() { return (Dir() / "new.tgv").string(); }

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
}

// Reads the whole file into `buffer` with as few read calls as the system allows.
bool ReadInto(const std::string& path, char* buffer, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return false;
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, buffer + done, size - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return done == size;
}

// Raw read into memory that was never touched: a fresh allocation, not
// zero-filled, so the read pays for the page faults as the load does.
void BM_RawReadFresh(benchmark::State& state)
{
    const std::size_t size = static_cast<std::size_t>(fs::file_size(LibraryPath()));
    for (auto _ : state) {
        std::unique_ptr<char[]> buffer(new char[size]);
        if (!ReadInto(LibraryPath(), buffer.get(), size))
            state.SkipWithError("raw read failed");
        benchmark::DoNotOptimize(buffer.get());
    }
}

// Raw read into one buffer touched before the timer: no page faults.
void BM_RawReadTouched(benchmark::State& state)
{
    const std::size_t size = static_cast<std::size_t>(fs::file_size(LibraryPath()));
    std::vector<char> buffer(size, 1);
    for (auto _ : state) {
        if (!ReadInto(LibraryPath(), buffer.data(), size))
            state.SkipWithError("raw read failed");
        benchmark::DoNotOptimize(buffer.data());
    }
}

void BM_Load(benchmark::State& state)
{
    for (auto _ : state) {
        CombinationLibrary lib;
        if (!ReadCombinationFile(LibraryPath(), lib))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(lib.begin());
    }
}

void BM_RawWriteFlush(benchmark::State& state)
{
    const std::size_t size = static_cast<std::size_t>(fs::file_size(LibraryPath()));
    std::vector<char> bytes(size);
    ReadInto(LibraryPath(), bytes.data(), size);
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

// The target a merge starts from, and the baseline's target in the same
// state: a copy of the library made before the timer (its pages faulted in).
// With every record conflicting the merge replaces in place, so the baseline
// reads the exchange file into that storage emptied; with none conflicting
// the merge appends, so the baseline appends the file to the copy.
CombinationLibrary MergeTarget(bool conflicting, bool forBaseline)
{
    CombinationLibrary lib = Library();
    if (conflicting && forBaseline)
        lib.Empty();
    return lib;
}

// range(0): 1 = every record conflicts (answered "all"), 0 = none conflicts.
void BM_LoadExchange(benchmark::State& state)
{
    const bool conflicting = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        CombinationLibrary lib = MergeTarget(conflicting, true);
        state.ResumeTiming();
        ReadCombinationFile(conflicting ? LibraryPath() : NewRecordsPath(), lib);
        benchmark::DoNotOptimize(lib.begin());
    }
}

void BM_Merge(benchmark::State& state)
{
    const bool conflicting = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        CombinationLibrary lib = MergeTarget(conflicting, false);
        state.ResumeTiming();
        const MergeResult r = MergeCombinationFile(conflicting ? LibraryPath() : NewRecordsPath(), lib,
                                                   [](const CombinationRecord&, const CombinationRecord&) {
                                                       return MergeDecision::ReplaceAll;
                                                   });
        benchmark::DoNotOptimize(r.replaced + r.added);
    }
}

// The straightforward merge over every incoming record: a linear
// FindCombination for each, then an in-place replace or an append.
void BM_MergeStraightforward(benchmark::State& state)
{
    const bool conflicting = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        CombinationLibrary lib = MergeTarget(conflicting, false);
        state.ResumeTiming();
        CombinationFileReader reader;
        reader.Open(conflicting ? LibraryPath() : NewRecordsPath(), false);
        CombinationRecord incoming;
        while (reader.Next(incoming)) {
            const int i = FindCombination(lib, FieldView(incoming.name), FieldView(incoming.roomCategory));
            if (i < 0)
                lib.Append(incoming);
            else
                lib.ReplaceAt(i, incoming);
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

BENCHMARK(BM_RawReadFresh)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(kRuns);
BENCHMARK(BM_RawReadTouched)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(kRuns);
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(kRuns);
BENCHMARK(BM_RawWriteFlush)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(kRuns);
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(kRuns);
BENCHMARK(BM_LoadExchange)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(kRuns);
BENCHMARK(BM_Merge)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(kRuns);
BENCHMARK(BM_MergeStraightforward)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(kRuns);
BENCHMARK(BM_ListRoomCategories)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Repetitions(kRuns);
BENCHMARK(BM_SearchCombinations)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Repetitions(kRuns);
BENCHMARK(BM_ListRoomCategoriesCold)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Iterations(20)->Repetitions(kRuns);
BENCHMARK(BM_SearchCombinationsCold)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond)->Iterations(20)->Repetitions(kRuns);

// "BM_Merge/1/min_time:0.500/repeats:5" -> "BM_Merge/1"
std::string BaseName(const std::string& name)
{
    std::string base = name;
    for (const char* option : {"/min_time:", "/iterations:", "/repeats:"}) {
        const std::size_t at = base.find(option);
        if (at != std::string::npos)
            base.erase(at);
    }
    return base;
}

struct Spread {
    double median = 0, min = 0, max = 0;
    int runs = 0;
};

Spread SpreadOf(std::vector<double> t)
{
    Spread s;
    if (t.empty())
        return s;
    std::sort(t.begin(), t.end());
    const std::size_t n = t.size();
    s.median = n % 2 ? t[n / 2] : (t[n / 2 - 1] + t[n / 2]) / 2;
    s.min = t.front();
    s.max = t.back();
    s.runs = static_cast<int>(n);
    return s;
}

// Keeps the real time of every run (repetition) by name, in seconds.
class RunsReporter : public benchmark::ConsoleReporter {
public:
    RunsReporter() : ConsoleReporter(::isatty(1) ? OO_ColorTabular : OO_Tabular) {}
    std::map<std::string, std::vector<double>> times, cpu;
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                const double n = static_cast<double>(run.iterations);
                times[BaseName(run.benchmark_name())].push_back(run.real_accumulated_time / n);
                cpu[BaseName(run.benchmark_name())].push_back(run.cpu_accumulated_time / n);
            }
        // The console shows the aggregates; the summary below gives the spread.
        std::vector<Run> aggregates;
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate)
                aggregates.push_back(run);
        if (!aggregates.empty())
            ConsoleReporter::ReportRuns(aggregates);
    }
    bool Has(const std::string& name) const { return times.count(name) != 0; }
    Spread Of(const std::string& name) const { return SpreadOf(times.at(name)); }
    Spread CpuOf(const std::string& name) const { return SpreadOf(cpu.at(name)); }
};

void PrintTime(const RunsReporter& r, const char* what, const std::string& name)
{
    if (!r.Has(name))
        return;
    const Spread s = r.Of(name), c = r.CpuOf(name);
    std::printf("  %-60s %9.1f (%.1f-%.1f)  %9.1f (%.1f-%.1f)\n", what, s.median * 1e3, s.min * 1e3, s.max * 1e3,
                c.median * 1e3, c.min * 1e3, c.max * 1e3);
}

// Ratio of the medians of `timed` over `baseline`, wall clock and CPU time;
// limit > 0 is checked on the CPU time.
bool PrintRatio(const RunsReporter& r, const char* what, const std::string& timed, const std::string& baseline,
                double limit = 0)
{
    if (!r.Has(timed) || !r.Has(baseline))
        return true;  // not run (filtered out)
    const Spread a = r.Of(timed), b = r.Of(baseline), ca = r.CpuOf(timed), cb = r.CpuOf(baseline);
    const double ratio = ca.median / cb.median;
    const bool ok = limit <= 0 || ratio <= limit;
    std::printf("  %-60s %7.2fx (%.2f-%.2f)  %7.2fx (%.2f-%.2f)", what, a.median / b.median, a.min / b.max,
                a.max / b.min, ratio, ca.min / cb.max, ca.max / cb.min);
    if (limit > 0)
        std::printf("  at most %.1f%s", limit, ok ? "" : "  EXCEEDED");
    std::printf("\n");
    return ok;
}

// ---- Peak memory ---------------------------------------------------------
//
// Each operation runs in a fresh process (this program started again with
// --memory-child), which reports the peak resident set of its own address
// space (VmHWM) when the operation is done; a child that does nothing gives
// the process's own baseline.

long long OwnPeakBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atoll(line.c_str() + 6) * 1024;
    return -1;
}

int RunOperation(const std::vector<std::string>& args)
{
    const std::string& op = args.at(0);
    if (op == "idle")
        return 0;
    if (op == "load" || op == "save") {
        CombinationLibrary lib;
        if (!ReadCombinationFile(args.at(1), lib))
            return 1;
        return op == "save" ? !WriteCombinationFile(args.at(2), lib) : 0;
    }
    // merge, dump and build as the command-line tool runs them.
    std::vector<std::string> tgv{"tgv"};
    tgv.insert(tgv.end(), args.begin(), args.end());
    std::istringstream in;
    std::ostringstream out, err;
    const int code = RunTgv(tgv, in, out, err);
    if (code != 0)
        std::fprintf(stderr, "%s", err.str().c_str());
    return code;
}

// args: the file to write the peak to, then the operation and its arguments.
int MemoryChild(const std::vector<std::string>& args)
{
    const int code = RunOperation(std::vector<std::string>(args.begin() + 1, args.end()));
    std::ofstream(args.at(0)) << OwnPeakBytes() << "\n";
    return code;
}

// Peak resident set in bytes of this program run with --memory-child args; -1 on failure.
long long PeakOfChild(const std::vector<std::string>& args)
{
    const std::string report = (Dir() / "peak.txt").string();
    std::vector<std::string> all{"/proc/self/exe", "--memory-child", report};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) != 0)
        return -1;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    long long peak = -1;
    std::ifstream(report) >> peak;
    return peak;
}

void PrintMemory()
{
    std::printf("\nPeak memory: the peak resident set of a fresh process running one operation, minus that of an\n"
                "idle one, against the size of the library file (one run each; merge: an exchange file of as many\n"
                "records, half of them new; dump and build: the readable form of the library):\n");
    const long long idle = PeakOfChild({"idle"});
    std::printf("  idle process: %.1f MB\n", idle / 1e6);
    std::printf("  %-8s %-7s %10s %12s %14s\n", "records", "op", "file MB", "peak MB", "peak / file");
    for (int records : {1000, 10000, 50000}) {
        const fs::path dir = Dir() / ("memory" + std::to_string(records));
        fs::create_directories(dir);
        const std::string library = (dir / "library.tgv").string();
        const std::string exchange = (dir / "exchange.tgv").string();
        const std::string json = (dir / "library.json").string();
        {
            // Half the exchange file's records conflict, half are new.
            CombinationLibrary lib = MakeLibrary(records, "");
            WriteCombinationFile(library, lib);
            lib.Empty();
            for (int i = 0; i < records; ++i)
                lib.Append(Record(i, i % 2 ? "new " : ""));
            WriteCombinationFile(exchange, lib);
        }
        const double fileBytes = static_cast<double>(fs::file_size(library));
        struct Op {
            const char* name;
            std::vector<std::string> args;
        };
        const Op ops[] = {
            {"load", {"load", library}},
            {"save", {"save", library, (dir / "saved.tgv").string()}},
            {"merge", {"merge", library, exchange, "--conflicts", "replace", "-o", (dir / "merged.tgv").string()}},
            {"dump", {"dump", library, "-o", json}},
            {"build", {"build", json, "-o", (dir / "built.tgv").string()}},
        };
        for (const Op& op : ops) {
            const long long peak = PeakOfChild(op.args);
            if (peak < 0) {
                std::printf("  %-8d %-7s %10.1f %12s\n", records, op.name, fileBytes / 1e6, "FAILED");
                continue;
            }
            const double extra = static_cast<double>(peak - idle);
            std::printf("  %-8d %-7s %10.1f %12.1f %13.2fx\n", records, op.name, fileBytes / 1e6, extra / 1e6,
                        extra / fileBytes);
        }
        fs::remove_all(dir);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--memory-child") == 0)
        return MemoryChild(std::vector<std::string>(argv + 2, argv + argc));
    bool memory = true;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-memory") == 0)
            memory = false;
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    Prepare();
    RunsReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double mb = static_cast<double>(fs::file_size(LibraryPath())) / 1e6;

    std::printf("\nNative, %d records (%.0f MB file); median (min-max) of %d runs, in ms:\n", kRecords, mb, kRuns);
    std::printf("  %-60s %22s  %22s\n", "", "wall clock", "CPU time");
    PrintTime(reporter, "raw read into fresh memory (not zero-filled)", "BM_RawReadFresh");
    PrintTime(reporter, "raw read into memory touched before", "BM_RawReadTouched");
    PrintTime(reporter, "load (ReadCombinationFile into an empty library)", "BM_Load");
    PrintTime(reporter, "raw write + fsync of the same bytes", "BM_RawWriteFlush");
    PrintTime(reporter, "save (WriteCombinationFile: temp file, flush, rename)", "BM_Save");
    PrintTime(reporter, "read exchange into prepared target, all conflicting", "BM_LoadExchange/1");
    PrintTime(reporter, "merge, all conflicting (\"all\")", "BM_Merge/1");
    PrintTime(reporter, "straightforward merge, all conflicting", "BM_MergeStraightforward/1");
    PrintTime(reporter, "read exchange appended to prepared target, none conflicting", "BM_LoadExchange/0");
    PrintTime(reporter, "merge, none conflicting", "BM_Merge/0");
    PrintTime(reporter, "straightforward merge, none conflicting", "BM_MergeStraightforward/0");

    std::printf("\nRatios of the medians (spread: slowest/fastest either way):\n");
    std::printf("  %-60s %22s  %22s\n", "", "wall clock", "CPU time");
    bool ok = true;
    ok &= PrintRatio(reporter, "load / raw read into fresh memory", "BM_Load", "BM_RawReadFresh", 1.5);
    PrintRatio(reporter, "load / raw read into touched memory", "BM_Load", "BM_RawReadTouched");
    ok &= PrintRatio(reporter, "save / raw write + fsync", "BM_Save", "BM_RawWriteFlush", 1.5);
    ok &= PrintRatio(reporter, "merge / read into the same target, all conflicting", "BM_Merge/1",
                     "BM_LoadExchange/1", 3);
    ok &= PrintRatio(reporter, "merge / read into the same target, none conflicting", "BM_Merge/0",
                     "BM_LoadExchange/0", 3);
    PrintRatio(reporter, "straightforward merge / merge, all conflicting", "BM_MergeStraightforward/1", "BM_Merge/1");
    PrintRatio(reporter, "straightforward merge / merge, none conflicting", "BM_MergeStraightforward/0",
               "BM_Merge/0");
    PrintRatio(reporter, "ListRoomCategories 10k / 1k (linear: about 10)", "BM_ListRoomCategories/10000",
               "BM_ListRoomCategories/1000");
    PrintRatio(reporter, "SearchCombinations 10k / 1k (linear: about 10)", "BM_SearchCombinations/10000",
               "BM_SearchCombinations/1000");
    PrintRatio(reporter, "ListRoomCategories 10k / 1k, caches emptied first", "BM_ListRoomCategoriesCold/10000",
               "BM_ListRoomCategoriesCold/1000");
    PrintRatio(reporter, "SearchCombinations 10k / 1k, caches emptied first", "BM_SearchCombinationsCold/10000",
               "BM_SearchCombinationsCold/1000");
    std::printf("(both merges and their baselines start from a copy of the %d-record library made before the timer)\n",
                kRecords);
    if (memory)
        PrintMemory();
    fs::remove_all(Dir());
    benchmark::Shutdown();
    return ok ? 0 : 1;
}
