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
#include "sheet/sheet_name_core.h"
#include "sheet/sheet_watch_core.h"
#include "sheet/sheet_win.h"

SheetState sheet = {};

void ResolveSheetName(const char* name, char resolved[MAX_PATH]) {
  if (name[0] != '\0' && IsRelativeName(name)) {
    // LoadImageA would search for a relative name, the program's folder
    // first; the user means the file in the folder they are in.
    const DWORD length = GetFullPathNameA(name, MAX_PATH, resolved, nullptr);
    if (length > 0 && length < MAX_PATH) {
      const DWORD attributes = GetFileAttributesA(resolved);
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    }
    const DWORD found = SearchPathA(nullptr, name, nullptr, MAX_PATH, resolved, nullptr);
    if (found > 0 && found < MAX_PATH) return;
  }
  lstrcpynA(resolved, name, MAX_PATH);
}

namespace {

FileStamp StampOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file, &information)) return FileStamp{0, 0};
  return FileStamp{
      (static_cast<uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow,
      (static_cast<uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32) |
          information.ftLastWriteTime.dwLowDateTime};
}

}  // namespace

bool OpenSheetFile(const char* file, SheetFile& opened) {
  opened.handle = CreateFileA(file, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  opened.headBytes = 0;
  opened.headRead = false;
  opened.stamp = FileStamp{0, 0};
  if (opened.handle == INVALID_HANDLE_VALUE) return false;
  opened.stamp = StampOf(opened.handle);
  return true;
}

bool ReadSheetHead(SheetFile& opened) {
  if (opened.headRead) return true;
  DWORD read = 0;
  if (!ReadFile(opened.handle, opened.head, sizeof opened.head, &read, nullptr)) return false;
  opened.headBytes = read;
  opened.headRead = true;
  return true;
}

FileStamp StampNow(const SheetFile& opened) { return StampOf(opened.handle); }

void CloseSheetFile(SheetFile& opened) {
  if (opened.handle != INVALID_HANDLE_VALUE) CloseHandle(opened.handle);
  opened.handle = INVALID_HANDLE_VALUE;
}

HBITMAP LoadOpenedBitmap(HWND window, const char* file, SheetFile& opened, BITMAP* description) {
  if (!ReadSheetHead(opened) || BmpPixelsInFileHeader(opened.head, opened.headBytes))
    return nullptr;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  // Loaded as a DIB section, a 24- or 32-bit file keeps its own format and
  // the loader needs nothing besides its view of the file; loaded plain, it
  // also converts the whole picture in a buffer of its own first (2.75
  // copies of the sheet at 32 bits against 1.5, measured under Wine).
  // Only files that are whole are loaded so: Wine's loader reads a DIB
  // section's pixels wherever the header points, past the end of the file
  // too. Any other file loads plain, into the display's format, as ever.
  const UINT flags = IsWholeTrueColourBmp(opened.head, opened.headBytes, opened.stamp.size)
                         ? LR_LOADFROMFILE | LR_CREATEDIBSECTION
                         : LR_LOADFROMFILE;
  ++sheet.loaderCalls;
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(instance, file, IMAGE_BITMAP, 0, 0, flags));
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

// The held copy came from `file` and holds all of it: no save since its
// load can hide behind an unchanged stamp. The same name may mean another
// file once the current folder changed.
bool HeldCopyIsSettledFile(const char* file) {
  return strcmp(file, sheet.lastFile) == 0 && sheet.reloadTime == 0;
}

// Whether the held copy, untouched by any pass, is exactly what loading the
// opened `file`, named `name`, would give now.
bool HeldCopyIsTheOpenedFile(const char* name, const char* file, const SheetFile& opened) {
  const SheetIdentity wanted = {name, opened.stamp, 0, 0};
  return opened.handle != INVALID_HANDLE_VALUE && HeldCopyIsSettledFile(file) &&
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
  SheetFile opened;
  OpenSheetFile(file, opened);
  HBITMAP pixel = HeldCopyIsTheOpenedFile(path, file, opened) ? TopLeftPixelOf(frame.sheetDC)
                                                              : nullptr;
  if (pixel != nullptr) {
    HoldAsProbe(pixel);
  } else if (opened.handle != INVALID_HANDLE_VALUE) {
    BITMAP description;
    HBITMAP probe = LoadOpenedBitmap(panel, file, opened, &description);
    if (probe != nullptr) {
      HoldAsProbe(probe);
      pixel = TopLeftPixelOf(frame.probeDC);
      if (pixel != nullptr) HoldAsProbe(pixel);
    }
  }
  CloseSheetFile(opened);
  if (sheet.probeBitmap == nullptr) return RGB(0, 0, 0);
  return GetPixel(frame.probeDC, 0, 0);
}

}  // namespace

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
  // The name as the user gave it stays in the field, the title and
  // lastPath; the stamp, the checks, the load and the watch use the file
  // it resolves to.
  char file[MAX_PATH];
  ResolveSheetName(pathBuffer, file);
  SheetFile opened;
  OpenSheetFile(file, opened);  // a file that cannot be opened has the stamp 0, 0
  const SheetIdentity wanted = {pathBuffer, opened.stamp, key, background};
  // A clean copy, or no sheet at all, holds no keyed pixels.
  const bool heldIsKeyed = sheet.sheetBitmap != nullptr && !sheet.needsKeyPass;
  if (HeldCopyIsSettledFile(file) &&
      CanReuseSheet(wanted, HeldSheet(), heldIsKeyed, IsChecked(panel, IDC_TRANSPARENT))) {
    CloseSheetFile(opened);
    return true;
  }
  // A clean copy of the unchanged file is what a load would give: it stays
  // (no second copy held while one loads), and shows as a load does.
  if (HeldCopyIsTheOpenedFile(pathBuffer, file, opened)) {
    CloseSheetFile(opened);
    ShowSheetSize(panel);
    SetWindowTextA(panel, pathBuffer);
    return true;
  }

  const bool loaded =
      opened.handle != INVALID_HANDLE_VALUE && LoadIntoSheetDC(panel, file, opened);
  CloseSheetFile(opened);
  if (!loaded) {
    MessageBoxA(panel, "BMPファイル読みとりに失敗しました", "エラー", MB_ICONEXCLAMATION | MB_OK);
    return false;
  }
  SetWindowTextA(panel, pathBuffer);
  memcpy(sheet.lastPath, pathBuffer, kPathBufferSize);
  return true;
}

bool LoadIntoSheetDC(HWND panel, const char* file, SheetFile& opened) {
  const uint64_t loadStart = FileTimeNow();
  BITMAP description;
  HBITMAP bitmap = LoadOpenedBitmap(panel, file, opened, &description);
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
  sheet.lastFileStamp = opened.stamp;
  sheet.lookAgain = !SameStamp(StampNow(opened), opened.stamp);
  sheet.reloadTime = ReloadTimeForCoarseStamp(opened.stamp.lastWriteTime, loadStart);
  sheet.failedStamp = FileStamp{0, 0};
  if (file != sheet.lastFile) lstrcpynA(sheet.lastFile, file, MAX_PATH);
  WatchSheetFolder();
  ShowSheetSize(panel);
  return true;
}
