// Malformed sprite sheets dropped on the panel during playback: each one
// either shows the failure message and leaves the held sheet as it was, or
// loads as a real bitmap; playback goes on either way and nothing hangs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"
#include "sheet/sheet_win.h"
#include "tests/wine/support/harness.h"

namespace {

using Bytes = std::vector<uint8_t>;

const char kFailureCaption[] = "エラー";

struct BadSheet {
  std::string name;
  std::string path;
  bool ignored = false;  // not a sheet name once the drop has cut it
};

void Put32At(Bytes& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void Put16At(Bytes& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<uint8_t>(value);
  bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// Offsets in a BMP with a 40-byte info header.
constexpr size_t kPixelOffsetField = 10, kWidthField = 18, kHeightField = 22, kBitCountField = 28,
                 kCompressionField = 30, kColoursUsedField = 46, kHeadersEnd = 54;

COLORREF Stripes(int x, int) { return x % 2 ? RGB(200, 30, 30) : RGB(255, 0, 255); }

std::vector<BadSheet> MakeCorpus() {
  std::vector<BadSheet> corpus;
  auto add = [&](const std::string& name, const Bytes& bytes) {
    const std::string path = TempFile((name + ".bmp").c_str());
    WriteBytes(path, bytes);
    corpus.push_back({name, path});
  };
  const std::string validPath = TempFile("valid24.bmp");
  WriteBmp(validPath, 16, 8, 24, Stripes);
  const Bytes valid = ReadBytes(validPath);
  const std::string palettedPath = TempFile("valid8.bmp");
  WriteBmp(palettedPath, 16, 8, 8, Stripes, {RGB(200, 30, 30), RGB(255, 0, 255)});
  const Bytes paletted = ReadBytes(palettedPath);

  // Cut at every header boundary, and inside the pixels.
  for (size_t cut : {size_t{0}, size_t{2}, size_t{6}, size_t{10}, size_t{14}, size_t{18},
                     size_t{22}, size_t{26}, size_t{28}, size_t{30}, size_t{34}, size_t{46},
                     kHeadersEnd, kHeadersEnd + 100}) {
    add("cut-at-" + std::to_string(cut), Bytes(valid.begin(), valid.begin() + cut));
  }
  auto patched = [&](const std::string& name, Bytes bytes, size_t field, uint32_t value) {
    Put32At(bytes, field, value);
    add(name, bytes);
  };
  patched("claims-100000-wide", [&] { Bytes b = valid; Put32At(b, kHeightField, 100000); return b; }(),
          kWidthField, 100000);
  patched("width-0", valid, kWidthField, 0);
  patched("height-0", valid, kHeightField, 0);
  patched("width-negative", valid, kWidthField, static_cast<uint32_t>(-16));
  patched("height-negative", valid, kHeightField, static_cast<uint32_t>(-8));
  patched("width-most-negative", valid, kWidthField, 0x80000000u);
  patched("height-most-negative", valid, kHeightField, 0x80000000u);
  for (uint16_t bits : {0, 3, 7, 64, 0xFFFF}) {
    Bytes b = valid;
    Put16At(b, kBitCountField, bits);
    add("bit-count-" + std::to_string(bits), b);
  }
  patched("compression-99", valid, kCompressionField, 99);
  patched("bitfields-without-masks", valid, kCompressionField, BI_BITFIELDS);
  patched("pixels-beyond-the-end", valid, kPixelOffsetField, 0x7FFFFFF0u);
  patched("colours-used-huge", paletted, kColoursUsedField, 0x7FFFFFFFu);
  {
    // An RLE8 stream whose runs and deltas go far past the 16 x 8 bitmap
    // and which never ends.
    Bytes b(paletted.begin(), paletted.begin() + static_cast<long>(kHeadersEnd + 2 * 4));
    Put32At(b, kCompressionField, BI_RLE8);
    for (int i = 0; i < 200; ++i) {
      b.push_back(255);  // a run of 255 pixels
      b.push_back(1);
      b.push_back(0);    // escape: delta
      b.push_back(2);
      b.push_back(255);
      b.push_back(255);
      b.push_back(0);    // escape: absolute run of 200 pixels with too few bytes
      b.push_back(200);
    }
    Put32At(b, 2, static_cast<uint32_t>(b.size()));
    add("rle8-overrun", b);
    Bytes b4 = b;
    Put32At(b4, kCompressionField, BI_RLE4);
    Put16At(b4, kBitCountField, 4);
    add("rle4-overrun", b4);
  }

  // A folder named like a sheet.
  const std::string folder = TempFile("folder.bmp");
  CreateDirectoryA(folder.c_str(), nullptr);
  corpus.push_back({"folder", folder});

  // Paths of exactly 255 characters and of 300: the drop hands over at
  // most 255 of them.
  for (size_t length : {size_t{255}, size_t{300}}) {
    std::string path = TempDir() + "\\";
    std::string dir = path + std::string(100, 'd');
    CreateDirectoryA(dir.c_str(), nullptr);
    path = dir + "\\";
    path += std::string(length - path.size() - 4, 'n') + ".bmp";
    WriteBytes(path, valid);  // may fail for the longer one; the drop is the test
    // Cut to 255 characters, the longer name no longer ends in "bmp".
    corpus.push_back({"path-of-" + std::to_string(length), path, length > 255});
  }
  // Japanese names, one with a trail byte 0x5C (表).
  const std::pair<const char*, const char*> japanese[] = {{"japanese-name", "歩く人.bmp"},
                                                         {"japanese-trail-5c", "表示用.bmp"}};
  for (const auto& [label, name] : japanese) {
    const std::string path = TempFile(name);
    WriteBytes(path, valid);
    corpus.push_back({label, path});
  }
  return corpus;
}

class BadSheetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartProgram();
    goodPath_ = TempFile("good.bmp");
    WriteBmp(goodPath_, 16, 8, 24, Stripes);
    SetControlText(IDC_PATH, goodPath_.c_str());
    SetControlText(IDC_FRAME_WIDTH, "8");
    SetControlText(IDC_FRAME_HEIGHT, "8");
    SetControlText(IDC_INTERVAL, "10");
    SetControlText(IDC_FRAME_LIST, "0,1");
    SetControlText(IDC_ZOOM, "2");
    Click(IDC_TRANSPARENT);
  }
  void TearDown() override { StopProgram(); }

  static void Drop(const std::string& path) { DropFiles({path}); }
  static bool StillPlaying() {
    const int32_t before = animation.loopsDone;
    return PumpUntil([&] { return animation.loopsDone >= before + 2; }, 3000);
  }
  std::string goodPath_;
};

TEST_F(BadSheetTest, EveryMalformedSheetFailsCleanlyOrLoadsAndPlaybackGoesOn) {
  const std::vector<BadSheet> corpus = MakeCorpus();
  DialogWatcher boxes(kFailureCaption);
  Click(IDC_START);
  ASSERT_TRUE(StillPlaying());
  int failures = 0, loads = 0;  // the ignored name counts as neither
  for (const BadSheet& bad : corpus) {
    SCOPED_TRACE(bad.name);
    Drop(goodPath_);
    ASSERT_STREQ(sheet.lastPath, goodPath_.c_str());
    const HBITMAP held = sheet.sheetBitmap;
    const int shownBefore = boxes.Count();

    Drop(bad.path);
    const bool failed = boxes.Count() == shownBefore + 1;
    if (bad.ignored) {
      EXPECT_FALSE(failed);
      EXPECT_EQ(sheet.sheetBitmap, held);
      EXPECT_STREQ(sheet.lastPath, goodPath_.c_str());
    } else if (failed) {
      ++failures;
      EXPECT_EQ(sheet.sheetBitmap, held);
      EXPECT_STREQ(sheet.lastPath, goodPath_.c_str());
      EXPECT_EQ(sheet.sheetWidth, 16);
      EXPECT_EQ(sheet.sheetHeight, 8);
    } else {
      ++loads;
      EXPECT_EQ(boxes.Count(), shownBefore);
      EXPECT_NE(sheet.sheetBitmap, held);
      BITMAP description = {};
      ASSERT_NE(GetObjectA(sheet.sheetBitmap, sizeof description, &description), 0);
      EXPECT_EQ(sheet.sheetWidth, description.bmWidth);
      EXPECT_EQ(sheet.sheetHeight, description.bmHeight);
    }
    const std::string size = std::to_string(sheet.sheetWidth) + " x " + std::to_string(sheet.sheetHeight);
    printf("  %-26s %s\n", bad.name.c_str(),
           bad.ignored ? "ignored" : failed ? "message" : size.c_str());
    EXPECT_TRUE(StillPlaying());
    // Start with the key pass on what was loaded, where it is not huge.
    if (!failed && !bad.ignored && static_cast<int64_t>(sheet.sheetWidth) * sheet.sheetHeight <= 4096 * 4096) {
      Click(IDC_START);
      EXPECT_TRUE(StillPlaying());
    }
  }
  printf("  %zu files: %d refused with the message, %d loaded\n", corpus.size(), failures, loads);
  EXPECT_GT(failures, 0);
  Drop(goodPath_);
  EXPECT_TRUE(StillPlaying());
}

}  // namespace
