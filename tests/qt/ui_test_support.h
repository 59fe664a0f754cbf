// Shared pieces of the window tests: the application object, a temporary folder, and a
// UserPrompts that records every question and answers from a script.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "shell/user_prompts.h"

namespace k7740::test {

// One application for the whole test program, offscreen and in UTC.
inline QApplication& App() {
  static QApplication* app = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("TZ", "UTC", 1);
    tzset();
    static int argc = 1;
    static char name[] = "ui_test";
    static char* argv[] = {name, nullptr};
    return new QApplication(argc, argv);
  }();
  return *app;
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline bool FileExists(const std::string& path) { return QFile::exists(QString::fromStdString(path)); }

class FakePrompts : public UserPrompts {
 public:
  enum class Kind { Message, Question, SaveDialog, OpenDialog };
  struct Call {
    Kind kind;
    std::string text;  // the message, the question, or the proposed name
    BoxIcon icon;
  };

  void ShowMessage(const std::string& text, BoxIcon icon) override {
    calls.push_back({Kind::Message, text, icon});
  }
  bool AskYesNo(const std::string& text, BoxIcon icon) override {
    calls.push_back({Kind::Question, text, icon});
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }
  std::string ChooseSavePath(const std::string& proposedName) override {
    calls.push_back({Kind::SaveDialog, proposedName, BoxIcon::None});
    return Next(savePaths);
  }
  std::string ChooseOpenPath() override {
    calls.push_back({Kind::OpenDialog, "", BoxIcon::None});
    return Next(openPaths);
  }

  std::vector<Call> Of(Kind kind) const {
    std::vector<Call> out;
    for (const Call& c : calls) {
      if (c.kind == kind) out.push_back(c);
    }
    return out;
  }

  std::vector<Call> calls;
  std::deque<bool> answers;           // AskYesNo; No when empty
  std::deque<std::string> savePaths;  // cancelled when empty
  std::deque<std::string> openPaths;

 private:
  static std::string Next(std::deque<std::string>& queue) {
    if (queue.empty()) return {};
    std::string s = queue.front();
    queue.pop_front();
    return s;
  }
};

}  // namespace k7740::test
