#include "sim/logger_simulator.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "recording/record_file.h"
#include "sim/reading_files.h"

namespace k7740 {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Send(LoggerSimulator& sim, const CommandFrame& f) { return sim.receive(f.data(), f.size()); }
Bytes Send(LoggerSimulator& sim, std::initializer_list<uint8_t> bytes) { return sim.receive(Bytes(bytes)); }

// Readings 0..n-1 with temperature i tenths and humidity 500 + i tenths: every byte position
// is recognisable in the assembled data.
std::vector<SimReading> Ramp(int n) {
  std::vector<SimReading> r;
  for (int i = 0; i < n; ++i) r.push_back({static_cast<int16_t>(i), static_cast<uint16_t>(500 + i)});
  return r;
}

SimConfig SmallConfig() {
  SimConfig c;
  c.startTime = {2024, 3, 1, 0, 0, 0};
  c.unitCode = kUnitCodeSeconds;
  c.intervalCount = 60;
  return c;
}

TEST(LoggerSimulator, AnswersProbesAndIgnoresStrayBytes) {
  LoggerSimulator sim(SmallConfig(), Ramp(1));
  sim.setBatteryLevel(2);
  EXPECT_EQ(Send(sim, {0x78}), Bytes{0xAC});
  EXPECT_EQ(Send(sim, {0x79}), Bytes{0x02});
  EXPECT_EQ(Send(sim, {0x00, 0x99, 0xAC, 0xDD}), Bytes{});
  // Two probes in one write give two replies.
  EXPECT_EQ(Send(sim, {0x78, 0x79}), (Bytes{0xAC, 0x02}));
  EXPECT_EQ(sim.presenceProbeCount(), 2);
  EXPECT_EQ(sim.batteryQueryCount(), 2);
  EXPECT_TRUE(sim.framesReceived().empty());
}

TEST(LoggerSimulator, FramesAreSevenBytesWhateverTheyContain) {
  LoggerSimulator sim(SmallConfig(), Ramp(1));
  // A set-time frame split over two writes answers only after its seventh byte.
  EXPECT_EQ(Send(sim, {0x58, 0x09, 0x07}), Bytes{});
  EXPECT_EQ(Send(sim, {0x04, 0x13, 0x05, 0x59}), Bytes{0xEE});
  ASSERT_TRUE(sim.lastSetTime().has_value());
  EXPECT_EQ(sim.lastSetTime()->year, 2009);
  EXPECT_EQ(sim.lastSetTime()->second, 59);
  EXPECT_EQ(sim.clock().hour, 13);

  // 0x78 and 0x79 inside a setup frame are data (interval 120, limits 121), not probes.
  EXPECT_EQ(Send(sim, {0x28, 0x01, 0x78, 0x79, 0x00, 0x5A, 0x1E}), Bytes{0x1E});
  ASSERT_TRUE(sim.lastSetup().has_value());
  EXPECT_EQ(sim.lastSetup()->sampleInterval, "120");
  EXPECT_EQ(sim.lastSetup()->tempAlarmHigh, "121");
  EXPECT_EQ(sim.presenceProbeCount(), 0);

  // A frame starting 0x68 that is neither request is swallowed whole; the probe after it is answered.
  EXPECT_EQ(Send(sim, {0x68, 0x01, 0x68, 0x68, 0x68, 0x68, 0x68, 0x78}), Bytes{0xAC});
  EXPECT_EQ(sim.framesReceived().size(), 3u);
  EXPECT_EQ(sim.downloadRequestCount(), 0);
  EXPECT_EQ(sim.blockRequestCount(), 0);
}

TEST(LoggerSimulator, SetupDecodesBackToTheSentFields) {
  struct Case {
    const char* name;
    CommandFrame frame;
    uint8_t startMode, overwrite, ledOnAlarm;
    int alarmUnit, sampleUnit;
    const char *interval, *high, *low;
  };
  const Case cases[] = {
      {"automatic circular Celsius minutes",
       {0x18, 0x06, 0x05, 0x28, 0x0A, 0x5A, 0x1E},
       1,
       1,
       1,
       0,
       1,
       "5",
       "40",
       "-10"},
      {"all flags set", {0x48, 0xFF, 0x18, 0x04, 0x28, 0x64, 0x00}, 0, 0, 0, 1, 2, "24", "-4", "-40"},
      {"positive limits seconds", {0x38, 0xC1, 0x0A, 0x28, 0x00, 0x5A, 0x1E}, 0, 0, 1, 0, 0, "10", "40", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoggerSimulator sim(SmallConfig(), Ramp(1));
    EXPECT_EQ(Send(sim, c.frame), Bytes{0x1E});
    ASSERT_TRUE(sim.lastSetup().has_value());
    const LoggerSettings& s = *sim.lastSetup();
    EXPECT_EQ(s.ledFlashCycle, c.frame[0]);
    EXPECT_EQ(s.startMode, c.startMode);
    EXPECT_EQ(s.overwriteWhenFull, c.overwrite);
    EXPECT_EQ(s.alarmLedFlash, c.ledOnAlarm);
    EXPECT_EQ(s.alarmUnit, c.alarmUnit);
    EXPECT_EQ(s.sampleUnit, c.sampleUnit);
    EXPECT_EQ(s.sampleInterval, c.interval);
    EXPECT_EQ(s.tempAlarmHigh, c.high);
    EXPECT_EQ(s.tempAlarmLow, c.low);
    EXPECT_EQ(s.rhAlarmHigh, std::to_string(c.frame[5]));
    EXPECT_EQ(s.rhAlarmLow, std::to_string(c.frame[6]));
    // What the program would build from these fields is the frame that arrived.
    EXPECT_EQ(buildSetupCommand(s), c.frame);
    EXPECT_EQ(sim.lastSetupFrame(), c.frame);
  }
}

TEST(LoggerSimulator, HeaderCarriesTheConfiguration) {
  SimConfig c = SmallConfig();
  c.startTime = {2009, 7, 4, 13, 5, 59};
  c.unitCode = kUnitCodeMinutes;
  c.intervalCount = 5;
  c.tempAlarmHigh = 40;
  c.tempAlarmLow = -10;
  c.rhAlarmHigh = 90;
  c.rhAlarmLow = 30;
  LoggerSimulator sim(c, Ramp(100));
  EXPECT_EQ(Send(sim, buildDownloadRequest()),
            (Bytes{0xDD, 0x01, 0x90, 0x00, 0x00, 0x30, 0x05, 0x00, 0x09, 0x07, 0x04,
                   0x13, 0x05, 0x59, 0x28, 0x0A, 0x5A, 0x1E, 0x23, 0x76, 0x00}));
  EXPECT_EQ(sim.downloadRequestCount(), 1);
}

TEST(LoggerSimulator, SignCodeAndUnitFollowTheLimits) {
  struct Case {
    int high, low;
    char unit;
    uint8_t sign;
  };
  const Case cases[] = {
      {40, -10, '#', 0x76}, {-4, -40, '$', 0x77}, {40, 0, '#', 0x78}, {86, 32, '$', 0x78}, {0, -1, '#', 0x76},
  };
  for (const Case& k : cases) {
    SimConfig c = SmallConfig();
    c.tempAlarmHigh = k.high;
    c.tempAlarmLow = k.low;
    c.alarmUnitChar = k.unit;
    LoggerSimulator sim(c, Ramp(1));
    const Bytes h = sim.headerBytes();
    ASSERT_EQ(h.size(), static_cast<size_t>(kHeaderSize));
    EXPECT_EQ(h[19], k.sign) << k.high << "/" << k.low;
    // The program's decoder gets the configured limits back.
    const DownloadHeader d = decodeDownloadHeader(h.data(), h.size());
    EXPECT_EQ(d.tempAlarmHigh, k.high);
    EXPECT_EQ(d.tempAlarmLow, k.low);
    EXPECT_EQ(d.alarmUnit, k.unit == '$' ? AlarmUnit::Fahrenheit : AlarmUnit::Celsius);
  }
}

TEST(LoggerSimulator, SkippedBytesMoveTheHeaderTimeBack) {
  SimConfig c = SmallConfig();  // first reading 2024-03-01 00:00:00, every 60 s
  c.skippedBytes = 42;          // 10 readings, truncated
  LoggerSimulator sim(c, Ramp(3));
  const Bytes h = sim.headerBytes();
  const DownloadHeader d = decodeDownloadHeader(h.data(), h.size());
  EXPECT_EQ(d.skippedReadings, 10);
  // Ten minutes before midnight, across the leap day.
  EXPECT_EQ(d.loggerTime.year, 2024);
  EXPECT_EQ(d.loggerTime.month, 2);
  EXPECT_EQ(d.loggerTime.day, 29);
  EXPECT_EQ(d.loggerTime.hour, 23);
  EXPECT_EQ(d.loggerTime.minute, 50);
}

// Requests the header and every block the program would, and returns the data bytes.
Bytes DownloadAll(LoggerSimulator& sim, std::vector<size_t>* blockSizes = nullptr) {
  const Bytes h = Send(sim, buildDownloadRequest());
  if (h.size() != static_cast<size_t>(kHeaderSize)) return {};
  const int total = decodeDownloadHeader(h.data(), h.size()).totalBytes;
  Bytes data;
  for (int n = 0; n * kBlockSize < total; ++n) {
    const Bytes block = Send(sim, buildBlockRequest(n));
    if (blockSizes) blockSizes->push_back(block.size());
    data.insert(data.end(), block.begin(), block.end());
  }
  return data;
}

TEST(LoggerSimulator, DownloadDeliversTheStoredReadingsInBlocks) {
  LoggerSimulator sim(SmallConfig(), Ramp(400));  // 1600 bytes: 654 + 654 + 292
  std::vector<size_t> sizes;
  const Bytes data = DownloadAll(sim, &sizes);
  EXPECT_EQ(sizes, (std::vector<size_t>{654, 654, 292}));
  ASSERT_EQ(data.size(), 1600u);
  const auto readings = decodeReadings(data.data(), data.size(), 1600);
  ASSERT_EQ(readings.size(), 400u);
  EXPECT_EQ(readings[0].temperature, 0.0f);
  EXPECT_EQ(readings[163].temperature, 163 * 0.1f);  // straddles the first block boundary
  EXPECT_EQ(readings[399].humidity, 899 * 0.1f);
  EXPECT_EQ(sim.blockRequests(), (std::vector<int>{0, 1, 2}));

  // Beyond the data there is no answer; a repeat of a real block is answered again.
  EXPECT_EQ(Send(sim, buildBlockRequest(3)), Bytes{});
  EXPECT_EQ(Send(sim, buildBlockRequest(1)).size(), 654u);
}

TEST(LoggerSimulator, NegativeTemperaturesGoOutAsTwosComplement) {
  LoggerSimulator sim(SmallConfig(), {{-100, 1000}, {-1, 0}});
  EXPECT_EQ(Send(sim, buildBlockRequest(0)), (Bytes{0xFF, 0x9C, 0x03, 0xE8, 0xFF, 0xFF, 0x00, 0x00}));
}

TEST(LoggerSimulator, Faults) {
  struct Case {
    const char* name;
    void (*set)(SimFaults&);
    void (*check)(LoggerSimulator&);
  };
  const Case cases[] = {
      {"no answer", [](SimFaults& f) { f.noAnswer = true; },
       [](LoggerSimulator& s) {
         EXPECT_EQ(Send(s, {0x78}), Bytes{});
         EXPECT_EQ(Send(s, {0x79}), Bytes{});
         EXPECT_EQ(Send(s, buildDownloadRequest()), Bytes{});
         EXPECT_EQ(Send(s, buildSetTimeCommand(2024, 1, 2, 3, 4, 5)), Bytes{});
         // It still listens: the frame was taken in.
         EXPECT_EQ(s.downloadRequestCount(), 1);
         EXPECT_TRUE(s.lastSetTime().has_value());
       }},
      {"lose block 1 once", [](SimFaults& f) { f.loseBlock = 1; },
       [](LoggerSimulator& s) {
         EXPECT_EQ(Send(s, buildBlockRequest(0)).size(), 654u);
         EXPECT_EQ(Send(s, buildBlockRequest(1)), Bytes{});
         EXPECT_EQ(Send(s, buildBlockRequest(1)).size(), 654u);
         EXPECT_EQ(Send(s, buildBlockRequest(1)).size(), 654u);
       }},
      {"silent after block 1", [](SimFaults& f) { f.silentAfterBlock = 1; },
       [](LoggerSimulator& s) {
         EXPECT_EQ(Send(s, buildDownloadRequest()).size(), 21u);
         EXPECT_EQ(Send(s, buildBlockRequest(0)).size(), 654u);
         EXPECT_EQ(Send(s, buildBlockRequest(1)).size(), 654u);
         EXPECT_EQ(Send(s, buildBlockRequest(2)), Bytes{});
         EXPECT_EQ(Send(s, buildBlockRequest(2)), Bytes{});
         EXPECT_EQ(Send(s, {0x78}), Bytes{0xAC});  // probes are still answered
       }},
      {"empty logger", [](SimFaults& f) { f.empty = true; },
       [](LoggerSimulator& s) {
         const Bytes h = Send(s, buildDownloadRequest());
         EXPECT_EQ(decodeDownloadHeader(h.data(), h.size()).totalBytes, 0);
         EXPECT_EQ(Send(s, buildBlockRequest(0)), Bytes{});
       }},
      {"byte count 3", [](SimFaults& f) { f.byteCount = 3; },
       [](LoggerSimulator& s) {
         const Bytes h = Send(s, buildDownloadRequest());
         EXPECT_EQ(decodeDownloadHeader(h.data(), h.size()).totalBytes, 3);
         EXPECT_EQ(Send(s, buildBlockRequest(0)), (Bytes{0x00, 0x00, 0x01}));
       }},
      {"byte count beyond capacity", [](SimFaults& f) { f.byteCount = 65535; },
       [](LoggerSimulator& s) {
         std::vector<size_t> sizes;
         const Bytes data = DownloadAll(s, &sizes);
         ASSERT_EQ(data.size(), 65535u);
         EXPECT_EQ(sizes.size(), 101u);
         EXPECT_EQ(sizes.back(), 65535u - 100u * 654u);
         // The stored readings come first; generated ones fill the rest.
         EXPECT_EQ(Bytes(data.begin(), data.begin() + 4), (Bytes{0x00, 0x00, 0x01, 0xF4}));
         EXPECT_EQ(Send(s, buildBlockRequest(101)), Bytes{});
       }},
      {"garbage before every reply", [](SimFaults& f) { f.garbageBytes = 3; },
       [](LoggerSimulator& s) {
         EXPECT_EQ(Send(s, {0x78}), (Bytes{0x00, 0x55, 0x00, 0xAC}));
         const Bytes h = Send(s, buildDownloadRequest());
         ASSERT_EQ(h.size(), 24u);
         EXPECT_EQ(h[3], kHeaderCode);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LoggerSimulator sim(SmallConfig(), Ramp(400));
    c.set(sim.faults());
    c.check(sim);
  }
}

TEST(LoggerSimulator, RequestLogTellsWhatWasAnswered) {
  LoggerSimulator sim(SmallConfig(), Ramp(400));
  sim.faults().loseBlock = 0;
  std::vector<std::string> lines;
  sim.setRequestLog([&](const std::string& l) { lines.push_back(l); });
  Send(sim, {0x78});
  Send(sim, buildBlockRequest(0));
  Send(sim, buildBlockRequest(0));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "presence probe -> AC");
  EXPECT_EQ(lines[1], "block request 0 -> no reply (lost once)");
  EXPECT_EQ(lines[2], "block request 0 -> 654 bytes");
}

TEST(GeneratedReadings, DeterministicPlausibleDailyCycle) {
  const LoggerTime start{2024, 3, 1, 0, 0, 0};
  const auto a = GenerateReadings(start, 60, 10080, 7);
  const auto b = GenerateReadings(start, 60, 10080, 7);
  const auto other = GenerateReadings(start, 60, 10080, 8);
  ASSERT_EQ(a.size(), 10080u);
  bool same = true, differs = false;
  for (size_t i = 0; i < a.size(); ++i) {
    same = same && a[i].temperatureTenths == b[i].temperatureTenths &&
           a[i].humidityTenths == b[i].humidityTenths;
    differs = differs || a[i].temperatureTenths != other[i].temperatureTenths;
  }
  EXPECT_TRUE(same);
  EXPECT_TRUE(differs);

  // Afternoons warmer and drier than nights, every value in a room's range.
  double afternoonT = 0, nightT = 0, afternoonH = 0, nightH = 0;
  int afternoon = 0, night = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    EXPECT_GE(a[i].temperatureTenths, 100);
    EXPECT_LE(a[i].temperatureTenths, 350);
    EXPECT_GE(a[i].humidityTenths, 50);
    EXPECT_LE(a[i].humidityTenths, 980);
    const int hour = static_cast<int>(i / 60 % 24);
    if (hour >= 14 && hour < 17) {
      afternoonT += a[i].temperatureTenths;
      afternoonH += a[i].humidityTenths;
      ++afternoon;
    } else if (hour >= 2 && hour < 5) {
      nightT += a[i].temperatureTenths;
      nightH += a[i].humidityTenths;
      ++night;
    }
  }
  EXPECT_GT(afternoonT / afternoon, nightT / night + 40);  // at least 4 degrees
  EXPECT_LT(afternoonH / afternoon, nightH / night - 100);
}

TEST(IntervalEncoding, PicksAUnitThatFitsAByte) {
  struct Case {
    int seconds;
    bool ok;
    uint8_t unit, count;
  };
  const Case cases[] = {
      {60, true, kUnitCodeSeconds, 60},
      {255, true, kUnitCodeSeconds, 255},
      {300, true, kUnitCodeMinutes, 5},
      {7200, true, kUnitCodeHours, 2},
      {3600 * 300, false, 0, 0},
      {301, false, 0, 0},
      {0, false, 0, 0},
  };
  for (const Case& c : cases) {
    uint8_t unit = 0, count = 0;
    EXPECT_EQ(EncodeInterval(c.seconds, unit, count), c.ok) << c.seconds;
    if (c.ok) {
      EXPECT_EQ(unit, c.unit) << c.seconds;
      EXPECT_EQ(count, c.count) << c.seconds;
      EXPECT_EQ(IntervalSeconds(unit, count), c.seconds);
    }
  }
}

TEST(ReadingFiles, Csv) {
  LoadedReadings r;
  std::string error;
  ASSERT_TRUE(ParseReadingsCsv("temperature,humidity\n23.5,60\n\n# note\n -10 , 100.0\r\n0.04,0\n", r, error))
      << error;
  ASSERT_EQ(r.readings.size(), 3u);
  EXPECT_EQ(r.readings[0].temperatureTenths, 235);
  EXPECT_EQ(r.readings[0].humidityTenths, 600);
  EXPECT_EQ(r.readings[1].temperatureTenths, -100);
  EXPECT_EQ(r.readings[1].humidityTenths, 1000);
  EXPECT_EQ(r.readings[2].temperatureTenths, 0);

  struct Bad {
    const char* text;
    const char* says;
  };
  for (const Bad& b : {Bad{"20,50\nx,50\n", "line 2"}, Bad{"20,50\n20;50\n", "line 2"},
                       Bad{"20,50\n20,-1\n", "out of range"}, Bad{"heading\n4000,50\n", "out of range"}}) {
    EXPECT_FALSE(ParseReadingsCsv(b.text, r, error)) << b.text;
    EXPECT_NE(error.find(b.says), std::string::npos) << error;
  }
}

TEST(ReadingFiles, RecordFileGivesReadingsTimeIntervalAndLimits) {
  setenv("TZ", "UTC", 1);
  tzset();
  auto doc = std::make_unique<CTevDoc>();
  RecordingView view;
  view.readingCount = 2;
  doc->temperature[0] = 23.5f;
  doc->humidity[0] = 60.0f;
  doc->temperature[1] = -10.0f;
  doc->humidity[1] = 100.0f;
  view.startTime = MakeLocalTime(2009, 7, 4, 13, 5, 59);
  view.sampleIntervalSeconds = 300;
  view.isFahrenheit = 1;
  view.tempHighLineF = 86;
  view.tempLowLineF = -4;
  view.tempHighLineC = 30;
  view.tempLowLineC = -20;
  view.rhHighLine = 90;
  view.rhLowLine = 30;
  const Bytes file = WriteRecordBytes(*doc, view);

  LoadedReadings r;
  std::string error;
  ASSERT_TRUE(ParseReadingsRecord(file, r, error)) << error;
  ASSERT_EQ(r.readings.size(), 2u);
  EXPECT_EQ(r.readings[0].temperatureTenths, 235);
  EXPECT_EQ(r.readings[1].temperatureTenths, -100);
  EXPECT_EQ(r.readings[1].humidityTenths, 1000);
  ASSERT_TRUE(r.startTime.has_value());
  EXPECT_EQ(r.startTime->year, 2009);
  EXPECT_EQ(r.startTime->hour, 13);
  EXPECT_EQ(r.startTime->second, 59);
  EXPECT_EQ(r.intervalSeconds, 300);
  EXPECT_EQ(r.alarmUnitChar, '$');
  EXPECT_EQ(r.tempAlarmHigh, 86);
  EXPECT_EQ(r.tempAlarmLow, -4);
  EXPECT_EQ(r.rhAlarmHigh, 90);

  EXPECT_FALSE(ParseReadingsRecord(Bytes(file.begin(), file.end() - 3), r, error));
  EXPECT_FALSE(ParseReadingsRecord(Bytes{1, 2, 3}, r, error));
}

TEST(ReadingFiles, LoadChoosesByExtension) {
  char dir[] = "/tmp/k7740-sim-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string csv = std::string(dir) + "/week.CSV";
  std::ofstream(csv) << "21.0,55\n";
  LoadedReadings r;
  std::string error;
  EXPECT_TRUE(LoadReadingsFile(csv, r, error)) << error;
  EXPECT_EQ(r.readings.size(), 1u);

  EXPECT_FALSE(LoadReadingsFile(std::string(dir) + "/week.txt", r, error));
  EXPECT_NE(error.find(".record or .csv"), std::string::npos);
  EXPECT_FALSE(LoadReadingsFile(std::string(dir) + "/missing.record", r, error));
  EXPECT_NE(error.find("missing.record"), std::string::npos);
  std::remove(csv.c_str());
  rmdir(dir);
}

}  // namespace
}  // namespace k7740
