// The sprite sheet's file on disk: its name, one open of it, the loader and
// the folder's change notification.
#include "sheet/sheet_file_win.h"

#include <cstdint>

#include "sheet/sheet_file_core.h"

void ResolveSheetName(const char* name, char resolved[MAX_PATH]) {
  if (name[0] != '\0' && IsRelativeName(name)) {
    // LoadImageA would search for a relative name, the program's folder
    // first; the user means the file in the folder they are in.
    const DWORD length = GetFullPathNameA(name, MAX_PATH, resolved, nullptr);
    if (length > 0 && length < MAX_PATH) {
      const DWORD attributes = GetFileAttributesA(resolved);
      if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return;
    }
    const DWORD found = SearchPathA(nullptr, name, nullptr, MAX_PATH, resolved, nullptr);
    if (found > 0 && found < MAX_PATH) return;
  }
  lstrcpynA(resolved, name, MAX_PATH);
}

namespace {

FileStamp StampOf(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(file, &information)) return FileStamp{0, 0};
  return FileStamp{
      (static_cast<uint64_t>(information.nFileSizeHigh) << 32) | information.nFileSizeLow,
      (static_cast<uint64_t>(information.ftLastWriteTime.dwHighDateTime) << 32) |
          information.ftLastWriteTime.dwLowDateTime};
}

// Opens `file` for reading, sharing what `share` lets others do meanwhile;
// while a writer keeps it from opening so, tries again for up to
// `waitForWriterMs`. The stamp is read through the handle.
bool OpenForReading(const char* file, DWORD share, DWORD waitForWriterMs, SheetFile& opened) {
  const DWORD start = GetTickCount();
  for (;;) {
    opened.handle = CreateFileA(file, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened.handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION ||
        GetTickCount() - start >= waitForWriterMs)
      break;
    Sleep(20);
  }
  opened.headBytes = 0;
  opened.headRead = false;
  opened.stamp = FileStamp{0, 0};
  if (opened.handle == INVALID_HANDLE_VALUE) return false;
  opened.stamp = StampOf(opened.handle);
  return true;
}

}  // namespace

bool OpenSheetFile(const char* file, SheetFile& opened) {
  return OpenForReading(file, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 0, opened);
}

bool HoldSheetFile(const char* file, SheetFile& held, DWORD waitForWriterMs) {
  return OpenForReading(file, FILE_SHARE_READ, waitForWriterMs, held);
}

bool ReadSheetHead(SheetFile& opened) {
  if (opened.headRead) return true;
  DWORD read = 0;
  if (!ReadFile(opened.handle, opened.head, sizeof opened.head, &read, nullptr)) return false;
  opened.headBytes = read;
  opened.headRead = true;
  return true;
}

FileStamp StampNow(const SheetFile& opened) { return StampOf(opened.handle); }

void CloseSheetFile(SheetFile& opened) {
  if (opened.handle != INVALID_HANDLE_VALUE) CloseHandle(opened.handle);
  opened.handle = INVALID_HANDLE_VALUE;
}

uint32_t loaderCalls = 0;

HBITMAP LoadHeldBitmap(HWND window, const char* file, SheetFile& held, BITMAP* description) {
  // The loader maps the file and reads what the header promises wherever it
  // lies: past the end of a file cut short it reads what is not there, and
  // with 32- or 1-bit pixels ends the process.
  if (!ReadSheetHead(held)) return nullptr;
  const BmpHeader bmp = DescribeBmp(held.head, held.headBytes);
  if (!BmpLoadsSafely(bmp, held.stamp.size)) return nullptr;
  HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
  // Loaded as a DIB section, a 24- or 32-bit file keeps its own format and
  // the loader needs nothing besides its view of the file; loaded plain, it
  // also converts the whole picture in a buffer of its own first (2.75
  // copies of the sheet at 32 bits against 1.5, measured under Wine). Any
  // other file loads plain, into the display's format.
  const UINT flags = IsWholeTrueColourBmp(bmp, held.stamp.size)
                         ? LR_LOADFROMFILE | LR_CREATEDIBSECTION
                         : LR_LOADFROMFILE;
  ++loaderCalls;
  HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(instance, file, IMAGE_BITMAP, 0, 0, flags));
  if (bitmap != nullptr) GetObjectA(bitmap, sizeof *description, description);
  return bitmap;
}

HBITMAP LoadBitmapFile(HWND window, const char* file, BITMAP* description) {
  SheetFile held;
  if (!HoldSheetFile(file, held, kWaitForWriterMs)) return nullptr;
  HBITMAP bitmap = LoadHeldBitmap(window, file, held, description);
  CloseSheetFile(held);
  return bitmap;
}

uint64_t FileTimeNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

bool FolderOf(const char* file, char folder[MAX_PATH]) {
  char* name = nullptr;
  const DWORD length = GetFullPathNameA(file, MAX_PATH, folder, &name);
  if (length == 0 || length >= MAX_PATH || name == nullptr) return false;
  *name = '\0';  // the folder, with its closing backslash
  return true;
}

HANDLE NotifyChangesIn(const char* folder) {
  HANDLE notification = FindFirstChangeNotificationA(
      folder, FALSE,
      FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_FILE_NAME);
  return notification == INVALID_HANDLE_VALUE ? nullptr : notification;
}

FolderReport PollFolder(HANDLE notification) {
  switch (WaitForSingleObject(notification, 0)) {
    case WAIT_TIMEOUT:
      return FolderReport::kQuiet;
    case WAIT_OBJECT_0:
      return FindNextChangeNotification(notification) ? FolderReport::kChanged
                                                      : FolderReport::kFailed;
    default:
      return FolderReport::kFailed;
  }
}

void StopNotifying(HANDLE notification) {
  if (notification != nullptr) FindCloseChangeNotification(notification);
}
