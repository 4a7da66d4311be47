// The Start command: the panel's values into the animation record.
#include <windows.h>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/app_state_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"
#include "sheet/sheet_win.h"

namespace {

StartFields ReadStartFields(HWND panel) {
  StartFields fields;
  fields.frameWidth = ReadField(panel, IDC_FRAME_WIDTH);
  fields.frameHeight = ReadField(panel, IDC_FRAME_HEIGHT);
  fields.interval = ReadField(panel, IDC_INTERVAL);
  fields.columnIndex = ReadField(panel, IDC_COLUMN);
  fields.zoom = ReadField(panel, IDC_ZOOM);
  fields.loopLimit = ReadField(panel, IDC_LOOP_COUNT);
  fields.keyBlue = ReadField(panel, IDC_KEY_BLUE);
  fields.keyRed = ReadField(panel, IDC_KEY_RED);
  fields.keyGreen = ReadField(panel, IDC_KEY_GREEN);
  fields.backRed = ReadField(panel, IDC_BACK_RED);
  fields.backGreen = ReadField(panel, IDC_BACK_GREEN);
  fields.backBlue = ReadField(panel, IDC_BACK_BLUE);
  return fields;
}

// The panel always shows the values in use: defaults and clamped colours
// are written back, in the panel's order.
void WriteStartFields(HWND panel, const StartFields& fields) {
  WriteField(panel, IDC_FRAME_WIDTH, fields.frameWidth);
  WriteField(panel, IDC_FRAME_HEIGHT, fields.frameHeight);
  WriteField(panel, IDC_INTERVAL, fields.interval);
  WriteField(panel, IDC_COLUMN, fields.columnIndex);
  WriteField(panel, IDC_ZOOM, fields.zoom);
  WriteField(panel, IDC_LOOP_COUNT, fields.loopLimit);
  WriteField(panel, IDC_KEY_BLUE, fields.keyBlue);
  WriteField(panel, IDC_KEY_RED, fields.keyRed);
  WriteField(panel, IDC_KEY_GREEN, fields.keyGreen);
  WriteField(panel, IDC_BACK_RED, fields.backRed);
  WriteField(panel, IDC_BACK_GREEN, fields.backGreen);
  WriteField(panel, IDC_BACK_BLUE, fields.backBlue);
}

}  // namespace

bool StartAnimation(HWND panel) {
  animation.position = 0;
  animation.loopsDone = 0;
  // A failed load has shown its message; nothing is read or written then,
  // and a running timer goes on.
  if (!LoadSheet(panel, panelPath)) return false;

  StartFields fields = ReadStartFields(panel);
  ApplyStartDefaults(fields);
  WriteStartFields(panel, fields);
  FillSettingsFromFields(fields, animation);

  SetTimer(frame.mainWindow, PLAYBACK_TIMER_ID, fields.interval, nullptr);

  // Room for the longest rebuilt text as well as the 255 characters read.
  char text[kRebuiltTextSize];
  GetDlgItemTextA(panel, IDC_FRAME_LIST, text, kFrameListTextSize);
  ParseFrameList(text, animation.frameSequence);
  animation.horizontal = IsChecked(panel, IDC_HORIZONTAL) ? 1 : 0;
  const int32_t cells = CellCount(sheet.sheetWidth, sheet.sheetHeight, animation.frameWidth,
                                  animation.frameHeight, animation.horizontal != 0);
  NormaliseSequence(animation.frameSequence, cells, text, sizeof text);
  SetDlgItemTextA(panel, IDC_FRAME_LIST, text);

  if (IsChecked(panel, IDC_TRANSPARENT))
    ApplyKeyColour(panel, frame.sheetDC, sheet.sheetWidth, sheet.sheetHeight, animation.keyColour,
                   animation.backgroundColour);
  return true;
}
