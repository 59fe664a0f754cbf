// The logger link takes any bytes from the line. The input is a script on virtual time: the
// simulated logger's set-up (reading count, units, faults, any header byte count 0..65,535),
// then steps: open or close device windows, press Download, send a setup or the time, put
// raw bytes or a header-like frame on the line, let time pass, pull the cable or plug it in.
// Whatever happens, nothing crashes, and the recording changes only when a download completes:
// every other end of a download leaves it exactly as it was.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <vector>

#include "common/text.h"
#include "link/link.h"
#include "link/virtual_clock.h"
#include "recording/record_file.h"
#include "sim/logger_simulator.h"
#include "sim/sim_serial_port.h"

namespace k7740 {
namespace {

// Reads the script front to back; zeros once it is used up.
class Script {
 public:
  Script(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  bool done() const { return p_ == end_; }
  uint8_t Byte() { return p_ == end_ ? 0 : *p_++; }
  uint16_t U16() {
    const uint16_t hi = Byte();
    return static_cast<uint16_t>(hi << 8 | Byte());
  }
  std::vector<uint8_t> Bytes(size_t n) {
    std::vector<uint8_t> out;
    while (n-- > 0 && !done()) out.push_back(Byte());
    return out;
  }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

struct Windows : LinkWindows {
  std::set<DeviceWindow> open;
  bool progress = false;
  std::function<void(DownloadOutcome)> finished;

  bool isWindowOpen(DeviceWindow w) const override { return open.count(w) != 0; }
  void setWindowTitle(DeviceWindow, const std::string&) override {}
  void setActionEnabled(DeviceWindow, bool) override {}
  void setPortStatus(DeviceWindow, const std::string&) override {}
  void showBatteryPicture(int picture) override {
    if (picture < 0 || picture > 3) std::abort();
  }
  void setBatteryText(const std::string&) override {}
  void showMessage(const std::string&, MessageIcon) override {}
  bool progressWindowExists() const override { return progress; }
  void createProgressWindow(int maximum, int position) override {
    if (progress || position > maximum) std::abort();
    progress = true;
  }
  void setProgressPosition(int) override {}
  void destroyProgressWindow() override { progress = false; }
  void recordingReplaced() override {}
  void redrawAllViews() override {}
  void undoZoom() override {}
  void downloadFinished(DownloadOutcome outcome) override { finished(outcome); }
};

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace
}  // namespace k7740

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace k7740;
  static const bool tz = [] {
    setenv("TZ", "UTC", 1);
    tzset();
    return true;
  }();
  (void)tz;
  Script script(data, size);

  SimConfig config;
  config.readingCount = script.U16() % 2049;
  const uint8_t units[] = {kUnitCodeSeconds, kUnitCodeMinutes, kUnitCodeHours, 0x00};
  const uint8_t unitPick = script.Byte();
  config.unitCode = units[unitPick % 4];
  config.intervalCount = script.Byte();
  config.alarmUnitChar = (unitPick & 0x10) ? '$' : (unitPick & 0x20) ? '#' : '?';
  config.batteryLevel = script.Byte() % 6;
  const uint8_t faults = script.Byte();
  config.faults.noAnswer = (faults & 0x01) != 0;
  config.faults.empty = (faults & 0x02) != 0;
  if (faults & 0x04) config.faults.byteCount = script.U16();  // any count the header can carry
  if (faults & 0x08) config.faults.loseBlock = script.Byte() % 16;
  if (faults & 0x10) config.faults.silentAfterBlock = script.Byte() % 16;
  config.faults.garbageBytes = (faults >> 5) & 0x03;
  const bool paced = (faults & 0x80) != 0;

  VirtualClock clock;
  VirtualTimerHost timers(clock);
  SimSerialPort port(clock);
  port.setPacing(paced);
  LoggerSimulator logger(config);
  const int loggerPort = 1 + script.Byte() % 16;
  port.addPort(loggerPort, &logger);

  Windows windows;
  // One document for every run (it is too big to allocate for each), emptied each time.
  static const auto sharedDoc = std::make_unique<CTevDoc>();
  CTevDoc* doc = sharedDoc.get();
  doc->temperature.fill(0.0f);
  doc->humidity.fill(0.0f);
  RecordingView view;
  ViewSettings viewSettings;
  MainSettings mainSettings;
  PromptFlags flags;
  // The recording already there: three readings with their own header values.
  view.readingCount = 3;
  for (size_t i = 0; i < 3; ++i) {
    doc->temperature[i] = 20.5f + static_cast<float>(i);
    doc->humidity[i] = 45.0f - static_cast<float>(i);
  }
  view.startTime = 1'000'000'000;
  view.sampleIntervalSeconds = 17;
  view.tempAlarmHighText = "35 C";
  view.rhAlarmLowText = "25 %RH";
  view.tempHighLineC = 35;

