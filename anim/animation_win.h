// The Start command, the playback tick and the back-buffer fill.
#ifndef PELLOWRICK_ANIMATION_WIN_H
#define PELLOWRICK_ANIMATION_WIN_H

#include <windows.h>

#include "app/command_line_core.h"

// Loads the sheet (`pathBuffer` as the sheet load takes it), reads the
// panel, writes defaults back, arms PLAYBACK_TIMER_ID, builds the frame sequence
// and keys the sheet. False when the sheet load failed.
bool StartAnimation(HWND panel, char pathBuffer[kPathBufferSize]);

// One tick of PLAYBACK_TIMER_ID on the main window.
void PlaybackTick(HWND mainWindow);

// Fills the whole 1024 x 768 back buffer with one colour (0x00BBGGRR).
void FillBackBuffer(HDC backBuffer, COLORREF colour);

#endif
