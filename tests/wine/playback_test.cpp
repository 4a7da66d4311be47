// The playback tick draws real frames: a cell of a real sheet, enlarged by
// the zoom, over the background colour in the back buffer.
#include "tests/wine/support/fixtures.h"

#include <string>

namespace {

// A 4 x 1 strip of 8 x 8 cells; cell i is filled with cellColours[i], with
// one black pixel at its top-left so the zoom's pixel blocks can be seen.
const COLORREF kCellColours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};

COLORREF StripPixel(int x, int y) {
  if (x % 8 == 0 && y == 0) return RGB(0, 0, 0);
  return kCellColours[x / 8];
}

const COLORREF kBackground = RGB(10, 20, 30);

class PlaybackTest : public WithProgram {
 protected:
  void SetUp() override {
    WithProgram::SetUp();
    SetSheet(WriteSheet("strip.bmp", 32, 8, StripPixel), 8, 8, 10000);  // ticks are driven here
    SetBackground(kBackground);
  }
};

TEST_F(PlaybackTest, ZoomTwoDoublesTheCellOverTheBackground) {
  SetFields({{IDC_ZOOM, "2"}, {IDC_FRAME_LIST, "0,2"}});
  ASSERT_TRUE(Start());
  Tick();  // the first tick shows the second entry, cell 2

  EXPECT_EQ(BackBufferPixel(0, 0), RGB(0, 0, 0));
  EXPECT_EQ(BackBufferPixel(1, 1), RGB(0, 0, 0));  // one sheet pixel is 2 x 2
  EXPECT_EQ(BackBufferPixel(2, 0), kCellColours[2]);
  EXPECT_EQ(BackBufferPixel(15, 15), kCellColours[2]);
  EXPECT_EQ(BackBufferPixel(16, 0), kBackground);
  EXPECT_EQ(BackBufferPixel(0, 16), kBackground);
  EXPECT_EQ(BackBufferPixel(1023, 767), kBackground);
  EXPECT_EQ(WindowText(frame.mainWindow), PlayingTitle(2));

  Tick();  // the second pass starts with entry 0
  EXPECT_EQ(BackBufferPixel(15, 15), kCellColours[0]);
  EXPECT_EQ(WindowText(frame.mainWindow), PlayingTitle(0));
}

TEST_F(PlaybackTest, TheLoopLimitStopsTheTimerAndKeepsTheLastFrame) {
  SetFields({{IDC_INTERVAL, "10"}, {IDC_FRAME_LIST, "1,3"}, {IDC_LOOP_COUNT, "1"}});
  ASSERT_TRUE(Start());
  // Two entries and one pass: two ticks, the second stops the timer.
  ASSERT_TRUE(PumpUntil([] { return animation.loopsDone == 1; }));
  Pump(200);
  EXPECT_EQ(animation.loopsDone, 1);
  EXPECT_EQ(WindowText(frame.mainWindow), PlayingTitle(3));
  EXPECT_EQ(BackBufferPixel(5, 5), kCellColours[3]);
}

TEST_F(PlaybackTest, AnEmptySequenceOrNoSheetShowsTheBackgroundOnly) {
  const struct { const char* name; const char* path; const char* list; const char* rebuilt; } cases[] = {
      {"an empty sequence", nullptr, "255,3", ""},
      // Transparency on and the key black: Start "reuses" the sheet never
      // loaded, and cell 0 of no cells is drawn.
      {"no sheet loaded", "", "0,1", "0,255"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.path != nullptr) {
      Restart();
      SetBackground(kBackground);
      SetFields({{IDC_PATH, c.path}, {IDC_KEY_BLUE, "0"}, {IDC_KEY_GREEN, "0"}, {IDC_KEY_RED, "0"}});
      Click(IDC_TRANSPARENT);
      Click(IDC_KEY_FROM_FIELDS);
    }
    SetControlText(IDC_FRAME_LIST, c.list);
    ASSERT_TRUE(Start());
    StopTimer();
    EXPECT_EQ(ControlText(IDC_FRAME_LIST), c.rebuilt);
    Tick();
    EXPECT_EQ(BackBufferPixel(0, 0), kBackground);
    EXPECT_EQ(BackBufferPixel(5, 5), kBackground);
    EXPECT_EQ(animation.position, 0);
    EXPECT_EQ(animation.loopsDone, 1);
  }
}

