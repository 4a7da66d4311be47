// Loading a sprite sheet through the real windows: BMP files of every depth,
// the path field's length, the failure message and playback going on
// around it, and sheets whose headers claim sizes far beyond their bytes.
// Files that do not load at all are in bad_sheet_test.cpp's corpus.
#include "tests/wine/support/sheet_fixtures.h"

#include <gtest/gtest-spi.h>

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// Loading

TEST_F(SheetTest, EveryDepthPaddedWidthAndRowOrderLoadsWithSizeLabelAndTitle) {
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(0, 0));
  EXPECT_EQ(WindowText(Panel()), kPanelTitle);

  // Widths whose rows need padding bytes at every depth, and 1 x 1; top-down
  // files stand upright.
  const struct { int bitsPerPixel, width, height; bool topDown; } formats[] = {
      {24, 13, 7, false}, {24, 1, 1, false}, {24, 2, 3, false}, {32, 29, 5, false},
      {32, 1, 4, false},  {8, 5, 3, false},  {8, 259, 2, false}, {4, 7, 5, false},
      {4, 3, 9, false},   {4, 1, 1, false},  {1, 9, 2, false},   {1, 33, 3, false},
      {24, 10, 6, true},  {32, 7, 3, true},  {8, 5, 4, true}};
  for (const auto& f : formats) {
    const std::string name = std::to_string(f.bitsPerPixel) + "-bit " + std::to_string(f.width) +
                             "x" + std::to_string(f.height) + (f.topDown ? " top-down" : "");
    SCOPED_TRACE(name);
    const std::vector<COLORREF> palette = PaletteFor(f.bitsPerPixel);
    const size_t n = f.bitsPerPixel >= 24 ? 0 : palette.size();
    auto colour = [&](int x, int y) -> COLORREF {
      if (n == 0) return RGB(x * 7 + 1, y * 31 + 2, (x + y) * 3 + 3);
      return palette[(static_cast<size_t>(x) * 3 + static_cast<size_t>(y) * 5) % n];
    };
    const std::string path = WriteSheet((name + ".bmp").c_str(), f.width, f.height, colour,
                                        f.bitsPerPixel, palette);
    if (f.topDown) {
      std::vector<uint8_t> bytes = ReadBytes(path);
      Poke32(bytes, 22, static_cast<uint32_t>(-f.height));
      WriteBytes(path, bytes);
    }
    const HBITMAP before = sheet.sheetBitmap;
    sheet.needsKeyPass = false;

    ASSERT_TRUE(LoadPath(path));
    EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(f.width, f.height));
    EXPECT_EQ(WindowText(Panel()), path);
    EXPECT_EQ(sheet.sheetWidth, f.width);
    EXPECT_EQ(sheet.sheetHeight, f.height);
    EXPECT_TRUE(sheet.needsKeyPass);
    EXPECT_STREQ(sheet.source.lastPath, path.c_str());
    EXPECT_EQ(BitmapInSheetDC(), sheet.sheetBitmap);
    // Held as read, with no 32-bit copy until a key pass; a 24- or 32-bit
    // file is read into a DIB section of its own format.
    EXPECT_EQ(IsDibSection(sheet.sheetBitmap, f.bitsPerPixel), f.bitsPerPixel >= 24);
    if (before != nullptr) {
      EXPECT_FALSE(IsLiveBitmap(before)) << "the displaced sheet is released";
    }
    // Rows written bottom row first and then marked top-down show in the
    // order the header gives: the first row written at the top.
    int wrong = 0;
    for (int y = 0; y < f.height; ++y)
      for (int x = 0; x < f.width; ++x) {
        const COLORREF expected = colour(x, f.topDown ? f.height - 1 - y : y);
        if (SheetPixel(x, y) != expected && wrong++ < 3)
          ADD_FAILURE() << "pixel " << x << "," << y << " " << std::hex << SheetPixel(x, y)
                        << " instead of " << expected;
      }
  }
}

TEST_F(SheetTest, OnlyTheFirst255CharactersOfThePathFieldAreUsed) {
  // A file whose full path is exactly 255 characters, named in the field
  // with more characters behind it.
  const std::string dir = TempDir() + "\\";
  std::string path = dir + std::string(255 - dir.size() - 4, 'n') + ".bmp";
  ASSERT_EQ(path.size(), 255u);
  WriteBmp(path, 4, 2, 24, PlainPixel);
  ASSERT_TRUE(LoadPath(path + "tail"));
  EXPECT_STREQ(sheet.source.lastPath, path.c_str());
  EXPECT_EQ(WindowText(Panel()), path);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(4, 2));
}

// ---------------------------------------------------------------------------
// Failures

// Passes done, as a second thread reads them.
int Passes() { return *static_cast<volatile int32_t*>(&animation.loopsDone); }

TEST_F(SheetTest, AFailureBoxNoTestExpectsIsAnsweredAndFailsTheTest) {
  // Without a watcher the box would wait for a click until the time-out.
  SetControlText(IDC_PATH, TempFile("missing.bmp").c_str());
  bool started = true;
  EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(
      started = Start(),
      "caption \"" TEXT_LOAD_FAILED_CAPTION "\", text \"" TEXT_LOAD_FAILED "\"");
  EXPECT_FALSE(started);
}

