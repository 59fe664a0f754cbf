// The link on virtual time against the simulated logger: scan and probe timelines, the link
// check, replies, the setup repeat, every path of the download and the battery reply.
#include "link/link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>

#include "link/virtual_clock.h"
#include "recording/record_file.h"
#include "sim/logger_simulator.h"
#include "sim/sim_serial_port.h"

namespace k7740 {
namespace {

struct FakeWindows : LinkWindows {
  std::set<DeviceWindow> open;
  std::map<DeviceWindow, std::string> title;
  std::map<DeviceWindow, bool> enabled;
  std::map<DeviceWindow, std::string> status;
  int batteryPicture = -1;
  std::string batteryText = "unset";
  std::vector<std::pair<std::string, MessageIcon>> messages;
  bool progress = false;
  int progressMax = -1;
  std::vector<int> progressPositions;
  int replaced = 0, redraws = 0, undoZooms = 0;
  std::vector<DownloadOutcome> outcomes;
  const VirtualClock* clock = nullptr;
  std::vector<int64_t> messageTimes;

  bool isWindowOpen(DeviceWindow w) const override { return open.count(w) != 0; }
  void setWindowTitle(DeviceWindow w, const std::string& t) override { title[w] = t; }
  void setActionEnabled(DeviceWindow w, bool e) override { enabled[w] = e; }
  void setPortStatus(DeviceWindow w, const std::string& s) override { status[w] = s; }
  void showBatteryPicture(int p) override { batteryPicture = p; }
  void setBatteryText(const std::string& t) override { batteryText = t; }
  void showMessage(const std::string& t, MessageIcon i) override {
    messages.emplace_back(t, i);
    messageTimes.push_back(clock ? clock->now() : 0);
  }
  bool progressWindowExists() const override { return progress; }
  void createProgressWindow(int maximum, int position) override {
    progress = true;
    progressMax = maximum;
    progressPositions = {position};
  }
  void setProgressPosition(int p) override { progressPositions.push_back(p); }
  void destroyProgressWindow() override { progress = false; }
  void recordingReplaced() override { ++replaced; }
  void redrawAllViews() override { ++redraws; }
  void undoZoom() override { ++undoZooms; }
  void downloadFinished(DownloadOutcome o) override { outcomes.push_back(o); }
};

// The simulated ports, with the hint a real port gives when no port reaches the logger.
struct HintingPort : SimSerialPort {
  using SimSerialPort::SimSerialPort;
  std::string hint;
  std::string noLoggerHint() const override { return hint; }
};

class LinkTest : public ::testing::Test {
 protected:
  LinkTest() : timers(clock), port(clock), link(port, timers, windows, doc, view, viewSettings, main, flags) {
    setenv("TZ", "UTC", 1);
    tzset();
    windows.clock = &clock;
    link.InitPort();
  }

  void Open(DeviceWindow w) {
    windows.open.insert(w);
    ASSERT_TRUE(link.OpenDeviceWindow(w));
    link.WindowStarted(w);
  }
  // Writes of one byte (probes) as (time, port).
  std::vector<std::pair<int64_t, int>> Probes() const {
    std::vector<std::pair<int64_t, int>> out;
    for (const auto& w : port.writes()) {
      if (w.bytes.size() == 1) out.emplace_back(w.at, w.port);
    }
    return out;
  }
  std::vector<SimSerialPort::Write> Frames() const {
    std::vector<SimSerialPort::Write> out;
    for (const auto& w : port.writes()) {
      if (w.bytes.size() == 7) out.push_back(w);
    }
    return out;
  }
  // Connects on port 1 through the Download window and presses "Download".
  void ConnectAndDownload(const std::function<void()>& beforeDownload = {}) {
    port.addPort(1, &logger);
    Open(DeviceWindow::Download);
    ASSERT_TRUE(clock.runUntil([&] { return windows.title[DeviceWindow::Download] == kConnected; }, 5000));
    if (beforeDownload) beforeDownload();
    windows.open.clear();
    port.clearLogs();
    timers.clearLog();
    link.startDownload();
    link.stopLinkTimers();
  }
  // An earlier recording, to prove failed downloads leave it alone.
  void SeedRecording() {
    view.readingCount = 2;
    doc.temperature[0] = 11.5f;
    doc.temperature[1] = 12.5f;
    doc.humidity[0] = 40.0f;
    doc.humidity[1] = 41.0f;
  }
  void ExpectSeedRecordingIntact() const {
    EXPECT_EQ(view.readingCount, 2);
    EXPECT_FLOAT_EQ(doc.temperature[0], 11.5f);
    EXPECT_FLOAT_EQ(doc.temperature[1], 12.5f);
    EXPECT_FLOAT_EQ(doc.humidity[1], 41.0f);
  }

