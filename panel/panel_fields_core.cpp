#include "panel/panel_fields_core.h"

void ApplyStartDefaults(PanelNumbers& numbers) {
  for (const PanelField& field : kPanelFields) {
    uint32_t& value = numbers.*field.value;
    if (field.kind == FieldKind::Number && value == 0) value = field.initial;
    if (field.kind == FieldKind::Channel && value > 255) value = 255;
  }
}
