// Benchmark of the key-colour pass, side by side in one process: the
// per-pixel GetPixel/SetPixel reference, the pass in a 32-bit DIB section's
// own memory, the tiled pass over a plain compatible bitmap, and a memcpy of
// the same bytes into memory already touched; then the copy into the DIB
// section that the pass makes first, out of the sheet DC, and one playback
// tick drawing from either form of the sheet; the pass in a 24-bit DIB
// section's own memory (as a 24-bit file loads) against a memcpy of its
// bytes, and the tick drawing from it; then, on a 2048 x 2048 sheet file,
// the tick with its look at the file due at every tick and nothing changed
// (the file's stamp read, where its folder cannot be watched; the folder's
// change notification polled, where it can) and never due, and the tick
// that reloads the edited file against a sheet load.
// Prints figures only; exits non-zero if a pass differs.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "sheet/key_colour_core.h"
#include "sheet/key_pass_win.h"
#include "sheet/sheet_file_core.h"
#include "sheet/sheet_watch_win.h"
#include "sheet/sheet_win.h"
#include "tools/bmp_file_core.h"

namespace {

const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kBackground = RGB(10, 20, 30);

double Now() {
  LARGE_INTEGER t, frequency;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The fastest of `runs`, each after an untimed `prepare`.
template <typename Prepare, typename Work>
double Fastest(int runs, Prepare prepare, Work work) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const double start = Now();
    work();
    best = std::min(best, Now() - start);
  }
  return best;
}

// About a tenth of the pixels carry the key colour, at random, so a loop
// that branches on the compare mispredicts.
std::vector<uint32_t> MakePixels(int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  uint32_t state = 12345;
  for (uint32_t& p : pixels) {
    state = state * 1664525u + 1013904223u;
    p = (state >> 24) < 26 ? ColourToDibPixel(kKey) : (state & 0x00FFFFFF);
  }
  return pixels;
}

