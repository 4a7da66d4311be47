// Plays every .bmp file under a folder through the real program, one
// process per file, driven from outside through its windows as a user
// would: open the file from the command line, answer the load-failure box,
// make the whole sheet one cell with transparency on, Start, let it play,
// read what the screen shows, close. One line per file:
//   <relative name>  <opened|message|crash|hang>  <played yes|no>  <size label>  <hash>@<w>x<h>  exit=<code>
// then a line of counts. The hash is FNV-1a over the R, G, B bytes of the
// frame as the screen shows it, w x h pixels from the client area's corner
// ("-" when it did not play), so two builds compare pixel for pixel.
// "nostart" means the program could not be started at all. Every wait is
// bounded: a process that does not answer is ended and reported as "hang".
//   pellowrick_play_corpus <Pellowrick.exe> <folder>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "res/resource_ids.h"

namespace {

const char kMainTitle[] = "Pellowrick Ver4.0";
const char kPlayingTitle[] = "Pellowrick Ver4.0 [ 0 ]";
const char kLoadFailedCaption[] = "エラー";
const char kLoadFailedText[] = "BMPファイル読みとりに失敗しました";
const char kTimes[] = "×";  // the size label's separator, 81 7E in code page 932

// Bounds of every wait, in milliseconds. The start-up one allows for a
// slow load (a huge sheet the header claims takes seconds).
const DWORD kStartUpWait = 20000;
const DWORD kFirstTickWait = 5000;
const DWORD kPlayTime = 1000;
const DWORD kCloseWait = 5000;
const UINT kSendWait = 2000;

struct Run {
  PROCESS_INFORMATION process = {};
  HWND mainWindow = nullptr;
  HWND panel = nullptr;
  std::vector<HWND> answered;  // boxes already answered, each counted once
  size_t boxesBeforeStart = 0;
  bool ended = false;          // the process has ended
  DWORD exitCode = 0;
};

std::string Utf8FromCodePage932(const std::string& text) {
  if (text.empty()) return text;
  std::wstring wide(text.size(), L'\0');
  const int wideLength = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()),
                                             &wide[0], static_cast<int>(wide.size()));
  std::string utf8(wideLength * 3, '\0');
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0],
                                         static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(length);
  return utf8;
}

bool EndsWithBmp(const char* name) {
  const size_t length = strlen(name);
  return length >= 4 && lstrcmpiA(name + length - 4, ".bmp") == 0;
}

// Every .bmp file under `folder`, as names relative to it with '/' between
// folders, in sub-folders too.
void CollectBitmaps(const std::string& folder, const std::string& relative,
                    std::vector<std::string>& found) {
  WIN32_FIND_DATAA entry;
  HANDLE search = FindFirstFileA((folder + "\\" + relative + "*").c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string name = entry.cFileName;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (name != "." && name != "..") CollectBitmaps(folder, relative + name + "\\", found);
    } else if (EndsWithBmp(name.c_str())) {
      found.push_back(relative + name);
    }
  } while (FindNextFileA(search, &entry));
  FindClose(search);
}

// The text of a window of the other process, read with a bounded send so a
// process that stopped answering cannot stop the driver.
std::string TextOf(HWND window) {
  char text[512] = {};
  DWORD_PTR result = 0;
  if (window == nullptr ||
      !SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                           SMTO_ABORTIFHUNG, kSendWait, &result))
    return "";
  return text;
}

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* result) {
  return window != nullptr &&
         SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendWait, result);
}

void SetControlText(HWND dialog, int id, const char* text) {
  DWORD_PTR ignored;
  SendBounded(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text), &ignored);
}

bool IsButtonChecked(HWND dialog, int id) {
  DWORD_PTR state = 0;
  return SendBounded(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0, &state) && state == BST_CHECKED;
}

// Clicks a check box or radio button that is not checked yet, as the user
// would (BM_SETCHECK alone would skip the panel's own reaction to it).
void CheckButton(HWND dialog, int id) {
  DWORD_PTR ignored;
  if (!IsButtonChecked(dialog, id)) SendBounded(GetDlgItem(dialog, id), BM_CLICK, 0, 0, &ignored);
}

