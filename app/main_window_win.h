// The main window, for the start-up code.
#ifndef PELLOWRICK_MAIN_WINDOW_WIN_H
#define PELLOWRICK_MAIN_WINDOW_WIN_H

#include <windows.h>

// The main window's outer size at start, frame, caption and menu bar included.
constexpr int kMainWindowWidth = 400;
constexpr int kMainWindowHeight = 399;

// Registers the window class once and creates the main window.
HWND CreateMainWindow(HINSTANCE instance);

#endif
