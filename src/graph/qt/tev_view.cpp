#include "graph/qt/tev_view.h"

#include <QAction>
#include <QCursor>
#include <QDialog>
#include <QFocusEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionToolBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <vector>

#include "appearance/qt/appearance_dialogs.h"
#include "graph/graph_scene.h"
#include "graph/qt/data_list_model.h"
#include "graph/qt/graph_painter.h"
#include "graph/qt/stats_panel.h"
#include "link/qt/qt_timer_host.h"
#include "settings/settings_store.h"
#include "shell/qt/qt_user_prompts.h"

namespace k7740 {

namespace {

constexpr int kListFontPixels = 15;
constexpr int kToolBarTop = 125;
constexpr int kToolBarFirstTop = 130;
constexpr int kToolBarHeight = 35;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 21;
// Everything from here down belongs to the graph; the panel and the toolbar sit above it.
constexpr int kGraphBandTop = 165;
constexpr int kImageBandTop = 160;

struct ToolButtonSpec {
  int id;
  const char* caption;
};
constexpr ToolButtonSpec kViewButtons[] = {
    {kCmdUndoZoom, "Undozoom"},  {kCmdUnit, "Unit(\u00b0C/\u00b0F)"}, {kCmdYAxis, "YAxis Set"},
    {kCmdColors, "Color Setup"}, {kCmdViewElements, "View"},
};

// A button picture with its caption painted in, as the toolbar shows it.
QPixmap CaptionPicture(const QString& caption, const QColor& face) {
  QPixmap picture(kButtonWidth, kButtonHeight);
  picture.fill(face);
  QPainter p(&picture);
  QFont font(QStringLiteral("Arial"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(12);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QRect(0, 0, kButtonWidth, kButtonHeight), Qt::AlignCenter, caption);
  return picture;
}

// The view's toolbar is not docked in a main window, so Qt draws no gripper for it: this one
// paints its own at the left end.
class ViewToolBar : public QToolBar {
 public:
  explicit ViewToolBar(QWidget* parent) : QToolBar(parent) { setContentsMargins(HandleExtent(), 0, 0, 0); }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QToolBar::paintEvent(event);
    QStyleOptionToolBar option;
    initStyleOption(&option);
    option.rect = QRect(2, 4, HandleExtent() - 4, height() - 8);
    option.state |= QStyle::State_Horizontal;
    QPainter p(this);
    style()->drawPrimitive(QStyle::PE_IndicatorToolBarHandle, &option, &p, this);
  }

 private:
  int HandleExtent() const { return style()->pixelMetric(QStyle::PM_ToolBarHandleExtent, nullptr, this) + 4; }
};

ScrollAction ActionOf(int sliderAction) {
  switch (sliderAction) {
    case QAbstractSlider::SliderSingleStepSub:
      return ScrollAction::LineBack;
    case QAbstractSlider::SliderSingleStepAdd:
      return ScrollAction::LineForward;
    case QAbstractSlider::SliderPageStepSub:
      return ScrollAction::PageBack;
    case QAbstractSlider::SliderPageStepAdd:
      return ScrollAction::PageForward;
    case QAbstractSlider::SliderMove:
      return ScrollAction::ThumbTrack;
    default:
      return ScrollAction::Other;
  }
}

}  // namespace

CTevView::CTevView(QWidget* parent, CTevDoc& doc, const std::string& settingsDir, MainSettings& colours,
                   ViewOptions options)
    : QWidget(parent), doc_(doc), colours_(colours), options_(std::move(options)) {
  const SettingsStore store(settingsDir);
  ReadViewSettings(store, viewSettings_, recording_.isFahrenheit);
  if (!options_.runModal) options_.runModal = [](QDialog& dialog) { return dialog.exec(); };
  if (!options_.redrawAllViews) options_.redrawAllViews = [this] { Redraw(); };
  if (!options_.pointerPosition) options_.pointerPosition = [this] { return mapFromGlobal(QCursor::pos()); };
  timers_ = options_.timers;
  if (!timers_) {
    ownTimers_ = std::make_unique<QtTimerHost>();
    timers_ = ownTimers_.get();
  }
  timers_->setHandler([this](int id) { OnTimer(id); });
  // Every pixel comes from paintEvent; nothing is erased behind it.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(1, 1);
  if (!options_.prompts) {
    ownPrompts_ = std::make_unique<QtUserPrompts>(this);
    options_.prompts = ownPrompts_.get();
  }
  CreateActions();
  colorDialog_ = new CColorSetupDlg(this, colours_, [this] { options_.redrawAllViews(); });
}

CTevView::~CTevView() {
  timers_->setHandler({});
  for (int id : {kTimerCursorCheck, kTimerResizeRedraw, kTimerDragCheck}) timers_->stop(id);
}

void CTevView::CreateActions() {
  const auto add = [this](int id, const QString& text, void (CTevView::*slot)()) {
    auto* a = new QAction(text, this);
    if (slot) connect(a, &QAction::triggered, this, slot);
    addAction(a);
    actions_[id] = a;
    return a;
  };
  add(kCmdUndoZoom, QStringLiteral("Undozoom"), &CTevView::UndoZoom)->setToolTip(QStringLiteral("ZoomOut"));
  add(kCmdUnit, QStringLiteral("Unit(\u00b0C/\u00b0F)"), &CTevView::OnUnit);
  add(kCmdYAxis, QStringLiteral("YAxis Set"), &CTevView::OnYAxis);
  add(kCmdColors, QStringLiteral("Color Setup"), &CTevView::OnColors);
  add(kCmdViewElements, QStringLiteral("View"), &CTevView::OnViewElements);
  // Reachable as actions only: no menu, button or key carries them.
  connect(add(kCmdTempCurveOnly, QStringLiteral("Temp"), nullptr), &QAction::triggered, this,
          [this] { ShowCurves(true, false); });
  connect(add(kCmdRhCurveOnly, QStringLiteral("RH"), nullptr), &QAction::triggered, this,
          [this] { ShowCurves(false, true); });
  connect(add(kCmdBothCurves, QStringLiteral("Temp and RH"), nullptr), &QAction::triggered, this,
          [this] { ShowCurves(true, true); });
}

QAction* CTevView::action(int commandId) const {
  const auto it = actions_.find(commandId);
  return it == actions_.end() ? nullptr : it->second;
}

// ---- Children ----

void CTevView::EnsurePanel() {
  if (statsPanel_) return;
  // The panel is wider than many windows: in a narrow view it scrolls sideways.
  panelArea_ = new QScrollArea(this);
  panelArea_->setObjectName(QStringLiteral("panelArea"));
  panelArea_->setFrameShape(QFrame::NoFrame);
  panelArea_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  panelArea_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  panelArea_->setWidgetResizable(false);
  statsPanel_ = new CStatsPanel(panelArea_);
  panelArea_->setWidget(statsPanel_);
  statsPanel_->move(0, 0);
  PlaceChildren();
  panelArea_->show();
  // A recording that arrived before the panel existed is shown at once.
  if (recording_.readingCount >= 1) ShowPanelTexts();
}

void CTevView::EnsureGraphChildren() {
  const int cx = width(), cy = height();
  const auto makeBar = [this](Qt::Orientation o, const QRect& place) {
    auto* bar = new QScrollBar(o, this);
    bar->setGeometry(place.normalized());
    bar->setEnabled(false);
    bar->setRange(0, 0);
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int a) { OnScrollAction(bar, a); });
    return bar;
  };
  if (!hScrollBar_) {
    hScrollBar_ = makeBar(Qt::Horizontal, QRect(80, cy - 50, std::max(0, cx - 160), 20));
    hScrollBar_->setObjectName(QStringLiteral("hScrollBar"));
  }
  if (!tempScrollBar_) {
    tempScrollBar_ = makeBar(Qt::Vertical, QRect(0, 175, 20, std::max(0, cy - 265)));
    tempScrollBar_->setObjectName(QStringLiteral("tempScrollBar"));
  }
  if (!rhScrollBar_) {
    rhScrollBar_ = makeBar(Qt::Vertical, QRect(cx - 20, 175, 20, std::max(0, cy - 265)));
    rhScrollBar_->setObjectName(QStringLiteral("rhScrollBar"));
  }
  if (!viewToolBar_) {
    viewToolBar_ = new ViewToolBar(this);
    viewToolBar_->setObjectName(QStringLiteral("viewToolBar"));
    viewToolBar_->setMovable(true);
    viewToolBar_->setIconSize(QSize(kButtonWidth, kButtonHeight));
    viewToolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    const QColor face = palette().button().color();
    for (const ToolButtonSpec& b : kViewButtons) {
      QAction* a = action(b.id);
      a->setIcon(QIcon(CaptionPicture(QString::fromUtf8(b.caption), face)));
      viewToolBar_->addAction(a);
    }
    viewToolBar_->setGeometry(0, kToolBarFirstTop, cx, kToolBarHeight);
    viewToolBar_->raise();
  }
  if (dataList_) dataList_->hide();
  for (QWidget* w : {static_cast<QWidget*>(hScrollBar_), static_cast<QWidget*>(tempScrollBar_),
                     static_cast<QWidget*>(rhScrollBar_), static_cast<QWidget*>(viewToolBar_)}) {
    if (!w->isVisible()) w->show();
  }
}

