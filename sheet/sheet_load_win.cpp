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

// A probe that does not load keeps the previous one; with no probe ever
// loaded the key is black, the initial last key colour.
COLORREF PreviousProbe() {
  return sheet.probeBitmap == nullptr ? RGB(0, 0, 0) : GetPixel(frame.probeDC, 0, 0);
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

// The probe's answer: the probe DC holds the probed colour alone, in a
// 1 x 1 bitmap (no second copy of a sheet stays), and the key is that
// colour. Without room for the pixel the previous probe stays.
COLORREF HoldProbedColour(COLORREF colour) {
  void* bits = nullptr;
  HBITMAP pixel = colour == CLR_INVALID ? nullptr : CreateTopDownDibSection(1, 1, &bits);
  if (pixel == nullptr) return PreviousProbe();
  *static_cast<uint32_t*>(bits) = ColourToDibPixel(colour);
  HoldAsProbe(pixel);
  return colour;
}

// The held copy came from `file` at this stamp: its top-left pixel, as it
// loaded, is the file's, whether a pass has keyed the copy since or not.
bool HeldCopyCameFrom(const char* file, const FileStamp& stamp) {
  return sheet.sheetBitmap != nullptr && stamp.size != 0 && HeldCopyIsSettledFile(file) &&
         SameStamp(stamp, sheet.source.stamp);
}

// The probe of a file other than the sheet's: the held copy's corner when
// it came from that file, else the top-left pixel of a copy of its own,
// which goes at once.
COLORREF ProbeOtherFile(HWND panel, const char* file) {
  SheetFile held;
  if (!HoldSheetFile(file, held, kWaitForWriterMs)) return PreviousProbe();
  COLORREF corner = CLR_INVALID;
  if (HeldCopyCameFrom(file, held.stamp)) {
    corner = sheet.cleanCorner;
  } else {
    BITMAP description;
    HBITMAP copy = LoadHeldBitmap(panel, file, held, &description);
    if (copy != nullptr) {
      HoldAsProbe(copy);
      corner = GetPixel(frame.probeDC, 0, 0);
    }
  }
  CloseSheetFile(held);
  return corner == CLR_INVALID ? PreviousProbe() : HoldProbedColour(corner);
}

// The held sheet's size in the size label.
void ShowSheetSize(HWND panel) {
  char size[64];
  wsprintfA(size, TEXT_SHEET_SIZE_FORMAT, sheet.sheetWidth, sheet.sheetHeight);
  SetDlgItemTextA(panel, IDC_SHEET_SIZE, size);
}

bool ShowLoadFailure(HWND panel) {
  MessageBoxA(panel, TEXT_LOAD_FAILED, TEXT_LOAD_FAILED_CAPTION, MB_ICONEXCLAMATION | MB_OK);
  return false;
}

}  // namespace

bool LoadSheet(HWND panel, char pathBuffer[kPathBufferSize]) {
  PanelNumbers fields = ReadPanelNumbers(panel);
  ApplyStartDefaults(fields);
  const COLORREF background = PackColour(fields.backRed, fields.backGreen, fields.backBlue);
  const bool keyFromCorner = !IsChecked(panel, IDC_KEY_FROM_FIELDS);
  // The probe reads the file the buffer names before the path field
  // replaces it: the same file as the sheet's, or another.
  char probeFile[MAX_PATH] = {};
  if (keyFromCorner) ResolveSheetName(pathBuffer, probeFile);
  GetDlgItemTextA(panel, IDC_PATH, pathBuffer, kPathBufferSize);
  // The name as the user gave it stays in the field, the title and
  // lastPath; the stamp, the checks, the load and the watch use the file
  // it resolves to.
  char file[MAX_PATH];
  ResolveSheetName(pathBuffer, file);
  SheetFile held;
  HoldSheetFile(file, held, kWaitForWriterMs);  // a file that cannot be held has the stamp 0, 0

  // When the probe's file is the sheet's and the held copy is not that file
  // unchanged, no reuse below can pass: the load the sheet needs anyway
  // gives the corner. Until then the key is the previous probe's, as for a
  // probe that fails.
  const bool probeIsTheSheet = keyFromCorner && strcmp(probeFile, file) == 0;
  COLORREF key = PackColour(fields.keyRed, fields.keyGreen, fields.keyBlue);
  if (keyFromCorner && !probeIsTheSheet)
    key = ProbeOtherFile(panel, probeFile);
  else if (probeIsTheSheet)
    key = HeldCopyCameFrom(file, held.stamp) ? HoldProbedColour(sheet.cleanCorner) : PreviousProbe();

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
  if (!loaded) return ShowLoadFailure(panel);
  if (probeIsTheSheet) HoldProbedColour(sheet.cleanCorner);  // read before any pass
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
  sheet.cleanCorner = GetPixel(frame.sheetDC, 0, 0);
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
