// The key pass through the real windows: each key source keys its own
// colour, once per clean copy, a pass that fails is not recorded; and the
// fast passes (tile by tile, in place, in the loaded bitmap's own memory)
// against the per-pixel reference on every pixel.
#include "tests/wine/support/sheet_fixtures.h"

#include "sheet/key_colour_core.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

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
  // Returns how many pixels that changed.
  int ExpectKeyed(COLORREF key, COLORREF background) {
    int changed = 0, wrong = 0;
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 17; ++x) {
        const COLORREF want = KeyedPixel(x, y) == key ? background : KeyedPixel(x, y);
        if (want != KeyedPixel(x, y)) ++changed;
        if (SheetPixel(x, y) != want && wrong++ < 3)
          ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << SheetPixel(x, y)
                        << " instead of " << want;
      }
    return changed;
  }
  const std::string path_ = WriteSheet("keyed.bmp", 17, 9, KeyedPixel);
};

TEST_F(KeyPassTest, EachRadioKeysItsOwnColour) {
  const COLORREF kBack = RGB(5, 6, 7);
  const struct {
    const char* name;
    Key key;
    bool start;           // through Start, with the fields' colours; else a pass of passKey
    COLORREF passKey;
    COLORREF background;
    COLORREF keyed;       // the colour the pass replaces
    COLORREF topLeft;     // afterwards
    bool changes;         // some pixels hold the key and change
  } cases[] = {
      {"top-left radio: the colour passed in is ignored", kFromCorner, false, kTyped, kBack,
       kTopLeft, kBack, true},
      {"RGB radio: the colour passed in", Typed(kTyped), false, kTyped, kBack, kTyped, kTopLeft,
       true},
      // IDC_KEY_BLUE, IDC_KEY_GREEN, IDC_KEY_RED: blue 50, green 40, red 30 is kTyped.
      {"Start with the RGB radio: the fields in their order", Typed(50, 40, 30), true, 0, kBack,
       kTyped, kTopLeft, true},
      {"key absent", Typed(0, 0, 0), false, RGB(31, 41, 51), kBack, RGB(31, 41, 51), kTopLeft,
       false},
      {"key equals background", Typed(0, 0, 0), false, kTyped, kTyped, kTyped, kTopLeft, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAgain();
    UseKey(c.key);
    SetWindowTextA(frame.mainWindow, "before the pass");
    if (c.start) {
      SetUpPlayback(path_, "0,1", 10000);
      SetBackground(c.background);
      ASSERT_TRUE(Start());
      StopTimer();
    } else {
      ASSERT_TRUE(LoadPath(path_));
      ApplyKey(c.passKey, c.background);
    }
    const int changed = ExpectKeyed(c.keyed, c.background);
    EXPECT_TRUE(c.changes ? changed > 10 : changed == 0) << changed << " pixels changed";
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
  EXPECT_GT(ExpectKeyed(kTyped, RGB(5, 6, 7)), 10);
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
    const HBITMAP reference = LoadBitmapFile(path.c_str(), &description);
    const HBITMAP tiled = LoadBitmapFile(path.c_str(), &description);
    const HBITMAP asLoaded = LoadBitmapFile(path.c_str(), &description);
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
    for (HBITMAP bitmap : {reference, tiled, asLoaded, inPlace}) DeleteObject(bitmap);
  }
}

}  // namespace
