// The key-colour pass: key-coloured pixels of the held sheet become the
// background colour, read and written in bulk, band by band.
#include <windows.h>

#include <vector>

#include "app/app_state_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"
#include "sheet/key_colour_core.h"
#include "sheet/sheet_win.h"

namespace {

// Keeps the pass's pixel buffer small whatever size the sheet claims.
constexpr size_t kBandBudgetBytes = 4u << 20;

// GetPixel reports CLR_INVALID for a pixel it cannot read; such a key
// matches no pixel.
bool IsValidColour(COLORREF colour) { return colour <= 0x00FFFFFF; }

}  // namespace

void ReplaceKeyColourPerPixel(HDC sheetDC, int32_t width, int32_t height, COLORREF key,
                              COLORREF background) {
  for (int32_t x = 0; x < width; ++x)
    for (int32_t y = 0; y < height; ++y)
      if (GetPixel(sheetDC, x, y) == key) SetPixel(sheetDC, x, y, background);
}

void ReplaceKeyColourInBands(HBITMAP bitmap, int32_t width, int32_t height, COLORREF key,
                             COLORREF background) {
  const int32_t rowsPerBand = RowsPerBand(width, height, kBandBudgetBytes);
  if (rowsPerBand <= 0) return;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;  // bottom-up: scan line 0 is the bottom row
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(rowsPerBand));
  const uint32_t keyPixel = ColourToDibPixel(key);
  const uint32_t backgroundPixel = ColourToDibPixel(background);
  HDC screen = GetDC(nullptr);
  for (int32_t first = 0; first < height; first += rowsPerBand) {
    const int32_t rows = height - first < rowsPerBand ? height - first : rowsPerBand;
    if (GetDIBits(screen, bitmap, first, rows, pixels.data(), &info, DIB_RGB_COLORS) != rows)
      continue;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(rows);
    if (ReplaceKeyPixels(pixels.data(), count, keyPixel, backgroundPixel) > 0)
      SetDIBits(screen, bitmap, first, rows, pixels.data(), &info, DIB_RGB_COLORS);
  }
  ReleaseDC(nullptr, screen);
}

void ApplyKeyColour(HWND panel, HDC sheetDC, int32_t width, int32_t height, COLORREF keyColour,
                    COLORREF backgroundColour) {
  if (!sheet.needsKeyPass) return;
  SetWindowTextA(frame.mainWindow, "透明色を適用中です。しばらくお待ちください。");
  const COLORREF key = IsChecked(panel, IDC_KEY_FROM_CORNER) ? GetPixel(sheetDC, 0, 0) : keyColour;
  if (IsValidColour(key) && width > 0 && height > 0 && sheet.sheetBitmap != nullptr) {
    if (RowsPerBand(width, height, kBandBudgetBytes) > 0) {
      // GetDIBits and SetDIBits want the bitmap out of every DC meanwhile.
      HBITMAP standIn = CreateCompatibleBitmap(sheetDC, 1, 1);
      SelectObject(sheetDC, standIn);
      ReplaceKeyColourInBands(sheet.sheetBitmap, width, height, key, backgroundColour);
      SelectObject(sheetDC, sheet.sheetBitmap);
      DeleteObject(standIn);
    } else {
      // A single row wider than the band budget: pixel by pixel.
      ReplaceKeyColourPerPixel(sheetDC, width, height, key, backgroundColour);
    }
  }
  sheet.lastKeyColour = key;
  sheet.lastBackgroundColour = backgroundColour;
  sheet.needsKeyPass = false;
}
