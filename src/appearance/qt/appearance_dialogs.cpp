#include "appearance/qt/appearance_dialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <utility>

#include "appearance/qt/color_combo_box.h"
#include "appearance/y_axis_rules.h"
#include "device/qt/dialog_parts.h"
#include "device/qt/numeric_edit.h"
#include "settings/settings_table.h"
#include "shell/user_prompts.h"

namespace k7740 {

namespace {

// The window manager draws the caption, usually bold, beside its own buttons; leave room for
// both so that a short dialog does not cut its caption.
constexpr int kTitleBarButtonsWidth = 120;

void FitCaption(QDialog* dialog) {
  QFont titleFont = dialog->font();
  titleFont.setBold(true);
  const int captionWidth = QFontMetrics(titleFont).horizontalAdvance(dialog->windowTitle());
  dialog->setMinimumWidth(std::max(dialog->sizeHint().width(), captionWidth + kTitleBarButtonsWidth));
}

// "OK" (default) and "Cancel" at the bottom right.
QHBoxLayout* OkCancelRow(QDialog* dialog, QPushButton*& ok) {
  ok = new QPushButton(QStringLiteral("OK"), dialog);
  auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
  ok->setDefault(true);
  cancel->setAutoDefault(false);
  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy) {
  auto* l = new QLabel(text);
  l->setBuddy(buddy);
  return l;
}

}  // namespace

// ---- Color Setup ----

struct CColorSetupDlg::Ui {
  MainSettings& settings;
  std::function<void()> redrawAllViews;
  std::array<CColorComboBox*, 4> lists{};  // background, temperature, humidity, grid

  std::array<uint8_t*, 4> Indices() {
    return {&settings.backgroundColorIndex, &settings.tempColorIndex, &settings.rhColorIndex,
            &settings.gridColorIndex};
  }
};

CColorSetupDlg::CColorSetupDlg(QWidget* parent, MainSettings& settings, std::function<void()> redrawAllViews)
    : QDialog(parent), ui_(new Ui{settings, std::move(redrawAllViews)}) {
  setWindowTitle(QStringLiteral("Color Setup"));
  const char* names[] = {"backgroundColor", "tempColor", "rhColor", "gridColor"};
  const QString labels[] = {QStringLiteral("Background:"), QStringLiteral("Temp:"), QStringLiteral("RH:"),
                            QStringLiteral("Grid:")};
  auto* group = new QGroupBox(QStringLiteral("Color Setup"), this);
  auto* grid = new QGridLayout(group);
  for (int i = 0; i < 4; ++i) {
    auto* list = new CColorComboBox(group);
    list->setObjectName(QString::fromLatin1(names[i]));
    ui_->lists[static_cast<size_t>(i)] = list;
    grid->addWidget(BuddyLabel(labels[i], list), i, 0);
    grid->addWidget(list, i, 1);
  }
  grid->setColumnStretch(1, 1);

  QPushButton* ok = nullptr;
  auto* top = new QVBoxLayout(this);
  top->addWidget(group);
  top->addLayout(OkCancelRow(this, ok));
  connect(ok, &QPushButton::clicked, this, [this] {
    Ui& u = *ui_;
    const auto indices = u.Indices();
    for (size_t i = 0; i < u.lists.size(); ++i) {
      // A hand-edited index outside the table shows no selection; it stays as it was.
      const int position = u.lists[i]->currentIndex();
      if (position >= 0) *indices[i] = static_cast<uint8_t>(position);
    }
    if (u.redrawAllViews) RunGuarded(u.redrawAllViews);
    accept();
  });
  FitCaption(this);
}

CColorSetupDlg::~CColorSetupDlg() { delete ui_; }

void CColorSetupDlg::Open() {
  const auto indices = ui_->Indices();
  for (size_t i = 0; i < ui_->lists.size(); ++i) ui_->lists[i]->FillColors(*indices[i]);
}

void CColorSetupDlg::showEvent(QShowEvent* event) {
  // A restore from minimised is not a new opening and keeps the user's choices.
  if (!event->spontaneous()) Open();
  QDialog::showEvent(event);
}

CColorComboBox* CColorSetupDlg::BackgroundList() const { return ui_->lists[0]; }
CColorComboBox* CColorSetupDlg::TempList() const { return ui_->lists[1]; }
CColorComboBox* CColorSetupDlg::RhList() const { return ui_->lists[2]; }
CColorComboBox* CColorSetupDlg::GridList() const { return ui_->lists[3]; }

// ---- View ----

struct CViewDlg::Ui {
  ViewSettings& view;
  std::array<QCheckBox*, 9> boxes{};

