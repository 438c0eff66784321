// Benchmark of the tree combo box's Add path: 1,000 and 10,000 paths of a
// category tree with many names per category, against the straightforward
// way (a walk through the siblings with window messages for every
// component) in the same run. Prints times and ratios; run it with
// scripts/bench-win.
#include "controls/TreeCombo.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::string> CategoryPaths(int count)
{
    // 4 building types x 5 rooms, the names spread evenly over the 20 rooms.
    static const char* const kBuildings[] = {"住宅", "办公", "酒店", "商场"};
    static const char* const kRooms[] = {"客厅", "卧室", "厨房", "卫生间", "走廊"};
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int room = i % 20;
        paths.push_back(std::string(kBuildings[room / 5]) + "/" + kRooms[room % 5] + "/组合" + std::to_string(i));
    }
    return paths;
}

// Add path as the tree view alone allows it: every component is looked for
// among its siblings by reading their texts through window messages.
HTREEITEM AddPathBySiblingWalk(CTreeCtrl& tree, const std::string& path)
{
    treepath::Split split = treepath::SplitPath(path, '/');
    HTREEITEM parent = TVI_ROOT;
    bool created = false;
    HTREEITEM last = nullptr;
    for (;;) {
        HTREEITEM found = nullptr;
        if (!created) {
            for (HTREEITEM i = parent == TVI_ROOT ? tree.GetRootItem() : tree.GetChildItem(parent); i != nullptr;
                 i = tree.GetNextSiblingItem(i))
                if (tree.GetItemText(i) == split.head) {
                    found = i;
                    break;
                }
        }
        if (found == nullptr) {
            found = tree.InsertItem(split.head, parent, TVI_LAST);
            created = true;
            last = found;
        }
        if (split.rest.empty())
            break;
        parent = found;
        split = treepath::SplitPath(split.rest, '/');
    }
    return created ? last : nullptr;
}

// Seconds to add paths to a fresh box (indexed) or a fresh tree (sibling walk).
double TimeIndexed(HWND owner, const std::vector<std::string>& paths)
{
    const HWND boxWindow = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 200, 200, owner,
                                             nullptr, nullptr, nullptr);
    double seconds = 0;
    {
        CTreeCombo box;
        box.Subclass(boxWindow);
        box.CreateTree(200, 300);
        const auto start = std::chrono::steady_clock::now();
        for (const std::string& path : paths)
            box.AddPath(path);
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        box.Tree().DestroyWindow();
    }
    ::DestroyWindow(boxWindow);
    return seconds;
}

double TimeSiblingWalk(HWND owner, const std::vector<std::string>& paths)
{
    CTreeCtrl tree;
    tree.Create(WS_POPUP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, RECT{0, 0, 10, 10}, owner, 0);
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : paths)
        AddPathBySiblingWalk(tree, path);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    tree.DestroyWindow();
    return seconds;
}

template <class F>
double Best(int runs, F measure)
{
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double t = measure();
        if (t < best)
            best = t;
    }
    return best;
}

}  // namespace

int main()
{
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&classes);
    CWnd::RegisterWindowClass("TgBenchOwner");
    CWnd owner;
    owner.CreateEx(0, "TgBenchOwner", "", WS_OVERLAPPEDWINDOW, RECT{0, 0, 300, 300}, nullptr, 0);

    const std::vector<std::string> small = CategoryPaths(1000);
    const std::vector<std::string> large = CategoryPaths(10000);
    const std::vector<std::string> twice = CategoryPaths(2000);
    const double indexedSmall = Best(5, [&] { return TimeIndexed(owner.m_hWnd, small); });
    const double indexedLarge = Best(5, [&] { return TimeIndexed(owner.m_hWnd, large); });
    // The sibling walk grows with the square of the names per category, so
    // it is measured on 1,000 and 2,000 paths only (10,000 take minutes).
    const double walkSmall = Best(3, [&] { return TimeSiblingWalk(owner.m_hWnd, small); });
    const double walkTwice = Best(1, [&] { return TimeSiblingWalk(owner.m_hWnd, twice); });

    std::printf("tree combo Add path, 4 x 5 categories, names spread over them (best of 5 / 3 / 1 runs)\n");
    std::printf("  indexed       1,000 paths: %8.4f s   10,000 paths: %8.4f s   ratio %5.1fx\n", indexedSmall,
                indexedLarge, indexedLarge / indexedSmall);
    std::printf("  sibling walk  1,000 paths: %8.4f s    2,000 paths: %8.4f s   ratio %5.1fx\n", walkSmall, walkTwice,
                walkTwice / walkSmall);
    std::printf("  1,000 paths: sibling walk / indexed = %.1fx\n", walkSmall / indexedSmall);
    const bool ok = indexedLarge / indexedSmall <= 12.0 && indexedLarge < 1.0;
    std::printf("  limits (ratio <= 12x, 10,000 paths < 1 s): %s\n", ok ? "met" : "NOT met");
    owner.DestroyWindow();
    return ok ? 0 : 1;
}
