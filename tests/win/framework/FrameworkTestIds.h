// Resource ids of the framework's test dialog, menu and strings.
#pragma once

#define IDD_TEST 100
#define IDD_PLAIN 101
#define IDD_BROKEN 102
#define IDM_TEST 200
#define IDS_TITLE 300

#define IDC_NAME 1001
#define IDC_COUNT 1002
#define IDC_CHOICE 1003
#define IDC_LIST 1004
#define IDC_RADIO1 1005
#define IDC_RADIO2 1006
#define IDC_RADIO3 1007
#define IDC_CHECK 1008
#define IDC_NOTE 1009
#define IDC_CUSTOM 1010
#define IDC_APPLY 1011
#define IDC_LABEL 1012

#define ID_CEILING 32771
#define ID_WALL 32772
#define ID_FLOOR 32773
#define ID_ITEM_FIRST 32776
#define ID_ITEM_LAST 32795
