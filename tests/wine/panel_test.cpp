// The control panel through the real dialog of template 103: its controls
// and defaults, opening files at start-up, by drop and by Browse, the spin
// buttons, the commands and their enabling rules, and the keyboard.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "res/resource_ids.h"
#include "sheet/sheet_win.h"
#include "tests/wine/support/harness.h"

namespace {

const char kPanelTitle[] = "アニメーションメニュー";

// The test sheets: 8 x 8 cells in two rows; the top-left pixel of every
// cell is magenta, the key colour the corner probe finds.
const COLORREF kKey = RGB(255, 0, 255);
const COLORREF kFirstRow = RGB(255, 0, 0);
const COLORREF kSecondRow = RGB(0, 0, 255);
const COLORREF kOtherFirstRow = RGB(200, 100, 50);
const COLORREF kOtherSecondRow = RGB(50, 100, 200);
const COLORREF kBackground = RGB(10, 20, 30);

// 32 x 16: four cells in each of two rows.
std::string WriteStrip(const char* name) {
  const std::string path = TempFile(name);
  WriteBmp(path, 32, 16, 24, [](int x, int y) {
    if (x % 8 == 0 && y % 8 == 0) return kKey;
    return y < 8 ? kFirstRow : kSecondRow;
  });
  return path;
}

// 48 x 16, other colours: six cells in each of two rows.
std::string WriteOtherStrip(const char* name) {
  const std::string path = TempFile(name);
  WriteBmp(path, 48, 16, 24, [](int x, int y) {
    if (x % 8 == 0 && y % 8 == 0) return kKey;
    return y < 8 ? kOtherFirstRow : kOtherSecondRow;
  });
  return path;
}

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

HWND Item(int id) { return GetDlgItem(frame.panel, id); }
bool Checked(int id) { return SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }

bool PanelStandsBesideMainWindow() {
  RECT outer, panel;
  GetWindowRect(frame.mainWindow, &outer);
  GetWindowRect(frame.panel, &panel);
  return panel.left == outer.right && panel.top == outer.top;
}

void Drop(const std::vector<std::string>& paths) { DropFiles(paths); }

// What a spin sends its parent; `from` is the window named in lParam.
void SpinMessage(HWND from, WORD code, WORD position) {
  SendMessageA(frame.panel, WM_VSCROLL, MAKEWPARAM(code, position), reinterpret_cast<LPARAM>(from));
}

// Sets the panel up for the strip with 8 x 8 cells and the given interval.
void PrepareStrip(const std::string& path, const char* interval) {
  SetControlText(IDC_PATH, path.c_str());
  SetControlText(IDC_FRAME_WIDTH, "8");
  SetControlText(IDC_FRAME_HEIGHT, "8");
  SetControlText(IDC_INTERVAL, interval);
  SetControlText(IDC_BACK_RED, "10");
  SetControlText(IDC_BACK_GREEN, "20");
  SetControlText(IDC_BACK_BLUE, "30");
}

bool TimerRuns() {
  const int32_t loops = animation.loopsDone;
  return PumpUntil([loops] { return animation.loopsDone > loops + 1; }, 3000);
}

bool TimerStands() {
  const int32_t loops = animation.loopsDone;
  const int32_t position = animation.position;
  Pump(250);
  return animation.loopsDone == loops && animation.position == position;
}

class PanelTest : public ::testing::Test {
 protected:
  void TearDown() override { StopProgram(); }
};

// ---------------------------------------------------------------------------
// The dialog and its defaults

TEST_F(PanelTest, StartsWithEveryDefaultAndTheKeyControlsDisabled) {
  StartProgram();
  EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
  EXPECT_TRUE(IsWindowVisible(frame.panel));

  const struct { int id; const char* text; } fields[] = {
      {IDC_PATH, ""},         {IDC_FRAME_WIDTH, "64"}, {IDC_FRAME_HEIGHT, "64"},
      {IDC_INTERVAL, "200"},  {IDC_COLUMN, "0"},       {IDC_ZOOM, "1"},
      {IDC_LOOP_COUNT, "0"},  {IDC_KEY_BLUE, "0"},     {IDC_KEY_GREEN, "0"},
      {IDC_KEY_RED, "0"},     {IDC_BACK_RED, "255"},   {IDC_BACK_GREEN, "255"},
      {IDC_BACK_BLUE, "255"}, {IDC_FRAME_LIST, ""},    {IDC_SHEET_SIZE, "0 × 0"},
  };
  for (const auto& f : fields) EXPECT_EQ(ControlText(f.id), f.text) << "control " << f.id;

  const struct { int id; bool checked; bool enabled; } buttons[] = {
      {IDC_TRANSPARENT, false, true},     {IDC_KEY_FROM_CORNER, true, false},
      {IDC_KEY_FROM_FIELDS, false, false}, {IDC_HORIZONTAL, true, true},
      {IDC_VERTICAL, false, true},
  };
  for (const auto& b : buttons) {
    EXPECT_EQ(Checked(b.id), b.checked) << "control " << b.id;
    EXPECT_EQ(Enabled(b.id), b.enabled) << "control " << b.id;
  }
  for (int id : {IDC_KEY_BLUE, IDC_KEY_GREEN, IDC_KEY_RED})
    EXPECT_FALSE(Enabled(id)) << "control " << id;
  for (int id : {IDC_PATH, IDC_FRAME_WIDTH, IDC_ZOOM, IDC_COLUMN, IDC_BACK_RED, IDC_FRAME_LIST,
                 IDC_START, IDC_STOP, IDC_HIDE, IDC_BROWSE, IDC_CLEAR, IDC_SAVE})
    EXPECT_TRUE(Enabled(id)) << "control " << id;
  EXPECT_EQ(sheet.sheetBitmap, nullptr);
}

TEST_F(PanelTest, TheTemplateGivesEveryControlItsClassAndStyle) {
  StartProgram();
  const LONG style = GetWindowLongA(frame.panel, GWL_STYLE);
  const LONG dialogBits = static_cast<LONG>(0x80C800C0);
  EXPECT_EQ(style & dialogBits, dialogBits);
  EXPECT_EQ(style & WS_CHILD, 0);
  EXPECT_NE(GetWindowLongA(frame.panel, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  EXPECT_EQ(GetWindow(frame.panel, GW_OWNER), frame.mainWindow);

  std::vector<HWND> children;
  for (HWND c = GetWindow(frame.panel, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    children.push_back(c);
  ASSERT_EQ(children.size(), 46u);

  // A sample of every style code; disabled controls carry WS_DISABLED too.
  const struct { int id; const char* className; DWORD style; } samples[] = {
      {IDC_FRAME_WIDTH, "Edit", 0x50812082},     // number
      {IDC_LOOP_COUNT, "Edit", 0x50812082},      // number
      {IDC_KEY_BLUE, "Edit", 0x58812082},        // number, disabled
      {IDC_COLUMN, "Edit", 0x50810082},          // right
      {IDC_KEY_GREEN, "Edit", 0x58810082},       // right, disabled
      {IDC_PATH, "Edit", 0x50810080},            // text
      {IDC_FRAME_LIST, "Edit", 0x50810080},      // text
      {IDC_BROWSE, "Button", 0x50010000},        // push
      {IDC_HIDE, "Button", 0x50010000},          // push
      {IDC_START, "Button", 0x50010001},         // default
      {IDC_HORIZONTAL, "Button", 0x50020009},    // radio, first
      {IDC_KEY_FROM_CORNER, "Button", 0x58020009},  // radio, first, disabled
      {IDC_VERTICAL, "Button", 0x50000009},      // radio
      {IDC_KEY_FROM_FIELDS, "Button", 0x58000009},  // radio, disabled
      {IDC_TRANSPARENT, "Button", 0x50010003},   // check
      {IDC_SHEET_SIZE, "Static", 0x50020000},    // label
      {IDC_ZOOM_SPIN, "msctls_updown32", 0x500000A7},    // spin
      {IDC_COLUMN_SPIN, "msctls_updown32", 0x500000A7},  // spin
  };
  for (const auto& s : samples) {
    HWND control = Item(s.id);
    ASSERT_NE(control, nullptr) << "control " << s.id;
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    EXPECT_EQ(_stricmp(name, s.className), 0) << "control " << s.id << " is " << name;
    // Two bits change after creation, as on Windows: an edit trades
    // WS_BORDER for a client edge, and a radio button carries WS_TABSTOP
    // exactly while it is checked.
    DWORD live = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    DWORD want = s.style;
    if (_stricmp(s.className, "Edit") == 0) {
      want &= ~static_cast<DWORD>(WS_BORDER);
      EXPECT_TRUE(GetWindowLongA(control, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) << "control " << s.id;
    }
    if (_stricmp(s.className, "Button") == 0 && (s.style & 0xF) == BS_AUTORADIOBUTTON) {
      EXPECT_EQ((live & WS_TABSTOP) != 0, IsDlgButtonChecked(frame.panel, s.id) == BST_CHECKED)
          << "control " << s.id;
      live &= ~static_cast<DWORD>(WS_TABSTOP);
      want &= ~static_cast<DWORD>(WS_TABSTOP);
    }
    EXPECT_EQ(live, want) << "control " << s.id;
  }
  // The first control is the frame around the transparency controls.
  char name[64] = {};
  GetClassNameA(children[0], name, sizeof name);
  EXPECT_EQ(_stricmp(name, "Button"), 0);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(children[0], GWL_STYLE)), 0x50000007u);
  // The spins have no buddy.
  EXPECT_EQ(SendMessageA(Item(IDC_ZOOM_SPIN), UDM_GETBUDDY, 0, 0), 0);
  EXPECT_EQ(SendMessageA(Item(IDC_COLUMN_SPIN), UDM_GETBUDDY, 0, 0), 0);
}

// ---------------------------------------------------------------------------
// Start-up with a file

TEST_F(PanelTest, StartUpWithASheetLoadsItAndPlacesThePanel) {
  const std::string path = WriteOtherStrip("startup.bmp");
  StartProgram(Quoted(path).c_str());
  EXPECT_EQ(ControlText(IDC_PATH), path);
  EXPECT_EQ(WindowText(frame.panel), path);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), "48 × 16");
  EXPECT_NE(sheet.sheetBitmap, nullptr);
  EXPECT_EQ(SheetPixel(3, 3), kOtherFirstRow);
  EXPECT_TRUE(IsWindowVisible(frame.panel));
  EXPECT_TRUE(PanelStandsBesideMainWindow());
  // The defaults were written before the file was opened.
  EXPECT_EQ(ControlText(IDC_FRAME_WIDTH), "64");
  EXPECT_EQ(ControlText(IDC_ZOOM), "1");
}

TEST_F(PanelTest, StartUpWithASheetThatFailsShowsTheMessageAndLeavesThePanelUnplaced) {
  const std::string path = TempFile("missing.bmp");  // never written
  DialogWatcher watcher("エラー");
  StartProgram(Quoted(path).c_str());
  ASSERT_TRUE(PumpUntil([&] { return watcher.Count() == 1; }));
  EXPECT_EQ(watcher.LastText(), "BMPファイル読みとりに失敗しました");
  EXPECT_TRUE(IsWindowVisible(frame.panel));
  EXPECT_FALSE(PanelStandsBesideMainWindow());
  EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
  EXPECT_EQ(ControlText(IDC_PATH), path);  // the path went in before the load
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), "0 × 0");
  EXPECT_EQ(sheet.sheetBitmap, nullptr);
  EXPECT_EQ(ControlText(IDC_FRAME_WIDTH), "64");  // the defaults stand
  Pump(100);
  EXPECT_EQ(watcher.Count(), 1);
}

