// Restoring original materials: the current one (menu "恢复原有材质") or, by
// a typed 0 in the index box, the whole classified room.
#include "ColorPanelDlg.h"

void CColorPanelDlg::OnRestoreMaterial() { painter_.RestoreCurrent(); }

void CColorPanelDlg::RestoreAll() { painter_.RestoreAll(items_.mode == ModeExpert); }
