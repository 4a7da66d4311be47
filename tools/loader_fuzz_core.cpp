#include "tools/loader_fuzz_core.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "sheet/sheet_file_core.h"
#include "tools/bmp_file_core.h"

namespace {

// splitmix64. Each case draws from its own stream, made from the seed and
// the case's number alone, so no case depends on the ones before it.
class Random {
 public:
  Random(uint64_t seed, uint64_t index) : state_(Mix(Mix(seed) + index)) {}
  uint64_t Next() { return Mix(state_ += 0x9E3779B97F4A7C15u); }
  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
  bool OneIn(uint32_t n) { return Below(n) == 0; }
  template <class T, size_t N>
  T Pick(const T (&values)[N]) {
    return values[Below(N)];
  }

 private:
  static uint64_t Mix(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  uint64_t state_;
};

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3;
constexpr uint32_t kCore = 12, kInfo = 40, kV4 = 108, kV5 = 124;

// The valid file a case starts from.
struct Shape {
  uint32_t headerSize, bits, compression;
  int width, height;  // a negative height: rows top-down
  uint32_t coloursUsed, paletteEntries;
  bool large;
};

// One case in this many starts from a larger image: sides of 65 to 160 as
// far as its rows, padded, stay within 64 KiB, and in a quarter of them as
// many rows as fit (a 32-bit image 128 wide then has 128 rows, 64 KiB
// exactly). An RLE stream of such an image takes at most 2 bytes a pixel.
constexpr uint32_t kLargeShare = 8;
constexpr uint32_t kLargestPixelBytes = 64 * 1024;

void ChooseSides(Shape& s, Random& random) {
  s.large = random.OneIn(kLargeShare);
  if (!s.large) {
    s.width = 1 + static_cast<int>(random.Below(64));
    s.height = 1 + static_cast<int>(random.Below(64));
    return;
  }
  s.width = 65 + static_cast<int>(random.Below(96));
  const uint32_t rowBytes = (static_cast<uint32_t>(s.width) * s.bits + 31) / 32 * 4;
  const int mostRows = static_cast<int>(std::min<uint32_t>(160, kLargestPixelBytes / rowBytes));
  const bool full = mostRows <= 65 || random.OneIn(4);
  s.height = full ? mostRows
                  : 65 + static_cast<int>(random.Below(static_cast<uint32_t>(mostRows - 64)));
}

Shape ChooseShape(Random& random) {
  Shape s = {};
  s.headerSize = random.Pick({kCore, kInfo, kV4, kV5});
  if (s.headerSize == kCore) {
    s.bits = random.Pick({1u, 4u, 8u, 24u});  // the depths the core header has
  } else {
    switch (random.Below(4)) {
      case 0:
      case 1:
        s.bits = random.Pick({1u, 2u, 4u, 8u, 16u, 24u, 32u, 64u});
        break;
      case 2:
        s.compression = random.OneIn(2) ? kRle8 : kRle4;
        s.bits = s.compression == kRle8 ? 8 : 4;
        break;
      default:
        s.compression = kBitfields;
        s.bits = random.OneIn(2) ? 16 : 32;
    }
  }
  ChooseSides(s, random);
  if (s.headerSize != kCore && s.compression != kRle8 && s.compression != kRle4 && random.OneIn(4))
    s.height = -s.height;
  if (s.bits <= 8) {
    const uint32_t full = 1u << s.bits;
    s.paletteEntries = full;
    if (s.headerSize != kCore && random.OneIn(3))
      s.coloursUsed = s.paletteEntries = 1 + random.Below(full);
    else if (s.headerSize != kCore && random.OneIn(2))
      s.coloursUsed = full;
  }
  return s;
}

// Two 4-bit palette indices in one byte, the first drawn first.
template <class Index>
uint8_t Pair(Index& index) {
  const uint8_t high = index();
  return static_cast<uint8_t>(high << 4 | index());
}

// A real RLE stream of the shape's size: encoded runs, absolute runs
// (padded to 16 bits), moves to the right, an end of line after each row
// and an end of bitmap.
std::vector<uint8_t> RleStream(const Shape& s, Random& random) {
  const bool four = s.compression == kRle4;
  auto index = [&] { return static_cast<uint8_t>(random.Below(s.paletteEntries)); };
  std::vector<uint8_t> out;
  for (int y = 0; y < s.height; ++y) {
    for (int x = 0; x < s.width;) {
      const int left = std::min(s.width - x, 255);
      const uint32_t choice = random.Below(8);
      if (choice == 0 && left > 1) {
        const int dx = 1 + static_cast<int>(random.Below(static_cast<uint32_t>(left - 1)));
        out.insert(out.end(), {0, 2, static_cast<uint8_t>(dx), 0});
        x += dx;
      } else if (choice <= 3 && left >= 3) {
        const int n = 3 + static_cast<int>(random.Below(static_cast<uint32_t>(left - 2)));
        const int bytes = four ? (n + 1) / 2 : n;
        out.insert(out.end(), {0, static_cast<uint8_t>(n)});
        for (int i = 0; i < bytes; ++i) out.push_back(four ? Pair(index) : index());
        if (bytes % 2) out.push_back(0);
        x += n;
      } else {
        const int n = 1 + static_cast<int>(random.Below(static_cast<uint32_t>(left)));
        out.push_back(static_cast<uint8_t>(n));
        out.push_back(four ? Pair(index) : index());
        x += n;
      }
    }
    out.insert(out.end(), {0, static_cast<uint8_t>(y + 1 < s.height ? 0 : 1)});
  }
  return out;
}

std::vector<uint8_t> Pixels(const Shape& s, Random& random) {
  if (s.compression == kRle8 || s.compression == kRle4) return RleStream(s, random);
  const int rows = s.height < 0 ? -s.height : s.height;
  std::vector<uint8_t> out = BmpRows(s.width, rows, static_cast<int>(s.bits), [&](int, int) {
    return s.bits <= 8 ? random.Below(s.paletteEntries)
                       : static_cast<uint32_t>(random.Next()) & 0xFFFFFF;
  });
  if (out.empty()) {  // 2, 16 and 64 bits, which the writer does not draw
    out.resize((static_cast<size_t>(s.width) * s.bits + 31) / 32 * 4 * rows);
    for (uint8_t& byte : out) byte = static_cast<uint8_t>(random.Next());
  }
  return out;
}

std::vector<uint8_t> Encode(const Shape& s, Random& random) {
  const std::vector<uint8_t> pixels = Pixels(s, random);
  uint32_t masks[4] = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
  if (s.bits == 16 && random.OneIn(2)) {
    masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F, masks[3] = 0;  // 5-6-5
  } else if (s.bits == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F, masks[3] = 0x8000;  // 1-5-5-5
  }
  std::vector<uint8_t> header;
  PutLittleEndian(header, s.headerSize, 4);
  if (s.headerSize == kCore) {
    for (uint32_t field :
         {static_cast<uint32_t>(s.width), static_cast<uint32_t>(s.height), 1u, s.bits})
      PutLittleEndian(header, field, 2);
  } else {
    PutLittleEndian(header, static_cast<uint32_t>(s.width), 4);
    PutLittleEndian(header, static_cast<uint32_t>(s.height), 4);
    PutLittleEndian(header, 1, 2);
    PutLittleEndian(header, s.bits, 2);
    PutLittleEndian(header, s.compression, 4);
    // Uncompressed files may leave the image size 0.
    const bool statesSize = s.compression != kRgb || !random.OneIn(3);
    PutLittleEndian(header, statesSize ? static_cast<uint32_t>(pixels.size()) : 0, 4);
    PutLittleEndian(header, 2835, 4);
    PutLittleEndian(header, 2835, 4);
    PutLittleEndian(header, s.coloursUsed, 4);
    PutLittleEndian(header, 0, 4);
    // The masks: inside a version 4 or 5 header, behind a 40-byte one.
    if (s.headerSize >= kV4 || s.compression == kBitfields)
      for (int i = 0; i < (s.headerSize >= kV4 ? 4 : 3); ++i) PutLittleEndian(header, masks[i], 4);
    if (s.headerSize >= kV4) {
      PutLittleEndian(header, 0x73524742, 4);  // LCS_sRGB
      header.resize(header.size() + 36 + 12);  // no end points, no gamma
    }
    if (s.headerSize == kV5) {
      PutLittleEndian(header, 4, 4);      // LCS_GM_IMAGES
      header.resize(header.size() + 12);  // no profile
    }
  }
  const size_t entryBytes = s.headerSize == kCore ? 3 : 4;
  const uint32_t offset = static_cast<uint32_t>(14 + header.size() + s.paletteEntries * entryBytes);
  std::vector<uint8_t> out = {'B', 'M'};
  PutLittleEndian(out, offset + static_cast<uint32_t>(pixels.size()), 4);
  PutLittleEndian(out, 0, 4);
  PutLittleEndian(out, offset, 4);
  out.insert(out.end(), header.begin(), header.end());
  for (uint32_t i = 0; i < s.paletteEntries; ++i)
    PutLittleEndian(out, static_cast<uint32_t>(random.Next()) & 0xFFFFFF,
                    static_cast<int>(entryBytes));
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

std::string ShapeName(const Shape& s, size_t length) {
  const char* compressions[] = {"RGB", "RLE8", "RLE4", "bit fields"};
  char text[160];
  snprintf(text, sizeof text, "%u-bit %s, %u-byte header, %d x %d%s, %zu bytes", s.bits,
           compressions[s.compression], s.headerSize, s.width, s.height < 0 ? -s.height : s.height,
           s.height < 0 ? " top-down" : "", length);
  return text;
}

// What a case can change; the pixel bytes where the file as made has them,
// and the length last, so that a field can point at the end of the file as
// it was made.
enum Field {
  kFileSize,
  kPixelOffset,
  kHeaderSize,
  kWidth,
  kHeight,
  kPlanes,
  kDepth,
  kCompression,
  kImageSize,
  kColours,
  kMask,
  kPixels,
  kLength,
  kFieldCount
};

struct Place {
  size_t offset;
  int bytes;
  const char* name;
};

Place PlaceOf(Field field, bool core, uint32_t mask) {
  switch (field) {
    case kFileSize:
      return {2, 4, "file size"};
    case kPixelOffset:
      return {10, 4, "pixel offset"};
    case kHeaderSize:
      return {14, 4, "header size"};
    case kWidth:
      return core ? Place{18, 2, "width"} : Place{18, 4, "width"};
    case kHeight:
      return core ? Place{20, 2, "height"} : Place{22, 4, "height"};
    case kPlanes:
      return core ? Place{22, 2, "planes"} : Place{26, 2, "planes"};
    case kDepth:
      return core ? Place{24, 2, "depth"} : Place{28, 2, "depth"};
    case kCompression:
      return {30, 4, "compression"};
    case kImageSize:
      return {34, 4, "image size"};
    case kColours:
      return {46, 4, "colours used"};
    default:
      return {54 + 4 * mask, 4, "mask"};  // red, green, blue, alpha
  }
}

uint32_t Read(const std::vector<uint8_t>& bytes, const Place& place) {
  uint32_t value = 0;
  for (int i = place.bytes - 1; i >= 0; --i) value = value << 8 | bytes[place.offset + i];
  return value;
}

// Values that have broken BMP readers, for each field.
std::vector<uint32_t> ValuesFor(Field field, uint32_t length) {
  switch (field) {
    case kPixelOffset:
      return {0,  1,  2,   13,  14,   15,         26,         53,     54,
              55, 66, 122, 138, 1078, length - 4, length - 1, length, 0x7FFFFFF0};
    case kHeaderSize:
      return {0, 1, 12, 13, 16, 39, 40, 41, 52, 56, 64, 107, 108, 109, 123, 124, 125, 0xFFFFFFF2};
    case kWidth:
    case kHeight:
      return {0,     1,          0xFFFFFFFF, 2,          64,         65,
              255,   256,        4096,       32767,      32768,      65535,
              65536, 0x7FFFFFFF, 0x80000000, 0x80000001, 0xFFFFFFC0, 100000};
    case kPlanes:
      return {0, 2, 3, 0x8000, 0xFFFF};
    case kDepth:
      return {0, 1, 2, 3, 4, 5, 8, 15, 16, 24, 32, 48, 64, 0x8000, 0xFFFF};
    case kCompression:
      return {0, 1, 2, 3, 4, 5, 6, 7, 11, 12, 13, 0x80000000, 0xFFFFFFFF};
    case kImageSize:
      return {0,      1,          2,       3,          4,          16,         length - 54,
              length, length + 1, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFF2, 0xFFFFFFFF};
    case kColours:
      return {1,   2,       3,          15,         16,         17,         255,       256,
              257, 0x10000, 0x3FFFFFFF, 0x40000000, 0x40000001, 0x80000000, 0xFFFFFFFF};
    case kMask:
      return {0,      1,      3,      0xFF,   0xFF00, 0xFF0000,   0xFF000000, 0xFFFF,    0xFFFF0000,
              0xF800, 0x07E0, 0x001F, 0x7C00, 0x8000, 0x55555555, 0x80000000, 0xFFFFFFFF};
    default:
      return {};
  }
}

uint32_t ChooseValue(Field field, uint32_t current, uint32_t length, Random& random) {
  const uint32_t interesting[] = {
      0,          1,          13,         14,         length - 1, length,   length + 1, 0x80000000,
      0xFFFFFFF0, 0xFFFFFFF2, 0xFFFFFFFF, 0x7FFFFFFF, 0x10000,    0x100000, 40000,      0x40000000};
  const uint32_t choice = random.Below(10);
  const std::vector<uint32_t> values = ValuesFor(field, length);
  if (choice < 4 && !values.empty())
    return values[random.Below(static_cast<uint32_t>(values.size()))];
  if (choice < 7) return random.Pick(interesting);
  if (choice < 9) return current + random.Below(33) - 16;  // a small change
  return static_cast<uint32_t>(random.Next());
}

// One to four of the last pixel bytes (where an RLE stream ends its bitmap:
// made a run, an end of line, a move or an absolute run that reaches past
// the stream's end), or one to eight anywhere among them, overwritten. The
// pixels run from `start` to the end of the file as made.
std::string ChangePixels(std::vector<uint8_t>& bytes, size_t start, Random& random) {
  const uint32_t pixelBytes = static_cast<uint32_t>(bytes.size() - start);
  const bool last = random.OneIn(2);
  const uint32_t count = 1 + random.Below(std::min<uint32_t>(pixelBytes, last ? 4 : 8));
  const size_t at = last ? bytes.size() - count : start + random.Below(pixelBytes - count + 1);
  const uint8_t values[] = {0, 1, 2, 3, 0x7F, 0x80, 0xFF};
  char text[64];
  int used = snprintf(text, sizeof text, "pixel bytes from %zu =", at);
  for (uint32_t i = 0; i < count; ++i) {
    bytes[at + i] = random.OneIn(2) ? random.Pick(values) : static_cast<uint8_t>(random.Next());
    used += snprintf(text + used, sizeof text - used, " %02X", bytes[at + i]);
  }
  return text;
}

// Cut short, or extended by bytes of any value.
std::string ChangeLength(std::vector<uint8_t>& bytes, Random& random) {
  const size_t length = bytes.size();
  const size_t boundaries[] = {0, 2, 14, 18, 26, 30, 54, 66, 122, 138};
  size_t to = length;
  switch (random.Below(7)) {
    case 0:
      to = random.Below(static_cast<uint32_t>(length));
      break;
    case 1:
      to = length - 1;
      break;
    case 2:
      to = length - 2;
      break;
    case 3:
      to = length - 1 - random.Below(static_cast<uint32_t>(std::min<size_t>(length - 1, 64)));
      break;
    case 4:
      to = std::min(length - 1, random.Pick(boundaries));
      break;
    case 5:
      to = length + 1 + random.Below(4);
      break;
    default:
      to = length + 1 + random.Below(4096);
  }
  bytes.resize(to);
  for (size_t i = length; i < to; ++i) bytes[i] = static_cast<uint8_t>(random.Next());
  char text[48];
  snprintf(text, sizeof text, "%s to %zu bytes", to < length ? "cut" : "extended", to);
  return text;
}

}  // namespace

FuzzCase MakeFuzzCase(uint64_t seed, uint64_t index) {
  Random random(seed, index);
  const Shape shape = ChooseShape(random);
  FuzzCase made;
  made.bytes = Encode(shape, random);
  made.base = ShapeName(shape, made.bytes.size());
  made.large = shape.large;
  const size_t pixelStart = Read(made.bytes, PlaceOf(kPixelOffset, false, 0));
  // One change in most cases, up to four in some.
  const uint32_t count = random.OneIn(4) ? 2 + random.Below(3) : 1 + random.Below(2);
  std::vector<Field> fields;
  while (fields.size() < count) {
    const Field field = static_cast<Field>(random.Below(kFieldCount));
    // A field past the end of a small file (a 1 x 1 core file has no
    // image size) is not there to change.
    const Place place = PlaceOf(field, shape.headerSize == kCore, 3);
    const bool fits = field == kLength || field == kPixels ||
                      place.offset + place.bytes <= made.bytes.size();
    if (fits && std::find(fields.begin(), fields.end(), field) == fields.end())
      fields.push_back(field);
  }
  std::sort(fields.begin(), fields.end());
  for (Field field : fields) {
    if (!made.changes.empty()) made.changes += "; ";
    if (field == kLength) {
      made.changes += ChangeLength(made.bytes, random);
      continue;
    }
    if (field == kPixels) {
      made.changes += ChangePixels(made.bytes, pixelStart, random);
      continue;
    }
    const Place place = PlaceOf(field, shape.headerSize == kCore, random.Below(4));
    const uint32_t value = ChooseValue(field, Read(made.bytes, place),
                                       static_cast<uint32_t>(made.bytes.size()), random);
    for (int i = 0; i < place.bytes; ++i)
      made.bytes[place.offset + i] = static_cast<uint8_t>(value >> (8 * i));
    char text[64];
    snprintf(text, sizeof text, "%s = 0x%X", place.name, place.bytes == 2 ? value & 0xFFFF : value);
    made.changes += text;
  }
  return made;
}

std::string DescribeFields(const std::vector<uint8_t>& bytes) {
  const size_t headBytes = std::min(bytes.size(), kBmpHeadBytes);
  const BmpHeader bmp = DescribeBmp(bytes.data(), headBytes);
  char text[320];
  if (!bmp.headerRead) {
    snprintf(text, sizeof text, "%s, header size %u not read; file %zu bytes",
             bmp.isBmp ? "BM" : "no BM", bmp.headerSize, bytes.size());
    return text;
  }
  const uint64_t needed = BmpLengthNeeded(bmp);
  snprintf(text, sizeof text,
           "pixel offset %u, header %u, %" PRId64 " x %" PRId64
           ", planes %u, %u bits, compression %u, image size %u, colours used %u; file %zu bytes, "
           "rule needs %" PRIu64 "%s",
           bmp.pixelOffset, bmp.headerSize, bmp.width, bmp.height, bmp.planes, bmp.bitsPerPixel,
           bmp.compression, bmp.imageSize, bmp.coloursUsed, bytes.size(), needed,
           needed == 0 ? " (refused whatever the length)" : "");
  return text;
}
