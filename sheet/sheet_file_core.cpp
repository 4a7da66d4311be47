#include "sheet/sheet_file_core.h"

#include <cstring>

// ---------------------------------------------------------------------------
// Names

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsRelativeName(const char* name) {
  if (IsSeparator(name[0]) && IsSeparator(name[1])) return false;
  return !(IsAsciiLetter(name[0]) && name[1] == ':' && IsSeparator(name[2]));
}

// ---------------------------------------------------------------------------
// Stamps, and when the tick looks at the file

bool SheetCheckIsDue(uint32_t now, uint32_t lastCheck) {
  return now - lastCheck >= kSheetCheckInterval;
}

uint64_t ReloadTimeForCoarseStamp(uint64_t lastWriteTime, uint64_t loadStart) {
  if (lastWriteTime == 0 || lastWriteTime % kFileTimeSecond != 0 ||
      lastWriteTime > UINT64_MAX - kTimeStampStep)
    return 0;  // no file, a finer stamp, or no step after it
  const uint64_t stepEnd = lastWriteTime + kTimeStampStep;
  return loadStart < stepEnd ? stepEnd : 0;
}

// ---------------------------------------------------------------------------
// The BMP header

namespace {

constexpr uint64_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;  // BITMAPCOREHEADER
constexpr uint32_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER
constexpr uint32_t kV4HeaderBytes = 108;   // BITMAPV4HEADER
constexpr uint32_t kV5HeaderBytes = 124;   // BITMAPV5HEADER

// Compressions.
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5,
                   kAlphaBitfields = 6;
constexpr uint32_t kProfileEmbedded = 0x4D424544;  // 'MBED'

uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint64_t SaturatingSum(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }
uint64_t Larger(uint64_t a, uint64_t b) { return a > b ? a : b; }

bool KnownDepth(uint32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

BmpHeader DescribeBmp(const uint8_t* head, size_t headBytes) {
  BmpHeader bmp = {};
  if (headBytes < kFileHeaderBytes || head[0] != 'B' || head[1] != 'M') return bmp;
  bmp.isBmp = true;
  bmp.pixelOffset = Le32(head + 10);
  if (headBytes < kFileHeaderBytes + 4) return bmp;
  bmp.headerSize = Le32(head + 14);
  const uint8_t* header = head + kFileHeaderBytes;
  if (bmp.headerSize == kCoreHeaderBytes) {
    if (headBytes < kFileHeaderBytes + kCoreHeaderBytes) return bmp;
    bmp.width = Le16(header + 4);
    bmp.height = Le16(header + 6);
    bmp.planes = Le16(header + 8);
    bmp.bitsPerPixel = Le16(header + 10);
  } else if (bmp.headerSize >= kInfoHeaderBytes) {
    const uint32_t read = bmp.headerSize < kV5HeaderBytes ? bmp.headerSize : kV5HeaderBytes;
    if (headBytes < kFileHeaderBytes + read) return bmp;
    bmp.width = static_cast<int32_t>(Le32(header + 4));
    bmp.height = static_cast<int32_t>(Le32(header + 8));
    bmp.planes = Le16(header + 12);
    bmp.bitsPerPixel = Le16(header + 14);
    bmp.compression = Le32(header + 16);
    bmp.imageSize = Le32(header + 20);
    bmp.coloursUsed = Le32(header + 32);
    // An embedded profile lies where the header says, often behind the pixels.
    if (bmp.headerSize >= kV5HeaderBytes && Le32(header + 56) == kProfileEmbedded)
      bmp.profileEnd = kFileHeaderBytes + uint64_t{Le32(header + 112)} + Le32(header + 116);
  } else {
    return bmp;
  }
  bmp.headerRead = true;
  return bmp;
}

bool BmpPixelsInFileHeader(const BmpHeader& bmp) {
  return bmp.isBmp && bmp.pixelOffset >= 1 && bmp.pixelOffset < kFileHeaderBytes;
}

uint64_t BmpLengthNeeded(const BmpHeader& bmp) {
  if (!bmp.headerRead || BmpPixelsInFileHeader(bmp) || bmp.width <= 0 || bmp.height == 0)
    return 0;
  const uint32_t bits = bmp.bitsPerPixel, compression = bmp.compression;
  const uint64_t rows = static_cast<uint64_t>(bmp.height < 0 ? -bmp.height : bmp.height);
  uint64_t pixelBytes = 0;
  if (compression == kRgb || compression == kBitfields || compression == kAlphaBitfields) {
    if (!KnownDepth(bits) || (compression != kRgb && bits != 16 && bits != 32)) return 0;
    // At most (2^33 - 4) bytes a row times 2^31 rows: below 2^64.
    const uint64_t rowBytes = (static_cast<uint64_t>(bmp.width) * bits + 31) / 32 * 4;
    pixelBytes = rowBytes * rows;
  } else if (compression == kRle8 || compression == kRle4 || compression == kJpeg ||
             compression == kPng) {
    if (bmp.imageSize == 0) return 0;  // compressed data has no length but the stated one
    pixelBytes = bmp.imageSize;
  } else {
    return 0;
  }

  // Only the 40-byte header keeps its colour masks behind it; the later
  // ones hold them.
  uint64_t maskBytes = 0;
  if (bmp.headerSize == kInfoHeaderBytes && compression == kBitfields) maskBytes = 12;
  if (bmp.headerSize == kInfoHeaderBytes && compression == kAlphaBitfields) maskBytes = 16;
  // Depths up to 8 bits have a full palette unless the header counts fewer
  // colours (the loader takes at most 256); deeper ones only the colours it
  // counts. The core header's entries are 3 bytes, the others' 4.
  const bool paletted = bits >= 1 && bits <= 8;
  const uint64_t entries = bmp.coloursUsed == 0                 ? (paletted ? uint64_t{1} << bits : 0)
                           : paletted && bmp.coloursUsed > 256 ? 256
                                                               : bmp.coloursUsed;
  const uint64_t entryBytes = bmp.headerSize == kCoreHeaderBytes ? 3 : 4;
  const uint64_t headersEnd = kFileHeaderBytes + bmp.headerSize + maskBytes;
  // The pixels start at their offset; a palette shorter than the header
  // says ends there. Only an offset inside the headers (some writers leave
  // it 0) counts as the end of the headers and the whole palette.
  const uint64_t pixelStart =
      bmp.pixelOffset >= headersEnd ? bmp.pixelOffset : headersEnd + entries * entryBytes;
  return Larger(SaturatingSum(pixelStart, pixelBytes), bmp.profileEnd);
}

bool BmpFileIsWhole(const BmpHeader& bmp, uint64_t fileLength) {
  const uint64_t needed = BmpLengthNeeded(bmp);
  return needed != 0 && fileLength >= needed;
}

bool IsWholeTrueColourBmp(const BmpHeader& bmp, uint64_t fileSize) {
  const uint32_t size = bmp.headerSize;
  if (!BmpFileIsWhole(bmp, fileSize) ||
      (size != kInfoHeaderBytes && size != kV4HeaderBytes && size != kV5HeaderBytes) ||
      bmp.height < 1 || bmp.planes != 1 || (bmp.bitsPerPixel != 24 && bmp.bitsPerPixel != 32) ||
      bmp.compression != kRgb)
    return false;
  // Loaded as a DIB section, the pixels are read from the offset, so it
  // must lie past the colour table as well (64-bit: the sum cannot wrap).
  return kFileHeaderBytes + size + 4 * uint64_t{bmp.coloursUsed} <= bmp.pixelOffset;
}

// ---------------------------------------------------------------------------
// The held copy and the file

namespace {

// The same path byte for byte, and its file unchanged since the held copy
// was loaded.
bool SameFile(const SheetIdentity& wanted, const SheetIdentity& held) {
  return strcmp(wanted.path, held.path) == 0 && SameStamp(wanted.file, held.file);
}

}  // namespace

bool CanReuseSheet(const SheetIdentity& wanted, const SheetIdentity& held, bool heldIsKeyed,
                   bool transparencyOn) {
  return transparencyOn && SameFile(wanted, held) && wanted.keyColour == held.keyColour &&
         (!heldIsKeyed || wanted.backgroundColour == held.backgroundColour);
}

bool HeldCopyIsTheFile(const SheetIdentity& wanted, const SheetIdentity& held, bool heldIsClean) {
  // A stamp of 0 bytes is a file that could not be read.
  return heldIsClean && held.keyColour <= 0x00FFFFFF && held.file.size != 0 &&
         SameFile(wanted, held);
}
