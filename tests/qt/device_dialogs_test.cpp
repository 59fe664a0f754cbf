#include "device/qt/device_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "device/qt/battery_picture.h"
#include "device/qt/numeric_edit.h"
#include "link/link.h"
#include "link/protocol.h"
#include "link/virtual_clock.h"
#include "shell/user_prompts.h"
#include "sim/logger_simulator.h"
#include "sim/sim_serial_port.h"

namespace k7740 {
namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[24] = "device_dialogs_test";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};
const auto* const kQtEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// ---- Input as the user gives it ----

void Key(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

void Type(QLineEdit* e, const QString& text) {
  for (const QChar c : text) Key(e, c.toUpper().unicode(), QString(c));
}

// Select everything, then type over it (an empty text clears the field with Backspace).
void Retype(QLineEdit* e, const QString& text) {
  e->selectAll();
  if (text.isEmpty()) {
    Key(e, Qt::Key_Backspace);
  } else {
    Type(e, text);
  }
}

template <typename T>
T* ByText(QWidget* root, const QString& text) {
  for (T* w : root->findChildren<T*>()) {
    if (w->text() == text) return w;
  }
  return nullptr;
}

bool HasGroup(QWidget* root, const char* title) {
  for (QGroupBox* g : root->findChildren<QGroupBox*>()) {
    if (g->title() == QString::fromLatin1(title)) return true;
  }
  return false;
}

QPushButton* Button(QWidget* root, const char* text) {
  QPushButton* b = ByText<QPushButton>(root, QString::fromLatin1(text));
  EXPECT_NE(b, nullptr) << "no button " << text;
  return b;
}

CSpinEdit* Spin(QWidget* root, const char* name) {
  auto* s = root->findChild<CSpinEdit*>(QString::fromLatin1(name));
  EXPECT_NE(s, nullptr) << "no field " << name;
  return s;
}

QString Checked(QWidget* root, const std::vector<const char*>& texts) {
  QString shown;
  for (const char* t : texts) {
    QRadioButton* b = ByText<QRadioButton>(root, QString::fromLatin1(t));
    if (b != nullptr && b->isChecked()) shown += QString::fromLatin1(t);
  }
  return shown;
}

// Every control of the setup dialog as the user sees it, in one line.
std::string Shown(QWidget* d) {
  const auto text = [d](const char* name) { return Spin(d, name)->Text().toStdString(); };
  auto* recTime = d->findChild<QLineEdit*>(QStringLiteral("recTime"));
  auto* unit = d->findChild<QComboBox*>(QStringLiteral("sampleUnit"));
  auto* alarmUnit = d->findChild<QComboBox*>(QStringLiteral("alarmUnit"));
  auto* flash = ByText<QCheckBox>(d, QStringLiteral("LED Flash For Hi And Low  Alarm"));
  return StrFormat("rate=%s %s (%s) led=%s tLow=%s tHi=%s rhLow=%s rhHi=%s %s flash=%d %s %s",
                   text("samplingRate").c_str(), unit->currentText().toStdString().c_str(),
                   recTime->text().toStdString().c_str(),
                   Checked(d, {"10s", "20s", "30s", "No Light"}).toStdString().c_str(),
                   text("tempAlarmLow").c_str(), text("tempAlarmHigh").c_str(), text("rhAlarmLow").c_str(),
                   text("rhAlarmHigh").c_str(), alarmUnit->currentText().toStdString().c_str(),
                   flash->isChecked() ? 1 : 0, Checked(d, {"Manual", "Automatic"}).toStdString().c_str(),
                   Checked(d, {"Circulating Record", "No Circulating"}).toStdString().c_str());
}

const char* const kDefaultsShown =
    "rate=10 Second (1Day 21Hour 25Minute 0Second) led=10s tLow=0 tHi=40 rhLow=30 rhHi=90 Celsius flash=1 "
    "Manual No Circulating";

std::string Describe(const LoggerSettings& s) {
  return StrFormat(
      "led=%d unit=%d start=%d cycle=%d flash=%d alarmUnit=%d rate='%s' tLow='%s' tHi='%s' "
      "rhLow='%s' rhHi='%s'",
      s.ledFlashCycle, s.sampleUnit, s.startMode, s.overwriteWhenFull, s.alarmLedFlash, s.alarmUnit,
      s.sampleInterval.c_str(), s.tempAlarmLow.c_str(), s.tempAlarmHigh.c_str(), s.rhAlarmLow.c_str(),
      s.rhAlarmHigh.c_str());
}

// ---- The link on the in-process simulator, with the main window's relay reduced to a table ----

class RelayWindows : public LinkWindows {
 public:
  CDeviceDialog* open[4] = {};
  CBatteryDlg* battery = nullptr;
  std::vector<std::string> messages;

  CDeviceDialog* At(DeviceWindow w) const { return open[static_cast<int>(w)]; }
  bool isWindowOpen(DeviceWindow w) const override { return At(w) != nullptr; }
  void setWindowTitle(DeviceWindow w, const std::string& title) override {
    if (At(w) != nullptr) At(w)->SetConnectionTitle(QString::fromStdString(title));
  }
  void setActionEnabled(DeviceWindow w, bool enabled) override {
    if (At(w) != nullptr) At(w)->SetActionEnabled(enabled);
  }
  void setPortStatus(DeviceWindow w, const std::string& status) override {
    if (At(w) != nullptr) At(w)->SetPortStatus(QString::fromStdString(status));
  }
  void showBatteryPicture(int picture) override {
    if (battery != nullptr) battery->ShowPicture(picture);
  }
  void setBatteryText(const std::string& text) override {
    if (battery != nullptr) battery->SetLevelText(QString::fromStdString(text));
  }
  void showMessage(const std::string& text, MessageIcon) override { messages.push_back(text); }
  bool progressWindowExists() const override { return false; }
  void createProgressWindow(int, int) override {}
  void setProgressPosition(int) override {}
  void destroyProgressWindow() override {}
  void recordingReplaced() override {}
  void redrawAllViews() override {}
  void undoZoom() override {}
};

class FakePrompts : public UserPrompts {
 public:
  struct Message {
    std::string text;
    BoxIcon icon;
  };
  std::vector<Message> messages;
  void ShowMessage(const std::string& text, BoxIcon icon) override { messages.push_back({text, icon}); }
  bool AskYesNo(const std::string&, BoxIcon) override { return false; }
  std::string ChooseSavePath(const std::string&) override { return {}; }
  std::string ChooseOpenPath() override { return {}; }
};

constexpr int kLoggerPort = 3;

class DeviceDialogsTest : public ::testing::Test {
 protected:
  DeviceDialogsTest() {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    port.addPort(kLoggerPort, &logger);
    timers.setHandler([this](int id) { link.OnTimer(id); });
    port.setNotifyHandler([this] { link.OnSerialEvent(); });
    link.InitPort();
  }

  // Opens a window the way the main window does and lets the link find the logger.
  ::testing::AssertionResult Connect(DeviceWindow which, CDeviceDialog& dlg) {
    windows.open[static_cast<int>(which)] = &dlg;
    dlg.Prepare();
    dlg.show();
    link.OpenDeviceWindow(which);
    link.WindowStarted(which);
    if (!clock.runUntil([&] { return dlg.windowTitle() == QStringLiteral("Connected"); }, 10000)) {
      return ::testing::AssertionFailure() << "still '" << dlg.windowTitle().toStdString() << "'";
    }
    port.clearLogs();
    return ::testing::AssertionSuccess();
  }

  // Bytes written since the window connected.
  std::vector<std::vector<uint8_t>> Sent() const {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& w : port.writes()) out.push_back(w.bytes);
    return out;
  }

  VirtualClock clock;
  SimSerialPort port{clock};
  VirtualTimerHost timers{clock};
  LoggerSimulator logger;
  RelayWindows windows;
  CTevDoc doc;
  RecordingView view;
  ViewSettings viewSettings;
  MainSettings main;
  PromptFlags flags;
  LoggerLink link{port, timers, windows, doc, view, viewSettings, main, flags};
  FakePrompts prompts;
};

