// The sprite sheet through the real windows: loading BMP files of every
// depth, the reuse test, the key-colour probe, the failure message, the key
// pass and its fast form against the per-pixel reference, and sheets whose
// headers claim sizes far beyond their bytes.
#include "tests/wine/support/fixtures.h"

#include <gtest/gtest-spi.h>

#include "sheet/key_colour_core.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

const char kWaitTitle[] = "透明色を適用中です。しばらくお待ちください。";

// A 13 x 7 sheet: the top-left colour recurs in every third column, the
// other pixels differ from it and from each other's neighbours.
const COLORREF kCorner = RGB(200, 10, 30);
COLORREF PlainPixel(int x, int y) {
  if (x % 3 == 0) return kCorner;
  return RGB(x * 10, y * 20, 77);
}

HWND Panel() { return frame.panel; }

void SetTransparency(bool on) { SetChecked(Panel(), IDC_TRANSPARENT, on); }

// Where a load takes its key: the top-left pixel, or the fields, typed as
// blue 1023, green 1025, red 1024.
struct Key {
  bool corner;
  UINT blue, green, red;
};
const Key kFromCorner = {true, 0, 0, 0};
Key Typed(UINT blue, UINT green, UINT red) { return {false, blue, green, red}; }
Key Typed(COLORREF key) { return Typed(GetBValue(key), GetGValue(key), GetRValue(key)); }

void UseKey(const Key& key) {
  SetChecked(Panel(), IDC_KEY_FROM_CORNER, key.corner);
  SetChecked(Panel(), IDC_KEY_FROM_FIELDS, !key.corner);
  if (key.corner) return;
  WriteField(Panel(), IDC_KEY_BLUE, key.blue);
  WriteField(Panel(), IDC_KEY_GREEN, key.green);
  WriteField(Panel(), IDC_KEY_RED, key.red);
}

// A sheet load as the settings reader makes it: control 1000 holds the path
// and the buffer handed over is a copy of it.
bool LoadPath(const std::string& path) {
  SetControlText(IDC_PATH, path.c_str());
  char buffer[kPathBufferSize] = {};
  snprintf(buffer, sizeof buffer, "%s", path.c_str());
  return LoadSheet(Panel(), buffer);
}

// The panel's background in these tests, and the one the passes below key
// with, so that a keyed sheet meets the reuse test.
const COLORREF kPanelBackground = RGB(1, 2, 3);

void ApplyKey(COLORREF key, COLORREF background) {
  ApplyKeyColour(Panel(), frame.sheetDC, sheet.sheetWidth, sheet.sheetHeight, key, background);
}

std::vector<COLORREF> SheetPixels() {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < sheet.sheetHeight; ++y)
    for (int x = 0; x < sheet.sheetWidth; ++x) pixels.push_back(SheetPixel(x, y));
  return pixels;
}

std::vector<COLORREF> PixelsOf(HBITMAP bitmap, int width, int height) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteDC(dc);
  return pixels;
}

bool IsLiveBitmap(HBITMAP bitmap) { return GetObjectType(bitmap) == OBJ_BITMAP; }

bool IsDibSection(HBITMAP bitmap, int bitsPerPixel = 32) {
  DIBSECTION dib;
  return GetObjectA(bitmap, sizeof dib, &dib) == sizeof dib &&
         dib.dsBm.bmBitsPixel == bitsPerPixel;
}

// The probe DC holds `bitmap`, of one pixel.
bool HoldsOnePixel(HDC dc, HBITMAP bitmap) {
  BITMAP size = {};
  return GetCurrentObject(dc, OBJ_BITMAP) == bitmap &&
         GetObjectA(bitmap, sizeof size, &size) == sizeof size && size.bmWidth == 1 &&
         size.bmHeight == 1;
}

HBITMAP BitmapInSheetDC() {
  return static_cast<HBITMAP>(GetCurrentObject(frame.sheetDC, OBJ_BITMAP));
}

// A 120-byte 24-bit file whose header claims width x height: the pixel data
// is cut off after what fits.
void WriteClaimingHeader(const std::string& path, int32_t width, int32_t height) {
  std::vector<uint8_t> bytes = ReadBytes(WriteSheet("claim.bmp", 1, 1, Solid(0)));
  bytes.resize(120);
  Poke32(bytes, 2, 120);
  Poke32(bytes, 18, static_cast<uint32_t>(width));
  Poke32(bytes, 22, static_cast<uint32_t>(height));
  Poke32(bytes, 34, 0);  // no image size: it follows from the header
  WriteBytes(path, bytes);
}

class SheetTest : public WithProgram {
 protected:
  void SetUp() override {
    WithProgram::SetUp();
    SetBackground(kPanelBackground);
  }
  // A fresh program, as at the start of the test.
  void StartAgain() {
    StopProgram();
    SetUp();
  }
  const std::string plainPath_ = WriteSheet("plain.bmp", 13, 7, PlainPixel);
};

// ---------------------------------------------------------------------------
// Loading

// Colours every palette depth can hold exactly.
const std::vector<COLORREF> kSixteen = {
    RGB(0, 0, 0),     RGB(255, 255, 255), RGB(255, 0, 0),   RGB(0, 255, 0),
    RGB(0, 0, 255),   RGB(12, 34, 56),    RGB(13, 34, 56),  RGB(12, 35, 56),
    RGB(12, 34, 57),  RGB(250, 128, 7),   RGB(1, 1, 1),     RGB(128, 128, 128),
    RGB(99, 0, 199),  RGB(7, 77, 177),    RGB(254, 254, 254), RGB(60, 200, 90)};

std::vector<COLORREF> PaletteFor(int bitsPerPixel) {
  if (bitsPerPixel == 1) return {RGB(12, 34, 56), RGB(250, 128, 7)};
  if (bitsPerPixel == 4) return kSixteen;
  std::vector<COLORREF> palette = kSixteen;
  for (int i = 16; i < 256; ++i) palette.push_back(RGB(i, 255 - i, (i * 7) & 0xFF));
  return palette;
}

TEST_F(SheetTest, EveryDepthPaddedWidthAndRowOrderLoadsWithSizeLabelAndTitle) {
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(0, 0));
  EXPECT_EQ(WindowText(Panel()), kPanelTitle);

  // Widths whose rows need padding bytes at every depth, and 1 x 1. The
  // loader gives top-down files the right size but not their pixels.
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
    // Held as loaded, with no 32-bit copy until a key pass; a whole 32-bit
    // file loads as a 32-bit DIB section of its own.
    EXPECT_EQ(IsDibSection(sheet.sheetBitmap), f.bitsPerPixel == 32 && !f.topDown);
    if (before != nullptr) {
      EXPECT_FALSE(IsLiveBitmap(before)) << "the displaced sheet is released";
    }
    int wrong = 0;
    for (int y = 0; y < f.height && !f.topDown; ++y)
      for (int x = 0; x < f.width; ++x)
        if (SheetPixel(x, y) != colour(x, y) && wrong++ < 3)
          ADD_FAILURE() << "pixel " << x << "," << y << " " << std::hex << SheetPixel(x, y)
                        << " instead of " << colour(x, y);
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
// The reuse test

// What a second load does with the held sheet: loads the file afresh,
// reuses the held sheet as it is, or keeps a clean copy of the unchanged
// file, showing it as a load does.
enum Outcome { kLoaded, kReused, kKept };

