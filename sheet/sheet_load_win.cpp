// Loading the sprite sheet, with the reuse test and the key-colour probe.
#include <windows.h>

#include <cstdint>
#include <cstring>

#include "app/frame_win.h"
#include "panel/controls_win.h"
#include "panel/panel_fields_core.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "sheet/key_colour_core.h"
#include "sheet/key_pass_win.h"
#include "sheet/sheet_file_core.h"
#include "sheet/sheet_file_win.h"
#include "sheet/sheet_win.h"

SheetState sheet = {};

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
  return {sheet.source.lastPath, sheet.source.stamp, sheet.lastKeyColour,
          sheet.lastBackgroundColour};
}

// No pass has touched the held copy: it holds the file's pixels.
bool HeldCopyIsClean() { return sheet.sheetBitmap != nullptr && sheet.needsKeyPass; }

// The held copy came from `file` and holds all of it: no save since its
// load can hide behind an unchanged stamp. The same name may mean another
// file once the current folder changed.
bool HeldCopyIsSettledFile(const char* file) {
  const SheetSource& source = sheet.source;
  return strcmp(file, source.file) == 0 &&
         ReloadTimeForCoarseStamp(source.stamp.lastWriteTime, source.loadStart,
                                  source.stampFirstLoaded) == 0;
}

// Whether the held copy, untouched by any pass, is exactly what loading the
// held `file`, named `name`, would give now.
bool HeldCopyIsTheHeldFile(const char* name, const char* file, const SheetFile& held) {
  const SheetIdentity wanted = {name, held.stamp, 0, 0};
  return held.handle != INVALID_HANDLE_VALUE && HeldCopyIsSettledFile(file) &&
         HeldCopyIsTheFile(wanted, HeldSheet(), HeldCopyIsClean());
}

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
  char file[MAX_PATH];
  ResolveSheetName(path, file);
  SheetFile held;
  HoldSheetFile(file, held, kWaitForWriterMs);
  HBITMAP pixel = HeldCopyIsTheHeldFile(path, file, held) ? TopLeftPixelOf(frame.sheetDC)
                                                            : nullptr;
  if (pixel != nullptr) {
    HoldAsProbe(pixel);
  } else if (held.handle != INVALID_HANDLE_VALUE) {
    BITMAP description;
    HBITMAP probe = LoadHeldBitmap(panel, file, held, &description);
    if (probe != nullptr) {
      HoldAsProbe(probe);
      pixel = TopLeftPixelOf(frame.probeDC);
      if (pixel != nullptr) HoldAsProbe(pixel);
    }
  }
  CloseSheetFile(held);
  if (sheet.probeBitmap == nullptr) return RGB(0, 0, 0);
  return GetPixel(frame.probeDC, 0, 0);
}

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
  wsprintfA(size, TEXT_SHEET_SIZE_FORMAT, sheet.sheetWidth, sheet.sheetHeight);
  SetDlgItemTextA(panel, IDC_SHEET_SIZE, size);
}

}  // namespace

bool LoadSheet(HWND panel, char pathBuffer[kPathBufferSize]) {
  COLORREF key, background;
  ColoursOfThisLoad(panel, pathBuffer, key, background);
  GetDlgItemTextA(panel, IDC_PATH, pathBuffer, kPathBufferSize);
  // The name as the user gave it stays in the field, the title and
  // lastPath; the stamp, the checks, the load and the watch use the file
  // it resolves to.
  char file[MAX_PATH];
  ResolveSheetName(pathBuffer, file);
  SheetFile held;
  HoldSheetFile(file, held, kWaitForWriterMs);  // a file that cannot be held has the stamp 0, 0
  const SheetIdentity wanted = {pathBuffer, held.stamp, key, background};
  // A clean copy, or no sheet at all, holds no keyed pixels.
  const bool heldIsKeyed = sheet.sheetBitmap != nullptr && !sheet.needsKeyPass;
  if (HeldCopyIsSettledFile(file) &&
      CanReuseSheet(wanted, HeldSheet(), heldIsKeyed, IsChecked(panel, IDC_TRANSPARENT))) {
    CloseSheetFile(held);
    return true;
  }
  // A clean copy of the unchanged file is what a load would give: it stays
  // (no second copy held while one loads), and shows as a load does.
  if (HeldCopyIsTheHeldFile(pathBuffer, file, held)) {
    CloseSheetFile(held);
    ShowSheetSize(panel);
    SetWindowTextA(panel, pathBuffer);
    return true;
  }

  const bool loaded = held.handle != INVALID_HANDLE_VALUE && LoadIntoSheetDC(panel, file, held);
  CloseSheetFile(held);
  if (!loaded) {
    MessageBoxA(panel, TEXT_LOAD_FAILED, TEXT_LOAD_FAILED_CAPTION, MB_ICONEXCLAMATION | MB_OK);
    return false;
  }
  SetWindowTextA(panel, pathBuffer);
  memcpy(sheet.source.lastPath, pathBuffer, kPathBufferSize);
  return true;
}

bool LoadIntoSheetDC(HWND panel, const char* file, SheetFile& held) {
  const uint64_t loadStart = FileTimeNow();
  BITMAP description;
  HBITMAP bitmap = LoadHeldBitmap(panel, file, held, &description);
  if (bitmap == nullptr) return false;
  // Held as loaded: the key pass makes its 32-bit copy only when it runs,
  // so a sheet that is never keyed costs no second copy.
  SelectObject(frame.sheetDC, bitmap);
  if (sheet.sheetBitmap != nullptr) DeleteObject(sheet.sheetBitmap);
  sheet.sheetBitmap = bitmap;
  sheet.sheetWidth = description.bmWidth;
  sheet.sheetHeight = description.bmHeight;
  sheet.needsKeyPass = true;
  // The stamp read before the load: a save that landed while the file was
  // loading shows at the next look or Start instead of never.
  SheetSource& source = sheet.source;
  const bool stampLoadedBefore =
      source.loads != 0 && strcmp(file, source.file) == 0 && SameStamp(held.stamp, source.stamp);
  if (!stampLoadedBefore) source.stampFirstLoaded = loadStart;
  source.stamp = held.stamp;
  source.loadStart = loadStart;
  source.changedWhileLoading = !SameStamp(StampNow(held), held.stamp);
  if (file != source.file) lstrcpynA(source.file, file, MAX_PATH);
  ++source.loads;
  ShowSheetSize(panel);
  return true;
}
