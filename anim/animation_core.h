// The animation record, the frame sequence and the arithmetic of Start and
// of the playback tick. No Windows here: the shell reads and writes the panel.
#ifndef PELLOWRICK_ANIMATION_CORE_H
#define PELLOWRICK_ANIMATION_CORE_H

#include <cstddef>
#include <cstdint>

#include "panel/panel_fields_core.h"

constexpr int kSequenceSize = 256;
constexpr uint8_t kSequenceEnd = 255;  // the first 255 ends the sequence
constexpr int kFrameListTextSize = 256;   // what Start reads of the frame list, IDC_FRAME_LIST
constexpr int kRebuiltTextSize = 1024;    // holds 255 entries of "254,"
constexpr int kBackBufferWidth = 1024;
constexpr int kBackBufferHeight = 768;

struct AnimationSettings {
  int32_t frameWidth;
  int32_t frameHeight;
  int32_t columnIndex;
  int32_t zoom;
  int32_t loopLimit;
  int32_t loopsDone;
  int32_t position;
  int32_t horizontal;
  uint32_t keyColour;         // 0x00BBGGRR
  uint32_t backgroundColour;  // 0x00BBGGRR
  uint8_t frameSequence[kSequenceSize];
  int32_t cellColumn;
  int32_t cellRow;
  bool keyFromCorner;  // Start took the key from the top-left pixel (IDC_KEY_FROM_CORNER)
};

// The one program-wide record; all zero at process start.
extern AnimationSettings animation;

// The atoi rule with defined arithmetic: white space, one sign, digits;
// the digits accumulate with 32-bit wrap-around instead of overflowing.
int32_t ParseDecimalWrapping(const char* text);

// Fills the sequence from a comma list of at most 255 characters. Cuts the
// text at its commas, as the caller reuses the buffer for the rebuilt text.
void ParseFrameList(char* text, uint8_t sequence[kSequenceSize]);

// Copies the defaulted fields into the record and packs both colours.
void FillSettingsFromFields(const PanelNumbers& fields, AnimationSettings& settings);

// Cells along the strip: sheet width / cell width when horizontal, height /
// cell height otherwise, truncating; a cell size of 0 gives no cells.
int32_t CellCount(int32_t sheetWidth, int32_t sheetHeight, int32_t frameWidth,
                  int32_t frameHeight, bool horizontal);

// A one-entry sequence becomes every cell 0..N-1 (at most 255 of them); then
// every entry is brought into 0..N-1 and the list is rebuilt as text
// "a,b,c" in `text` (at least kRebuiltTextSize bytes).
void NormaliseSequence(uint8_t sequence[kSequenceSize], int32_t cellCount, char* text,
                       size_t textSize);

// One tick's stepping: advances position and counts passes. Returns true
// when this tick completes the last pass, so the timer has to stop.
bool AdvancePlayback(AnimationSettings& settings);

// The cell index shown at the current position (the title shows it).
uint8_t CurrentEntry(const AnimationSettings& settings);

// Whether the sequence holds no entry at all (its first byte ends it).
bool SequenceIsEmpty(const AnimationSettings& settings);

struct CellRects {
  int32_t srcX, srcY, srcWidth, srcHeight;
  int32_t dstWidth, dstHeight;
};

// Chooses cellColumn and cellRow from the current entry and computes the
// whole cell's rectangles. Products wrap as 32-bit two's complement.
CellRects ChooseCell(AnimationSettings& settings);

// The stretch copy of the chosen cell as the tick makes it: only the part
// that lies in a sheet of sheetWidth x sheetHeight, and of that only what
// reaches into the back buffer at the zoom, so that no pixel from outside
// the sheet is drawn. Computed in 64 bits. All 0 when nothing of the cell
// shows: a cell size or zoom of 0 or less, a negative cell index, a cell
// beyond the sheet, no sheet.
CellRects CellInSheet(const AnimationSettings& settings, int32_t sheetWidth, int32_t sheetHeight);

#endif
