// Fuzzes the frame-list parser with the Start normalisation: any text of up
// to 255 characters against any cell count from 0 to 100000.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "anim/animation_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t raw;
  memcpy(&raw, data, 4);
  const int32_t cells = static_cast<int32_t>(raw % 100001u);
  data += 4;
  size -= 4;

  char text[kRebuiltTextSize] = {};
  size_t length = 0;
  while (length < size && length < kFrameListTextSize - 1 && data[length] != 0) {
    text[length] = static_cast<char>(data[length]);
    ++length;
  }
  uint8_t sequence[kSequenceSize];
  memset(sequence, 0xAB, sizeof sequence);
  ParseFrameList(text, sequence);
  if (memchr(sequence, kSequenceEnd, sizeof sequence) == nullptr) abort();
  NormaliseSequence(sequence, cells, text, sizeof text);
  const size_t rebuilt = strnlen(text, sizeof text);
  if (rebuilt >= sizeof text) abort();

  // Every entry lies in 0..N-1 once normalised, for N of 1 or more.
  int count = 0;
  while (count < kSequenceSize && sequence[count] != kSequenceEnd) {
    if (cells >= 1 && sequence[count] > cells - 1) abort();
    ++count;
  }
  if (count == kSequenceSize) abort();

  // A rebuilt text that fits the field reads back as the same sequence. An
  // empty sequence is rebuilt as the empty text, which means every cell.
  if (cells >= 1 && count > 0 && rebuilt < kFrameListTextSize) {
    char again[kRebuiltTextSize] = {};
    memcpy(again, text, rebuilt + 1);
    uint8_t reread[kSequenceSize];
    ParseFrameList(again, reread);
    NormaliseSequence(reread, cells, again, sizeof again);
    if (memcmp(reread, sequence, static_cast<size_t>(count) + 1) != 0) abort();
    if (strcmp(again, text) != 0) abort();
  }
  return 0;
}
