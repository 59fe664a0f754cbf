// Figures of the desktop window, offscreen: start-up to a shown main window, opening a full
// recording to a filled list and panel, switching between list and graph, and resident memory
// with a full recording. Prints one line per figure with its budget.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_recordings.h"
#include "common/text.h"
#include "graph/qt/data_list_model.h"
#include "graph/qt/stats_panel.h"
#include "graph/qt/tev_view.h"
#include "recording/record_file.h"
#include "shell/qt/main_frame.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Answers the open dialog with one path and nothing else.
class BenchPrompts : public k7740::UserPrompts {
 public:
  void ShowMessage(const std::string& text, k7740::BoxIcon) override {
    std::fprintf(stderr, "unexpected message: %s\n", text.c_str());
  }
  bool AskYesNo(const std::string&, k7740::BoxIcon) override { return false; }
  std::string ChooseSavePath(const std::string&) override { return {}; }
  std::string ChooseOpenPath() override { return openPath; }
  std::string openPath;
};

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

std::vector<uint8_t> FullRecording() { return k7740::bench::DailyCycleRecordFile(); }

void Report(const char* what, double value, const char* unit, double budget) {
  std::printf("%-52s %9.2f %s  (budget < %.0f %s)%s\n", what, value, unit, budget, unit,
              value < budget ? "" : "  OVER BUDGET");
}

}  // namespace

int main(int argc, char** argv) {
  const Clock::time_point processStart = Clock::now();
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  if (!dir.isValid()) return 1;

  BenchPrompts prompts;
  k7740::MainFrameOptions options;
  options.prompts = &prompts;
  options.settingsDir = dir.path().toStdString();

  const Clock::time_point frameStart = Clock::now();
  auto frame = std::make_unique<k7740::CMainFrame>(options);
  frame->resize(1280, 800);
  frame->showMaximized();
  frame->repaint();
  Settle();
  const double startup = MsSince(processStart);
  const double frameOnly = MsSince(frameStart);

  const std::string path = dir.path().toStdString() + "/full.record";
  {
    const std::vector<uint8_t> bytes = FullRecording();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  prompts.openPath = path;
  k7740::CTevView* view = frame->view();

  // Open to a filled list and panel, in list mode so that the list is drawn too.
  std::vector<double> opens;
  for (int run = 0; run < 10; ++run) {
    const Clock::time_point t = Clock::now();
    frame->OnOpen();
    view->repaint();
    if (view->dataList()) view->dataList()->viewport()->repaint();
    Settle();
    opens.push_back(MsSince(t));
    const bool filled = view->dataListModel() && view->dataListModel()->rowCount() == k7740::kMaxReadings &&
                        view->statsPanel() && view->statsPanel()->field(3)->text() == "16360";
    if (!filled) {
      std::fprintf(stderr, "the list or the panel was not filled\n");
      return 1;
    }
    if (run == 0) frame->OnList();
  }

  // List <-> Graph, each to a finished drawing.
  std::vector<double> switches;
  for (int run = 0; run < 20; ++run) {
    const Clock::time_point t = Clock::now();
    if (run % 2 == 0) {
      frame->OnGraph();
    } else {
      frame->OnList();
    }
    view->repaint();
    if (view->dataList()->isVisible()) view->dataList()->viewport()->repaint();
    Settle();
    switches.push_back(MsSince(t));
  }

  const long rss = ResidentKiB();
  std::sort(opens.begin(), opens.end());
  std::sort(switches.begin(), switches.end());

  std::printf("K7740 window figures (%s, %d readings)\n", qPrintable(QApplication::platformName()),
              k7740::kMaxReadings);
  Report("start-up to a shown main window (from process start)", startup, "ms", 300);
  Report("  of which the main window itself", frameOnly, "ms", 300);
  Report("open a full record file to list and panel (median)", opens[opens.size() / 2], "ms", 50);
  Report("open a full record file to list and panel (worst)", opens.back(), "ms", 50);
  Report("switch List/Graph (median)", switches[switches.size() / 2], "ms", 20);
  Report("switch List/Graph (worst)", switches.back(), "ms", 20);
  Report("resident memory with a full recording", static_cast<double>(rss) / 1024.0, "MB", 80);
  return 0;
}
