// The loader fuzzer: seeded mutations of valid BMP files with up to 64 KiB
// of pixels (tools/loader_fuzz_core.h), each written to a work folder and
// loaded by a child process through the program's own load,
// LoadBitmapFile: the program reads the file's headers and colour table,
// the rule (LayoutBmp) refuses it or lets it through, and GDI makes the
// bitmap from the program's fenced copies of those bytes (CreateDIBSection
// with the rows read straight into it, or CreateCompatibleBitmap or
// CreateBitmap and StretchDIBits). Each of those copies ends where a page
// that cannot be read begins. Under Wine a fault inside GDI's own code does
// not end the process (the call fails, or returns the fault's code as its
// handle), so the child also watches GDI's reads itself (WatchGdiReads
// below): a read past a copy, or a copy GDI is given without that page
// behind it, ends the child as a crash. The parent starts a new child after
// a crash, at the next case, and keeps every file that crashed or hung the
// child in the work folder's "crashes" folder, named by seed and case.
//   loader_fuzz [--seed S] [--cases N] [--first I] [--work FOLDER]
//               [--hang-seconds S] [--without-rule]
// --without-rule is the comparison: every case goes straight to LoadImageA
// behind the only guard the program had before the rule (pixel offsets 1
// to 13 refused), so the crashes the rule and the program's own read
// prevent can be counted on the same cases.
// Prints a line for each crash or hang and a summary line; exits 1 when
// any case crashed or hung, 2 when the fuzzer itself could not run.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sheet/sheet_file_core.h"
#include "sheet/sheet_file_win.h"
#include "tools/loader_fuzz_core.h"

namespace {

#ifdef _WIN64
const char kBuild[] = "x86_64";
#else
const char kBuild[] = "i686";
#endif

struct Options {
  uint64_t seed = 1, first = 0, cases = 2000;
  std::string work = "loader-fuzz";
  DWORD hangMs = 20000;
  bool withoutRule = false, child = false;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    const bool hasValue = i + 1 < argc;
    if (name == "--without-rule")
      options.withoutRule = true;
    else if (name == "--child")
      options.child = true;
    else if (name == "--seed" && hasValue)
      options.seed = strtoull(argv[++i], nullptr, 0);
    else if (name == "--first" && hasValue)
      options.first = strtoull(argv[++i], nullptr, 0);
    else if (name == "--cases" && hasValue)
      options.cases = strtoull(argv[++i], nullptr, 0);
    else if (name == "--work" && hasValue)
      options.work = argv[++i];
    else if (name == "--hang-seconds" && hasValue)
      options.hangMs = 1000 * strtoul(argv[++i], nullptr, 0);
    else
      return false;
  }
  return options.cases > 0 && options.hangMs >= 1000 && options.hangMs <= 3600 * 1000;
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  CloseHandle(file);
  return ok;
}

// ---------------------------------------------------------------------------
// The child: runs the cases and says on its standard output, unbuffered,
// "case I" before each and "done I R|N|M MS BYTES LARGE CALLS" after it:
// refused by the rule, read but no bitmap made, bitmap made (without the
// rule: refused by the old guard, no bitmap from LoadImageA, a bitmap from
// it); the milliseconds it took, the file's length, 1 for a case made from
// one of the larger images, and the GDI calls watched so far.

// False when the parent no longer reads: the child then stops.
bool Say(const char* format, ...) {
  char line[MAX_PATH + 64];
  va_list arguments;
  va_start(arguments, format);
  const int length = vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (length <= 0) return true;
  DWORD written = 0;
  return WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line,
                   static_cast<DWORD>(std::min<int>(length, sizeof line - 1)), &written, nullptr);
}

// The exception code becomes the exit code at once: no debugger is asked
// for, and no crash dialog waits for a user.
LONG WINAPI EndWithTheException(EXCEPTION_POINTERS* exception) {
  TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
  return EXCEPTION_EXECUTE_HANDLER;
}

// ---------------------------------------------------------------------------
// The watch on GDI's reads. The program's calls of StretchDIBits and
// CreateDIBSection come through its import table, which the child points at
// the functions below. Each buffer the call is given must end where its
// committed pages end, with the next page of the same allocation reserved
// and not committed: that page is committed as a guard page for the call,
// and a guard that is no longer there afterwards was read. Either fault
// ends the child at once with one of these codes, which the parent names.
constexpr DWORD kInfoReadPast = 0xE0F00001, kPixelsReadPast = 0xE0F00002,
                kInfoNotFenced = 0xE0F00011, kPixelsNotFenced = 0xE0F00012;

