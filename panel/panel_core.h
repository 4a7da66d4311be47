// Pure rules of the control panel: where a file goes, and the spin counting.
#ifndef PELLOWRICK_PANEL_CORE_H
#define PELLOWRICK_PANEL_CORE_H

#include <cstdint>

// True when the last three bytes are exactly "bmp" or exactly "BMP".
bool IsSheetPath(const char* path);

// True when the last three bytes are exactly "plw" or exactly "PLW".
bool IsSettingsPath(const char* path);

enum class SpinDirection { None, Up, Down };

// The direction of a released spin from its reported position q and the
// position p it reported before; the spins run 0..100 and wrap.
SpinDirection SpinDirectionFrom(uint8_t remembered, uint32_t reported);

// The field's next value: up adds 1, down subtracts 1 only above the floor
// (signed comparison). Wraps at 32 bits instead of overflowing.
uint32_t SpinStep(uint32_t fieldValue, SpinDirection direction, int32_t floor);

#endif
