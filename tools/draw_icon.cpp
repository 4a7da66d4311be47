// Draws the program icon, a piece of film with a bouncing ball and its trail,
// and writes it as a one-image .ico file: 64 x 64 pixels, 16 colours.
//   draw_icon <out.ico>
// The file holds the icon directory, one directory entry, a bitmap header
// of double height (colour rows followed by mask rows), a 16-entry palette,
// the 4-bit colour rows bottom-up and the 1-bit transparency mask.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr int kSize = 64;
constexpr int kColours = 16;

struct Rgb {
  uint8_t r, g, b;
};

// Palette indices.
enum : uint8_t {
  kClear = 0,   // transparent (black under the mask)
  kFilm,        // film base
  kFilmEdge,    // film rim
  kHole,        // sprocket holes
  kSkyHigh,
  kSkyLow,
  kGrass,
  kGrassDark,
  kBall,
  kBallDark,
  kBallLight,
  kTrailFaint,
  kShadow,
  kSun,
  kWhite,
  kTrail,
};

constexpr Rgb kPalette[kColours] = {
    {0, 0, 0},       {36, 36, 44},    {78, 78, 92},    {236, 236, 226},
    {150, 200, 250}, {200, 228, 255}, {84, 172, 76},   {46, 116, 50},
    {224, 44, 40},   {140, 22, 32},   {255, 176, 156}, {244, 200, 196},
    {56, 96, 58},    {252, 212, 64},  {255, 255, 255}, {236, 124, 110},
};

class Canvas {
 public:
  Canvas() : pixels_(kSize * kSize, kClear) {}

  void Set(int x, int y, uint8_t colour) {
    if (x >= 0 && x < kSize && y >= 0 && y < kSize) pixels_[y * kSize + x] = colour;
  }
  uint8_t Get(int x, int y) const { return pixels_[y * kSize + x]; }

  void FillRect(int left, int top, int right, int bottom, uint8_t colour) {
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) Set(x, y, colour);
  }

  // A disc centred on (cx, cy); the test on pixel centres keeps it round.
  void FillDisc(double cx, double cy, double radius, uint8_t colour) {
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
        if (dx * dx + dy * dy <= radius * radius) Set(x, y, colour);
      }
  }

  void FillEllipse(double cx, double cy, double rx, double ry, uint8_t colour) {
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
        if (dx * dx + dy * dy <= 1.0) Set(x, y, colour);
      }
  }

 private:
  std::vector<uint8_t> pixels_;
};

// The strip of film: rows 2 to 61, with sprocket holes along both edges and
// a picture window between them.
constexpr int kFilmTop = 2, kFilmBottom = 62;
constexpr int kWindowLeft = 3, kWindowRight = 61, kWindowTop = 13, kWindowBottom = 51;
constexpr int kGroundTop = 44;

void DrawFilm(Canvas& c) {
  c.FillRect(0, kFilmTop, kSize, kFilmBottom, kFilm);
  c.FillRect(0, kFilmTop, kSize, kFilmTop + 1, kFilmEdge);
  c.FillRect(0, kFilmBottom - 1, kSize, kFilmBottom, kFilmEdge);
  // Round off the strip's four corners a little.
  for (int x : {0, kSize - 1}) {
    c.Set(x, kFilmTop, kClear);
    c.Set(x, kFilmBottom - 1, kClear);
  }
  for (int x = 2; x < kSize; x += 8) {
    c.FillRect(x, 5, x + 4, 10, kHole);
    c.FillRect(x, 54, x + 4, 59, kHole);
  }
  c.FillRect(kWindowLeft - 1, kWindowTop - 1, kWindowRight + 1, kWindowBottom + 1, kFilmEdge);
}

