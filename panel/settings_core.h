// The settings file's bytes both ways, and the save dialog's base name.
// Layout: path, 0x3B, width, height, interval (2 bytes each, high first),
// column, zoom, flags, key blue, green, red, background red, green, blue
// (1 byte each), then the frame list to the end of the file.
#ifndef PELLOWRICK_SETTINGS_CORE_H
#define PELLOWRICK_SETTINGS_CORE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "panel/panel_fields_core.h"

constexpr size_t kSettingsTextLimit = 255;  // path and frame list, in bytes
constexpr uint8_t kPathEnd = 0x3B;
constexpr size_t kFixedBlockSize = 15;
// The most bytes the decoder ever looks at: a 255-byte path and its 0x3B,
// the fixed block, a 255-byte frame list and the one byte after it that
// tells whether the list ends there. A reader stops after these.
constexpr size_t kSettingsPrefixBytes =
    kSettingsTextLimit + 1 + kFixedBlockSize + kSettingsTextLimit + 1;
constexpr uint8_t kFlagHorizontal = 0x01;
constexpr uint8_t kFlagTransparent = 0x02;
constexpr uint8_t kFlagKeyFromCorner = 0x04;

// The panel's values as the settings file holds them; of the number
// fields, all but the loop count.
struct SettingsRecord : PanelNumbers {
  std::string path;  // empty: the path field is left as it is on loading
  uint8_t flags = 0;
  std::string frameList;
};

// The lowest `width` bytes (1 or 2), most significant first, of the value
// or of the largest value that fits.
void ClampToBytes(uint32_t value, int width, uint8_t* out);

uint8_t FlagsByte(bool horizontal, bool transparent, bool keyFromCorner);

// False when the text cannot be stored so that it reads back: a path with
// 0x3B or 0xFF, a frame list with 0xFF, or either longer than 255 bytes.
bool PathCanBeStored(const std::string& path);
bool FrameListCanBeStored(const std::string& frameList);

std::vector<uint8_t> EncodeSettings(const SettingsRecord& record);

enum class DecodeResult { Ok, Damaged };

// Damaged: no 0x3B before the end or a 0xFF inside the path, a path or a
// frame list longer than 255 bytes, or a file that ends inside the fixed
// block. A frame list ends at its first 0xFF; nothing after it counts, so
// the file's first kSettingsPrefixBytes decode as the whole file does.
// Never reads past `size`.
DecodeResult DecodeSettings(const uint8_t* bytes, size_t size, SettingsRecord& record);

// The save dialog's starting name: the path without its drive, folders and
// last extension. Double-byte characters of code page 932 are taken whole,
// so a trail byte 0x5C is never a folder separator.
void SaveBaseName(const char* path, char out[256]);

// A temporary file's name in the target's folder: the folder part, drive
// included, and "~" with four hex digits of `number`. Never more than four
// characters longer than the target, so it fits wherever the target fits.
std::string TemporaryNameBeside(const char* target, unsigned number);

#endif
