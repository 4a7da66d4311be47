// The sheet's DIB-section form and the key-colour pass: key-coloured pixels
// of the held sheet become the background colour. A sheet held as a 32-bit
// DIB section is changed in its own memory; any other bitmap goes through
// one small DIB section, a tile at a time, so the pass never needs more
// than that tile whatever the size.
#include <windows.h>

#include "app/frame_win.h"
#include "panel/controls_win.h"
#include "res/resource_ids.h"
#include "sheet/key_colour_core.h"
#include "sheet/sheet_win.h"

namespace {

constexpr int32_t kTileWidth = 1024;
constexpr int32_t kTileHeight = 256;  // 1 MiB of pixels

// GetPixel reports CLR_INVALID for a pixel it cannot read; such a key
// matches no pixel.
bool IsValidColour(COLORREF colour) { return colour <= 0x00FFFFFF; }

// A 32-bit top-down DIB section; null when the size is not positive or
// there is no room for it. Never asks for more than a 32-bit size can
// describe.
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

}  // namespace

uint64_t largestDibSectionBytes = PTRDIFF_MAX;

HBITMAP CopyToDibSection(HBITMAP loaded, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 ||
      static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > largestDibSectionBytes / 4)
    return nullptr;
  void* bits = nullptr;
  HBITMAP copy = CreateTopDownDibSection(width, height, &bits);
  if (copy == nullptr) return nullptr;
  HDC from = CreateCompatibleDC(frame.sheetDC);
  HDC to = CreateCompatibleDC(frame.sheetDC);
  HGDIOBJ fromOriginal = SelectObject(from, loaded);
  HGDIOBJ toOriginal = SelectObject(to, copy);
  // In bands of about a tile's pixels, in 64-bit steps: a sheet of another
  // format converted in one call passes through a second 32-bit copy of the
  // whole (measured under Wine), and a band's buffer may stay with the heap.
  const int64_t tilePixels = int64_t{kTileWidth} * kTileHeight;
  const int64_t bandRows = width < tilePixels ? tilePixels / width : 1;
  bool copied = true;
  for (int64_t top = 0; copied && top < height; top += bandRows) {
    const int rows = static_cast<int>(height - top < bandRows ? height - top : bandRows);
    const int y = static_cast<int>(top);
    copied = BitBlt(to, 0, y, width, rows, from, 0, y, SRCCOPY) != FALSE;
  }
  SelectObject(from, fromOriginal);
  SelectObject(to, toOriginal);
  DeleteDC(from);
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

bool ReplaceKeyColourInPlace(HBITMAP bitmap, COLORREF key, COLORREF background) {
  DIBSECTION dib;
  if (GetObjectA(bitmap, sizeof dib, &dib) != sizeof dib || dib.dsBm.bmBits == nullptr ||
      dib.dsBm.bmBitsPixel != 32)
    return false;
  GdiFlush();  // drawing into the section may still be queued
  // 32-bit rows have no padding: the pixels are one run, whichever way up.
  const int64_t height = dib.dsBm.bmHeight;
  const size_t rows = static_cast<size_t>(height < 0 ? -height : height);
  const size_t count = static_cast<size_t>(dib.dsBm.bmWidth) * rows;
  ReplaceKeyPixels(static_cast<uint32_t*>(dib.dsBm.bmBits), count, ColourToDibPixel(key),
                   ColourToDibPixel(background));
  return true;
}

void ReplaceKeyColourInTiles(HDC sheetDC, int32_t width, int32_t height, COLORREF key,
                             COLORREF background) {
  if (width <= 0 || height <= 0) return;
  void* bits = nullptr;
  HBITMAP tile = CreateTopDownDibSection(kTileWidth, kTileHeight, &bits);
  if (tile == nullptr) return;
  HDC tileDC = CreateCompatibleDC(sheetDC);
  HGDIOBJ original = SelectObject(tileDC, tile);
  auto* pixels = static_cast<uint32_t*>(bits);
  const uint32_t keyPixel = ColourToDibPixel(key);
  const uint32_t backgroundPixel = ColourToDibPixel(background);
  // 64-bit steps: the last tile's end may lie past the largest int.
  for (int64_t top = 0; top < height; top += kTileHeight) {
    const int rows = static_cast<int>(height - top < kTileHeight ? height - top : kTileHeight);
    for (int64_t left = 0; left < width; left += kTileWidth) {
      const int columns = static_cast<int>(width - left < kTileWidth ? width - left : kTileWidth);
      const int x = static_cast<int>(left), y = static_cast<int>(top);
      BitBlt(tileDC, 0, 0, columns, rows, sheetDC, x, y, SRCCOPY);
      GdiFlush();
      bool replaced = false;
      for (int row = 0; row < rows; ++row)
        replaced |= ReplaceKeyPixels(pixels + static_cast<size_t>(row) * kTileWidth,
                                     static_cast<size_t>(columns), keyPixel, backgroundPixel);
      if (replaced) BitBlt(sheetDC, x, y, columns, rows, tileDC, 0, 0, SRCCOPY);
    }
  }
  SelectObject(tileDC, original);
  DeleteDC(tileDC);
  DeleteObject(tile);
}

void ApplyKeyColour(HWND panel, HDC sheetDC, int32_t width, int32_t height, COLORREF keyColour,
                    COLORREF backgroundColour) {
  if (!sheet.needsKeyPass) return;
  SetWindowTextA(frame.mainWindow, "透明色を適用中です。しばらくお待ちください。");
  const COLORREF key = IsChecked(panel, IDC_KEY_FROM_CORNER) ? GetPixel(sheetDC, 0, 0) : keyColour;
  if (IsValidColour(key) && sheet.sheetBitmap != nullptr &&
      !ReplaceKeyColourInPlace(sheet.sheetBitmap, key, backgroundColour))
    ReplaceKeyColourInTiles(sheetDC, width, height, key, backgroundColour);
  sheet.lastKeyColour = key;
  sheet.lastBackgroundColour = backgroundColour;
  sheet.needsKeyPass = false;
}
