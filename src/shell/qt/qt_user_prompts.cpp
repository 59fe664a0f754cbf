#include "shell/qt/qt_user_prompts.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QTreeView>
#include <algorithm>

namespace k7740 {

namespace {

QMessageBox::Icon ToQtIcon(BoxIcon icon) {
  switch (icon) {
    case BoxIcon::Information:
      return QMessageBox::Information;
    case BoxIcon::Question:
      return QMessageBox::Question;
    case BoxIcon::Exclamation:
    case BoxIcon::None:
      break;
  }
  return QMessageBox::Warning;
}

QMessageBox::StandardButton Ask(QWidget* parent, const std::string& text, BoxIcon icon,
                                QMessageBox::StandardButtons buttons) {
  QMessageBox box(ToQtIcon(icon), QString::fromLatin1(kBoxCaption), QString::fromStdString(text), buttons,
                  parent);
  // A box as wide as its caption needs on a title bar with its buttons: a short message would
  // otherwise leave the window manager no room for "Datalogger".
  // Each line of the message stays whole: the box would otherwise wrap a long sentence mid-way.
  int widest = 0;
  const QFontMetrics fm(box.font());
  for (const QString& line : QString::fromStdString(text).split(QLatin1Char('\n'))) {
    widest = std::max(widest, fm.horizontalAdvance(line));
  }
  const int width = std::clamp(widest + kBoxIconRoom, kMinimumBoxWidth, kMaximumBoxWidth);
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(),
                  0, 1, grid->columnCount());
  }
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

void PrepareFileDialog(QFileDialog& dialog, const QSize& remembered) {
  dialog.setViewMode(QFileDialog::Detail);
  // Wide enough for the name, size, type and date columns in full; later the size the user
  // gave the last dialog.
  dialog.resize(remembered.isValid() ? remembered : QSize(kFileDialogWidth, kFileDialogHeight));
  for (QTreeView* view : dialog.findChildren<QTreeView*>()) {
    QHeaderView* header = view->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    for (int c = 1; c < header->count(); ++c) header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
  }
}

QString QtUserPrompts::StartFolder() const {
  if (!lastFolder_.isEmpty()) return lastFolder_;
  const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (!documents.isEmpty() && QFileInfo(documents).isDir()) return documents;
  return QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
}

void QtUserPrompts::ShowMessage(const std::string& text, BoxIcon icon) {
  Ask(parent_, text, icon, QMessageBox::Ok);
}

bool QtUserPrompts::AskYesNo(const std::string& text, BoxIcon icon) {
  return Ask(parent_, text, icon, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

std::string QtUserPrompts::Choose(bool save, const QString& title, const QStringList& filters,
                                  const std::string& name) {
  QFileDialog dialog(parent_);
  if (!title.isEmpty()) dialog.setWindowTitle(title);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setNameFilters(filters);
  dialog.setDefaultSuffix(QString::fromLatin1(kRecordSuffix));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setDirectory(StartFolder());
  if (!name.empty()) dialog.selectFile(QString::fromStdString(name));
  PrepareFileDialog(dialog, dialogSize_);
  const int result = dialog.exec();
  dialogSize_ = dialog.size();
  if (result != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  lastFolder_ = QFileInfo(dialog.selectedFiles().first()).absolutePath();
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

std::string QtUserPrompts::ChooseSavePath(const std::string& proposedName) {
  return Choose(true, {}, {QString::fromLatin1(kSaveFilter)}, proposedName);
}

std::string QtUserPrompts::ChooseOpenPath() {
  return Choose(false, {}, {QString::fromLatin1(kOpenFilter)}, {});
}

std::string QtUserPrompts::ChooseDocumentOpenPath() {
  return Choose(false, QStringLiteral("Open"),
                {QString::fromLatin1(kOpenFilter), QString::fromLatin1(kAllFilesFilter)}, {});
}

std::string QtUserPrompts::ChooseDocumentSavePath(const std::string& proposedName) {
  return Choose(true, QStringLiteral("Save As"), {QString::fromLatin1(kOpenFilter)}, proposedName);
}

}  // namespace k7740
