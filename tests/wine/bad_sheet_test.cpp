// Malformed sprite sheets dropped on the panel during playback: each one
// either shows the failure message and leaves the held sheet as it was, or
// loads as a real bitmap; playback goes on either way and nothing hangs. A
// file whose headers point outside it is never read into a bitmap, at open
// or at Start.
#include "tests/wine/support/sheet_fixtures.h"

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

struct BadSheet {
  std::string name;
  std::string path;
  bool ignored = false;  // not a sheet name once the drop has cut it
  bool refused = false;  // never read into a bitmap: the message at open and at Start
  bool fails = false;    // never loads: always the message
  bool keyed = false;    // the held sheet keyed before, rather than a clean copy
  bool named = false;    // named in the path field, IDC_PATH, and loaded as Start
                         // loads it (an empty path cannot be dropped)
  bool whole = false;    // a valid file: it loads
};

// Offsets in a BMP with a 40-byte info header.
constexpr size_t kPixelOffsetField = 10, kWidthField = 18, kHeightField = 22, kBitCountField = 28,
                 kCompressionField = 30, kColoursUsedField = 46, kHeadersEnd = 54;

COLORREF Stripes(int x, int) { return x % 2 ? RGB(200, 30, 30) : RGB(255, 0, 255); }

std::vector<BadSheet> MakeCorpus() {
  std::vector<BadSheet> corpus;
  auto add = [&](const std::string& name, const Bytes& bytes, bool refused = false) {
    const std::string path = TempFile((name + ".bmp").c_str());
    WriteBytes(path, bytes);
    corpus.push_back({name, path});
    corpus.back().refused = refused;
  };
  auto cut = [](const Bytes& bytes, size_t length) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(length));
  };
  auto poked = [](Bytes bytes, size_t at, uint32_t value) {
    Poke32(bytes, at, value);
    return bytes;
  };
  const Bytes valid = ReadBytes(WriteSheet("valid24.bmp", 16, 8, Stripes));

  // Files that never load, with a clean and with a keyed held sheet. (Wine
  // still loads a file cut inside its bitmap header, as a blank bitmap of
  // the claimed size, so such a file is not among them.)
  std::mt19937 random(4);
  Bytes garbage(400);
  for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
  garbage[0] = 'Q';
  WriteBytes(TempFile("garbage.bmp"), garbage);
  WriteBytes(TempFile("empty.bmp"), {});
  // Only the missing file is never read into a bitmap: with the path
  // field empty, Start's probe still loads the file the shared buffer names.
  const struct { const char* name; std::string path; bool refused; } neverLoad[] = {
      {"missing-file", TempFile("missing.bmp"), true},
      {"empty-path", "", false},
      {"zero-byte-file", TempFile("empty.bmp"), false},
      {"garbage-file", TempFile("garbage.bmp"), false}};
  for (const auto& file : neverLoad)
    for (bool keyed : {false, true})
      corpus.push_back({std::string(file.name) + (keyed ? "-keyed-sheet" : "-clean-sheet"),
                        file.path, false, file.refused, true, keyed, file.path.empty()});
  const Bytes paletted =
      ReadBytes(WriteSheet("valid8.bmp", 16, 8, Stripes, 8, {RGB(200, 30, 30), RGB(255, 0, 255)}));

  // Cut at every header boundary, and inside the pixels.
  for (size_t length : {size_t{0}, size_t{2}, size_t{6}, size_t{10}, size_t{14}, size_t{18},
                        size_t{22}, size_t{26}, size_t{28}, size_t{30}, size_t{34}, size_t{46},
                        kHeadersEnd, kHeadersEnd + 100})
    add("cut-at-" + std::to_string(length), cut(valid, length), true);
  // Every depth whole, one byte short, and with half its rows, as an
  // interrupted copy leaves it; a 32-bit file's pixels placed at its end,
  // past it, where an offset wraps in 32 bits, and at offset 14; a 1-bit file claiming
  // ten times the rows it holds.
  const std::vector<COLORREF> two = {RGB(200, 30, 30), RGB(255, 0, 255)};
  for (int bits : {1, 4, 8, 24, 32}) {
    const Bytes file = ReadBytes(WriteSheet("depth.bmp", 40, 30, Stripes, bits, two));
    const size_t pixelsAt = file.size() - static_cast<size_t>((40 * bits + 31) / 32 * 4) * 30;
    const std::string name = std::to_string(bits) + "-bit";
    add(name + "-whole", file);
    corpus.back().whole = true;
    add(name + "-one-byte-short", cut(file, file.size() - 1), true);
    add(name + "-half-its-rows", cut(file, (pixelsAt + file.size()) / 2), true);
    if (bits == 1) add(name + "-claims-ten-times-its-rows", poked(file, kHeightField, 300), true);
    if (bits != 32) continue;
    for (uint32_t offset : {static_cast<uint32_t>(file.size()), static_cast<uint32_t>(file.size() + 1000),
                            0x80000000u, 0xFFFFFFF0u})
      add(name + "-pixels-at-" + std::to_string(offset), poked(file, kPixelOffsetField, offset), true);
    // Offset 14 means "behind the colour table", as 0 does: whole, the file
    // loads; 40 bytes short, it is refused.
    add(name + "-offset-14", poked(file, kPixelOffsetField, 14));
    corpus.back().whole = true;
    add(name + "-offset-14-40-bytes-short", cut(poked(file, kPixelOffsetField, 14), file.size() - 40),
        true);
  }
  // Header fields changed; "tall" claims a height of 100000.
  Bytes tall = valid;
  Poke32(tall, kHeightField, 100000);
  const struct {
    const char* name;
    const Bytes& from;
    size_t field;
    uint32_t value;
    bool refused;
  } patches[] = {
      {"claims-100000-wide", tall, kWidthField, 100000, true},
      {"width-0", valid, kWidthField, 0, true},
      {"height-0", valid, kHeightField, 0, true},
      {"width-negative", valid, kWidthField, static_cast<uint32_t>(-16), true},
      {"height-negative", valid, kHeightField, static_cast<uint32_t>(-8), false},  // top-down
      {"width-most-negative", valid, kWidthField, 0x80000000u, true},
      {"height-most-negative", valid, kHeightField, 0x80000000u, true},
      {"compression-99", valid, kCompressionField, 99, true},
      {"bitfields-without-masks", valid, kCompressionField, BI_BITFIELDS, true},
      {"pixels-beyond-the-end", valid, kPixelOffsetField, 0x7FFFFFF0u, true},
      {"header-size-fffffff2", valid, 14, 0xFFFFFFF2u, true},
      // At most 256 colours are read, all the file holds.
      {"colours-used-huge", paletted, kColoursUsedField, 0x7FFFFFFFu, false},
  };
  for (const auto& p : patches) add(p.name, poked(p.from, p.field, p.value), p.refused);
  // Pixels inside the 14-byte file header: the platform loader read them
  // about 4 GiB past the file in a 64-bit process.
  const Bytes valid32 = ReadBytes(WriteSheet("valid32.bmp", 64, 64, Stripes, 32));
  for (const Bytes* from : {&valid, &valid32}) {
    for (uint32_t offset : {1u, 2u, 13u}) {
      Bytes b = *from;
      Poke32(b, kPixelOffsetField, offset);
      add("offset-" + std::to_string(offset) + (from == &valid ? "-24" : "-32"), b);
      corpus.back().refused = true;
    }
  }
  for (uint16_t bits : {0, 3, 7, 64, 0xFFFF}) {
    Bytes b = valid;
    Poke16(b, kBitCountField, bits);
    add("bit-count-" + std::to_string(bits), b);
  }
  {
    // An RLE8 stream whose runs and deltas go far past the 16 x 8 bitmap
    // and which never ends.
    Bytes b(paletted.begin(), paletted.begin() + static_cast<long>(kHeadersEnd + 2 * 4));
    Poke32(b, kCompressionField, BI_RLE8);
    // A run of 255 pixels, a delta of (255, 255), an absolute run of 200
    // pixels with too few bytes.
    for (int i = 0; i < 200; ++i) b.insert(b.end(), {255, 1, 0, 2, 255, 255, 0, 200});
    Poke32(b, 2, static_cast<uint32_t>(b.size()));
    add("rle8-overrun", b);
    Bytes b4 = b;
    Poke32(b4, kCompressionField, BI_RLE4);
    Poke16(b4, kBitCountField, 4);
    add("rle4-overrun", b4);
    // Its stated size reaching past the end of the file.
    add("rle8-size-past-the-end", poked(b, 34, static_cast<uint32_t>(b.size())), true);
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

class BadSheetTest : public WithProgram {
 protected:
  void SetUp() override {
    WithProgram::SetUp();
    SetSheet(goodPath_, 8, 8, 10);
    SetFields({{IDC_FRAME_LIST, "0,1"}, {IDC_ZOOM, "2"}});
    Click(IDC_TRANSPARENT);
  }
  const std::string goodPath_ = WriteSheet("good.bmp", 16, 8, Stripes);
};

TEST_F(BadSheetTest, EveryMalformedSheetFailsCleanlyOrLoadsAndPlaybackGoesOn) {
  const std::vector<BadSheet> corpus = MakeCorpus();
  DialogWatcher boxes(kFailureCaption);
  Click(IDC_START);
  ASSERT_TRUE(TimerRuns());
  int failures = 0, loads = 0;  // the ignored name counts as neither
  for (const BadSheet& bad : corpus) {
    SCOPED_TRACE(bad.name);
    // Dropped with transparency off, the good sheet is a clean copy.
    SetTransparency(false);
    DropFiles({goodPath_});
    SetTransparency(true);
    ASSERT_STREQ(sheet.source.lastPath, goodPath_.c_str());
    if (bad.keyed) ApplyKey(0, kPanelBackground);  // the top-left key
    ASSERT_EQ(sheet.needsKeyPass, !bad.keyed);
    const HBITMAP held = sheet.sheetBitmap;
    const std::vector<COLORREF> pixels = SheetPixels();
    const std::string label = ControlText(IDC_SHEET_SIZE);
    const std::string title = WindowText(Panel());
    const int shownBefore = boxes.Count();
    const uint32_t calls = sheetReads;

    if (bad.named) {
      EXPECT_EQ(LoadPath(bad.path), !bad.fails);
    } else {
      DropFiles({bad.path});
    }
    const bool failed = boxes.Count() == shownBefore + 1;
    EXPECT_TRUE(failed || !(bad.refused || bad.fails));
    EXPECT_FALSE(failed && bad.whole);
    if (bad.ignored) {
      EXPECT_FALSE(failed);
      EXPECT_EQ(sheet.sheetBitmap, held);
      EXPECT_STREQ(sheet.source.lastPath, goodPath_.c_str());
    } else if (failed) {
      ++failures;
      if (bad.refused) {
        EXPECT_EQ(sheetReads, calls) << "never read into a bitmap";
        // Named in the path field, Start shows the message and changes nothing.
        SetControlText(IDC_PATH, bad.path.c_str());
        const AnimationSettings playing = animation;
        EXPECT_FALSE(Start());
        EXPECT_EQ(boxes.Count(), shownBefore + 2);
        EXPECT_EQ(sheetReads, calls);
        EXPECT_EQ(memcmp(animation.frameSequence, playing.frameSequence, kSequenceSize), 0);
        SetControlText(IDC_PATH, goodPath_.c_str());
      }
      // Nothing of the held sheet changes, clean or keyed.
      EXPECT_EQ(boxes.LastText(), kFailureText);
      EXPECT_EQ(sheet.sheetBitmap, held);
      EXPECT_EQ(BitmapInSheetDC(), held);
      EXPECT_STREQ(sheet.source.lastPath, goodPath_.c_str());
      EXPECT_EQ(sheet.sheetWidth, 16);
      EXPECT_EQ(sheet.sheetHeight, 8);
      EXPECT_EQ(sheet.needsKeyPass, !bad.keyed);
      EXPECT_EQ(ControlText(IDC_SHEET_SIZE), label);
      EXPECT_EQ(WindowText(Panel()), title);
      EXPECT_EQ(SheetPixels(), pixels);
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
    EXPECT_TRUE(TimerRuns());
    // Start with the key pass on what was loaded, where it is not huge.
    if (!failed && !bad.ignored && static_cast<int64_t>(sheet.sheetWidth) * sheet.sheetHeight <= 4096 * 4096) {
      Click(IDC_START);
      EXPECT_TRUE(TimerRuns());
    }
  }
  printf("  %zu files: %d refused with the message, %d loaded\n", corpus.size(), failures, loads);
  EXPECT_GT(failures, 0);
  DropFiles({goodPath_});
  EXPECT_TRUE(TimerRuns());
}

}  // namespace
