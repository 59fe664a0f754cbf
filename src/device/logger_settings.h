// The logging parameters held by the main window and sent with the setup command.
#pragma once

#include <cstdint>
#include <string>

namespace k7740 {

struct LoggerSettings {
  uint8_t alarmLedFlash = 1;      // 1: the LED flashes on high and low alarm
  int32_t alarmUnit = 0;          // 0 Celsius, 1 Fahrenheit
  uint8_t overwriteWhenFull = 0;  // 1 circular logging, 0 stop when full
  uint8_t startMode = 0;          // 0 Manual, 1 Automatic
  int32_t sampleUnit = 0;         // 0 Second, 1 Minute, 2 Hour
  uint8_t ledFlashCycle = 24;     // 24, 40, 56 or 72
  std::string sampleInterval = "10";
  std::string tempAlarmHigh = "40";
  std::string tempAlarmLow = "0";
  std::string rhAlarmHigh = "90";
  std::string rhAlarmLow = "30";
};

}  // namespace k7740
