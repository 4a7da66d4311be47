// Key colours, the pixel replacement of the key pass, the reuse test of the
// sheet load.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "sheet/key_colour_core.h"

namespace {

TEST(ColourTest, PackColourPutsRedInTheLowByte) {
  const struct { uint32_t red, green, blue, expected; } cases[] = {
      {1, 2, 3, 0x00030201u},
      // Only the low 8 bits of each channel.
      {0x1FF, 0x100, 0x2AA, 0x00AA00FFu},
      {0xFFFFFFFFu, 0, 0, 0x000000FFu},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(PackColour(c.red, c.green, c.blue), c.expected);
  }
}

// 0x00BBGGRR against the 0x00RRGGBB order of a 32-bit DIB pixel: either way
// red and blue trade places and the top byte is dropped.
TEST(ColourTest, DibPixelSwapsRedAndBlue) {
  const struct { uint32_t in, out; } cases[] = {
      {0x00332211u, 0x00112233u},
      {0xAA332211u, 0x00112233u},
      {0xFF112233u, 0x00332211u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_EQ(ColourToDibPixel(c.in), c.out);
    EXPECT_EQ(DibPixelToColour(c.in), c.out);
    EXPECT_EQ(DibPixelToColour(ColourToDibPixel(c.in)), c.in & 0xFFFFFFu);
  }
}

constexpr uint32_t kKey = 0x00102030u;         // a DIB pixel
constexpr uint32_t kBackground = 0x00FFFFFFu;  // white

TEST(ReplaceKeyPixelsTest, OnlyKeyPixelsWithinTheCountTakeTheBackground) {
  const struct {
    const char* name;
    std::vector<uint32_t> pixels;  // all of them counted
    uint32_t key, background;
    std::vector<size_t> replaced;  // the rest stay as they are, top byte and all
    std::vector<uint32_t> behind = {};  // after the counted pixels
  } cases[] = {
      {"OnlyExactMatches",
       {kKey, 0x00102031u, 0x0010202Fu, 0x00102130u, 0x00101F30u, 0x00112030u, 0x000F2030u,
        0x00000000u, kKey, 0x00302010u},  // one channel a step off, or in the other order
       kKey, kBackground, {0, 8}},
      {"TopByteOfAPixelIsIgnored", {0xFF102030u, 0x80102030u, 0xFF102031u}, kKey, kBackground,
       {0, 1}},
      {"TopByteOfTheKeyIsIgnored", {kKey}, 0xFF000000u | kKey, kBackground, {0}},
      {"KeyEqualToBackgroundChangesNothingVisible", {kKey, 0x00000001u, kKey, 0x00ABCDEFu}, kKey,
       kKey, {0, 2}},
      {"NoKeyPixel", {0x00000000u, 0xFF102031u, 0x00FFFFFFu}, kKey, kBackground, {}},
      {"StaysWithinCount", {kKey, kKey, kKey}, kKey, kBackground, {0, 1, 2}, {kKey}},
      {"NothingCounted", {}, kKey, kBackground, {}, {kKey}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The counted pixels and those behind them, on the heap at exactly that size.
    std::vector<uint32_t> row(c.pixels.size() + c.behind.size());
    std::copy(c.behind.begin(), c.behind.end(),
              std::copy(c.pixels.begin(), c.pixels.end(), row.begin()));
    const std::vector<uint32_t> before = row;
    EXPECT_EQ(ReplaceKeyPixels(row.data(), c.pixels.size(), c.key, c.background),
              !c.replaced.empty());
    for (size_t i = 0; i < row.size(); ++i) {
      if (std::count(c.replaced.begin(), c.replaced.end(), i) == 0)
        EXPECT_EQ(row[i], before[i]) << "pixel " << i;
      else if (before[i] >> 24 != 0)  // of a pixel with a top byte, only the colour is promised
        EXPECT_EQ(row[i] & 0xFFFFFFu, c.background) << "pixel " << i;
      else
        EXPECT_EQ(row[i], c.background) << "pixel " << i;
    }
  }
}

TEST(ReplaceKeyPixelsTest, AgreesWithAPlainLoopOnRandomRows) {
  // Odd lengths and starts off the vector alignment, so the vectorised body,
  // its head and its tail are all checked; keys and near misses are common.
  std::mt19937 random(77);
  const uint32_t near[] = {kKey, kKey ^ 1u, kKey ^ 0x100u, kKey ^ 0x10000u, kKey | 0xFF000000u};
  for (size_t length : {0u, 1u, 3u, 4u, 5u, 7u, 15u, 16u, 17u, 31u, 33u, 63u, 64u, 65u, 1001u}) {
    for (size_t start : {0u, 1u, 2u, 3u}) {
      std::vector<uint32_t> row(start + length + 1);
      for (uint32_t& p : row) p = random() % 3 == 0 ? near[random() % 5] : random();
      std::vector<uint32_t> expected = row;
      bool anyExpected = false;
      for (size_t i = start; i < start + length; ++i)
        if ((expected[i] & 0xFFFFFFu) == kKey) {
          expected[i] = kBackground;
          anyExpected = true;
        }
      EXPECT_EQ(ReplaceKeyPixels(row.data() + start, length, kKey, kBackground), anyExpected)
          << length << " from " << start;
      EXPECT_EQ(row, expected) << length << " from " << start;
    }
  }
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

}  // namespace
