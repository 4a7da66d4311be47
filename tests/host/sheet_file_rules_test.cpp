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

TEST(SheetCheckTest, DueEvery300MillisecondsAcrossTheTickCountsWrap) {
  const struct { uint32_t last, now; bool due; } cases[] = {
      {1000, 1000, false},
      {1000, 1299, false},
      {1000, 1300, true},
      {1000, 90000, true},
      // 49.7 days after boot the count wraps to 0.
      {0xFFFFFF00u, 0x0000002Bu, false},  // 299 ms across the wrap
      {0xFFFFFF00u, 0x0000002Cu, true},   // 300 ms across it
      {0xFFFFFFFFu, 0xFFFFFFFFu, false},
      {0x7FFFFFFFu, 0xFFFFFFFFu, true},   // a timer's longest period apart
  };
  for (const auto& c : cases)
    EXPECT_EQ(SheetCheckIsDue(c.now, c.last), c.due) << std::hex << c.last << " then " << c.now;
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
  const struct { const char* name; uint64_t written, loadStart, reloadAt; } cases[] = {
      {"loaded in the same second", t, t + 1, t + 2 * kSecond},
      {"an odd whole second", t + kSecond, t + kSecond + 1, t + 3 * kSecond},
      {"loaded 1.9999999 s later", t, t + 2 * kSecond - 1, t + 2 * kSecond},
      {"loaded 2 s later: settled", t, t + 2 * kSecond, 0},
      {"loaded before the stamp (a clock behind)", t, t - 5 * kSecond, t + 2 * kSecond},
      {"a finer stamp tells every save", t + 1234567, t + 1234568, 0},
      {"a stamp of no file", 0, t, 0},
      {"a stamp of no file, nothing loaded yet", 0, 0, 0},
      {"the last whole second", UINT64_MAX / kSecond * kSecond, UINT64_MAX - 1, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReloadTimeForCoarseStamp(c.written, c.loadStart), c.reloadAt) << c.name;
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

bool IsWhole(const Bytes& file, size_t length) { return BmpFileIsWhole(Head(file, length), length); }

TEST(BmpWholeTest, AWholeFileOfEachKindIsWholeAndCutAnywhereIsNot) {
  const struct {
    const char* name;
    Bytes file;        // whole: its headers describe exactly these bytes
    size_t pixelsAt;   // where the pixel data starts
  } cases[] = {
      {"1-bit, padded rows", Encoded(9, 2, 1, 2), 54 + 8},
      {"4-bit", Encoded(7, 5, 4, 16), 54 + 64},
      {"8-bit", Encoded(5, 3, 8, 256), 54 + 1024},
      {"8-bit, colours used 0: a full palette", Poked(Encoded(5, 3, 8, 256), 46, 0), 54 + 1024},
      {"8-bit, three colours used", Encoded(5, 3, 8, 3), 54 + 12},
      {"24-bit", Encoded(13, 7, 24, 0), 54},
      {"32-bit", Encoded(3, 2, 32, 0), 54},
      {"24-bit top-down", Poked(Encoded(13, 7, 24, 0), 22, static_cast<uint32_t>(-7)), 54},
      {"16-bit", WithOffset(Bmp(40, 3, 2, 16, 0, 16), 54), 54},
      // Pixel offset 0: the pixels follow the headers, masks and palette.
      {"16-bit bitfields: three masks behind the header", Bmp(40, 3, 2, 16, 3, 12 + 16), 66},
      {"32-bit alpha bitfields: four masks", Bmp(40, 3, 2, 32, 6, 16 + 24), 70},
      {"V4 header holds its masks", Bmp(108, 3, 2, 32, 3, 24), 122},
      {"V5 header, profile behind the pixels", WithProfile(), 138},
      {"core header, 24-bit", WithOffset(Bmp(12, 3, 2, 24, 0, 24), 26), 26},
      {"core header, 8-bit: 3-byte palette entries", WithOffset(Bmp(12, 2, 2, 8, 0, 768 + 8), 794), 794},
      {"RLE8: the image size stated", WithOffset(Bmp(40, 300, 200, 8, 1, 1024 + 100, 100), 1078), 1078},
      {"RLE4", WithOffset(Bmp(40, 30, 20, 4, 2, 64 + 40, 40), 118), 118},
      {"pixels at an offset beyond the headers", WithOffset(Bmp(40, 3, 2, 24, 0, 46 + 24), 100), 100},
      {"pixel offset 14, inside the info header", WithOffset(Bmp(40, 3, 2, 24, 0, 24), 14), 54},
      // Colours used 0 means 256, but the pixels follow 16 entries.
      {"8-bit, a short palette followed by the pixels", Poked(Encoded(5, 3, 8, 16), 46, 0),
       54 + 64},
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
    EXPECT_TRUE(IsWhole(c.file, size));
    EXPECT_TRUE(IsWhole(c.file, size + 1)) << "bytes behind the image do no harm";
    // Cut in the file header, the bitmap header, just before the pixels
    // (in the palette or masks where there are any), half-way through the
    // pixels, and one byte short.
    for (size_t cut : {size_t{0}, size_t{10}, size_t{24}, c.pixelsAt - 1,
                       (c.pixelsAt + size) / 2, size - 1})
      EXPECT_FALSE(IsWhole(c.file, cut)) << "cut at " << cut;
  }
}

TEST(BmpWholeTest, LengthsBeyond32BitsAndHeadsThatCannotBeMeasured) {
  const struct {
    const char* name;
    Bytes head;
    uint64_t needed;  // 0: not measurable, so never whole
  } cases[] = {
      {"65536 x 65536 at 32 bits: 16 GiB", WithOffset(Bmp(40, 65536, 65536, 32, 0, 0), 54),
       54 + (uint64_t{1} << 34)},
      {"20000 x 20000 at 24 bits", WithOffset(Bmp(40, 20000, 20000, 24, 0, 0), 54),
       54 + uint64_t{60000} * 20000},
      // Rows of 2^33 - 4 bytes, 2^31 of them (the height most negative).
      {"the widest and tallest", WithOffset(Bmp(40, INT32_MAX, INT32_MIN, 32, 0, 0), 54),
       UINT64_MAX - (uint64_t{1} << 33) + 1 + 54},
      {"and a palette of 2^32 - 1 colours: beyond 64 bits",
       Bmp(40, INT32_MAX, INT32_MIN, 32, 0, 0, 0, UINT32_MAX), UINT64_MAX},
      {"RLE image size near 4 GiB", WithOffset(Bmp(40, 3, 2, 8, 1, 0, UINT32_MAX, 1), 58),
       58 + uint64_t{UINT32_MAX}},
      {"not BM", Poked(Bmp(40, 3, 2, 24, 0, 0), 0, 'B' | 'A' << 8), 0},
      {"unknown header size 20", Bmp(20, 3, 2, 24, 0, 20), 0},
      {"width 0", Bmp(40, 0, 2, 24, 0, 0), 0},
      {"width negative", Bmp(40, -3, 2, 24, 0, 0), 0},
      {"height 0", Bmp(40, 3, 0, 24, 0, 0), 0},
      {"core header, width 0", Bmp(12, 0, 2, 24, 0, 0), 0},
      {"depth 7", Bmp(40, 3, 2, 7, 0, 0), 0},
      {"bitfields at 24 bits", Bmp(40, 3, 2, 24, 3, 12), 0},
      {"compression 99", Bmp(40, 3, 2, 24, 99, 0), 0},
      {"RLE8 without an image size", Bmp(40, 3, 2, 8, 1, 0), 0},
      {"pixel offset 1: inside the file header", WithOffset(Bmp(40, 3, 2, 24, 0, 24), 1), 0},
      {"pixel offset 2", WithOffset(Bmp(40, 3, 2, 32, 0, 24), 2), 0},
      {"pixel offset 13", WithOffset(Bmp(40, 3, 2, 24, 0, 24), 13), 0},
      {"core header, pixel offset 13", WithOffset(Bmp(12, 3, 2, 24, 0, 24), 13), 0},
      {"cut in the file header", Cut(Bmp(12, 3, 2, 24, 0, 0), 12), 0},
      {"cut in a core header", Cut(Bmp(12, 3, 2, 24, 0, 0), 25), 0},
      {"cut in an info header", Cut(Bmp(40, 3, 2, 24, 0, 0), 50), 0},
      {"cut in a V5 header", Cut(WithProfile(), 137), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const BmpHeader head = Head(c.head, c.head.size());
    EXPECT_EQ(BmpLengthNeeded(head), c.needed);
    EXPECT_EQ(BmpFileIsWhole(head, UINT64_MAX), c.needed != 0);
  }
}

TEST(SheetFile, OnlyAPixelOffsetInsideTheFileHeaderKeepsAFileFromTheLoader) {
  const Bytes file = Encoded(5, 3, 24, 0);
  const struct { const char* name; Bytes head; size_t length; bool refused; } cases[] = {
      {"offset 0", WithOffset(file, 0), file.size(), false},
      {"offset 1", WithOffset(file, 1), file.size(), true},
      {"offset 2", WithOffset(file, 2), file.size(), true},
      {"offset 13", WithOffset(file, 13), file.size(), true},
      {"offset 14", WithOffset(file, 14), file.size(), false},
      {"offset 54", file, file.size(), false},
      {"offset 13, only the file header read", WithOffset(file, 13), 14, true},
      {"offset 13, cut inside the file header", WithOffset(file, 13), 13, false},
      {"offset 13 without BM", Poked(WithOffset(file, 13), 0, 'B' | 'A' << 8), file.size(), false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BmpPixelsInFileHeader(Head(c.head, c.length)), c.refused) << c.name;
}

TEST(SheetFile, OnlyWholeUncompressedBottomUpTrueColourFilesLoadAsDibSections) {
  // 5 x 3 pixels: rows of 16 bytes at 24 bits, 20 at 32, from byte 54.
  const struct {
    const char* name;
    int bits;
    std::vector<std::pair<size_t, uint32_t>> fields;  // patched into the header
    int64_t sizeChange;  // bytes added to (or cut from) the file's size
    bool whole;
  } cases[] = {
      {"24 bits", 24, {}, 0, true},
      {"32 bits", 32, {}, 0, true},
      {"bytes after the pixels", 24, {}, 9, true},
      {"a 108-byte info header", 24, {{14, 108}, {10, 122}}, 68, true},
      {"a 124-byte info header", 24, {{14, 124}, {10, 138}}, 84, true},
      {"a colour table before the pixels", 24, {{46, 2}, {10, 62}}, 8, true},
      {"8 bits", 8, {}, 0, false},
      {"the last row one byte short", 24, {}, -1, false},
      {"pixels beyond the end", 24, {{10, 0x7FFFFFF0u}}, 0, false},
      {"pixels inside the info header", 24, {{10, 50}}, 0, false},
      {"pixel offset 0", 24, {{10, 0}}, 0, false},
      {"pixel offset 1", 32, {{10, 1}}, 0, false},
      {"pixel offset 2", 24, {{10, 2}}, 0, false},
      {"pixel offset 13", 32, {{10, 13}}, 0, false},
      {"pixel offset 14", 24, {{10, 14}}, 0, false},
      {"a colour table running into the pixels", 24, {{46, 1}}, 0, false},
      {"a colour table of 2^32 - 1 colours", 24, {{46, 0xFFFFFFFFu}}, 0, false},
      {"a 12-byte core header", 24, {{14, 12}}, 0, false},
      {"a 108-byte info header ending past the offset", 24, {{14, 108}}, 0, false},
      {"top-down", 24, {{22, static_cast<uint32_t>(-3)}}, 0, false},
      {"width 0", 24, {{18, 0}}, 0, false},
      {"height 0", 24, {{22, 0}}, 0, false},
      {"the most negative width", 24, {{18, 0x80000000u}}, 0, false},
      {"the largest width and height", 32, {{18, 0x7FFFFFFFu}, {22, 0x7FFFFFFFu}}, 0, false},
      {"two planes", 24, {{26, 2}}, 0, false},  // the bit count's 24 stays in place
      {"bit fields", 32, {{30, 3}}, 0, false},
      {"AM", 24, {{0, 0x4D41}}, 0, false},
      {"BA", 24, {{0, 0x4142}}, 0, false},
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
    EXPECT_EQ(IsWholeTrueColourBmp(Head(file, file.size()), size), c.whole);
  }
  // A file shorter than its file header and 40-byte info header, whatever
  // its first bytes say.
  constexpr size_t kInfoHeadBytes = 54;
  const Bytes whole = EncodeBmp(5, 3, 24, {}, [](int, int) { return 0u; });
  EXPECT_TRUE(IsWholeTrueColourBmp(Head(whole, kInfoHeadBytes), whole.size()));
  EXPECT_FALSE(IsWholeTrueColourBmp(Head(whole, kInfoHeadBytes - 1), whole.size()));
  EXPECT_FALSE(IsWholeTrueColourBmp(Head(whole, kInfoHeadBytes), kInfoHeadBytes - 1));
}

// Reuse test: transparency on, the same path, the file unchanged, the same
// key as the last pass and, for a keyed copy, the same background.
const FileStamp kStamp = {1234, 0x01DB000012345678ull};
const SheetIdentity kHeld = {"C:\\sprites\\walk.bmp", kStamp, 0x00FF00FFu, 0x00102030u};
const SheetIdentity kNothingHeld = {"", {0, 0}, 0, 0};  // before any load

SheetIdentity With(SheetIdentity s, const char* path) { s.path = path; return s; }
SheetIdentity With(SheetIdentity s, FileStamp file) { s.file = file; return s; }
SheetIdentity WithKey(SheetIdentity s, uint32_t key) { s.keyColour = key; return s; }
SheetIdentity WithBackground(SheetIdentity s, uint32_t b) { s.backgroundColour = b; return s; }

TEST(CanReuseSheetTest, EveryConditionMustHold) {
  const struct {
    const char* name;
    SheetIdentity wanted, held;
    bool heldIsKeyed, transparencyOn, reused;
  } cases[] = {
      {"AllTheSame", kHeld, kHeld, true, true, true},
      {"TransparencyOff", kHeld, kHeld, true, false, false},
      {"AnotherPath", With(kHeld, "C:\\sprites\\run.bmp"), kHeld, true, true, false},
      {"LetterCaseCounts", With(kHeld, "C:\\sprites\\WALK.bmp"), kHeld, true, true, false},
      {"APrefixIsAnotherPath", With(kHeld, "C:\\sprites\\walk.bm"), kHeld, true, true, false},
      {"JapaneseByteForByte", With(kHeld, "\x95\x5c.bmp"), With(kHeld, "\x95\x5c.bmp"), true,
       true, true},
      {"JapaneseTrailByteDiffers", With(kHeld, "\x95\x5d.bmp"), With(kHeld, "\x95\x5c.bmp"), true,
       true, false},
      // The file edited in another program since the copy was loaded.
      {"FileGrew", With(kHeld, FileStamp{1235, kStamp.lastWriteTime}), kHeld, true, true, false},
      {"FileRewrittenSameSize", With(kHeld, FileStamp{1234, kStamp.lastWriteTime + 1}), kHeld,
       true, true, false},
      {"FileGone", With(kHeld, FileStamp{0, 0}), kHeld, true, true, false},
      {"KeyOneStepOff", WithKey(kHeld, 0x00FF00FEu), kHeld, true, true, false},
      {"KeyOffOnACleanCopy", WithKey(kHeld, 0x00FF00FEu), kHeld, false, true, false},
      // Keyed pixels hold the earlier background: a new one needs a clean copy.
      {"BackgroundChangedOnAKeyedCopy", WithBackground(kHeld, 0x00102031u), kHeld, true, true,
       false},
      {"BackgroundChangedOnACleanCopy", WithBackground(kHeld, 0x00102031u), kHeld, false, true,
       true},
      // Nothing loaded yet: an empty path field with a black key and no file.
      {"BeforeAnyLoadEmptyPathAndBlackKey", WithBackground(kNothingHeld, 0x00FFFFFFu),
       kNothingHeld, false, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CanReuseSheet(c.wanted, c.held, c.heldIsKeyed, c.transparencyOn), c.reused);
  }
}

// A clean copy of the same unchanged file is what a load would give,
// whatever the key, the background and the transparency box.
TEST(HeldCopyIsTheFileTest, OnlyACleanCopyOfTheSamePathAndStamp) {
  const struct {
    const char* name;
    SheetIdentity wanted, held;
    bool heldIsClean, isTheFile;
  } cases[] = {
      {"AllTheSame", kHeld, kHeld, true, true},
      {"AnotherKey", WithKey(kHeld, 0x00FF00FEu), kHeld, true, true},
      {"AnotherBackground", WithBackground(kHeld, 0x00102031u), kHeld, true, true},
      {"KeyedCopy", kHeld, kHeld, false, false},
      {"AnotherPath", With(kHeld, "C:\\sprites\\run.bmp"), kHeld, true, false},
      {"LetterCaseCounts", With(kHeld, "C:\\sprites\\WALK.bmp"), kHeld, true, false},
      {"FileGrew", With(kHeld, FileStamp{1235, kStamp.lastWriteTime}), kHeld, true, false},
      {"FileRewrittenSameSize", With(kHeld, FileStamp{1234, kStamp.lastWriteTime + 1}), kHeld,
       true, false},
      {"FileGone", With(kHeld, FileStamp{0, 0}), kHeld, true, false},
      // The held copy's file could not be read when it loaded, nor now.
      {"NoStampEitherTime", With(kHeld, FileStamp{0, 0}), With(kHeld, FileStamp{0, 0}), true,
       false},
      {"NothingHeld", WithBackground(kNothingHeld, 0x00FFFFFFu), kNothingHeld, false, false},
      // A pass that stopped part-way: still marked for a pass, no last key.
      {"KeyedInPart", kHeld, WithKey(kHeld, 0xFFFFFFFFu), true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HeldCopyIsTheFile(c.wanted, c.held, c.heldIsClean), c.isTheFile);
  }
}

}  // namespace
