// A full recording (16,360 readings) through the record file, the summary and the text report.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "common/text.h"
#include "recording/record_file.h"
#include "recording/recording.h"
#include "recording/text_report.h"

namespace k7740 {
namespace {

struct Recording {
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView view;
};

Recording FullRecording() {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  Recording r;
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> tenths(-400, 700), rh(0, 1000);
  for (int i = 0; i < kMaxReadings; ++i) {
    r.doc->temperature[static_cast<size_t>(i)] = static_cast<float>(tenths(rng)) / 10.0f;
    r.doc->humidity[static_cast<size_t>(i)] = static_cast<float>(rh(rng)) / 10.0f;
  }
  r.view.readingCount = kMaxReadings;
  // Every 30 minutes for about a year: both daylight-saving changes fall inside.
  r.view.startTime = MakeLocalTime(2007, 1, 15, 9, 0, 0);
  r.view.sampleIntervalSeconds = 1800;
  r.view.tempAlarmHighText = "40 C";
  r.view.tempAlarmLowText = "-10 C";
  r.view.rhAlarmHighText = "90 %RH";
  r.view.rhAlarmLowText = "20 %RH";
  ComputeSummary(*r.doc, r.view);
  SetHeaderTexts(r.view);
  return r;
}

void BM_WriteRecordFile(benchmark::State& state) {
  Recording r = FullRecording();
  for (auto _ : state) {
    std::vector<uint8_t> bytes = WriteRecordBytes(*r.doc, r.view);
    benchmark::DoNotOptimize(bytes.data());
  }
}
BENCHMARK(BM_WriteRecordFile)->Unit(benchmark::kMicrosecond);

void BM_ReadRecordFile(benchmark::State& state) {
  Recording src = FullRecording();
  const std::vector<uint8_t> bytes = WriteRecordBytes(*src.doc, src.view);
  Recording dst;
  for (auto _ : state) {
    const RecordReadStatus status = ReadRecordBytes(bytes.data(), bytes.size(), *dst.doc, dst.view);
    benchmark::DoNotOptimize(status);
    benchmark::DoNotOptimize(dst.doc->temperature.data());
  }
}
BENCHMARK(BM_ReadRecordFile)->Unit(benchmark::kMicrosecond);

void BM_ComputeSummary(benchmark::State& state) {
  Recording r = FullRecording();
  for (auto _ : state) {
    ComputeSummary(*r.doc, r.view);
    benchmark::DoNotOptimize(r.view.tempAvgTextC.data());
  }
}
BENCHMARK(BM_ComputeSummary)->Unit(benchmark::kMicrosecond);

void BM_BuildTextReport(benchmark::State& state) {
  Recording r = FullRecording();
  for (auto _ : state) {
    std::string report = BuildTextReport(*r.doc, r.view);
    benchmark::DoNotOptimize(report.data());
  }
}
BENCHMARK(BM_BuildTextReport)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace k7740
