// Fuzzes the start-up path extraction: any argument text, never an overrun.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/command_line_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> argument(data, data + size);
  argument.push_back('\0');
  char path[kPathBufferSize];
  memset(path, 'x', sizeof path);
  ExtractStartupPath(argument.data(), path);
  const size_t length = strnlen(path, sizeof path);
  if (length >= sizeof path) abort();
  // The path is a piece of the argument: after the quote, or from the start.
  const char* begin = argument[0] == '"' ? argument.data() + 1 : argument.data();
  if (argument[0] != '\0' && strncmp(path, begin, length) != 0) abort();
  return 0;
}
