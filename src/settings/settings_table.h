// The 34 settings keys in one table: section, key, kind, default and owning member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/logger_settings.h"
#include "settings/settings_store.h"

namespace k7740 {

// Settings owned by the main window.
struct MainSettings {
  int32_t comPort = 3;
  LoggerSettings logger;
  uint8_t backgroundColorIndex = 13;
  uint8_t tempColorIndex = 0;
  uint8_t rhColorIndex = 3;
  uint8_t gridColorIndex = 2;
};

// Settings owned by the graph view.
struct ViewSettings {
  int32_t gain = 10;
  int32_t offset = 0;
  int32_t gain1 = 10;
  int32_t offset1 = 0;
  uint8_t showTempCurve = 1;
  uint8_t showTempAlarmHigh = 0;
  uint8_t showTempAlarmLow = 0;
  uint8_t showRhCurve = 1;
  uint8_t showRhAlarmHigh = 0;
  uint8_t showRhAlarmLow = 0;
  uint8_t showMarkPoints = 0;
  uint8_t showYAxisLines = 1;
  uint8_t showXAxisLines = 1;
  int32_t yTempLow = -40;
  int32_t yTempHigh = 158;
  int32_t yRhLow = 0;
  int32_t yRhHigh = 100;
  // "UNIT" is the recording's isFahrenheit (RecordingView); it is passed separately so that
  // the program holds it once.
};

// Reads the main window's keys in its start-up order.
void ReadMainSettings(const SettingsStore& store, MainSettings& main);
// Reads the graph view's keys in its start-up order.
void ReadViewSettings(const SettingsStore& store, ViewSettings& view, uint8_t& isFahrenheit);
// Writes keys 1 to 34 in table order. Returns false if any write failed (error in store.LastError()).
bool WriteAllSettings(SettingsStore& store, const MainSettings& main, const ViewSettings& view,
                      uint8_t isFahrenheit);

}  // namespace k7740
