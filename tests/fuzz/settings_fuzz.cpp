// Fuzzes the settings decoder: any bytes, never a read past the input;
// whatever decodes encodes back to bytes that decode to the same record;
// the first kSettingsPrefixBytes, all a reader takes, decode as the whole.
// Also the save dialog's base name on any text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "panel/settings_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> exact(data, data + size);  // heap copy: ASan sees overreads
  SettingsRecord record{};
  const DecodeResult result = DecodeSettings(exact.data(), exact.size(), record);
  if (size > kSettingsPrefixBytes) {
    std::vector<uint8_t> prefix(data, data + kSettingsPrefixBytes);
    SettingsRecord fromPrefix{};
    if (DecodeSettings(prefix.data(), prefix.size(), fromPrefix) != result) abort();
    if (result == DecodeResult::Ok && EncodeSettings(fromPrefix) != EncodeSettings(record)) abort();
  }
  if (result == DecodeResult::Ok) {
    if (record.path.size() > 255 || record.frameList.size() > 255) abort();
    const std::vector<uint8_t> again = EncodeSettings(record);
    SettingsRecord second{};
    if (DecodeSettings(again.data(), again.size(), second) != DecodeResult::Ok) abort();
    if (EncodeSettings(second) != again) abort();
  }
  std::vector<char> text(data, data + (size < 300 ? size : 300));
  text.push_back('\0');
  char name[256];
  SaveBaseName(text.data(), name);
  if (strnlen(name, sizeof name) >= sizeof name) abort();
  return 0;
}
