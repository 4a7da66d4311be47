// The application frame through its real windows: class, sizes, menu,
// panel placement, the white back buffer, drops, and the exit code of the
// real program.
#include "tests/wine/support/fixtures.h"

#include "app/main_window_win.h"

#include <cstdlib>
#include <string>

namespace {

using FrameTest = WithProgram;

std::string MenuCaption(HMENU menu, int position) {
  char text[128] = {};
  GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
  return text;
}

// What the screen shows at a client point of the main window.
COLORREF ScreenPixel(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST_F(FrameTest, MainWindowHasItsClassTitleSizeAndMenu) {
  char className[64] = {};
  GetClassNameA(frame.mainWindow, className, sizeof className);
  EXPECT_STREQ(className, "bitmap");
  EXPECT_EQ(WindowText(frame.mainWindow), TEXT_MAIN_TITLE);
  RECT outer;
  GetWindowRect(frame.mainWindow, &outer);
  EXPECT_EQ(outer.right - outer.left, kMainWindowWidth);
  EXPECT_EQ(outer.bottom - outer.top, kMainWindowHeight);
  EXPECT_EQ(GetWindowLongA(frame.mainWindow, GWL_STYLE) & WS_OVERLAPPEDWINDOW,
            static_cast<LONG>(WS_OVERLAPPEDWINDOW));

  HMENU menu = GetMenu(frame.mainWindow);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 4);
  const struct { const char* caption; UINT id; } items[] = {
      {TEXT_MENU_EXIT, IDM_EXIT},
      {TEXT_MENU_START, IDM_START},
      {TEXT_MENU_STOP, IDM_STOP},
      {TEXT_MENU_TOGGLE_PANEL, IDM_TOGGLE_PANEL}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(MenuCaption(menu, i), items[i].caption) << i;
    EXPECT_EQ(GetMenuItemID(menu, i), items[i].id) << i;
    EXPECT_EQ(GetSubMenu(menu, i), nullptr) << "the menu is flat";
  }
}

TEST_F(FrameTest, PanelStandsAtTheMainWindowsTopRightInFront) {
  EXPECT_TRUE(PanelStandsBesideMainWindow());
  // The panel comes before the main window in the z-order.
  bool panelSeenFirst = false;
  for (HWND w = GetTopWindow(nullptr); w != nullptr; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == frame.panel) panelSeenFirst = true;
    if (w == frame.mainWindow) break;
  }
  EXPECT_TRUE(panelSeenFirst);
}

// Covers the client area's top-left 300 x 300 with a window of the frame
// colour, then uncovers it. Wine keeps a window's pixels under a cover, so
// the whole client area is then invalidated and erased as well, as an
// uncover does on Windows: what shows afterwards is what the repaint drew.
void CoverAndUncover(HWND window, COLORREF shownBefore) {
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  HWND cover = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE | SS_BLACKRECT,
                               origin.x, origin.y, 300, 300, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  Pump(200);
  EXPECT_NE(ScreenPixel(window, 50, 50), shownBefore) << "covered";
  DestroyWindow(cover);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
  Pump(300);
}

TEST_F(FrameTest, UncoveringTheWindowShowsWhatTheBackBufferHolds) {
  const COLORREF cell = RGB(200, 40, 90);
  const COLORREF background = RGB(10, 20, 30);
  const struct {
    const char* name;
    bool playFirst;     // until the loop limit stops the timer
    COLORREF atCell;    // client (50, 50): inside the cell at zoom 20
    COLORREF beside;    // client (250, 250): beside it
  } cases[] = {
      {"before playback", false, RGB(255, 255, 255), RGB(255, 255, 255)},
      {"after the loop limit", true, cell, background},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.playFirst) {
      SetSheet(WriteSheet("repaint.bmp", 8, 8, Solid(cell)), 8, 8, 10);
      SetFields({{IDC_ZOOM, "20"}, {IDC_LOOP_COUNT, "1"}});
      SetBackground(background);
      Menu(IDM_START);
      ASSERT_TRUE(PassesDone(1));
      Pump(100);
      ASSERT_EQ(animation.loopsDone, 1) << "the timer stopped";
    }
    EXPECT_EQ(BackBufferPixel(50, 50), c.atCell);
    EXPECT_EQ(BackBufferPixel(1023, 767), c.beside);
    SetForegroundWindow(frame.mainWindow);
    Pump(200);
    EXPECT_EQ(ScreenPixel(frame.mainWindow, 50, 50), c.atCell);
    CoverAndUncover(frame.mainWindow, c.atCell);
    EXPECT_EQ(ScreenPixel(frame.mainWindow, 50, 50), c.atCell);
    EXPECT_EQ(ScreenPixel(frame.mainWindow, 250, 250), c.beside);
  }
}