void CTevView::PlaceChildren() {
  const int cx = width(), cy = height();
  if (panelArea_) {
    // The sideways bar sits in the room above the view's toolbar.
    const QSize panel = statsPanel_->size();
    panelArea_->setGeometry(0, 0, cx, cx < panel.width() ? kToolBarTop : panel.height());
  }
  if (dataList_) dataList_->setGeometry(0, kListTop, cx, std::max(0, cy - kListTop));
  if (viewToolBar_) viewToolBar_->setGeometry(0, kToolBarTop, cx, kToolBarHeight);
  if (hScrollBar_) hScrollBar_->setGeometry(80, cy - 50, std::max(0, cx - 160), 20);
  if (tempScrollBar_) tempScrollBar_->setGeometry(0, 165, 20, std::max(0, cy - 254));
  if (rhScrollBar_) rhScrollBar_->setGeometry(cx - 20, 165, 20, std::max(0, cy - 254));
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
  PlaceChildren();
}

void CTevView::FillDataList() {
  if (recording_.readingCount < 1) return;
  if (!dataList_) CreateDataList();
  // Hidden while it is refilled; the drawing shows it again in list mode.
  dataList_->hide();
  if (recording_.listNeedsRefill) {
    dataListModel_->Reset(DataListSourceFor(doc_, recording_));
    recording_.listNeedsRefill = 0;
    // A new recording is shown from its first row, nothing selected; switching modes keeps
    // the place and the selection.
    dataList_->clearSelection();
    dataList_->setCurrentIndex(QModelIndex());
    dataList_->scrollToTop();
    // A new recording: the readout of the old one no longer applies.
    readoutText_.clear();
    readoutIndex_ = -1;
  } else {
    dataListModel_->Reset(DataListSource{});
  }
  Redraw();
}

