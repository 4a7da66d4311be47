// The sheet's DIB-section form and the key-colour pass: key-coloured pixels
// of the held sheet become the background colour. A sheet that loaded as a
// 24- or 32-bit DIB section is changed in its own memory; any other is
// first replaced by a 32-bit DIB-section copy of the clean sheet, and with
// no room for the copy the loaded bitmap goes through one small DIB
// section, a tile at a time, so the pass never needs more than that tile
// whatever the size.
#include <windows.h>

#include "app/frame_win.h"
#include "panel/controls_win.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "sheet/key_colour_core.h"
#include "sheet/key_pass_win.h"
#include "sheet/sheet_win.h"

namespace {

constexpr int32_t kTileWidth = 1024;
constexpr int32_t kTileHeight = 256;  // 1 MiB of pixels

// GetPixel reports CLR_INVALID for a pixel it cannot read; such a key
// matches no pixel.
bool IsValidColour(COLORREF colour) { return colour <= 0x00FFFFFF; }

}  // namespace

HBITMAP CreateTopDownDibSection(int32_t width, int32_t height, void** bits) {
  if (width <= 0 || height <= 0 ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > PTRDIFF_MAX / 4)
    return nullptr;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: row 0 first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

uint64_t largestDibSectionBytes = PTRDIFF_MAX;

HBITMAP CopyToDibSection(HBITMAP loaded, HDC heldIn, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > largestDibSectionBytes / 4)
    return nullptr;
  void* bits = nullptr;
  HBITMAP copy = CreateTopDownDibSection(width, height, &bits);
  if (copy == nullptr) return nullptr;
  // A bitmap is selected into one DC at a time: a held one is copied
  // straight out of its DC, a free one through a DC of its own.
  HDC from = heldIn != nullptr ? heldIn : CreateCompatibleDC(frame.sheetDC);
  HDC to = CreateCompatibleDC(from);
  HGDIOBJ fromOriginal = heldIn != nullptr ? nullptr : SelectObject(from, loaded);
  HGDIOBJ toOriginal = SelectObject(to, copy);
  // In bands of about a tile's pixels, in 64-bit steps: a sheet of another
  // format converted in one call passes through a second 32-bit copy of the
  // whole (measured under Wine), and a band's buffer may stay with the heap.
  const int64_t tilePixels = int64_t{kTileWidth} * kTileHeight;
  const int64_t bandRows = width < tilePixels ? tilePixels / width : 1;
  bool copied = heldIn != nullptr || fromOriginal != nullptr;
  for (int64_t top = 0; copied && top < height; top += bandRows) {
    const int rows = static_cast<int>(height - top < bandRows ? height - top : bandRows);
    const int y = static_cast<int>(top);
    copied = BitBlt(to, 0, y, width, rows, from, 0, y, SRCCOPY) != FALSE;
  }
  if (heldIn == nullptr) {
    if (fromOriginal != nullptr) SelectObject(from, fromOriginal);
    DeleteDC(from);
  }
  SelectObject(to, toOriginal);
  DeleteDC(to);
  if (!copied) {
    DeleteObject(copy);
    return nullptr;
  }
  return copy;
}

void ReplaceKeyColourPerPixel(HDC sheetDC, int32_t width, int32_t height, COLORREF key,
                              COLORREF background) {
  for (int32_t x = 0; x < width; ++x)
    for (int32_t y = 0; y < height; ++y)
      if (GetPixel(sheetDC, x, y) == key) SetPixel(sheetDC, x, y, background);
}

namespace {

// A 24- or 32-bit DIB section's pixels in its own memory; false when the
// bitmap is not one.
bool IsKeyableDibSection(HBITMAP bitmap, DIBSECTION* dib) {
  return GetObjectA(bitmap, sizeof *dib, dib) == sizeof *dib && dib->dsBm.bmBits != nullptr &&
         dib->dsBm.bmWidth > 0 && (dib->dsBm.bmBitsPixel == 32 || dib->dsBm.bmBitsPixel == 24);
}

}  // namespace

bool ReplaceKeyColourInPlace(HBITMAP bitmap, COLORREF key, COLORREF background) {
  DIBSECTION dib;
  if (!IsKeyableDibSection(bitmap, &dib)) return false;
  GdiFlush();  // drawing into the section may still be queued
  // Every row is keyed, so which way up they lie does not matter.
  const int64_t height = dib.dsBm.bmHeight;
  const size_t rows = static_cast<size_t>(height < 0 ? -height : height);
  const size_t width = static_cast<size_t>(dib.dsBm.bmWidth);
  if (dib.dsBm.bmBitsPixel == 32) {  // rows without padding: one run
    ReplaceKeyPixels(static_cast<uint32_t*>(dib.dsBm.bmBits), width * rows,
                     ColourToDibPixel(key), ColourToDibPixel(background));
  } else {  // three bytes a pixel, each row padded to whole 32-bit words
    const size_t stride = (width * 3 + 3) & ~size_t{3};
    ReplaceKeyPixels24(static_cast<uint8_t*>(dib.dsBm.bmBits), width, rows, stride,
                       ColourToDibPixel(key), ColourToDibPixel(background));
  }
  return true;
}

