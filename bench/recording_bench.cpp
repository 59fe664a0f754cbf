// A full recording (16,360 readings) through the record file, the summary and the text report.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <random>

#include "bench/bench_recordings.h"
#include "common/text.h"
#include "recording/record_file.h"
#include "recording/recording.h"
#include "recording/text_report.h"

namespace k7740 {
namespace {

using bench::Recording;
Recording FullRecording() { return bench::RandomYearRecording(); }

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
