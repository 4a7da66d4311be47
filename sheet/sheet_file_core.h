// The rules about a sprite sheet's file that need no Windows: which names
// the program resolves itself, a file's stamp and when the playback tick
// looks at it again, what a BMP file's first bytes say (read once into one
// described form) and where the parts lie that its bitmap is made from,
// and when the held copy can stand for the file.
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
// The BMP file

// What DescribeBmp reads of a file's first bytes: the 14-byte file header
// and the bitmap header as far as the end of a version 5 header.
inline constexpr size_t kBmpHeadBytes = 14 + 124;
// The most that lies before a file's pixels and that the platform reads
// besides them: the headers and a colour table of 256 entries (a 40-byte
// header's colour masks lie within that).
inline constexpr size_t kBmpInfoLimit = kBmpHeadBytes + 256 * 4;

// A BMP file's first bytes as the rules below read them.
struct BmpHeader {
  bool isBmp;             // the whole file header is there and starts "BM"
  bool headerRead;        // and a bitmap header of 12 or 40 and more bytes, up to 124 of them
  uint32_t pixelOffset;   // where the file header puts the pixels; 0 and 14: behind the colour table
  uint32_t headerSize;    // 12 for the core header, 40 or more for the others
  int64_t width, height;  // a negative height: rows top-down
  uint32_t planes, bitsPerPixel, compression, imageSize, coloursUsed;
};

// Reads `head`, the file's first `headBytes` bytes (at most kBmpHeadBytes
// are looked at; fewer for a shorter file).
BmpHeader DescribeBmp(const uint8_t* head, size_t headBytes);

// How a file's bytes become the sheet's bitmap.
enum class BmpPixels {
  kRefused,         // something the bitmap is made from lies outside the file, or the form is unknown
  kIntoDibSection,  // uncompressed 24 or 32 bits: a DIB section of the file's own format, its rows read straight into it
  kDrawn,           // any other: a bitmap in the display's format, the pixels drawn into it by the platform
};

// Where the parts of a file lie that the bitmap is made from. Every byte
// the platform reads is one of these, and both lie inside the file.
struct BmpLayout {
  BmpPixels pixels;
  uint32_t infoBytes;      // the bitmap header, its colour masks and colour table, from byte 14
  uint32_t colourEntries;  // in that colour table (3 bytes each behind a core header, else 4)
  uint64_t pixelStart;     // where the pixel bytes begin
  uint64_t pixelBytes;     // rows of the width at the depth, each padded to 4 bytes, or the compressed size stated
  int32_t width, height;   // of the bitmap; the height positive whichever way the rows lie
};

// The layout of a file of `fileLength` bytes whose first bytes `bmp`
// describes. Refused: cut inside its headers or colour table, no "BM", a
// header size other than 12, 40, 108 or 124, a width of 0 or less, a
// height of 0, a width or height past 65535 (the platform's loader takes
// no larger), a pixel offset of 1 to 13, a depth or compression the format
// does not define, compressed data without a size, or pixel bytes that run
// past the end. A pixel offset of 0 or 14 means the pixels follow the
// colour table; any other offset is taken as it stands, even one inside
// the colour table. The colour table holds the entries the header counts,
// at most 256, and with none counted 2^bits up to 8 bits; a core header's
// always 2^bits up to 8 bits.
BmpLayout LayoutBmp(const BmpHeader& bmp, uint64_t fileLength);

// The length a file needs for everything its bitmap is made from: the end
// of its colour table or of its pixels, whichever lies further. Summed in 64
// bits, UINT64_MAX when that does not fit; 0 when no length would do.
uint64_t BmpLengthNeeded(const BmpHeader& bmp);

// Whether a file of `fileLength` bytes gives a bitmap: LayoutBmp does not
// refuse it.
bool BmpLoadsSafely(const BmpHeader& bmp, uint64_t fileLength);

// Makes the program's copy of the file's bitmap header, masks and colour
// table (`info`, layout.infoBytes long) fit to hand to the platform: a
// count of colours past the table says how many it holds, and a version 5
// header names no colour profile (a linked one is another file to read, an
// embedded one bytes the layout does not hold).
void PrepareBitmapInfo(uint8_t* info, const BmpLayout& layout);

// Whether a 1-bit file's colour table is black, then white: such a file
// becomes a monochrome bitmap, as the platform's loader makes it.
bool IsBlackAndWhite(const uint8_t* info, const BmpHeader& bmp, const BmpLayout& layout);

// ---------------------------------------------------------------------------
// The held copy and the file

// Whether a stamp was read at all: a file that could not be looked at (gone,
// or not to be opened) has the stamp 0, 0.
constexpr bool StampWasRead(const FileStamp& stamp) {
  return stamp.size != 0 || stamp.lastWriteTime != 0;
}

// Where the held copy came from: the file its name meant, that file's
// stamp as it was read, and when a copy with a coarse stamp must be loaded
// once more (ReloadTimeForCoarseStamp; 0: its stamp tells every later save).
struct CopyOrigin {
  const char* file;
  FileStamp stamp;
  uint64_t reloadTime;
};

// What the held copy is to a file: a copy of another file (or of none, or
// of an earlier version of this one); of this file as it is now, but a save
// may hide behind its coarse stamp; of this file as it is now, settled.
enum class HeldCopy { kAnotherFile, kSameFileNotSettled, kSameFileSettled };

// The held copy against `file`, whose stamp a look read just now. A stamp
// that could not be read says nothing of a change: the copy stands for the
// file. Before any load the origin is all empty, and stands for an empty
// name.
HeldCopy CompareHeldCopy(const CopyOrigin& copy, const char* file, const FileStamp& now);

// A sheet as the reuse test sees it: its path, and the key and background
// colours it is (or is to be) keyed with.
struct SheetIdentity {
  const char* path;
  uint32_t keyColour;
  uint32_t backgroundColour;
};

// Whether the held sheet can be reused instead of loading a clean copy:
// transparency on, the same path byte for byte, a settled copy of the file
// as it is, the same key as the last pass, and, when a pass has keyed the
// held copy, the same background, so no keyed pixel keeps a background that
// is no longer the one drawn behind it.
bool CanReuseSheet(HeldCopy copy, const SheetIdentity& wanted, const SheetIdentity& held,
                   bool heldIsKeyed, bool transparencyOn);

// Whether a held copy that no pass has touched (`heldIsClean`) is exactly
// what a load would give, whatever the key and the transparency box: the
// same path byte for byte, and a settled copy of the file as a look read
// it just now (`stampRead`: a file that cannot be looked at gives no
// copy). A pass that stopped part-way leaves a last key that is no colour
// (above 0x00FFFFFF): its copy is not clean.
bool HeldCopyIsTheFile(HeldCopy copy, bool stampRead, const SheetIdentity& wanted,
                       const SheetIdentity& held, bool heldIsClean);

#endif