  VirtualClock clock;
  VirtualTimerHost timers;
  HintingPort port;
  LoggerSimulator logger;
  FakeWindows windows;
  CTevDoc doc;
  RecordingView view;
  ViewSettings viewSettings;
  MainSettings main;
  PromptFlags flags;
  LoggerLink link;
};

TEST_F(LinkTest, InitPortAppliesLineSettingsAndThresholdOne) {
  EXPECT_EQ(port.lineSettings(), "9600,n,8,1");
  EXPECT_EQ(port.receiveThreshold(), 1);
  EXPECT_FALSE(port.isOpen());
}

TEST_F(LinkTest, ScanProbesHighestCandidateTwiceThenLowerOnesAndConnects) {
  port.addPort(1, &logger);
  port.addPort(3, nullptr);
  Open(DeviceWindow::Setup);
  EXPECT_EQ(windows.title.count(DeviceWindow::Setup), 0u) << "template title kept while scanning";
  clock.advance(1100);
  const std::vector<std::pair<int64_t, int>> expected = {{100, 3}, {600, 3}, {1100, 1}};
  EXPECT_EQ(Probes(), expected);
  clock.advance(10);
  EXPECT_EQ(windows.title[DeviceWindow::Setup], kConnected);
  EXPECT_TRUE(windows.enabled[DeviceWindow::Setup]);
  EXPECT_TRUE(link.everConnected);
  EXPECT_EQ(main.comPort, 1);
  EXPECT_TRUE(timers.isRunning(kTimerLinkCheck));
  EXPECT_FALSE(timers.isRunning(kTimerProbeStep));
  EXPECT_FALSE(port.isOpen());
}

TEST_F(LinkTest, ProbeCycleWithoutAnswerSaysNotConnectedAndScansAgain) {
  port.addPort(1, nullptr);
  port.addPort(3, nullptr);
  Open(DeviceWindow::Download);
  clock.advance(1599);
  EXPECT_EQ(windows.title.count(DeviceWindow::Download), 0u);
  clock.advance(1);
  EXPECT_EQ(windows.title[DeviceWindow::Download], kNotConnected);
  EXPECT_FALSE(windows.enabled[DeviceWindow::Download]);
  clock.advance(2600 - 1600 + 1100 - 100);
  const std::vector<std::pair<int64_t, int>> expected = {{100, 3},  {600, 3},  {1100, 1},
                                                         {2600, 3}, {3100, 3}, {3600, 1}};
  EXPECT_EQ(Probes(), expected);
}

TEST_F(LinkTest, NoPortOpensKeepsTemplateTitleAndRescansEvery100ms) {
  Open(DeviceWindow::CorrectTime);
  clock.advance(450);
  EXPECT_EQ(windows.title.count(DeviceWindow::CorrectTime), 0u);
  EXPECT_TRUE(Probes().empty());
  EXPECT_EQ(windows.status[DeviceWindow::CorrectTime], kNoPortFound);
  port.addPort(2, &logger);
  clock.advance(100);
  ASSERT_EQ(Probes().size(), 1u);
  EXPECT_EQ(Probes()[0], (std::pair<int64_t, int>{500, 2}));
}

TEST_F(LinkTest, WithoutARefusalTheWindowsShowWhereTheLoggerMayBe) {
  port.hint = "No serial port found; the logger's adapter appears as /dev/ttyUSB8, beyond port 12: ...";
  Open(DeviceWindow::CorrectTime);
  clock.advance(450);
  EXPECT_EQ(windows.status[DeviceWindow::CorrectTime], port.hint);
  // Ports that open but stay silent say the same once the probe cycle has failed.
  windows.status.clear();
  port.addPort(1, nullptr);
  clock.advance(2000);
  EXPECT_EQ(windows.title[DeviceWindow::CorrectTime], kNotConnected);
  EXPECT_EQ(windows.status[DeviceWindow::CorrectTime], port.hint);
  // A port that refuses is the more pressing news.
  port.refusePort(2, "Permission denied on /dev/ttyS1: add your user to the 'dialout' group.");
  clock.advance(3000);
  EXPECT_EQ(windows.status[DeviceWindow::CorrectTime],
            "Permission denied on /dev/ttyS1: add your user to the 'dialout' group.");
}

TEST_F(LinkTest, PermissionRefusalIsShownWhenTheLoggerIsNotReached) {
  port.refusePort(1, "Permission denied on /dev/ttyUSB0: add your user to the 'dialout' group.");
  port.addPort(2, nullptr);
  Open(DeviceWindow::Download);
  clock.advance(2000);
  EXPECT_EQ(windows.title[DeviceWindow::Download], kNotConnected);
  EXPECT_NE(windows.status[DeviceWindow::Download].find("dialout"), std::string::npos);
}

TEST_F(LinkTest, AfterFirstConnectionWindowsOnlyCheckThatThePortOpens) {
  port.addPort(1, &logger);
  Open(DeviceWindow::Setup);
  ASSERT_TRUE(clock.runUntil([&] { return link.everConnected; }, 5000));
  windows.open.clear();
  link.stopLinkTimers();
  port.addPort(1, nullptr);  // the logger is unplugged, the port remains
  port.clearLogs();
  windows.title.clear();
  Open(DeviceWindow::CorrectTime);
  EXPECT_EQ(windows.title[DeviceWindow::CorrectTime], kConnected);
  EXPECT_TRUE(windows.enabled[DeviceWindow::CorrectTime]);
  EXPECT_FALSE(timers.isRunning(kTimerPortScan));
  EXPECT_TRUE(timers.isRunning(kTimerLinkCheck));
  port.removePort(1);
  clock.advance(3000);
  EXPECT_EQ(windows.title[DeviceWindow::CorrectTime], kNotConnected);
  EXPECT_FALSE(windows.enabled[DeviceWindow::CorrectTime]);
  EXPECT_TRUE(Probes().empty());
}

TEST_F(LinkTest, LinkCheckStopsWhenNoWindowIsOpen) {
  port.addPort(1, &logger);
  Open(DeviceWindow::Battery);
  ASSERT_TRUE(clock.runUntil([&] { return link.everConnected; }, 5000));
  windows.open.clear();  // closing the battery window leaves the timers running
  EXPECT_TRUE(timers.isRunning(kTimerLinkCheck));
  clock.advance(3000);
  EXPECT_FALSE(timers.isRunning(kTimerLinkCheck));
}

TEST_F(LinkTest, BatteryWindowShowsLevelAndIgnoresPresenceReplies) {
  struct Case {
    int level;
    int picture;
    const char* text;
  };
  for (const Case c :
       {Case{1, 0, "(<5%)"}, Case{2, 1, "(20%-40%)"}, Case{3, 2, "(40%-70%)"}, Case{4, 3, "(70%-100%)"}}) {
    SCOPED_TRACE(c.level);
    logger.setBatteryLevel(c.level);
    port.addPort(1, &logger);
    Open(DeviceWindow::Battery);
    ASSERT_TRUE(clock.runUntil([&] { return windows.batteryText != ""; }, 5000));
    EXPECT_EQ(windows.batteryPicture, c.picture);
    EXPECT_EQ(windows.batteryText, c.text);
    EXPECT_EQ(windows.title[DeviceWindow::Battery], kConnected);
    windows.open.clear();
    clock.advance(3000);
  }
  // Once connected the query goes out as soon as the window opens: no scan.
  port.clearLogs();
  Open(DeviceWindow::Battery);
  ASSERT_FALSE(Probes().empty());
  EXPECT_EQ(Probes()[0], (std::pair<int64_t, int>{clock.now(), 1}));
}

TEST_F(LinkTest, BatteryProbeCycleFailureShowsEmptyPicture) {
  port.addPort(1, nullptr);
  Open(DeviceWindow::Battery);
  clock.advance(1100);
  EXPECT_EQ(windows.title[DeviceWindow::Battery], kNotConnected);
  EXPECT_EQ(windows.batteryPicture, 0);
  EXPECT_EQ(Probes()[0].first, 100);
  EXPECT_EQ(port.writes()[0].bytes, std::vector<uint8_t>{kBatteryQuery});
}

TEST_F(LinkTest, OpeningADeviceWindowDuringTheTransferDoesNothing) {
  ConnectAndDownload();
  clock.advance(5);
  ASSERT_TRUE(windows.progress);
  EXPECT_FALSE(link.OpenDeviceWindow(DeviceWindow::Setup));
  EXPECT_FALSE(timers.isRunning(kTimerPortScan));
  EXPECT_FALSE(timers.isRunning(kTimerLinkCheck));
}

TEST_F(LinkTest, SetupIsRepeatedOnceWithoutAcknowledgement) {
  port.addPort(1, &logger);
  Open(DeviceWindow::Setup);
  ASSERT_TRUE(clock.runUntil([&] { return windows.title[DeviceWindow::Setup] == kConnected; }, 5000));
  logger.faults().noAnswer = true;
  port.clearLogs();
  const int64_t t0 = clock.now();
  link.SendSetup(main.logger);
  windows.open.clear();
  link.stopLinkTimers();
  clock.advance(5000);
  ASSERT_EQ(Frames().size(), 2u);
  EXPECT_EQ(Frames()[0].at, t0);
  EXPECT_EQ(Frames()[1].at, t0 + 500);
  EXPECT_EQ(Frames()[1].bytes, Frames()[0].bytes);
  EXPECT_TRUE(windows.messages.empty());
}

TEST_F(LinkTest, SetupAcknowledgementShowsTheTextForTheModes) {
  struct Case {
    uint8_t startMode, overwrite;
    const char* text;
  };
  const Case cases[] = {
      {0, 0,
       "To start logging,you must press the button once in housing of DATA LOGGER.\n"
       "If the DATA LOGGER is full, it will stop logging."},
      {1, 1,
       "DATA LOGGER is running.\n"
       "If the DATA LOGGER is full,it will continue logging to cover the earlier data."},
  };
  port.addPort(1, &logger);
  Open(DeviceWindow::Setup);
  ASSERT_TRUE(clock.runUntil([&] { return link.everConnected; }, 5000));
  for (const Case& c : cases) {
    windows.messages.clear();
    main.logger.startMode = c.startMode;
    main.logger.overwriteWhenFull = c.overwrite;
    port.clearLogs();
    link.SendSetup(main.logger);
    clock.advance(2000);
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_EQ(windows.messages[0].first, c.text);
    EXPECT_EQ(windows.messages[0].second, MessageIcon::Information);
    EXPECT_TRUE(link.setupAcknowledged);
    EXPECT_EQ(Frames().size(), 1u) << "an acknowledged setup is not repeated";
    ASSERT_TRUE(logger.lastSetup().has_value());
    EXPECT_EQ(logger.lastSetup()->startMode, c.startMode);
  }
}

TEST_F(LinkTest, SetTimeSendsTheFrameAndTheAcknowledgementClosesThePort) {
  port.addPort(1, &logger);
  Open(DeviceWindow::CorrectTime);
  ASSERT_TRUE(clock.runUntil([&] { return link.everConnected; }, 5000));
  link.SendSetTime(2024, 3, 9, 7, 5, 3);
  EXPECT_FALSE(timers.isRunning(kTimerLinkCheck)) << "sending stops the link check";
  clock.advance(10);
  ASSERT_TRUE(logger.lastSetTime().has_value());
  EXPECT_EQ(logger.lastSetTime()->year, 2024);
  EXPECT_EQ(logger.lastSetTime()->second, 3);
  EXPECT_FALSE(port.isOpen());
  EXPECT_TRUE(windows.messages.empty());
}

// Runs a download of `bytes` data bytes and returns the block requests' (time, number).
struct BlockCase {
  int bytes;
  int progressMax;
  std::vector<int> blocks;
  std::vector<int> thresholds;  // threshold after the header and after each block
  int readings;
};

TEST_F(LinkTest, DownloadsOfEveryShapeStepByStep) {
  const BlockCase cases[] = {
      {400, 1, {0}, {400}, 100},
      {1308, 3, {0, 1}, {654, 654}, 327},
      {1310, 3, {0, 1, 2}, {654, 654, 2}, 327},
      {65440, 101, {}, {}, 16360},
  };
  for (const BlockCase& c : cases) {
    SCOPED_TRACE(c.bytes);
    logger.config().readingCount = (c.bytes + 3) / 4;
    logger.setReadings(GenerateReadings(logger.config().startTime, 60, (c.bytes + 3) / 4, 7));
    logger.faults().byteCount = c.bytes;
    ConnectAndDownload();
    const int64_t t0 = clock.now();
    // The request, the threshold for the header, timers 9 and 2.
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Frames()[0].bytes, std::vector<uint8_t>(7, 0x68));
    EXPECT_EQ(port.receiveThreshold(), kHeaderSize);
    ASSERT_GE(timers.starts().size(), 2u);
    EXPECT_EQ(timers.starts()[0].id, kTimerHeaderTimeout);
    EXPECT_EQ(timers.starts()[0].periodMs, 10000);
    EXPECT_EQ(timers.starts()[1].id, kTimerDownloadRepeat);
    EXPECT_EQ(timers.starts()[1].periodMs, 500);

    // The header (1 ms later) opens the progress window and asks for block 0 a millisecond on.
    clock.advance(1);
    EXPECT_TRUE(windows.progress);
    EXPECT_EQ(windows.progressMax, c.progressMax);
    EXPECT_EQ(windows.progressPositions.front(), 1);
    EXPECT_FALSE(timers.isRunning(kTimerDownloadRepeat));
    EXPECT_FALSE(timers.isRunning(kTimerHeaderTimeout));
    EXPECT_TRUE(timers.isRunning(kTimerBlockRetry));
    EXPECT_TRUE(timers.isRunning(kTimerTransferTimeout));
    if (!c.thresholds.empty()) {
      EXPECT_EQ(port.receiveThreshold(), c.thresholds[0]);
    }
    clock.advance(1);
    ASSERT_EQ(Frames().size(), 2u);
    EXPECT_EQ(Frames()[1].at, t0 + 2);
    EXPECT_EQ(Frames()[1].bytes, (std::vector<uint8_t>{0x68, 0x68, 0x68, 0x68, 0x68, 0x68, 0x00}));

    ASSERT_TRUE(clock.runUntil([&] { return !link.downloading; }, 60000));
    // The header arms block request, retry and time-out at 1, 3000 and 8000 ms; each later
    // block at 20, 1900 and 8000 ms.
    std::vector<std::pair<int, int>> armed;
    for (const auto& st : timers.starts()) {
      if (st.id == kTimerBlockRequest || st.id == kTimerBlockRetry || st.id == kTimerTransferTimeout) {
        armed.emplace_back(st.id, st.periodMs);
      }
    }
    ASSERT_GE(armed.size(), 3u);
    EXPECT_EQ(armed[0], (std::pair<int, int>{kTimerBlockRequest, 1}));
    EXPECT_EQ(armed[1], (std::pair<int, int>{kTimerBlockRetry, 3000}));
    EXPECT_EQ(armed[2], (std::pair<int, int>{kTimerTransferTimeout, 8000}));
    for (size_t i = 3; i + 2 < armed.size(); i += 3) {
      EXPECT_EQ(armed[i], (std::pair<int, int>{kTimerBlockRequest, 20}));
      EXPECT_EQ(armed[i + 1], (std::pair<int, int>{kTimerBlockRetry, 1900}));
      EXPECT_EQ(armed[i + 2], (std::pair<int, int>{kTimerTransferTimeout, 8000}));
    }
    EXPECT_EQ(armed.size(), 3u * static_cast<size_t>(std::max(
                                     1, c.bytes / kBlockSize + (c.bytes % kBlockSize != 0 ? 1 : 0))));
    std::vector<int> blocks;
    for (size_t i = 1; i < Frames().size(); ++i) blocks.push_back(Frames()[i].bytes[6]);
    if (!c.blocks.empty()) {
      EXPECT_EQ(blocks, c.blocks);
    }
    const int expectedRequests = std::max(1, c.bytes / kBlockSize + (c.bytes % kBlockSize != 0 ? 1 : 0));
    EXPECT_EQ(static_cast<int>(blocks.size()), expectedRequests);
    // 20 ms between a block's arrival and the next request.
    for (size_t i = 2; i < Frames().size(); ++i) {
      EXPECT_EQ(Frames()[i].at - Frames()[i - 1].at, 21) << "request " << i;
    }
    EXPECT_EQ(windows.progressPositions.back(), c.progressMax);
    EXPECT_FALSE(windows.progress);
    EXPECT_EQ(view.readingCount, c.readings);
    EXPECT_EQ(port.receiveThreshold(), 1) << "short replies must be noticed after a download";
    EXPECT_EQ(windows.outcomes.back(), DownloadOutcome::Completed);
    EXPECT_EQ(flags.downloadUnsaved, 1);
    EXPECT_EQ(view.displayMode, 1);
    EXPECT_EQ(view.recordingFromFile, 0);
    // The readings decoded are the ones the logger holds.
    const auto& r = logger.readings();
    EXPECT_FLOAT_EQ(doc.temperature[0], r[0].temperatureTenths * 0.1f);
    EXPECT_FLOAT_EQ(doc.humidity[c.readings - 1], r[c.readings - 1].humidityTenths * 0.1f);
    // The undo-zoom timer runs once, 50 ms after completion.
    const int before = windows.undoZooms;
    clock.advance(49);
    EXPECT_EQ(windows.undoZooms, before);
    clock.advance(1);
    EXPECT_EQ(windows.undoZooms, before + 1);
    clock.advance(500);
    EXPECT_EQ(windows.undoZooms, before + 1);
    windows.outcomes.clear();
  }
}

TEST_F(LinkTest, CompletedDownloadFillsTheRecording) {
  logger.config().startTime = {2009, 7, 4, 13, 5, 0};
  logger.config().unitCode = kUnitCodeMinutes;
  logger.config().intervalCount = 5;
  logger.config().skippedBytes = 40;
  logger.config().tempAlarmHigh = 86;
  logger.config().tempAlarmLow = 32;
  logger.config().alarmUnitChar = '$';
  logger.setReadings({{235, 600}, {-100, 1000}, {250, 550}});
  ConnectAndDownload();
  ASSERT_TRUE(clock.runUntil([&] { return !link.downloading; }, 10000));
  EXPECT_EQ(view.readingCount, 3);
  EXPECT_EQ(view.sampleIntervalSeconds, 300);
  EXPECT_EQ(view.startTimeText, "04/07/09 13:05:00");
  EXPECT_EQ(view.endTimeText, "04/07/09 13:15:00");
  EXPECT_EQ(view.tempAlarmHighText, "86 F");
  EXPECT_EQ(view.tempAlarmLowText, "32 F");
  EXPECT_FLOAT_EQ(view.tempHighLineC, 30.0f);
  EXPECT_FLOAT_EQ(view.tempLowLineC, 0.0f);
  EXPECT_EQ(view.isFahrenheit, 1);
  EXPECT_EQ(viewSettings.yTempLow, -50);
  EXPECT_EQ(viewSettings.yTempHigh, 165);
  EXPECT_EQ(view.rhAlarmHighText, "90 %RH");
  EXPECT_EQ(view.tempMaxText, view.tempMaxTextF);
  EXPECT_EQ(view.readingCountText, "3");
  EXPECT_EQ(windows.replaced, 1);
}

TEST_F(LinkTest, EmptyLoggerAndPartialReadingSayNoDataAndKeepTheReadings) {
  for (int bytes : {0, 1, 3}) {
    SCOPED_TRACE(bytes);
    SeedRecording();
    windows.messages.clear();
    logger.faults().byteCount = bytes;
    ConnectAndDownload();
    clock.advance(100);
    EXPECT_FALSE(link.downloading);
    EXPECT_FALSE(windows.progress) << "no progress window without data";
    ASSERT_EQ(windows.messages.size(), 1u);
    EXPECT_EQ(windows.messages[0].first, kNoData);
    EXPECT_EQ(windows.messages[0].second, MessageIcon::None);
    ExpectSeedRecordingIntact();
    EXPECT_EQ(view.sampleIntervalSeconds, 60) << "the header's values are taken";
    EXPECT_EQ(port.receiveThreshold(), 1);
    EXPECT_EQ(view.displayMode, 1);
  }
}

TEST_F(LinkTest, HeaderBeyondCapacityIsRefusedWithoutTouchingTheRecording) {
  SeedRecording();
  view.sampleIntervalSeconds = 17;
  logger.faults().byteCount = 65444;
  ConnectAndDownload();
  clock.advance(3000);
  EXPECT_FALSE(link.downloading);
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0].first, kTooMuchData);
  ExpectSeedRecordingIntact();
  EXPECT_EQ(view.sampleIntervalSeconds, 17);
  EXPECT_EQ(port.receiveThreshold(), 1);
  EXPECT_EQ(Frames().size(), 1u) << "no block is requested";
}

