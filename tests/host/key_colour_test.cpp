// Key colours and the pixel replacement of the key pass.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
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

// 24-bit rows, `stride` bytes apart: the buffer ends right after the last
// row's pixels, so a read or write past them shows under AddressSanitizer.
struct Rows24 {
  size_t width, rows, stride;
  std::vector<uint8_t> bytes;
  Rows24(size_t w, size_t r, size_t s) : width(w), rows(r), stride(s) {
    bytes.resize(r == 0 ? 0 : (r - 1) * s + w * 3);
  }
  uint8_t* Pixel(size_t x, size_t y) { return &bytes[y * stride + x * 3]; }
  void Set(size_t x, size_t y, uint32_t dibPixel) {
    for (int c = 0; c < 3; ++c) Pixel(x, y)[c] = static_cast<uint8_t>(dibPixel >> (8 * c));
  }
  uint32_t Get(size_t x, size_t y) {
    const uint8_t* p = Pixel(x, y);
    return p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16;
  }
};

size_t StrideOf(size_t width) { return (width * 3 + 3) & ~size_t{3}; }

// Both forms of the 24-bit pass, the SSSE3 one where the processor has it
// and the SSE2 one, run each case.
class Forms24 {
 public:
  explicit Forms24(bool ssse3) { keyPass24MayUseSsse3 = ssse3; }
  ~Forms24() { keyPass24MayUseSsse3 = true; }
};

TEST(ReplaceKeyPixelsTest, RowsOf24BitPixelsKeyEveryPixelAndLeaveThePaddingAlone) {
  // Widths of each remainder mod 4, so rows carry 0 to 3 bytes of padding,
  // and widths either side of the 16-pixel blocks; the padding holds the
  // key's bytes, which must stay.
  const struct { size_t width, rows; } cases[] = {
      {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 2}, {6, 2}, {7, 2}, {17, 2}, {18, 3},
      {19, 2}, {33, 2}, {34, 2}, {35, 3}, {36, 2}, {49, 2}, {50, 4}, {51, 2}, {1, 1}};
  for (bool ssse3 : {true, false})
  for (const auto& c : cases) {
    Forms24 form(ssse3);
    SCOPED_TRACE(std::to_string(c.width) + (ssse3 ? " wide, SSSE3" : " wide, SSE2"));
    Rows24 rows(c.width, c.rows, StrideOf(c.width));
    for (size_t y = 0; y < c.rows; ++y) {
      for (size_t x = 0; x < c.width; ++x) {
        // The key, and pixels one step off it in one channel.
        const uint32_t offBy[] = {0, 1, 0x100, 0x10000, 0x2, 0xFF};
        rows.Set(x, y, kKey ^ offBy[(x + y) % 6]);
      }
      for (size_t pad = c.width * 3; pad < rows.stride && y + 1 < c.rows; ++pad)
        rows.bytes[y * rows.stride + pad] = static_cast<uint8_t>(kKey >> (8 * (pad % 3)));
    }
    const std::vector<uint8_t> before = rows.bytes;
    ReplaceKeyPixels24(rows.bytes.data(), c.width, c.rows, rows.stride, kKey, kBackground);
    for (size_t y = 0; y < c.rows; ++y) {
      for (size_t x = 0; x < c.width; ++x) {
        const uint32_t was = before[y * rows.stride + x * 3] |
                             before[y * rows.stride + x * 3 + 1] << 8 |
                             static_cast<uint32_t>(before[y * rows.stride + x * 3 + 2]) << 16;
        EXPECT_EQ(rows.Get(x, y), was == kKey ? kBackground : was) << x << "," << y;
      }
      for (size_t pad = c.width * 3; pad < rows.stride && y + 1 < c.rows; ++pad)
        EXPECT_EQ(rows.bytes[y * rows.stride + pad], before[y * rows.stride + pad])
            << "padding byte " << pad << " of row " << y;
    }
  }
}

TEST(ReplaceKeyPixelsTest, RowsOf24BitPixelsAgreeWithAPlainLoop) {
  // Random rows with keys, near misses and colours that hold the key's
  // bytes across two pixels; rows with and without padding, the key's top
  // byte set, a key equal to the background.
  std::mt19937 random(24);
  const uint32_t near[] = {kKey, kKey ^ 1u, kKey ^ 0x100u, kKey ^ 0x10000u, 0x00302010u,
                           0x00201030u, 0x00103020u};
  for (size_t width : {0u, 1u, 5u, 15u, 16u, 17u, 18u, 31u, 32u, 64u, 65u, 100u, 333u}) {
    for (size_t extra : {0u, 1u, 4u}) {  // bytes of padding beyond the least
      const size_t rowCount = width % 3 + 1, stride = StrideOf(width) + extra;
      Rows24 rows(width, rowCount, stride);
      for (uint8_t& b : rows.bytes) b = static_cast<uint8_t>(random());
      for (size_t y = 0; y < rowCount; ++y)
        for (size_t x = 0; x < width; ++x)
          if (random() % 2 == 0) rows.Set(x, y, near[random() % 7]);
      for (uint32_t background : {kBackground, kKey})
      for (bool ssse3 : {true, false}) {
        Forms24 form(ssse3);
        SCOPED_TRACE(std::to_string(width) + " wide, stride " + std::to_string(stride) +
                     (background == kKey ? ", key is background" : "") +
                     (ssse3 ? ", SSSE3" : ", SSE2"));
        Rows24 expected = rows;
        for (size_t y = 0; y < rowCount; ++y)
          for (size_t x = 0; x < width; ++x)
            if (expected.Get(x, y) == kKey) expected.Set(x, y, background);
        Rows24 got = rows;
        ReplaceKeyPixels24(got.bytes.data(), width, rowCount, stride, 0xFF000000u | kKey,
                           background);
        EXPECT_EQ(got.bytes, expected.bytes);
      }
    }
  }
}

}  // namespace
