// A simulated K7740 logger: bytes in, reply bytes out. It answers the probes and commands
// the way the logger does, holds a clock, the last setup, a battery level and its stored
// readings, and can misbehave on purpose (faults) so the link's recovery paths can be driven.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/logger_settings.h"
#include "link/protocol.h"

namespace k7740 {

// One stored reading as the logger keeps it: tenths of a degree Celsius and tenths of %RH.
struct SimReading {
  int16_t temperatureTenths = 0;
  uint16_t humidityTenths = 0;
};

// The header's 16-bit byte count can announce at most this many readings.
inline constexpr int kSimMaxReadings = 0xFFFF / 4;

// Header unit codes.
inline constexpr uint8_t kUnitCodeSeconds = 0x60;
inline constexpr uint8_t kUnitCodeMinutes = 0x30;
inline constexpr uint8_t kUnitCodeHours = 0x20;

// Deliberate misbehaviour.
struct SimFaults {
  bool noAnswer = false;         // never reply to anything
  int loseBlock = -1;            // the first request for this block gets no reply
  int silentAfterBlock = -1;     // no reply to any block request with a higher number
  bool empty = false;            // the header announces 0 bytes
  std::optional<int> byteCount;  // header byte count override (0..65535)
  int garbageBytes = 0;          // this many junk bytes (00 55 00 55 ...) before every reply
};

struct SimConfig {
  LoggerTime startTime{2024, 3, 1, 0, 0, 0};  // time of the first stored reading
  uint8_t unitCode = kUnitCodeSeconds;
  uint8_t intervalCount = 60;
  int readingCount = 10080;  // generated readings when none are given
  uint32_t seed = 1;
  int tempAlarmHigh = 40;  // in the alarm unit
  int tempAlarmLow = 0;
  int rhAlarmHigh = 90;
  int rhAlarmLow = 30;
  char alarmUnitChar = '#';  // '#' Celsius, '$' Fahrenheit
  int batteryLevel = 4;
  int skippedBytes = 0;
  SimFaults faults;
};

// Interval in seconds of a header unit code and count; 0 for an unknown unit code.
int IntervalSeconds(uint8_t unitCode, int count);

// A plausible daily cycle of temperature (warmest mid-afternoon) and humidity (the opposite),
// with a little noise; the same seed always gives the same readings.
std::vector<SimReading> GenerateReadings(const LoggerTime& start, int intervalSeconds, int count,
                                         uint32_t seed);

// The fields a setup command carries, decoded back from its seven bytes.
LoggerSettings DecodeSetupCommand(const CommandFrame& frame);

class LoggerSimulator {
 public:
  LoggerSimulator() : LoggerSimulator(SimConfig{}) {}
  // Generates config.readingCount readings from config.seed.
  explicit LoggerSimulator(const SimConfig& config);
  LoggerSimulator(const SimConfig& config, std::vector<SimReading> readings);

  // Feeds bytes sent by the program; returns everything the logger sends back.
  std::vector<uint8_t> receive(const uint8_t* data, size_t size);
  std::vector<uint8_t> receive(const std::vector<uint8_t>& data) { return receive(data.data(), data.size()); }

  // The 21 header bytes and the stored data as they go over the wire.
  std::vector<uint8_t> headerBytes() const;
  const std::vector<uint8_t>& dataBytes() const { return data_; }
  int byteCount() const;

  SimConfig& config() { return config_; }
  const SimConfig& config() const { return config_; }
  SimFaults& faults() { return config_.faults; }
  const std::vector<SimReading>& readings() const { return readings_; }
  void setReadings(std::vector<SimReading> readings);
  void setBatteryLevel(int level) { config_.batteryLevel = level; }

  // The logger's own clock: set by the set-time command; starts at the first reading's time.
  const LoggerTime& clock() const { return clock_; }

  // Inspection for tests.
  const std::vector<CommandFrame>& framesReceived() const { return frames_; }
  const std::optional<LoggerSettings>& lastSetup() const { return lastSetup_; }
  const std::optional<CommandFrame>& lastSetupFrame() const { return lastSetupFrame_; }
  const std::optional<LoggerTime>& lastSetTime() const { return lastSetTime_; }
  int presenceProbeCount() const { return presenceProbes_; }
  int batteryQueryCount() const { return batteryQueries_; }
  int downloadRequestCount() const { return downloadRequests_; }
  int blockRequestCount() const { return static_cast<int>(blockRequests_.size()); }
  const std::vector<int>& blockRequests() const { return blockRequests_; }

  // One line per request and what was answered (for a verbose front end).
  void setRequestLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

 private:
  void RebuildData();
  std::vector<uint8_t> HandleByte(uint8_t b);
  std::vector<uint8_t> HandleFrame(const CommandFrame& frame);
  std::vector<uint8_t> Reply(std::vector<uint8_t> bytes, const std::string& what);
  std::vector<uint8_t> BlockReply(int n);
  void Log(const std::string& line);

  SimConfig config_;
  std::vector<SimReading> readings_;
  std::vector<uint8_t> data_;
  LoggerTime clock_;

  CommandFrame pending_{};
  size_t pendingSize_ = 0;  // 0 when idle

  std::vector<CommandFrame> frames_;
  std::optional<LoggerSettings> lastSetup_;
  std::optional<CommandFrame> lastSetupFrame_;
  std::optional<LoggerTime> lastSetTime_;
  int presenceProbes_ = 0;
  int batteryQueries_ = 0;
  int downloadRequests_ = 0;
  std::vector<int> blockRequests_;
  bool lostBlockSpent_ = false;
  std::function<void(const std::string&)> log_;
};

// The header unit code and count for an interval in seconds; false when no code can carry it
// (the count must fit in one byte).
bool EncodeInterval(int seconds, uint8_t& unitCode, uint8_t& count);

}  // namespace k7740
