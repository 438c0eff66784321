// Library maintenance reached from the panel itself: an entry of the panel's
// system menu opens dialog 131 on the panel's library, as the add dialog's
// "库维护..." button does, and a change it reports refreshes the space types
// and the expert list and is saved as the dialog closes.
#include "ColorPanelDlg.h"

#include "librarydlg/LibraryMaintenanceDlg.h"
#include "res/resource.h"

const char* const CColorPanelDlg::kMaintenanceMenuText = "图库维护...";

namespace {

// The panel's own entries at the end of the system menu, in their order
// after one separator: re-reading the library, maintenance, the overview.
constexpr UINT kSchemeOverviewCommand = 32816;

int PositionOf(HMENU menu, UINT command)
{
    const int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        if (::GetMenuItemID(menu, i) == command)
            return i;
    return -1;
}

}  // namespace

void CColorPanelDlg::AppendMaintenanceMenuEntry()
{
    const HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (menu == nullptr || PositionOf(menu, ID_LIBRARY_MAINTENANCE) >= 0)
        return;
    const std::wstring text = fw::Widen(kMaintenanceMenuText);
    const int overviewEntry = PositionOf(menu, kSchemeOverviewCommand);
    const int reload = PositionOf(menu, CColorPanelDlg::kReloadLibraryCommand);
    if (overviewEntry >= 0 && (reload < 0 || reload < overviewEntry)) {
        ::InsertMenuW(menu, static_cast<UINT>(overviewEntry), MF_BYPOSITION | MF_STRING, ID_LIBRARY_MAINTENANCE,
                      text.c_str());
    } else if (reload >= 0) {
        ::InsertMenuW(menu, static_cast<UINT>(reload + 1), MF_BYPOSITION | MF_STRING, ID_LIBRARY_MAINTENANCE,
                      text.c_str());
    } else {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, ID_LIBRARY_MAINTENANCE, text.c_str());
    }
}

LRESULT CColorPanelDlg::OnSysCommand(WPARAM wParam, LPARAM)
{
    // The system's own commands are 0xF000 and above; below are the panel's
    // entries, handled as the commands they stand for.
    const UINT command = static_cast<UINT>(wParam & 0xFFF0);
    if (command < 0xF000) {
        SendMessage(WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return 0;
    }
    return Default();
}

void CColorPanelDlg::OnLibraryMaintenance()
{
    // The automatic change would go on applying combinations from the
    // library while the dialog deletes and moves them.
    if (timerId_ != 0)
        ToggleAutoChange();
    CLibraryMaintenanceDlg maintenance(session_.library, nullptr);
    maintenance.changes = &session_.sharedLibrary.changes;
    maintenance.DoModal();
    if (!maintenance.libraryChanged)
        return;
    session_.libraryModified = true;
    OverviewLibraryChanged();
    // Records may have gone, moved or been re-filed: the lists that point
    // into the library are rebuilt from it.
    const std::string chosen = spaceTypeBox_.GetSelectedPath();
    FillSpaceTypes(chosen);
    if (items_.mode == ModeExpert) {
        LoadCombinations();
        UpdateLibraryButton();
    } else {
        items_.ForgetCombinations();
    }
    // The visit's modifications, deletions and imports go to the file now,
    // as an add does; a failure is reported by the save and the changes stay
    // pending for the next save.
    SaveLibrary();
}
