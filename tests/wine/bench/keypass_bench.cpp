// Benchmark of the key-colour pass: the per-pixel GetPixel/SetPixel
// reference against the banded GetDIBits/SetDIBits pass, and a plain memcpy
// of the same pixel bytes, side by side in one process. Prints figures only.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "sheet/key_colour_core.h"
#include "sheet/sheet_win.h"

namespace {

const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kBackground = RGB(10, 20, 30);

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

// About a tenth of the pixels carry the key colour.
std::vector<uint32_t> MakePixels(int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  uint32_t state = 12345;
  for (uint32_t& p : pixels) {
    state = state * 1664525u + 1013904223u;
    p = (state >> 24) < 26 ? ColourToDibPixel(kKey) : (state & 0x00FFFFFF);
  }
  return pixels;
}

BITMAPINFO InfoFor(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

std::vector<uint32_t> ReadBack(HDC screen, HBITMAP bitmap, int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  BITMAPINFO info = InfoFor(width, height);
  GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
  for (uint32_t& p : pixels) p &= 0x00FFFFFF;
  return pixels;
}

}  // namespace

int main() {
  HDC screen = GetDC(nullptr);
  double ratio2048 = 0, memcpyRatio2048 = 0;
  bool allEqual = true;
  for (int size : {1024, 2048, 4096}) {
    const std::vector<uint32_t> source = MakePixels(size, size);
    BITMAPINFO info = InfoFor(size, size);
    HBITMAP reference = CreateCompatibleBitmap(screen, size, size);
    HBITMAP fast = CreateCompatibleBitmap(screen, size, size);
    SetDIBits(screen, reference, 0, size, source.data(), &info, DIB_RGB_COLORS);
    SetDIBits(screen, fast, 0, size, source.data(), &info, DIB_RGB_COLORS);

    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ original = SelectObject(dc, reference);
    LARGE_INTEGER t0 = Now();
    ReplaceKeyColourPerPixel(dc, size, size, kKey, kBackground);
    LARGE_INTEGER t1 = Now();
    SelectObject(dc, original);
    DeleteDC(dc);

    LARGE_INTEGER t2 = Now();
    ReplaceKeyColourInBands(fast, size, size, kKey, kBackground);
    LARGE_INTEGER t3 = Now();

    std::vector<uint32_t> copy(source.size());
    LARGE_INTEGER t4 = Now();
    memcpy(copy.data(), source.data(), source.size() * sizeof(uint32_t));
    LARGE_INTEGER t5 = Now();

    const bool equal = ReadBack(screen, reference, size, size) == ReadBack(screen, fast, size, size);
    allEqual = allEqual && equal;
    const double perPixel = Seconds(t0, t1), banded = Seconds(t2, t3), plain = Seconds(t4, t5);
    printf("keypass %dx%d: per-pixel %.3f s, fast %.4f s, speedup %.1fx, memcpy %.5f s (%.1fx), %s\n",
           size, size, perPixel, banded, perPixel / banded, plain, banded / plain,
           equal ? "identical" : "DIFFERENT");
    if (size == 2048) {
      ratio2048 = perPixel / banded;
      memcpyRatio2048 = banded / plain;
    }
    DeleteObject(reference);
    DeleteObject(fast);
  }
  ReleaseDC(nullptr, screen);
  printf("keypass 2048x2048: speedup %.1fx, %.1fx memcpy\n", ratio2048, memcpyRatio2048);
  fflush(stdout);
  return allEqual ? 0 : 1;
}
