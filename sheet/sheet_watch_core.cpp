#include "sheet/sheet_watch_core.h"

bool SheetCheckIsDue(uint32_t now, uint32_t lastCheck) {
  return now - lastCheck >= kSheetCheckInterval;
}

uint64_t ReloadTimeForCoarseStamp(uint64_t lastWriteTime, uint64_t loadStart) {
  if (lastWriteTime % kFileTimeSecond != 0 || lastWriteTime > UINT64_MAX - kTimeStampStep)
    return 0;
  const uint64_t stepEnd = lastWriteTime + kTimeStampStep;
  return loadStart < stepEnd ? stepEnd : 0;
}
