// Thin wrappers of the standard controls: the messages a caller needs, with
// code page 936 texts. A control object is bound to a dialog item with
// DDX_Control or SubclassDlgItem, or created with Create.
#pragma once

#include "Wnd.h"

#include <commctrl.h>

#include <string>
#include <string_view>

namespace fw::detail {
// SendMessageW with an integer result, and a code page 936 text as lParam.
inline int Send(HWND wnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return static_cast<int>(::SendMessageW(wnd, message, wParam, lParam));
}
int SendText(HWND wnd, UINT message, WPARAM wParam, std::string_view text);
}  // namespace fw::detail

class CStatic : public CWnd {
public:
    HICON SetIcon(HICON icon) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon))); }
};

class CButton : public CWnd {
public:
    int GetCheck() const { return fw::detail::Send(m_hWnd, BM_GETCHECK); }
    void SetCheck(int state) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(state)); }
    HICON SetIcon(HICON icon)
    {
        return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
    }
    HBITMAP SetBitmap(HBITMAP bitmap)
    {
        return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
    // A click as the user makes it: BN_CLICKED reaches the parent.
    void Click() { SendMessage(BM_CLICK); }
};

class CEdit : public CWnd {
public:
    void SetLimitText(int maxChars) { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(maxChars)); }
    int GetLimitText() const { return fw::detail::Send(m_hWnd, EM_GETLIMITTEXT); }
    void SetSel(int start, int end, bool noScroll = false)
    {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
        if (!noScroll) SendMessage(EM_SCROLLCARET);
    }
    void ReplaceSel(std::string_view text, bool canUndo = false)
    {
        fw::detail::SendText(m_hWnd, EM_REPLACESEL, canUndo ? TRUE : FALSE, text);
    }
    void SetReadOnly(bool readOnly = true) { SendMessage(EM_SETREADONLY, readOnly ? TRUE : FALSE); }
};

class CComboBox : public CWnd {
public:
    int AddString(std::string_view text) { return fw::detail::SendText(m_hWnd, CB_ADDSTRING, 0, text); }
    int InsertString(int index, std::string_view text)
    {
        return fw::detail::SendText(m_hWnd, CB_INSERTSTRING, static_cast<WPARAM>(index), text);
    }
    int DeleteString(int index) { return fw::detail::Send(m_hWnd, CB_DELETESTRING, static_cast<WPARAM>(index)); }
    void ResetContent() { SendMessage(CB_RESETCONTENT); }
    int GetCount() const { return fw::detail::Send(m_hWnd, CB_GETCOUNT); }
    int GetCurSel() const { return fw::detail::Send(m_hWnd, CB_GETCURSEL); }
    int SetCurSel(int index) { return fw::detail::Send(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index)); }
    std::string GetLBText(int index) const;
    int FindStringExact(int startAfter, std::string_view text) const
    {
        return fw::detail::SendText(m_hWnd, CB_FINDSTRINGEXACT, static_cast<WPARAM>(startAfter), text);
    }
    int SelectString(int startAfter, std::string_view text)
    {
        return fw::detail::SendText(m_hWnd, CB_SELECTSTRING, static_cast<WPARAM>(startAfter), text);
    }
    bool SetItemData(int index, DWORD_PTR data)
    {
        return fw::detail::Send(m_hWnd, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)) != CB_ERR;
    }
    DWORD_PTR GetItemData(int index) const
    {
        return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)));
    }
    void ShowDropDown(bool show = true) { SendMessage(CB_SHOWDROPDOWN, show ? TRUE : FALSE); }
    bool GetDroppedState() const { return SendMessage(CB_GETDROPPEDSTATE) != 0; }
    void LimitText(int maxChars) { SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(maxChars)); }
    // Clears the edit part (for a combo with one).
    void Clear() { ::SetWindowTextW(m_hWnd, L""); }
};

class CListBox : public CWnd {
public:
    int AddString(std::string_view text) { return fw::detail::SendText(m_hWnd, LB_ADDSTRING, 0, text); }
    int InsertString(int index, std::string_view text)
    {
        return fw::detail::SendText(m_hWnd, LB_INSERTSTRING, static_cast<WPARAM>(index), text);
    }
    int DeleteString(int index) { return fw::detail::Send(m_hWnd, LB_DELETESTRING, static_cast<WPARAM>(index)); }
    void ResetContent() { SendMessage(LB_RESETCONTENT); }
    int GetCount() const { return fw::detail::Send(m_hWnd, LB_GETCOUNT); }
    int GetCurSel() const { return fw::detail::Send(m_hWnd, LB_GETCURSEL); }
    int SetCurSel(int index) { return fw::detail::Send(m_hWnd, LB_SETCURSEL, static_cast<WPARAM>(index)); }
    std::string GetText(int index) const;
    bool SetItemData(int index, DWORD_PTR data)
    {
        return fw::detail::Send(m_hWnd, LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)) != LB_ERR;
    }
    DWORD_PTR GetItemData(int index) const
    {
        return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(index)));
    }
};

class CTreeCtrl : public CWnd {
public:
    // Creates the tree (class "SysTreeView32"); parent is the owner of a popup.
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id, DWORD exStyle = 0);

    HTREEITEM InsertItem(std::string_view text, HTREEITEM parent = TVI_ROOT, HTREEITEM insertAfter = TVI_LAST);
    bool DeleteItem(HTREEITEM item) { return SendMessage(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item)) != FALSE; }
    bool DeleteAllItems() { return DeleteItem(TVI_ROOT); }
    std::string GetItemText(HTREEITEM item) const;
    bool SetItemText(HTREEITEM item, std::string_view text);
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM item) const { return GetNextItem(item, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXT); }
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUS); }
    HTREEITEM GetParentItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PARENT); }
    HTREEITEM GetFirstVisibleItem() const { return GetNextItem(nullptr, TVGN_FIRSTVISIBLE); }
    HTREEITEM GetNextVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_NEXTVISIBLE); }
    HTREEITEM GetPrevVisibleItem(HTREEITEM item) const { return GetNextItem(item, TVGN_PREVIOUSVISIBLE); }
    HTREEITEM GetSelectedItem() const { return GetNextItem(nullptr, TVGN_CARET); }
    // TVM_GETNEXTITEM with a TVGN_ relation.
    HTREEITEM GetNextItem(HTREEITEM item, UINT relation) const
    {
        return reinterpret_cast<HTREEITEM>(SendMessage(TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
    }
    bool SelectItem(HTREEITEM item) { return SendMessage(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item)) != FALSE; }
    bool Expand(HTREEITEM item, UINT action = TVE_EXPAND)
    {
        return SendMessage(TVM_EXPAND, action, reinterpret_cast<LPARAM>(item)) != FALSE;
    }
    bool EnsureVisible(HTREEITEM item) { return SendMessage(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item)) != FALSE; }
    UINT GetCount() const { return static_cast<UINT>(SendMessage(TVM_GETCOUNT)); }
    // Item under point (client coordinates); flags receives TVHT_*.
    HTREEITEM HitTest(POINT point, UINT* flags = nullptr) const;
    HIMAGELIST SetImageList(HIMAGELIST images, int kind = TVSIL_NORMAL)
    {
        return reinterpret_cast<HIMAGELIST>(
            SendMessage(TVM_SETIMAGELIST, static_cast<WPARAM>(kind), reinterpret_cast<LPARAM>(images)));
    }
};