TEST_F(PlaybackTest, AZoomBeyondTheBackBufferIsCutOff) {
  SetFields({{IDC_ZOOM, "200"}, {IDC_FRAME_LIST, "1,1"}});  // 8 x 200 = 1600 pixels
  ASSERT_TRUE(Start());
  Tick();
  EXPECT_EQ(BackBufferPixel(1023, 767), kCellColours[1]);
}

TEST_F(PlaybackTest, StartFillsOnlyTheFieldsThatReadZeroAndRewritesEveryColour) {
  // A field as typed, and as Start leaves it.
  const struct { int id; const char* typed; const char* shown; } cases[] = {
      {IDC_FRAME_WIDTH, "", "64"},         {IDC_FRAME_WIDTH, "08", "08"},
      {IDC_FRAME_WIDTH, "0", "64"},        {IDC_FRAME_HEIGHT, "008", "008"},
      {IDC_INTERVAL, "", "200"},           {IDC_INTERVAL, "010000", "010000"},
      {IDC_COLUMN, "", "0"},               {IDC_COLUMN, "x", "0"},
      {IDC_COLUMN, "01", "01"},            {IDC_ZOOM, "", "1"},
      {IDC_ZOOM, "02", "02"},              {IDC_LOOP_COUNT, "", "0"},
      {IDC_LOOP_COUNT, "003", "003"},      {IDC_KEY_BLUE, "010", "10"},
      {IDC_KEY_RED, "300", "255"},         {IDC_BACK_GREEN, "", "0"},
      {IDC_BACK_BLUE, "0030", "30"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.id) + " typed \"" + c.typed + "\"");
    const std::string before = ControlText(c.id);
    SetControlText(c.id, c.typed);
    ASSERT_TRUE(Start());
    EXPECT_EQ(ControlText(c.id), c.shown);
    SetControlText(c.id, before.c_str());
  }
  // What was typed with a leading zero is also the value in use.
  SetFields({{IDC_FRAME_WIDTH, "08"}, {IDC_ZOOM, "02"}});
  ASSERT_TRUE(Start());
  EXPECT_EQ(animation.frameWidth, 8);
  EXPECT_EQ(animation.zoom, 2);
  StopTimer();
}

TEST_F(PlaybackTest, StartingAgainLeavesOneTimerWithTheNewPeriod) {
  SetControlText(IDC_FRAME_LIST, "0,1");
  // The intervals of two Starts, and the ticks in half a second after them.
  const struct { const char* first; const char* second; int fewestTicks, mostTicks; } cases[] = {
      {"5000", "20", 5, 1000},
      {"20", "5000", 0, 0},  // the fast timer is gone, not running beside
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.first) + " then " + c.second);
    SetControlText(IDC_INTERVAL, c.first);
    ASSERT_TRUE(Start());
    SetControlText(IDC_INTERVAL, c.second);
    ASSERT_TRUE(Start());
    Pump(500);
    // Two entries: every tick moves the position, every second one a pass.
    const int ticks = 2 * animation.loopsDone + animation.position;
    EXPECT_GE(ticks, c.fewestTicks);
    EXPECT_LE(ticks, c.mostTicks);
    StopTimer();
  }
}

TEST_F(PlaybackTest, AVerticalStripCountsCellsDownTheSheetInTheChosenColumn) {
  // 64 x 320: two columns of 32 x 64 cells, five cells down.
  auto colour = [](int column, int row) { return RGB(40 + 100 * column, 30 * row, 7); };
  SetSheet(WriteSheet("tall.bmp", 64, 320, [&](int x, int y) { return colour(x / 32, y / 64); }), 32,
           64, 10000);
  SetFields({{IDC_COLUMN, "1"}, {IDC_FRAME_LIST, ""}});
  Click(IDC_VERTICAL);
  ASSERT_TRUE(Start());
  EXPECT_EQ(animation.horizontal, 0);
  EXPECT_EQ(ControlText(IDC_FRAME_LIST), "0,1,2,3,4");  // N from the height, not the width
  for (int entry : {1, 2, 3, 4, 0}) {
    Tick();
    EXPECT_EQ(animation.cellColumn, 1);
    EXPECT_EQ(animation.cellRow, entry);
    EXPECT_EQ(BackBufferPixel(0, 0), colour(1, entry)) << "entry " << entry;
    EXPECT_EQ(BackBufferPixel(31, 63), colour(1, entry)) << "entry " << entry;
    EXPECT_EQ(BackBufferPixel(32, 0), kBackground);
    EXPECT_EQ(WindowText(frame.mainWindow), PlayingTitle(entry));
  }
}

}  // namespace
