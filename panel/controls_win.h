// Small helpers over the panel's controls, for every part of the shell.
#ifndef PELLOWRICK_CONTROLS_WIN_H
#define PELLOWRICK_CONTROLS_WIN_H

#include <windows.h>

#include <string>

#include "panel/panel_fields_core.h"

UINT ReadField(HWND panel, int id);
void WriteField(HWND panel, int id, UINT value);
bool IsChecked(HWND panel, int id);
void SetChecked(HWND panel, int id, bool on);
std::string ControlString(HWND panel, int id);  // at most 255 bytes

// Every number field of the panel, as typed.
PanelNumbers ReadPanelNumbers(HWND panel);

void EnableKeyFields(HWND panel, bool enable);  // IDC_KEY_BLUE, _RED and _GREEN

// The key controls follow the check boxes: with transparency on, both key
// sources can be chosen, and the key fields when the fields are the source;
// with it off, none of them.
void EnableKeyControls(HWND panel);

#endif
