// The main window on the simulated logger and virtual time: layout and command enabling, the
// settings at start and close, the save questions, Save and Open, the document machinery's
// keyboard routes, the instrument tree, the progress window, and a download end to end.
#include "shell/qt/main_frame.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <csignal>
#include <memory>

#include "common/text.h"
#include "device/qt/device_dialogs.h"
#include "graph/panel_texts.h"
#include "graph/qt/data_list_model.h"
#include "graph/qt/stats_panel.h"
#include "graph/qt/tev_view.h"
#include "link/virtual_clock.h"
#include "recording/record_file.h"
#include "recording/text_report.h"
#include "shell/qt/instrument_view.h"
#include "shell/qt/print_commands.h"
#include "sim/logger_simulator.h"
#include "sim/sim_serial_port.h"
#include "tests/support/faulty_file_system.h"
#include "ui_test_support.h"

namespace k7740 {

// Found by argument-dependent lookup, so beside PromptFlags.
bool operator==(const PromptFlags& a, const PromptFlags& b) {
  return a.downloadUnsaved == b.downloadUnsaved && a.closePromptArmed == b.closePromptArmed &&
         a.downloadPromptArmed == b.downloadPromptArmed;
}

std::ostream& operator<<(std::ostream& os, const PromptFlags& f) {
  return os << "{unsaved " << int(f.downloadUnsaved) << ", close " << int(f.closePromptArmed) << ", download "
            << int(f.downloadPromptArmed) << "}";
}

namespace {

using test::App;
using test::FakePrompts;
using test::FileExists;
using test::ReadBytes;
using test::WriteBytes;
using Kind = FakePrompts::Kind;

// A recording as a download leaves it: n readings from 05/10/07 14:00:00, one a minute.
void FillSample(CTevDoc& doc, RecordingView& rec, int n, float base = 20.0f) {
  for (int i = 0; i < n; ++i) {
    doc.temperature[static_cast<size_t>(i)] = base + 0.5f * static_cast<float>(i);
    doc.humidity[static_cast<size_t>(i)] = 50.0f - static_cast<float>(i);
  }
  rec.readingCount = n;
  rec.startTime = MakeLocalTime(2007, 10, 5, 14, 0, 0);
  rec.sampleIntervalSeconds = 60;
  rec.isFahrenheit = 0;
  rec.tempAlarmHighText = "40 C";
  rec.tempAlarmLowText = "0 C";
  rec.rhAlarmHighText = "90 %RH";
  rec.rhAlarmLowText = "30 %RH";
  rec.tempHighLineC = 40;
  rec.tempHighLineF = 104;
  rec.rhHighLine = 90;
  rec.rhLowLine = 30;
  rec.tempLowLineF = 32;
  SetHeaderTexts(rec);
  ComputeSummary(doc, rec);
  rec.listNeedsRefill = 1;
  if (rec.displayMode == 0) rec.displayMode = 1;
}

std::vector<uint8_t> SampleRecordBytes(int n, float base) {
  auto doc = std::make_unique<CTevDoc>();
  RecordingView rec;
  FillSample(*doc, rec, n, base);
  return WriteRecordBytes(*doc, rec);
}

QString Plain(QString text) { return text.remove(QLatin1Char('&')); }

void ClickButton(QWidget& parent, const QString& text) {
  for (QPushButton* b : parent.findChildren<QPushButton*>()) {
    if (Plain(b->text()) == text) {
      b->click();
      return;
    }
  }
  ADD_FAILURE() << "no button " << text.toStdString();
}

class MainFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(dir_.isValid());
  }

  std::string Dir() const { return dir_.path().toStdString(); }
  std::string PathIn(const std::string& name) const { return Dir() + "/" + name; }
  std::string ArchiveDir() const { return Dir() + "/archive"; }

  CMainFrame& MakeFrame(const std::string& settingsDir = {}) {
    MainFrameOptions o;
    o.port = &port_;
    o.timers = &timers_;
    o.prompts = &prompts_;
    o.settingsDir = settingsDir.empty() ? Dir() : settingsDir;
    o.runModal = [this](QDialog& d) {
      modalRuns_.push_back(d.metaObject()->className());
      return modalScript_ ? modalScript_(d) : static_cast<int>(QDialog::Rejected);
    };
    o.openUrl = [this](const QUrl& url) {
      openedUrls_.push_back(url);
      return true;
    };
    o.clock = [] { return MakeLocalTime(2007, 10, 5, 14, 30, 0); };
    o.archiveDir = ArchiveDir();
    frame_ = std::make_unique<CMainFrame>(o);
    return *frame_;
  }

  static void Show(CMainFrame& f) {
    f.resize(1280, 800);
    f.show();
    QApplication::processEvents();
  }

  static void Paint(CMainFrame& f) {
    f.view()->repaint();
    QApplication::processEvents();
  }

  void LoadSample(CMainFrame& f, int n) {
    FillSample(f.doc(), f.view()->recording(), n);
    f.recordingReplaced();
  }

  bool ZoomResetStarted() const {
    for (const auto& s : timers_.starts()) {
      if (s.id == kTimerZoomReset && s.periodMs == kZoomResetMs) return true;
    }
    return false;
  }

  QTemporaryDir dir_;
  VirtualClock clock_;
  SimSerialPort port_{clock_};
  VirtualTimerHost timers_{clock_};
  FakePrompts prompts_;
  std::vector<std::string> modalRuns_;
  std::function<int(QDialog&)> modalScript_;
  std::vector<QUrl> openedUrls_;
  std::unique_ptr<CMainFrame> frame_;  // last: goes before the port and timers it uses
};

