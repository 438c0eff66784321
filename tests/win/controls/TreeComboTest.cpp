#include "controls/TreeCombo.h"

#include "ControlsTestIds.h"
#include "TestWindows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A dialog holding a tree combo box the way the panel and the library
// dialogs hold one, recording each WM_TREECOMBO_SELECT and the path the box
// reports at that moment.
class CComboHostDlg : public CDialog {
public:
    CComboHostDlg() : CDialog(IDD_TREE_COMBO) {}

    struct Selection {
        HTREEITEM item;
        std::string path;
    };
    std::vector<Selection> selections;
    std::vector<WPARAM> captionStates;  // every WM_NCACTIVATE's flag
    CTreeCombo box;

protected:
    const MessageMap& GetMessageMap() const override
    {
        static const MessageMap map(CDialog::GetMessageMap(), {
            on::Message(WM_TREECOMBO_SELECT, &CComboHostDlg::OnTreeComboSelect),
            on::Message(WM_NCACTIVATE, &CComboHostDlg::OnNcActivate),
        });
        return map;
    }
    void DoDataExchange(CDataExchange& dx) override { DDX_Control(dx, IDC_TEST_COMBO, box); }
    bool OnInitDialog() override
    {
        CDialog::OnInitDialog();
        const RECT r = box.GetWindowRect();
        box.CreateTree(r.right - r.left, 300);
        return true;
    }

private:
    LRESULT OnNcActivate(WPARAM wParam, LPARAM)
    {
        captionStates.push_back(wParam);
        return Default();
    }
    LRESULT OnTreeComboSelect(WPARAM wParam, LPARAM)
    {
        selections.push_back({reinterpret_cast<HTREEITEM>(wParam), box.GetSelectedPath()});
        return 0;
    }
};

class TreeComboTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dialog.Create());
        ::SetWindowPos(dialog.m_hWnd, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        dialog.UpdateWindow();
        testwin::Pump();
    }
    void TearDown() override { dialog.DestroyWindow(); }

    CComboTree& Tree() { return dialog.box.Tree(); }
    std::vector<std::string> Children(HTREEITEM parent)
    {
        std::vector<std::string> texts;
        for (HTREEITEM i = parent == TVI_ROOT ? Tree().GetRootItem() : Tree().GetChildItem(parent); i != nullptr;
             i = Tree().GetNextSiblingItem(i))
            texts.push_back(Tree().GetItemText(i));
        return texts;
    }
    // The middle of an item's text, in tree client coordinates.
    POINT TextPoint(HTREEITEM item)
    {
        RECT r = {};
        std::memcpy(&r, &item, sizeof item);  // the message takes the item in the rectangle
        Tree().SendMessage(TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r));
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    // A point on an item's expand button.
    POINT ButtonPoint(HTREEITEM item)
    {
        const POINT text = TextPoint(item);
        for (int x = 0; x < text.x; ++x) {
            UINT flags = 0;
            if (Tree().HitTest(POINT{x, text.y}, &flags) == item && (flags & TVHT_ONITEMBUTTON) != 0)
                return POINT{x, text.y};
        }
        ADD_FAILURE() << "no expand button found";
        return text;
    }
    void ClickTree(POINT p) { Tree().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y)); }
    void ClickBox() { dialog.box.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)); }
    void Key(HWND target, WPARAM key, UINT message = WM_KEYDOWN)
    {
        ::PostMessageW(target, message, key, message == WM_SYSKEYDOWN ? (1 | (1 << 29)) : 1);
        testwin::Pump();
    }

    // a, a/b, a/c, 住宅, 住宅/客厅 with a expanded and 住宅 collapsed.
    void AddSample()
    {
        a = dialog.box.AddPath("a/b/");
        c = dialog.box.AddPath("a/c/");
        living = dialog.box.AddPath("住宅/客厅");
        ASSERT_NE(a, nullptr);
        b = a;
        a = Tree().GetParentItem(b);
        home = Tree().GetParentItem(living);
        Tree().Expand(a);
    }

    CComboHostDlg dialog;
    HTREEITEM a = nullptr, b = nullptr, c = nullptr, home = nullptr, living = nullptr;
};

}  // namespace

