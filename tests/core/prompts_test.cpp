#include "recording/prompts.h"

#include <gtest/gtest.h>

namespace k7740 {
namespace {

struct State {
  int readingCount;
  uint8_t fromFile, unsaved, closeArmed, downloadArmed;
};

RecordingView ViewOf(const State& s) {
  RecordingView view;
  view.readingCount = s.readingCount;
  view.recordingFromFile = s.fromFile;
  return view;
}

PromptFlags FlagsOf(const State& s) {
  PromptFlags flags;
  flags.downloadUnsaved = s.unsaved;
  flags.closePromptArmed = s.closeArmed;
  flags.downloadPromptArmed = s.downloadArmed;
  return flags;
}

TEST(PromptsTest, WhenEachQuestionIsAsked) {
  struct Case {
    const char* name;
    State state;
    bool open, download, close;
  };
  const Case cases[] = {
      {"all armed, two readings", {2, 0, 1, 1, 1}, true, true, true},
      {"one reading: close needs two", {1, 0, 1, 1, 1}, true, true, false},
      {"no readings", {0, 0, 1, 1, 1}, false, false, false},
      {"read from a file: close still asks", {5, 1, 1, 1, 1}, false, false, true},
      {"saved", {5, 0, 0, 1, 1}, false, false, false},
      {"close prompt disarmed", {5, 0, 1, 0, 1}, false, true, false},
      {"download prompt disarmed (start-up)", {5, 0, 1, 1, 0}, true, false, true},
  };
  for (const Case& c : cases) {
    const RecordingView view = ViewOf(c.state);
    const PromptFlags flags = FlagsOf(c.state);
    EXPECT_EQ(OpenPromptDue(flags, view), c.open) << c.name;
    EXPECT_EQ(DownloadPromptDue(flags, view), c.download) << c.name;
    EXPECT_EQ(ClosePromptDue(flags, view), c.close) << c.name;
  }
}

TEST(PromptsTest, EachQuestionClearsItsFlags) {
  const PromptFlags armed{1, 1, 1};
  struct Case {
    const char* name;
    void (*apply)(PromptFlags&);
    PromptFlags want;
  };
  const Case cases[] = {
      {"open", AfterOpenPrompt, {0, 0, 1}},
      {"download", AfterDownloadPrompt, {0, 1, 0}},
      {"close answered yes", AfterClosePromptYes, {0, 0, 1}},
      {"save", AfterSuccessfulSave, {0, 0, 0}},
  };
  for (const Case& c : cases) {
    PromptFlags flags = armed;
    c.apply(flags);
    EXPECT_EQ(flags.downloadUnsaved, c.want.downloadUnsaved) << c.name;
    EXPECT_EQ(flags.closePromptArmed, c.want.closePromptArmed) << c.name;
    EXPECT_EQ(flags.downloadPromptArmed, c.want.downloadPromptArmed) << c.name;
  }

  // A setup sent to the logger arms both prompts again, without marking anything unsaved.
  PromptFlags flags{0, 0, 0};
  AfterSetupSent(flags);
  EXPECT_EQ(flags.downloadUnsaved, 0);
  EXPECT_EQ(flags.closePromptArmed, 1);
  EXPECT_EQ(flags.downloadPromptArmed, 1);
}

}  // namespace
}  // namespace k7740
