// The control panel dialog.
#ifndef PELLOWRICK_PANEL_WIN_H
#define PELLOWRICK_PANEL_WIN_H

#include <windows.h>

#include "app/command_line_core.h"

// The shared 256-byte path buffer: the open dialog's file buffer, a dropped
// file's path, and what Start hands to the sheet load.
extern char panelPath[kPathBufferSize];

INT_PTR CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

#endif
