// Benchmark of the tree combo box's Add path: 1,000 and 10,000 paths of a
// category tree with many names per category, and the indexed way against
// the straightforward one (a walk through the siblings, reading their texts)
// in the same run with the same dispatch on both sides: SendMessage through
// the subclass chain, or direct calls of the tree view's procedure. Prints
// the median and min-max of five runs and the ratios; run it with
// scripts/bench-win.
#include "controls/TreeCombo.h"

#include <algorithm>
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

// How the benchmark talks to the tree view: SendMessage through the window's
// subclass chain, or a direct call of the tree view class's own procedure
// (what CTreeCombo::AddPath does for its insertions).
class Dispatch {
public:
    Dispatch(HWND tree, bool direct)
        : hwnd(tree), proc(direct ? reinterpret_cast<WNDPROC>(::GetClassLongPtrW(tree, GCLP_WNDPROC)) : nullptr)
    {
    }
    LRESULT operator()(UINT msg, WPARAM wp, LPARAM lp) const
    {
        return proc ? ::CallWindowProcW(proc, hwnd, msg, wp, lp) : ::SendMessageW(hwnd, msg, wp, lp);
    }

private:
    HWND hwnd;
    WNDPROC proc;
};

HTREEITEM Insert(const Dispatch& send, HTREEITEM parent, std::wstring& text)
{
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = text.data();
    return reinterpret_cast<HTREEITEM>(send(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

// The indexed way (treepath's index) with the chosen dispatch.
class IndexedInserter : public treepath::Tree {
public:
    explicit IndexedInserter(const Dispatch& dispatch) : send(dispatch) {}
    treepath::Item InsertLast(treepath::Item parent, const std::string& text) override
    {
        std::wstring wide = fw::Widen(text);
        const HTREEITEM p = parent == treepath::kRoot ? TVI_ROOT : reinterpret_cast<HTREEITEM>(parent);
        return reinterpret_cast<treepath::Item>(Insert(send, p, wide));
    }

private:
    Dispatch send;
};

// The straightforward way, as the tree view alone allows it: every component
// is looked for among its siblings by reading their texts.
void AddPathBySiblingWalk(const Dispatch& send, const std::string& path)
{
    treepath::Split split = treepath::SplitPath(path, '/');
    HTREEITEM parent = TVI_ROOT;
    bool created = false;
    wchar_t buffer[260];
    for (;;) {
        std::wstring head = fw::Widen(split.head);
        HTREEITEM found = nullptr;
        if (!created) {
            HTREEITEM i = reinterpret_cast<HTREEITEM>(
                parent == TVI_ROOT ? send(TVM_GETNEXTITEM, TVGN_ROOT, 0)
                                   : send(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
            for (; i != nullptr; i = reinterpret_cast<HTREEITEM>(
                                     send(TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(i)))) {
                TVITEMW item{};
                item.mask = TVIF_TEXT;
                item.hItem = i;
                item.pszText = buffer;
                item.cchTextMax = 260;
                buffer[0] = 0;
                if (send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) && head == item.pszText) {
                    found = i;
                    break;
                }
            }
        }
        if (found == nullptr) {
            found = Insert(send, parent, head);
            created = true;
        }
        if (split.rest.empty())
            break;
        parent = found;
        split = treepath::SplitPath(split.rest, '/');
    }
}

enum class Way { Product, IndexedSend, IndexedDirect, WalkSend, WalkDirect };

// Seconds to add the paths to a fresh tree the given way.
double TimeAdd(HWND owner, const std::vector<std::string>& paths, Way way)
{
    if (way == Way::Product) {
        const HWND boxWindow = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 200, 200,
                                                 owner, nullptr, nullptr, nullptr);
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
    // A tree view made by the framework, so SendMessage passes its subclass.
    CTreeCtrl tree;
    tree.Create(WS_POPUP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, RECT{0, 0, 10, 10}, owner, 0);
    const Dispatch send(tree.m_hWnd, way == Way::IndexedDirect || way == Way::WalkDirect);
    IndexedInserter inserter(send);
    treepath::PathIndex index;
    const auto start = std::chrono::steady_clock::now();
    for (const std::string& path : paths) {
        if (way == Way::IndexedSend || way == Way::IndexedDirect)
            treepath::AddPath(path, '/', inserter, index);
        else
            AddPathBySiblingWalk(send, path);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    tree.DestroyWindow();
    return seconds;
}

struct Spread {
    double median, min, max;
};

constexpr int kRuns = 5;

template <class F>
Spread Measure(F measure)
{
    std::vector<double> t;
    for (int i = 0; i < kRuns; ++i)
        t.push_back(measure());
    std::sort(t.begin(), t.end());
    return Spread{t[t.size() / 2], t.front(), t.back()};
}

void PrintTime(const char* what, const Spread& s)
{
    std::printf("  %-52s %9.4f s  (%.4f-%.4f)\n", what, s.median, s.min, s.max);
}

double PrintRatio(const char* what, const Spread& a, const Spread& b)
{
    const double ratio = a.median / b.median;
    std::printf("  %-52s %8.1fx  (%.1f-%.1f)\n", what, ratio, a.min / b.max, a.max / b.min);
    return ratio;
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
    // A run of the 1,000-path fills is the mean of ten fills, so it lasts
    // as long as one 10,000-path fill and a moment's pause of the machine
    // weighs on both alike.
    auto time = [&](const std::vector<std::string>& paths, Way way) {
        const int fills = paths.size() < 10000 && (way == Way::Product || way == Way::IndexedDirect) ? 10 : 1;
        return Measure([&] {
            double total = 0;
            for (int i = 0; i < fills; ++i)
                total += TimeAdd(owner.m_hWnd, paths, way);
            return total / fills;
        });
    };
    const Spread productSmall = time(small, Way::Product), productLarge = time(large, Way::Product);
    const Spread indexedSend = time(small, Way::IndexedSend), walkSend = time(small, Way::WalkSend);
    const Spread indexedDirect = time(small, Way::IndexedDirect), walkDirect = time(small, Way::WalkDirect);

    std::printf("Tree combo Add path under wine, 4 x 5 categories with the names spread over them;\n"
                "seconds to fill a fresh tree, median (min-max) of %d runs\n"
                "(a run of CTreeCombo::AddPath and of the indexed direct calls at 1,000 paths: the mean of 10 fills):\n",
                kRuns);
    PrintTime("CTreeCombo::AddPath,  1,000 paths", productSmall);
    PrintTime("CTreeCombo::AddPath, 10,000 paths", productLarge);
    PrintTime("indexed, SendMessage,       1,000 paths", indexedSend);
    PrintTime("sibling walk, SendMessage,  1,000 paths", walkSend);
    PrintTime("indexed, direct call,       1,000 paths", indexedDirect);
    PrintTime("sibling walk, direct call,  1,000 paths", walkDirect);
    std::printf("Ratios of the medians (spread: slowest/fastest either way):\n");
    const double growth = PrintRatio("CTreeCombo::AddPath 10,000 / 1,000 (linear: 10)", productLarge, productSmall);
    PrintRatio("sibling walk / indexed, both SendMessage", walkSend, indexedSend);
    PrintRatio("sibling walk / indexed, both direct calls", walkDirect, indexedDirect);
    const bool ok = growth <= 12.0 && productLarge.median < 1.0;
    std::printf("  limits (10,000 / 1,000 <= 12x, 10,000 paths < 1 s): %s\n", ok ? "met" : "NOT met");
    owner.DestroyWindow();
    return ok ? 0 : 1;
}
