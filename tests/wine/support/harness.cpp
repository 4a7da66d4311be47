#include "tests/wine/support/harness.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

#include "anim/animation_core.h"
#include "app/app_win.h"
#include "app/frame_win.h"
#include "panel/panel_win.h"
#include "tools/bmp_file_core.h"
#include "sheet/sheet_win.h"

void StartProgram(const char* startupPath) {
  animation = {};
  sheet = {};
  memset(panelPath, 0, sizeof panelPath);
  frame = {};
  StartPellowrick(GetModuleHandleA(nullptr), startupPath, SW_SHOWNORMAL);
  Pump(50);
}

void StopProgram() {
  if (frame.mainWindow != nullptr && IsWindow(frame.mainWindow)) DestroyWindow(frame.mainWindow);
  frame.panel = nullptr;
  Pump(20);
}

void Pump(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) continue;
      if (frame.panel != nullptr && IsDialogMessageA(frame.panel, &message)) continue;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  } while (static_cast<int32_t>(end - GetTickCount()) > 0);
}

bool WaitPumping(HANDLE handle, DWORD timeoutMs) {
  // The helper threads read window texts of this thread's windows, which
  // sends WM_GETTEXT here: waiting without pumping would deadlock.
  return PumpUntil([&] { return WaitForSingleObject(handle, 0) == WAIT_OBJECT_0; }, timeoutMs);
}

bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const DWORD end = GetTickCount() + timeoutMs;
  while (!condition()) {
    if (timeoutMs != INFINITE && static_cast<int32_t>(end - GetTickCount()) <= 0) return false;
    Pump(10);
  }
  return true;
}

std::string WindowText(HWND window) {
  char text[2048] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::string ControlText(int id) {
  char text[2048] = {};
  GetDlgItemTextA(frame.panel, id, text, sizeof text);
  return text;
}

void SetControlText(int id, const char* text) { SetDlgItemTextA(frame.panel, id, text); }

void Click(int id) { SendMessageA(GetDlgItem(frame.panel, id), BM_CLICK, 0, 0); }

namespace {

struct FindRequest {
  const char* caption;    // null: any
  const char* className;  // null: any
  bool fileDialog;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
  auto* request = reinterpret_cast<FindRequest*>(lParam);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  // File dialogs share their caption with their own questions (the
  // overwrite prompt): they are told apart by their file-name field.
  if ((GetDlgItem(window, 0x47C) != nullptr) != request->fileDialog) return TRUE;
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  if (request->className != nullptr && strcmp(name, request->className) != 0) return TRUE;
  if (request->caption != nullptr && WindowText(window) != request->caption) return TRUE;
  request->found = window;
  return FALSE;
}

}  // namespace

HWND FindOwnWindow(const char* caption, const char* className) {
  FindRequest request = {caption, className, false, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&request));
  return request.found;
}

HWND FindFileDialog() {
  FindRequest request = {nullptr, "#32770", true, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&request));
  return request.found;
}

DialogWatcher::DialogWatcher(const char* caption, int button, DWORD holdMs,
                             std::function<int()> note)
    : caption_(caption), button_(button), holdMs_(holdMs), note_(std::move(note)),
      thread_(nullptr), stop_(0), count_(0) {
  InitializeCriticalSection(&lock_);
  ExpectBoxes(caption_);
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogWatcher::~DialogWatcher() {
  InterlockedExchange(&stop_, 1);
  WaitPumping(thread_, INFINITE);
  CloseHandle(thread_);
  StopExpectingBoxes(caption_);
  DeleteCriticalSection(&lock_);
}

int DialogWatcher::Count() const { return static_cast<int>(count_); }

std::string DialogWatcher::LastText() const {
  EnterCriticalSection(const_cast<CRITICAL_SECTION*>(&lock_));
  std::string text = lastText_;
  LeaveCriticalSection(const_cast<CRITICAL_SECTION*>(&lock_));
  return text;
}

namespace {

BOOL CALLBACK ReadBoxChild(HWND child, LPARAM contents) {
  auto* box = reinterpret_cast<BoxContents*>(contents);
  char name[64] = {};
  GetClassNameA(child, name, sizeof name);
  const LONG style = GetWindowLongA(child, GWL_STYLE);
  if (_stricmp(name, "Button") == 0 && (style & WS_VISIBLE)) box->buttons.push_back(GetDlgCtrlID(child));
  if (_stricmp(name, "Static") == 0 && (style & SS_TYPEMASK) == SS_ICON) {
    DWORD_PTR icon = 0;
    SendMessageTimeoutA(child, STM_GETICON, 0, 0, SMTO_BLOCK, 1000, &icon);
    box->icon = reinterpret_cast<HICON>(icon);
  } else if (_stricmp(name, "Static") == 0) {
    box->text += WindowText(child);
  }
  return TRUE;
}

}  // namespace

BoxContents ReadBox(HWND box) {
  BoxContents contents;
  EnumChildWindows(box, ReadBoxChild, reinterpret_cast<LPARAM>(&contents));
  return contents;
}

DWORD WINAPI DialogWatcher::Run(void* self) {
  auto* watcher = static_cast<DialogWatcher*>(self);
  HWND answered = nullptr;
  while (!watcher->stop_) {
    HWND box = FindOwnWindow(watcher->caption_.c_str());
    if (box != nullptr && box != answered) {
      if (watcher->note_) watcher->noteAtOpen = watcher->note_();
      watcher->owner = GetWindow(box, GW_OWNER);
      const BoxContents contents = ReadBox(box);
      watcher->buttons = contents.buttons;
      watcher->icon = contents.icon;
      EnterCriticalSection(&watcher->lock_);
      watcher->lastText_ = contents.text;
      LeaveCriticalSection(&watcher->lock_);
      Sleep(watcher->holdMs_);
      if (watcher->note_) watcher->noteBeforeAnswer = watcher->note_();
      // Counted before it is answered: the box is modal on the test's
      // thread, so the test reads the count only after the box has gone.
      InterlockedIncrement(&watcher->count_);
      PostMessageA(box, WM_COMMAND, watcher->button_, 0);
      for (int i = 0; i < 500 && IsWindow(box); ++i) Sleep(10);
      answered = box;
    }
    Sleep(5);
  }
  return 0;
}

std::string TempDir() {
  static std::string dir;
  if (dir.empty()) {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    char name[MAX_PATH];
    snprintf(name, sizeof name, "%spellowrick-%lu", base, GetCurrentProcessId());
    CreateDirectoryA(name, nullptr);
    dir = name;
  }
  return dir;
}

std::string TempFile(const char* name) { return TempDir() + "\\" + name; }

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* file = fopen(path.c_str(), "wb");
  if (file == nullptr) return;
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), file);
  fclose(file);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  int c;
  while ((c = fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  fclose(file);
  return bytes;
}

void WriteBmp(const std::string& path, int width, int height, int bitsPerPixel, PixelFn colour,
              const std::vector<COLORREF>& palette) {
  std::vector<uint32_t> entries(bitsPerPixel <= 8 ? size_t{1} << bitsPerPixel : 0, 0);
  std::copy_n(palette.begin(), std::min(palette.size(), entries.size()), entries.begin());
  PixelSource pixel = colour;
  if (!entries.empty())
    pixel = [&](int x, int y) {
      const auto match = std::find(entries.begin(), entries.end(), colour(x, y));
      return match == entries.end() ? 0u : static_cast<uint32_t>(match - entries.begin());
    };
  WriteBytes(path, EncodeBmp(width, height, bitsPerPixel, entries, pixel));
}

COLORREF BackBufferPixel(int x, int y) { return GetPixel(frame.backBufferDC, x, y); }

COLORREF SheetPixel(int x, int y) { return GetPixel(frame.sheetDC, x, y); }

void DropFiles(const std::vector<std::string>& paths) {
  SendMessageA(frame.panel, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(paths)), 0);
}

