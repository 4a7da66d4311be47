// The playback tick without drawing: stepping through the sequence, counting
// passes, stopping at the loop limit, and the rectangles of the stretch copy.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "anim/animation_core.h"

namespace {

// A record as Start leaves it: position 0, no pass done. The bytes behind the
// terminator hold leftovers of an earlier, longer list; 256 entries leave no
// room for a terminator.
AnimationSettings WithSequence(const std::vector<int>& entries, int32_t loopLimit) {
  AnimationSettings settings = {};
  memset(settings.frameSequence, 9, sizeof settings.frameSequence);
  for (size_t i = 0; i < entries.size(); ++i)
    settings.frameSequence[i] = static_cast<uint8_t>(entries[i]);
  if (entries.size() < static_cast<size_t>(kSequenceSize))
    settings.frameSequence[entries.size()] = kSequenceEnd;
  settings.loopLimit = loopLimit;
  return settings;
}

// Ticks until the timer is to stop or `maxTicks` have run; returns the
// entries shown after each tick and the 1-based tick that stopped (0 if none).
std::tuple<std::vector<int>, int> Play(AnimationSettings& settings, int maxTicks) {
  std::vector<int> shown;
  for (int tick = 1; tick <= maxTicks; ++tick) {
    const bool stop = AdvancePlayback(settings);
    shown.push_back(CurrentEntry(settings));
    if (stop) return {shown, tick};
  }
  return {shown, 0};
}

TEST(PlaybackTest, ShowsEntriesCountsPassesAndStops) {
  const struct {
    const char* name;
    std::vector<int> sequence;
    int32_t loopLimit;
    int ticks;
    std::vector<int> shown;
    int stopTick;
    int32_t position, loopsDone;  // after the last tick
  } cases[] = {
      {"LoopLimitZeroIsEndless", {3, 5, 7}, 0, 10, {5, 7, 3, 5, 7, 3, 5, 7, 3, 5}, 0, 1, 3},
      {"OneEntryLimitOne", {4}, 1, 20, {4}, 1, 0, 1},
      {"OneEntryStopsOnTheLthTick", {4}, 3, 20, {4, 4, 4}, 3, 0, 3},
      {"OneEntryEndless", {4}, 0, 5, {4, 4, 4, 4, 4}, 0, 0, 5},
      // A loop limit of 2^31 or more is negative in the record: the signed
      // comparison stops at the end of the first pass.
      {"NegativeLoopLimitStopsAfterOnePass", {3, 5, 7}, INT32_MIN, 20, {5, 7, 7}, 3, 2, 1},
      // First byte 255 and none behind it: reading past the terminator would
      // walk into the leftovers. Every tick counts a pass at position 0.
      {"EmptySequence", {}, 3, 20, {255, 255, 255}, 3, 0, 3},
      {"EmptySequenceEndless", {}, 0, 10, std::vector<int>(10, 255), 0, 0, 10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AnimationSettings settings = WithSequence(c.sequence, c.loopLimit);
    EXPECT_EQ(SequenceIsEmpty(settings), c.sequence.empty());
    EXPECT_EQ(Play(settings, c.ticks), std::make_tuple(c.shown, c.stopTick));
    EXPECT_EQ(settings.position, c.position);
    EXPECT_EQ(settings.loopsDone, c.loopsDone);
  }
}

TEST(PlaybackTest, StopsAfterLTimesNTicks) {
  // For n >= 2 entries and limit L: e1..e(n-1), then L-1 whole passes, then
  // e(n-1) again on the stopping tick. With 256 entries there is no
  // terminator: the array's last byte ends the pass, and nothing behind it is read.
  for (int n : {2, 3, 5, 254, 255, 256}) {
    for (int limit : {1, 2, 3}) {
      SCOPED_TRACE(std::to_string(n) + " entries, limit " + std::to_string(limit));
      std::vector<int> entries;
      for (int i = 0; i < n; ++i) entries.push_back((i * 7 + 3) % 255);
      std::vector<int> expected(entries.begin() + 1, entries.end());
      for (int pass = 1; pass < limit; ++pass)
        expected.insert(expected.end(), entries.begin(), entries.end());
      expected.push_back(entries.back());

      AnimationSettings settings = WithSequence(entries, limit);
      EXPECT_EQ(Play(settings, limit * n + 10), std::make_tuple(expected, limit * n));
      // Stopping leaves the position on the last entry and the passes counted.
      EXPECT_EQ(settings.position, n - 1);
      EXPECT_EQ(settings.loopsDone, limit);
    }
  }
}

TEST(PlaybackTest, OneTickFromTheEdgesOfTheCounters) {
  const struct {
    const char* name;
    std::vector<int> sequence;
    int32_t loopLimit, position, loopsDone;
    int entry;  // shown before the tick
    bool stop;
    int32_t positionAfter, loopsDoneAfter;
  } cases[] = {
      {"PassCountNearIntMaxWrapsWithoutOverflow", {4}, 0, 0, INT32_MAX, 4, false, 0, INT32_MIN},
      {"LoopLimitOfIntMaxStopsWhenReached", {4, 6}, INT32_MAX, 1, INT32_MAX - 1, 6, true, 1,
       INT32_MAX},
      // A position outside the array is never used as an index: the tick
      // ends the pass.
      {"PositionIntMax", {3, 5, 7}, 0, INT32_MAX, 0, 255, false, 0, 1},
      {"Position256", {3, 5, 7}, 0, kSequenceSize, 0, 255, false, 0, 1},
      {"PositionMinusOne", {3, 5, 7}, 0, -1, 0, 255, false, 0, 1},
      {"PositionIntMin", {3, 5, 7}, 0, INT32_MIN, 0, 255, false, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AnimationSettings settings = WithSequence(c.sequence, c.loopLimit);
    settings.position = c.position;
    settings.loopsDone = c.loopsDone;
    EXPECT_EQ(CurrentEntry(settings), c.entry);
    EXPECT_EQ(AdvancePlayback(settings), c.stop);
    EXPECT_EQ(settings.position, c.positionAfter);
    EXPECT_EQ(settings.loopsDone, c.loopsDoneAfter);
  }
}

TEST(ChooseCellTest, ComputesTheStretchCopy) {
  const struct {
    const char* name;
    bool horizontal;
    int32_t columnIndex, frameWidth, frameHeight;
    int entry;  // 255: an empty sequence
    int32_t zoom;
    int32_t cellColumn, cellRow;
    CellRects rects;  // source x, y, width, height; destination width, height
  } cases[] = {
      {"HorizontalRowTwo", true, 2, 32, 48, 3, 2, 3, 2, {96, 96, 32, 48, 64, 96}},
      {"VerticalColumnOne", false, 1, 16, 16, 4, 1, 1, 4, {16, 64, 16, 16, 16, 16}},
      // 1280 x 1280 is larger than the back buffer; the copy is cut there.
      {"ZoomFortyBeyondTheBackBuffer", true, 0, 32, 32, 0, 40, 0, 0, {0, 0, 32, 32, 1280, 1280}},
      {"ZoomZeroGivesAnEmptyDestination", true, 0, 32, 32, 1, 0, 1, 0, {32, 0, 32, 32, 0, 0}},
      {"NegativeZoom", true, 0, 32, 16, 1, -2, 1, 0, {32, 0, 32, 16, -64, -32}},
      {"EmptySequenceDrawsCell255", true, 0, 10, 10, 255, 1, 255, 0, {2550, 0, 10, 10, 10, 10}},
      {"EmptySequenceVertical", false, 3, 10, 10, 255, 1, 3, 255, {30, 2550, 10, 10, 10, 10}},
      // 2 * INT32_MAX wraps to -2; INT32_MAX * 65536 to -65536; 65536^2 to 0.
      {"HugeHorizontalWraps", true, 0, INT32_MAX, 65536, 2, 65536, 2, 0,
       {-2, 0, INT32_MAX, 65536, -65536, 0}},
      // INT32_MIN * -1 wraps to INT32_MIN; 254 * INT32_MIN to 0.
      {"HugeVerticalWraps", false, INT32_MIN, -1, INT32_MIN, 254, -1, INT32_MIN, 254,
       {INT32_MIN, 0, -1, INT32_MIN, 1, INT32_MIN}},
  };
  auto values = [](const CellRects& r) {
    return std::make_tuple(r.srcX, r.srcY, r.srcWidth, r.srcHeight, r.dstWidth, r.dstHeight);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // The entry sits at position 1, behind a different first entry.
    AnimationSettings settings =
        c.entry == 255 ? WithSequence({}, 0) : WithSequence({17, c.entry}, 0);
    settings.position = c.entry == 255 ? 0 : 1;
    settings.horizontal = c.horizontal ? 1 : 0;
    settings.columnIndex = c.columnIndex;
    settings.frameWidth = c.frameWidth;
    settings.frameHeight = c.frameHeight;
    settings.zoom = c.zoom;

    EXPECT_EQ(values(ChooseCell(settings)), values(c.rects));
    EXPECT_EQ(settings.cellColumn, c.cellColumn);
    EXPECT_EQ(settings.cellRow, c.cellRow);
  }
}

TEST(ChooseCellTest, TheCopyTakesOnlyWhatTheSheetHasAndTheBackBufferShows) {
  const struct {
    const char* name;
    int32_t cellColumn, cellRow, frameWidth, frameHeight, zoom, sheetWidth, sheetHeight;
    CellRects rects;  // all 0: nothing is drawn
  } cases[] = {
      {"Inside", 1, 0, 8, 8, 2, 24, 8, {8, 0, 8, 8, 16, 16}},
      // The sheet rewritten 12 wide under a sequence made for 24.
      {"PartlyBeyondTheRightEdge", 1, 0, 8, 8, 2, 12, 8, {8, 0, 4, 8, 8, 16}},
      {"WhollyBeyondTheRightEdge", 2, 0, 8, 8, 2, 12, 8, {}},
      {"PartlyBelowTheBottom", 0, 1, 8, 8, 1, 8, 12, {0, 8, 8, 4, 8, 4}},
      {"ColumnIndexBeyondTheSheet", 5, 3, 16, 16, 1, 64, 320, {}},
      {"NoSheet", 0, 0, 8, 8, 1, 0, 0, {}},
      {"NegativeSheetWidth", 0, 0, 8, 8, 1, INT32_MIN, 8, {}},
      {"ZoomZero", 0, 0, 8, 8, 0, 8, 8, {}},
      {"NegativeZoom", 0, 0, 8, 8, -2, 8, 8, {}},
      {"NegativeCellWidth", 0, 0, -8, 8, 1, 8, 8, {}},
      {"NegativeCellIndex", -1, 0, 8, 8, 1, 8, 8, {}},
      // 2 x INT32_MAX would wrap to -2 in 32 bits; it lies beyond any sheet.
      {"ProductBeyond32Bits", 2, 0, INT32_MAX, 8, 1, INT32_MAX, 8, {}},
      // 26 x 40 and 20 x 40 sheet pixels cover 1024 x 768.
      {"ZoomFortyCutAtTheBackBuffer", 0, 0, 32, 32, 40, 64, 64, {0, 0, 26, 20, 1040, 800}},
      {"GreatestZoom", 0, 0, 32, 32, INT32_MAX, 64, 64, {0, 0, 1, 1, INT32_MAX, INT32_MAX}},
      {"PartlyInTheSheetAndTheBackBuffer", 1, 0, 10, 10, 200, 15, 10, {10, 0, 5, 4, 1000, 800}},
  };
  auto values = [](const CellRects& r) {
    return std::make_tuple(r.srcX, r.srcY, r.srcWidth, r.srcHeight, r.dstWidth, r.dstHeight);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AnimationSettings settings = {};
    settings.cellColumn = c.cellColumn;
    settings.cellRow = c.cellRow;
    settings.frameWidth = c.frameWidth;
    settings.frameHeight = c.frameHeight;
    settings.zoom = c.zoom;
    EXPECT_EQ(values(CellInSheet(settings, c.sheetWidth, c.sheetHeight)), values(c.rects));
  }
}

}  // namespace
