#include "panel/panel_core.h"

#include <cstring>

namespace {

bool EndsWithExactly(const char* path, const char* lower, const char* upper) {
  const size_t length = strlen(path);
  if (length < 3) return false;
  const char* tail = path + length - 3;
  return memcmp(tail, lower, 3) == 0 || memcmp(tail, upper, 3) == 0;
}

}  // namespace

bool IsSheetPath(const char* path) { return EndsWithExactly(path, "bmp", "BMP"); }

bool IsSettingsPath(const char* path) { return EndsWithExactly(path, "plw", "PLW"); }

SpinDirection SpinDirectionFrom(uint8_t remembered, uint32_t reported) {
  const uint32_t p = remembered;
  const uint32_t q = reported;
  if (q == p) return SpinDirection::None;
  if (p == 0 && q == 100) return SpinDirection::Up;
  if (p == 100 && q == 0) return SpinDirection::Down;
  return q < p ? SpinDirection::Up : SpinDirection::Down;
}

uint32_t SpinStep(uint32_t fieldValue, SpinDirection direction, int32_t floor) {
  switch (direction) {
    case SpinDirection::Up:
      return fieldValue + 1u;
    case SpinDirection::Down:
      return static_cast<int32_t>(fieldValue) > floor ? fieldValue - 1u : fieldValue;
    case SpinDirection::None:
      break;
  }
  return fieldValue;
}