TEST_F(SheetTest, TheHeldSheetIsReusedOnlyWithTransparencyOnTheSamePathBytesAndTheSameKey) {
  std::vector<COLORREF> filePixels;
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 13; ++x) filePixels.push_back(PlainPixel(x, y));
  const struct {
    const char* name;
    Key first;          // the first load is a clean copy: transparency off
    bool keyed;         // then a pass with `passKey` (the corner key ignores it)
    COLORREF passKey;
    bool on;            // transparency at the second load
    Key second;
    const char* file;   // named at the second load
    Outcome outcome;
  } cases[] = {
      {"transparency off", kFromCorner, true, 0, false, kFromCorner, "plain.bmp", kLoaded},
      {"top-left key", kFromCorner, true, 0, true, kFromCorner, "plain.bmp", kReused},
      {"RGB key", Typed(kCorner), true, kCorner, true, Typed(kCorner), "plain.bmp", kReused},
      // Nothing keyed yet: the last key is black, as are the RGB fields.
      {"a clean copy, not keyed yet", Typed(0, 0, 0), false, 0, true, Typed(0, 0, 0), "plain.bmp", kReused},
      {"RGB key one step off in red", Typed(kCorner), true, kCorner, true,
       Typed(GetBValue(kCorner), GetGValue(kCorner), GetRValue(kCorner) + 1), "plain.bmp", kLoaded},
      {"top-left colour unlike the last pass's key", Typed(0, 0, 0), true, PlainPixel(1, 1), true,
       kFromCorner, "plain.bmp", kLoaded},
      {"blue 300 counts as 255", Typed(0, 0, 0), true, RGB(7, 20, 255), true, Typed(300, 20, 7),
       "plain.bmp", kReused},
      {"red 999 counts as 255: another key", Typed(0, 0, 0), true, RGB(7, 20, 255), true,
       Typed(255, 20, 999), "plain.bmp", kLoaded},
      {"the path in other letter case", Typed(kCorner), true, kCorner, true, Typed(kCorner),
       "PLAIN.BMP", kLoaded},  // the same file on a case-blind drive
      // A clean copy of the unchanged file is what the load would give.
      {"a clean copy, transparency off", kFromCorner, false, 0, false, kFromCorner, "plain.bmp",
       kKept},
      {"a clean copy, another RGB key", Typed(0, 0, 0), false, 0, true, Typed(kCorner),
       "plain.bmp", kKept},
      {"a clean copy, the top-left key", Typed(0, 0, 0), false, 0, true, kFromCorner,
       "plain.bmp", kKept},
      {"a clean copy, the path in other letter case", Typed(0, 0, 0), false, 0, false,
       Typed(0, 0, 0), "PLAIN.BMP", kLoaded},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAgain();
    SetTransparency(false);
    UseKey(c.first);
    ASSERT_TRUE(LoadPath(plainPath_));
    if (c.keyed) ApplyKey(c.passKey, kPanelBackground);
    const HBITMAP held = sheet.sheetBitmap;
    const HBITMAP probe = sheet.probeBitmap;
    const std::vector<COLORREF> heldPixels = SheetPixels();

    SetTransparency(c.on);
    UseKey(c.second);
    SetWindowTextA(Panel(), "title before");
    SetControlText(IDC_SHEET_SIZE, "label before");
    const std::string path = TempFile(c.file);
    DialogWatcher boxes(kFailureCaption);
    EXPECT_TRUE(LoadPath(path));
    EXPECT_EQ(sheet.sheetBitmap == held, c.outcome != kLoaded);
    EXPECT_EQ(BitmapInSheetDC(), sheet.sheetBitmap);
    if (c.outcome == kReused) {
      EXPECT_EQ(sheet.needsKeyPass, !c.keyed) << "a clean copy stays marked for the next pass";
      EXPECT_EQ(SheetPixels(), heldPixels) << "the keyed pixels stay keyed";
      EXPECT_EQ(WindowText(Panel()), "title before");
      EXPECT_EQ(ControlText(IDC_SHEET_SIZE), "label before");
    } else {
      if (c.outcome == kLoaded) {
        EXPECT_FALSE(IsLiveBitmap(held));
      }
      EXPECT_TRUE(sheet.needsKeyPass);
      EXPECT_EQ(SheetPixels(), filePixels) << "the file's colours are back";
      EXPECT_STREQ(sheet.source.lastPath, path.c_str());
      EXPECT_EQ(WindowText(Panel()), path);
      EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(13, 7));
    }
    if (c.second.corner) {  // the probe holds a new pixel either way
      EXPECT_NE(sheet.probeBitmap, probe);
      EXPECT_FALSE(IsLiveBitmap(probe));
      EXPECT_TRUE(HoldsOnePixel(frame.probeDC, sheet.probeBitmap));
      EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), kCorner);
    } else {  // the key fields stay as typed
      ExpectFields({{IDC_KEY_BLUE, std::to_string(c.second.blue)},
                    {IDC_KEY_GREEN, std::to_string(c.second.green)},
                    {IDC_KEY_RED, std::to_string(c.second.red)}});
    }
    EXPECT_EQ(boxes.Count(), 0);
  }
}

// A 16 x 8 strip of two 8 x 8 cells for the runs through Start.
const COLORREF kCellColour[] = {RGB(200, 0, 0), RGB(0, 0, 200)};
const COLORREF kStripKey = RGB(50, 60, 70);
COLORREF StripPixel(int x, int y) {
  if ((x + y) % 4 == 0) return kStripKey;
  return kCellColour[x / 8];
}

void SetUpPlayback(const std::string& path, const char* frameList, int interval) {
  SetSheet(path, 8, 8, interval);
  SetFields({{IDC_FRAME_LIST, frameList}, {IDC_LOOP_COUNT, "0"}});
}

// Sets a file's last-write time `seconds` later than it is.
void TouchLater(const std::string& path, int seconds) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  FILETIME written;
  GetFileTime(file, nullptr, nullptr, &written);
  ULARGE_INTEGER time = {{written.dwLowDateTime, written.dwHighDateTime}};
  time.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000u;
  written = {time.LowPart, time.HighPart};
  SetFileTime(file, nullptr, nullptr, &written);
  CloseHandle(file);
}

TEST_F(SheetTest, StartReusesAKeyedSheetOnlyWhileItsFileAndBackgroundAreUnchanged) {
  const COLORREF first = RGB(10, 20, 30);
  const COLORREF edited = RGB(0, 150, 0);
  const struct {
    const char* name;
    COLORREF background;  // at the second Start
    bool editFile;        // rewritten in between: same size, a new write time
    bool reused;
    COLORREF cell;        // sheet pixel (1,0) afterwards
  } cases[] = {
      {"nothing changed", first, false, true, kCellColour[0]},
      {"background changed", RGB(40, 50, 60), false, false, kCellColour[0]},
      {"file edited", first, true, false, edited},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = WriteSheet(("reuse" + std::to_string(n++) + ".bmp").c_str(), 16, 8, StripPixel);
    SetUpPlayback(path, "1,0", 10000);  // the first tick shows cell 0
    SetTransparency(true);
    UseKey(Typed(kStripKey));
    SetBackground(first);
    ASSERT_TRUE(Start());
    ASSERT_EQ(SheetPixel(0, 0), first);  // a key pixel
    const HBITMAP held = sheet.sheetBitmap;

    if (c.editFile) {
      WriteBmp(path, 16, 8, 24, [&](int x, int y) {
        return StripPixel(x, y) == kStripKey ? kStripKey : edited;
      });
      TouchLater(path, 10);
    }
    SetBackground(c.background);
    SetWindowTextA(Panel(), "title before");
    DialogWatcher boxes(kFailureCaption);
    ASSERT_TRUE(Start());
    EXPECT_EQ(sheet.sheetBitmap == held, c.reused);
    EXPECT_EQ(WindowText(Panel()), c.reused ? "title before" : path);
    EXPECT_FALSE(sheet.needsKeyPass);
    // Where the key was, the sheet holds the background drawn behind it.
    EXPECT_EQ(SheetPixel(0, 0), c.background);
    EXPECT_EQ(SheetPixel(1, 0), c.cell);
    Tick();
    EXPECT_EQ(BackBufferPixel(0, 0), c.background);
    EXPECT_EQ(BackBufferPixel(1, 0), c.cell);
    EXPECT_EQ(BackBufferPixel(20, 20), c.background);
    StopTimer();
    Pump(20);
    EXPECT_EQ(boxes.Count(), 0);
  }
}

