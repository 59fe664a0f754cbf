// "Correct Time", "Download", "Battery Power" and the "Logging..." progress window.
#include "device/qt/device_dialogs.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <array>

#include "common/text.h"
#include "device/qt/battery_picture.h"
#include "device/qt/dialog_parts.h"
#include "link/link.h"
#include "link/progress_text.h"

namespace k7740 {

namespace {

QPushButton* AddButton(QHBoxLayout* row, QWidget* parent, const QString& text) {
  auto* b = new QPushButton(text, parent);
  row->addWidget(b);
  return b;
}

QHBoxLayout* NewButtonRow() {
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  return row;
}

}  // namespace

// ---- Correct Time ----

struct CCorrectTimeDlg::Ui {
  LoggerLink& link;
  std::function<std::time_t()> clock;
  // Year, month, day, hour, minute, second.
  std::array<QLineEdit*, 6> fields{};
  QTimer* timer = nullptr;
  QLabel* portStatus = nullptr;
  QPushButton* ok = nullptr;
};

namespace {

// The clock ticks on in the dialog only while it is on screen.
class ClockTimerGuard : public QObject {
 public:
  ClockTimerGuard(QWidget* dialog, QTimer* timer) : QObject(dialog), timer_(timer) {
    dialog->installEventFilter(this);
  }
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::Show) timer_->start();
    if (event->type() == QEvent::Hide) timer_->stop();
    return false;
  }

 private:
  QTimer* timer_;
};

QLineEdit* NewTimeField(QWidget* parent, const char* name, const char* sample) {
  auto* f = new QLineEdit(parent);
  f->setObjectName(QString::fromLatin1(name));
  f->setReadOnly(true);
  f->setFocusPolicy(Qt::NoFocus);
  f->setAlignment(Qt::AlignCenter);
  const int width = f->fontMetrics().horizontalAdvance(QString::fromLatin1(sample)) + 18;
  f->setFixedWidth(width);
  return f;
}

}  // namespace

CCorrectTimeDlg::CCorrectTimeDlg(QWidget* parent, LoggerLink& link, std::function<std::time_t()> clock)
    : CDeviceDialog(parent), ui_(new Ui{link, std::move(clock)}) {
  Ui& u = *ui_;
  if (!u.clock) u.clock = [] { return std::time(nullptr); };

  const char* names[] = {"year", "month", "day", "hour", "minute", "second"};
  for (size_t i = 0; i < u.fields.size(); ++i)
    u.fields[i] = NewTimeField(this, names[i], i == 0 ? "0000" : "00");

  auto* date = new QGroupBox(QStringLiteral("Date"), this);
  auto* dateRow = new QHBoxLayout(date);
  const QString dateLabels[] = {QStringLiteral("Year"), QStringLiteral("Month"), QStringLiteral("Day")};
  for (int i = 0; i < 3; ++i) {
    auto* l = new QLabel(dateLabels[i], date);
    l->setBuddy(u.fields[i]);
    if (i > 0) dateRow->addSpacing(8);
    dateRow->addWidget(l);
    dateRow->addWidget(u.fields[i]);
  }
  dateRow->addStretch(1);

  auto* time = new QGroupBox(QStringLiteral("Timepiece"), this);
  auto* timeRow = new QHBoxLayout(time);
  for (int i = 3; i < 6; ++i) {
    if (i > 3) timeRow->addWidget(new QLabel(QStringLiteral(":"), time));
    timeRow->addWidget(u.fields[i]);
  }
  timeRow->addStretch(1);

  u.portStatus = NewPortStatusLine(this);
  auto* buttons = NewButtonRow();
  u.ok = AddButton(buttons, this, QStringLiteral("OK"));
  auto* cancel = AddButton(buttons, this, QStringLiteral("Cancel"));
  u.ok->setDefault(true);
  cancel->setAutoDefault(false);

  auto* top = new QVBoxLayout(this);
  top->addWidget(date);
  top->addWidget(time);
  top->addWidget(u.portStatus);
  top->addLayout(buttons);
  top->setSizeConstraint(QLayout::SetFixedSize);

  u.timer = new QTimer(this);
  u.timer->setObjectName(QStringLiteral("clockTimer"));
  u.timer->setInterval(1000);
  connect(u.timer, &QTimer::timeout, this, &CCorrectTimeDlg::Refresh);
  new ClockTimerGuard(this, u.timer);

  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(u.ok, &QPushButton::clicked, this, [this] {
    // The values shown, which all come from one reading of the clock.
    int v[6];
    for (size_t i = 0; i < ui_->fields.size(); ++i) v[i] = LeadingInt(ui_->fields[i]->text().toStdString());
    RunGuarded([&] { ui_->link.SendSetTime(v[0], v[1], v[2], v[3], v[4], v[5]); });
    accept();
  });

  Prepare();
}