// Answers a message box with OK (its only button here, or the safe one of
// several). Posted: the box's own loop ends it. A box other than the
// load-failure one is named on stderr, since nothing else should appear.
void AnswerBox(Run& run, HWND box, const char* file) {
  if (std::find(run.answered.begin(), run.answered.end(), box) != run.answered.end()) return;
  run.answered.push_back(box);
  char caption[256] = {};
  GetWindowTextA(box, caption, sizeof caption);  // no message is sent for another process's title
  const std::string text = TextOf(GetDlgItem(box, 0xFFFF));  // the message box's text control
  if (strcmp(caption, kLoadFailedCaption) != 0 || text != kLoadFailedText)
    fprintf(stderr, "play_corpus: %s: box \"%s\": %s\n", Utf8FromCodePage932(file).c_str(),
            Utf8FromCodePage932(caption).c_str(), Utf8FromCodePage932(text).c_str());
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  PostMessageA(box, WM_COMMAND, IDCANCEL, 0);  // for a box that has no OK
}

struct LookState {
  Run* run;
  const char* file;
};

// One top-level window of the process: the main window, the panel (the
// dialog with the cell-size fields) or a box, which is answered at once.
BOOL CALLBACK NoteWindow(HWND window, LPARAM lParam) {
  LookState& look = *reinterpret_cast<LookState*>(lParam);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != look.run->process.dwProcessId) return TRUE;
  char className[64] = {}, title[256] = {};
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  if (strcmp(className, "bitmap") == 0 && strncmp(title, kMainTitle, strlen(kMainTitle)) == 0) {
    look.run->mainWindow = window;
  } else if (strcmp(className, "#32770") == 0) {
    if (GetDlgItem(window, IDC_FRAME_WIDTH) != nullptr)
      look.run->panel = window;
    else if (IsWindowVisible(window))
      AnswerBox(*look.run, window, look.file);
  }
  return TRUE;
}

// One look at the process: whether it has ended, its windows, its boxes.
void Look(Run& run, const char* file) {
  if (!run.ended && WaitForSingleObject(run.process.hProcess, 0) == WAIT_OBJECT_0) {
    run.ended = true;
    GetExitCodeProcess(run.process.hProcess, &run.exitCode);
  }
  if (run.ended) return;
  LookState look = {&run, file};
  EnumWindows(NoteWindow, reinterpret_cast<LPARAM>(&look));
}

bool MainWindowShown(const Run& run) {
  return run.mainWindow != nullptr && run.panel != nullptr && IsWindowVisible(run.mainWindow);
}

bool Playing(const Run& run) {
  char title[256] = {};
  GetWindowTextA(run.mainWindow, title, sizeof title);
  return strcmp(title, kPlayingTitle) == 0;
}

// Start refused: its load failed and said so in a box.
bool PlayingOrRefused(const Run& run) {
  return Playing(run) || run.answered.size() > run.boxesBeforeStart;
}

bool Never(const Run&) { return false; }

// Looks at the process every 20 ms, answering boxes, until `done` or the
// process ends or `limit` ms have passed. Returns whether `done` came.
bool WaitUntil(Run& run, const char* file, DWORD limit, bool (*done)(const Run&)) {
  const DWORD start = GetTickCount();
  for (;;) {
    Look(run, file);
    if (run.ended) return false;
    if (done(run)) return true;
    if (GetTickCount() - start >= limit) return false;
    Sleep(20);
  }
}

// The two numbers of a size label "w × h"; false when it is not one.
bool ParseSizeLabel(const std::string& label, long& width, long& height) {
  const size_t separator = label.find(kTimes);
  if (separator == std::string::npos) return false;
  char* end = nullptr;
  width = strtol(label.c_str(), &end, 10);
  if (end == label.c_str()) return false;
  const char* second = label.c_str() + separator + strlen(kTimes);
  height = strtol(second, &end, 10);
  return end != second;
}