// ---- Datalogger Setup ----

TEST_F(DeviceDialogsTest, SetupShowsItsLabelsAndOpensFromTheMainRecord) {
  main.logger.sampleInterval = "5";
  main.logger.sampleUnit = 1;
  main.logger.ledFlashCycle = 56;
  main.logger.startMode = 1;
  main.logger.overwriteWhenFull = 1;
  main.logger.alarmLedFlash = 0;
  main.logger.alarmUnit = 1;
  main.logger.tempAlarmLow = "-4";
  main.logger.tempAlarmHigh = "100";
  main.logger.rhAlarmLow = "10";
  main.logger.rhAlarmHigh = "80";
  CSetupDlg dlg(nullptr, link, main.logger, prompts);
  dlg.Prepare();

  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Connecting..."));
  EXPECT_FALSE(dlg.ActionEnabled());
  EXPECT_EQ(Shown(&dlg),
            "rate=5 Minute (56Day 18Hour 30Minute) led=30s tLow=-4 tHi=100 rhLow=10 rhHi=80 Fahrenheit "
            "flash=0 Automatic Circulating Record");

  for (const char* title : {"Sampling Setup", "LED Flash Cycle Setup", "Alarm Setup"}) {
    EXPECT_TRUE(HasGroup(&dlg, title)) << title;
  }
  for (const char* label : {"Sampling rate", "Rec Time", "Temp Alarm Low", "Temp Alarm HI", "RH Alarm Low",
                            "RH Alam HI", "Unit"}) {
    EXPECT_NE(ByText<QLabel>(&dlg, QString::fromLatin1(label)), nullptr) << label;
  }
  for (const char* button : {"Default", "Setup", "Cancel"}) Button(&dlg, button);
  auto* unit = dlg.findChild<QComboBox*>(QStringLiteral("sampleUnit"));
  ASSERT_EQ(unit->count(), 3);
  EXPECT_EQ(unit->itemText(0), QStringLiteral("Second"));
  EXPECT_EQ(unit->itemText(2), QStringLiteral("Hour"));
  EXPECT_TRUE(Button(&dlg, "Setup")->isDefault());
}

