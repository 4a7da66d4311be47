// The panel's twelve number fields: one description that the panel's
// initialisation, Start, saving and loading all go by.
#ifndef PELLOWRICK_PANEL_FIELDS_CORE_H
#define PELLOWRICK_PANEL_FIELDS_CORE_H

#include <cstdint>

#include "res/resource_ids.h"

// The fields' values as the panel reads them (unsigned, 0 when empty).
struct PanelNumbers {
  uint32_t frameWidth = 0, frameHeight = 0, interval = 0;
  uint32_t columnIndex = 0, zoom = 0, loopLimit = 0;
  uint32_t keyBlue = 0, keyRed = 0, keyGreen = 0;     // 1023, 1024, 1025
  uint32_t backRed = 0, backGreen = 0, backBlue = 0;  // 1026, 1027, 1028
};

// Number: Start puts the initial value in place of 0. Channel: a colour
// channel, which Start counts as 255 above 255.
enum class FieldKind { Number, Channel };

struct PanelField {
  int id;
  uint32_t PanelNumbers::*value;
  uint32_t initial;  // what the panel shows when it opens
  FieldKind kind;
  bool inSettingsFile;  // the loop count is not saved
};

constexpr int kPanelFieldCount = 12;

// In the panel's order.
inline constexpr PanelField kPanelFields[kPanelFieldCount] = {
    {IDC_FRAME_WIDTH, &PanelNumbers::frameWidth, 64, FieldKind::Number, true},
    {IDC_FRAME_HEIGHT, &PanelNumbers::frameHeight, 64, FieldKind::Number, true},
    {IDC_INTERVAL, &PanelNumbers::interval, 200, FieldKind::Number, true},
    {IDC_COLUMN, &PanelNumbers::columnIndex, 0, FieldKind::Number, true},
    {IDC_ZOOM, &PanelNumbers::zoom, 1, FieldKind::Number, true},
    {IDC_LOOP_COUNT, &PanelNumbers::loopLimit, 0, FieldKind::Number, false},
    {IDC_KEY_BLUE, &PanelNumbers::keyBlue, 0, FieldKind::Channel, true},
    {IDC_KEY_RED, &PanelNumbers::keyRed, 0, FieldKind::Channel, true},
    {IDC_KEY_GREEN, &PanelNumbers::keyGreen, 0, FieldKind::Channel, true},
    {IDC_BACK_RED, &PanelNumbers::backRed, 255, FieldKind::Channel, true},
    {IDC_BACK_GREEN, &PanelNumbers::backGreen, 255, FieldKind::Channel, true},
    {IDC_BACK_BLUE, &PanelNumbers::backBlue, 255, FieldKind::Channel, true},
};

// Start's reading of the fields: a number field that reads 0 takes its
// initial value, a colour channel above 255 counts as 255. Afterwards the
// fields hold the values in use.
void ApplyStartDefaults(PanelNumbers& numbers);

#endif
