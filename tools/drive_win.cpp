// A small remote control for the run command: waits for Pellowrick's main
// window, then presses its menu's Start, or closes it.
//   pellowrick_drive start   wait for the window, then choose "開始"
//   pellowrick_drive close   close the main window
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "res/resource_ids.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: pellowrick_drive start|close\n");
    return 2;
  }
  HWND mainWindow = nullptr;
  for (int i = 0; i < 300 && mainWindow == nullptr; ++i) {
    mainWindow = FindWindowA("bitmap", nullptr);
    if (mainWindow == nullptr) Sleep(100);
  }
  if (mainWindow == nullptr) {
    fprintf(stderr, "pellowrick_drive: no main window\n");
    return 1;
  }
  if (strcmp(argv[1], "start") == 0) {
    PostMessageA(mainWindow, WM_COMMAND, IDM_START, 0);
  } else if (strcmp(argv[1], "close") == 0) {
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
