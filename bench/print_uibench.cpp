// Figures of the printed report through `k7740-cli print`'s own code, offscreen: a full
// recording's list (298 pages) and its graph page to PDF, A4 at 600 dpi. Prints one line per
// figure with its budget.
#include <QGuiApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_recordings.h"
#include "cli/print_command.h"
#include "common/text.h"
#include "recording/record_file.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<uint8_t> FullRecording() { return k7740::bench::DailyCycleRecordFile(); }

// Median wall time of runs of `print` with these options, in seconds; -1 when one fails.
double TimePrint(const std::vector<std::string>& args, int runs) {
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    std::ostringstream out, err;
    const Clock::time_point t = Clock::now();
    if (k7740::RunPrintCommand(args, out, err) != 0) {
      std::fprintf(stderr, "print failed: %s", err.str().c_str());
      return -1;
    }
    times.push_back(std::chrono::duration<double>(Clock::now() - t).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

void Report(const char* what, double value, double budget) {
  std::printf("%-52s %9.3f s  (budget < %.0f s)%s\n", what, value, budget,
              value >= 0 && value < budget ? "" : "  OVER BUDGET");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;
  // Default settings: an empty settings folder of our own.
  qputenv("K7740_SETTINGS_DIR", dir.path().toLocal8Bit());
  const std::string record = dir.path().toStdString() + "/full.record";
  {
    const std::vector<uint8_t> bytes = FullRecording();
    std::ofstream(record, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  const std::string pdf = dir.path().toStdString() + "/out.pdf";
  Report("full list to PDF, 298 pages (median of 3)", TimePrint({"print", record, "-o", pdf, "--list"}, 3),
         5);
  Report("graph page of a full recording to PDF (median of 5)", TimePrint({"print", record, "-o", pdf}, 5),
         1);
  return 0;
}