QStringList MenuListing(QMenu* menu) {
  QStringList out;
  for (QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
  return out;
}

TEST_F(MainFrameTest, WindowLayoutAndCommandsEnabledAtStart) {
  CMainFrame& f = MakeFrame();
  Show(f);
  EXPECT_EQ(f.windowTitle().toStdString(), kMainWindowTitle);

  const QList<QAction*> menus = f.menuBar()->actions();
  ASSERT_EQ(menus.size(), 4);
  EXPECT_EQ(menus[0]->text(), "&File(f)");
  EXPECT_EQ(MenuListing(menus[0]->menu()),
            QStringList({"&Save...", "-", "&Open...", "-", "&Print Setup...", "-", "&Print Preview", "-",
                         "&Print...", "-", "&Exit"}));
  EXPECT_EQ(menus[1]->text(), "&Instrument(I)");
  EXPECT_EQ(MenuListing(menus[1]->menu()), QStringList({"&Correct Time...", "-", "Datalogger Setup...", "-",
                                                        "&Download Data...", "-", "&Battery Power"}));
  EXPECT_EQ(menus[2]->text(), "&Analysis");
  EXPECT_EQ(MenuListing(menus[2]->menu()),
            QStringList({"Summary...", "Export Readings...", "Export Graph Image..."}));
  EXPECT_FALSE(menus[2]->menu()->actions()[2]->isEnabled());
  EXPECT_FALSE(menus[2]->menu()->actions()[0]->isEnabled());
  EXPECT_EQ(menus[3]->text(), "&Help(H)");
  EXPECT_EQ(MenuListing(menus[3]->menu()), QStringList({"&Info...", "-", "&Help topics..."}));

  // Ten buttons, a separator between each two, tooltips and prompts from the command table.
  auto* bar = f.findChild<QToolBar*>(QStringLiteral("mainToolBar"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->iconSize(), QSize(27, 20));
  QStringList tips;
  for (QAction* a : bar->actions()) tips << (a->isSeparator() ? QStringLiteral("-") : a->toolTip());
  EXPECT_EQ(tips, QStringList({"Save", "-", "Open", "-", "Correct Time", "-", "Datalogger Setup", "-",
                               "Data Download", "-", "Battery Power Status", "-", "Graph", "-", "List", "-",
                               "Print", "-", "Help"}));
  EXPECT_EQ(f.action(kCmdDownload)->statusTip(), "Download data from your datalogger");
  EXPECT_EQ(f.action(kCmdSave)->statusTip(),
            "Save as  record file for Datalogger software and  xls document for Windows Office Excel ");
  EXPECT_EQ(f.action(kCmdList)->statusTip(), "Show data as a list");
  for (QAction* a : bar->actions()) {
    if (!a->isSeparator()) {
      EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
    }
  }

  // No recording yet: only the commands that need one are greyed.
  for (int id : {kCmdSave, kCmdGraph, kCmdList, kCmdPrintSetup, kCmdPrintPreview, kCmdPrint}) {
    EXPECT_FALSE(f.action(id)->isEnabled()) << id;
  }
  for (int id : {kCmdOpen, kCmdExit, kCmdCorrectTime, kCmdSetup, kCmdDownload, kCmdBattery, kCmdAbout,
                 kCmdHelpTopics}) {
    EXPECT_TRUE(f.action(id)->isEnabled()) << id;
  }

  // Tree left at 130 pixels, graph view right; the view is grey without a panel.
  ASSERT_EQ(f.splitter()->count(), 2);
  EXPECT_EQ(f.splitter()->widget(0), f.instrumentView());
  EXPECT_EQ(f.splitter()->widget(1), f.view());
  EXPECT_EQ(f.instrumentView()->width(), 130);
  EXPECT_EQ(f.view()->grab().toImage().pixelColor(10, 10), QColor(155, 155, 155));
  EXPECT_EQ(f.view()->statsPanel(), nullptr);

  // The accelerators of the document machinery.
  EXPECT_EQ(f.action(kCmdFileOpen)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
  EXPECT_EQ(f.action(kCmdFileSave)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
  EXPECT_EQ(f.action(kCmdFileNew)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
}

TEST_F(MainFrameTest, FirstRunUsesDefaultsAndCloseWritesAll34KeysInTableOrder) {
  const std::string settings = PathIn("first-run");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(settings)));
  CMainFrame& f = MakeFrame(settings);
  const MainSettings& m = f.mainSettings();
  EXPECT_EQ(m.comPort, 3);
  EXPECT_EQ(m.logger.sampleInterval, "10");
  EXPECT_EQ(m.backgroundColorIndex, 13);
  EXPECT_EQ(f.view()->viewSettings().yTempLow, -40);
  EXPECT_EQ(f.view()->viewSettings().yTempHigh, 158);
  EXPECT_EQ(f.view()->recording().isFahrenheit, 0);

  // Values changed during the run reach the file at close, before the close question.
  f.mainSettings().tempColorIndex = 5;
  f.mainSettings().logger.tempAlarmLow = "-5";
  f.view()->viewSettings().yTempLow = -50;
  f.view()->recording().isFahrenheit = 1;
  f.close();

  const std::vector<uint8_t> bytes = ReadBytes(settings + "/TEVARO.ini");
  const std::string file(bytes.begin(), bytes.end());
  EXPECT_EQ(file,
            "[COMInfo]\nCOM num=3\n"
            "[GainInfo]\nGain=10\n"
            "[OffsetInfo]\nOffset=0\n"
            "[GainInfo1]\nGain1=10\n"
            "[OffsetInfo1]\nOffset1=0\n"
            "[SAMPRATEINFO]\nSAMPRATE=10\nSAMPUNIT=0\n"
            "[ALARMInfo]\nALARMUNIT=0\nALARMLEDCHECK=1\nTEMPHI=40\nTEMPLOW=-5\nRHHI=90\nRHLOW=30\n"
            "[VIEWInfo]\nVIEW1=1\nVIEW2=0\nVIEW3=0\nVIEW4=1\nVIEW5=0\nVIEW6=0\nVIEW7=0\nVIEW8=1\nVIEW9=1\n"
            "[LEDInfo]\nLEDDATA=24\n"
            "[ColorInfo]\nBGColor=13\nTColor=5\nRHColor=3\nGRIDColor=2\n"
            "[Y AXISInfo]\nY TEMPLOW=-50\nY TEMPHI=158\nY RHLOW=0\nY RHHI=100\n"
            "[Y UNITInfo]\nUNIT=1\n"
            "[AUTO/MANUAL Info]\nAuto/Manual=0\n"
            "[CYCLE/NOCYCLE Info]\nCycle/No cycle=0\n");
}

TEST_F(MainFrameTest, StartReadsTheFrameAndViewSettingsFromTheFile) {
  const std::string settings = PathIn("configured");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(settings)));
  const std::string ini =
      "[COMInfo]\nCOM num=7\n[ColorInfo]\nBGColor=300\n[ALARMInfo]\nTEMPHI=55\n"
      "[VIEWInfo]\nVIEW7=1\n[Y AXISInfo]\nY TEMPLOW=-50\n[Y UNITInfo]\nUNIT=1\n";
  WriteBytes(settings + "/TEVARO.ini", std::vector<uint8_t>(ini.begin(), ini.end()));

  CMainFrame& f = MakeFrame(settings);
  EXPECT_EQ(f.mainSettings().comPort, 7);
  EXPECT_EQ(f.mainSettings().backgroundColorIndex, 44);  // low byte of 300
  EXPECT_EQ(f.mainSettings().logger.tempAlarmHigh, "55");
  EXPECT_EQ(f.view()->viewSettings().showMarkPoints, 1);
  EXPECT_EQ(f.view()->viewSettings().yTempLow, -50);
  EXPECT_EQ(f.view()->recording().isFahrenheit, 1);
  EXPECT_EQ(f.link().comPort, 7);
}

TEST_F(MainFrameTest, AFailedSettingsWriteIsReportedOnStderrAndTheWindowStillCloses) {
  CMainFrame& f = MakeFrame(PathIn("no/such/folder"));
  Show(f);
  LoadSample(f, 5);
  f.promptFlags() = PromptFlags{1, 1, 0};
  testing::internal::CaptureStderr();
  EXPECT_TRUE(f.close());
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("settings were not saved"), std::string::npos) << err;
  EXPECT_NE(err.find("no/such/folder"), std::string::npos) << err;
  EXPECT_FALSE(f.isVisible());
  // The close question still comes after the failed write.
  EXPECT_EQ(prompts_.Of(Kind::Question).size(), 1u);
}

