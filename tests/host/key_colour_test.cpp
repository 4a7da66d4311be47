// Key colours, the pixel replacement of the key pass, the reuse test of the
// sheet load and the banding of the pass.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "anim/animation_core.h"
#include "sheet/key_colour_core.h"

namespace {

struct KeyFieldsCase {
  const char* name;
  uint32_t blue, green, red;  // fields 1023, 1025, 1024
  uint32_t expected;          // 0x00BBGGRR
};

void PrintTo(const KeyFieldsCase& c, std::ostream* os) { *os << c.name; }

class KeyColourFromFieldsTest : public ::testing::TestWithParam<KeyFieldsCase> {};

TEST_P(KeyColourFromFieldsTest, PacksBlueGreenRed) {
  const KeyFieldsCase& c = GetParam();
  EXPECT_EQ(KeyColourFromFields(c.blue, c.green, c.red), c.expected);
}

const KeyFieldsCase kKeyFieldsCases[] = {
    {"ClampsBlueAndRed", 300, 20, 999, 0x00FF14FFu},
    {"Ordinary", 10, 20, 30, 0x000A141Eu},
    {"Black", 0, 0, 0, 0x00000000u},
    {"White", 255, 255, 255, 0x00FFFFFFu},
    {"BlueOnly", 1, 0, 0, 0x00010000u},
    {"RedOnly", 0, 0, 1, 0x00000001u},
    {"Just256", 256, 256, 256, 0x00FFFFFFu},
    {"HugeGreen", 0, 0xFFFFFFFFu, 0, 0x0000FF00u},
};

INSTANTIATE_TEST_SUITE_P(Fields, KeyColourFromFieldsTest, ::testing::ValuesIn(kKeyFieldsCases),
                         [](const ::testing::TestParamInfo<KeyFieldsCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(KeyColourFromFieldsTest, AgreesWithStartPackingWithinRange) {
  // The sheet load and Start pack the same three fields the same way.
  for (uint32_t blue : {0u, 1u, 128u, 255u})
    for (uint32_t green : {0u, 7u, 255u})
      for (uint32_t red : {0u, 42u, 255u})
        EXPECT_EQ(KeyColourFromFields(blue, green, red), PackColour(red, green, blue))
            << blue << "," << green << "," << red;
}

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

  EXPECT_EQ(ReplaceKeyPixels(pixels.data(), pixels.size(), kKey, kBackground), 2u);
  EXPECT_EQ(pixels, expected);
}

TEST(ReplaceKeyPixelsTest, TopByteOfAPixelIsIgnoredInTheCompare) {
  std::vector<uint32_t> pixels = {0xFF102030u, 0x80102030u, 0xFF102031u};
  EXPECT_EQ(ReplaceKeyPixels(pixels.data(), pixels.size(), kKey, kBackground), 2u);
  EXPECT_EQ(pixels[0] & 0xFFFFFFu, kBackground);
  EXPECT_EQ(pixels[1] & 0xFFFFFFu, kBackground);
  EXPECT_EQ(pixels[2], 0xFF102031u);  // one step off: untouched, top byte and all
}

TEST(ReplaceKeyPixelsTest, TopByteOfTheKeyIsIgnored) {
  std::vector<uint32_t> pixels = {kKey};
  EXPECT_EQ(ReplaceKeyPixels(pixels.data(), pixels.size(), 0xFF000000u | kKey, kBackground), 1u);
  EXPECT_EQ(pixels[0] & 0xFFFFFFu, kBackground);
}

TEST(ReplaceKeyPixelsTest, KeyEqualToBackgroundChangesNothingVisible) {
  std::vector<uint32_t> pixels = {kKey, 0x00000001u, kKey, 0x00ABCDEFu};
  const std::vector<uint32_t> before = pixels;
  EXPECT_EQ(ReplaceKeyPixels(pixels.data(), pixels.size(), kKey, kKey), 2u);
  for (size_t i = 0; i < pixels.size(); ++i)
    EXPECT_EQ(pixels[i] & 0xFFFFFFu, before[i] & 0xFFFFFFu) << i;
}

TEST(ReplaceKeyPixelsTest, NoKeyPixelLeavesTheBitmapUnchanged) {
  std::vector<uint32_t> pixels = {0x00000000u, 0xFF102031u, 0x00FFFFFFu};
  const std::vector<uint32_t> before = pixels;
  EXPECT_EQ(ReplaceKeyPixels(pixels.data(), pixels.size(), kKey, kBackground), 0u);
  EXPECT_EQ(pixels, before);
}

TEST(ReplaceKeyPixelsTest, StaysWithinCount) {
  // Exactly `count` pixels on the heap; the ones behind the count in a
  // longer array are left alone.
  std::unique_ptr<uint32_t[]> pixels(new uint32_t[4]{kKey, kKey, kKey, kKey});
  EXPECT_EQ(ReplaceKeyPixels(pixels.get(), 3, kKey, kBackground), 3u);
  EXPECT_EQ(pixels[3], kKey);
  EXPECT_EQ(ReplaceKeyPixels(pixels.get(), 0, kKey, kBackground), 0u);
}

// ---------------------------------------------------------------------------
// Reuse test: same path, same key as the last pass, transparency on.

class CanReuseSheetTest
    : public ::testing::TestWithParam<std::tuple<bool, bool, bool>> {};

TEST_P(CanReuseSheetTest, AllThreeMustHold) {
  const bool samePath = std::get<0>(GetParam());
  const bool sameKey = std::get<1>(GetParam());
  const bool transparencyOn = std::get<2>(GetParam());
  const char* lastPath = "C:\\sprites\\walk.bmp";
  const char* path = samePath ? "C:\\sprites\\walk.bmp" : "C:\\sprites\\run.bmp";
  const uint32_t lastKey = 0x00FF00FFu;
  const uint32_t key = sameKey ? lastKey : 0x00FF00FEu;
  EXPECT_EQ(CanReuseSheet(path, lastPath, key, lastKey, transparencyOn),
            samePath && sameKey && transparencyOn);
}

INSTANTIATE_TEST_SUITE_P(Combinations, CanReuseSheetTest,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool(),
                                            ::testing::Bool()));

TEST(CanReuseSheetTest, LetterCaseCounts) {
  EXPECT_FALSE(CanReuseSheet("C:\\a.BMP", "C:\\a.bmp", 0, 0, true));
}

TEST(CanReuseSheetTest, PrefixIsNotTheSamePath) {
  EXPECT_FALSE(CanReuseSheet("C:\\a.bmp", "C:\\a.bmpx", 0, 0, true));
  EXPECT_FALSE(CanReuseSheet("C:\\a.bmpx", "C:\\a.bmp", 0, 0, true));
}

TEST(CanReuseSheetTest, JapanesePathsCompareByteForByte) {
  EXPECT_TRUE(CanReuseSheet("\x95\x5c" ".bmp", "\x95\x5c" ".bmp", 1, 1, true));
  EXPECT_FALSE(CanReuseSheet("\x95\x5c" ".bmp", "\x95\x5d" ".bmp", 1, 1, true));
}

TEST(CanReuseSheetTest, BeforeAnyLoadEmptyPathAndBlackKeyReuse) {
  // lastPath empty, lastKeyColour 0: an empty path field with the RGB
  // fields all 0 and transparency on passes without any load.
  EXPECT_TRUE(CanReuseSheet("", "", 0, 0, true));
  EXPECT_FALSE(CanReuseSheet("", "", 0, 0, false));
}

// ---------------------------------------------------------------------------
// Banding.

struct BandCase {
  const char* name;
  int32_t width, height;
  size_t budget;
  int32_t expected;
};

void PrintTo(const BandCase& c, std::ostream* os) { *os << c.name; }

class RowsPerBandTest : public ::testing::TestWithParam<BandCase> {};

TEST_P(RowsPerBandTest, StaysWithinTheBudget) {
  const BandCase& c = GetParam();
  const int32_t rows = RowsPerBand(c.width, c.height, c.budget);
  EXPECT_EQ(rows, c.expected);
  if (rows > 0) {
    EXPECT_LE(static_cast<uint64_t>(rows) * static_cast<uint64_t>(c.width) * 4u, c.budget);
    EXPECT_LE(rows, c.height);
  }
}

const BandCase kBandCases[] = {
    {"ZeroWidth", 0, 10, 1024, 0},
    {"ZeroHeight", 10, 0, 1024, 0},
    {"NegativeWidth", -1, 10, 1024, 0},
    {"NegativeHeight", 10, -5, 1024, 0},
    {"IntMinWidth", INT32_MIN, 10, 1024, 0},
    {"NoBudget", 1, 10, 0, 0},
    {"RowWiderThanBudget", 257, 10, 1024, 0},
    {"RowExactlyTheBudget", 256, 10, 1024, 1},
    {"BudgetJustShortOfTwoRows", 256, 10, 2047, 1},
    {"BoundedByHeight", 16, 10, 1024, 10},
    {"BoundedByBudget", 16, 100, 1024, 16},
    {"ExactlyHeightRows", 16, 16, 1024, 16},
    {"HugeHeight", 1, INT32_MAX, SIZE_MAX, INT32_MAX},
    // Width * 4 does not fit 32 bits: still wider than the budget.
    {"WidthTimesFourBeyond32Bits", 0x40000001, 1, 16, 0},
    {"IntMaxWidth", INT32_MAX, 1, 1024, 0},
};

INSTANTIATE_TEST_SUITE_P(Sizes, RowsPerBandTest, ::testing::ValuesIn(kBandCases),
                         [](const ::testing::TestParamInfo<BandCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
