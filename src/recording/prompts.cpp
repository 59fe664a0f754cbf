#include "recording/prompts.h"

namespace k7740 {

bool OpenPromptDue(const PromptFlags& flags, const RecordingView& view) {
  return view.readingCount >= 1 && view.recordingFromFile == 0 && flags.downloadUnsaved == 1 &&
         flags.closePromptArmed == 1;
}

bool DownloadPromptDue(const PromptFlags& flags, const RecordingView& view) {
  return view.readingCount >= 1 && view.recordingFromFile == 0 && flags.downloadUnsaved == 1 &&
         flags.downloadPromptArmed == 1;
}

// Needs two readings or more, and a recording read from a file may still prompt.
bool ClosePromptDue(const PromptFlags& flags, const RecordingView& view) {
  return view.readingCount > 1 && flags.downloadUnsaved == 1 && flags.closePromptArmed == 1;
}

void AfterOpenPrompt(PromptFlags& flags) {
  flags.downloadUnsaved = 0;
  flags.closePromptArmed = 0;
}

void AfterDownloadPrompt(PromptFlags& flags) {
  flags.downloadUnsaved = 0;
  flags.downloadPromptArmed = 0;
}

void AfterClosePromptYes(PromptFlags& flags) {
  flags.downloadUnsaved = 0;
  flags.closePromptArmed = 0;
}

void AfterSuccessfulSave(PromptFlags& flags) {
  flags.downloadUnsaved = 0;
  flags.closePromptArmed = 0;
  flags.downloadPromptArmed = 0;
}

void AfterSetupSent(PromptFlags& flags) {
  flags.closePromptArmed = 1;
  flags.downloadPromptArmed = 1;
}

}  // namespace k7740
