// The exports read back: CSV and JSON parsed and compared with every reading of a full
// recording over both daylight-saving changes in Berlin, the line protocol and its escaping.
#include "analysis/export.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/text.h"

namespace k7740 {
namespace {

struct Fixture {
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView view;
};

void SetLimits(RecordingView& v) {
  v.tempAlarmHighText = "40 C";
  v.tempAlarmLowText = "-10 C";
  v.tempHighLineC = 40;
  v.tempHighLineF = 104;
  v.tempLowLineC = -10;
  v.tempLowLineF = 14;
  v.rhAlarmHighText = "90 %RH";
  v.rhAlarmLowText = "20 %RH";
  v.rhHighLine = 90;
  v.rhLowLine = 20;
}

// 16,360 readings every 30 minutes from 15 January 2026 (local): both changes of 2026 inside.
// Every tenth from -40.0 to 70.0 C and 0.0 to 100.0 %RH occurs; 0 %RH has no dew point.
Fixture Full() {
  Fixture f;
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> tenths(-400, 700), rh(0, 1000);
  for (size_t i = 0; i < kMaxReadings; ++i) {
    f.doc->temperature[i] = static_cast<float>(tenths(rng)) / 10.0f;
    f.doc->humidity[i] = i % 97 == 0 ? 0.0f : static_cast<float>(rh(rng)) / 10.0f;
  }
  f.view.readingCount = kMaxReadings;
  f.view.startTime = MakeLocalTime(2026, 1, 15, 9, 0, 0);
  f.view.sampleIntervalSeconds = 1800;
  SetLimits(f.view);
  return f;
}

// The instant an ISO 8601 text with offset names, worked out without the local-time functions.
std::time_t ParseIso(const std::string& text) {
  int y, mo, d, h, mi, s, oh, om;
  char sign;
  EXPECT_EQ(text.size(), 25u) << text;
  EXPECT_EQ(std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c%2d:%2d", &y, &mo, &d, &h, &mi, &s, &sign,
                        &oh, &om),
            9)
      << text;
  struct tm utc {};
  utc.tm_year = y - 1900;
  utc.tm_mon = mo - 1;
  utc.tm_mday = d;
  utc.tm_hour = h;
  utc.tm_min = mi;
  utc.tm_sec = s;
  const long offset = (oh * 3600L + om * 60L) * (sign == '-' ? -1 : 1);
  return timegm(&utc) - offset;
}

// What "%.1f" makes of a value, read back as a number.
double OneDecimal(double v) { return std::stod(StrFormat("%.1f", v)); }

std::vector<std::string> Split(const std::string& text, char sep) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, sep)) parts.push_back(part);
  if (!text.empty() && text.back() == sep) parts.push_back("");
  return parts;
}

class ExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }
};

