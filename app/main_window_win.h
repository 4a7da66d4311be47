// The main window, for the start-up code.
#ifndef PELLOWRICK_MAIN_WINDOW_WIN_H
#define PELLOWRICK_MAIN_WINDOW_WIN_H

#include <windows.h>

// Registers the window class once and creates the 400 x 399 main window.
HWND CreateMainWindow(HINSTANCE instance);

#endif
