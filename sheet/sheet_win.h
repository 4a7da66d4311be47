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
  char lastPath[kPathBufferSize];    // as the user named it
  char lastFile[MAX_PATH];           // lastPath resolved: the file the held copy came from
  FileStamp lastFileStamp;           // of lastFile, read just before it loaded
  COLORREF lastKeyColour;
  COLORREF lastBackgroundColour;     // what the last pass put in place of the key
  bool needsKeyPass;
  uint32_t lastCheckTime;            // tick count of the tick's last look at the file
  bool lookAgain;                    // the next look is due by time alone
  uint64_t reloadTime;               // file time to load the copy once more; 0 none
  FileStamp failedStamp;             // of the last file the tick's look did not load
  HANDLE folderWatch;                // change notification on lastFile's folder, or null
  char watchedFolder[MAX_PATH];
  uint32_t loaderCalls;              // files handed to LoadImageA, the probe's too
};

extern SheetState sheet;

// The file a sheet name means: a relative name that names a file in the
// current folder means that file (its full name); otherwise the file the
// platform's search finds (the program's folder first, as LoadImageA
// searches); failing both, the name as given.
void ResolveSheetName(const char* name, char resolved[MAX_PATH]);

// One look at a sheet's file: opened once, shared every way (a paint
// program may go on writing, renaming or deleting it), its stamp, and its
// first bytes when read.
struct SheetFile {
  HANDLE handle;
  FileStamp stamp;
  uint8_t head[kBmpHeadBytes];
  size_t headBytes;
  bool headRead;
};
// False when the file cannot be opened; the handle is then invalid.
bool OpenSheetFile(const char* file, SheetFile& opened);
// Reads the first bytes once; false when they cannot be read.
bool ReadSheetHead(SheetFile& opened);
FileStamp StampNow(const SheetFile& opened);
void CloseSheetFile(SheetFile& opened);

// LoadImageA from the opened file (named `file`) at its own size; fills
// `description` on success. A file whose pixels lie inside its file header
// is refused before the loader sees it.
HBITMAP LoadOpenedBitmap(HWND window, const char* file, SheetFile& opened, BITMAP* description);

// Loads (or reuses) the sheet named by control 1000; `pathBuffer` names the
// probe file on entry and holds the text of 1000 on return. Shows its own
// message and returns false when the file does not load.
bool LoadSheet(HWND panel, char pathBuffer[kPathBufferSize]);

// Loads the opened file, named `file` (resolved), into the sheet DC in place
// of the held sheet, as a clean copy with the stamp read at the open, and
// shows its size in 1006; false, with nothing changed, when it does not
// load. Shows no message. When the stamp has moved by the end of the load
// the next look loads the file again.
bool LoadIntoSheetDC(HWND panel, const char* file, SheetFile& opened);

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

// Called by every playback tick: puts the held sheet's file in place of the
// held copy when it has changed, is whole and loads, keyed again when the
// copy it replaces was keyed. The file is looked at when its folder reports
// a change, at most every 300 ms; where the folder cannot be watched, every
// 300 ms. A file that did not load is tried again only once it changes.
void ReloadChangedSheet();

// The change notification on the held sheet's folder: armed for lastFile's
// folder (the previous one closed when the folder differs), and closed at
// teardown.
void WatchSheetFolder();
void StopWatchingSheetFolder();

// The system time as a file time (100 ns steps), as stamps count it.
uint64_t FileTimeNow();

// A 32-bit top-down DIB section; null when the size is not positive or
// there is no room for it. Never asks for more than a 32-bit size can
// describe.
HBITMAP CreateTopDownDibSection(int32_t width, int32_t height, void** bits);

// The largest sheet, in bytes of 32-bit pixels, that the key pass copies
// into a DIB section; a larger one stays as loaded and is keyed tile by
// tile. Tests lower it.
extern uint64_t largestDibSectionBytes;

// The loaded bitmap copied into a new DIB section of its size, which the key
// pass can change in place; `heldIn` is the DC the bitmap is selected into,
// or null for a bitmap no DC holds. Null when it is larger than the limit
// above or there is no room for it.
HBITMAP CopyToDibSection(HBITMAP loaded, HDC heldIn, int32_t width, int32_t height);

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
