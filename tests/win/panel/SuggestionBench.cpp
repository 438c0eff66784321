// Benchmark of opening the scheme overview on 100 combinations and the
// suggestion window asked for 100 schemes, each until its first page of
// cards is painted, against a window that paints 100 plain rectangles of
// the card's size in the same run. Prints the median and min-max of 5 runs
// of each and whether both open in under 1 s; run it with scripts/bench-win.
#include "FakeHost.h"

#include "framework/Framework.h"
#include "library/CombinationFile.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/ColorPanelDlg.h"
#include "panel/SuggestionDlg.h"
#include "plugin/PluginEntry.h"
#include "res/resource.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kCards = 100;
constexpr int kRuns = 5;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void WriteLibrary(const std::string& path)
{
    CombinationLibrary library;
    for (int k = 0; k < kCards; ++k) {
        CombinationRecord record;
        InitCombinationRecord(record, "方案" + std::to_string(k + 1), "住宅/客厅/", "说明");
        for (int part = 0; part < 3; ++part)
            for (int c = 0; c < 3; ++c)
                record.materials[part].color[c] = static_cast<float>((k * 7 + part * 31 + c * 13) % 100) / 100.0f;
        library.Append(record);
    }
    WriteCombinationFile(path, library);
}

// Opens a window by its command and returns the seconds until its list is painted.
double TimeOpen(UINT command, int& cards)
{
    HWND panel = CColorPanelDlg::Current()->m_hWnd;
    const auto start = Clock::now();
    ::SendMessageW(panel, WM_COMMAND, command, 0);
    CWnd* window = command == ID_SCHEME_OVERVIEW ? static_cast<CWnd*>(CColorPanelDlg::Current()->Overview())
                                                 : static_cast<CWnd*>(CColorPanelDlg::Current()->Suggestions());
    if (window == nullptr)
        return -1;
    HWND list = window->GetDlgItem(command == ID_SCHEME_OVERVIEW ? IDC_OVERVIEW_LIST : IDC_SUGGESTION_LIST);
    ::UpdateWindow(window->m_hWnd);
    ::UpdateWindow(list);
    const double seconds = Seconds(start);
    cards = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    ::SendMessageW(window->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    return seconds;
}

LRESULT CALLBACK BaselineProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_PAINT)
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    PAINTSTRUCT paint;
    HDC dc = ::BeginPaint(wnd, &paint);
    for (int card = 0; card < kCards; ++card) {
        const int x = (card % 4) * 226, y = (card / 4) * 189;
        RECT r{x + 18, y + 5, x + 208, y + 148};
        HBRUSH brush = ::CreateSolidBrush(RGB(card % 256, (card * 7) % 256, (card * 13) % 256));
        ::FillRect(dc, &r, brush);
        ::DeleteObject(brush);
    }
    ::EndPaint(wnd, &paint);
    return 0;
}

double TimeBaseline()
{
    WNDCLASSW baselineClass{};
    baselineClass.lpfnWndProc = BaselineProc;
    baselineClass.hInstance = ::GetModuleHandleW(nullptr);
    baselineClass.lpszClassName = L"SuggestionBaseline";
    ::RegisterClassW(&baselineClass);
    const auto start = Clock::now();
    HWND wnd = ::CreateWindowExW(0, L"SuggestionBaseline", L"", WS_POPUP | WS_VISIBLE, 0, 0, 900, 600, nullptr, nullptr,
                                 baselineClass.hInstance, nullptr);
    ::UpdateWindow(wnd);
    const double seconds = Seconds(start);
    ::DestroyWindow(wnd);
    return seconds;
}

struct Summary {
    double median, min, max;
};

Summary Summarise(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

}  // namespace

int main()
{
    fw::SetMessageBoxHandler([](const std::string&, const std::string&, UINT) { return IDOK; });
    FakeHost& host = FakeHost::Get();
    host.Reset();
    ResetSurfaceMaterialStore();
    const unsigned ceiling = host.AddMaterial(1, 1, 1);
    const unsigned floor = host.AddMaterial(0.5f, 0.3f, 0.2f);
    const unsigned wall = host.AddMaterial(0.8f, 0.6f, 0.4f);
    host.AddSurface(ceiling, 10, 10);
    host.AddSurface(floor, 10, 100);
    host.AddSurface(wall, 100, 10);
    const std::string libraryPath = CColorPanelDlg::ModuleFolder() + "Tintgrove.tgv";
    WriteLibrary(libraryPath);

    pluginCallbacks.hostEvent("go");
    if (CColorPanelDlg::Current() == nullptr)
        return 1;
    CColorPanelDlg::Current()->MoveWindow(700, 0, 200, 400, true);
    // The wall picked last: the suggestions' anchor.
    pluginCallbacks.leftButtonDown(0, 10, 10);
    SetSurfaceClass(ceiling, Ceiling);
    pluginCallbacks.leftButtonDown(0, 10, 100);
    SetSurfaceClass(floor, Floor);
    pluginCallbacks.leftButtonDown(0, 100, 10);
    SetSurfaceClass(wall, Wall);
    CSuggestionDlg::requestedCount = kCards;

    std::vector<double> overview, suggestions, baseline;
    int overviewCards = 0, suggestionCards = 0;
    for (int run = 0; run < kRuns; ++run) {
        overview.push_back(TimeOpen(ID_SCHEME_OVERVIEW, overviewCards));
        suggestions.push_back(TimeOpen(ID_SCHEME_SUGGESTIONS, suggestionCards));
        baseline.push_back(TimeBaseline());
    }
    const Summary o = Summarise(overview), s = Summarise(suggestions), b = Summarise(baseline);
    std::printf("opening with the first page of cards painted, %d runs:\n", kRuns);
    std::printf("  scheme overview, %d cards:    median %.4f s (min %.4f, max %.4f)\n", overviewCards, o.median, o.min,
                o.max);
    std::printf("  suggestion window, %d cards (%d asked): median %.4f s (min %.4f, max %.4f)\n", suggestionCards,
                kCards, s.median, s.min, s.max);
    std::printf("  baseline, %d plain rectangles:  median %.4f s (min %.4f, max %.4f)\n", kCards, b.median, b.min,
                b.max);
    const bool fast = o.max < 1.0 && s.max < 1.0;
    std::printf("  limit (both open in under 1 s): %s\n", fast ? "met" : "NOT met");

    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    ::DeleteFileW(fw::Widen(libraryPath).c_str());
    return fast ? 0 : 1;
}
