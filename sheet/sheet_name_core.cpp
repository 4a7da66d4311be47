#include "sheet/sheet_name_core.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

bool IsRelativeName(const char* name) {
  if (IsSeparator(name[0]) && IsSeparator(name[1])) return false;
  return !(IsAsciiLetter(name[0]) && name[1] == ':' && IsSeparator(name[2]));
}