enum class Command { Open, Download, Close };

struct PromptCase {
  const char* name;
  Command command;
  int readings;
  uint8_t fromFile;
  PromptFlags before;
  bool answerYes;
  const char* question;  // nullptr: no question
  BoxIcon icon;
  PromptFlags after;
};

TEST_F(MainFrameTest, SaveQuestionsFollowTheFlagsAndClearWhatTheyTested) {
  const PromptCase cases[] = {
      {"open due, No",
       Command::Open,
       5,
       0,
       {1, 1, 1},
       false,
       kSaveBeforeContinuing,
       BoxIcon::Exclamation,
       {0, 0, 1}},
      {"open due, Yes saves (dialog cancelled)",
       Command::Open,
       5,
       0,
       {1, 1, 1},
       true,
       kSaveBeforeContinuing,
       BoxIcon::Exclamation,
       {0, 0, 1}},
      {"open due with one reading",
       Command::Open,
       1,
       0,
       {1, 1, 0},
       false,
       kSaveBeforeContinuing,
       BoxIcon::Exclamation,
       {0, 0, 0}},
      {"open, recording from a file",
       Command::Open,
       5,
       1,
       {1, 1, 1},
       false,
       nullptr,
       BoxIcon::None,
       {1, 1, 1}},
      {"open, close prompt not armed",
       Command::Open,
       5,
       0,
       {1, 0, 1},
       false,
       nullptr,
       BoxIcon::None,
       {1, 0, 1}},
      {"open, nothing unsaved", Command::Open, 5, 0, {0, 1, 1}, false, nullptr, BoxIcon::None, {0, 1, 1}},
      {"open, no readings", Command::Open, 0, 0, {1, 1, 1}, false, nullptr, BoxIcon::None, {1, 1, 1}},
      {"download due, No",
       Command::Download,
       5,
       0,
       {1, 1, 1},
       false,
       kSaveBeforeContinuing,
       BoxIcon::Question,
       {0, 1, 0}},
      {"download due, Yes saves (dialog cancelled)",
       Command::Download,
       5,
       0,
       {1, 0, 1},
       true,
       kSaveBeforeContinuing,
       BoxIcon::Question,
       {0, 0, 0}},
      {"download, no setup sent since",
       Command::Download,
       5,
       0,
       {1, 1, 0},
       false,
       nullptr,
       BoxIcon::None,
       {1, 1, 0}},
      {"download, recording from a file",
       Command::Download,
       5,
       1,
       {1, 1, 1},
       false,
       nullptr,
       BoxIcon::None,
       {1, 1, 1}},
      {"close due, Yes",
       Command::Close,
       2,
       0,
       {1, 1, 1},
       true,
       kSaveBeforeClosing,
       BoxIcon::Question,
       {0, 0, 1}},
      {"close due, No",
       Command::Close,
       2,
       0,
       {1, 1, 1},
       false,
       kSaveBeforeClosing,
       BoxIcon::Question,
       {1, 1, 1}},
      {"close with one reading", Command::Close, 1, 0, {1, 1, 1}, false, nullptr, BoxIcon::None, {1, 1, 1}},
      {"close, recording from a file still asks",
       Command::Close,
       5,
       1,
       {1, 1, 0},
       false,
       kSaveBeforeClosing,
       BoxIcon::Question,
       {1, 1, 0}},
      {"close, not armed", Command::Close, 5, 0, {1, 0, 1}, false, nullptr, BoxIcon::None, {1, 0, 1}},
  };
  for (const PromptCase& c : cases) {
    SCOPED_TRACE(c.name);
    prompts_ = FakePrompts{};
    modalRuns_.clear();
    CMainFrame& f = MakeFrame();
    if (c.readings > 0) LoadSample(f, c.readings);
    f.view()->recording().recordingFromFile = c.fromFile;
    f.promptFlags() = c.before;
    prompts_.answers = {c.answerYes};

    switch (c.command) {
      case Command::Open:
        f.action(kCmdOpen)->trigger();
        break;
      case Command::Download:
        f.action(kCmdDownload)->trigger();
        break;
      case Command::Close:
        f.close();
        break;
    }

    const auto questions = prompts_.Of(Kind::Question);
    if (c.question) {
      ASSERT_EQ(questions.size(), 1u);
      EXPECT_EQ(questions[0].text, c.question);
      EXPECT_EQ(questions[0].icon, c.icon);
    } else {
      EXPECT_TRUE(questions.empty());
    }
    // Yes runs Save, whose dialog comes next.
    EXPECT_EQ(prompts_.Of(Kind::SaveDialog).size(), c.question && c.answerYes ? 1u : 0u);
    EXPECT_EQ(f.promptFlags(), c.after);
    // The command itself goes on whatever the answer.
    if (c.command == Command::Open) {
      EXPECT_EQ(prompts_.Of(Kind::OpenDialog).size(), 1u);
    }
    if (c.command == Command::Download) {
      EXPECT_EQ(modalRuns_, std::vector<std::string>{"k7740::CDownloadDlg"});
    }
  }
}

