// Message boxes and file dialogs as the program asks them. The Qt implementation shows real
// dialogs; tests answer them.
#pragma once

#include <string>

namespace k7740 {

enum class BoxIcon { None, Information, Exclamation, Question };

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;
  // Caption "Datalogger", OK button.
  virtual void ShowMessage(const std::string& text, BoxIcon icon) = 0;
  // Caption "Datalogger", Yes and No buttons; true for Yes.
  virtual bool AskYesNo(const std::string& text, BoxIcon icon) = 0;
  // The save dialog with the proposed name; empty when cancelled.
  virtual std::string ChooseSavePath(const std::string& proposedName) = 0;
  // The open dialog; empty when cancelled.
  virtual std::string ChooseOpenPath() = 0;
  // The document machinery's dialogs (Ctrl+O: "Open", record files or all files; the first
  // Ctrl+S: "Save As", record files). By default the menu's dialogs.
  virtual std::string ChooseDocumentOpenPath() { return ChooseOpenPath(); }
  virtual std::string ChooseDocumentSavePath(const std::string& proposedName) {
    return ChooseSavePath(proposedName);
  }
};

}  // namespace k7740
