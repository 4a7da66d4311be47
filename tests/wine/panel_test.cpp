// The control panel through the real dialog of template IDD_PANEL: its controls
// and defaults, opening files at start-up, by drop and by Browse, the spin
// buttons, the commands and their enabling rules, and the keyboard.
#include "tests/wine/support/fixtures.h"

#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

// The test sheets: 8 x 8 cells in two rows; the top-left pixel of every
// cell is magenta, the key colour the corner probe finds.
const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kFirstRow = RGB(255, 0, 0);
const COLORREF kSecondRow = RGB(0, 0, 255);
const COLORREF kOtherFirstRow = RGB(200, 100, 50);
const COLORREF kOtherSecondRow = RGB(50, 100, 200);
const COLORREF kBackground = RGB(10, 20, 30);

// `cells` cells in each of two rows: 32 x 16 by default.
std::string WriteStrip(const char* name, int cells = 4, COLORREF top = kFirstRow,
                       COLORREF bottom = kSecondRow) {
  return WriteSheet(name, 8 * cells, 16, [=](int x, int y) {
    return x % 8 == 0 && y % 8 == 0 ? kKey : y < 8 ? top : bottom;
  });
}

// 48 x 16, other colours.
std::string WriteOtherStrip(const char* name) {
  return WriteStrip(name, 6, kOtherFirstRow, kOtherSecondRow);
}

// What a spin sends its parent; `from` is the window named in lParam.
void SpinMessage(HWND from, WORD code, WORD position) {
  SendMessageA(frame.panel, WM_VSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(from));
}

// The strip with 8 x 8 cells, the given interval and the test background.
void PrepareStrip(const std::string& path, int interval) {
  SetSheet(path, 8, 8, interval);
  SetBackground(kBackground);
}

using PanelTest = WithProgram;

// ---------------------------------------------------------------------------
// The dialog and its defaults

