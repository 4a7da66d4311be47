// The control panel: defaults, commands, enabling rules, spins and drops.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "app/layouts_win.h"
#include "panel/controls_win.h"
#include "panel/panel_core.h"
#include "panel/panel_win.h"
#include "panel/settings_file_win.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "sheet/sheet_win.h"

char panelPath[kPathBufferSize];

namespace {

OPENFILENAMEA openDialog;
uint8_t zoomSpinPos;
uint8_t columnSpinPos;

void FillOpenDialog(HWND panel) {
  openDialog = {};
  openDialog.lStructSize = kOpenFileNameV4Bytes;
  openDialog.hwndOwner = panel;
  openDialog.lpstrFilter = TEXT_OPEN_FILTER;
  openDialog.nFilterIndex = 1;
  openDialog.lpstrFile = panelPath;
  openDialog.nMaxFile = kPathBufferSize;
  openDialog.Flags = OFN_FILEMUSTEXIST;
}

void WriteDefaults(HWND panel) {
  for (const NumberField& field : kNumberFields) WriteField(panel, field.id, field.initial);
  for (const ChannelField& field : kChannelFields) WriteField(panel, field.id, field.initial);
  SetChecked(panel, IDC_TRANSPARENT, false);
  SetChecked(panel, IDC_KEY_FROM_CORNER, true);
  EnableKeyControls(panel);
  SetChecked(panel, IDC_HORIZONTAL, true);
}

// Puts the panel's top-left at the main window's top-right and shows it.
void PlacePanel(HWND mainWindow, HWND panel) {
  RECT outer;
  GetWindowRect(mainWindow, &outer);
  SetWindowPos(panel, HWND_TOP, outer.right, outer.top, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
}

// A sheet path goes to the sheet load, any other path to the settings
// reader. Returns the sheet load's result (true for a settings file).
bool OpenPath(HWND panel, char* path) {
  if (IsSheetPath(path)) {
    SetDlgItemTextA(panel, IDC_PATH, path);
    return LoadSheet(panel, path);
  }
  LoadSettingsFile(panel, path);
  return true;
}

INT_PTR Initialise(HWND panel) {
  zoomSpinPos = 0;  // the spins start at 0 with the dialog
  columnSpinPos = 0;
  FillOpenDialog(panel);
  WriteDefaults(panel);
  char* startup = frame.startupPath;
  if (startup[0] != '\0' && !OpenPath(panel, startup)) return FALSE;  // shown, not placed
  PlacePanel(frame.mainWindow, panel);
  return TRUE;
}

INT_PTR Browse(HWND panel) {
  // The buffer is not cleared: the dialog starts with the last path.
  if (!GetOpenFileNameA(&openDialog)) return TRUE;
  KillTimer(frame.mainWindow, PLAYBACK_TIMER_ID);
  return OpenPath(panel, panelPath) ? TRUE : FALSE;
}

INT_PTR OnCommand(HWND panel, int id) {
  switch (id) {
    case IDC_START:
      return StartAnimation(panel, panelPath) ? TRUE : FALSE;
    case IDC_HIDE:
      ShowWindow(panel, SW_HIDE);
      frame.panelVisible = false;
      return TRUE;
    case IDC_BROWSE:
      return Browse(panel);
    case IDC_SAVE:
      SaveSettingsFile(panel);
      break;
    case IDC_TRANSPARENT:
      EnableKeyControls(panel);
      break;
    case IDC_KEY_FROM_CORNER:
      EnableKeyFields(panel, false);
      break;
    case IDC_KEY_FROM_FIELDS:
      EnableKeyFields(panel, true);
      break;
    case IDC_CLEAR:
      SetDlgItemTextA(panel, IDC_FRAME_LIST, "");
      break;
    case IDC_STOP:
      KillTimer(frame.mainWindow, PLAYBACK_TIMER_ID);
      break;
  }
  return FALSE;
}

// Only the release of a spin's arrow counts; the panel does the counting,
// since the spins have no buddy field.
void OnSpin(HWND panel, WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) != SB_ENDSCROLL) return;
  HWND spin = reinterpret_cast<HWND>(lParam);
  const bool zoomSpin = spin == GetDlgItem(panel, IDC_ZOOM_SPIN);
  if (!zoomSpin && spin != GetDlgItem(panel, IDC_COLUMN_SPIN)) return;

  const int fieldId = zoomSpin ? IDC_ZOOM : IDC_COLUMN;
  uint8_t& memory = zoomSpin ? zoomSpinPos : columnSpinPos;
  const uint32_t reported = HIWORD(wParam);
  const SpinDirection direction = SpinDirectionFrom(memory, reported);
  if (direction == SpinDirection::None) return;
  const uint32_t value = SpinStep(ReadField(panel, fieldId), direction, zoomSpin ? 1 : 0);
  WriteField(panel, fieldId, value);
  if (zoomSpin)
    animation.zoom = static_cast<int32_t>(value);
  else
    animation.columnIndex = static_cast<int32_t>(value);
  memory = static_cast<uint8_t>(reported);
}

// Only the first file of a drop is opened; a drop never stops playback.
void OnDrop(HWND panel, HDROP drop) {
  DragQueryFileA(drop, 0, panelPath, kPathBufferSize);
  DragFinish(drop);
  OpenPath(panel, panelPath);
}

}  // namespace

INT_PTR CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return Initialise(panel);
    case WM_COMMAND:
      return OnCommand(panel, LOWORD(wParam));
    case WM_VSCROLL:
      OnSpin(panel, wParam, lParam);
      return FALSE;
    case WM_DROPFILES:
      OnDrop(panel, reinterpret_cast<HDROP>(wParam));
      return FALSE;
  }
  return FALSE;
}
