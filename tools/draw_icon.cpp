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

#include "tools/bmp_file_core.h"

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

std::vector<uint8_t> EncodeIcon(const Canvas& c) {
  std::vector<uint32_t> palette;
  for (const Rgb& p : kPalette) palette.push_back(PackColour(p.r, p.g, p.b));
  const std::vector<uint8_t> colour =
      BmpRows(kSize, kSize, 4, [&](int x, int y) { return c.Get(x, y); });
  // A set bit lets the background show through.
  const std::vector<uint8_t> mask =
      BmpRows(kSize, kSize, 1, [&](int x, int y) { return c.Get(x, y) == kClear; });
  // The height counts the colour rows and the mask rows; an icon states
  // no resolution.
  const std::vector<uint8_t> info = BmpInfoHeader(
      kSize, kSize * 2, 4, palette, static_cast<uint32_t>(colour.size() + mask.size()), 0);
  std::vector<uint8_t> out;
  // Icon directory: reserved, type 1 (icon), one image.
  PutLittleEndian(out, 0, 2);
  PutLittleEndian(out, 1, 2);
  PutLittleEndian(out, 1, 2);
  // Directory entry: width, height, colours, reserved, planes, bits per
  // pixel, the image's size and where it starts (after these 6 + 16 bytes).
  out.insert(out.end(), {kSize, kSize, kColours, 0});
  PutLittleEndian(out, 1, 2);
  PutLittleEndian(out, 4, 2);
  PutLittleEndian(out, static_cast<uint32_t>(info.size() + colour.size() + mask.size()), 4);
  PutLittleEndian(out, 6 + 16, 4);
  for (const std::vector<uint8_t>* part : {&info, &colour, &mask})
    out.insert(out.end(), part->begin(), part->end());
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
  const std::vector<uint8_t> bytes = EncodeIcon(canvas);
  std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "draw_icon: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
