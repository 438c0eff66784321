// A combo box whose drop-down is a popup tree of "/"-separated paths. Picking
// an item (mouse, arrow keys, Enter) sends WM_TREECOMBO_SELECT to the dialog
// that holds the box, which then reads the picked path from the box.
#pragma once

#include "controls/TreePath.h"
#include "framework/Framework.h"

#include <commctrl.h>

#include <string>

// Sent to the box's dialog: WPARAM the chosen tree item, LPARAM 0.
constexpr UINT WM_TREECOMBO_SELECT = WM_USER + 300;

class CTreeCombo;

// The drop-down: a popup tree view owned by the box's dialog.
class CComboTree : public CTreeCtrl {
public:
    CTreeCombo* owner = nullptr;
    char separator = '/';

    // Hides the tree, sends WM_TREECOMBO_SELECT with the current selection
    // to the box's dialog and gives the focus back to the box.
    void Notify();

    bool PreTranslateMessage(MSG* msg) override;

protected:
    const MessageMap& GetMessageMap() const override;

private:
    void OnMouseMove(UINT keys, POINT point);
    void OnLButtonDown(UINT keys, POINT point);
    void OnKillFocus(HWND gaining);
    void OnDestroy();
    // Makes the item under point the selection; returns the hit-test flags.
    UINT SelectItemAt(POINT point);
};

class CTreeCombo : public CComboBox {
public:
    CTreeCombo() = default;
    // Destroys the drop-down while the box object is whole.
    ~CTreeCombo() override;

    // Creates the drop-down tree, hidden, owned by the box's parent; width and
    // height default to the box's client width and 100 pixels when not
    // positive. Called once, after the box is attached to its control.
    bool CreateTree(int width, int height);

    // Adds a path and returns the item of its last component; null for an
    // empty text and when the whole path exists already.
    HTREEITEM AddPath(const std::string& path);
    HTREEITEM AddPath(const char* path) { return path == nullptr ? nullptr : AddPath(std::string(path)); }

    // Deletes every tree item and every entry of the box's own list.
    void Empty();

    // The selected item's components joined by the separator; empty when
    // nothing is selected.
    std::string GetSelectedPath() const;

    void ShowDropDown();
    void HideDropDown();
    bool IsDroppedDown() const;

    CComboTree& Tree() { return tree; }
    const CComboTree& Tree() const { return tree; }

    bool PreTranslateMessage(MSG* msg) override;

    int dropHeight = 100;
    int dropWidth = 0;

protected:
    const MessageMap& GetMessageMap() const override;

private:
    void OnLButtonDown(UINT keys, POINT point);
    // Selects the next or previous visible item; true when there was one.
    bool MoveSelection(bool forward);

    friend class CComboTree;
    treepath::PathIndex index;  // before the tree, which clears it when destroyed
    CComboTree tree;
};
