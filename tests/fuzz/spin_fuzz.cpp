// Fuzzes the spin arithmetic: every direction and step stays defined and
// moves the value by at most one.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "panel/panel_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  const uint8_t remembered = data[0];
  const uint32_t reported = data[1];
  uint32_t value;
  memcpy(&value, data + 2, 4);
  int32_t floor;
  memcpy(&floor, data + 6, 4);
  const SpinDirection direction = SpinDirectionFrom(remembered, reported);
  if ((direction == SpinDirection::None) != (remembered == reported)) abort();
  const uint32_t next = SpinStep(value, direction, floor);
  switch (direction) {
    case SpinDirection::Up:
      if (next != value + 1u) abort();
      break;
    case SpinDirection::Down:
      if (next != value && next != value - 1u) abort();
      if (next == value - 1u && static_cast<int32_t>(value) <= floor) abort();
      break;
    case SpinDirection::None:
      if (next != value) abort();
      break;
  }
  return 0;
}