TEST_F(DeviceDialogsTest, SetupValuesOutsideTheirDomainShowTheFirstChoice) {
  main.logger.ledFlashCycle = 99;
  main.logger.startMode = 5;
  main.logger.overwriteWhenFull = 3;
  CSetupDlg dlg(nullptr, link, main.logger, prompts);
  dlg.Prepare();
  EXPECT_EQ(Checked(&dlg, {"10s", "20s", "30s", "No Light"}), QStringLiteral("10s"));
  EXPECT_EQ(Checked(&dlg, {"Manual", "Automatic"}), QStringLiteral("Manual"));
  EXPECT_EQ(Checked(&dlg, {"Circulating Record", "No Circulating"}), QStringLiteral("No Circulating"));
}

TEST_F(DeviceDialogsTest, SetupFieldsNormaliseAsTheUserTypes) {
  struct Case {
    const char* field;
    int sampleUnit;
    int alarmUnit;
    const char* typed;  // typed over the selected text; "" clears the field
    const char* shown;
    const char* recTime;  // nullptr: not checked
  };
  const Case cases[] = {
      {"samplingRate", 0, 0, "75", "60", "11Day 8Hour 30Minute 0Second"},
      {"samplingRate", 1, 0, "75", "60", "681Day 6Hour 0Minute"},
      {"samplingRate", 2, 0, "30", "24", "16350Day 0Hour"},
      {"samplingRate", 0, 0, "", "1", "0Day 4Hour 32Minute 30Second"},
      {"samplingRate", 0, 0, "abc", "10", "1Day 21Hour 25Minute 0Second"},  // letters are dropped
      {"samplingRate", 0, 0, "1x2", "12", nullptr},
      {"samplingRate", 0, 0, "0", "1", nullptr},
      {"tempAlarmLow", 0, 0, "-", "-", nullptr},  // a negative number being typed
      {"tempAlarmLow", 0, 0, "-50", "-40", nullptr},
      {"tempAlarmLow", 0, 0, "", "", nullptr},
      {"tempAlarmLow", 0, 0, "99", "99", nullptr},
      {"tempAlarmHigh", 0, 0, "80", "70", nullptr},
      {"tempAlarmHigh", 0, 1, "170", "158", nullptr},
      {"tempAlarmHigh", 0, 1, "80", "80", nullptr},
      {"tempAlarmHigh", 0, 0, "1.5", "15", nullptr},  // "1." is rewritten as "1" before the 5 arrives
      {"rhAlarmLow", 0, 0, "-", "0", nullptr},
      {"rhAlarmLow", 0, 0, "", "", nullptr},
      {"rhAlarmHigh", 0, 0, "120", "100", nullptr},
      {"rhAlarmHigh", 0, 0, "", "", nullptr},
  };
  for (const Case& c : cases) {
    main.logger = LoggerSettings{};
    main.logger.sampleUnit = c.sampleUnit;
    main.logger.alarmUnit = c.alarmUnit;
    CSetupDlg dlg(nullptr, link, main.logger, prompts);
    dlg.Prepare();
    dlg.show();
    const std::string before = Describe(main.logger);
    Retype(Spin(&dlg, c.field)->Edit(), QString::fromLatin1(c.typed));
    EXPECT_EQ(Spin(&dlg, c.field)->Text().toStdString(), c.shown) << c.field << " typed '" << c.typed << "'";
    if (c.recTime != nullptr) {
      EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("recTime"))->text().toStdString(), c.recTime)
          << c.field << " typed '" << c.typed << "'";
    }
    EXPECT_EQ(Describe(main.logger), before) << "the main record changes only on Setup";
  }
}

