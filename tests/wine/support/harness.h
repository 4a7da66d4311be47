// Helpers for the tests that drive the real windows under Wine: start the
// program's windows in this process, pump messages, answer message boxes
// from a second thread, and write BMP files.
#ifndef PELLOWRICK_TESTS_HARNESS_H
#define PELLOWRICK_TESTS_HARNESS_H

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Starts the program's windows through WinMain's own start-up, with the
// start-up path given here; all program-wide records start fresh.
void StartProgram(const char* startupPath = "");
// Destroys the main window (and with it the panel) and drains the quit.
void StopProgram();

// Dispatches messages as the program's loop does, for `milliseconds`.
void Pump(DWORD milliseconds);
// Pumps until the condition holds or the timeout runs out.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// Waits for a thread or event while pumping, so helper threads that send
// messages to this thread's windows are never stuck.
bool WaitPumping(HANDLE handle, DWORD timeoutMs);

std::string WindowText(HWND window);
std::string ControlText(int id);  // a control of the panel
void SetControlText(int id, const char* text);
void Click(int id);               // BM_CLICK on a panel button

// What a message box shows: the text of its static controls, the ids of
// its visible buttons and its icon.
struct BoxContents {
  std::string text;
  std::vector<int> buttons;
  HICON icon = nullptr;
};
BoxContents ReadBox(HWND box);

// Message boxes with this caption are expected (a DialogWatcher answers
// them) until the matching StopExpectingBoxes. Any other message box of
// this process is answered at once and fails the running test.
void ExpectBoxes(const std::string& caption);
void StopExpectingBoxes(const std::string& caption);

// Watches, from a second thread, for dialogs of this process with the given
// caption; notes each one's text, owner, icon and buttons, keeps it open for
// `holdMs` and answers it with `button`. `note`, when given, is called on
// that thread as a dialog is found and again just before it is answered.
class DialogWatcher {
 public:
  explicit DialogWatcher(const char* caption, int button = IDOK, DWORD holdMs = 0,
                         std::function<int()> note = nullptr);
  ~DialogWatcher();
  int Count() const;              // dialogs answered so far
  std::string LastText() const;   // the static text of the last one
  // Of the last dialog; read once it has been answered and has gone.
  HWND owner = nullptr;
  HICON icon = nullptr;
  std::vector<int> buttons;       // the visible ones
  int noteAtOpen = -1, noteBeforeAnswer = -1;

 private:
  static DWORD WINAPI Run(void* self);
  std::string caption_;
  int button_;
  DWORD holdMs_;
  std::function<int()> note_;
  HANDLE thread_;
  volatile LONG stop_;
  volatile LONG count_;
  std::string lastText_;
  CRITICAL_SECTION lock_;
};

// Finds a visible top-level window of this process by caption (and class,
// if not null); file dialogs are left to FindFileDialog.
HWND FindOwnWindow(const char* caption, const char* className = "#32770");
// The visible file dialog of this process (it has the file-name field 0x47C).
HWND FindFileDialog();

// A folder of its own for this test process, inside the Wine temp folder.
std::string TempDir();
std::string TempFile(const char* name);

// Writes a bottom-up BMP of `bitsPerPixel` 1, 4, 8, 24 or 32; colour(x, y)
// gives the pixel as 0x00BBGGRR. Palette depths store 2^bits entries,
// `palette`'s first ones and then black, and each pixel as the index of its
// colour's first match there, or 0: their colours must be among those.
using PixelFn = std::function<COLORREF(int x, int y)>;
void WriteBmp(const std::string& path, int width, int height, int bitsPerPixel, PixelFn colour,
              const std::vector<COLORREF>& palette = {});
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadBytes(const std::string& path);

// Pixels of the back buffer and of the sheet DC.
COLORREF BackBufferPixel(int x, int y);
COLORREF SheetPixel(int x, int y);

// A real HDROP naming the files, as the shell would hand it over.
HDROP MakeDrop(const std::vector<std::string>& paths);
// Drops the files on the panel, as the shell does.
void DropFiles(const std::vector<std::string>& paths);
// What a spin sends the panel when its arrow is released at `position`.
void SpinReleased(int spinId, WORD position);

// Drives the next file dialog of this process from a second thread: finds
// it by its file-name field (id 0x47C), notes its caption and the name it
// starts with, types `fileName` into the field (unless it is null), presses
// `button` (IDOK or IDCANCEL) and waits until the dialog window has been
// destroyed, not merely hidden. With `answerWhen`, it presses the button
// only once that holds (looked at every 10 ms, for 20 s at most), for a test
// of what goes on while the dialog is open.
class FileDialogDriver {
 public:
  FileDialogDriver(const char* fileName, int button, std::function<bool()> answerWhen = nullptr);
  ~FileDialogDriver();
  // Waits for the driving thread; true when a dialog was found, answered
  // and destroyed.
  bool Finish(DWORD timeoutMs = 20000);
  // Valid after Finish.
  std::string Caption() const { return caption_; }
  std::string InitialName() const { return initialName_; }
 private:
  static DWORD WINAPI Run(void* self);
  std::string fileName_;
  bool typeName_;
  int button_;
  std::function<bool()> answerWhen_;
  HANDLE thread_;
  volatile LONG done_;
  std::string caption_;
  std::string initialName_;
};

#endif
