#include "sheet/key_colour_core.h"

#include <cstring>

bool ReplaceKeyPixels(uint32_t* pixels, size_t count, uint32_t keyPixel, uint32_t backgroundPixel) {
  const uint32_t key = keyPixel & 0xFFFFFF;
  const uint32_t background = backgroundPixel & 0xFFFFFF;
  uint32_t anyMatch = 0;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t pixel = pixels[i];
    const uint32_t match = 0u - static_cast<uint32_t>((pixel & 0xFFFFFF) == key);  // all ones or 0
    pixels[i] = (pixel & ~match) | (background & match);
    anyMatch |= match;
  }
  return anyMatch != 0;
}

bool CanReuseSheet(const SheetIdentity& wanted, const SheetIdentity& held, bool heldIsKeyed,
                   bool transparencyOn) {
  return transparencyOn && strcmp(wanted.path, held.path) == 0 &&
         SameStamp(wanted.file, held.file) &&
         wanted.keyColour == held.keyColour &&
         (!heldIsKeyed || wanted.backgroundColour == held.backgroundColour);
}
