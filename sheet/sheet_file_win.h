// The sprite sheet's file on disk: the file a name means, one look at it
// (opened once, its stamp and its first bytes), the loader behind the rule
// of what it may see, the clock as file times count it, and the change
// notification on a folder. It calls nothing else of the sheet: the sheet
// load and the watch both build on it.
#ifndef PELLOWRICK_SHEET_FILE_WIN_H
#define PELLOWRICK_SHEET_FILE_WIN_H

#include <windows.h>

#include "sheet/sheet_file_core.h"

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
// False when the file cannot be opened; the handle is then invalid and the
// stamp 0, 0.
bool OpenSheetFile(const char* file, SheetFile& opened);
// Reads the first bytes once; false when they cannot be read.
bool ReadSheetHead(SheetFile& opened);
FileStamp StampNow(const SheetFile& opened);
void CloseSheetFile(SheetFile& opened);

// LoadImageA from the opened file (named `file`) at its own size; fills
// `description` on success. A file whose pixels lie inside its file header
// is refused before the loader sees it. A whole, uncompressed 24- or
// 32-bit file loads as a DIB section of its own format, any other in the
// display's format.
HBITMAP LoadOpenedBitmap(HWND window, const char* file, SheetFile& opened, BITMAP* description);

// Files handed to LoadImageA so far, by every load; tests and the
// benchmark count them.
extern uint32_t loaderCalls;

// The system time as a file time (100 ns steps), as stamps count it.
uint64_t FileTimeNow();

// The folder `file` lies in, with its closing backslash; false when it
// cannot be named.
bool FolderOf(const char* file, char folder[MAX_PATH]);
// A change notification on `folder` for files written, resized, made,
// renamed or deleted in it; null when the folder cannot be watched.
HANDLE NotifyChangesIn(const char* folder);
// Whether the folder reported a change since the last call. The
// notification is armed again at once, so a change made while the caller
// looks at the file is reported next time.
bool FolderReportedChange(HANDLE notification);
void StopNotifying(HANDLE notification);

#endif
