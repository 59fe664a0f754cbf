#include "link/protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace k7740 {
namespace {

std::vector<uint8_t> Bytes(const CommandFrame& f) { return {f.begin(), f.end()}; }

LoggerSettings Settings(uint8_t startMode, uint8_t overwrite, uint8_t ledOnAlarm, int unit, std::string low,
                        std::string high, int sampleUnit, std::string interval = "10", uint8_t led = 0x18,
                        std::string rhHigh = "90", std::string rhLow = "30") {
  LoggerSettings s;
  s.startMode = startMode;
  s.overwriteWhenFull = overwrite;
  s.alarmLedFlash = ledOnAlarm;
  s.alarmUnit = unit;
  s.tempAlarmLow = std::move(low);
  s.tempAlarmHigh = std::move(high);
  s.sampleUnit = sampleUnit;
  s.sampleInterval = std::move(interval);
  s.ledFlashCycle = led;
  s.rhAlarmHigh = std::move(rhHigh);
  s.rhAlarmLow = std::move(rhLow);
  return s;
}

TEST(Bcd, EncodesAndDecodesWithoutValidation) {
  struct Case {
    int value;
    uint8_t byte;
  };
  for (const Case& c :
       {Case{0, 0x00}, Case{9, 0x09}, Case{10, 0x10}, Case{25, 0x25}, Case{59, 0x59}, Case{99, 0x99}}) {
    EXPECT_EQ(EncodeBcd(c.value), c.byte) << c.value;
    EXPECT_EQ(DecodeBcd(c.byte), c.value) << int(c.byte);
  }
  // Nibbles above 9 decode by the formula, not rejected.
  EXPECT_EQ(DecodeBcd(0x1A), 20);
  EXPECT_EQ(DecodeBcd(0xFF), 165);
}

TEST(SetupCommand, WholeFrames) {
  struct Case {
    const char* name;
    LoggerSettings settings;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"automatic, circular, LED on alarm, Celsius, -10..40, 5 minutes",
       Settings(1, 1, 1, 0, "-10", "40", 1, "5", 0x18, "90", "30"),
       {0x18, 0x06, 0x05, 0x28, 0x0A, 0x5A, 0x1E}},
      {"manual, stop when full, LED off, Fahrenheit, -40..-4, hours",
       Settings(0, 0, 0, 1, "-40", "-4", 2, "24", 0x48, "100", "0"),
       {0x48, 0xFF, 0x18, 0x04, 0x28, 0x64, 0x00}},
      {"defaults: both limits positive", LoggerSettings{}, {0x18, 0xC1, 0x0A, 0x28, 0x00, 0x5A, 0x1E}},
      {"text fields read as leading integers",
       Settings(1, 1, 1, 0, "-7x", "12abc", 0, "", 0x28, "", "-"),
       {0x28, 0x05, 0x00, 0x0C, 0x07, 0x00, 0x00}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Bytes(buildSetupCommand(c.settings)), c.bytes) << c.name;
  }
}

TEST(SetupCommand, EachFlagBit) {
  // Baseline: automatic, circular, LED on alarm, Celsius, limits >= 0, seconds -> only 01 in bits 1-0.
  struct Case {
    const char* name;
    void (*change)(LoggerSettings&);
    uint8_t flags;
  };
  const Case cases[] = {
      {"baseline", [](LoggerSettings&) {}, 0x01},
      {"manual start", [](LoggerSettings& s) { s.startMode = 0; }, 0x81},
      {"stop when full", [](LoggerSettings& s) { s.overwriteWhenFull = 0; }, 0x41},
      {"no LED on alarm", [](LoggerSettings& s) { s.alarmLedFlash = 0; }, 0x21},
      {"Fahrenheit", [](LoggerSettings& s) { s.alarmUnit = 1; }, 0x11},
      {"low negative", [](LoggerSettings& s) { s.tempAlarmLow = "-1"; }, 0x05},
      {"both negative",
       [](LoggerSettings& s) {
         s.tempAlarmLow = "-20";
         s.tempAlarmHigh = "-1";
       },
       0x0D},
      // The high limit alone decides 11 once it is negative, whatever the low one says.
      {"high negative, low not",
       [](LoggerSettings& s) {
         s.tempAlarmLow = "5";
         s.tempAlarmHigh = "-5";
       },
       0x0D},
      {"limit zero is not negative",
       [](LoggerSettings& s) {
         s.tempAlarmLow = "0";
         s.tempAlarmHigh = "0";
       },
       0x01},
      {"minutes", [](LoggerSettings& s) { s.sampleUnit = 1; }, 0x02},
      {"hours", [](LoggerSettings& s) { s.sampleUnit = 2; }, 0x03},
      {"unknown unit 3 sends seconds", [](LoggerSettings& s) { s.sampleUnit = 3; }, 0x01},
      {"unknown unit -1 sends seconds", [](LoggerSettings& s) { s.sampleUnit = -1; }, 0x01},
  };
  for (const Case& c : cases) {
    LoggerSettings s = Settings(1, 1, 1, 0, "0", "40", 0);
    c.change(s);
    EXPECT_EQ(int(SetupFlags(s)), int(c.flags)) << c.name;
    EXPECT_EQ(int(buildSetupCommand(s)[1]), int(c.flags)) << c.name;
  }
}