TEST_F(FrameTest, ExitDuringPlaybackKillsTheTimerBeforeReleasingSurfaces) {
  const std::string path =
      WriteSheet("exit.bmp", 128, 64, [](int x, int) { return x < 64 ? RGB(1, 2, 3) : RGB(4, 5, 6); });
  SetFields({{IDC_PATH, path}, {IDC_INTERVAL, "10"}});
  Menu(IDM_START);
  ASSERT_TRUE(PassesDone(2));

  Menu(IDM_EXIT);
  EXPECT_EQ(frame.sheetDC, nullptr);
  EXPECT_EQ(frame.backBufferDC, nullptr);
  EXPECT_EQ(sheet.sheetBitmap, nullptr);
  // The exit asked the loop to end with code 0.
  MSG quit;
  ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 0u);
  const int32_t loops = animation.loopsDone;
  const int32_t position = animation.position;
  Pump(200);  // no tick may run on the released surfaces
  EXPECT_EQ(animation.loopsDone, loops);
  EXPECT_EQ(animation.position, position);
}

TEST_F(FrameTest, AFileDroppedOnTheMainWindowReachesThePanelAndTheDropIsReleased) {
  const std::string path = WriteSheet("dropped.bmp", 96, 32, Solid(RGB(9, 9, 9)));
  const struct { const char* name; bool panel; const char* shownPath; std::string size; } cases[] = {
      {"no panel, as when it could not be made: nothing opens", false, "", SizeLabel(0, 0)},
      {"the panel opens the file", true, path.c_str(), SizeLabel(96, 32)},
  };
  const HWND panel = frame.panel;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const HDROP drop = MakeDrop({path});
    if (!c.panel) frame.panel = nullptr;
    SendMessageA(frame.mainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
    frame.panel = panel;
    EXPECT_EQ(GlobalSize(drop), 0u) << "the drop's memory is released";
    ExpectFields({{IDC_PATH, c.shownPath}, {IDC_SHEET_SIZE, c.size}});
  }
  EXPECT_EQ(WindowText(frame.panel), path);
}

// The real program, started as its own process.
HWND FindMainWindowOf(DWORD processId) {
  for (int i = 0; i < 200; ++i) {
    for (HWND w = FindWindowExA(nullptr, nullptr, "bitmap", nullptr); w != nullptr;
         w = FindWindowExA(nullptr, w, "bitmap", nullptr)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(w, &owner);
      if (owner == processId) return w;
    }
    Sleep(50);
  }
  return nullptr;
}

DWORD RunProgramAndEnd(UINT message, WPARAM wParam) {
  const char* exe = getenv("PELLOWRICK_EXE");
  if (exe == nullptr) return 0xFFFFFFFF;
  std::string commandLine = "\"" + WindowsPath(exe) + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return 0xFFFFFFFF;
  HWND mainWindow = FindMainWindowOf(process.dwProcessId);
  DWORD code = 0xFFFFFFFF;
  if (mainWindow != nullptr) {
    Sleep(300);
    PostMessageA(mainWindow, message, wParam, 0);
    if (WaitForSingleObject(process.hProcess, 15000) == WAIT_OBJECT_0)
      GetExitCodeProcess(process.hProcess, &code);
  }
  if (code == 0xFFFFFFFF) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

TEST(ProgramTest, ExitCodeIsZeroWhenTheWindowIsClosedOrAfterTheExitCommand) {
  EXPECT_EQ(RunProgramAndEnd(WM_CLOSE, 0), 0u) << "closed";
  EXPECT_EQ(RunProgramAndEnd(WM_COMMAND, IDM_EXIT), 0u) << "exit command";
}

}  // namespace