TEST_F(DeviceDialogsTest, SpinButtonsAndArrowKeysStepWithinRangeAndRunTheRules) {
  enum Action { kUp, kDown, kArrowUp, kArrowDown };
  struct Case {
    const char* field;
    const char* start;
    int sampleUnit;
    Action action;
    const char* shown;
  };
  const Case cases[] = {
      {"samplingRate", "10", 0, kUp, "11"},
      {"samplingRate", "60", 0, kUp, "60"},
      {"samplingRate", "1", 0, kDown, "1"},
      {"samplingRate", "24", 2, kUp, "24"},  // the spin allows 25, the Hour rule does not
      {"samplingRate", "10", 0, kArrowDown, "9"},
      {"tempAlarmLow", "-40", 0, kDown, "-40"},
      {"tempAlarmLow", "-", 0, kUp, "1"},
      {"tempAlarmLow", "0", 0, kArrowDown, "-1"},
      {"tempAlarmHigh", "70", 0, kUp, "70"},  // Celsius rule
      {"rhAlarmHigh", "90", 0, kArrowUp, "91"},
      {"rhAlarmHigh", "100", 0, kUp, "100"},
      {"rhAlarmLow", "0", 0, kDown, "0"},
  };
  for (const Case& c : cases) {
    main.logger = LoggerSettings{};
    main.logger.sampleUnit = c.sampleUnit;
    CSetupDlg dlg(nullptr, link, main.logger, prompts);
    dlg.Prepare();
    dlg.show();
    CSpinEdit* spin = Spin(&dlg, c.field);
    spin->ShowText(QString::fromLatin1(c.start));
    switch (c.action) {
      case kUp:
        spin->findChild<QToolButton*>(QStringLiteral("stepUp"))->click();
        break;
      case kDown:
        spin->findChild<QToolButton*>(QStringLiteral("stepDown"))->click();
        break;
      case kArrowUp:
        Key(spin->Edit(), Qt::Key_Up);
        break;
      case kArrowDown:
        Key(spin->Edit(), Qt::Key_Down);
        break;
    }
    EXPECT_EQ(spin->Text().toStdString(), c.shown)
        << c.field << " from " << c.start << " action " << c.action;
  }
}

TEST_F(DeviceDialogsTest, SpinStepRecomputesRecTime) {
  CSetupDlg dlg(nullptr, link, main.logger, prompts);
  dlg.Prepare();
  Spin(&dlg, "samplingRate")->findChild<QToolButton*>(QStringLiteral("stepUp"))->click();
  EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("recTime"))->text(),
            QStringLiteral("2Day 1Hour 57Minute 30Second"));
}

TEST_F(DeviceDialogsTest, UnitChoicesClampWithoutConverting) {
  CSetupDlg dlg(nullptr, link, main.logger, prompts);
  dlg.Prepare();
  dlg.show();
  auto* sampleUnit = dlg.findChild<QComboBox*>(QStringLiteral("sampleUnit"));
  auto* alarmUnit = dlg.findChild<QComboBox*>(QStringLiteral("alarmUnit"));

  Retype(Spin(&dlg, "samplingRate")->Edit(), QStringLiteral("60"));
  sampleUnit->setCurrentIndex(2);
  EXPECT_EQ(Spin(&dlg, "samplingRate")->Text(), QStringLiteral("24"));
  EXPECT_EQ(dlg.findChild<QLineEdit*>(QStringLiteral("recTime"))->text(), QStringLiteral("16350Day 0Hour"));

  alarmUnit->setCurrentIndex(1);
  Retype(Spin(&dlg, "tempAlarmHigh")->Edit(), QStringLiteral("100"));
  EXPECT_EQ(Spin(&dlg, "tempAlarmHigh")->Text(), QStringLiteral("100"));
  alarmUnit->setCurrentIndex(0);
  EXPECT_EQ(Spin(&dlg, "tempAlarmHigh")->Text(), QStringLiteral("70"));  // not 37
  Retype(Spin(&dlg, "tempAlarmLow")->Edit(), QStringLiteral("20"));
  alarmUnit->setCurrentIndex(1);
  EXPECT_EQ(Spin(&dlg, "tempAlarmLow")->Text(), QStringLiteral("20"));
}

