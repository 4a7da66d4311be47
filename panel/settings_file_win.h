// The settings file, for the panel's commands.
#ifndef PELLOWRICK_SETTINGS_FILE_WIN_H
#define PELLOWRICK_SETTINGS_FILE_WIN_H

#include <windows.h>

// Reads a settings file into the panel and loads the sheet it names; any
// path not ending in "plw" or "PLW" is ignored.
void LoadSettingsFile(HWND panel, const char* path);

// Asks for a file name and writes the panel's set-up to it.
void SaveSettingsFile(HWND panel);

#endif
