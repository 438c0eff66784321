// Adding one combination to a library of 50,000 records (624 MB) that a team
// shares, against the baseline of appending one record with a flush to a
// file of the same size in the same folder (the same write, the same flush,
// through the same file layer, without the lock and the change check); and
// the close after it, which has nothing left to write. Prints the median and
// min-max of each over the runs, and the parts of the add; exits non-zero
// when the add takes more than 3 times the baseline or the close 50 ms or
// more.
#include "CombinationFile.h"
#include "SharedLibrary.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Stats {
    double median, min, max;
};

Stats Of(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v[v.size() / 2], v.front(), v.back()};
}

void Print(const char* what, const Stats& s)
{
    std::printf("%-58s median %9.3f ms  (min %9.3f, max %9.3f)\n", what, s.median, s.min, s.max);
}

CombinationRecord Record(int i)
{
    CombinationRecord r;
    InitCombinationRecord(r, "combination " + std::to_string(i), "bench/" + std::to_string(i % 50) + "/",
                          "a record of the benchmark");
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::atoi(argv[1]) : 50000;
    const int runs = 31;
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "tg_append_bench";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string path = (dir / "Tintgrove.tgv").string();
    const std::string peer = (dir / "peer.tgv").string();

    {
        CombinationLibrary library;
        library.Reserve(records);
        for (int i = 0; i < records; ++i)
            library.Append(Record(i));
        if (!WriteCombinationFile(path, library) || !WriteCombinationFile(peer, library)) {
            std::printf("cannot write the library in %s\n", dir.string().c_str());
            return 2;
        }
    }
    std::printf("library of %d records, %.0f MB, in %s; %d runs\n", records,
                double(fs::file_size(path)) / 1e6, dir.string().c_str(), runs);

    SharedLibraryFile shared(path);
    CombinationLibrary library;
    if (shared.Load(library) != 1 || library.GetCount() != records)
        return 2;

    std::vector<double> baseline, add, close, rewrite, locking, stamping;
    // Run 0 warms the caches and the file's metadata up and is not counted.
    for (int run = -1; run < runs; ++run) {
        const CombinationRecord record = Record(records + 1 + run);

        // Baseline: one record appended to a file as large and flushed.
        auto t0 = Clock::now();
        {
            std::unique_ptr<File> file = Files().Open(peer, OpenMode::Append);
            if (!file || !WriteAll(*file, &record, sizeof record) || !file->Flush() || !file->Close())
                return 2;
        }
        baseline.push_back(Ms(Clock::now() - t0));

        // The add: the record into the panel's copy and saved under the lock.
        t0 = Clock::now();
        library.Append(record);
        shared.changes.Added(record);
        const auto saved = shared.Save(library);
        add.push_back(Ms(Clock::now() - t0));
        if (saved.status != SharedLibraryFile::SaveResult::Status::Appended) {
            std::printf("the add was not appended (status %d: %s)\n", int(saved.status), saved.reason.c_str());
            return 2;
        }

        // The close after it: nothing left to write.
        t0 = Clock::now();
        if (shared.Save(library).status != SharedLibraryFile::SaveResult::Status::Nothing)
            return 2;
        close.push_back(Ms(Clock::now() - t0));

        // Parts of the add: taking and dropping the lock; one stamp (it takes two).
        t0 = Clock::now();
        {
            LibraryLock lock;
            if (lock.Acquire(LockPathFor(path), 0) != LibraryLock::Result::Acquired)
                return 2;
        }
        locking.push_back(Ms(Clock::now() - t0));
        t0 = Clock::now();
        if (!StampFile(path).readable)
            return 2;
        stamping.push_back(Ms(Clock::now() - t0));
        if (run < 0) {
            for (auto* v : {&baseline, &add, &close, &locking, &stamping})
                v->clear();
        }
    }
    // What an add cost before: the whole library written again, safely.
    for (int run = 0; run < std::min(runs, 5); ++run) {
        const auto t0 = Clock::now();
        if (!WriteCombinationFile(path, library))
            return 2;
        rewrite.push_back(Ms(Clock::now() - t0));
    }

    const Stats b = Of(baseline), a = Of(add), c = Of(close), w = Of(rewrite);
    Print("baseline: append one record + flush, file as large", b);
    Print("add: append under the lock to the large library", a);
    Print("  part of it: take and drop the lock", Of(locking));
    Print("  part of it: one stamp (size, time, identity, hash)", Of(stamping));
    Print("close after the add (nothing pending)", c);
    Print("for comparison: rewriting the whole library", w);
    std::printf("add / baseline: medians %.2fx (limit 3x), minima %.2fx; close: %.3f ms (limit 50 ms)\n",
                a.median / b.median, a.min / b.min, c.median);
    fs::remove_all(dir);
    return a.median <= 3 * b.median && c.median < 50 ? 0 : 1;
}
