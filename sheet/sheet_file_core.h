// The rules about a sprite sheet's file that need no Windows: which names
// the program resolves itself, a file's stamp and when the playback tick
// looks at it again, what a BMP file's first bytes say (read once into one
// described form) and which files the loader may see, and when the held
// copy can stand for the file.
#ifndef PELLOWRICK_SHEET_FILE_CORE_H
#define PELLOWRICK_SHEET_FILE_CORE_H

#include <cstddef>
#include <cstdint>

// ---------------------------------------------------------------------------
// Names

// Whether a name is relative: it starts neither with a drive letter, a
// colon and a backslash or slash, nor with two backslashes or slashes (a
// network name). A lone leading backslash (the current drive's root) and
// a drive letter without one ("C:a.bmp") count as relative. Only the first
// three bytes are looked at; none of them can be a trail byte of a
// double-byte character there, so Japanese names are safe.
bool IsRelativeName(const char* name);

// ---------------------------------------------------------------------------
// Stamps, and when the tick looks at the file

// A sheet file's size and last-write time; both 0 when it cannot be read.
struct FileStamp {
  uint64_t size;
  uint64_t lastWriteTime;
};

constexpr bool SameStamp(const FileStamp& a, const FileStamp& b) {
  return a.size == b.size && a.lastWriteTime == b.lastWriteTime;
}

// The file is looked at no more often than this, in milliseconds, however
// short the playback interval; and at least this often while its folder
// reports nothing, since some folders accept a change notification and
// never signal it.
constexpr uint32_t kSheetCheckInterval = 300;
constexpr uint32_t kSheetQuietLookInterval = 2000;

// Whether `interval` milliseconds have passed at tick count `now` since the
// tick count `since`; the count wraps to 0 after 49.7 days, so only the
// difference counts.
bool IntervalHasPassed(uint32_t now, uint32_t since, uint32_t interval);

// File times count 100 ns steps. A file system that keeps last-write times
// in whole seconds (FAT keeps even seconds) gives a second save of the same
// size within that step the same stamp as the first.
constexpr uint64_t kFileTimeSecond = 10000000;
constexpr uint64_t kTimeStampStep = 2 * kFileTimeSecond;

// When a copy whose load began at `loadStart` must be loaded once more,
// though its file's stamp shows no change: the end of the time-stamp step
// of the file's `lastWriteTime`, when that time is a whole second and the
// load began before the step ended; 0 when the stamp will tell any later
// save (a finer time, or a load that began after the step), and for the
// stamp 0 of no file. A write time ahead of this clock (a share whose clock
// is ahead) says nothing of when the write happened here: it was before
// `firstLoadStart`, when the first copy with this stamp began to load, so
// its step ends at most a step after that.
uint64_t ReloadTimeForCoarseStamp(uint64_t lastWriteTime, uint64_t loadStart,
                                  uint64_t firstLoadStart);

// ---------------------------------------------------------------------------
// The BMP header

// What is read of a file's first bytes: the 14-byte file header and the
// bitmap header as far as the end of a version 5 header.
inline constexpr size_t kBmpHeadBytes = 14 + 124;

// A BMP file's first bytes as the rules below read them.
struct BmpHeader {
  bool isBmp;             // the whole file header is there and starts "BM"
  bool headerRead;        // and a bitmap header of 12 or 40 and more bytes, up to 124 of them
  uint32_t pixelOffset;   // where the file header puts the pixels; 0: behind the palette
  uint32_t headerSize;    // 12 for the core header, 40 or more for the others
  int64_t width, height;  // a negative height: rows top-down
  uint32_t planes, bitsPerPixel, compression, imageSize, coloursUsed;
};

// Reads `head`, the file's first `headBytes` bytes (at most kBmpHeadBytes;
// fewer for a shorter file).
BmpHeader DescribeBmp(const uint8_t* head, size_t headBytes);

// The length a file needs to hold everything the loader reads of it: the
// headers, the colour masks a 40-byte header keeps behind it, the palette
// entries the loader takes (at most 256) and the byte after them, and the
// pixels from their offset (0: behind the palette): rows of the width at
// the depth, padded to 4 bytes, or for compressed data the image size
// stated. Summed in 64 bits, UINT64_MAX when that does not fit. 0 when the
// loader's reads cannot be told, and so the loader must not see the file:
// cut inside its headers, no "BM", a header size other than 12 or 40 and
// more, a width of 0 or less, a height of 0, a pixel offset of 1 to 13 (the
// loader takes the pixels from the offset less 14 in 32 bits: about 4 GiB
// away), a depth or compression the format does not define, or compressed
// data without a size.
uint64_t BmpLengthNeeded(const BmpHeader& bmp);

// Whether the loader may see a file of `fileLength` bytes: everything it
// reads lies inside the file. A file cut short, or whose header points past
// its end, does not load.
bool BmpLoadsSafely(const BmpHeader& bmp, uint64_t fileLength);

// Whether the file loads safely and is an uncompressed bottom-up BMP of 24
// or 32 bits a pixel, with a 40-, 108- or 124-byte info header and its
// pixels behind its colour table: one that loads as a DIB section of its
// own format.
bool IsWholeTrueColourBmp(const BmpHeader& bmp, uint64_t fileSize);

// ---------------------------------------------------------------------------
// The held copy and the file

// A sheet as the reuse test sees it: its path, its file's stamp, and the
// key and background colours it is (or is to be) keyed with.
struct SheetIdentity {
  const char* path;
  FileStamp file;
  uint32_t keyColour;
  uint32_t backgroundColour;
};

// Whether the held sheet can be reused instead of loading a clean copy:
// transparency on, the same path byte for byte, the file unchanged since
// the held copy was loaded, the same key as the last pass, and, when a pass
// has keyed the held copy, the same background, so no keyed pixel keeps a
// background that is no longer the one drawn behind it.
bool CanReuseSheet(const SheetIdentity& wanted, const SheetIdentity& held, bool heldIsKeyed,
                   bool transparencyOn);

// Whether a held copy that no pass has touched (`heldIsClean`) is exactly
// what a load would give, whatever the key and the transparency box: the
// same path byte for byte and its file, read before, unchanged since. A
// pass that stopped part-way leaves a last key that is no colour (above
// 0x00FFFFFF): its copy is not clean.
bool HeldCopyIsTheFile(const SheetIdentity& wanted, const SheetIdentity& held, bool heldIsClean);

#endif
