// The panel's twelve numeric fields, six numbers and six colour channels:
// one description that the panel's initialisation, Start, saving and loading go by.
#ifndef PELLOWRICK_PANEL_FIELDS_CORE_H
#define PELLOWRICK_PANEL_FIELDS_CORE_H

#include <cstdint>

#include "res/resource_ids.h"

// The fields' values as the panel reads them (unsigned, 0 when empty).
struct PanelNumbers {
  uint32_t frameWidth = 0, frameHeight = 0, interval = 0;
  uint32_t columnIndex = 0, zoom = 0, loopLimit = 0;
  uint32_t keyBlue = 0, keyRed = 0, keyGreen = 0;     // IDC_KEY_BLUE, IDC_KEY_RED, IDC_KEY_GREEN
  uint32_t backRed = 0, backGreen = 0, backBlue = 0;  // IDC_BACK_RED, _GREEN, _BLUE
};

// A number field: Start puts its initial value in place of 0.
struct NumberField {
  int id;
  uint32_t PanelNumbers::*value;
  uint32_t initial;      // what the panel shows when it opens
  bool inSettingsFile;   // the loop count is not saved
};

// A colour channel: Start counts a value above 255 as 255.
struct ChannelField {
  int id;
  uint32_t PanelNumbers::*value;
  uint32_t initial;
};

// Both in the panel's order.
inline constexpr NumberField kNumberFields[] = {
    {IDC_FRAME_WIDTH, &PanelNumbers::frameWidth, 64, true},
    {IDC_FRAME_HEIGHT, &PanelNumbers::frameHeight, 64, true},
    {IDC_INTERVAL, &PanelNumbers::interval, 200, true},
    {IDC_COLUMN, &PanelNumbers::columnIndex, 0, true},
    {IDC_ZOOM, &PanelNumbers::zoom, 1, true},
    {IDC_LOOP_COUNT, &PanelNumbers::loopLimit, 0, false},
};
inline constexpr ChannelField kChannelFields[] = {
    {IDC_KEY_BLUE, &PanelNumbers::keyBlue, 0},
    {IDC_KEY_RED, &PanelNumbers::keyRed, 0},
    {IDC_KEY_GREEN, &PanelNumbers::keyGreen, 0},
    {IDC_BACK_RED, &PanelNumbers::backRed, 255},
    {IDC_BACK_GREEN, &PanelNumbers::backGreen, 255},
    {IDC_BACK_BLUE, &PanelNumbers::backBlue, 255},
};

// Start's reading of the fields: a number field that reads 0 takes its
// initial value, a colour channel above 255 counts as 255. Afterwards the
// fields hold the values in use.
void ApplyStartDefaults(PanelNumbers& numbers);

#endif