TEST(SetTimeCommand, BcdFields) {
  struct Case {
    int y, mo, d, h, mi, s;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {2009, 7, 4, 13, 5, 59, {0x58, 0x09, 0x07, 0x04, 0x13, 0x05, 0x59}},
      {2024, 3, 9, 7, 5, 3, {0x58, 0x24, 0x03, 0x09, 0x07, 0x05, 0x03}},
      {2000, 1, 1, 0, 0, 0, {0x58, 0x00, 0x01, 0x01, 0x00, 0x00, 0x00}},
      {2099, 12, 31, 23, 59, 59, {0x58, 0x99, 0x12, 0x31, 0x23, 0x59, 0x59}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Bytes(buildSetTimeCommand(c.y, c.mo, c.d, c.h, c.mi, c.s)), c.bytes) << c.y;
  }
}

TEST(DownloadCommands, RequestAndBlocks) {
  EXPECT_EQ(Bytes(buildDownloadRequest()), std::vector<uint8_t>(7, 0x68));
  struct Case {
    int block;
    uint8_t last;
  };
  for (const Case& c : {Case{0, 0x00}, Case{3, 0x03}, Case{100, 0x64}, Case{256, 0x00}, Case{257, 0x01}}) {
    EXPECT_EQ(Bytes(buildBlockRequest(c.block)),
              (std::vector<uint8_t>{0x68, 0x68, 0x68, 0x68, 0x68, 0x68, c.last}))
        << c.block;
  }
  EXPECT_EQ(probeByte(false), 0x78);
  EXPECT_EQ(probeByte(true), 0x79);
}

TEST(ClassifyReply, ByFirstByteAndMode) {
  struct Case {
    uint8_t first;
    bool downloading, battery;
    ReplyKind kind;
    int level;
  };
  const Case cases[] = {
      {0xAC, false, false, ReplyKind::Presence, 0},
      {0xAC, false, true, ReplyKind::None, 0},  // battery window open: not a presence reply
      {0x03, false, true, ReplyKind::Battery, 3},
      {0x01, false, true, ReplyKind::Battery, 1},
      {0x04, false, true, ReplyKind::Battery, 4},
      {0x05, false, true, ReplyKind::None, 0},
      {0x00, false, true, ReplyKind::None, 0},
      {0x02, false, false, ReplyKind::None, 0},  // a level outside battery mode
      {0xEE, false, false, ReplyKind::Acknowledgement, 0},
      {0xEE, false, true, ReplyKind::Acknowledgement, 0},
      {0x1E, false, false, ReplyKind::SetupAcknowledgement, 0},
      {0x1E, false, true, ReplyKind::SetupAcknowledgement, 0},
      {0xDD, false, false, ReplyKind::None, 0},
      {0xAC, true, false, ReplyKind::None, 0},
      {0xEE, true, false, ReplyKind::None, 0},
  };
  for (const Case& c : cases) {
    const Reply r = classifyReply(c.first, c.downloading, c.battery);
    EXPECT_EQ(r.kind, c.kind) << std::hex << int(c.first) << " dl=" << c.downloading << " bat=" << c.battery;
    if (c.kind == ReplyKind::Battery) {
      EXPECT_EQ(r.batteryLevel, c.level);
    }
  }
}

// DD 01 90 00 00 30 05 00 09 07 04 13 05 59 28 0A 5A 1E 23 76 00
std::vector<uint8_t> ExampleHeader() {
  return {0xDD, 0x01, 0x90, 0x00, 0x00, 0x30, 0x05, 0x00, 0x09, 0x07, 0x04,
          0x13, 0x05, 0x59, 0x28, 0x0A, 0x5A, 0x1E, 0x23, 0x76, 0x00};
}