void CTevView::SetDisplayMode(uint8_t mode) {
  recording_.displayMode = mode;
  Redraw();
}

// In graph mode the composed picture reaches the window from y = 160 down; above it the panel
// and the toolbar paint themselves and the picture is plain margin. A change of mode repaints all.
void CTevView::Redraw() {
  if (recording_.displayMode == 1 && paintedMode_ == 1) {
    Redraw(QRect(0, kImageBandTop, width(), std::max(0, height() - kImageBandTop)));
  } else {
    Redraw(rect());
  }
}

void CTevView::Redraw(const QRect& area) {
  composeDue_ = true;
  update(area);
}

// ---- Drawing ----

void CTevView::DrawGraphInto(QImage& image) {
  const GraphScene scene =
      BuildGraphScene(graph_, doc_, recording_, viewSettings_, Geometry(), ScreenSceneStyle(), readoutText_);
  QPainter p(&image);
  PaintGraphScene(p, scene, GraphColorsFor(colours_, palette().button().color()));
}

void CTevView::Compose() {
  if (composed_.size() != size()) composed_ = QImage(size(), QImage::Format_RGB32);
  DrawGraphInto(composed_);
  // The cursor line is gone after a redraw, also where this paint does not reach.
  if (cursorLineVisible_) update(CursorLineRect(cursorX_));
  cursorLineVisible_ = false;
  composeDue_ = false;
  SyncScrollBars();
}