TEST_F(TreeComboTest, TheTreeIsAHiddenPopupOwnedByTheDialog)
{
    const HWND tree = Tree().m_hWnd;
    ASSERT_NE(tree, nullptr);
    wchar_t className[32] = {};
    ::GetClassNameW(tree, className, 32);
    EXPECT_STREQ(className, L"SysTreeView32");
    const LONG_PTR style = ::GetWindowLongPtrW(tree, GWL_STYLE);
    EXPECT_EQ(style & WS_POPUP, WS_POPUP);
    EXPECT_EQ(style & WS_VISIBLE, 0);
    for (LONG_PTR s : {TVS_HASBUTTONS, TVS_HASLINES, TVS_LINESATROOT, TVS_DISABLEDRAGDROP, TVS_FULLROWSELECT})
        EXPECT_EQ(style & s, s);
    EXPECT_EQ(::GetWindow(tree, GW_OWNER), dialog.m_hWnd);
    EXPECT_EQ(Tree().owner, &dialog.box);
    EXPECT_EQ(dialog.box.dropHeight, 300);
    const RECT box = dialog.box.GetWindowRect();
    EXPECT_EQ(dialog.box.dropWidth, box.right - box.left);
}

TEST_F(TreeComboTest, DefaultDropDownSizeIsTheBoxWidthAnd100)
{
    HWND boxWindow = ::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST, 10, 60, 150,
                                       100, dialog.m_hWnd, nullptr, nullptr, nullptr);
    CTreeCombo box;
    ASSERT_TRUE(box.Subclass(boxWindow));
    ASSERT_TRUE(box.CreateTree(0, -5));
    EXPECT_EQ(box.dropHeight, 100);
    EXPECT_EQ(box.dropWidth, box.GetClientRect().right);
    ::DestroyWindow(box.Tree().m_hWnd);
}

TEST_F(TreeComboTest, AddingPathsBuildsOneItemPerComponentInFirstAddedOrder)
{
    EXPECT_NE(dialog.box.AddPath("a/b/"), nullptr);
    EXPECT_NE(dialog.box.AddPath("a/c/"), nullptr);
    EXPECT_EQ(dialog.box.AddPath("a/b/"), nullptr);
    EXPECT_EQ(dialog.box.AddPath("a/b"), nullptr);
    EXPECT_EQ(dialog.box.AddPath(""), nullptr);
    EXPECT_EQ(dialog.box.AddPath(static_cast<const char*>(nullptr)), nullptr);
    EXPECT_EQ(Children(TVI_ROOT), (std::vector<std::string>{"a"}));
    EXPECT_EQ(Children(Tree().GetRootItem()), (std::vector<std::string>{"b", "c"}));

    const HTREEITEM sofa = dialog.box.AddPath("住宅/客厅/沙发");
    ASSERT_NE(sofa, nullptr);
    EXPECT_EQ(Tree().GetItemText(sofa), "沙发");
    EXPECT_EQ(Children(TVI_ROOT), (std::vector<std::string>{"a", "住宅"}));
    EXPECT_EQ(Tree().GetCount(), 6u);
}

TEST_F(TreeComboTest, SelectedPathJoinsTheComponentsFromTheRoot)
{
    AddSample();
    EXPECT_EQ(dialog.box.GetSelectedPath(), "");
    Tree().SelectItem(a);
    EXPECT_EQ(dialog.box.GetSelectedPath(), "a");
    Tree().SelectItem(b);
    EXPECT_EQ(dialog.box.GetSelectedPath(), "a/b");
    Tree().SelectItem(living);
    EXPECT_EQ(dialog.box.GetSelectedPath(), "住宅/客厅");
}

TEST_F(TreeComboTest, EmptyRemovesEveryItemAndForgetsThePaths)
{
    AddSample();
    dialog.box.AddString("a/b");
    dialog.box.Empty();
    EXPECT_EQ(Tree().GetCount(), 0u);
    EXPECT_EQ(dialog.box.GetCount(), 0);
    EXPECT_EQ(dialog.box.GetSelectedPath(), "");
    // The paths can be added again: nothing of the old items is remembered.
    const HTREEITEM again = dialog.box.AddPath("a/b/");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Tree().GetItemText(again), "b");
    EXPECT_EQ(Tree().GetCount(), 2u);
}