  LoggerLink link(port, timers, windows, *doc, view, viewSettings, mainSettings, flags);
  // What the recording was after the last download that changed it.
  std::vector<uint8_t> committed = WriteRecordBytes(*doc, view);
  int committedCount = view.readingCount;
  std::vector<float> committedReadings(doc->temperature.begin(), doc->temperature.begin() + 3);
  static const bool trace = std::getenv("K7740_FUZZ_TRACE") != nullptr;  // to see what a seed does
  windows.finished = [&](DownloadOutcome outcome) {
    if (trace)
      std::fprintf(stderr, "download ends at %lld ms: outcome %d, %d readings\n",
                   static_cast<long long>(clock.now()), static_cast<int>(outcome), view.readingCount);
    Check(view.readingCount >= 0 && view.readingCount <= kMaxReadings);
    if (outcome == DownloadOutcome::NoData) {
      // An empty logger takes the header's values but keeps the readings.
      Check(view.readingCount == committedCount);
      Check(std::equal(committedReadings.begin(), committedReadings.end(), doc->temperature.begin()));
    } else if (outcome != DownloadOutcome::Completed) {
      Check(WriteRecordBytes(*doc, view) == committed);
      return;
    }
    committed = WriteRecordBytes(*doc, view);
    committedCount = view.readingCount;
    committedReadings.assign(doc->temperature.begin(), doc->temperature.begin() + committedCount);
  };
  link.InitPort();

  int64_t budgetMs = 40'000;
  for (int step = 0; step < 96 && !script.done() && budgetMs > 0; ++step) {
    const uint8_t op = script.Byte();
    switch (op % 10) {
      case 0: {
        const auto w = static_cast<DeviceWindow>(script.Byte() % 4);
        windows.open.insert(w);
        if (link.OpenDeviceWindow(w)) link.WindowStarted(w);
        break;
      }
      case 1:
        windows.open.clear();
        link.stopLinkTimers();
        break;
      case 2:
        // The Download button: only while no transfer is under way (the progress window blocks it).
        if (!windows.progress) {
          link.startDownload();
          windows.open.erase(DeviceWindow::Download);
          link.stopLinkTimers();
          flags.downloadUnsaved = 1;
        }
        break;
      case 3: {
        LoggerSettings s;
        s.sampleUnit = script.Byte() % 3;
        s.sampleInterval = StrFormat("%d", 1 + script.Byte() % 60);
        s.alarmUnit = script.Byte() % 2;
        s.tempAlarmHigh = StrFormat("%d", static_cast<int>(script.Byte()) - 40);
        s.tempAlarmLow = StrFormat("%d", static_cast<int>(script.Byte()) - 60);
        s.rhAlarmHigh = StrFormat("%d", script.Byte() % 101);
        s.rhAlarmLow = StrFormat("%d", script.Byte() % 101);
        s.ledFlashCycle = static_cast<uint8_t>(24 + 16 * (script.Byte() % 4));
        s.startMode = script.Byte() & 1;
        s.overwriteWhenFull = script.Byte() & 1;
        link.SendSetup(s);
        break;
      }
      case 4:
        link.SendSetTime(2000 + script.Byte() % 100, 1 + script.Byte() % 12, 1 + script.Byte() % 28,
                         script.Byte() % 24, script.Byte() % 60, script.Byte() % 60);
        break;
      case 5: {
        const int delay = script.Byte();
        port.injectBytes(delay, script.Bytes(1 + script.Byte() % 64));
        break;
      }
      case 6: {
        // Something shaped like a download header, with any byte count.
        std::vector<uint8_t> header = script.Bytes(kHeaderSize);
        header.resize(kHeaderSize);
        header[0] = kHeaderCode;
        const uint16_t count = script.U16();
        header[1] = static_cast<uint8_t>(count >> 8);
        header[2] = static_cast<uint8_t>(count);
        port.injectBytes(script.Byte() % 8, header);
        break;
      }
      case 7: {
        const int64_t ms = script.U16() % 12'000;
        clock.advance(ms);
        budgetMs -= ms;
        break;
      }
      case 8:
        if (script.Byte() & 1) {
          port.removePort(loggerPort);
        } else {
          port.addPort(loggerPort, &logger);
        }
        break;
      case 9:
        port.injectEvent(SerialEvent::Other);
        break;
    }
    clock.advance(1);
  }
  // Let every timer run out: each download ends one way or another.
  windows.open.clear();
  link.stopLinkTimers();
  clock.advance(80'000);
  Check(!link.downloading);
  Check(WriteRecordBytes(*doc, view) == committed);
  return 0;
}
