// The sprite sheet's file on disk: the file a name means, a look at its
// stamp, the one read of its bytes that makes a bitmap, the clock as file
// times count it, and the change notification on a folder. It calls nothing
// else of the sheet: the sheet load and the watch both build on it.
#ifndef PELLOWRICK_SHEET_FILE_WIN_H
#define PELLOWRICK_SHEET_FILE_WIN_H

#include <windows.h>

#include "sheet/sheet_file_core.h"

// The file a sheet name means: a relative name that names a file in the
// current folder means that file (its full name); otherwise the file the
// platform's search finds (the program's folder first); failing both, the
// name as given.
void ResolveSheetName(const char* name, char resolved[MAX_PATH]);

// The file's stamp, read without opening it: nothing is held, so no other
// program is kept from anything. 0, 0 when it cannot be read (the file
// gone, or no file of that name).
FileStamp LookAtSheetFile(const char* file);

// One read of a sheet's file and the bitmap made from its bytes.
struct SheetRead {
  HBITMAP bitmap;          // null when the file gives none
  BITMAP description;      // of the bitmap, when there is one
  FileStamp stamp;         // the file's as it was read; 0, 0 when it could not be opened
  bool changedWhileRead;   // its stamp moved during the read: the bytes are not taken
};

// Opens the file sharing read, write and delete, so no other program is
// kept from writing, replacing, renaming or deleting it meanwhile; reads its
// headers and colour table, checks them (LayoutBmp) and makes the bitmap
// from those bytes: a 24- or 32-bit uncompressed file as a DIB section of
// its own format with the pixel rows read straight into it, any other as a
// bitmap in the display's format with its pixels drawn into it by the
// platform (where the platform cannot draw them the bitmap stays as made,
// black). Every byte the platform reads lies in the program's own buffers,
// each of which ends where memory that cannot be read begins. A read whose
// stamp moved meanwhile gives no bitmap, and is read again, `reads` times
// in all at most, while its stamp keeps moving. A wait cursor shows while a
// large file is read.
SheetRead ReadSheetFile(const char* file, int reads);

// How many times an open or Start reads a file whose stamp keeps moving
// while it is read, before it gives up.
constexpr int kReadsWhileChanging = 3;

// The whole load of a file by name, as an open reads it. Null when it does
// not load; fills `description` when it does.
HBITMAP LoadBitmapFile(const char* file, BITMAP* description);

// Files read into a bitmap so far (the rule let them through), and sheet
// files opened for a read, by every load; tests and the benchmark count
// them.
extern uint32_t sheetReads;
extern uint32_t sheetFileOpens;

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
