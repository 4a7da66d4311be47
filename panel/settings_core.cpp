#include "panel/settings_core.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsLeadByte(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

struct NameParts {
  size_t nameStart;  // after the drive and the last folder separator
  size_t lastDot;    // of the name, or SIZE_MAX
};

// Walks character by character, so that the trail byte of a double-byte
// character (0x5C in 表 and ソ) is never taken for a separator or a dot.
NameParts SplitName(const char* path, size_t length) {
  NameParts parts = {length >= 2 && path[1] == ':' ? 2u : 0u, SIZE_MAX};
  for (size_t i = parts.nameStart; i < length;) {
    const uint8_t c = static_cast<uint8_t>(path[i]);
    if (IsLeadByte(c) && i + 1 < length) {
      i += 2;
      continue;
    }
    if (c == '\\' || c == '/') {
      parts.nameStart = i + 1;
      parts.lastDot = SIZE_MAX;
    } else if (c == '.') {
      parts.lastDot = i;
    }
    ++i;
  }
  return parts;
}

// The fixed block in file order, 15 bytes: each value in 1 or 2 bytes, high
// byte first; the flags byte stands where there is no number field.
constexpr struct {
  uint32_t PanelNumbers::*value;
  int width;
} kFixedBlock[] = {
    {&PanelNumbers::frameWidth, 2}, {&PanelNumbers::frameHeight, 2}, {&PanelNumbers::interval, 2},
    {&PanelNumbers::columnIndex, 1}, {&PanelNumbers::zoom, 1}, {nullptr, 1},
    {&PanelNumbers::keyBlue, 1}, {&PanelNumbers::keyGreen, 1}, {&PanelNumbers::keyRed, 1},
    {&PanelNumbers::backRed, 1}, {&PanelNumbers::backGreen, 1}, {&PanelNumbers::backBlue, 1}};

constexpr size_t FixedBlockBytes() {
  size_t bytes = 0;
  for (const auto& slot : kFixedBlock) bytes += static_cast<size_t>(slot.width);
  return bytes;
}
static_assert(FixedBlockBytes() == kFixedBlockSize, "the table and the prefix size agree");

}  // namespace

void ClampToBytes(uint32_t value, int width, uint8_t* out) {
  const uint32_t maximum = width >= 2 ? 0xFFFFu : 0xFFu;
  const uint32_t stored = value > maximum ? maximum : value;
  if (width >= 2) {
    out[0] = static_cast<uint8_t>(stored >> 8);
    out[1] = static_cast<uint8_t>(stored & 0xFF);
  } else {
    out[0] = static_cast<uint8_t>(stored);
  }
}

uint8_t FlagsByte(bool horizontal, bool transparent, bool keyFromCorner) {
  return static_cast<uint8_t>((keyFromCorner ? kFlagKeyFromCorner : 0) |
                              (transparent ? kFlagTransparent : 0) |
                              (horizontal ? kFlagHorizontal : 0));
}

bool PathCanBeStored(const std::string& path) {
  return path.size() <= kSettingsTextLimit && path.find('\x3B') == std::string::npos &&
         path.find('\xFF') == std::string::npos && path.find('\0') == std::string::npos;
}

bool FrameListCanBeStored(const std::string& frameList) {
  return frameList.size() <= kSettingsTextLimit && frameList.find('\xFF') == std::string::npos &&
         frameList.find('\0') == std::string::npos;
}

std::vector<uint8_t> EncodeSettings(const SettingsRecord& record) {
  std::vector<uint8_t> out(record.path.begin(), record.path.end());
  out.push_back(kPathEnd);
  for (const auto& slot : kFixedBlock) {
    uint8_t bytes[2] = {record.flags};
    if (slot.value != nullptr) ClampToBytes(record.*slot.value, slot.width, bytes);
    out.insert(out.end(), bytes, bytes + slot.width);
  }
  out.insert(out.end(), record.frameList.begin(), record.frameList.end());
  return out;
}

DecodeResult DecodeSettings(const uint8_t* bytes, size_t size, SettingsRecord& record) {
  size_t at = 0;
  while (at < size && bytes[at] != kPathEnd) {
    if (bytes[at] == 0xFF || at >= kSettingsTextLimit) return DecodeResult::Damaged;
    ++at;
  }
  if (at >= size) return DecodeResult::Damaged;  // no 0x3B
  SettingsRecord decoded;
  decoded.path.assign(reinterpret_cast<const char*>(bytes), at);
  ++at;
  if (size - at < kFixedBlockSize) return DecodeResult::Damaged;
  for (const auto& slot : kFixedBlock) {
    const uint32_t value = slot.width == 2 ? bytes[at] * 256u + bytes[at + 1] : bytes[at];
    if (slot.value != nullptr)
      decoded.*slot.value = value;
    else
      decoded.flags = static_cast<uint8_t>(value);
    at += slot.width;
  }
  size_t end = at;
  while (end < size && bytes[end] != 0xFF) ++end;  // the list ends at 0xFF
  if (end - at > kSettingsTextLimit) return DecodeResult::Damaged;
  decoded.frameList.assign(reinterpret_cast<const char*>(bytes + at), end - at);
  record = decoded;
  return DecodeResult::Ok;
}

void SaveBaseName(const char* path, char out[256]) {
  const size_t length = strnlen(path, 255);
  const NameParts parts = SplitName(path, length);
  const size_t nameEnd = parts.lastDot != SIZE_MAX ? parts.lastDot : length;
  memcpy(out, path + parts.nameStart, nameEnd - parts.nameStart);
  out[nameEnd - parts.nameStart] = '\0';
}

std::string TemporaryNameBeside(const char* target, unsigned number) {
  const size_t length = strlen(target);
  char suffix[8];
  snprintf(suffix, sizeof suffix, "~%04X", number & 0xFFFFu);
  return std::string(target, SplitName(target, length).nameStart) + suffix;
}
