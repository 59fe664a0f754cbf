#include "device/qt/numeric_edit.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/text.h"

namespace k7740 {

QValidator::State CNumericValidator::validate(QString& input, int& /*pos*/) const {
  for (const QChar c : input) {
    const bool allowed =
        (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') || c == QLatin1Char('.');
    if (!allowed) return Invalid;
  }
  return Acceptable;
}

namespace {

QToolButton* NewStepButton(QWidget* parent, Qt::ArrowType arrow, const char* name) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setArrowType(arrow);
  b->setAutoRepeat(true);
  b->setFocusPolicy(Qt::NoFocus);
  b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
  b->setFixedWidth(16);
  return b;
}

}  // namespace

CSpinEdit::CSpinEdit(QWidget* parent) : QWidget(parent), edit_(new QLineEdit(this)) {
  edit_->setValidator(new CNumericValidator(edit_));
  edit_->installEventFilter(this);
  up_ = NewStepButton(this, Qt::UpArrow, "stepUp");
  down_ = NewStepButton(this, Qt::DownArrow, "stepDown");

  auto* buttons = new QVBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->setSpacing(0);
  buttons->addWidget(up_);
  buttons->addWidget(down_);
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(1);
  row->addWidget(edit_, 1);
  row->addLayout(buttons);
  setFocusProxy(edit_);

  connect(edit_, &QLineEdit::textChanged, this, &CSpinEdit::TextChanged);
  connect(up_, &QToolButton::clicked, this, [this] { StepBy(1); });
  connect(down_, &QToolButton::clicked, this, [this] { StepBy(-1); });
}

void CSpinEdit::SetRange(int minimum, int maximum) {
  minimum_ = minimum;
  maximum_ = std::max(minimum, maximum);
}

void CSpinEdit::ShowText(const QString& text) {
  if (edit_->text() == text) return;
  const QSignalBlocker block(edit_);
  edit_->setText(text);
}

void CSpinEdit::StepBy(int steps) {
  const long long n = static_cast<long long>(LeadingInt(edit_->text().toStdString())) + steps;
  const long long next = std::clamp<long long>(n, minimum_, maximum_);
  edit_->setText(QString::number(next));
}

bool CSpinEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
      StepBy(key->key() == Qt::Key_Up ? 1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace k7740