TEST_F(MainFrameTest, SaveWritesRecordAndReportUnderOneBaseName) {
  for (const char* typed : {"data", "data.xls"}) {
    SCOPED_TRACE(typed);
    const std::string folder = PathIn(std::string("save-") + (typed[4] ? "xls" : "plain"));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    prompts_ = FakePrompts{};
    CMainFrame& f = MakeFrame();
    LoadSample(f, 3);
    f.promptFlags() = PromptFlags{1, 1, 1};
    prompts_.savePaths = {folder + "/" + typed};

    f.action(kCmdSave)->trigger();

    const auto dialogs = prompts_.Of(Kind::SaveDialog);
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].text, "07-10-05  14.30.00");  // the clock's time
    EXPECT_TRUE(prompts_.Of(Kind::Message).empty());
    const std::string report = BuildTextReport(f.doc(), f.view()->recording());
    EXPECT_EQ(ReadBytes(folder + "/data.xls"), std::vector<uint8_t>(report.begin(), report.end()));
    EXPECT_EQ(ReadBytes(folder + "/data.record"), WriteRecordBytes(f.doc(), f.view()->recording()));
    EXPECT_EQ(QDir(QString::fromStdString(folder)).entryList(QDir::Files | QDir::Hidden).size(), 2);
    EXPECT_EQ(f.promptFlags(), (PromptFlags{0, 0, 0}));
    EXPECT_EQ(f.windowTitle().toStdString(), kMainWindowTitle);
  }
}

TEST_F(MainFrameTest, SaveAsksBeforeReplacingFilesTheDialogDidNotAskAbout) {
  // Accepting the proposed name twice in one minute would write the same two files.
  CMainFrame& f = MakeFrame();
  LoadSample(f, 3);
  const std::string chosen = PathIn("07-10-05  14.30.00");
  WriteBytes(PathIn("07-10-05  14.30.record"), {1, 2, 3});
  // No goes back to the save dialog, which is then cancelled: nothing is written.
  prompts_.savePaths = {chosen};
  prompts_.answers = {false};
  EXPECT_FALSE(f.OnSave());
  ASSERT_EQ(prompts_.Of(Kind::Question).size(), 1u);
  EXPECT_EQ(prompts_.Of(Kind::Question)[0].text,
            "07-10-05  14.30.record already exists.\nDo you want to replace it?");
  EXPECT_EQ(prompts_.Of(Kind::SaveDialog).size(), 2u);
  EXPECT_EQ(ReadBytes(PathIn("07-10-05  14.30.record")), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_FALSE(FileExists(PathIn("07-10-05  14.30.xls")));
  // Yes writes both.
  prompts_ = FakePrompts{};
  prompts_.savePaths = {chosen};
  prompts_.answers = {true};
  EXPECT_TRUE(f.OnSave());
  EXPECT_EQ(ReadBytes(PathIn("07-10-05  14.30.record")), WriteRecordBytes(f.doc(), f.view()->recording()));
  EXPECT_TRUE(FileExists(PathIn("07-10-05  14.30.xls")));
}

TEST_F(MainFrameTest, ASentSetupArmsBothPromptsAndStopsTheLinkTimers) {
  LoggerSimulator logger{SimConfig{}};
  port_.addPort(3, &logger);
  CMainFrame& f = MakeFrame();
  f.promptFlags() = PromptFlags{0, 0, 0};
  // The setup window: wait for the logger, press "Setup", wait for its acknowledgement.
  modalScript_ = [&](QDialog& d) {
    auto* dialog = qobject_cast<CDeviceDialog*>(&d);
    d.show();  // the link watches the window while it is open
    EXPECT_TRUE(clock_.runUntil([&] { return dialog->ActionEnabled(); }, 30000));
    ClickButton(d, QStringLiteral("Setup"));
    EXPECT_TRUE(clock_.runUntil([&] { return !prompts_.Of(Kind::Message).empty(); }, 10000));
    d.hide();
    return static_cast<int>(QDialog::Accepted);
  };
  f.OnDataloggerSetup();
  ASSERT_EQ(prompts_.Of(Kind::Message).size(), 1u);
  EXPECT_EQ(f.promptFlags().closePromptArmed, 1);
  EXPECT_EQ(f.promptFlags().downloadPromptArmed, 1);
  for (int id : {kTimerPortScan, kTimerProbeStep, kTimerLinkCheck}) EXPECT_FALSE(timers_.isRunning(id)) << id;
}

TEST_F(MainFrameTest, OpenEnablesTheRecordingCommands) {
  CMainFrame& f = MakeFrame();
  for (int id : {kCmdSave, kCmdGraph, kCmdList, kCmdPrint}) EXPECT_FALSE(f.action(id)->isEnabled()) << id;
  auto doc = std::make_unique<CTevDoc>();
  RecordingView rec;
  FillSample(*doc, rec, 5);
  WriteBytes(PathIn("five.record"), WriteRecordBytes(*doc, rec));
  prompts_.openPaths = {PathIn("five.record")};
  f.OnOpen();
  for (int id : {kCmdSave, kCmdGraph, kCmdList, kCmdPrint, kCmdPrintPreview, kCmdPrintSetup}) {
    EXPECT_TRUE(f.action(id)->isEnabled()) << id;
  }
}

TEST_F(MainFrameTest, AFailedSaveSaysWhatFailedAndLeavesFlagsAndEarlierFiles) {
  // A missing folder.
  {
    CMainFrame& f = MakeFrame();
    LoadSample(f, 3);
    f.promptFlags() = PromptFlags{1, 1, 1};
    prompts_.savePaths = {PathIn("missing/data")};
    f.action(kCmdSave)->trigger();
    const auto messages = prompts_.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].text.find("missing/data"), std::string::npos) << messages[0].text;
    EXPECT_EQ(messages[0].icon, BoxIcon::Exclamation);
    EXPECT_EQ(f.promptFlags(), (PromptFlags{1, 1, 1}));
  }
  // The report's name is taken by a folder: the earlier record file keeps its bytes.
  {
    prompts_ = FakePrompts{};
    const std::string old = "an earlier record";
    WriteBytes(PathIn("kept.record"), std::vector<uint8_t>(old.begin(), old.end()));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PathIn("kept.xls"))));
    CMainFrame& f = MakeFrame();
    LoadSample(f, 3);
    f.promptFlags() = PromptFlags{1, 0, 1};
    prompts_.savePaths = {PathIn("kept")};
    prompts_.answers = {true};  // replace the files that are there
    f.action(kCmdSave)->trigger();
    EXPECT_EQ(prompts_.Of(Kind::Question).size(), 1u);
    EXPECT_EQ(prompts_.Of(Kind::Message).size(), 1u);
    EXPECT_EQ(ReadBytes(PathIn("kept.record")), std::vector<uint8_t>(old.begin(), old.end()));
    EXPECT_EQ(f.promptFlags(), (PromptFlags{1, 0, 1}));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"kept.record"}));
  }
}

