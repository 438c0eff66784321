// Resource ids of the library dialogs: adding a combination (130), library
// maintenance (131) and the replace confirmation of the merge import (1006).
// The control ids are the numbers the dialogs' message tables use.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDD_ADD_COMBINATION 130
#define IDD_LIBRARY_MAINTENANCE 131
#define IDD_REPLACE_CONFIRM 1006

// Dialog 130
#define IDC_ADD_DESCRIPTION 1024
#define IDC_ADD_CATEGORY 1007
#define IDC_ADD_MAINTENANCE 1004
#define IDC_ADD_NAME 1020

// Dialog 131
#define IDC_MAINT_SELECTOR 1001
#define IDC_MAINT_SHORT_DESCRIPTION 1024
#define IDC_MAINT_LONG_DESCRIPTION 1026
#define IDC_MAINT_DELETE 1027
#define IDC_MAINT_MODIFY 1028
#define IDC_MAINT_EXPORT_ALL 1032
#define IDC_MAINT_IMPORT 1031
#define IDC_MAINT_EXPORT_SELECTED 1033
#define IDC_MAINT_STATUS 1010
#define IDC_MAINT_EXTRACT 1004

// Dialog 1006: the buttons' ids are also the dialog's results
#define IDC_REPLACE_NO 1001
#define IDC_REPLACE_ALL 1004
#define IDC_REPLACE_NONE 1005
#define IDC_REPLACE_IN_NAME 1029
#define IDC_REPLACE_IN_CATEGORY 1030
#define IDC_REPLACE_IN_DESCRIPTION 1031
#define IDC_REPLACE_OLD_NAME 1032
#define IDC_REPLACE_OLD_CATEGORY 1033
#define IDC_REPLACE_OLD_DESCRIPTION 1034
// Under each description: the ceiling, wall and floor of the record as colour
// swatches, each with its caption above and its texture file name beneath.
// Incoming record first, then the stored one; within each, ceiling, wall, floor.
#define IDC_REPLACE_IN_SWATCH_FIRST 1035    // 1035..1037
#define IDC_REPLACE_OLD_SWATCH_FIRST 1038   // 1038..1040
#define IDC_REPLACE_IN_TEXTURE_FIRST 1041   // 1041..1043
#define IDC_REPLACE_OLD_TEXTURE_FIRST 1044  // 1044..1046
#define IDC_REPLACE_IN_SURFACE_FIRST 1047   // 1047..1049: "顶棚", "墙面", "地面"
#define IDC_REPLACE_OLD_SURFACE_FIRST 1050  // 1050..1052

// String table: the title of the folder browser for texture extraction
#define IDS_EXTRACT_FOLDER_TITLE 103
