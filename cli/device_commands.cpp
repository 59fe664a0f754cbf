#include "cli/device_commands.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "cli/file_commands.h"
#include "common/file_io.h"
#include "common/text.h"
#include "device/setup_rules.h"
#include "graph/panel_texts.h"
#include "link/hex_log_port.h"
#include "link/link.h"
#include "link/qt/qt_serial_port.h"
#include "link/qt/qt_timer_host.h"
#include "recording/record_file.h"
#include "recording/save_files.h"
#include "recording/text_report.h"
#include "settings/settings_table.h"

namespace k7740 {

namespace {

enum class Command { Find, Battery, SetTime, Setup, Download };

struct Options {
  Command command = Command::Find;
  int port = 0;
  std::string outBase;
  // Setup fields given on the command line; the rest come from the settings file.
  std::map<std::string, std::string> setup;
};

constexpr const char* kSetupOptions[] = {"--interval",  "--unit",   "--led",      "--temp-low",
                                         "--temp-high", "--rh-low", "--rh-high",  "--alarm-unit",
                                         "--alarm-led", "--start",  "--when-full"};

int Usage(const std::string& message) {
  std::cerr << "k7740-cli: " << message << "\n"
            << "Run 'k7740-cli --help' for the commands and their options.\n";
  return 2;
}

std::optional<int> ParseInt(const std::string& text) {
  if (text.empty()) return std::nullopt;
  size_t i = text[0] == '-' ? 1 : 0;
  if (i == text.size()) return std::nullopt;
  for (size_t k = i; k < text.size(); ++k) {
    if (text[k] < '0' || text[k] > '9') return std::nullopt;
  }
  if (text.size() > 9) return std::nullopt;
  return LeadingInt(text);
}

// A word option: sets field to the number of the word given; an error sentence for another word.
template <typename Field>
std::string PickWord(const std::string* value, const char* option,
                     std::initializer_list<std::pair<const char*, int>> words, Field& field) {
  if (value == nullptr) return {};
  std::string list;
  for (const auto& [word, number] : words) {
    if (*value == word) {
      field = static_cast<Field>(number);
      return {};
    }
    list += list.empty() ? word : std::string(", ") + word;
  }
  return StrFormat("%s takes one of: %s.", option, list.c_str());
}

// Applies the command-line setup fields over the settings-file values, then the setup window's
// own rules (unit switches, clamping of every field), so that the logger gets what the window
// would send. Returns an error sentence, or empty.
std::string ApplySetupOptions(const std::map<std::string, std::string>& given, LoggerSettings& s) {
  auto get = [&](const char* key) -> const std::string* {
    auto it = given.find(key);
    return it == given.end() ? nullptr : &it->second;
  };
  int unit = s.sampleUnit, alarmUnit = s.alarmUnit;
  std::string error = PickWord(get("--unit"), "--unit", {{"second", 0}, {"minute", 1}, {"hour", 2}}, unit);
  if (error.empty()) error = PickWord(get("--alarm-unit"), "--alarm-unit", {{"c", 0}, {"f", 1}}, alarmUnit);
  if (error.empty()) {
    error = PickWord(get("--led"), "--led", {{"10s", 24}, {"20s", 40}, {"30s", 56}, {"off", 72}},
                     s.ledFlashCycle);
  }
  if (error.empty())
    error = PickWord(get("--alarm-led"), "--alarm-led", {{"on", 1}, {"off", 0}}, s.alarmLedFlash);
  if (error.empty()) error = PickWord(get("--start"), "--start", {{"manual", 0}, {"auto", 1}}, s.startMode);
  if (error.empty()) {
    error = PickWord(get("--when-full"), "--when-full", {{"stop", 0}, {"overwrite", 1}}, s.overwriteWhenFull);
  }
  if (!error.empty()) return error;
  if (get("--unit")) ChooseSampleUnit(s, unit);
  if (get("--alarm-unit")) ChooseAlarmUnit(s, alarmUnit);

  struct Number {
    const char* option;
    SetupField field;
    std::string* text;
  };
  const Number numbers[] = {{"--interval", SetupField::SampleInterval, &s.sampleInterval},
                            {"--temp-low", SetupField::TempAlarmLow, &s.tempAlarmLow},
                            {"--temp-high", SetupField::TempAlarmHigh, &s.tempAlarmHigh},
                            {"--rh-low", SetupField::RhAlarmLow, &s.rhAlarmLow},
                            {"--rh-high", SetupField::RhAlarmHigh, &s.rhAlarmHigh}};
  for (const Number& n : numbers) {
    if (const std::string* v = get(n.option)) {
      const FieldRange range = SetupFieldRange(s, n.field);
      const auto value = ParseInt(*v);
      if (!value || *value < range.low || *value > range.high) {
        return StrFormat("%s takes a whole number from %d to %d.", n.option, range.low, range.high);
      }
      *n.text = StrFormat("%d", *value);
    }
  }
  // Values from a hand-edited settings file get the window's clamping too.
  for (const Number& n : numbers) NormaliseField(s, n.field);
  if (!LimitsInOrder(s)) return kAlarmOrderMessage;
  return {};
}

// The headless stand-in for the device window of one command.
class CliSession : public LinkWindows {
 public:
  CliSession(const Options& options, MainSettings& main, ViewSettings& viewSettings)
      : options_(options),
        main_(main),
        viewSettings_(viewSettings),
        window_(WindowFor(options.command)),
        logPort_(qtPort_, LogPath(), [this] { return timers_.nowMs(); }),
        link_(PortForLink(), timers_, *this, doc_, view_, viewSettings_, main_, flags_) {
    link_.onlyPort = options.port;
    if (options.port != 0) link_.comPort = options.port;
    progressOnTerminal_ = isatty(STDERR_FILENO) != 0;
  }

