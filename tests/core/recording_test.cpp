#include "recording/recording.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"

namespace k7740 {
namespace {

struct Recording {
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView view;
};

// Readings every 300 s from 5 October 2007 14:00:00 (UTC in these tests).
Recording Make(const std::vector<LoggerReading>& readings, uint8_t fahrenheit = 0) {
  Recording r;
  for (size_t i = 0; i < readings.size(); ++i) {
    r.doc->temperature[i] = readings[i].temperature;
    r.doc->humidity[i] = readings[i].humidity;
  }
  r.view.readingCount = static_cast<int32_t>(readings.size());
  r.view.startTime = MakeLocalTime(2007, 10, 5, 14, 0, 0);
  r.view.sampleIntervalSeconds = 300;
  r.view.isFahrenheit = fahrenheit;
  return r;
}

class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
};

TEST_F(RecordingTest, SummaryTextsOfOneReading) {
  Recording r = Make({{21.5f, 48.0f}});
  r.view.startTime = MakeLocalTime(2007, 10, 5, 14, 10, 0);
  ComputeSummary(*r.doc, r.view);
  const std::string at = "@14:10:00 05/10/07";
  EXPECT_EQ(r.view.tempMaxTextC, "21.5 C " + at);
  EXPECT_EQ(r.view.tempMinTextC, "21.5 C " + at);
  EXPECT_EQ(r.view.tempAvgTextC, "21.50 C");
  EXPECT_EQ(r.view.tempMaxTextF, "70.7 F " + at);
  EXPECT_EQ(r.view.tempMinTextF, "70.7 F " + at);
  EXPECT_EQ(r.view.tempAvgTextF, "70.70 F");
  EXPECT_EQ(r.view.rhMaxText, "48.0 %RH " + at);
  EXPECT_EQ(r.view.rhMinText, "48.0 %RH " + at);
  EXPECT_EQ(r.view.rhAvgText, "48.00 %RH");
  EXPECT_EQ(r.view.tempMaxText, r.view.tempMaxTextC);
  EXPECT_EQ(r.view.tempAvgText, "21.50 C");
}

TEST_F(RecordingTest, SummaryExtremesAndTheirTimes) {
  struct Case {
    const char* name;
    std::vector<LoggerReading> readings;
    const char *tMax, *tMin, *hMax, *hMin;
  };
  const Case cases[] = {
      // No temperature reaches the initial maximum: it stays -40.0 at the start time.
      {"all below -40",
       {{-45.0f, 50.0f}, {-41.0f, 50.0f}},
       "-40.0 C @14:00:00 05/10/07",
       "-45.0 C @14:00:00 05/10/07",
       "50.0 %RH @14:05:00 05/10/07",
       "50.0 %RH @14:05:00 05/10/07"},
      {"all above 70",
       {{75.0f, 20.0f}, {71.0f, 30.0f}},
       "75.0 C @14:00:00 05/10/07",
       "70.0 C @14:00:00 05/10/07",
       "30.0 %RH @14:05:00 05/10/07",
       "20.0 %RH @14:00:00 05/10/07"},
      // An equal value moves the extreme to the later reading.
      {"equal maxima and minima",
       {{25.0f, 60.0f}, {10.0f, 40.0f}, {25.0f, 60.0f}, {10.0f, 40.0f}, {20.0f, 50.0f}},
       "25.0 C @14:10:00 05/10/07",
       "10.0 C @14:15:00 05/10/07",
       "60.0 %RH @14:10:00 05/10/07",
       "40.0 %RH @14:15:00 05/10/07"},
      {"exactly the initial extremes",
       {{-40.0f, 0.0f}, {70.0f, 100.0f}},
       "70.0 C @14:05:00 05/10/07",
       "-40.0 C @14:00:00 05/10/07",
       "100.0 %RH @14:05:00 05/10/07",
       "0.0 %RH @14:00:00 05/10/07"},
      {"negative values round like printf",
       {{-3.25f, 50.5f}, {-3.35f, 50.45f}},
       "-3.2 C @14:00:00 05/10/07",
       "-3.3 C @14:05:00 05/10/07",
       "50.5 %RH @14:00:00 05/10/07",
       "50.5 %RH @14:05:00 05/10/07"},
  };
  for (const Case& c : cases) {
    Recording r = Make(c.readings);
    ComputeSummary(*r.doc, r.view);
    EXPECT_EQ(r.view.tempMaxTextC, c.tMax) << c.name;
    EXPECT_EQ(r.view.tempMinTextC, c.tMin) << c.name;
    EXPECT_EQ(r.view.rhMaxText, c.hMax) << c.name;
    EXPECT_EQ(r.view.rhMinText, c.hMin) << c.name;
  }
}

TEST_F(RecordingTest, AveragesAccumulateInSinglePrecision) {
  // In double precision these would read 9.58 C / 49.24 F and 55.70 %RH.
  Recording small = Make({{20.0f, 45.0f}, {-3.25f, 50.5f}, {21.5f, 48.0f}, {0.05f, 99.95f}});
  ComputeSummary(*small.doc, small.view);
  EXPECT_EQ(small.view.tempAvgTextC, "9.57 C");
  EXPECT_EQ(small.view.tempAvgTextF, "49.23 F");
  EXPECT_EQ(small.view.rhAvgText, "60.86 %RH");

  Recording full = Make(std::vector<LoggerReading>(kMaxReadings, LoggerReading{21.3f, 55.7f}));
  ComputeSummary(*full.doc, full.view);
  EXPECT_EQ(full.view.tempAvgTextC, "21.30 C");
  EXPECT_EQ(full.view.tempAvgTextF, "70.34 F");
  EXPECT_EQ(full.view.rhAvgText, "55.69 %RH");
  EXPECT_EQ(full.view.tempMaxTextC, "21.3 C @09:15:00 01/12/07") << "the last of equal maxima";
}

TEST_F(RecordingTest, SummaryWithoutReadingsChangesNothing) {
  Recording r = Make({});
  r.view.tempMaxTextC = "kept";
  r.view.rhAvgText = "kept";
  ComputeSummary(*r.doc, r.view);
  EXPECT_EQ(r.view.tempMaxTextC, "kept");
  EXPECT_EQ(r.view.rhAvgText, "kept");
}

TEST_F(RecordingTest, UnitSwitchChangesOnlyTheDisplayedTemperatureTexts) {
  Recording r = Make({{21.5f, 48.0f}, {-5.04f, 30.0f}}, 1);
  ComputeSummary(*r.doc, r.view);
  EXPECT_EQ(r.view.tempMaxText, "70.7 F @14:00:00 05/10/07");
  EXPECT_EQ(r.view.tempMinText, "22.9 F @14:05:00 05/10/07");
  EXPECT_EQ(r.view.tempAvgText, r.view.tempAvgTextF);

  const std::string rhMax = r.view.rhMaxText;
  r.view.isFahrenheit = 0;
  SelectDisplayedTempTexts(r.view);
  EXPECT_EQ(r.view.tempMaxText, "21.5 C @14:00:00 05/10/07");
  EXPECT_EQ(r.view.tempMinText, "-5.0 C @14:05:00 05/10/07");
  EXPECT_EQ(r.view.tempAvgText, r.view.tempAvgTextC);
  EXPECT_EQ(r.view.rhMaxText, rhMax);
  EXPECT_EQ(r.doc->temperature[1], -5.04f);
}

TEST_F(RecordingTest, RebuildHeaderTextsFromTheLoadedStart) {
  Recording r = Make({});
  r.doc->loadedStartYear = 2007;
  r.doc->loadedStartMonth = 10;
  r.doc->loadedStartDay = 5;
  r.doc->loadedStartHour = 23;
  r.doc->loadedStartMinute = 58;
  r.doc->loadedStartSecond = 30;
  r.view.readingCount = 3;
  r.view.sampleIntervalSeconds = 60;
  r.view.isFahrenheit = 1;
  r.view.tempMaxTextF = "F max";
  r.view.tempMinTextF = "F min";
  r.view.tempAvgTextF = "F avg";
  r.view.tempMaxTextC = "C max";
  RebuildHeaderTexts(*r.doc, r.view);
  EXPECT_EQ(r.view.startTime, MakeLocalTime(2007, 10, 5, 23, 58, 30));
  EXPECT_EQ(r.view.startTimeText, "05/10/07 23:58:30");
  EXPECT_EQ(r.view.endTimeText, "06/10/07 00:00:30");
  EXPECT_EQ(r.view.sampleIntervalText, "60");
  EXPECT_EQ(r.view.readingCountText, "3");
  EXPECT_EQ(r.view.tempMaxText, "F max");
  EXPECT_EQ(r.view.tempMinText, "F min");
  EXPECT_EQ(r.view.tempAvgText, "F avg");

  // One reading: the end is the start.
  r.view.readingCount = 1;
  RebuildHeaderTexts(*r.doc, r.view);
  EXPECT_EQ(r.view.endTimeText, r.view.startTimeText);
  EXPECT_EQ(r.view.readingCountText, "1");
}

TEST_F(RecordingTest, LoadedStartFollowsDaylightSaving) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  Recording r;
  CTevDoc* doc = r.doc.get();
  RecordingView& view = r.view;
  doc->loadedStartYear = 2007;
  doc->loadedStartMonth = 7;
  doc->loadedStartDay = 1;
  doc->loadedStartHour = 12;
  view.readingCount = 1;
  RebuildHeaderTexts(*doc, view);
  EXPECT_EQ(view.startTime, 1183284000);  // 10:00 UTC: summer time
  EXPECT_EQ(view.startTimeText, "01/07/07 12:00:00");

  // Fields from a damaged file give no time instead of overflowing.
  doc->loadedStartYear = INT32_MIN;
  EXPECT_EQ(LoadedStartTime(*doc), static_cast<std::time_t>(-1));
}

TEST_F(RecordingTest, AlarmConversionsTruncateTowardZero) {
  struct Case {
    int from, want;
  };
  for (const Case c :
       {Case{41, 105}, Case{-5, 23}, Case{40, 104}, Case{-40, -40}, Case{-18, 0}, Case{-1, 31}}) {
    EXPECT_EQ(CelsiusToFahrenheitAlarm(c.from), c.want) << c.from << " C";
  }
  for (const Case c :
       {Case{-10, -23}, Case{0, -17}, Case{104, 40}, Case{-40, -40}, Case{33, 0}, Case{31, 0}}) {
    EXPECT_EQ(FahrenheitToCelsiusAlarm(c.from), c.want) << c.from << " F";
  }
}

}  // namespace
}  // namespace k7740
