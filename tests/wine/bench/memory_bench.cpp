// Memory benchmark of the sheet. For 24-bit sheets of 4096², 8192², 11000²
// and 16384² (the largest texture current graphics cards take), written
// here into the temp folder and deleted afterwards: the time and the peak
// working set of an open (the sheet dropped on the panel, as the program
// starts with transparency off and the key from the top-left pixel), of a
// Start with transparency on, and of a second Start of the keyed,
// unchanged sheet, with the files each read into a bitmap, and what stays
// held after Start; then, for reference, the platform's loader alone,
// LoadImageA from the file as a DIB section (the form an open reads a
// 24-bit sheet into) and as a plain bitmap.
// Every memory figure is in copies of the sheet at 32 bits a pixel (width x
// height x 4) above the program without a sheet.
//
// Each phase group runs in a child process of its own, so no figure is
// helped by memory another freed; the file is read once before them, so
// the open and the loader alone both find it warm, and the two take turns,
// twice each, the better time of each counting. The process's peak
// cannot be reset, so a phase's peak is the process's peak when the phase
// raised it (exact), and otherwise the highest of samples taken every
// millisecond or so by a second thread. Prints figures only; exits
// non-zero when a sheet that opened could not be started and keyed.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "anim/animation_win.h"
#include "app/app_win.h"
#include "app/frame_win.h"
#include "panel/controls_win.h"
#include "panel/panel_win.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "sheet/sheet_file_win.h"
#include "sheet/sheet_win.h"
#include "tools/bmp_file_core.h"

namespace {

const COLORREF kKey = RGB(255, 0, 255);

// The key in 8 x 8 blocks every 64 pixels, the top-left one included, on
// a gradient that never equals it.
COLORREF SheetPixel(int x, int y) {
  if (x % 64 < 8 && y % 64 < 8) return kKey;
  return RGB(x & 0xFF, y & 0xFF, ((x >> 8) + (y >> 8) * 16) & 0x7F);
}

// Row by row, so the writer never holds more than one row.
bool WriteSheetFile(const std::string& path, int side) {
  const uint64_t stride = (static_cast<uint64_t>(side) * 3 + 3) / 4 * 4;
  if (side < 1 || stride * static_cast<uint64_t>(side) > UINT32_MAX - 54) return false;
  const uint32_t imageBytes = static_cast<uint32_t>(stride * static_cast<uint64_t>(side));
  const std::vector<uint8_t> info = BmpInfoHeader(side, side, 24, {}, imageBytes, 2835);
  std::vector<uint8_t> head = {'B', 'M'};
  PutLittleEndian(head, static_cast<uint32_t>(14 + info.size()) + imageBytes, 4);
  PutLittleEndian(head, 0, 4);
  PutLittleEndian(head, static_cast<uint32_t>(14 + info.size()), 4);
  head.insert(head.end(), info.begin(), info.end());
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &written, nullptr);
  for (int y = side - 1; ok && y >= 0; --y) {  // bottom row first
    const std::vector<uint8_t> row =
        BmpRows(side, 1, 24, [y](int x, int) { return SheetPixel(x, y); });
    ok = WriteFile(file, row.data(), static_cast<DWORD>(row.size()), &written, nullptr) &&
         written == row.size();
  }
  CloseHandle(file);
  return ok;
}

PROCESS_MEMORY_COUNTERS MemoryNow() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

