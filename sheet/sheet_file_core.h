// What the sheet load reads from a BMP file's first bytes before it loads
// the file.
#ifndef PELLOWRICK_SHEET_FILE_CORE_H
#define PELLOWRICK_SHEET_FILE_CORE_H

#include <cstddef>
#include <cstdint>

// The file header and a 40-byte info header.
inline constexpr size_t kBmpHeadBytes = 54;

// Whether the file is an uncompressed bottom-up BMP of 24 or 32 bits a
// pixel, with a 40-, 108- or 124-byte info header, whose headers, colour
// table and pixel rows all lie within its `fileSize` bytes. `head` holds its
// first `headBytes` bytes (fewer than kBmpHeadBytes for a shorter file).
bool IsWholeTrueColourBmp(const uint8_t* head, size_t headBytes, uint64_t fileSize);

#endif
