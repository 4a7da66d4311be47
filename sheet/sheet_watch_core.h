// Watching the held sheet's file during playback: when the next look at the
// file is due, and when a copy loaded just after a save may miss a second
// save of the same size. Whether the file is whole is bmp_header_core's.
#ifndef PELLOWRICK_SHEET_WATCH_CORE_H
#define PELLOWRICK_SHEET_WATCH_CORE_H

#include <cstdint>

// The file is looked at no more often than this, in milliseconds, however
// short the playback interval.
constexpr uint32_t kSheetCheckInterval = 300;

// Whether a look is due at tick count `now` after the one at `lastCheck`;
// the tick count wraps to 0 after 49.7 days, so only the difference counts.
bool SheetCheckIsDue(uint32_t now, uint32_t lastCheck);

// File times count 100 ns steps. A file system that keeps last-write times
// in whole seconds (FAT keeps even seconds) gives a second save of the same
// size within that step the same stamp as the first.
constexpr uint64_t kFileTimeSecond = 10000000;
constexpr uint64_t kTimeStampStep = 2 * kFileTimeSecond;

// When a copy whose load began at `loadStart` must be loaded once more,
// though its file's stamp shows no change: the end of the time-stamp step
// of the file's `lastWriteTime`, when that time is a whole second and the
// load began before the step ended; 0 when the stamp will tell any later
// save (a finer time, or a load that began after the step).
uint64_t ReloadTimeForCoarseStamp(uint64_t lastWriteTime, uint64_t loadStart);

#endif