QImage CTevView::GraphImage() {
  QImage image(size(), QImage::Format_RGB32);
  DrawGraphInto(image);
  SyncScrollBars();
  return image;
}

void CTevView::PaintReadoutBar() {
  if (composed_.isNull()) return;
  const PlotGeometry geo = Geometry();
  GraphScene bar;
  bar.cx = geo.cx;
  bar.cy = geo.cy;
  SceneOp fill;
  fill.kind = SceneOp::Kind::Fill;
  fill.color = SceneColor::ReadoutBar;
  fill.x0 = 0;
  fill.y0 = geo.cy - kReadoutBarHeight;
  fill.x1 = geo.cx;
  fill.y1 = kReadoutBarHeight;
  bar.ops.push_back(fill);
  SceneOp text;
  text.kind = SceneOp::Kind::Text;
  text.font = SceneFont::Readout;
  text.color = SceneColor::White;
  text.x0 = geo.L;
  text.y0 = geo.cy - 23;
  text.text = readoutText_;
  bar.ops.push_back(text);
  QPainter p(&composed_);
  PaintGraphScene(p, bar, GraphColorsFor(colours_, palette().button().color()));
  update(QRect(0, geo.cy - kReadoutBarHeight, geo.cx, kReadoutBarHeight));
}

void CTevView::SyncScrollBars() {
  syncingBars_ = true;
  const auto apply = [](QScrollBar* bar, const ScrollBarState& s) {
    if (!bar) return;
    bar->setRange(s.minimum, std::max(s.minimum, s.maximum));
    bar->setSliderPosition(s.position);
    bar->setEnabled(s.enabled);
  };
  apply(hScrollBar_, graph_.hBar);
  apply(tempScrollBar_, graph_.tempBar);
  apply(rhScrollBar_, graph_.rhBar);
  syncingBars_ = false;
}

QRect CTevView::CursorLineRect(int x) const {
  const PlotGeometry geo = Geometry();
  return QRect(x, geo.T, 1, std::max(0, geo.H()));
}

QRect CTevView::BandRect(QPoint a, QPoint b) const { return QRect(a, b).normalized(); }

bool CTevView::OverlayInverts(int x, int y) const {
  bool inverted = false;
  if (dragActive_ && dragLast_ != dragAnchor_) {
    // A one-pixel outline through a 50 % halftone pattern.
    const QRect r = BandRect(dragAnchor_, dragLast_);
    const bool onEdge = ((y == r.top() || y == r.bottom()) && x >= r.left() && x <= r.right()) ||
                        ((x == r.left() || x == r.right()) && y > r.top() && y < r.bottom());
    if (onEdge && ((x + y) & 1) == 0) inverted = !inverted;
  }
  if (cursorLineVisible_ && x == cursorX_) {
    const PlotGeometry geo = Geometry();
    if (y >= geo.T && y < geo.B && ((y - geo.T) & 1) == 0) inverted = !inverted;
  }
  return inverted;
}

void CTevView::PaintOverlays(QPainter& painter, const QRect& area) {
  painter.drawImage(area.topLeft(), composed_, area);
  // Both outlines invert the pixels they cover, so where they cross the picture shows through.
  // Only their thin strips are copied and inverted.
  std::vector<QRect> strips;
  if (cursorLineVisible_) strips.push_back(CursorLineRect(cursorX_));
  if (dragActive_ && dragLast_ != dragAnchor_) {
    const QRect r = BandRect(dragAnchor_, dragLast_);
    strips.push_back(QRect(r.left(), r.top(), r.width(), 1));
    strips.push_back(QRect(r.left(), r.bottom(), r.width(), 1));
    strips.push_back(QRect(r.left(), r.top(), 1, r.height()));
    strips.push_back(QRect(r.right(), r.top(), 1, r.height()));
  }
  for (const QRect& strip : strips) {
    const QRect t = strip.intersected(area).intersected(composed_.rect());
    if (t.isEmpty()) continue;
    QImage part = composed_.copy(t);
    for (int y = t.top(); y <= t.bottom(); ++y) {
      for (int x = t.left(); x <= t.right(); ++x) {
        if (!OverlayInverts(x, y)) continue;
        const int px = x - t.x(), py = y - t.y();
        part.setPixel(px, py, part.pixel(px, py) ^ 0x00FFFFFFu);
      }
    }
    painter.drawImage(t.topLeft(), part);
  }
}