TEST_F(MainFrameTest, ClosingKeepsTheWindowOpenWhenTheSaveItAskedForFails) {
  CMainFrame& f = MakeFrame();
  LoadSample(f, 3);
  f.promptFlags() = PromptFlags{1, 1, 0};
  f.show();
  // Yes, but the folder is missing: the download must not be lost.
  prompts_.answers = {true};
  prompts_.savePaths = {PathIn("missing/data")};
  EXPECT_FALSE(f.close());
  EXPECT_TRUE(f.isVisible());
  EXPECT_EQ(f.promptFlags(), (PromptFlags{1, 1, 0}));
  // Yes with a cancelled dialog closes, as before.
  prompts_.answers = {true};
  EXPECT_TRUE(f.close());
  EXPECT_EQ(prompts_.Of(Kind::Question).size(), 2u);
}

TEST_F(MainFrameTest, AFailedSaveAtTheOpenOrDownloadQuestionStopsTheCommand) {
  for (Command command : {Command::Open, Command::Download}) {
    SCOPED_TRACE(command == Command::Open ? "open" : "download");
    prompts_ = FakePrompts{};
    modalRuns_.clear();
    CMainFrame& f = MakeFrame();
    LoadSample(f, 5);
    f.promptFlags() = PromptFlags{1, 1, 1};
    prompts_.answers = {true};
    prompts_.savePaths = {PathIn("missing/data")};
    prompts_.openPaths = {PathIn("never.record")};
    f.action(command == Command::Open ? kCmdOpen : kCmdDownload)->trigger();

    const auto messages = prompts_.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u) << "the user reads why the Save failed";
    EXPECT_NE(messages[0].text.find("missing/data"), std::string::npos) << messages[0].text;
    EXPECT_TRUE(prompts_.Of(Kind::OpenDialog).empty());
    EXPECT_TRUE(modalRuns_.empty()) << "no Download window";
    EXPECT_EQ(f.promptFlags(), (PromptFlags{1, 1, 1}));
    EXPECT_EQ(f.view()->recording().readingCount, 5);
  }
}

TEST_F(MainFrameTest, OpenReplacesTheRecordingOnlyWithAValidFile) {
  const std::vector<uint8_t> valid = SampleRecordBytes(5, 10.0f);
  std::vector<uint8_t> wrongIdentity = valid;
  wrongIdentity[1] = 't';  // "tevaro"
  const std::vector<uint8_t> truncated(valid.begin(), valid.end() - 10);

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool readOnly;
    bool loads;
  };
  const Case cases[] = {
      {"valid", valid, false, true},
      {"read-only", valid, true, true},
      {"wrong identity", wrongIdentity, false, false},
      {"truncated", truncated, false, false},
      {"text file renamed", {'D', 'a', 't', 'e', '\t', 'T', 'i', 'm', 'e', '\r', '\n'}, false, false},
      {"empty", {}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    prompts_ = FakePrompts{};
    timers_.clearLog();
    const std::string path = PathIn(std::string(c.name) + ".record");
    WriteBytes(path, c.bytes);
    if (c.readOnly) QFile::setPermissions(QString::fromStdString(path), QFileDevice::ReadOwner);
    CMainFrame& f = MakeFrame();
    Show(f);
    LoadSample(f, 3);
    prompts_.openPaths = {path};

    f.action(kCmdOpen)->trigger();
    Paint(f);

    RecordingView& rec = f.view()->recording();
    if (c.loads) {
      EXPECT_TRUE(prompts_.Of(Kind::Message).empty());
      EXPECT_EQ(rec.readingCount, 5);
      EXPECT_EQ(rec.recordingFromFile, 1);
      EXPECT_EQ(f.doc().temperature[0], 10.0f);
      EXPECT_EQ(f.view()->dataListModel()->rowCount(), 5);
      // The texts a file does not carry are rebuilt at the drawing and shown in the panel.
      EXPECT_EQ(rec.readingCountText, "5");
      EXPECT_EQ(rec.endTimeText, "05/10/07 14:04:00");
      EXPECT_EQ(f.view()->statsPanel()->field(3)->text(), "5");
    } else {
      const auto messages = prompts_.Of(Kind::Message);
      ASSERT_EQ(messages.size(), 1u);
      EXPECT_EQ(messages[0].text, kInvalidFormat);
      EXPECT_EQ(messages[0].icon, BoxIcon::Exclamation);
      EXPECT_EQ(rec.readingCount, 3);
      EXPECT_EQ(rec.recordingFromFile, 0);
      EXPECT_EQ(f.doc().temperature[0], 20.0f);
      EXPECT_EQ(f.view()->dataListModel()->rowCount(), 3);
    }
    EXPECT_TRUE(ZoomResetStarted());
    EXPECT_EQ(f.windowTitle().toStdString(), kMainWindowTitle);
  }

  // A folder given as the record file, and a file cut short between opening and reading it (a
  // device that vanished): the reason is said and the recording stays.
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(PathIn("folder.record"))));
  WriteBytes(PathIn("vanishing.record"), valid);
  test::FaultyFileSystem vanishing;
  vanishing.before = [&](test::Call call) {
    if (call == test::Call::Read) ::truncate(PathIn("vanishing.record").c_str(), 100);
  };
  struct Unreadable {
    std::string path;
    std::string message;
  };
  for (const Unreadable& u :
       {Unreadable{PathIn("folder.record"), "Cannot read " + PathIn("folder.record") + ": Is a directory."},
        Unreadable{PathIn("vanishing.record"), kInvalidFormat}}) {
    SCOPED_TRACE(u.path);
    prompts_ = FakePrompts{};
    CMainFrame& f = MakeFrame();
    LoadSample(f, 3);
    prompts_.openPaths = {u.path};
    {
      ScopedFileSystem scoped(vanishing);
      f.action(kCmdOpen)->trigger();
    }
    const auto messages = prompts_.Of(Kind::Message);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, u.message);
    EXPECT_EQ(f.view()->recording().readingCount, 3);
    EXPECT_EQ(f.doc().temperature[0], 20.0f);
  }
  EXPECT_GT(vanishing.Count(test::Call::Read), 0);

  // A cancelled dialog does nothing, not even the zoom reset.
  prompts_ = FakePrompts{};
  timers_.clearLog();
  CMainFrame& f = MakeFrame();
  f.action(kCmdOpen)->trigger();
  EXPECT_EQ(prompts_.calls.size(), 1u);
  EXPECT_FALSE(ZoomResetStarted());
}

