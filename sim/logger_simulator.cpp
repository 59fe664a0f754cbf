#include "sim/logger_simulator.h"

#include <algorithm>
#include <cmath>

#include "common/text.h"

namespace k7740 {

namespace {

constexpr uint8_t kLedCodes[] = {0x18, 0x28, 0x38, 0x48};
constexpr int kMaxHeaderCount = 0xFFFF;

bool IsLedCode(uint8_t b) {
  return std::find(std::begin(kLedCodes), std::end(kLedCodes), b) != std::end(kLedCodes);
}

bool StartsFrame(uint8_t b) { return b == kSetTimeCode || b == kDownloadCode || IsLedCode(b); }

// Calendar arithmetic on the logger's clock fields, without any time zone: the logger
// knows nothing of daylight saving.
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

int64_t ToSeconds(const LoggerTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

LoggerTime FromSeconds(int64_t s) {
  int64_t days = s / 86400;
  int64_t rem = s % 86400;
  if (rem < 0) {
    rem += 86400;
    --days;
  }
  const int64_t z = days + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int y = static_cast<int>(yoe + era * 400 + (m <= 2));
  return {
      y, m, d, static_cast<int>(rem / 3600), static_cast<int>(rem % 3600 / 60), static_cast<int>(rem % 60)};
}

// Small fixed generator so the readings do not depend on the library's distributions.
struct SplitMix {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [-1, 1).
  double symmetric() { return static_cast<double>(next() >> 11) * (2.0 / 9007199254740992.0) - 1.0; }
};

std::string Hex(const uint8_t* p, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) s += StrFormat(i == 0 ? "%02X" : " %02X", p[i]);
  return s;
}

void AppendReading(std::vector<uint8_t>& out, const SimReading& r) {
  const auto t = static_cast<uint16_t>(r.temperatureTenths);
  out.push_back(static_cast<uint8_t>(t >> 8));
  out.push_back(static_cast<uint8_t>(t & 0xFF));
  out.push_back(static_cast<uint8_t>(r.humidityTenths >> 8));
  out.push_back(static_cast<uint8_t>(r.humidityTenths & 0xFF));
}

}  // namespace

int IntervalSeconds(uint8_t unitCode, int count) {
  switch (unitCode) {
    case kUnitCodeSeconds:
      return count;
    case kUnitCodeMinutes:
      return count * 60;
    case kUnitCodeHours:
      return count * 3600;
    default:
      return 0;
  }
}

bool EncodeInterval(int seconds, uint8_t& unitCode, uint8_t& count) {
  if (seconds <= 0) return false;
  if (seconds <= 255) {
    unitCode = kUnitCodeSeconds;
    count = static_cast<uint8_t>(seconds);
  } else if (seconds % 3600 == 0 && seconds / 3600 <= 255) {
    unitCode = kUnitCodeHours;
    count = static_cast<uint8_t>(seconds / 3600);
  } else if (seconds % 60 == 0 && seconds / 60 <= 255) {
    unitCode = kUnitCodeMinutes;
    count = static_cast<uint8_t>(seconds / 60);
  } else {
    return false;
  }
  return true;
}

std::vector<SimReading> GenerateReadings(const LoggerTime& start, int intervalSeconds, int count,
                                         uint32_t seed) {
  std::vector<SimReading> out;
  if (count <= 0) return out;
  out.reserve(static_cast<size_t>(count));
  SplitMix rng{seed};
  const int64_t t0 = ToSeconds(start);
  const double pi = std::acos(-1.0);
  double weather = 0.0;  // slow drift from day to day
  for (int i = 0; i < count; ++i) {
    const int64_t t = t0 + static_cast<int64_t>(i) * intervalSeconds;
    const double hourOfDay = static_cast<double>((t % 86400 + 86400) % 86400) / 3600.0;
    // Warmest around 15:00, coolest before dawn; humidity moves the other way.
    const double phase = std::cos(2.0 * pi * (hourOfDay - 15.0) / 24.0);
    weather = std::clamp(weather + 0.02 * rng.symmetric(), -3.0, 3.0);
    const double temp = 21.0 + 4.0 * phase + weather + 0.15 * rng.symmetric();
    const double rh = std::clamp(55.0 - 12.0 * phase - 2.0 * weather + 0.8 * rng.symmetric(), 5.0, 98.0);
    out.push_back(
        {static_cast<int16_t>(std::lround(temp * 10.0)), static_cast<uint16_t>(std::lround(rh * 10.0))});
  }
  return out;
}

LoggerSettings DecodeSetupCommand(const CommandFrame& f) {
  LoggerSettings s;
  const uint8_t flags = f[1];
  s.ledFlashCycle = f[0];
  s.startMode = (flags & 0x80) ? 0 : 1;
  s.overwriteWhenFull = (flags & 0x40) ? 0 : 1;
  s.alarmLedFlash = (flags & 0x20) ? 0 : 1;
  s.alarmUnit = (flags & 0x10) ? 1 : 0;
  const int signs = (flags >> 2) & 0x03;
  const bool lowNegative = signs == 0x01 || signs == 0x03;
  const bool highNegative = signs == 0x03;
  switch (flags & 0x03) {
    case 0x02:
      s.sampleUnit = 1;
      break;
    case 0x03:
      s.sampleUnit = 2;
      break;
    default:
      s.sampleUnit = 0;
      break;
  }
  s.sampleInterval = std::to_string(f[2]);
  s.tempAlarmHigh = std::to_string(highNegative ? -f[3] : f[3]);
  s.tempAlarmLow = std::to_string(lowNegative ? -f[4] : f[4]);
  s.rhAlarmHigh = std::to_string(f[5]);
  s.rhAlarmLow = std::to_string(f[6]);
  return s;
}

LoggerSimulator::LoggerSimulator(const SimConfig& config)
    : LoggerSimulator(
          config, GenerateReadings(config.startTime, IntervalSeconds(config.unitCode, config.intervalCount),
                                   config.readingCount, config.seed)) {}

LoggerSimulator::LoggerSimulator(const SimConfig& config, std::vector<SimReading> readings)
    : config_(config), readings_(std::move(readings)), clock_(config.startTime) {
  RebuildData();
}

void LoggerSimulator::setReadings(std::vector<SimReading> readings) {
  readings_ = std::move(readings);
  RebuildData();
}

void LoggerSimulator::RebuildData() {
  data_.clear();
  data_.reserve(readings_.size() * 4);
  for (const auto& r : readings_) AppendReading(data_, r);
}

int LoggerSimulator::byteCount() const {
  if (config_.faults.empty) return 0;
  if (config_.faults.byteCount) return std::clamp(*config_.faults.byteCount, 0, kMaxHeaderCount);
  return std::min(static_cast<int>(data_.size()), kMaxHeaderCount);
}

std::vector<uint8_t> LoggerSimulator::headerBytes() const {
  const int count = byteCount();
  const int skipped = std::clamp(config_.skippedBytes, 0, kMaxHeaderCount);
  // The header's time is the start of logging; the first delivered reading comes
  // skipped / 4 intervals later.
  const int interval = IntervalSeconds(config_.unitCode, config_.intervalCount);
  const LoggerTime t =
      FromSeconds(ToSeconds(config_.startTime) - static_cast<int64_t>(skipped / 4) * interval);

  uint8_t sign = 0x78;
  if (config_.tempAlarmLow < 0) sign = config_.tempAlarmHigh < 0 ? 0x77 : 0x76;
  auto magnitude = [](int v) { return static_cast<uint8_t>(v < 0 ? -v : v); };

  return {kHeaderCode,
          static_cast<uint8_t>(count >> 8),
          static_cast<uint8_t>(count & 0xFF),
          static_cast<uint8_t>(skipped >> 8),
          static_cast<uint8_t>(skipped & 0xFF),
          config_.unitCode,
          config_.intervalCount,
          0x00,
          EncodeBcd(((t.year % 100) + 100) % 100),
          EncodeBcd(t.month),
          EncodeBcd(t.day),
          EncodeBcd(t.hour),
          EncodeBcd(t.minute),
          EncodeBcd(t.second),
          magnitude(config_.tempAlarmHigh),
          magnitude(config_.tempAlarmLow),
          static_cast<uint8_t>(config_.rhAlarmHigh),
          static_cast<uint8_t>(config_.rhAlarmLow),
          static_cast<uint8_t>(config_.alarmUnitChar),
          sign,
          0x00};
}

void LoggerSimulator::Log(const std::string& line) {
  if (log_) log_(line);
}

std::vector<uint8_t> LoggerSimulator::Reply(std::vector<uint8_t> bytes, const std::string& what) {
  if (config_.faults.noAnswer) {
    Log(what + " -> no reply (no-answer fault)");
    return {};
  }
  if (bytes.empty()) {
    Log(what + " -> no reply");
    return {};
  }
  const int garbage = std::max(config_.faults.garbageBytes, 0);
  std::string desc =
      bytes.size() <= 8 ? Hex(bytes.data(), bytes.size()) : StrFormat("%zu bytes", bytes.size());
  if (garbage > 0) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(garbage) + bytes.size());
    for (int i = 0; i < garbage; ++i) out.push_back(i % 2 == 0 ? 0x00 : 0x55);
    out.insert(out.end(), bytes.begin(), bytes.end());
    desc = StrFormat("%d garbage bytes + ", garbage) + desc;
    bytes = std::move(out);
  }
  Log(what + " -> " + desc);
  return bytes;
}

