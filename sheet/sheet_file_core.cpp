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
// The BMP file

namespace {

constexpr uint64_t kFileHeaderBytes = 14;  // 64 bits: no sum with it wraps on a 32-bit build
constexpr uint32_t kCoreHeaderBytes = 12;  // BITMAPCOREHEADER
constexpr uint32_t kInfoHeaderBytes = 40;  // BITMAPINFOHEADER
constexpr uint32_t kV4HeaderBytes = 108;   // BITMAPV4HEADER
constexpr uint32_t kV5HeaderBytes = 124;   // BITMAPV5HEADER
constexpr int64_t kLargestSide = 65535;    // the platform's loader takes no wider or taller file

// Compressions.
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3, kJpeg = 4, kPng = 5,
                   kAlphaBitfields = 6;

// Fields of a bitmap header, from its start.
constexpr size_t kSizeImageAt = 20, kColoursUsedAt = 32, kColourSpaceAt = 56,
                 kProfileDataAt = 112, kProfileSizeAt = 116;
constexpr uint32_t kProfileLinked = 0x4C494E4B, kProfileEmbedded = 0x4D424544,  // 'LINK', 'MBED'
    kColourSpaceSrgb = 0x73524742;                                             // 'sRGB'

constexpr uint32_t Le16(const uint8_t* p) { return static_cast<uint32_t>(p[0] | p[1] << 8); }
constexpr uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
void Put32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
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
    bmp.imageSize = Le32(header + kSizeImageAt);
    bmp.coloursUsed = Le32(header + kColoursUsedAt);
  } else {
    return bmp;  // the short OS/2 forms
  }
  bmp.headerRead = true;
  return bmp;
}

constexpr bool KnownHeaderSize(uint32_t size) {
  return size == kCoreHeaderBytes || size == kInfoHeaderBytes || size == kV4HeaderBytes ||
         size == kV5HeaderBytes;
}

// Uncompressed rows of a depth the format defines: any of them plain, and
// 16 or 32 bits with colour masks.
constexpr bool KnownUncompressed(uint32_t bits, uint32_t compression) {
  if (compression == kRgb)
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
           bits == 32 || bits == 64;
  return (compression == kBitfields || compression == kAlphaBitfields) && (bits == 16 || bits == 32);
}

constexpr uint32_t ColourEntries(const BmpHeader& bmp) {
  const uint32_t bits = bmp.bitsPerPixel;
  const uint32_t full = bits <= 8 ? uint32_t{1} << bits : 0;
  if (bmp.headerSize == kCoreHeaderBytes || bmp.coloursUsed == 0) return full;
  return bmp.coloursUsed > 256 ? 256 : bmp.coloursUsed;
}

// The bitmap header, its colour masks (a 40-byte header keeps them behind
// it, the later ones hold them) and its colour table.
constexpr uint32_t InfoBytes(const BmpHeader& bmp) {
  if (bmp.headerSize == kCoreHeaderBytes) return kCoreHeaderBytes + 3 * ColourEntries(bmp);
  uint32_t header = bmp.headerSize;
  if (header == kInfoHeaderBytes && bmp.compression == kBitfields) header += 12;
  if (header == kInfoHeaderBytes && bmp.compression == kAlphaBitfields) header += 16;
  return header + 4 * ColourEntries(bmp);
}

// The layout whatever the file's length; `pixels` is kRefused when the
// form alone refuses it.
constexpr BmpLayout Lay(const BmpHeader& bmp) {
  BmpLayout layout = {};
  if (!bmp.headerRead || !KnownHeaderSize(bmp.headerSize) || bmp.width <= 0 ||
      bmp.height == 0 || bmp.width > kLargestSide || bmp.height > kLargestSide ||
      bmp.height < -kLargestSide)
    return layout;
  // An offset inside the file header: no pixels can lie there.
  if (bmp.pixelOffset >= 1 && bmp.pixelOffset < kFileHeaderBytes) return layout;
  const uint32_t compression = bmp.compression;
  const uint64_t rows = static_cast<uint64_t>(bmp.height < 0 ? -bmp.height : bmp.height);
  if (compression == kRle8 || compression == kRle4 || compression == kJpeg || compression == kPng) {
    if (bmp.imageSize == 0) return layout;  // compressed data has no length but the stated one
    layout.pixelBytes = bmp.imageSize;
  } else if (KnownUncompressed(bmp.bitsPerPixel, compression)) {
    const uint64_t rowBytes = (static_cast<uint64_t>(bmp.width) * bmp.bitsPerPixel + 31) / 32 * 4;
    layout.pixelBytes = rowBytes * rows;  // at most 2^22 bytes a row, 2^16 rows
  } else {
    return layout;
  }
  layout.infoBytes = InfoBytes(bmp);
  layout.colourEntries = ColourEntries(bmp);
  const uint64_t infoEnd = kFileHeaderBytes + layout.infoBytes;
  layout.pixelStart = bmp.pixelOffset == 0 || bmp.pixelOffset == kFileHeaderBytes ? infoEnd
                                                                                   : bmp.pixelOffset;
  layout.width = static_cast<int32_t>(bmp.width);
  layout.height = static_cast<int32_t>(rows);
  const bool trueColour = bmp.headerSize != kCoreHeaderBytes && bmp.planes == 1 &&
                          compression == kRgb &&
                          (bmp.bitsPerPixel == 24 || bmp.bitsPerPixel == 32);
  layout.pixels = trueColour ? BmpPixels::kIntoDibSection : BmpPixels::kDrawn;
  return layout;
}

