// Fuzzes the argument text and the start-up path extraction: any command
// line, never an overrun.
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
  // The argument text is the command line's own tail, without leading blanks.
  const char* text = ArgumentTextOf(argument.data());
  if (text < argument.data() || text > argument.data() + size || *text == ' ' || *text == '\t') abort();
  ExtractStartupPath(argument.data(), path);
  const size_t length = strnlen(path, sizeof path);
  if (length >= sizeof path) abort();
  // The path is a piece of the argument: after the quote, or from the start.
  const char* begin = argument[0] == '"' ? argument.data() + 1 : argument.data();
  if (argument[0] != '\0' && strncmp(path, begin, length) != 0) abort();
  return 0;
}
