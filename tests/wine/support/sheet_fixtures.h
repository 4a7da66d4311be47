// What the sheet's tests share: the plain 13 x 7 sheet and the 16 x 8
// strip they load, the key and transparency settings of the panel, a sheet
// load as Start makes it, and ways to read the held sheet's pixels and
// bitmaps.
#ifndef PELLOWRICK_TESTS_SHEET_FIXTURES_H
#define PELLOWRICK_TESTS_SHEET_FIXTURES_H

#include "tests/wine/support/fixtures.h"

#include <cstdio>
#include <string>
#include <vector>

// The main window's title while the key pass runs.
inline constexpr char kWaitTitle[] = TEXT_KEY_PASS_WAIT;

// A 13 x 7 sheet: the top-left colour recurs in every third column, the
// other pixels differ from it and from each other's neighbours.
inline constexpr COLORREF kCorner = RGB(200, 10, 30);
inline COLORREF PlainPixel(int x, int y) { return x % 3 == 0 ? kCorner : RGB(x * 10, y * 20, 77); }

// A 16 x 8 strip of two 8 x 8 cells; every fourth diagonal is the key.
inline constexpr COLORREF kCellColour[] = {RGB(200, 0, 0), RGB(0, 0, 200)};
inline constexpr COLORREF kStripKey = RGB(50, 60, 70);
inline COLORREF StripPixel(int x, int y) {
  return (x + y) % 4 == 0 ? kStripKey : kCellColour[x / 8];
}

inline HWND Panel() { return frame.panel; }
inline void SetTransparency(bool on) { SetChecked(Panel(), IDC_TRANSPARENT, on); }

// Where a load takes its key: the top-left pixel (IDC_KEY_FROM_CORNER), or
// the fields (IDC_KEY_FROM_FIELDS) IDC_KEY_BLUE, IDC_KEY_GREEN and
// IDC_KEY_RED, typed in that order.
struct Key {
  bool corner;
  UINT blue, green, red;
};
inline constexpr Key kFromCorner = {true, 0, 0, 0};
inline Key Typed(UINT blue, UINT green, UINT red) { return {false, blue, green, red}; }
inline Key Typed(COLORREF key) { return Typed(GetBValue(key), GetGValue(key), GetRValue(key)); }
inline void UseKey(const Key& key) {
  SetChecked(Panel(), IDC_KEY_FROM_CORNER, key.corner);
  SetChecked(Panel(), IDC_KEY_FROM_FIELDS, !key.corner);
  if (key.corner) return;
  WriteField(Panel(), IDC_KEY_BLUE, key.blue);
  WriteField(Panel(), IDC_KEY_GREEN, key.green);
  WriteField(Panel(), IDC_KEY_RED, key.red);
}

// A sheet load as the settings reader makes it: the path field, IDC_PATH,
// holds the path and the buffer handed over is a copy of it.
inline bool LoadPath(const std::string& path) {
  SetControlText(IDC_PATH, path.c_str());
  char buffer[kPathBufferSize] = {};
  snprintf(buffer, sizeof buffer, "%s", path.c_str());
  return LoadSheet(Panel(), buffer);
}

// The panel's background in the sheet's tests, and the one the passes key
// with, so that a keyed sheet meets the reuse test.
inline constexpr COLORREF kPanelBackground = RGB(1, 2, 3);
// The key pass over the held sheet, with the panel's key source.
inline void ApplyKey(COLORREF key, COLORREF background) {
  ApplyKeyColour(Panel(), frame.sheetDC, sheet.sheetWidth, sheet.sheetHeight, key, background);
}

// The sheet with 8 x 8 cells, the interval and the frame list, looping for
// ever.
inline void SetUpPlayback(const std::string& path, const char* frameList, int interval) {
  SetSheet(path, 8, 8, interval);
  SetFields({{IDC_FRAME_LIST, frameList}, {IDC_LOOP_COUNT, "0"}});
}

// Sets a file's last-write time; false when it cannot.
inline bool SetWriteTime(const std::string& path, ULONGLONG time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const FILETIME written = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  const bool set = SetFileTime(file, nullptr, nullptr, &written) != FALSE;
  CloseHandle(file);
  return set;
}
// Sets a file's last-write time `seconds` later than it is.
inline void TouchLater(const std::string& path, int seconds) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
  const FILETIME& written = data.ftLastWriteTime;
  const ULONGLONG time = (ULONGLONG{written.dwHighDateTime} << 32) | written.dwLowDateTime;
  ASSERT_TRUE(SetWriteTime(path, time + static_cast<ULONGLONG>(seconds) * 10000000u));
}

// The 16 x 8 strip rewritten, `laterSeconds` later: the pixels where
// StripPixel has its key take `keyPixels`, all others `cells`.
inline void RewriteStrip(const std::string& path, COLORREF keyPixels, COLORREF cells,
                         int laterSeconds) {
  WriteBmp(path, 16, 8, 24,
           [&](int x, int y) { return StripPixel(x, y) == kStripKey ? keyPixels : cells; });
  TouchLater(path, laterSeconds);
}

// Colours every palette depth can hold exactly: 2 at 1 bit, 16 at 4, 256
// at 8 and more.
inline std::vector<COLORREF> PaletteFor(int bitsPerPixel) {
  if (bitsPerPixel == 1) return {RGB(12, 34, 56), RGB(250, 128, 7)};
  std::vector<COLORREF> palette = {
      RGB(0, 0, 0),     RGB(255, 255, 255), RGB(255, 0, 0),   RGB(0, 255, 0),
      RGB(0, 0, 255),   RGB(12, 34, 56),    RGB(13, 34, 56),  RGB(12, 35, 56),
      RGB(12, 34, 57),  RGB(250, 128, 7),   RGB(1, 1, 1),     RGB(128, 128, 128),
      RGB(99, 0, 199),  RGB(7, 77, 177),    RGB(254, 254, 254), RGB(60, 200, 90)};
  for (int i = 16; i < 256 && bitsPerPixel > 4; ++i)
    palette.push_back(RGB(i, 255 - i, (i * 7) & 0xFF));
  return palette;
}

// A bitmap's pixels, row by row, and the held sheet's.
inline std::vector<COLORREF> PixelsOf(HBITMAP bitmap, int width, int height) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteDC(dc);
  return pixels;
}
inline std::vector<COLORREF> SheetPixels() {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < sheet.sheetHeight; ++y)
    for (int x = 0; x < sheet.sheetWidth; ++x) pixels.push_back(SheetPixel(x, y));
  return pixels;
}

inline bool IsLiveBitmap(HBITMAP bitmap) { return GetObjectType(bitmap) == OBJ_BITMAP; }
inline bool IsDibSection(HBITMAP bitmap, int bitsPerPixel = 32) {
  DIBSECTION dib;
  return GetObjectA(bitmap, sizeof dib, &dib) == sizeof dib &&
         dib.dsBm.bmBitsPixel == bitsPerPixel;
}
inline HBITMAP BitmapInSheetDC() {
  return static_cast<HBITMAP>(GetCurrentObject(frame.sheetDC, OBJ_BITMAP));
}

// The program around each test, on the sheet tests' background, with the
// plain sheet written.
class SheetTest : public WithProgram {
 protected:
  void SetUp() override {
    WithProgram::SetUp();
    SetBackground(kPanelBackground);
  }
  // A fresh program, as at the start of the test.
  void StartAgain() {
    StopProgram();
    SetUp();
  }
  const std::string plainPath_ = WriteSheet("plain.bmp", 13, 7, PlainPixel);
};

#endif
