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

bool IntervalHasPassed(uint32_t now, uint32_t since, uint32_t interval) {
  return now - since >= interval;
}

uint64_t ReloadTimeForCoarseStamp(uint64_t lastWriteTime, uint64_t loadStart,
                                  uint64_t firstLoadStart) {
  if (lastWriteTime == 0 || lastWriteTime % kFileTimeSecond != 0 ||
      lastWriteTime > UINT64_MAX - kTimeStampStep)
    return 0;  // no file, a finer stamp, or no step after it
  uint64_t stepEnd = lastWriteTime + kTimeStampStep;
  if (firstLoadStart <= UINT64_MAX - kTimeStampStep && firstLoadStart + kTimeStampStep < stepEnd)
    stepEnd = firstLoadStart + kTimeStampStep;
  return loadStart < stepEnd ? stepEnd : 0;
}

// ---------------------------------------------------------------------------
// The BMP header

namespace {

constexpr uint64_t kFileHeaderBytes = 14;  // 64 bits: no sum with it wraps on a 32-bit build
constexpr uint32_t kCoreHeaderBytes = 12;  // BITMAPCOREHEADER
constexpr uint32_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER
constexpr uint32_t kV4HeaderBytes = 108;   // BITMAPV4HEADER
constexpr uint32_t kV5HeaderBytes = 124;   // BITMAPV5HEADER

// Compressions.
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5,
                   kAlphaBitfields = 6;

constexpr uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
constexpr uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

constexpr uint64_t SaturatingSum(uint64_t a, uint64_t b) {
  return a > UINT64_MAX - b ? UINT64_MAX : a + b;
}
constexpr uint64_t SaturatingProduct(uint64_t a, uint64_t b) {
  return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b;
}
constexpr uint64_t Larger(uint64_t a, uint64_t b) { return a > b ? a : b; }

// The rules are constexpr inside this file, so that the checks at its end
// run as every build compiles them, the 32-bit product's included.
constexpr BmpHeader Describe(const uint8_t* head, size_t headBytes) {
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
  } else {
    return bmp;  // the short OS/2 forms: what the loader would read of them is unknown
  }
  bmp.headerRead = true;
  return bmp;
}

// Uncompressed rows of a depth the format defines: any of them plain, and
// 16 or 32 bits with colour masks.
constexpr bool KnownUncompressed(uint32_t bits, uint32_t compression) {
  if (compression == kRgb)
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32 || bits == 64;
  return (compression == kBitfields || compression == kAlphaBitfields) && (bits == 16 || bits == 32);
}

// The palette entries the loader takes: those the header counts, at most
// 256, and for a depth up to 8 bits with none counted 2^bits; the core
// header always 2^bits up to 8 bits.
constexpr uint64_t PaletteEntries(const BmpHeader& bmp) {
  const uint32_t bits = bmp.bitsPerPixel;
  const uint64_t full = bits <= 8 ? uint64_t{1} << bits : 0;
  if (bmp.headerSize == kCoreHeaderBytes) return full;
  if (bmp.coloursUsed == 0) return full;
  return bmp.coloursUsed > 256 ? 256 : bmp.coloursUsed;
}

// Where the bitmap header, its colour masks and its palette end, as the
// loader reads them: a 40-byte header keeps its masks behind it, the later
// ones hold them.
constexpr uint64_t InfoEnd(const BmpHeader& bmp) {
  if (bmp.headerSize == kCoreHeaderBytes)
    return kFileHeaderBytes + kCoreHeaderBytes + 3 * PaletteEntries(bmp);
  uint64_t header = bmp.headerSize;
  if (bmp.compression == kBitfields) header = Larger(header, kInfoHeaderBytes + 12);
  if (bmp.compression == kAlphaBitfields) header = Larger(header, kInfoHeaderBytes + 16);
  return kFileHeaderBytes + header + 4 * PaletteEntries(bmp);
}

