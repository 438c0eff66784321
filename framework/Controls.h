// Thin wrappers of the standard controls: the messages a caller needs, with
// code page 936 texts. A control object is bound to a dialog item with
// DDX_Control or SubclassDlgItem, or created with Create.
#pragma once

#include "Wnd.h"

#include <commctrl.h>

#include <string>
#include <string_view>

class CStatic : public CWnd {
public:
    HICON SetIcon(HICON icon);
};

class CButton : public CWnd {
public:
    int GetCheck() const;
    void SetCheck(int state);
    HICON SetIcon(HICON icon);
    HBITMAP SetBitmap(HBITMAP bitmap);
    // A click as the user makes it: BN_CLICKED reaches the parent.
    void Click();
};

class CEdit : public CWnd {
public:
    void SetLimitText(int maxChars);
    int GetLimitText() const;
    void SetSel(int start, int end, bool noScroll = false);
    void ReplaceSel(std::string_view text, bool canUndo = false);
    void SetReadOnly(bool readOnly = true);
};

class CComboBox : public CWnd {
public:
    int AddString(std::string_view text);
    int InsertString(int index, std::string_view text);
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    std::string GetLBText(int index) const;
    int FindStringExact(int startAfter, std::string_view text) const;
    int SelectString(int startAfter, std::string_view text);
    bool SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
    void ShowDropDown(bool show = true);
    bool GetDroppedState() const;
    void LimitText(int maxChars);
    // Clears the edit part (for a combo with one).
    void Clear();
};

class CListBox : public CWnd {
public:
    int AddString(std::string_view text);
    int InsertString(int index, std::string_view text);
    int DeleteString(int index);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index);
    std::string GetText(int index) const;
    bool SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
};

class CTreeCtrl : public CWnd {
public:
    // Creates the tree (class "SysTreeView32"); parent is the owner of a popup.
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id, DWORD exStyle = 0);

    HTREEITEM InsertItem(std::string_view text, HTREEITEM parent = TVI_ROOT, HTREEITEM insertAfter = TVI_LAST);
    bool DeleteItem(HTREEITEM item);
    bool DeleteAllItems();
    std::string GetItemText(HTREEITEM item) const;
    bool SetItemText(HTREEITEM item, std::string_view text);
    HTREEITEM GetRootItem() const;
    HTREEITEM GetChildItem(HTREEITEM item) const;
    HTREEITEM GetNextSiblingItem(HTREEITEM item) const;
    HTREEITEM GetPrevSiblingItem(HTREEITEM item) const;
    HTREEITEM GetParentItem(HTREEITEM item) const;
    HTREEITEM GetFirstVisibleItem() const;
    HTREEITEM GetNextVisibleItem(HTREEITEM item) const;
    HTREEITEM GetPrevVisibleItem(HTREEITEM item) const;
    HTREEITEM GetSelectedItem() const;
    bool SelectItem(HTREEITEM item);
    bool Expand(HTREEITEM item, UINT action = TVE_EXPAND);
    bool EnsureVisible(HTREEITEM item);
    UINT GetCount() const;
    // Item under point (client coordinates); flags receives TVHT_*.
    HTREEITEM HitTest(POINT point, UINT* flags = nullptr) const;
    HIMAGELIST SetImageList(HIMAGELIST images, int kind = TVSIL_NORMAL);
};
