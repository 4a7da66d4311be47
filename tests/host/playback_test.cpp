// The playback tick without drawing: stepping through the sequence, counting
// passes, stopping at the loop limit, and the rectangles of the stretch copy.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "anim/animation_core.h"

namespace {

// A record as Start leaves it: position 0, no pass done. The bytes behind the
// terminator hold leftovers of an earlier, longer list.
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

struct TickRun {
  std::vector<int> shown;  // the entry at the position after each tick
  int stopTick = 0;        // 1-based tick that stopped the timer; 0 if none
};

TickRun Play(AnimationSettings& settings, int maxTicks) {
  TickRun run;
  for (int tick = 1; tick <= maxTicks; ++tick) {
    const bool stop = AdvancePlayback(settings);
    run.shown.push_back(CurrentEntry(settings));
    if (stop) {
      run.stopTick = tick;
      break;
    }
  }
  return run;
}

struct TickCase {
  const char* name;
  std::vector<int> sequence;
  int32_t loopLimit;
  int maxTicks;
  std::vector<int> shown;
  int stopTick;
};

void PrintTo(const TickCase& c, std::ostream* os) { *os << c.name; }

class PlaybackTicksTest : public ::testing::TestWithParam<TickCase> {};

TEST_P(PlaybackTicksTest, ShowsEntriesAndStops) {
  const TickCase& c = GetParam();
  AnimationSettings settings = WithSequence(c.sequence, c.loopLimit);
  const TickRun run = Play(settings, c.maxTicks);
  EXPECT_EQ(run.shown, c.shown);
  EXPECT_EQ(run.stopTick, c.stopTick);
}

const TickCase kTickCases[] = {
    {"LoopLimitOne", {3, 5, 7}, 1, 20, {5, 7, 7}, 3},
    {"LoopLimitTwo", {3, 5, 7}, 2, 20, {5, 7, 3, 5, 7, 7}, 6},
    {"LoopLimitZeroIsEndless", {3, 5, 7}, 0, 10, {5, 7, 3, 5, 7, 3, 5, 7, 3, 5}, 0},
    {"TwoEntries", {1, 2}, 3, 20, {2, 1, 2, 1, 2, 2}, 6},
    {"OneEntryLimitOne", {4}, 1, 20, {4}, 1},
    {"OneEntryStopsOnTheLthTick", {4}, 3, 20, {4, 4, 4}, 3},
    {"OneEntryEndless", {4}, 0, 5, {4, 4, 4, 4, 4}, 0},
    // A loop limit of 2^31 or more is negative in the record: the signed
    // comparison stops at the end of the first pass.
    {"NegativeLoopLimitStopsAfterOnePass", {3, 5, 7}, INT32_MIN, 20, {5, 7, 7}, 3},
};

INSTANTIATE_TEST_SUITE_P(Sequences, PlaybackTicksTest, ::testing::ValuesIn(kTickCases),
                         [](const ::testing::TestParamInfo<TickCase>& info) {
                           return std::string(info.param.name);
                         });

// For n >= 2 entries and limit L: e1..e(n-1), then L-1 whole passes, then
// e(n-1) again on the stopping tick; L * n ticks in all.
class PlaybackLengthTest : public ::testing::TestWithParam<std::tuple<int, int>> {};

TEST_P(PlaybackLengthTest, StopsAfterLTimesNTicks) {
  const int n = std::get<0>(GetParam());
  const int limit = std::get<1>(GetParam());
  std::vector<int> entries;
  for (int i = 0; i < n; ++i) entries.push_back((i * 7 + 3) % 255);

  std::vector<int> expected(entries.begin() + 1, entries.end());
  for (int pass = 1; pass < limit; ++pass) expected.insert(expected.end(), entries.begin(), entries.end());
  expected.push_back(entries.back());

  AnimationSettings settings = WithSequence(entries, limit);
  const TickRun run = Play(settings, limit * n + 10);
  EXPECT_EQ(run.stopTick, limit * n);
  EXPECT_EQ(run.shown, expected);
  // Stopping leaves the position on the last entry and the passes counted.
  EXPECT_EQ(settings.position, n - 1);
  EXPECT_EQ(settings.loopsDone, limit);
}

INSTANTIATE_TEST_SUITE_P(Sizes, PlaybackLengthTest,
                         ::testing::Combine(::testing::Values(2, 3, 5, 254, 255),
                                            ::testing::Values(1, 2, 3)));

TEST(PlaybackTest, EndlessPlaybackKeepsCountingPasses) {
  AnimationSettings settings = WithSequence({3, 5, 7}, 0);
  const TickRun run = Play(settings, 20);
  EXPECT_EQ(run.stopTick, 0);
  EXPECT_EQ(settings.loopsDone, 6);  // passes end on ticks 3, 6, ..., 18
  EXPECT_EQ(settings.position, 2);   // tick 20 shows the third entry, 7
}

TEST(PlaybackTest, EmptySequenceCountsAPassPerTickAndStaysAtZero) {
  // First byte 255, and no 255 anywhere behind it: reading past the
  // terminator would walk into the leftovers.
  AnimationSettings settings = WithSequence({}, 3);
  memset(settings.frameSequence + 1, 7, kSequenceSize - 1);
  for (int tick = 1; tick <= 3; ++tick) {
    const bool stop = AdvancePlayback(settings);
    EXPECT_EQ(stop, tick == 3) << "tick " << tick;
    EXPECT_EQ(settings.position, 0) << "tick " << tick;
    EXPECT_EQ(settings.loopsDone, tick);
    EXPECT_EQ(CurrentEntry(settings), kSequenceEnd);
  }
  EXPECT_TRUE(SequenceIsEmpty(settings));
}

TEST(PlaybackTest, EmptySequenceEndless) {
  AnimationSettings settings = WithSequence({}, 0);
  memset(settings.frameSequence + 1, 7, kSequenceSize - 1);
  const TickRun run = Play(settings, 10);
  EXPECT_EQ(run.stopTick, 0);
  EXPECT_EQ(settings.loopsDone, 10);
  EXPECT_EQ(settings.position, 0);
}

TEST(PlaybackTest, SequenceWithoutTerminatorEndsWithTheArray) {
  // The record at process start: 256 zero bytes and no terminator. The last
  // byte of the array ends the pass; nothing behind it is read.
  AnimationSettings settings = {};
  settings.loopLimit = 1;
  const TickRun run = Play(settings, 300);
  EXPECT_EQ(run.stopTick, kSequenceSize);
  EXPECT_EQ(settings.position, kSequenceSize - 1);
}

TEST(PlaybackTest, PassCountNearIntMaxWrapsWithoutOverflow) {
  AnimationSettings settings = WithSequence({4}, 0);
  settings.loopsDone = INT32_MAX;
  EXPECT_FALSE(AdvancePlayback(settings));
  EXPECT_EQ(settings.loopsDone, INT32_MIN);
  EXPECT_EQ(settings.position, 0);
}

TEST(PlaybackTest, LoopLimitOfIntMaxStopsWhenReached) {
  AnimationSettings settings = WithSequence({4, 6}, INT32_MAX);
  settings.loopsDone = INT32_MAX - 1;
  EXPECT_FALSE(AdvancePlayback(settings));  // to entry 1
  EXPECT_TRUE(AdvancePlayback(settings));   // pass INT32_MAX completes
  EXPECT_EQ(settings.loopsDone, INT32_MAX);
  EXPECT_EQ(settings.position, 1);
}

TEST(PlaybackTest, PositionOutsideTheArrayIsNeverUsedAsAnIndex) {
  for (int32_t position : {INT32_MAX, kSequenceSize, -1, INT32_MIN}) {
    AnimationSettings settings = WithSequence({3, 5, 7}, 0);
    settings.position = position;
    EXPECT_EQ(CurrentEntry(settings), kSequenceEnd) << position;
    EXPECT_FALSE(AdvancePlayback(settings)) << position;
    EXPECT_EQ(settings.position, 0) << position;
    EXPECT_EQ(settings.loopsDone, 1) << position;
  }
}

// ---------------------------------------------------------------------------
// Rectangles.

struct CellCase {
  const char* name;
  bool horizontal;
  int32_t columnIndex, frameWidth, frameHeight;
  int entry;  // 255: an empty sequence
  int32_t zoom;
  int32_t cellColumn, cellRow;
  CellRects rects;
};

void PrintTo(const CellCase& c, std::ostream* os) { *os << c.name; }

class ChooseCellTest : public ::testing::TestWithParam<CellCase> {};

TEST_P(ChooseCellTest, ComputesTheStretchCopy) {
  const CellCase& c = GetParam();
  // The entry sits at position 1, behind a different first entry.
  AnimationSettings settings =
      c.entry == 255 ? WithSequence({}, 0) : WithSequence({17, c.entry}, 0);
  settings.position = c.entry == 255 ? 0 : 1;
  settings.horizontal = c.horizontal ? 1 : 0;
  settings.columnIndex = c.columnIndex;
  settings.frameWidth = c.frameWidth;
  settings.frameHeight = c.frameHeight;
  settings.zoom = c.zoom;

  const CellRects rects = ChooseCell(settings);
  EXPECT_EQ(settings.cellColumn, c.cellColumn);
  EXPECT_EQ(settings.cellRow, c.cellRow);
  EXPECT_EQ(rects.srcX, c.rects.srcX);
  EXPECT_EQ(rects.srcY, c.rects.srcY);
  EXPECT_EQ(rects.srcWidth, c.rects.srcWidth);
  EXPECT_EQ(rects.srcHeight, c.rects.srcHeight);
  EXPECT_EQ(rects.dstWidth, c.rects.dstWidth);
  EXPECT_EQ(rects.dstHeight, c.rects.dstHeight);
}

const CellCase kCellCases[] = {
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

INSTANTIATE_TEST_SUITE_P(Cells, ChooseCellTest, ::testing::ValuesIn(kCellCases),
                         [](const ::testing::TestParamInfo<CellCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
