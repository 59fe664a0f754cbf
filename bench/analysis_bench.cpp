// A full recording (16,360 readings): the analysis figures (what stats computes) and each export.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "analysis/analysis.h"
#include "analysis/export.h"
#include "bench/bench_recordings.h"
#include "common/text.h"
#include "recording/recording.h"

namespace k7740 {
namespace {

using bench::Recording;
Recording FullRecording() { return bench::RandomYearRecording(); }

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
