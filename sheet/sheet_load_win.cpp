// Loading the sprite sheet, with the reuse test and the key-colour probe.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "app/frame_win.h"
#include "panel/controls_win.h"
#include "panel/panel_fields_core.h"
#include "res/resource_ids.h"
#include "sheet/bmp_header_core.h"
#include "sheet/key_colour_core.h"
#include "sheet/sheet_win.h"

SheetState sheet = {};

bool BmpFileMeets(const char* path, BmpHeadRule rule) {
  // Shared every way, so a paint program may go on writing, renaming or
  // deleting the file meanwhile.
  HANDLE file = CreateFileA(path, GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  uint8_t head[kBmpHeadBytes];
  DWORD read = 0;
  LARGE_INTEGER size;
  const bool readable =
      GetFileSizeEx(file, &size) && ReadFile(file, head, sizeof head, &read, nullptr);
  CloseHandle(file);
  return readable && rule(head, read, static_cast<uint64_t>(size.QuadPart));
}

HBITMAP LoadBitmapFile(HWND window, const char* path, BITMAP* description) {
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  // Loaded as a DIB section, a 24- or 32-bit file keeps its own format and
  // the loader needs nothing besides its view of the file; loaded plain, it
  // also converts the whole picture in a buffer of its own first (2.75
  // copies of the sheet at 32 bits against 1.5, measured under Wine).
  // Only files that are whole are loaded so: Wine's loader reads a DIB
  // section's pixels wherever the header points, past the end of the file
  // too. Any other file loads plain, into the display's format, as ever.
  const UINT flags = BmpFileMeets(path, IsWholeTrueColourBmp)
                         ? LR_LOADFROMFILE | LR_CREATEDIBSECTION
                         : LR_LOADFROMFILE;
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(instance, path, IMAGE_BITMAP, 0, 0, flags));
  if (bitmap != nullptr) GetObjectA(bitmap, sizeof *description, description);
  return bitmap;
}

namespace {

// A 1 x 1 bitmap of the top-left pixel of what `dc` holds, exactly as read
// there; null when that pixel cannot be read or there is no room.
HBITMAP TopLeftPixelOf(HDC dc) {
  const COLORREF colour = GetPixel(dc, 0, 0);
  if (colour == CLR_INVALID) return nullptr;
  void* bits = nullptr;
  HBITMAP pixel = CreateTopDownDibSection(1, 1, &bits);
  if (pixel != nullptr) *static_cast<uint32_t*>(bits) = ColourToDibPixel(colour);
  return pixel;
}

// The held sheet as the reuse test and the probe compare it.
SheetIdentity HeldSheet() {
  return {sheet.lastPath, sheet.lastFileStamp, sheet.lastKeyColour, sheet.lastBackgroundColour};
}

// No pass has touched the held copy: it holds the file's pixels.
bool HeldCopyIsClean() { return sheet.sheetBitmap != nullptr && sheet.needsKeyPass; }

// Puts `bitmap` into the probe DC and releases the probe it displaces.
void HoldAsProbe(HBITMAP bitmap) {
  SelectObject(frame.probeDC, bitmap);
  if (sheet.probeBitmap != nullptr) DeleteObject(sheet.probeBitmap);
  sheet.probeBitmap = bitmap;
}

// The probe reads the top-left pixel of the file. When the held sheet is a
// clean copy of that same file, unchanged since, that pixel is read from
// the held copy; otherwise the probe loads a second copy of the file. The
// probe DC then holds that one pixel, in a 1 x 1 bitmap, and a second copy
// goes at once. A probe that does not load keeps the previous probe; with
// no probe ever loaded the key is black, the initial last key colour.
COLORREF ProbeKeyColour(HWND panel, const char* path) {
  const SheetIdentity probed = {path, StampOf(path), 0, 0};
  HBITMAP pixel = HeldCopyIsTheFile(probed, HeldSheet(), HeldCopyIsClean())
                      ? TopLeftPixelOf(frame.sheetDC)
                      : nullptr;
  if (pixel != nullptr) {
    HoldAsProbe(pixel);
  } else {
    BITMAP description;
    HBITMAP probe = LoadBitmapFile(panel, path, &description);
    if (probe != nullptr) {
      HoldAsProbe(probe);
      pixel = TopLeftPixelOf(frame.probeDC);
      if (pixel != nullptr) HoldAsProbe(pixel);
    }
  }
  if (sheet.probeBitmap == nullptr) return RGB(0, 0, 0);
  return GetPixel(frame.probeDC, 0, 0);
}

}  // namespace