CCorrectTimeDlg::~CCorrectTimeDlg() { delete ui_; }

void CCorrectTimeDlg::SetActionEnabled(bool enabled) { ui_->ok->setEnabled(enabled); }
bool CCorrectTimeDlg::ActionEnabled() const { return ui_->ok->isEnabled(); }
void CCorrectTimeDlg::SetPortStatus(const QString& status) { ShowPortStatus(ui_->portStatus, status); }
QString CCorrectTimeDlg::PortStatus() const { return PortStatusText(ui_->portStatus); }

void CCorrectTimeDlg::Prepare() {
  setWindowTitle(QStringLiteral("Correct Time"));
  SetActionEnabled(false);
  SetPortStatus(QString());
  Refresh();
}

void CCorrectTimeDlg::Refresh() {
  const LocalTimeParts t = BreakLocalTime(ui_->clock());
  const int values[] = {t.year, t.month, t.day, t.hour, t.minute, t.second};
  for (size_t i = 0; i < ui_->fields.size(); ++i) {
    ui_->fields[i]->setText(QString::fromStdString(StrFormat("%02d", values[i])));
  }
}

// ---- Download ----

struct CDownloadDlg::Ui {
  LoggerLink& link;
  QLabel* portStatus = nullptr;
  QPushButton* download = nullptr;
};

CDownloadDlg::CDownloadDlg(QWidget* parent, LoggerLink& link) : CDeviceDialog(parent), ui_(new Ui{link}) {
  Ui& u = *ui_;
  u.portStatus = NewPortStatusLine(this);
  auto* buttons = NewButtonRow();
  u.download = AddButton(buttons, this, QStringLiteral("Download"));
  auto* cancel = AddButton(buttons, this, QStringLiteral("Cancel"));
  u.download->setDefault(true);
  cancel->setAutoDefault(false);

  auto* top = new QVBoxLayout(this);
  top->addWidget(u.portStatus);
  top->addLayout(buttons);
  // The status line is as wide as the window; the window as high as its wrapped sentence.
  top->setSizeConstraint(QLayout::SetFixedSize);

  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(u.download, &QPushButton::clicked, this, [this] {
    RunGuarded([this] { ui_->link.startDownload(); });
    accept();
  });

  Prepare();
}

CDownloadDlg::~CDownloadDlg() { delete ui_; }

void CDownloadDlg::SetActionEnabled(bool enabled) { ui_->download->setEnabled(enabled); }
bool CDownloadDlg::ActionEnabled() const { return ui_->download->isEnabled(); }
void CDownloadDlg::SetPortStatus(const QString& status) { ShowPortStatus(ui_->portStatus, status); }
QString CDownloadDlg::PortStatus() const { return PortStatusText(ui_->portStatus); }

void CDownloadDlg::Prepare() {
  setWindowTitle(QStringLiteral("Connecting..."));
  SetActionEnabled(false);
  SetPortStatus(QString());
}

// ---- Battery Power ----

struct CBatteryDlg::Ui {
  QStackedWidget* pictures = nullptr;
  QLabel* level = nullptr;
  QLabel* portStatus = nullptr;
};

CBatteryDlg::CBatteryDlg(QWidget* parent) : CDeviceDialog(parent), ui_(new Ui) {
  Ui& u = *ui_;
  auto* group = new QGroupBox(QStringLiteral("Battery Power Status"), this);
  u.pictures = new QStackedWidget(group);
  u.pictures->setObjectName(QStringLiteral("batteryPictures"));
  for (int filled = 0; filled <= 3; ++filled) {
    auto* picture = new QLabel(u.pictures);
    picture->setPixmap(QPixmap::fromImage(DrawBatteryPicture(filled)));
    picture->setFixedSize(kBatteryPictureWidth, kBatteryPictureHeight);
    u.pictures->addWidget(picture);
  }
  u.pictures->setFixedSize(kBatteryPictureWidth, kBatteryPictureHeight);

  u.level = new QLabel(group);
  u.level->setObjectName(QStringLiteral("levelText"));
  u.level->setMinimumWidth(u.level->fontMetrics().horizontalAdvance(QStringLiteral("(70%-100%)")) + 8);

  auto* row = new QHBoxLayout(group);
  row->addSpacing(12);
  row->addWidget(u.pictures);
  row->addSpacing(16);
  row->addWidget(u.level, 1, Qt::AlignVCenter);

  u.portStatus = NewPortStatusLine(this);

  auto* top = new QVBoxLayout(this);
  top->addWidget(group);
  top->addWidget(u.portStatus);
  top->setSizeConstraint(QLayout::SetFixedSize);

  Prepare();
}

