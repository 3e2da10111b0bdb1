// Every id the program's resources, menu and controls are known by, for Datapond.rc, the windows
// and the window tests alike. Plain numbers, as the resource compiler reads this file too.
#pragma once

// Resources.
#define IDI_DATAPOND 10001      // every window's icon
#define IDR_HELP_DOCUMENT 9378  // the help window's Rich Text Format, as RCDATA

// The data window's menu commands.
#define IDM_PRINT 1015
#define IDM_SAVE_TAB 1016
#define IDM_SAVE_XLS 1017
#define IDM_SAVE_CSV 1018
#define IDM_HELP 1019
#define IDM_SAVE_TEXT 1023
#define IDM_SORT 1025

// The "Wait!" windows: the text of port discovery and of a download's status, a download's bar.
#define IDC_WAIT_TEXT 1001
#define IDC_PROGRESS_BAR 1026

// The start window.
#define IDC_STEP1 1002
#define IDC_STEP2 1003
#define IDC_STEP3 1004
#define IDC_STEP4 1005
#define IDC_PORT_CAPTION 1006
#define IDC_GET_DATA 1007
#define IDC_PORT_SHOWN 1008  // the one port, read-only
#define IDC_PORT_LIST 1009   // one port of several

// The dissolved-oxygen units question.
#define IDC_UNITS_MG_PER_LITRE 1010
#define IDC_UNITS_SATURATION 1011
#define IDC_UNITS_LINE1 1012
#define IDC_UNITS_LINE2 1013
#define IDC_UNITS_LINE3 1014

// The save-scope question; its lines take the lowest ids.
#define IDC_SCOPE_LINE1 1
#define IDC_SCOPE_LINE2 2
#define IDC_SCOPE_LINE3 3
#define IDC_SAVE_ALL 4
#define IDC_SAVE_SELECTED 5

// The data window's grid.
#define IDC_GRID 1020

// The sort dialog; its radio buttons are one run of ids, checked as a group.
#define IDC_RESORT 1027
#define IDC_SORT_CANCEL 1028
#define IDC_SORT_TIME 1029
#define IDC_SORT_LOCATION_TIME 1030
#define IDC_SORT_LOCATION_TYPE_TIME 1031
#define IDC_SORT_TYPE_TIME 1032
#define IDC_SORT_TYPE_LOCATION_TIME 1033
#define IDC_SORT_CAPTION 1034

// The help window.
#define IDC_HELP_DOCUMENT 1024
#define IDC_HELP_HIDDEN_BUTTON 9370