TEST_F(TreeComboTest, ClickingTheBoxOpensAndClosesTheTreeBelowIt)
{
    AddSample();
    dialog.captionStates.clear();
    ClickBox();
    ASSERT_TRUE(Tree().IsWindowVisible());
    EXPECT_TRUE(dialog.box.IsDroppedDown());
    ASSERT_FALSE(dialog.captionStates.empty());
    EXPECT_EQ(dialog.captionStates.back(), static_cast<WPARAM>(TRUE)) << "the dialog's caption stays active";
    EXPECT_FALSE(dialog.box.GetDroppedState()) << "the box's own list never opens";
    const RECT box = dialog.box.GetWindowRect();
    const RECT tree = Tree().GetWindowRect();
    EXPECT_EQ(tree.left, box.left);
    EXPECT_EQ(tree.top, box.bottom + 1);
    EXPECT_EQ(tree.right - tree.left, dialog.box.dropWidth);
    EXPECT_EQ(tree.bottom - tree.top, 300);

    ClickBox();
    EXPECT_FALSE(Tree().IsWindowVisible());
    dialog.box.SendMessage(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(Tree().IsWindowVisible());
    EXPECT_TRUE(dialog.selections.empty());
}

TEST_F(TreeComboTest, ClickingTheBoxWhileOpenClosesItForGood)
{
    AddSample();
    ClickBox();
    ASSERT_TRUE(Tree().IsWindowVisible());
    Tree().SetFocus();
    // The pointer is over the box's arrow: losing the focus to the box
    // leaves the tree open, and the box's own click then closes it.
    const RECT box = dialog.box.GetWindowRect();
    ::SetCursorPos(box.right - 5, (box.top + box.bottom) / 2);
    ASSERT_EQ(::WindowFromPoint(POINT{box.right - 5, (box.top + box.bottom) / 2}), dialog.box.m_hWnd);
    dialog.box.SetFocus();
    EXPECT_TRUE(Tree().IsWindowVisible());
    ClickBox();
    EXPECT_FALSE(Tree().IsWindowVisible());

    // Elsewhere, losing the focus closes the tree.
    ClickBox();
    Tree().SetFocus();
    ::SetCursorPos(box.left + 5, box.bottom + 400);
    ::SetFocus(dialog.GetDlgItem(IDC_TEST_EDIT));
    EXPECT_FALSE(Tree().IsWindowVisible());
    EXPECT_TRUE(dialog.selections.empty());
}

TEST_F(TreeComboTest, ClickingAnItemClosesTheTreeAndNotifiesWithIt)
{
    AddSample();
    Tree().SelectItem(b);
    ClickBox();
    ClickTree(TextPoint(c));
    EXPECT_FALSE(Tree().IsWindowVisible());
    ASSERT_EQ(dialog.selections.size(), 1u);
    EXPECT_EQ(dialog.selections[0].item, c);
    EXPECT_EQ(dialog.selections[0].path, "a/c");
    const HWND focus = ::GetFocus();
    EXPECT_TRUE(focus == dialog.box.m_hWnd || ::IsChild(dialog.box.m_hWnd, focus)) << "the focus is back on the box";
}

TEST_F(TreeComboTest, TheSelectionFollowsTheMouse)
{
    AddSample();
    ClickBox();
    const POINT p = TextPoint(home);
    Tree().SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(p.x, p.y));
    EXPECT_EQ(Tree().GetSelectedItem(), home);
    EXPECT_TRUE(Tree().IsWindowVisible());
    EXPECT_TRUE(dialog.selections.empty());
}

TEST_F(TreeComboTest, ClickingAnExpandButtonKeepsTheTreeOpen)
{
    AddSample();
    ClickBox();
    ClickTree(ButtonPoint(home));
    EXPECT_TRUE(Tree().IsWindowVisible());
    EXPECT_NE(Tree().SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(home), TVIS_EXPANDED) & TVIS_EXPANDED, 0);
    ClickTree(ButtonPoint(a));
    EXPECT_TRUE(Tree().IsWindowVisible());
    EXPECT_EQ(Tree().SendMessage(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(a), TVIS_EXPANDED) & TVIS_EXPANDED, 0);
    EXPECT_TRUE(dialog.selections.empty());
}

