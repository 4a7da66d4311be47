// The playback tick: step, compose the frame off-screen, show it.
#include <windows.h>

#include "anim/animation_core.h"
#include "anim/animation_win.h"
#include "app/frame_win.h"
#include "res/resource_ids.h"
#include "res/texts.h"
#include "sheet/sheet_watch_win.h"
#include "sheet/sheet_win.h"

void FillBackBuffer(HDC backBuffer, COLORREF colour) {
  RECT whole;
  SetRect(&whole, 0, 0, kBackBufferWidth, kBackBufferHeight);
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(backBuffer, &whole, brush);
  DeleteObject(brush);
}

void PlaybackTick(HWND mainWindow) {
  ReloadChangedSheet();  // an edited sheet shows at this tick
  HDC windowDC = GetDC(mainWindow);
  if (AdvancePlayback(animation)) KillTimer(mainWindow, PLAYBACK_TIMER_ID);  // this tick still draws

  ChooseCell(animation);
  // Only what the sheet has of the cell: the rest of the frame stays the
  // background, also where the sheet is smaller than when Start measured it.
  const CellRects cell = CellInSheet(animation, sheet.sheetWidth, sheet.sheetHeight);
  FillBackBuffer(frame.backBufferDC, animation.backgroundColour);
  // An empty sequence has no cell to show: the frame is the background.
  if (!SequenceIsEmpty(animation) && cell.srcWidth > 0)
    StretchBlt(frame.backBufferDC, 0, 0, cell.dstWidth, cell.dstHeight, frame.sheetDC, cell.srcX,
               cell.srcY, cell.srcWidth, cell.srcHeight, SRCCOPY);
  BitBlt(windowDC, 0, 0, kBackBufferWidth, kBackBufferHeight, frame.backBufferDC, 0, 0, SRCCOPY);
  ReleaseDC(mainWindow, windowDC);

  char title[256];
  wsprintfA(title, TEXT_PLAYING_TITLE_FORMAT, CurrentEntry(animation));
  SetWindowTextA(mainWindow, title);
}
