#include "analysis/qt/analysis_menu.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/analysis.h"
#include "analysis/export.h"
#include "common/file_io.h"
#include "graph/qt/graph_painter.h"

namespace k7740 {

std::unique_ptr<QDialog> CreateSummaryDialog(QWidget* parent, const QString& text) {
  auto dialog = std::make_unique<QDialog>(parent);
  dialog->setWindowTitle(QString::fromLatin1(kSummaryTitle));
  auto* layout = new QVBoxLayout(dialog.get());
  auto* edit = new QPlainTextEdit(text, dialog.get());
  edit->setObjectName(QStringLiteral("summaryText"));
  edit->setReadOnly(true);
  edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  edit->setMinimumSize(620, 480);
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog.get());
  QPushButton* copy = buttons->addButton(QStringLiteral("&Copy"), QDialogButtonBox::ActionRole);
  QObject::connect(copy, &QPushButton::clicked, edit,
                   [edit] { QApplication::clipboard()->setText(edit->toPlainText()); });
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog.get(), &QDialog::reject);
  layout->addWidget(buttons);
  return dialog;
}

CAnalysisMenu::CAnalysisMenu(QMenuBar* bar, QWidget* window, const CTevDoc& doc, const RecordingView& view,
                             UserPrompts& prompts)
    : QObject(window), window_(window), doc_(doc), view_(view), prompts_(prompts) {
  menu_ = bar->addMenu(QString::fromLatin1(kAnalysisMenuTitle));
  menu_->setObjectName(QStringLiteral("analysisMenu"));
  summary_ = menu_->addAction(QString::fromLatin1(kSummaryText));
  summary_->setStatusTip(QStringLiteral("Statistics, mean kinetic temperature and alarm excursions"));
  exportReadings_ = menu_->addAction(QString::fromLatin1(kExportReadingsText));
  exportReadings_->setStatusTip(QStringLiteral("Write the readings as CSV or JSON"));
  exportGraphImage_ = menu_->addAction(QString::fromLatin1(kExportGraphImageText));
  exportGraphImage_->setStatusTip(QStringLiteral("Write the graph as it is shown now as a PNG picture"));
  connect(exportGraphImage_, &QAction::triggered, this, &CAnalysisMenu::OnExportGraphImage);
  connect(summary_, &QAction::triggered, this, &CAnalysisMenu::OnSummary);
  connect(exportReadings_, &QAction::triggered, this, &CAnalysisMenu::OnExportReadings);
  connect(menu_, &QMenu::aboutToShow, this, &CAnalysisMenu::UpdateEnabling);

  runModal = [](QDialog& d) { return d.exec(); };
  chooseExportTarget = [this] {
    ExportTarget t;
    t.selectedFilter = QString::fromLatin1(kCsvFilter);
    t.path = QFileDialog::getSaveFileName(
        window_, QString::fromLatin1(kExportReadingsTitle), QString(),
        QString::fromLatin1(kCsvFilter) + QStringLiteral(";;") + QString::fromLatin1(kJsonFilter),
        &t.selectedFilter);
    return t;
  };
  chooseImagePath = [this] {
    return QFileDialog::getSaveFileName(window_, QString::fromLatin1(kExportGraphImageTitle), QString(),
                                        QString::fromLatin1(kPngFilter));
  };
  UpdateEnabling();
}

void CAnalysisMenu::UpdateEnabling() {
  const bool hasReadings = view_.readingCount != 0;
  summary_->setEnabled(hasReadings);
  exportReadings_->setEnabled(hasReadings);
  exportGraphImage_->setEnabled(hasReadings && graphImage != nullptr);
}

void CAnalysisMenu::OnExportGraphImage() {
  if (!graphImage) return;
  QString path = chooseImagePath();
  if (path.isEmpty()) return;
  if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
  std::string error;
  if (!WritePngFile(graphImage(), path.toStdString(), error)) {
    prompts_.ShowMessage(error + "\nThe graph image was not exported.", BoxIcon::Exclamation);
  }
}

void CAnalysisMenu::OnSummary() {
  const std::string text = FormatAnalysisText(AnalyzeRecording(doc_, view_));
  std::unique_ptr<QDialog> dialog = CreateSummaryDialog(window_, QString::fromStdString(text));
  runModal(*dialog);
}

void CAnalysisMenu::OnExportReadings() {
  ExportTarget target = chooseExportTarget();
  if (target.path.isEmpty()) return;
  bool json = target.path.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
  if (!json && !target.path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
    json = target.selectedFilter == QString::fromLatin1(kJsonFilter);
    target.path += json ? QStringLiteral(".json") : QStringLiteral(".csv");
  }
  const std::string text = json ? ExportJson(doc_, view_) : ExportCsv(doc_, view_);
  std::string error;
  if (!WriteFileAtomically(target.path.toStdString(), text.data(), text.size(), error)) {
    prompts_.ShowMessage(error + "\nThe readings were not exported.", BoxIcon::Exclamation);
  }
}

}  // namespace k7740
