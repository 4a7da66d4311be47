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

namespace {

// Four 32-bit words in the compiler's vector type: GCC and Clang turn its
// ==, &, | and ^ into SSE2 on x86 (four words an instruction) and into
// plain code elsewhere.
typedef int32_t Words4 __attribute__((vector_size(16)));

Words4 Load(const uint8_t* at) {
  Words4 v;
  memcpy(&v, at, sizeof v);
  return v;
}

// 24-bit pixels seen as 32-bit words: a word that starts at byte `phase`
// (0, 1 or 2) of a pixel holds the end of one pixel and the start of the
// next, and either may reach into the word before or after it. For each
// word the masks pick the bytes of the pixel holding its first byte (from
// the word before, `firstBefore`, and from this word, `first`) and of the
// pixel holding its last byte (`last`, and from the word after,
// `lastAfter`); `first` and `last` together cover the word.
struct WordMasks {
  uint32_t firstBefore, first, last, lastAfter;
};
constexpr WordMasks kWordMasks[3] = {
    {0x00000000, 0x00FFFFFF, 0xFF000000, 0x0000FFFF},  // [p p p q] [q q . .]
    {0xFF000000, 0x0000FFFF, 0xFFFF0000, 0x000000FF},  // [. . . p] [p p q q] [q . . .]
    {0xFFFF0000, 0x000000FF, 0xFFFFFF00, 0x00000000},  // [. . p p] [p q q q]
};

// A colour's three bytes repeated, as a word starting at byte `phase`.
uint32_t Repeated(uint32_t colour, int phase) {
  if (phase == 0) return colour | colour << 24;
  if (phase == 1) return colour >> 8 | colour << 16;
  return colour >> 16 | colour << 8;
}

// Every constant of one vector of four words whose first word starts at
// byte `phase` of a pixel.
struct VectorPattern {
  Words4 firstBefore, first, firstKey, last, lastAfter, lastKey, background;
};

// The patterns of a block of 48 bytes, 16 pixels, that starts at a pixel:
// its three vectors start at bytes 0, 16 and 32, at phases 0, 1 and 2.
struct BlockPattern {
  VectorPattern vector[3];
};

BlockPattern MakeBlockPattern(uint32_t key, uint32_t background) {
  BlockPattern block;
  for (int v = 0; v < 3; ++v) {
    VectorPattern& pattern = block.vector[v];
    for (int lane = 0; lane < 4; ++lane) {
      const int phase = (v + lane) % 3;  // word 4v + lane starts at byte 16v + 4 lane
      const WordMasks& m = kWordMasks[phase];
      const uint32_t before = Repeated(key, (phase + 2) % 3), here = Repeated(key, phase),
                     after = Repeated(key, (phase + 1) % 3);
      pattern.firstBefore[lane] = static_cast<int32_t>(m.firstBefore);
      pattern.first[lane] = static_cast<int32_t>(m.first);
      pattern.firstKey[lane] = static_cast<int32_t>((before & m.firstBefore) | (here & m.first));
      pattern.last[lane] = static_cast<int32_t>(m.last);
      pattern.lastAfter[lane] = static_cast<int32_t>(m.lastAfter);
      pattern.lastKey[lane] = static_cast<int32_t>((here & m.last) | (after & m.lastAfter));
      pattern.background[lane] = static_cast<int32_t>(Repeated(background, phase));
    }
  }
  return block;
}

// The four words `here` keyed, with all ones in `matched` at the bytes
// replaced; `before` and `after` are the words one word earlier and later.
Words4 Keyed16(Words4 before, Words4 here, Words4 after, const VectorPattern& p,
               Words4* matched) {
  const Words4 firstMatches = ((before & p.firstBefore) | (here & p.first)) == p.firstKey;
  const Words4 lastMatches = ((here & p.last) | (after & p.lastAfter)) == p.lastKey;
  const Words4 match = (firstMatches & p.first) | (lastMatches & p.last);
  *matched = match;
  return here ^ ((here ^ p.background) & match);
}

// Words 0, 1 and 2 moved to lanes 1, 2 and 3 (lane 0 is not used).
Words4 ShiftedUpOneWord(Words4 v) {
#if defined(__clang__)
  return __builtin_shufflevector(v, v, 0, 0, 1, 2);
#else
  return __builtin_shuffle(v, Words4{0, 0, 1, 2});
#endif
}

bool ReplaceOnePixel24(uint8_t* pixel, uint32_t key, uint32_t background) {
  const uint32_t colour = pixel[0] | pixel[1] << 8 | static_cast<uint32_t>(pixel[2]) << 16;
  if (colour != key) return false;
  pixel[0] = static_cast<uint8_t>(background);
  pixel[1] = static_cast<uint8_t>(background >> 8);
  pixel[2] = static_cast<uint8_t>(background >> 16);
  return true;
}

bool ReplaceKeyPixelsInRow24(uint8_t* row, size_t width, const BlockPattern& block,
                             uint32_t key, uint32_t background) {
  Words4 anyMatch = {};
  // Blocks of 16 pixels while a block and the 4 bytes after it lie within
  // the row's pixels; each block is worked out whole before it is stored.
  // The pixels after the last block, one by one.
  constexpr size_t kBlockBytes = 48, kReach = 4;
  size_t x = 0;
  for (; x * 3 + kBlockBytes + kReach <= width * 3; x += 16) {
    uint8_t* at = row + x * 3;
    // Each word's first pixel starts within the block, so the word before
    // the block is not needed: it is not read, as it was just written (a
    // read across a recent write waits for the write to land).
    const Words4 here0 = Load(at), here1 = Load(at + 16), here2 = Load(at + 32);
    Words4 matched0, matched1, matched2;
    const Words4 keyed0 =
        Keyed16(ShiftedUpOneWord(here0), here0, Load(at + 4), block.vector[0], &matched0);
    const Words4 keyed1 = Keyed16(Load(at + 12), here1, Load(at + 20), block.vector[1], &matched1);
    const Words4 keyed2 = Keyed16(Load(at + 28), here2, Load(at + 36), block.vector[2], &matched2);
    memcpy(at, &keyed0, 16);
    memcpy(at + 16, &keyed1, 16);
    memcpy(at + 32, &keyed2, 16);
    anyMatch |= matched0 | matched1 | matched2;
  }
  bool any = false;
  for (; x < width; ++x) any |= ReplaceOnePixel24(row + x * 3, key, background);
  uint32_t lanes[4];
  memcpy(lanes, &anyMatch, sizeof lanes);
  return any || (lanes[0] | lanes[1] | lanes[2] | lanes[3]) != 0;
}

}  // namespace

