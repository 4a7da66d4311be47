// A 4096 x 4096 sheet: it loads, is keyed, and plays at zoom 1 and 4.
// The times are printed, not asserted; the key-pass benchmark compares them.
#include "tests/wine/support/fixtures.h"

#include <cstdio>
#include <set>
#include <string>

namespace {

constexpr int kSide = 4096;
const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kBackground = RGB(10, 20, 30);

// Every 8 x 8 block at a multiple of 64 is the key; elsewhere a gradient
// that never equals it.
COLORREF LargePixel(int x, int y) {
  if (x % 64 < 8 && y % 64 < 8) return kKey;
  return RGB(x & 0xFF, y & 0xFF, ((x >> 8) + (y >> 8) * 16) & 0x7F);
}

using LargeSheetTest = WithProgram;

TEST_F(LargeSheetTest, A4096SquareSheetLoadsKeysAndPlaysAtZoomOneAndFour) {
  SetSheet(WriteSheet("large.bmp", kSide, kSide, LargePixel), 512, 512, 10000);  // ticked by hand
  SetFields({{IDC_FRAME_LIST, "0,3,7"}, {IDC_KEY_RED, "255"}, {IDC_KEY_GREEN, "0"},
             {IDC_KEY_BLUE, "255"}});
  Click(IDC_TRANSPARENT);
  Click(IDC_KEY_FROM_FIELDS);
  SetBackground(kBackground);

  for (int zoom : {1, 4}) {
    SCOPED_TRACE("zoom " + std::to_string(zoom));
    SetControlText(IDC_ZOOM, std::to_string(zoom).c_str());
    const DWORD started = GetTickCount();
    ASSERT_TRUE(Start());
    printf("  Start at zoom %d (load%s): %.2f s\n", zoom, zoom == 1 ? " and key pass" : ", held sheet reused",
           (GetTickCount() - started) / 1000.0);
    EXPECT_EQ(sheet.sheetWidth, kSide);
    EXPECT_EQ(sheet.sheetHeight, kSide);
    EXPECT_FALSE(sheet.needsKeyPass);
    EXPECT_EQ(SheetPixel(0, 0), kBackground);
    EXPECT_EQ(SheetPixel(4095, 4095), LargePixel(4095, 4095));
    EXPECT_EQ(SheetPixel(64 * 63 + 7, 64 * 63 + 7), kBackground);

    // Three ticks, three different cells along the first row.
    std::set<std::pair<int, int>> cells;
    for (int tick = 0; tick < 3; ++tick) {
      Tick();
      AnimationSettings shown = animation;
      const CellRects cell = ChooseCell(shown);
      cells.insert({cell.srcX, cell.srcY});
      EXPECT_EQ(cell.dstWidth, 512 * zoom);
      EXPECT_EQ(BackBufferPixel(0, 0), kBackground) << "a keyed corner";
      EXPECT_EQ(BackBufferPixel(100 * zoom, 30 * zoom), LargePixel(cell.srcX + 100, cell.srcY + 30));
      EXPECT_EQ(BackBufferPixel(1023, 767),
                zoom == 1 ? kBackground : LargePixel(cell.srcX + 255, cell.srcY + 191));
    }
    EXPECT_EQ(cells.size(), 3u);
    StopTimer();
  }
}

}  // namespace
