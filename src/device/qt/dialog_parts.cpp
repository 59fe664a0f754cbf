#include "device/qt/dialog_parts.h"

namespace k7740 {

QLabel* NewPortStatusLine(QWidget* parent) {
  auto* line = new QLabel(parent);
  line->setObjectName(QStringLiteral("portStatus"));
  line->setWordWrap(true);
  line->setTextInteractionFlags(Qt::TextSelectableByMouse);
  line->hide();
  return line;
}

void ShowPortStatus(QLabel* line, const QString& status) {
  line->setText(status);
  line->setVisible(!status.isEmpty());
}

}  // namespace k7740
