// The sprite sheet's file on disk: the file a name means, one open of it
// (its stamp and its first bytes), the loader behind the rule of what it
// may see, the clock as file times count it, and the change notification
// on a folder. It calls nothing else of the sheet: the sheet load and the
// watch both build on it.
#ifndef PELLOWRICK_SHEET_FILE_WIN_H
#define PELLOWRICK_SHEET_FILE_WIN_H

#include <windows.h>

#include "sheet/sheet_file_core.h"

// The file a sheet name means: a relative name that names a file in the
// current folder means that file (its full name); otherwise the file the
// platform's search finds (the program's folder first, as LoadImageA
// searches); failing both, the name as given.
void ResolveSheetName(const char* name, char resolved[MAX_PATH]);

// One open of a sheet's file: its handle, its stamp, and its first bytes
// when read.
struct SheetFile {
  HANDLE handle;
  FileStamp stamp;
  uint8_t head[kBmpHeadBytes];
  size_t headBytes;
  bool headRead;
};
// A look at the file, shared every way: a paint program may go on writing,
// renaming or deleting it. False when the file cannot be opened; the
// handle is then invalid and the stamp 0, 0.
bool OpenSheetFile(const char* file, SheetFile& opened);
// The file held for a load: others may read it meanwhile, but no writer can
// open it, cut it, rename it or delete it until it is closed, so the rule
// and the loader (which opens it again by name) see the same bytes. A
// writer that holds it already is waited for, up to `waitForWriterMs`;
// false, with GetLastError telling why, when it cannot be held.
bool HoldSheetFile(const char* file, SheetFile& held, DWORD waitForWriterMs);
// How long the sheet load and the probe wait for a writer: a paint program
// saves a sheet in well under this.
constexpr DWORD kWaitForWriterMs = 500;
// Reads the first bytes once; false when they cannot be read.
bool ReadSheetHead(SheetFile& opened);
FileStamp StampNow(const SheetFile& opened);
void CloseSheetFile(SheetFile& opened);

// LoadImageA from the held file (named `file`) at its own size; fills
// `description` on success. Null, and the loader never sees the file, when
// anything the loader would read lies outside it (BmpLoadsSafely). A whole,
// uncompressed 24- or 32-bit file loads as a DIB section of its own format,
// any other in the display's format.
HBITMAP LoadHeldBitmap(HWND window, const char* file, SheetFile& held, BITMAP* description);

// The whole load of a file by name: held, checked, loaded and closed. Null
// when it does not load.
HBITMAP LoadBitmapFile(HWND window, const char* file, BITMAP* description);

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
// What a folder's notification says since the last poll: nothing, a
// change, or that it failed (the folder gone, the handle broken) and will
// report nothing more. After a change it is armed again at once, so a
// change made while the caller looks at the file is reported next time.
enum class FolderReport { kQuiet, kChanged, kFailed };
FolderReport PollFolder(HANDLE notification);
void StopNotifying(HANDLE notification);

#endif
