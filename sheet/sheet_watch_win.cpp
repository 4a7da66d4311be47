// The held sheet's file, looked at from the playback tick: an edit saved
// while the animation plays takes the held copy's place. A file that is not
// whole yet (a paint program halfway through writing it), or that does not
// load, is left until it changes again; the tick shows no message. While
// the file's folder reports no change, a look touches no disk or network.
//
// The watch learns of each new copy from the record the load keeps of where
// the copy came from; the load never calls here.
#include "sheet/sheet_watch_win.h"

#include <windows.h>

#include <cstring>

#include "anim/animation_core.h"
#include "app/frame_win.h"
#include "sheet/sheet_file_core.h"
#include "sheet/sheet_file_win.h"
#include "sheet/sheet_win.h"

namespace {

struct SheetWatch {
  uint32_t loadsSeen;          // the copy the watch has taken in (sheet.source.loads)
  uint32_t lastCheckTime;      // tick count of the last look at the file
  bool lookAgain;              // the next look is due by time alone
  uint64_t reloadTime;         // file time to load the copy once more; 0 none
  FileStamp failedStamp;       // of the last file a look did not load
  HANDLE folderWatch;          // change notification on the file's folder, or null
  char watchedFolder[MAX_PATH];
};

SheetWatch watch = {};

// The notification on the held copy's folder: the one in place when the
// folder is the same, else a new one. A new one cannot tell what changed
// before it was armed, so the next look reads the file.
void WatchFolderOf(const char* file) {
  char folder[MAX_PATH];
  if (!FolderOf(file, folder)) {
    StopWatchingSheetFolder();  // looked at by time instead
    return;
  }
  if (watch.folderWatch != nullptr && strcmp(folder, watch.watchedFolder) == 0) return;
  StopWatchingSheetFolder();
  watch.folderWatch = NotifyChangesIn(folder);
  if (watch.folderWatch != nullptr) memcpy(watch.watchedFolder, folder, sizeof folder);
  watch.lookAgain = true;
}

// Takes in the copy the load put in place since the last tick: its file is
// the one to watch, a file that failed before may be tried again, a stamp
// that moved during the load calls for a look, and a coarse stamp for one
// more load once its step is over.
void TakeInNewCopy() {
  const SheetSource& source = sheet.source;
  if (watch.loadsSeen == source.loads) return;
  watch.loadsSeen = source.loads;
  watch.failedStamp = FileStamp{0, 0};
  watch.lookAgain = source.changedWhileLoading;
  watch.reloadTime = ReloadTimeForCoarseStamp(source.stamp.lastWriteTime, source.loadStart);
  WatchFolderOf(source.file);
}

// Whether this tick looks at the file: at most every check interval, and
// then only when its folder reported a change, when the folder cannot be
// watched, when something is to be tried again, or when the held copy may
// miss a save its stamp cannot show.
bool LookIsDue(bool& reloadRegardless) {
  const uint32_t now = GetTickCount();
  if (!SheetCheckIsDue(now, watch.lastCheckTime)) return false;
  reloadRegardless = watch.reloadTime != 0 && FileTimeNow() >= watch.reloadTime;
  bool due = watch.folderWatch == nullptr || watch.lookAgain || reloadRegardless;
  if (watch.folderWatch != nullptr && FolderReportedChange(watch.folderWatch)) due = true;
  if (due) watch.lastCheckTime = now;
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

void StopWatchingSheetFolder() {
  StopNotifying(watch.folderWatch);
  watch.folderWatch = nullptr;
  watch.watchedFolder[0] = '\0';
}

void EndSheetWatch() {
  StopWatchingSheetFolder();
  watch = {};
}

const char* WatchedSheetFolder() { return watch.watchedFolder; }

void SetSheetLookDue(bool due) {
  watch.lastCheckTime = GetTickCount() - (due ? kSheetCheckInterval : 0);
}

void ReloadChangedSheet() {
  if (sheet.sheetBitmap == nullptr) return;
  TakeInNewCopy();
  bool reloadRegardless = false;
  if (!LookIsDue(reloadRegardless)) return;
  watch.lookAgain = false;
  // The file the held copy came from, whatever the path field shows now.
  SheetFile opened;
  if (!OpenSheetFile(sheet.source.file, opened)) {
    watch.lookAgain = OpenFailedForAMoment();
    return;
  }
  const FileStamp stamp = opened.stamp;
  const bool changed = reloadRegardless || !SameStamp(stamp, sheet.source.stamp);
  // A file that did not load, or was not whole, is tried again once its
  // stamp moves; each look reads its head once.
  const bool worthLoading = changed && !SameStamp(stamp, watch.failedStamp) &&
                            ReadSheetHead(opened) &&
                            BmpFileIsWhole(DescribeBmp(opened.head, opened.headBytes), stamp.size);
  const bool wasKeyed = !sheet.needsKeyPass;
  const bool loaded = worthLoading && LoadIntoSheetDC(frame.panel, sheet.source.file, opened);
  CloseSheetFile(opened);
  if (!loaded) {
    if (changed && opened.headRead) watch.failedStamp = stamp;
    if (reloadRegardless) watch.reloadTime = 0;
    return;
  }
  TakeInNewCopy();
  // Keyed as the playing Start keyed it; a copy loaded clean since that
  // Start (dropped, or named by a settings file) stays clean.
  if (wasKeyed)
    KeySheet(frame.sheetDC, sheet.sheetWidth, sheet.sheetHeight, animation.keyFromCorner,
             animation.keyColour, animation.backgroundColour);
}
