// Loading the sprite sheet, with the reuse test and the key-colour probe.
#include <windows.h>

#include <cstring>

#include "app/app_state_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"
#include "sheet/key_colour_core.h"
#include "sheet/sheet_win.h"

SheetState sheet = {};

HBITMAP LoadBitmapFile(HWND window, const char* path, BITMAP* description) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  HBITMAP bitmap =
      static_cast<HBITMAP>(LoadImageA(instance, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
  if (bitmap != nullptr) GetObjectA(bitmap, sizeof *description, description);
  return bitmap;
}

namespace {

// The probe loads a second copy of the file into the probe DC and reads its
// top-left pixel. A probe that does not load keeps the previous probe; with
// no probe ever loaded the key is black, the initial last key colour.
COLORREF ProbeKeyColour(HWND panel, const char* path) {
  BITMAP description;
  HBITMAP probe = LoadBitmapFile(panel, path, &description);
  if (probe != nullptr) {
    SelectObject(frame.probeDC, probe);
    if (sheet.probeBitmap != nullptr) DeleteObject(sheet.probeBitmap);
    sheet.probeBitmap = probe;
  }
  if (sheet.probeBitmap == nullptr) return RGB(0, 0, 0);
  return GetPixel(frame.probeDC, 0, 0);
}

COLORREF KeyColourOfThisLoad(HWND panel, const char* probePath) {
  if (IsChecked(panel, IDC_KEY_FROM_FIELDS))
    return KeyColourFromFields(ReadField(panel, IDC_KEY_BLUE), ReadField(panel, IDC_KEY_GREEN),
                               ReadField(panel, IDC_KEY_RED));
  return ProbeKeyColour(panel, probePath);
}

}  // namespace

bool LoadSheet(HWND panel, char pathBuffer[kPathBufferSize]) {
  const COLORREF key = KeyColourOfThisLoad(panel, pathBuffer);
  GetDlgItemTextA(panel, IDC_PATH, pathBuffer, kPathBufferSize);
  if (CanReuseSheet(pathBuffer, sheet.lastPath, key, sheet.lastKeyColour,
                    IsChecked(panel, IDC_TRANSPARENT)))
    return true;

  BITMAP description;
  HBITMAP bitmap = LoadBitmapFile(panel, pathBuffer, &description);
  if (bitmap == nullptr) {
    MessageBoxA(panel, "BMPファイル読みとりに失敗しました", "エラー", MB_ICONEXCLAMATION | MB_OK);
    return false;
  }
  SelectObject(frame.sheetDC, bitmap);
  if (sheet.sheetBitmap != nullptr) DeleteObject(sheet.sheetBitmap);
  sheet.sheetBitmap = bitmap;
  sheet.sheetWidth = description.bmWidth;
  sheet.sheetHeight = description.bmHeight;
  SetWindowTextA(panel, pathBuffer);
  sheet.needsKeyPass = true;
  memcpy(sheet.lastPath, pathBuffer, kPathBufferSize);
  char size[64];
  wsprintfA(size, "%d × %d", sheet.sheetWidth, sheet.sheetHeight);
  SetDlgItemTextA(panel, IDC_SHEET_SIZE, size);
  return true;
}
