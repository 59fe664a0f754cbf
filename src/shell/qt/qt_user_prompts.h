// Message boxes and file dialogs of the desktop program.
#pragma once

#include <QFileDialog>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "shell/user_prompts.h"

namespace k7740 {

inline constexpr const char* kBoxCaption = "Datalogger";
inline constexpr const char* kSaveFilter = "DataLogger Files (*.record *.xls)";
inline constexpr const char* kOpenFilter = "DataLogger Files (*.record)";
inline constexpr const char* kAllFilesFilter = "All Files (*)";
inline constexpr const char* kRecordSuffix = "record";
// Message boxes are at least this wide, so the window manager can show the caption.
inline constexpr int kMinimumBoxWidth = 320;
// Room for the icon and the margins beside a message's widest line; beyond the maximum it wraps.
inline constexpr int kBoxIconRoom = 90;
inline constexpr int kMaximumBoxWidth = 900;
// File dialogs open this large until the user gives one another size.
inline constexpr int kFileDialogWidth = 960;
inline constexpr int kFileDialogHeight = 560;

// Detail view, the size given (or the default), and columns that show their contents in full.
void PrepareFileDialog(QFileDialog& dialog, const QSize& remembered);

class QtUserPrompts : public UserPrompts {
 public:
  explicit QtUserPrompts(QWidget* parent) : parent_(parent) {}

  // A box asked for without an icon shows the exclamation icon, as every "Datalogger" box does.
  void ShowMessage(const std::string& text, BoxIcon icon) override;
  bool AskYesNo(const std::string& text, BoxIcon icon) override;
  std::string ChooseSavePath(const std::string& proposedName) override;
  std::string ChooseOpenPath() override;
  std::string ChooseDocumentOpenPath() override;
  std::string ChooseDocumentSavePath(const std::string& proposedName) override;

 private:
  // The file dialogs open where the last Save or Open went, at first in the user's documents.
  QString StartFolder() const;
  // One file dialog; empty when cancelled.
  std::string Choose(bool save, const QString& title, const QStringList& filters, const std::string& name);
  QWidget* parent_;
  QString lastFolder_;
  QSize dialogSize_;  // the last file dialog's size, kept for the next one
};

}  // namespace k7740