void CTevView::paintEvent(QPaintEvent* event) {
  if (isPrinting_) return;
  const bool rebuildTexts = recording_.rebuildTextsOnDraw != 0;
  if (rebuildTexts) {
    RebuildHeaderTexts(doc_, recording_);
    ResetZoomForNewFile(graph_);
    composeDue_ = true;
  }
  QPainter painter(this);
  paintedMode_ = recording_.displayMode;
  if (recording_.displayMode == 0) {
    painter.fillRect(rect(), kEmptyViewColor);
  } else {
    EnsurePanel();
    if (recording_.displayMode == 1) {
      EnsureGraphChildren();
      if (composeDue_ || composed_.size() != size()) Compose();
      // Piece by piece: a cursor move changes two thin columns and the readout bar only.
      for (const QRect& area : event->region()) PaintOverlays(painter, area.intersected(rect()));
    } else {
      for (QWidget* w : {static_cast<QWidget*>(hScrollBar_), static_cast<QWidget*>(tempScrollBar_),
                         static_cast<QWidget*>(rhScrollBar_), static_cast<QWidget*>(viewToolBar_)}) {
        if (w) w->hide();
      }
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
  PlaceChildren();
  composeDue_ = true;
  timers_->start(kTimerResizeRedraw, 50);
}

void CTevView::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  if (options_.isDownloading && options_.isDownloading()) return;
  options_.redrawAllViews();
}

// ---- Mouse ----

bool CTevView::GraphInteractive() const {
  return recording_.displayMode == 1 && recording_.readingCount >= 1 && Geometry().HasRoom();
}

QPoint CTevView::PointerNow() const { return options_.pointerPosition(); }

void CTevView::RemoveCursorLine() {
  if (!cursorLineVisible_) return;
  cursorLineVisible_ = false;
  update(CursorLineRect(cursorX_));
}

void CTevView::mousePressEvent(QMouseEvent* event) {
  setFocus(Qt::MouseFocusReason);
  QWidget::mousePressEvent(event);
  if (event->button() != Qt::LeftButton || !GraphInteractive()) return;
  const PlotGeometry geo = Geometry();
  const QPoint at = event->position().toPoint();
  const int x = std::clamp(at.x(), geo.L, geo.R);
  const int y = std::clamp(at.y(), geo.T, geo.B);
  RemoveCursorLine();
  StoreSelectionStart(graph_, geo, x, y);
  dragActive_ = true;
  noDragMovement_ = true;
  dragAnchor_ = dragLast_ = QPoint(x, y);
  timers_->start(kTimerDragCheck, 10);
}

void CTevView::mouseMoveEvent(QMouseEvent* event) {
  QWidget::mouseMoveEvent(event);
  if (!GraphInteractive()) return;
  const PlotGeometry geo = Geometry();
  const QPoint at = event->position().toPoint();
  const int x = std::clamp(at.x(), geo.L, geo.R);
  int y = at.y();
  if (dragActive_) {
    y = std::clamp(y, geo.T, geo.B);
    const QPoint next(x, y);
    update(BandRect(dragAnchor_, dragLast_));
    if (next != dragAnchor_) noDragMovement_ = false;
    dragLast_ = next;
    update(BandRect(dragAnchor_, dragLast_));
  }
  const int n = recording_.readingCount;
  if (geo.T + 1 <= y && y <= geo.B) {
    timers_->start(kTimerCursorCheck, 100);
    if (n >= 2) readoutIndex_ = PickReading(graph_, n, x);
    RemoveCursorLine();
    cursorX_ = x;
    cursorLineVisible_ = true;
    update(CursorLineRect(cursorX_));
  } else {
    RemoveCursorLine();
  }
  if (n == 1) readoutIndex_ = 0;
  if (readoutIndex_ >= 0 && readoutIndex_ < n) {
    readoutText_ = ReadoutText(doc_, recording_, readoutIndex_);
    PaintReadoutBar();
  }
}

void CTevView::mouseReleaseEvent(QMouseEvent* event) {
  QWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !GraphInteractive()) return;
  const PlotGeometry geo = Geometry();
  const QPoint at = event->position().toPoint();
  StoreSelectionEnd(graph_, geo, std::clamp(at.x(), geo.L, geo.R), std::clamp(at.y(), geo.T, geo.B));
  if (dragActive_) {
    update(BandRect(dragAnchor_, dragLast_));
    dragActive_ = false;
  }
  if (!noDragMovement_) {
    FinishSelection(graph_, geo);
    noDragMovement_ = true;
  }
  Redraw(QRect(0, kGraphBandTop, width(), height() - kGraphBandTop));
}

