// The sprite sheet's file on disk: its name, a look at its stamp, the read
// that makes its bitmap, and the folder's change notification.
#include "sheet/sheet_file_win.h"

#include <cstdint>
#include <cstring>

#include "sheet/sheet_file_core.h"

void ResolveSheetName(const char* name, char resolved[MAX_PATH]) {
  if (name[0] != '\0' && IsRelativeName(name)) {
    // The user means the file in the folder they are in; failing that, the
    // one the platform's search finds, the program's folder first.
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

uint32_t sheetReads = 0;
uint32_t sheetFileOpens = 0;

FileStamp LookAtSheetFile(const char* file) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(file, GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return FileStamp{0, 0};
  return FileStamp{
      (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
      (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
          data.ftLastWriteTime.dwLowDateTime};
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

// Memory for bytes the platform reads: they end where a page ends, and the
// page after it is reserved but never committed, so a read past them faults
// at once instead of reading whatever the heap holds there.
struct FencedBuffer {
  void* base;
  uint8_t* bytes;
};

FencedBuffer AllocateFenced(uint64_t bytes) {
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  const uint64_t page = system.dwPageSize;
  const uint64_t committed = (bytes + page - 1) / page * page;
  if (bytes == 0 || committed > SIZE_MAX - page) return FencedBuffer{nullptr, nullptr};
  void* base = VirtualAlloc(nullptr, static_cast<SIZE_T>(committed + page), MEM_RESERVE,
                            PAGE_NOACCESS);
  if (base == nullptr) return FencedBuffer{nullptr, nullptr};
  if (VirtualAlloc(base, static_cast<SIZE_T>(committed), MEM_COMMIT, PAGE_READWRITE) == nullptr) {
    VirtualFree(base, 0, MEM_RELEASE);
    return FencedBuffer{nullptr, nullptr};
  }
  return FencedBuffer{base, static_cast<uint8_t*>(base) + (committed - bytes)};
}

void FreeFenced(const FencedBuffer& buffer) {
  if (buffer.base != nullptr) VirtualFree(buffer.base, 0, MEM_RELEASE);
}

// Writes to one byte of every page of fresh memory before a read fills it:
// the system takes the first touch of a page far faster from the program
// than from inside the read (a 16384 x 16384 sheet read under Wine: 0.44 to
// 0.51 s so, against 0.59 to 0.74 s).
void TouchPages(uint8_t* memory, DWORD bytes) {
  constexpr DWORD kStep = 4096;  // the smallest page any Windows uses
  for (DWORD at = 0; at < bytes; at += kStep) static_cast<volatile uint8_t*>(memory)[at] = 0;
}

// Reads `bytes` bytes from `offset` on into fresh memory; false unless every
// one was read.
bool ReadAt(HANDLE file, uint64_t offset, void* into, uint64_t bytes) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
  auto* next = static_cast<uint8_t*>(into);
  constexpr uint64_t kChunk = 64u << 20;  // ReadFile counts in 32 bits
  while (bytes > 0) {
    const DWORD chunk = static_cast<DWORD>(bytes < kChunk ? bytes : kChunk);
    TouchPages(next, chunk);
    DWORD read = 0;
    if (!ReadFile(file, next, chunk, &read, nullptr) || read != chunk) return false;
    next += read;
    bytes -= read;
  }
  return true;
}

// What a read takes from the file while it is open: the layout, the
// program's copy of the header, masks and colour table, and the pixels,
// either read straight into a DIB section of the file's own format (no
// second copy of them at any moment) or into a buffer of their own.
struct SheetBytes {
  BmpHeader bmp;
  BmpLayout layout;
  FencedBuffer info;
  FencedBuffer pixels;
  HBITMAP section;
};

void FreeSheetBytes(SheetBytes& bytes) {
  FreeFenced(bytes.info);
  FreeFenced(bytes.pixels);
  if (bytes.section != nullptr) DeleteObject(bytes.section);
  bytes = SheetBytes{};
}

// Reads the bytes the bitmap is made from out of the open file of
// `fileLength` bytes; false, with nothing held, when they give none.
bool ReadSheetBytes(HANDLE file, uint64_t fileLength, SheetBytes& bytes) {
  bytes = SheetBytes{};
  uint8_t head[kBmpInfoLimit];
  const uint64_t headBytes = fileLength < kBmpInfoLimit ? fileLength : kBmpInfoLimit;
  if (!ReadAt(file, 0, head, headBytes)) return false;
  bytes.bmp = DescribeBmp(head, static_cast<size_t>(headBytes));
  bytes.layout = LayoutBmp(bytes.bmp, fileLength);
  const BmpLayout& layout = bytes.layout;
  if (layout.pixels == BmpPixels::kRefused) return false;
  ++sheetReads;
  // The platform reads the header, masks and colour table from the
  // program's own copy, which holds them and nothing more.
  bytes.info = AllocateFenced(layout.infoBytes);
  if (bytes.info.bytes == nullptr) return false;
  memcpy(bytes.info.bytes, head + 14, layout.infoBytes);
  PrepareBitmapInfo(bytes.info.bytes, layout);
  void* into = nullptr;
  if (layout.pixels == BmpPixels::kIntoDibSection) {
    bytes.section = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(bytes.info.bytes),
                                     DIB_RGB_COLORS, &into, nullptr, 0);
  } else {
    bytes.pixels = AllocateFenced(layout.pixelBytes);
    into = bytes.pixels.bytes;
  }
  if (into == nullptr || !ReadAt(file, layout.pixelStart, into, layout.pixelBytes)) {
    FreeSheetBytes(bytes);
    return false;
  }
  return true;
}

// The bitmap from the bytes read, once the file is closed; the caller
// frees the bytes. A DIB section holds them already. Any other is made as the platform's loader makes it:
// the bitmap first, at the header's size (monochrome for a black-and-white
// 1-bit file, else in the display's format), then the pixels drawn into it.
// Where the platform cannot draw them (a depth or compression it does not
// take) the bitmap stays as made; pixels an RLE delta or early end skips
// stay black.
HBITMAP BitmapFromBytes(SheetBytes& bytes) {
  HBITMAP bitmap = bytes.section;
  bytes.section = nullptr;
  const BmpLayout& layout = bytes.layout;
  if (layout.pixels == BmpPixels::kDrawn) {
    if (IsBlackAndWhite(bytes.info.bytes, bytes.bmp, layout)) {
      bitmap = CreateBitmap(layout.width, layout.height, 1, 1, nullptr);
    } else {
      HDC screen = GetDC(nullptr);
      bitmap = CreateCompatibleBitmap(screen, layout.width, layout.height);
      ReleaseDC(nullptr, screen);
    }
    if (bitmap != nullptr) {
      HDC dc = CreateCompatibleDC(nullptr);
      HGDIOBJ original = SelectObject(dc, bitmap);
      if (bytes.bmp.bitsPerPixel > 1) SetStretchBltMode(dc, HALFTONE);
      // The rows' order comes from the header: a top-down file stands upright.
      StretchDIBits(dc, 0, 0, layout.width, layout.height, 0, 0, layout.width, layout.height,
                    bytes.pixels.bytes, reinterpret_cast<const BITMAPINFO*>(bytes.info.bytes),
                    DIB_RGB_COLORS, SRCCOPY);
      SelectObject(dc, original);
      DeleteDC(dc);
    }
  }
  return bitmap;
}

// Sheets at least this large are read under the wait cursor.
constexpr uint64_t kLargeSheetBytes = 32u << 20;

// One read. The file is open only while its bytes are read: a rename over
// it (a paint program's save) fails while any program has it open, however
// it shares it.
SheetRead ReadOnce(const char* file) {
  SheetRead read = {};
  HANDLE handle = CreateFileA(file, GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return read;
  ++sheetFileOpens;
  read.stamp = StampOf(handle);
  HCURSOR previous = nullptr;
  const bool large = read.stamp.size >= kLargeSheetBytes;
  if (large) previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
  SheetBytes bytes;
  const bool readWhole = ReadSheetBytes(handle, read.stamp.size, bytes);
  // A writer may have changed the bytes between the check and the pixels.
  read.changedWhileRead = !SameStamp(StampOf(handle), read.stamp);
  CloseHandle(handle);
  if (readWhole && !read.changedWhileRead) read.bitmap = BitmapFromBytes(bytes);
  FreeSheetBytes(bytes);
  if (large) SetCursor(previous);
  if (read.bitmap != nullptr) GetObjectA(read.bitmap, sizeof read.description, &read.description);
  return read;
}

}  // namespace

SheetRead ReadSheetFile(const char* file, int reads) {
  SheetRead read = ReadOnce(file);
  for (int done = 1; done < reads && read.changedWhileRead; ++done) read = ReadOnce(file);
  return read;
}

HBITMAP LoadBitmapFile(const char* file, BITMAP* description) {
  const SheetRead read = ReadSheetFile(file, kReadsWhileChanging);
  if (read.bitmap != nullptr) *description = read.description;
  return read.bitmap;
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
