#include "shell/qt/qt_user_prompts.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

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
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

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

std::string QtUserPrompts::ChooseSavePath(const std::string& proposedName) {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(QString::fromLatin1(kSaveFilter));
  dialog.setDefaultSuffix(QString::fromLatin1(kRecordSuffix));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.setDirectory(StartFolder());
  dialog.selectFile(QString::fromStdString(proposedName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  lastFolder_ = QFileInfo(dialog.selectedFiles().first()).absolutePath();
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

std::string QtUserPrompts::ChooseOpenPath() {
  QFileDialog dialog(parent_);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QString::fromLatin1(kOpenFilter));
  dialog.setDefaultSuffix(QString::fromLatin1(kRecordSuffix));
  dialog.setDirectory(StartFolder());
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  lastFolder_ = QFileInfo(dialog.selectedFiles().first()).absolutePath();
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

}  // namespace k7740
