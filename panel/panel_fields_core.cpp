#include "panel/panel_fields_core.h"

void ApplyStartDefaults(PanelNumbers& numbers) {
  for (const NumberField& field : kNumberFields)
    if (numbers.*field.value == 0) numbers.*field.value = field.initial;
  for (const ChannelField& field : kChannelFields)
    if (numbers.*field.value > 255) numbers.*field.value = 255;
}
