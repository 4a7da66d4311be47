#include "tests/wine/support/fixtures.h"

void SetFields(const Fields& fields) {
  for (const auto& [id, text] : fields) SetControlText(id, text.c_str());
}

void ExpectFields(const Fields& fields) {
  for (const auto& [id, text] : fields) EXPECT_EQ(ControlText(id), text) << "control " << id;
}

void SetSheet(const std::string& path, int cellWidth, int cellHeight, int interval) {
  SetFields({{IDC_PATH, path},
             {IDC_FRAME_WIDTH, std::to_string(cellWidth)},
             {IDC_FRAME_HEIGHT, std::to_string(cellHeight)},
             {IDC_INTERVAL, std::to_string(interval)}});
}

void SetBackground(COLORREF colour) {
  WriteField(frame.panel, IDC_BACK_RED, GetRValue(colour));
  WriteField(frame.panel, IDC_BACK_GREEN, GetGValue(colour));
  WriteField(frame.panel, IDC_BACK_BLUE, GetBValue(colour));
}

bool PanelStandsBesideMainWindow() {
  RECT outer, panel;
  GetWindowRect(frame.mainWindow, &outer);
  GetWindowRect(frame.panel, &panel);
  return panel.left == outer.right && panel.top == outer.top;
}

std::string SizeLabel(int width, int height) {
  char label[64];
  wsprintfA(label, TEXT_SHEET_SIZE_FORMAT, width, height);
  return label;
}

std::string PlayingTitle(int entry) {
  char title[64];
  wsprintfA(title, TEXT_PLAYING_TITLE_FORMAT, entry);
  return title;
}

std::string WindowsPath(const char* unixPath) {
  std::string path = "Z:";
  for (const char* p = unixPath; *p; ++p) path += *p == '/' ? '\\' : *p;
  return path;
}

std::string WriteSheet(const char* name, int width, int height, PixelFn colour, int bitsPerPixel,
                       const std::vector<COLORREF>& palette) {
  const std::string path = TempFile(name);
  WriteBmp(path, width, height, bitsPerPixel, std::move(colour), palette);
  return path;
}

void Poke16(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
  for (int i = 0; i < 2; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

void Poke32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

bool TimerRuns() {
  const int32_t loops = animation.loopsDone;
  return PumpUntil([loops] { return animation.loopsDone > loops + 1; }, 3000);
}

bool TimerStands() {
  const int32_t loops = animation.loopsDone;
  const int32_t position = animation.position;
  Pump(250);
  return animation.loopsDone == loops && animation.position == position;
}

bool PassesDone(int passes) {
  return PumpUntil([passes] { return animation.loopsDone >= passes; });
}

PROCESS_MEMORY_COUNTERS MemoryNow() {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  K32GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}
