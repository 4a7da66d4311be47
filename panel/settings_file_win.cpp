// Saving the panel's set-up to a settings file, and reading one back.
#include <windows.h>
#include <commdlg.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/layouts_win.h"
#include "panel/controls_win.h"
#include "panel/panel_core.h"
#include "panel/settings_core.h"
#include "panel/settings_file_win.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "sheet/sheet_win.h"

namespace {

OPENFILENAMEA saveDialog;
char saveName[kPathBufferSize];

SettingsRecord ReadPanel(HWND panel) {
  SettingsRecord record;
  static_cast<PanelNumbers&>(record) = ReadPanelNumbers(panel);
  record.path = ControlString(panel, IDC_PATH);
  record.flags = FlagsByte(IsChecked(panel, IDC_HORIZONTAL), IsChecked(panel, IDC_TRANSPARENT),
                           IsChecked(panel, IDC_KEY_FROM_CORNER));
  record.frameList = ControlString(panel, IDC_FRAME_LIST);
  return record;
}

// Creates a new, empty file with a short unique name in the target's
// folder. Short, so it fits wherever the target fits: the dialog accepts
// targets of up to 255 characters, and a name like the target's plus a
// suffix would pass the platform's path limit.
HANDLE CreateTemporaryBeside(const char* target, std::string& name) {
  const unsigned first = GetTickCount() ^ GetCurrentProcessId();
  for (unsigned i = 0; i <= 0xFFFF; ++i) {
    name = TemporaryNameBeside(target, first + i);
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

// Writes the bytes beside the target first and then replaces it, so a
// failed save leaves the previous file as it was.
bool WriteReplacing(const char* target, const std::vector<uint8_t>& bytes) {
  std::string temporary;
  HANDLE file = CreateTemporaryBeside(target, temporary);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(file);
  ok = CloseHandle(file) && ok;
  ok = ok && MoveFileExA(temporary.c_str(), target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileA(temporary.c_str());
  return ok;
}

void FillSaveDialog(HWND panel) {
  saveDialog = {};
  saveDialog.lStructSize = kOpenFileNameV4Bytes;
  saveDialog.hwndOwner = panel;
  saveDialog.lpstrFilter = TEXT_SAVE_FILTER;
  saveDialog.nFilterIndex = 1;
  saveDialog.lpstrFile = saveName;
  saveDialog.nMaxFile = sizeof saveName;
  // Not OFN_FILEMUSTEXIST: in a save dialog it would refuse every new name.
  // The dialog itself refuses a name in a folder that does not exist.
  saveDialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
  saveDialog.lpstrDefExt = "plw";
}

// Reads no more than the decoder can look at, so what follows a valid file
// (padding, another file appended by mistake) is not read, however long.
bool ReadSettingsPrefix(const char* path, std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path, "rb");
  if (file == nullptr) return false;
  bytes.resize(kSettingsPrefixBytes);
  const size_t got = fread(bytes.data(), 1, bytes.size(), file);
  fclose(file);
  bytes.resize(got);
  return true;
}

void FillPanel(HWND panel, const SettingsRecord& record) {
  if (!record.path.empty()) SetDlgItemTextA(panel, IDC_PATH, record.path.c_str());
  for (const NumberField& field : kNumberFields)
    if (field.inSettingsFile) WriteField(panel, field.id, record.*field.value);
  for (const ChannelField& field : kChannelFields) WriteField(panel, field.id, record.*field.value);
  const bool horizontal = (record.flags & kFlagHorizontal) != 0;
  SetChecked(panel, IDC_HORIZONTAL, horizontal);
  SetChecked(panel, IDC_VERTICAL, !horizontal);
  const bool fromCorner = (record.flags & kFlagKeyFromCorner) != 0;
  SetChecked(panel, IDC_KEY_FROM_CORNER, fromCorner);
  SetChecked(panel, IDC_KEY_FROM_FIELDS, !fromCorner);
  SetChecked(panel, IDC_TRANSPARENT, (record.flags & kFlagTransparent) != 0);
  EnableKeyControls(panel);  // reads the radio just set
  SetDlgItemTextA(panel, IDC_FRAME_LIST, record.frameList.c_str());
}

}  // namespace

void SaveSettingsFile(HWND panel) {
  const std::string path = ControlString(panel, IDC_PATH);
  if (!PathCanBeStored(path)) {
    // The path read back from the field holds at most 255 bytes and no
    // zero: a ";" or a byte 0xFF stops the save, and the message says which.
    MessageBoxA(panel,
                path.find(';') != std::string::npos
                    ? TEXT_SAVE_PATH_HAS_SEMICOLON
                    : TEXT_SAVE_PATH_HAS_FF,
                TEXT_SAVE_ERROR_CAPTION, MB_ICONEXCLAMATION | MB_OK);
    return;
  }
  SaveBaseName(path.c_str(), saveName);
  FillSaveDialog(panel);
  if (!GetSaveFileNameA(&saveDialog)) return;

  const SettingsRecord record = ReadPanel(panel);
  if (!PathCanBeStored(record.path) || !FrameListCanBeStored(record.frameList)) {
    MessageBoxA(panel, TEXT_SAVE_UNSTORABLE, TEXT_SAVE_ERROR_CAPTION,
                MB_ICONEXCLAMATION | MB_OK);
    return;
  }
  if (!WriteReplacing(saveName, EncodeSettings(record)))
    MessageBoxA(panel, TEXT_SAVE_FAILED, TEXT_SAVE_ERROR_CAPTION,
                MB_ICONEXCLAMATION | MB_OK);
}

void LoadSettingsFile(HWND panel, const char* path) {
  if (!IsSettingsPath(path)) return;
  std::vector<uint8_t> bytes;
  if (!ReadSettingsPrefix(path, bytes)) return;
  // The whole file is decoded before any control changes, so a damaged
  // file leaves the panel as it was.
  SettingsRecord record;
  if (DecodeSettings(bytes.data(), bytes.size(), record) != DecodeResult::Ok) {
    MessageBoxA(panel, TEXT_SETTINGS_DAMAGED, TEXT_SETTINGS_DAMAGED_CAPTION,
                MB_OK);
    return;
  }
  FillPanel(panel, record);
  char sheetPath[kPathBufferSize] = {};
  GetDlgItemTextA(panel, IDC_PATH, sheetPath, sizeof sheetPath);
  if (sheetPath[0] != '\0') LoadSheet(panel, sheetPath);
}
