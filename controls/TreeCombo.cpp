#include "TreeCombo.h"


namespace {

// Inserts the items of a path into the tree view, each after its last sibling.
// The insertion goes straight to the tree view's own window procedure: no
// handler of the drop-down looks at it, and a message through the subclass
// chain costs far more than the insertion itself on some systems (under wine,
// several server round trips), which would dominate filling a large tree.
class TreeViewInserter : public treepath::Tree {
public:
    explicit TreeViewInserter(CTreeCtrl& treeCtrl)
        : tree(treeCtrl), treeProc(reinterpret_cast<WNDPROC>(::GetClassLongPtrW(treeCtrl.m_hWnd, GCLP_WNDPROC)))
    {
    }

    treepath::Item InsertLast(treepath::Item parent, const std::string& text) override
    {
        std::wstring wide = fw::Widen(text);
        TVINSERTSTRUCTW insert{};
        insert.hParent = parent == treepath::kRoot ? TVI_ROOT : reinterpret_cast<HTREEITEM>(parent);
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT;
        insert.item.pszText = wide.data();
        const LPARAM lParam = reinterpret_cast<LPARAM>(&insert);
        const LRESULT item = treeProc != nullptr ? ::CallWindowProcW(treeProc, tree.m_hWnd, TVM_INSERTITEMW, 0, lParam)
                                                 : tree.SendMessage(TVM_INSERTITEMW, 0, lParam);
        return static_cast<treepath::Item>(item);
    }

private:
    CTreeCtrl& tree;
    WNDPROC treeProc;
};

}  // namespace

// ---- CComboTree -------------------------------------------------------------

const MessageMap& CComboTree::GetMessageMap() const
{
    static const MessageMap map(CTreeCtrl::GetMessageMap(), {
        on::MouseMove(&CComboTree::OnMouseMove),
        on::LButtonDown(&CComboTree::OnLButtonDown),
        on::KillFocus(&CComboTree::OnKillFocus),
        on::Destroy(&CComboTree::OnDestroy),
    });
    return map;
}

void CComboTree::Notify()
{
    ShowWindow(SW_HIDE);
    if (owner == nullptr)
        return;
    const HWND box = owner->m_hWnd;
    ::SendMessageW(::GetParent(box), WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(GetSelectedItem()), 0);
    if (::IsWindow(box))
        ::SetFocus(box);
}

UINT CComboTree::SelectItemAt(POINT point)
{
    UINT flags = 0;
    const HTREEITEM item = HitTest(point, &flags);
    if (item != nullptr && (flags & TVHT_ONITEM) != 0 && item != GetSelectedItem())
        SelectItem(item);
    return item != nullptr ? flags : 0;
}

void CComboTree::OnMouseMove(UINT, POINT point)
{
    SelectItemAt(point);  // the selection follows the mouse
    Default();
}

void CComboTree::OnLButtonDown(UINT, POINT point)
{
    UINT flags = 0;
    const HTREEITEM item = HitTest(point, &flags);
    if (item != nullptr && (flags & TVHT_ONITEMBUTTON) != 0) {
        Default();  // expand or collapse; the tree stays open
        return;
    }
    // A click that came without a move before it still picks the item under
    // the pointer.
    SelectItemAt(point);
    Notify();
}

void CComboTree::OnKillFocus(HWND)
{
    // A click on the box takes the focus from the tree first; the box then
    // closes the tree itself, so hiding it here would make the box reopen it.
    POINT cursor = {};
    ::GetCursorPos(&cursor);
    if (owner == nullptr || ::WindowFromPoint(cursor) != owner->m_hWnd)
        ShowWindow(SW_HIDE);
    Default();
}

void CComboTree::OnDestroy()
{
    DeleteAllItems();
    if (owner != nullptr)
        owner->index.Clear();
    Default();
}

bool CComboTree::PreTranslateMessage(MSG* msg)
{
    if (msg->message == WM_KEYDOWN && msg->hwnd == m_hWnd) {
        if (msg->wParam == VK_ESCAPE) {
            ShowWindow(SW_HIDE);
            return true;
        }
        if (msg->wParam == VK_RETURN) {
            Notify();
            return true;
        }
    }
    return CTreeCtrl::PreTranslateMessage(msg);
}

// ---- CTreeCombo -------------------------------------------------------------