TEST(DownloadHeader, DecodesTheExample) {
  const auto h = ExampleHeader();
  const DownloadHeader d = decodeDownloadHeader(h.data(), h.size());
  EXPECT_EQ(d.totalBytes, 400);
  EXPECT_EQ(d.skippedReadings, 0);
  ASSERT_TRUE(d.intervalSeconds.has_value());
  EXPECT_EQ(*d.intervalSeconds, 300);
  EXPECT_EQ(d.loggerTime.year, 2009);
  EXPECT_EQ(d.loggerTime.month, 7);
  EXPECT_EQ(d.loggerTime.day, 4);
  EXPECT_EQ(d.loggerTime.hour, 13);
  EXPECT_EQ(d.loggerTime.minute, 5);
  EXPECT_EQ(d.loggerTime.second, 59);
  EXPECT_EQ(d.tempAlarmHigh, 40);
  EXPECT_EQ(d.tempAlarmLow, -10);
  EXPECT_EQ(d.rhAlarmHigh, 90);
  EXPECT_EQ(d.rhAlarmLow, 30);
  EXPECT_EQ(d.alarmUnit, AlarmUnit::Celsius);
}

TEST(DownloadHeader, FieldVariants) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, uint8_t>> patch;  // offset, byte
    void (*check)(const DownloadHeader&);
  };
  const Case cases[] = {
      {"byte count 1308",
       {{1, 0x05}, {2, 0x1C}},
       [](const DownloadHeader& d) { EXPECT_EQ(d.totalBytes, 1308); }},
      {"byte count 1310",
       {{1, 0x05}, {2, 0x1E}},
       [](const DownloadHeader& d) { EXPECT_EQ(d.totalBytes, 1310); }},
      {"byte count 65535 unsigned",
       {{1, 0xFF}, {2, 0xFF}},
       [](const DownloadHeader& d) { EXPECT_EQ(d.totalBytes, 65535); }},
      {"skipped bytes 40", {{4, 40}}, [](const DownloadHeader& d) { EXPECT_EQ(d.skippedReadings, 10); }},
      {"skipped bytes truncate", {{4, 3}}, [](const DownloadHeader& d) { EXPECT_EQ(d.skippedReadings, 0); }},
      {"skipped bytes big-endian",
       {{3, 0x01}, {4, 0x00}},
       [](const DownloadHeader& d) { EXPECT_EQ(d.skippedReadings, 64); }},
      {"seconds", {{5, 0x60}, {6, 30}}, [](const DownloadHeader& d) { EXPECT_EQ(d.intervalSeconds, 30); }},
      {"hours", {{5, 0x20}, {6, 2}}, [](const DownloadHeader& d) { EXPECT_EQ(d.intervalSeconds, 7200); }},
      {"count is unsigned",
       {{5, 0x60}, {6, 0xFF}},
       [](const DownloadHeader& d) { EXPECT_EQ(d.intervalSeconds, 255); }},
      {"unit code 0x10: no interval",
       {{5, 0x10}},
       [](const DownloadHeader& d) { EXPECT_FALSE(d.intervalSeconds.has_value()); }},
      {"Fahrenheit",
       {{18, '$'}},
       [](const DownloadHeader& d) { EXPECT_EQ(d.alarmUnit, AlarmUnit::Fahrenheit); }},
      {"unit character 0x41: no unit",
       {{18, 0x41}},
       [](const DownloadHeader& d) { EXPECT_FALSE(d.alarmUnit.has_value()); }},
      {"sign 0x77 both negative",
       {{19, 0x77}},
       [](const DownloadHeader& d) {
         EXPECT_EQ(d.tempAlarmHigh, -40);
         EXPECT_EQ(d.tempAlarmLow, -10);
       }},
      {"sign 0x78 both positive",
       {{19, 0x78}},
       [](const DownloadHeader& d) {
         EXPECT_EQ(d.tempAlarmHigh, 40);
         EXPECT_EQ(d.tempAlarmLow, 10);
       }},
      {"unknown sign code is positive",
       {{19, 0x00}},
       [](const DownloadHeader& d) {
         EXPECT_EQ(d.tempAlarmHigh, 40);
         EXPECT_EQ(d.tempAlarmLow, 10);
       }},
      {"magnitudes are unsigned bytes",
       {{14, 0xC8}, {15, 0x96}, {19, 0x76}},
       [](const DownloadHeader& d) {
         EXPECT_EQ(d.tempAlarmHigh, 200);
         EXPECT_EQ(d.tempAlarmLow, -150);
       }},
      {"BCD time without validation",
       {{8, 0x99}, {9, 0x12}, {13, 0x5F}},
       [](const DownloadHeader& d) {
         EXPECT_EQ(d.loggerTime.year, 2099);
         EXPECT_EQ(d.loggerTime.month, 12);
         EXPECT_EQ(d.loggerTime.second, 65);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto h = ExampleHeader();
    for (auto [offset, byte] : c.patch) h[static_cast<size_t>(offset)] = byte;
    c.check(decodeDownloadHeader(h.data(), h.size()));
  }
}

TEST(Readings, WordsDecodeInSinglePrecision) {
  struct Case {
    uint16_t word;
    float temperature;  // word in the temperature field
    float humidity;     // word in the humidity field
  };
  const Case cases[] = {
      {0x0000, 0.0f, 0.0f},
      {0x00EB, 23.5f, 23.5f},
      {0x03E8, 100.0f, 100.0f},
      {0xFFFF, -0.1f, 6553.5f},
      {0xFF9C, -10.0f, 6543.6f},
      // 9 x 0.1f rounds to the float just above 0.9f: the product is taken in single precision,
      // not as 9 / 10.
      {0x0009, 0x1.cccccep-1f, 0x1.cccccep-1f},
  };
  for (const Case& c : cases) {
    const uint8_t hi = static_cast<uint8_t>(c.word >> 8), lo = static_cast<uint8_t>(c.word & 0xFF);
    const uint8_t bytes[] = {hi, lo, hi, lo};
    const auto r = decodeReadings(bytes, 4, 4);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].temperature, c.temperature) << std::hex << c.word;
    EXPECT_FLOAT_EQ(r[0].humidity, c.humidity) << std::hex << c.word;
  }
}

