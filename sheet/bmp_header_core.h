// What the program reads from a BMP file's first bytes before it loads the
// file: whether the file is whole, that is as long as its headers say (the
// loader turns a file cut short into a bitmap of the full size with
// missing pixels), and whether it can load as a DIB section of its own
// format.
#ifndef PELLOWRICK_BMP_HEADER_CORE_H
#define PELLOWRICK_BMP_HEADER_CORE_H

#include <cstddef>
#include <cstdint>

// What BmpLengthNeeded reads of a file: the file header and the bitmap
// header as far as the end of a version 5 header.
inline constexpr size_t kBmpHeadBytes = 14 + 124;

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

// Whether the file is an uncompressed bottom-up BMP of 24 or 32 bits a
// pixel, with a 40-, 108- or 124-byte info header, whose headers, colour
// table and pixel rows all lie within its `fileSize` bytes. `head` holds its
// first `headBytes` bytes (fewer than kBmpHeadBytes for a shorter file).
bool IsWholeTrueColourBmp(const uint8_t* head, size_t headBytes, uint64_t fileSize);

#endif
