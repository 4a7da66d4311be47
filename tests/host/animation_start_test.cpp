// The arithmetic of the Start command: the number rule, the frame list,
// defaults and clamps, the colour packing, the cell count and the range step.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "anim/animation_core.h"
#include "sheet/key_colour_core.h"

namespace {

std::string JoinRange(int first, int last) {
  std::string text;
  for (int i = first; i <= last; ++i) {
    if (!text.empty()) text += ',';
    text += std::to_string(i);
  }
  return text;
}

std::vector<int> Range(int first, int last) {
  std::vector<int> values;
  for (int i = first; i <= last; ++i) values.push_back(i);
  return values;
}

// ---------------------------------------------------------------------------
// The atoi rule with wrap-around.

struct DecimalCase {
  const char* name;
  const char* text;
  int32_t expected;
};

void PrintTo(const DecimalCase& c, std::ostream* os) { *os << c.name; }

class ParseDecimalWrappingTest : public ::testing::TestWithParam<DecimalCase> {};

TEST_P(ParseDecimalWrappingTest, FollowsTheAtoiRule) {
  EXPECT_EQ(ParseDecimalWrapping(GetParam().text), GetParam().expected);
}

const DecimalCase kDecimalCases[] = {
    {"Empty", "", 0},
    {"Zero", "0", 0},
    {"Plain", "42", 42},
    {"LeadingSpaces", "   42", 42},
    {"LeadingWhiteSpaceOfEveryKind", " \t\n\v\f\r17", 17},
    {"Plus", "+7", 7},
    {"Minus", "-7", -7},
    {"SpaceThenSign", "  -12", -12},
    {"TwoSigns", "+-1", 0},
    {"SpaceAfterSign", "- 1", 0},
    {"StopsAtFirstNonDigit", "12abc", 12},
    {"StopsAtSpace", "12 34", 12},
    {"NoDigits", "abc", 0},
    {"SignAlone", "-", 0},
    {"LeadingZeros", "0007", 7},
    {"IntMax", "2147483647", INT32_MAX},
    {"IntMin", "-2147483648", INT32_MIN},
    // 2^31 wraps to the most negative value.
    {"TwoToThe31", "2147483648", INT32_MIN},
    // 2^32 wraps to 0, 2^32 + 1 to 1.
    {"TwoToThe32", "4294967296", 0},
    {"TwoToThe32PlusOne", "4294967297", 1},
    {"MinusTwoToThe32PlusOne", "-4294967297", -1},
    // 99999999999 = 0x17'4876'E7FF; its low 32 bits are 0x4876E7FF.
    {"ElevenNines", "99999999999", 0x4876E7FF},
    {"MinusElevenNines", "-99999999999", -0x4876E7FF},
    // Full-width digits １２ (code page 932 bytes) are not digits.
    {"FullWidthDigits", "\x82\x50\x82\x51", 0},
    {"DigitThenFullWidthDigit", "3" "\x82\x50", 3},
};

INSTANTIATE_TEST_SUITE_P(Texts, ParseDecimalWrappingTest, ::testing::ValuesIn(kDecimalCases),
                         [](const ::testing::TestParamInfo<DecimalCase>& info) {
                           return std::string(info.param.name);
                         });

// ---------------------------------------------------------------------------
// ParseFrameList on its own: the raw bytes up to and including the
// terminator.

struct FrameListCase {
  const char* name;
  const char* text;
  std::vector<int> raw;  // sequence bytes, the terminator included
};

void PrintTo(const FrameListCase& c, std::ostream* os) { *os << c.name; }

class ParseFrameListTest : public ::testing::TestWithParam<FrameListCase> {};

TEST_P(ParseFrameListTest, FillsTheSequence) {
  const FrameListCase& c = GetParam();
  std::vector<char> text(kRebuiltTextSize, '\0');
  strcpy(text.data(), c.text);
  std::unique_ptr<uint8_t[]> sequence(new uint8_t[kSequenceSize]);
  memset(sequence.get(), 0x77, kSequenceSize);

  ParseFrameList(text.data(), sequence.get());

  std::vector<int> raw(sequence.get(), sequence.get() + c.raw.size());
  EXPECT_EQ(raw, c.raw);
  // Only the entries and the terminator are written.
  for (size_t i = c.raw.size(); i < static_cast<size_t>(kSequenceSize); ++i)
    ASSERT_EQ(sequence[i], 0x77) << "byte " << i;
}

const FrameListCase kFrameListCases[] = {
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
};

INSTANTIATE_TEST_SUITE_P(Texts, ParseFrameListTest, ::testing::ValuesIn(kFrameListCases),
                         [](const ::testing::TestParamInfo<FrameListCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(ParseFrameListTest, LongestTextGives255EntriesAndTheTerminator) {
  // 254 commas and a digit: 255 characters, 255 fields.
  std::vector<char> text(kRebuiltTextSize, '\0');
  std::string list(254, ',');
  list += '9';
  ASSERT_EQ(list.size(), 255u);
  strcpy(text.data(), list.c_str());
  std::unique_ptr<uint8_t[]> sequence(new uint8_t[kSequenceSize]);
  memset(sequence.get(), 0x77, kSequenceSize);

  ParseFrameList(text.data(), sequence.get());

  for (int i = 0; i < 254; ++i) ASSERT_EQ(sequence[i], 0) << "entry " << i;
  EXPECT_EQ(sequence[254], 9);
  EXPECT_EQ(sequence[255], kSequenceEnd);
}

TEST(ParseFrameListTest, OverlongTextNeverWritesPastTheSequence) {
  // More fields than the sequence can take: the sequence (exactly 256 bytes
  // on the heap) ends with the terminator and nothing is written beyond.
  std::string list(600, ',');
  list += '1';
  std::vector<char> text(list.begin(), list.end());
  text.push_back('\0');
  std::unique_ptr<uint8_t[]> sequence(new uint8_t[kSequenceSize]);
  memset(sequence.get(), 0x77, kSequenceSize);

  ParseFrameList(text.data(), sequence.get());

  for (int i = 0; i < kSequenceSize - 1; ++i) ASSERT_EQ(sequence[i], 0) << "entry " << i;
  EXPECT_EQ(sequence[kSequenceSize - 1], kSequenceEnd);
}

// ---------------------------------------------------------------------------
// The list steps of Start: at most 255 characters of control 1005 in a
// 1024-byte working buffer, ParseFrameList, then NormaliseSequence with the
// cell count.

struct ListResult {
  std::vector<int> sequence;  // the entries before the first 255
  std::vector<int> raw;       // the whole 256 bytes
  std::string text;           // the rebuilt list text
};

ListResult RunListSteps(const std::string& listText, int32_t cellCount) {
  std::vector<char> buffer(kRebuiltTextSize, '\0');
  const size_t length = std::min(listText.size(), static_cast<size_t>(kFrameListTextSize - 1));
  memcpy(buffer.data(), listText.data(), length);
  std::unique_ptr<uint8_t[]> sequence(new uint8_t[kSequenceSize]);
  memset(sequence.get(), 0x77, kSequenceSize);

  ParseFrameList(buffer.data(), sequence.get());
  NormaliseSequence(sequence.get(), cellCount, buffer.data(), buffer.size());

  ListResult result;
  for (int i = 0; i < kSequenceSize && sequence[i] != kSequenceEnd; ++i)
    result.sequence.push_back(sequence[i]);
  result.raw.assign(sequence.get(), sequence.get() + kSequenceSize);
  const void* zero = memchr(buffer.data(), '\0', buffer.size());
  EXPECT_NE(zero, nullptr) << "rebuilt text has no zero byte";
  if (zero != nullptr)
    result.text.assign(buffer.data(), static_cast<const char*>(zero) - buffer.data());
  return result;
}

struct ListCase {
  const char* name;
  const char* list;
  int32_t cellCount;
  std::vector<int> sequence;
  const char* text;
};

void PrintTo(const ListCase& c, std::ostream* os) { *os << c.name; }

class StartListTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(StartListTest, BuildsSequenceAndText) {
  const ListCase& c = GetParam();
  const ListResult result = RunListSteps(c.list, c.cellCount);
  EXPECT_EQ(result.sequence, c.sequence);
  EXPECT_EQ(result.text, std::string(c.text));
}

const ListCase kListCases[] = {
    {"OutOfRangeFirstBecomesZeroLaterBecomesLast", "9,9,1", 4, {0, 3, 1}, "0,3,1"},
    {"EmptyListPlaysEveryCell", "", 4, {0, 1, 2, 3}, "0,1,2,3"},
    {"OneNumberPlaysEveryCell", "2", 4, {0, 1, 2, 3}, "0,1,2,3"},
    {"MinusOneAfterFirstEntryPlaysEveryCell", "1,-1,3", 4, {0, 1, 2, 3}, "0,1,2,3"},
    {"NoNumberPlaysEveryCell", "x,y", 4, {0, 1, 2, 3}, "0,1,2,3"},
    // A lone terminator still leaves entry 1 at 255: every cell.
    {"LoneMinusOnePlaysEveryCell", "-1", 4, {0, 1, 2, 3}, "0,1,2,3"},
    {"Lone255PlaysEveryCell", "255", 3, {0, 1, 2}, "0,1,2"},
    {"TrailingComma", "1,2,3,", 4, {1, 2, 3}, "1,2,3"},
    {"EmptyField", "1,,2", 4, {1, 0, 2}, "1,0,2"},
    {"SpaceAfterComma", "1, 2", 4, {1, 2}, "1,2"},
    {"TerminatorDropsTheRest", "1,2,255,0", 4, {1, 2}, "1,2"},
    {"LowEightBitsInRange", "300,1", 50, {44, 1}, "44,1"},
    {"LowEightBitsBeyondTheStrip", "300,1", 10, {0, 1}, "0,1"},
    {"LastCellStaysLastCell", "3,3", 4, {3, 3}, "3,3"},
    {"FirstBeyondByOne", "4,0", 4, {0, 0}, "0,0"},
    {"LaterBeyondByOne", "0,4", 4, {0, 3}, "0,3"},
    {"OneCellStrip", "0,5,9", 1, {0, 0, 0}, "0,0,0"},
    {"OneCellStripOneNumber", "7", 1, {0}, "0"},
    // N = 0: the later entries become 255 and end the sequence, but every
    // entry still shows in the text.
    {"NoCellsKeepsFirstAsZero", "0,1,2", 0, {0}, "0,255,255"},
    {"NoCellsEmptyList", "", 0, {}, ""},
    {"NoCellsOneNumber", "4", 0, {}, ""},
    {"LeadingTerminatorGivesEmpty", "255,3", 4, {}, ""},
    {"LeadingMinusOneGivesEmpty", "-1,3", 4, {}, ""},
    // A negative cell count (cell size of 2^31 or more) compares signed:
    // N - 1 = -4, whose low 8 bits are 252.
    {"NegativeCellCount", "0,1", -3, {0, 252}, "0,252"},
    {"NegativeCellCountEmptyList", "", -3, {}, ""},
};

INSTANTIATE_TEST_SUITE_P(Lists, StartListTest, ::testing::ValuesIn(kListCases),
                         [](const ::testing::TestParamInfo<ListCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(StartListTest, NoCellsLeavesTerminatorsInTheSequence) {
  const ListResult result = RunListSteps("0,1,2", 0);
  EXPECT_EQ(std::vector<int>(result.raw.begin(), result.raw.begin() + 4),
            (std::vector<int>{0, 255, 255, 255}));
}

TEST(StartListTest, ThreeHundredCellsGive255EntriesAnd909Characters) {
  const ListResult result = RunListSteps("", 300);
  EXPECT_EQ(result.sequence, Range(0, 254));
  EXPECT_EQ(result.raw[255], kSequenceEnd);
  EXPECT_EQ(result.text, JoinRange(0, 254));
  EXPECT_EQ(result.text.size(), 909u);
}

TEST(StartListTest, LongestListIsRebuiltWhole) {
  // 255 fields: 254 empty ones and 9; every one of them is in the text.
  std::string list(254, ',');
  list += '9';
  const ListResult result = RunListSteps(list, 8);
  std::vector<int> expected(254, 0);
  expected.push_back(7);
  EXPECT_EQ(result.sequence, expected);
  std::string expectedText;
  for (int i = 0; i < 254; ++i) expectedText += "0,";
  expectedText += "7";
  EXPECT_EQ(result.text, expectedText);
}

TEST(StartListTest, RebuiltTextReadBackIsCutAt255Characters) {
  const ListResult first = RunListSteps("", 100);
  ASSERT_EQ(first.text, JoinRange(0, 99));
  ASSERT_EQ(first.text.size(), 289u);

  // The next Start reads only the first 255 characters: "0,...,87,8".
  const ListResult second = RunListSteps(first.text, 100);
  std::vector<int> expected = Range(0, 87);
  expected.push_back(8);
  EXPECT_EQ(second.sequence, expected);
  EXPECT_EQ(second.text, JoinRange(0, 87) + ",8");
}

TEST(StartListTest, SmallTextBufferIsNeverOverrun) {
  // The rebuilt text stops at whole entries when the buffer is too small;
  // the buffer is exactly 16 bytes on the heap.
  std::unique_ptr<uint8_t[]> sequence(new uint8_t[kSequenceSize]);
  for (int i = 0; i < 20; ++i) sequence[i] = static_cast<uint8_t>(i);
  sequence[20] = kSequenceEnd;
  std::unique_ptr<char[]> text(new char[16]);
  NormaliseSequence(sequence.get(), 100, text.get(), 16);
  EXPECT_EQ(std::string(text.get()), "0,1,2,3,4,5,6");
}

// ---------------------------------------------------------------------------
// Colours.

struct PackCase {
  uint32_t red, green, blue;
  uint32_t expected;
};

void PrintTo(const PackCase& c, std::ostream* os) { *os << c.red << "," << c.green << "," << c.blue; }

class PackColourTest : public ::testing::TestWithParam<PackCase> {};

TEST_P(PackColourTest, RedInTheLowByte) {
  const PackCase& c = GetParam();
  EXPECT_EQ(PackColour(c.red, c.green, c.blue), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Channels, PackColourTest,
                         ::testing::Values(PackCase{0, 0, 0, 0x00000000u},
                                           PackCase{255, 255, 255, 0x00FFFFFFu},
                                           PackCase{1, 2, 3, 0x00030201u},
                                           PackCase{255, 0, 0, 0x000000FFu},
                                           PackCase{0, 255, 0, 0x0000FF00u},
                                           PackCase{0, 0, 255, 0x00FF0000u},
                                           // only the low 8 bits of each channel
                                           PackCase{0x1FF, 0x100, 0x2AB, 0x00AB00FFu},
                                           PackCase{0xFFFFFFFFu, 0, 0, 0x000000FFu}));

// ---------------------------------------------------------------------------
// Defaults, clamps and the record.

TEST(ApplyStartDefaultsTest, EmptyFieldsTakeTheDefaults) {
  PanelNumbers fields;
  ApplyStartDefaults(fields);
  EXPECT_EQ(fields.frameWidth, 64u);
  EXPECT_EQ(fields.frameHeight, 64u);
  EXPECT_EQ(fields.interval, 200u);
  EXPECT_EQ(fields.columnIndex, 0u);
  EXPECT_EQ(fields.zoom, 1u);
  EXPECT_EQ(fields.loopLimit, 0u);
  EXPECT_EQ(fields.keyBlue, 0u);
  EXPECT_EQ(fields.keyRed, 0u);
  EXPECT_EQ(fields.keyGreen, 0u);
  EXPECT_EQ(fields.backRed, 0u);
  EXPECT_EQ(fields.backGreen, 0u);
  EXPECT_EQ(fields.backBlue, 0u);
}

TEST(ApplyStartDefaultsTest, TypedValuesStayAsTyped) {
  PanelNumbers fields;
  fields.frameHeight = 9;
  fields.interval = 15;
  fields.columnIndex = 3;
  fields.zoom = 4;
  fields.loopLimit = 2;
  fields.frameWidth = 100000;  // no upper bound on anything but colours
  ApplyStartDefaults(fields);
  EXPECT_EQ(fields.frameWidth, 100000u);
  EXPECT_EQ(fields.frameHeight, 9u);
  EXPECT_EQ(fields.interval, 15u);
  EXPECT_EQ(fields.columnIndex, 3u);
  EXPECT_EQ(fields.zoom, 4u);
  EXPECT_EQ(fields.loopLimit, 2u);
}

struct ClampCase {
  uint32_t typed;
  uint32_t written;
};

void PrintTo(const ClampCase& c, std::ostream* os) { *os << c.typed; }

class ChannelClampTest : public ::testing::TestWithParam<ClampCase> {};

TEST_P(ChannelClampTest, EveryChannelIsClampedTo255) {
  const ClampCase& c = GetParam();
  uint32_t PanelNumbers::*const channels[] = {&PanelNumbers::keyBlue,  &PanelNumbers::keyRed,
                                             &PanelNumbers::keyGreen, &PanelNumbers::backRed,
                                             &PanelNumbers::backGreen, &PanelNumbers::backBlue};
  for (uint32_t PanelNumbers::*channel : channels) {
    PanelNumbers fields;
    fields.*channel = c.typed;
    ApplyStartDefaults(fields);
    EXPECT_EQ(fields.*channel, c.written);
  }
}

INSTANTIATE_TEST_SUITE_P(Values, ChannelClampTest,
                         ::testing::Values(ClampCase{0, 0}, ClampCase{1, 1},
                                           ClampCase{254, 254}, ClampCase{255, 255},
                                           ClampCase{256, 255}, ClampCase{300, 255},
                                           ClampCase{0x80000000u, 255},
                                           ClampCase{0xFFFFFFFFu, 255}));

TEST(FillSettingsFromFieldsTest, KeyFieldsReadBlueGreenRed) {
  PanelNumbers fields;
  fields.keyBlue = 10;    // 1023
  fields.keyGreen = 20;   // 1025
  fields.keyRed = 300;    // 1024
  ApplyStartDefaults(fields);
  EXPECT_EQ(fields.keyRed, 255u);
  EXPECT_EQ(fields.keyGreen, 20u);
  EXPECT_EQ(fields.keyBlue, 10u);

  AnimationSettings settings = {};
  FillSettingsFromFields(fields, settings);
  EXPECT_EQ(settings.keyColour & 0xFF, 255u);           // red
  EXPECT_EQ((settings.keyColour >> 8) & 0xFF, 20u);     // green
  EXPECT_EQ((settings.keyColour >> 16) & 0xFF, 10u);    // blue
  EXPECT_EQ(settings.keyColour >> 24, 0u);
}

TEST(FillSettingsFromFieldsTest, BackgroundFieldsReadRedGreenBlue) {
  PanelNumbers fields;
  fields.backRed = 255;
  fields.backGreen = 255;
  fields.backBlue = 255;
  ApplyStartDefaults(fields);
  AnimationSettings settings = {};
  FillSettingsFromFields(fields, settings);
  EXPECT_EQ(settings.backgroundColour, 0x00FFFFFFu);

  fields.backRed = 1;
  fields.backGreen = 2;
  fields.backBlue = 3;
  FillSettingsFromFields(fields, settings);
  EXPECT_EQ(settings.backgroundColour, 0x00030201u);
}

TEST(FillSettingsFromFieldsTest, DefaultsReachTheRecord) {
  PanelNumbers fields;
  ApplyStartDefaults(fields);
  AnimationSettings settings = {};
  settings.zoom = 9;
  settings.columnIndex = 9;
  settings.loopLimit = 9;
  FillSettingsFromFields(fields, settings);
  EXPECT_EQ(settings.frameWidth, 64);
  EXPECT_EQ(settings.frameHeight, 64);
  EXPECT_EQ(settings.columnIndex, 0);
  EXPECT_EQ(settings.zoom, 1);
  EXPECT_EQ(settings.loopLimit, 0);
  EXPECT_EQ(settings.keyColour, 0u);
  EXPECT_EQ(settings.backgroundColour, 0u);
}

TEST(FillSettingsFromFieldsTest, ValuesOfTwoToThe31AndMoreTurnNegative) {
  PanelNumbers fields;
  fields.frameWidth = 0x80000000u;
  fields.frameHeight = 0xFFFFFFFFu;
  fields.columnIndex = 0x80000001u;
  fields.zoom = 0xFFFFFFFEu;
  fields.loopLimit = 0x80000000u;
  ApplyStartDefaults(fields);
  AnimationSettings settings = {};
  FillSettingsFromFields(fields, settings);
  EXPECT_EQ(settings.frameWidth, INT32_MIN);
  EXPECT_EQ(settings.frameHeight, -1);
  EXPECT_EQ(settings.columnIndex, INT32_MIN + 1);
  EXPECT_EQ(settings.zoom, -2);
  EXPECT_EQ(settings.loopLimit, INT32_MIN);
}

// ---------------------------------------------------------------------------
// Cell count.

struct CellCountCase {
  const char* name;
  int32_t sheetWidth, sheetHeight, frameWidth, frameHeight;
  bool horizontal;
  int32_t expected;
};

void PrintTo(const CellCountCase& c, std::ostream* os) { *os << c.name; }

class CellCountTest : public ::testing::TestWithParam<CellCountCase> {};

TEST_P(CellCountTest, WholeCellsAlongTheStrip) {
  const CellCountCase& c = GetParam();
  EXPECT_EQ(CellCount(c.sheetWidth, c.sheetHeight, c.frameWidth, c.frameHeight, c.horizontal),
            c.expected);
}

const CellCountCase kCellCountCases[] = {
    {"HorizontalFourCells", 256, 128, 64, 64, true, 4},
    {"HorizontalIgnoresHeight", 256, 0, 64, 0, true, 4},
    {"VerticalFiveCells", 64, 320, 64, 64, false, 5},
    {"VerticalWhateverTheWidth", 9999, 320, 64, 64, false, 5},
    {"VerticalIgnoresCellWidth", 64, 320, 0, 64, false, 5},
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

INSTANTIATE_TEST_SUITE_P(Sheets, CellCountTest, ::testing::ValuesIn(kCellCountCases),
                         [](const ::testing::TestParamInfo<CellCountCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
