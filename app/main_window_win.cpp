// The main window: its surfaces, repaint, menu, ticks, drops and teardown.
#include <windows.h>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "app/main_window_win.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "sheet/sheet_watch_win.h"
#include "sheet/sheet_win.h"

namespace {

void CreateSurfaces(HWND window) {
  animation.frameWidth = 0;
  animation.frameHeight = 0;
  animation.zoom = 0;
  animation.position = 0;
  frame.mainWindow = window;
  HDC windowDC = GetDC(window);
  frame.sheetDC = CreateCompatibleDC(windowDC);
  frame.probeDC = CreateCompatibleDC(windowDC);
  // Compatible with the window's DC, not with a fresh memory DC, so the
  // back buffer has the display's colour format.
  frame.backBufferBitmap = CreateCompatibleBitmap(windowDC, kBackBufferWidth, kBackBufferHeight);
  frame.backBufferDC = CreateCompatibleDC(windowDC);
  SelectObject(frame.backBufferDC, frame.backBufferBitmap);
  FillBackBuffer(frame.backBufferDC, RGB(255, 255, 255));
  ReleaseDC(window, windowDC);
}

void DeleteDCOnce(HDC& dc) {
  if (dc != nullptr) DeleteDC(dc);
  dc = nullptr;
}

void DeleteBitmapOnce(HBITMAP& bitmap) {
  if (bitmap != nullptr) DeleteObject(bitmap);
  bitmap = nullptr;
}

void TearDown(HWND window) {
  KillTimer(window, PLAYBACK_TIMER_ID);
  PostQuitMessage(0);
  EndSheetWatch();
  // Each DC goes before the bitmap selected into it.
  DeleteDCOnce(frame.sheetDC);
  DeleteDCOnce(frame.backBufferDC);
  DeleteBitmapOnce(sheet.sheetBitmap);
  DeleteBitmapOnce(frame.backBufferBitmap);
  DeleteDCOnce(frame.probeDC);
  DeleteBitmapOnce(sheet.probeBitmap);
}

void Repaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const RECT& r = paint.rcPaint;
  BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, frame.backBufferDC, r.left, r.top,
         SRCCOPY);
  EndPaint(window, &paint);
}

void TogglePanel() {
  if (frame.panel == nullptr) return;
  if (frame.panelVisible) {
    ShowWindow(frame.panel, SW_HIDE);
    frame.panelVisible = false;
  } else {
    ShowWindow(frame.panel, SW_SHOWNORMAL);
    frame.panelVisible = true;
  }
}

void SendToPanel(UINT message, WPARAM wParam, LPARAM lParam) {
  if (frame.panel != nullptr) SendMessageA(frame.panel, message, wParam, lParam);
}

void OnMenuCommand(HWND window, int id) {
  switch (id) {
    case IDM_TOGGLE_PANEL:
      TogglePanel();
      break;
    case IDM_EXIT:
      SendMessageA(window, WM_DESTROY, 0, 0);
      break;
    case IDM_START:
      SendToPanel(WM_COMMAND, IDC_START, 0);
      break;
    case IDM_STOP:
      SendToPanel(WM_COMMAND, IDC_STOP, 0);
      break;
  }
}

}  // namespace

static LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      CreateSurfaces(window);
      return 0;
    case WM_DESTROY:
      TearDown(window);
      return 0;
    case WM_PAINT:
      Repaint(window);
      return 0;
    case WM_COMMAND:
      OnMenuCommand(window, LOWORD(wParam));
      return 0;
    case WM_TIMER:
      PlaybackTick(window);
      return 0;
    case WM_DROPFILES:
      // The panel reads and releases the drop; with no panel it is released
      // here, so no drop's memory is left behind.
      if (frame.panel != nullptr)
        SendToPanel(WM_DROPFILES, wParam, lParam);
      else
        DragFinish(reinterpret_cast<HDROP>(wParam));
      return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateMainWindow(HINSTANCE instance) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN_MENU);
  windowClass.lpszClassName = "bitmap";
  // A second start in one process (the tests) finds the class in place.
  if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    return nullptr;
  return CreateWindowExA(0, "bitmap", TEXT_MAIN_TITLE, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance, nullptr);
}