TEST_F(DeviceDialogsTest, DefaultRestoresTheFactoryValuesAndSendsNothing) {
  main.logger.ledFlashCycle = 72;
  main.logger.startMode = 1;
  const std::string before = Describe(main.logger);
  CSetupDlg dlg(nullptr, link, main.logger, prompts);
  ASSERT_TRUE(Connect(DeviceWindow::Setup, dlg));

  Retype(Spin(&dlg, "samplingRate")->Edit(), QStringLiteral("33"));
  Retype(Spin(&dlg, "rhAlarmHigh")->Edit(), QStringLiteral("70"));
  dlg.findChild<QComboBox*>(QStringLiteral("alarmUnit"))->setCurrentIndex(1);
  ByText<QCheckBox>(&dlg, QStringLiteral("LED Flash For Hi And Low  Alarm"))->click();
  ByText<QRadioButton>(&dlg, QStringLiteral("Circulating Record"))->click();
  Button(&dlg, "Default")->click();

  EXPECT_EQ(Shown(&dlg), kDefaultsShown);
  EXPECT_TRUE(dlg.isVisible());
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Describe(main.logger), before);
}

TEST_F(DeviceDialogsTest, SetupStoresAndSendsTheDialogValues) {
  CSetupDlg dlg(nullptr, link, main.logger, prompts);
  ASSERT_TRUE(Connect(DeviceWindow::Setup, dlg));
  EXPECT_TRUE(dlg.ActionEnabled());

  dlg.findChild<QComboBox*>(QStringLiteral("sampleUnit"))->setCurrentIndex(1);
  Retype(Spin(&dlg, "samplingRate")->Edit(), QStringLiteral("15"));
  ByText<QRadioButton>(&dlg, QStringLiteral("20s"))->click();
  dlg.findChild<QComboBox*>(QStringLiteral("alarmUnit"))->setCurrentIndex(1);
  Retype(Spin(&dlg, "tempAlarmLow")->Edit(), QStringLiteral("-12"));
  Retype(Spin(&dlg, "tempAlarmHigh")->Edit(), QStringLiteral("150"));
  Retype(Spin(&dlg, "rhAlarmLow")->Edit(), QStringLiteral("5"));
  Retype(Spin(&dlg, "rhAlarmHigh")->Edit(), QStringLiteral("95"));
  ByText<QCheckBox>(&dlg, QStringLiteral("LED Flash For Hi And Low  Alarm"))->click();
  ByText<QRadioButton>(&dlg, QStringLiteral("Automatic"))->click();
  ByText<QRadioButton>(&dlg, QStringLiteral("Circulating Record"))->click();
  Button(&dlg, "Setup")->click();

  LoggerSettings expected;
  expected.sampleUnit = 1;
  expected.sampleInterval = "15";
  expected.ledFlashCycle = 40;
  expected.alarmUnit = 1;
  expected.tempAlarmLow = "-12";
  expected.tempAlarmHigh = "150";
  expected.rhAlarmLow = "5";
  expected.rhAlarmHigh = "95";
  expected.alarmLedFlash = 0;
  expected.startMode = 1;
  expected.overwriteWhenFull = 1;
  EXPECT_EQ(Describe(main.logger), Describe(expected));
  const CommandFrame frame = buildSetupCommand(expected);
  EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{std::vector<uint8_t>(frame.begin(), frame.end())}));
  ASSERT_TRUE(logger.lastSetup().has_value());
  EXPECT_EQ(logger.lastSetup()->sampleInterval, "15");
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
  EXPECT_TRUE(prompts.messages.empty());
}

TEST_F(DeviceDialogsTest, SetupRefusesLimitsOutOfOrderAndStaysOpen) {
  struct Case {
    const char* tLow;
    const char* tHi;
    const char* rhLow;
    const char* rhHi;
  };
  const Case cases[] = {
      {"0", "0", "30", "90"},                            // equal temperature limits
      {"50", "40", "30", "90"}, {"-", "0", "30", "90"},  // a lone minus counts as 0
      {"0", "40", "30", "30"},                           // equal humidity limits
      {"0", "40", "0", ""},                              // an empty RH HI counts as 0
  };
  for (const Case& c : cases) {
    const std::string label = StrFormat("%s..%s %s..%s", c.tLow, c.tHi, c.rhLow, c.rhHi);
    main.logger = LoggerSettings{};
    const std::string before = Describe(main.logger);
    prompts.messages.clear();
    CSetupDlg dlg(nullptr, link, main.logger, prompts);
    ASSERT_TRUE(Connect(DeviceWindow::Setup, dlg));
    Retype(Spin(&dlg, "tempAlarmLow")->Edit(), QString::fromLatin1(c.tLow));
    Retype(Spin(&dlg, "tempAlarmHigh")->Edit(), QString::fromLatin1(c.tHi));
    Retype(Spin(&dlg, "rhAlarmLow")->Edit(), QString::fromLatin1(c.rhLow));
    Retype(Spin(&dlg, "rhAlarmHigh")->Edit(), QString::fromLatin1(c.rhHi));
    Button(&dlg, "Setup")->click();

    ASSERT_EQ(prompts.messages.size(), 1u) << label;
    EXPECT_EQ(prompts.messages[0].text, "High alarm must be larger than low alarm!");
    EXPECT_EQ(prompts.messages[0].icon, BoxIcon::Exclamation);
    EXPECT_TRUE(dlg.isVisible()) << label;
    EXPECT_TRUE(Sent().empty()) << label;
    EXPECT_EQ(Describe(main.logger), before) << label;
    windows.open[static_cast<int>(DeviceWindow::Setup)] = nullptr;
    link.stopLinkTimers();
  }
}

