// What the program reads from a BMP file's first bytes before it loads the
// file: whether the loader may see it at all, whether the file is whole,
// that is as long as its headers say (the loader turns a file cut short
// into a bitmap of the full size with missing pixels), and whether it can
// load as a DIB section of its own format.
#ifndef PELLOWRICK_BMP_HEADER_CORE_H
#define PELLOWRICK_BMP_HEADER_CORE_H

#include <cstddef>
#include <cstdint>

// What BmpLengthNeeded reads of a file: the file header and the bitmap
// header as far as the end of a version 5 header.
inline constexpr size_t kBmpHeadBytes = 14 + 124;

// Whether a "BM" file's pixel offset (1 to 13) points inside its 14-byte
// file header: a damaged file, which the loader must never see (it
// computes the pixels' address from the offset less 14 in 32 bits, far
// past the file in a 64-bit process).
bool BmpPixelsInFileHeader(const uint8_t* head, size_t headLength);

// The length a BMP file needs to hold all that its headers describe: the
// headers, the colour masks, the palette, the pixel data (from the pixel
// offset, the width, the height, the depth and the row padding; for
// compressed data the image size stated) and an embedded colour profile.
// UINT64_MAX when that does not fit in 64 bits; 0 when `head` (the file's
// first bytes, at most kBmpHeadBytes) is not a BMP this rule can measure:
// cut inside its headers, or no "BM", a pixel offset inside the file
// header, an unknown header size, a width of 0 or less, a height of 0, or a
// depth or compression it does not know. The pixels start at the pixel
// offset (a palette may be shorter than the header says); an offset of 0
// or inside the headers counts as the end of the headers and the palette.
uint64_t BmpLengthNeeded(const uint8_t* head, size_t headLength);

// Whether a file of `fileLength` bytes that starts with `head` is whole.
bool BmpFileIsWhole(const uint8_t* head, size_t headLength, uint64_t fileLength);

// Whether the file is whole and an uncompressed bottom-up BMP of 24 or 32
// bits a pixel, with a 40-, 108- or 124-byte info header and its pixels
// behind its colour table. `head` holds its first `headBytes` bytes (fewer
// than kBmpHeadBytes for a shorter file).
bool IsWholeTrueColourBmp(const uint8_t* head, size_t headBytes, uint64_t fileSize);

#endif
