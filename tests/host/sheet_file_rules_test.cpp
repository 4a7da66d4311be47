// The rules about the sheet's file: which names are resolved against the
// current folder, when the tick's next look is due and when a copy must be
// loaded once more, whether a BMP file is as long as its headers say, which
// files never reach the loader, which files the sheet load takes as DIB
// sections in their own format (whole, uncompressed, bottom-up files of 24
// and 32 bits), and when the held copy can stand for the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "sheet/sheet_file_core.h"
#include "tools/bmp_file_core.h"

namespace {

using Bytes = std::vector<uint8_t>;

TEST(SheetCheckTest, LooksAreDueAfterTheirIntervalAcrossTheTickCountsWrap) {
  const uint32_t check = kSheetCheckInterval, quiet = kSheetQuietLookInterval;
  const struct { uint32_t last, now, interval; bool due; } cases[] = {
      {1000, 1000, check, false},
      {1000, 1299, check, false},
      {1000, 1300, check, true},
      {1000, 90000, check, true},
      // 49.7 days after boot the count wraps to 0.
      {0xFFFFFF00u, 0x0000002Bu, check, false},  // 299 ms across the wrap
      {0xFFFFFF00u, 0x0000002Cu, check, true},   // 300 ms across it
      {0xFFFFFFFFu, 0xFFFFFFFFu, check, false},
      {0x7FFFFFFFu, 0xFFFFFFFFu, check, true},   // a timer's longest period apart
      // A folder that reports nothing: its file is looked at every 2 s.
      {1000, 2999, quiet, false},
      {1000, 3000, quiet, true},
      {0xFFFFFC18u, 0x000003E8u, quiet, true},  // 2000 ms across the wrap
  };
  for (const auto& c : cases)
    EXPECT_EQ(IntervalHasPassed(c.now, c.last, c.interval), c.due)
        << std::hex << c.last << " then " << c.now << ", every " << std::dec << c.interval;
}

TEST(SheetNameTest, OnlyDriveAndNetworkNamesAreNotRelative) {
  const struct { const char* name; bool relative; } cases[] = {
      {"twin.bmp", true},
      {"sub\\twin.bmp", true},
      {".\\twin.bmp", true},
      {"..\\twin.bmp", true},
      {"", true},
      {"\\twin.bmp", true},       // the current drive's root
      {"/twin.bmp", true},
      {"C:twin.bmp", true},         // drive C's current folder
      {"C:\\twin.bmp", false},
      {"z:/twin.bmp", false},
      {"C:", true},
      {"\\\\server\\share\\twin.bmp", false},
      {"//server/share/twin.bmp", false},
      {"1:\\twin.bmp", true},     // no drive letter
      // 表 (95 5C) and ア (83 41): double-byte names, a trail byte 0x5C.
      {"\x95\x5C\x8E\xA6.bmp", true},
      {"\x83\x41:\\a.bmp", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsRelativeName(c.name), c.relative) << c.name;
}

TEST(SheetCheckTest, ACopyLoadedWithinAWholeSecondStampsStepIsLoadedOnceMoreAfterIt) {
  constexpr uint64_t kSecond = kFileTimeSecond;
  const uint64_t t = 13'000'000'000 * kSecond;  // a whole second
  // The first copy with the stamp began to load at `first`; 0: this one.
  const struct { const char* name; uint64_t written, loadStart, first, reloadAt; } cases[] = {
      {"loaded in the same second", t, t + 1, 0, t + 2 * kSecond},
      {"an odd whole second", t + kSecond, t + kSecond + 1, 0, t + 3 * kSecond},
      {"loaded 1.9999999 s later", t, t + 2 * kSecond - 1, 0, t + 2 * kSecond},
      {"loaded 2 s later: settled", t, t + 2 * kSecond, 0, 0},
      {"a finer stamp tells every save", t + 1234567, t + 1234568, 0, 0},
      {"a stamp of no file", 0, t, 0, 0},
      {"a stamp of no file, nothing loaded yet", 0, 0, 0, 0},
      {"the last whole second", UINT64_MAX / kSecond * kSecond, UINT64_MAX - 1, 0, 0},
      // A write time ahead of this clock: the write came before the first
      // copy with its stamp, so one load a step after that one settles it.
      {"written a minute ahead", t + 60 * kSecond, t, 0, t + 2 * kSecond},
      {"a minute ahead, loaded again a step after the first", t + 60 * kSecond, t + 2 * kSecond,
       t, 0},
      {"a minute ahead, loaded again within the step", t + 60 * kSecond, t + kSecond, t,
       t + 2 * kSecond},
      {"rounded up a second past the load", t + kSecond, t, 0, t + 2 * kSecond},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReloadTimeForCoarseStamp(c.written, c.loadStart, c.first == 0 ? c.loadStart : c.first),
              c.reloadAt)
        << c.name;
}

void Poke(Bytes& bytes, size_t at, uint32_t value, int byteCount = 4) {
  for (int i = 0; i < byteCount; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// A file header and a bitmap header of `headerSize` bytes with the given
// fields, then `rest` bytes (masks, palette, pixels, profile). The pixel
// offset is left 0 for the caller to poke.
Bytes Bmp(uint32_t headerSize, int32_t width, int32_t height, int bits, uint32_t compression,
          size_t rest, uint32_t imageSize = 0, uint32_t coloursUsed = 0) {
  Bytes b(14 + headerSize + rest, 0);
  b[0] = 'B';
  b[1] = 'M';
  Poke(b, 14, headerSize);
  if (headerSize == 12) {
    Poke(b, 18, static_cast<uint32_t>(width), 2);
    Poke(b, 20, static_cast<uint32_t>(height), 2);
    Poke(b, 24, static_cast<uint32_t>(bits), 2);
    return b;
  }
  Poke(b, 18, static_cast<uint32_t>(width));
  Poke(b, 22, static_cast<uint32_t>(height));
  Poke(b, 28, static_cast<uint32_t>(bits), 2);
  Poke(b, 30, compression);
  Poke(b, 34, imageSize);
  Poke(b, 46, coloursUsed);
  return b;
}
Bytes WithOffset(Bytes b, uint32_t offset) {
  Poke(b, 10, offset);
  return b;
}

Bytes Encoded(int width, int height, int bits, size_t paletteEntries) {
  return EncodeBmp(width, height, bits, std::vector<uint32_t>(paletteEntries, 0x00102030u),
                   [](int x, int y) { return static_cast<uint32_t>(x * 7 + y); });
}
Bytes Poked(Bytes b, size_t at, uint32_t value) {
  Poke(b, at, value);
  return b;
}
Bytes Cut(Bytes b, size_t length) {
  b.resize(length);
  return b;
}

// A V5 header with an embedded colour profile of 20 bytes behind the
// 24-bit pixels of 3 x 2 (two rows of 12 bytes): data at 148 bytes from the
// header's start, ending at 14 + 148 + 20.
Bytes WithProfile() {
  Bytes b = WithOffset(Bmp(124, 3, 2, 24, 0, 24 + 20), 14 + 124);
  Poke(b, 14 + 56, 0x4D424544);  // 'MBED'
  Poke(b, 14 + 112, 124 + 24);
  Poke(b, 14 + 116, 20);
  return b;
}

// The file's first bytes as the program reads them, at most kBmpHeadBytes.
BmpHeader Head(const Bytes& file, size_t length) {
  return DescribeBmp(file.data(), std::min(length, kBmpHeadBytes));
}

// Whether the loader may see the file's first `length` bytes as a file.
bool LoadsSafely(const Bytes& file, size_t length) {
  return BmpLoadsSafely(Head(file, length), length);
}

TEST(BmpLoaderRuleTest, AWholeFileOfEachKindLoadsAndCutAnywhereDoesNot) {
  const struct {
    const char* name;
    Bytes file;        // whole: the loader reads exactly these bytes
    size_t pixelsAt;   // where the pixel data starts
  } cases[] = {
      {"1-bit, padded rows", Encoded(9, 2, 1, 2), 54 + 8},
      {"2-bit", WithOffset(Bmp(40, 5, 3, 2, 0, 16 + 12), 70), 70},
      {"4-bit", Encoded(7, 5, 4, 16), 54 + 64},
      {"8-bit", Encoded(5, 3, 8, 256), 54 + 1024},
      {"8-bit, colours used 0: a full palette", Poked(Encoded(5, 3, 8, 256), 46, 0), 54 + 1024},
      {"8-bit, three colours used", Encoded(5, 3, 8, 3), 54 + 12},
      {"24-bit", Encoded(13, 7, 24, 0), 54},
      {"32-bit", Encoded(3, 2, 32, 0), 54},
      {"64-bit", WithOffset(Bmp(40, 3, 2, 64, 0, 48), 54), 54},
      {"24-bit top-down", Poked(Encoded(13, 7, 24, 0), 22, static_cast<uint32_t>(-7)), 54},
      {"16-bit", WithOffset(Bmp(40, 3, 2, 16, 0, 16), 54), 54},
      // Pixel offset 0: the pixels follow the headers, masks and palette.
      {"16-bit bitfields: three masks behind the header", Bmp(40, 3, 2, 16, 3, 12 + 16), 66},
      {"32-bit alpha bitfields: four masks", Bmp(40, 3, 2, 32, 6, 16 + 24), 70},
      {"V4 header holds its masks", Bmp(108, 3, 2, 32, 3, 24), 122},
      {"core header, 24-bit", WithOffset(Bmp(12, 3, 2, 24, 0, 24), 26), 26},
      {"core header, 8-bit: 3-byte palette entries", WithOffset(Bmp(12, 2, 2, 8, 0, 768 + 8), 794), 794},
      {"core header, 1-bit, pixel offset 0", Bmp(12, 9, 2, 1, 0, 6 + 8), 32},
      {"RLE8: the image size stated", WithOffset(Bmp(40, 300, 200, 8, 1, 1024 + 100, 100), 1078), 1078},
      {"RLE4", WithOffset(Bmp(40, 30, 20, 4, 2, 64 + 40, 40), 118), 118},
      // Depth 0: one palette entry, as the loader counts it.
      {"JPEG in a V5 header", WithOffset(Bmp(124, 3, 2, 0, 4, 4 + 50, 50), 142), 142},
      {"pixels at an offset beyond the headers", WithOffset(Bmp(40, 3, 2, 24, 0, 46 + 24), 100), 100},
      // The loader takes at most 256 colours; offset 0: behind them.
      {"8-bit, colours used 1000 counts as 256",
       WithOffset(Poked(Encoded(5, 3, 8, 256), 46, 1000), 0), 54 + 1024},
      {"4-bit, colours used 300 counts as 256",
       WithOffset(Bmp(40, 3, 2, 4, 0, 1024 + 8, 0, 300), 0), 54 + 1024},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t size = c.file.size();
    ASSERT_FALSE(c.file.empty());
    EXPECT_EQ(BmpLengthNeeded(Head(c.file, size)), size);
    EXPECT_TRUE(LoadsSafely(c.file, size));
    EXPECT_TRUE(LoadsSafely(c.file, size + 1)) << "bytes behind the image do no harm";
    // Cut in the file header, the bitmap header, just before the pixels
    // (in the palette or masks where there are any), half-way through the
    // pixels, and one byte short.
    for (size_t cut : {size_t{0}, size_t{10}, size_t{24}, c.pixelsAt - 1,
                       (c.pixelsAt + size) / 2, size - 1})
      EXPECT_FALSE(LoadsSafely(c.file, cut)) << "cut at " << cut;
  }
}

TEST(BmpLoaderRuleTest, WhereTheLoaderStopsReadingAndFilesItMustNotSee) {
  const Bytes file = Encoded(5, 3, 24, 0);  // 102 bytes: rows of 16 from byte 54
  const struct {
    const char* name;
    Bytes head;
    uint64_t needed;  // 0: the loader's reads cannot be told
  } cases[] = {
      {"65535 x 65535 at 32 bits: 16 GiB", WithOffset(Bmp(40, 65535, 65535, 32, 0, 0), 54),
       54 + uint64_t{65535} * 65535 * 4},
      {"65535 x 65535 top-down at 64 bits", WithOffset(Bmp(40, 65535, -65535, 64, 0, 0), 54),
       54 + uint64_t{65535} * 65535 * 8},
      {"20000 x 20000 at 24 bits", WithOffset(Bmp(40, 20000, 20000, 24, 0, 0), 54),
       54 + uint64_t{60000} * 20000},
      {"and a palette of 2^32 - 1 colours, of which 256 are kept",
       Bmp(40, 20000, 20000, 24, 0, 0, 0, UINT32_MAX), 54 + 1024 + uint64_t{60000} * 20000},
      // The platform's loader takes nothing wider or taller.
      {"65536 wide", WithOffset(Bmp(40, 65536, 1, 32, 0, 0), 54), 0},
      {"65536 high", WithOffset(Bmp(40, 1, 65536, 32, 0, 0), 54), 0},
      {"65536 high, top-down", WithOffset(Bmp(40, 1, -65536, 32, 0, 0), 54), 0},
      {"the widest and tallest", WithOffset(Bmp(40, INT32_MAX, INT32_MIN, 32, 0, 0), 54), 0},
      {"RLE image size near 4 GiB", WithOffset(Bmp(40, 3, 2, 8, 1, 0, UINT32_MAX, 1), 58),
       58 + uint64_t{UINT32_MAX}},
      {"RLE8 image size past the end", WithOffset(Bmp(40, 3, 2, 8, 1, 1024 + 10, 100), 1078),
       1078 + 100},
      // Where the pixels lie, as the loader takes them from the offset.
      {"pixel offset at the file's end", WithOffset(file, 102), 102 + 48},
      {"pixel offset past the end", WithOffset(file, 1000), 1000 + 48},
      {"pixel offset 0x80000000", WithOffset(file, 0x80000000u), 0x80000000u + uint64_t{48}},
      {"pixel offset 0xFFFFFFF0: no wrap", WithOffset(file, 0xFFFFFFF0u), 0xFFFFFFF0u + uint64_t{48}},
      {"pixel offset 14: behind the colour table, as 0", WithOffset(file, 14), 54 + 48},
      {"header size 0xFFFFFFF2: no header", Poked(Bmp(124, 3, 2, 24, 0, 0), 14, 0xFFFFFFF2u), 0},
      {"header size 64 (OS/2): not one the loader takes", Bmp(64, 3, 2, 24, 0, 24), 0},
      {"header size 52", Bmp(52, 3, 2, 24, 0, 24), 0},
      // The whole colour table the header counts is read, even where the
      // pixels start inside it.
      {"8-bit, a short palette followed by the pixels", Poked(Encoded(5, 3, 8, 16), 46, 0),
       54 + 1024},
      {"V5 header: an embedded profile is not read", WithProfile(), 14 + 124 + 24},
      {"not BM", Poked(Bmp(40, 3, 2, 24, 0, 0), 0, 'B' | 'A' << 8), 0},
      {"unknown header size 20", Bmp(20, 3, 2, 24, 0, 20), 0},
      {"width 0", Bmp(40, 0, 2, 24, 0, 0), 0},
      {"width negative", Bmp(40, -3, 2, 24, 0, 0), 0},
      {"height 0", Bmp(40, 3, 0, 24, 0, 0), 0},
      {"core header, width 0", Bmp(12, 0, 2, 24, 0, 0), 0},
      {"depth 0 uncompressed", Bmp(40, 3, 2, 0, 0, 0), 0},
      {"depth 7", Bmp(40, 3, 2, 7, 0, 0), 0},
      {"bitfields at 24 bits", Bmp(40, 3, 2, 24, 3, 12), 0},
      {"compression 99", Bmp(40, 3, 2, 24, 99, 0), 0},
      {"RLE8 without an image size", Bmp(40, 3, 2, 8, 1, 0), 0},
      {"pixel offset 1: inside the file header", WithOffset(Bmp(40, 3, 2, 24, 0, 24), 1), 0},
      {"pixel offset 2", WithOffset(Bmp(40, 3, 2, 32, 0, 24), 2), 0},
      {"pixel offset 13", WithOffset(Bmp(40, 3, 2, 24, 0, 24), 13), 0},
      {"core header, pixel offset 13", WithOffset(Bmp(12, 3, 2, 24, 0, 24), 13), 0},
      {"pixel offset 13, only the file header there", Cut(WithOffset(file, 13), 14), 0},
      {"cut in the file header", Cut(Bmp(12, 3, 2, 24, 0, 0), 12), 0},
      {"cut in a core header", Cut(Bmp(12, 3, 2, 24, 0, 0), 25), 0},
      {"cut in an info header", Cut(Bmp(40, 3, 2, 24, 0, 0), 50), 0},
      {"cut in a V5 header", Cut(WithProfile(), 137), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const BmpHeader head = Head(c.head, c.head.size());
    EXPECT_EQ(BmpLengthNeeded(head), c.needed);
    EXPECT_FALSE(BmpLoadsSafely(head, c.needed - 1)) << "one byte short";
    EXPECT_EQ(BmpLoadsSafely(head, c.needed), c.needed != 0);
  }
}

TEST(SheetFile, UncompressedTrueColourFilesAreReadIntoDibSectionsAndOthersDrawn) {
  constexpr BmpPixels kDib = BmpPixels::kIntoDibSection, kDrawn = BmpPixels::kDrawn,
                      kRefused = BmpPixels::kRefused;
  // 5 x 3 pixels: rows of 16 bytes at 24 bits, 20 at 32, from byte 54.
  const struct {
    const char* name;
    int bits;
    std::vector<std::pair<size_t, uint32_t>> fields;  // patched into the header
    int64_t sizeChange;  // bytes added to (or cut from) the file's size
    BmpPixels pixels;
  } cases[] = {
      {"24 bits", 24, {}, 0, kDib},
      {"32 bits", 32, {}, 0, kDib},
      {"bytes after the pixels", 24, {}, 9, kDib},
      {"a 108-byte info header", 24, {{14, 108}, {10, 122}}, 68, kDib},
      {"a 124-byte info header", 24, {{14, 124}, {10, 138}}, 84, kDib},
      {"a colour table before the pixels", 24, {{46, 2}, {10, 62}}, 8, kDib},
      {"top-down: a top-down section", 24, {{22, static_cast<uint32_t>(-3)}}, 0, kDib},
      {"pixel offset 0", 24, {{10, 0}}, 0, kDib},
      {"pixel offset 14", 24, {{10, 14}}, 0, kDib},
      {"pixels inside the info header, taken as they stand", 24, {{10, 50}}, 0, kDib},
      {"a colour table running into the pixels", 24, {{46, 1}}, 0, kDib},
      {"8 bits", 8, {}, 0, kDrawn},
      {"two planes", 24, {{26, 2}}, 0, kDrawn},  // the bit count's 24 stays in place
      {"bit fields", 32, {{30, 3}}, 0, kDrawn},
      {"the last row one byte short", 24, {}, -1, kRefused},
      {"pixels beyond the end", 24, {{10, 0x7FFFFFF0u}}, 0, kRefused},
      {"pixel offset 1", 32, {{10, 1}}, 0, kRefused},
      {"pixel offset 2", 24, {{10, 2}}, 0, kRefused},
      {"pixel offset 13", 32, {{10, 13}}, 0, kRefused},
      {"a colour table of 2^32 - 1 colours", 24, {{46, 0xFFFFFFFFu}}, 0, kRefused},
      {"a 12-byte core header: height 0", 24, {{14, 12}}, 0, kRefused},
      {"a 108-byte info header ending past the file", 24, {{14, 108}}, 0, kRefused},
      {"width 0", 24, {{18, 0}}, 0, kRefused},
      {"height 0", 24, {{22, 0}}, 0, kRefused},
      {"the most negative width", 24, {{18, 0x80000000u}}, 0, kRefused},
      {"the largest width and height", 32, {{18, 0x7FFFFFFFu}, {22, 0x7FFFFFFFu}}, 0, kRefused},
      {"AM", 24, {{0, 0x4D41}}, 0, kRefused},
      {"BA", 24, {{0, 0x4142}}, 0, kRefused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = EncodeBmp(5, 3, c.bits, c.bits == 8 ? std::vector<uint32_t>(256, 0) : std::vector<uint32_t>{},
                           [](int x, int y) { return static_cast<uint32_t>(x + y); });
    for (const auto& [at, value] : c.fields) {
      if (at == 0 || at == 26) {  // 16-bit fields
        file[at] = static_cast<uint8_t>(value);
        file[at + 1] = static_cast<uint8_t>(value >> 8);
      } else {
        Poke(file, at, value);
      }
    }
    // Bytes added are really there: a longer header is read from them.
    if (c.sizeChange > 0) file.resize(file.size() + static_cast<size_t>(c.sizeChange));
    const uint64_t size = c.sizeChange > 0 ? file.size() : file.size() + c.sizeChange;
    const BmpLayout layout = LayoutBmp(Head(file, file.size()), size);
    EXPECT_EQ(layout.pixels, c.pixels);
    if (c.pixels == kRefused) continue;
    EXPECT_EQ(layout.width, 5);
    EXPECT_EQ(layout.height, 3) << "positive whichever way the rows lie";
    EXPECT_LE(layout.pixelStart + layout.pixelBytes, size);
  }
  // A file shorter than its file header and 40-byte info header, whatever
  // its first bytes say.
  constexpr size_t kInfoHeadBytes = 54;
  const Bytes whole = EncodeBmp(5, 3, 24, {}, [](int, int) { return 0u; });
  EXPECT_EQ(LayoutBmp(Head(whole, kInfoHeadBytes), whole.size()).pixels, kDib);
  EXPECT_EQ(LayoutBmp(Head(whole, kInfoHeadBytes - 1), whole.size()).pixels, kRefused);
  EXPECT_EQ(LayoutBmp(Head(whole, kInfoHeadBytes), kInfoHeadBytes - 1).pixels, kRefused);
}

// The copy of the header handed to the platform: a count of colours past
// the table held says how many it holds, and a version 5 header names no
// colour profile; a 1-bit file of black, then white, is monochrome.
TEST(SheetFile, TheInfoHandedToThePlatformHoldsWhatTheLayoutHolds) {
  const struct {
    const char* name;
    Bytes file;
    uint32_t coloursUsed, colourSpace, profileData, profileSize;
  } cases[] = {
      {"colours used 1000 at 8 bits: 256", WithOffset(Poked(Encoded(5, 3, 8, 256), 46, 1000), 0),
       256, 0, 0, 0},
      {"colours used 3 stays", Encoded(5, 3, 8, 3), 3, 0, 0, 0},
      {"an embedded profile", WithProfile(), 0, 0x73524742, 0, 0},
      {"a linked profile", Poked(WithProfile(), 14 + 56, 0x4C494E4B), 0, 0x73524742, 0, 0},
      {"calibrated RGB keeps its space", Poked(WithProfile(), 14 + 56, 0), 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const BmpLayout layout = LayoutBmp(Head(c.file, c.file.size()), c.file.size());
    ASSERT_NE(layout.pixels, BmpPixels::kRefused);
    Bytes info(c.file.begin() + 14, c.file.begin() + 14 + layout.infoBytes);
    PrepareBitmapInfo(info.data(), layout);
    const auto field = [&](size_t at) {
      return at + 4 > info.size() ? 0u
                                  : info[at] | info[at + 1] << 8 | info[at + 2] << 16 |
                                        static_cast<uint32_t>(info[at + 3]) << 24;
    };
    EXPECT_EQ(field(32), c.coloursUsed);
    if (field(0) != 124) continue;
    EXPECT_EQ(field(56), c.colourSpace);
    EXPECT_EQ(field(112), c.profileData);
    EXPECT_EQ(field(116), c.profileSize);
  }
  const auto blackAndWhite = [](std::vector<uint32_t> palette, uint32_t headerSize) {
    Bytes file = EncodeBmp(9, 2, 1, palette, [](int x, int) { return x & 1u; });
    if (headerSize == 12) {  // the same colours as 3-byte entries behind a core header
      Bytes core = Bmp(12, 9, 2, 1, 0, 6 + 8);
      for (size_t i = 0; i < 2; ++i)
        for (size_t k = 0; k < 3; ++k) core[26 + 3 * i + k] = file[54 + 4 * i + k];
      file = core;
    }
    const BmpHeader head = Head(file, file.size());
    const BmpLayout layout = LayoutBmp(head, file.size());
    return IsBlackAndWhite(file.data() + 14, head, layout);
  };
  EXPECT_TRUE(blackAndWhite({0x000000, 0xFFFFFF}, 40));
  EXPECT_TRUE(blackAndWhite({0x000000, 0xFFFFFF}, 12));
  EXPECT_FALSE(blackAndWhite({0xFFFFFF, 0x000000}, 40)) << "white first";
  EXPECT_FALSE(blackAndWhite({0x000000, 0xFFFFFE}, 40));
  EXPECT_FALSE(blackAndWhite({0x000000, 0xFFFFFE}, 12));
}

// What the held copy is to the file a look finds now.
TEST(CompareHeldCopyTest, TheSameFileUnchangedAndSettledOrNot) {
  const FileStamp stamp = {1234, 0x01DB000012345678ull};
  const CopyOrigin copy = {"C:\\sprites\\walk.bmp", stamp, 0};
  const CopyOrigin coarse = {"C:\\sprites\\walk.bmp", stamp, 0x01DB000012345678ull + 1};
  const CopyOrigin nothingLoaded = {"", {0, 0}, 0};
  constexpr HeldCopy kAnother = HeldCopy::kAnotherFile, kNotSettled = HeldCopy::kSameFileNotSettled,
                     kSettled = HeldCopy::kSameFileSettled;
  const struct {
    const char* name;
    CopyOrigin copy;
    const char* file;
    FileStamp now;
    HeldCopy is;
  } cases[] = {
      {"unchanged", copy, copy.file, stamp, kSettled},
      {"unchanged, a coarse stamp not yet trusted", coarse, copy.file, stamp, kNotSettled},
      {"another file", copy, "C:\\sprites\\run.bmp", stamp, kAnother},
      {"letter case counts", copy, "C:\\sprites\\WALK.bmp", stamp, kAnother},
      {"the file grew", copy, copy.file, {1235, stamp.lastWriteTime}, kAnother},
      {"rewritten at the same size", copy, copy.file, {1234, stamp.lastWriteTime + 1}, kAnother},
      // Gone, or opened by another program that shares nothing: the copy
      // stands for the file.
      {"the stamp cannot be read", copy, copy.file, {0, 0}, kSettled},
      {"the stamp cannot be read, not settled", coarse, copy.file, {0, 0}, kNotSettled},
      {"an empty file is read", copy, copy.file, {0, stamp.lastWriteTime}, kAnother},
      {"nothing loaded yet, an empty name", nothingLoaded, "", {0, 0}, kSettled},
      {"nothing loaded yet, a file", nothingLoaded, copy.file, stamp, kAnother},
  };
  for (const auto& c : cases)
    EXPECT_EQ(static_cast<int>(CompareHeldCopy(c.copy, c.file, c.now)), static_cast<int>(c.is))
        << c.name;
}

// Reuse test: transparency on, the same path, a settled copy of the file as
// it is, the same key as the last pass and, for a keyed copy, the same
// background.
const SheetIdentity kHeld = {"C:\\sprites\\walk.bmp", 0x00FF00FFu, 0x00102030u};
const SheetIdentity kNothingHeld = {"", 0, 0};  // before any load
constexpr HeldCopy kSettled = HeldCopy::kSameFileSettled;

SheetIdentity With(SheetIdentity s, const char* path) { s.path = path; return s; }
SheetIdentity WithKey(SheetIdentity s, uint32_t key) { s.keyColour = key; return s; }
SheetIdentity WithBackground(SheetIdentity s, uint32_t b) { s.backgroundColour = b; return s; }

TEST(CanReuseSheetTest, EveryConditionMustHold) {
  const struct {
    const char* name;
    HeldCopy copy;
    SheetIdentity wanted, held;
    bool heldIsKeyed, transparencyOn, reused;
  } cases[] = {
      {"AllTheSame", kSettled, kHeld, kHeld, true, true, true},
      {"TransparencyOff", kSettled, kHeld, kHeld, true, false, false},
      {"AnotherPath", kSettled, With(kHeld, "C:\\sprites\\run.bmp"), kHeld, true, true, false},
      {"LetterCaseCounts", kSettled, With(kHeld, "C:\\sprites\\WALK.bmp"), kHeld, true, true, false},
      {"APrefixIsAnotherPath", kSettled, With(kHeld, "C:\\sprites\\walk.bm"), kHeld, true, true,
       false},
      {"JapaneseByteForByte", kSettled, With(kHeld, "\x95\x5c.bmp"), With(kHeld, "\x95\x5c.bmp"),
       true, true, true},
      {"JapaneseTrailByteDiffers", kSettled, With(kHeld, "\x95\x5d.bmp"),
       With(kHeld, "\x95\x5c.bmp"), true, true, false},
      // The file edited in another program since the copy was loaded, or a
      // save its coarse stamp may hide.
      {"AnotherFileOrVersion", HeldCopy::kAnotherFile, kHeld, kHeld, true, true, false},
      {"NotSettled", HeldCopy::kSameFileNotSettled, kHeld, kHeld, true, true, false},
      {"KeyOneStepOff", kSettled, WithKey(kHeld, 0x00FF00FEu), kHeld, true, true, false},
      {"KeyOffOnACleanCopy", kSettled, WithKey(kHeld, 0x00FF00FEu), kHeld, false, true, false},
      // Keyed pixels hold the earlier background: a new one needs a clean copy.
      {"BackgroundChangedOnAKeyedCopy", kSettled, WithBackground(kHeld, 0x00102031u), kHeld, true,
       true, false},
      {"BackgroundChangedOnACleanCopy", kSettled, WithBackground(kHeld, 0x00102031u), kHeld,
       false, true, true},
      // Nothing loaded yet: an empty path field with a black key and no file.
      {"BeforeAnyLoadEmptyPathAndBlackKey", kSettled, WithBackground(kNothingHeld, 0x00FFFFFFu),
       kNothingHeld, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CanReuseSheet(c.copy, c.wanted, c.held, c.heldIsKeyed, c.transparencyOn), c.reused);
  }
}

// A clean copy of the same unchanged file is what a load would give,
// whatever the key, the background and the transparency box.
TEST(HeldCopyIsTheFileTest, OnlyACleanSettledCopyOfTheSamePathAndAFileThere) {
  const struct {
    const char* name;
    HeldCopy copy;
    bool stampRead;
    SheetIdentity wanted, held;
    bool heldIsClean, isTheFile;
  } cases[] = {
      {"AllTheSame", kSettled, true, kHeld, kHeld, true, true},
      {"AnotherKey", kSettled, true, WithKey(kHeld, 0x00FF00FEu), kHeld, true, true},
      {"AnotherBackground", kSettled, true, WithBackground(kHeld, 0x00102031u), kHeld, true, true},
      {"KeyedCopy", kSettled, true, kHeld, kHeld, false, false},
      {"AnotherPath", kSettled, true, With(kHeld, "C:\\sprites\\run.bmp"), kHeld, true, false},
      {"LetterCaseCounts", kSettled, true, With(kHeld, "C:\\sprites\\WALK.bmp"), kHeld, true, false},
      {"AnotherFileOrVersion", HeldCopy::kAnotherFile, true, kHeld, kHeld, true, false},
      {"NotSettled", HeldCopy::kSameFileNotSettled, true, kHeld, kHeld, true, false},
      // A file that cannot be looked at now gives no copy: the load is tried
      // and says so.
      {"FileGone", kSettled, false, kHeld, kHeld, true, false},
      {"NothingHeld", kSettled, false, WithBackground(kNothingHeld, 0x00FFFFFFu), kNothingHeld,
       false, false},
      // A pass that stopped part-way: still marked for a pass, no last key.
      {"KeyedInPart", kSettled, true, kHeld, WithKey(kHeld, 0xFFFFFFFFu), true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HeldCopyIsTheFile(c.copy, c.stampRead, c.wanted, c.held, c.heldIsClean), c.isTheFile);
  }
}

}  // namespace
