// Settings file reading and writing; filled in with the settings file work.
#include <windows.h>

#include "panel/panel_win.h"

void LoadSettingsFile(HWND, const char*) {}

void SaveSettingsFile(HWND) {}