TEST_F(SheetTest, AStartAfterAnOpenUsesTheOpenedCopyAndKeysItInItsOwnMemory) {
  const struct { const char* name; bool on; } cases[] = {
      {"transparency on", true}, {"transparency off", false}};
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path =
        WriteSheet(("opened" + std::to_string(n++) + ".bmp").c_str(), 16, 8, StripPixel);
    SetUpPlayback(path, "1,0", 10000);  // the first tick shows cell 0
    SetTransparency(false);
    UseKey(kFromCorner);
    DropFiles({path});
    const HBITMAP opened = sheet.sheetBitmap;
    ASSERT_TRUE(IsDibSection(opened, 24));
    ASSERT_TRUE(sheet.needsKeyPass);

    SetTransparency(c.on);
    SetBackground(RGB(9, 8, 7));
    SetWindowTextA(Panel(), "title before");
    SetControlText(IDC_SHEET_SIZE, "label before");
    DialogWatcher boxes(kFailureCaption);
    ASSERT_TRUE(Start());
    // No second copy, loaded or converted: the opened one, shown as a load
    // shows it.
    EXPECT_EQ(sheet.sheetBitmap, opened);
    EXPECT_EQ(BitmapInSheetDC(), opened);
    EXPECT_EQ(WindowText(Panel()), path);
    EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(16, 8));
    EXPECT_EQ(sheet.needsKeyPass, !c.on);
    EXPECT_TRUE(HoldsOnePixel(frame.probeDC, sheet.probeBitmap));
    EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), kStripKey);
    const COLORREF keyShows = c.on ? RGB(9, 8, 7) : kStripKey;
    EXPECT_EQ(SheetPixel(0, 0), keyShows);
    EXPECT_EQ(SheetPixel(1, 0), kCellColour[0]);
    EXPECT_EQ(SheetPixel(12, 0), keyShows);
    Tick();
    EXPECT_EQ(BackBufferPixel(0, 0), keyShows);
    EXPECT_EQ(BackBufferPixel(1, 0), kCellColour[0]);
    EXPECT_EQ(BackBufferPixel(20, 20), RGB(9, 8, 7));
    StopTimer();
    Pump(20);
    EXPECT_EQ(boxes.Count(), 0);
  }
}

// ---------------------------------------------------------------------------
// A sheet edited while it plays

// The 16 x 8 strip rewritten: the pixels where StripPixel has its key take
// `keyPixels`, all others `cells`.
void RewriteStrip(const std::string& path, COLORREF keyPixels, COLORREF cells, int laterSeconds) {
  WriteBmp(path, 16, 8, 24,
           [&](int x, int y) { return StripPixel(x, y) == kStripKey ? keyPixels : cells; });
  TouchLater(path, laterSeconds);
}

// Plays cell 0 of the strip at zoom 2 every 50 ms, until a pass is done.
void PlayStrip(const std::string& path) {
  SetUpPlayback(path, "0,0", 50);
  SetControlText(IDC_ZOOM, "2");
  ASSERT_TRUE(Start());
  ASSERT_TRUE(PassesDone(1));
}

// Back-buffer pixels of sheet pixels (0,0), a key pixel, and (1,0).
COLORREF ShownCorner() { return BackBufferPixel(0, 0); }
COLORREF ShownCell() { return BackBufferPixel(2, 0); }

const COLORREF kEdited = RGB(0, 150, 0);

TEST_F(SheetTest, AnEditedSheetShowsWithinASecondWhilePlaying) {
  const COLORREF newCorner = RGB(90, 80, 70);
  const struct {
    const char* name;
    bool transparent;
    Key key;
    COLORREF keyPixels, cells;     // of the rewritten file
    COLORREF corner, cell;         // shown afterwards
  } cases[] = {
      {"transparency off", false, Typed(kStripKey), kStripKey, kEdited, kStripKey, kEdited},
      {"the key from the fields", true, Typed(kStripKey), kStripKey, kEdited, kPanelBackground, kEdited},
      // The new copy's top-left colour is the key, not the old one.
      {"the key from the top-left pixel", true, kFromCorner, newCorner, kStripKey, kPanelBackground,
       kStripKey},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAgain();
    const std::string path = WriteSheet(("edited" + std::to_string(n++) + ".bmp").c_str(), 16, 8, StripPixel);
    SetTransparency(c.transparent);
    UseKey(c.key);
    PlayStrip(path);
    ASSERT_EQ(ShownCell(), kCellColour[0]);
    ASSERT_EQ(ShownCorner(), c.transparent ? kPanelBackground : kStripKey);
    SetControlText(IDC_PATH, "");  // the held copy's file counts, not the field
    const int32_t passes = animation.loopsDone;
    const HBITMAP held = sheet.sheetBitmap;

    DialogWatcher boxes(kFailureCaption);
    RewriteStrip(path, c.keyPixels, c.cells, 10);
    EXPECT_TRUE(PumpUntil([&] { return ShownCell() == c.cell; }, 1000));
    EXPECT_NE(sheet.sheetBitmap, held);
    EXPECT_EQ(ShownCorner(), c.corner);
    EXPECT_EQ(BackBufferPixel(16, 16), kPanelBackground) << "the zoom goes on";
    EXPECT_TRUE(PassesDone(passes + 1)) << "so does the pass count";
    EXPECT_EQ(WindowText(frame.mainWindow), PlayingTitle(0));
    EXPECT_EQ(sheet.needsKeyPass, !c.transparent);
    EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(16, 8));
    EXPECT_EQ(boxes.Count(), 0);

    // The next Start uses the new copy: keyed, the reuse test passes;
    // clean, it is what a load of the unchanged file would give.
    SetControlText(IDC_PATH, path.c_str());
    const HBITMAP reloaded = sheet.sheetBitmap;
    ASSERT_TRUE(Start());
    EXPECT_EQ(sheet.sheetBitmap, reloaded);
    EXPECT_EQ(sheet.needsKeyPass, !c.transparent);
    EXPECT_EQ(SheetPixel(2, 0), c.cell);
    StopTimer();
  }
}

// Files handed to the loader so far, as a second thread reads them.
uint32_t LoaderCalls() { return *static_cast<volatile uint32_t*>(&loaderCalls); }

TEST_F(SheetTest, AFileCutShortDeletedOrNotLoadingKeepsTheHeldCopyUntilAWholeOneIsThere) {
  // 16 x 8 at 24 bits: 54 bytes of headers, then 8 rows of 48 bytes.
  enum Change { Cut, Delete, Patch };
  const struct {
    const char* name;
    Change change;
    size_t at;        // the length cut to, or the header field patched
    uint32_t value;   // patched in
    size_t added;     // zero bytes added at the end
    uint32_t loads;   // files handed to the loader while it stays so
  } cases[] = {
      {"cut in its headers", Cut, 30, 0, 0, 0},
      {"cut after half its pixels", Cut, 54 + 4 * 48, 0, 0, 0},
      {"deleted", Delete, 0, 0, 0, 0},
      {"pixels inside the file header: never loaded", Patch, 10, 13, 0, 0},
      // A 56-byte header, which the loader does not know; its pixels start
      // 16 bytes on, and 16 bytes more make the file whole.
      {"whole, but the loader refuses it: tried once", Patch, 14, 56, 16, 1},
  };
  int n = 0;
  for (bool watched : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (watched ? ", folder watched" : ", looked at by time"));
      const std::string path =
          WriteSheet(("cut" + std::to_string(n++) + ".bmp").c_str(), 16, 8, StripPixel);
      PlayStrip(path);
      ASSERT_STRNE(WatchedSheetFolder(), "") << "the temp folder can be watched";
      if (!watched) StopWatchingSheetFolder();
      const HBITMAP held = sheet.sheetBitmap;
      const uint32_t calls = LoaderCalls();
      DialogWatcher boxes(kFailureCaption);

      if (c.change == Delete) {
        ASSERT_TRUE(DeleteFileA(path.c_str()));
      } else {  // no tick runs before the change is complete
        RewriteStrip(path, kStripKey, kEdited, 10);
        std::vector<uint8_t> bytes = ReadBytes(path);
        if (c.change == Cut) bytes.resize(c.at);
        if (c.change == Patch) Poke32(bytes, c.at, c.value);
        bytes.resize(bytes.size() + c.added);
        WriteBytes(path, bytes);
      }
      const int32_t passes = animation.loopsDone;
      // Other files of the folder change meanwhile: each change is a look.
      for (int i = 0; i < 8; ++i) {
        WriteBytes(TempFile("neighbour.txt"), {static_cast<uint8_t>(i)});
        Pump(100);
      }
      EXPECT_EQ(LoaderCalls() - calls, c.loads);
      EXPECT_EQ(sheet.sheetBitmap, held);
      EXPECT_EQ(ShownCell(), kCellColour[0]);
      EXPECT_GT(animation.loopsDone, passes + 3) << "playing on";
      EXPECT_EQ(boxes.Count(), 0);

      RewriteStrip(path, kStripKey, kEdited, 20);
      EXPECT_TRUE(PumpUntil([] { return ShownCell() == kEdited; }, 1000));
      EXPECT_EQ(LoaderCalls() - calls, c.loads + 1);
      EXPECT_EQ(boxes.Count(), 0);
    }
  }

  // With the timer stopped the file is left alone.
  StopTimer();
  const HBITMAP stopped = sheet.sheetBitmap;
  RewriteStrip(sheet.source.lastPath, kStripKey, kCellColour[1], 30);
  Pump(800);
  EXPECT_EQ(sheet.sheetBitmap, stopped);
}