TEST_F(SheetTest, PlaybackGoesOnWhileTheFailureBoxIsOpenAndAfter) {
  SetUpPlayback(WriteSheet("running.bmp", 16, 8, StripPixel), "0,1", 10);
  ASSERT_TRUE(Start());
  ASSERT_TRUE(PassesDone(2));
  const std::string title = WindowText(Panel());
  const std::string label = ControlText(IDC_SHEET_SIZE);
  const HBITMAP held = sheet.sheetBitmap;

  // A broken file dropped during playback.
  const std::string junk = TempFile("dropped_junk.bmp");
  WriteBytes(junk, {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'});
  {
    DialogWatcher box(kFailureCaption, IDOK, 400, Passes);  // held open 400 ms
    DropFiles({junk});
    ASSERT_EQ(box.Count(), 1);
    EXPECT_EQ(box.LastText(), kFailureText);
    EXPECT_EQ(box.owner, Panel());
    EXPECT_EQ(box.icon, LoadIconA(nullptr, IDI_EXCLAMATION));
    EXPECT_EQ(box.buttons, std::vector<int>{IDOK});
    EXPECT_GE(box.noteAtOpen, 2);
    EXPECT_GT(box.noteBeforeAnswer, box.noteAtOpen) << "ticks ran while the box was open";
    EXPECT_TRUE(PassesDone(animation.loopsDone + 3));
  }
  EXPECT_EQ(sheet.sheetBitmap, held);
  EXPECT_EQ(WindowText(Panel()), title);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), label);
  const COLORREF shown = BackBufferPixel(1, 0);
  EXPECT_TRUE(shown == kCellColour[0] || shown == kCellColour[1]) << std::hex << shown;

  // Start with the field naming the broken file, and fields Start would
  // otherwise default, clamp or rewrite: the pass count restarts, playback
  // goes on with the held sheet and no field changes.
  ASSERT_TRUE(PassesDone(20));
  SetFields({{IDC_PATH, junk}, {IDC_FRAME_WIDTH, ""}, {IDC_COLUMN, "x"}, {IDC_ZOOM, "03"},
             {IDC_KEY_RED, "300"}, {IDC_BACK_BLUE, ""}, {IDC_FRAME_LIST, "9,9,1,"}});
  const int ids[] = {IDC_PATH,     IDC_FRAME_WIDTH, IDC_FRAME_HEIGHT, IDC_INTERVAL,
                     IDC_COLUMN,   IDC_ZOOM,        IDC_LOOP_COUNT,   IDC_KEY_BLUE,
                     IDC_KEY_RED,  IDC_KEY_GREEN,   IDC_BACK_RED,     IDC_BACK_GREEN,
                     IDC_BACK_BLUE, IDC_FRAME_LIST};
  std::vector<std::string> texts;
  for (int id : ids) texts.push_back(ControlText(id));
  const AnimationSettings before = animation;
  {
    DialogWatcher box(kFailureCaption, IDOK, 300, Passes);
    EXPECT_FALSE(Start());
    ASSERT_EQ(box.Count(), 1);
    EXPECT_LT(box.noteAtOpen, 10) << "Start set the pass count to 0 before the load";
    EXPECT_GT(box.noteBeforeAnswer, box.noteAtOpen);
    EXPECT_TRUE(PassesDone(animation.loopsDone + 3));
  }
  EXPECT_EQ(sheet.sheetBitmap, held);
  for (size_t i = 0; i < texts.size(); ++i)
    EXPECT_EQ(ControlText(ids[i]), texts[i]) << "control " << ids[i];
  EXPECT_EQ(memcmp(animation.frameSequence, before.frameSequence, kSequenceSize), 0);
  EXPECT_EQ(animation.frameWidth, before.frameWidth);
  EXPECT_EQ(animation.zoom, before.zoom);
  EXPECT_EQ(animation.backgroundColour, before.backgroundColour);
  StopTimer();
}

// ---------------------------------------------------------------------------
// Sheets that claim more than they hold

// A 64-byte 8-bit file whose header claims width x height, with two
// palette entries and two bytes of RLE8 data that end the bitmap at once.
// Compressed data is as long as it says, so the file is read, and it gives
// a bitmap of the claimed size.
void WriteClaimingHeader(const std::string& path, int32_t width, int32_t height) {
  std::vector<uint8_t> bytes(64, 0);
  bytes[0] = 'B';
  bytes[1] = 'M';
  const std::pair<size_t, uint32_t> fields[] = {
      {2, 64}, {10, 62}, {14, 40}, {18, static_cast<uint32_t>(width)},
      {22, static_cast<uint32_t>(height)}, {30, BI_RLE8}, {34, 2}, {46, 2}};
  for (const auto& [at, value] : fields) Poke32(bytes, at, value);
  Poke16(bytes, 26, 1);  // planes
  Poke16(bytes, 28, 8);
  bytes[58] = 0xFF;  // the second palette entry white; the first black
  bytes[59] = 0xFF;
  bytes[60] = 0xFF;
  bytes[63] = 1;  // 00 01: the end of the bitmap
  WriteBytes(path, bytes);
}