TEST_F(DeviceDialogsTest, CancelKeepsTheMainRecordAndReopeningShowsIt) {
  main.logger.sampleInterval = "20";
  const std::string before = Describe(main.logger);
  CSetupDlg dlg(nullptr, link, main.logger, prompts);
  ASSERT_TRUE(Connect(DeviceWindow::Setup, dlg));
  const std::string shownBefore = Shown(&dlg);

  Retype(Spin(&dlg, "samplingRate")->Edit(), QStringLiteral("45"));
  Retype(Spin(&dlg, "tempAlarmLow")->Edit(), QStringLiteral("-30"));
  ByText<QRadioButton>(&dlg, QStringLiteral("No Light"))->click();
  ByText<QRadioButton>(&dlg, QStringLiteral("Automatic"))->click();
  Button(&dlg, "Cancel")->click();

  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(Describe(main.logger), before);
  dlg.Prepare();
  EXPECT_EQ(Shown(&dlg), shownBefore);
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Connecting..."));
  EXPECT_FALSE(dlg.ActionEnabled());
}

// ---- Every window: the port status line ----

TEST_F(DeviceDialogsTest, RefusedPortShowsWhyBesideTheTitle) {
  const std::string refusal =
      "Permission denied for serial port 3. Add your user to the dialout group and log in again.";
  port.refusePort(kLoggerPort, refusal, OpenError::PermissionDenied);
  CSetupDlg setup(nullptr, link, main.logger, prompts);
  CCorrectTimeDlg correct(nullptr, link);
  CDownloadDlg download(nullptr, link);
  CBatteryDlg battery(nullptr);
  const std::pair<DeviceWindow, CDeviceDialog*> all[] = {{DeviceWindow::Setup, &setup},
                                                         {DeviceWindow::CorrectTime, &correct},
                                                         {DeviceWindow::Download, &download},
                                                         {DeviceWindow::Battery, &battery}};
  for (const auto& [which, dlg] : all) {
    windows.open[static_cast<int>(which)] = dlg;
    dlg->Prepare();
    dlg->show();
    link.OpenDeviceWindow(which);
    link.WindowStarted(which);
    clock.advance(200);  // one port scan

    auto* status = dlg->findChild<QLabel*>(QStringLiteral("portStatus"));
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(dlg->PortStatus().toStdString(), refusal) << dlg->windowTitle().toStdString();
    EXPECT_TRUE(status->isVisible());
    EXPECT_FALSE(dlg->ActionEnabled());

    dlg->Prepare();  // the next opening starts clean
    EXPECT_TRUE(dlg->PortStatus().isEmpty());
    EXPECT_FALSE(status->isVisible());
    dlg->hide();
    windows.open[static_cast<int>(which)] = nullptr;
    link.stopLinkTimers();
  }
}

// ---- Correct Time ----

struct SettableClock {
  std::time_t now = 0;
  int readings = 0;
  std::function<std::time_t()> Function() {
    return [this] {
      ++readings;
      return now;
    };
  }
};

std::vector<std::string> TimeFields(QWidget* d) {
  std::vector<std::string> out;
  for (const char* name : {"year", "month", "day", "hour", "minute", "second"}) {
    auto* f = d->findChild<QLineEdit*>(QString::fromLatin1(name));
    out.push_back(f != nullptr ? f->text().toStdString() : std::string("<missing>"));
  }
  return out;
}