// Where a file goes is decided by the last three bytes of its name alone;
// every file here is a good BMP. Drive Z: and C: ignore case when opening,
// so each row has a name of its own.
struct RouteCase {
  const char* name;
  bool loaded;
};

const RouteCase kRouteCases[] = {
    {"lower.bmp", true},      {"upper.BMP", true},       {"mixed.Bmp", false},
    {"mixedlast.bmP", false}, {"mixedmid.bMp", false},   {"nodotbmp", true},
    {"nodotBMP", true},       {"later.bmp.txt", false},  {"space.bmp ", false},
};

TEST_F(PanelTest, StartUpOpensOnlyNamesEndingInBmpOrBMPAsSheets) {
  for (const RouteCase& c : kRouteCases) {
    SCOPED_TRACE(c.name);
    std::string path = TempFile(c.name);
    // A trailing space cannot be part of a file name: write the file without it.
    std::string file = path;
    while (!file.empty() && file.back() == ' ') file.pop_back();
    WriteOtherStrip(file.c_str() + TempDir().size() + 1);
    StartProgram(Quoted(path).c_str());
    if (c.loaded) {
      EXPECT_EQ(ControlText(IDC_PATH), path);
      EXPECT_EQ(WindowText(frame.panel), path);
      EXPECT_EQ(ControlText(IDC_SHEET_SIZE), "48 × 16");
      EXPECT_NE(sheet.sheetBitmap, nullptr);
    } else {
      EXPECT_EQ(ControlText(IDC_PATH), "");
      EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
      EXPECT_EQ(ControlText(IDC_SHEET_SIZE), "0 × 0");
      EXPECT_EQ(sheet.sheetBitmap, nullptr);
    }
    // Either way the panel is placed: only a failed sheet load skips that.
    EXPECT_TRUE(PanelStandsBesideMainWindow());
    StopProgram();
  }
}