const MessageMap& CTreeCombo::GetMessageMap() const
{
    static const MessageMap map(CComboBox::GetMessageMap(), {
        on::LButtonDown(&CTreeCombo::OnLButtonDown),
        on::LButtonDblClk(&CTreeCombo::OnLButtonDown),
    });
    return map;
}

CTreeCombo::~CTreeCombo()
{
    if (tree.m_hWnd != nullptr)
        tree.DestroyWindow();
}

bool CTreeCombo::CreateTree(int width, int height)
{
    const RECT client = GetClientRect();
    dropWidth = width > 0 ? width : client.right - client.left;
    dropHeight = height > 0 ? height : 100;
    const DWORD style = WS_POPUP | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                        TVS_DISABLEDRAGDROP | TVS_FULLROWSELECT;
    // The tree view's window class comes with the common controls.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TREEVIEW_CLASSES};
    ::InitCommonControlsEx(&classes);
    tree.owner = this;
    return tree.Create(style, RECT{0, 0, 10, 10}, GetParent(), 0);
}

HTREEITEM CTreeCombo::AddPath(const std::string& path)
{
    if (tree.m_hWnd == nullptr)
        return nullptr;
    TreeViewInserter inserter(tree);
    return reinterpret_cast<HTREEITEM>(treepath::AddPath(path, tree.separator, inserter, index));
}

void CTreeCombo::Empty()
{
    if (tree.m_hWnd != nullptr)
        tree.DeleteAllItems();
    index.Clear();
    ResetContent();
}

std::string CTreeCombo::GetSelectedPath() const
{
    if (tree.m_hWnd == nullptr)
        return std::string();
    HTREEITEM item = tree.GetSelectedItem();
    if (item == nullptr)
        return std::string();
    std::string path = tree.GetItemText(item);
    while ((item = tree.GetParentItem(item)) != nullptr)
        path = tree.GetItemText(item) + tree.separator + path;
    return path;
}

void CTreeCombo::ShowDropDown()
{
    if (tree.m_hWnd == nullptr)
        return;
    const RECT box = GetWindowRect();
    tree.SetWindowPos(HWND_NOTOPMOST, box.left, box.bottom + 1, dropWidth, dropHeight, SWP_SHOWWINDOW);
    // The popup takes the activation; the dialog's caption keeps its active look.
    const HWND top = ::GetAncestor(m_hWnd, GA_ROOT);
    if (top != nullptr) {
        ::SendMessageW(top, WM_NCACTIVATE, TRUE, 0);
        ::SendMessageW(top, WM_SETREDRAW, TRUE, 0);
    }
}

void CTreeCombo::HideDropDown()
{
    if (tree.m_hWnd != nullptr)
        tree.ShowWindow(SW_HIDE);
}

bool CTreeCombo::IsDroppedDown() const
{
    return tree.m_hWnd != nullptr && tree.IsWindowVisible();
}

void CTreeCombo::OnLButtonDown(UINT, POINT)
{
    // The box's own list never opens: the press only opens or closes the tree.
    if (IsDroppedDown())
        HideDropDown();
    else
        ShowDropDown();
}

bool CTreeCombo::MoveSelection(bool forward)
{
    if (tree.m_hWnd == nullptr)
        return false;
    const HTREEITEM current = tree.GetSelectedItem();
    HTREEITEM next = nullptr;
    if (current != nullptr)
        next = forward ? tree.GetNextVisibleItem(current) : tree.GetPrevVisibleItem(current);
    else if (forward)
        next = tree.GetRootItem();  // nothing picked yet: Down starts at the top
    if (next == nullptr)
        return false;
    tree.SelectItem(next);
    return true;
}

bool CTreeCombo::PreTranslateMessage(MSG* msg)
{
    const bool forBox = msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd);
    if (forBox && msg->message == WM_KEYDOWN) {
        bool forward = false;
        switch (msg->wParam) {
        case VK_DOWN:
        case VK_RIGHT:
            forward = true;
            break;
        case VK_UP:
        case VK_LEFT:
            break;
        default:
            return CComboBox::PreTranslateMessage(msg);
        }
        if (MoveSelection(forward))
            ::SendMessageW(GetParent(), WM_TREECOMBO_SELECT, reinterpret_cast<WPARAM>(tree.GetSelectedItem()), 0);
        Invalidate();
        UpdateWindow();
        return true;
    }
    if (forBox && msg->message == WM_SYSKEYDOWN && msg->wParam == VK_DOWN) {
        ShowDropDown();
        return true;
    }
    return CComboBox::PreTranslateMessage(msg);
}
