// The held sheet's file, looked at from the playback tick: an edit saved
// while the animation plays takes the held copy's place. A file that is not
// whole yet (a paint program halfway through writing it), or that does not
// load, is left until it changes again; the tick shows no message. While
// the file's folder reports no change, a look touches no disk or network.
#include <windows.h>

#include <cstring>

#include "anim/animation_core.h"
#include "app/frame_win.h"
#include "sheet/bmp_header_core.h"
#include "sheet/key_colour_core.h"
#include "sheet/sheet_watch_core.h"
#include "sheet/sheet_win.h"

void StopWatchingSheetFolder() {
  if (sheet.folderWatch != nullptr) FindCloseChangeNotification(sheet.folderWatch);
  sheet.folderWatch = nullptr;
  sheet.watchedFolder[0] = '\0';
}

void WatchSheetFolder() {
  char folder[MAX_PATH];
  char* name = nullptr;
  const DWORD length = GetFullPathNameA(sheet.lastFile, MAX_PATH, folder, &name);
  if (length == 0 || length >= MAX_PATH || name == nullptr) {
    StopWatchingSheetFolder();  // looked at every 300 ms instead
    return;
  }
  *name = '\0';  // the folder, with its closing backslash
  if (sheet.folderWatch != nullptr && strcmp(folder, sheet.watchedFolder) == 0) return;
  StopWatchingSheetFolder();
  HANDLE watch = FindFirstChangeNotificationA(
      folder, FALSE,
      FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_FILE_NAME);
  if (watch == INVALID_HANDLE_VALUE) return;
  sheet.folderWatch = watch;
  memcpy(sheet.watchedFolder, folder, sizeof folder);
}

uint64_t FileTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

namespace {

// Whether this tick looks at the file: at most every 300 ms, and then only
// when its folder reported a change, when the folder cannot be watched,
// when something is to be tried again, or when the held copy may miss a
// save its stamp cannot show.
bool LookIsDue(bool& reloadRegardless) {
  const uint32_t now = GetTickCount();
  if (!SheetCheckIsDue(now, sheet.lastCheckTime)) return false;
  reloadRegardless = sheet.reloadTime != 0 && FileTimeNow() >= sheet.reloadTime;
  bool due = sheet.folderWatch == nullptr || sheet.lookAgain || reloadRegardless;
  if (sheet.folderWatch != nullptr && WaitForSingleObject(sheet.folderWatch, 0) == WAIT_OBJECT_0) {
    // Armed again before the look, so a change made during it is not lost.
    FindNextChangeNotification(sheet.folderWatch);
    due = true;
  }
  if (due) sheet.lastCheckTime = now;
  return due;
}

// A writer holding the file for a moment: worth trying again soon, where a
// missing file waits for its folder to report it.
bool OpenFailedForAMoment() {
  const DWORD error = GetLastError();
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
         error == ERROR_ACCESS_DENIED;
}

}  // namespace

void ReloadChangedSheet() {
  if (sheet.sheetBitmap == nullptr) return;
  bool reloadRegardless = false;
  if (!LookIsDue(reloadRegardless)) return;
  sheet.lookAgain = false;
  // The file the held copy came from, whatever the path field shows now.
  SheetFile opened;
  if (!OpenSheetFile(sheet.lastFile, opened)) {
    sheet.lookAgain = OpenFailedForAMoment();
    return;
  }
  const FileStamp stamp = opened.stamp;
  const bool changed = reloadRegardless || !SameStamp(stamp, sheet.lastFileStamp);
  // A file that did not load, or was not whole, is tried again once its
  // stamp moves; each look reads its head once.
  const bool worthLoading =
      changed && !SameStamp(stamp, sheet.failedStamp) && ReadSheetHead(opened) &&
      BmpFileIsWhole(opened.head, opened.headBytes, stamp.size);
  const bool wasKeyed = !sheet.needsKeyPass;
  const bool loaded = worthLoading && LoadIntoSheetDC(frame.panel, sheet.lastFile, opened);
  CloseSheetFile(opened);
  if (!loaded) {
    if (changed && opened.headRead) sheet.failedStamp = stamp;
    if (reloadRegardless) sheet.reloadTime = 0;
    return;
  }
  // Keyed as the playing Start keyed it; a copy loaded clean since that
  // Start (dropped, or named by a settings file) stays clean.
  if (wasKeyed)
    KeySheet(frame.sheetDC, sheet.sheetWidth, sheet.sheetHeight, animation.keyFromCorner,
             animation.keyColour, animation.backgroundColour);
}
