#include "shell/qt/print_commands.h"

#include <QAbstractPrintDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QWidget>
#include <algorithm>

#include "graph/qt/data_list_model.h"
#include "graph/qt/tev_view.h"

namespace k7740 {

namespace {

void UsePdfResolution(QPrinter& printer) {
  if (printer.outputFormat() == QPrinter::PdfFormat && printer.resolution() != kPdfDotsPerInch) {
    printer.setResolution(kPdfDotsPerInch);
  }
}

}  // namespace

PrintCommands::PrintCommands(QWidget* window, CTevView& view, std::function<int(QDialog&)> runModal,
                             std::function<std::time_t()> clock)
    : window_(window),
      view_(view),
      runModal_(std::move(runModal)),
      clock_(std::move(clock)),
      printer_(QPrinter::HighResolution) {
  UsePdfResolution(printer_);
}

PrintCommands::~PrintCommands() { delete preview_.data(); }

ReportSource PrintCommands::Source() const {
  ReportSource s;
  s.graph = &view_.graphState();
  s.doc = &view_.document();
  s.rec = &view_.recording();
  s.viewSettings = &view_.viewSettings();
  s.colours = &view_.colours();
  // The list pages print the rows the list shows.
  s.list = view_.dataListModel() ? view_.dataListModel()->source() : DataListSourceFor(*s.doc, *s.rec);
  s.now = clock_();
  return s;
}

bool PrintCommands::PrintPages(QPrinter& printer, int first, int last) {
  ReportSource source = Source();
  const int count = ReportPageCount(source);
  first = std::clamp(first, 1, count);
  last = last <= 0 ? count : std::clamp(last, first, count);
  // The page's layout fills the graph state's caches with page coordinates; the screen stays
  // out of the way meanwhile and lays itself out again afterwards.
  view_.SetPrinting(true);
  const bool ok = PaintReport(printer, source, first, last);
  view_.SetPrinting(false);
  view_.Redraw();
  return ok;
}

void PrintCommands::OnPrintSetup() {
  QPageSetupDialog dialog(&printer_, window_);
  runModal_(dialog);
}

void PrintCommands::OnPrint() {
  ClosePreview();
  const int count = ReportPageCount(Source());
  printer_.setFromTo(0, 0);
  printer_.setPrintRange(QPrinter::AllPages);
  QPrintDialog dialog(&printer_, window_);
  dialog.setMinMax(1, count);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, count > 1);
  if (runModal_(dialog) != QDialog::Accepted) return;
  UsePdfResolution(printer_);
  int first = 1, last = count;
  if (printer_.printRange() == QPrinter::PageRange && printer_.fromPage() > 0) {
    first = printer_.fromPage();
    last = printer_.toPage() > 0 ? printer_.toPage() : count;
  }
  PrintPages(printer_, first, last);
}

void PrintCommands::OnPrintPreview() {
  if (preview_) {
    preview_->raise();
    preview_->activateWindow();
    return;
  }
  UsePdfResolution(printer_);
  // Not modal: the main window stays usable, and closing it ends the preview.
  preview_ = new QPrintPreviewDialog(&printer_, window_);
  preview_->setWindowModality(Qt::NonModal);
  if (window_) preview_->resize(window_->size());
  connect(preview_.data(), &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) {
    UsePdfResolution(*printer);
    PrintPages(*printer);
  });
  connect(preview_.data(), &QDialog::finished, this, &PrintCommands::PreviewClosed);
  preview_->show();
}

bool PrintCommands::ClosePreview() {
  if (!preview_ || !preview_->isVisible()) return false;
  preview_->reject();
  return true;
}

void PrintCommands::PreviewClosed() {
  view_.SetPrinting(false);
  view_.Redraw();
  if (preview_) preview_->deleteLater();
  preview_ = nullptr;
}

}  // namespace k7740
