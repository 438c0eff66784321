// Picking a surface in the host's 3D view (slots 0 and 2) and the
// classification menu that a right click opens.
#include "PluginEntry.h"

#include "framework/Guard.h"
#include "model/SelectionRefresh.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/ColorPanelDlg.h"
#include "panel/SchemeOverviewDlg.h"
#include "res/resource.h"

namespace {

// The user's actions, as a failure names them.
const char* const kPickAction = "选取表面";
const char* const kClassifyAction = "表面分类";

// Makes the surface at (x, y) the one selected surface and refreshes the
// current materials from it. False when no pick may happen or none was hit.
bool PickSurface(int x, int y)
{
    CColorPanelDlg* panel = CColorPanelDlg::Current();
    if (panel == nullptr || panel->TimerId() != 0)
        return false;
    const unsigned surface = HV_SelectSurfaceAtPoint(x, y);
    if (surface == 0)
        return false;
    // The window under the pick is the host's 3D view (the overview's room
    // views capture it).
    CSchemeOverviewDlg::NoteHostView(x, y);
    selectedSurfaces.clear();
    selectedSurfaces.push_back(surface);
    HV_SetSelection(0, selectedSurfaces.data(), 1);
    HV_Redraw();
    RefreshSelectionMaterials(panel);
    return true;
}

// Tracks the first popup of menu 1001 at (x, y) with the panel as owner and
// delivers the chosen command to the panel before returning.
void ShowClassificationMenu(int x, int y)
{
    CMenu menu;
    if (!menu.LoadMenu(IDR_SURFACE_MENU))
        return;
    CMenu popup = menu.GetSubMenu(0);
    if (popup.GetSafeHmenu() == nullptr || CColorPanelDlg::Current() == nullptr)
        return;
    // The host's window keeps the activation (the click came from it, on
    // this thread); the command is handed to the panel before returning.
    const HWND owner = CColorPanelDlg::Current()->m_hWnd;
    const UINT command =
        popup.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, owner);
    if (command != 0 && CColorPanelDlg::Current() != nullptr && CColorPanelDlg::Current()->m_hWnd == owner)
        ::SendMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

}  // namespace

// The host's call sites cannot take an exception.
void OnPickSurface(unsigned, int x, int y)
{
    fw::Guarded("OnPickSurface", kPickAction, [&] { PickSurface(x, y); });
}

void OnPickSurfaceWithMenu(unsigned, int x, int y)
{
    fw::Guarded("OnPickSurfaceWithMenu", kClassifyAction, [&] {
        if (PickSurface(x, y))
            ShowClassificationMenu(x, y);
    });
}