const char* FaultName(DWORD code) {
  switch (code) {
    case kInfoReadPast:
      return "GDI read past the program's copy of the header and colour table";
    case kPixelsReadPast:
      return "GDI read past the program's copy of the pixel bytes";
    case kInfoNotFenced:
      return "GDI was given a header copy with no fence behind it";
    case kPixelsNotFenced:
      return "GDI was given pixel bytes with no fence behind it";
    case STATUS_GUARD_PAGE_VIOLATION:
      return "a read of the guard page behind a fenced copy";
    case STATUS_ACCESS_VIOLATION:
      return "access violation";
    default:
      return nullptr;
  }
}

uint32_t watchedCalls = 0;  // GDI calls watched so far

[[noreturn]] void EndWith(DWORD code) {
  TerminateProcess(GetCurrentProcess(), code);
  for (;;) Sleep(INFINITE);
}

DWORD PageSize() {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  return system.dwPageSize;
}

// The guard page behind the buffer at `bytes`; ends the child with
// `notFenced` when there is no fence there to guard.
uint8_t* GuardBehind(const void* bytes, DWORD notFenced) {
  MEMORY_BASIC_INFORMATION buffer, behind;
  if (VirtualQuery(bytes, &buffer, sizeof buffer) == 0 || buffer.State != MEM_COMMIT)
    EndWith(notFenced);
  uint8_t* page = static_cast<uint8_t*>(buffer.BaseAddress) + buffer.RegionSize;
  if (VirtualQuery(page, &behind, sizeof behind) == 0 || behind.State != MEM_RESERVE ||
      behind.AllocationBase != buffer.AllocationBase ||
      VirtualAlloc(page, PageSize(), MEM_COMMIT, PAGE_READONLY | PAGE_GUARD) == nullptr)
    EndWith(notFenced);
  return page;
}

// Ends the child with `readPast` when the guard at `page` was read;
// otherwise leaves the page reserved again, as the program made it.
void CheckGuard(uint8_t* page, DWORD readPast) {
  MEMORY_BASIC_INFORMATION guard;
  if (VirtualQuery(page, &guard, sizeof guard) == 0 || !(guard.Protect & PAGE_GUARD))
    EndWith(readPast);
  VirtualFree(page, PageSize(), MEM_DECOMMIT);
}

using StretchDIBitsCall = int(WINAPI*)(HDC, int, int, int, int, int, int, int, int, const void*,
                                       const BITMAPINFO*, UINT, DWORD);
using CreateDIBSectionCall = HBITMAP(WINAPI*)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD);
StretchDIBitsCall realStretchDIBits = nullptr;
CreateDIBSectionCall realCreateDIBSection = nullptr;

int WINAPI WatchedStretchDIBits(HDC dc, int x, int y, int width, int height, int fromX, int fromY,
                                int fromWidth, int fromHeight, const void* bits,
                                const BITMAPINFO* info, UINT use, DWORD operation) {
  ++watchedCalls;
  uint8_t* infoGuard = GuardBehind(info, kInfoNotFenced);
  uint8_t* pixelGuard = GuardBehind(bits, kPixelsNotFenced);
  const int lines = realStretchDIBits(dc, x, y, width, height, fromX, fromY, fromWidth, fromHeight,
                                      bits, info, use, operation);
  CheckGuard(infoGuard, kInfoReadPast);
  CheckGuard(pixelGuard, kPixelsReadPast);
  return lines;
}

HBITMAP WINAPI WatchedCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT use, void** bits,
                                       HANDLE section, DWORD offset) {
  ++watchedCalls;
  uint8_t* infoGuard = GuardBehind(info, kInfoNotFenced);
  HBITMAP bitmap = realCreateDIBSection(dc, info, use, bits, section, offset);
  CheckGuard(infoGuard, kInfoReadPast);
  return bitmap;
}

// Points every slot of the program's import table that holds gdi32's
// `name` at `watched`; the real function's address, or 0 when no slot held
// it.
ULONG_PTR RedirectImport(const char* name, ULONG_PTR watched) {
  const auto real =
      reinterpret_cast<ULONG_PTR>(GetProcAddress(GetModuleHandleA("gdi32.dll"), name));
  auto* base = reinterpret_cast<uint8_t*>(GetModuleHandleA(nullptr));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  bool found = false;
  const auto* library =
      reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
  for (; real != 0 && library->Name != 0; ++library)
    for (auto* slot = reinterpret_cast<ULONG_PTR*>(base + library->FirstThunk); *slot; ++slot) {
      if (*slot != real) continue;
      DWORD protection;
      VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
      *slot = watched;
      VirtualProtect(slot, sizeof *slot, protection, &protection);
      found = true;
    }
  return found ? real : 0;
}

