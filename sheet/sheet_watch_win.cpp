// The held sheet's file, looked at from the playback tick: an edit saved
// while the animation plays takes the held copy's place. A file that is cut
// short (a paint program halfway through writing it), or that does not
// load, is left until it changes again; the tick shows no message. While
// the file's folder reports no change, a look touches no disk or network
// but every kSheetQuietLookInterval, in case the folder's notification has
// gone deaf (a folder deleted and made again, a share that never reports).
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
  uint32_t lastCheckTime;      // tick count of the last look that was due
  uint32_t lastFileLook;       // tick count of the last look that read the file's stamp
  bool lookAgain;              // the next look is due by time alone
  bool renew;                  // arm a new notification at the next tick
  bool reloadDone;             // the copy's load once more for its coarse stamp is done
  FileStamp lastSeen;          // what the last look saw of the file (the copy's at first)
  FileStamp failedStamp;       // of the last file a look did not load
  HANDLE folderWatch;          // change notification on the file's folder, or null
  char watchedFolder[MAX_PATH];
};

SheetWatch watch = {};

// A notification on the held copy's folder: the one in place when it is
// that folder's and need not be renewed, else a new one. A new one cannot
// tell what changed before it was armed, so the next look reads the file.
void WatchFolderOf(const char* file) {
  char folder[MAX_PATH];
  if (!FolderOf(file, folder)) {
    StopWatchingSheetFolder();  // looked at by time instead
    return;
  }
  if (!watch.renew && watch.folderWatch != nullptr && strcmp(folder, watch.watchedFolder) == 0)
    return;
  StopWatchingSheetFolder();
  watch.renew = false;
  watch.folderWatch = NotifyChangesIn(folder);
  if (watch.folderWatch != nullptr) memcpy(watch.watchedFolder, folder, sizeof folder);
  watch.lookAgain = true;
}

// Takes in the copy the load put in place since the last tick: its file is
// the one to watch, a file that failed before may be tried again, and a
// coarse stamp calls for one more load once its step is over. Arms a new
// notification when asked to.
void TakeInNewCopy() {
  const SheetSource& source = sheet.source;
  if (watch.loadsSeen != source.loads) {
    watch.loadsSeen = source.loads;
    watch.failedStamp = FileStamp{0, 0};
    watch.lastSeen = source.stamp;
    watch.lookAgain = false;
    watch.reloadDone = false;
    WatchFolderOf(source.file);
  } else if (watch.renew) {
    WatchFolderOf(source.file);  // a folder made again is watched again
  }
}

// Whether this tick looks at the file: at most every check interval, and
// then only when its folder reported a change, when the folder cannot be
// watched, when something is to be tried again, when the held copy may
// miss a save its stamp cannot show, or when the folder has been quiet for
// a while. `reported` tells whether the folder reported a change.
bool LookIsDue(bool& reloadRegardless, bool& reported) {
  const uint32_t now = GetTickCount();
  if (!IntervalHasPassed(now, watch.lastCheckTime, kSheetCheckInterval)) return false;
  const uint64_t reloadTime = sheet.source.reloadTime;
  reloadRegardless = reloadTime != 0 && !watch.reloadDone && FileTimeNow() >= reloadTime;
  bool due = watch.folderWatch == nullptr || watch.lookAgain || reloadRegardless ||
             IntervalHasPassed(now, watch.lastFileLook, kSheetQuietLookInterval);
  reported = false;
  if (watch.folderWatch != nullptr) {
    switch (PollFolder(watch.folderWatch)) {
      case FolderReport::kQuiet:
        break;
      case FolderReport::kChanged:
        reported = due = true;
        break;
      case FolderReport::kFailed:  // looked at by time until a new one is armed
        StopWatchingSheetFolder();
        watch.renew = due = true;
        break;
    }
  }
  if (due) watch.lastCheckTime = watch.lastFileLook = now;
  return due;
}

// Loads the changed file in place of the held copy: one read, with no
// second try. A file that changed while it was read, or that cannot be
// opened now (a writer that shares nothing), makes the next look come
// soon; one that did not load is opened again only once its stamp moves.
bool ReloadChangedFile(const FileStamp& seen) {
  const SheetRead read = LoadIntoSheetDC(frame.panel, sheet.source.file, 1);
  if (read.bitmap != nullptr) return true;
  if (read.changedWhileRead || !StampWasRead(read.stamp)) {
    watch.lookAgain = true;
  } else {
    watch.failedStamp = read.stamp;
    // A file cut short is often about to be written whole.
    if (!SameStamp(read.stamp, seen)) watch.lookAgain = true;
  }
  return false;
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

void RenewSheetWatch() { watch.renew = true; }

const char* WatchedSheetFolder() { return watch.watchedFolder; }

void SetSheetLookDue(bool due) {
  watch.lastCheckTime = GetTickCount() - (due ? kSheetCheckInterval : 0);
}

void ReloadChangedSheet() {
  if (sheet.sheetBitmap == nullptr) return;
  TakeInNewCopy();
  bool reloadRegardless = false, reported = false;
  const bool watched = watch.folderWatch != nullptr;
  if (!LookIsDue(reloadRegardless, reported)) return;
  watch.lookAgain = false;
  if (reloadRegardless) watch.reloadDone = true;
  // The file the held copy came from, whatever the path field shows now.
  const FileStamp stamp = LookAtSheetFile(sheet.source.file);
  if (!StampWasRead(stamp)) {
    // A file gone may mean its folder is going: a notification held open
    // would keep the folder's name from being made again until it closes.
    if (watch.folderWatch != nullptr) {
      StopWatchingSheetFolder();
      watch.renew = true;
    }
    return;
  }
  // A change since the last look that the folder did not report: its
  // notification has gone deaf.
  if (!SameStamp(stamp, watch.lastSeen) && watched && !reported) watch.renew = true;
  watch.lastSeen = stamp;
  const bool moved = !SameStamp(stamp, sheet.source.stamp);
  if (!(moved || reloadRegardless) || SameStamp(stamp, watch.failedStamp)) return;
  const bool wasKeyed = !sheet.needsKeyPass;
  if (!ReloadChangedFile(stamp)) return;
  TakeInNewCopy();
  // Keyed as the playing Start keyed it; a copy loaded clean since that
  // Start (dropped, or named by a settings file) stays clean.
  if (wasKeyed)
    KeySheet(frame.sheetDC, sheet.sheetWidth, sheet.sheetHeight, animation.keyFromCorner,
             animation.keyColour, animation.backgroundColour);
}