  int Run() {
    link_.InitPort();
    link_.OpenDeviceWindow(window_);
    open_ = true;
    link_.WindowStarted(window_);
    return QCoreApplication::exec();
  }

  uint8_t& viewUnit() { return view_.isFahrenheit; }

  // LinkWindows
  bool isWindowOpen(DeviceWindow w) const override { return open_ && w == window_; }
  void setWindowTitle(DeviceWindow, const std::string& title) override {
    if (title == kConnected && !connected_) {
      connected_ = true;
      // Act on the next turn of the loop, as a user clicking the enabled button would.
      QTimer::singleShot(0, [this] { OnConnected(); });
    }
  }
  void setActionEnabled(DeviceWindow, bool) override {}
  void setPortStatus(DeviceWindow, const std::string& status) override {
    if (!status.empty()) portStatus_ = status;
  }
  void showBatteryPicture(int) override {}
  void setBatteryText(const std::string& text) override {
    if (options_.command == Command::Battery && !text.empty()) {
      std::cout << text << "\n";
      Finish(0);
    }
  }
  void showMessage(const std::string& text, MessageIcon) override {
    const bool failure = text == kNoData || text == kInterrupted || text == kTooMuchData;
    (failure ? std::cerr : std::cout) << text << "\n";
    if (options_.command == Command::Setup && link_.setupAcknowledged) Finish(0);
  }
  bool progressWindowExists() const override { return progress_; }
  void createProgressWindow(int maximum, int position) override {
    progress_ = true;
    ShowProgress(position, maximum);
  }
  void setProgressPosition(int) override {}
  void destroyProgressWindow() override {
    progress_ = false;
    if (progressOnTerminal_) std::cerr << "\n";
  }
  void recordingReplaced() override {}
  void redrawAllViews() override {}
  void undoZoom() override {}
  void scanFinished(int candidates) override {
    if (candidates == 0) NotConnected();
  }
  void probeCycleFailed() override { NotConnected(); }
  void blockReceived(int position, int maximum) override { ShowProgress(position, maximum); }
  void setupResent() override {
    // One repeat, as the window does; then give the logger a moment before calling it failed.
    QTimer::singleShot(1500, [this] {
      if (!link_.setupAcknowledged && !finished_) {
        std::cerr << "The DATA LOGGER did not acknowledge the setup (sent twice).\n";
        Finish(1);
      }
    });
  }
  void acknowledged(uint8_t code) override {
    if (options_.command == Command::SetTime && code == kAcknowledgement && !finished_) {
      std::cout << "The DATA LOGGER acknowledged the new time.\n";
      Finish(0);
    }
  }
  void downloadFinished(DownloadOutcome outcome) override {
    switch (outcome) {
      case DownloadOutcome::Completed:
        Finish(SaveDownload());
        break;
      case DownloadOutcome::HeaderTimeout:
        std::cerr << "The DATA LOGGER did not answer the download request within 10 seconds.\n";
        Finish(1);
        break;
      case DownloadOutcome::NoData:
      case DownloadOutcome::Interrupted:
      case DownloadOutcome::Refused:
        // The message follows from the link; end once it is printed.
        QTimer::singleShot(0, [this] { Finish(1); });
        break;
    }
  }

