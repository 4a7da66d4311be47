// The held sheet against the next load through the real windows: when it is
// reused, kept as a clean copy of its unchanged file, or loaded afresh, by
// a load and by Start; and the key-colour probe, which reads the top-left
// pixel of the file the shared buffer names.
#include "tests/wine/support/sheet_fixtures.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The probe DC holds `bitmap`, of one pixel.
bool HoldsOnePixel(HDC dc, HBITMAP bitmap) {
  BITMAP size = {};
  return GetCurrentObject(dc, OBJ_BITMAP) == bitmap &&
         GetObjectA(bitmap, sizeof size, &size) == sizeof size && size.bmWidth == 1 &&
         size.bmHeight == 1;
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

TEST_F(SheetTest, StartReusesAKeyedSheetOnlyWhileItsFileAndBackgroundAreUnchanged) {
  const COLORREF first = RGB(10, 20, 30);
  const COLORREF edited = RGB(0, 150, 0);
  // What another program does with the file during the second Start: an
  // editor that keeps it open for writing and lets others read it, one
  // that shares nothing, or the file deleted. None of them stops a reuse.
  enum Other { kNothing, kWritingSharingReads, kSharingNothing, kDeleted };
  const struct {
    const char* name;
    COLORREF background;  // at the second Start
    bool editFile;        // rewritten in between: same size, a new write time
    Other other;
    bool reused;
    COLORREF cell;        // sheet pixel (1,0) afterwards
  } cases[] = {
      {"nothing changed", first, false, kNothing, true, kCellColour[0]},
      {"background changed", RGB(40, 50, 60), false, kNothing, false, kCellColour[0]},
      {"file edited", first, true, kNothing, false, edited},
      {"an editor holds it open for writing", first, false, kWritingSharingReads, true,
       kCellColour[0]},
      {"a program holds it sharing nothing", first, false, kSharingNothing, true, kCellColour[0]},
      {"the file deleted", first, false, kDeleted, true, kCellColour[0]},
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

    if (c.editFile) RewriteStrip(path, kStripKey, edited, 10);
    HANDLE other = INVALID_HANDLE_VALUE;
    if (c.other == kWritingSharingReads || c.other == kSharingNothing)
      other = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                          c.other == kSharingNothing ? 0 : FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          0, nullptr);
    ASSERT_EQ(other != INVALID_HANDLE_VALUE, c.other == kWritingSharingReads || c.other == kSharingNothing);
    if (c.other == kDeleted) {
      ASSERT_TRUE(DeleteFileA(path.c_str()));
    }
    const uint32_t opens = sheetFileOpens;
    SetBackground(c.background);
    SetWindowTextA(Panel(), "title before");
    DialogWatcher boxes(kFailureCaption);
    ASSERT_TRUE(Start());
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
    EXPECT_EQ(sheet.sheetBitmap == held, c.reused);
    EXPECT_EQ(sheetFileOpens - opens, c.reused ? 0u : 1u) << "a reuse opens nothing";
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

TEST_F(SheetTest, TheProbeLoadsNothingButAnotherFileAndTheSheetLoadsOnce) {
  // A colour only the held copy has, put at its top-left pixel after it
  // loaded: the probe of its file answers with the corner the copy recorded
  // as it loaded clean, keyed since or not.
  const COLORREF kHeldOnly = RGB(7, 7, 7);
  const COLORREF kRewritten = RGB(33, 44, 55);
  const std::string other = WriteSheet("probe_other.bmp", 4, 4, Solid(RGB(66, 77, 88)));
  enum Named { kHeldFile, kOtherFile, kMissingFile };  // by the buffer, for the probe
  enum Probe { kReplaced, kKept, kNone };              // the probe bitmap afterwards
  const Key black = Typed(0, 0, 0);
  const struct {
    const char* name;
    bool loadFirst;       // a sheet loaded before the probe, named in the path field
    Key first;            // the key of that load: the top-left one probes it
    bool keyHeld;         // the held copy keyed before the probe, with black as the RGB key
    bool on;              // transparency
    bool rewrite;         // the file saved again with another top-left colour
    Named named;
    Probe probe;
    COLORREF probed;
    uint32_t loads;       // files read into a bitmap by the probe and the sheet load
    bool sheetKept;       // the held bitmap stays, reused or kept as clean
  } cases[] = {
      {"a clean copy of the unchanged file", true, black, false, false, false, kHeldFile, kReplaced,
       kCorner, 0, true},
      // The load the file needs anyway gives the corner.
      {"the file saved again since", true, black, false, false, true, kHeldFile, kReplaced,
       kRewritten, 1, false},
      {"a keyed copy", true, black, true, false, false, kHeldFile, kReplaced, kCorner, 1, false},
      {"another file", true, black, false, false, false, kOtherFile, kReplaced, RGB(66, 77, 88), 1,
       true},
      // An open (a drop names the file in the buffer and the path field),
      // then Start, then Start again once the copy is keyed.
      {"an open of a new file: loaded once", false, kFromCorner, false, false, false, kHeldFile,
       kReplaced, kCorner, 1, false},
      {"Start after the open: the clean copy kept", true, kFromCorner, false, true, false, kHeldFile,
       kReplaced, kCorner, 0, true},
      {"a second Start of the keyed copy: reused", true, kFromCorner, true, true, false, kHeldFile,
       kReplaced, kCorner, 0, true},
      {"a Start of the keyed copy after the file was saved again", true, kFromCorner, true, true,
       true, kHeldFile, kReplaced, kRewritten, 1, false},
      {"a Start whose buffer names another file than the path field", true, kFromCorner, true,
       true, false, kOtherFile, kReplaced, RGB(66, 77, 88), 2, false},
      // The last pass keyed the top-left colour, which the kept probe still
      // holds: the held sheet is reused.
      {"the probe file does not load: the previous probe is kept", true, kFromCorner, true, true,
       false, kMissingFile, kKept, kCorner, 0, true},
      // Nothing loaded yet: the last path is empty and the last key black. A
      // probe that fails gives black, so an empty field is "reused".
      {"no probe ever loaded", false, kFromCorner, false, true, false, kMissingFile, kNone, 0, 0,
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAgain();
    const std::string path = WriteSheet("probe_held.bmp", 13, 7, PlainPixel);
    SetTransparency(c.on);
    UseKey(c.first);
    if (c.loadFirst) {
      ASSERT_TRUE(LoadPath(path));
      if (c.keyHeld) {
        ApplyKey(PlainPixel(1, 1), kPanelBackground);  // the top-left key ignores the colour
        ASSERT_EQ(sheet.lastKeyColour, c.first.corner ? kCorner : PlainPixel(1, 1));
      }
      SetPixel(frame.sheetDC, 0, 0, kHeldOnly);
      ASSERT_EQ(SheetPixel(0, 0), kHeldOnly);
    }
    if (c.rewrite) {
      WriteBmp(path, 13, 7, 24, [&](int x, int y) {
        return x == 0 && y == 0 ? kRewritten : PlainPixel(x, y);
      });
      TouchLater(path, 10);
    }
    const HBITMAP held = sheet.sheetBitmap;
    const HBITMAP probe = sheet.probeBitmap;
    ASSERT_EQ(probe != nullptr, c.loadFirst && c.first.corner);
    const uint32_t loadsBefore = sheet.source.loads;
    if (probe != nullptr) {
      EXPECT_TRUE(HoldsOnePixel(frame.probeDC, probe)) << "not a second copy of the sheet";
    }

    UseKey(kFromCorner);
    const std::string field = c.named == kMissingFile && !c.loadFirst ? "" : path;
    SetControlText(IDC_PATH, field.c_str());
    const std::string named = c.named == kHeldFile    ? path
                              : c.named == kOtherFile ? other
                                                      : TempFile("no_such_probe.bmp");
    char buffer[kPathBufferSize];
    snprintf(buffer, sizeof buffer, "%s", named.c_str());
    DialogWatcher boxes(kFailureCaption);
    const uint32_t callsBefore = sheetReads;
    EXPECT_TRUE(LoadSheet(Panel(), buffer));
    EXPECT_EQ(sheetReads - callsBefore, c.loads);
    EXPECT_STREQ(buffer, field.c_str()) << "the buffer holds the path field's text";
    EXPECT_EQ(sheet.sheetBitmap == held, c.sheetKept);
    EXPECT_EQ(sheet.source.loads - loadsBefore, c.sheetKept ? 0u : 1u) << "the sheet loads once";
    // Kept, or none before and after, or replaced and the old one released.
    EXPECT_EQ(sheet.probeBitmap == probe, c.probe != kReplaced);
    if (c.probe == kReplaced) {
      EXPECT_FALSE(IsLiveBitmap(probe));
    }
    if (c.probe != kNone) {
      EXPECT_TRUE(HoldsOnePixel(frame.probeDC, sheet.probeBitmap));
      EXPECT_EQ(GetPixel(frame.probeDC, 0, 0), c.probed);
    }
    Pump(100);
    EXPECT_EQ(boxes.Count(), 0);

    if (field.empty()) {  // nothing loaded, nothing named
      EXPECT_EQ(sheet.sheetBitmap, nullptr);
      EXPECT_EQ(WindowText(Panel()), kPanelTitle);
      EXPECT_EQ(ControlText(IDC_SHEET_SIZE), SizeLabel(0, 0));
      // The same holds for an RGB key of black; any other key tries the load.
      UseKey(Typed(0, 0, 0));
      EXPECT_TRUE(LoadPath(""));
      UseKey(Typed(0, 0, 1));
      EXPECT_FALSE(LoadPath(""));
      EXPECT_TRUE(PumpUntil([&] { return boxes.Count() == 1; }, 3000));
      EXPECT_EQ(boxes.LastText(), kFailureText);
    }
    const HBITMAP last = sheet.probeBitmap;
    StopProgram();
    EXPECT_FALSE(IsLiveBitmap(last)) << "released with the probe DC";
  }
}

}  // namespace
