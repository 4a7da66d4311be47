// The entry point: start-up, then the message loop.
#include <windows.h>

#include "app/app_win.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR argumentText, int showCommand) {
  if (StartPellowrick(instance, argumentText, showCommand) == nullptr) return 0;
  return RunMessageLoop();  // the quit code, always 0
}