TEST_F(MainFrameTest, KeyboardRoutesOpenAndSaveTheDocumentFile) {
  const std::string valid = PathIn("valid.record");
  WriteBytes(valid, SampleRecordBytes(4, 12.0f));
  const std::string truncated = PathIn("short.record");
  const std::vector<uint8_t> validBytes = ReadBytes(valid);
  WriteBytes(truncated, std::vector<uint8_t>(validBytes.begin(), validBytes.begin() + 20));

  CMainFrame& f = MakeFrame();
  Show(f);
  LoadSample(f, 3);
  f.promptFlags() = PromptFlags{1, 1, 1};  // the Open question would be due

  // Ctrl+O: no question, no zoom reset; a short file is the framework's "Unexpected file format.".
  prompts_.openPaths = {truncated};
  f.action(kCmdFileOpen)->trigger();
  ASSERT_EQ(prompts_.Of(Kind::Message).size(), 1u);
  EXPECT_EQ(prompts_.Of(Kind::Message)[0].text, kUnexpectedFileFormat);
  EXPECT_EQ(f.view()->recording().readingCount, 3);
  EXPECT_TRUE(f.documentPath().empty());

  prompts_ = FakePrompts{};
  prompts_.openPaths = {valid};
  f.action(kCmdFileOpen)->trigger();
  EXPECT_TRUE(prompts_.Of(Kind::Question).empty());
  EXPECT_TRUE(prompts_.Of(Kind::Message).empty());
  EXPECT_EQ(f.view()->recording().readingCount, 4);
  EXPECT_EQ(f.documentPath(), valid);
  EXPECT_FALSE(ZoomResetStarted());
  EXPECT_EQ(f.instrumentView()->topLevelItemCount(), 1);
  EXPECT_EQ(f.promptFlags(), (PromptFlags{1, 1, 1}));

  // Ctrl+S writes the record file only, to the document's path, without asking; no flag changes.
  f.doc().temperature[0] = 30.0f;
  prompts_ = FakePrompts{};
  f.action(kCmdFileSave)->trigger();
  EXPECT_TRUE(prompts_.calls.empty());
  EXPECT_EQ(ReadBytes(valid), WriteRecordBytes(f.doc(), f.view()->recording()));
  EXPECT_FALSE(FileExists(PathIn("valid.xls")));
  EXPECT_EQ(f.promptFlags(), (PromptFlags{1, 1, 1}));

  // Ctrl+N keeps the recording but forgets the file: the next Ctrl+S asks for a name once.
  f.action(kCmdFileNew)->trigger();
  EXPECT_EQ(f.view()->recording().readingCount, 4);
  EXPECT_EQ(f.instrumentView()->topLevelItemCount(), 1);
  EXPECT_TRUE(f.documentPath().empty());
  prompts_.savePaths = {PathIn("named.record")};
  f.action(kCmdFileSave)->trigger();
  f.action(kCmdFileSave)->trigger();
  ASSERT_EQ(prompts_.Of(Kind::SaveDialog).size(), 1u);
  EXPECT_EQ(prompts_.Of(Kind::SaveDialog)[0].text, kUntitledName);
  EXPECT_EQ(ReadBytes(PathIn("named.record")), WriteRecordBytes(f.doc(), f.view()->recording()));
  EXPECT_FALSE(FileExists(PathIn("named.xls")));

  // The start-up route: a file that cannot be read is reported and the window goes on.
  prompts_ = FakePrompts{};
  EXPECT_FALSE(f.OpenDocumentFile(PathIn("absent.record")));
  ASSERT_EQ(prompts_.Of(Kind::Message).size(), 1u);
  EXPECT_NE(prompts_.Of(Kind::Message)[0].text.find("absent.record"), std::string::npos);
  EXPECT_EQ(f.view()->recording().readingCount, 4);
}

