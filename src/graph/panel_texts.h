// The statistics panel's fields: its labels and the recording text each one shows, in panel order.
#pragma once

#include <array>
#include <string>

#include "recording/recording.h"

namespace k7740 {

struct PanelField {
  const char* label;                 // exactly as on the panel
  int editId;                        // the read-only edit field that shows the text
  std::string RecordingView::*text;  // the recording text it shows
};

inline constexpr std::array<PanelField, 14> kPanelFields{{
    {"Start Time:", 1014, &RecordingView::startTimeText},
    {"End Time:", 1016, &RecordingView::endTimeText},
    {"Sampling rate:", 1080, &RecordingView::sampleIntervalText},
    {"DataNo.", 1015, &RecordingView::readingCountText},
    {"Temp Alarm Hi:", 1083, &RecordingView::tempAlarmHighText},
    {"Alarm Low:", 1084, &RecordingView::tempAlarmLowText},
    {"RH Alarm Hi:", 1085, &RecordingView::rhAlarmHighText},
    {"Alarm Low:", 1086, &RecordingView::rhAlarmLowText},
    {"Temp MAX:", 1101, &RecordingView::tempMaxText},
    {"MIN", 1106, &RecordingView::tempMinText},
    {"AVG", 1107, &RecordingView::tempAvgText},
    {" RH MAX:", 1077, &RecordingView::rhMaxText},
    {"MIN", 1079, &RecordingView::rhMinText},
    {"AVG", 1081, &RecordingView::rhAvgText},
}};

// One "Label: text" line per field ("\n" ends each), the label trimmed of blanks and given a
// ":" when it has none, so that a script can read the panel.
std::string PanelInfoText(const RecordingView& view);

}  // namespace k7740
