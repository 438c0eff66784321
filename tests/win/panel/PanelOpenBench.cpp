// Benchmark of opening the tool panel: "go" until the panel is shown and
// painted (the library beside the module loaded, the space types filled, the
// first category listed), with the starter library and with libraries of
// 10,000 and 50,000 records made from it. The baseline, timed in the same
// run and interleaved with the opens: reading the same file raw into fresh
// memory (allocated without being filled, one ReadFile), plus the starter
// library's open. Prints the median and min-max of each, the ratio of the
// medians, and the first open of a fresh process for each library (timed in
// child processes of this one). Run it with scripts/bench-win; exits
// non-zero when an open at 10k or 50k takes more than 1.3 times its baseline.
#include "FakeHost.h"

#include "framework/Framework.h"
#include "library/CombinationFile.h"
#include "library/SharedLibrary.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/ColorPanelDlg.h"
#include "plugin/PluginEntry.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 9;
constexpr int kFirstOpens = 5;
constexpr double kLimit = 1.3;
const int kSizes[] = {10000, 50000};
// Each copy of the starter's records goes into one of this many series of
// every space type, so a large library has a realistic number of categories.
constexpr int kSeries = 20;

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

struct Stats {
    double median, min, max;
};

Stats Of(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
    return {median, v.front(), v.back()};
}

std::string Folder() { return fw::FolderOfPath(fw::ModuleFileName(nullptr)); }
std::string LibraryPath() { return CColorPanelDlg::ModuleFolder() + CColorPanelDlg::kLibraryFileName; }
std::string StarterPath() { return Folder() + "plugins\\Tintgrove.tgv"; }
std::string GeneratedPath(int records) { return Folder() + "panel_open_" + std::to_string(records) + ".tgv"; }