// Sets a file's last-write time.
bool SetWriteTime(const std::string& path, ULONGLONG time) {
  HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const FILETIME written = {static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
  const bool set = SetFileTime(file, nullptr, nullptr, &written) != FALSE;
  CloseHandle(file);
  return set;
}

TEST_F(SheetTest, ASaveOfTheSameSizeWithinAWholeSecondStampsStepShowsOnceTheStepIsOver) {
  // A file system that keeps whole seconds (FAT: even ones) gives two saves
  // within the step one stamp; the second one here keeps the first's.
  const std::string path = WriteSheet("step.bmp", 16, 8, StripPixel);
  const ULONGLONG second = 10000000;
  const ULONGLONG stamp = FileTimeNow() / second * second;
  ASSERT_TRUE(SetWriteTime(path, stamp));
  PlayStrip(path);
  const uint32_t calls = LoaderCalls();
  RewriteStrip(path, kStripKey, kEdited, 0);
  ASSERT_TRUE(SetWriteTime(path, stamp));
  EXPECT_TRUE(PumpUntil([] { return ShownCell() == kEdited; }, 4000));
  EXPECT_GE(FileTimeNow(), stamp + 2 * second) << "not before the step is over";
  EXPECT_EQ(LoaderCalls(), calls + 1);
  Pump(700);
  EXPECT_EQ(LoaderCalls(), calls + 1) << "loaded after the step, the copy is kept";

  // A finer stamp tells every save: nothing is loaded once more.
  const std::string fine = WriteSheet("fine.bmp", 16, 8, StripPixel);
  ASSERT_TRUE(SetWriteTime(fine, stamp + 2 * second + 1234567));
  PlayStrip(fine);
  const uint32_t fineCalls = LoaderCalls();
  Pump(2500);
  EXPECT_EQ(LoaderCalls(), fineCalls);
  StopTimer();
}

TEST_F(SheetTest, CellsOutsideANarrowerSheetShowTheBackground) {
  // Three cells, 24 x 8, rewritten 12 wide: cell 1 keeps its left half,
  // cell 2 lies wholly outside.
  const std::string path = WriteSheet("narrowed.bmp", 24, 8, [](int x, int) {
    return RGB(60 * (x / 8), 200, 9);
  });
  SetUpPlayback(path, "0,1,2", 50);
  SetControlText(IDC_ZOOM, "2");
  ASSERT_TRUE(Start());
  WriteBmp(path, 12, 8, 24, Solid(kEdited));
  TouchLater(path, 10);
  ASSERT_TRUE(PumpUntil([] { return sheet.sheetWidth == 12; }, 1000));
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(12, 8));
  StopTimer();
  EXPECT_EQ(ControlText(IDC_FRAME_LIST), "0,1,2") << "the sequence stays as Start made it";

  const int shownWidth[] = {16, 8, 0};  // of each cell's 16 x 16 at zoom 2
  for (int tick = 0; tick < 3; ++tick) {
    Tick();
    const int shown = shownWidth[animation.cellColumn];
    SCOPED_TRACE("cell " + std::to_string(animation.cellColumn));
    if (shown > 0) {
      EXPECT_EQ(BackBufferPixel(0, 0), kEdited);
      EXPECT_EQ(BackBufferPixel(shown - 1, 15), kEdited);
    }
    EXPECT_EQ(BackBufferPixel(shown, 0), kPanelBackground);
    EXPECT_EQ(BackBufferPixel(15, 15), shown == 16 ? kEdited : kPanelBackground);
    EXPECT_EQ(BackBufferPixel(0, 16), kPanelBackground);
  }
  ASSERT_TRUE(Start());
  EXPECT_EQ(ControlText(IDC_FRAME_LIST), "0,0,0");
  StopTimer();
}

// The folder of this test program, with its closing backslash.
std::string ProgramFolder() {
  char name[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, name, sizeof name);
  std::string folder = name;
  return folder.substr(0, folder.find_last_of('\\') + 1);
}

TEST_F(SheetTest, ARelativeNameMeansTheFileInTheCurrentFolderNotTheOneBesideTheProgram) {
  // twin.bmp in the current folder, 256 x 128, and another beside the
  // program, 32 x 32, with other top-left colours.
  const COLORREF here = RGB(10, 200, 30), beside = RGB(250, 5, 5);
  const std::string folder = TempFile("current");
  CreateDirectoryA(folder.c_str(), nullptr);
  const std::string twin = folder + "\\twin.bmp";
  const std::string programTwin = ProgramFolder() + "twin.bmp";
  auto cornered = [](COLORREF corner, COLORREF rest) {
    return [=](int x, int y) { return x + y == 0 ? corner : rest; };
  };
  WriteBmp(twin, 256, 128, 24, cornered(here, RGB(1, 2, 3)));
  WriteBmp(programTwin, 32, 32, 24, cornered(beside, RGB(4, 5, 6)));
  char before[MAX_PATH];
  GetCurrentDirectoryA(sizeof before, before);
  struct Restore {
    std::string programTwin;
    const char* folder;
    ~Restore() {
      DeleteFileA(programTwin.c_str());
      SetCurrentDirectoryA(folder);
    }
  } restore = {programTwin, before};
  const std::vector<uint8_t> programTwinBytes = ReadBytes(programTwin);
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));

  // Named on the command line, as the user typed it.
  Restart("twin.bmp");
  SetBackground(kPanelBackground);
  EXPECT_EQ(ControlText(IDC_PATH), "twin.bmp");
  EXPECT_EQ(WindowText(Panel()), "twin.bmp");
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(256, 128));
  EXPECT_STREQ(sheet.source.lastPath, "twin.bmp");
  EXPECT_STREQ(sheet.source.file, twin.c_str());

  // Start probes and keys the same file, and plays it.
  SetTransparency(true);
  UseKey(kFromCorner);
  SetUpPlayback("twin.bmp", "0,1", 30);
  ASSERT_TRUE(Start());
  EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), here);
  EXPECT_EQ(sheet.lastKeyColour, here);
  EXPECT_EQ(SheetPixel(0, 0), kPanelBackground);

  // Edited while it plays: the current folder's file is watched.
  WriteBmp(twin, 128, 64, 24, cornered(here, RGB(7, 8, 9)));
  TouchLater(twin, 10);
  EXPECT_TRUE(PumpUntil([] { return sheet.sheetWidth == 128; }, 1000));
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(128, 64));
  EXPECT_EQ(SheetPixel(1, 1), RGB(7, 8, 9));
  EXPECT_EQ(SheetPixel(0, 0), kPanelBackground) << "keyed again";
  StopTimer();

  // Dropped as a relative name too.
  SetTransparency(false);
  DropFiles({"twin.bmp"});
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(128, 64));

  // Only where the current folder has no such file does the platform's
  // search decide: the program's folder comes first.
  ASSERT_TRUE(DeleteFileA(twin.c_str()));
  DropFiles({"twin.bmp"});
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(32, 32));
  EXPECT_STREQ(sheet.source.file, programTwin.c_str());
  EXPECT_EQ(ReadBytes(programTwin), programTwinBytes) << "the program's twin is only read";
  // One watch, moved to the new sheet's folder at the next tick, and
  // closed at teardown.
  Tick();
  EXPECT_STREQ(WatchedSheetFolder(), ProgramFolder().c_str());
  StopProgram();
  EXPECT_STREQ(WatchedSheetFolder(), "");
}

