// The program-wide handles of the application frame, which every part of
// the shell draws with.
#ifndef PELLOWRICK_FRAME_WIN_H
#define PELLOWRICK_FRAME_WIN_H

#include <windows.h>

#include "app/command_line_core.h"
#include "app/layouts_win.h"

struct FrameState {
  HWND mainWindow = nullptr;
  HWND panel = nullptr;       // null until the panel has been created
  bool panelVisible = true;   // whether the panel is meant to be shown
  HDC sheetDC = nullptr;
  HDC probeDC = nullptr;
  HDC backBufferDC = nullptr;
  HBITMAP backBufferBitmap = nullptr;
  char startupPath[kPathBufferSize] = {};  // the command line's first argument
};

extern FrameState frame;

#endif