TEST_F(MainFrameTest, TreeContextMenuOnTheItemRunsTheMainWindowHandlers) {
  CMainFrame& f = MakeFrame();
  Show(f);
  CInstrumentView* tree = f.instrumentView();
  ASSERT_EQ(tree->topLevelItemCount(), 1);
  QTreeWidgetItem* item = tree->topLevelItem(0);
  EXPECT_EQ(item->text(0).toStdString(), kInstrumentItemText);
  EXPECT_FALSE(item->icon(0).isNull());

  std::vector<QStringList> shown;
  QString choose;
  tree->setMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
    shown.push_back(MenuListing(&menu));
    for (QAction* a : menu.actions()) {
      if (a->text() == choose) return a;
    }
    return nullptr;
  });
  const QRect itemRect = tree->visualItemRect(item);
  auto rightClick = [&](const QPoint& at) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree->viewport()->mapToGlobal(at));
    QApplication::sendEvent(tree->viewport(), &event);
  };

  tree->setCurrentItem(nullptr);
  tree->clearSelection();
  rightClick(QPoint(itemRect.center().x(), itemRect.bottom() + 40));
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(tree->currentItem(), nullptr);

  rightClick(itemRect.center());
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], QStringList({"&Correct Time", "-", "Datalogger Setup", "-", "&Download Data", "-",
                                   "&Battery Power"}));
  EXPECT_EQ(tree->currentItem(), item);
  EXPECT_TRUE(modalRuns_.empty());

  // "&Download Data" is the toolbar's Download, question included.
  LoadSample(f, 5);
  f.promptFlags() = PromptFlags{1, 1, 1};
  choose = QStringLiteral("&Download Data");
  rightClick(itemRect.center());
  ASSERT_EQ(prompts_.Of(Kind::Question).size(), 1u);
  EXPECT_EQ(prompts_.Of(Kind::Question)[0].text, kSaveBeforeContinuing);
  EXPECT_EQ(prompts_.Of(Kind::Question)[0].icon, BoxIcon::Question);
  EXPECT_EQ(modalRuns_, std::vector<std::string>{"k7740::CDownloadDlg"});

  const std::pair<const char*, const char*> others[] = {
      {"&Correct Time", "k7740::CCorrectTimeDlg"},
      {"Datalogger Setup", "k7740::CSetupDlg"},
      {"&Battery Power", "k7740::CBatteryDlg"},
  };
  for (const auto& [entry, dialog] : others) {
    modalRuns_.clear();
    choose = QString::fromLatin1(entry);
    rightClick(itemRect.center());
    EXPECT_EQ(modalRuns_, std::vector<std::string>{dialog}) << entry;
  }
}

TEST_F(MainFrameTest, ProgressWindowSitsOverTheGraphViewAndBlocksDeviceCommands) {
  CMainFrame& f = MakeFrame();
  Show(f);
  f.createProgressWindow(3, 1);
  CProgressWindow* progress = f.progressWindow();
  ASSERT_NE(progress, nullptr);
  EXPECT_TRUE(progress->isVisible());
  EXPECT_EQ(progress->Maximum(), 3);
  EXPECT_EQ(progress->Position(), 1);
  const QPoint viewTop = f.view()->mapToGlobal(QPoint(0, 0));
  const QRect at = progress->frameGeometry();
  EXPECT_NEAR(at.center().x(), viewTop.x() + f.view()->width() / 2, 1);
  EXPECT_EQ(at.top(), viewTop.y() + 3 * at.height());

  f.OnCorrectTime();
  f.OnDataloggerSetup();
  f.OnDownloadData();
  f.OnBatteryPower();
  EXPECT_TRUE(modalRuns_.empty());

  f.setProgressPosition(2);
  EXPECT_EQ(progress->Position(), 2);
  f.destroyProgressWindow();
  EXPECT_EQ(f.progressWindow(), nullptr);
  f.OnBatteryPower();
  EXPECT_EQ(modalRuns_, std::vector<std::string>{"k7740::CBatteryDlg"});
}

TEST_F(MainFrameTest, AboutBoxAndHelpTopics) {
  CMainFrame& f = MakeFrame();
  QString caption, line;
  bool hasIcon = false, hasOk = false;
  modalScript_ = [&](QDialog& d) {
    caption = d.windowTitle();
    for (QLabel* label : d.findChildren<QLabel*>()) {
      if (!label->text().isEmpty()) line = label->text();
      if (!label->pixmap().isNull()) hasIcon = true;
    }
    for (QPushButton* b : d.findChildren<QPushButton*>()) hasOk = hasOk || Plain(b->text()) == "OK";
    return static_cast<int>(QDialog::Accepted);
  };
  f.action(kCmdAbout)->trigger();
  EXPECT_EQ(modalRuns_.size(), 1u);
  EXPECT_EQ(caption, "K7740 Temperature-Humidity Software");
  EXPECT_EQ(line, "K7740 Temperature-Humidity Software Version 1.9.2");
  EXPECT_TRUE(hasIcon);
  EXPECT_TRUE(hasOk);

  // No help.chm in the build tree: the manual the build put beside the program.
  f.action(kCmdHelpTopics)->trigger();
  ASSERT_EQ(openedUrls_.size(), 1u);
  EXPECT_EQ(openedUrls_[0], QUrl::fromLocalFile(QStringLiteral(K7740_BINARY_DIR "/manual/index.html")));
  EXPECT_TRUE(prompts_.calls.empty());
  EXPECT_EQ(HelpFilePath(QStringLiteral("/")), "/help.chm");
  EXPECT_EQ(HelpFilePath(QStringLiteral("/opt/k7740/bin")), "/opt/k7740/bin/help.chm");
}