TEST_F(PanelTest, ADropOpensOnlyNamesEndingInBmpOrBMPAsSheets) {
  StartProgram();
  for (const RouteCase& c : kRouteCases) {
    SCOPED_TRACE(c.name);
    const std::string path = TempFile(c.name);
    std::string file = path;
    while (!file.empty() && file.back() == ' ') file.pop_back();
    WriteOtherStrip(file.c_str() + TempDir().size() + 1);
    SetControlText(IDC_PATH, "");
    SetWindowTextA(frame.panel, kPanelTitle);
    Drop({path});
    EXPECT_EQ(ControlText(IDC_PATH), c.loaded ? path : "");
    EXPECT_EQ(WindowText(frame.panel), c.loaded ? path : std::string(kPanelTitle));
  }
}

// ---------------------------------------------------------------------------
// Drops

TEST_F(PanelTest, ThreeFilesDroppedAtOnceOpenOnlyTheFirst) {
  StartProgram();
  const std::string first = WriteOtherStrip("first.bmp");
  const std::string second = TempFile("second.bmp");
  const std::string third = TempFile("third.bmp");
  WriteBmp(second, 16, 8, 24, [](int, int) { return RGB(1, 1, 1); });
  WriteBmp(third, 24, 8, 24, [](int, int) { return RGB(2, 2, 2); });
  Drop({first, second, third});
  EXPECT_EQ(ControlText(IDC_PATH), first);
  EXPECT_EQ(WindowText(frame.panel), first);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), "48 × 16");
  EXPECT_EQ(SheetPixel(3, 3), kOtherFirstRow);
}