std::vector<uint8_t> LoggerSimulator::BlockReply(int n) {
  const std::string what = StrFormat("block request %d", n);
  const SimFaults& f = config_.faults;
  if (f.silentAfterBlock >= 0 && n > f.silentAfterBlock) {
    Log(what + StrFormat(" -> no reply (silent after block %d)", f.silentAfterBlock));
    return {};
  }
  if (n == f.loseBlock && !lostBlockSpent_) {
    lostBlockSpent_ = true;
    Log(what + " -> no reply (lost once)");
    return {};
  }
  const size_t total = static_cast<size_t>(byteCount());
  const size_t begin = static_cast<size_t>(n) * kBlockSize;
  if (begin >= total) {
    Log(what + " -> no reply (beyond the data)");
    return {};
  }
  if (data_.size() < total) {
    // A byte count beyond the stored readings: keep the daily cycle going for the rest.
    const size_t needed = (total + 3) / 4;
    const auto more =
        GenerateReadings(config_.startTime, IntervalSeconds(config_.unitCode, config_.intervalCount),
                         static_cast<int>(needed), config_.seed);
    for (size_t i = data_.size() / 4; i < more.size(); ++i) AppendReading(data_, more[i]);
  }
  const size_t end = std::min(begin + kBlockSize, total);
  return Reply(std::vector<uint8_t>(data_.begin() + static_cast<std::ptrdiff_t>(begin),
                                    data_.begin() + static_cast<std::ptrdiff_t>(end)),
               what);
}