TEST_F(MainFrameTest, DownloadFromTheSimulatedLoggerThenSaveAndReopenGivesIdenticalFiles) {
  SimConfig config;
  config.startTime = LoggerTime{2007, 10, 5, 14, 0, 0};
  config.unitCode = kUnitCodeSeconds;
  config.intervalCount = 60;
  config.readingCount = 1000;
  LoggerSimulator logger(config);
  port_.addPort(2, nullptr);
  port_.addPort(5, &logger);

  CMainFrame& f = MakeFrame();
  Show(f);
  for (int id : {kCmdSave, kCmdGraph, kCmdList, kCmdPrint}) EXPECT_FALSE(f.action(id)->isEnabled());

  // The Download window: wait on virtual time for "Connected", then press "Download".
  QString titleWhenReady;
  modalScript_ = [&](QDialog& d) {
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &d, [&] {
      if (!d.isVisible()) return;
      clock_.advance(10);
      auto* dialog = qobject_cast<CDeviceDialog*>(&d);
      if (dialog && dialog->ActionEnabled()) {
        titleWhenReady = d.windowTitle();
        ClickButton(d, QStringLiteral("Download"));
      } else if (clock_.now() > 30000) {
        d.reject();
      }
    });
    tick.start(0);
    return d.exec();
  };
  f.action(kCmdDownload)->trigger();
  ASSERT_EQ(titleWhenReady, "Connected");
  EXPECT_EQ(f.promptFlags().downloadUnsaved, 1);

  bool sawProgress = false;
  ASSERT_TRUE(clock_.runUntil(
      [&] {
        sawProgress = sawProgress || f.progressWindow() != nullptr;
        return !f.link().downloading;
      },
      60000));
  EXPECT_TRUE(sawProgress);
  EXPECT_EQ(f.progressWindow(), nullptr);
  EXPECT_TRUE(prompts_.Of(Kind::Message).empty());

  const RecordingView& rec = f.view()->recording();
  ASSERT_EQ(rec.readingCount, 1000);
  for (int id : {kCmdSave, kCmdGraph, kCmdList, kCmdPrint}) EXPECT_TRUE(f.action(id)->isEnabled()) << id;

  // The list: one row per reading, in the logger's order.
  DataListModel* model = f.view()->dataListModel();
  ASSERT_NE(model, nullptr);
  ASSERT_EQ(model->rowCount(), 1000);
  auto cell = [&](int row, int column) { return model->index(row, column).data().toString().toStdString(); };
  EXPECT_EQ(cell(0, 0), "1");
  EXPECT_EQ(cell(0, 1), "05/10/07 14:00:00");
  EXPECT_EQ(cell(999, 0), "1000");
  EXPECT_EQ(cell(999, 1), "06/10/07 06:39:00");
  for (int row : {0, 500, 999}) {
    const SimReading& r = logger.readings()[static_cast<size_t>(row)];
    EXPECT_EQ(cell(row, 2), StrFormat("%.1f", r.humidityTenths / 10.0));
    EXPECT_EQ(cell(row, 3), StrFormat("%.1f C", r.temperatureTenths / 10.0));
  }

  // The panel, created at the first drawing in graph mode.
  Paint(f);
  CStatsPanel* panel = f.view()->statsPanel();
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->field(0)->text(), "05/10/07 14:00:00");
  EXPECT_EQ(panel->field(1)->text(), "06/10/07 06:39:00");
  EXPECT_EQ(panel->field(2)->text(), "60");
  EXPECT_EQ(panel->field(3)->text(), "1000");
  EXPECT_EQ(panel->field(4)->text(), "40 C");
  EXPECT_EQ(panel->field(7)->text(), "30 %RH");
  EXPECT_EQ(panel->field(8)->text().toStdString(), rec.tempMaxTextC);
  EXPECT_FALSE(f.view()->dataList()->isVisible());

  f.action(kCmdList)->trigger();
  Paint(f);
  EXPECT_TRUE(f.view()->dataList()->isVisible());
  EXPECT_EQ(f.view()->dataList()->geometry().topLeft(), QPoint(0, 130));
  f.action(kCmdGraph)->trigger();
  Paint(f);
  EXPECT_FALSE(f.view()->dataList()->isVisible());

  std::vector<QString> panelBefore;
  for (int i = 0; i < 14; ++i) panelBefore.push_back(panel->field(i)->text());

  // Save, reopen, save again: the same bytes both times.
  prompts_.savePaths = {PathIn("first")};
  f.action(kCmdSave)->trigger();
  ASSERT_TRUE(FileExists(PathIn("first.record")));
  ASSERT_TRUE(FileExists(PathIn("first.xls")));
  EXPECT_EQ(f.promptFlags(), (PromptFlags{0, 0, 0}));

  prompts_.openPaths = {PathIn("first.record")};
  f.action(kCmdOpen)->trigger();
  EXPECT_TRUE(prompts_.Of(Kind::Question).empty());
  EXPECT_EQ(rec.recordingFromFile, 1);
  Paint(f);
  for (int i = 0; i < 14; ++i) EXPECT_EQ(panel->field(i)->text(), panelBefore[static_cast<size_t>(i)]) << i;

  prompts_.savePaths = {PathIn("second")};
  f.action(kCmdSave)->trigger();
  EXPECT_TRUE(prompts_.Of(Kind::Message).empty());
  EXPECT_EQ(ReadBytes(PathIn("second.record")), ReadBytes(PathIn("first.record")));
  EXPECT_EQ(ReadBytes(PathIn("second.xls")), ReadBytes(PathIn("first.xls")));

  // The download went to the archive at once, named from the download time, as Save writes it.
  EXPECT_EQ(QDir(QString::fromStdString(ArchiveDir())).entryList(QDir::Files | QDir::Hidden),
            QStringList({"2007-10-05_143000.record"}));
  EXPECT_EQ(ReadBytes(ArchiveDir() + "/2007-10-05_143000.record"), ReadBytes(PathIn("first.record")));
}

// A download followed by a crash-like exit (no close, no Save, no exit handlers) leaves its
// record file in the archive. The download runs in a child process that then kills itself.
TEST_F(MainFrameTest, ADownloadIsInTheArchiveEvenIfTheProgramDiesRightAfter) {
  SimConfig config;
  config.readingCount = 700;
  LoggerSimulator logger(config);
  port_.addPort(1, &logger);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    CMainFrame& f = MakeFrame();
    modalScript_ = [&](QDialog& d) {
      QTimer tick;
      QObject::connect(&tick, &QTimer::timeout, &d, [&] {
        if (!d.isVisible()) return;
        clock_.advance(10);
        auto* dialog = qobject_cast<CDeviceDialog*>(&d);
        if (dialog && dialog->ActionEnabled()) {
          ClickButton(d, QStringLiteral("Download"));
        } else if (clock_.now() > 30000) {
          d.reject();
        }
      });
      tick.start(0);
      return d.exec();
    };
    f.action(kCmdDownload)->trigger();
    clock_.runUntil([&] { return f.view()->recording().readingCount == 700; }, 60000);
    ::kill(::getpid(), SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

  const std::vector<uint8_t> archived = ReadBytes(ArchiveDir() + "/2007-10-05_143000.record");
  auto doc = std::make_unique<CTevDoc>();
  RecordingView rec;
  ASSERT_EQ(ReadRecordBytes(archived.data(), archived.size(), *doc, rec), RecordReadStatus::Ok);
  ASSERT_EQ(rec.readingCount, 700);
  for (size_t i : {size_t{0}, size_t{699}}) {
    EXPECT_FLOAT_EQ(doc->temperature[i], logger.readings()[i].temperatureTenths / 10.0f) << i;
    EXPECT_FLOAT_EQ(doc->humidity[i], logger.readings()[i].humidityTenths / 10.0f) << i;
  }
  EXPECT_EQ(WriteRecordBytes(*doc, rec), archived) << "reads back to the same bytes";
}

}  // namespace
}  // namespace k7740
