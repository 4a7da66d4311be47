#include "app/command_line_core.h"

namespace {

bool IsBlank(unsigned char byte) { return byte == ' ' || byte == '\t'; }

}  // namespace

const char* ArgumentTextOf(const char* commandLine) {
  if (commandLine == nullptr) return "";
  // Unsigned bytes: the toolchain's start-up code compares signed chars
  // with the space and so takes every byte of 0x80 or more for a blank.
  const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
  if (*p == '"') {
    ++p;
    while (*p != '\0' && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p != '\0' && !IsBlank(*p)) ++p;
  }
  while (IsBlank(*p)) ++p;
  return reinterpret_cast<const char*>(p);
}

void ExtractStartupPath(const char* argumentText, char path[kPathBufferSize]) {
  path[0] = '\0';
  if (argumentText == nullptr || argumentText[0] == '\0') return;
  const bool quoted = argumentText[0] == '"';
  const char endMark = quoted ? '"' : ' ';
  // Only the space and the double quote are compared; no trail byte of
  // code page 932 takes either value, so Japanese names pass unchanged.
  const char* begin = quoted ? argumentText + 1 : argumentText;
  size_t length = 0;
  for (const char* p = argumentText + 1; *p != '\0' && *p != endMark; ++p) ++length;
  if (!quoted) ++length;  // the unquoted path includes its first character
  if (length > kPathBufferSize - 1) length = kPathBufferSize - 1;
  for (size_t i = 0; i < length; ++i) path[i] = begin[i];
  path[length] = '\0';
}
