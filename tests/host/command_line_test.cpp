// The start-up path cut out of the argument text.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <string>

#include "app/command_line_core.h"

namespace {

// The path buffer lives on the heap at exactly its own size, so that any
// write past byte 255 is caught by the address sanitizer. It is filled with
// 'X' first so that a missing zero byte shows.
struct Extracted {
  std::unique_ptr<char[]> buffer;
  std::string path;
};

Extracted Extract(const std::string& argumentText) {
  Extracted result;
  result.buffer.reset(new char[kPathBufferSize]);
  memset(result.buffer.get(), 'X', kPathBufferSize);
  ExtractStartupPath(argumentText.c_str(), result.buffer.get());
  const void* zero = memchr(result.buffer.get(), '\0', kPathBufferSize);
  if (zero == nullptr) {
    ADD_FAILURE() << "no zero byte within the 256-byte path buffer";
    return result;
  }
  result.path.assign(result.buffer.get(),
                     static_cast<const char*>(zero) - result.buffer.get());
  return result;
}

struct PathCase {
  const char* name;
  const char* argumentText;
  const char* expectedPath;
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class StartupPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(StartupPathTest, CutsTheFirstArgument) {
  const PathCase& c = GetParam();
  EXPECT_EQ(Extract(c.argumentText).path, std::string(c.expectedPath));
}

// Byte escapes are split into their own literals so that the characters
// after them are not taken as further hex digits.
const PathCase kPathCases[] = {
    {"Empty", "", ""},
    {"OneWord", "walk.bmp", "walk.bmp"},
    {"SeveralWordsKeepOnlyTheFirst", "walk.bmp run.bmp jump.bmp", "walk.bmp"},
    {"QuotedWithSpacesAndTrailingText", "\"C:\\My Sprites\\walk cycle.bmp\" --more text",
     "C:\\My Sprites\\walk cycle.bmp"},
    {"QuotedTextRightBehindTheClosingQuoteIgnored", "\"a b\"c d", "a b"},
    {"UnclosedQuoteRunsToTheEnd", "\"C:\\open ended path.bmp", "C:\\open ended path.bmp"},
    {"UnclosedQuoteKeepsTrailingSpaces", "\"a b  ", "a b  "},
    {"SingleQuoteCharacter", "\"", ""},
    {"EmptyQuotes", "\"\" rest", ""},
    {"TabDoesNotEndUnquotedPath", "a\tb.bmp c", "a\tb.bmp"},
    {"TabAtTheEnd", "a.bmp\t", "a.bmp\t"},
    {"QuoteInsideUnquotedPathStays", "ab\"cd ef", "ab\"cd"},
    {"QuoteAtTheEndOfUnquotedPath", "ab\" x", "ab\""},
    {"SpaceRightAfterFirstCharacter", "a b", "a"},
    // 表 (0x95 0x5C) and ソフト: trail bytes 0x5C and 0x74 pass unchanged.
    {"JapaneseUnquoted", "C:\\" "\x95\x5c" "\\" "\x83\x5c\x83\x74\x83\x67" ".bmp next",
     "C:\\" "\x95\x5c" "\\" "\x83\x5c\x83\x74\x83\x67" ".bmp"},
    {"JapaneseQuotedWithSpace", "\"" "\x95\x5c" " " "\x8e\x86" ".bmp\" x",
     "\x95\x5c" " " "\x8e\x86" ".bmp"},
    {"TrailByteBackslashBeforeClosingQuote", "\"" "\x95\x5c" "\" tail", "\x95\x5c"},
};

INSTANTIATE_TEST_SUITE_P(ArgumentTexts, StartupPathTest, ::testing::ValuesIn(kPathCases),
                         [](const ::testing::TestParamInfo<PathCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(StartupPathTest, NullArgumentTextGivesEmptyPath) {
  std::unique_ptr<char[]> buffer(new char[kPathBufferSize]);
  memset(buffer.get(), 'X', kPathBufferSize);
  ExtractStartupPath(nullptr, buffer.get());
  EXPECT_EQ(buffer[0], '\0');
}

struct LengthCase {
  const char* name;
  bool quoted;
  size_t argumentLength;
  const char* trailer;  // text after the argument
  size_t expectedLength;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.name; }

class StartupPathLengthTest : public ::testing::TestWithParam<LengthCase> {};

TEST_P(StartupPathLengthTest, CutsToTheFirst255BytesWithoutOverrun) {
  const LengthCase& c = GetParam();
  std::string argument;
  for (size_t i = 0; i < c.argumentLength; ++i)
    argument.push_back(static_cast<char>('a' + i % 26));
  const std::string text =
      c.quoted ? "\"" + argument + "\"" + c.trailer : argument + c.trailer;

  const Extracted result = Extract(text);
  ASSERT_EQ(result.path.size(), c.expectedLength);
  EXPECT_EQ(result.path, argument.substr(0, c.expectedLength));
  EXPECT_EQ(result.buffer[c.expectedLength], '\0');
}

const LengthCase kLengthCases[] = {
    {"Unquoted254", false, 254, "", 254},
    {"Unquoted255", false, 255, "", 255},
    {"Unquoted255WithMoreArguments", false, 255, " next", 255},
    {"Unquoted256", false, 256, "", 255},
    {"Unquoted300", false, 300, "", 255},
    {"Unquoted300WithMoreArguments", false, 300, " next", 255},
    {"Quoted255", true, 255, " next", 255},
    {"Quoted256", true, 256, "", 255},
    {"Quoted300", true, 300, " next", 255},
};

INSTANTIATE_TEST_SUITE_P(Lengths, StartupPathLengthTest, ::testing::ValuesIn(kLengthCases),
                         [](const ::testing::TestParamInfo<LengthCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(StartupPathLengthTest, UnclosedQuoteOf300KeepsBytesAfterTheQuote) {
  // No closing quote: the path runs to the end of a 300-byte line.
  std::string argument(300, 'q');
  argument[0] = 'p';
  const Extracted result = Extract("\"" + argument);
  EXPECT_EQ(result.path, argument.substr(0, 255));
  EXPECT_EQ(result.buffer[255], '\0');
}

TEST(StartupPathLengthTest, ZeroByteAt255ForA300ByteArgument) {
  const Extracted result = Extract(std::string(300, 'z'));
  for (size_t i = 0; i < 255; ++i) ASSERT_EQ(result.buffer[i], 'z') << "byte " << i;
  EXPECT_EQ(result.buffer[255], '\0');
}

}  // namespace
