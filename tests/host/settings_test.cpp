// The settings file's bytes: layout, clamps, flags, damaged files, base name.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "panel/settings_core.h"

namespace {

using Bytes = std::vector<uint8_t>;

SettingsRecord Defaults() {
  SettingsRecord r{};
  r.frameWidth = 64;
  r.frameHeight = 64;
  r.interval = 200;
  r.zoom = 1;
  r.flags = kFlagHorizontal;
  r.backRed = r.backGreen = r.backBlue = 255;
  return r;
}

// A file of a path, the 0x3B, a fixed block of zeros and a frame list.
Bytes File(const std::string& path, const std::string& list) {
  Bytes bytes(path.begin(), path.end());
  bytes.push_back(0x3B);
  bytes.insert(bytes.end(), kFixedBlockSize, 0);
  bytes.insert(bytes.end(), list.begin(), list.end());
  return bytes;
}

TEST(SettingsEncode, LayoutOrderWithTheKeyColourInPanelOrder) {
  Bytes empty(16, 0);
  empty[0] = 0x3B;
  EXPECT_EQ(EncodeSettings(SettingsRecord{}), empty);

  SettingsRecord r = Defaults();
  r.path = "a.bmp";
  r.frameWidth = 256;
  r.frameHeight = 70000;
  r.interval = 0x1234;
  r.columnIndex = 300;
  r.zoom = 3;
  r.flags = FlagsByte(false, true, true);
  r.keyBlue = 10;
  r.keyGreen = 20;
  r.keyRed = 30;
  r.backRed = 1;
  r.backGreen = 2;
  r.backBlue = 3;
  r.frameList = "0,1";
  const Bytes expected = {'a', '.', 'b', 'm', 'p', 0x3B, 0x01, 0x00, 0xFF, 0xFF, 0x12, 0x34,
                          0xFF, 3, 0x06, 10, 20, 30, 1, 2, 3, '0', ',', '1'};
  EXPECT_EQ(EncodeSettings(r), expected);
}

TEST(SettingsEncode, FieldsAreClampedToTheirWidth) {
  const struct { uint32_t value; int width; Bytes expected; } cases[] = {
      {65536, 2, {0xFF, 0xFF}}, {65535, 2, {0xFF, 0xFF}}, {256, 2, {0x01, 0x00}},
      {0xFFFFFFFF, 2, {0xFF, 0xFF}}, {300, 1, {0xFF}}, {255, 1, {0xFF}}, {59, 1, {0x3B}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.value) + " in " + std::to_string(c.width));
    uint8_t out[2] = {0xAA, 0xAA};
    ClampToBytes(c.value, c.width, out);
    EXPECT_EQ(Bytes(out, out + c.width), c.expected);
  }
}

TEST(SettingsEncode, BitsOfTheFlagsByte) {
  EXPECT_EQ(FlagsByte(true, false, false), 0x01);
  EXPECT_EQ(FlagsByte(false, true, false), 0x02);
  EXPECT_EQ(FlagsByte(false, false, true), 0x04);
}

