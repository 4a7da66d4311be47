// The sprite sheet: the held copy and where it came from, its load (with
// the reuse test and the key-colour probe) and the key-colour pass. The
// file on disk is sheet_file_win.h's, the tick's look at an edited file
// sheet_watch_win.h's, and the pass's own steps key_pass_win.h's.
#ifndef PELLOWRICK_SHEET_WIN_H
#define PELLOWRICK_SHEET_WIN_H

#include <windows.h>

#include "app/command_line_core.h"
#include "sheet/sheet_file_core.h"
#include "sheet/sheet_file_win.h"

// Where the held copy came from, as its load recorded it. Only the load
// writes it; the watch reads it to know which file to watch and when to
// look at it again.
struct SheetSource {
  char lastPath[kPathBufferSize];  // the name as the user gave it
  char file[MAX_PATH];             // lastPath resolved: the file the copy came from
  FileStamp stamp;                 // of that file, as it was read
  uint64_t stampFirstLoaded;       // when the first copy with this stamp began to load
  uint64_t reloadTime;             // when to load once more, for a save its coarse stamp may hide; 0: none
  uint32_t loads;                  // one more for every copy loaded
};

// The held sheet: the bitmap in the sheet DC, its size, the probe's
// bitmap in the probe DC, and what the last key pass did.
struct SheetState {
  HBITMAP sheetBitmap;
  int32_t sheetWidth;
  int32_t sheetHeight;
  HBITMAP probeBitmap;
  COLORREF lastKeyColour;
  COLORREF lastBackgroundColour;  // what the last pass put in place of the key
  bool needsKeyPass;              // a clean copy no pass has touched
  COLORREF cleanCorner;           // the copy's top-left pixel as it loaded, before any pass
  SheetSource source;
};

extern SheetState sheet;

// Loads (or reuses) the sheet named by the path field; `pathBuffer` names
// the probe file on entry and holds the text of the path field on return.
// With the key from the top-left pixel, that pixel comes from the copy the
// call loads, or from the held copy when the file is the one it came from,
// unchanged; only a probe of another file loads a copy of its own. Shows
// its own message and returns false when the file does not load.
bool LoadSheet(HWND panel, char pathBuffer[kPathBufferSize]);

// Reads `file` (resolved) into the sheet DC in place of the held sheet, as a
// clean copy, and shows its size in the size label; a file whose stamp
// moves while it is read is read again, `reads` times in all at most.
// Returns the last read; its bitmap, when there is one, is the held
// sheet's now. Nothing changes when it gives none. Shows no message.
SheetRead LoadIntoSheetDC(HWND panel, const char* file, int reads);

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

#endif
