// The three flags that protect a downloaded recording that was never saved, and the rules
// that decide the save questions before Open, before a download and at close.
#pragma once

#include <cstdint>

#include "recording/recording.h"

namespace k7740 {

struct PromptFlags {
  uint8_t downloadUnsaved = 0;
  uint8_t closePromptArmed = 1;
  uint8_t downloadPromptArmed = 0;
};

// Each returns whether the question is to be asked now.
bool OpenPromptDue(const PromptFlags& flags, const RecordingView& view);
bool DownloadPromptDue(const PromptFlags& flags, const RecordingView& view);
bool ClosePromptDue(const PromptFlags& flags, const RecordingView& view);

// What each prompt clears once asked, whatever the answer (the close prompt clears on Yes only).
void AfterOpenPrompt(PromptFlags& flags);
void AfterDownloadPrompt(PromptFlags& flags);
void AfterClosePromptYes(PromptFlags& flags);
// A successful Save clears all three; a setup sent to the logger arms the close and download prompts.
void AfterSuccessfulSave(PromptFlags& flags);
void AfterSetupSent(PromptFlags& flags);

inline constexpr const char* kSaveBeforeContinuing =
    "Do you want to save the existing graph data before continuing?";
inline constexpr const char* kSaveBeforeClosing = "Do you want to save the data before closing?";

}  // namespace k7740
