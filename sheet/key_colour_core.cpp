#include "sheet/key_colour_core.h"

#include <array>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <tmmintrin.h>
#define PELLOWRICK_HAS_SSSE3_FORM 1
#endif

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

// Every constant of one vector of four words: the masks and the key's bytes
// of the two tests, and the bits that turn the key's bytes of each pixel
// into the background's.
struct VectorPattern {
  Words4 firstBefore, first, firstKey, last, lastAfter, lastKey, firstFlip, lastFlip;
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
      const uint32_t flip = here ^ Repeated(background, phase);
      pattern.firstFlip[lane] = static_cast<int32_t>(flip & m.first);
      pattern.lastFlip[lane] = static_cast<int32_t>(flip & m.last);
    }
  }
  return block;
}

// The four words `here` keyed; `before` and `after` are the words one word
// earlier and later. A pixel that matches holds the key's bytes, so
// flipping the bits where key and background differ gives the background.
Words4 Keyed16(Words4 before, Words4 here, Words4 after, const VectorPattern& p) {
  const Words4 firstMatches = ((before & p.firstBefore) | (here & p.first)) == p.firstKey;
  const Words4 lastMatches = ((here & p.last) | (after & p.lastAfter)) == p.lastKey;
  return here ^ (firstMatches & p.firstFlip) ^ (lastMatches & p.lastFlip);
}

// Words 0, 1 and 2 moved to lanes 1, 2 and 3 (lane 0 is not used).
Words4 ShiftedUpOneWord(Words4 v) {
#if defined(__clang__)
  return __builtin_shufflevector(v, v, 0, 0, 1, 2);
#else
  return __builtin_shuffle(v, Words4{0, 0, 1, 2});
#endif
}

void ReplaceOnePixel24(uint8_t* pixel, uint32_t key, uint32_t background) {
  const uint32_t colour = pixel[0] | pixel[1] << 8 | static_cast<uint32_t>(pixel[2]) << 16;
  if (colour != key) return;
  pixel[0] = static_cast<uint8_t>(background);
  pixel[1] = static_cast<uint8_t>(background >> 8);
  pixel[2] = static_cast<uint8_t>(background >> 16);
}

void ReplaceKeyPixelsInRow24(uint8_t* row, size_t width, const BlockPattern& block,
                             uint32_t key, uint32_t background) {
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
    const Words4 keyed0 = Keyed16(ShiftedUpOneWord(here0), here0, Load(at + 4), block.vector[0]);
    const Words4 keyed1 = Keyed16(Load(at + 12), here1, Load(at + 20), block.vector[1]);
    const Words4 keyed2 = Keyed16(Load(at + 28), here2, Load(at + 36), block.vector[2]);
    memcpy(at, &keyed0, 16);
    memcpy(at + 16, &keyed1, 16);
    memcpy(at + 32, &keyed2, 16);
  }
  for (; x < width; ++x) ReplaceOnePixel24(row + x * 3, key, background);
}