TEST_F(TreeComboTest, EscapeClosesWithoutNoticeAndEnterClosesAndNotifies)
{
    AddSample();
    Tree().SelectItem(c);
    ClickBox();
    Key(Tree().m_hWnd, VK_ESCAPE);
    EXPECT_FALSE(Tree().IsWindowVisible());
    EXPECT_TRUE(dialog.selections.empty());

    ClickBox();
    Key(Tree().m_hWnd, VK_RETURN);
    EXPECT_FALSE(Tree().IsWindowVisible());
    ASSERT_EQ(dialog.selections.size(), 1u);
    EXPECT_EQ(dialog.selections[0].item, c);
    EXPECT_EQ(dialog.selections[0].path, "a/c");
    EXPECT_TRUE(::IsWindow(dialog.m_hWnd)) << "Enter and Escape must not reach the dialog";
}

TEST_F(TreeComboTest, ArrowKeysInTheBoxWalkTheVisibleItemsAndNotify)
{
    AddSample();  // visible order: a, b, c, 住宅 (collapsed)
    // The keys reach the box's edit field, which has the focus in an editable box.
    const HWND box = ::GetWindow(dialog.box.m_hWnd, GW_CHILD);
    ASSERT_NE(box, nullptr);
    Key(box, VK_DOWN);  // nothing selected yet: the first item
    Key(box, VK_DOWN);
    Key(box, VK_RIGHT);
    Key(box, VK_DOWN);
    EXPECT_FALSE(Tree().IsWindowVisible());
    ASSERT_EQ(dialog.selections.size(), 4u);
    EXPECT_EQ(dialog.selections[0].path, "a");
    EXPECT_EQ(dialog.selections[1].path, "a/b");
    EXPECT_EQ(dialog.selections[2].path, "a/c");
    EXPECT_EQ(dialog.selections[3].path, "住宅");
    EXPECT_EQ(dialog.selections[3].item, home);

    Key(box, VK_DOWN);  // the last visible item: nothing happens
    EXPECT_EQ(dialog.selections.size(), 4u);
    EXPECT_EQ(Tree().GetSelectedItem(), home);

    Key(box, VK_UP);
    Key(box, VK_LEFT);
    ASSERT_EQ(dialog.selections.size(), 6u);
    EXPECT_EQ(dialog.selections[5].path, "a/b");
    Key(box, VK_UP);
    Key(box, VK_UP);  // the first item: nothing happens
    EXPECT_EQ(dialog.selections.size(), 7u);
    EXPECT_EQ(dialog.box.GetSelectedPath(), "a");
    EXPECT_FALSE(Tree().IsWindowVisible());
}

TEST_F(TreeComboTest, AltDownOpensTheTree)
{
    AddSample();
    Key(dialog.box.m_hWnd, VK_DOWN, WM_SYSKEYDOWN);
    EXPECT_TRUE(Tree().IsWindowVisible());
    EXPECT_TRUE(dialog.selections.empty());
}

TEST(TreeComboLife, DestroyingTheDialogDeletesTheTreeAndItsItems)
{
    CComboHostDlg dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.box.AddPath("a/b");
    const HWND tree = dialog.box.Tree().m_hWnd;
    ASSERT_TRUE(::IsWindow(tree));
    dialog.DestroyWindow();
    EXPECT_FALSE(::IsWindow(tree));
    EXPECT_EQ(dialog.box.Tree().m_hWnd, nullptr);
}

TEST(TreeComboLife, ABoxObjectThatGoesFirstTakesItsTreeAlong)
{
    CComboHostDlg dialog;
    ASSERT_TRUE(dialog.Create());
    HWND tree = nullptr;
    {
        CTreeCombo box;
        ASSERT_TRUE(box.Subclass(::CreateWindowExW(0, L"COMBOBOX", L"", WS_CHILD | CBS_DROPDOWN, 0, 0, 100, 100,
                                                   dialog.m_hWnd, nullptr, nullptr, nullptr)));
        ASSERT_TRUE(box.CreateTree(0, 0));
        box.AddPath("a/b");
        tree = box.Tree().m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(tree));
    dialog.DestroyWindow();
}
