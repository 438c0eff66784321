// Benchmark of the scheme overview: opening it on 1,000 listed combinations
// and scrolling through all of them once, page by page, each page painted
// at once; against a window that paints the same number of plain
// rectangles of the card's size, page by page, in the same run. Prints the
// median and min-max of 7 runs of each and their ratio, and the time to open
// with the first page painted against the limit of 1 s; run it with
// scripts/bench-win.
#include "FakeHost.h"

#include "framework/Framework.h"
#include "library/CombinationFile.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/ColorPanelDlg.h"
#include "panel/SchemeOverviewDlg.h"
#include "plugin/PluginEntry.h"
#include "res/resource.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kCards = 1000;
constexpr int kRuns = 7;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// 1,000 combinations of one space type, their colours spread over the
// range, every tenth with a floor texture that is not found (hatched).
void WriteLibrary(const std::string& path)
{
    CombinationLibrary library;
    for (int k = 0; k < kCards; ++k) {
        CombinationRecord record;
        InitCombinationRecord(record, "方案" + std::to_string(k + 1), "住宅/客厅/", "说明");
        for (int part = 0; part < 3; ++part)
            for (int c = 0; c < 3; ++c)
                record.materials[part].color[c] = static_cast<float>((k * 7 + part * 31 + c * 13) % 100) / 100.0f;
        if (k % 10 == 0)
            SetField(record.materials[1].mapFile[0], "missing_floor.jpg");
        library.Append(record);
    }
    WriteCombinationFile(path, library);
}

// Scrolls a window down by its client height until the end, painting each page.
int ScrollThrough(HWND wnd)
{
    RECT client;
    ::GetClientRect(wnd, &client);
    int pages = 1;
    ::UpdateWindow(wnd);
    for (;;) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        ::GetScrollInfo(wnd, SB_VERT, &info);
        if (info.nPos + static_cast<int>(info.nPage) > info.nMax)
            break;
        ::SendMessageW(wnd, WM_VSCROLL, SB_PAGEDOWN, 0);
        ::UpdateWindow(wnd);
        ++pages;
        if (pages > 10 * kCards)
            break;
    }
    return pages;
}

double TimeOverview(int& pages, double& opened)
{
    const auto start = Clock::now();
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_COMMAND, ID_SCHEME_OVERVIEW, 0);
    CSchemeOverviewDlg* overview = CColorPanelDlg::Current()->Overview();
    if (overview == nullptr)
        return -1;
    HWND list = overview->GetDlgItem(IDC_OVERVIEW_LIST);
    ::UpdateWindow(overview->m_hWnd);
    ::UpdateWindow(list);
    opened = Seconds(start);
    pages = ScrollThrough(list);
    const double seconds = Seconds(start);
    // Closed, so the next run computes every thumbnail again.
    ::SendMessageW(overview->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    return seconds;
}

// The baseline: a scrolling window of the list's size that fills one
// rectangle per card of the page it shows.
int baselineTop = 0;
int baselineColumns = 1;
SIZE cardSpacing{1, 1};  // the overview's, taken from a first opening
SIZE pictureSize{1, 1};

LRESULT CALLBACK BaselineProc(HWND wnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(wnd, &paint);
        RECT client;
        ::GetClientRect(wnd, &client);
        ::FillRect(dc, &client, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
        const int firstRow = baselineTop / cardSpacing.cy;
        const int rows = static_cast<int>(client.bottom) / cardSpacing.cy + 2;
        for (int row = firstRow; row < firstRow + rows; ++row)
            for (int column = 0; column < baselineColumns; ++column) {
                const int card = row * baselineColumns + column;
                if (card >= kCards)
                    break;
                const int x = column * cardSpacing.cx;
                const int y = row * cardSpacing.cy - baselineTop;
                RECT r{x + 6, y + 5, x + 6 + pictureSize.cx, y + 5 + pictureSize.cy};
                HBRUSH brush = ::CreateSolidBrush(RGB(card % 256, (card * 7) % 256, (card * 13) % 256));
                ::FillRect(dc, &r, brush);
                ::DeleteObject(brush);
            }
        ::EndPaint(wnd, &paint);
        return 0;
    }
    case WM_VSCROLL: {
        RECT client;
        ::GetClientRect(wnd, &client);
        const int rows = (kCards + baselineColumns - 1) / baselineColumns;
        const int height = rows * cardSpacing.cy;
        const int bottom = static_cast<int>(client.bottom);
        baselineTop = std::min(baselineTop + bottom, std::max(0, height - bottom));
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_ALL;
        info.nMax = height - 1;
        info.nPage = static_cast<UINT>(bottom);
        info.nPos = baselineTop;
        ::SetScrollInfo(wnd, SB_VERT, &info, TRUE);
        ::InvalidateRect(wnd, nullptr, FALSE);
        return 0;
    }
    default:
        return ::DefWindowProcW(wnd, message, wParam, lParam);
    }
}

