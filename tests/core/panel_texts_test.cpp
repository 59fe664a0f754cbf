#include "graph/panel_texts.h"

#include <gtest/gtest.h>

namespace k7740 {
namespace {

TEST(PanelTextsTest, InfoTextHasOneLabelledLinePerFieldInPanelOrder) {
  RecordingView view;
  view.startTimeText = "05/10/07 14:00:00";
  view.endTimeText = "05/10/07 14:10:00";
  view.sampleIntervalText = "300";
  view.readingCountText = "3";
  view.tempAlarmHighText = "40 C";
  view.tempAlarmLowText = "-10 C";
  view.rhAlarmHighText = "90 %RH";
  view.rhAlarmLowText = "20 %RH";
  view.tempMaxText = "21.5 C @14:10:00 05/10/07";
  view.tempMinText = "-3.2 C @14:05:00 05/10/07";
  view.tempAvgText = "12.60 C";
  view.rhMaxText = "50.5 %RH @14:05:00 05/10/07";
  view.rhMinText = "45.0 %RH @14:00:00 05/10/07";
  view.rhAvgText = "47.83 %RH";
  // The C and F variants are not shown; only the displayed texts are.
  view.tempMaxTextF = "unused";
  EXPECT_EQ(PanelInfoText(view),
            "Start Time: 05/10/07 14:00:00\n"
            "End Time: 05/10/07 14:10:00\n"
            "Sampling rate: 300\n"
            "DataNo.: 3\n"
            "Temp Alarm Hi: 40 C\n"
            "Alarm Low: -10 C\n"
            "RH Alarm Hi: 90 %RH\n"
            "Alarm Low: 20 %RH\n"
            "Temp MAX: 21.5 C @14:10:00 05/10/07\n"
            "MIN: -3.2 C @14:05:00 05/10/07\n"
            "AVG: 12.60 C\n"
            "RH MAX: 50.5 %RH @14:05:00 05/10/07\n"
            "MIN: 45.0 %RH @14:00:00 05/10/07\n"
            "AVG: 47.83 %RH\n");
}

}  // namespace
}  // namespace k7740
