#include "Controls.h"

#include "Text.h"

namespace {

LPARAM TextParam(const std::wstring& text)
{
    return reinterpret_cast<LPARAM>(text.c_str());
}

// Text of a list item through the given length and text messages.
std::string ItemText(HWND wnd, UINT lengthMessage, UINT textMessage, int index)
{
    const LRESULT length = SendMessageW(wnd, lengthMessage, static_cast<WPARAM>(index), 0);
    if (length <= 0) return std::string();
    std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(wnd, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
    wide.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return fw::Narrow(wide);
}

}  // namespace

// ---- CStatic / CButton / CEdit ------------------------------------------------

HICON CStatic::SetIcon(HICON icon)
{
    return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon)));
}

int CButton::GetCheck() const
{
    return static_cast<int>(SendMessage(BM_GETCHECK));
}

void CButton::SetCheck(int state)
{
    SendMessage(BM_SETCHECK, static_cast<WPARAM>(state));
}

HICON CButton::SetIcon(HICON icon)
{
    return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
}

HBITMAP CButton::SetBitmap(HBITMAP bitmap)
{
    return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
}

void CButton::Click()
{
    SendMessage(BM_CLICK);
}

void CEdit::SetLimitText(int maxChars)
{
    SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(maxChars));
}

int CEdit::GetLimitText() const
{
    return static_cast<int>(SendMessage(EM_GETLIMITTEXT));
}

void CEdit::SetSel(int start, int end, bool noScroll)
{
    SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    if (!noScroll) SendMessage(EM_SCROLLCARET);
}

void CEdit::ReplaceSel(std::string_view text, bool canUndo)
{
    SendMessage(EM_REPLACESEL, canUndo ? TRUE : FALSE, TextParam(fw::Widen(text)));
}

void CEdit::SetReadOnly(bool readOnly)
{
    SendMessage(EM_SETREADONLY, readOnly ? TRUE : FALSE);
}

// ---- CComboBox ------------------------------------------------------------------

int CComboBox::AddString(std::string_view text)
{
    return static_cast<int>(SendMessage(CB_ADDSTRING, 0, TextParam(fw::Widen(text))));
}

int CComboBox::InsertString(int index, std::string_view text)
{
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), TextParam(fw::Widen(text))));
}

int CComboBox::DeleteString(int index)
{
    return static_cast<int>(SendMessage(CB_DELETESTRING, static_cast<WPARAM>(index)));
}

void CComboBox::ResetContent()
{
    SendMessage(CB_RESETCONTENT);
}

int CComboBox::GetCount() const
{
    return static_cast<int>(SendMessage(CB_GETCOUNT));
}

int CComboBox::GetCurSel() const
{
    return static_cast<int>(SendMessage(CB_GETCURSEL));
}

int CComboBox::SetCurSel(int index)
{
    return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index)));
}

std::string CComboBox::GetLBText(int index) const
{
    return ItemText(m_hWnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

int CComboBox::FindStringExact(int startAfter, std::string_view text) const
{
    return static_cast<int>(SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), TextParam(fw::Widen(text))));
}

int CComboBox::SelectString(int startAfter, std::string_view text)
{
    return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(startAfter), TextParam(fw::Widen(text))));
}

bool CComboBox::SetItemData(int index, DWORD_PTR data)
{
    return SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)) != CB_ERR;
}

DWORD_PTR CComboBox::GetItemData(int index) const
{
    return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)));
}

void CComboBox::ShowDropDown(bool show)
{
    SendMessage(CB_SHOWDROPDOWN, show ? TRUE : FALSE);
}

bool CComboBox::GetDroppedState() const
{
    return SendMessage(CB_GETDROPPEDSTATE) != 0;
}

void CComboBox::LimitText(int maxChars)
{
    SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(maxChars));
}

void CComboBox::Clear()
{
    ::SetWindowTextW(m_hWnd, L"");
}

// ---- CListBox -------------------------------------------------------------------

int CListBox::AddString(std::string_view text)
{
    return static_cast<int>(SendMessage(LB_ADDSTRING, 0, TextParam(fw::Widen(text))));
}

int CListBox::InsertString(int index, std::string_view text)
{
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index), TextParam(fw::Widen(text))));
}

int CListBox::DeleteString(int index)
{
    return static_cast<int>(SendMessage(LB_DELETESTRING, static_cast<WPARAM>(index)));
}

void CListBox::ResetContent()
{
    SendMessage(LB_RESETCONTENT);
}

int CListBox::GetCount() const
{
    return static_cast<int>(SendMessage(LB_GETCOUNT));
}

int CListBox::GetCurSel() const
{
    return static_cast<int>(SendMessage(LB_GETCURSEL));
}