double Now() {
  LARGE_INTEGER t, frequency;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The highest working set seen while it runs.
class Sampler {
 public:
  Sampler() : thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {}
  SIZE_T Stop() {
    InterlockedExchange(&stop_, 1);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    return highest_;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    auto* sampler = static_cast<Sampler*>(self);
    while (InterlockedCompareExchange(&sampler->stop_, 0, 0) == 0) {
      sampler->highest_ = std::max(sampler->highest_, MemoryNow().WorkingSetSize);
      Sleep(1);
    }
    return 0;
  }
  volatile LONG stop_ = 0;
  SIZE_T highest_ = 0;
  HANDLE thread_;
};

unsigned long long Bytes(SIZE_T bytes) { return bytes; }

struct Phase {
  SIZE_T peak, held;  // bytes
  double seconds;
};

template <typename Work>
Phase Measure(Work work) {
  const SIZE_T peakBefore = MemoryNow().PeakWorkingSetSize;
  Sampler sampler;
  const double start = Now();
  work();
  const double seconds = Now() - start;
  const SIZE_T sampled = sampler.Stop();
  const PROCESS_MEMORY_COUNTERS after = MemoryNow();
  const bool raised = after.PeakWorkingSetSize > peakBefore;
  return {raised ? after.PeakWorkingSetSize : sampled, after.WorkingSetSize, seconds};
}

void Pump(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
      if (!IsDialogMessageA(frame.panel, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
      }
    Sleep(5);
  } while (static_cast<int32_t>(end - GetTickCount()) > 0);
}

// Answers the sheet-load failure message, which would otherwise wait for
// a user, and counts it.
volatile LONG failureBoxes = 0;
DWORD WINAPI AnswerFailureBoxes(void*) {
  for (;;) {
    HWND box = FindWindowA("#32770", TEXT_LOAD_FAILED_CAPTION);
    DWORD owner = 0;
    if (box != nullptr) GetWindowThreadProcessId(box, &owner);
    if (box != nullptr && owner == GetCurrentProcessId() && IsWindowVisible(box)) {
      InterlockedIncrement(&failureBoxes);
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      Sleep(200);
    }
    Sleep(20);
  }
}

HDROP MakeDrop(const std::string& path) {
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + path.size() + 2);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), path.c_str(), path.size() + 1);
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

// A child: the program's windows in this process, the sheet dropped on the
// panel, then Start with transparency on. Prints one line of figures.
int RunProgram(const std::string& path) {
  CloseHandle(CreateThread(nullptr, 0, AnswerFailureBoxes, nullptr, 0, nullptr));
  StartPellowrick(GetModuleHandleA(nullptr), "", SW_SHOWNORMAL);
  Pump(300);
  const SIZE_T empty = MemoryNow().WorkingSetSize;
  uint32_t calls = sheetReads;
  const Phase open = Measure([&] {
    SendMessageA(frame.panel, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(path)), 0);
  });
  const uint32_t openLoads = sheetReads - calls;
  const bool opened = sheet.sheetBitmap != nullptr && failureBoxes == 0;
  SendMessageA(GetDlgItem(frame.panel, IDC_TRANSPARENT), BM_CLICK, 0, 0);
  SetDlgItemTextA(frame.panel, IDC_FRAME_LIST, "0,1,2");
  auto pressStart = [] {
    SendMessageA(frame.panel, WM_COMMAND, MAKEWPARAM(IDC_START, BN_CLICKED), 0);
    KillTimer(frame.mainWindow, PLAYBACK_TIMER_ID);
  };
  calls = sheetReads;
  const Phase start = Measure(pressStart);
  const uint32_t startLoads = sheetReads - calls;
  Pump(100);
  const COLORREF white = RGB(255, 255, 255);  // the panel's background
  const bool keyed = opened && failureBoxes == 0 && !sheet.needsKeyPass &&
                     sheet.lastKeyColour == kKey && GetPixel(frame.sheetDC, 0, 0) == white &&
                     GetPixel(frame.sheetDC, 8, 8) == SheetPixel(8, 8);
  calls = sheetReads;
  const Phase again = Measure(pressStart);  // the keyed sheet, its file unchanged
  const uint32_t againLoads = sheetReads - calls;
  printf("%llu %llu %llu %.4f %llu %llu %.4f %d %d %.4f %u %u %u\n", Bytes(empty),
         Bytes(open.peak), Bytes(open.held), open.seconds, Bytes(start.peak), Bytes(start.held),
         start.seconds, opened ? 1 : 0, keyed ? 1 : 0, again.seconds, openLoads, startLoads,
         againLoads);
  DestroyWindow(frame.mainWindow);
  return 0;
}

// A child: LoadImageA alone, as a plain bitmap or as a DIB section.
int RunLoader(const std::string& path, bool dibSection) {
  const SIZE_T empty = MemoryNow().WorkingSetSize;
  HBITMAP bitmap = nullptr;
  const Phase load = Measure([&] {
    const UINT flags = LR_LOADFROMFILE | (dibSection ? LR_CREATEDIBSECTION : 0);
    bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), path.c_str(), IMAGE_BITMAP, 0, 0, flags));
  });
  printf("%llu %llu %llu %.4f %d\n", Bytes(empty), Bytes(load.peak), Bytes(load.held),
         load.seconds, bitmap != nullptr ? 1 : 0);
  if (bitmap != nullptr) DeleteObject(bitmap);
  return 0;
}

