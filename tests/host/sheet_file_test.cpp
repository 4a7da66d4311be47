// Which BMP files the sheet load takes as DIB sections in their own
// format: whole, uncompressed, bottom-up files of 24 and 32 bits, judged
// from their first bytes and their size.
#include <gtest/gtest.h>

#include "sheet/sheet_file_core.h"
#include "tools/bmp_file_core.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
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
        Put32(file, at, value);
      }
    }
    const uint64_t size = static_cast<uint64_t>(static_cast<int64_t>(file.size()) + c.sizeChange);
    EXPECT_EQ(IsWholeTrueColourBmp(file.data(), kBmpHeadBytes, size), c.whole);
  }
  // A file shorter than the headers, whatever its first bytes say.
  const Bytes whole = EncodeBmp(5, 3, 24, {}, [](int, int) { return 0u; });
  EXPECT_TRUE(IsWholeTrueColourBmp(whole.data(), kBmpHeadBytes, whole.size()));
  EXPECT_FALSE(IsWholeTrueColourBmp(whole.data(), kBmpHeadBytes - 1, whole.size()));
  EXPECT_FALSE(IsWholeTrueColourBmp(whole.data(), kBmpHeadBytes, kBmpHeadBytes - 1));
}

}  // namespace
