// Key colours and the replacement over rows of 32-bit pixels.
#ifndef PELLOWRICK_KEY_COLOUR_CORE_H
#define PELLOWRICK_KEY_COLOUR_CORE_H

#include <cstddef>
#include <cstdint>

// The key colour from the RGB fields 1023 (blue), 1025 (green), 1024 (red),
// each value above 255 counted as 255; 0x00BBGGRR.
uint32_t KeyColourFromFields(uint32_t blue, uint32_t green, uint32_t red);

// 0x00BBGGRR to the 0x00RRGGBB order of a 32-bit DIB pixel, and back.
uint32_t ColourToDibPixel(uint32_t colour);
uint32_t DibPixelToColour(uint32_t pixel);

// Replaces every pixel whose colour (the low 24 bits) equals the key by the
// background, both given as DIB pixels. Returns the number replaced.
size_t ReplaceKeyPixels(uint32_t* pixels, size_t count, uint32_t keyPixel,
                        uint32_t backgroundPixel);

// Whether the held sheet can be reused instead of loading a clean copy: the
// same path byte for byte, the same key as the last pass, transparency on.
bool CanReuseSheet(const char* path, const char* lastPath, uint32_t keyColour,
                   uint32_t lastKeyColour, bool transparencyOn);

// Rows per band of the key pass so its buffer stays within `budgetBytes`;
// 0 when a single row is wider than the budget.
int32_t RowsPerBand(int32_t width, int32_t height, size_t budgetBytes);

#endif
