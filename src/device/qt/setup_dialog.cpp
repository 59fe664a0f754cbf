// "Datalogger Setup": the controls over the core field rules of device/setup_rules.h.
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "device/qt/device_dialogs.h"
#include "device/qt/dialog_parts.h"
#include "device/qt/numeric_edit.h"
#include "device/setup_rules.h"
#include "link/link.h"
#include "shell/user_prompts.h"

namespace k7740 {

namespace {

constexpr int kLedCodes[] = {24, 40, 56, 72};

// The radio button that shows a LED code: unknown codes show "10s".
int LedButtonId(uint8_t code) {
  for (int i = 0; i < 4; ++i) {
    if (kLedCodes[i] == code) return i;
  }
  return 0;
}

QString Q(const std::string& s) { return QString::fromStdString(s); }

QRadioButton* AddRadio(QButtonGroup* group, QLayout* layout, const QString& text, int id) {
  auto* b = new QRadioButton(text);
  group->addButton(b, id);
  layout->addWidget(b);
  return b;
}

}  // namespace

struct CSetupDlg::Ui {
  LoggerLink& link;
  LoggerSettings& settings;
  UserPrompts& prompts;

  LoggerSettings working;
  std::string recTimeText;
  bool showing = false;  // our own writes to the controls must not run the rules again

  CSpinEdit* samplingRate = nullptr;
  QComboBox* sampleUnit = nullptr;
  QLineEdit* recTime = nullptr;
  QButtonGroup* led = nullptr;
  CSpinEdit* tempLow = nullptr;
  CSpinEdit* tempHigh = nullptr;
  CSpinEdit* rhLow = nullptr;
  CSpinEdit* rhHigh = nullptr;
  QComboBox* alarmUnit = nullptr;
  QCheckBox* alarmLedFlash = nullptr;
  QButtonGroup* startMode = nullptr;
  QButtonGroup* overwrite = nullptr;
  QLabel* portStatus = nullptr;
  QPushButton* defaults = nullptr;
  QPushButton* setup = nullptr;
  QPushButton* cancel = nullptr;

  Ui(LoggerLink& l, LoggerSettings& s, UserPrompts& p) : link(l), settings(s), prompts(p) {}

  void ComputeRecTime() {
    // An unknown unit leaves the text as it was.
    std::string text = RecTimeText(working.sampleInterval, working.sampleUnit);
    if (!text.empty()) recTimeText = std::move(text);
  }

  // The five texts and the two units as the controls hold them.
  void TakeControls() {
    working.sampleInterval = samplingRate->Text().toStdString();
    working.tempAlarmLow = tempLow->Text().toStdString();
    working.tempAlarmHigh = tempHigh->Text().toStdString();
    working.rhAlarmLow = rhLow->Text().toStdString();
    working.rhAlarmHigh = rhHigh->Text().toStdString();
    // A unit outside the lists shows no item; it is kept until the user picks one.
    if (sampleUnit->currentIndex() >= 0) working.sampleUnit = sampleUnit->currentIndex();
    if (alarmUnit->currentIndex() >= 0) working.alarmUnit = alarmUnit->currentIndex();
  }

  void ShowValues() {
    showing = true;
    samplingRate->ShowText(Q(working.sampleInterval));
    tempLow->ShowText(Q(working.tempAlarmLow));
    tempHigh->ShowText(Q(working.tempAlarmHigh));
    rhLow->ShowText(Q(working.rhAlarmLow));
    rhHigh->ShowText(Q(working.rhAlarmHigh));
    {
      const QSignalBlocker b1(sampleUnit), b2(alarmUnit);
      sampleUnit->setCurrentIndex(
          working.sampleUnit >= 0 && working.sampleUnit < sampleUnit->count() ? working.sampleUnit : -1);
      alarmUnit->setCurrentIndex(
          working.alarmUnit >= 0 && working.alarmUnit < alarmUnit->count() ? working.alarmUnit : -1);
    }
    recTime->setText(Q(recTimeText));
    led->button(LedButtonId(working.ledFlashCycle))->setChecked(true);
    startMode->button(working.startMode == 1 ? 1 : 0)->setChecked(true);
    overwrite->button(working.overwriteWhenFull == 1 ? 1 : 0)->setChecked(true);
    alarmLedFlash->setChecked(working.alarmLedFlash != 0);
    showing = false;
  }

  void TextChanged(SetupField field) {
    if (showing) return;
    TakeControls();
    NormaliseField(working, field);
    if (field == SetupField::SampleInterval) ComputeRecTime();
    ShowValues();
  }

  void SampleUnitChosen(int index) {
    if (showing || index < 0) return;
    TakeControls();
    ChooseSampleUnit(working, index);
    ComputeRecTime();
    ShowValues();
  }

