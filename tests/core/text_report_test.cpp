#include "recording/text_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/text.h"
#include "recording/recording.h"

namespace k7740 {
namespace {

struct Recording {
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView view;
};

void SetZone(const char* zone) {
  setenv("TZ", zone, 1);
  tzset();
}

// Four readings every 300 s from 5 October 2007 14:00:00, summarised as after a download.
Recording Small(uint8_t fahrenheit) {
  Recording r;
  const LoggerReading readings[] = {{20.0f, 45.0f}, {-3.25f, 50.5f}, {21.5f, 48.0f}, {0.05f, 99.95f}};
  for (size_t i = 0; i < 4; ++i) {
    r.doc->temperature[i] = readings[i].temperature;
    r.doc->humidity[i] = readings[i].humidity;
  }
  r.view.readingCount = 4;
  r.view.startTime = MakeLocalTime(2007, 10, 5, 14, 0, 0);
  r.view.sampleIntervalSeconds = 300;
  r.view.isFahrenheit = fahrenheit;
  r.view.tempAlarmHighText = "40 C";
  r.view.tempAlarmLowText = "-10 C";
  r.view.rhAlarmHighText = "90 %RH";
  r.view.rhAlarmLowText = "20 %RH";
  ComputeSummary(*r.doc, r.view);
  SetHeaderTexts(r.view);
  return r;
}

const std::string kHead =
    "                                 Test Report\r\n"
    "\r\n"
    ">>Start Time: 05/10/07 14:00:00       End Time: 05/10/07 14:15:00\r\n"
    ">>Sampling rate: 300sec\r\n"
    ">>Data number: 4\r\n"
    ">>Temp Alarm HI: 40 C   Temp Alarm Low: -10 C\r\n"
    ">>RH Alarm HI: 90 %RH   RH Alarm Low: 20 %RH\r\n";
const std::string kRhLine =
    ">>RH MAX: 99.9 %RH @14:15:00 05/10/07  RH MIN: 45.0 %RH @14:00:00 05/10/07  RH AVG: 60.86 %RH\r\n";
const std::string kRule = std::string(100, '-') + "\r\n";

TEST(TextReportTest, CelsiusReportByteForByte) {
  SetZone("UTC");
  const Recording r = Small(0);
  const std::string want = kHead +
                           ">>Temp MAX: 21.5 C @14:10:00 05/10/07  Temp MIN: -3.2 C @14:05:00 05/10/07  "
                           "Temp AVG: 9.57 C\r\n" +
                           kRhLine + kRule +
                           "NO\tTemp(C)\tRH(%RH)\tTIME \r\n"
                           "1\t20.0\t45.0\t05-10-07/14:00:00 \r\n"
                           "2\t-3.2\t50.5\t05-10-07/14:05:00 \r\n"
                           "3\t21.5\t48.0\t05-10-07/14:10:00 \r\n"
                           "4\t0.1\t99.9\t05-10-07/14:15:00 \r\n";
  EXPECT_EQ(BuildTextReport(*r.doc, r.view), want);
}

TEST(TextReportTest, FahrenheitReportConvertsTemperaturesButNotAlarmTexts) {
  SetZone("UTC");
  const Recording r = Small(1);
  const std::string want = kHead +
                           ">>Temp MAX: 70.7 F @14:10:00 05/10/07  Temp MIN: 26.1 F @14:05:00 05/10/07  "
                           "Temp AVG: 49.23 F\r\n" +
                           kRhLine + kRule +
                           "NO\tTemp(F)\tRH(%RH)\tTIME \r\n"
                           "1\t68.0\t45.0\t05-10-07/14:00:00 \r\n"
                           "2\t26.1\t50.5\t05-10-07/14:05:00 \r\n"
                           "3\t70.7\t48.0\t05-10-07/14:10:00 \r\n"
                           "4\t32.1\t99.9\t05-10-07/14:15:00 \r\n";
  EXPECT_EQ(BuildTextReport(*r.doc, r.view), want);
}

TEST(TextReportTest, EmptyRecordingHasTheElevenHeaderLinesOnly) {
  SetZone("UTC");
  Recording r = Small(0);
  r.view.readingCount = 0;
  const std::string report = BuildTextReport(*r.doc, r.view);
  EXPECT_TRUE(report.ends_with(kRule + "NO\tTemp(C)\tRH(%RH)\tTIME \r\n")) << report;
  size_t lines = 0;
  for (size_t at = report.find("\r\n"); at != std::string::npos; at = report.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, 11u);
}

// The data lines of a report, each without its "\r\n".
std::vector<std::string> DataLines(const std::string& report) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end = report.find("\r\n"); end != std::string::npos; end = report.find("\r\n", start)) {
    lines.push_back(report.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, report.size()) << "text after the last line end";
  return std::vector<std::string>(lines.begin() + std::min<long>(11, static_cast<long>(lines.size())),
                                  lines.end());
}

// Every row must read as printf and the C library's local time would write it.
void ExpectRowsMatchTheCLibrary(const Recording& r) {
  const std::vector<std::string> rows = DataLines(BuildTextReport(*r.doc, r.view));
  ASSERT_EQ(rows.size(), static_cast<size_t>(r.view.readingCount));
  for (int i = 0; i < r.view.readingCount; ++i) {
    const auto at = static_cast<size_t>(i);
    const double t = r.view.isFahrenheit == 1 ? ToFahrenheit(r.doc->temperature[at])
                                              : static_cast<double>(r.doc->temperature[at]);
    const std::string want =
        StrFormat("%d\t%.1f\t%.1f\t%s ", i + 1, t, static_cast<double>(r.doc->humidity[at]),
                  FormatLocalTime(ReadingTime(r.view, i), "%d-%m-%y/%H:%M:%S").c_str());
    ASSERT_EQ(rows[at], want) << "row " << i + 1;
  }
}

TEST(TextReportTest, RowTimesFollowLocalTimeAcrossDaylightSavingChanges) {
  struct Case {
    const char* zone;
    int year, month, day, hour, minute;
    int interval, count;
  };
  const Case cases[] = {
      {"UTC", 2007, 12, 31, 23, 0, 1, 7200},                          // seconds across midnight and the year
      {"Europe/Berlin", 2007, 10, 27, 22, 0, 1, kMaxReadings},        // 03:00 back to 02:00
      {"Europe/Berlin", 2008, 3, 30, 0, 0, 1, kMaxReadings},          // 02:00 on to 03:00
      {"Europe/Berlin", 2007, 1, 1, 0, 0, 1800, kMaxReadings},        // a whole year in half hours
      {"Europe/Berlin", 2007, 3, 20, 12, 0, 86400, 30},               // one row a day across the change
      {"Europe/Berlin", 2007, 3, 20, 12, 0, 90000, 400},              // a row every 25 hours
      {"Australia/Lord_Howe", 2007, 3, 24, 12, 0, 60, kMaxReadings},  // half-hour shift
      {"America/Sao_Paulo", 2007, 10, 13, 20, 0, 300, 2000},          // the change falls at midnight
      {"America/Sao_Paulo", 2008, 2, 16, 20, 0, 300, 2000},           // 00:00 back to 23:00
  };
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> temperature(-40.0f, 70.0f), humidity(0.0f, 100.0f);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zone << " " << c.year << "-" << c.month << "-" << c.day << " every "
                                    << c.interval << " s");
    SetZone(c.zone);
    Recording r;
    for (int i = 0; i < c.count; ++i) {
      r.doc->temperature[static_cast<size_t>(i)] = temperature(rng);
      r.doc->humidity[static_cast<size_t>(i)] = humidity(rng);
    }
    r.view.readingCount = c.count;
    r.view.startTime = MakeLocalTime(c.year, c.month, c.day, c.hour, c.minute, 0);
    r.view.sampleIntervalSeconds = c.interval;
    ExpectRowsMatchTheCLibrary(r);
  }

  // The repeated hour in autumn shows twice.
  SetZone("Europe/Berlin");
  Recording r;
  r.view.readingCount = 5;
  r.view.startTime = MakeLocalTime(2007, 10, 28, 1, 30, 0);
  r.view.sampleIntervalSeconds = 1800;
  const std::vector<std::string> rows = DataLines(BuildTextReport(*r.doc, r.view));
  ASSERT_EQ(rows.size(), 5u);
  const char* const times[] = {"28-10-07/01:30:00", "28-10-07/02:00:00", "28-10-07/02:30:00",
                               "28-10-07/02:00:00", "28-10-07/02:30:00"};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(rows[i], StrFormat("%zu\t0.0\t0.0\t%s ", i + 1, times[i]));
}

