// Identifiers shared by the resource script and the code. Plain #defines so
// that windres can read this header as well as the compiler.
#ifndef PELLOWRICK_RESOURCE_IDS_H
#define PELLOWRICK_RESOURCE_IDS_H

#define IDM_MAIN_MENU 101
#define IDD_PANEL 103
#define IDI_APP 105

// Main window menu commands.
#define IDM_TOGGLE_PANEL 40001
#define IDM_EXIT 40002
#define IDM_START 40003
#define IDM_STOP 40004

// Control panel commands (the dialog manager's IDOK and IDCANCEL values).
#define IDC_START 1
#define IDC_HIDE 2

// Control panel controls.
#define IDC_PATH 1000
#define IDC_BROWSE 1001
#define IDC_FRAME_WIDTH 1002
#define IDC_FRAME_HEIGHT 1003
#define IDC_INTERVAL 1004
#define IDC_FRAME_LIST 1005
#define IDC_SHEET_SIZE 1006
#define IDC_COLUMN 1009
#define IDC_HORIZONTAL 1010
#define IDC_VERTICAL 1011
#define IDC_ZOOM 1012
#define IDC_SAVE 1013
#define IDC_ZOOM_SPIN 1022
#define IDC_KEY_BLUE 1023
#define IDC_KEY_RED 1024
#define IDC_KEY_GREEN 1025
#define IDC_BACK_RED 1026
#define IDC_BACK_GREEN 1027
#define IDC_BACK_BLUE 1028
#define IDC_TRANSPARENT 1029
#define IDC_COLUMN_SPIN 1030
#define IDC_KEY_FROM_CORNER 1031
#define IDC_KEY_FROM_FIELDS 1032
#define IDC_CLEAR 1034
#define IDC_STOP 1035
#define IDC_LOOP_COUNT 1036

// The playback timer on the main window, the program's only timer.
#define PLAYBACK_TIMER_ID 1000

#endif