 private:
  static DeviceWindow WindowFor(Command c) {
    switch (c) {
      case Command::Battery:
        return DeviceWindow::Battery;
      case Command::SetTime:
        return DeviceWindow::CorrectTime;
      case Command::Setup:
        return DeviceWindow::Setup;
      case Command::Find:
      case Command::Download:
        return DeviceWindow::Download;
    }
    return DeviceWindow::Download;
  }
  static std::string LogPath() {
    const char* p = std::getenv("K7740_SERIAL_LOG");
    return p ? p : "";
  }
  SerialPort& PortForLink() { return logPort_.logging() ? static_cast<SerialPort&>(logPort_) : qtPort_; }

  void ShowProgress(int position, int maximum) {
    if (progressOnTerminal_) {
      std::cerr << "\rDownloading: block " << position << " of " << maximum << std::flush;
    } else if (position == maximum || position == 1) {
      std::cerr << "Downloading: block " << position << " of " << maximum << "\n";
    }
  }

  void NotConnected() {
    if (finished_) return;
    std::cerr << kNotConnected << "\n";
    if (!portStatus_.empty()) std::cerr << portStatus_ << "\n";
    Finish(1);
  }

  void OnConnected() {
    if (finished_) return;
    switch (options_.command) {
      case Command::Find: {
        const int port = link_.comPort;
        std::cout << "Port " << port << ": " << qtPort_.devicePath(port).toStdString() << "\n";
        Finish(0);
        break;
      }
      case Command::Battery:
        break;  // the battery reply carries the answer
      case Command::SetTime: {
        const LocalTimeParts now = BreakLocalTime(std::time(nullptr));
        link_.SendSetTime(now.year, now.month, now.day, now.hour, now.minute, now.second);
        link_.stopLinkTimers();
        open_ = false;
        std::cout << StrFormat("Clock set to %04d-%02d-%02d %02d:%02d:%02d.\n", now.year, now.month, now.day,
                               now.hour, now.minute, now.second);
        // The logger's answer to the new time is optional; wait briefly for it.
        QTimer::singleShot(1500, [this] { Finish(0); });
        break;
      }
      case Command::Setup:
        link_.SendSetup(main_.logger);
        link_.stopLinkTimers();
        open_ = false;
        AfterSetupSent(flags_);
        break;
      case Command::Download:
        link_.startDownload();
        open_ = false;
        link_.stopLinkTimers();
        flags_.downloadUnsaved = 1;
        break;
    }
  }

