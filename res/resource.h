// Resource identifiers of the plug-in: the tool panel (dialog 1001 and its
// controls), the surface classification menu (1001) and its commands, the
// item-menu glyph (bitmap 1003) and the string table. Shared by the .rc
// files and the C++ code.
#pragma once

// Dialog template of the tool panel.
#define IDD_COLOR_PANEL 1001

// Controls of the tool panel, in template (tab) order.
#define IDC_AUTO_CHANGE 1001       // "自动换色": start or stop the automatic change
#define IDC_LIBRARY_BUTTON 1002    // "加入图库" in expert mode, "清除贴图" in texture mode
#define IDC_MODE_LIST 1003         // drop-down list of the three modes
#define IDC_PREVIOUS_ITEM 1004     // "<<"
#define IDC_PROMPT_LABEL 1010      // shows promptText
#define IDC_SPACE_TYPE 1007        // combo box with a tree drop-down
#define IDC_HUE_SLIDER 1009
#define IDC_TEXTURE_FOLDER 1012    // read-only edit: the texture folder
#define IDC_DESCRIPTION 1013       // shows description
#define IDC_ITEM_INDEX 1016        // index box
#define IDC_NEXT_ITEM 1005         // ">>"
#define IDC_CHOOSE_FOLDER 1018     // "..."
#define IDC_ITEM_COUNT 1019        // shows itemCount
#define IDC_ITEM_NUMBER 1020       // large display of the item number
#define IDC_ITEM_MENU 1006         // icon button opening the item menu
#define IDC_HELP_BUTTON 1021       // "？"
#define IDC_SATURATION_SLIDER 1011
#define IDC_BRIGHTNESS_SLIDER 1014
#define IDC_CYCLE_HUE 1025         // radio group start
#define IDC_CYCLE_SATURATION 1026
#define IDC_CYCLE_BRIGHTNESS 1027

// The surface classification menu; its first popup is "表面分类".
#define IDR_SURFACE_MENU 1001
#define ID_CLASSIFY_CEILING 32771
#define ID_CLASSIFY_WALL 32772
#define ID_CLASSIFY_FLOOR 32773
#define ID_CHOOSE_TEXTURE 32774
#define ID_RESTORE_MATERIAL 32775
#define ID_COLOR_CHANGE 32801
#define ID_REMOVE_TEXTURE 32802

// Commands of the item menu (button 1006): entries 32776 + i for i = 0..19,
// the query and the two paging entries.
#define ID_ITEM_FIRST 32776
#define ID_ITEM_LAST 32795
#define ID_ITEM_QUERY 32798
#define ID_ITEM_PREVIOUS_PAGE 32799
#define ID_ITEM_NEXT_PAGE 32800

// The 15 x 17 glyph of the item-menu button, magenta background.
#define IDB_MENU_GLYPH 1003

// The fuzzy query dialog and its controls.
#define IDD_FUZZY_QUERY 1004
#define IDC_QUERY_NAME 1020             // what the name must contain
#define IDC_QUERY_DESCRIPTION 1013      // what the description must contain
#define IDC_QUERY_USE_NAME 1023         // "需要" beside the name
#define IDC_QUERY_USE_DESCRIPTION 1024  // "需要" beside the description

// Folder browser titles.
#define IDS_TEXTURE_FOLDER_TITLE 102
#define IDS_EXTRACT_FOLDER_TITLE 103

// System menu of the panel: library maintenance (dialog 131).
#define ID_LIBRARY_MAINTENANCE 32832

// The scheme overview "配色一览": its command (panel system menu, Ctrl+G),
// its window template and controls.
#define ID_SCHEME_OVERVIEW 32816
#define IDD_SCHEME_OVERVIEW 1040
#define IDC_OVERVIEW_LIST 1050      // list view of the cards
#define IDC_ROOM_VIEWS 1051         // "实景" check box
#define IDC_CAPTURE_PROGRESS 1052   // progress of the room-view captures
#define IDC_OVERVIEW_NOTE 1053      // why the list is empty, or why no room views

// The classification overview "表面分类一览": its command (panel system
// menu, Ctrl+K), its window template and controls, and the modal list of
// similar materials its "相近材质…" opens.
#define ID_CLASSIFICATION_OVERVIEW 32864
#define IDD_CLASSIFICATION_OVERVIEW 1044
#define IDD_SIMILAR_MATERIALS 1045
#define IDC_CLASSIFIED_LIST 1060    // one row per classified material
#define IDC_UNCLASSIFY 1061         // "取消分类"
#define IDC_SIMILAR_MATERIALS 1062  // "相近材质…"
#define IDC_CLASSIFIED_REFRESH 1063 // "刷新": sample the host's view again
#define IDC_CLASSIFIED_NOTE 1064    // the selected row's warning, or why nothing is counted
#define IDC_ROOM_LRV 1065           // the room's LRV line
#define IDC_SIMILAR_LIST 1066       // similar materials with check boxes
#define IDC_OVERVIEW_EXPORT 1055    // "导出方案展示…": the page for the client
#define IDC_OVERVIEW_DECK 1056      // paint deck box

// The suggestion window "配色建议": its command (panel system menu, Ctrl+J),
// its window template and controls.
#define ID_SCHEME_SUGGESTIONS 32880
#define IDD_SCHEME_SUGGESTIONS 1041
#define IDC_SUGGESTION_LIST 1070       // list view of the cards
#define IDC_SUGGESTION_ROOM_VIEWS 1071 // "实景" check box
#define IDC_SUGGESTION_PROGRESS 1072   // progress of the room-view captures
#define IDC_SUGGESTION_NOTE 1073       // the anchor, or why there are no suggestions
#define IDC_SUGGESTION_DECK 1074       // paint deck box
#define IDC_SUGGESTION_EXPORT 1075     // "导出方案展示…"
#define IDC_SUGGESTION_SNAP 1076       // "贴近色卡" check box
#define IDC_SUGGESTION_ADD 1077        // "加入图库…"
