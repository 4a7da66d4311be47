// A long session: playback on a 10 ms timer for more than 20,000 ticks
// while the spins, Start, drops and the transparency box are used, then the
// process's GDI objects are compared with what they were after the first
// hundred ticks. Its committed memory is printed beside them, not judged:
// that figure depends on the machine and the heap.
#include "tests/wine/support/fixtures.h"

#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// Live GDI objects of this process, or -1 when the count cannot be read.
// GetGuiResources returns 0 under Wine, so the count reads the GDI handle
// table: 24-byte entries, the object type at byte 14, 0 for a free entry.
// A 64-bit process finds the table in its PEB at 0xF8. A 32-bit one under
// Wine keeps it in the 64-bit PEB beside its own (its PEB's field at 0x94
// stays null): the 32-bit TEB's GdiBatchCount (0xF70) holds the 64-bit
// TEB's address, whose PEB (0x60) holds the table at 0xF8, as Wine's own
// gdi32 finds it. A 32-bit process of a 32-bit Wine (Wine 10's win32 prefix
// under emulation) has no 64-bit TEB: the field is 0, and its own PEB (0x30
// in the TEB) holds the table at 0x94.
const unsigned char* CurrentTeb() {
  // GCC takes the segment read inside NtCurrentTeb for an access to an
  // empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
  return reinterpret_cast<const unsigned char*>(NtCurrentTeb());
#pragma GCC diagnostic pop
}

const unsigned char* GdiHandleTable() {
  const unsigned char* teb = CurrentTeb();
#ifdef _WIN64
  const auto* peb = *reinterpret_cast<const unsigned char* const*>(teb + 0x60);
  return *reinterpret_cast<const unsigned char* const*>(peb + 0xF8);
#else
  const uint32_t teb64 = *reinterpret_cast<const uint32_t*>(teb + 0xF70);
  if (teb64 == 0) {
    const auto* peb = *reinterpret_cast<const unsigned char* const*>(teb + 0x30);
    return *reinterpret_cast<const unsigned char* const*>(peb + 0x94);
  }
  const uint64_t peb64 = *reinterpret_cast<const uint64_t*>(uintptr_t{teb64} + 0x60);
  if (peb64 == 0 || peb64 > UINT32_MAX) return nullptr;
  const uint64_t table = *reinterpret_cast<const uint64_t*>(static_cast<uintptr_t>(peb64) + 0xF8);
  if (table > UINT32_MAX) return nullptr;
  return reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(table));
#endif
}

int LiveGdiObjects() {
  const unsigned char* table = GdiHandleTable();
  if (table == nullptr) return -1;
  int live = 0;
  for (int i = 0; i < 0x10000; ++i) live += table[i * 24 + 14] != 0;
  return live;
}

TEST(GdiCountTest, TheCountSeesObjectsComeAndGo) {
  const int before = LiveGdiObjects();
  ASSERT_GT(before, 0);
  HBRUSH brushes[10];
  for (HBRUSH& b : brushes) b = CreateSolidBrush(RGB(1, 2, 3));
  EXPECT_EQ(LiveGdiObjects(), before + 10);
  for (HBRUSH b : brushes) DeleteObject(b);
  EXPECT_EQ(LiveGdiObjects(), before);
}

using LongRunTest = WithProgram;

TEST_F(LongRunTest, TwentyThousandTicksWithChangesLeakNothing) {
  const std::string first = WriteSheet("long-a.bmp", 32, 16, [](int x, int y) {
    return x < 4 && y < 4 ? RGB(255, 0, 255) : RGB(x * 8, y * 16, 90);
  });
  const std::string second = WriteSheet("long-b.bmp", 48, 24, [](int x, int y) {
    return x < 2 && y < 2 ? RGB(255, 0, 255) : RGB(200, x * 5, y * 10);
  });
  SetSheet(first, 8, 8, 10);
  SetFields({{IDC_FRAME_LIST, "0,1,2,3"}, {IDC_ZOOM, "2"}});
  // Transparent and started twice, so the probe pixel (held from then on)
  // is in the baseline: the first Start probes the still empty path buffer.
  Click(IDC_TRANSPARENT);
  Click(IDC_START);
  Click(IDC_START);
  ASSERT_NE(sheet.probeBitmap, nullptr);

  constexpr int kTicks = 20000, kBaselineTicks = 100;
  int gdiAtBaseline = 0;
  size_t memoryAtBaseline = 0;
  int64_t loops = 0;  // passes through the sequence, summed over restarts
  WORD spinPosition = 0;
  for (int tick = 1; tick <= kTicks; ++tick) {
    Tick();
    if (tick == kBaselineTicks) {
      Pump(20);
      gdiAtBaseline = LiveGdiObjects();
      ASSERT_GT(gdiAtBaseline, 0) << "the GDI count cannot be read";
      memoryAtBaseline = MemoryNow().PagefileUsage;
    }
    if (tick % 250 == 0) {
      switch (tick / 250 % 6) {
        case 0:  // up, then down on the next round: the zoom moves between 2 and 3
          spinPosition ^= 1;
          SpinReleased(IDC_ZOOM_SPIN, spinPosition);
          break;
        case 1:
          SpinReleased(IDC_COLUMN_SPIN, spinPosition);
          break;
        case 2:
          loops += animation.loopsDone;
          Click(IDC_START);
          break;
        case 3:
          DropFiles({tick / 250 % 12 < 6 ? second : first});
          break;
        case 4:
          Click(IDC_TRANSPARENT);
          break;
        case 5:
          Pump(15);  // let the real timer and the repaints in
          break;
      }
    }
  }
  loops += animation.loopsDone;
  Pump(50);
  const int gdiAtEnd = LiveGdiObjects();
  const size_t memoryAtEnd = MemoryNow().PagefileUsage;
  printf("  %d ticks sent (besides the 10 ms timer), %lld passes of the sequence\n", kTicks,
         static_cast<long long>(loops));
  printf("  GDI objects after %d ticks: %d, at the end: %d\n", kBaselineTicks, gdiAtBaseline, gdiAtEnd);
  printf("  committed memory after %d ticks: %zu KiB, at the end: %zu KiB\n", kBaselineTicks,
         memoryAtBaseline / 1024, memoryAtEnd / 1024);
  EXPECT_GE(loops, kTicks / 4 - 10);
  EXPECT_EQ(gdiAtEnd, gdiAtBaseline);

  // Still right: one more tick shows the current cell and its entry.
  Tick();
  const uint8_t entry = CurrentEntry(animation);
  EXPECT_EQ(WindowText(frame.mainWindow), PlayingTitle(entry));
  AnimationSettings copy = animation;
  const CellRects cell = ChooseCell(copy);
  EXPECT_EQ(BackBufferPixel(0, 0), SheetPixel(cell.srcX, cell.srcY));
  EXPECT_EQ(BackBufferPixel(cell.dstWidth - 1, cell.dstHeight - 1),
            SheetPixel(cell.srcX + cell.srcWidth - 1, cell.srcY + cell.srcHeight - 1));
  EXPECT_EQ(BackBufferPixel(cell.dstWidth + 5, 5), animation.backgroundColour);
}

}  // namespace