bool ReplaceKeyColourInTiles(HDC sheetDC, int32_t width, int32_t height, COLORREF key,
                             COLORREF background) {
  if (width <= 0 || height <= 0) return true;  // no pixel to visit
  void* bits = nullptr;
  HBITMAP tile = CreateTopDownDibSection(kTileWidth, kTileHeight, &bits);
  if (tile == nullptr) return false;
  HDC tileDC = CreateCompatibleDC(sheetDC);
  HGDIOBJ original = SelectObject(tileDC, tile);
  auto* pixels = static_cast<uint32_t*>(bits);
  const uint32_t keyPixel = ColourToDibPixel(key);
  // The colour the sheet's bitmap holds in place of the background, as
  // SetPixel would store it: a monochrome sheet takes the nearer of black
  // and white, where the copy back would make every other colour black.
  const COLORREF stored = GetNearestColor(sheetDC, background);
  const uint32_t backgroundPixel = ColourToDibPixel(IsValidColour(stored) ? stored : background);
  bool copied = true;
  // 64-bit steps: the last tile's end may lie past the largest int.
  for (int64_t top = 0; top < height && copied; top += kTileHeight) {
    const int rows = static_cast<int>(height - top < kTileHeight ? height - top : kTileHeight);
    for (int64_t left = 0; left < width && copied; left += kTileWidth) {
      const int columns = static_cast<int>(width - left < kTileWidth ? width - left : kTileWidth);
      const int x = static_cast<int>(left), y = static_cast<int>(top);
      copied = BitBlt(tileDC, 0, 0, columns, rows, sheetDC, x, y, SRCCOPY) != FALSE;
      if (!copied) break;
      GdiFlush();
      bool replaced = false;
      for (int row = 0; row < rows; ++row)
        replaced |= ReplaceKeyPixels(pixels + static_cast<size_t>(row) * kTileWidth,
                                     static_cast<size_t>(columns), keyPixel, backgroundPixel);
      if (replaced) copied = BitBlt(sheetDC, x, y, columns, rows, tileDC, 0, 0, SRCCOPY) != FALSE;
    }
  }
  SelectObject(tileDC, original);
  DeleteDC(tileDC);
  DeleteObject(tile);
  return copied;
}

namespace {

// Puts a 32-bit DIB-section copy of the held sheet in its place, so the pass
// can work in its memory. The held sheet is a clean copy until the pass
// runs, so the copy holds the file's pixels as the loaded bitmap does. With
// no room for it the loaded bitmap stays.
void HoldAsDibSection(HDC sheetDC, int32_t width, int32_t height) {
  // A 24- or 32-bit sheet may have loaded as a DIB section of its own
  // format already: it is keyed in its own memory, without a second copy.
  DIBSECTION dib;
  if (IsKeyableDibSection(sheet.sheetBitmap, &dib)) return;
  HBITMAP copy = CopyToDibSection(sheet.sheetBitmap, sheetDC, width, height);
  if (copy == nullptr) return;
  if (SelectObject(sheetDC, copy) == nullptr) {
    DeleteObject(copy);
    return;
  }
  DeleteObject(sheet.sheetBitmap);
  sheet.sheetBitmap = copy;
}

}  // namespace

void ApplyKeyColour(HWND panel, HDC sheetDC, int32_t width, int32_t height, COLORREF keyColour,
                    COLORREF backgroundColour) {
  KeySheet(sheetDC, width, height, IsChecked(panel, IDC_KEY_FROM_CORNER), keyColour,
           backgroundColour);
}

void KeySheet(HDC sheetDC, int32_t width, int32_t height, bool keyFromCorner, COLORREF keyColour,
              COLORREF backgroundColour) {
  if (!sheet.needsKeyPass) return;
  SetWindowTextA(frame.mainWindow, TEXT_KEY_PASS_WAIT);
  if (sheet.sheetBitmap != nullptr) HoldAsDibSection(sheetDC, width, height);
  // The corner is read from the surface the pass compares, so it matches.
  const COLORREF key = keyFromCorner ? GetPixel(sheetDC, 0, 0) : keyColour;
  bool done = true;
  if (IsValidColour(key) && sheet.sheetBitmap != nullptr)
    done = ReplaceKeyColourInPlace(sheet.sheetBitmap, key, backgroundColour) ||
           ReplaceKeyColourInTiles(sheetDC, width, height, key, backgroundColour);
  if (!done) {
    // Keyed in part, perhaps: still marked for a pass, and no key equals
    // CLR_INVALID, so the next load takes a clean copy instead of reusing.
    sheet.lastKeyColour = CLR_INVALID;
    return;
  }
  sheet.lastKeyColour = key;
  sheet.lastBackgroundColour = backgroundColour;
  sheet.needsKeyPass = false;
}
