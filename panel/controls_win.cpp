#include "panel/controls_win.h"

#include "app/command_line_core.h"

namespace {

void EnableControl(HWND panel, int id, bool enable) {
  EnableWindow(GetDlgItem(panel, id), enable ? TRUE : FALSE);
}

}  // namespace

UINT ReadField(HWND panel, int id) { return GetDlgItemInt(panel, id, nullptr, FALSE); }

void WriteField(HWND panel, int id, UINT value) { SetDlgItemInt(panel, id, value, FALSE); }

bool IsChecked(HWND panel, int id) {
  return SendMessageA(GetDlgItem(panel, id), BM_GETCHECK, 0, 0) != 0;
}

void SetChecked(HWND panel, int id, bool on) {
  SendMessageA(GetDlgItem(panel, id), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string ControlString(HWND panel, int id) {
  char text[kPathBufferSize] = {};
  GetDlgItemTextA(panel, id, text, sizeof text);
  return text;
}

PanelNumbers ReadPanelNumbers(HWND panel) {
  PanelNumbers numbers;
  for (const NumberField& field : kNumberFields) numbers.*field.value = ReadField(panel, field.id);
  for (const ChannelField& field : kChannelFields) numbers.*field.value = ReadField(panel, field.id);
  return numbers;
}

void EnableKeyFields(HWND panel, bool enable) {
  for (int id : {IDC_KEY_BLUE, IDC_KEY_RED, IDC_KEY_GREEN}) EnableControl(panel, id, enable);
}

void EnableKeyControls(HWND panel) {
  const bool on = IsChecked(panel, IDC_TRANSPARENT);
  EnableControl(panel, IDC_KEY_FROM_CORNER, on);
  EnableControl(panel, IDC_KEY_FROM_FIELDS, on);
  // With transparency on and the corner as the source, the key fields keep
  // whatever state they had.
  if (!on || IsChecked(panel, IDC_KEY_FROM_FIELDS)) EnableKeyFields(panel, on);
}
