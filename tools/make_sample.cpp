// Writes the bundled sample: a sprite sheet of a little walker and a settings
// file that plays it.
//   make_sample <dir> [windows-path-of-sheet]
// <dir>/walker.bmp: 24-bit bottom-up BMP, 512 x 128, two rows of eight 64 x 64
//   cells, one step of a walk cycle per cell, drawn over magenta (255,0,255);
//   the second row is the same walk in other clothes.
// <dir>/walker.plw: the settings file naming that sheet. The path stored in
//   it is the one the program will open, so it must be a Windows path: the
//   second argument when given, otherwise "Z:" and the absolute Unix path
//   with backslashes, which is how Wine's drive Z: names the file.
// Prints nothing on success; exits with 1 and a message on failure.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "panel/settings_core.h"
#include "tools/bmp_file_core.h"

namespace {

constexpr int kCell = 64;
constexpr int kColumns = 8;
constexpr int kRows = 2;
constexpr int kWidth = kCell * kColumns;   // 512
constexpr int kHeight = kCell * kRows;     // 128
constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};

constexpr Rgb kKey = {255, 0, 255};
constexpr Rgb kOutline = {28, 28, 40};
constexpr Rgb kDigit = {70, 70, 90};

struct Outfit {
  Rgb skin, hair, shirt, shirtFar, trousers, trousersFar, shoes;
};

// Row 0 and row 1 of the sheet.
constexpr Outfit kOutfits[kRows] = {
    {{250, 206, 164}, {92, 52, 22}, {46, 96, 206}, {30, 64, 150}, {56, 56, 76}, {38, 38, 54}, {122, 62, 30}},
    {{204, 150, 104}, {232, 192, 64}, {44, 164, 74}, {28, 116, 50}, {128, 74, 32}, {92, 52, 22}, {40, 40, 40}},
};

class Image {
 public:
  Image(int width, int height, Rgb fill) : width_(width), height_(height), pixels_(width * height, fill) {}
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb Get(int x, int y) const { return pixels_[y * width_ + x]; }
  void Set(int x, int y, Rgb c) {
    if (x >= 0 && x < width_ && y >= 0 && y < height_) pixels_[y * width_ + x] = c;
  }

 private:
  int width_, height_;
  std::vector<Rgb> pixels_;
};

struct Point {
  double x, y;
};

// One cell being drawn: a 64 x 64 layer with a coverage mask, so that the
// figure can be outlined before it is copied onto the sheet.
class Cell {
 public:
  Cell() : layer_(kCell, kCell, kKey), covered_(kCell * kCell, false) {}

  void Plot(int x, int y, Rgb c) {
    if (x < 0 || x >= kCell || y < 0 || y >= kCell) return;
    layer_.Set(x, y, c);
    covered_[y * kCell + x] = true;
  }

  // A thick line with round ends: every pixel whose centre lies within
  // `radius` of the segment from a to b.
  void Capsule(Point a, Point b, double radius, Rgb c) {
    const double vx = b.x - a.x, vy = b.y - a.y;
    const double length2 = vx * vx + vy * vy;
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x) {
        const double px = x + 0.5 - a.x, py = y + 0.5 - a.y;
        double t = length2 > 0 ? (px * vx + py * vy) / length2 : 0.0;
        t = t < 0 ? 0 : (t > 1 ? 1 : t);
        const double dx = px - t * vx, dy = py - t * vy;
        if (dx * dx + dy * dy <= radius * radius) Plot(x, y, c);
      }
  }

  void Disc(Point centre, double radius, Rgb c) { Capsule(centre, centre, radius, c); }

  // Rings the figure with one pixel of outline colour.
  void Outline() {
    std::vector<bool> ring(kCell * kCell, false);
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x) {
        if (covered_[y * kCell + x]) continue;
        const int nx[] = {x - 1, x + 1, x, x};
        const int ny[] = {y, y, y - 1, y + 1};
        for (int i = 0; i < 4; ++i)
          if (nx[i] >= 0 && nx[i] < kCell && ny[i] >= 0 && ny[i] < kCell && covered_[ny[i] * kCell + nx[i]])
            ring[y * kCell + x] = true;
      }
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x)
        if (ring[y * kCell + x]) Plot(x, y, kOutline);
  }

  void CopyTo(Image& sheet, int left, int top) const {
    for (int y = 0; y < kCell; ++y)
      for (int x = 0; x < kCell; ++x)
        if (covered_[y * kCell + x]) sheet.Set(left + x, top + y, layer_.Get(x, y));
  }

 private:
  Image layer_;
  std::vector<bool> covered_;
};

