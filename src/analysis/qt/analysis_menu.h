// The "&Analysis" pop-up menu of the main window: a summary of the cold-chain figures and the
// export of the readings, both over the current recording.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "recording/recording.h"
#include "shell/user_prompts.h"

class QAction;
class QDialog;
class QMenu;
class QMenuBar;
class QWidget;

namespace k7740 {

inline constexpr const char* kAnalysisMenuTitle = "&Analysis";
inline constexpr const char* kSummaryText = "Summary...";
inline constexpr const char* kExportReadingsText = "Export Readings...";
inline constexpr const char* kExportGraphImageText = "Export Graph Image...";
inline constexpr const char* kExportGraphImageTitle = "Export Graph Image";
inline constexpr const char* kPngFilter = "PNG images (*.png)";
inline constexpr const char* kSummaryTitle = "Summary";
inline constexpr const char* kExportReadingsTitle = "Export Readings";
inline constexpr const char* kCsvFilter = "CSV files (*.csv)";
inline constexpr const char* kJsonFilter = "JSON files (*.json)";

// Where the readings go; an empty path means cancelled.
struct ExportTarget {
  QString path;
  QString selectedFilter;  // kCsvFilter or kJsonFilter
};

// The summary window: the labelled figures in a read-only, selectable text and a Copy button.
std::unique_ptr<QDialog> CreateSummaryDialog(QWidget* parent, const QString& text);

class CAnalysisMenu : public QObject {
  Q_OBJECT
 public:
  // Appends the menu to bar; window parents the dialogs. doc and view are the recording and
  // outlive the menu.
  CAnalysisMenu(QMenuBar* bar, QWidget* window, const CTevDoc& doc, const RecordingView& view,
                UserPrompts& prompts);

  QMenu* menu() const { return menu_; }
  QAction* summaryAction() const { return summary_; }
  QAction* exportReadingsAction() const { return exportReadings_; }
  QAction* exportGraphImageAction() const { return exportGraphImage_; }

  // Both items are enabled exactly while the recording has readings, like Save.
  void UpdateEnabling();
  void OnSummary();
  // CSV unless the name ends in .json or the JSON filter was chosen for a name without either
  // ending (which then gets the filter's).
  void OnExportReadings();
  // The graph as the view shows it now, as PNG; ".png" is added to a name without it.
  void OnExportGraphImage();

  // Replaceable for tests; by default QDialog::exec and a save dialog.
  std::function<int(QDialog&)> runModal;
  std::function<ExportTarget()> chooseExportTarget;
  std::function<QString()> chooseImagePath;
  // The picture to export; the main window gives the graph view's.
  std::function<QImage()> graphImage;

 private:
  QWidget* window_;
  const CTevDoc& doc_;
  const RecordingView& view_;
  UserPrompts& prompts_;
  QMenu* menu_ = nullptr;
  QAction* summary_ = nullptr;
  QAction* exportReadings_ = nullptr;
  QAction* exportGraphImage_ = nullptr;
};

}  // namespace k7740
