// The analysis figures against values worked out independently (by hand and in a separate
// script): MKT, dew point, statistics and excursions, and the labelled text of them.
#include "analysis/analysis.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <memory>
#include <tuple>
#include <vector>

#include "common/text.h"

namespace k7740 {
namespace {

struct Fixture {
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView view;
};

// Readings one a minute from 05/10/07 14:00:00 UTC, alarm limits 30 C / 0 C, 80 %RH / 20 %RH.
Fixture Make(const std::vector<float>& temps, const std::vector<float>& rh = {}) {
  Fixture f;
  for (size_t i = 0; i < temps.size(); ++i) {
    f.doc->temperature[i] = temps[i];
    f.doc->humidity[i] = rh.empty() ? 50.0f : rh[i];
  }
  f.view.readingCount = static_cast<int32_t>(temps.size());
  f.view.startTime = 1191592800;  // 2007-10-05 14:00:00 UTC
  f.view.sampleIntervalSeconds = 60;
  f.view.tempAlarmHighText = "30 C";
  f.view.tempAlarmLowText = "0 C";
  f.view.tempHighLineC = 30;
  f.view.tempHighLineF = 86;
  f.view.tempLowLineC = 0;
  f.view.tempLowLineF = 32;
  f.view.rhAlarmHighText = "80 %RH";
  f.view.rhAlarmLowText = "20 %RH";
  f.view.rhHighLine = 80;
  f.view.rhLowLine = 20;
  return f;
}

class AnalysisTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_F(AnalysisTest, MeanKineticTemperatureOfWorkedExamples) {
  struct Case {
    std::vector<float> c;
    double mkt;
  };
  const Case cases[] = {
      {{20, 25, 30}, 25.858208428104035},    // above the mean 25: warm readings weigh more
      {{2, 8, 25}, 17.016338583705704},      // one warm spike pulls MKT far above the mean 11.67
      {{-20.5f, 4, 8}, 3.1961615919352653},  // below zero
      {{5, 5, 5}, 5.0},
      {{21.5f}, 21.5},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(MeanKineticTemperatureC(c.c.data(), static_cast<int>(c.c.size())), c.mkt, 1e-9)
        << ::testing::PrintToString(c.c);
  }
  const Fixture f = Make({20, 25, 30});
  const RecordingAnalysis a = AnalyzeRecording(*f.doc, f.view);
  ASSERT_TRUE(a.mktC && a.mktF);
  EXPECT_NEAR(*a.mktF, 25.858208428104035 * 1.8 + 32, 1e-9);
}

TEST_F(AnalysisTest, DewPointByMagnus) {
  struct Case {
    float c, h;
    std::optional<double> dew;
  };
  const Case cases[] = {
      {20, 50, 9.255174598981256},
      {-10, 80, -12.796886269890702},
      {30, 10.5f, -4.315049907170464},
      {25, 100, 25.0},  // saturated air: the dew point is the temperature
      {0, 100, 0.0},
      {20, 0, std::nullopt},
      {20, -1, std::nullopt},
  };
  for (const Case& c : cases) {
    const std::optional<double> dew = DewPointC(c.c, c.h);
    ASSERT_EQ(dew.has_value(), c.dew.has_value()) << c.c << " C " << c.h << " %RH";
    if (dew) {
      EXPECT_NEAR(*dew, *c.dew, 1e-9) << c.c << " C " << c.h << " %RH";
    }
  }
}

TEST_F(AnalysisTest, StatisticsUseTheSampleDeviationAndSkipMissingDewPoints) {
  const Fixture f = Make({20, 22, 24}, {40, 0, 80});
  const RecordingAnalysis a = AnalyzeRecording(*f.doc, f.view);
  EXPECT_EQ(a.count, 3);
  EXPECT_EQ(a.end, f.view.startTime + 120);
  EXPECT_EQ(a.temperatureC.count, 3);
  EXPECT_DOUBLE_EQ(a.temperatureC.min, 20);
  EXPECT_DOUBLE_EQ(a.temperatureC.max, 24);
  EXPECT_DOUBLE_EQ(a.temperatureC.mean, 22);
  EXPECT_DOUBLE_EQ(a.temperatureC.stdev, 2);  // sqrt((4 + 0 + 4) / 2)
  EXPECT_DOUBLE_EQ(a.humidity.mean, 40);
  EXPECT_DOUBLE_EQ(a.humidity.stdev, 40);  // sqrt((0 + 1600 + 1600) / 2)
  // The reading with 0 %RH has no dew point: two values remain.
  const double d0 = *DewPointC(20, 40), d2 = *DewPointC(24, 80);
  EXPECT_EQ(a.dewPointC.count, 2);
  EXPECT_DOUBLE_EQ(a.dewPointC.min, d0);
  EXPECT_DOUBLE_EQ(a.dewPointC.max, d2);
  EXPECT_DOUBLE_EQ(a.dewPointC.mean, (d0 + d2) / 2);
  EXPECT_NEAR(a.dewPointC.stdev, (d2 - d0) / std::sqrt(2.0), 1e-12);

  // One reading: the deviation is 0; no humidity above 0: no dew-point figures at all.
  const Fixture one = Make({21.5f}, {0});
  const RecordingAnalysis b = AnalyzeRecording(*one.doc, one.view);
  EXPECT_DOUBLE_EQ(b.temperatureC.stdev, 0);
  EXPECT_DOUBLE_EQ(b.temperatureC.mean, 21.5);
  EXPECT_EQ(b.end, b.start);
  EXPECT_EQ(b.dewPointC.count, 0);

  // Values are the stored floats, widened: 0.1f is not 0.1.
  const Fixture tenth = Make({0.1f, 0.1f});
  EXPECT_EQ(AnalyzeRecording(*tenth.doc, tenth.view).temperatureC.mean, static_cast<double>(0.1f));
}

TEST_F(AnalysisTest, NoReadingsGiveNoFigures) {
  const Fixture f = Make({});
  const RecordingAnalysis a = AnalyzeRecording(*f.doc, f.view);
  EXPECT_EQ(a.count, 0);
  EXPECT_EQ(a.temperatureC.count, 0);
  EXPECT_FALSE(a.mktC.has_value());
  EXPECT_EQ(a.tempHigh.count, 0);
}

TEST_F(AnalysisTest, ExcursionsAreMaximalRunsBeyondEachLimit) {
  struct Run {
    int count;
    int64_t total;
    int first, last;  // of the longest; last < first: none
  };
  struct Case {
    const char* name;
    std::vector<float> c;
    Run high, low;
  };
  const Case cases[] = {
      {"at the start", {35, 36, 20, 20, 20}, {1, 120, 0, 1}, {0, 0, 0, -1}},
      {"in the middle", {20, 31, 32, 33, 20}, {1, 180, 1, 3}, {0, 0, 0, -1}},
      {"at the end", {20, 20, 20, -1, -2}, {0, 0, 0, -1}, {1, 120, 3, 4}},
      {"start, middle and end", {35, 20, 36, 37, 20, 38}, {3, 240, 2, 3}, {0, 0, 0, -1}},
      {"equal runs: the earliest is the longest", {31, 31, 20, 31, 31}, {2, 240, 0, 1}, {0, 0, 0, -1}},
      {"every reading beyond", {40, 40, 40}, {1, 180, 0, 2}, {0, 0, 0, -1}},
      {"one reading beyond", {-5}, {0, 0, 0, -1}, {1, 60, 0, 0}},
      {"on the limit is not beyond", {30, 0, 30, 0}, {0, 0, 0, -1}, {0, 0, 0, -1}},
      {"both limits", {31, -1, -1, 31}, {2, 120, 0, 0}, {1, 120, 1, 2}},
  };
  for (const Case& c : cases) {
    const Fixture f = Make(c.c);
    const RecordingAnalysis a = AnalyzeRecording(*f.doc, f.view);
    for (const auto& [got, want, which] :
         {std::tuple{a.tempHigh, c.high, "high"}, std::tuple{a.tempLow, c.low, "low"}}) {
      SCOPED_TRACE(std::string(c.name) + ", " + which);
      EXPECT_EQ(got.count, want.count);
      EXPECT_EQ(got.totalSeconds, want.total);
      if (want.last < want.first) {
        EXPECT_EQ(got.longestReadings, 0);
      } else {
        EXPECT_EQ(got.longestFirst, want.first);
        EXPECT_EQ(got.longestLast, want.last);
        EXPECT_EQ(got.longestSeconds, (want.last - want.first + 1) * 60);
      }
    }
  }
}

TEST_F(AnalysisTest, HumidityExcursionsUseTheHumidityLimits) {
  const Fixture f = Make({20, 20, 20, 20, 20}, {85, 80, 10, 15, 81});
  const RecordingAnalysis a = AnalyzeRecording(*f.doc, f.view);
  EXPECT_EQ(a.rhHigh.count, 2);
  EXPECT_EQ(a.rhHigh.totalSeconds, 120);
  EXPECT_EQ(a.rhLow.count, 1);
  EXPECT_EQ(a.rhLow.longestFirst, 2);
  EXPECT_EQ(a.rhLow.longestLast, 3);
  EXPECT_EQ(a.tempHigh.count + a.tempLow.count, 0);
}

TEST_F(AnalysisTest, LimitsAreComparedInTheUnitTheirTextsShow) {
  // A logger set to -10 F / 86 F: the Celsius lines are truncated to -23 / 30.
  Fixture f = Make({-23.2f, -23.4f, 30.05f, 29.99f});
  f.view.tempAlarmHighText = "86 F";
  f.view.tempAlarmLowText = "-10 F";
  f.view.tempHighLineF = 86;
  f.view.tempHighLineC = 30;
  f.view.tempLowLineF = -10;
  f.view.tempLowLineC = -23;
  const RecordingAnalysis a = AnalyzeRecording(*f.doc, f.view);
  EXPECT_TRUE(a.limitsInFahrenheit);
  // -23.2 C is -9.76 F (not below -10 F) though below -23 C; -23.4 C is -10.12 F.
  EXPECT_EQ(a.tempLow.count, 1);
  EXPECT_EQ(a.tempLow.longestFirst, 1);
  EXPECT_EQ(a.tempLow.longestLast, 1);
  // 30.05 C is 86.09 F; 29.99 C is 85.98 F.
  EXPECT_EQ(a.tempHigh.count, 1);
  EXPECT_EQ(a.tempHigh.longestFirst, 2);
  EXPECT_EQ(a.tempHigh.longestLast, 2);

  // The same readings against Celsius texts use the Celsius lines.
  f.view.tempAlarmHighText = "30 C";
  f.view.tempAlarmLowText = "-23 C";
  const RecordingAnalysis c = AnalyzeRecording(*f.doc, f.view);
  EXPECT_FALSE(c.limitsInFahrenheit);
  EXPECT_EQ(c.tempLow.count, 1);
  EXPECT_EQ(c.tempLow.longestFirst, 0);
  EXPECT_EQ(c.tempLow.longestLast, 1);
}

TEST_F(AnalysisTest, DurationsAsHoursMinutesSeconds) {
  const std::pair<int64_t, const char*> cases[] = {{0, "0:00:00"},
                                                   {59, "0:00:59"},
                                                   {3661, "1:01:01"},
                                                   {90000, "25:00:00"},
                                                   {16360LL * 3600, "16360:00:00"}};
  for (const auto& [seconds, text] : cases) EXPECT_EQ(FormatDuration(seconds), text);
}

TEST_F(AnalysisTest, TextLabelsEveryFigure) {
  const Fixture f = Make({20, 35, 36, 20}, {50, 50, 0, 50});
  const std::string text = FormatAnalysisText(AnalyzeRecording(*f.doc, f.view));
  for (const char* line : {
           "Readings: 4\n",
           "Interval: 60 s\n",
           "Start: 05/10/07 14:00:00\n",
           "End: 05/10/07 14:03:00\n",
           "Temperature max: 36.00 C\n",
           "Temperature mean: 27.75 C\n",
           "Dew point min: 9.26 C\n",
           "Temperature high limit: 30 C\n",
           "Temperature high excursions: 1\n",
           "Temperature high excursion time: 0:02:00\n",
           "Temperature high longest: 0:02:00 from 05/10/07 14:01:00 to 05/10/07 14:02:00\n",
           "Humidity low longest: 0:01:00 from 05/10/07 14:02:00 to 05/10/07 14:02:00\n",
           "Temperature low longest: none\n",
       }) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
  }
  EXPECT_NE(
      text.find("MKT: " + StrFormat("%.2f", MeanKineticTemperatureC(f.doc->temperature.data(), 4)) + " C ("),
      std::string::npos);

  const Fixture empty = Make({});
  const std::string none = FormatAnalysisText(AnalyzeRecording(*empty.doc, empty.view));
  EXPECT_NE(none.find("Temperature min: none\n"), std::string::npos) << none;
  EXPECT_NE(none.find("MKT: none\n"), std::string::npos) << none;
}

}  // namespace
}  // namespace k7740
