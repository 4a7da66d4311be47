// Answers, from a thread of its own, every message box of this process that
// no DialogWatcher expects, and fails the running test with the box's
// caption and text: a failure that shows a box fails at once instead of
// waiting for a click until the test program's time-out.
#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

#include "res/resource_ids.h"
#include "tests/wine/support/harness.h"

namespace {

CRITICAL_SECTION watchedLock;
std::multiset<std::string> watchedCaptions;

bool IsWatched(const std::string& caption) {
  EnterCriticalSection(&watchedLock);
  const bool watched = watchedCaptions.count(caption) > 0;
  LeaveCriticalSection(&watchedLock);
  return watched;
}

struct UnexpectedBox {
  HWND window = nullptr;
  std::string caption;
  BoxContents contents;
};

BOOL CALLBACK FindUnexpectedBox(HWND window, LPARAM found) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window) || strcmp(name, "#32770") != 0)
    return TRUE;
  // The panel has the path field; a file dialog, which the tests drive
  // themselves, the file-name field.
  if (GetDlgItem(window, IDC_PATH) != nullptr || GetDlgItem(window, 0x47C) != nullptr) return TRUE;
  const std::string caption = WindowText(window);
  if (IsWatched(caption)) return TRUE;
  auto* box = reinterpret_cast<UnexpectedBox*>(found);
  box->window = window;
  box->caption = caption;
  box->contents = ReadBox(window);
  return FALSE;
}

DWORD WINAPI GuardBoxes(void*) {
  for (;;) {
    Sleep(50);
    UnexpectedBox box;
    EnumWindows(FindUnexpectedBox, reinterpret_cast<LPARAM>(&box));
    if (box.window == nullptr) continue;
    // A box is shown before its caption and text are in place: only one
    // still there and still unexpected a moment later counts.
    const HWND seen = box.window;
    Sleep(200);
    box = UnexpectedBox{};
    EnumWindows(FindUnexpectedBox, reinterpret_cast<LPARAM>(&box));
    if (box.window != seen) continue;
    const int button = box.contents.buttons.empty() ? IDOK : box.contents.buttons.front();
    ADD_FAILURE() << "a message box no test expected, answered with button " << button
                  << ": caption \"" << box.caption << "\", text \"" << box.contents.text << "\"";
    PostMessageA(box.window, WM_COMMAND, button, 0);
    for (int i = 0; i < 500 && IsWindow(box.window) && IsWindowVisible(box.window); ++i) Sleep(10);
  }
}

class BoxGuard : public ::testing::Environment {
 public:
  void SetUp() override {
    HANDLE thread = CreateThread(nullptr, 0, GuardBoxes, nullptr, 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);  // it runs until the process ends
  }
};

struct Registration {
  Registration() {
    InitializeCriticalSection(&watchedLock);
    ::testing::AddGlobalTestEnvironment(new BoxGuard);
  }
} registration;

}  // namespace

void ExpectBoxes(const std::string& caption) {
  EnterCriticalSection(&watchedLock);
  watchedCaptions.insert(caption);
  LeaveCriticalSection(&watchedLock);
}

void StopExpectingBoxes(const std::string& caption) {
  EnterCriticalSection(&watchedLock);
  const auto one = watchedCaptions.find(caption);
  if (one != watchedCaptions.end()) watchedCaptions.erase(one);
  LeaveCriticalSection(&watchedLock);
}
