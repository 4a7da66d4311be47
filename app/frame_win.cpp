#include "app/frame_win.h"

FrameState frame;
