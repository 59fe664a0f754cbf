// A full recording (16,360 readings): the analysis figures (what stats computes) and each export.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "analysis/analysis.h"
#include "analysis/export.h"
#include "common/text.h"
#include "recording/recording.h"

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
  for (size_t i = 0; i < kMaxReadings; ++i) {
    r.doc->temperature[i] = static_cast<float>(tenths(rng)) / 10.0f;
    r.doc->humidity[i] = static_cast<float>(rh(rng)) / 10.0f;
  }
  r.view.readingCount = kMaxReadings;
  // Every 30 minutes for about a year: both daylight-saving changes fall inside.
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
  return r;
}

// Goal: under 2 ms.
void BM_AnalyzeRecording(benchmark::State& state) {
  Recording r = FullRecording();
  for (auto _ : state) {
    RecordingAnalysis a = AnalyzeRecording(*r.doc, r.view);
    benchmark::DoNotOptimize(a);
  }
}
BENCHMARK(BM_AnalyzeRecording)->Unit(benchmark::kMicrosecond);

// Goal for each export: under 20 ms.
void BM_ExportCsv(benchmark::State& state) {
  Recording r = FullRecording();
  for (auto _ : state) {
    std::string text = ExportCsv(*r.doc, r.view);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond);

void BM_ExportJson(benchmark::State& state) {
  Recording r = FullRecording();
  for (auto _ : state) {
    std::string text = ExportJson(*r.doc, r.view);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_ExportJson)->Unit(benchmark::kMillisecond);

void BM_ExportInflux(benchmark::State& state) {
  Recording r = FullRecording();
  InfluxOptions options;
  options.tags = {{"site", "cold room 2"}};
  for (auto _ : state) {
    std::string text = ExportInflux(*r.doc, r.view, options);
    benchmark::DoNotOptimize(text.data());
  }
}
BENCHMARK(BM_ExportInflux)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace k7740
