// Decoding a full logger's data (16,360 readings) into the recording and computing its summary,
// as the end of a download does.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "link/protocol.h"
#include "recording/recording.h"
#include "sim/logger_simulator.h"

namespace k7740 {
namespace {

std::vector<uint8_t> FullLoggerBytes() {
  LoggerSimulator logger;
  logger.setReadings(GenerateReadings(LoggerTime{2026, 11, 1, 0, 0, 0}, 60, kMaxReadings, 9));
  return logger.dataBytes();
}

void BM_DecodeAndSummarise(benchmark::State& state) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  const std::vector<uint8_t> bytes = FullLoggerBytes();
  auto doc = std::make_unique<CTevDoc>();
  RecordingView view;
  view.startTime = 1793491200;
  view.sampleIntervalSeconds = 60;
  for (auto _ : state) {
    const int count = decodeReadingsInto(bytes.data(), bytes.size(), static_cast<int>(bytes.size()),
                                         doc->temperature.data(), doc->humidity.data(), kMaxReadings);
    view.readingCount = count;
    SetHeaderTexts(view);
    ComputeSummary(*doc, view);
    benchmark::DoNotOptimize(view.tempAvgTextC.data());
  }
  state.SetItemsProcessed(state.iterations() * kMaxReadings);
}
BENCHMARK(BM_DecodeAndSummarise)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace k7740
