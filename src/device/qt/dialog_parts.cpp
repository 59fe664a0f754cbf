#include "device/qt/dialog_parts.h"

namespace k7740 {

QLabel* NewPortStatusLine(QWidget* parent) {
  auto* line = new QLabel(parent);
  line->setObjectName(QStringLiteral("portStatus"));
  line->setWordWrap(true);
  line->setTextFormat(Qt::RichText);
  // A fixed width lets the window take the height that the wrapped sentence needs.
  line->setFixedWidth(line->fontMetrics().averageCharWidth() * 50);
  line->setTextInteractionFlags(Qt::TextSelectableByMouse);
  line->hide();
  return line;
}

QString StatusMarkup(const QString& status) {
  // Device paths stay on one line: a break after a "/" would split /dev/ttyUSB0 in two.
  QStringList words = status.toHtmlEscaped().split(QLatin1Char(' '));
  for (QString& w : words) {
    if (w.contains(QLatin1Char('/'))) w = QStringLiteral("<nobr>") + w + QStringLiteral("</nobr>");
  }
  return words.join(QLatin1Char(' ')).replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

void ShowPortStatus(QLabel* line, const QString& status) {
  line->setProperty("plainText", status);
  line->setText(StatusMarkup(status));
  line->setVisible(!status.isEmpty());
  if (QWidget* window = line->window()) window->adjustSize();
}

QString PortStatusText(const QLabel* line) { return line->property("plainText").toString(); }

}  // namespace k7740