bool WatchGdiReads() {
  realStretchDIBits = reinterpret_cast<StretchDIBitsCall>(
      RedirectImport("StretchDIBits", reinterpret_cast<ULONG_PTR>(&WatchedStretchDIBits)));
  realCreateDIBSection = reinterpret_cast<CreateDIBSectionCall>(
      RedirectImport("CreateDIBSection", reinterpret_cast<ULONG_PTR>(&WatchedCreateDIBSection)));
  return realStretchDIBits != nullptr && realCreateDIBSection != nullptr;
}

char Outcome(HBITMAP bitmap, bool read) {
  if (bitmap != nullptr) DeleteObject(bitmap);
  return bitmap != nullptr ? 'M' : read ? 'N' : 'R';
}

// The program's load: the rule lets the file through when the read counter
// moves.
char LoadWithRule(const std::string& path) {
  const uint32_t before = sheetReads;
  BITMAP description;
  HBITMAP bitmap = LoadBitmapFile(path.c_str(), &description);
  return Outcome(bitmap, sheetReads != before);
}

// The comparison: the file name handed to LoadImageA, with only pixels
// inside the file header refused, as before the rule; a DIB section asked
// for where the program reads the file into one.
char LoadWithOldGuard(HWND window, const std::string& path, const std::vector<uint8_t>& bytes) {
  const BmpHeader bmp = DescribeBmp(bytes.data(), std::min(bytes.size(), kBmpHeadBytes));
  if (bmp.isBmp && bmp.pixelOffset >= 1 && bmp.pixelOffset < 14) return 'R';
  const bool dibSection = LayoutBmp(bmp, bytes.size()).pixels == BmpPixels::kIntoDibSection;
  const UINT flags = dibSection ? LR_LOADFROMFILE | LR_CREATEDIBSECTION : LR_LOADFROMFILE;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  return Outcome(
      static_cast<HBITMAP>(LoadImageA(instance, path.c_str(), IMAGE_BITMAP, 0, 0, flags)), true);
}

int RunChild(const Options& options) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
  SetUnhandledExceptionFilter(EndWithTheException);
  // A hidden window, as LoadImageA is given the program's instance from one.
  HWND window = CreateWindowA("STATIC", "loader fuzz", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  if (window == nullptr) {
    Say("error: it has no window\n");
    return 3;
  }
  if (!options.withoutRule && !WatchGdiReads()) {
    Say("error: it cannot watch GDI's reads\n");
    return 3;
  }
  const std::string path = options.work + "\\case.bmp";
  for (uint64_t i = options.first; i < options.first + options.cases; ++i) {
    const FuzzCase made = MakeFuzzCase(options.seed, i);
    if (!WriteWholeFile(path, made.bytes)) {
      Say("error: it cannot write %s\n", path.c_str());
      return 3;
    }
    if (!Say("case %" PRIu64 "\n", i)) return 4;
    const DWORD start = GetTickCount();
    const char outcome =
        options.withoutRule ? LoadWithOldGuard(window, path, made.bytes) : LoadWithRule(path);
    Say("done %" PRIu64 " %c %lu %zu %d %u\n", i, outcome, GetTickCount() - start,
        made.bytes.size(), made.large ? 1 : 0, watchedCalls);
  }
  Say("end\n");
  DestroyWindow(window);
  return 0;
}

// ---------------------------------------------------------------------------
// The parent

struct Tally {
  uint64_t cases = 0, crashes = 0, hangs = 0, refused = 0, noBitmap = 0, made = 0, children = 0;
  uint64_t slowest = 0;  // the case that took longest, and its milliseconds
  unsigned long slowestMs = 0;
  uint64_t large = 0, longestFile = 0;  // cases made from the larger images; the longest file
  uint64_t watchedCalls = 0;            // GDI calls watched, by all children
};

// How a child ended: it ran all its cases, ended (crashed) or fell silent
// (hung) during case `atCase`, or failed outside any case (or to start).
struct ChildEnd {
  enum { kFinished, kCrashed, kHung, kFailed } kind;
  uint64_t atCase;
  DWORD exitCode;
  std::string error;
};

struct Child {
  PROCESS_INFORMATION process = {};
  HANDLE output = nullptr;
};