// ---- Timers ----

void CTevView::OnTimer(int id) {
  const PlotGeometry geo = Geometry();
  switch (id) {
    case kTimerCursorCheck: {
      timers_->stop(kTimerCursorCheck);
      const int y = PointerNow().y();
      if (y <= geo.T || y >= geo.B) RemoveCursorLine();
      break;
    }
    case kTimerResizeRedraw:
      timers_->stop(kTimerResizeRedraw);
      Redraw(QRect(QPoint(geo.L, geo.T), QPoint(geo.R, geo.B)));
      break;
    case kTimerDragCheck: {
      // Without a drag there is nothing to watch; the timer need not keep ticking.
      if (!dragActive_) {
        timers_->stop(kTimerDragCheck);
        break;
      }
      const QPoint p = PointerNow();
      const bool inside =
          geo.L - 50 < p.x() && p.x() < width() - 20 && geo.T - 3 < p.y() && p.y() < geo.B + 20;
      if (!inside) {
        dragActive_ = false;
        noDragMovement_ = true;
        timers_->stop(kTimerDragCheck);
        Redraw();
        repaint();
      }
      break;
    }
    default:
      break;
  }
}

// ---- Scroll bars ----

void CTevView::OnScrollAction(QScrollBar* bar, int sliderAction) {
  if (syncingBars_) return;
  const ScrollAction action = ActionOf(sliderAction);
  const int p = bar->sliderPosition();
  const int cx = width(), cy = height();
  if (bar == hScrollBar_) {
    HorizontalScroll(graph_, action, p, cx, recording_.readingCount);
    bar->setSliderPosition(graph_.hBar.position);
    Redraw(QRect(QPoint(20, 175), QPoint(cx - 35, cy - 50)));
  } else {
    const int series = bar == tempScrollBar_ ? 0 : 1;
    VerticalScroll(graph_, series, action, p);
    bar->setSliderPosition(series == 0 ? graph_.tempBar.position : graph_.rhBar.position);
    Redraw(QRect(QPoint(20, 163), QPoint(cx - 35, cy - 60)));
  }
}

// ---- Commands ----

void CTevView::UndoZoom() {
  k7740::UndoZoom(graph_);
  SyncScrollBars();
  Redraw(QRect(0, kGraphBandTop, width(), height() - kGraphBandTop));
}

void CTevView::OnUnit() {
  recording_.isFahrenheit = recording_.isFahrenheit ? 0 : 1;
  SelectDisplayedTempTexts(recording_);
  ShowPanelTexts();
  options_.redrawAllViews();
}

void CTevView::OnYAxis() {
  CYAxisSetupDlg dialog(this, viewSettings_, *options_.prompts, [this] { options_.redrawAllViews(); });
  if (options_.runModal(dialog) == QDialog::Accepted) UndoZoom();
}

void CTevView::OnColors() {
  colorDialog_->Open();
  options_.runModal(*colorDialog_);
}

void CTevView::OnViewElements() {
  CViewDlg dialog(this, viewSettings_);
  options_.runModal(dialog);
}

void CTevView::ShowCurves(bool temperature, bool humidity) {
  viewSettings_.showTempCurve = temperature ? 1 : 0;
  viewSettings_.showRhCurve = humidity ? 1 : 0;
  Redraw(QRect(0, kGraphBandTop, width(), height() - kGraphBandTop));
}

}  // namespace k7740
