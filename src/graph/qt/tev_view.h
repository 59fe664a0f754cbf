// The graph view: the right-hand pane of the main window. It owns the recording values and
// view flags, the view's settings, the statistics panel and the data list. Grey until a
// recording is shown; then the panel across its top and, in list mode, the list below it.
#pragma once

#include <QColor>
#include <QTableView>
#include <QWidget>
#include <string>

#include "recording/recording.h"
#include "settings/settings_table.h"

namespace k7740 {

class CStatsPanel;
class DataListModel;

// The colour of the whole view while no recording is shown.
inline const QColor kEmptyViewColor(155, 155, 155);
// The cursor readout bar along the bottom edge.
inline const QColor kReadoutBarColor(55, 55, 55);

// Colour of a stored colour index (an index above 13, from a hand-edited file, is that much red).
QColor ColorFromIndex(int index);

// Places of the view's children and of the plot (client pixels).
inline constexpr int kListTop = 130;
inline constexpr int kPlotLeft = 80;
inline constexpr int kPlotTop = 175;
inline constexpr int kPlotRightMargin = 80;
inline constexpr int kPlotBottomMargin = 90;
inline constexpr int kReadoutBarHeight = 28;
inline constexpr int kListRowHeight = 20;

class CTevView : public QWidget {
  Q_OBJECT
 public:
  // Reads the view's settings (and the displayed unit) from the settings file in settingsDir
  // (empty: the machine-wide folder). colours: the main window's colour indices.
  CTevView(QWidget* parent, CTevDoc& doc, const std::string& settingsDir, const MainSettings& colours);
  ~CTevView() override;

  RecordingView& recording() { return recording_; }
  const RecordingView& recording() const { return recording_; }
  ViewSettings& viewSettings() { return viewSettings_; }
  const ViewSettings& viewSettings() const { return viewSettings_; }

  // Creates the list on first use and refills it from the recording (when listNeedsRefill).
  void FillDataList();
  // Copies the 14 recording texts into the panel, if it exists.
  void ShowPanelTexts();
  // Graph (1) or list (2); the view redraws.
  void SetDisplayMode(uint8_t mode);
  // The graph's undo-zoom; the graph has no zoom yet, so it only redraws.
  void UndoZoom();

  CStatsPanel* statsPanel() const { return statsPanel_; }
  QTableView* dataList() const { return dataList_; }
  DataListModel* dataListModel() const { return dataListModel_; }

  // The plot rectangle for the current size (empty when the view is too small).
  QRect PlotRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void EnsurePanel();
  void CreateDataList();
  void PlaceDataList();
  void PaintGraphBand(QPainter& painter);

  CTevDoc& doc_;
  const MainSettings& colours_;
  RecordingView recording_;
  ViewSettings viewSettings_;
  CStatsPanel* statsPanel_ = nullptr;
  QTableView* dataList_ = nullptr;
  DataListModel* dataListModel_ = nullptr;
};

}  // namespace k7740
