#include "graph/qt/tev_view.h"

#include <QHeaderView>
#include <QPainter>
#include <algorithm>
#include <array>

#include "graph/qt/data_list_model.h"
#include "graph/qt/stats_panel.h"
#include "settings/settings_store.h"

namespace k7740 {

namespace {

constexpr std::array<QRgb, 14> kColorTable{{
    qRgb(255, 0, 0),
    qRgb(0, 255, 0),
    qRgb(0, 0, 255),
    qRgb(255, 255, 0),
    qRgb(255, 0, 255),
    qRgb(0, 255, 255),
    qRgb(128, 0, 0),
    qRgb(0, 128, 0),
    qRgb(0, 0, 128),
    qRgb(128, 128, 0),
    qRgb(128, 0, 128),
    qRgb(0, 128, 128),
    qRgb(255, 255, 255),
    qRgb(0, 0, 0),
}};

constexpr int kListFontPixels = 15;

}  // namespace

QColor ColorFromIndex(int index) {
  if (index >= 0 && index < static_cast<int>(kColorTable.size())) {
    return QColor(kColorTable[static_cast<size_t>(index)]);
  }
  return QColor(index & 0xFF, 0, 0);
}

CTevView::CTevView(QWidget* parent, CTevDoc& doc, const std::string& settingsDir, const MainSettings& colours)
    : QWidget(parent), doc_(doc), colours_(colours) {
  const SettingsStore store(settingsDir);
  ReadViewSettings(store, viewSettings_, recording_.isFahrenheit);
  // Every pixel comes from paintEvent; nothing is erased behind it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(1, 1);
}

CTevView::~CTevView() = default;

QRect CTevView::PlotRect() const {
  const int right = width() - kPlotRightMargin;
  const int bottom = height() - kPlotBottomMargin;
  if (right <= kPlotLeft || bottom <= kPlotTop) return {};
  return QRect(QPoint(kPlotLeft, kPlotTop), QPoint(right - 1, bottom - 1));
}

void CTevView::EnsurePanel() {
  if (statsPanel_) return;
  statsPanel_ = new CStatsPanel(this);
  statsPanel_->move(0, 0);
  statsPanel_->show();
  // A recording that arrived before the panel existed is shown at once.
  if (recording_.readingCount >= 1) ShowPanelTexts();
}

void CTevView::ShowPanelTexts() {
  if (statsPanel_) statsPanel_->ShowTexts(recording_);
}

void CTevView::CreateDataList() {
  dataListModel_ = new DataListModel(this);
  dataList_ = new QTableView(this);
  dataList_->setObjectName(QStringLiteral("dataList"));
  dataList_->setModel(dataListModel_);
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(kListFontPixels);
  // A thin face where the system has one; otherwise the regular face serves.
  font.setWeight(QFont::Thin);
  dataList_->setFont(font);
  dataList_->setFrameShape(QFrame::Box);
  dataList_->setShowGrid(true);
  dataList_->setSelectionBehavior(QAbstractItemView::SelectRows);
  dataList_->setSelectionMode(QAbstractItemView::SingleSelection);
  dataList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  dataList_->setWordWrap(false);
  dataList_->setCornerButtonEnabled(false);
  // Fixed row heights and column widths keep 16,360 rows as cheap as ten.
  QHeaderView* rows = dataList_->verticalHeader();
  rows->hide();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(kListRowHeight);
  QHeaderView* columns = dataList_->horizontalHeader();
  columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(false);
  columns->setHighlightSections(false);
  for (size_t c = 0; c < kDataListColumns.size(); ++c) {
    dataList_->setColumnWidth(static_cast<int>(c), kDataListColumns[c].width);
  }
  PlaceDataList();
}

void CTevView::PlaceDataList() {
  if (dataList_) dataList_->setGeometry(0, kListTop, width(), std::max(0, height() - kListTop));
}

void CTevView::FillDataList() {
  if (recording_.readingCount < 1) return;
  if (!dataList_) CreateDataList();
  // Hidden while it is refilled; the drawing shows it again in list mode.
  dataList_->hide();
  if (recording_.listNeedsRefill) {
    dataListModel_->Reset(DataListSourceFor(doc_, recording_));
    recording_.listNeedsRefill = 0;
  } else {
    dataListModel_->Reset(DataListSource{});
  }
  update();
}

void CTevView::SetDisplayMode(uint8_t mode) {
  recording_.displayMode = mode;
  update();
}

void CTevView::UndoZoom() { update(); }

void CTevView::PaintGraphBand(QPainter& painter) {
  painter.fillRect(rect(), palette().button());
  const QRect plot = PlotRect();
  if (!plot.isEmpty()) painter.fillRect(plot, ColorFromIndex(colours_.backgroundColorIndex));
  painter.fillRect(QRect(0, height() - kReadoutBarHeight, width(), kReadoutBarHeight), kReadoutBarColor);
}

void CTevView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const bool rebuildTexts = recording_.rebuildTextsOnDraw != 0;
  if (rebuildTexts) RebuildHeaderTexts(doc_, recording_);

  if (recording_.displayMode == 0) {
    painter.fillRect(rect(), kEmptyViewColor);
  } else {
    EnsurePanel();
    if (recording_.displayMode == 1) {
      if (dataList_) dataList_->hide();
      PaintGraphBand(painter);
    } else {
      painter.fillRect(rect(), palette().button());
      if (dataList_) dataList_->show();
    }
  }

  if (rebuildTexts) {
    ShowPanelTexts();
    recording_.rebuildTextsOnDraw = 0;
  }
}

void CTevView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceDataList();
}

}  // namespace k7740