  // The flags in the dialog's order, top to bottom.
  std::array<uint8_t*, 9> Flags() {
    return {&view.showTempCurve,  &view.showTempAlarmHigh, &view.showTempAlarmLow,
            &view.showRhCurve,    &view.showRhAlarmHigh,   &view.showRhAlarmLow,
            &view.showMarkPoints, &view.showXAxisLines,    &view.showYAxisLines};
  }
};

CViewDlg::CViewDlg(QWidget* parent, ViewSettings& view) : QDialog(parent), ui_(new Ui{view}) {
  setWindowTitle(QStringLiteral("View "));
  const char* texts[] = {"Temp",         "Temp Alarm Hi", "Temp Alarm Low", "RH",    "RH Alarm Hi",
                         "RH Alarm Low", "Mark Points",   "X Axis",         "Y Axis"};
  auto* top = new QVBoxLayout(this);
  const auto flags = ui_->Flags();
  for (size_t i = 0; i < ui_->boxes.size(); ++i) {
    auto* box = new QCheckBox(QString::fromLatin1(texts[i]), this);
    box->setChecked(*flags[i] != 0);
    ui_->boxes[i] = box;
    top->addWidget(box);
  }
  QPushButton* ok = nullptr;
  top->addSpacing(6);
  top->addLayout(OkCancelRow(this, ok));
  connect(ok, &QPushButton::clicked, this, [this] {
    const auto flags = ui_->Flags();
    for (size_t i = 0; i < ui_->boxes.size(); ++i) *flags[i] = ui_->boxes[i]->isChecked() ? 1 : 0;
    accept();
  });
  FitCaption(this);
}

CViewDlg::~CViewDlg() { delete ui_; }

// ---- Y Axis Setup ----

struct CYAxisSetupDlg::Ui {
  ViewSettings& view;
  UserPrompts& prompts;
  std::function<void()> redrawAllViews;
  YAxisTexts texts;
  std::array<CSpinEdit*, 4> edits{};  // in YAxisField order
  bool showing = false;

  void TakeTexts() {
    for (size_t i = 0; i < edits.size(); ++i) {
      YAxisText(texts, static_cast<YAxisField>(i)) = edits[i]->Text().toStdString();
    }
  }

  void ShowTexts() {
    showing = true;
    for (size_t i = 0; i < edits.size(); ++i) {
      QLineEdit* e = edits[i]->Edit();
      const QString shown = QString::fromStdString(YAxisText(texts, static_cast<YAxisField>(i)));
      if (e->text() == shown) continue;
      // Rewriting would put the caret at the end; keep it as far from the end as it was, so
      // typing into the middle of a number goes on where it was.
      const int fromEnd = static_cast<int>(e->text().size()) - e->cursorPosition();
      edits[i]->ShowText(shown);
      e->setCursorPosition(std::max(0, static_cast<int>(shown.size()) - fromEnd));
    }
    showing = false;
  }

  void TextChanged(YAxisField field) {
    if (showing) return;
    TakeTexts();
    NormaliseYAxisField(texts, field);
    ShowTexts();
  }
};

CYAxisSetupDlg::CYAxisSetupDlg(QWidget* parent, ViewSettings& view, UserPrompts& prompts,
                               std::function<void()> redrawAllViews)
    : QDialog(parent), ui_(new Ui{view, prompts, std::move(redrawAllViews), YAxisTextsOf(view)}) {
  setWindowTitle(QStringLiteral("Y Axis Setup"));
  const char* names[] = {"tempFrom", "tempTo", "rhFrom", "rhTo"};
  const int lowest[] = {kYTempLowest, kYTempLowest, kYRhLowest, kYRhLowest};
  const int highest[] = {kYTempHighest, kYTempHighest, kYRhHighest, kYRhHighest};
  for (size_t i = 0; i < ui_->edits.size(); ++i) {
    auto* e = new CSpinEdit(this);
    e->setObjectName(QString::fromLatin1(names[i]));
    e->SetRange(lowest[i], highest[i]);
    ui_->edits[i] = e;
  }
  const auto newGroup = [this](const QString& title, CSpinEdit* from, CSpinEdit* to) {
    auto* group = new QGroupBox(title, this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(BuddyLabel(QStringLiteral("From"), from), 0, 0);
    grid->addWidget(from, 0, 1);
    grid->addWidget(BuddyLabel(QStringLiteral("To"), to), 1, 0);
    grid->addWidget(to, 1, 1);
    grid->setColumnStretch(1, 1);
    return group;
  };
  auto* groups = new QHBoxLayout;
  groups->addWidget(newGroup(QStringLiteral("Temp Y Axis Setup"), ui_->edits[0], ui_->edits[1]));
  groups->addWidget(newGroup(QStringLiteral("RH Y Axis Setup"), ui_->edits[2], ui_->edits[3]));

  QPushButton* ok = nullptr;
  auto* top = new QVBoxLayout(this);
  top->addLayout(groups);
  top->addLayout(OkCancelRow(this, ok));

  ui_->ShowTexts();
  for (size_t i = 0; i < ui_->edits.size(); ++i) {
    const auto field = static_cast<YAxisField>(i);
    connect(ui_->edits[i], &CSpinEdit::TextChanged, this, [this, field] { ui_->TextChanged(field); });
  }
  connect(ok, &QPushButton::clicked, this, [this] {
    Ui& u = *ui_;
    u.TakeTexts();
    const auto ranges = AcceptedYAxisRanges(u.texts);
    if (!ranges) {
      RunGuarded([&u] { u.prompts.ShowMessage(kYAxisOrderMessage, BoxIcon::Exclamation); });
      return;
    }
    StoreYAxisRanges(*ranges, u.view);
    if (u.redrawAllViews) RunGuarded(u.redrawAllViews);
    accept();
  });
  FitCaption(this);
}

CYAxisSetupDlg::~CYAxisSetupDlg() { delete ui_; }

}  // namespace k7740