TEST_F(PanelTest, StartsWithEveryControlAndDefaultAndTheKeyControlsDisabled) {
  EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
  EXPECT_TRUE(IsWindowVisible(frame.panel));
  EXPECT_EQ(GetWindow(frame.panel, GW_OWNER), frame.mainWindow);
  EXPECT_NE(GetWindowLongA(frame.panel, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0) << "takes drops";
  EXPECT_EQ(sheet.sheetBitmap, nullptr);

  ExpectFields({{IDC_PATH, ""},          {IDC_FRAME_WIDTH, "64"}, {IDC_FRAME_HEIGHT, "64"},
                {IDC_INTERVAL, "200"},  {IDC_COLUMN, "0"},       {IDC_ZOOM, "1"},
                {IDC_LOOP_COUNT, "0"},  {IDC_KEY_BLUE, "0"},     {IDC_KEY_GREEN, "0"},
                {IDC_KEY_RED, "0"},     {IDC_BACK_RED, "255"},   {IDC_BACK_GREEN, "255"},
                {IDC_BACK_BLUE, "255"}, {IDC_FRAME_LIST, ""},    {IDC_SHEET_SIZE, SizeLabel(0, 0)}});
  // Every control with an id, by class; two are checked and the key
  // controls cannot be used yet.
  const struct { const char* name; std::vector<int> ids; } classes[] = {
      {"Edit", {IDC_PATH, IDC_FRAME_WIDTH, IDC_FRAME_HEIGHT, IDC_INTERVAL, IDC_COLUMN, IDC_ZOOM,
                IDC_LOOP_COUNT, IDC_KEY_BLUE, IDC_KEY_GREEN, IDC_KEY_RED, IDC_BACK_RED,
                IDC_BACK_GREEN, IDC_BACK_BLUE, IDC_FRAME_LIST}},
      {"Button", {IDC_TRANSPARENT, IDC_KEY_FROM_CORNER, IDC_KEY_FROM_FIELDS, IDC_HORIZONTAL,
                  IDC_VERTICAL, IDC_START, IDC_STOP, IDC_HIDE, IDC_BROWSE, IDC_CLEAR, IDC_SAVE}},
      {"Static", {IDC_SHEET_SIZE}},
      {"msctls_updown32", {IDC_ZOOM_SPIN, IDC_COLUMN_SPIN}},
  };
  const std::set<int> checked = {IDC_KEY_FROM_CORNER, IDC_HORIZONTAL};
  const std::set<int> disabled = {IDC_KEY_FROM_CORNER, IDC_KEY_FROM_FIELDS, IDC_KEY_BLUE,
                                  IDC_KEY_GREEN, IDC_KEY_RED};
  for (const auto& c : classes) {
    for (int id : c.ids) {
      SCOPED_TRACE("control " + std::to_string(id));
      char name[64] = {};
      GetClassNameA(Item(id), name, sizeof name);
      EXPECT_EQ(_stricmp(name, c.name), 0) << name;
      EXPECT_EQ(Checked(id), checked.count(id) == 1);
      EXPECT_EQ(Enabled(id), disabled.count(id) == 0);
    }
  }
}

TEST_F(PanelTest, TheNumberFieldsTakeDigitsOnlyAndTheOthersAnyCharacter) {
  Click(IDC_TRANSPARENT);
  Click(IDC_KEY_FROM_FIELDS);  // the key fields can be typed into
  const std::set<int> anyCharacter = {IDC_PATH, IDC_FRAME_LIST, IDC_COLUMN, IDC_KEY_GREEN};
  for (int id : {IDC_PATH, IDC_FRAME_WIDTH, IDC_FRAME_HEIGHT, IDC_INTERVAL, IDC_COLUMN, IDC_ZOOM,
                 IDC_LOOP_COUNT, IDC_KEY_BLUE, IDC_KEY_GREEN, IDC_KEY_RED, IDC_BACK_RED,
                 IDC_BACK_GREEN, IDC_BACK_BLUE, IDC_FRAME_LIST}) {
    SetControlText(id, "");
    for (char typed : {'7', 'x', '-'}) SendMessageA(Item(id), WM_CHAR, typed, 1);
    EXPECT_EQ(ControlText(id), anyCharacter.count(id) ? "7x-" : "7") << "control " << id;
  }
}

// ---------------------------------------------------------------------------
// Start-up with a file

TEST_F(PanelTest, StartUpWithASheetThatFailsShowsTheMessageAndLeavesThePanelUnplaced) {
  const std::string path = TempFile("missing.bmp");  // never written
  DialogWatcher watcher(kFailureCaption);
  Restart(Quoted(path));
  ASSERT_TRUE(PumpUntil([&] { return watcher.Count() == 1; }));
  EXPECT_EQ(watcher.LastText(), kFailureText);
  EXPECT_TRUE(IsWindowVisible(frame.panel));
  EXPECT_FALSE(PanelStandsBesideMainWindow());
  EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
  // The path went in before the load; the defaults stand.
  ExpectFields({{IDC_PATH, path}, {IDC_SHEET_SIZE, SizeLabel(0, 0)}, {IDC_FRAME_WIDTH, "64"}});
  EXPECT_EQ(sheet.sheetBitmap, nullptr);
  Pump(100);
  EXPECT_EQ(watcher.Count(), 1);
}

// Where a file goes, at start-up or dropped, is decided by the last three
// bytes of its name alone; every file here is a good BMP. Drive Z: and C: ignore case when opening,
// so each row has a name of its own.
TEST_F(PanelTest, AtStartUpAndByDropOnlyNamesEndingInBmpOrBMPOpenAsSheets) {
  const struct { const char* name; bool loaded; } cases[] = {
      {"lower.bmp", true},      {"upper.BMP", true},       {"mixed.Bmp", false},
      {"mixedlast.bmP", false}, {"mixedmid.bMp", false},   {"nodotbmp", true},
      {"nodotBMP", true},       {"later.bmp.txt", false},  {"space.bmp ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = TempFile(c.name);
    // A trailing space cannot be part of a file name: write the file without it.
    WriteOtherStrip(std::string(c.name, strcspn(c.name, " ")).c_str());
    Restart(Quoted(path));
    const std::string shown = c.loaded ? path : "";
    const std::string title = c.loaded ? path : kPanelTitle;
    // The defaults were written before the file was opened.
    ExpectFields({{IDC_PATH, shown}, {IDC_SHEET_SIZE, c.loaded ? SizeLabel(48, 16) : SizeLabel(0, 0)},
                  {IDC_FRAME_WIDTH, "64"}, {IDC_ZOOM, "1"}});
    EXPECT_EQ(WindowText(frame.panel), title);
    EXPECT_EQ(sheet.sheetBitmap != nullptr, c.loaded);
    if (c.loaded) {
      EXPECT_EQ(SheetPixel(3, 3), kOtherFirstRow);
    }
    // Either way the panel is placed and shown: only a failed sheet load
    // leaves it unplaced.
    EXPECT_TRUE(PanelStandsBesideMainWindow());
    EXPECT_TRUE(IsWindowVisible(frame.panel));

    SetControlText(IDC_PATH, "");
    SetWindowTextA(frame.panel, kPanelTitle);
    DropFiles({path});
    EXPECT_EQ(ControlText(IDC_PATH), shown) << "dropped";
    EXPECT_EQ(WindowText(frame.panel), title) << "dropped";
  }
}

// ---------------------------------------------------------------------------
// Drops

TEST_F(PanelTest, OfTheFilesDroppedAtOnceOnlyTheFirstIsTried) {
  const std::string strip = WriteOtherStrip("first.bmp");
  const std::string second = WriteSheet("second.bmp", 16, 8, Solid(RGB(1, 1, 1)));
  const std::string third = WriteSheet("third.bmp", 24, 8, Solid(RGB(2, 2, 2)));
  const std::string notSheet = WriteSheet("notsheet.Bmp", 16, 8, Solid(RGB(1, 1, 1)));
  DropFiles({notSheet, second});
  EXPECT_EQ(ControlText(IDC_PATH), "");
  EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
  EXPECT_EQ(sheet.sheetBitmap, nullptr);

  DropFiles({strip, second, third});
  ExpectFields({{IDC_PATH, strip}, {IDC_SHEET_SIZE, SizeLabel(48, 16)}});
  EXPECT_EQ(WindowText(frame.panel), strip);
  EXPECT_EQ(SheetPixel(3, 3), kOtherFirstRow);
}

TEST_F(PanelTest, ADropDuringPlaybackGoesOnWithTheNewSheetWithoutAKeyPass) {
  const std::string other = WriteOtherStrip("dropped.bmp");
  PrepareStrip(WriteStrip("playing.bmp"), 20);
  SetControlText(IDC_FRAME_LIST, "0,1");
  Click(IDC_TRANSPARENT);  // the key comes from the top-left pixel
  ASSERT_TRUE(Checked(IDC_TRANSPARENT));
  Click(IDC_START);
  ASSERT_TRUE(PassesDone(2));
  EXPECT_FALSE(sheet.needsKeyPass);
  EXPECT_EQ(BackBufferPixel(0, 0), kBackground);  // the key pixel was replaced
  EXPECT_EQ(BackBufferPixel(4, 4), kFirstRow);

  const int32_t loops = animation.loopsDone;
  DropFiles({other});
  EXPECT_EQ(ControlText(IDC_PATH), other);
  EXPECT_EQ(animation.loopsDone, loops);
  EXPECT_TRUE(sheet.needsKeyPass);
  ASSERT_TRUE(PassesDone(loops + 2));
  EXPECT_EQ(BackBufferPixel(4, 4), kOtherFirstRow);
  EXPECT_EQ(BackBufferPixel(0, 0), kKey);  // no key pass ran on the new sheet
  EXPECT_TRUE(sheet.needsKeyPass);
  EXPECT_TRUE(TimerRuns());
}

// ---------------------------------------------------------------------------
// Browse

TEST_F(PanelTest, BrowseDuringPlaybackStopsAndOpensTheChosenFileOrChangesNothingWhenCancelled) {
  const std::string first = WriteStrip("browse-first.bmp");
  const std::string sheetFile = WriteOtherStrip("browse-chosen.bmp");
  const std::string otherFile = WriteSheet("browse-other.Bmp", 16, 8, Solid(RGB(1, 1, 1)));
  const struct {
    const char* name;
    const char* chosen;  // null: the dialog is cancelled
    bool stops;
    std::string path;  // the path field and the panel's title afterwards
    std::string size;
    COLORREF pixel;    // sheet pixel (3, 3)
  } cases[] = {
      {"cancelled", nullptr, false, first, SizeLabel(32, 16), kFirstRow},
      {"a sheet chosen", sheetFile.c_str(), true, sheetFile, SizeLabel(48, 16), kOtherFirstRow},
      {"another file chosen", otherFile.c_str(), true, first, SizeLabel(32, 16), kFirstRow},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    PrepareStrip(first, 20);
    Click(IDC_START);
    ASSERT_TRUE(PassesDone(2));
    const int32_t loops = animation.loopsDone;
    // Cancelled only after a whole pass inside the dialog's loop (or 20 s
    // without one): its opening alone may outlast a pass where the
    // program runs slowly, as under emulation.
    FileDialogDriver driver(c.chosen, c.chosen != nullptr ? IDOK : IDCANCEL, [&c, loops] {
      return c.chosen != nullptr || *static_cast<const volatile int32_t*>(&animation.loopsDone) > loops;
    });
    Click(IDC_BROWSE);
    ASSERT_TRUE(driver.Finish());
    // The dialog started from the path the last Start left in the buffer.
    const std::string firstName = first.substr(first.rfind('\\') + 1);
    EXPECT_NE(driver.InitialName().find(firstName), std::string::npos) << driver.InitialName();
    if (c.stops) {
      EXPECT_TRUE(TimerStands());
    } else {
      // Ticks went on inside the dialog's own loop, and go on afterwards.
      EXPECT_GT(animation.loopsDone, loops);
      EXPECT_TRUE(TimerRuns());
    }
    ExpectFields({{IDC_PATH, c.path}, {IDC_SHEET_SIZE, c.size}});
    EXPECT_EQ(WindowText(frame.panel), c.path);
    EXPECT_EQ(SheetPixel(3, 3), c.pixel);
  }
}

// ---------------------------------------------------------------------------
// Spin buttons

TEST_F(PanelTest, ASpinReleaseStepsItsFieldAndTheAnimationValue) {
  // The field's text, the position the release reports (the memory is 0
  // after start-up: 1 is down, 100 up across the wrap, 0 no move) and the
  // text it leaves.
  struct Step { const char* name; const char* before; WORD position; const char* after; };
  const struct { int spin; std::vector<Step> steps; } spins[] = {
      {IDC_ZOOM_SPIN,
       {{"1 down stays 1", "1", 1, "1"}, {"0 typed down stays 0", "0", 1, "0"}, {"2 down", "2", 1, "1"},
        {"first up wraps 0 to 100", "1", 100, "2"}, {"0 typed up", "0", 100, "1"},
        {"empty down", "", 1, "0"}, {"above 2^31 counts as negative", "2147483648", 1, "2147483648"},
        {"largest counts as -1", "4294967295", 1, "4294967295"},
        {"largest positive down", "2147483647", 1, "2147483646"}}},
      {IDC_COLUMN_SPIN,
       {{"0 down stays 0", "0", 1, "0"}, {"1 down", "1", 1, "0"}, {"up", "5", 100, "6"},
        {"non-numeric up reads 1", "abc", 100, "1"}, {"non-numeric down reads 0", "abc", 1, "0"},
        {"above 2^31 down", "2147483648", 1, "2147483648"},
        {"at the same position does nothing", "7", 0, "7"}}},
  };
  for (const auto& [spin, steps] : spins) {
    for (const Step& c : steps) {
      const bool zoom = spin == IDC_ZOOM_SPIN;
      SCOPED_TRACE(std::string(zoom ? "zoom " : "column ") + c.name);
      Restart();
      const int field = zoom ? IDC_ZOOM : IDC_COLUMN;
      const int other = zoom ? IDC_COLUMN : IDC_ZOOM;
      const std::string otherBefore = ControlText(other);
      SetControlText(field, c.before);
      animation.zoom = 77;
      animation.columnIndex = 77;
      SpinReleased(spin, c.position);
      ExpectFields({{field, c.after}, {other, otherBefore}});
      const bool changed = c.position != 0;
      const int32_t written = static_cast<int32_t>(strtoul(c.after, nullptr, 10));
      EXPECT_EQ(zoom ? animation.zoom : animation.columnIndex, changed ? written : 77);
      EXPECT_EQ(zoom ? animation.columnIndex : animation.zoom, 77);
    }
  }
}

TEST_F(PanelTest, TheDirectionComesFromThePositionAgainstTheLastOne) {
  // Releases of the zoom spin, each with the zoom it leaves.
  const struct { WORD position; const char* zoom; } steps[] = {
      {100, "2"},  // 0 -> 100 wraps: up
      {99, "3"},   // lower: up
      {98, "4"},
      {99, "3"},   // higher: down
      {99, "3"},   // the same: nothing
      {100, "2"},
      {0, "1"},    // 100 -> 0 wraps: down
      {0, "1"},
      {100, "2"},  // 0 -> 100 again: up
      {50, "3"},   // a repeat across many steps counts once
      {0, "4"},    // 50 -> 0: lower, up
  };
  for (const auto& s : steps) {
    SpinReleased(IDC_ZOOM_SPIN, s.position);
    EXPECT_EQ(ControlText(IDC_ZOOM), s.zoom) << "position " << s.position;
  }
  // The column spin keeps a memory of its own, still 0.
  SpinReleased(IDC_COLUMN_SPIN, 100);
  EXPECT_EQ(ControlText(IDC_COLUMN), "1");
  SpinReleased(IDC_COLUMN_SPIN, 0);
  ExpectFields({{IDC_COLUMN, "0"}, {IDC_ZOOM, "4"}});
}

TEST_F(PanelTest, OnlyTheReleaseOfOneOfTheTwoSpinsCounts) {
  HWND stranger = CreateWindowExA(0, UPDOWN_CLASSA, "", WS_CHILD | WS_VISIBLE | UDS_WRAP, 0, 0, 10,
                                  20, frame.mainWindow, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(stranger, nullptr);
  const struct { const char* name; HWND from; WORD code; } ignored[] = {
      {"thumb position", Item(IDC_ZOOM_SPIN), SB_THUMBPOSITION},
      {"line up", Item(IDC_ZOOM_SPIN), SB_LINEUP},
      {"line down", Item(IDC_COLUMN_SPIN), SB_LINEDOWN},
      {"thumb track", Item(IDC_COLUMN_SPIN), SB_THUMBTRACK},
      {"another up-down control", stranger, SB_ENDSCROLL},
      {"the zoom field itself", Item(IDC_ZOOM), SB_ENDSCROLL},
      {"no window", nullptr, SB_ENDSCROLL},
  };
  animation.zoom = 77;
  animation.columnIndex = 77;
  for (const auto& m : ignored) {
    SCOPED_TRACE(m.name);
    SpinMessage(m.from, m.code, 100);
    ExpectFields({{IDC_ZOOM, "1"}, {IDC_COLUMN, "0"}});
  }
  EXPECT_EQ(animation.zoom, 77);
  EXPECT_EQ(animation.columnIndex, 77);
  // None of them moved a memory: the first real release from 0 to 100 is up.
  SpinReleased(IDC_ZOOM_SPIN, 100);
  SpinReleased(IDC_COLUMN_SPIN, 100);
  ExpectFields({{IDC_ZOOM, "2"}, {IDC_COLUMN, "1"}});
  DestroyWindow(stranger);
}

TEST_F(PanelTest, PressingTheRealArrowsStepsTheFields) {
  HWND spin = Item(IDC_ZOOM_SPIN);
  RECT client;
  GetClientRect(spin, &client);
  const auto press = [spin, &client](bool up) {
    const LPARAM at = MAKELPARAM(client.right / 2, up ? client.bottom / 4 : client.bottom * 3 / 4);
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(spin, WM_LBUTTONUP, 0, at);
  };
  press(true);
  EXPECT_EQ(ControlText(IDC_ZOOM), "2");
  EXPECT_EQ(animation.zoom, 2);
  press(true);
  EXPECT_EQ(ControlText(IDC_ZOOM), "3");
  press(false);
  EXPECT_EQ(ControlText(IDC_ZOOM), "2");
  press(false);
  press(false);
  EXPECT_EQ(ControlText(IDC_ZOOM), "1");  // the floor
  EXPECT_EQ(animation.zoom, 1);
  // The spin changes no text of its own.
  EXPECT_EQ(ControlText(IDC_COLUMN), "0");
}

TEST_F(PanelTest, TheSpinsDuringPlaybackChangeTheNextFrame) {
  PrepareStrip(WriteStrip("spin-play.bmp"), 10000);  // ticks are driven here
  SetControlText(IDC_FRAME_LIST, "1,2");
  Click(IDC_START);
  Tick();
  EXPECT_EQ(BackBufferPixel(4, 4), kFirstRow);
  EXPECT_EQ(BackBufferPixel(12, 12), kBackground);

  SpinReleased(IDC_ZOOM_SPIN, 100);
  EXPECT_EQ(ControlText(IDC_ZOOM), "2");
  EXPECT_EQ(animation.zoom, 2);
  EXPECT_EQ(BackBufferPixel(12, 12), kBackground);  // drawn at the next tick
  Tick();
  EXPECT_EQ(BackBufferPixel(1, 1), kKey);  // one sheet pixel is 2 x 2
  EXPECT_EQ(BackBufferPixel(2, 2), kFirstRow);
  EXPECT_EQ(BackBufferPixel(15, 15), kFirstRow);
  EXPECT_EQ(BackBufferPixel(16, 16), kBackground);

  SpinReleased(IDC_COLUMN_SPIN, 100);
  EXPECT_EQ(ControlText(IDC_COLUMN), "1");
  EXPECT_EQ(animation.columnIndex, 1);
  Tick();
  EXPECT_EQ(BackBufferPixel(12, 12), kSecondRow);

  SpinReleased(IDC_ZOOM_SPIN, 0);  // 100 -> 0: down
  EXPECT_EQ(ControlText(IDC_ZOOM), "1");
  EXPECT_EQ(animation.zoom, 1);
  Tick();
  EXPECT_EQ(BackBufferPixel(4, 4), kSecondRow);
  EXPECT_EQ(BackBufferPixel(12, 12), kBackground);
}

// ---------------------------------------------------------------------------
// Clear and the enabling rules

TEST_F(PanelTest, ClearEmptiesTheFrameListOnly) {
  const Fields typed = {{IDC_PATH, "11"},       {IDC_FRAME_WIDTH, "12"}, {IDC_FRAME_HEIGHT, "13"},
                        {IDC_INTERVAL, "14"},   {IDC_COLUMN, "15"},      {IDC_ZOOM, "16"},
                        {IDC_KEY_BLUE, "17"},   {IDC_KEY_GREEN, "18"},   {IDC_KEY_RED, "19"},
                        {IDC_BACK_RED, "20"},   {IDC_BACK_GREEN, "21"},  {IDC_BACK_BLUE, "22"},
                        {IDC_LOOP_COUNT, "23"}};
  SetFields(typed);
  SetControlText(IDC_FRAME_LIST, "3,2,1");
  Click(IDC_VERTICAL);
  Click(IDC_TRANSPARENT);
  Click(IDC_CLEAR);
  EXPECT_EQ(ControlText(IDC_FRAME_LIST), "");
  ExpectFields(typed);
  EXPECT_TRUE(Checked(IDC_VERTICAL));
  EXPECT_TRUE(Checked(IDC_TRANSPARENT));
  EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
}

TEST_F(PanelTest, TheTransparencyControlsAreEnabledStepByStep) {
  const struct {
    const char* name;
    int click;
    bool transparency, fromFields, radiosEnabled, fieldsEnabled;
  } steps[] = {
      {"1029 on with 1031", IDC_TRANSPARENT, true, false, true, false},
      {"1032", IDC_KEY_FROM_FIELDS, true, true, true, true},
      {"1029 off", IDC_TRANSPARENT, false, true, false, false},
      {"1029 on with 1032", IDC_TRANSPARENT, true, true, true, true},
      {"1031", IDC_KEY_FROM_CORNER, true, false, true, false},
      {"1032 again", IDC_KEY_FROM_FIELDS, true, true, true, true},
      {"1029 off again", IDC_TRANSPARENT, false, true, false, false},
  };
  SetControlText(IDC_KEY_BLUE, "12");
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    Click(s.click);
    EXPECT_EQ(Checked(IDC_TRANSPARENT), s.transparency);
    EXPECT_EQ(Checked(IDC_KEY_FROM_FIELDS), s.fromFields);
    EXPECT_EQ(Checked(IDC_KEY_FROM_CORNER), !s.fromFields);
    EXPECT_EQ(Enabled(IDC_KEY_FROM_CORNER), s.radiosEnabled);
    EXPECT_EQ(Enabled(IDC_KEY_FROM_FIELDS), s.radiosEnabled);
    for (int id : {IDC_KEY_BLUE, IDC_KEY_GREEN, IDC_KEY_RED})
      EXPECT_EQ(Enabled(id), s.fieldsEnabled) << "control " << id;
  }
  // Disabled fields keep their values.
  EXPECT_EQ(ControlText(IDC_KEY_BLUE), "12");
}

// ---------------------------------------------------------------------------
// Keyboard, hiding, and the menu

// A key pressed with the focus on a control of the panel, sent through the
// loop as the keyboard would: to the focused control, so that the dialog
// manager sees it. The loop handles it with every message but the timer's,
// so no tick comes between, however long the key takes to handle (as under
// emulation).
void PressKeyOn(int id, WPARAM key) {
  SendMessageA(frame.panel, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
  Pump(20);
  ASSERT_EQ(GetFocus(), Item(id));
  PostMessageA(Item(id), WM_KEYDOWN, key, 1);
  PostMessageA(Item(id), WM_KEYUP, key, 0xC0000001);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, WM_TIMER - 1, PM_REMOVE) ||
         PeekMessageA(&message, nullptr, WM_TIMER + 1, 0xFFFFFFFF, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    if (IsDialogMessageA(frame.panel, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

TEST_F(PanelTest, EscapeTheCloseBoxHideAndTheMenuHideThePanelAndTheMenuShowsItAgain) {
  const struct { const char* name; void (*hide)(); } cases[] = {
      {"Escape", [] { PressKeyOn(IDC_ZOOM, VK_ESCAPE); }},
      {"close box", [] { SendMessageA(frame.panel, WM_SYSCOMMAND, SC_CLOSE, 0); Pump(20); }},
      {"Hide button", [] { Click(IDC_HIDE); }},
      {"menu", [] { Menu(IDM_TOGGLE_PANEL); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    SetControlText(IDC_FRAME_LIST, "4,5");
    RECT before;
    GetWindowRect(frame.panel, &before);
    ASSERT_TRUE(frame.panelVisible);
    c.hide();
    EXPECT_FALSE(IsWindowVisible(frame.panel));
    EXPECT_FALSE(frame.panelVisible);
    ASSERT_TRUE(IsWindow(frame.panel));  // hidden, not destroyed
    EXPECT_TRUE(IsWindowVisible(frame.mainWindow));
    Menu(IDM_TOGGLE_PANEL);
    EXPECT_TRUE(IsWindowVisible(frame.panel));
    EXPECT_TRUE(frame.panelVisible);
    RECT after;
    GetWindowRect(frame.panel, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(ControlText(IDC_FRAME_LIST), "4,5");
  }
}

TEST_F(PanelTest, TheButtonsTheMenuAndEnterStartAndStopAlike) {
  const struct {
    const char* name;
    bool hidden;  // the panel hidden by its Hide button first
    void (*start)();
    void (*stop)();
  } cases[] = {
      {"buttons", false, [] { Click(IDC_START); }, [] { Click(IDC_STOP); }},
      {"menu", false, [] { Menu(IDM_START); }, [] { Menu(IDM_STOP); }},
      {"menu, panel hidden", true, [] { Menu(IDM_START); }, [] { Menu(IDM_STOP); }},
      // Enter presses the default button from a field, a focused button otherwise.
      {"Enter in a field, then on Stop", false, [] { PressKeyOn(IDC_FRAME_WIDTH, VK_RETURN); },
       [] { PressKeyOn(IDC_STOP, VK_RETURN); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    PrepareStrip(WriteStrip("menu.bmp"), 20);
    SetControlText(IDC_ZOOM, "");  // Start writes the default back
    if (c.hidden) Click(IDC_HIDE);
    c.start();
    ExpectFields({{IDC_FRAME_LIST, "0,1,2,3"}, {IDC_ZOOM, "1"}});  // the list rebuilt
    EXPECT_EQ(animation.frameWidth, 8);
    EXPECT_EQ(animation.backgroundColour, kBackground);
    ASSERT_TRUE(TimerRuns());
    const std::string playing = WindowText(frame.mainWindow);  // one of the four cells
    EXPECT_TRUE(playing == PlayingTitle(0) || playing == PlayingTitle(1) ||
                playing == PlayingTitle(2) || playing == PlayingTitle(3))
        << playing;

    // Stop kills the timer and keeps everything else; a second Stop with
    // no timer running is harmless.
    ASSERT_TRUE(PumpUntil([] { return animation.loopsDone >= 2 && animation.position == 1; }));
    c.stop();
    const int32_t loops = animation.loopsDone;
    const int32_t position = animation.position;
    const std::string title = WindowText(frame.mainWindow);
    const COLORREF shown = BackBufferPixel(4, 4);
    EXPECT_TRUE(TimerStands());
    EXPECT_EQ(animation.loopsDone, loops);
    EXPECT_EQ(animation.position, position);
    EXPECT_EQ(WindowText(frame.mainWindow), title);
    EXPECT_EQ(BackBufferPixel(4, 4), shown);
    EXPECT_EQ(ControlText(IDC_FRAME_LIST), "0,1,2,3");
    c.stop();
    EXPECT_TRUE(TimerStands());
    EXPECT_EQ(animation.position, position);

    // Starting again begins from the first entry with no pass done.
    c.start();
    EXPECT_EQ(animation.loopsDone, 0);
    EXPECT_EQ(animation.position, 0);
    EXPECT_TRUE(TimerRuns());
    c.stop();
    EXPECT_EQ(IsWindowVisible(frame.panel) != FALSE, !c.hidden);
  }
}

}  // namespace