constexpr uint64_t LengthNeeded(const BmpHeader& bmp) {
  if (!bmp.headerRead || bmp.width <= 0 || bmp.height == 0) return 0;
  // The loader takes the pixels from the offset less 14, in 32 bits: an
  // offset inside the file header lies about 4 GiB away.
  if (bmp.pixelOffset >= 1 && bmp.pixelOffset < kFileHeaderBytes) return 0;
  uint64_t pixelBytes = 0;
  const uint32_t compression = bmp.compression;
  if (compression == kRle8 || compression == kRle4 || compression == kJpeg || compression == kPng) {
    if (bmp.imageSize == 0) return 0;  // compressed data has no length but the stated one
    pixelBytes = bmp.imageSize;
  } else if (KnownUncompressed(bmp.bitsPerPixel, compression)) {
    // Rows padded to 4 bytes: at most 2^38 bytes a row, times up to 2^31 rows.
    const uint64_t rowBytes = (static_cast<uint64_t>(bmp.width) * bmp.bitsPerPixel + 31) / 32 * 4;
    const uint64_t rows = static_cast<uint64_t>(bmp.height < 0 ? -bmp.height : bmp.height);
    pixelBytes = SaturatingProduct(rowBytes, rows);
  } else {
    return 0;  // a depth or compression whose reads are unknown
  }
  const uint64_t infoEnd = InfoEnd(bmp);
  const uint64_t pixelStart = bmp.pixelOffset == 0 ? infoEnd : bmp.pixelOffset;
  // The loader also reads the byte after the colour table, wherever the
  // pixels are.
  return Larger(infoEnd + 1, SaturatingSum(pixelStart, pixelBytes));
}

}  // namespace

BmpHeader DescribeBmp(const uint8_t* head, size_t headBytes) { return Describe(head, headBytes); }

uint64_t BmpLengthNeeded(const BmpHeader& bmp) { return LengthNeeded(bmp); }

bool BmpLoadsSafely(const BmpHeader& bmp, uint64_t fileLength) {
  const uint64_t needed = LengthNeeded(bmp);
  return needed != 0 && fileLength >= needed;
}

bool IsWholeTrueColourBmp(const BmpHeader& bmp, uint64_t fileSize) {
  const uint32_t size = bmp.headerSize;
  if (!BmpLoadsSafely(bmp, fileSize) ||
      (size != kInfoHeaderBytes && size != kV4HeaderBytes && size != kV5HeaderBytes) ||
      bmp.height < 1 || bmp.planes != 1 || (bmp.bitsPerPixel != 24 && bmp.bitsPerPixel != 32) ||
      bmp.compression != kRgb)
    return false;
  // Loaded as a DIB section, the pixels are read from the offset, so it
  // must lie past the colour table as well (64-bit: the sum cannot wrap).
  return kFileHeaderBytes + size + 4 * uint64_t{bmp.coloursUsed} <= bmp.pixelOffset;
}

namespace {

// Sums that wrap in 32 bits, checked as each build compiles: the first bytes
// of a 24-bit file of 3 x 2 pixels with the header size and pixel offset
// given.
struct Head {
  uint8_t bytes[kBmpHeadBytes];
};
constexpr Head HeadOf(uint32_t headerSize, uint32_t pixelOffset) {
  Head head = {};
  const uint32_t fields[][2] = {{10, pixelOffset}, {14, headerSize}, {18, 3}, {22, 2}, {28, 24}};
  head.bytes[0] = 'B';
  head.bytes[1] = 'M';
  for (const auto& field : fields)
    for (int i = 0; i < 4; ++i) head.bytes[field[0] + i] = static_cast<uint8_t>(field[1] >> (8 * i));
  return head;
}
constexpr uint64_t NeededBy(const Head& head) {
  return LengthNeeded(Describe(head.bytes, kBmpHeadBytes));
}
static_assert(NeededBy(HeadOf(40, 54)) == 54 + 2 * 12, "a whole small file");
static_assert(NeededBy(HeadOf(0xFFFFFFF2u, 0)) == 14 + uint64_t{0xFFFFFFF2u} + 2 * 12,
              "a header size near 4 GiB lies past the file, not at its start");
static_assert(NeededBy(HeadOf(40, 0xFFFFFFF0u)) == uint64_t{0xFFFFFFF0u} + 24,
              "a pixel offset near 4 GiB lies past the file");

}  // namespace

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