bool ReplaceKeyPixels24(uint8_t* rows, size_t width, size_t rowCount, size_t stride,
                        uint32_t keyPixel, uint32_t backgroundPixel) {
  const uint32_t key = keyPixel & 0xFFFFFF;
  const uint32_t background = backgroundPixel & 0xFFFFFF;
  const BlockPattern block = MakeBlockPattern(key, background);
  // Rows without padding are one run.
  if (stride == width * 3 && rowCount > 1)
    return ReplaceKeyPixelsInRow24(rows, width * rowCount, block, key, background);
  bool any = false;
  for (size_t row = 0; row < rowCount; ++row)
    any |= ReplaceKeyPixelsInRow24(rows + row * stride, width, block, key, background);
  return any;
}

bool CanReuseSheet(const SheetIdentity& wanted, const SheetIdentity& held, bool heldIsKeyed,
                   bool transparencyOn) {
  return transparencyOn && strcmp(wanted.path, held.path) == 0 &&
         SameStamp(wanted.file, held.file) &&
         wanted.keyColour == held.keyColour &&
         (!heldIsKeyed || wanted.backgroundColour == held.backgroundColour);
}

bool HeldCopyIsTheFile(const SheetIdentity& wanted, const SheetIdentity& held, bool heldIsClean) {
  // A stamp of 0 bytes is a file that could not be read.
  return heldIsClean && held.keyColour <= 0x00FFFFFF && held.file.size != 0 &&
         strcmp(wanted.path, held.path) == 0 && SameStamp(wanted.file, held.file);
}