bool StartChild(const Options& options, uint64_t first, Child& child) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  char arguments[160];
  snprintf(arguments, sizeof arguments,
           " --child --seed %" PRIu64 " --first %" PRIu64 " --cases %" PRIu64 "%s", options.seed,
           first, options.first + options.cases - first,
           options.withoutRule ? " --without-rule" : "");
  std::string commandLine =
      "\"" + std::string(self) + "\"" + arguments + " --work \"" + options.work + "\"";
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE writeEnd;
  if (!CreatePipe(&child.output, &writeEnd, &inherit, 1 << 16)) return false;
  SetHandleInformation(child.output, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  const bool started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &child.process);
  CloseHandle(writeEnd);  // the pipe breaks when the child ends
  if (!started) CloseHandle(child.output);
  return started;
}

void EndChild(Child& child) {
  CloseHandle(child.output);
  CloseHandle(child.process.hProcess);
  CloseHandle(child.process.hThread);
}

// What the child has written so far, appended to `pending`.
void ReadAvailable(HANDLE output, std::string& pending) {
  DWORD available = 0;
  char buffer[4096];
  while (PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr) && available > 0) {
    DWORD got = 0;
    if (!ReadFile(output, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) ||
        got == 0)
      return;
    pending.append(buffer, got);
  }
}

// A line every 10,000 cases on a long run.
void SayProgress(const Tally& tally) {
  printf("... %" PRIu64 " cases done, %" PRIu64 " crashes, %" PRIu64 " hangs\n", tally.cases,
         tally.crashes, tally.hangs);
  fflush(stdout);
}

// Follows the child's lines until it ends, or is silent for longer than
// the hang time during a case (or a minute before its first case).
// `next` follows the cases it has done.
ChildEnd WatchChild(const Options& options, Child& child, Tally& tally, uint64_t& next) {
  std::string pending, error;
  bool inCase = false, finished = false;
  uint64_t current = 0;
  unsigned childCalls = 0;  // GDI calls this child has said it watched
  DWORD lastNews = GetTickCount();
  for (;;) {
    const bool ended = WaitForSingleObject(child.process.hProcess, 20) == WAIT_OBJECT_0;
    ReadAvailable(child.output, pending);
    for (size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      const std::string line = pending.substr(0, end);
      uint64_t number = 0;
      char outcome = 0;
      unsigned long ms = 0;
      uint64_t length = 0;
      int large = 0;
      unsigned calls = 0;
      lastNews = GetTickCount();
      if (sscanf(line.c_str(), "case %" SCNu64, &number) == 1) {
        inCase = true;
        current = number;
      } else if (sscanf(line.c_str(), "done %" SCNu64 " %c %lu %" SCNu64 " %d %u", &number,
                        &outcome, &ms, &length, &large, &calls) == 6) {
        inCase = false;
        next = number + 1;
        ++tally.cases;
        tally.refused += outcome == 'R';
        tally.noBitmap += outcome == 'N';
        tally.made += outcome == 'M';
        tally.large += large != 0;
        tally.longestFile = std::max(tally.longestFile, length);
        tally.watchedCalls += calls - childCalls;
        childCalls = calls;
        if (ms > tally.slowestMs) {
          tally.slowest = number;
          tally.slowestMs = ms;
        }
        if (tally.cases % 10000 == 0) SayProgress(tally);
      } else if (line == "end") {
        finished = true;
      } else if (line.compare(0, 7, "error: ") == 0) {
        error = line.substr(7);
      }
    }
    DWORD exitCode = 0;
    if (ended) {
      GetExitCodeProcess(child.process.hProcess, &exitCode);
      if (inCase) return {ChildEnd::kCrashed, current, exitCode, ""};
      if (finished && exitCode == 0) return {ChildEnd::kFinished, 0, 0, ""};
      return {ChildEnd::kFailed, 0, exitCode, error.empty() ? "it ended between cases" : error};
    }
    if (GetTickCount() - lastNews > (inCase ? options.hangMs : 60000)) {
      TerminateProcess(child.process.hProcess, 1);
      WaitForSingleObject(child.process.hProcess, INFINITE);
      if (inCase) return {ChildEnd::kHung, current, 0, ""};
      return {ChildEnd::kFailed, 0, 0, "it was silent for a minute"};
    }
  }
}