CBatteryDlg::~CBatteryDlg() { delete ui_; }

void CBatteryDlg::SetPortStatus(const QString& status) { ShowPortStatus(ui_->portStatus, status); }
QString CBatteryDlg::PortStatus() const { return PortStatusText(ui_->portStatus); }

void CBatteryDlg::Prepare() {
  setWindowTitle(QStringLiteral("Connecting..."));
  SetPortStatus(QString());
  ShowPicture(0);
  SetLevelText(QString());
}

void CBatteryDlg::ShowPicture(int picture) {
  if (picture < 0 || picture >= ui_->pictures->count()) return;
  ui_->pictures->setCurrentIndex(picture);
}

int CBatteryDlg::Picture() const { return ui_->pictures->currentIndex(); }
void CBatteryDlg::SetLevelText(const QString& text) { ui_->level->setText(text); }
QString CBatteryDlg::LevelText() const { return ui_->level->text(); }

// ---- Logging... ----

struct CProgressWindow::Ui {
  QProgressBar* bar = nullptr;
};

namespace {

// The progress window has no close box; Escape and the window manager may not close it either,
// since it lives exactly as long as the transfer.
class ProgressCloseBlocker : public QObject {
 public:
  explicit ProgressCloseBlocker(QWidget* window) : QObject(window) { window->installEventFilter(this); }
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      return true;
    }
    if (event->type() == QEvent::Close && event->spontaneous()) {
      event->ignore();
      return true;
    }
    return false;
  }
};

}  // namespace

CProgressWindow::CProgressWindow(QWidget* parent)
    // Window managers differ in what they draw for a title without buttons (some draw every
    // button anyway), so the window has no frame of theirs and draws its own title bar.
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), ui_(new Ui) {
  setWindowTitle(QStringLiteral("Logging..."));
  setModal(false);
  auto* caption = new QLabel(windowTitle(), this);
  caption->setObjectName(QStringLiteral("caption"));
  caption->setAutoFillBackground(true);
  caption->setBackgroundRole(QPalette::Highlight);
  caption->setForegroundRole(QPalette::HighlightedText);
  QFont bold = caption->font();
  bold.setBold(true);
  caption->setFont(bold);
  caption->setContentsMargins(6, 3, 6, 3);
  ui_->bar = new QProgressBar(this);
  ui_->bar->setTextVisible(true);
  ui_->bar->setAlignment(Qt::AlignCenter);
  ui_->bar->setRange(0, 1);
  ui_->bar->setValue(0);
  ui_->bar->setMinimumWidth(
      ui_->bar->fontMetrics().horizontalAdvance(QStringLiteral("Block 888 of 888, about 888 s left")) + 40);
  auto* frame = new QFrame(this);
  frame->setFrameShape(QFrame::Box);
  auto* body = new QVBoxLayout(frame);
  body->setContentsMargins(0, 0, 0, 0);
  body->setSpacing(0);
  body->addWidget(caption);
  auto* inner = new QVBoxLayout;
  inner->setContentsMargins(10, 10, 10, 10);
  inner->addWidget(ui_->bar);
  body->addLayout(inner);
  auto* top = new QVBoxLayout(this);
  top->setContentsMargins(0, 0, 0, 0);
  top->addWidget(frame);
  top->setSizeConstraint(QLayout::SetFixedSize);
  new ProgressCloseBlocker(this);
}

CProgressWindow::~CProgressWindow() { delete ui_; }

void CProgressWindow::SetRange(int maximum) {
  ui_->bar->setRange(0, maximum);
  ShowText();
}
void CProgressWindow::SetPosition(int position) {
  ui_->bar->setValue(position);
  ShowText();
}
void CProgressWindow::ShowText() {
  ui_->bar->setFormat(QString::fromStdString(DownloadProgressText(ui_->bar->value(), ui_->bar->maximum())));
}
QString CProgressWindow::Text() const { return ui_->bar->text(); }
int CProgressWindow::Position() const { return ui_->bar->value(); }
int CProgressWindow::Maximum() const { return ui_->bar->maximum(); }

}  // namespace k7740
