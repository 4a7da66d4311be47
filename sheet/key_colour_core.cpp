#include "sheet/key_colour_core.h"

#include <cstring>

uint32_t ColourFromFields(uint32_t red, uint32_t green, uint32_t blue) {
  if (blue > 255) blue = 255;
  if (green > 255) green = 255;
  if (red > 255) red = 255;
  return (blue << 16) | (green << 8) | red;
}

uint32_t KeyColourFromFields(uint32_t blue, uint32_t green, uint32_t red) {
  return ColourFromFields(red, green, blue);
}

uint32_t ColourToDibPixel(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

uint32_t DibPixelToColour(uint32_t pixel) { return ColourToDibPixel(pixel & 0xFFFFFF); }

size_t ReplaceKeyPixels(uint32_t* pixels, size_t count, uint32_t keyPixel,
                        uint32_t backgroundPixel) {
  const uint32_t key = keyPixel & 0xFFFFFF;
  const uint32_t background = backgroundPixel & 0xFFFFFF;
  size_t replaced = 0;
  for (size_t i = 0; i < count; ++i) {
    if ((pixels[i] & 0xFFFFFF) == key) {
      pixels[i] = background;
      ++replaced;
    }
  }
  return replaced;
}

bool CanReuseSheet(const SheetIdentity& wanted, const SheetIdentity& held, bool heldIsKeyed,
                   bool transparencyOn) {
  return transparencyOn && strcmp(wanted.path, held.path) == 0 &&
         wanted.file.size == held.file.size &&
         wanted.file.lastWriteTime == held.file.lastWriteTime &&
         wanted.keyColour == held.keyColour &&
         (!heldIsKeyed || wanted.backgroundColour == held.backgroundColour);
}

int32_t RowsPerBand(int32_t width, int32_t height, size_t budgetBytes) {
  if (width <= 0 || height <= 0) return 0;
  // Compared before multiplying: width * 4 can exceed a 32-bit size_t.
  if (static_cast<size_t>(width) > budgetBytes / 4u) return 0;
  const size_t rowBytes = static_cast<size_t>(width) * 4u;
  const size_t rows = budgetBytes / rowBytes;
  return rows >= static_cast<size_t>(height) ? height : static_cast<int32_t>(rows);
}