Point Offset(Point from, double angle, double length) {
  // Angle 0 points straight down; positive angles swing forward (to the right).
  return {from.x + length * std::sin(angle), from.y + length * std::cos(angle)};
}

// One leg: the thigh swings with the stride, the knee bends while the leg
// is carried forward, and the foot points the way the walker faces.
void DrawLeg(Cell& cell, Point hip, double phase, const Outfit& o, bool far) {
  const double swing = 0.55 * std::sin(phase);
  const double bend = 0.9 * std::fmax(0.0, std::cos(phase));
  const Point knee = Offset(hip, swing, 9.5);
  const Point ankle = Offset(knee, swing - bend, 9.5);
  const Rgb trousers = far ? o.trousersFar : o.trousers;
  cell.Capsule(hip, knee, 3.0, trousers);
  cell.Capsule(knee, ankle, 2.6, trousers);
  cell.Capsule(ankle, {ankle.x + 4.0, ankle.y + 0.5}, 2.0, o.shoes);
}

void DrawArm(Cell& cell, Point shoulder, double phase, const Outfit& o, bool far) {
  const double swing = -0.6 * std::sin(phase);
  const Point elbow = Offset(shoulder, swing, 7.5);
  const Point hand = Offset(elbow, swing + 0.5, 6.5);
  cell.Capsule(shoulder, elbow, 2.3, far ? o.shirtFar : o.shirt);
  cell.Capsule(elbow, hand, 2.0, o.skin);
}

// Step `step` (0 to 7) of the walk cycle.
void DrawWalker(Cell& cell, int step, const Outfit& o) {
  const double phase = 2.0 * kPi * step / kColumns;
  // The body rises as the legs pass each other and sinks as they stride out.
  const double bob = -1.5 * std::cos(2.0 * phase);
  const Point hip = {31.0, 37.0 + bob};
  const Point shoulder = {33.0, 23.0 + bob};
  const Point head = {34.5, 14.0 + bob};

  DrawArm(cell, shoulder, phase + kPi, o, true);
  DrawLeg(cell, hip, phase + kPi, o, true);
  cell.Capsule(hip, shoulder, 5.2, o.shirt);
  DrawLeg(cell, hip, phase, o, false);
  cell.Disc(head, 7.0, o.skin);
  // Hair over the back and top of the head, an eye and a mouth on the face.
  for (int y = 0; y < kCell; ++y)
    for (int x = 0; x < kCell; ++x) {
      const double dx = x + 0.5 - head.x, dy = y + 0.5 - head.y;
      if (dx * dx + dy * dy <= 7.4 * 7.4 && (dy < -2.5 || (dx < -2.0 && dy < 2.0))) cell.Plot(x, y, o.hair);
    }
  cell.Plot(static_cast<int>(head.x + 3.5), static_cast<int>(head.y - 0.5), kOutline);
  cell.Plot(static_cast<int>(head.x + 3.5), static_cast<int>(head.y + 0.5), kOutline);
  cell.Plot(static_cast<int>(head.x + 4.5), static_cast<int>(head.y + 3.5), kOutline);
  DrawArm(cell, shoulder, phase, o, false);
  cell.Outline();
}