TEST_F(SheetTest, AHugeClaimedSheetIsKeyedTileByTileAsLoaded) {
  // 8200 x 8200 claimed by a file of 64 bytes: 269 MB at 32 bits, which
  // both builds can hold, and neither side a whole number of tiles.
  constexpr int kSide = 8200;
  const std::string path = TempFile("claims_huge.bmp");
  WriteClaimingHeader(path, kSide, kSide);
  SetTransparency(true);
  // As with a sheet too large for a second copy: the loaded bitmap is held
  // and keyed tile by tile.
  struct RestoreLimit {
    ~RestoreLimit() { largestDibSectionBytes = PTRDIFF_MAX; }
  } restore;
  largestDibSectionBytes = 0;
  DialogWatcher boxes(kFailureCaption);
  UseKey(Typed(3, 2, 1));
  ASSERT_TRUE(LoadPath(path)) << boxes.LastText();
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(kSide, kSide));
  EXPECT_EQ(sheet.sheetWidth, kSide);
  EXPECT_EQ(sheet.sheetHeight, kSide);
  const HBITMAP loaded = sheet.sheetBitmap;

  // What the platform drew where the file has no pixels is its own business:
  // the key is what it put in the far corner. Points at the edges of the
  // 1024 x 256 tiles, and inside the last, narrow ones, are compared.
  const COLORREF key = SheetPixel(kSide - 1, kSide - 1);
  const COLORREF background = key == RGB(9, 9, 9) ? RGB(10, 9, 9) : RGB(9, 9, 9);
  const POINT points[] = {{0, 0},       {1023, 255},  {1024, 256},       {kSide - 9, 0},
                          {kSide - 8, 7937}, {4097, kSide - 8}, {kSide - 1, kSide - 1}};
  std::vector<COLORREF> before;
  for (const POINT& p : points) before.push_back(SheetPixel(p.x, p.y));
  ApplyKey(key, background);
  EXPECT_FALSE(sheet.needsKeyPass);
  EXPECT_EQ(sheet.lastKeyColour, key);
  EXPECT_EQ(WindowText(frame.mainWindow), kWaitTitle);
  EXPECT_EQ(sheet.sheetBitmap, loaded) << "keyed as loaded";
  EXPECT_EQ(BitmapInSheetDC(), loaded);
  EXPECT_FALSE(IsDibSection(sheet.sheetBitmap));
  for (size_t i = 0; i < std::size(points); ++i)
    EXPECT_EQ(SheetPixel(points[i].x, points[i].y), before[i] == key ? background : before[i])
        << points[i].x << ", " << points[i].y;
  EXPECT_EQ(SheetPixel(kSide - 1, kSide - 1), background);

  // Released again by the next sheet.
  SetTransparency(false);
  ASSERT_TRUE(LoadPath(plainPath_));
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(13, 7));
  EXPECT_EQ(GetObjectType(loaded), 0u) << "the huge bitmap is deleted";
  EXPECT_EQ(boxes.Count(), 0);
}

TEST_F(SheetTest, AWidthOfTheMostNegativeNumberIsRefusedAndNoPassVisitsAPixel) {
  // A bitmap of that width no pass could key: the file is refused.
  const std::string path = TempFile("claims_negative.bmp");
  WriteClaimingHeader(path, INT32_MIN, 2);
  UseKey(kFromCorner);
  const uint32_t calls = sheetReads;
  {
    DialogWatcher boxes(kFailureCaption);
    EXPECT_FALSE(LoadPath(path));
    EXPECT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }, 3000));
    EXPECT_EQ(boxes.LastText(), kFailureText);
  }
  EXPECT_EQ(sheetReads, calls) << "never read into a bitmap";
  EXPECT_EQ(sheet.sheetBitmap, nullptr);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(0, 0));

  // The passes, called with such a width or height, visit no pixel.
  ReplaceKeyColourPerPixel(frame.sheetDC, INT32_MIN, 2, RGB(0, 0, 0), RGB(9, 9, 9));
  HDC screen = GetDC(nullptr);
  HBITMAP lone = CreateCompatibleBitmap(screen, 2, 2);
  ReleaseDC(nullptr, screen);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, lone);
  RECT all = {0, 0, 2, 2};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReplaceKeyColourInTiles(dc, INT32_MIN, 2, RGB(0, 0, 0), RGB(9, 9, 9));
  ReplaceKeyColourInTiles(dc, 2, INT32_MIN, RGB(0, 0, 0), RGB(9, 9, 9));
  ReplaceKeyColourInTiles(dc, 0, 2, RGB(0, 0, 0), RGB(9, 9, 9));
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(PixelsOf(lone, 2, 2), std::vector<COLORREF>(4, RGB(0, 0, 0)));
  EXPECT_EQ(CopyToDibSection(lone, nullptr, INT32_MIN, 2), nullptr);
  EXPECT_EQ(CopyToDibSection(lone, nullptr, 2, INT32_MIN), nullptr);
  DeleteObject(lone);
}

}  // namespace