// ---------------------------------------------------------------------------
// The probe

TEST_F(SheetTest, TheProbeAtStartReadsTheSharedBufferBeforeItIsRefreshed) {
  const COLORREF cornerA = RGB(11, 22, 33);
  const COLORREF cornerB = RGB(44, 55, 66);
  const std::string a = WriteSheet("probe_a.bmp", 8, 8, [&](int x, int y) {
    return x == 0 && y == 0 ? cornerA : RGB(1, 1, 1);
  });
  const std::string b = WriteSheet("probe_b.bmp", 16, 8, [&](int x, int y) {
    return x == 0 && y == 0 ? cornerB : RGB(2, 2, 2);
  });
  SetUpPlayback(a, "0,1", 10000);
  SetTransparency(true);
  UseKey(kFromCorner);

  // A dropped file fills the shared buffer and the path field.
  DropFiles({a});
  ASSERT_STREQ(panelPath, a.c_str());
  ASSERT_EQ(WindowText(Panel()), a);
  ASSERT_EQ(GetPixel(frame.probeDC, 0, 0), cornerA);

  // The field edited by hand: the probe still reads the dropped file, and
  // the sheet of the field is loaded because its path is new.
  SetControlText(IDC_PATH, b.c_str());
  ASSERT_TRUE(Start());
  EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), cornerA);
  EXPECT_STREQ(panelPath, b.c_str());
  EXPECT_EQ(WindowText(Panel()), b);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(16, 8));
  EXPECT_EQ(sheet.lastKeyColour, cornerB) << "the pass keys the sheet's own top-left pixel";
  EXPECT_EQ(SheetPixel(1, 0), RGB(2, 2, 2));

  // Now the buffer names the sheet: the probe reads it, its key is the
  // last pass's and the held sheet is reused.
  HBITMAP held = sheet.sheetBitmap;
  ASSERT_TRUE(Start());
  EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), cornerB);
  EXPECT_EQ(sheet.sheetBitmap, held);

  // The buffer naming the other file again: its top-left colour is not the
  // last key, so the sheet of the field is loaded afresh.
  snprintf(panelPath, sizeof panelPath, "%s", a.c_str());
  ASSERT_TRUE(Start());
  EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), cornerA);
  EXPECT_NE(sheet.sheetBitmap, held);
  EXPECT_STREQ(panelPath, b.c_str());
  StopTimer();
}

TEST_F(SheetTest, TheProbeReadsAHeldCleanCopyOfItsUnchangedFileAndTheFileOtherwise) {
  // A colour only the held copy has, put at its top-left pixel, shows where
  // the probe read.
  const COLORREF kHeldOnly = RGB(7, 7, 7);
  const COLORREF kRewritten = RGB(33, 44, 55);
  const std::string other = WriteSheet("probe_other.bmp", 4, 4, Solid(RGB(66, 77, 88)));
  const struct {
    const char* name;
    bool keyHeld;         // the held copy keyed before the probe
    bool rewrite;         // the file saved again with another top-left colour
    bool probeOther;      // the buffer names another file
    COLORREF probed;
    int loads;            // the loader's calls by the probe and the sheet load
  } cases[] = {
      {"a clean copy of the unchanged file", false, false, false, kHeldOnly, 0},
      {"the file saved again since", false, true, false, kRewritten, 2},
      {"a keyed copy", true, false, false, kCorner, 2},
      {"another file", false, false, true, RGB(66, 77, 88), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAgain();
    const std::string path = WriteSheet("probe_held.bmp", 13, 7, PlainPixel);
    SetTransparency(false);
    UseKey(Typed(0, 0, 0));
    ASSERT_TRUE(LoadPath(path));
    if (c.keyHeld) ApplyKey(PlainPixel(1, 1), kPanelBackground);
    SetPixel(frame.sheetDC, 0, 0, kHeldOnly);
    ASSERT_EQ(SheetPixel(0, 0), kHeldOnly);
    if (c.rewrite) {
      WriteBmp(path, 13, 7, 24, [&](int x, int y) { return x == 0 && y == 0 ? kRewritten : PlainPixel(x, y); });
      TouchLater(path, 10);
    }
    const HBITMAP probe = sheet.probeBitmap;

    UseKey(kFromCorner);
    SetControlText(IDC_PATH, path.c_str());
    char buffer[kPathBufferSize];
    snprintf(buffer, sizeof buffer, "%s", (c.probeOther ? other : path).c_str());
    DialogWatcher boxes(kFailureCaption);
    const uint32_t callsBefore = loaderCalls;
    EXPECT_TRUE(LoadSheet(Panel(), buffer));
    EXPECT_EQ(loaderCalls - callsBefore, static_cast<uint32_t>(c.loads));
    EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), c.probed);
    EXPECT_TRUE(HoldsOnePixel(frame.probeDC, sheet.probeBitmap));
    EXPECT_NE(sheet.probeBitmap, probe);
    EXPECT_FALSE(IsLiveBitmap(probe));
    Pump(20);
    EXPECT_EQ(boxes.Count(), 0);
  }
}

TEST_F(SheetTest, WithNoProbeEverLoadedTheProbedKeyIsBlack) {
  // Nothing loaded yet: the last path is empty and the last key black. A
  // probe that fails gives black, so an empty field is "reused".
  SetTransparency(true);
  UseKey(kFromCorner);
  SetControlText(IDC_PATH, "");
  snprintf(panelPath, sizeof panelPath, "%s", TempFile("no_such_probe.bmp").c_str());
  {
    DialogWatcher boxes(kFailureCaption);
    EXPECT_TRUE(LoadSheet(Panel(), panelPath));
    Pump(100);
    EXPECT_EQ(boxes.Count(), 0);
  }
  EXPECT_EQ(sheet.probeBitmap, nullptr);
  EXPECT_EQ(sheet.sheetBitmap, nullptr);
  EXPECT_EQ(WindowText(Panel()), kPanelTitle);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(0, 0));
  EXPECT_STREQ(panelPath, "");

  // The same holds for an RGB key of black; any other key tries the load.
  UseKey(Typed(0, 0, 0));
  EXPECT_TRUE(LoadPath(""));
  UseKey(Typed(0, 0, 1));
  DialogWatcher boxes(kFailureCaption);
  EXPECT_FALSE(LoadPath(""));
  EXPECT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }, 3000));
}

TEST_F(SheetTest, TheProbeHoldsItsPixelAloneAndAProbeThatFailsKeepsIt) {
  SetTransparency(true);
  UseKey(kFromCorner);
  ASSERT_TRUE(LoadPath(plainPath_));
  ApplyKey(RGB(0, 0, 0), kPanelBackground);
  ASSERT_EQ(sheet.lastKeyColour, kCorner);
  const HBITMAP probe = sheet.probeBitmap;
  const HBITMAP held = sheet.sheetBitmap;
  EXPECT_TRUE(HoldsOnePixel(frame.probeDC, probe)) << "not a second copy of the sheet";

  // The buffer names a file that does not load; the field names the sheet.
  SetControlText(IDC_PATH, plainPath_.c_str());
  char buffer[kPathBufferSize];
  snprintf(buffer, sizeof buffer, "%s", TempFile("no_such_probe.bmp").c_str());
  DialogWatcher boxes(kFailureCaption);
  EXPECT_TRUE(LoadSheet(Panel(), buffer));
  EXPECT_EQ(sheet.probeBitmap, probe);
  EXPECT_TRUE(HoldsOnePixel(frame.probeDC, probe));
  EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), kCorner);
  EXPECT_EQ(sheet.sheetBitmap, held) << "the previous probe's key matches the last pass";
  Pump(50);
  EXPECT_EQ(boxes.Count(), 0);
  StopProgram();
  EXPECT_FALSE(IsLiveBitmap(probe)) << "released with the probe DC";
}