TEST(SettingsEncode, TextsThatCannotReadBack) {
  const struct { std::string text; bool path, list; } cases[] = {
      {"C:\\a\\b.bmp", true, true},
      {"", true, true},
      {std::string(255, 'a'), true, true},
      {"C:\\a;b.bmp", false, true},
      {"a\xFF.bmp", false, false},
      {std::string(256, 'a'), false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(PathCanBeStored(c.text), c.path);
    EXPECT_EQ(FrameListCanBeStored(c.text), c.list);
  }
}

TEST(SettingsDecode, FixedBlockBytesReadBackExactly) {
  const Bytes bytes = {'p', 0x3B, 0x3B, 0xFF, 0xFF, 0x3B, 0x00, 0x00, 0x3B, 0xFF,
                       0x06, 10,   20,   30,   0xFF, 0x3B, 0x00, '5', ',', '6'};
  SettingsRecord r{};
  ASSERT_EQ(DecodeSettings(bytes.data(), bytes.size(), r), DecodeResult::Ok);
  EXPECT_EQ(r.path, "p");
  EXPECT_EQ(r.frameWidth, 0x3BFFu);
  EXPECT_EQ(r.frameHeight, 0xFF3Bu);
  EXPECT_EQ(r.interval, 0u);
  EXPECT_EQ(r.columnIndex, 0x3Bu);
  EXPECT_EQ(r.zoom, 0xFFu);
  EXPECT_EQ(r.flags, 0x06);
  EXPECT_EQ(r.keyBlue, 10u);
  EXPECT_EQ(r.keyGreen, 20u);
  EXPECT_EQ(r.keyRed, 30u);
  EXPECT_EQ(r.backRed, 0xFFu);
  EXPECT_EQ(r.backGreen, 0x3Bu);
  EXPECT_EQ(r.backBlue, 0u);
  EXPECT_EQ(r.frameList, "5,6");
}

TEST(SettingsDecode, PathAndListOrDamaged) {
  Bytes cutShort = File("a", "");
  cutShort.pop_back();
  const struct {
    const char* name;
    Bytes bytes;
    bool ok;  // when not, the record is left as it was
    std::string path = {}, list = {};
  } cases[] = {
      {"PathAndListOf255Bytes", File(std::string(255, 'p'), std::string(255, '7')), true,
       std::string(255, 'p'), std::string(255, '7')},
      {"SeparatorFirstGivesNoPath", File("", ""), true, "", ""},
      {"ListStopsAtTheFirstFF", File("", "1,2\xFF" "3\xFF"), true, "", "1,2"},
      {"EmptyFile", {}, false},
      {"No3B", {'a', 'b', 'c'}, false},
      {"FFBeforeThe3B", File("a\xFF", ""), false},
      {"EndsInsideTheFixedBlock", cutShort, false},
      {"NothingAfterThe3B", {'a', 0x3B}, false},
      {"PathOf256Bytes", File(std::string(256, 'a'), ""), false},
      {"ListOf256Bytes", File("", std::string(256, '1')), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsRecord kept = Defaults();
    kept.path = "kept";
    SettingsRecord r = kept;
    EXPECT_EQ(DecodeSettings(c.bytes.data(), c.bytes.size(), r),
              c.ok ? DecodeResult::Ok : DecodeResult::Damaged);
    if (c.ok) {
      EXPECT_EQ(r.path, c.path);
      EXPECT_EQ(r.frameList, c.list);
    } else {
      EXPECT_EQ(EncodeSettings(r), EncodeSettings(kept));
    }
  }
}

TEST(SettingsDecode, ATailAfterTheListsFFCountsForNothing) {
  // Padding or another file appended after the list: the file and its first
  // kSettingsPrefixBytes (all a reader takes) decode as the file alone.
  for (size_t pathLength : {0u, 1u, 255u}) {
    for (size_t listLength : {0u, 3u, 255u}) {
      SettingsRecord saved = Defaults();
      saved.path.assign(pathLength, 'p');
      saved.frameList.assign(listLength, '7');
      Bytes bytes = EncodeSettings(saved);
      bytes.push_back(0xFF);
      for (int i = 0; i < 6000; ++i) bytes.push_back(static_cast<uint8_t>(i * 7));
      for (size_t read : {bytes.size(), kSettingsPrefixBytes}) {
        SCOPED_TRACE(std::to_string(pathLength) + " + " + std::to_string(listLength) + ", " +
                     std::to_string(read) + " bytes read");
        SettingsRecord r{};
        EXPECT_EQ(DecodeSettings(bytes.data(), read, r), DecodeResult::Ok);
        EXPECT_EQ(EncodeSettings(r), EncodeSettings(saved));
      }
    }
  }
}

TEST(SaveBaseName, DropsDriveFoldersAndLastExtension) {
  const struct { const char* path; const char* expected; } cases[] = {
      {"", ""},
      {"C:\\sprites\\walk.bmp", "walk"},
      {"C:walk.bmp", "walk"},
      {"sprites/walk.v2.bmp", "walk.v2"},
      {"C:\\dir.d\\walk", "walk"},
      {"walk.", "walk"},
      {"\\\\server\\share\\a.bmp", "a"},
      // 表 is 0x95 0x5C: its trail byte is not a separator.
      {"C:\\\x95\x5c\\\x95\x5c.bmp", "\x95\x5c"},
      {"C:\\x\\\x95\x5c\x95\x5c", "\x95\x5c\x95\x5c"},
      // ソ is 0x83 0x5C as well.
      {"\x83\x5c.bmp", "\x83\x5c"},
      // 纊 is 0xFA 0x5C: a lead byte from E0 to FC, the name's last character.
      {"C:\\x\\a\xfa\x5c", "a\xfa\x5c"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path);
    char out[256];
    memset(out, 'x', sizeof out);
    SaveBaseName(c.path, out);
    EXPECT_STREQ(out, c.expected);
  }
}

TEST(TemporaryNameBeside, ShortNameInTheTargetsFolder) {
  const struct { const char* target; unsigned number; const char* expected; } cases[] = {
      {"C:\\sets\\walk.plw", 0x1A2B, "C:\\sets\\~1A2B"},
      {"C:\\sets\\walk.plw", 0x12345, "C:\\sets\\~2345"},
      {"C:\\sets\\walk.plw", 7, "C:\\sets\\~0007"},
      {"C:walk.plw", 1, "C:~0001"},
      {"walk.plw", 1, "~0001"},
      {"sets/walk.plw", 1, "sets/~0001"},
      {"\\\\server\\share\\a.plw", 1, "\\\\server\\share\\~0001"},
      // 表 (0x95 0x5C) ends a folder name and a file name: neither trail
      // byte is a separator.
      {"C:\\\x95\x5c\\a.plw", 1, "C:\\\x95\x5c\\~0001"},
      {"C:\\x\\\x95\x5c.plw", 1, "C:\\x\\~0001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(TemporaryNameBeside(c.target, c.number), c.expected);
  }

  // Within four characters of the target, whatever its name: a target the
  // platform takes (up to 259 characters) gives a name it takes too.
  const std::string folder = "C:\\" + std::string(240, 'd') + "\\";
  for (const char* name : {"a", "ab.plw", "\x95\x5c.plw"}) {
    const std::string target = folder + name;
    EXPECT_LE(TemporaryNameBeside(target.c_str(), 0xFFFF).size(), target.size() + 4) << name;
  }
}

TEST(SettingsRoundTrip, RandomRecordsSurviveEncodeAndDecode) {
  std::mt19937 random(20261207);
  auto text = [&](bool path) {
    std::string s(random() % 256, ' ');
    for (char& c : s) {
      do c = static_cast<char>(random() % 254 + 1);  // never 0x00 or 0xFF
      while (path && c == 0x3B);
    }
    return s;
  };
  for (int i = 0; i < 3000; ++i) {
    SettingsRecord r{};
    r.path = text(true);
    r.frameWidth = random() % 65536;
    r.frameHeight = random() % 65536;
    r.interval = random() % 65536;
    r.columnIndex = random() % 256;
    r.zoom = random() % 256;
    r.flags = static_cast<uint8_t>(random() % 8);
    r.keyBlue = random() % 256;
    r.keyGreen = random() % 256;
    r.keyRed = random() % 256;
    r.backRed = random() % 256;
    r.backGreen = random() % 256;
    r.backBlue = random() % 256;
    r.frameList = text(false);
    const Bytes bytes = EncodeSettings(r);
    ASSERT_EQ(bytes.size(), 16 + r.path.size() + r.frameList.size());
    SettingsRecord back{};
    ASSERT_EQ(DecodeSettings(bytes.data(), bytes.size(), back), DecodeResult::Ok);
    ASSERT_EQ(EncodeSettings(back), bytes) << i;
  }
}

}  // namespace