void DrawScene(Canvas& c) {
  // Sky in two bands, lighter towards the horizon, and the ground.
  c.FillRect(kWindowLeft, kWindowTop, kWindowRight, kWindowTop + 14, kSkyHigh);
  c.FillRect(kWindowLeft, kWindowTop + 14, kWindowRight, kGroundTop, kSkyLow);
  c.FillRect(kWindowLeft, kGroundTop, kWindowRight, kWindowBottom, kGrass);
  for (int x = kWindowLeft; x < kWindowRight; x += 3) c.Set(x, kGroundTop + 3, kGrassDark);
  c.FillRect(kWindowLeft, kGroundTop, kWindowRight, kGroundTop + 1, kGrassDark);
  c.FillDisc(54.0, 19.5, 4.0, kSun);

  // The ball's path: one hop, from the ground at the left up and down to the
  // ground at the right. Earlier positions are drawn as fading ghosts.
  const double radius = 5.5;
  const double ground = kGroundTop - radius;
  const double left = 9.0, right = 47.0, height = 22.0;
  auto pathY = [&](double x) {
    double t = (x - left) / (right - left);  // 0 .. 1 across the hop
    return ground - height * 4.0 * t * (1.0 - t);
  };
  for (double x = left; x < right - radius; x += 2.5)
    c.Set(static_cast<int>(x), static_cast<int>(pathY(x)), kTrailFaint);
  const double ghosts[] = {12.0, 20.0, 29.0, 38.0};
  for (int i = 0; i < 4; ++i) {
    double x = ghosts[i];
    c.FillDisc(x, pathY(x), 2.0 + 0.6 * i, i < 2 ? kTrailFaint : kTrail);
  }

  // The ball itself, just landing, with its shadow on the grass.
  const double bx = 48.0, by = pathY(right) + 0.5;
  c.FillEllipse(bx, kGroundTop + 1.5, radius + 1.0, 1.6, kShadow);
  c.FillDisc(bx, by, radius, kBallDark);
  c.FillDisc(bx - 0.6, by - 0.6, radius - 1.2, kBall);
  c.FillDisc(bx - 2.0, by - 2.2, 1.6, kBallLight);
  c.Set(static_cast<int>(bx - 2.5), static_cast<int>(by - 3.0), kWhite);
}

void Put16(std::string& out, unsigned value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

std::string EncodeIcon(const Canvas& c) {
  constexpr uint32_t kHeaderSize = 40;
  constexpr uint32_t kPaletteSize = kColours * 4;
  constexpr uint32_t kColourStride = (kSize * 4 / 8 + 3) / 4 * 4;  // 32 bytes
  constexpr uint32_t kMaskStride = (kSize / 8 + 3) / 4 * 4;        // 8 bytes
  constexpr uint32_t kColourBytes = kColourStride * kSize;
  constexpr uint32_t kMaskBytes = kMaskStride * kSize;
  constexpr uint32_t kImageBytes = kHeaderSize + kPaletteSize + kColourBytes + kMaskBytes;
  constexpr uint32_t kImageOffset = 6 + 16;

  std::string out;
  // Icon directory: reserved, type 1 (icon), one image.
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, 1);
  // Directory entry.
  out.push_back(static_cast<char>(kSize));
  out.push_back(static_cast<char>(kSize));
  out.push_back(static_cast<char>(kColours));
  out.push_back(0);
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, kImageBytes);
  Put32(out, kImageOffset);
  // Bitmap header: the height counts the colour rows and the mask rows.
  Put32(out, kHeaderSize);
  Put32(out, kSize);
  Put32(out, kSize * 2);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);  // uncompressed
  Put32(out, kColourBytes + kMaskBytes);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, kColours);
  Put32(out, 0);
  for (const Rgb& p : kPalette) {
    out.push_back(static_cast<char>(p.b));
    out.push_back(static_cast<char>(p.g));
    out.push_back(static_cast<char>(p.r));
    out.push_back(0);
  }
  // Colour rows, bottom row first, two pixels a byte, the left one high.
  for (int y = kSize - 1; y >= 0; --y) {
    std::string row(kColourStride, '\0');
    for (int x = 0; x < kSize; ++x) {
      uint8_t index = c.Get(x, y) & 0x0F;
      row[x / 2] = static_cast<char>(row[x / 2] | (x % 2 == 0 ? index << 4 : index));
    }
    out += row;
  }
  // Mask rows, bottom row first: a set bit lets the background show through.
  for (int y = kSize - 1; y >= 0; --y) {
    std::string row(kMaskStride, '\0');
    for (int x = 0; x < kSize; ++x)
      if (c.Get(x, y) == kClear) row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
    out += row;
  }
  if (out.size() != kImageOffset + kImageBytes) {
    std::fprintf(stderr, "draw_icon: internal size mismatch\n");
    return std::string();
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: draw_icon <out.ico>\n");
    return 2;
  }
  Canvas canvas;
  DrawFilm(canvas);
  DrawScene(canvas);
  const std::string bytes = EncodeIcon(canvas);
  if (bytes.empty()) return 1;
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "draw_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
