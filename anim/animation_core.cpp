#include "anim/animation_core.h"

#include <climits>
#include <cstdio>
#include <cstring>

#include "sheet/key_colour_core.h"

AnimationSettings animation = {};

namespace {

// Two's-complement 32-bit product without signed overflow.
int32_t WrappingProduct(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// One axis of CellInSheet: where cell `index` of `size` pixels starts in a
// sheet `sheetLength` long, how many of its pixels the sheet has that reach
// into `visible` back-buffer pixels at the zoom, and their length there. A
// cell with a nonnegative index starts at 0 or later, so only its far end
// is ever cut.
struct Span {
  int32_t start, length, shown;
};
Span SpanInSheet(int64_t index, int64_t size, int64_t zoom, int64_t sheetLength, int64_t visible) {
  if (size <= 0 || zoom <= 0 || index < 0) return {0, 0, 0};
  const int64_t start = index * size;  // below 2^62
  if (start >= sheetLength) return {0, 0, 0};
  const int64_t inSheet = sheetLength - start < size ? sheetLength - start : size;
  const int64_t reaching = (visible + zoom - 1) / zoom;  // the last may be cut by the edge
  const int64_t length = inSheet < reaching ? inSheet : reaching;
  // length * zoom stays below visible + zoom, or is the zoom itself: it fits.
  return {static_cast<int32_t>(start), static_cast<int32_t>(length),
          static_cast<int32_t>(length * zoom)};
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int32_t ParseDecimalWrapping(const char* text) {
  while (IsSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') {
    negative = *text == '-';
    ++text;
  }
  uint32_t value = 0;
  for (; IsDigit(*text); ++text) value = value * 10u + static_cast<uint32_t>(*text - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

void ParseFrameList(char* text, uint8_t sequence[kSequenceSize]) {
  size_t length = strlen(text);
  while (length > 0 && !IsDigit(text[length - 1])) text[--length] = '\0';

  // The text ends with a digit, so a 255-character text has at most 254
  // commas and 255 fields; the bound only guards longer input.
  int count = 0;
  char* field = text;
  while (count < kSequenceSize - 1) {
    char* comma = strchr(field, ',');
    if (comma != nullptr) *comma = '\0';
    sequence[count++] = static_cast<uint8_t>(ParseDecimalWrapping(field) & 0xFF);
    if (comma == nullptr) break;
    field = comma + 1;
  }
  sequence[count] = kSequenceEnd;
}

void FillSettingsFromFields(const PanelNumbers& fields, AnimationSettings& settings) {
  // The panel's unsigned numbers go unchanged into the signed fields.
  settings.frameWidth = static_cast<int32_t>(fields.frameWidth);
  settings.frameHeight = static_cast<int32_t>(fields.frameHeight);
  settings.columnIndex = static_cast<int32_t>(fields.columnIndex);
  settings.zoom = static_cast<int32_t>(fields.zoom);
  settings.loopLimit = static_cast<int32_t>(fields.loopLimit);
  settings.keyColour = PackColour(fields.keyRed, fields.keyGreen, fields.keyBlue);
  settings.backgroundColour = PackColour(fields.backRed, fields.backGreen, fields.backBlue);
}

int32_t CellCount(int32_t sheetWidth, int32_t sheetHeight, int32_t frameWidth,
                  int32_t frameHeight, bool horizontal) {
  const int32_t length = horizontal ? sheetWidth : sheetHeight;
  const int32_t cell = horizontal ? frameWidth : frameHeight;
  if (cell == 0) return 0;
  // INT_MIN / -1 does not fit; its two's-complement result is INT_MIN.
  if (length == INT_MIN && cell == -1) return INT_MIN;
  return length / cell;
}

void NormaliseSequence(uint8_t sequence[kSequenceSize], int32_t cellCount, char* text,
                       size_t textSize) {
  if (sequence[1] == kSequenceEnd) {
    const int32_t cells = cellCount < 0 ? 0 : (cellCount > 255 ? 255 : cellCount);
    for (int32_t i = 0; i < cells; ++i) sequence[i] = static_cast<uint8_t>(i);
    sequence[cells] = kSequenceEnd;
  }

  const int64_t lastCell = static_cast<int64_t>(cellCount) - 1;
  size_t used = 0;
  text[0] = '\0';
  if (sequence[0] != kSequenceEnd) {
    for (int i = 0; i < kSequenceSize; ++i) {
      // Read the next entry before this one may be replaced: a replacement
      // by 255 (N = 0) must not end the visit.
      const bool last = i + 1 >= kSequenceSize || sequence[i + 1] == kSequenceEnd;
      if (static_cast<int64_t>(sequence[i]) > lastCell)
        sequence[i] = i == 0 ? 0 : static_cast<uint8_t>(lastCell & 0xFF);
      const int written = snprintf(text + used, textSize - used, "%d,", sequence[i]);
      if (written < 0 || static_cast<size_t>(written) >= textSize - used) break;
      used += static_cast<size_t>(written);
      if (last) break;
    }
  }
  if (used > 0) text[used - 1] = '\0';
}

bool SequenceIsEmpty(const AnimationSettings& settings) {
  return settings.frameSequence[0] == kSequenceEnd;
}

bool AdvancePlayback(AnimationSettings& settings) {
  const int32_t position = settings.position;
  // An empty sequence is never read past its terminator: every tick counts
  // a pass at position 0, like a one-entry sequence, and draws no cell.
  const bool hasNext = !SequenceIsEmpty(settings) && position >= 0 &&
                       position < kSequenceSize - 1 &&
                       settings.frameSequence[position + 1] != kSequenceEnd;
  if (hasNext) {
    settings.position = position + 1;
    return false;
  }
  settings.loopsDone =
      static_cast<int32_t>(static_cast<uint32_t>(settings.loopsDone) + 1u);
  if (settings.loopLimit == 0 || settings.loopsDone < settings.loopLimit) {
    settings.position = 0;
    return false;
  }
  return true;
}

uint8_t CurrentEntry(const AnimationSettings& settings) {
  const int32_t position = settings.position;
  if (position < 0 || position >= kSequenceSize) return kSequenceEnd;
  return settings.frameSequence[position];
}

CellRects ChooseCell(AnimationSettings& settings) {
  const int32_t entry = CurrentEntry(settings);
  if (settings.horizontal != 0) {
    settings.cellColumn = entry;
    settings.cellRow = settings.columnIndex;
  } else {
    settings.cellColumn = settings.columnIndex;
    settings.cellRow = entry;
  }
  CellRects rects;
  rects.srcX = WrappingProduct(settings.cellColumn, settings.frameWidth);
  rects.srcY = WrappingProduct(settings.cellRow, settings.frameHeight);
  rects.srcWidth = settings.frameWidth;
  rects.srcHeight = settings.frameHeight;
  rects.dstWidth = WrappingProduct(settings.frameWidth, settings.zoom);
  rects.dstHeight = WrappingProduct(settings.frameHeight, settings.zoom);
  return rects;
}

CellRects CellInSheet(const AnimationSettings& settings, int32_t sheetWidth, int32_t sheetHeight) {
  const Span x = SpanInSheet(settings.cellColumn, settings.frameWidth, settings.zoom, sheetWidth,
                             kBackBufferWidth);
  const Span y = SpanInSheet(settings.cellRow, settings.frameHeight, settings.zoom, sheetHeight,
                             kBackBufferHeight);
  if (x.length == 0 || y.length == 0) return CellRects{0, 0, 0, 0, 0, 0};
  return CellRects{x.start, y.start, x.length, y.length, x.shown, y.shown};
}