void SpinReleased(int spinId, WORD position) {
  SendMessageA(frame.panel, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, position),
               reinterpret_cast<LPARAM>(GetDlgItem(frame.panel, spinId)));
}

HDROP MakeDrop(const std::vector<std::string>& paths) {
  size_t bytes = sizeof(DROPFILES) + 1;
  for (const std::string& p : paths) bytes += p.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  char* names = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
  for (const std::string& p : paths) {
    memcpy(names, p.c_str(), p.size() + 1);
    names += p.size() + 1;
  }
  *names = '\0';
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

namespace {

// The edit inside the file-name field, or the field itself.
HWND FileNameEdit(HWND field) {
  char name[64] = {};
  GetClassNameA(field, name, sizeof name);
  if (strcmp(name, "ComboBoxEx32") == 0) {
    HWND edit = reinterpret_cast<HWND>(SendMessageA(field, CBEM_GETEDITCONTROL, 0, 0));
    if (edit != nullptr) return edit;
  }
  HWND edit = FindWindowExA(field, nullptr, "Edit", nullptr);
  return edit != nullptr ? edit : field;
}

}  // namespace

FileDialogDriver::FileDialogDriver(const char* fileName, int button,
                                   std::function<bool()> answerWhen)
    : fileName_(fileName != nullptr ? fileName : ""),
      typeName_(fileName != nullptr),
      button_(button),
      answerWhen_(std::move(answerWhen)),
      thread_(nullptr),
      done_(0) {
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

FileDialogDriver::~FileDialogDriver() {
  if (thread_ != nullptr) {
    WaitPumping(thread_, INFINITE);
    CloseHandle(thread_);
  }
}

bool FileDialogDriver::Finish(DWORD timeoutMs) {
  if (thread_ == nullptr) return false;
  if (!WaitPumping(thread_, timeoutMs)) return false;
  CloseHandle(thread_);
  thread_ = nullptr;
  return done_ != 0;
}

DWORD WINAPI FileDialogDriver::Run(void* self) {
  auto* driver = static_cast<FileDialogDriver*>(self);
  HWND dialog = nullptr;
  for (int i = 0; i < 400 && dialog == nullptr; ++i) {
    dialog = FindFileDialog();
    if (dialog == nullptr) Sleep(20);
  }
  if (dialog == nullptr) return 0;
  Sleep(200);  // the dialog fills its fields while it initialises
  driver->caption_ = WindowText(dialog);
  HWND field = GetDlgItem(dialog, 0x47C);
  HWND edit = FileNameEdit(field);
  driver->initialName_ = WindowText(edit);
  if (driver->typeName_) {
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(driver->fileName_.c_str()));
    if (edit != field)
      SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(driver->fileName_.c_str()));
  }
  for (int i = 0; i < 2000 && driver->answerWhen_ && !driver->answerWhen_(); ++i) Sleep(10);
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(driver->button_, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, driver->button_)));
  for (int i = 0; i < 1000 && IsWindow(dialog); ++i) Sleep(10);
  if (!IsWindow(dialog)) InterlockedExchange(&driver->done_, 1);
  return 0;
}