TEST_F(PanelTest, WhenTheFirstDroppedFileIsNoSheetTheOthersAreNotTried) {
  StartProgram();
  const std::string first = TempFile("notsheet.Bmp");
  const std::string second = WriteStrip("second.bmp");
  WriteBmp(first, 16, 8, 24, [](int, int) { return RGB(1, 1, 1); });
  Drop({first, second});
  EXPECT_EQ(ControlText(IDC_PATH), "");
  EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
  EXPECT_EQ(sheet.sheetBitmap, nullptr);
}

TEST_F(PanelTest, ADropDuringPlaybackGoesOnWithTheNewSheetWithoutAKeyPass) {
  StartProgram();
  const std::string first = WriteStrip("playing.bmp");
  const std::string other = WriteOtherStrip("dropped.bmp");
  PrepareStrip(first, "20");
  SetControlText(IDC_FRAME_LIST, "0,1");
  Click(IDC_TRANSPARENT);  // the key comes from the top-left pixel
  ASSERT_TRUE(Checked(IDC_TRANSPARENT));
  Click(IDC_START);
  ASSERT_TRUE(PumpUntil([] { return animation.loopsDone >= 2; }));
  EXPECT_FALSE(sheet.needsKeyPass);
  EXPECT_EQ(BackBufferPixel(0, 0), kBackground);  // the key pixel was replaced
  EXPECT_EQ(BackBufferPixel(4, 4), kFirstRow);

  const int32_t loops = animation.loopsDone;
  Drop({other});
  EXPECT_EQ(ControlText(IDC_PATH), other);
  EXPECT_EQ(animation.loopsDone, loops);
  EXPECT_TRUE(sheet.needsKeyPass);
  ASSERT_TRUE(PumpUntil([loops] { return animation.loopsDone >= loops + 2; }));
  EXPECT_EQ(BackBufferPixel(4, 4), kOtherFirstRow);
  EXPECT_EQ(BackBufferPixel(0, 0), kKey);  // no key pass ran on the new sheet
  EXPECT_TRUE(sheet.needsKeyPass);
  EXPECT_TRUE(TimerRuns());
}

// ---------------------------------------------------------------------------
// Browse

// Starts playback of `first`, then presses Browse and answers the open
// dialog by choosing `chosen`; returns the name the dialog started with.
std::string BrowseDuringPlayback(const std::string& first, const char* chosen) {
  PrepareStrip(first, "20");
  Click(IDC_START);
  EXPECT_TRUE(PumpUntil([] { return animation.loopsDone >= 2; }));
  FileDialogDriver driver(chosen, IDOK);
  Click(IDC_BROWSE);
  EXPECT_TRUE(driver.Finish());
  return driver.InitialName();
}

TEST_F(PanelTest, BrowseCancelledDuringPlaybackChangesNothing) {
  StartProgram();
  const std::string first = WriteStrip("browse-play.bmp");
  PrepareStrip(first, "20");
  Click(IDC_START);
  ASSERT_TRUE(PumpUntil([] { return animation.loopsDone >= 2; }));

  const int32_t loops = animation.loopsDone;
  FileDialogDriver driver(nullptr, IDCANCEL);
  Click(IDC_BROWSE);
  ASSERT_TRUE(driver.Finish());
  // Ticks went on inside the dialog's own loop, and go on afterwards.
  EXPECT_GT(animation.loopsDone, loops);
  EXPECT_TRUE(TimerRuns());
  EXPECT_EQ(ControlText(IDC_PATH), first);
  EXPECT_EQ(WindowText(frame.panel), first);
}