  void AlarmUnitChosen(int index) {
    if (showing || index < 0) return;
    TakeControls();
    ChooseAlarmUnit(working, index);
    ShowValues();
  }

  void RestoreDefaults() {
    working = DefaultLoggerSettings();
    ComputeRecTime();
    ShowValues();
  }
};

CSetupDlg::CSetupDlg(QWidget* parent, LoggerLink& link, LoggerSettings& settings, UserPrompts& prompts)
    : CDeviceDialog(parent), ui_(new Ui(link, settings, prompts)) {
  Ui& u = *ui_;
  setWindowTitle(QStringLiteral("Connecting..."));

  const auto newSpin = [this](const char* name, int minimum, int maximum) {
    auto* s = new CSpinEdit(this);
    s->setObjectName(QString::fromLatin1(name));
    s->SetRange(minimum, maximum);
    s->Edit()->setMaxLength(8);
    return s;
  };
  const auto label = [](const QString& text, QWidget* buddy) {
    auto* l = new QLabel(text);
    l->setBuddy(buddy);
    return l;
  };

  // Sampling.
  u.samplingRate = newSpin("samplingRate", 1, 60);
  u.sampleUnit = new QComboBox(this);
  u.sampleUnit->setObjectName(QStringLiteral("sampleUnit"));
  u.sampleUnit->addItems({QStringLiteral("Second"), QStringLiteral("Minute"), QStringLiteral("Hour")});
  u.recTime = new QLineEdit(this);
  u.recTime->setObjectName(QStringLiteral("recTime"));
  u.recTime->setReadOnly(true);
  u.recTime->setFocusPolicy(Qt::NoFocus);
  auto* sampling = new QGroupBox(QStringLiteral("Sampling Setup"), this);
  auto* samplingGrid = new QGridLayout(sampling);
  samplingGrid->addWidget(label(QStringLiteral("Sampling rate"), u.samplingRate), 0, 0);
  samplingGrid->addWidget(u.samplingRate, 0, 1);
  samplingGrid->addWidget(u.sampleUnit, 0, 2);
  samplingGrid->addWidget(label(QStringLiteral("Rec Time"), u.recTime), 1, 0);
  samplingGrid->addWidget(u.recTime, 1, 1, 1, 2);
  samplingGrid->setColumnStretch(1, 1);
  samplingGrid->setColumnStretch(2, 1);

  // LED flash cycle.
  auto* ledBox = new QGroupBox(QStringLiteral("LED Flash Cycle Setup"), this);
  auto* ledRow = new QHBoxLayout(ledBox);
  u.led = new QButtonGroup(this);
  const QString ledTexts[] = {QStringLiteral("10s"), QStringLiteral("20s"), QStringLiteral("30s"),
                              QStringLiteral("No Light")};
  for (int i = 0; i < 4; ++i) AddRadio(u.led, ledRow, ledTexts[i], i);

  // Alarms.
  u.tempLow = newSpin("tempAlarmLow", -40, 158);
  u.tempHigh = newSpin("tempAlarmHigh", -40, 158);
  u.rhLow = newSpin("rhAlarmLow", 0, 100);
  u.rhHigh = newSpin("rhAlarmHigh", 0, 100);
  u.alarmUnit = new QComboBox(this);
  u.alarmUnit->setObjectName(QStringLiteral("alarmUnit"));
  u.alarmUnit->addItems({QStringLiteral("Celsius"), QStringLiteral("Fahrenheit")});
  u.alarmLedFlash = new QCheckBox(QStringLiteral("LED Flash For Hi And Low  Alarm"), this);
  auto* alarm = new QGroupBox(QStringLiteral("Alarm Setup"), this);
  auto* alarmGrid = new QGridLayout(alarm);
  alarmGrid->addWidget(label(QStringLiteral("Temp Alarm Low"), u.tempLow), 0, 0);
  alarmGrid->addWidget(u.tempLow, 0, 1);
  alarmGrid->addWidget(label(QStringLiteral("Temp Alarm HI"), u.tempHigh), 0, 2);
  alarmGrid->addWidget(u.tempHigh, 0, 3);
  alarmGrid->addWidget(label(QStringLiteral("RH Alarm Low"), u.rhLow), 1, 0);
  alarmGrid->addWidget(u.rhLow, 1, 1);
  alarmGrid->addWidget(label(QStringLiteral("RH Alam HI"), u.rhHigh), 1, 2);
  alarmGrid->addWidget(u.rhHigh, 1, 3);
  alarmGrid->addWidget(label(QStringLiteral("Unit"), u.alarmUnit), 2, 0);
  alarmGrid->addWidget(u.alarmUnit, 2, 1);
  alarmGrid->addWidget(u.alarmLedFlash, 3, 0, 1, 4);
  alarmGrid->setColumnStretch(1, 1);
  alarmGrid->setColumnStretch(3, 1);
  alarmGrid->setColumnMinimumWidth(2, 0);

  // Start mode and what happens when the memory is full.
  auto* startBox = new QGroupBox(this);
  auto* startCol = new QVBoxLayout(startBox);
  u.startMode = new QButtonGroup(this);
  AddRadio(u.startMode, startCol, QStringLiteral("Manual"), 0);
  AddRadio(u.startMode, startCol, QStringLiteral("Automatic"), 1);
  auto* cycleBox = new QGroupBox(this);
  auto* cycleCol = new QVBoxLayout(cycleBox);
  u.overwrite = new QButtonGroup(this);
  AddRadio(u.overwrite, cycleCol, QStringLiteral("Circulating Record"), 1);
  AddRadio(u.overwrite, cycleCol, QStringLiteral("No Circulating"), 0);
  auto* modes = new QHBoxLayout;
  modes->addWidget(startBox, 1);
  modes->addWidget(cycleBox, 1);

  u.portStatus = NewPortStatusLine(this);

  u.defaults = new QPushButton(QStringLiteral("Default"), this);
  u.setup = new QPushButton(QStringLiteral("Setup"), this);
  u.cancel = new QPushButton(QStringLiteral("Cancel"), this);
  u.defaults->setAutoDefault(false);
  u.cancel->setAutoDefault(false);
  u.setup->setDefault(true);
  u.setup->setEnabled(false);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(u.defaults);
  buttons->addStretch(1);
  buttons->addWidget(u.setup);
  buttons->addWidget(u.cancel);

  auto* top = new QVBoxLayout(this);
  top->addWidget(sampling);
  top->addWidget(ledBox);
  top->addWidget(alarm);
  top->addLayout(modes);
  top->addWidget(u.portStatus);
  top->addLayout(buttons);
  top->setSizeConstraint(QLayout::SetFixedSize);

  const auto onText = [this](CSpinEdit* edit, SetupField field) {
    connect(edit, &CSpinEdit::TextChanged, this, [this, field] { ui_->TextChanged(field); });
  };
  onText(u.samplingRate, SetupField::SampleInterval);
  onText(u.tempLow, SetupField::TempAlarmLow);
  onText(u.tempHigh, SetupField::TempAlarmHigh);
  onText(u.rhLow, SetupField::RhAlarmLow);
  onText(u.rhHigh, SetupField::RhAlarmHigh);
  connect(u.sampleUnit, &QComboBox::currentIndexChanged, this, [this](int i) { ui_->SampleUnitChosen(i); });
  connect(u.alarmUnit, &QComboBox::currentIndexChanged, this, [this](int i) { ui_->AlarmUnitChosen(i); });
  // A click sets its field at once, also on the button already checked (an unknown LED code
  // shows "10s"; clicking it makes it 24).
  connect(u.led, &QButtonGroup::idClicked, this,
          [this](int id) { ui_->working.ledFlashCycle = static_cast<uint8_t>(kLedCodes[id]); });
  connect(u.startMode, &QButtonGroup::idClicked, this,
          [this](int id) { ui_->working.startMode = static_cast<uint8_t>(id); });
  connect(u.overwrite, &QButtonGroup::idClicked, this,
          [this](int id) { ui_->working.overwriteWhenFull = static_cast<uint8_t>(id); });
  connect(u.alarmLedFlash, &QCheckBox::clicked, this,
          [this](bool checked) { ui_->working.alarmLedFlash = checked ? 1 : 0; });

  connect(u.defaults, &QPushButton::clicked, this, [this] { ui_->RestoreDefaults(); });
  connect(u.cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(u.setup, &QPushButton::clicked, this, [this] {
    Ui& w = *ui_;
    w.TakeControls();
    if (!LimitsInOrder(w.working)) {
      RunGuarded([&w] { w.prompts.ShowMessage(kAlarmOrderMessage, BoxIcon::Exclamation); });
      return;
    }
    StoreDialogValues(w.working, w.settings);
    RunGuarded([&w] { w.link.SendSetup(w.working); });
    accept();
  });

  Prepare();
}

CSetupDlg::~CSetupDlg() { delete ui_; }

void CSetupDlg::SetActionEnabled(bool enabled) { ui_->setup->setEnabled(enabled); }
bool CSetupDlg::ActionEnabled() const { return ui_->setup->isEnabled(); }
void CSetupDlg::SetPortStatus(const QString& status) { ShowPortStatus(ui_->portStatus, status); }
QString CSetupDlg::PortStatus() const { return PortStatusText(ui_->portStatus); }

void CSetupDlg::Prepare() {
  setWindowTitle(QStringLiteral("Connecting..."));
  SetActionEnabled(false);
  SetPortStatus(QString());
  ui_->working = ui_->settings;
  ui_->ComputeRecTime();
  ui_->ShowValues();
}

}  // namespace k7740
