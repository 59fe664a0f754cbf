// The setup dialog's number fields: an edit that takes only digits, "-" and ".", with a small
// pair of step buttons. Unlike QSpinBox it keeps whatever text the user types, so the dialog's
// own rules decide what the text becomes.
#pragma once

#include <QLineEdit>
#include <QString>
#include <QValidator>
#include <QWidget>

class QToolButton;

namespace k7740 {

// Passes only the digits 0-9, "-" and "."; a keystroke of any other character is dropped.
class CNumericValidator : public QValidator {
  Q_OBJECT
 public:
  using QValidator::QValidator;
  State validate(QString& input, int& pos) const override;
};

class CSpinEdit : public QWidget {
  Q_OBJECT
 public:
  explicit CSpinEdit(QWidget* parent = nullptr);

  // The steps stay within [minimum, maximum]; typed text is not limited by it.
  void SetRange(int minimum, int maximum);
  int Minimum() const { return minimum_; }
  int Maximum() const { return maximum_; }

  QLineEdit* Edit() const { return edit_; }
  QString Text() const { return edit_->text(); }
  // Shows a value without emitting TextChanged; the cursor stays put when the text is unchanged.
  void ShowText(const QString& text);
  // Steps the leading integer of the text and writes the new number, which emits TextChanged.
  void StepBy(int steps);

 signals:
  void TextChanged(const QString& text);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* edit_;
  QToolButton* up_;
  QToolButton* down_;
  int minimum_ = 0;
  int maximum_ = 100;
};

}  // namespace k7740
