// BMP files as the tools and the Wine tests write them: sizes, padding,
// row order and where a pixel's bits land, at every depth written.
#include <gtest/gtest.h>

#include "tools/bmp_file_core.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Le32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

TEST(BmpFile, EveryDepthPadsRowsAndStoresTheTopRowLast) {
  // 5 x 2 pixels, all 0 but the top row's last: that one's bytes land in
  // the second stored row, and every other byte, padding included, is 0.
  const struct { int bits; size_t paletteEntries; uint32_t marked; size_t stride, at; Bytes markedBytes; } cases[] = {
      {1, 2, 0xFF, 4, 0, {0x08}},  // only the index's low bit counts
      {4, 16, 0x5, 4, 2, {0x50}},  // an even x takes the high half
      {8, 256, 200, 8, 4, {200}},
      {24, 0, PackColour(0x11, 0x22, 0x33), 16, 12, {0x33, 0x22, 0x11}},
      {32, 0, PackColour(0x11, 0x22, 0x33), 20, 16, {0x33, 0x22, 0x11, 0x00}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bits);
    std::vector<uint32_t> palette(c.paletteEntries, PackColour(1, 2, 3));
    if (!palette.empty()) palette[0] = PackColour(0xAA, 0xBB, 0xCC);
    const Bytes file = EncodeBmp(5, 2, c.bits, palette,
                                 [&](int x, int y) { return x == 4 && y == 0 ? c.marked : 0u; });
    const size_t offset = 14 + 40 + 4 * c.paletteEntries;
    ASSERT_EQ(file.size(), offset + 2 * c.stride);
    EXPECT_EQ(Le32(file, 2), file.size());
    EXPECT_EQ(Le32(file, 10), offset);
    EXPECT_EQ(Le32(file, 34), 2 * c.stride);
    if (!palette.empty()) {
      EXPECT_EQ(Bytes(&file[54], &file[58]), (Bytes{0xCC, 0xBB, 0xAA, 0})) << "blue, green, red, 0";
    }
    Bytes rows(2 * c.stride, 0);
    std::copy(c.markedBytes.begin(), c.markedBytes.end(), rows.begin() + c.stride + c.at);
    EXPECT_EQ(Bytes(file.begin() + offset, file.end()), rows);
  }
}

TEST(BmpFile, NothingForAnEmptyImageAnUnwrittenDepthOrOversizedRows) {
  const struct { int width, height, bits; } cases[] = {
      {0, 2, 24}, {2, 0, 24}, {-1, 2, 8}, {2, 2, 16}, {2, 2, 2},
      {0x40000000, 1, 32},  // a 4 GiB row: its size wraps in 32 bits
      {65536, 65537, 8},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(EncodeBmp(c.width, c.height, c.bits, {}, [](int, int) { return 0u; }).empty())
        << c.width << " x " << c.height << " at " << c.bits;
}

}  // namespace
