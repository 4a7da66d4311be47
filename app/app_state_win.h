// Program-wide handles of the application frame.
#ifndef PELLOWRICK_APP_STATE_WIN_H
#define PELLOWRICK_APP_STATE_WIN_H

#include <windows.h>

#include "app/command_line_core.h"

struct FrameState {
  HWND mainWindow;
  HWND panel;              // null until the panel has been created
  bool panelVisible;       // whether the panel is meant to be shown
  HDC sheetDC;
  HDC probeDC;
  HDC backBufferDC;
  HBITMAP backBufferBitmap;
};

extern FrameState frame;

// The start-up path, filled once from the command line.
char* StartupPath();

// Puts the panel's top-left at the main window's top-right and shows it.
void PlacePanel(HWND mainWindow, HWND panel);

// Start-up pieces, in the order WinMain calls them; tests call them too.
bool RegisterMainClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);
HWND CreatePanel(HINSTANCE instance, HWND mainWindow);
int RunMessageLoop();

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
