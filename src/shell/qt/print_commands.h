// The main window's Print Setup, Print Preview and Print: the graph view's printout through
// Qt's page setup, print dialog and preview window, on one printer kept between them.
#pragma once

#include <QObject>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <ctime>
#include <functional>

#include "graph/qt/page_painter.h"

class QDialog;
class QWidget;

namespace k7740 {

class CTevView;

inline constexpr int kCmdPrintSetup = 57606;
inline constexpr int kCmdPrintPreview = 32885;
inline constexpr int kCmdPrint = 32886;

// A PDF from the print dialog or the preview at the CLI's resolution, so both give the same page.
inline constexpr int kPdfDotsPerInch = 600;

class PrintCommands : public QObject {
  Q_OBJECT
 public:
  // runModal shows the page setup and the print dialog; clock gives the footer's date.
  PrintCommands(QWidget* window, CTevView& view, std::function<int(QDialog&)> runModal,
                std::function<std::time_t()> clock);
  ~PrintCommands() override;

  void OnPrintSetup();
  void OnPrintPreview();
  void OnPrint();

  // A close request while the preview is shown ends the preview only; true when it did.
  bool ClosePreview();

  QPrintPreviewDialog* preview() const { return preview_; }
  QPrinter& printer() { return printer_; }

  // Every page of the view's printout onto the printer (pages first..last; 0 means to the end).
  bool PrintPages(QPrinter& printer, int first = 1, int last = 0);

 private:
  ReportSource Source() const;
  void PreviewClosed();

  QWidget* window_;
  CTevView& view_;
  std::function<int(QDialog&)> runModal_;
  std::function<std::time_t()> clock_;
  QPrinter printer_;
  QPointer<QPrintPreviewDialog> preview_;
};

}  // namespace k7740
