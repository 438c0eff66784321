// The panel's side of the scheme overview: opening it, applying the item a
// card stands for, telling it what changed, and its entry in the system menu.
#include "ColorPanelDlg.h"

#include "panel/SchemeOverviewDlg.h"
#include "res/resource.h"

const char* const CColorPanelDlg::kOverviewMenuText = "配色一览...\tCtrl+G";

namespace {

// Entries other parts of the panel put in the same group of the system menu,
// after one separator and before the overview's.
constexpr UINT kReloadLibraryCommand = 32848;
constexpr UINT kLibraryMaintenanceCommand = 32832;

bool MenuHolds(HMENU menu, UINT command)
{
    return ::GetMenuState(menu, command, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

}  // namespace

void CColorPanelDlg::OpenOverview()
{
    if (overview_ != nullptr) {
        overview_->ShowWindow(SW_SHOWNORMAL);
        ::SetWindowPos(overview_->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetActiveWindow(overview_->m_hWnd);
        return;
    }
    auto* window = new CSchemeOverviewDlg(*this);
    overview_ = window;
    if (!window->Open(overviewPlaced_ ? &overviewPlacement_ : nullptr)) {
        overview_ = nullptr;
        delete window;
    }
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
    overviewPlaced_ = true;
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

bool CColorPanelDlg::IsOverviewKey(const MSG& msg)
{
    return msg.message == WM_KEYDOWN && msg.wParam == 'G' && ::GetKeyState(VK_CONTROL) < 0 &&
           ::GetKeyState(VK_MENU) >= 0 && ::GetKeyState(VK_SHIFT) >= 0;
}

bool CColorPanelDlg::PreTranslateMessage(MSG* msg)
{
    if (IsOverviewKey(*msg)) {
        SendMessage(WM_COMMAND, MAKEWPARAM(ID_SCHEME_OVERVIEW, 0), 0);
        return true;
    }
    if (IsClassificationKey(*msg)) {
        SendMessage(WM_COMMAND, MAKEWPARAM(ID_CLASSIFICATION_OVERVIEW, 0), 0);
        return true;
    }
    if (IsSuggestionsKey(*msg)) {
        SendMessage(WM_COMMAND, MAKEWPARAM(ID_SCHEME_SUGGESTIONS, 0), 0);
        return true;
    }
    return CDialog::PreTranslateMessage(msg);
}

void CColorPanelDlg::AddOverviewMenuEntry()
{
    CMenu menu = CMenu::FromHandle(::GetSystemMenu(m_hWnd, FALSE));
    if (menu.GetSafeHmenu() == nullptr || MenuHolds(menu.GetSafeHmenu(), ID_SCHEME_OVERVIEW))
        return;
    if (!MenuHolds(menu.GetSafeHmenu(), kReloadLibraryCommand) &&
        !MenuHolds(menu.GetSafeHmenu(), kLibraryMaintenanceCommand))
        menu.AppendSeparator();
    menu.AppendMenu(MF_STRING, ID_SCHEME_OVERVIEW, kOverviewMenuText);
}
