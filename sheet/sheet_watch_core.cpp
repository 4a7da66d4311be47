#include "sheet/sheet_watch_core.h"

bool SheetCheckIsDue(uint32_t now, uint32_t lastCheck) {
  return now - lastCheck >= kSheetCheckInterval;
}