// The whole sheet as one cell at zoom 1, cell 0 shown twice, quick ticks,
// transparency on with the key from the top-left pixel.
void SetUpPanel(HWND panel, long width, long height) {
  char number[32];
  wsprintfA(number, "%ld", width);
  SetControlText(panel, IDC_FRAME_WIDTH, number);
  wsprintfA(number, "%ld", height);
  SetControlText(panel, IDC_FRAME_HEIGHT, number);
  SetControlText(panel, IDC_INTERVAL, "50");
  SetControlText(panel, IDC_FRAME_LIST, "0,0");
  SetControlText(panel, IDC_ZOOM, "1");
  SetControlText(panel, IDC_LOOP_COUNT, "0");  // 0: loop for ever
  CheckButton(panel, IDC_TRANSPARENT);
  CheckButton(panel, IDC_KEY_FROM_CORNER);
}

// The panel stands beside the main window when the sheet opened; when it
// did not, it keeps its own place, which may cover the frame. Moved aside
// without waiting for the process.
void MovePanelOffFrame(const Run& run) {
  RECT frameRect, panelRect, overlap;
  GetWindowRect(run.mainWindow, &frameRect);
  GetWindowRect(run.panel, &panelRect);
  if (!IntersectRect(&overlap, &frameRect, &panelRect)) return;
  SetWindowPos(run.panel, nullptr, frameRect.right, frameRect.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
}

// FNV-1a over the R, G, B bytes of what the screen shows of the main
// window's client area from its top-left corner, `width` x `height` clipped
// to the client area and the screen. "-" when nothing is left.
std::string ClientPixelHash(HWND window, long width, long height) {
  RECT client;
  if (!GetClientRect(window, &client)) return "-";
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  const long screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  width = std::min({width, static_cast<long>(client.right), screenWidth - origin.x});
  height = std::min({height, static_cast<long>(client.bottom), screenHeight - origin.y});
  if (width <= 0 || height <= 0 || origin.x < 0 || origin.y < 0) return "-";

  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down: rows in screen order
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, copy);
  const bool read = BitBlt(dc, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  uint32_t hash = 2166136261u;
  const uint8_t* pixel = static_cast<const uint8_t*>(bits);
  for (long i = 0; read && i < width * height; ++i, pixel += 4) {
    for (int channel = 2; channel >= 0; --channel) {  // stored B, G, R: hashed R, G, B
      hash ^= pixel[channel];
      hash *= 16777619u;
    }
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(copy);
  ReleaseDC(nullptr, screen);
  if (!read) return "-";
  char text[48];
  wsprintfA(text, "%08lx@%ldx%ld", static_cast<unsigned long>(hash), width, height);
  return text;
}

struct Result {
  const char* outcome;
  bool played;
  std::string label;
  std::string hash;
  DWORD exitCode;
};

// The program's standard output and error go to the driver's standard
// error, so that what Wine's debugger prints about a crash (it inherits
// them) stays out of the results on standard output.
bool StartProgram(const std::string& exe, const std::string& file, Run& run) {
  std::string commandLine = "\"" + exe + "\" \"" + file + "\"";
  HANDLE diagnostics = nullptr;
  DuplicateHandle(GetCurrentProcess(), GetStdHandle(STD_ERROR_HANDLE), GetCurrentProcess(),
                  &diagnostics, 0, TRUE, DUPLICATE_SAME_ACCESS);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = diagnostics;
  startup.hStdError = diagnostics;
  const bool started = CreateProcessA(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &run.process) != 0;
  if (diagnostics != nullptr) CloseHandle(diagnostics);
  return started;
}

// Set up, Start, and when it plays, let it play and read the screen.
void StartAndWatch(Run& run, const char* name, Result& result) {
  long width = 0, height = 0;
  result.label = TextOf(GetDlgItem(run.panel, IDC_SHEET_SIZE));
  ParseSizeLabel(result.label, width, height);
  SetUpPanel(run.panel, width, height);
  MovePanelOffFrame(run);
  run.boxesBeforeStart = run.answered.size();
  PostMessageA(run.mainWindow, WM_COMMAND, IDM_START, 0);
  if (!WaitUntil(run, name, kFirstTickWait, PlayingOrRefused) || !Playing(run)) return;
  result.played = true;
  WaitUntil(run, name, kPlayTime, Never);
  if (run.ended) return;
  result.label = TextOf(GetDlgItem(run.panel, IDC_SHEET_SIZE));  // as Start left it
  ParseSizeLabel(result.label, width, height);
  result.hash = ClientPixelHash(run.mainWindow, width, height);
}

// Closes the program as the user would and judges how it ended: by itself
// or with a failure code is a crash; not ending in time is a hang, and the
// process is then ended here.
void CloseAndJudge(Run& run, const char* name, Result& result) {
  const bool endedUnasked = run.ended;
  if (!run.ended && run.mainWindow != nullptr) {  // no window to close: it hangs already
    PostMessageA(run.mainWindow, WM_CLOSE, 0, 0);
    WaitUntil(run, name, kCloseWait, Never);
  }
  if (!run.ended) {
    result.outcome = "hang";
    TerminateProcess(run.process.hProcess, 1);
    WaitForSingleObject(run.process.hProcess, kCloseWait);
    GetExitCodeProcess(run.process.hProcess, &run.exitCode);
  } else if (endedUnasked || run.exitCode != 0) {
    result.outcome = "crash";
  } else {
    result.outcome = run.answered.empty() ? "opened" : "message";
  }
  result.exitCode = run.exitCode;
}

// Plays one file; the process is gone when this returns.
Result PlayFile(const std::string& exe, const std::string& file) {
  Result result = {"nostart", false, "-", "-", 0};
  Run run;
  if (!StartProgram(exe, file, run)) {
    result.exitCode = GetLastError();
    return result;
  }
  if (WaitUntil(run, file.c_str(), kStartUpWait, MainWindowShown))
    StartAndWatch(run, file.c_str(), result);
  CloseAndJudge(run, file.c_str(), result);
  CloseHandle(run.process.hThread);
  CloseHandle(run.process.hProcess);
  return result;
}

std::string ExitCodeText(DWORD code) {
  char text[16];
  wsprintfA(text, code >= 0x10000 ? "0x%08lX" : "%lu", static_cast<unsigned long>(code));
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: pellowrick_play_corpus <Pellowrick.exe> <folder>\n");
    return 2;
  }
  _setmode(_fileno(stdout), _O_BINARY);  // "\n" line ends, as the shell reads them
  const std::string exe = argv[1], folder = argv[2];
  std::vector<std::string> files;
  CollectBitmaps(folder, "", files);
  std::sort(files.begin(), files.end());
  int opened = 0, message = 0, crash = 0, hang = 0, notStarted = 0, played = 0;
  for (const std::string& relative : files) {
    const Result result = PlayFile(exe, folder + "\\" + relative);
    std::string shown = relative;
    std::replace(shown.begin(), shown.end(), '\\', '/');
    printf("%s  %s  %s  %s  %s  exit=%s\n", Utf8FromCodePage932(shown).c_str(), result.outcome,
           result.played ? "yes" : "no", Utf8FromCodePage932(result.label).c_str(),
           result.hash.c_str(), ExitCodeText(result.exitCode).c_str());
    fflush(stdout);
    const std::string outcome = result.outcome;
    opened += outcome == "opened";
    message += outcome == "message";
    crash += outcome == "crash";
    hang += outcome == "hang";
    notStarted += outcome == "nostart";
    played += result.played;
  }
  printf("files %d: opened %d, message %d, crash %d, hang %d, not started %d; played %d\n",
         static_cast<int>(files.size()), opened, message, crash, hang, notStarted, played);
  return files.empty() ? 1 : 0;
}