// ---------------------------------------------------------------------------
// Failures

TEST_F(SheetTest, AFileThatDoesNotLoadShowsTheMessageAndChangesNothing) {
  std::mt19937 random(4);
  std::vector<uint8_t> garbage(400);
  for (uint8_t& b : garbage) b = static_cast<uint8_t>(random());
  garbage[0] = 'Q';
  WriteBytes(TempFile("garbage.bmp"), garbage);
  WriteBytes(TempFile("empty.bmp"), {});
  // (Wine still loads a file cut inside its bitmap header, as a blank
  // bitmap of the claimed size, so such a file is not in this list.)
  const std::pair<const char*, std::string> files[] = {{"missing file", TempFile("missing.bmp")},
                                                       {"empty path", ""},
                                                       {"zero-byte file", TempFile("empty.bmp")},
                                                       {"garbage file", TempFile("garbage.bmp")}};
  DialogWatcher boxes(kFailureCaption);
  int shown = 0;
  for (const auto& [name, path] : files) {
    for (bool keyed : {false, true}) {
      SCOPED_TRACE(std::string(name) + (keyed ? ", keyed sheet" : ", clean sheet"));
      SetTransparency(false);
      UseKey(kFromCorner);
      ASSERT_TRUE(LoadPath(plainPath_));
      if (keyed) ApplyKey(RGB(0, 0, 0), kPanelBackground);
      const HBITMAP held = sheet.sheetBitmap;
      const std::vector<COLORREF> pixels = SheetPixels();
      const std::string label = ControlText(IDC_SHEET_SIZE);
      const std::string title = WindowText(Panel());

      EXPECT_FALSE(LoadPath(path));
      ++shown;
      EXPECT_TRUE(PumpUntil([&] { return boxes.Count() >= shown; }, 3000));
      EXPECT_EQ(boxes.Count(), shown);
      EXPECT_EQ(boxes.LastText(), kFailureText);
      EXPECT_EQ(sheet.sheetBitmap, held);
      EXPECT_EQ(BitmapInSheetDC(), held);
      EXPECT_EQ(sheet.sheetWidth, 13);
      EXPECT_EQ(sheet.sheetHeight, 7);
      EXPECT_STREQ(sheet.source.lastPath, plainPath_.c_str());
      EXPECT_EQ(sheet.needsKeyPass, !keyed);
      EXPECT_EQ(ControlText(IDC_SHEET_SIZE), label);
      EXPECT_EQ(WindowText(Panel()), title);
      EXPECT_EQ(SheetPixels(), pixels);
    }
  }
}

// Passes done, as a second thread reads them.
int Passes() { return *static_cast<volatile int32_t*>(&animation.loopsDone); }

TEST_F(SheetTest, AFailureBoxNoTestExpectsIsAnsweredAndFailsTheTest) {
  // Without a watcher the box would wait for a click until the time-out.
  SetControlText(IDC_PATH, TempFile("missing.bmp").c_str());
  bool started = true;
  EXPECT_NONFATAL_FAILURE_ON_ALL_THREADS(
      started = Start(),
      "caption \"エラー\", text \"BMPファイル読みとりに失敗しました\"");
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
// The key pass

// A 17 x 9 sheet: the top-left colour, an RGB key, their neighbours one
// step away in each channel, and a filler colour.
const COLORREF kTopLeft = RGB(90, 100, 110);
const COLORREF kTyped = RGB(30, 40, 50);
const COLORREF kFiller = RGB(200, 201, 202);
std::vector<COLORREF> Neighbours(COLORREF c) {
  const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  return {RGB(r + 1, g, b), RGB(r - 1, g, b), RGB(r, g + 1, b),
          RGB(r, g - 1, b), RGB(r, g, b + 1), RGB(r, g, b - 1)};
}
COLORREF KeyedPixel(int x, int y) {
  if (x == 0 && y == 0) return kTopLeft;
  const int i = y * 17 + x;
  switch (i % 5) {
    case 0: return kTopLeft;
    case 1: return kTyped;
    case 2: return Neighbours(kTopLeft)[static_cast<size_t>(i / 5) % 6];
    case 3: return Neighbours(kTyped)[static_cast<size_t>(i / 5) % 6];
  }
  return kFiller;
}

class KeyPassTest : public SheetTest {
 protected:
  void SetUp() override {
    SheetTest::SetUp();
    SetTransparency(true);
  }
  // Every pixel: the key colour became the background, all else stayed.
  void ExpectKeyed(COLORREF key, COLORREF background) {
    int changed = 0, wrong = 0;
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 17; ++x) {
        const COLORREF want = KeyedPixel(x, y) == key ? background : KeyedPixel(x, y);
        if (want != KeyedPixel(x, y)) ++changed;
        if (SheetPixel(x, y) != want && wrong++ < 3)
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << SheetPixel(x, y)
                        << " instead of " << want;
      }
    if (key != background) {
      EXPECT_GT(changed, 10);
    }
  }
  const std::string path_ = WriteSheet("keyed.bmp", 17, 9, KeyedPixel);
};

TEST_F(KeyPassTest, EachRadioKeysItsOwnColour) {
  const struct {
    const char* name;
    Key key;
    bool start;        // through Start, with the fields' colours; else a pass of kTyped
    COLORREF keyed;    // the colour the pass replaces
    COLORREF topLeft;  // afterwards
  } cases[] = {
      {"top-left radio: the colour passed in is ignored", kFromCorner, false, kTopLeft, RGB(5, 6, 7)},
      {"RGB radio: the colour passed in", Typed(kTyped), false, kTyped, kTopLeft},
      // Blue 1023, green 1025, red 1024: blue 50, green 40, red 30 is kTyped.
      {"Start with the RGB radio: the fields in their order", Typed(50, 40, 30), true, kTyped, kTopLeft},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAgain();
    UseKey(c.key);
    SetWindowTextA(frame.mainWindow, "before the pass");
    if (c.start) {
      SetUpPlayback(path_, "0,1", 10000);
      SetBackground(RGB(5, 6, 7));
      ASSERT_TRUE(Start());
      StopTimer();
    } else {
      ASSERT_TRUE(LoadPath(path_));
      ApplyKey(kTyped, RGB(5, 6, 7));
    }
    ExpectKeyed(c.keyed, RGB(5, 6, 7));
    EXPECT_EQ(SheetPixel(0, 0), c.topLeft);
    EXPECT_EQ(sheet.lastKeyColour, c.keyed);
    EXPECT_FALSE(sheet.needsKeyPass);
    EXPECT_EQ(WindowText(frame.mainWindow), kWaitTitle);
    EXPECT_EQ(BitmapInSheetDC(), sheet.sheetBitmap);
    EXPECT_TRUE(IsDibSection(sheet.sheetBitmap, 24)) << "keyed in its own memory, as loaded";
  }
}

TEST_F(KeyPassTest, AKeyedSheetIsNotKeyedAgain) {
  UseKey(kFromCorner);
  ASSERT_TRUE(LoadPath(path_));
  ApplyKey(0, RGB(5, 6, 7));
  const std::vector<COLORREF> keyed = SheetPixels();
  SetWindowTextA(frame.mainWindow, "after the first pass");
  UseKey(Typed(kTyped));
  ApplyKey(kTyped, RGB(8, 8, 8));
  EXPECT_EQ(SheetPixels(), keyed);
  EXPECT_EQ(WindowText(frame.mainWindow), "after the first pass");
  EXPECT_EQ(sheet.lastKeyColour, kTopLeft);
  EXPECT_FALSE(sheet.needsKeyPass);
}

