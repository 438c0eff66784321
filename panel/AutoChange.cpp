// The automatic change: a window timer that steps the current mode by
// itself - the next combination, the next texture or a cycling step.
#include "ColorPanelDlg.h"

#include "res/resource.h"

const char* const CColorPanelDlg::kAutoChangeText = "自动换色";
const char* const CColorPanelDlg::kStopText = "停止！";

void CColorPanelDlg::ToggleAutoChange()
{
    if (timerId_ != 0) {
        KillTimer(kCycleTimerId);
        timerId_ = 0;
        SetDlgItemText(IDC_AUTO_CHANGE, kAutoChangeText);
        if (items_.mode == ModeExpert || items_.mode == ModeTexture)
            UpdateStepButtons();
        return;
    }
    SetDlgItemText(IDC_AUTO_CHANGE, kStopText);
    ::EnableWindow(GetDlgItem(IDC_ITEM_MENU), FALSE);
    UINT interval = kCycleInterval;
    if (items_.mode == ModeExpert)
        interval = kExpertInterval;
    else if (items_.mode == ModeTexture)
        interval = kTextureInterval;
    // A failed start leaves timerId 0: the next press tries again.
    timerId_ = SetTimer(kCycleTimerId, interval);
    HV_ClearSelection();
}

void CColorPanelDlg::OnCycleTick(UINT_PTR id)
{
    if (id != kCycleTimerId)
        return;
    if (items_.IsList())
        ApplyCurrentItem(false);
    else if (items_.mode == ModeCycle && !currentMaterials.empty())
        CycleColorStep();
}
