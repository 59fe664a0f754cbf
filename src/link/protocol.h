// Every byte exchanged with the logger: frame builders and reply decoders, pure functions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "device/logger_settings.h"
#include "recording/recording.h"

namespace k7740 {

using CommandFrame = std::array<uint8_t, 7>;

inline constexpr uint8_t kPresenceProbe = 0x78;
inline constexpr uint8_t kBatteryQuery = 0x79;
inline constexpr uint8_t kPresenceReply = 0xAC;
inline constexpr uint8_t kAcknowledgement = 0xEE;
inline constexpr uint8_t kSetupAcknowledgement = 0x1E;
inline constexpr uint8_t kHeaderCode = 0xDD;
inline constexpr uint8_t kSetTimeCode = 0x58;
inline constexpr uint8_t kDownloadCode = 0x68;
inline constexpr int kHeaderSize = 21;
inline constexpr int kBlockSize = 654;
inline constexpr int kReceiveBufferSize = 65504;
inline constexpr int kMaxDataBytes = kMaxReadings * 4;  // 65,440

uint8_t EncodeBcd(int v);
int DecodeBcd(uint8_t b);

CommandFrame buildSetupCommand(const LoggerSettings& settings);
// Year is the full year; it travels as BCD((year + 48) mod 256).
CommandFrame buildSetTimeCommand(int year, int month, int day, int hour, int minute, int second);
CommandFrame buildDownloadRequest();
CommandFrame buildBlockRequest(int blockNumber);
inline uint8_t probeByte(bool batteryMode) { return batteryMode ? kBatteryQuery : kPresenceProbe; }

// Setup flag bits, exposed for tests and the simulator.
uint8_t SetupFlags(const LoggerSettings& settings);

enum class ReplyKind { None, Presence, Battery, Acknowledgement, SetupAcknowledgement };
struct Reply {
  ReplyKind kind = ReplyKind::None;
  int batteryLevel = 0;  // 1..4 for Battery
};
Reply classifyReply(uint8_t firstByte, bool downloading, bool batteryMode);

enum class AlarmUnit { Celsius, Fahrenheit };

struct LoggerTime {
  int year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

struct DownloadHeader {
  int totalBytes = 0;
  int skippedReadings = 0;
  std::optional<int> intervalSeconds;
  LoggerTime loggerTime;
  int tempAlarmHigh = 0;
  int tempAlarmLow = 0;
  int rhAlarmHigh = 0;
  int rhAlarmLow = 0;
  std::optional<AlarmUnit> alarmUnit;
};

// bytes must hold at least kHeaderSize bytes.
DownloadHeader decodeDownloadHeader(const uint8_t* bytes, size_t size);

// Readings of the first totalBytes bytes (totalBytes / 4 of them; trailing 1-3 bytes ignored).
// Never reads beyond size.
std::vector<LoggerReading> decodeReadings(const uint8_t* bytes, size_t size, int totalBytes);

// Decodes straight into the document's arrays (no intermediate vector); returns the count stored,
// at most kMaxReadings.
int decodeReadingsInto(const uint8_t* bytes, size_t size, int totalBytes, float* temperature, float* humidity,
                       int capacity);

// Text of a battery level 1..4, e.g. "(40%-70%)"; empty for other values.
const char* BatteryLevelText(int level);

}  // namespace k7740