TEST_F(DeviceDialogsTest, CorrectTimeShowsOneClockReadingAndSendsItAsBcd) {
  SettableClock pc;
  pc.now = MakeLocalTime(2024, 3, 9, 7, 5, 3);
  CCorrectTimeDlg dlg(nullptr, link, pc.Function());
  dlg.Prepare();
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Correct Time"));
  EXPECT_FALSE(dlg.ActionEnabled());
  EXPECT_EQ(TimeFields(&dlg), (std::vector<std::string>{"2024", "03", "09", "07", "05", "03"}));
  EXPECT_TRUE(HasGroup(&dlg, "Date"));
  EXPECT_TRUE(HasGroup(&dlg, "Timepiece"));
  for (const char* label : {"Year", "Month", "Day"}) {
    EXPECT_NE(ByText<QLabel>(&dlg, QString::fromLatin1(label)), nullptr) << label;
  }

  ASSERT_TRUE(Connect(DeviceWindow::CorrectTime, dlg));
  pc.now += 1;  // the PC clock moves on, the fields were not refreshed: the shown time is sent
  Button(&dlg, "OK")->click();
  EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{{0x58, 0x24, 0x03, 0x09, 0x07, 0x05, 0x03}}));
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(DeviceDialogsTest, CorrectTimeRefreshAcrossNewYearNeverMixesTwoReadings) {
  SettableClock pc;
  pc.now = MakeLocalTime(2024, 12, 31, 23, 59, 59);
  CCorrectTimeDlg dlg(nullptr, link, pc.Function());
  ASSERT_TRUE(Connect(DeviceWindow::CorrectTime, dlg));
  EXPECT_EQ(TimeFields(&dlg), (std::vector<std::string>{"2024", "12", "31", "23", "59", "59"}));

  pc.now += 1;
  const int before = pc.readings;
  dlg.Refresh();
  EXPECT_EQ(pc.readings, before + 1);
  EXPECT_EQ(TimeFields(&dlg), (std::vector<std::string>{"2025", "01", "01", "00", "00", "00"}));

  Button(&dlg, "OK")->click();
  EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{{0x58, 0x25, 0x01, 0x01, 0x00, 0x00, 0x00}}));
}

TEST_F(DeviceDialogsTest, CorrectTimeClockRunsOnlyWhileShown) {
  CCorrectTimeDlg dlg(nullptr, link);
  auto* timer = dlg.findChild<QTimer*>(QStringLiteral("clockTimer"));
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->interval(), 1000);
  EXPECT_FALSE(timer->isActive());
  dlg.Prepare();
  dlg.show();
  EXPECT_TRUE(timer->isActive());
  Button(&dlg, "Cancel")->click();
  EXPECT_FALSE(timer->isActive());
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_TRUE(Sent().empty());
}

// ---- Download ----

TEST_F(DeviceDialogsTest, DownloadButtonStartsTheDownload) {
  CDownloadDlg dlg(nullptr, link);
  dlg.Prepare();
  EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Connecting..."));
  EXPECT_FALSE(dlg.ActionEnabled());
  Button(&dlg, "Download")->click();  // disabled: nothing happens
  EXPECT_FALSE(link.downloading);

  ASSERT_TRUE(Connect(DeviceWindow::Download, dlg));
  Button(&dlg, "Download")->click();
  EXPECT_TRUE(link.downloading);
  EXPECT_EQ(Sent(), (std::vector<std::vector<uint8_t>>{{0x68, 0x68, 0x68, 0x68, 0x68, 0x68, 0x68}}));
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_FALSE(dlg.isVisible());
}

TEST_F(DeviceDialogsTest, DownloadCancelSendsNothing) {
  CDownloadDlg dlg(nullptr, link);
  ASSERT_TRUE(Connect(DeviceWindow::Download, dlg));
  Button(&dlg, "Cancel")->click();
  EXPECT_EQ(dlg.result(), QDialog::Rejected);
  EXPECT_FALSE(link.downloading);
  EXPECT_TRUE(Sent().empty());
}

// Every line of a status shows whole: the window is as high as the wrapped sentence needs, and a
// device path is never broken over two lines.
TEST_F(DeviceDialogsTest, StatusLinesFitTheirTexts) {
  CDownloadDlg download(nullptr, link);
  CBatteryDlg battery(nullptr);
  const QString hint = "No serial port could be opened. Check that the DATA LOGGER's cable is plugged in.";
  const QString busy = "/dev/ttyUSB0 is busy: minicom (pid 4242) holds it. Close that program and try again.";
  struct Case {
    CDeviceDialog* dialog;
    QString status;
  };
  for (const Case& c : {Case{&download, hint}, Case{&battery, busy}, Case{&download, busy}}) {
    c.dialog->SetPortStatus(c.status);
    c.dialog->show();
    QApplication::processEvents();
    auto* line = c.dialog->findChild<QLabel*>(QStringLiteral("portStatus"));
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(c.dialog->PortStatus(), c.status);
    EXPECT_GE(line->height(), line->heightForWidth(line->width())) << c.status.toStdString();
    EXPECT_TRUE(c.dialog->rect().contains(line->geometry())) << c.status.toStdString();
    EXPECT_GE(c.dialog->width(), c.dialog->fontMetrics().horizontalAdvance(c.dialog->windowTitle()) + 100);
    EXPECT_TRUE(line->text().contains("<nobr>/dev/ttyUSB0</nobr>") || !c.status.contains("/dev/"));
    c.dialog->hide();
  }
}

