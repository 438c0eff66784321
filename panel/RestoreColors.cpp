// Restoring original materials: the current one (menu "恢复原有材质") or the
// whole classified room (a typed 0 in the index box).
#include "ColorPanelDlg.h"

#include "model/SurfaceMaterialStore.h"

const char* const CColorPanelDlg::kRoomRestoredText = "恢复房间原有配色";
const char* const CColorPanelDlg::kSurfaceRestoredText = "恢复表面原有配色";

void CColorPanelDlg::OnRestoreMaterial()
{
    if (!currentMaterialHandles.empty())
        RestoreOriginalMaterial(originalMaterials, currentMaterialHandles[0]);
}

void CColorPanelDlg::RestoreAll()
{
    if (mode == ModeExpert) {
        for (const SurfaceClassEntry& entry : surfaceClasses)
            RestoreOriginalMaterial(originalMaterials, entry.materialHandle);
        description = kRoomRestoredText;
    } else {
        if (!currentMaterialHandles.empty())
            RestoreOriginalMaterial(originalMaterials, currentMaterialHandles[0]);
        description = kSurfaceRestoredText;
    }
    HV_CalculateSurfaceColor();
    HV_Redraw();
}