FileStamp StampOf(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return FileStamp{0, 0};
  return FileStamp{(static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
                   (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                       data.ftLastWriteTime.dwLowDateTime};
}

namespace {

// The panel's key and background colours as Start packs them; the key is
// probed from the file instead when the corner is the key's source.
void ColoursOfThisLoad(HWND panel, const char* probePath, COLORREF& key, COLORREF& background) {
  PanelNumbers fields = ReadPanelNumbers(panel);
  ApplyStartDefaults(fields);
  background = PackColour(fields.backRed, fields.backGreen, fields.backBlue);
  key = IsChecked(panel, IDC_KEY_FROM_FIELDS)
            ? PackColour(fields.keyRed, fields.keyGreen, fields.keyBlue)
            : ProbeKeyColour(panel, probePath);
}

// The held sheet's size in the size label, 1006.
void ShowSheetSize(HWND panel) {
  char size[64];
  wsprintfA(size, "%d × %d", sheet.sheetWidth, sheet.sheetHeight);
  SetDlgItemTextA(panel, IDC_SHEET_SIZE, size);
}

}  // namespace

bool LoadSheet(HWND panel, char pathBuffer[kPathBufferSize]) {
  COLORREF key, background;
  ColoursOfThisLoad(panel, pathBuffer, key, background);
  GetDlgItemTextA(panel, IDC_PATH, pathBuffer, kPathBufferSize);
  const SheetIdentity wanted = {pathBuffer, StampOf(pathBuffer), key, background};
  // A clean copy, or no sheet at all, holds no keyed pixels.
  const bool heldIsKeyed = sheet.sheetBitmap != nullptr && !sheet.needsKeyPass;
  if (CanReuseSheet(wanted, HeldSheet(), heldIsKeyed, IsChecked(panel, IDC_TRANSPARENT)))
    return true;
  // A clean copy of the unchanged file is what a load would give: it stays
  // (no second copy held while one loads), and shows as a load does.
  if (HeldCopyIsTheFile(wanted, HeldSheet(), HeldCopyIsClean())) {
    ShowSheetSize(panel);
    SetWindowTextA(panel, pathBuffer);
    return true;
  }

  // The stamp is read before the load: an edit saved while the file was
  // loading shows at the next Start instead of never.
  if (!LoadIntoSheetDC(panel, pathBuffer, wanted.file)) {
    MessageBoxA(panel, "BMPファイル読みとりに失敗しました", "エラー", MB_ICONEXCLAMATION | MB_OK);
    return false;
  }
  SetWindowTextA(panel, pathBuffer);
  memcpy(sheet.lastPath, pathBuffer, kPathBufferSize);
  return true;
}

bool LoadIntoSheetDC(HWND panel, const char* path, FileStamp stamp) {
  BITMAP description;
  HBITMAP bitmap = LoadBitmapFile(panel, path, &description);
  if (bitmap == nullptr) return false;
  // Held as loaded: the key pass makes its 32-bit copy only when it runs,
  // so a sheet that is never keyed costs no second copy.
  SelectObject(frame.sheetDC, bitmap);
  if (sheet.sheetBitmap != nullptr) DeleteObject(sheet.sheetBitmap);
  sheet.sheetBitmap = bitmap;
  sheet.sheetWidth = description.bmWidth;
  sheet.sheetHeight = description.bmHeight;
  sheet.needsKeyPass = true;
  sheet.lastFileStamp = stamp;
  ShowSheetSize(panel);
  return true;
}
