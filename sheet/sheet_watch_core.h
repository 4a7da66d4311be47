// Watching the held sheet's file during playback: when the next look at the
// file is due. Whether the file is whole is bmp_header_core's.
#ifndef PELLOWRICK_SHEET_WATCH_CORE_H
#define PELLOWRICK_SHEET_WATCH_CORE_H

#include <cstdint>

// The file is looked at no more often than this, in milliseconds, however
// short the playback interval.
constexpr uint32_t kSheetCheckInterval = 300;

// Whether a look is due at tick count `now` after the one at `lastCheck`;
// the tick count wraps to 0 after 49.7 days, so only the difference counts.
bool SheetCheckIsDue(uint32_t now, uint32_t lastCheck);

#endif
