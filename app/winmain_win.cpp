// The entry point: start-up, then the message loop.
#include <windows.h>

#include "app/app_win.h"
#include "app/command_line_core.h"

// The argument text is cut from the process's own command line: the one the
// toolchain hands over has lost the first bytes of a Japanese name.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  if (StartPellowrick(instance, ArgumentTextOf(GetCommandLineA()), showCommand) == nullptr)
    return 0;
  return RunMessageLoop();  // the quit code, always 0
}
