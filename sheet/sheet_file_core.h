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
// short the playback interval.
constexpr uint32_t kSheetCheckInterval = 300;

// Whether a look is due at tick count `now` after the one at `lastCheck`;
// the tick count wraps to 0 after 49.7 days, so only the difference counts.
bool SheetCheckIsDue(uint32_t now, uint32_t lastCheck);

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
// stamp 0 of no file.
uint64_t ReloadTimeForCoarseStamp(uint64_t lastWriteTime, uint64_t loadStart);

// ---------------------------------------------------------------------------
// The BMP header

// What is read of a file's first bytes: the 14-byte file header and the
// bitmap header as far as the end of a version 5 header.
inline constexpr size_t kBmpHeadBytes = 14 + 124;

// A BMP file's first bytes as the rules below read them.
struct BmpHeader {
  bool isBmp;             // the whole file header is there and starts "BM"
  bool headerRead;        // and the bitmap header, up to 124 bytes of it
  uint32_t pixelOffset;   // where the file header puts the pixels
  uint32_t headerSize;    // 12 for the core header, 40 or more for the others
  int64_t width, height;  // a negative height: rows top-down
  uint32_t planes, bitsPerPixel, compression, imageSize, coloursUsed;
  uint64_t profileEnd;    // where an embedded colour profile ends; 0 none
};

// Reads `head`, the file's first `headBytes` bytes (at most kBmpHeadBytes;
// fewer for a shorter file).
BmpHeader DescribeBmp(const uint8_t* head, size_t headBytes);

// Whether the pixel offset (1 to 13) points inside the 14-byte file
// header: a damaged file, which the loader must never see (it computes the
// pixels' address from the offset less 14 in 32 bits, far past the file in
// a 64-bit process).
bool BmpPixelsInFileHeader(const BmpHeader& bmp);

// The length a BMP file needs to hold all that its headers describe: the
// headers, the colour masks, the palette, the pixel data (from the pixel
// offset, the width, the height, the depth and the row padding; for
// compressed data the image size stated) and an embedded colour profile.
// UINT64_MAX when that does not fit in 64 bits; 0 when the head is not a
// BMP this rule can measure: cut inside its headers, or no "BM", a pixel
// offset inside the file header, an unknown header size, a width of 0 or
// less, a height of 0, or a depth or compression it does not know. The
// pixels start at the pixel offset (a palette may be shorter than the
// header says); an offset of 0 or inside the headers counts as the end of
// the headers and the palette.
uint64_t BmpLengthNeeded(const BmpHeader& bmp);

// Whether a file of `fileLength` bytes is whole: as long as its headers say.
bool BmpFileIsWhole(const BmpHeader& bmp, uint64_t fileLength);

// Whether the file is whole and an uncompressed bottom-up BMP of 24 or 32
// bits a pixel, with a 40-, 108- or 124-byte info header and its pixels
// behind its colour table: one that loads as a DIB section of its own.
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
