// The control panel dialog and the settings file.
#ifndef PELLOWRICK_PANEL_WIN_H
#define PELLOWRICK_PANEL_WIN_H

#include <windows.h>

#include "app/command_line_core.h"

// The shared 256-byte path buffer: the open dialog's file buffer, a dropped
// file's path, and what Start hands to the sheet load.
extern char panelPath[kPathBufferSize];

INT_PTR CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);

// Reads a settings file into the panel and loads the sheet it names; any
// path not ending in "plw" or "PLW" is ignored.
void LoadSettingsFile(HWND panel, const char* path);

// Asks for a file name and writes the panel's set-up to it.
void SaveSettingsFile(HWND panel);

// Small helpers over the panel's controls.
UINT ReadField(HWND panel, int id);
void WriteField(HWND panel, int id, UINT value);
bool IsChecked(HWND panel, int id);
void SetChecked(HWND panel, int id, bool on);
void EnableControl(HWND panel, int id, bool enable);

#endif