TEST_F(ExportTest, IsoTimesCarryTheOffsetThroughBothChanges) {
  struct Case {
    std::time_t utc;
    const char* text;
  };
  const Case cases[] = {
      {1774744200, "2026-03-29T01:30:00+01:00"},  // 00:30 UTC, the last winter half hour
      {1774746000, "2026-03-29T03:00:00+02:00"},  // 01:00 UTC: 02:00 never happens
      {1792888200, "2026-10-25T02:30:00+02:00"},  // 00:30 UTC
      {1792891800, "2026-10-25T02:30:00+01:00"},  // 01:30 UTC: the same wall time again
      {1191586200, "2007-10-05T14:10:00+02:00"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatIsoLocalTime(c.utc), c.text);
  setenv("TZ", "America/St_Johns", 1);  // a zone west of UTC with half hours
  tzset();
  EXPECT_EQ(FormatIsoLocalTime(1191586200), "2007-10-05T09:40:00-02:30");
}

TEST_F(ExportTest, CsvReadsBackAsEveryReading) {
  const Fixture f = Full();
  const std::string csv = ExportCsv(*f.doc, f.view);
  ASSERT_EQ(csv.back(), '\n');
  EXPECT_EQ(csv.find('\r'), std::string::npos);
  EXPECT_EQ(csv.find('"'), std::string::npos);  // no field needs quoting
  const std::vector<std::string> lines = Split(csv.substr(0, csv.size() - 1), '\n');
  ASSERT_EQ(lines.size(), static_cast<size_t>(kMaxReadings) + 1);
  EXPECT_EQ(lines[0], "time,temperature_c,temperature_f,humidity_rh,dew_point_c");
  int noDewPoint = 0;
  for (int i = 0; i < kMaxReadings; ++i) {
    const std::vector<std::string> row = Split(lines[static_cast<size_t>(i) + 1], ',');
    ASSERT_EQ(row.size(), 5u) << lines[static_cast<size_t>(i) + 1];
    const float c = f.doc->temperature[static_cast<size_t>(i)], h = f.doc->humidity[static_cast<size_t>(i)];
    ASSERT_EQ(ParseIso(row[0]), ReadingTime(f.view, i)) << row[0];
    ASSERT_EQ(std::stod(row[1]), OneDecimal(c)) << i;
    ASSERT_EQ(std::stod(row[2]), OneDecimal(c * 1.8 + 32)) << i;
    ASSERT_EQ(std::stod(row[3]), OneDecimal(h)) << i;
    if (h <= 0) {
      ASSERT_EQ(row[4], "") << i;
      ++noDewPoint;
    } else {
      ASSERT_EQ(std::stod(row[4]), OneDecimal(*DewPointC(c, h))) << i;
    }
  }
  EXPECT_GT(noDewPoint, 100);
}

TEST_F(ExportTest, CsvOfTheAutumnNightRepeatsTheWallTimeWithAnotherOffset) {
  Fixture f;
  for (size_t i = 0; i < 6; ++i) {
    f.doc->temperature[i] = 4.25f;  // halfway between tenths in decimal, not in binary
    f.doc->humidity[i] = 60.0f;
  }
  f.view.readingCount = 6;
  f.view.startTime = MakeLocalTime(2026, 10, 25, 1, 30, 0);
  f.view.sampleIntervalSeconds = 1800;
  EXPECT_EQ(ExportCsv(*f.doc, f.view),
            "time,temperature_c,temperature_f,humidity_rh,dew_point_c\n"
            "2026-10-25T01:30:00+02:00,4.2,39.6,60.0,-2.8\n"
            "2026-10-25T02:00:00+02:00,4.2,39.6,60.0,-2.8\n"
            "2026-10-25T02:30:00+02:00,4.2,39.6,60.0,-2.8\n"
            "2026-10-25T02:00:00+01:00,4.2,39.6,60.0,-2.8\n"
            "2026-10-25T02:30:00+01:00,4.2,39.6,60.0,-2.8\n"
            "2026-10-25T03:00:00+01:00,4.2,39.6,60.0,-2.8\n");
  f.view.readingCount = 0;
  EXPECT_EQ(ExportCsv(*f.doc, f.view), "time,temperature_c,temperature_f,humidity_rh,dew_point_c\n");
}

TEST_F(ExportTest, JsonReadsBackAsEveryReading) {
  Fixture f = Full();
  f.view.isFahrenheit = 1;
  const nlohmann::json j = nlohmann::json::parse(ExportJson(*f.doc, f.view));
  EXPECT_EQ(j.at("start"), "2026-01-15T09:00:00+01:00");
  EXPECT_EQ(j.at("interval_s"), 1800);
  EXPECT_EQ(j.at("count"), kMaxReadings);
  EXPECT_EQ(j.at("unit"), "F");
  EXPECT_EQ(
      j.at("alarms"),
      nlohmann::json::parse(
          R"({"unit":"C","temperature_high":40,"temperature_low":-10,"humidity_high":90,"humidity_low":20})"));
  const nlohmann::json& readings = j.at("readings");
  ASSERT_EQ(readings.size(), static_cast<size_t>(kMaxReadings));
  for (int i = 0; i < kMaxReadings; ++i) {
    const nlohmann::json& r = readings[static_cast<size_t>(i)];
    const float c = f.doc->temperature[static_cast<size_t>(i)], h = f.doc->humidity[static_cast<size_t>(i)];
    ASSERT_EQ(r.size(), 5u);
    ASSERT_EQ(ParseIso(r.at("time").get<std::string>()), ReadingTime(f.view, i)) << r;
    ASSERT_EQ(r.at("temperature_c").get<double>(), OneDecimal(c)) << r;
    ASSERT_EQ(r.at("temperature_f").get<double>(), OneDecimal(c * 1.8 + 32)) << r;
    ASSERT_EQ(r.at("humidity_rh").get<double>(), OneDecimal(h)) << r;
    if (h <= 0) {
      ASSERT_TRUE(r.at("dew_point_c").is_null()) << r;
    } else {
      ASSERT_EQ(r.at("dew_point_c").get<double>(), OneDecimal(*DewPointC(c, h))) << r;
    }
  }
}

TEST_F(ExportTest, JsonAlarmsKeepTheUnitOfTheLoggersLimits) {
  Fixture f;
  f.view.startTime = MakeLocalTime(2026, 7, 1, 12, 0, 0);
  f.view.sampleIntervalSeconds = 60;
  f.view.tempAlarmHighText = "104 F";
  f.view.tempAlarmLowText = "-4 F";
  f.view.rhAlarmHighText = "85 %RH";
  f.view.rhAlarmLowText = "0 %RH";
  const nlohmann::json j = nlohmann::json::parse(ExportJson(*f.doc, f.view));
  EXPECT_EQ(j.at("unit"), "C");
  EXPECT_EQ(j.at("count"), 0);
  EXPECT_TRUE(j.at("readings").empty());
  EXPECT_EQ(
      j.at("alarms"),
      nlohmann::json::parse(
          R"({"unit":"F","temperature_high":104,"temperature_low":-4,"humidity_high":85,"humidity_low":0})"));
}

TEST_F(ExportTest, LineProtocolOneLineAReading) {
  Fixture f;
  const float temps[] = {21.5f, -3.25f, 8.0f};
  const float rh[] = {48.0f, 0.0f, 100.0f};
  for (size_t i = 0; i < 3; ++i) {
    f.doc->temperature[i] = temps[i];
    f.doc->humidity[i] = rh[i];
  }
  f.view.readingCount = 3;
  f.view.startTime = MakeLocalTime(2007, 10, 5, 14, 10, 0);
  f.view.sampleIntervalSeconds = 60;
  f.view.isFahrenheit = 1;  // the protocol's temperature is Celsius whatever the display shows
  InfluxOptions options;
  options.tags = {{"site", "cold room 2"}, {"logger", "a,b=c"}};
  EXPECT_EQ(ExportInflux(*f.doc, f.view, options),
            "k7740,logger=a\\,b\\=c,site=cold\\ room\\ 2 temperature=21.5,humidity=48.0,dew_point=10.0 "
            "1191586200000000000\n"
            "k7740,logger=a\\,b\\=c,site=cold\\ room\\ 2 temperature=-3.2,humidity=0.0 1191586260000000000\n"
            "k7740,logger=a\\,b\\=c,site=cold\\ room\\ 2 temperature=8.0,humidity=100.0,dew_point=8.0 "
            "1191586320000000000\n");
  options = {};
  options.measurement = "cold chain,v2";
  f.view.readingCount = 1;
  EXPECT_EQ(ExportInflux(*f.doc, f.view, options),
            "cold\\ chain\\,v2 temperature=21.5,humidity=48.0,dew_point=10.0 1191586200000000000\n");
}

TEST_F(ExportTest, LineProtocolEscapingAndRefusedNames) {
  const std::pair<const char*, const char*> measurements[] = {{"k7740", "k7740"}, {"a b", "a\\ b"},
                                                              {"a,b", "a\\,b"},   {"a=b", "a=b"},
                                                              {"a\\b", "a\\b"},   {"\"q\"", "\"q\""}};
  for (const auto& [raw, escaped] : measurements) EXPECT_EQ(EscapeInfluxMeasurement(raw), escaped) << raw;
  const std::pair<const char*, const char*> tags[] = {{"room", "room"},       {"a b", "a\\ b"},
                                                      {"a,b", "a\\,b"},       {"a=b", "a\\=b"},
                                                      {"x= ,", "x\\=\\ \\,"}, {"\"q\"", "\"q\""}};
  for (const auto& [raw, escaped] : tags) EXPECT_EQ(EscapeInfluxTag(raw), escaped) << raw;

  struct Case {
    InfluxOptions options;
    const char* problem;  // empty: accepted
  };
  const Case cases[] = {
      {{"k7740", {{"site", "a b"}, {"room", "1"}}}, ""},
      {{"", {}}, "measurement name is empty"},
      {{"a\nb", {}}, "line break"},
      {{"#x", {}}, "cannot start with #"},
      {{"x\\", {}}, "backslash"},
      {{"k7740", {{"", "v"}}}, "needs a key and a value"},
      {{"k7740", {{"k", ""}}}, "needs a key and a value"},
      {{"k7740", {{"k", "a\nb"}}}, "line break"},
      {{"k7740", {{"k", "v\\"}}}, "backslash"},
      {{"k7740", {{"k", "1"}, {"k", "2"}}}, "given twice"},
  };
  for (const Case& c : cases) {
    const std::string problem = CheckInfluxOptions(c.options);
    if (*c.problem == '\0') {
      EXPECT_EQ(problem, "") << c.options.measurement;
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << c.options.measurement << ": " << problem;
    }
  }
}

TEST_F(ExportTest, AnalysisJsonHasEveryMember) {
  Fixture f;
  const float temps[] = {20.0f, 41.0f, 42.0f, 20.0f};
  for (size_t i = 0; i < 4; ++i) {
    f.doc->temperature[i] = temps[i];
    f.doc->humidity[i] = i == 3 ? 0.0f : 50.0f;
  }
  f.view.readingCount = 4;
  f.view.startTime = 1792886400;  // 2026-10-25 00:00 UTC: the first 02:00, summer time
  f.view.sampleIntervalSeconds = 1800;
  SetLimits(f.view);
  const RecordingAnalysis a = AnalyzeRecording(*f.doc, f.view);
  const nlohmann::json j = nlohmann::json::parse(FormatAnalysisJson(a));
  EXPECT_EQ(j.at("count"), 4);
  EXPECT_EQ(j.at("interval_s"), 1800);
  EXPECT_EQ(j.at("start"), "2026-10-25T02:00:00+02:00");
  EXPECT_EQ(j.at("end"), "2026-10-25T02:30:00+01:00");
  EXPECT_EQ(j.at("temperature_c").at("max"), 42.0);
  EXPECT_EQ(j.at("temperature_c").at("mean"), 30.75);
  EXPECT_EQ(j.at("temperature_c").at("stdev"), a.temperatureC.stdev);  // unrounded
  EXPECT_EQ(j.at("humidity_rh").at("min"), 0.0);
  EXPECT_EQ(j.at("dew_point_c").at("max"), *DewPointC(42, 50));
  EXPECT_EQ(j.at("mkt_c"), *a.mktC);
  EXPECT_EQ(j.at("mkt_f"), *a.mktC * 1.8 + 32);
  const nlohmann::json& e = j.at("excursions");
  EXPECT_EQ(e.at("temperature_high"), nlohmann::json::parse(R"({"count": 1, "total_s": 3600, "longest":
            {"start": "2026-10-25T02:30:00+02:00", "end": "2026-10-25T02:00:00+01:00", "duration_s": 3600}})"));
  EXPECT_EQ(e.at("temperature_low"), nlohmann::json::parse(R"({"count": 0, "total_s": 0, "longest": null})"));
  EXPECT_EQ(e.at("humidity_low").at("count"), 1);
  EXPECT_EQ(e.at("humidity_high").at("longest"), nullptr);

  f.view.readingCount = 0;
  const nlohmann::json none = nlohmann::json::parse(FormatAnalysisJson(AnalyzeRecording(*f.doc, f.view)));
  EXPECT_EQ(none.at("end"), nullptr);
  EXPECT_EQ(none.at("mkt_c"), nullptr);
  EXPECT_EQ(none.at("dew_point_c"),
            nlohmann::json::parse(R"({"min": null, "max": null, "mean": null, "stdev": null})"));
}

}  // namespace
}  // namespace k7740