// Makes the case again from its seed and number, keeps it in the crash
// folder and says what it is.
void KeepCase(const Options& options, const std::string& folder, const ChildEnd& end) {
  const FuzzCase made = MakeFuzzCase(options.seed, end.atCase);
  char name[96];
  snprintf(name, sizeof name, "\\seed-%" PRIu64 "-case-%" PRIu64 "%s.bmp", options.seed, end.atCase,
           end.kind == ChildEnd::kHung ? "-hang" : "");
  const std::string path = folder + name;
  const bool kept = WriteWholeFile(path, made.bytes);
  char what[160];
  const char* fault = FaultName(end.exitCode);
  if (end.kind == ChildEnd::kHung)
    snprintf(what, sizeof what, "hang: case %" PRIu64, end.atCase);
  else
    snprintf(what, sizeof what, "crash: case %" PRIu64 ", exit code 0x%08lX%s%s", end.atCase,
             end.exitCode, fault != nullptr ? ", " : "", fault != nullptr ? fault : "");
  printf("%s: %s; %s; read as %s; %s %s\n", what, made.base.c_str(), made.changes.c_str(),
         DescribeFields(made.bytes).c_str(), kept ? "kept as" : "could not keep", path.c_str());
  fflush(stdout);
}

int RunParent(const Options& options) {
  const std::string crashes =
      options.work + (options.withoutRule ? "\\crashes-without-rule" : "\\crashes");
  CreateDirectoryA(options.work.c_str(), nullptr);
  CreateDirectoryA(crashes.c_str(), nullptr);
  if (GetFileAttributesA(crashes.c_str()) == INVALID_FILE_ATTRIBUTES) {
    fprintf(stderr, "loader fuzz: %s cannot be made\n", crashes.c_str());
    return 2;
  }
  LARGE_INTEGER frequency, start, stop;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  Tally tally;
  // A child that cannot start, or ends outside any case, is tried again
  // from the first case not done: Wine has been seen to refuse a process
  // start once in a few thousand. Three in a row without a case done end
  // the run.
  int failures = 0;
  for (uint64_t next = options.first; next < options.first + options.cases;) {
    const uint64_t first = next;
    Child child;
    ChildEnd end = {ChildEnd::kFailed, 0, 0, "it could not be started"};
    if (StartChild(options, next, child)) {
      ++tally.children;
      end = WatchChild(options, child, tally, next);
      EndChild(child);
    } else {
      end.exitCode = GetLastError();
    }
    if (end.kind == ChildEnd::kFinished) break;
    if (end.kind == ChildEnd::kFailed) {
      failures = next > first ? 1 : failures + 1;
      fprintf(stderr, "loader fuzz: before case %" PRIu64 " a child failed: %s (code 0x%08lX)%s\n",
              next, end.error.c_str(), end.exitCode, failures < 3 ? "; starting another" : "");
      if (failures == 3) return 2;
      Sleep(1000);
      continue;
    }
    failures = 0;
    ++(end.kind == ChildEnd::kCrashed ? tally.crashes : tally.hangs);
    KeepCase(options, crashes, end);
    next = end.atCase + 1;
  }
  QueryPerformanceCounter(&stop);
  DeleteFileA((options.work + "\\case.bmp").c_str());
  const double seconds = static_cast<double>(stop.QuadPart - start.QuadPart) / frequency.QuadPart;
  const uint64_t cases = tally.cases + tally.crashes + tally.hangs;
  // Crashed and hung cases are counted apart from those that came back.
  printf("loader fuzz (%s%s): seed %" PRIu64 ", %" PRIu64
         " cases in %.1f s (%.1f cases/s): %" PRIu64 " crashes, %" PRIu64 " hangs, ",
         kBuild, options.withoutRule ? ", without the rule" : "", options.seed, cases, seconds,
         cases / seconds, tally.crashes, tally.hangs);
  if (options.withoutRule)
    printf("%" PRIu64 " refused by the old guard, %" PRIu64 " given no bitmap by LoadImageA, "
           "%" PRIu64 " bitmaps made by it; ", tally.refused, tally.noBitmap, tally.made);
  else
    printf("%" PRIu64 " refused by the rule, %" PRIu64 " read with no bitmap made, %" PRIu64
           " bitmaps made; ", tally.refused, tally.noBitmap, tally.made);
  printf("%" PRIu64 " from the larger images, files up to %" PRIu64 " bytes; ", tally.large,
         tally.longestFile);
  if (!options.withoutRule) printf("%" PRIu64 " GDI calls watched; ", tally.watchedCalls);
  printf("slowest case %" PRIu64 ": %lu ms; %" PRIu64 " child processes\n", tally.slowest,
         tally.slowestMs, tally.children);
  return tally.crashes + tally.hangs > 0 ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);  // plain \n lines, as the logs compare them
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    fprintf(stderr,
            "usage: loader_fuzz [--seed S] [--cases N] [--first I] [--work FOLDER] "
            "[--hang-seconds S] [--without-rule]\n");
    return 2;
  }
  return options.child ? RunChild(options) : RunParent(options);
}