// ---- Battery Power ----

// The segment colours met going up the picture's middle column, one letter per segment
// ("O" orange, "G" grey), bottom first.
std::string SegmentsBottomUp(const QImage& picture) {
  const QImage img = picture.convertToFormat(QImage::Format_ARGB32);
  std::string out;
  char last = 0;
  for (int y = img.height() - 1; y >= 0; --y) {
    const QColor c = img.pixelColor(img.width() / 2, y);
    char kind = 0;
    if (c.red() > 200 && c.green() > 80 && c.green() < 200 && c.blue() < 80) {
      kind = 'O';
    } else if (c.alpha() == 255 && c.red() == c.green() && c.green() == c.blue() && c.red() > 120 &&
               c.red() < 220) {
      kind = 'G';
    }
    if (kind != 0 && kind != last) out += kind;
    last = kind;
  }
  return out;
}

TEST(BatteryPictureTest, FourStatesFillFromTheBottom) {
  const char* expected[] = {"GGG", "OGG", "OOG", "OOO"};
  for (int filled = 0; filled <= 3; ++filled) {
    const QImage img = DrawBatteryPicture(filled);
    EXPECT_EQ(img.size(), QSize(48, 110));
    EXPECT_EQ(SegmentsBottomUp(img), expected[filled]) << filled << " filled";
    // The terminal: narrower than the case, so the top corners stay clear.
    EXPECT_EQ(img.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(img.pixelColor(img.width() - 1, 0).alpha(), 0);
    EXPECT_EQ(img.pixelColor(img.width() / 2, 0).alpha(), 255);
  }
}

std::string ShownBattery(CBatteryDlg& dlg) {
  auto* stack = dlg.findChild<QStackedWidget*>(QStringLiteral("batteryPictures"));
  auto* label = qobject_cast<QLabel*>(stack->currentWidget());
  return SegmentsBottomUp(label->pixmap().toImage());
}

TEST_F(DeviceDialogsTest, BatteryReplyShowsItsPictureAndText) {
  struct Case {
    int level;
    int picture;
    const char* segments;
    const char* text;
  };
  const Case cases[] = {{1, 0, "GGG", "(<5%)"},
                        {2, 1, "OGG", "(20%-40%)"},
                        {3, 2, "OOG", "(40%-70%)"},
                        {4, 3, "OOO", "(70%-100%)"}};
  for (const Case& c : cases) {
    logger.setBatteryLevel(c.level);
    CBatteryDlg dlg(nullptr);
    windows.battery = &dlg;
    dlg.ShowPicture(3);  // left from an earlier opening
    dlg.SetLevelText(QStringLiteral("old"));
    dlg.Prepare();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Connecting..."));
    EXPECT_EQ(dlg.Picture(), 0);
    EXPECT_EQ(dlg.LevelText(), QString());

    ASSERT_TRUE(Connect(DeviceWindow::Battery, dlg));
    ASSERT_TRUE(clock.runUntil([&] { return !dlg.LevelText().isEmpty(); }, 5000)) << "level " << c.level;
    EXPECT_EQ(dlg.Picture(), c.picture);
    EXPECT_EQ(ShownBattery(dlg), c.segments);
    EXPECT_EQ(dlg.LevelText().toStdString(), c.text);
    windows.open[static_cast<int>(DeviceWindow::Battery)] = nullptr;
    windows.battery = nullptr;
    link.stopLinkTimers();
  }
}

TEST_F(DeviceDialogsTest, BatteryPictureIgnoresUnknownIndices) {
  CBatteryDlg dlg(nullptr);
  dlg.ShowPicture(2);
  dlg.ShowPicture(4);
  dlg.ShowPicture(-1);
  EXPECT_EQ(dlg.Picture(), 2);
  EXPECT_TRUE(HasGroup(&dlg, "Battery Power Status"));
  EXPECT_TRUE(dlg.findChildren<QPushButton*>().isEmpty());
}

// ---- Logging... ----

TEST(ProgressWindowTest, HasNoCloseBoxAndIgnoresEscape) {
  CProgressWindow w(nullptr);
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Logging..."));
  EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));  // its own title bar, no buttons
  EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(w.findChildren<QProgressBar*>().size(), 1);

  w.SetRange(3);
  w.SetPosition(1);
  EXPECT_EQ(w.Maximum(), 3);
  EXPECT_EQ(w.Position(), 1);
  w.show();
  Key(&w, Qt::Key_Escape);
  EXPECT_TRUE(w.isVisible());
  w.SetPosition(3);
  EXPECT_EQ(w.Position(), 3);
}

}  // namespace
}  // namespace k7740
