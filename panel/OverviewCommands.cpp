// The panel's side of the scheme overview: opening it, applying the item a
// card stands for, telling it what changed, and its entry in the system menu.
#include "ColorPanelDlg.h"

#include "panel/SchemeOverviewDlg.h"
#include "res/resource.h"

const char* const CColorPanelDlg::kOverviewMenuText = "配色一览...\tCtrl+G";

namespace {

// Entries other parts of the panel put in the same group of the system menu,
// after one separator and before the overview's.
constexpr UINT kLibraryMaintenanceCommand = 32832;

bool MenuHolds(HMENU menu, UINT command)
{
    return ::GetMenuState(menu, command, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

}  // namespace

void CColorPanelDlg::OpenOverview()
{
    OpenPanelWindow<CSchemeOverviewDlg, OverviewOwner>(overview_, *this,
                                                       overviewPlacement_ ? &*overviewPlacement_ : nullptr);
}

void CColorPanelDlg::ApplyListItem(int number)
{
    if (number < 1 || number > items_.itemCount || !items_.IsList())
        return;
    ReadFields();
    items_.itemIndex = number;
    ApplyCurrentItem(true);
}

void CColorPanelDlg::OverviewClosing(const RECT& placement)
{
    overviewPlacement_ = placement;
}

void CColorPanelDlg::OverviewGone(const CSchemeOverviewDlg* window)
{
    if (overview_ == window)
        overview_ = nullptr;
}

void CColorPanelDlg::OverviewListChanged()
{
    shownItem_ = 0;
    if (overview_ != nullptr)
        overview_->ListChanged();
}

void CColorPanelDlg::OverviewLibraryChanged()
{
    if (overview_ != nullptr)
        overview_->LibraryChanged();
}

void CColorPanelDlg::OverviewMarkCurrent(int number)
{
    shownItem_ = number;
    if (overview_ != nullptr)
        overview_->MarkCurrent(number);
}

UINT CColorPanelDlg::PanelKeyCommand(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN || ::GetKeyState(VK_CONTROL) >= 0 || ::GetKeyState(VK_MENU) < 0 ||
        ::GetKeyState(VK_SHIFT) < 0)
        return 0;
    switch (msg.wParam) {
    case 'G': return ID_SCHEME_OVERVIEW;
    case 'K': return ID_CLASSIFICATION_OVERVIEW;
    case 'J': return ID_SCHEME_SUGGESTIONS;
    default: return 0;
    }
}

bool CColorPanelDlg::PreTranslateMessage(MSG* msg)
{
    if (const UINT command = PanelKeyCommand(*msg); command != 0) {
        SendMessage(WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

void CColorPanelDlg::AddOverviewMenuEntry()
{
    CMenu menu = CMenu::FromHandle(::GetSystemMenu(m_hWnd, FALSE));
    if (menu.GetSafeHmenu() == nullptr || MenuHolds(menu.GetSafeHmenu(), ID_SCHEME_OVERVIEW))
        return;
    if (!MenuHolds(menu.GetSafeHmenu(), CColorPanelDlg::kReloadLibraryCommand) &&
        !MenuHolds(menu.GetSafeHmenu(), kLibraryMaintenanceCommand))
        menu.AppendSeparator();
    menu.AppendMenu(MF_STRING, ID_SCHEME_OVERVIEW, kOverviewMenuText);
}