bool Move(const std::string& from, const std::string& to)
{
    return ::MoveFileExW(fw::Widen(from).c_str(), fw::Widen(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

// A library of n records: the starter's records over and over, each copy in
// its own series of the starter's space types and with numbered names.
bool Generate(const CombinationLibrary& starter, int n, const std::string& path)
{
    CombinationLibrary library;
    library.Reserve(n);
    for (int i = 0; i < n; ++i) {
        CombinationRecord record = starter[i % starter.GetCount()];
        const int copy = i / starter.GetCount();
        const std::string name = FieldString(record.name) + " " + std::to_string(copy + 1);
        const std::string category = FieldString(record.roomCategory) + "系列" + std::to_string(copy % kSeries) + "/";
        SetField(record.name, name);
        SetField(record.roomCategory, category);
        library.Append(record);
    }
    return WriteCombinationFile(path, library) == 1;
}

// The baseline read: the whole file into memory allocated for it and never
// touched before, with one ReadFile. The memory is freed outside the time.
double RawRead(const std::string& path, bool& ok)
{
    const auto start = Clock::now();
    HANDLE file = ::CreateFileW(fw::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size{};
    ok = file != INVALID_HANDLE_VALUE && ::GetFileSizeEx(file, &size);
    std::unique_ptr<char[]> bytes;
    DWORD got = 0;
    if (ok) {
        bytes.reset(new char[static_cast<std::size_t>(size.QuadPart)]);
        ok = ::ReadFile(file, bytes.get(), static_cast<DWORD>(size.QuadPart), &got, nullptr) &&
             got == static_cast<DWORD>(size.QuadPart);
    }
    if (file != INVALID_HANDLE_VALUE)
        ::CloseHandle(file);
    const double ms = Ms(start);
    volatile char last = ok && got > 0 ? bytes[got - 1] : 0;
    (void)last;
    return ms;
}

// The library's load alone, as the panel does it (under the lock, stamped),
// into a fresh library that is freed outside the time.
double LoadOnly(const std::string& path, int expectedRecords, bool& ok)
{
    auto library = std::make_unique<CombinationLibrary>();
    SharedLibraryFile file(path);
    const auto start = Clock::now();
    ok = file.Load(*library) == 1;
    const double ms = Ms(start);
    ok = ok && library->GetCount() == expectedRecords;
    return ms;
}

// "go" with the library at path put beside the module, until the panel is
// shown and painted; the panel is closed and the file put back after the time.
double OpenPanel(const std::string& path, int expectedRecords, bool& ok)
{
    ok = Move(path, LibraryPath());
    const auto start = Clock::now();
    pluginCallbacks.hostEvent("go");
    if (CColorPanelDlg::Current() != nullptr)
        fw::PumpMessages();
    const double ms = Ms(start);
    ok = ok && CColorPanelDlg::Current() != nullptr && ::IsWindowVisible(CColorPanelDlg::Current()->m_hWnd) &&
         CColorPanelDlg::Current()->Session().library.GetCount() == expectedRecords && CColorPanelDlg::Current()->Items().itemCount > 0;
    if (CColorPanelDlg::Current() != nullptr)
        ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    ok = ok && CColorPanelDlg::Current() == nullptr;
    ok = Move(LibraryPath(), path) && ok;
    return ms;
}

void SetUpHost()
{
    fw::SetMessageBoxHandler([](const std::string& text, const std::string&, UINT) {
        std::printf("unexpected message: %s\n", text.c_str());
        return IDOK;
    });
    FakeHost& host = FakeHost::Get();
    host.Reset();
    ResetSurfaceMaterialStore();
    host.AddSurface(host.AddMaterial(1, 1, 1), 10, 10);
}

int RecordsOf(const std::string& path)
{
    CombinationFileReader reader;
    if (reader.Open(path, false) != CombinationFileReader::Status::Ready)
        return -1;
    return static_cast<int>(reader.RecordCount());
}

// A child process: the first open of its life, or the first raw read of the
// same file; prints its time.
int FirstOf(const std::string& what, const std::string& path)
{
    bool ok = false;
    double ms = 0;
    if (what == "--first-open") {
        SetUpHost();
        ms = OpenPanel(path, RecordsOf(path), ok);
    } else {
        ms = RawRead(path, ok);
    }
    std::printf("%.3f\n", ms);
    return ok ? 0 : 1;
}

// Runs this program as a child for one first open or read; false when it failed.
bool RunFirst(const char* what, const std::string& path, double& ms)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return false;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    std::wstring command = L"\"" + fw::Widen(fw::ModuleFileName(nullptr)) + L"\" " + fw::Widen(what) + L" \"" +
                           fw::Widen(path) + L"\"";
    PROCESS_INFORMATION process{};
    const bool started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                          &startup, &process);
    ::CloseHandle(writeEnd);
    std::string output;
    char buffer[256];
    DWORD n = 0;
    while (started && ::ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
        output.append(buffer, n);
    ::CloseHandle(readEnd);
    if (!started)
        return false;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    ::CloseHandle(process.hProcess);
    ::CloseHandle(process.hThread);
    return code == 0 && std::sscanf(output.c_str(), "%lf", &ms) == 1;
}

void Print(const char* what, const Stats& s)
{
    std::printf("  %-52s median %8.1f ms  (min %8.1f, max %8.1f)\n", what, s.median, s.min, s.max);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]).rfind("--first-", 0) == 0)
        return FirstOf(argv[1], argv[2]);

    SetUpHost();
    CombinationLibrary starter;
    if (ReadCombinationFile(StarterPath(), starter) != 1 || starter.IsEmpty()) {
        std::printf("cannot read the starter library %s\n", StarterPath().c_str());
        return 2;
    }
    // The starter is opened from a copy beside the generated files.
    const std::string starterCopy = GeneratedPath(starter.GetCount());
    if (WriteCombinationFile(starterCopy, starter) != 1)
        return 2;
    for (int n : kSizes)
        if (!Generate(starter, n, GeneratedPath(n))) {
            std::printf("cannot write %s\n", GeneratedPath(n).c_str());
            return 2;
        }

    std::vector<int> counts{starter.GetCount()};
    counts.insert(counts.end(), std::begin(kSizes), std::end(kSizes));
    const std::size_t kinds = counts.size();
    std::vector<std::vector<double>> open(kinds), raw(kinds), load(kinds);
    bool ok = true;
    // Run -1 warms the code, the fonts and the page cache up and is not counted.
    for (int run = -1; run < kRuns; ++run) {
        for (std::size_t k = 0; k < kinds; ++k) {
            bool opened = false, read = false, loaded = false;
            const std::string path = GeneratedPath(counts[k]);
            const double r = RawRead(path, read);
            const double o = OpenPanel(path, counts[k], opened);
            const double l = LoadOnly(path, counts[k], loaded);
            ok = ok && opened && read && loaded;
            if (run >= 0) {
                raw[k].push_back(r);
                open[k].push_back(o);
                load[k].push_back(l);
            }
        }
    }
    if (!ok) {
        std::printf("an open or a read failed\n");
        return 2;
    }

    std::vector<std::vector<double>> firstOpen(kinds), firstRaw(kinds);
    for (int run = 0; run < kFirstOpens; ++run)
        for (std::size_t k = 0; k < kinds; ++k) {
            double o = 0, r = 0;
            if (RunFirst("--first-read", GeneratedPath(counts[k]), r) &&
                RunFirst("--first-open", GeneratedPath(counts[k]), o)) {
                firstOpen[k].push_back(o);
                firstRaw[k].push_back(r);
            }
        }

    const Stats starterOpen = Of(open[0]);
    std::printf("panel open: \"go\" until the panel is shown and painted (library loaded, space types filled,\n"
                "first category listed), against reading the file raw into fresh memory (new char[n], one\n"
                "ReadFile) plus the starter library's open; interleaved, %d runs each, under wine\n",
                kRuns);
    std::vector<std::string> categories;
    ListRoomCategories(starter, categories);
    std::printf("generated libraries: the starter's records over and over with numbered names, in %d series of its\n"
                "%d space types (%d categories); the first category listed holds about %d of 10,000 records\n",
                kSeries, int(categories.size()), kSeries * int(categories.size()),
                int(10000.0 / kSeries / starter.GetCount() *
                    std::count_if(starter.begin(), starter.end(), [&](const CombinationRecord& r) {
                        return FieldView(r.roomCategory) == categories.front();
                    })));
    Print(("starter library open (" + std::to_string(counts[0]) + " records)").c_str(), starterOpen);
    int status = 0;
    for (std::size_t k = 0; k < kinds; ++k) {
        const Stats o = Of(open[k]), r = Of(raw[k]);
        const double mb = double(kSignatureFieldSize + kRecordSize * std::size_t(counts[k])) / 1e6;
        std::printf(" %d records (%.1f MB):\n", counts[k], mb);
        Print("raw read into fresh memory", r);
        if (k == 0)
            continue;
        Print("panel open", o);
        Print("  part of it: the library's load (lock, stamp, read)", Of(load[k]));
        const double baseline = r.median + starterOpen.median;
        const double ratio = o.median / baseline;
        std::printf("  baseline raw read + starter open %.1f ms; open / baseline: %.2fx (goal %.1fx)%s\n", baseline,
                    ratio, kLimit, ratio <= kLimit ? "" : "  MISSED");
        if (ratio > kLimit)
            status = 1;
    }
    std::printf(" first of a fresh process: a child process for each open and each raw read, alternating, %d runs:\n",
                kFirstOpens);
    for (std::size_t k = 0; k < kinds; ++k) {
        if (firstOpen[k].empty()) {
            std::printf("  %d records: the child processes failed\n", counts[k]);
            status = 1;
            continue;
        }
        const Stats o = Of(firstOpen[k]), r = Of(firstRaw[k]);
        std::printf("  %6d records: first open median %7.1f ms (min %.1f, max %.1f); first raw read median %.1f ms "
                    "(min %.1f, max %.1f)\n",
                    counts[k], o.median, o.min, o.max, r.median, r.min, r.max);
        if (k > 0 && !firstOpen[0].empty())
            std::printf("          first open / (first raw read + first starter open): %.2fx\n",
                        o.median / (r.median + Of(firstOpen[0]).median));
    }

    for (std::size_t k = 0; k < kinds; ++k)
        ::DeleteFileW(fw::Widen(GeneratedPath(counts[k])).c_str());
    return status;
}
