// Key colours, and the replacement of the key by the background over rows
// of 24- and 32-bit pixels.
#ifndef PELLOWRICK_KEY_COLOUR_CORE_H
#define PELLOWRICK_KEY_COLOUR_CORE_H

#include <cstddef>
#include <cstdint>

// The colour 0x00BBGGRR of three channels (their low bytes).
constexpr uint32_t PackColour(uint32_t red, uint32_t green, uint32_t blue) {
  return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}

// 0x00BBGGRR to the 0x00RRGGBB order of a 32-bit DIB pixel, and back.
constexpr uint32_t ColourToDibPixel(uint32_t colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
constexpr uint32_t DibPixelToColour(uint32_t pixel) { return ColourToDibPixel(pixel & 0xFFFFFF); }

// Replaces every pixel whose colour (the low 24 bits) equals the key by the
// background, both given as DIB pixels; true when any pixel was replaced.
// Compare and select, without branches, so the compiler can run it over
// several pixels at a time.
bool ReplaceKeyPixels(uint32_t* pixels, size_t count, uint32_t keyPixel, uint32_t backgroundPixel);

// The same over `rowCount` rows of `width` 24-bit pixels (blue, green and
// red bytes, as in a 24-bit DIB), each row `stride` bytes after the one
// before (at least width x 3); the bytes past each row's pixels, its
// padding, are neither read nor written. Key and background are given as
// 32-bit DIB pixels.
void ReplaceKeyPixels24(uint8_t* rows, size_t width, size_t rowCount, size_t stride,
                        uint32_t keyPixel, uint32_t backgroundPixel);

// ReplaceKeyPixels24 runs in one of two forms with the same result: with
// SSSE3 where the processor has it and this is true, else with SSE2 only
// (or plain code on other processors). Tests clear it to check the second.
extern bool keyPass24MayUseSsse3;

#endif