TEST(TextReportTest, ValuesAreRoundedExactlyAsPrintfWould) {
  SetZone("UTC");
  for (uint8_t fahrenheit : {0, 1}) {
    Recording r;
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> any(-60.0f, 130.0f);
    // Exact ties (x.x5 with a short binary form), negative zero, and values that round to -0.0.
    const float special[] = {-3.25f,
                             0.25f,
                             0.75f,
                             -0.75f,
                             -0.0f,
                             -0.04f,
                             0.05f,
                             99.95f,
                             1e9f,
                             -1e-9f,
                             std::numeric_limits<float>::infinity(),
                             std::nanf("")};
    int n = 0;
    for (float v : special) r.doc->temperature[static_cast<size_t>(n++)] = v;
    for (; n < kMaxReadings; ++n) r.doc->temperature[static_cast<size_t>(n)] = any(rng);
    for (int i = 0; i < kMaxReadings; ++i) {
      r.doc->humidity[static_cast<size_t>(i)] = r.doc->temperature[static_cast<size_t>(kMaxReadings - 1 - i)];
    }
    r.view.readingCount = kMaxReadings;
    r.view.sampleIntervalSeconds = 1;
    r.view.isFahrenheit = fahrenheit;
    ExpectRowsMatchTheCLibrary(r);
  }
}

}  // namespace
}  // namespace k7740
