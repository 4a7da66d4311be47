// Watching the held sheet's file during playback: when the next look at the
// file is due, and whether a BMP file is whole, that is as long as its
// headers say (a paint program may be halfway through writing it, and the
// loader turns a short file into a bitmap of the full size with missing
// pixels).
#ifndef PELLOWRICK_SHEET_WATCH_CORE_H
#define PELLOWRICK_SHEET_WATCH_CORE_H

#include <cstddef>
#include <cstdint>

// The file is looked at no more often than this, in milliseconds, however
// short the playback interval.
constexpr uint32_t kSheetCheckInterval = 300;

// Whether a look is due at tick count `now` after the one at `lastCheck`;
// the tick count wraps to 0 after 49.7 days, so only the difference counts.
bool SheetCheckIsDue(uint32_t now, uint32_t lastCheck);

// What BmpLengthNeeded reads of a file: the file header and the bitmap
// header as far as the end of a version 5 header.
constexpr size_t kBmpHeadBytes = 14 + 124;

// The length a BMP file needs to hold all that its headers describe: the
// headers, the colour masks, the palette, the pixel data (from the pixel
// offset, the width, the height, the depth and the row padding; for
// compressed data the image size stated) and an embedded colour profile.
// UINT64_MAX when that does not fit in 64 bits; 0 when `head` (the file's
// first bytes, at most kBmpHeadBytes) is not a BMP this rule can measure:
// cut inside its headers, or no "BM", an unknown header size, a width of 0
// or less, a height of 0, or a depth or compression it does not know.
uint64_t BmpLengthNeeded(const uint8_t* head, size_t headLength);

// Whether a file of `fileLength` bytes that starts with `head` is whole.
bool BmpFileIsWhole(const uint8_t* head, size_t headLength, uint64_t fileLength);

#endif
