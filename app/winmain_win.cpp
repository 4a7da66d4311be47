// The entry point: the fixed start-up order, then the message loop.
#include <windows.h>

#include "app/app_state_win.h"
#include "app/command_line_core.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int showCommand) {
  ExtractStartupPath(argumentText, StartupPath());
  if (!RegisterMainClass(instance)) return 0;
  // The creation handling records the main window and its surfaces, which
  // the panel's initialisation uses.
  HWND mainWindow = CreateMainWindow(instance);
  if (mainWindow == nullptr) return 0;
  HWND panel = CreatePanel(instance, mainWindow);
  frame.panel = panel;
  ShowWindow(panel, SW_SHOWNORMAL);
  if (panel == nullptr) MessageBoxA(mainWindow, "", "", MB_OK);
  ShowWindow(mainWindow, showCommand);
  UpdateWindow(mainWindow);
  DragAcceptFiles(mainWindow, TRUE);
  return RunMessageLoop();  // the quit code, always 0
}
