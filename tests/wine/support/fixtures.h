// What most Wine tests share: the program's records and windows, a fixture
// that runs the program around each test, and short ways to fill the panel,
// write sheets and drive playback.
#ifndef PELLOWRICK_TESTS_FIXTURES_H
#define PELLOWRICK_TESTS_FIXTURES_H

#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "panel/controls_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"
#include "sheet/sheet_win.h"
#include "tests/wine/support/harness.h"

inline constexpr char kPanelTitle[] = "アニメーションメニュー";
inline constexpr char kFailureCaption[] = "エラー";
inline constexpr char kFailureText[] = "BMPファイル読みとりに失敗しました";

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

using Fields = std::initializer_list<std::pair<int, std::string>>;
// Types each text into its panel control, in order.
void SetFields(Fields fields);
// Expects each panel control to show its text.
void ExpectFields(Fields fields);
// The sheet, its cell size and the interval in milliseconds.
void SetSheet(const std::string& path, int cellWidth, int cellHeight, int interval);
void SetBackground(COLORREF colour);  // the three background fields

HWND Item(int id);  // a control of the panel
bool Checked(int id);
bool Enabled(int id);

// "w × h" as the size label shows it (× in code page 932).
std::string SizeLabel(long long width, long long height);
// The main window's title while `entry` is shown.
std::string PlayingTitle(int entry);
std::string Quoted(const std::string& path);
// A Linux path as Wine's drive Z: names it.
std::string WindowsPath(const char* unixPath);

// Writes a BMP into the test folder and returns its path.
std::string WriteSheet(const char* name, int width, int height, PixelFn colour,
                       int bitsPerPixel = 24, const std::vector<COLORREF>& palette = {});
PixelFn Solid(COLORREF colour);
// Little-endian values written into a file's bytes.
void Poke16(std::vector<uint8_t>& bytes, size_t at, uint16_t value);
void Poke32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);

bool Start();         // the Start command on the panel as it stands
void Tick();          // one tick of the playback timer, through the main window
void StopTimer();     // kills the playback timer directly
void Menu(int command);
bool TimerRuns();     // two more passes within 3 s
bool TimerStands();   // no tick at all for 250 ms
bool PassesDone(int passes);  // pumps until that many passes, at most 5 s

PROCESS_MEMORY_COUNTERS MemoryNow();

#endif