TEST_F(LinkTest, SilenceAfterBlock3Of10RetriesOnceThenReportsInterruption) {
  logger.setReadings(GenerateReadings(logger.config().startTime, 60, 1635, 3));  // 6540 bytes, 10 blocks
  logger.faults().silentAfterBlock = 3;
  SeedRecording();
  ConnectAndDownload();
  ASSERT_TRUE(clock.runUntil([&] { return Frames().size() == 6; }, 10000));  // request, blocks 0..4
  const int64_t block3At = Frames()[5].at - 20;  // block 3 arrived 20 ms before block 4 was asked for
  EXPECT_EQ(Frames()[5].bytes[6], 4);
  ASSERT_TRUE(clock.runUntil([&] { return !link.downloading; }, 20000));
  ASSERT_EQ(Frames().size(), 7u);
  EXPECT_EQ(Frames()[6].bytes[6], 4) << "the retry repeats the current block request";
  EXPECT_EQ(Frames()[6].at, block3At + 1900);
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0].first, kInterrupted);
  EXPECT_EQ(windows.messageTimes[0], block3At + 8000);
  EXPECT_FALSE(windows.progress);
  ExpectSeedRecordingIntact();
  EXPECT_EQ(port.receiveThreshold(), 1);
}

TEST_F(LinkTest, LostBlockIsRecoveredByTheRetry) {
  logger.setReadings(GenerateReadings(logger.config().startTime, 60, 700, 3));
  logger.faults().loseBlock = 2;
  ConnectAndDownload();
  ASSERT_TRUE(clock.runUntil([&] { return !link.downloading; }, 20000));
  EXPECT_EQ(windows.outcomes.back(), DownloadOutcome::Completed);
  EXPECT_EQ(view.readingCount, 700);
  EXPECT_TRUE(windows.messages.empty());
}

