// A sheet whose file changes while it plays, through the real windows: an
// edit saved shows within a second, also after its folder was deleted and
// made again, a file cut short or deleted leaves the held copy until a
// whole one is there, a paint program saving it in place and by rename
// never has a save in place fail nor breaks the held copy, a relative name means
// the current folder's file, and a file that moves while it is read is
// read again.
#include "tests/wine/support/sheet_fixtures.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------
// A sheet edited while it plays

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

// Files read into a bitmap so far, as a second thread reads them.
uint32_t SheetReads() { return *static_cast<volatile uint32_t*>(&sheetReads); }

TEST_F(SheetTest, AFileCutShortDeletedOrNotLoadingKeepsTheHeldCopyUntilAWholeOneIsThere) {
  // 16 x 8 at 24 bits: 54 bytes of headers, then 8 rows of 48 bytes.
  enum Change { Cut, Delete, Patch };
  const struct {
    const char* name;
    Change change;
    size_t at;        // the length cut to, or the header field patched
    uint32_t value;   // patched in
    size_t added;     // zero bytes added at the end
    uint32_t opens;   // times the file is opened while it stays so: once, or never when gone
  } cases[] = {
      {"cut in its headers", Cut, 30, 0, 0, 1},
      {"cut after half its pixels", Cut, 54 + 4 * 48, 0, 0, 1},
      {"deleted", Delete, 0, 0, 0, 0},
      {"pixels inside the file header", Patch, 10, 13, 0, 1},
      // A 56-byte header, which the platform's loader does not take; its
      // pixels start 16 bytes on, and 16 bytes more make the file whole.
      {"whole, but a header no loader takes", Patch, 14, 56, 16, 1},
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
      const uint32_t reads = SheetReads(), opens = sheetFileOpens;
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
      EXPECT_EQ(sheetFileOpens - opens, c.opens) << "not opened again until its stamp moves";
      EXPECT_EQ(SheetReads(), reads) << "no bitmap made of it";
      EXPECT_EQ(sheet.sheetBitmap, held);
      EXPECT_EQ(ShownCell(), kCellColour[0]);
      EXPECT_GT(animation.loopsDone, passes + 3) << "playing on";
      EXPECT_EQ(boxes.Count(), 0);

      RewriteStrip(path, kStripKey, kEdited, 20);
      EXPECT_TRUE(PumpUntil([] { return ShownCell() == kEdited; }, 1000));
      EXPECT_EQ(SheetReads() - reads, 1u);
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

TEST_F(SheetTest, ASaveOfTheSameSizeWithinAWholeSecondStampsStepShowsOnceTheStepIsOver) {
  // A file system that keeps whole seconds (FAT: even ones) gives two saves
  // within the step one stamp; the second one here keeps the first's.
  const std::string path = WriteSheet("step.bmp", 16, 8, StripPixel);
  const ULONGLONG second = 10000000;
  const ULONGLONG stamp = FileTimeNow() / second * second;
  ASSERT_TRUE(SetWriteTime(path, stamp));
  PlayStrip(path);
  const uint32_t calls = SheetReads();
  RewriteStrip(path, kStripKey, kEdited, 0);
  ASSERT_TRUE(SetWriteTime(path, stamp));
  EXPECT_TRUE(PumpUntil([] { return ShownCell() == kEdited; }, 4000));
  EXPECT_GE(FileTimeNow(), stamp + 2 * second) << "not before the step is over";
  EXPECT_EQ(SheetReads(), calls + 1);
  Pump(700);
  EXPECT_EQ(SheetReads(), calls + 1) << "loaded after the step, the copy is kept";

  // A finer stamp tells every save: nothing is loaded once more.
  const std::string fine = WriteSheet("fine.bmp", 16, 8, StripPixel);
  ASSERT_TRUE(SetWriteTime(fine, stamp + 2 * second + 1234567));
  PlayStrip(fine);
  const uint32_t fineCalls = SheetReads();
  Pump(2500);
  EXPECT_EQ(SheetReads(), fineCalls);
  StopTimer();

  // A write time a minute ahead of this clock (a share whose clock is
  // ahead): loaded once more a step after the first load, then kept, and
  // a Start keeps it too.
  const std::string ahead = WriteSheet("ahead.bmp", 16, 8, StripPixel);
  ASSERT_TRUE(SetWriteTime(ahead, stamp + 60 * second));
  PlayStrip(ahead);
  const uint32_t aheadCalls = SheetReads();
  EXPECT_TRUE(PumpUntil([&] { return SheetReads() == aheadCalls + 1; }, 4000));
  Pump(700);
  EXPECT_EQ(SheetReads(), aheadCalls + 1) << "settled after one step";
  ASSERT_TRUE(Start());
  EXPECT_EQ(SheetReads(), aheadCalls + 1) << "Start keeps the copy";
  StopTimer();
}

TEST_F(SheetTest, AnEditShowsAfterTheSheetsFolderWasMadeAgain) {
  // An export script that moves the folder aside and writes it anew: the
  // notification follows the old folder and reports nothing of the new.
  const struct { const char* name; bool start; DWORD within; } cases[] = {
      {"found by the look every 2 seconds", false, 4000},
      {"watched again at Start", true, 1000},
  };
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    StartAgain();
    const std::string folder = TempFile(("remade" + std::to_string(n++)).c_str());
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "\\strip.bmp";
    WriteBmp(path, 16, 8, 24, StripPixel);
    PlayStrip(path);
    ASSERT_EQ(WatchedSheetFolder(), folder + "\\");

    const std::string aside = folder + "-old";
    DeleteFileA((aside + "\\strip.bmp").c_str());
    RemoveDirectoryA(aside.c_str());
    ASSERT_TRUE(MoveFileA(folder.c_str(), aside.c_str()));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    WriteBmp(path, 16, 8, 24, StripPixel);
    if (c.start) {
      ASSERT_TRUE(Start());
      Pump(400);  // the tick watches the folder anew
    }
    RewriteStrip(path, kStripKey, kEdited, 10);
    EXPECT_TRUE(PumpUntil([] { return ShownCell() == kEdited; }, c.within));
    // The folder's new notification reports the next edit at once.
    RewriteStrip(path, kStripKey, kCellColour[1], 20);
    EXPECT_TRUE(PumpUntil([] { return ShownCell() == kCellColour[1]; }, 1000));
    EXPECT_EQ(WatchedSheetFolder(), folder + "\\");
    StopTimer();
  }
}

// Saves the sheet again and again as paint programs do, in turns: written in
// place through a handle that lets others read (in two halves, so a reader
// may find it half-written), or written whole to a file beside it that is
// then renamed over it. Each save is one of two versions. A save that the
// program keeps from happening counts as failed, and is not tried again.
// A rename over a file fails while any program has it open, however it
// shares it (as on Windows): only the moment of a read can refuse one.
struct PaintProgram {
  std::string path;
  std::vector<uint8_t> versions[2];
  volatile LONG stop = 0;
  volatile LONG saves = 0, failedInPlace = 0, failedRenames = 0;
  static bool WriteInPlace(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const DWORD half = static_cast<DWORD>(bytes.size() / 2);
    DWORD written = 0, rest = 0;
    WriteFile(file, bytes.data(), half, &written, nullptr);
    Sleep(2);
    WriteFile(file, bytes.data() + half, static_cast<DWORD>(bytes.size()) - half, &rest, nullptr);
    CloseHandle(file);
    return written + rest == bytes.size();
  }
  static bool RenameOver(const std::string& path, const std::vector<uint8_t>& bytes) {
    const std::string saved = path + ".new";
    WriteBytes(saved, bytes);
    return MoveFileExA(saved.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
  }
  static DWORD WINAPI Run(void* self) {
    auto* paint = static_cast<PaintProgram*>(self);
    std::mt19937 random(7);
    for (LONG save = 0; InterlockedCompareExchange(&paint->stop, 0, 0) == 0; ++save) {
      const std::vector<uint8_t>& version = paint->versions[random() % 2];
      const bool saved = save % 2 == 0 ? WriteInPlace(paint->path, version)
                                       : RenameOver(paint->path, version);
      InterlockedIncrement(&paint->saves);
      if (!saved) InterlockedIncrement(save % 2 == 0 ? &paint->failedInPlace : &paint->failedRenames);
      Sleep(random() % 8);
    }
    WriteInPlace(paint->path, paint->versions[0]);  // left whole
    return 0;
  }
};

TEST_F(SheetTest, APaintProgramSavingInPlaceAndByRenameWhileTheSheetPlaysKeepsWholeVersions) {
  // 32-bit pixels, whose loader ended the process on a file cut short; the
  // top row is the file's last, the first to go when it is cut.
  auto colour = [](int version) {
    return [version](int x, int y) { return RGB(x * 4, y * 4, 100 + version * 50 + (x + y) % 50); };
  };
  const std::string path = WriteSheet("contested.bmp", 60, 40, colour(1), 32);
  PaintProgram paint = {path, {ReadBytes(WriteSheet("version0.bmp", 60, 40, colour(0), 32)),
                               ReadBytes(path)}};
  SetUpPlayback(path, "0,1", 10);
  SetFields({{IDC_FRAME_WIDTH, "30"}, {IDC_FRAME_HEIGHT, "40"}});
  UseKey(Typed(0, 0, 0));  // black: no pixel of the sheet, so a keyed copy shows the file's colours
  DialogWatcher boxes(kFailureCaption);  // a file half-written at open or at Start
  HANDLE thread = CreateThread(nullptr, 0, PaintProgram::Run, &paint, 0, nullptr);
  int loaded = 0;
  for (int round = 0; round < 150; ++round) {
    SetTransparency(round % 2 == 0);
    if (round % 3 == 0) DropFiles({path});
    loaded += Start() ? 1 : 0;
    Pump(15);  // ticks that may reload the file
    if (sheet.sheetBitmap == nullptr) continue;
    // Whatever was loaded is one whole version.
    ASSERT_EQ(sheet.sheetWidth, 60);
    ASSERT_EQ(sheet.sheetHeight, 40);
    const int version = SheetPixel(0, 0) == colour(0)(0, 0) ? 0 : 1;
    for (const POINT& p : {POINT{0, 0}, POINT{59, 0}, POINT{30, 20}, POINT{59, 39}})
      ASSERT_EQ(SheetPixel(p.x, p.y), colour(version)(p.x, p.y))
          << "round " << round << ", pixel " << p.x << ", " << p.y;
  }
  InterlockedExchange(&paint.stop, 1);
  ASSERT_TRUE(WaitPumping(thread, 10000));
  CloseHandle(thread);
  printf("  %ld saves: %ld in place failed, %ld renames failed; %d Starts loaded, %d messages\n",
         paint.saves, paint.failedInPlace, paint.failedRenames, loaded, boxes.Count());
  EXPECT_GT(paint.saves, 150);
  EXPECT_EQ(paint.failedInPlace, 0) << "no save in place is kept from happening";
  EXPECT_GT(loaded, 0);
  ASSERT_TRUE(Start()) << "the file, whole again, loads";
  EXPECT_EQ(SheetPixel(0, 0), colour(0)(0, 0));
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

// ---------------------------------------------------------------------------
// Relative names

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
// A large sheet whose file moves while it is read

// Waits for the read to pass the header's check, then moves the file's
// stamp on by a second while the pixels are read.
struct StampMover {
  std::string path;
  uint32_t readsBefore;
  volatile LONG moved = 0;
  static DWORD WINAPI Run(void* self) {
    auto* mover = static_cast<StampMover*>(self);
    const DWORD end = GetTickCount() + 10000;
    while (SheetReads() == mover->readsBefore && static_cast<int32_t>(end - GetTickCount()) > 0) {
    }
    if (SetWriteTime(mover->path, FileTimeNow() + 10000000)) InterlockedExchange(&mover->moved, 1);
    return 0;
  }
};

TEST_F(SheetTest, ACopyWhoseFileMovedWhileItWasReadIsNotTakenButReadAgain) {
  // Large enough that the read of its pixels lasts while the stamp moves.
  const std::string path =
      WriteSheet("moving.bmp", 3000, 3000, [](int x, int y) { return RGB(x & 255, y & 255, 9); });
  SetUpPlayback(path, "0,1", 30);
  UseKey(Typed(kStripKey));  // no probe: the only reads are the sheet's
  StampMover mover = {path, SheetReads()};
  HANDLE thread = CreateThread(nullptr, 0, StampMover::Run, &mover, 0, nullptr);
  ASSERT_TRUE(Start());
  ASSERT_TRUE(WaitPumping(thread, 10000));
  CloseHandle(thread);
  ASSERT_EQ(mover.moved, 1);
  EXPECT_EQ(SheetReads(), mover.readsBefore + 2) << "the first read was not taken";
  EXPECT_TRUE(SameStamp(sheet.source.stamp, LookAtSheetFile(path.c_str())));
  const HBITMAP held = sheet.sheetBitmap;
  Pump(1000);
  EXPECT_EQ(SheetReads(), mover.readsBefore + 2) << "and the second one kept";
  EXPECT_EQ(sheet.sheetBitmap, held);
  StopTimer();
}

}  // namespace