BITMAPINFO TopDownInfo(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

void Fill(HDC screen, HBITMAP bitmap, const std::vector<uint32_t>& pixels, int size) {
  BITMAPINFO info = TopDownInfo(size, size);
  SetDIBits(screen, bitmap, 0, size, pixels.data(), &info, DIB_RGB_COLORS);
}

std::vector<uint32_t> ReadBack(HDC screen, HBITMAP bitmap, int size) {
  std::vector<uint32_t> pixels(static_cast<size_t>(size) * size);
  BITMAPINFO info = TopDownInfo(size, size);
  GetDIBits(screen, bitmap, 0, size, pixels.data(), &info, DIB_RGB_COLORS);
  for (uint32_t& p : pixels) p &= 0x00FFFFFF;
  return pixels;
}

// 128 x 128 cells at zoom 4, four along the top row.
void PlayFourCells() {
  animation = {};
  animation.frameWidth = animation.frameHeight = 128;
  animation.zoom = 4;
  animation.horizontal = 1;
  animation.backgroundColour = kBackground;
  const uint8_t cells[] = {0, 1, 2, 3, kSequenceEnd};
  memcpy(animation.frameSequence, cells, sizeof cells);
}

// Seconds per playback tick (fill, 128 x 128 cell at zoom 4, copy to the
// window) drawing from each sheet; they take turns, the best round counts.
std::vector<double> TimeTicks(const std::vector<HBITMAP>& sheets, int size) {
  PlayFourCells();
  sheet.sheetWidth = sheet.sheetHeight = size;  // the tick draws what the sheet has
  constexpr int kTicks = 100;
  std::vector<double> best(sheets.size(), 1e30);
  for (int round = 0; round < 10; ++round) {
    for (size_t i = 0; i < sheets.size(); ++i) {
      HGDIOBJ original = SelectObject(frame.sheetDC, sheets[i]);
      const double start = Now();
      for (int tick = 0; tick < kTicks; ++tick) PlaybackTick(frame.mainWindow);
      GdiFlush();
      best[i] = std::min(best[i], (Now() - start) / kTicks);
      SelectObject(frame.sheetDC, original);
    }
  }
  return best;
}

// The pixels as the rows of a 24-bit DIB, blue, green, red, each row
// padded to whole 32-bit words.
std::vector<uint8_t> Rows24(const std::vector<uint32_t>& pixels, int size, size_t stride) {
  std::vector<uint8_t> rows(stride * size, 0);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      for (int c = 0; c < 3; ++c)
        rows[y * stride + x * 3 + c] =
            static_cast<uint8_t>(pixels[static_cast<size_t>(y) * size + x] >> (8 * c));
  return rows;
}

HBITMAP Create24BitDibSection(int size, void** bits) {
  BITMAPINFO info = TopDownInfo(size, size);
  info.bmiHeader.biBitCount = 24;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

// Sets the file's last-write time one second on, as a new save would.
void TouchFile(const char* path) {
  HANDLE file = CreateFileA(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            0, nullptr);
  FILETIME written;
  GetFileTime(file, nullptr, nullptr, &written);
  ULARGE_INTEGER time = {{written.dwLowDateTime, written.dwHighDateTime}};
  time.QuadPart += 10000000u;
  written = {time.LowPart, time.HighPart};
  SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
}

// Loads the file into the sheet DC as the tick's reload does: one read.
void LoadThroughOneOpen(const char* path) { LoadIntoSheetDC(frame.panel, path, 1); }

// Milliseconds per tick with the look due at every tick, the best of ten
// rounds of 100 ticks.
double TickWithLookDue() {
  constexpr int kTicks = 100;
  double best = 1e30;
  for (int round = 0; round < 10; ++round) {
    const double start = Now();
    for (int i = 0; i < kTicks; ++i) {
      SetSheetLookDue(true);
      PlaybackTick(frame.mainWindow);
    }
    GdiFlush();
    best = std::min(best, (Now() - start) / kTicks);
  }
  return best;
}

// The tick's look at the held sheet's file: milliseconds per tick with the
// look due at every tick and the file unchanged, first reading the file's
// stamp (the folder not watched), then polling the folder's change
// notification, and never due, the rounds of each mode warmed alike; then
// the tick that finds the file edited and reloads it, against the sheet
// load itself. False if a figure is wrong.
bool TimeFileChecks(int size) {
  char path[MAX_PATH];
  GetTempPathA(sizeof path, path);
  snprintf(path + strlen(path), sizeof path - strlen(path), "pellowrick-bench-%lu.bmp",
           GetCurrentProcessId());
  const std::vector<uint32_t> source = MakePixels(size, size);
  const std::vector<uint8_t> file = EncodeBmp(size, size, 24, {}, [&](int x, int y) {
    return DibPixelToColour(source[static_cast<size_t>(y) * size + x]);
  });
  FILE* out = fopen(path, "wb");
  if (out == nullptr) return false;
  fwrite(file.data(), 1, file.size(), out);
  fclose(out);

  sheet = {};
  EndSheetWatch();
  snprintf(sheet.source.lastPath, sizeof sheet.source.lastPath, "%s", path);
  const double load = Fastest(3, [] {}, [&] { LoadThroughOneOpen(path); });
  PlayFourCells();
  PlaybackTick(frame.mainWindow);  // the watch takes in the copy and watches its folder
  const bool watched = WatchedSheetFolder()[0] != '\0';
  StopWatchingSheetFolder();
  TickWithLookDue();  // warm-up
  const double stampLook = TickWithLookDue();
  LoadThroughOneOpen(path);  // a new copy: its folder is watched again
  TickWithLookDue();
  const double notification = TickWithLookDue();
  double notDue = 1e30;
  constexpr int kTicks = 100;
  for (int round = 0; round < 10; ++round) {
    const double start = Now();
    for (int i = 0; i < kTicks; ++i) {
      SetSheetLookDue(false);
      PlaybackTick(frame.mainWindow);
    }
    GdiFlush();
    notDue = std::min(notDue, (Now() - start) / kTicks);
  }
  HBITMAP held = sheet.sheetBitmap;
  const uint32_t callsBefore = sheetReads;
  const double reload = Fastest(3, [&] {
    held = sheet.sheetBitmap;
    TouchFile(path);
    Sleep(20);  // the folder's notification is on its way
    SetSheetLookDue(true);
  }, [&] {
    PlaybackTick(frame.mainWindow);
    GdiFlush();
  });
  const bool reloaded =
      sheet.sheetBitmap != held && sheet.sheetWidth == size && sheetReads == callsBefore + 3;
  EndSheetWatch();
  DeleteFileA(path);

  printf("reload %dx%d: tick with the file's look due and nothing changed: stamp look %.4f ms, "
         "change notification %.4f ms (%.2fx faster)%s, never due %.4f ms; tick that reloads the "
         "edited file %.1f ms, sheet load %.1f ms (%.2fx), %s\n",
         size, size, stampLook * 1e3, notification * 1e3, stampLook / notification,
         watched ? "" : " (NOT WATCHED)", notDue * 1e3, reload * 1e3, load * 1e3, reload / load,
         reloaded ? "reloaded" : "NOT RELOADED");
  return reloaded && watched;
}

}  // namespace

int main() {
  HDC screen = GetDC(nullptr);
  // The tick's surfaces, as the main window makes them.
  frame.mainWindow = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 1024, 768,
                                     nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  frame.sheetDC = CreateCompatibleDC(screen);
  frame.backBufferDC = CreateCompatibleDC(screen);
  HBITMAP backBuffer = CreateCompatibleBitmap(screen, kBackBufferWidth, kBackBufferHeight);
  SelectObject(frame.backBufferDC, backBuffer);

  double speedup2048 = 0, memcpyRatio2048 = 0, speedup24 = 0, memcpyRatio24 = 0;
  bool allEqual = true;
  for (int size : {1024, 2048, 4096}) {
    const std::vector<uint32_t> source = MakePixels(size, size);
    const size_t bytes = source.size() * sizeof(uint32_t);
    HBITMAP reference = CreateCompatibleBitmap(screen, size, size);
    HBITMAP plain = CreateCompatibleBitmap(screen, size, size);
    Fill(screen, reference, source, size);
    Fill(screen, plain, source, size);

    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ original = SelectObject(dc, reference);
    const double perPixel = Fastest(1, [] {}, [&] {
      ReplaceKeyColourPerPixel(dc, size, size, kKey, kBackground);
    });

    // The copy the pass makes first, out of the sheet DC holding the plain
    // bitmap as loaded.
    HGDIOBJ sheetOriginal = SelectObject(frame.sheetDC, plain);
    HBITMAP dib = nullptr;
    const double copyBeforePass = Fastest(3, [&] { if (dib) DeleteObject(dib); }, [&] {
      dib = CopyToDibSection(plain, frame.sheetDC, size, size);
    });
    SelectObject(frame.sheetDC, sheetOriginal);
    DIBSECTION section;
    GetObjectA(dib, sizeof section, &section);
    auto* dibPixels = static_cast<uint32_t*>(section.dsBm.bmBits);

    const double inPlace = Fastest(5, [&] { memcpy(dibPixels, source.data(), bytes); }, [&] {
      ReplaceKeyColourInPlace(dib, kKey, kBackground);
    });
    SelectObject(dc, plain);
    const double tiled = Fastest(3, [&] { Fill(screen, plain, source, size); }, [&] {
      ReplaceKeyColourInTiles(dc, size, size, kKey, kBackground);
    });
    SelectObject(dc, original);
    DeleteDC(dc);

    // The baseline touches the same bytes once, into memory already written.
    std::vector<uint32_t> copy(source.size(), 1);
    std::vector<uint32_t> again(source.size(), 2);
    const double plainCopy = Fastest(5, [&] { memcpy(again.data(), source.data(), bytes); }, [&] {
      memcpy(copy.data(), source.data(), bytes);
    });

    const std::vector<uint32_t> expected = ReadBack(screen, reference, size);
    const bool equal = ReadBack(screen, dib, size) == expected &&
                       ReadBack(screen, plain, size) == expected;
    allEqual = allEqual && equal && copy == source;

    // The same pixels in a 24-bit DIB section, keyed in its own memory,
    // against a memcpy of its bytes.
    const size_t stride24 = (static_cast<size_t>(size) * 3 + 3) & ~size_t{3};
    const std::vector<uint8_t> source24 = Rows24(source, size, stride24);
    void* bits24 = nullptr;
    HBITMAP dib24 = Create24BitDibSection(size, &bits24);
    const double inPlace24 = Fastest(5, [&] { memcpy(bits24, source24.data(), source24.size()); },
                                     [&] { ReplaceKeyColourInPlace(dib24, kKey, kBackground); });
    std::vector<uint8_t> copy24(source24.size(), 1), again24(source24.size(), 2);
    const double plainCopy24 =
        Fastest(5, [&] { memcpy(again24.data(), source24.data(), source24.size()); },
                [&] { memcpy(copy24.data(), source24.data(), source24.size()); });
    const bool equal24 = ReadBack(screen, dib24, size) == expected;
    allEqual = allEqual && equal24 && copy24 == source24;

    // Ticks draw the unkeyed sheet from each form.
    Fill(screen, plain, source, size);
    memcpy(dibPixels, source.data(), bytes);
    memcpy(bits24, source24.data(), source24.size());
    const std::vector<double> ticks = TimeTicks({dib, plain, dib24}, size);
    const double tickFromDib = ticks[0], tickFromPlain = ticks[1], tickFrom24 = ticks[2];

    printf("keypass %dx%d: per-pixel %.3f s, in place %.5f s (%.0fx, %.2fx memcpy), "
           "tiled %.5f s (%.0fx, %.2fx memcpy), memcpy %.5f s, copy before the pass %.5f s, "
           "tick from DIB section %.3f ms, from compatible bitmap %.3f ms (%.2fx), %s\n",
           size, size, perPixel, inPlace, perPixel / inPlace, inPlace / plainCopy, tiled,
           perPixel / tiled, tiled / plainCopy, plainCopy, copyBeforePass, tickFromDib * 1e3,
           tickFromPlain * 1e3, tickFromDib / tickFromPlain, equal ? "identical" : "DIFFERENT");
    printf("keypass 24-bit %dx%d: in place %.5f s (%.0fx the per-pixel pass, %.2fx memcpy), "
           "memcpy of its %.0f MiB %.5f s, tick from the 24-bit DIB section %.3f ms (%.2fx "
           "the 32-bit one), %s\n",
           size, size, inPlace24, perPixel / inPlace24, inPlace24 / plainCopy24,
           source24.size() / 1048576.0, plainCopy24, tickFrom24 * 1e3, tickFrom24 / tickFromDib,
           equal24 ? "identical" : "DIFFERENT");
    if (size == 2048) {
      speedup2048 = perPixel / inPlace;
      memcpyRatio2048 = inPlace / plainCopy;
      speedup24 = perPixel / inPlace24;
      memcpyRatio24 = inPlace24 / plainCopy24;
    }
    DeleteObject(dib24);
    DeleteObject(reference);
    DeleteObject(plain);
    DeleteObject(dib);
  }
  ReleaseDC(nullptr, screen);
  allEqual = TimeFileChecks(2048) && allEqual;
  printf("keypass 24-bit 2048x2048: speedup %.1fx, %.2fx memcpy\n", speedup24, memcpyRatio24);
  printf("keypass 2048x2048: speedup %.1fx, %.2fx memcpy\n", speedup2048, memcpyRatio2048);
  fflush(stdout);
  return allEqual ? 0 : 1;
}
