// Uncompressed BMP bytes, as the sample, the program icon and the Wine
// tests write them: bottom-up rows padded to four bytes, a palette of blue,
// green, red, 0 entries below 16 bits. Colours are 0x00BBGGRR, the layout
// of COLORREF, so the Windows side can pass its own values straight in.
#ifndef PELLOWRICK_TOOLS_BMP_FILE_CORE_H
#define PELLOWRICK_TOOLS_BMP_FILE_CORE_H

#include <cstdint>
#include <functional>
#include <vector>

#include "sheet/key_colour_core.h"

// The colour at (x, y), top row 0, at 24 and 32 bits; the palette index at
// 1, 4 and 8 bits (only its low bits count).
using PixelSource = std::function<uint32_t(int x, int y)>;

// The lowest `byteCount` bytes of the value, least significant first.
void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int byteCount);

// BITMAPINFOHEADER and the palette. `heightField` is the height as the
// header states it: an icon counts its mask rows there too. Icons leave
// the resolution 0; files say 72 dots per inch (2835 per metre).
std::vector<uint8_t> BmpInfoHeader(int width, int heightField, int bitsPerPixel,
                                   const std::vector<uint32_t>& palette, uint32_t imageBytes,
                                   uint32_t pixelsPerMetre);

// The pixel rows, bottom row first; 1- and 4-bit pixels are packed from
// each byte's high bits down. Empty for a width or height below 1, a depth
// other than 1, 4, 8, 24 or 32, or rows too large for a BMP's 32-bit sizes.
std::vector<uint8_t> BmpRows(int width, int height, int bitsPerPixel, const PixelSource& pixel);

// A whole .bmp file; empty where BmpRows is.
std::vector<uint8_t> EncodeBmp(int width, int height, int bitsPerPixel,
                               const std::vector<uint32_t>& palette, const PixelSource& pixel);

#endif
