// The held sheet's file, looked at from the playback tick: an edit saved
// while the animation plays takes the held copy's place. A file that is not
// whole yet (a paint program halfway through writing it), or that does not
// load, is left for the next look; the tick shows no message.
#include <windows.h>

#include "anim/animation_core.h"
#include "app/frame_win.h"
#include "sheet/bmp_header_core.h"
#include "sheet/key_colour_core.h"
#include "sheet/sheet_watch_core.h"
#include "sheet/sheet_win.h"

void ReloadChangedSheet() {
  const uint32_t now = GetTickCount();
  if (!SheetCheckIsDue(now, sheet.lastCheckTime)) return;
  sheet.lastCheckTime = now;
  if (sheet.sheetBitmap == nullptr) return;
  // The file the held copy came from, whatever the path field shows now.
  const FileStamp stamp = StampOf(sheet.lastPath);
  if (SameStamp(stamp, sheet.lastFileStamp)) return;
  if (!BmpFileMeets(sheet.lastPath, BmpFileIsWhole)) return;
  const bool wasKeyed = !sheet.needsKeyPass;
  // A whole file that does not load is tried again at the next look: it
  // may only have been locked by its writer for a moment.
  if (!LoadIntoSheetDC(frame.panel, sheet.lastPath, stamp)) return;
  // Keyed as the playing Start keyed it; a copy loaded clean since that
  // Start (dropped, or named by a settings file) stays clean.
  if (wasKeyed)
    KeySheet(frame.sheetDC, sheet.sheetWidth, sheet.sheetHeight, animation.keyFromCorner,
             animation.keyColour, animation.backgroundColour);
}
