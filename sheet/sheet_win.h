// The sprite sheet: loading, the reuse test, the probe and the key pass.
#ifndef PELLOWRICK_SHEET_WIN_H
#define PELLOWRICK_SHEET_WIN_H

#include <windows.h>

#include "app/command_line_core.h"
#include "sheet/bmp_header_core.h"
#include "sheet/key_colour_core.h"

struct SheetState {
  HBITMAP sheetBitmap;
  int32_t sheetWidth;
  int32_t sheetHeight;
  HBITMAP probeBitmap;
  char lastPath[kPathBufferSize];
  FileStamp lastFileStamp;           // of lastPath, read just before it loaded
  COLORREF lastKeyColour;
  COLORREF lastBackgroundColour;     // what the last pass put in place of the key
  bool needsKeyPass;
  uint32_t lastCheckTime;            // tick count of the tick's last look at the file
};

extern SheetState sheet;

// Whether a BMP file meets a rule over its first bytes (up to
// kBmpHeadBytes) and its size, read without keeping anyone else from the
// file; false when it cannot be read.
using BmpHeadRule = bool (*)(const uint8_t* head, size_t headBytes, uint64_t fileSize);
bool BmpFileMeets(const char* path, BmpHeadRule rule);

// LoadImageA from a file at its own size; fills `description` on success.
HBITMAP LoadBitmapFile(HWND window, const char* path, BITMAP* description);

// Loads (or reuses) the sheet named by control 1000; `pathBuffer` names the
// probe file on entry and holds the text of 1000 on return. Shows its own
// message and returns false when the file does not load.
bool LoadSheet(HWND panel, char pathBuffer[kPathBufferSize]);

// The size and last-write time of a file, as the reuse test compares them.
FileStamp StampOf(const char* path);

// Loads the file into the sheet DC in place of the held sheet, as a clean
// copy with `stamp` (read just before), and shows its size in 1006; false,
// with nothing changed, when it does not load. Shows no message.
bool LoadIntoSheetDC(HWND panel, const char* path, FileStamp stamp);

// Replaces the key colour by the background in the held sheet, once per
// clean copy (needsKeyPass). A sheet that loaded as a 24- or 32-bit DIB
// section is keyed in its own memory; any other is first replaced, in the
// sheet DC and in sheetBitmap, by its 32-bit DIB-section copy and keyed in
// its memory; with no room for the copy it is keyed tile by tile as
// loaded. The key and background are recorded and needsKeyPass cleared only
// when the pass ran to its end; after a failure the next load takes a clean
// copy.
void ApplyKeyColour(HWND panel, HDC sheetDC, int32_t width, int32_t height,
                    COLORREF keyColour, COLORREF backgroundColour);

// The same with the key's source given: the sheet's top-left pixel, or
// `keyColour`.
void KeySheet(HDC sheetDC, int32_t width, int32_t height, bool keyFromCorner, COLORREF keyColour,
              COLORREF backgroundColour);

// Called by every playback tick: at most every 300 ms, puts the held
// sheet's file in place of the held copy when it has changed, is whole and
// loads, keyed again when the copy it replaces was keyed.
void ReloadChangedSheet();

// A 32-bit top-down DIB section; null when the size is not positive or
// there is no room for it. Never asks for more than a 32-bit size can
// describe.
HBITMAP CreateTopDownDibSection(int32_t width, int32_t height, void** bits);

// The largest sheet, in bytes of 32-bit pixels, that the key pass copies
// into a DIB section; a larger one stays as loaded and is keyed tile by
// tile. Tests lower it.
extern uint64_t largestDibSectionBytes;

// The loaded bitmap (free, or the one in the sheet DC) copied into a new
// DIB section of its size, which the key pass can change in place; null
// when it is larger than the limit above or there is no room for it.
HBITMAP CopyToDibSection(HBITMAP loaded, int32_t width, int32_t height);

// The per-pixel GetPixel/SetPixel pass; kept as the reference for tests
// and the benchmark.
void ReplaceKeyColourPerPixel(HDC sheetDC, int32_t width, int32_t height, COLORREF key,
                              COLORREF background);

// The pass over a 24- or 32-bit DIB section's own memory (a 24-bit row's
// padding untouched); false, with nothing done, when the bitmap is not one.
bool ReplaceKeyColourInPlace(HBITMAP bitmap, COLORREF key, COLORREF background);

// The pass over any bitmap selected into `sheetDC`, through one small DIB
// section a tile at a time; the background goes in as the nearest colour
// the bitmap holds. False when the tile cannot be made or a copy between it
// and the sheet fails; the sheet may then be keyed in part.
bool ReplaceKeyColourInTiles(HDC sheetDC, int32_t width, int32_t height, COLORREF key,
                             COLORREF background);

#endif
