#include "Controls.h"

#include "Text.h"

namespace fw::detail {
int SendText(HWND wnd, UINT message, WPARAM wParam, std::string_view text)
{
    const std::wstring wide = Widen(text);
    return Send(wnd, message, wParam, reinterpret_cast<LPARAM>(wide.c_str()));
}
}  // namespace fw::detail

namespace {

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

std::string CComboBox::GetLBText(int index) const
{
    return ItemText(m_hWnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

std::string CListBox::GetText(int index) const
{
    return ItemText(m_hWnd, LB_GETTEXTLEN, LB_GETTEXT, index);
}

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

HTREEITEM CTreeCtrl::HitTest(POINT point, UINT* flags) const
{
    TVHITTESTINFO info{};
    info.pt = point;
    const HTREEITEM item = reinterpret_cast<HTREEITEM>(SendMessage(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags) *flags = info.flags;
    return item;
}
