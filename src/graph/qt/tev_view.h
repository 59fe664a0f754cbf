// The graph view: the right-hand pane of the main window. It owns the recording values and
// view flags, the view's settings, the graph state, the statistics panel, the view toolbar, the
// three scroll bars and the data list. Grey until a recording is shown; then the panel across
// its top and the graph or the list below it.
#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QTableView>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "graph/graph_state.h"
#include "recording/recording.h"
#include "settings/settings_table.h"

class QAction;
class QDialog;
class QScrollArea;
class QScrollBar;
class QToolBar;

namespace k7740 {

class CStatsPanel;
class DataListModel;
class TimerHost;
class UserPrompts;
class CColorSetupDlg;

// The colour of the whole view while no recording is shown.
inline const QColor kEmptyViewColor(155, 155, 155);
// The cursor readout bar along the bottom edge.
inline const QColor kReadoutBarColor(55, 55, 55);

// Places of the view's children (client pixels).
inline constexpr int kListTop = 130;
inline constexpr int kReadoutBarHeight = 28;
inline constexpr int kListRowHeight = 20;

// Commands of the view.
inline constexpr int kCmdUndoZoom = 32792;
inline constexpr int kCmdUnit = 32860;
inline constexpr int kCmdYAxis = 32868;
inline constexpr int kCmdColors = 32845;
inline constexpr int kCmdViewElements = 32881;
inline constexpr int kCmdTempCurveOnly = 32820;
inline constexpr int kCmdRhCurveOnly = 32821;
inline constexpr int kCmdBothCurves = 32823;

// Timers of the view.
inline constexpr int kTimerCursorCheck = 1;
inline constexpr int kTimerResizeRedraw = 2;
inline constexpr int kTimerDragCheck = 3;

struct ViewOptions {
  TimerHost* timers = nullptr;              // the view's timers 1-3; default: QTimer
  UserPrompts* prompts = nullptr;           // message boxes of the appearance dialogs
  std::function<int(QDialog&)> runModal;    // default: QDialog::exec
  std::function<bool()> isDownloading;      // no redraw on focus while true
  std::function<void()> redrawAllViews;     // default: this view redraws
  std::function<QPoint()> pointerPosition;  // in view pixels; default: the mouse cursor
};

class CTevView : public QWidget {
  Q_OBJECT
 public:
  // Reads the view's settings (and the displayed unit) from the settings file in settingsDir
  // (empty: the machine-wide folder). colours: the main window's colour indices.
  CTevView(QWidget* parent, CTevDoc& doc, const std::string& settingsDir, MainSettings& colours,
           ViewOptions options = {});
  ~CTevView() override;

  RecordingView& recording() { return recording_; }
  const RecordingView& recording() const { return recording_; }
  ViewSettings& viewSettings() { return viewSettings_; }
  const ViewSettings& viewSettings() const { return viewSettings_; }
  GraphState& graphState() { return graph_; }
  const GraphState& graphState() const { return graph_; }
  MainSettings& colours() { return colours_; }
  const CTevDoc& document() const { return doc_; }

  // Creates the list on first use and refills it from the recording (when listNeedsRefill).
  void FillDataList();
  // Copies the 14 recording texts into the panel, if it exists.
  void ShowPanelTexts();
  // Graph (1) or list (2); the view redraws.
  void SetDisplayMode(uint8_t mode);
  // A full redraw of the view (or of a part of it) composed anew.
  void Redraw();
  void Redraw(const QRect& area);

  // Commands of the view.
  void UndoZoom();
  void OnUnit();
  void OnYAxis();
  void OnColors();
  void OnViewElements();
  void ShowCurves(bool temperature, bool humidity);
  QAction* action(int commandId) const;

  // While a page is drawn the screen drawing stays out of the way.
  void SetPrinting(bool printing) { isPrinting_ = printing; }
  bool isPrinting() const { return isPrinting_; }

  CStatsPanel* statsPanel() const { return statsPanel_; }
  QScrollArea* panelArea() const { return panelArea_; }
  QTableView* dataList() const { return dataList_; }
  DataListModel* dataListModel() const { return dataListModel_; }
  QToolBar* viewToolBar() const { return viewToolBar_; }
  QScrollBar* hScrollBar() const { return hScrollBar_; }
  QScrollBar* tempScrollBar() const { return tempScrollBar_; }
  QScrollBar* rhScrollBar() const { return rhScrollBar_; }
  CColorSetupDlg* colorDialog() const { return colorDialog_; }

  // The graph as it is shown now (zoom, scroll, colours, readout), drawn anew at the view's
  // size; also in list mode.
  QImage GraphImage();
  // The graph as composed for the last redraw (without the cursor line and rubber band).
  const QImage& composedImage() const { return composed_; }
  PlotGeometry Geometry() const { return ScreenPlotGeometry(width(), height()); }
  bool cursorLineVisible() const { return cursorLineVisible_; }
  int cursorX() const { return cursorX_; }
  bool dragActive() const { return dragActive_; }
  int readoutIndex() const { return readoutIndex_; }
  const std::string& readoutText() const { return readoutText_; }

  // The timers' entry point (the QTimer host or a test's virtual clock calls it).
  void OnTimer(int id);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;

 private:
  void CreateActions();
  void EnsurePanel();
  void EnsureGraphChildren();
  void CreateDataList();
  void PlaceChildren();
  // Lays the graph out and paints it into image (the view's size).
  void DrawGraphInto(QImage& image);
  void Compose();
  void PaintReadoutBar();
  void SyncScrollBars();
  void OnScrollAction(QScrollBar* bar, int action);
  bool GraphInteractive() const;
  QPoint PointerNow() const;
  void RemoveCursorLine();
  QRect CursorLineRect(int x) const;
  QRect BandRect(QPoint a, QPoint b) const;
  void PaintOverlays(QPainter& painter, const QRect& area);
  bool OverlayInverts(int x, int y) const;

  CTevDoc& doc_;
  MainSettings& colours_;
  ViewOptions options_;
  std::unique_ptr<TimerHost> ownTimers_;
  std::unique_ptr<UserPrompts> ownPrompts_;
  TimerHost* timers_ = nullptr;
  RecordingView recording_;
  ViewSettings viewSettings_;
  GraphState graph_;

  CStatsPanel* statsPanel_ = nullptr;
  QScrollArea* panelArea_ = nullptr;
  QTableView* dataList_ = nullptr;
  DataListModel* dataListModel_ = nullptr;
  QToolBar* viewToolBar_ = nullptr;
  QScrollBar* hScrollBar_ = nullptr;
  QScrollBar* tempScrollBar_ = nullptr;
  QScrollBar* rhScrollBar_ = nullptr;
  CColorSetupDlg* colorDialog_ = nullptr;
  std::map<int, QAction*> actions_;

  QImage composed_;
  bool composeDue_ = true;
  uint8_t paintedMode_ = 255;  // the display mode of the last paint
  bool isPrinting_ = false;
  bool syncingBars_ = false;

  // Interaction state.
  bool dragActive_ = false;
  bool noDragMovement_ = true;
  QPoint dragAnchor_;
  QPoint dragLast_;
  bool cursorLineVisible_ = false;
  int cursorX_ = 0;
  int readoutIndex_ = 0;
  std::string readoutText_;
};

}  // namespace k7740
