// CMenu: a menu handle, owned when this object loaded or created it (menus
// taken from another, like a sub-menu, are not). Move-only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

class CMenu {
public:
    CMenu() = default;
    // A menu that is not owned (e.g. a sub-menu, or a host's menu).
    static CMenu FromHandle(HMENU menu);
    ~CMenu() { DestroyMenu(); }
    CMenu(CMenu&& other) noexcept
        : menu_(std::exchange(other.menu_, nullptr)), owned_(std::exchange(other.owned_, false)) {}
    CMenu& operator=(CMenu&& other) noexcept;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU GetSafeHmenu() const { return menu_; }
    operator HMENU() const { return menu_; }

    // Menu resource id from the resource instance.
    bool LoadMenu(UINT resourceId);
    bool CreatePopupMenu();
    // Destroys the menu when owned, forgets it in any case.
    void DestroyMenu();

    // Sub-menu at position, not owned; empty when there is none.
    CMenu GetSubMenu(int position) const;
    int GetMenuItemCount() const;
    UINT GetMenuItemID(int position) const;
    std::string GetMenuString(UINT item, UINT flags = MF_BYPOSITION) const;
    UINT GetMenuState(UINT item, UINT flags = MF_BYCOMMAND) const;

    // An item with command id and text (code page 936); flags MF_STRING and
    // the like (MF_GRAYED, MF_CHECKED, ...).
    bool AppendMenu(UINT flags, UINT_PTR commandId, std::string_view text);
    bool AppendSeparator();
    // A sub-menu item; the sub-menu's handle then belongs to this menu.
    bool AppendPopup(CMenu&& popup, std::string_view text);
    UINT EnableMenuItem(UINT item, UINT enable);
    DWORD CheckMenuItem(UINT item, UINT check);

    // Shows the menu as a popup at screen point (x, y) owned by owner
    // (TPM_ flags). With TPM_RETURNCMD returns the chosen command (0 for
    // none); otherwise the command is posted to owner as WM_COMMAND and the
    // result is non-zero when one was chosen. Goes through the popup menu
    // seam, so tests can choose the command.
    UINT TrackPopupMenu(UINT flags, int x, int y, HWND owner) const;

private:
    HMENU menu_ = nullptr;
    bool owned_ = false;
};
