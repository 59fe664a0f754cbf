// End to end over a real pseudo-terminal: QSerialPort against k7740-sim, the port scan, the
// probe, a full 16,360-reading download, and the files Save writes; then k7740-cli on the same
// simulator.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "common/file_io.h"
#include "link/link.h"
#include "link/qt/qt_serial_port.h"
#include "link/qt/qt_timer_host.h"
#include "recording/record_file.h"
#include "recording/text_report.h"
#include "sim/logger_simulator.h"

namespace k7740 {
namespace {

namespace fs = std::filesystem;

const std::string kSim = std::string(K7740_BINARY_DIR) + "/k7740-sim";
const std::string kCli = std::string(K7740_BINARY_DIR) + "/k7740-cli";

// k7740-sim as a child process with a symbolic link to its terminal.
class SimProcess {
 public:
  SimProcess(const fs::path& link, std::vector<std::string> args) {
    args.insert(args.begin(), {kSim, "--link", link.string(), "--quiet"});
    pid_ = fork();
    if (pid_ == 0) {
      std::vector<char*> argv;
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      freopen("/dev/null", "w", stdout);
      execv(argv[0], argv.data());
      _exit(127);
    }
    for (int i = 0; i < 100 && !fs::exists(link); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  ~SimProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

struct Windows : LinkWindows {
  LoggerLink* link = nullptr;
  bool open = true;
  bool connected = false;
  DownloadOutcome outcome = DownloadOutcome::HeaderTimeout;
  bool finished = false;
  int blocks = 0;
  bool isWindowOpen(DeviceWindow w) const override { return open && w == DeviceWindow::Download; }
  void setWindowTitle(DeviceWindow, const std::string& t) override {
    if (t == kConnected && !connected) {
      connected = true;
      QTimer::singleShot(0, [this] {
        link->startDownload();
        open = false;
        link->stopLinkTimers();
      });
    }
  }
  void setActionEnabled(DeviceWindow, bool) override {}
  void setPortStatus(DeviceWindow, const std::string&) override {}
  void showBatteryPicture(int) override {}
  void setBatteryText(const std::string&) override {}
  void showMessage(const std::string&, MessageIcon) override {}
  bool progress = false;
  bool progressWindowExists() const override { return progress; }
  void createProgressWindow(int, int) override { progress = true; }
  void setProgressPosition(int) override { ++blocks; }
  void destroyProgressWindow() override { progress = false; }
  void recordingReplaced() override {}
  void redrawAllViews() override {}
  void undoZoom() override {}
  void probeCycleFailed() override { QCoreApplication::exit(1); }
  void downloadFinished(DownloadOutcome o) override {
    outcome = o;
    finished = true;
    QCoreApplication::exit(0);
  }
};

class PtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kSim)) GTEST_SKIP() << "k7740-sim is not built";
    setenv("TZ", "UTC", 1);
    tzset();
    dir_ = fs::temp_directory_path() / ("k7740-pty-" + std::to_string(getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "settings");
    link_ = dir_ / "tty";
    setenv("K7740_SERIAL_PORTS", link_.c_str(), 1);
    setenv("K7740_SETTINGS_DIR", (dir_ / "settings").c_str(), 1);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  fs::path dir_, link_;
};

TEST_F(PtyTest, FullDownloadOverQSerialPortWritesTheFilesSaveWrites) {
  SimProcess sim(link_, {"--readings", "16360", "--interval", "1", "--unit", "m", "--start",
                         "2026-11-01 00:00:00", "--seed", "5"});
  ASSERT_TRUE(fs::exists(link_));
  int argc = 1;
  char name[] = "pty_test";
  char* argv[] = {name, nullptr};
  QCoreApplication app(argc, argv);

  QtTimerHost timers;
  QtSerialPort port;
  Windows windows;
  CTevDoc doc;
  RecordingView view;
  ViewSettings viewSettings;
  MainSettings main;
  PromptFlags flags;
  LoggerLink link(port, timers, windows, doc, view, viewSettings, main, flags);
  windows.link = &link;
  link.InitPort();
  ASSERT_TRUE(link.OpenDeviceWindow(DeviceWindow::Download));
  link.WindowStarted(DeviceWindow::Download);
  QTimer::singleShot(30000, [] { QCoreApplication::exit(2); });
  const auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(QCoreApplication::exec(), 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

  ASSERT_TRUE(windows.finished);
  ASSERT_EQ(windows.outcome, DownloadOutcome::Completed);
  EXPECT_EQ(main.comPort, 1);
  ASSERT_EQ(view.readingCount, 16360);
  EXPECT_EQ(view.sampleIntervalSeconds, 60);
  EXPECT_EQ(view.startTimeText, "01/11/26 00:00:00");
  EXPECT_LT(seconds, 10.0) << "an unpaced download takes a few seconds at most";

  // Every reading as the logger holds it.
  const auto expected = GenerateReadings(LoggerTime{2026, 11, 1, 0, 0, 0}, 60, 16360, 5);
  ASSERT_EQ(expected.size(), 16360u);
  for (size_t i = 0; i < expected.size(); ++i) {
    ASSERT_EQ(doc.temperature[i], expected[i].temperatureTenths * 0.1f) << i;
    ASSERT_EQ(doc.humidity[i], expected[i].humidityTenths * 0.1f) << i;
  }

  std::vector<FileImage> files(2);
  files[0].path = (dir_ / "week.record").string();
  files[0].bytes = WriteRecordBytes(doc, view);
  files[1].path = (dir_ / "week.xls").string();
  const std::string report = BuildTextReport(doc, view);
  files[1].bytes.assign(report.begin(), report.end());
  std::string error;
  ASSERT_TRUE(WriteFilesAtomically(files, error)) << error;

  CTevDoc doc2;
  RecordingView view2;
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(ReadWholeFile(files[0].path, bytes, error));
  ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), doc2, view2), RecordReadStatus::Ok);
  EXPECT_EQ(view2.readingCount, 16360);
  EXPECT_EQ(view2.tempMaxTextC, view.tempMaxTextC);
}

// Runs k7740-cli with args; returns the exit status and fills out/err.
int RunCli(const std::vector<std::string>& args, std::string& out, std::string& err, const fs::path& dir) {
  std::string cmd = kCli;
  for (const auto& a : args) cmd += " '" + a + "'";
  const fs::path o = dir / "cli.out", e = dir / "cli.err";
  cmd += " >'" + o.string() + "' 2>'" + e.string() + "'";
  const int status = std::system(cmd.c_str());
  std::ifstream fo(o), fe(e);
  std::stringstream so, se;
  so << fo.rdbuf();
  se << fe.rdbuf();
  out = so.str();
  err = se.str();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PtyTest, CliFindsQueriesSetsUpAndDownloads) {
  if (!fs::exists(kCli)) GTEST_SKIP() << "k7740-cli is not built";
  SimProcess sim(link_, {"--readings", "500", "--battery", "3", "--start", "2026-11-01 00:00:00"});
  std::string out, err;

  EXPECT_EQ(RunCli({"find"}, out, err, dir_), 0) << err;
  EXPECT_EQ(out, "Port 1: " + link_.string() + "\n");

  EXPECT_EQ(RunCli({"battery", "--port", "1"}, out, err, dir_), 0) << err;
  EXPECT_EQ(out, "(40%-70%)\n");

  EXPECT_EQ(RunCli({"set-time"}, out, err, dir_), 0) << err;
  EXPECT_NE(out.find("acknowledged"), std::string::npos) << out;

  EXPECT_EQ(
      RunCli({"setup", "--start", "auto", "--when-full", "overwrite", "--interval", "5", "--unit", "minute"},
             out, err, dir_),
      0)
      << err;
  EXPECT_EQ(out,
            "DATA LOGGER is running.\n"
            "If the DATA LOGGER is full,it will continue logging to cover the earlier data.\n");
  EXPECT_EQ(RunCli({"setup", "--temp-low", "40", "--temp-high", "40"}, out, err, dir_), 2);
  EXPECT_EQ(err, "High alarm must be larger than low alarm!\n");

  const std::string base = (dir_ / "run").string();
  EXPECT_EQ(RunCli({"download", "-o", base}, out, err, dir_), 0) << err;
  EXPECT_NE(out.find("DataNo.: 500"), std::string::npos) << out;
  std::string info;
  EXPECT_EQ(RunCli({"info", base + ".record"}, info, err, dir_), 0) << err;
  EXPECT_NE(info.find("DataNo.: 500"), std::string::npos);
  std::string report;
  EXPECT_EQ(RunCli({"report", base + ".record"}, report, err, dir_), 0) << err;
  std::ifstream xls(base + ".xls", std::ios::binary);
  std::stringstream saved;
  saved << xls.rdbuf();
  EXPECT_EQ(report, saved.str()) << "report of the reopened file equals what the download saved";
}

TEST_F(PtyTest, CliSetupAppliesTheWindowsRulesToStoredValues) {
  if (!fs::exists(kCli)) GTEST_SKIP() << "k7740-cli is not built";
  {
    std::ofstream ini(dir_ / "settings" / "TEVARO.ini");
    ini << "[SAMPRATEINFO]\nSAMPRATE=60\nSAMPUNIT=0\n[ALARMInfo]\nALARMUNIT=1\nTEMPHI=150\nTEMPLOW=-60\n";
  }
  SimProcess sim(link_, {"--readings", "10"});
  std::string out, err;
  ASSERT_EQ(RunCli({"setup", "--unit", "hour", "--alarm-unit", "c"}, out, err, dir_), 0) << err;
  std::ifstream ini(dir_ / "settings" / "TEVARO.ini");
  std::stringstream text;
  text << ini.rdbuf();
  // Hour caps the interval at 24; Celsius caps the high limit at 70 and the low one at -40.
  EXPECT_NE(text.str().find("SAMPRATE=24\n"), std::string::npos) << text.str();
  EXPECT_NE(text.str().find("SAMPUNIT=2\n"), std::string::npos);
  EXPECT_NE(text.str().find("TEMPHI=70\n"), std::string::npos);
  EXPECT_NE(text.str().find("TEMPLOW=-40\n"), std::string::npos);
  EXPECT_NE(text.str().find("ALARMUNIT=0\n"), std::string::npos);
}

TEST_F(PtyTest, CliSaysWhyItFailed) {
  if (!fs::exists(kCli)) GTEST_SKIP() << "k7740-cli is not built";
  std::string out, err;
  {
    SimProcess sim(link_, {"--empty"});
    EXPECT_EQ(RunCli({"download", "-o", (dir_ / "x").string()}, out, err, dir_), 1);
    EXPECT_EQ(err, "There is no data in DATALOGGER!\n");
    EXPECT_FALSE(fs::exists(dir_ / "x.record"));
  }
  fs::remove(link_);
  {
    SimProcess sim(link_, {"--no-answer"});
    EXPECT_EQ(RunCli({"find"}, out, err, dir_), 1);
    EXPECT_EQ(err.substr(0, 14), "Not Connected\n");
  }
  EXPECT_EQ(RunCli({"download"}, out, err, dir_), 2);
  EXPECT_EQ(RunCli({"download", "-o", (dir_ / "no-such-folder" / "x").string()}, out, err, dir_), 2);
  EXPECT_NE(err.find("no-such-folder"), std::string::npos) << err;
  EXPECT_EQ(RunCli({"find", "--port", "17"}, out, err, dir_), 2);
}

}  // namespace
}  // namespace k7740