TEST_F(PanelTest, BrowseChoosingASheetDuringPlaybackStopsAndLoadsIt) {
  StartProgram();
  const std::string first = WriteStrip("browse-first.bmp");
  const std::string other = WriteOtherStrip("browse-chosen.bmp");
  const std::string initialName = BrowseDuringPlayback(first, other.c_str());
  EXPECT_TRUE(TimerStands());
  EXPECT_EQ(ControlText(IDC_PATH), other);
  EXPECT_EQ(WindowText(frame.panel), other);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), "48 × 16");
  EXPECT_EQ(SheetPixel(3, 3), kOtherFirstRow);
  // The dialog started from the path the last Start left in the buffer.
  const std::string firstName = first.substr(first.rfind('\\') + 1);
  EXPECT_NE(initialName.find(firstName), std::string::npos) << initialName;
}

TEST_F(PanelTest, BrowseChoosingAnotherFileDuringPlaybackStopsButLoadsNoSheet) {
  StartProgram();
  const std::string first = WriteStrip("browse-keep.bmp");
  const std::string other = TempFile("browse-other.Bmp");
  WriteBmp(other, 16, 8, 24, [](int, int) { return RGB(1, 1, 1); });
  BrowseDuringPlayback(first, other.c_str());
  EXPECT_TRUE(TimerStands());
  EXPECT_EQ(ControlText(IDC_PATH), first);
  EXPECT_EQ(WindowText(frame.panel), first);
  EXPECT_EQ(ControlText(IDC_SHEET_SIZE), "32 × 16");
}

// ---------------------------------------------------------------------------
// Spin buttons

struct SpinStepCase {
  const char* name;
  int spin;
  const char* before;  // text of the field
  WORD position;       // reported on release; the memory is 0 after start-up
  const char* after;
};

const SpinStepCase kSpinStepCases[] = {
    {"zoom 1 down stays 1", IDC_ZOOM_SPIN, "1", 1, "1"},
    {"zoom 0 typed down stays 0", IDC_ZOOM_SPIN, "0", 1, "0"},
    {"zoom 2 down", IDC_ZOOM_SPIN, "2", 1, "1"},
    {"first zoom up wraps 0 to 100", IDC_ZOOM_SPIN, "1", 100, "2"},
    {"zoom 0 typed up", IDC_ZOOM_SPIN, "0", 100, "1"},
    {"empty zoom down", IDC_ZOOM_SPIN, "", 1, "0"},
    {"zoom above 2^31 counts as negative", IDC_ZOOM_SPIN, "2147483648", 1, "2147483648"},
    {"largest zoom counts as -1", IDC_ZOOM_SPIN, "4294967295", 1, "4294967295"},
    {"largest positive zoom down", IDC_ZOOM_SPIN, "2147483647", 1, "2147483646"},
    {"column 0 down stays 0", IDC_COLUMN_SPIN, "0", 1, "0"},
    {"column 1 down", IDC_COLUMN_SPIN, "1", 1, "0"},
    {"column up", IDC_COLUMN_SPIN, "5", 100, "6"},
    {"non-numeric column up reads 1", IDC_COLUMN_SPIN, "abc", 100, "1"},
    {"non-numeric column down reads 0", IDC_COLUMN_SPIN, "abc", 1, "0"},
    {"column above 2^31 down", IDC_COLUMN_SPIN, "2147483648", 1, "2147483648"},
    {"column at the same position does nothing", IDC_COLUMN_SPIN, "7", 0, "7"},
};

TEST_F(PanelTest, ASpinReleaseStepsItsFieldAndTheAnimationValue) {
  for (const SpinStepCase& c : kSpinStepCases) {
    SCOPED_TRACE(c.name);
    StartProgram();
    const bool zoom = c.spin == IDC_ZOOM_SPIN;
    const int field = zoom ? IDC_ZOOM : IDC_COLUMN;
    const int other = zoom ? IDC_COLUMN : IDC_ZOOM;
    const std::string otherBefore = ControlText(other);
    SetControlText(field, c.before);
    animation.zoom = 77;
    animation.columnIndex = 77;
    SpinReleased(c.spin, c.position);
    EXPECT_EQ(ControlText(field), c.after);
    EXPECT_EQ(ControlText(other), otherBefore);
    const bool changed = c.position != 0;
    const int32_t written = static_cast<int32_t>(strtoul(c.after, nullptr, 10));
    EXPECT_EQ(zoom ? animation.zoom : animation.columnIndex, changed ? written : 77);
    EXPECT_EQ(zoom ? animation.columnIndex : animation.zoom, 77);
    StopProgram();
  }
}

