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

// The held sheet as the reuse test compares it.
SheetIdentity HeldSheet() {
  return {sheet.source.lastPath, sheet.lastKeyColour, sheet.lastBackgroundColour};
}

// Where the held copy came from, as the reuse test and the probe compare it.
CopyOrigin OriginOfHeldCopy() {
  return {sheet.source.file, sheet.source.stamp, sheet.source.reloadTime};
}

// No pass has touched the held copy: it holds the file's pixels.
bool HeldCopyIsClean() { return sheet.sheetBitmap != nullptr && sheet.needsKeyPass; }

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

// The held copy's top-left pixel as it loaded is the file's, whether a pass
// has keyed the copy since or not, when the copy is a settled one of the
// file as a look finds it now.
bool CornerIsTheFiles(HeldCopy copy, const FileStamp& now) {
  return sheet.sheetBitmap != nullptr && StampWasRead(now) && copy == HeldCopy::kSameFileSettled;
}

// The probe of a file other than the sheet's: the held copy's corner when
// it came from that file, else the top-left pixel of a copy of its own,
// which goes at once.
COLORREF ProbeOtherFile(const char* file) {
  const FileStamp now = LookAtSheetFile(file);
  if (CornerIsTheFiles(CompareHeldCopy(OriginOfHeldCopy(), file, now), now))
    return HoldProbedColour(sheet.cleanCorner);
  BITMAP description;
  HBITMAP copy = LoadBitmapFile(file, &description);
  if (copy == nullptr) return PreviousProbe();
  HoldAsProbe(copy);
  const COLORREF corner = GetPixel(frame.probeDC, 0, 0);
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
  // lastPath; the look, the load and the watch use the file it resolves to.
  char file[MAX_PATH];
  ResolveSheetName(pathBuffer, file);
  const FileStamp now = LookAtSheetFile(file);
  const HeldCopy copy = CompareHeldCopy(OriginOfHeldCopy(), file, now);

  // When the probe's file is the sheet's and the held copy's corner is not
  // that file's, no reuse below can pass: the load the sheet needs anyway
  // gives the corner. Until then the key is the previous probe's, as for a
  // probe that fails.
  const bool probeIsTheSheet = keyFromCorner && strcmp(probeFile, file) == 0;
  COLORREF key = PackColour(fields.keyRed, fields.keyGreen, fields.keyBlue);
  if (keyFromCorner && !probeIsTheSheet)
    key = ProbeOtherFile(probeFile);
  else if (probeIsTheSheet)
    key = CornerIsTheFiles(copy, now) ? HoldProbedColour(sheet.cleanCorner) : PreviousProbe();

  const SheetIdentity wanted = {pathBuffer, key, background};
  // A clean copy, or no sheet at all, holds no keyed pixels.
  const bool heldIsKeyed = sheet.sheetBitmap != nullptr && !sheet.needsKeyPass;
  if (CanReuseSheet(copy, wanted, HeldSheet(), heldIsKeyed, IsChecked(panel, IDC_TRANSPARENT)))
    return true;
  // A clean copy of the unchanged file is what a load would give: it stays
  // (no second copy held while one loads), and shows as a load does.
  if (HeldCopyIsTheFile(copy, StampWasRead(now), wanted, HeldSheet(), HeldCopyIsClean())) {
    ShowSheetSize(panel);
    SetWindowTextA(panel, pathBuffer);
    return true;
  }
  if (LoadIntoSheetDC(panel, file, kReadsWhileChanging).bitmap == nullptr)
    return ShowLoadFailure(panel);
  if (probeIsTheSheet) HoldProbedColour(sheet.cleanCorner);  // read before any pass
  SetWindowTextA(panel, pathBuffer);
  memcpy(sheet.source.lastPath, pathBuffer, kPathBufferSize);
  return true;
}

SheetRead LoadIntoSheetDC(HWND panel, const char* file, int reads) {
  const uint64_t loadStart = FileTimeNow();
  const SheetRead read = ReadSheetFile(file, reads);
  if (read.bitmap == nullptr) return read;
  // Held as loaded: the key pass makes its 32-bit copy only when it runs,
  // so a sheet that is never keyed costs no second copy.
  SelectObject(frame.sheetDC, read.bitmap);
  if (sheet.sheetBitmap != nullptr) DeleteObject(sheet.sheetBitmap);
  sheet.sheetBitmap = read.bitmap;
  sheet.sheetWidth = read.description.bmWidth;
  sheet.sheetHeight = read.description.bmHeight;
  sheet.needsKeyPass = true;
  sheet.cleanCorner = GetPixel(frame.sheetDC, 0, 0);
  SheetSource& source = sheet.source;
  const bool stampLoadedBefore =
      source.loads != 0 && strcmp(file, source.file) == 0 && SameStamp(read.stamp, source.stamp);
  if (!stampLoadedBefore) source.stampFirstLoaded = loadStart;
  source.stamp = read.stamp;
  // The one place that says when a coarse stamp is trusted: the load and
  // the watch both go by it.
  source.reloadTime =
      ReloadTimeForCoarseStamp(read.stamp.lastWriteTime, loadStart, source.stampFirstLoaded);
  if (file != source.file) lstrcpynA(source.file, file, MAX_PATH);
  ++source.loads;
  ShowSheetSize(panel);
  return read;
}