constexpr uint64_t LengthNeeded(const BmpHeader& bmp) {
  const BmpLayout layout = Lay(bmp);
  if (layout.pixels == BmpPixels::kRefused) return 0;
  return Larger(kFileHeaderBytes + layout.infoBytes,
                SaturatingSum(layout.pixelStart, layout.pixelBytes));
}

}  // namespace

BmpHeader DescribeBmp(const uint8_t* head, size_t headBytes) { return Describe(head, headBytes); }

BmpLayout LayoutBmp(const BmpHeader& bmp, uint64_t fileLength) {
  const uint64_t needed = LengthNeeded(bmp);
  if (needed == 0 || fileLength < needed) return BmpLayout{};
  return Lay(bmp);
}

uint64_t BmpLengthNeeded(const BmpHeader& bmp) { return LengthNeeded(bmp); }

bool BmpLoadsSafely(const BmpHeader& bmp, uint64_t fileLength) {
  return LayoutBmp(bmp, fileLength).pixels != BmpPixels::kRefused;
}

void PrepareBitmapInfo(uint8_t* info, const BmpLayout& layout) {
  const uint32_t headerSize = Le32(info);
  if (headerSize == kCoreHeaderBytes) return;  // a core header counts no colours
  if (Le32(info + kColoursUsedAt) > layout.colourEntries)
    Put32(info + kColoursUsedAt, layout.colourEntries);
  if (headerSize == kV5HeaderBytes) {
    const uint32_t space = Le32(info + kColourSpaceAt);
    if (space == kProfileLinked || space == kProfileEmbedded)
      Put32(info + kColourSpaceAt, kColourSpaceSrgb);
    Put32(info + kProfileDataAt, 0);
    Put32(info + kProfileSizeAt, 0);
  }
}

bool IsBlackAndWhite(const uint8_t* info, const BmpHeader& bmp, const BmpLayout& layout) {
  if (bmp.bitsPerPixel != 1 || layout.colourEntries < 2) return false;
  const bool core = bmp.headerSize == kCoreHeaderBytes;
  const uint8_t* table = info + layout.infoBytes - (core ? 3 : 4) * layout.colourEntries;
  const uint8_t black[4] = {0, 0, 0, 0}, white[4] = {0xFF, 0xFF, 0xFF, 0};
  const size_t entry = core ? 3 : 4;
  for (size_t i = 0; i < entry; ++i)
    if (table[i] != black[i] || table[entry + i] != white[i]) return false;
  return true;
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
  const uint32_t fields[][2] = {{10, pixelOffset}, {14, headerSize}, {18, 3}, {22, 2}, {26, 1}, {28, 24}};
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
static_assert(NeededBy(HeadOf(40, 14)) == 54 + 2 * 12, "offset 14: behind the colour table");
static_assert(NeededBy(HeadOf(0xFFFFFFF2u, 0)) == 0, "a header size near 4 GiB is no header");
static_assert(NeededBy(HeadOf(40, 0xFFFFFFF0u)) == uint64_t{0xFFFFFFF0u} + 2 * 12,
              "a pixel offset near 4 GiB lies past the file");

}  // namespace

// ---------------------------------------------------------------------------
// The held copy and the file

HeldCopy CompareHeldCopy(const CopyOrigin& copy, const char* file, const FileStamp& now) {
  if (strcmp(file, copy.file) != 0) return HeldCopy::kAnotherFile;
  if (StampWasRead(now) && !SameStamp(now, copy.stamp)) return HeldCopy::kAnotherFile;
  return copy.reloadTime == 0 ? HeldCopy::kSameFileSettled : HeldCopy::kSameFileNotSettled;
}

bool CanReuseSheet(HeldCopy copy, const SheetIdentity& wanted, const SheetIdentity& held,
                   bool heldIsKeyed, bool transparencyOn) {
  return transparencyOn && copy == HeldCopy::kSameFileSettled &&
         strcmp(wanted.path, held.path) == 0 && wanted.keyColour == held.keyColour &&
         (!heldIsKeyed || wanted.backgroundColour == held.backgroundColour);
}

bool HeldCopyIsTheFile(HeldCopy copy, bool stampRead, const SheetIdentity& wanted,
                       const SheetIdentity& held, bool heldIsClean) {
  return heldIsClean && stampRead && copy == HeldCopy::kSameFileSettled &&
         held.keyColour <= 0x00FFFFFF && strcmp(wanted.path, held.path) == 0;
}
