// Key colours, the pixel replacement of the key pass, the reuse test of the
// sheet load.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "sheet/key_colour_core.h"

namespace {

// ---------------------------------------------------------------------------
// 0x00BBGGRR against the 0x00RRGGBB order of a 32-bit DIB pixel.

TEST(DibPixelTest, SwapsRedAndBlue) {
  EXPECT_EQ(ColourToDibPixel(0x00332211u), 0x00112233u);
  EXPECT_EQ(ColourToDibPixel(0x000000FFu), 0x00FF0000u);  // red
  EXPECT_EQ(ColourToDibPixel(0x0000FF00u), 0x0000FF00u);  // green
  EXPECT_EQ(ColourToDibPixel(0x00FF0000u), 0x000000FFu);  // blue
  EXPECT_EQ(DibPixelToColour(0x00112233u), 0x00332211u);
  // The top byte is dropped both ways.
  EXPECT_EQ(ColourToDibPixel(0xAA332211u), 0x00112233u);
  EXPECT_EQ(DibPixelToColour(0xFF112233u), 0x00332211u);
}

TEST(DibPixelTest, RoundTrip) {
  for (uint32_t colour : {0x00000000u, 0x00FFFFFFu, 0x00010203u, 0x00FF00FFu, 0x00123456u,
                          0x0000FF00u, 0x00800001u}) {
    EXPECT_EQ(DibPixelToColour(ColourToDibPixel(colour)), colour) << std::hex << colour;
    EXPECT_EQ(ColourToDibPixel(DibPixelToColour(colour)), colour) << std::hex << colour;
  }
}

// ---------------------------------------------------------------------------
// Replacement.

constexpr uint32_t kKey = 0x00102030u;         // a DIB pixel
constexpr uint32_t kBackground = 0x00FFFFFFu;  // white

TEST(ReplaceKeyPixelsTest, OnlyExactMatchesTakeTheBackground) {
  std::vector<uint32_t> pixels = {
      kKey,
      0x00102031u,  // blue + 1
      0x0010202Fu,  // blue - 1
      0x00102130u,  // green + 1
      0x00101F30u,  // green - 1
      0x00112030u,  // red + 1
      0x000F2030u,  // red - 1
      0x00000000u,
      kKey,
      0x00302010u,  // the channels in the other order
  };
  std::vector<uint32_t> expected = pixels;
  expected[0] = kBackground;
  expected[8] = kBackground;

  EXPECT_TRUE(ReplaceKeyPixels(pixels.data(), pixels.size(), kKey, kBackground));
  EXPECT_EQ(pixels, expected);
}

TEST(ReplaceKeyPixelsTest, TopByteOfAPixelIsIgnoredInTheCompare) {
  std::vector<uint32_t> pixels = {0xFF102030u, 0x80102030u, 0xFF102031u};
  EXPECT_TRUE(ReplaceKeyPixels(pixels.data(), pixels.size(), kKey, kBackground));
  EXPECT_EQ(pixels[0] & 0xFFFFFFu, kBackground);
  EXPECT_EQ(pixels[1] & 0xFFFFFFu, kBackground);
  EXPECT_EQ(pixels[2], 0xFF102031u);  // one step off: untouched, top byte and all
}

TEST(ReplaceKeyPixelsTest, TopByteOfTheKeyIsIgnored) {
  std::vector<uint32_t> pixels = {kKey};
  EXPECT_TRUE(ReplaceKeyPixels(pixels.data(), pixels.size(), 0xFF000000u | kKey, kBackground));
  EXPECT_EQ(pixels[0] & 0xFFFFFFu, kBackground);
}

TEST(ReplaceKeyPixelsTest, KeyEqualToBackgroundChangesNothingVisible) {
  std::vector<uint32_t> pixels = {kKey, 0x00000001u, kKey, 0x00ABCDEFu};
  const std::vector<uint32_t> before = pixels;
  EXPECT_TRUE(ReplaceKeyPixels(pixels.data(), pixels.size(), kKey, kKey));
  for (size_t i = 0; i < pixels.size(); ++i)
    EXPECT_EQ(pixels[i] & 0xFFFFFFu, before[i] & 0xFFFFFFu) << i;
}

TEST(ReplaceKeyPixelsTest, NoKeyPixelLeavesTheBitmapUnchanged) {
  std::vector<uint32_t> pixels = {0x00000000u, 0xFF102031u, 0x00FFFFFFu};
  const std::vector<uint32_t> before = pixels;
  EXPECT_FALSE(ReplaceKeyPixels(pixels.data(), pixels.size(), kKey, kBackground));
  EXPECT_EQ(pixels, before);
}

TEST(ReplaceKeyPixelsTest, StaysWithinCount) {
  // Exactly `count` pixels on the heap; the ones behind the count in a
  // longer array are left alone.
  std::unique_ptr<uint32_t[]> pixels(new uint32_t[4]{kKey, kKey, kKey, kKey});
  EXPECT_TRUE(ReplaceKeyPixels(pixels.get(), 3, kKey, kBackground));
  EXPECT_EQ(pixels[3], kKey);
  EXPECT_FALSE(ReplaceKeyPixels(pixels.get(), 0, kKey, kBackground));
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

// ---------------------------------------------------------------------------
// Reuse test: transparency on, the same path, the file unchanged, the same
// key as the last pass and, for a keyed copy, the same background.

const FileStamp kStamp = {1234, 0x01DB000012345678ull};
const SheetIdentity kHeld = {"C:\\sprites\\walk.bmp", kStamp, 0x00FF00FFu, 0x00102030u};
const SheetIdentity kNothingHeld = {"", {0, 0}, 0, 0};  // before any load

SheetIdentity With(SheetIdentity s, const char* path) { s.path = path; return s; }
SheetIdentity With(SheetIdentity s, FileStamp file) { s.file = file; return s; }
SheetIdentity WithKey(SheetIdentity s, uint32_t key) { s.keyColour = key; return s; }
SheetIdentity WithBackground(SheetIdentity s, uint32_t b) { s.backgroundColour = b; return s; }

struct ReuseCase {
  const char* name;
  SheetIdentity wanted, held;
  bool heldIsKeyed, transparencyOn, reused;
};

void PrintTo(const ReuseCase& c, std::ostream* os) { *os << c.name; }

class CanReuseSheetTest : public ::testing::TestWithParam<ReuseCase> {};

TEST_P(CanReuseSheetTest, EveryConditionMustHold) {
  const ReuseCase& c = GetParam();
  EXPECT_EQ(CanReuseSheet(c.wanted, c.held, c.heldIsKeyed, c.transparencyOn), c.reused);
}

const ReuseCase kReuseCases[] = {
    {"AllTheSame", kHeld, kHeld, true, true, true},
    {"TransparencyOff", kHeld, kHeld, true, false, false},
    {"AnotherPath", With(kHeld, "C:\\sprites\\run.bmp"), kHeld, true, true, false},
    {"LetterCaseCounts", With(kHeld, "C:\\sprites\\WALK.bmp"), kHeld, true, true, false},
    {"APrefixIsAnotherPath", With(kHeld, "C:\\sprites\\walk.bm"), kHeld, true, true, false},
    {"JapaneseByteForByte", With(kHeld, "\x95\x5c.bmp"), With(kHeld, "\x95\x5c.bmp"), true, true,
     true},
    {"JapaneseTrailByteDiffers", With(kHeld, "\x95\x5d.bmp"), With(kHeld, "\x95\x5c.bmp"), true,
     true, false},
    // The file edited in another program since the copy was loaded.
    {"FileGrew", With(kHeld, FileStamp{1235, kStamp.lastWriteTime}), kHeld, true, true, false},
    {"FileRewrittenSameSize", With(kHeld, FileStamp{1234, kStamp.lastWriteTime + 1}), kHeld, true,
     true, false},
    {"FileGone", With(kHeld, FileStamp{0, 0}), kHeld, true, true, false},
    {"KeyOneStepOff", WithKey(kHeld, 0x00FF00FEu), kHeld, true, true, false},
    {"KeyOffOnACleanCopy", WithKey(kHeld, 0x00FF00FEu), kHeld, false, true, false},
    // Keyed pixels hold the earlier background: a new one needs a clean copy.
    {"BackgroundChangedOnAKeyedCopy", WithBackground(kHeld, 0x00102031u), kHeld, true, true, false},
    {"BackgroundChangedOnACleanCopy", WithBackground(kHeld, 0x00102031u), kHeld, false, true, true},
    // Nothing loaded yet: an empty path field with a black key and no file.
    {"BeforeAnyLoadEmptyPathAndBlackKey", WithBackground(kNothingHeld, 0x00FFFFFFu), kNothingHeld,
     false, true, true},
    {"BeforeAnyLoadTransparencyOff", kNothingHeld, kNothingHeld, false, false, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, CanReuseSheetTest, ::testing::ValuesIn(kReuseCases),
                         [](const ::testing::TestParamInfo<ReuseCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
