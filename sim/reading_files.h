// Readings for the simulator from a record file or a CSV file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/logger_simulator.h"

namespace k7740 {

// Readings loaded from a file for the simulator, with whatever the file says about them.
struct LoadedReadings {
  std::vector<SimReading> readings;
  std::optional<LoggerTime> startTime;
  std::optional<int> intervalSeconds;
  std::optional<char> alarmUnitChar;
  std::optional<int> tempAlarmHigh, tempAlarmLow, rhAlarmHigh, rhAlarmLow;
};

// "temperature,humidity" per line in degrees Celsius and %RH ("23.5,60"). Blank lines and
// lines starting with '#' are skipped, and so is a first line that is not numbers (a heading).
bool ParseReadingsCsv(const std::string& text, LoadedReadings& out, std::string& error);
// A record file image: readings, start time, interval and alarm limits.
bool ParseReadingsRecord(const std::vector<uint8_t>& bytes, LoadedReadings& out, std::string& error);
// By extension: ".record" or ".csv" (case-insensitive).
bool LoadReadingsFile(const std::string& path, LoadedReadings& out, std::string& error);

}  // namespace k7740
