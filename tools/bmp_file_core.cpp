#include "tools/bmp_file_core.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 14;

bool Writable(int bitsPerPixel) {
  return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 24 ||
         bitsPerPixel == 32;
}

}  // namespace

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int byteCount) {
  for (int i = 0; i < byteCount; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> BmpInfoHeader(int width, int heightField, int bitsPerPixel,
                                   const std::vector<uint32_t>& palette, uint32_t imageBytes,
                                   uint32_t pixelsPerMetre) {
  std::vector<uint8_t> out;
  PutLittleEndian(out, 40, 4);  // the header's own size
  PutLittleEndian(out, static_cast<uint32_t>(width), 4);
  PutLittleEndian(out, static_cast<uint32_t>(heightField), 4);
  PutLittleEndian(out, 1, 2);  // planes
  PutLittleEndian(out, static_cast<uint32_t>(bitsPerPixel), 2);
  PutLittleEndian(out, 0, 4);  // uncompressed
  PutLittleEndian(out, imageBytes, 4);
  PutLittleEndian(out, pixelsPerMetre, 4);
  PutLittleEndian(out, pixelsPerMetre, 4);
  PutLittleEndian(out, static_cast<uint32_t>(palette.size()), 4);
  PutLittleEndian(out, 0, 4);  // every colour matters
  for (uint32_t colour : palette) PutLittleEndian(out, ColourToDibPixel(colour), 4);  // B, G, R, 0
  return out;
}

std::vector<uint8_t> BmpRows(int width, int height, int bitsPerPixel, const PixelSource& pixel) {
  if (width < 1 || height < 1 || !Writable(bitsPerPixel)) return {};
  // 64-bit sums, so that no int or 32-bit size_t wraps before the check.
  const uint64_t stride = (static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
  if (stride * static_cast<uint64_t>(height) > UINT32_MAX) return {};
  std::vector<uint8_t> rows(static_cast<size_t>(stride) * height, 0);
  uint8_t* row = rows.data();
  for (int y = height - 1; y >= 0; --y, row += stride)
    for (int x = 0; x < width; ++x) {
      const uint32_t value = pixel(x, y);
      const size_t bit = static_cast<size_t>(x) * bitsPerPixel;
      if (bitsPerPixel >= 24) {
        const uint32_t dib = ColourToDibPixel(value);  // blue, green, red
        for (int i = 0; i < 3; ++i) row[bit / 8 + i] = static_cast<uint8_t>(dib >> (8 * i));
      } else {
        const uint32_t index = value & ((1u << bitsPerPixel) - 1);
        row[bit / 8] |= static_cast<uint8_t>(index << (8 - bitsPerPixel - bit % 8));
      }
    }
  return rows;
}

std::vector<uint8_t> EncodeBmp(int width, int height, int bitsPerPixel,
                               const std::vector<uint32_t>& palette, const PixelSource& pixel) {
  const std::vector<uint8_t> rows = BmpRows(width, height, bitsPerPixel, pixel);
  if (rows.empty()) return {};
  const std::vector<uint8_t> info = BmpInfoHeader(width, height, bitsPerPixel, palette,
                                                  static_cast<uint32_t>(rows.size()), 2835);
  const uint64_t offset = kFileHeaderBytes + info.size();
  if (offset + rows.size() > UINT32_MAX) return {};
  std::vector<uint8_t> out = {'B', 'M'};
  PutLittleEndian(out, static_cast<uint32_t>(offset + rows.size()), 4);
  PutLittleEndian(out, 0, 4);  // reserved
  PutLittleEndian(out, static_cast<uint32_t>(offset), 4);
  out.insert(out.end(), info.begin(), info.end());
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}
