// The Start command: the panel's values into the animation record.
#include <windows.h>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "panel/controls_win.h"
#include "res/resource_ids.h"
#include "sheet/sheet_watch_win.h"
#include "sheet/sheet_win.h"

namespace {

// The panel always shows the values in use, and otherwise what the user
// typed: a number field that read 0 shows the value put in its place, one
// that did not is left alone ("064" stays "064"). The colour channels are
// all written back, clamped or not.
void WriteBackStartFields(HWND panel, const PanelNumbers& typed, const PanelNumbers& used) {
  for (const NumberField& field : kNumberFields)
    if (typed.*field.value == 0) WriteField(panel, field.id, used.*field.value);
  for (const ChannelField& field : kChannelFields) WriteField(panel, field.id, used.*field.value);
}

}  // namespace

bool StartAnimation(HWND panel, char pathBuffer[kPathBufferSize]) {
  animation.position = 0;
  animation.loopsDone = 0;
  // A failed load has shown its message; nothing is read or written then,
  // and a running timer goes on.
  if (!LoadSheet(panel, pathBuffer)) return false;
  RenewSheetWatch();  // a folder deleted and made again since is watched again

  const PanelNumbers typed = ReadPanelNumbers(panel);
  PanelNumbers fields = typed;
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

  // Remembered for a reload during playback, which keys as this Start did.
  animation.keyFromCorner = IsChecked(panel, IDC_KEY_FROM_CORNER);
  if (IsChecked(panel, IDC_TRANSPARENT))
    ApplyKeyColour(panel, frame.sheetDC, sheet.sheetWidth, sheet.sheetHeight, animation.keyColour,
                   animation.backgroundColour);
  return true;
}