double TimeBaseline(const RECT& listClient, int pages, double& opened)
{
    WNDCLASSW baselineClass{};
    baselineClass.lpfnWndProc = BaselineProc;
    baselineClass.hInstance = ::GetModuleHandleW(nullptr);
    baselineClass.lpszClassName = L"OverviewBaseline";
    ::RegisterClassW(&baselineClass);
    const auto start = Clock::now();
    HWND wnd = ::CreateWindowExW(0, L"OverviewBaseline", L"", WS_POPUP | WS_VISIBLE | WS_VSCROLL, 0, 0,
                                 listClient.right + ::GetSystemMetrics(SM_CXVSCROLL), listClient.bottom, nullptr,
                                 nullptr, baselineClass.hInstance, nullptr);
    baselineTop = 0;
    baselineColumns = std::max(1, static_cast<int>(listClient.right / cardSpacing.cx));
    ::UpdateWindow(wnd);
    opened = Seconds(start);
    for (int page = 1; page < pages; ++page) {
        ::SendMessageW(wnd, WM_VSCROLL, SB_PAGEDOWN, 0);
        ::UpdateWindow(wnd);
    }
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
    const unsigned material = host.AddMaterial(1, 1, 1);
    host.AddSurface(material, 10, 10);
    const std::string libraryPath = CColorPanelDlg::ModuleFolder() + "Tintgrove.tgv";
    WriteLibrary(libraryPath);

    pluginCallbacks.hostEvent("go");
    if (CColorPanelDlg::Current() == nullptr || CColorPanelDlg::Current()->Items().itemCount != kCards) {
        std::printf("the panel did not list %d combinations\n", kCards);
        return 1;
    }

    // The overview's list size, taken from a first opening.
    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_COMMAND, ID_SCHEME_OVERVIEW, 0);
    RECT listClient;
    ::GetClientRect(CColorPanelDlg::Current()->Overview()->GetDlgItem(IDC_OVERVIEW_LIST), &listClient);
    cardSpacing = CColorPanelDlg::Current()->Overview()->CardSpacing();
    pictureSize = CColorPanelDlg::Current()->Overview()->PictureSize();
    ::SendMessageW(CColorPanelDlg::Current()->Overview()->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();

    std::vector<double> overviewTimes, baselineTimes, overviewOpens, baselineOpens;
    int pages = 0;
    for (int run = 0; run < kRuns; ++run) {
        double overviewOpen = 0, baselineOpen = 0;
        overviewTimes.push_back(TimeOverview(pages, overviewOpen));
        baselineTimes.push_back(TimeBaseline(listClient, pages, baselineOpen));
        overviewOpens.push_back(overviewOpen);
        baselineOpens.push_back(baselineOpen);
    }
    const Summary overview = Summarise(overviewTimes);
    const Summary baseline = Summarise(baselineTimes);
    std::vector<double> ratios;
    for (int run = 0; run < kRuns; ++run)
        ratios.push_back(overviewTimes[static_cast<std::size_t>(run)] / baselineTimes[static_cast<std::size_t>(run)]);
    const Summary ratio = Summarise(ratios);

    std::printf("scheme overview: open on %d combinations and scroll through them once (%d pages of %ldx%ld, cards of %ldx%ld), %d runs\n",
                kCards, pages, listClient.right, listClient.bottom, pictureSize.cx, pictureSize.cy, kRuns);
    std::printf("  overview (thumbnails computed afresh): median %.4f s (min %.4f, max %.4f)\n", overview.median,
                overview.min, overview.max);
    std::printf("  baseline (%d plain rectangles, same pages): median %.4f s (min %.4f, max %.4f)\n", kCards,
                baseline.median, baseline.min, baseline.max);
    std::printf("  ratio overview / baseline: median %.1fx (min %.1fx, max %.1fx)\n", ratio.median, ratio.min,
                ratio.max);
    std::printf("  per page: overview %.2f ms, baseline %.2f ms\n", overview.median * 1000 / pages,
                baseline.median * 1000 / pages);

    // Opening: the window shown with its first page of cards painted. With
    // 1,000 cards it does all that opening with 100 does and more.
    const Summary open = Summarise(overviewOpens);
    const Summary openBaseline = Summarise(baselineOpens);
    const bool openFast = open.max < 1.0;
    std::printf("  open, first page painted: overview median %.4f s (max %.4f), baseline median %.4f s\n", open.median,
                open.max, openBaseline.median);
    std::printf("  limit (opens in under 1 s with 100 cards, measured with %d): %s\n", kCards,
                openFast ? "met" : "NOT met");

    ::SendMessageW(CColorPanelDlg::Current()->m_hWnd, WM_CLOSE, 0, 0);
    fw::PumpMessages();
    ::DeleteFileW(fw::Widen(libraryPath).c_str());
    return openFast ? 0 : 1;
}
