#include "graph/qt/stats_panel.h"

#include <QKeyEvent>

#include "graph/panel_texts.h"

namespace k7740 {

namespace {

// The panel was laid out in dialog units of an 11-point Arial face; these scale them to pixels.
constexpr double kUnitX = 1.75;
constexpr double kUnitY = 1.875;
constexpr int kPanelWidthUnits = 1033;
constexpr int kPanelHeightUnits = 63;
constexpr int kFieldHeightUnits = 12;

struct Place {
  int labelX, labelY, editX, editY, editWidth;
};

// Same order as kPanelFields.
constexpr std::array<Place, 14> kPlaces{{
    {3, 3, 42, 1, 64},
    {109, 2, 143, 0, 64},
    {210, 2, 258, 1, 31},
    {301, 3, 330, 1, 44},
    {3, 16, 55, 15, 46},
    {105, 16, 143, 15, 46},
    {196, 16, 240, 15, 48},
    {291, 16, 332, 15, 42},
    {3, 30, 42, 29, 112},
    {161, 30, 178, 29, 110},
    {291, 30, 310, 29, 64},
    {8, 44, 42, 43, 112},
    {161, 44, 178, 43, 110},
    {291, 44, 310, 43, 64},
}};

// The "S" after the sampling-rate field.
constexpr int kSecondsLabelX = 290;
constexpr int kSecondsLabelY = 2;

int Px(double units) { return static_cast<int>(units * kUnitX + 0.5); }
int Py(double units) { return static_cast<int>(units * kUnitY + 0.5); }

bool IsCloseKey(const QKeyEvent* key) {
  return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape;
}

}  // namespace

CStatsPanel::CStatsPanel(QWidget* parent) : QWidget(parent) {
  // An Arial-sized face small enough that the longest texts fit their fields.
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(12);
  setFont(font);
  setAutoFillBackground(true);
  setFixedSize(Px(kPanelWidthUnits), Py(kPanelHeightUnits));

  const int labelHeight = Py(kFieldHeightUnits);
  for (size_t i = 0; i < kPanelFields.size(); ++i) {
    const Place& at = kPlaces[i];
    auto* label = new QLabel(QString::fromLatin1(kPanelFields[i].label), this);
    label->move(Px(at.labelX), Py(at.labelY) - 2);
    label->resize(Px(at.editX - at.labelX), labelHeight);
    labels_[i] = label;

    auto* edit = new QLineEdit(this);
    edit->setReadOnly(true);
    edit->setObjectName(QStringLiteral("panelField%1").arg(kPanelFields[i].editId));
    edit->setGeometry(Px(at.editX), Py(at.editY), Px(at.editWidth), Py(kFieldHeightUnits));
    edit->installEventFilter(this);
    fields_[i] = edit;
  }
  auto* seconds = new QLabel(QStringLiteral("S"), this);
  seconds->move(Px(kSecondsLabelX), Py(kSecondsLabelY) - 2);
  seconds->resize(Px(10), labelHeight);
}

void CStatsPanel::ShowTexts(const RecordingView& view) {
  for (size_t i = 0; i < kPanelFields.size(); ++i) {
    fields_[i]->setText(QString::fromStdString(view.*kPanelFields[i].text));
    fields_[i]->setCursorPosition(0);
  }
}

// Enter and Esc must not reach anything that could close or act on the panel.
bool CStatsPanel::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && IsCloseKey(static_cast<QKeyEvent*>(event))) return true;
  return QWidget::eventFilter(watched, event);
}

void CStatsPanel::keyPressEvent(QKeyEvent* event) {
  if (IsCloseKey(event)) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace k7740
