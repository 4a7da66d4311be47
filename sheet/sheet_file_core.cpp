#include "sheet/sheet_file_core.h"

namespace {

uint32_t Read32(const uint8_t* bytes) {
  return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}
uint32_t Read16(const uint8_t* bytes) { return bytes[0] | bytes[1] << 8; }

}  // namespace

bool IsWholeTrueColourBmp(const uint8_t* head, size_t headBytes, uint64_t fileSize) {
  if (headBytes < kBmpHeadBytes || head[0] != 'B' || head[1] != 'M') return false;
  const uint32_t pixelOffset = Read32(head + 10);
  const uint32_t infoSize = Read32(head + 14);
  const int32_t width = static_cast<int32_t>(Read32(head + 18));
  const int32_t height = static_cast<int32_t>(Read32(head + 22));  // negative: top-down
  const uint32_t planes = Read16(head + 26), bitsPerPixel = Read16(head + 28);
  const uint32_t compression = Read32(head + 30), coloursUsed = Read32(head + 46);
  if ((infoSize != 40 && infoSize != 108 && infoSize != 124) || width < 1 || height < 1 ||
      planes != 1 || (bitsPerPixel != 24 && bitsPerPixel != 32) || compression != 0)
    return false;
  // 64-bit sums: none of these can wrap.
  const uint64_t headersEnd = 14 + uint64_t{infoSize} + 4 * uint64_t{coloursUsed};
  const uint64_t stride = (uint64_t{static_cast<uint32_t>(width)} * bitsPerPixel + 31) / 32 * 4;
  return headersEnd <= pixelOffset &&
         pixelOffset + stride * static_cast<uint32_t>(height) <= fileSize;
}
