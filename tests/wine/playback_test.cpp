// The playback tick draws real frames: a cell of a real sheet, enlarged by
// the zoom, over the background colour in the back buffer.
#include <gtest/gtest.h>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/app_state_win.h"
#include "res/resource_ids.h"
#include "sheet/sheet_win.h"
#include "tests/wine/support/harness.h"

namespace {

// A 4 x 1 strip of 8 x 8 cells; cell i is filled with cellColours[i], with
// one black pixel at its top-left so the zoom's pixel blocks can be seen.
const COLORREF kCellColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};

COLORREF StripPixel(int x, int y) {
  if (x % 8 == 0 && y == 0) return RGB(0, 0, 0);
  return kCellColours[x / 8];
}

class PlaybackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sheetPath_ = TempFile("strip.bmp");
    WriteBmp(sheetPath_, 32, 8, 24, StripPixel);
    StartProgram();
    SetControlText(IDC_PATH, sheetPath_.c_str());
    SetControlText(IDC_FRAME_WIDTH, "8");
    SetControlText(IDC_FRAME_HEIGHT, "8");
    SetControlText(IDC_INTERVAL, "10000");  // ticks are driven by the test
    SetControlText(IDC_BACK_RED, "10");
    SetControlText(IDC_BACK_GREEN, "20");
    SetControlText(IDC_BACK_BLUE, "30");
  }
  void TearDown() override { StopProgram(); }
  std::string sheetPath_;
};

TEST_F(PlaybackTest, ZoomTwoDoublesTheCellOverTheBackground) {
  SetControlText(IDC_ZOOM, "2");
  SetControlText(IDC_FRAME_LIST, "0,2");
  ASSERT_TRUE(StartAnimation(frame.panel));
  PlaybackTick(frame.mainWindow);  // the first tick shows the second entry, cell 2

  const COLORREF background = RGB(10, 20, 30);
  EXPECT_EQ(BackBufferPixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(BackBufferPixel(1, 1), RGB(0, 0, 0));  // one sheet pixel is 2 x 2
  EXPECT_EQ(BackBufferPixel(2, 0), kCellColours[2]);
  EXPECT_EQ(BackBufferPixel(15, 15), kCellColours[2]);
  EXPECT_EQ(BackBufferPixel(16, 0), background);
  EXPECT_EQ(BackBufferPixel(0, 16), background);
  EXPECT_EQ(BackBufferPixel(1023, 767), background);
  EXPECT_EQ(WindowText(frame.mainWindow), "Pellowrick Ver4.0 [ 2 ]");

  PlaybackTick(frame.mainWindow);  // the second pass starts with entry 0
  EXPECT_EQ(BackBufferPixel(15, 15), kCellColours[0]);
  EXPECT_EQ(WindowText(frame.mainWindow), "Pellowrick Ver4.0 [ 0 ]");
}

TEST_F(PlaybackTest, TheLoopLimitStopsTheTimerAndKeepsTheLastFrame) {
  SetControlText(IDC_INTERVAL, "10");
  SetControlText(IDC_FRAME_LIST, "1,3");
  SetControlText(IDC_LOOP_COUNT, "1");
  ASSERT_TRUE(StartAnimation(frame.panel));
  // Two entries and one pass: two ticks, the second stops the timer.
  ASSERT_TRUE(PumpUntil([] { return animation.loopsDone == 1; }));
  Pump(200);
  EXPECT_EQ(animation.loopsDone, 1);
  EXPECT_EQ(WindowText(frame.mainWindow), "Pellowrick Ver4.0 [ 3 ]");
  EXPECT_EQ(BackBufferPixel(5, 5), kCellColours[3]);
}

TEST_F(PlaybackTest, AnEmptySequenceShowsTheBackgroundOnly) {
  SetControlText(IDC_FRAME_LIST, "255,3");
  ASSERT_TRUE(StartAnimation(frame.panel));
  EXPECT_EQ(ControlText(IDC_FRAME_LIST), "");
  PlaybackTick(frame.mainWindow);
  EXPECT_EQ(BackBufferPixel(0, 0), RGB(10, 20, 30));
  EXPECT_EQ(BackBufferPixel(5, 5), RGB(10, 20, 30));
  EXPECT_EQ(animation.position, 0);
  EXPECT_EQ(animation.loopsDone, 1);
}

TEST_F(PlaybackTest, AZoomBeyondTheBackBufferIsCutOff) {
  SetControlText(IDC_ZOOM, "200");  // 8 x 200 = 1600 pixels
  SetControlText(IDC_FRAME_LIST, "1,1");
  ASSERT_TRUE(StartAnimation(frame.panel));
  PlaybackTick(frame.mainWindow);
  EXPECT_EQ(BackBufferPixel(1023, 767), kCellColours[1]);
}

}  // namespace
