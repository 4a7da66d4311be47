// Starting the program and running it: what WinMain does, for the tests too.
#ifndef PELLOWRICK_APP_WIN_H
#define PELLOWRICK_APP_WIN_H

#include <windows.h>

// The fixed start-up order: the start-up path from the argument text, the
// main window (its creation makes the surfaces the panel's initialisation
// draws with), the panel, then both shown and the main window open to
// dropped files. Null, with nothing shown, when the main window cannot be
// made.
HWND StartPellowrick(HINSTANCE instance, const char* argumentText, int showCommand);

// Dispatches messages until the quit message; returns its code.
int RunMessageLoop();

#endif
