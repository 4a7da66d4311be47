// Start-up pieces and the message loop of the application frame.
#include <windows.h>
#include <commctrl.h>

#include "app/app_state_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"

FrameState frame = {nullptr, nullptr, true, nullptr, nullptr, nullptr, nullptr};

static char startupPath[kPathBufferSize];

char* StartupPath() { return startupPath; }

bool RegisterMainClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = 0;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN_MENU);
  windowClass.lpszClassName = "bitmap";
  return RegisterClassExA(&windowClass) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
  return CreateWindowExA(0, "bitmap", "Pellowrick Ver4.0", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 400, 399, nullptr, nullptr, instance, nullptr);
}

HWND CreatePanel(HINSTANCE instance, HWND mainWindow) {
  // The spin buttons are up-down controls: register their class first.
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  return CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PANEL), mainWindow, PanelProc, 0);
}

void PlacePanel(HWND mainWindow, HWND panel) {
  RECT outer;
  GetWindowRect(mainWindow, &outer);
  SetWindowPos(panel, HWND_TOP, outer.right, outer.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // The panel handle is read anew for every message.
    if (frame.panel != nullptr && IsDialogMessageA(frame.panel, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