  int SaveDownload() {
    const std::string base = options_.outBase;
    const SavePaths paths{base + ".record", base + ".xls"};
    std::string error;
    bool changed = false;
    // Both files as one unit, as Save writes them: a failure puts every earlier file back.
    if (!SaveRecordingFiles(paths, doc_, view_, error, &changed)) {
      std::cerr << error << (changed ? "\n" : " Neither file was changed.\n");
      return 2;
    }
    std::cout << PanelInfoText(view_);
    std::cout << "Saved " << paths.recordPath << " and " << paths.reportPath << "\n";
    return 0;
  }

  void Finish(int code) {
    if (finished_) return;
    finished_ = true;
    exitCode_ = code;
    link_.stopLinkTimers();
    QCoreApplication::exit(code);
  }

 public:
  int exitCode() const { return exitCode_; }

 private:
  const Options& options_;
  MainSettings& main_;
  ViewSettings& viewSettings_;
  DeviceWindow window_;
  QtTimerHost timers_;
  QtSerialPort qtPort_;
  HexLogPort logPort_;
  CTevDoc doc_;
  RecordingView view_;
  PromptFlags flags_;
  LoggerLink link_;
  bool open_ = false;
  bool connected_ = false;
  bool progress_ = false;
  bool finished_ = false;
  bool progressOnTerminal_ = false;
  int exitCode_ = 1;
  std::string portStatus_;
};

}  // namespace

int RunDeviceCommand(int argc, char** argv, const std::vector<std::string>& args) {
  Options options;
  const std::string& name = args[0];
  if (name == "find")
    options.command = Command::Find;
  else if (name == "battery")
    options.command = Command::Battery;
  else if (name == "set-time")
    options.command = Command::SetTime;
  else if (name == "setup")
    options.command = Command::Setup;
  else if (name == "download")
    options.command = Command::Download;
  else
    return Usage("unknown command '" + name + "'.");

  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (a == "--port") {
      auto v = value();
      const auto n = v ? ParseInt(*v) : std::nullopt;
      if (!n || *n < 1 || *n > 16) return Usage("--port takes a port number from 1 to 16.");
      options.port = *n;
    } else if (a == "-o" && options.command == Command::Download) {
      auto v = value();
      if (!v || v->empty()) return Usage("-o takes the base name of the files to write.");
      options.outBase = *v;
    } else if (options.command == Command::Setup &&
               std::find(std::begin(kSetupOptions), std::end(kSetupOptions), a) != std::end(kSetupOptions)) {
      auto v = value();
      if (!v) return Usage(a + " needs a value.");
      options.setup[a] = *v;
    } else {
      return Usage("unknown option '" + a + "' for " + name + ".");
    }
  }
  if (options.command == Command::Download && options.outBase.empty()) {
    return Usage("download needs -o BASE (writes BASE.record and BASE.xls).");
  }
  if (options.command == Command::Download) {
    // Say so before a transfer of a minute, not after it.
    const size_t slash = options.outBase.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : options.outBase.substr(0, slash);
    if (::access(folder.c_str(), W_OK) != 0) {
      std::cerr << "Cannot write into " << folder << ": " << std::strerror(errno) << ".\n";
      return 2;
    }
  }

  SettingsStore store;
  MainSettings main;
  ViewSettings viewSettings;
  uint8_t isFahrenheit = 0;
  ReadMainSettings(store, main);
  ReadViewSettings(store, viewSettings, isFahrenheit);
  if (options.command == Command::Setup) {
    const std::string error = ApplySetupOptions(options.setup, main.logger);
    if (!error.empty()) {
      std::cerr << error << "\n";
      return 2;
    }
  }

  QCoreApplication app(argc, argv);
  CliSession session(options, main, viewSettings);
  session.viewUnit() = isFahrenheit;
  const int code = session.Run();
  // The parameters sent are kept, as the desktop program keeps them at close, so that its
  // setup dialog shows what the logger now runs with.
  if (code == 0 && options.command == Command::Setup) {
    if (!WriteAllSettings(store, main, viewSettings, session.viewUnit())) {
      std::cerr << "Warning: the settings were not saved: " << store.LastError() << "\n";
    }
  }
  return code;
}

}  // namespace k7740