#if PELLOWRICK_HAS_SSSE3_FORM
__attribute__((target("ssse3"))) __m128i LoadSsse3(const uint8_t* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// The same row with SSSE3's byte shuffle, which spreads 4 pixels of 3 bytes
// into 4 words, compares each with the key at once and spreads each word's
// result back over its pixel's 3 bytes: each pixel is compared once, and the
// row takes less than half the time of the form above.
__attribute__((target("ssse3"))) void ReplaceKeyPixelsInRow24Ssse3(uint8_t* row, size_t width,
                                                                   uint32_t key,
                                                                   uint32_t background) {
  const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
  const __m128i keys = _mm_set1_epi32(static_cast<int>(key));
  // For each of the block's three 16-byte vectors, the word (of the four
  // that hold 4 pixels each) whose result each byte takes, from the first
  // source and the second; -1 takes nothing.
  const __m128i back0a = _mm_setr_epi8(0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1);
  const __m128i back0b = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 4);
  const __m128i back1a = _mm_setr_epi8(4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i back1b = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 4, 4, 4, 8, 8);
  const __m128i back2a = _mm_setr_epi8(8, 12, 12, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
  const __m128i back2b = _mm_setr_epi8(-1, -1, -1, -1, 0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12);
  // The bits where key and background differ, as the three vectors' bytes
  // lie: word `lane` of vector `v` starts at byte (v + lane) % 3 of a pixel.
  const uint32_t flip = key ^ background;
  auto flipsOf = [flip](int v) {
    return std::array<int, 4>{static_cast<int>(Repeated(flip, v % 3)),
                              static_cast<int>(Repeated(flip, (v + 1) % 3)),
                              static_cast<int>(Repeated(flip, (v + 2) % 3)),
                              static_cast<int>(Repeated(flip, (v + 3) % 3))};
  };
  const std::array<int, 4> f0 = flipsOf(0), f1 = flipsOf(1), f2 = flipsOf(2);
  const __m128i flip0 = _mm_setr_epi32(f0[0], f0[1], f0[2], f0[3]);
  const __m128i flip1 = _mm_setr_epi32(f1[0], f1[1], f1[2], f1[3]);
  const __m128i flip2 = _mm_setr_epi32(f2[0], f2[1], f2[2], f2[3]);
  constexpr size_t kBlockBytes = 48, kReach = 4;
  size_t x = 0;
  for (; x * 3 + kBlockBytes + kReach <= width * 3; x += 16) {
    uint8_t* at = row + x * 3;
    const __m128i here0 = LoadSsse3(at), here1 = LoadSsse3(at + 16), here2 = LoadSsse3(at + 32);
    // All ones in the word of each of the block's pixels that is the key.
    const __m128i m0 = _mm_cmpeq_epi32(_mm_shuffle_epi8(here0, spread), keys);
    const __m128i m1 = _mm_cmpeq_epi32(_mm_shuffle_epi8(LoadSsse3(at + 12), spread), keys);
    const __m128i m2 = _mm_cmpeq_epi32(_mm_shuffle_epi8(LoadSsse3(at + 24), spread), keys);
    const __m128i m3 = _mm_cmpeq_epi32(_mm_shuffle_epi8(LoadSsse3(at + 36), spread), keys);
    const __m128i mask0 = _mm_or_si128(_mm_shuffle_epi8(m0, back0a), _mm_shuffle_epi8(m1, back0b));
    const __m128i mask1 = _mm_or_si128(_mm_shuffle_epi8(m1, back1a), _mm_shuffle_epi8(m2, back1b));
    const __m128i mask2 = _mm_or_si128(_mm_shuffle_epi8(m2, back2a), _mm_shuffle_epi8(m3, back2b));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at),
                     _mm_xor_si128(here0, _mm_and_si128(mask0, flip0)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 16),
                     _mm_xor_si128(here1, _mm_and_si128(mask1, flip1)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at + 32),
                     _mm_xor_si128(here2, _mm_and_si128(mask2, flip2)));
  }
  for (; x < width; ++x) ReplaceOnePixel24(row + x * 3, key, background);
}

bool ProcessorHasSsse3() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3");
}
#endif

}  // namespace

bool keyPass24MayUseSsse3 = true;

void ReplaceKeyPixels24(uint8_t* rows, size_t width, size_t rowCount, size_t stride,
                        uint32_t keyPixel, uint32_t backgroundPixel) {
  const uint32_t key = keyPixel & 0xFFFFFF;
  const uint32_t background = backgroundPixel & 0xFFFFFF;
  if (stride == width * 3) {  // rows without padding are one run
    width *= rowCount;
    rowCount = 1;
  }
#if PELLOWRICK_HAS_SSSE3_FORM
  static const bool hasSsse3 = ProcessorHasSsse3();
  if (hasSsse3 && keyPass24MayUseSsse3) {
    for (size_t row = 0; row < rowCount; ++row)
      ReplaceKeyPixelsInRow24Ssse3(rows + row * stride, width, key, background);
    return;
  }
#endif
  const BlockPattern block = MakeBlockPattern(key, background);
  for (size_t row = 0; row < rowCount; ++row)
    ReplaceKeyPixelsInRow24(rows + row * stride, width, block, key, background);
}
