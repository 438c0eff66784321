// Loading a library file against reading the same bytes raw, in the same run:
// into fresh memory (allocated for the read and never touched before, as the
// load's array is) and into memory already touched (the floor of a read).
// Page cache warm for all. The former record-by-record load is timed too. Each is timed over at least 7 repetitions;
// the summary gives the median and min-max of each and the ratio of medians.
#include "CombinationFile.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRepetitions = 7;
const int kSizes[] = {1000, 10000, 50000};

std::string PathFor(int records)
{
    static const fs::path dir = fs::temp_directory_path() / ("tg_loadbench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    return (dir / ("lib" + std::to_string(records) + ".tgv")).string();
}

void MakeFile(int records)
{
    CombinationLibrary lib;
    lib.Reserve(records);
    CombinationRecord r;
    for (int i = 0; i < records; ++i) {
        InitCombinationRecord(r, "combination " + std::to_string(i), "Category " + std::to_string(i % 97) + "/",
                              "description " + std::to_string(i));
        r.materials[0].color[0] = static_cast<float>(i % 255) / 255.0f;
        lib.Append(r);
    }
    if (!WriteCombinationFile(PathFor(records), lib))
        std::abort();
}

std::size_t ReadRaw(const std::string& path, char* into, std::size_t size)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, into + done, size - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return done;
}

void Load(benchmark::State& state, int records)
{
    const std::string path = PathFor(records);
    for (auto _ : state) {
        CombinationLibrary lib;
        if (ReadCombinationFile(path, lib) != 1 || lib.GetCount() != records)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(lib.begin());
    }
}

// The former load: room reserved, then one read and one append per record.
void RecordByRecord(benchmark::State& state, int records)
{
    const std::string path = PathFor(records);
    for (auto _ : state) {
        CombinationLibrary lib;
        CombinationFileReader reader;
        if (reader.Open(path) != CombinationFileReader::Status::Ready)
            state.SkipWithError("open failed");
        lib.Reserve(static_cast<int>(reader.RecordCount()));
        CombinationRecord record;
        while (reader.Next(record))
            lib.Append(record);
        benchmark::DoNotOptimize(lib.begin());
    }
}

void RawFresh(benchmark::State& state, int records)
{
    const std::string path = PathFor(records);
    const std::size_t size = fs::file_size(path);
    for (auto _ : state) {
        // malloc of this size maps fresh pages, as the library's realloc does.
        char* buffer = static_cast<char*>(std::malloc(size));
        benchmark::DoNotOptimize(ReadRaw(path, buffer, size));
        std::free(buffer);
    }
}

void RawTouched(benchmark::State& state, int records)
{
    const std::string path = PathFor(records);
    const std::size_t size = fs::file_size(path);
    std::vector<char> buffer(size, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadRaw(path, buffer.data(), size));
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }
double Max(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

// Collects the time per iteration of every repetition of every run.
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
    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    for (int records : kSizes) {
        MakeFile(records);
        const std::string n = std::to_string(records);
        benchmark::RegisterBenchmark(("load/" + n).c_str(), Load, records)
            ->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("per_record/" + n).c_str(), RecordByRecord, records)
            ->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("raw_fresh/" + n).c_str(), RawFresh, records)
            ->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark(("raw_touched/" + n).c_str(), RawTouched, records)
            ->Repetitions(kRepetitions)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    Summary summary;
    benchmark::RunSpecifiedBenchmarks(&summary);

    std::printf("\nLoad (ReadCombinationFile into a new library) against a raw read of the same file, page cache warm;\n"
                "median and min-max of %d repetitions, ms per load:\n", kRepetitions);
    for (int records : kSizes) {
        const std::string n = std::to_string(records);
        const auto& load = summary.times["load/" + n];
        const auto& fresh = summary.times["raw_fresh/" + n];
        const auto& touched = summary.times["raw_touched/" + n];
        const auto& perRecord = summary.times["per_record/" + n];
        if (load.empty() || fresh.empty() || touched.empty() || perRecord.empty())
            continue;
        const double l = Summary::Median(load), f = Summary::Median(fresh), t = Summary::Median(touched);
        std::printf("  %6d records: load %.2f (%.2f-%.2f); raw read into fresh memory %.2f (%.2f-%.2f), load %.2fx; "
                    "into touched memory %.2f (%.2f-%.2f), load %.2fx\n",
                    records, l, Min(load), Max(load), f, Min(fresh), Max(fresh), l / f, t, Min(touched), Max(touched),
                    l / t);
        const double p = Summary::Median(perRecord);
        std::printf("  %6d records: the former record-by-record load %.2f (%.2f-%.2f), %.2fx raw into fresh memory\n",
                    records, p, Min(perRecord), Max(perRecord), p / f);
    }
    fs::remove_all(fs::path(PathFor(1)).parent_path());
    return 0;
}
