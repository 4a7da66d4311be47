// The held sheet's file, looked at from the playback tick, so an edit saved
// while the animation plays takes the held copy's place.
#ifndef PELLOWRICK_SHEET_WATCH_WIN_H
#define PELLOWRICK_SHEET_WATCH_WIN_H

// Called by every playback tick: puts the held sheet's file in place of the
// held copy when it has changed and gives a bitmap, keyed again when the
// copy it replaces was keyed. The file is looked at when its folder reports
// a change, at most every kSheetCheckInterval, and every
// kSheetQuietLookInterval whatever it reports; where the folder cannot be
// watched, every kSheetCheckInterval. A file that did not load is tried
// again only once it changes. The watch follows each new copy at the next
// tick.
void ReloadChangedSheet();

// Closes the folder's change notification: the file is then looked at by
// time alone until the next copy is loaded or the watch is renewed.
void StopWatchingSheetFolder();

// Arms a new notification at the next tick, in place of one that may have
// gone deaf (the folder deleted and made again): at every Start.
void RenewSheetWatch();

// Closes the notification and forgets every copy seen: at teardown.
void EndSheetWatch();

// The folder whose change notification the watch holds, with its closing
// backslash; empty when it holds none.
const char* WatchedSheetFolder();

// Makes the next tick's look due, as if the last one were a check interval
// ago, or not due, as if it were just now: for the benchmark, which times
// ticks back to back.
void SetSheetLookDue(bool due);

#endif
