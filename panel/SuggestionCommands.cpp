// The panel's side of the suggestion window: opening it, what it reads of
// the picked surface and the classified room, putting its schemes on the
// room, and its entry in the system menu.
#include "ColorPanelDlg.h"

#include "library/CombinationLibrary.h"
#include "model/SurfaceMaterialStore.h"
#include "panel/SuggestionDlg.h"
#include "res/resource.h"

const char* const CColorPanelDlg::kSuggestionsMenuText = "配色建议...\tCtrl+J";

void CColorPanelDlg::OpenSuggestions()
{
    OpenPanelWindow<CSuggestionDlg, SuggestionOwner>(suggestions_, *this,
                                                     suggestionsPlacement_ ? &*suggestionsPlacement_ : nullptr);
}

bool CColorPanelDlg::PickedColour(Rgb& colour, int& surfaceClass) const
{
    if (currentMaterials.empty())
        return false;
    const CurrentMaterial& current = currentMaterials[0];
    for (int c = 0; c < 3; ++c)
        colour[static_cast<std::size_t>(c)] = static_cast<double>(current.material.color[c]);
    surfaceClass = -1;
    for (const SurfaceClassEntry& entry : surfaceClasses)
        if (entry.materialHandle == current.materialHandle)
            surfaceClass = entry.surfaceClass;
    return true;
}

bool CColorPanelDlg::RoomSlots(MaterialSlot (&slots)[3]) const
{
    for (int part = Ceiling; part <= Wall; ++part) {
        unsigned handle = 0;
        if (!FirstMaterialOfClass(static_cast<SurfaceClass>(part), &handle))
            return false;
        OriginalMaterial material;
        bool found = false;
        for (const OriginalMaterialRecord& record : painter_.originalMaterials)
            if (!found && record.materialHandle == handle) {
                material = record.material;
                found = true;
            }
        if (!found && !HV_GetMaterial(handle, &material))
            return false;
        MaterialToSlot(material, slots[part]);
    }
    return true;
}

void CColorPanelDlg::ApplySuggestion(const CombinationRecord& record)
{
    if (overview_ != nullptr)
        overview_->StopRoomViews();
    painter_.ApplyCombination(record);
    SetDlgItemText(IDC_DESCRIPTION, painter_.description);
    // The model no longer shows an item of the list.
    OverviewMarkCurrent(0);
}

void CColorPanelDlg::SuggestionsClosing(const RECT& placement)
{
    suggestionsPlacement_ = placement;
}

void CColorPanelDlg::SuggestionsGone(const CSuggestionDlg* window)
{
    if (suggestions_ == window)
        suggestions_ = nullptr;
}

void CColorPanelDlg::SuggestionsAnchorChanged()
{
    if (suggestions_ != nullptr)
        suggestions_->AnchorChanged();
}

void CColorPanelDlg::AddSuggestionsMenuEntry()
{
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (menu == nullptr || ::GetMenuState(menu, ID_SCHEME_SUGGESTIONS, MF_BYCOMMAND) != static_cast<UINT>(-1))
        return;
    ::AppendMenuW(menu, MF_STRING, ID_SCHEME_SUGGESTIONS, fw::Widen(kSuggestionsMenuText).c_str());
}