// Digits of 3 x 5 pixels, one row of bits per entry, for the cell numbers.
constexpr uint8_t kFont[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

void DrawDigit(Image& sheet, int left, int top, int digit) {
  for (int row = 0; row < 5; ++row)
    for (int col = 0; col < 3; ++col)
      if (kFont[digit][row] & (4 >> col)) sheet.Set(left + col, top + row, kDigit);
}

Image DrawSheet() {
  Image sheet(kWidth, kHeight, kKey);
  for (int row = 0; row < kRows; ++row)
    for (int column = 0; column < kColumns; ++column) {
      Cell cell;
      DrawWalker(cell, column, kOutfits[row]);
      cell.CopyTo(sheet, column * kCell, row * kCell);
      // The cell's index along its row, in the bottom-right corner.
      DrawDigit(sheet, column * kCell + kCell - 6, row * kCell + kCell - 7, column);
    }
  return sheet;
}

// The settings file that plays the sheet: the first row's eight cells,
// 120 ms apart, three times as large, with the magenta corner keyed out.
std::vector<uint8_t> EncodeSampleSettings(const std::string& sheetPath) {
  SettingsRecord record;
  record.path = sheetPath;
  record.frameWidth = kCell;
  record.frameHeight = kCell;
  record.interval = 120;
  record.columnIndex = 0;
  record.zoom = 3;
  record.flags = FlagsByte(true, true, true);  // a horizontal strip, keyed by its top-left dot
  record.keyBlue = kKey.b;
  record.keyGreen = kKey.g;
  record.keyRed = kKey.r;
  record.backRed = 200;
  record.backGreen = 230;
  record.backBlue = 255;
  record.frameList = "0,1,2,3,4,5,6,7";
  return EncodeSettings(record);
}

bool WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  if (!file) {
    std::fprintf(stderr, "make_sample: cannot write %s\n", path.string().c_str());
    return false;
  }
  return true;
}

std::string WinePathOf(const std::filesystem::path& unixPath) {
  std::string text = unixPath.string();
  for (char& ch : text)
    if (ch == '/') ch = '\\';
  return "Z:" + text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: make_sample <dir> [windows-path-of-sheet]\n");
    return 2;
  }
  std::error_code error;
  const std::filesystem::path dir = std::filesystem::absolute(argv[1], error).lexically_normal();
  if (error) {
    std::fprintf(stderr, "make_sample: %s: %s\n", argv[1], error.message().c_str());
    return 1;
  }
  const std::filesystem::path sheetFile = dir / "walker.bmp";
  const std::string storedPath = argc == 3 ? std::string(argv[2]) : WinePathOf(sheetFile);
  // An empty path would tell the reader to keep the one it has, not to
  // open this sheet.
  if (storedPath.empty() || !PathCanBeStored(storedPath)) {
    const char* why =
        storedPath.empty() ? "the sheet path is empty"
        : storedPath.size() > kSettingsTextLimit
            ? "the sheet path is longer than 255 bytes"
            : "the sheet path holds a byte the settings file cannot store (';', 0xFF or 0)";
    std::fprintf(stderr, "make_sample: %s: %s\n", storedPath.c_str(), why);
    return 1;
  }

  const Image sheet = DrawSheet();
  if (!(sheet.Get(0, 0) == kKey)) {
    std::fprintf(stderr, "make_sample: the top-left pixel is not the key colour\n");
    return 1;
  }
  const std::vector<uint8_t> bmp =
      EncodeBmp(sheet.width(), sheet.height(), 24, {}, [&](int x, int y) {
        const Rgb c = sheet.Get(x, y);
        return PackColour(c.r, c.g, c.b);
      });
  if (!WriteFile(sheetFile, bmp)) return 1;
  if (!WriteFile(dir / "walker.plw", EncodeSampleSettings(storedPath))) return 1;
  return 0;
}