TEST_F(LinkTest, HeaderTimeoutRepeatsTheRequestOnceThenEndsSilently) {
  SeedRecording();
  ConnectAndDownload([&] { logger.faults().noAnswer = true; });
  const int64_t t0 = clock.now();
  clock.advance(9999);
  EXPECT_TRUE(link.downloading);
  clock.advance(1);
  EXPECT_FALSE(link.downloading);
  ASSERT_EQ(Frames().size(), 2u);
  EXPECT_EQ(Frames()[1].at, t0 + 500);
  EXPECT_TRUE(windows.messages.empty());
  EXPECT_EQ(windows.outcomes.back(), DownloadOutcome::HeaderTimeout);
  EXPECT_EQ(port.receiveThreshold(), 1);
  ExpectSeedRecordingIntact();
}

TEST_F(LinkTest, PortVanishingMidDownloadEndsWithInterruption) {
  logger.setReadings(GenerateReadings(logger.config().startTime, 60, 1635, 3));
  SeedRecording();
  ConnectAndDownload();
  ASSERT_TRUE(clock.runUntil([&] { return Frames().size() == 3; }, 10000));
  port.removePort(1);
  ASSERT_TRUE(clock.runUntil([&] { return !link.downloading; }, 20000));
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0].first, kInterrupted);
  EXPECT_EQ(windows.outcomes.back(), DownloadOutcome::Interrupted);
  ExpectSeedRecordingIntact();
  EXPECT_EQ(port.receiveThreshold(), 1);
  EXPECT_FALSE(windows.progress);
}

