// Start-up and the message loop of the application frame.
#include <windows.h>
#include <commctrl.h>

#include "app/app_win.h"
#include "app/frame_win.h"
#include "app/main_window_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"

namespace {

HWND CreatePanel(HINSTANCE instance, HWND mainWindow) {
  // The spin buttons are up-down controls: register their class first.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PANEL), mainWindow, PanelProc, 0);
}

}  // namespace

HWND StartPellowrick(HINSTANCE instance, const char* argumentText, int showCommand) {
  ExtractStartupPath(argumentText, frame.startupPath);
  HWND mainWindow = CreateMainWindow(instance);
  if (mainWindow == nullptr) return nullptr;
  HWND panel = CreatePanel(instance, mainWindow);
  frame.panel = panel;
  ShowWindow(panel, SW_SHOWNORMAL);
  if (panel == nullptr) MessageBoxA(mainWindow, "", "", MB_OK);
  ShowWindow(mainWindow, showCommand);
  UpdateWindow(mainWindow);
  DragAcceptFiles(mainWindow, TRUE);
  return mainWindow;
}

int RunMessageLoop() {
  MSG message;
  BOOL fetched;
  while ((fetched = GetMessageA(&message, nullptr, 0, 0)) > 0) {
    // The panel handle is read anew for every message.
    if (frame.panel != nullptr && IsDialogMessageA(frame.panel, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  // A failed fetch (-1) carries no quit code: end with 0, as always.
  return fetched == 0 ? static_cast<int>(message.wParam) : 0;
}
