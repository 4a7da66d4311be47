// Where an opened file goes, and the counting of the two spin buttons.
#include <gtest/gtest.h>

#include <cstdint>

#include "panel/panel_core.h"

namespace {

TEST(PathRulesTest, LastThreeBytesDecide) {
  const struct { const char* name; const char* path; bool sheet, settings; } cases[] = {
      {"LowerBmp", "a.bmp", true, false},
      {"UpperBmp", "a.BMP", true, false},
      {"MixedBmp", "a.Bmp", false, false},
      {"MixedBmpLastLetter", "a.bmP", false, false},
      {"BmpWithoutDot", "abmp", true, false},
      {"ExactlyBmp", "bmp", true, false},
      {"Empty", "", false, false},
      {"TwoBytes", "mp", false, false},
      {"TrailingSpace", "a.bmp ", false, false},
      {"BmpNotAtTheEnd", "a.bmp.txt", false, false},
      {"LowerPlw", "a.plw", false, true},
      {"UpperPlw", "a.PLW", false, true},
      {"MixedPlw", "a.Plw", false, false},
      {"PlwWithoutDot", "aplw", false, true},
      {"ExactlyPlw", "plw", false, true},
      {"TwoBytesLw", "lw", false, false},
      {"OtherExtension", "a.png", false, false},
      // 表.bmp and 表.plw in code page 932.
      {"JapaneseSheet", "C:\\" "\x95\x5c" ".bmp", true, false},
      {"JapaneseSettings", "C:\\" "\x95\x5c" ".plw", false, true},
      // Full-width ｂｍｐ is not the ASCII extension.
      {"FullWidthBmp", "a." "\x82\x82\x82\x8d\x82\x90", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsSheetPath(c.path), c.sheet);
    EXPECT_EQ(IsSettingsPath(c.path), c.settings);
  }
}

// Spin direction: p the remembered position, q the reported one.
TEST(SpinDirectionTest, ComparesWithTheRememberedPosition) {
  const struct { const char* name; uint8_t remembered; uint32_t reported; SpinDirection expected; }
      cases[] = {
      {"UpArrowWrapsFromZeroTo100", 0, 100, SpinDirection::Up},
      {"DownArrowWrapsFrom100ToZero", 100, 0, SpinDirection::Down},
      {"LowerPositionIsUp", 50, 49, SpinDirection::Up},
      {"HigherPositionIsDown", 50, 51, SpinDirection::Down},
      {"FromOneToZeroIsUp", 1, 0, SpinDirection::Up},
      {"FromZeroToOneIsDown", 0, 1, SpinDirection::Down},
      {"From100To99IsUp", 100, 99, SpinDirection::Up},
      {"From99To100IsDown", 99, 100, SpinDirection::Down},
      {"SamePositionIsNone", 50, 50, SpinDirection::None},
      {"SameAtZero", 0, 0, SpinDirection::None},
      {"SameAt100", 100, 100, SpinDirection::None},
      // Only the exact wrap pair counts as a wrap.
      {"ZeroTo99IsDown", 0, 99, SpinDirection::Down},
      {"OneTo100IsDown", 1, 100, SpinDirection::Down},
      {"NinetyNineToZeroIsUp", 99, 0, SpinDirection::Up},
      // A held up arrow that repeats across the wrap point reads as down.
      {"RepeatAcrossTheWrapReverses", 2, 98, SpinDirection::Down},
      // The high word can carry more than 100; it compares unsigned.
      {"LargeReportedPosition", 0, 65535, SpinDirection::Down},
      {"LargeRememberedPosition", 255, 100, SpinDirection::Up},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SpinDirectionFrom(c.remembered, c.reported), c.expected);
  }
}

constexpr int32_t kZoomFloor = 1;
constexpr int32_t kColumnFloor = 0;

// Spin step: up adds 1 without bound, down subtracts 1 above the floor.
TEST(SpinStepTest, CountsTowardsTheFloor) {
  const struct {
    const char* name;
    uint32_t value;
    SpinDirection direction;
    int32_t floor;
    uint32_t expected;
  } cases[] = {
      {"ZoomOneDownStaysOne", 1, SpinDirection::Down, kZoomFloor, 1},
      {"ZoomZeroDownStaysZero", 0, SpinDirection::Down, kZoomFloor, 0},
      {"ZoomTwoDownToOne", 2, SpinDirection::Down, kZoomFloor, 1},
      {"ZoomZeroUpToOne", 0, SpinDirection::Up, kZoomFloor, 1},  // below the floor, up all the same
      {"ColumnZeroDownStaysZero", 0, SpinDirection::Down, kColumnFloor, 0},
      {"ColumnOneDownToZero", 1, SpinDirection::Down, kColumnFloor, 0},
      {"ColumnZeroUpToOne", 0, SpinDirection::Up, kColumnFloor, 1},
      {"NoDirectionNoChange", 7, SpinDirection::None, kZoomFloor, 7},
      // 0x80000000 is negative as a signed number, so below the floor.
      {"SignBitDownStaysWithZoomFloor", 0x80000000u, SpinDirection::Down, kZoomFloor, 0x80000000u},
      {"SignBitDownStaysWithColumnFloor", 0x80000000u, SpinDirection::Down, kColumnFloor,
       0x80000000u},
      {"MinusOneDownStays", 0xFFFFFFFFu, SpinDirection::Down, kColumnFloor, 0xFFFFFFFFu},
      {"IntMaxDown", 0x7FFFFFFFu, SpinDirection::Down, kZoomFloor, 0x7FFFFFFEu},
      {"IntMaxUpCrossesTheSignBit", 0x7FFFFFFFu, SpinDirection::Up, kZoomFloor, 0x80000000u},
      {"AllOnesUpWrapsToZero", 0xFFFFFFFFu, SpinDirection::Up, kZoomFloor, 0u},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SpinStep(c.value, c.direction, c.floor), c.expected);
  }
}

TEST(SpinTest, FirstUpClickAfterStartUpRaisesTheZoomByOne) {
  // Both the spin and its memory start at 0; the first up click reports 100,
  // the next one 99: up both times.
  const uint32_t zoom = SpinStep(1, SpinDirectionFrom(0, 100), kZoomFloor);
  EXPECT_EQ(zoom, 2u);
  EXPECT_EQ(SpinStep(zoom, SpinDirectionFrom(100, 99), kZoomFloor), 3u);
}

}  // namespace
