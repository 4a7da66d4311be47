// The arithmetic of the Start command: the number rule, the frame list,
// defaults and clamps, the record and the cell count.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "anim/animation_core.h"

namespace {

std::vector<int> Repeat(int value, int count, const std::vector<int>& tail = {}) {
  std::vector<int> values(count, value);
  values.insert(values.end(), tail.begin(), tail.end());
  return values;
}

std::vector<int> Range(int first, int last, const std::vector<int>& tail = {}) {
  std::vector<int> values;
  for (int i = first; i <= last; ++i) values.push_back(i);
  values.insert(values.end(), tail.begin(), tail.end());
  return values;
}

std::string Join(const std::vector<int>& values) {
  std::string text;
  for (int v : values) text += (text.empty() ? "" : ",") + std::to_string(v);
  return text;
}

TEST(ParseDecimalWrappingTest, FollowsTheAtoiRule) {
  const struct { const char* text; int32_t expected; } cases[] = {
      {"", 0},
      {"0", 0},
      {"42", 42},
      {"   42", 42},
      {" \t\n\v\f\r17", 17},
      {"+7", 7},
      {"-7", -7},
      {"  -12", -12},
      {"+-1", 0},
      {"- 1", 0},
      {"12abc", 12},
      {"12 34", 12},
      {"abc", 0},
      {"-", 0},
      {"0007", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      // 2^31 wraps to the most negative value, 2^32 to 0, 2^32 + 1 to 1.
      {"2147483648", INT32_MIN},
      {"4294967296", 0},
      {"4294967297", 1},
      {"-4294967297", -1},
      // 99999999999 = 0x17'4876'E7FF; its low 32 bits are 0x4876E7FF.
      {"99999999999", 0x4876E7FF},
      {"-99999999999", -0x4876E7FF},
      // Full-width digits １２ (code page 932 bytes) are not digits.
      {"\x82\x50\x82\x51", 0},
      {"3" "\x82\x50", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(ParseDecimalWrapping(c.text), c.expected);
  }
}

// The whole 256-byte sequence on the heap, so that a write past it shows.
std::unique_ptr<uint8_t[]> FreshSequence() {
  std::unique_ptr<uint8_t[]> sequence(new uint8_t[kSequenceSize]);
  memset(sequence.get(), 0x77, kSequenceSize);
  return sequence;
}

TEST(ParseFrameListTest, FillsTheSequenceUpToItsTerminator) {
  const struct {
    const char* name;
    std::string text;
    std::vector<int> raw;  // the sequence bytes written, the terminator included
  } cases[] = {
      {"EmptyGivesZero", "", {0, 255}},
      {"OneNumber", "7", {7, 255}},
      {"ThreeNumbers", "3,5,7", {3, 5, 7, 255}},
      {"TrailingComma", "1,2,3,", {1, 2, 3, 255}},
      {"EmptyFieldGivesZero", "1,,2", {1, 0, 2, 255}},
      {"LeadingComma", ",5", {0, 5, 255}},
      {"SpaceAfterComma", "1, 2", {1, 2, 255}},
      {"OnlyCommas", ",,,", {0, 255}},
      {"TrailingLetters", "1,2,x", {1, 2, 255}},
      {"TrailingSpaceAndComma", "4,5 , ", {4, 5, 255}},
      {"LettersAfterNumber", "1x,2", {1, 2, 255}},
      {"Signs", "+3,-0", {3, 0, 255}},
      {"LowEightBits", "256,300,-256,-255", {0, 44, 0, 1, 255}},
      {"TwoFiftyFiveIsTheTerminator", "255", {255, 255}},
      {"MinusOneIsTheTerminator", "-1", {255, 255}},
      {"TerminatorInTheMiddle", "1,2,255,0", {1, 2, 255, 0, 255}},
      {"WrappedBeyondInt", "4294967296,1", {0, 1, 255}},
      // 0x4876E7FF: the low byte is 0xFF, so the number ends the sequence.
      {"ElevenNinesEndTheSequence", "99999999999,1", {255, 1, 255}},
      // １２: no ASCII digit, so the text is emptied and gives the entry 0.
      {"FullWidthDigitsOnly", "\x82\x50\x82\x51", {0, 255}},
      {"FullWidthDigitField", "\x82\x50" ",2", {0, 2, 255}},
      // The full-width comma (0x81 0x43) does not separate: 3，4 reads 3.
      {"FullWidthCommaIsNoSeparator", "3" "\x81\x43" "4", {3, 255}},
      // 254 commas and a digit: 255 characters, 255 fields.
      {"LongestTextGives255Entries", std::string(254, ',') + "9", Repeat(0, 254, {9, 255})},
      {"OverlongTextEndsWithTheArray", std::string(600, ',') + "1", Repeat(0, 255, {255})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char> text(c.text.c_str(), c.text.c_str() + c.text.size() + 1);
    const std::unique_ptr<uint8_t[]> sequence = FreshSequence();
    ParseFrameList(text.data(), sequence.get());
    std::vector<int> expected = c.raw;
    expected.resize(kSequenceSize, 0x77);  // nothing but the entries and the terminator
    EXPECT_EQ(std::vector<int>(sequence.get(), sequence.get() + kSequenceSize), expected);
  }
}


// The list steps of Start: at most 255 characters of control 1005 in a
// 1024-byte working buffer, ParseFrameList, then NormaliseSequence with the
// cell count.
TEST(StartListTest, BuildsSequenceAndText) {
  const struct {
    const char* name;
    std::string list;
    int32_t cellCount;
    std::vector<int> raw;  // the leading bytes of the sequence
    std::string text;      // the rebuilt list
  } cases[] = {
      {"OutOfRangeFirstBecomesZeroLaterBecomesLast", "9,9,1", 4, {0, 3, 1, 255}, "0,3,1"},
      {"EmptyListPlaysEveryCell", "", 4, {0, 1, 2, 3, 255}, "0,1,2,3"},
      {"OneNumberPlaysEveryCell", "2", 4, {0, 1, 2, 3, 255}, "0,1,2,3"},
      {"MinusOneAfterFirstEntryPlaysEveryCell", "1,-1,3", 4, {0, 1, 2, 3, 255}, "0,1,2,3"},
      {"NoNumberPlaysEveryCell", "x,y", 4, {0, 1, 2, 3, 255}, "0,1,2,3"},
      // A lone terminator still leaves entry 1 at 255: every cell.
      {"LoneMinusOnePlaysEveryCell", "-1", 4, {0, 1, 2, 3, 255}, "0,1,2,3"},
      {"Lone255PlaysEveryCell", "255", 3, {0, 1, 2, 255}, "0,1,2"},
      {"TerminatorDropsTheRest", "1,2,255,0", 4, {1, 2, 255}, "1,2"},
      {"LowEightBitsInRange", "300,1", 50, {44, 1, 255}, "44,1"},
      {"LowEightBitsBeyondTheStrip", "300,1", 10, {0, 1, 255}, "0,1"},
      {"LastCellStaysLastCell", "3,3", 4, {3, 3, 255}, "3,3"},
      {"FirstBeyondByOne", "4,0", 4, {0, 0, 255}, "0,0"},
      {"LaterBeyondByOne", "0,4", 4, {0, 3, 255}, "0,3"},
      {"OneCellStrip", "0,5,9", 1, {0, 0, 0, 255}, "0,0,0"},
      {"OneCellStripOneNumber", "7", 1, {0, 255}, "0"},
      // N = 0: the later entries become 255 and end the sequence, but every
      // entry still shows in the text.
      {"NoCellsKeepsFirstAsZero", "0,1,2", 0, {0, 255, 255, 255}, "0,255,255"},
      {"NoCellsEmptyList", "", 0, {255}, ""},
      {"NoCellsOneNumber", "4", 0, {255}, ""},
      {"LeadingTerminatorGivesEmpty", "255,3", 4, {255}, ""},
      {"LeadingMinusOneGivesEmpty", "-1,3", 4, {255}, ""},
      // A negative cell count (cell size of 2^31 or more) compares signed:
      // N - 1 = -4, whose low 8 bits are 252.
      {"NegativeCellCount", "0,1", -3, {0, 252, 255}, "0,252"},
      {"NegativeCellCountEmptyList", "", -3, {255}, ""},
      // At most 255 entries, 909 characters of text.
      {"ThreeHundredCells", "", 300, Range(0, 254, {255}), Join(Range(0, 254))},
      // 255 fields, 254 empty ones and 9: every one of them is in the text.
      {"LongestListIsRebuiltWhole", std::string(254, ',') + "9", 8, Repeat(0, 254, {7, 255}),
       Join(Repeat(0, 254, {7}))},
      // The text rebuilt for 100 cells read back by the next Start: only its
      // first 255 characters, "0,...,87,8".
      {"RebuiltTextReadBackIsCutAt255", Join(Range(0, 99)), 100, Range(0, 87, {8, 255}),
       Join(Range(0, 87, {8}))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<char> buffer(kRebuiltTextSize, '\0');
    memcpy(buffer.data(), c.list.data(), std::min<size_t>(c.list.size(), kFrameListTextSize - 1));
    const std::unique_ptr<uint8_t[]> sequence = FreshSequence();
    ParseFrameList(buffer.data(), sequence.get());
    NormaliseSequence(sequence.get(), c.cellCount, buffer.data(), buffer.size());
    EXPECT_EQ(std::vector<int>(sequence.get(), sequence.get() + c.raw.size()), c.raw);
    const size_t length = strnlen(buffer.data(), buffer.size());
    EXPECT_LT(length, buffer.size()) << "the rebuilt text has no zero byte";
    EXPECT_EQ(std::string(buffer.data(), length), c.text);
  }
}

TEST(StartListTest, SmallTextBufferIsNeverOverrun) {
  // The rebuilt text stops at whole entries when the buffer is too small;
  // the buffer is exactly 16 bytes on the heap.
  const std::unique_ptr<uint8_t[]> sequence = FreshSequence();
  for (int i = 0; i < 20; ++i) sequence[i] = static_cast<uint8_t>(i);
  sequence[20] = kSequenceEnd;
  std::unique_ptr<char[]> text(new char[16]);
  NormaliseSequence(sequence.get(), 100, text.get(), 16);
  EXPECT_EQ(std::string(text.get()), "0,1,2,3,4,5,6");
}

// Start's reading of the panel: ApplyStartDefaults on the fields as typed,
// then FillSettingsFromFields into a record that still holds other values.
PanelNumbers WithChannels(PanelNumbers numbers, uint32_t value) {
  numbers.keyBlue = numbers.keyRed = numbers.keyGreen = value;
  numbers.backRed = numbers.backGreen = numbers.backBlue = value;
  return numbers;
}

TEST(StartFieldsTest, DefaultsClampsAndTheRecord) {
  using Record = std::tuple<int32_t, int32_t, int32_t, int32_t, int32_t, uint32_t, uint32_t>;
  const PanelNumbers kStartDefaults = {64, 64, 200, 0, 1, 0};
  const Record kWhiteOnWhite = {64, 64, 0, 1, 0, 0xFFFFFF, 0xFFFFFF};
  const struct {
    const char* name;
    // Width, height, interval, column, zoom, loops; key blue, red, green;
    // background red, green, blue.
    PanelNumbers typed, used;
    // Width, height, column, zoom, loops, key colour, background colour.
    Record record;
  } cases[] = {
      // The colour channels have no default: empty reads as 0.
      {"EmptyFieldsTakeTheDefaults", {}, {64, 64, 200, 0, 1, 0}, {64, 64, 0, 1, 0, 0, 0}},
      // No upper bound on anything but the colour channels.
      {"TypedValuesStayAsTyped", {100000, 9, 15, 3, 4, 2}, {100000, 9, 15, 3, 4, 2},
       {100000, 9, 3, 4, 2, 0, 0}},
      {"ValuesOfTwoToThe31AndMoreTurnNegative",
       {0x80000000u, 0xFFFFFFFFu, 5, 0x80000001u, 0xFFFFFFFEu, 0x80000000u},
       {0x80000000u, 0xFFFFFFFFu, 5, 0x80000001u, 0xFFFFFFFEu, 0x80000000u},
       {INT32_MIN, -1, INT32_MIN + 1, -2, INT32_MIN, 0, 0}},
      // Fields 1023, 1024, 1025 are blue, red, green; the packed key is 0x00BBGGRR.
      {"KeyFieldsReadBlueRedGreen", {0, 0, 0, 0, 0, 0, 10, 300, 20},
       {64, 64, 200, 0, 1, 0, 10, 255, 20}, {64, 64, 0, 1, 0, 0x000A14FF, 0}},
      {"BackgroundFieldsReadRedGreenBlue", {0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3},
       {64, 64, 200, 0, 1, 0, 0, 0, 0, 1, 2, 3}, {64, 64, 0, 1, 0, 0, 0x00030201}},
      // Every channel: 255 stays, anything above counts as 255.
      {"Channels255", WithChannels({}, 255), WithChannels(kStartDefaults, 255), kWhiteOnWhite},
      {"Channels256", WithChannels({}, 256), WithChannels(kStartDefaults, 255), kWhiteOnWhite},
      {"ChannelsWithTheSignBit", WithChannels({}, 0x80000000u), WithChannels(kStartDefaults, 255),
       kWhiteOnWhite},
      {"ChannelsAllOnes", WithChannels({}, 0xFFFFFFFFu), WithChannels(kStartDefaults, 255),
       kWhiteOnWhite},
  };
  uint32_t PanelNumbers::*const every[] = {
      &PanelNumbers::frameWidth, &PanelNumbers::frameHeight, &PanelNumbers::interval,
      &PanelNumbers::columnIndex, &PanelNumbers::zoom, &PanelNumbers::loopLimit,
      &PanelNumbers::keyBlue, &PanelNumbers::keyRed, &PanelNumbers::keyGreen,
      &PanelNumbers::backRed, &PanelNumbers::backGreen, &PanelNumbers::backBlue};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PanelNumbers fields = c.typed;
    ApplyStartDefaults(fields);
    for (size_t i = 0; i < std::size(every); ++i)
      EXPECT_EQ(fields.*every[i], c.used.*every[i]) << "field " << i;

    AnimationSettings settings;
    memset(&settings, 9, sizeof settings);  // an earlier Start's values
    FillSettingsFromFields(fields, settings);
    EXPECT_EQ(Record(settings.frameWidth, settings.frameHeight, settings.columnIndex,
                     settings.zoom, settings.loopLimit, settings.keyColour,
                     settings.backgroundColour),
              c.record);
  }
}

// Cells along the strip.
TEST(CellCountTest, WholeCellsAlongTheStrip) {
  const struct {
    const char* name;
    int32_t sheetWidth, sheetHeight, frameWidth, frameHeight;
    bool horizontal;
    int32_t expected;
  } cases[] = {
      // Each reads only its own two sizes: the others are 0 or far off.
      {"HorizontalIgnoresHeight", 256, 0, 64, 0, true, 4},
      {"VerticalIgnoresWidth", 9999, 320, 0, 64, false, 5},
      {"PartialCellDropped", 100, 0, 30, 0, true, 3},
      {"SheetSmallerThanCell", 32, 32, 64, 64, true, 0},
      {"NoSheet", 0, 0, 64, 64, true, 0},
      {"NegativeSheetTruncatesTowardZero", -100, 0, 30, 0, true, -3},
      {"NegativeCellTruncatesTowardZero", 100, 0, -30, 0, true, -3},
      {"BothNegative", 0, -100, 0, -30, false, 3},
      {"CellWidthZero", 256, 256, 0, 64, true, 0},
      {"CellHeightZero", 256, 256, 64, 0, false, 0},
      {"IntMinByMinusOneHorizontal", INT32_MIN, 0, -1, 0, true, INT32_MIN},
      {"IntMinByMinusOneVertical", 0, INT32_MIN, 0, -1, false, INT32_MIN},
      {"IntMinByOne", INT32_MIN, 0, 1, 0, true, INT32_MIN},
      {"IntMaxByMinusOne", INT32_MAX, 0, -1, 0, true, -INT32_MAX},
      {"IntMaxByOne", 0, INT32_MAX, 0, 1, false, INT32_MAX},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CellCount(c.sheetWidth, c.sheetHeight, c.frameWidth, c.frameHeight, c.horizontal),
              c.expected);
  }
}

}  // namespace
