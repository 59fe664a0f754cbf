// Message boxes and file dialogs of the desktop program.
#pragma once

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
};

}  // namespace k7740
