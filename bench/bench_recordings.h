// The full recordings (16,360 readings) the benchmarks work on.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "common/text.h"
#include "recording/record_file.h"
#include "recording/recording.h"

namespace k7740::bench {

struct Recording {
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView view;
};

// Random values over the whole range, every 30 minutes for about a year from January in
// Europe/Berlin, so both daylight-saving changes fall inside; summary and header texts set.
inline Recording RandomYearRecording() {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  Recording r;
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> tenths(-400, 700), rh(0, 1000);
  for (size_t i = 0; i < kMaxReadings; ++i) {
    r.doc->temperature[i] = static_cast<float>(tenths(rng)) / 10.0f;
    r.doc->humidity[i] = static_cast<float>(rh(rng)) / 10.0f;
  }
  r.view.readingCount = kMaxReadings;
  r.view.startTime = MakeLocalTime(2007, 1, 15, 9, 0, 0);
  r.view.sampleIntervalSeconds = 1800;
  r.view.tempAlarmHighText = "40 C";
  r.view.tempAlarmLowText = "-10 C";
  r.view.tempHighLineC = 40;
  r.view.tempLowLineC = -10;
  r.view.rhAlarmHighText = "90 %RH";
  r.view.rhAlarmLowText = "20 %RH";
  r.view.rhHighLine = 90;
  r.view.rhLowLine = 20;
  ComputeSummary(*r.doc, r.view);
  SetHeaderTexts(r.view);
  return r;
}

// A week and more of a daily cycle at one-minute intervals, as a record file's bytes.
inline std::vector<uint8_t> DailyCycleRecordFile() {
  auto doc = std::make_unique<CTevDoc>();
  RecordingView rec;
  for (int i = 0; i < kMaxReadings; ++i) {
    const double day = 2.0 * M_PI * i / 1440.0;
    doc->temperature[static_cast<size_t>(i)] =
        static_cast<float>(std::round((20.0 + 5.0 * std::sin(day)) * 10) / 10);
    doc->humidity[static_cast<size_t>(i)] =
        static_cast<float>(std::round((55.0 - 10.0 * std::sin(day)) * 10) / 10);
  }
  rec.readingCount = kMaxReadings;
  rec.startTime = MakeLocalTime(2024, 3, 1, 0, 0, 0);
  rec.sampleIntervalSeconds = 60;
  rec.tempAlarmHighText = "40 C";
  rec.tempAlarmLowText = "0 C";
  rec.rhAlarmHighText = "90 %RH";
  rec.rhAlarmLowText = "30 %RH";
  SetHeaderTexts(rec);
  ComputeSummary(*doc, rec);
  return WriteRecordBytes(*doc, rec);
}

}  // namespace k7740::bench
