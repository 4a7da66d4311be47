// What most Wine tests share: the program's records and windows, a fixture
// that runs the program around each test, and short ways to fill the panel,
// write sheets and drive playback.
#ifndef PELLOWRICK_TESTS_FIXTURES_H
#define PELLOWRICK_TESTS_FIXTURES_H

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <string>
#include <utility>
#include <vector>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "panel/controls_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "sheet/key_pass_win.h"
#include "sheet/sheet_watch_win.h"
#include "sheet/sheet_win.h"
#include "tests/wine/support/harness.h"

inline constexpr char kPanelTitle[] = TEXT_PANEL_TITLE;
inline constexpr char kFailureCaption[] = TEXT_LOAD_FAILED_CAPTION;
inline constexpr char kFailureText[] = TEXT_LOAD_FAILED;

// The program's windows, started fresh before each test and stopped after.
class WithProgram : public ::testing::Test {
 protected:
  void SetUp() override { StartProgram(); }
  void TearDown() override { StopProgram(); }
  static void Restart(const std::string& startupPath = "") {
    StopProgram();
    StartProgram(startupPath.c_str());
  }
};

using Fields = std::vector<std::pair<int, std::string>>;
// Types each text into its panel control, in order.
void SetFields(const Fields& fields);
// Expects each panel control to show its text.
void ExpectFields(const Fields& fields);
// The sheet, its cell size and the interval in milliseconds.
void SetSheet(const std::string& path, int cellWidth, int cellHeight, int interval);
void SetBackground(COLORREF colour);  // the three background fields

// The panel's top-left at the main window's top-right.
bool PanelStandsBesideMainWindow();
inline HWND Item(int id) { return GetDlgItem(frame.panel, id); }  // a control of the panel
inline bool Checked(int id) { return IsChecked(frame.panel, id); }
inline bool Enabled(int id) { return IsWindowEnabled(Item(id)) != FALSE; }

// "w × h" as the size label shows it.
std::string SizeLabel(int width, int height);
// The main window's title while `entry` is shown.
std::string PlayingTitle(int entry);
inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }
// A Linux path as Wine's drive Z: names it.
std::string WindowsPath(const char* unixPath);

// Writes a BMP into the test folder and returns its path.
std::string WriteSheet(const char* name, int width, int height, PixelFn colour,
                       int bitsPerPixel = 24, const std::vector<COLORREF>& palette = {});
inline PixelFn Solid(COLORREF colour) {
  return [colour](int, int) { return colour; };
}
// Little-endian values written into a file's bytes.
void Poke16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);
void Poke32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);

// The Start command on the panel as it stands.
inline bool Start() { return StartAnimation(frame.panel, panelPath); }
// One tick of the playback timer, through the main window.
inline void Tick() { SendMessageA(frame.mainWindow, WM_TIMER, PLAYBACK_TIMER_ID, 0); }
inline void StopTimer() { KillTimer(frame.mainWindow, PLAYBACK_TIMER_ID); }
inline void Menu(int command) { SendMessageA(frame.mainWindow, WM_COMMAND, command, 0); }
bool TimerRuns();             // two more passes within 3 s
bool TimerStands();           // no tick at all for 250 ms
bool PassesDone(int passes);  // pumps until that many passes, at most 5 s

PROCESS_MEMORY_COUNTERS MemoryNow();

#endif