std::vector<uint8_t> LoggerSimulator::HandleFrame(const CommandFrame& f) {
  frames_.push_back(f);
  const std::string hex = Hex(f.data(), f.size());
  if (f[0] == kSetTimeCode) {
    LoggerTime t{2000 + DecodeBcd(f[1]), DecodeBcd(f[2]), DecodeBcd(f[3]),
                 DecodeBcd(f[4]),        DecodeBcd(f[5]), DecodeBcd(f[6])};
    lastSetTime_ = t;
    clock_ = t;
    return Reply({kAcknowledgement}, StrFormat("set-time %04d-%02d-%02d %02d:%02d:%02d", t.year, t.month,
                                               t.day, t.hour, t.minute, t.second));
  }
  if (IsLedCode(f[0])) {
    lastSetupFrame_ = f;
    lastSetup_ = DecodeSetupCommand(f);
    return Reply({kSetupAcknowledgement}, "setup " + hex);
  }
  const bool downloadPrefix =
      std::all_of(f.begin(), f.begin() + 6, [](uint8_t b) { return b == kDownloadCode; });
  if (downloadPrefix && f[6] == kDownloadCode) {
    ++downloadRequests_;
    return Reply(headerBytes(), StrFormat("download request (%d data bytes)", byteCount()));
  }
  if (downloadPrefix) {
    blockRequests_.push_back(f[6]);
    return BlockReply(f[6]);
  }
  Log("unknown frame " + hex + " ignored");
  return {};
}

std::vector<uint8_t> LoggerSimulator::HandleByte(uint8_t b) {
  if (pendingSize_ > 0) {
    pending_[pendingSize_++] = b;
    if (pendingSize_ < pending_.size()) return {};
    pendingSize_ = 0;
    return HandleFrame(pending_);
  }
  if (b == kPresenceProbe) {
    ++presenceProbes_;
    return Reply({kPresenceReply}, "presence probe");
  }
  if (b == kBatteryQuery) {
    ++batteryQueries_;
    return Reply({static_cast<uint8_t>(config_.batteryLevel)}, "battery query");
  }
  if (StartsFrame(b)) {
    pending_[0] = b;
    pendingSize_ = 1;
    return {};
  }
  Log(StrFormat("stray byte %02X ignored", b));
  return {};
}

std::vector<uint8_t> LoggerSimulator::receive(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  if (data == nullptr) return out;
  for (size_t i = 0; i < size; ++i) {
    auto reply = HandleByte(data[i]);
    out.insert(out.end(), reply.begin(), reply.end());
  }
  return out;
}

}  // namespace k7740
