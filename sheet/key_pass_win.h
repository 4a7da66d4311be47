// The key pass's own steps, for the pass itself, the probe, the tests and
// the benchmark: the DIB section it keys in, and the pass over a DIB
// section's memory, tile by tile, and pixel by pixel.
#ifndef PELLOWRICK_KEY_PASS_WIN_H
#define PELLOWRICK_KEY_PASS_WIN_H

#include <windows.h>

#include <cstdint>

// A 32-bit top-down DIB section; null when the size is not positive or
// there is no room for it. Never asks for more than a 32-bit size can
// describe.
HBITMAP CreateTopDownDibSection(int32_t width, int32_t height, void** bits);

// The largest sheet, in bytes of 32-bit pixels, that the key pass copies
// into a DIB section; a larger one stays as loaded and is keyed tile by
// tile. Tests lower it.
extern uint64_t largestDibSectionBytes;

// The loaded bitmap copied into a new DIB section of its size, which the key
// pass can change in place; `heldIn` is the DC the bitmap is selected into,
// or null for a bitmap no DC holds. Null when it is larger than the limit
// above or there is no room for it.
HBITMAP CopyToDibSection(HBITMAP loaded, HDC heldIn, int32_t width, int32_t height);

// The per-pixel GetPixel/SetPixel pass; kept as the reference for tests
// and the benchmark.
void ReplaceKeyColourPerPixel(HDC sheetDC, int32_t width, int32_t height, COLORREF key,
                              COLORREF background);

// The pass over a 24- or 32-bit DIB section's own memory (a 24-bit row's
// padding untouched); false, with nothing done, when the bitmap is not one.
bool ReplaceKeyColourInPlace(HBITMAP bitmap, COLORREF key, COLORREF background);

// The pass over any bitmap selected into `sheetDC`, through one small DIB
// section a tile at a time; the background goes in as the nearest colour
// the bitmap holds. False when the tile cannot be made or a copy between it
// and the sheet fails; the sheet may then be keyed in part.
bool ReplaceKeyColourInTiles(HDC sheetDC, int32_t width, int32_t height, COLORREF key,
                             COLORREF background);

#endif
