#include "link/protocol.h"

#include <algorithm>

#include "common/text.h"

namespace k7740 {

namespace {

// Magnitude bytes carry the absolute value; wider values keep their low 8 bits.
uint8_t MagnitudeByte(int value) {
  const long long v = value;
  return static_cast<uint8_t>(v < 0 ? -v : v);
}

int Word(const uint8_t* p) { return (p[0] << 8) | p[1]; }

// Number of whole 4-byte groups that lie inside both totalBytes and size.
size_t ReadingGroups(size_t size, int totalBytes) {
  if (totalBytes < 4) return 0;
  const size_t usable = std::min(size, static_cast<size_t>(totalBytes));
  return usable / 4;
}

LoggerReading DecodeReading(const uint8_t* p) {
  const int16_t t = static_cast<int16_t>(static_cast<uint16_t>(Word(p)));
  const uint16_t h = static_cast<uint16_t>(Word(p + 2));
  // Single precision on purpose: the readings are stored and compared as 32-bit floats.
  return {static_cast<float>(t) * 0.1f, static_cast<float>(h) * 0.1f};
}

}  // namespace

uint8_t EncodeBcd(int v) { return static_cast<uint8_t>((v / 10) * 16 + v % 10); }

int DecodeBcd(uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

uint8_t SetupFlags(const LoggerSettings& s) {
  uint8_t flags = 0;
  if (s.startMode != 1) flags |= 0x80;          // manual start
  if (s.overwriteWhenFull != 1) flags |= 0x40;  // stop when full
  if (s.alarmLedFlash == 0) flags |= 0x20;
  if (s.alarmUnit == 1) flags |= 0x10;

  uint8_t signs = LeadingInt(s.tempAlarmLow) < 0 ? 0x01 : 0x00;
  if (LeadingInt(s.tempAlarmHigh) < 0) signs = 0x03;
  flags |= static_cast<uint8_t>(signs << 2);

  switch (s.sampleUnit) {
    case 1:
      flags |= 0x02;
      break;
    case 2:
      flags |= 0x03;
      break;
    default:
      flags |= 0x01;
      break;
  }
  return flags;
}

CommandFrame buildSetupCommand(const LoggerSettings& s) {
  return {s.ledFlashCycle,
          SetupFlags(s),
          static_cast<uint8_t>(LeadingInt(s.sampleInterval)),
          MagnitudeByte(LeadingInt(s.tempAlarmHigh)),
          MagnitudeByte(LeadingInt(s.tempAlarmLow)),
          static_cast<uint8_t>(LeadingInt(s.rhAlarmHigh)),
          static_cast<uint8_t>(LeadingInt(s.rhAlarmLow))};
}

CommandFrame buildSetTimeCommand(int year, int month, int day, int hour, int minute, int second) {
  const int reduced = ((year + 48) % 256 + 256) % 256;
  return {kSetTimeCode,    EncodeBcd(reduced), EncodeBcd(month), EncodeBcd(day),
          EncodeBcd(hour), EncodeBcd(minute),  EncodeBcd(second)};
}

CommandFrame buildDownloadRequest() {
  CommandFrame f;
  f.fill(kDownloadCode);
  return f;
}

CommandFrame buildBlockRequest(int blockNumber) {
  CommandFrame f = buildDownloadRequest();
  f[6] = static_cast<uint8_t>(blockNumber & 0xFF);
  return f;
}

Reply classifyReply(uint8_t firstByte, bool downloading, bool batteryMode) {
  if (downloading) return {};
  if (firstByte == kPresenceReply && !batteryMode) return {ReplyKind::Presence, 0};
  if (firstByte >= 1 && firstByte <= 4 && batteryMode) return {ReplyKind::Battery, firstByte};
  if (firstByte == kAcknowledgement) return {ReplyKind::Acknowledgement, 0};
  if (firstByte == kSetupAcknowledgement) return {ReplyKind::SetupAcknowledgement, 0};
  return {};
}

DownloadHeader decodeDownloadHeader(const uint8_t* bytes, size_t size) {
  // A short buffer decodes as if padded with zeros rather than reading past its end.
  uint8_t h[kHeaderSize] = {};
  if (bytes != nullptr) std::copy_n(bytes, std::min(size, static_cast<size_t>(kHeaderSize)), h);

  DownloadHeader d;
  d.totalBytes = Word(h + 1);
  d.skippedReadings = Word(h + 3) / 4;
  const int count = h[6];
  switch (h[5]) {
    case 0x60:
      d.intervalSeconds = count;
      break;
    case 0x30:
      d.intervalSeconds = count * 60;
      break;
    case 0x20:
      d.intervalSeconds = count * 3600;
      break;
    default:
      break;
  }
  d.loggerTime = {2000 + DecodeBcd(h[8]), DecodeBcd(h[9]),  DecodeBcd(h[10]),
                  DecodeBcd(h[11]),       DecodeBcd(h[12]), DecodeBcd(h[13])};

  int highSign = 1, lowSign = 1;
  if (h[19] == 0x76) {
    lowSign = -1;
  } else if (h[19] == 0x77) {
    highSign = -1;
    lowSign = -1;
  }
  d.tempAlarmHigh = h[14] * highSign;
  d.tempAlarmLow = h[15] * lowSign;
  d.rhAlarmHigh = h[16];
  d.rhAlarmLow = h[17];
  if (h[18] == '#') {
    d.alarmUnit = AlarmUnit::Celsius;
  } else if (h[18] == '$') {
    d.alarmUnit = AlarmUnit::Fahrenheit;
  }
  return d;
}

std::vector<LoggerReading> decodeReadings(const uint8_t* bytes, size_t size, int totalBytes) {
  std::vector<LoggerReading> out;
  if (bytes == nullptr) return out;
  const size_t groups = ReadingGroups(size, totalBytes);
  out.reserve(groups);
  for (size_t i = 0; i < groups; ++i) out.push_back(DecodeReading(bytes + 4 * i));
  return out;
}

int decodeReadingsInto(const uint8_t* bytes, size_t size, int totalBytes, float* temperature, float* humidity,
                       int capacity) {
  if (bytes == nullptr || temperature == nullptr || humidity == nullptr || capacity <= 0) return 0;
  const size_t groups = std::min(ReadingGroups(size, totalBytes), static_cast<size_t>(capacity));
  for (size_t i = 0; i < groups; ++i) {
    const LoggerReading r = DecodeReading(bytes + 4 * i);
    temperature[i] = r.temperature;
    humidity[i] = r.humidity;
  }
  return static_cast<int>(groups);
}

const char* BatteryLevelText(int level) {
  switch (level) {
    case 1:
      return "(<5%)";
    case 2:
      return "(20%-40%)";
    case 3:
      return "(40%-70%)";
    case 4:
      return "(70%-100%)";
    default:
      return "";
  }
}

}  // namespace k7740
