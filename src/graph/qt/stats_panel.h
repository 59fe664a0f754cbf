// The statistics panel across the top of the graph view: 14 read-only fields that show the
// recording's header and summary texts.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <array>

#include "recording/recording.h"

namespace k7740 {

class CStatsPanel : public QWidget {
  Q_OBJECT
 public:
  explicit CStatsPanel(QWidget* parent);

  // Copies the 14 texts into the fields; the panel never writes them back.
  void ShowTexts(const RecordingView& view);

  // Field i in panel order (the order of kPanelFields).
  QLineEdit* field(int i) const { return fields_[static_cast<size_t>(i)]; }
  QLabel* label(int i) const { return labels_[static_cast<size_t>(i)]; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::array<QLineEdit*, 14> fields_{};
  std::array<QLabel*, 14> labels_{};
};

}  // namespace k7740