TEST_F(KeyPassTest, APassWhoseTileCannotBeCopiedInIsNotRecordedAndTheNextLoadIsClean) {
  // At 8 bits a pixel the sheet loads plain, in the display's format: the
  // pass needs the sheet DC.
  std::vector<COLORREF> palette = {kTopLeft, kTyped, kFiller};
  for (COLORREF c : {kTopLeft, kTyped})
    for (COLORREF n : Neighbours(c)) palette.push_back(n);
  const std::string path = WriteSheet("keyed8.bmp", 17, 9, KeyedPixel, 8, palette);
  UseKey(Typed(kTyped));
  ASSERT_TRUE(LoadPath(path));
  const HBITMAP held = sheet.sheetBitmap;
  // A sheet DC that cannot be read: no copy takes the sheet's place, and
  // the tiled pass's first copy in fails.
  ApplyKeyColour(Panel(), nullptr, sheet.sheetWidth, sheet.sheetHeight, kTyped, RGB(5, 6, 7));
  EXPECT_TRUE(sheet.needsKeyPass);
  EXPECT_EQ(BitmapInSheetDC(), held);
  // The next Start's load takes a clean copy rather than keep this one,
  // which may be keyed in part.
  ASSERT_TRUE(LoadPath(path));
  EXPECT_NE(sheet.sheetBitmap, held);
  ApplyKey(kTyped, RGB(5, 6, 7));
  EXPECT_FALSE(sheet.needsKeyPass);
  EXPECT_EQ(sheet.lastKeyColour, kTyped);
  ExpectKeyed(kTyped, RGB(5, 6, 7));
}

TEST_F(KeyPassTest, AbsentKeysAndAKeyEqualToTheBackgroundChangeNoPixel) {
  const struct { const char* name; COLORREF key, background; } cases[] = {
      {"key absent", RGB(31, 41, 51), RGB(5, 6, 7)},
      {"key equals background", kTyped, kTyped},
  };
  UseKey(Typed(0, 0, 0));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetTransparency(false);  // a clean copy each time
    ASSERT_TRUE(LoadPath(path_));
    const std::vector<COLORREF> clean = SheetPixels();
    ApplyKey(c.key, c.background);
    EXPECT_EQ(SheetPixels(), clean);
    EXPECT_EQ(sheet.lastKeyColour, c.key);
    EXPECT_FALSE(sheet.needsKeyPass);
  }
}

// ---------------------------------------------------------------------------
// The fast pass against the per-pixel reference

TEST_F(SheetTest, TheFastPassEqualsThePerPixelReferenceOnEveryPixel) {
  // Random: about a third of the pixels are the key; KeyIsBackground: the
  // same, keyed with the key itself; OneStepOff: no key, but its neighbours
  // one step away; OnlyTopLeft: the key at the top-left pixel alone.
  enum Kind { Random, KeyIsBackground, OneStepOff, OnlyTopLeft };
  const char* const kinds[] = {"random", "key is background", "one step off", "only the top-left"};
  // The last two have several tiles across and down, the last ones short.
  // Black and white: the loader makes a monochrome bitmap, where the
  // reference and the tiled pass store the nearer of black and white for
  // the background, and the in-place pass, on its 32-bit copy, the exact
  // background.
  const struct { int bitsPerPixel, width, height; Kind kind; bool blackAndWhite = false; } cases[] = {
      {4, 37, 23, Random},       {4, 37, 23, KeyIsBackground},  {4, 31, 11, OnlyTopLeft},
      {8, 41, 19, Random},       {8, 41, 19, OneStepOff},       {8, 5, 3, OnlyTopLeft},
      {24, 33, 17, Random},      {24, 33, 17, KeyIsBackground}, {24, 35, 13, OneStepOff},
      {24, 99, 45, OnlyTopLeft}, {32, 29, 13, Random},          {32, 30, 9, OneStepOff},
      {32, 1, 1, OnlyTopLeft},   {1, 45, 7, Random},            {24, 2101, 1103, Random},
      {32, 4099, 601, OnlyTopLeft}, {1, 1100, 9, Random, true},
      // 24-bit rows end in 1, 2 and 3 bytes of padding at widths of 1, 2
      // and 3 mod 4, in none at 0 mod 4.
      {24, 1, 5, OnlyTopLeft},   {24, 2, 7, Random},            {24, 3, 3, Random},
      {24, 34, 11, Random},      {24, 38, 9, OneStepOff},       {24, 64, 5, Random}};
  unsigned seed = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.bitsPerPixel) + "-bit " + std::to_string(c.width) + "x" +
                 std::to_string(c.height) + ", " + kinds[c.kind] +
                 (c.blackAndWhite ? ", black and white" : ""));
    std::mt19937 random(seed++);
    const std::vector<COLORREF> palette = c.blackAndWhite
                                              ? std::vector<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255)}
                                              : PaletteFor(c.bitsPerPixel);
    const COLORREF key = c.blackAndWhite ? RGB(0, 0, 0) : RGB(12, 34, 56);  // in the palette
    // Colours the sheet may use: the palette at palette depths, else the
    // palette and random colours.
    std::vector<COLORREF> pool = palette;
    if (c.bitsPerPixel >= 24)
      for (int i = 0; i < 64; ++i) pool.push_back(random() & 0xFFFFFF);
    // Without the key itself its neighbours one step away stay in the pool.
    if (c.kind == OneStepOff || c.kind == OnlyTopLeft)
      pool.erase(std::remove(pool.begin(), pool.end(), key), pool.end());
    // The key's neighbours one step away in each channel must survive.
    if (c.kind == OneStepOff && c.bitsPerPixel >= 24)
      for (COLORREF neighbour : {RGB(13, 34, 56), RGB(12, 35, 56), RGB(12, 34, 57), RGB(11, 34, 56)})
        pool.insert(pool.end(), 8, neighbour);
    const COLORREF background = c.kind == KeyIsBackground ? key
                                : c.blackAndWhite                ? RGB(200, 200, 200)
                                                                 : RGB(250, 128, 7);
    // What the loaded bitmap holds in place of the key.
    const COLORREF stored = c.blackAndWhite ? RGB(255, 255, 255) : background;
    std::vector<COLORREF> source(static_cast<size_t>(c.width) * c.height);
    for (COLORREF& pixel : source) {
      // About a third of the pixels the key (where it may appear).
      const bool keyPixel = c.kind != OneStepOff && c.kind != OnlyTopLeft && random() % 3 == 0;
      pixel = keyPixel ? key : pool[random() % pool.size()];
    }
    if (c.kind == OnlyTopLeft) source[0] = key;
    const int width = c.width;
    const std::string path = WriteSheet("pass.bmp", c.width, c.height, [&](int x, int y) {
      return source[static_cast<size_t>(y) * width + x];
    }, c.bitsPerPixel, palette);

    BITMAP description;
    const HBITMAP reference = LoadBitmapFile(frame.mainWindow, path.c_str(), &description);
    const HBITMAP tiled = LoadBitmapFile(frame.mainWindow, path.c_str(), &description);
    const HBITMAP asLoaded = LoadBitmapFile(frame.mainWindow, path.c_str(), &description);
    ASSERT_NE(reference, nullptr);
    ASSERT_NE(tiled, nullptr);
    ASSERT_NE(asLoaded, nullptr);
    const HBITMAP inPlace = CopyToDibSection(tiled, nullptr, c.width, c.height);
    ASSERT_NE(inPlace, nullptr);
    ASSERT_EQ(PixelsOf(reference, c.width, c.height), source) << "the loaded copy holds the file's colours";
    ASSERT_EQ(PixelsOf(inPlace, c.width, c.height), source) << "and so does the DIB section";
    BITMAP loaded;
    GetObjectA(tiled, sizeof loaded, &loaded);
    ASSERT_EQ(loaded.bmBitsPixel == 1, c.blackAndWhite) << "monochrome as loaded";

    HDC dc = CreateCompatibleDC(frame.sheetDC);
    HGDIOBJ old = SelectObject(dc, reference);
    ReplaceKeyColourPerPixel(dc, c.width, c.height, key, background);
    SelectObject(dc, tiled);
    ReplaceKeyColourInTiles(dc, c.width, c.height, key, background);
    SelectObject(dc, old);
    DeleteDC(dc);
    ASSERT_TRUE(ReplaceKeyColourInPlace(inPlace, key, background));
    // A whole 24- or 32-bit file loads as a DIB section of its own format
    // and is keyed in its own memory; the padding bytes that end a 24-bit
    // row, set to the key's bytes here, stay as they are.
    DIBSECTION section = {};
    GetObjectA(asLoaded, sizeof section, &section);
    auto* bytes = static_cast<uint8_t*>(section.dsBm.bmBits);
    const size_t stride = (static_cast<size_t>(c.width) * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> padding;
    if (c.bitsPerPixel == 24 && bytes != nullptr)
      for (int row = 0; row < c.height; ++row)
        for (size_t at = static_cast<size_t>(c.width) * 3; at < stride; ++at) {
          bytes[row * stride + at] = static_cast<uint8_t>(ColourToDibPixel(key) >> (8 * (at % 3)));
          padding.push_back(bytes[row * stride + at]);
        }
    ASSERT_EQ(ReplaceKeyColourInPlace(asLoaded, key, background), c.bitsPerPixel >= 24);
    if (c.bitsPerPixel == 24) {
      ASSERT_NE(bytes, nullptr);
      std::vector<uint8_t> paddingAfter;
      for (int row = 0; row < c.height; ++row)
        for (size_t at = static_cast<size_t>(c.width) * 3; at < stride; ++at)
          paddingAfter.push_back(bytes[row * stride + at]);
      EXPECT_EQ(paddingAfter, padding);
      EXPECT_EQ(padding.size(), static_cast<size_t>(c.height) * (c.width % 4));
    }

    const std::vector<COLORREF> expected = PixelsOf(reference, c.width, c.height);
    const std::vector<COLORREF> gotTiled = PixelsOf(tiled, c.width, c.height);
    const std::vector<COLORREF> got = PixelsOf(inPlace, c.width, c.height);
    const std::vector<COLORREF> gotAsLoaded = PixelsOf(asLoaded, c.width, c.height);
    size_t replaced = 0, mismatches = 0;
    for (size_t i = 0; i < source.size(); ++i) {
      const COLORREF want = source[i] == key ? background : source[i];
      const COLORREF wantLoaded = source[i] == key ? stored : source[i];
      // In its own memory only at 24 and 32 bits, exactly as the reference.
      const COLORREF wantAsLoaded = c.bitsPerPixel >= 24 ? expected[i] : source[i];
      if (source[i] == key) ++replaced;
      if ((expected[i] != wantLoaded || gotTiled[i] != wantLoaded || got[i] != want ||
           gotAsLoaded[i] != wantAsLoaded) &&
          mismatches++ < 3)
        ADD_FAILURE() << "pixel " << i % c.width << "," << i / c.width << ": file " << std::hex
                      << source[i] << ", reference " << expected[i] << ", in place " << got[i]
                      << ", tiled " << gotTiled[i] << ", in its own memory " << gotAsLoaded[i]
                      << ", wanted " << want << " (" << wantLoaded << " as loaded)";
    }
    EXPECT_EQ(mismatches, 0u);
    switch (c.kind) {
      case Random:
      case KeyIsBackground:
        EXPECT_GT(replaced, source.size() / 5);
        break;
      case OneStepOff:
        EXPECT_EQ(replaced, 0u);
        EXPECT_NE(std::find(source.begin(), source.end(), RGB(13, 34, 56)), source.end())
            << "the colour one step off the key is in the sheet";
        break;
      case OnlyTopLeft:
        EXPECT_EQ(replaced, 1u);
        EXPECT_EQ(got[0], background);
        break;
    }
    DeleteObject(reference);
    DeleteObject(tiled);
    DeleteObject(asLoaded);
    DeleteObject(inPlace);
  }
}