// The port vanishes at each step of a download: the download ends, and the earlier recording
// (readings, start, interval, unit, alarm values: every byte a Save would write) is untouched.
TEST_F(LinkTest, PortVanishingAtEachStepLeavesThePreviousRecordingExactly) {
  logger.setReadings(GenerateReadings(logger.config().startTime, 60, 1640, 3));  // 10 blocks and 20 bytes
  logger.config().alarmUnitChar = '$';
  struct Step {
    const char* name;
    std::function<bool()> reached;
    DownloadOutcome outcome;
  };
  const Step steps[] = {
      {"request sent", [] { return true; }, DownloadOutcome::HeaderTimeout},
      {"header received",
       [&] { return link.downloadPhase == DownloadPhase::ReceivingBlocks && link.receivedBytes == 0; },
       DownloadOutcome::Interrupted},
      {"block 1 of 10", [&] { return link.receivedBytes == kBlockSize; }, DownloadOutcome::Interrupted},
      {"block 6 of 10", [&] { return link.receivedBytes == 6 * kBlockSize; }, DownloadOutcome::Interrupted},
      {"remainder due", [&] { return link.downloadPhase == DownloadPhase::ReceivingRemainder; },
       DownloadOutcome::Interrupted},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    SeedRecording();
    view.sampleIntervalSeconds = 17;
    view.startTime = 1000000;
    view.isFahrenheit = 0;
    view.tempAlarmHighText = "35 C";
    view.tempHighLineC = 35;
    view.rhAlarmLowText = "25 %RH";
    const std::vector<uint8_t> before = WriteRecordBytes(doc, view);
    windows.outcomes.clear();
    ConnectAndDownload();
    ASSERT_TRUE(clock.runUntil(step.reached, 20000));
    ASSERT_TRUE(link.downloading);
    port.removePort(1);
    ASSERT_TRUE(clock.runUntil([&] { return !link.downloading; }, 30000));
    ASSERT_EQ(windows.outcomes.size(), 1u);
    EXPECT_EQ(windows.outcomes[0], step.outcome);
    EXPECT_EQ(WriteRecordBytes(doc, view), before);
    EXPECT_EQ(view.sampleIntervalSeconds, 17);
    EXPECT_EQ(view.isFahrenheit, 0);
    EXPECT_FALSE(windows.progress);
    EXPECT_EQ(port.receiveThreshold(), 1);
  }
  // With the port back, the same logger downloads completely and its header values arrive.
  ConnectAndDownload();
  ASSERT_TRUE(clock.runUntil([&] { return !link.downloading; }, 30000));
  EXPECT_EQ(view.readingCount, 1640);
  EXPECT_EQ(view.isFahrenheit, 1);
  EXPECT_EQ(view.sampleIntervalSeconds, 60);
}

TEST_F(LinkTest, AcknowledgementAfterADownloadIsStillNoticed) {
  logger.setReadings(GenerateReadings(logger.config().startTime, 60, 10, 3));
  ConnectAndDownload();
  ASSERT_TRUE(clock.runUntil([&] { return !link.downloading; }, 10000));
  link.SendSetTime(2025, 1, 2, 3, 4, 5);
  clock.advance(10);
  EXPECT_FALSE(port.isOpen()) << "the one-byte acknowledgement closed the port";
}

}  // namespace
}  // namespace k7740
