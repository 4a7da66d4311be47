// The argument text of the command line, and the start-up path cut out of it.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/command_line_core.h"

namespace {

// The path buffer lives on the heap at exactly its own size, so that any
// write past byte 255 is caught by the address sanitizer. It is filled with
// 'X' first so that a missing zero byte shows.
std::string Extract(const char* argumentText) {
  std::unique_ptr<char[]> buffer(new char[kPathBufferSize]);
  memset(buffer.get(), 'X', kPathBufferSize);
  ExtractStartupPath(argumentText, buffer.get());
  const size_t length = strnlen(buffer.get(), kPathBufferSize);
  EXPECT_LT(length, kPathBufferSize) << "no zero byte within the 256-byte path buffer";
  return std::string(buffer.get(), length);
}

TEST(StartupPathTest, CutsTheFirstArgument) {
  // Byte escapes are split into their own literals so that the characters
  // after them are not taken as further hex digits.
  const struct { const char* name; const char* argumentText; const char* expectedPath; } cases[] = {
      {"NullArgumentText", nullptr, ""},
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
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Extract(c.argumentText), c.expectedPath);
  }
}

TEST(ArgumentTextTest, SkipsTheProgramNameAndTheBlanksAfterIt) {
  // Code page 932 bytes: 歩き 95 E0 82 AB, 表示 95 5C 8E A6, ツール 83 63 81 5B
  // 83 8B, 畫 E1 60, 纊 FA 5C (lead bytes 0xE0 to 0xFC), ｱﾆﾒ B1 C6 D2 (single
  // bytes of 0x80 or more).
  const struct { const char* name; const char* commandLine; const char* expectedText; } cases[] = {
      {"NullCommandLine", nullptr, ""},
      {"Empty", "", ""},
      {"NameOnly", "Pellowrick.exe", ""},
      {"NameAndBlanksOnly", "Pellowrick.exe \t ", ""},
      {"OneArgument", "Pellowrick.exe walk.bmp", "walk.bmp"},
      {"BlanksAfterTheNameSkippedOthersKept", "P.exe \t  a.bmp  b.bmp ", "a.bmp  b.bmp "},
      {"TabEndsTheUnquotedName", "P.exe\ta.bmp", "a.bmp"},
      {"QuotedNameWithSpaces", "\"C:\\My Tools\\P.exe\"  a.bmp", "a.bmp"},
      {"TextRightBehindTheClosingQuote", "\"P.exe\"a.bmp b", "a.bmp b"},
      {"UnclosedQuotedName", "\"C:\\My Tools\\P.exe a.bmp", ""},
      {"EmptyQuotedName", "\"\" a.bmp", "a.bmp"},
      {"JapaneseArgument", "P.exe " "\x95\xe0\x82\xab" ".bmp", "\x95\xe0\x82\xab" ".bmp"},
      {"TrailByte5CInTheArgument", "P.exe " "\x95\x5c\x8e\xa6" ".bmp", "\x95\x5c\x8e\xa6" ".bmp"},
      {"LeadBytesE0ToFCAfterATab", "P.exe\t" "\xe1\x60\xfa\x5c" ".bmp", "\xe1\x60\xfa\x5c" ".bmp"},
      {"HalfWidthKatakanaArgument", "P.exe " "\xb1\xc6\xd2" ".bmp", "\xb1\xc6\xd2" ".bmp"},
      {"JapaneseFolderUnquoted", "C:\\" "\x83\x63\x81\x5b\x83\x8b" "\\P.exe sheet.bmp", "sheet.bmp"},
      {"JapaneseNameRightBeforeTheBlank", "C:\\" "\x95\x5c" " " "\x95\xe0" ".bmp", "\x95\xe0" ".bmp"},
      {"JapaneseFolderQuoted", "\"C:\\" "\x95\x5c" "\\P.exe\" " "\x95\xe0\x82\xab" ".bmp",
       "\x95\xe0\x82\xab" ".bmp"},
      {"QuotedJapaneseArgument", "P.exe \"" "\x95\x5c" " x.bmp\"", "\"" "\x95\x5c" " x.bmp\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const char* text = ArgumentTextOf(c.commandLine);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, c.expectedText);
    if (c.commandLine != nullptr) {  // a piece of the command line itself
      EXPECT_EQ(text + strlen(text), c.commandLine + strlen(c.commandLine));
    }
  }
}

TEST(StartupPathTest, CutsToTheFirst255BytesWithoutOverrun) {
  const struct {
    const char* name;
    const char* before;  // the text around an argument of `length` bytes
    size_t length;
    const char* after;
    size_t expectedLength;
  } cases[] = {
      {"Unquoted254", "", 254, "", 254},
      {"Unquoted255", "", 255, "", 255},
      {"Unquoted255WithMoreArguments", "", 255, " next", 255},
      {"Unquoted256", "", 256, "", 255},
      {"Unquoted300", "", 300, "", 255},
      {"Unquoted300WithMoreArguments", "", 300, " next", 255},
      {"Quoted255", "\"", 255, "\" next", 255},
      {"Quoted256", "\"", 256, "\"", 255},
      {"Quoted300", "\"", 300, "\" next", 255},
      // No closing quote: the path runs to the end of the line.
      {"UnclosedQuoteOf300", "\"", 300, "", 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::string argument;
    for (size_t i = 0; i < c.length; ++i) argument.push_back(static_cast<char>('a' + i % 26));
    EXPECT_EQ(Extract((c.before + argument + c.after).c_str()),
              argument.substr(0, c.expectedLength));
  }
}

}  // namespace