// Runs this program again with `arguments`; its output, or empty.
std::string RunChild(const std::string& arguments) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string commandLine = "\"" + std::string(self) + "\" " + arguments;
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE readEnd, writeEnd;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return "";
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION child = {};
  const bool started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0,
                                      nullptr, nullptr, &startup, &child);
  CloseHandle(writeEnd);
  std::string output;
  char buffer[256];
  DWORD got = 0;
  while (started && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
    output.append(buffer, got);
  CloseHandle(readEnd);
  if (started) {
    WaitForSingleObject(child.hProcess, INFINITE);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
  }
  return output;
}

struct Row {
  int side;
  bool measured = false, opened = false, keyed = false;
  double empty = 0, openPeak = 0, openHeld = 0, openSeconds = 0;
  double startPeak = 0, startHeld = 0, startSeconds = 0, againSeconds = 0;
  unsigned openLoads = 0, startLoads = 0, againLoads = 0;
  bool loaded[2] = {};  // [0] as a DIB section, [1] plain
  double loaderPeak[2] = {}, loaderHeld[2] = {}, loaderSeconds[2] = {};
};

// Reads the whole file once, so every child finds it in the file cache.
void WarmFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  std::vector<char> buffer(1 << 20);
  DWORD got = 0;
  while (ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
  }
  CloseHandle(file);
}

// The loader alone, as a DIB section ([0]) or plain ([1]), in a child.
void MeasureLoader(Row& row, const std::string& path, int form, double copy) {
  unsigned long long loaderEmpty, peak, held;
  int loaded;
  if (sscanf(RunChild(std::string("loader \"") + path + "\"" + (form == 0 ? " dib" : "")).c_str(),
             "%llu %llu %llu %lf %d", &loaderEmpty, &peak, &held, &row.loaderSeconds[form],
             &loaded) == 5) {
    row.loaded[form] = loaded != 0;
    row.loaderPeak[form] = (static_cast<double>(peak) - loaderEmpty) / copy;
    row.loaderHeld[form] = (static_cast<double>(held) - loaderEmpty) / copy;
  }
}