int CListBox::SetCurSel(int index)
{
    return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index)));
}

std::string CListBox::GetText(int index) const
{
    return ItemText(m_hWnd, LB_GETTEXTLEN, LB_GETTEXT, index);
}

bool CListBox::SetItemData(int index, DWORD_PTR data)
{
    return SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)) != LB_ERR;
}

DWORD_PTR CListBox::GetItemData(int index) const
{
    return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(index)));
}

// ---- CTreeCtrl ------------------------------------------------------------------

bool CTreeCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id, DWORD exStyle)
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_TREEVIEW_CLASSES};
        return InitCommonControlsEx(&init) != FALSE;
    }();
    (void)registered;
    return CreateEx(exStyle, "SysTreeView32", "", style, rect, parent, id);
}

HTREEITEM CTreeCtrl::InsertItem(std::string_view text, HTREEITEM parent, HTREEITEM insertAfter)
{
    std::wstring wide = fw::Widen(text);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = insertAfter;
    insert.item.mask = TVIF_TEXT;
    insert.item.pszText = wide.data();
    return reinterpret_cast<HTREEITEM>(SendMessage(TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

bool CTreeCtrl::DeleteItem(HTREEITEM item)
{
    return SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != FALSE;
}

bool CTreeCtrl::DeleteAllItems()
{
    return SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT)) != FALSE;
}

std::string CTreeCtrl::GetItemText(HTREEITEM item) const
{
    // Grows the buffer until the text fits with room to spare.
    for (std::size_t size = 256; size <= (1u << 20); size *= 4) {
        std::wstring wide(size, L'\0');
        TVITEMW tv{};
        tv.mask = TVIF_TEXT;
        tv.hItem = item;
        tv.pszText = wide.data();
        tv.cchTextMax = static_cast<int>(size);
        if (!SendMessage(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&tv))) return std::string();
        const std::size_t length = wcsnlen(tv.pszText, size);
        if (length + 1 < size) return fw::Narrow(std::wstring_view(tv.pszText, length));
    }
    return std::string();
}

bool CTreeCtrl::SetItemText(HTREEITEM item, std::string_view text)
{
    std::wstring wide = fw::Widen(text);
    TVITEMW tv{};
    tv.mask = TVIF_TEXT;
    tv.hItem = item;
    tv.pszText = wide.data();
    return SendMessage(TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&tv)) != FALSE;
}

namespace {
HTREEITEM NextItem(const CTreeCtrl& tree, HTREEITEM item, UINT relation)
{
    return reinterpret_cast<HTREEITEM>(tree.SendMessage(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}
}  // namespace

HTREEITEM CTreeCtrl::GetRootItem() const { return NextItem(*this, nullptr, TVGN_ROOT); }
HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const { return NextItem(*this, item, TVGN_CHILD); }
HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const { return NextItem(*this, item, TVGN_NEXT); }
HTREEITEM CTreeCtrl::GetPrevSiblingItem(HTREEITEM item) const { return NextItem(*this, item, TVGN_PREVIOUS); }
HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const { return NextItem(*this, item, TVGN_PARENT); }
HTREEITEM CTreeCtrl::GetFirstVisibleItem() const { return NextItem(*this, nullptr, TVGN_FIRSTVISIBLE); }
HTREEITEM CTreeCtrl::GetNextVisibleItem(HTREEITEM item) const { return NextItem(*this, item, TVGN_NEXTVISIBLE); }
HTREEITEM CTreeCtrl::GetPrevVisibleItem(HTREEITEM item) const { return NextItem(*this, item, TVGN_PREVIOUSVISIBLE); }
HTREEITEM CTreeCtrl::GetSelectedItem() const { return NextItem(*this, nullptr, TVGN_CARET); }

bool CTreeCtrl::SelectItem(HTREEITEM item)
{
    return SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != FALSE;
}

bool CTreeCtrl::Expand(HTREEITEM item, UINT action)
{
    return SendMessage(TVM_EXPAND, action, reinterpret_cast<LPARAM>(item)) != FALSE;
}

bool CTreeCtrl::EnsureVisible(HTREEITEM item)
{
    return SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)) != FALSE;
}

UINT CTreeCtrl::GetCount() const
{
    return static_cast<UINT>(SendMessage(TVM_GETCOUNT));
}

HTREEITEM CTreeCtrl::HitTest(POINT point, UINT* flags) const
{
    TVHITTESTINFO info{};
    info.pt = point;
    const HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags) *flags = info.flags;
    return item;
}

HIMAGELIST CTreeCtrl::SetImageList(HIMAGELIST images, int kind)
{
    return reinterpret_cast<HIMAGELIST>(SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(images)));
}