// ---------------------------------------------------------------------------
// Sheets that claim more than they hold

TEST_F(SheetTest, AHugeClaimedSheetIsKeyedTileByTileAsLoaded) {
  // 8200 x 8200 claimed by a file of 120 bytes: 269 MB at 32 bits, which
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

  // What the loader put where the file has no pixels is its own business:
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

TEST_F(SheetTest, AWidthOfTheMostNegativeNumberLoadsAndThePassVisitsNothing) {
  const std::string path = TempFile("claims_negative.bmp");
  WriteClaimingHeader(path, INT32_MIN, 2);
  SetTransparency(true);
  UseKey(kFromCorner);
  ASSERT_TRUE(LoadPath(path));
  EXPECT_EQ(sheet.sheetWidth, INT32_MIN);
  EXPECT_EQ(sheet.sheetHeight, 2);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(INT32_MIN, 2));
  EXPECT_TRUE(sheet.needsKeyPass);

  ApplyKey(RGB(0, 0, 0), RGB(9, 9, 9));
  EXPECT_FALSE(sheet.needsKeyPass);
  EXPECT_EQ(WindowText(frame.mainWindow), kWaitTitle);
  EXPECT_EQ(BitmapInSheetDC(), sheet.sheetBitmap);
  UseKey(Typed(0, 0, 0));
  sheet.needsKeyPass = true;
  ApplyKey(RGB(0, 0, 0), RGB(9, 9, 9));
  EXPECT_FALSE(sheet.needsKeyPass);
  EXPECT_EQ(sheet.lastKeyColour, RGB(0, 0, 0));

  // The same for the fast and the reference pass called directly.
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

// ---------------------------------------------------------------------------
// A large sheet whose file moves while it loads (last: the memory figures
// above read the process's peak)

// Waits for the loader to be handed a file, then moves the file's stamp
// on by a second while the load runs.
struct StampMover {
  std::string path;
  uint32_t callsBefore;
  volatile LONG moved = 0;
  static DWORD WINAPI Run(void* self) {
    auto* mover = static_cast<StampMover*>(self);
    const DWORD end = GetTickCount() + 10000;
    while (LoaderCalls() == mover->callsBefore && static_cast<int32_t>(end - GetTickCount()) > 0) {
    }
    if (SetWriteTime(mover->path, FileTimeNow() + 10000000)) InterlockedExchange(&mover->moved, 1);
    return 0;
  }
};

TEST_F(SheetTest, ACopyWhoseFileMovedDuringItsLoadIsLoadedAgainAndThenKept) {
  // Large enough, and loaded plain (its colour count keeps it from loading
  // as a DIB section), that the load lasts while the stamp moves.
  const std::string path =
      WriteSheet("moving.bmp", 2400, 2400, [](int x, int y) { return RGB(x & 255, y & 255, 9); });
  std::vector<uint8_t> bytes = ReadBytes(path);
  Poke32(bytes, 46, 1);
  WriteBytes(path, bytes);
  SetUpPlayback(path, "0,1", 30);
  UseKey(Typed(kStripKey));  // no probe: the only load is the sheet's
  StampMover mover = {path, LoaderCalls()};
  HANDLE thread = CreateThread(nullptr, 0, StampMover::Run, &mover, 0, nullptr);
  ASSERT_TRUE(Start());
  ASSERT_TRUE(WaitPumping(thread, 10000));
  CloseHandle(thread);
  ASSERT_EQ(mover.moved, 1);
  EXPECT_EQ(LoaderCalls(), mover.callsBefore + 1);
  const HBITMAP first = sheet.sheetBitmap;
  EXPECT_TRUE(PumpUntil([&] { return sheet.sheetBitmap != first; }, 2000)) << "loaded again";
  EXPECT_EQ(LoaderCalls(), mover.callsBefore + 2);
  Pump(1000);
  EXPECT_EQ(LoaderCalls(), mover.callsBefore + 2) << "and then kept";
  StopTimer();
}

}  // namespace