int Parent(const std::vector<int>& sides) {
  const std::string dir = [] {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    return std::string(base);
  }();
  std::vector<Row> rows;
  for (int side : sides) {
    Row row;
    row.side = side;
    const std::string path = dir + "pellowrick-memory-" + std::to_string(side) + ".bmp";
    if (!WriteSheetFile(path, side)) {
      printf("memory %dx%d: the sheet file could not be written\n", side, side);
      DeleteFileA(path.c_str());
      continue;
    }
    const double copy = static_cast<double>(side) * side * 4;
    auto copies = [&](unsigned long long bytes) { return (static_cast<double>(bytes) - row.empty) / copy; };
    unsigned long long empty = 0, openPeak = 0, openHeld = 0, startPeak = 0, startHeld = 0;
    int opened = 0, keyed = 0;
    // The file warm for all. The loader as the open uses it and the
    // program take turns, twice each, and the better time of each counts;
    // every other figure is the program's first run.
    WarmFile(path);
    double bestLoader = 1e30, bestOpen = 1e30;
    for (int turn = 0; turn < 2; ++turn) {
      MeasureLoader(row, path, 0, copy);
      if (row.loaded[0]) bestLoader = std::min(bestLoader, row.loaderSeconds[0]);
      Row run = row;
      unsigned long long e, op, oh, sp, sh;
      int o, k;
      const bool measured =
          sscanf(RunChild("program \"" + path + "\"").c_str(),
                 "%llu %llu %llu %lf %llu %llu %lf %d %d %lf %u %u %u", &e, &op, &oh,
                 &run.openSeconds, &sp, &sh, &run.startSeconds, &o, &k, &run.againSeconds,
                 &run.openLoads, &run.startLoads, &run.againLoads) == 13;
      if (measured) bestOpen = std::min(bestOpen, run.openSeconds);
      if (turn == 0 && measured) {
        row = run;
        row.measured = true;
        empty = e, openPeak = op, openHeld = oh, startPeak = sp, startHeld = sh, opened = o,
        keyed = k;
      }
    }
    row.openSeconds = bestOpen;
    row.loaderSeconds[0] = bestLoader;
    MeasureLoader(row, path, 1, copy);
    if (row.measured) {
      row.empty = static_cast<double>(empty);
      row.openPeak = copies(openPeak);
      row.openHeld = copies(openHeld);
      row.startPeak = copies(startPeak);
      row.startHeld = copies(startHeld);
      row.opened = opened != 0;
      row.keyed = keyed != 0;
    }
    DeleteFileA(path.c_str());

    printf("memory %dx%d (one 32-bit copy %.0f MiB, program without a sheet %.0f MiB): ", side,
           side, copy / 1048576, row.empty / 1048576);
    if (!row.measured)
      printf("no figures");
    else if (!row.opened)
      printf("does not open");
    else
      printf("open %.2f s against the loader alone %.2f s (%.2fx), %u loads, peak %.2f, held "
             "%.2f; keyed Start %.2f s (%.2fx the open), %u loads, peak %.2f (%.0f MiB in all), "
             "held after Start %.2f%s; second Start %.3f s (%.3fx the open), %u loads",
             row.openSeconds, row.loaderSeconds[0], row.openSeconds / row.loaderSeconds[0],
             row.openLoads, row.openPeak, row.openHeld, row.startSeconds,
             row.startSeconds / row.openSeconds, row.startLoads, row.startPeak,
             (row.empty + row.startPeak * copy) / 1048576, row.startHeld,
             row.keyed ? "" : ", START FAILED", row.againSeconds,
             row.againSeconds / row.openSeconds, row.againLoads);
    for (int form = 0; form < 2; ++form) {
      printf("; LoadImageA %s: ", form == 0 ? "as DIB section" : "plain");
      if (row.loaded[form])
        printf("peak %.2f, held %.2f (%.2f s)", row.loaderPeak[form], row.loaderHeld[form],
               row.loaderSeconds[form]);
      else
        printf("does not load");
    }
    printf("\n");
    fflush(stdout);
    rows.push_back(row);
  }

  double worstPeak = 0, worstHeld = 0, worstTime = 0, worstOpenPeak = 0, worstOpen = 0;
  double worstAgain = 0;
  int started = 0, opened = 0;
  for (const Row& row : rows) {
    if (!row.opened) continue;
    ++opened;
    if (row.keyed) ++started;
    worstPeak = std::max(worstPeak, row.startPeak);
    worstHeld = std::max(worstHeld, row.startHeld);
    worstTime = std::max(worstTime, row.startSeconds / row.openSeconds);
    worstOpenPeak = std::max(worstOpenPeak, row.openPeak);
    worstOpen = std::max(worstOpen, row.openSeconds / row.loaderSeconds[0]);
    worstAgain = std::max(worstAgain, row.againSeconds / row.openSeconds);
  }
  printf("memory (%d-bit): Start peak at most %.2f copies, held after Start at most %.2f, "
         "keyed Start at most %.2fx the open's time, second Start at most %.3fx; open peak at "
         "most %.2f copies; %d of %d sheets opened, %d of them started and keyed; open at most "
         "%.2fx the loader alone\n",
         static_cast<int>(sizeof(void*) * 8), worstPeak, worstHeld, worstTime, worstAgain,
         worstOpenPeak, opened, static_cast<int>(sides.size()), started, worstOpen);
  fflush(stdout);
  return started == opened ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && strcmp(argv[1], "program") == 0) return RunProgram(argv[2]);
  if (argc >= 3 && strcmp(argv[1], "loader") == 0)
    return RunLoader(argv[2], argc >= 4 && strcmp(argv[3], "dib") == 0);
  // Other sides may be named; the four of the README by default.
  std::vector<int> sides;
  for (int i = 1; i < argc; ++i) {
    char* end = nullptr;
    const long side = strtol(argv[i], &end, 10);
    if (end == argv[i] || *end != '\0' || side < 1 || side > 65535) {
      printf("memory_bench: a side is a number from 1 to 65535, not \"%s\"\n", argv[i]);
      return 2;
    }
    sides.push_back(static_cast<int>(side));
  }
  if (sides.empty()) sides = {4096, 8192, 11000, 16384};
  return Parent(sides);
}