TEST_F(PanelTest, TheDirectionComesFromThePositionAgainstTheLastOne) {
  StartProgram();
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
  EXPECT_EQ(ControlText(IDC_COLUMN), "0");
  EXPECT_EQ(ControlText(IDC_ZOOM), "4");
}

TEST_F(PanelTest, OnlyTheReleaseOfOneOfTheTwoSpinsCounts) {
  StartProgram();
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
    SpinMessage(m.from, m.code, 100);
    EXPECT_EQ(ControlText(IDC_ZOOM), "1") << m.name;
    EXPECT_EQ(ControlText(IDC_COLUMN), "0") << m.name;
  }
  EXPECT_EQ(animation.zoom, 77);
  EXPECT_EQ(animation.columnIndex, 77);
  // None of them moved a memory: the first real release from 0 to 100 is up.
  SpinReleased(IDC_ZOOM_SPIN, 100);
  SpinReleased(IDC_COLUMN_SPIN, 100);
  EXPECT_EQ(ControlText(IDC_ZOOM), "2");
  EXPECT_EQ(ControlText(IDC_COLUMN), "1");
  DestroyWindow(stranger);
}

TEST_F(PanelTest, PressingTheRealArrowsStepsTheFields) {
  StartProgram();
  HWND spin = Item(IDC_ZOOM_SPIN);
  RECT client;
  GetClientRect(spin, &client);
  const int x = client.right / 2;
  const auto press = [spin, x](int y) {
    SendMessageA(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageA(spin, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  };
  press(client.bottom / 4);  // the up arrow
  EXPECT_EQ(ControlText(IDC_ZOOM), "2");
  EXPECT_EQ(animation.zoom, 2);
  press(client.bottom / 4);
  EXPECT_EQ(ControlText(IDC_ZOOM), "3");
  press(client.bottom * 3 / 4);  // the down arrow
  EXPECT_EQ(ControlText(IDC_ZOOM), "2");
  press(client.bottom * 3 / 4);
  press(client.bottom * 3 / 4);
  EXPECT_EQ(ControlText(IDC_ZOOM), "1");  // the floor
  EXPECT_EQ(animation.zoom, 1);
  // The spin changes no text of its own.
  EXPECT_EQ(ControlText(IDC_COLUMN), "0");
}

TEST_F(PanelTest, TheSpinsDuringPlaybackChangeTheNextFrame) {
  StartProgram();
  PrepareStrip(WriteStrip("spin-play.bmp"), "10000");  // ticks are driven here
  SetControlText(IDC_FRAME_LIST, "1,2");
  Click(IDC_START);
  PlaybackTick(frame.mainWindow);
  EXPECT_EQ(BackBufferPixel(4, 4), kFirstRow);
  EXPECT_EQ(BackBufferPixel(12, 12), kBackground);

  SpinReleased(IDC_ZOOM_SPIN, 100);
  EXPECT_EQ(ControlText(IDC_ZOOM), "2");
  EXPECT_EQ(animation.zoom, 2);
  EXPECT_EQ(BackBufferPixel(12, 12), kBackground);  // drawn at the next tick
  PlaybackTick(frame.mainWindow);
  EXPECT_EQ(BackBufferPixel(1, 1), kKey);  // one sheet pixel is 2 x 2
  EXPECT_EQ(BackBufferPixel(2, 2), kFirstRow);
  EXPECT_EQ(BackBufferPixel(15, 15), kFirstRow);
  EXPECT_EQ(BackBufferPixel(16, 16), kBackground);

  SpinReleased(IDC_COLUMN_SPIN, 100);
  EXPECT_EQ(ControlText(IDC_COLUMN), "1");
  EXPECT_EQ(animation.columnIndex, 1);
  PlaybackTick(frame.mainWindow);
  EXPECT_EQ(BackBufferPixel(12, 12), kSecondRow);

  SpinReleased(IDC_ZOOM_SPIN, 0);  // 100 -> 0: down
  EXPECT_EQ(ControlText(IDC_ZOOM), "1");
  EXPECT_EQ(animation.zoom, 1);
  PlaybackTick(frame.mainWindow);
  EXPECT_EQ(BackBufferPixel(4, 4), kSecondRow);
  EXPECT_EQ(BackBufferPixel(12, 12), kBackground);
}

// ---------------------------------------------------------------------------
// Clear, Stop and the enabling rules

TEST_F(PanelTest, ClearEmptiesTheFrameListOnly) {
  StartProgram();
  const int fields[] = {IDC_PATH,     IDC_FRAME_WIDTH, IDC_FRAME_HEIGHT, IDC_INTERVAL,
                        IDC_COLUMN,   IDC_ZOOM,        IDC_KEY_BLUE,     IDC_KEY_GREEN,
                        IDC_KEY_RED,  IDC_BACK_RED,    IDC_BACK_GREEN,   IDC_BACK_BLUE,
                        IDC_LOOP_COUNT};
  int n = 0;
  for (int id : fields) SetControlText(id, std::to_string(11 + n++).c_str());
  SetControlText(IDC_FRAME_LIST, "3,2,1");
  Click(IDC_VERTICAL);
  Click(IDC_TRANSPARENT);
  Click(IDC_CLEAR);
  EXPECT_EQ(ControlText(IDC_FRAME_LIST), "");
  n = 0;
  for (int id : fields) EXPECT_EQ(ControlText(id), std::to_string(11 + n++)) << "control " << id;
  EXPECT_TRUE(Checked(IDC_VERTICAL));
  EXPECT_TRUE(Checked(IDC_TRANSPARENT));
  EXPECT_EQ(WindowText(frame.panel), kPanelTitle);
}

TEST_F(PanelTest, StopKillsTheTimerAndKeepsEverythingElse) {
  StartProgram();
  PrepareStrip(WriteStrip("stop.bmp"), "20");
  SetControlText(IDC_FRAME_LIST, "0,1,2");
  Click(IDC_START);
  ASSERT_TRUE(PumpUntil([] { return animation.loopsDone >= 2 && animation.position == 1; }));
  Click(IDC_STOP);
  const int32_t loops = animation.loopsDone;
  const int32_t position = animation.position;
  const std::string title = WindowText(frame.mainWindow);
  const COLORREF shown = BackBufferPixel(4, 4);
  EXPECT_TRUE(TimerStands());
  EXPECT_EQ(animation.loopsDone, loops);
  EXPECT_EQ(animation.position, position);
  EXPECT_EQ(WindowText(frame.mainWindow), title);
  EXPECT_EQ(BackBufferPixel(4, 4), shown);
  EXPECT_EQ(ControlText(IDC_FRAME_LIST), "0,1,2");
  // A second Stop with no timer running is harmless.
  Click(IDC_STOP);
  EXPECT_TRUE(TimerStands());
  EXPECT_EQ(animation.position, position);
}

// The transparency controls as the enabling table has them.
void ExpectEnablingTable(const char* step) {
  const bool on = Checked(IDC_TRANSPARENT);
  const bool fromFields = Checked(IDC_KEY_FROM_FIELDS);
  EXPECT_EQ(Enabled(IDC_KEY_FROM_CORNER), on) << step;
  EXPECT_EQ(Enabled(IDC_KEY_FROM_FIELDS), on) << step;
  for (int id : {IDC_KEY_BLUE, IDC_KEY_GREEN, IDC_KEY_RED})
    EXPECT_EQ(Enabled(id), on && fromFields) << step << ", control " << id;
}

TEST_F(PanelTest, TheTransparencyControlsAreEnabledStepByStep) {
  StartProgram();
  ExpectEnablingTable("start-up");
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
    Click(s.click);
    EXPECT_EQ(Checked(IDC_TRANSPARENT), s.transparency) << s.name;
    EXPECT_EQ(Checked(IDC_KEY_FROM_FIELDS), s.fromFields) << s.name;
    EXPECT_EQ(Checked(IDC_KEY_FROM_CORNER), !s.fromFields) << s.name;
    EXPECT_EQ(Enabled(IDC_KEY_FROM_CORNER), s.radiosEnabled) << s.name;
    EXPECT_EQ(Enabled(IDC_KEY_FROM_FIELDS), s.radiosEnabled) << s.name;
    for (int id : {IDC_KEY_BLUE, IDC_KEY_GREEN, IDC_KEY_RED})
      EXPECT_EQ(Enabled(id), s.fieldsEnabled) << s.name << ", control " << id;
    ExpectEnablingTable(s.name);
  }
  // Disabled fields keep their values.
  EXPECT_EQ(ControlText(IDC_KEY_BLUE), "12");
}

// ---------------------------------------------------------------------------
// Keyboard, hiding, and the menu

// Sends a key press through the loop, as the keyboard would: to the focused
// control, so that the dialog manager sees it.
void PressKey(WPARAM key) {
  HWND focus = GetFocus();
  ASSERT_NE(focus, nullptr);
  PostMessageA(focus, WM_KEYDOWN, key, 1);
  PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
  Pump(50);
}

void FocusOn(int id) {
  SendMessageA(frame.panel, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
  Pump(20);
}

TEST_F(PanelTest, EnterInAFieldStartsPlayback) {
  StartProgram();
  PrepareStrip(WriteStrip("enter.bmp"), "20");
  FocusOn(IDC_FRAME_WIDTH);
  ASSERT_EQ(GetFocus(), Item(IDC_FRAME_WIDTH));
  PressKey(VK_RETURN);
  EXPECT_EQ(ControlText(IDC_FRAME_LIST), "0,1,2,3");  // Start rebuilt the list
  EXPECT_TRUE(TimerRuns());
  EXPECT_TRUE(IsWindowVisible(frame.panel));
}

TEST_F(PanelTest, EnterOnAFocusedButtonPressesThatButton) {
  StartProgram();
  PrepareStrip(WriteStrip("enter-stop.bmp"), "20");
  Click(IDC_START);
  ASSERT_TRUE(TimerRuns());
  FocusOn(IDC_STOP);
  ASSERT_EQ(GetFocus(), Item(IDC_STOP));
  PressKey(VK_RETURN);
  EXPECT_TRUE(TimerStands());
}

struct HideCase {
  const char* name;
  void (*hide)();
};

const HideCase kHideCases[] = {
    {"Escape",
     [] {
       FocusOn(IDC_ZOOM);
       PressKey(VK_ESCAPE);
     }},
    {"close box", [] { SendMessageA(frame.panel, WM_SYSCOMMAND, SC_CLOSE, 0); Pump(20); }},
    {"Hide button", [] { Click(IDC_HIDE); }},
};

TEST_F(PanelTest, EscapeTheCloseBoxAndHideHideThePanelAndTheMenuShowsItAgain) {
  for (const HideCase& c : kHideCases) {
    SCOPED_TRACE(c.name);
    StartProgram();
    SetControlText(IDC_FRAME_LIST, "4,5");
    RECT before;
    GetWindowRect(frame.panel, &before);
    ASSERT_TRUE(frame.panelVisible);
    c.hide();
    EXPECT_FALSE(IsWindowVisible(frame.panel));
    EXPECT_FALSE(frame.panelVisible);
    ASSERT_TRUE(IsWindow(frame.panel));  // hidden, not destroyed
    EXPECT_TRUE(IsWindowVisible(frame.mainWindow));
    SendMessageA(frame.mainWindow, WM_COMMAND, IDM_TOGGLE_PANEL, 0);
    EXPECT_TRUE(IsWindowVisible(frame.panel));
    EXPECT_TRUE(frame.panelVisible);
    RECT after;
    GetWindowRect(frame.panel, &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(ControlText(IDC_FRAME_LIST), "4,5");
    StopProgram();
  }
}

struct StartStopCase {
  const char* name;
  bool hidden;  // the panel hidden by its Hide button first
  void (*start)();
  void (*stop)();
};

const StartStopCase kStartStopCases[] = {
    {"buttons", false, [] { Click(IDC_START); }, [] { Click(IDC_STOP); }},
    {"menu", false, [] { SendMessageA(frame.mainWindow, WM_COMMAND, IDM_START, 0); },
     [] { SendMessageA(frame.mainWindow, WM_COMMAND, IDM_STOP, 0); }},
    {"menu, panel hidden", true,
     [] { SendMessageA(frame.mainWindow, WM_COMMAND, IDM_START, 0); },
     [] { SendMessageA(frame.mainWindow, WM_COMMAND, IDM_STOP, 0); }},
};

TEST_F(PanelTest, TheMenusStartAndStopBehaveAsTheButtons) {
  for (const StartStopCase& c : kStartStopCases) {
    SCOPED_TRACE(c.name);
    StartProgram();
    PrepareStrip(WriteStrip("menu.bmp"), "20");
    SetControlText(IDC_ZOOM, "");  // Start writes the default back
    if (c.hidden) Click(IDC_HIDE);
    c.start();
    EXPECT_EQ(ControlText(IDC_FRAME_LIST), "0,1,2,3");
    EXPECT_EQ(ControlText(IDC_ZOOM), "1");
    EXPECT_EQ(animation.frameWidth, 8);
    EXPECT_EQ(animation.backgroundColour, kBackground);
    ASSERT_TRUE(TimerRuns());
    EXPECT_EQ(WindowText(frame.mainWindow).rfind("Pellowrick Ver4.0 [ ", 0), 0u);
    c.stop();
    const int32_t loops = animation.loopsDone;
    EXPECT_TRUE(TimerStands());
    EXPECT_EQ(animation.loopsDone, loops);
    // Starting again begins from the first entry with no pass done.
    c.start();
    EXPECT_EQ(animation.loopsDone, 0);
    EXPECT_EQ(animation.position, 0);
    EXPECT_TRUE(TimerRuns());
    c.stop();
    EXPECT_EQ(IsWindowVisible(frame.panel) != FALSE, !c.hidden);
    StopProgram();
  }
}

}  // namespace
