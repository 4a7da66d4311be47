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

// The panel always shows the values in use, and otherwise what the user
// typed: a number field that read 0 shows the value put in its place, one
// that did not is left alone ("064" stays "064"). The colour channels are
// all written back, clamped or not, in the panel's order.
void WriteBackStartFields(HWND panel, const StartFields& typed, const StartFields& used) {
  const struct {
    int id;
    uint32_t typed, used;
  } numbers[] = {
      {IDC_FRAME_WIDTH, typed.frameWidth, used.frameWidth},
      {IDC_FRAME_HEIGHT, typed.frameHeight, used.frameHeight},
      {IDC_INTERVAL, typed.interval, used.interval},
      {IDC_COLUMN, typed.columnIndex, used.columnIndex},
      {IDC_ZOOM, typed.zoom, used.zoom},
      {IDC_LOOP_COUNT, typed.loopLimit, used.loopLimit},
  };
  for (const auto& number : numbers)
    if (number.typed == 0) WriteField(panel, number.id, number.used);
  WriteField(panel, IDC_KEY_BLUE, used.keyBlue);
  WriteField(panel, IDC_KEY_RED, used.keyRed);
  WriteField(panel, IDC_KEY_GREEN, used.keyGreen);
  WriteField(panel, IDC_BACK_RED, used.backRed);
  WriteField(panel, IDC_BACK_GREEN, used.backGreen);
  WriteField(panel, IDC_BACK_BLUE, used.backBlue);
}

}  // namespace

bool StartAnimation(HWND panel) {
  animation.position = 0;
  animation.loopsDone = 0;
  // A failed load has shown its message; nothing is read or written then,
  // and a running timer goes on.
  if (!LoadSheet(panel, panelPath)) return false;

  const StartFields typed = ReadStartFields(panel);
  StartFields fields = typed;
  ApplyStartDefaults(fields);
  WriteBackStartFields(panel, typed, fields);
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
