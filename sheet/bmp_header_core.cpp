#include "sheet/bmp_header_core.h"

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kCoreHeaderBytes = 12;  // BITMAPCOREHEADER
constexpr uint32_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER
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

bool BmpPixelsInFileHeader(const uint8_t* head, size_t headLength) {
  if (headLength < kFileHeaderBytes || head[0] != 'B' || head[1] != 'M') return false;
  const uint32_t pixelOffset = Le32(head + 10);
  return pixelOffset >= 1 && pixelOffset < kFileHeaderBytes;
}

uint64_t BmpLengthNeeded(const uint8_t* head, size_t headLength) {
  if (headLength < kFileHeaderBytes + 4 || head[0] != 'B' || head[1] != 'M' ||
      BmpPixelsInFileHeader(head, headLength))
    return 0;
  const uint64_t pixelOffset = Le32(head + 10);
  const uint32_t headerSize = Le32(head + 14);
  const uint8_t* header = head + kFileHeaderBytes;

  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = kRgb, imageSize = 0, coloursUsed = 0;
  uint64_t entryBytes = 4, maskBytes = 0, profileEnd = 0;
  if (headerSize == kCoreHeaderBytes) {
    if (headLength < kFileHeaderBytes + kCoreHeaderBytes) return 0;
    width = Le16(header + 4);
    height = Le16(header + 6);
    bits = Le16(header + 10);
    entryBytes = 3;
  } else if (headerSize >= kInfoHeaderBytes) {
    const uint32_t read = headerSize < kV5HeaderBytes ? headerSize : kV5HeaderBytes;
    if (headLength < kFileHeaderBytes + read) return 0;
    width = static_cast<int32_t>(Le32(header + 4));
    height = static_cast<int32_t>(Le32(header + 8));
    bits = Le16(header + 14);
    compression = Le32(header + 16);
    imageSize = Le32(header + 20);
    coloursUsed = Le32(header + 32);
    // Only the 40-byte header keeps its colour masks behind it; the later
    // ones hold them.
    if (headerSize == kInfoHeaderBytes && compression == kBitfields) maskBytes = 12;
    if (headerSize == kInfoHeaderBytes && compression == kAlphaBitfields) maskBytes = 16;
    // An embedded profile lies where the header says, often behind the pixels.
    if (headerSize >= kV5HeaderBytes && Le32(header + 56) == kProfileEmbedded)
      profileEnd = kFileHeaderBytes + static_cast<uint64_t>(Le32(header + 112)) + Le32(header + 116);
  } else {
    return 0;
  }
  if (width <= 0 || height == 0) return 0;
  const uint64_t rows = static_cast<uint64_t>(height < 0 ? -height : height);

  uint64_t pixelBytes = 0;
  if (compression == kRgb || compression == kBitfields || compression == kAlphaBitfields) {
    if (!KnownDepth(bits) || (compression != kRgb && bits != 16 && bits != 32)) return 0;
    // At most (2^33 - 4) bytes a row times 2^31 rows: below 2^64.
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    pixelBytes = rowBytes * rows;
  } else if (compression == kRle8 || compression == kRle4 || compression == kJpeg ||
             compression == kPng) {
    if (imageSize == 0) return 0;  // compressed data has no length but the stated one
    pixelBytes = imageSize;
  } else {
    return 0;
  }

  // Depths up to 8 bits have a full palette unless the header counts fewer
  // colours (the loader takes at most 256); deeper ones only the colours it
  // counts.
  const bool paletted = bits >= 1 && bits <= 8;
  const uint64_t entries = coloursUsed == 0 ? (paletted ? uint64_t{1} << bits : 0)
                           : paletted && coloursUsed > 256 ? 256
                                                           : coloursUsed;
  const uint64_t headersEnd = kFileHeaderBytes + headerSize + maskBytes;
  // The pixels start at their offset; a palette shorter than the header
  // says ends there. Only an offset inside the headers (some writers leave
  // it 0) counts as the end of the headers and the whole palette.
  const uint64_t pixelStart =
      pixelOffset >= headersEnd ? pixelOffset : headersEnd + entries * entryBytes;
  return Larger(SaturatingSum(pixelStart, pixelBytes), profileEnd);
}

bool BmpFileIsWhole(const uint8_t* head, size_t headLength, uint64_t fileLength) {
  const uint64_t needed = BmpLengthNeeded(head, headLength);
  return needed != 0 && fileLength >= needed;
}

bool IsWholeTrueColourBmp(const uint8_t* head, size_t headBytes, uint64_t fileSize) {
  if (headBytes < kFileHeaderBytes + kInfoHeaderBytes || !BmpFileIsWhole(head, headBytes, fileSize))
    return false;
  const uint32_t pixelOffset = Le32(head + 10);
  const uint32_t infoSize = Le32(head + 14);
  const int32_t width = static_cast<int32_t>(Le32(head + 18));
  const int32_t height = static_cast<int32_t>(Le32(head + 22));  // negative: top-down
  const uint32_t planes = Le16(head + 26), bitsPerPixel = Le16(head + 28);
  const uint32_t compression = Le32(head + 30), coloursUsed = Le32(head + 46);
  if ((infoSize != 40 && infoSize != 108 && infoSize != 124) || width < 1 || height < 1 ||
      planes != 1 || (bitsPerPixel != 24 && bitsPerPixel != 32) || compression != kRgb)
    return false;
  // Loaded as a DIB section, the pixels are read from the offset, so it
  // must lie past the colour table as well (64-bit: the sum cannot wrap).
  return kFileHeaderBytes + uint64_t{infoSize} + 4 * uint64_t{coloursUsed} <= pixelOffset;
}