TEST(Readings, ByteExamplesInOrder) {
  const uint8_t bytes[] = {0x00, 0xEB, 0x02, 0x58, 0xFF, 0x9C, 0x03, 0xE8};
  const auto r = decodeReadings(bytes, sizeof bytes, 8);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0].temperature, 23.5f);
  EXPECT_EQ(r[0].humidity, 60.0f);
  EXPECT_EQ(r[1].temperature, -10.0f);
  EXPECT_EQ(r[1].humidity, 100.0f);
}

TEST(Readings, CountFollowsTotalBytesAndNeverPassesTheBuffer) {
  std::vector<uint8_t> buf(1310);
  for (size_t i = 0; i < buf.size(); ++i) buf[i] = static_cast<uint8_t>(i);
  struct Case {
    size_t size;
    int totalBytes;
    size_t count;
  };
  const Case cases[] = {
      {1310, 1310, 327},  // two trailing bytes ignored
      {1308, 1308, 327}, {8, 7, 1},   {3, 3, 0}, {0, 0, 0},
      {1310, -4, 0},     {8, 400, 2},  // header promises more than is there: stop at the buffer's end
      {10, 10, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(decodeReadings(buf.data(), c.size, c.totalBytes).size(), c.count)
        << c.size << "/" << c.totalBytes;
  }
  const auto r = decodeReadings(buf.data(), buf.size(), 1310);
  // Reading 326 sits at offset 1304: bytes 0x18 0x19 0x1A 0x1B.
  EXPECT_EQ(r.back().temperature, static_cast<float>(0x1819) * 0.1f);
  EXPECT_EQ(r.back().humidity, static_cast<float>(0x1A1B) * 0.1f);
}

TEST(Readings, IntoArraysStopsAtCapacity) {
  const uint8_t bytes[] = {0x00, 0xEB, 0x02, 0x58, 0xFF, 0x9C, 0x03, 0xE8, 0x00, 0x01, 0x00, 0x02};
  float t[3] = {7, 7, 7}, h[3] = {7, 7, 7};
  EXPECT_EQ(decodeReadingsInto(bytes, sizeof bytes, 12, t, h, 2), 2);
  EXPECT_EQ(t[0], 23.5f);
  EXPECT_EQ(h[1], 100.0f);
  EXPECT_EQ(t[2], 7.0f);  // untouched beyond capacity
  EXPECT_EQ(h[2], 7.0f);

  EXPECT_EQ(decodeReadingsInto(bytes, sizeof bytes, 11, t, h, 3), 2);
  EXPECT_EQ(decodeReadingsInto(bytes, 4, 12, t, h, 3), 1);
  EXPECT_EQ(decodeReadingsInto(bytes, sizeof bytes, 12, t, h, 0), 0);
}

TEST(Battery, LevelTexts) {
  EXPECT_STREQ(BatteryLevelText(1), "(<5%)");
  EXPECT_STREQ(BatteryLevelText(2), "(20%-40%)");
  EXPECT_STREQ(BatteryLevelText(3), "(40%-70%)");
  EXPECT_STREQ(BatteryLevelText(4), "(70%-100%)");
  EXPECT_STREQ(BatteryLevelText(0), "");
  EXPECT_STREQ(BatteryLevelText(5), "");
}

}  // namespace
}  // namespace k7740
