// The recording in memory: the document's reading arrays and the recording values that the
// graph view holds. Every operation on a recording works on the pair.
#pragma once

#include <array>
#include <cstdint>
#include <ctime>
#include <string>

namespace k7740 {

inline constexpr int kMaxReadings = 16360;

struct LoggerReading {
  float temperature = 0.0f;  // degrees Celsius
  float humidity = 0.0f;     // %RH
};

// The document. The arrays are never cleared: entries beyond readingCount keep older values.
class CTevDoc {
 public:
  std::array<float, kMaxReadings> temperature{};
  std::array<float, kMaxReadings> humidity{};
  int32_t loadedStartHour = 0;
  int32_t loadedStartMinute = 0;
  int32_t loadedStartSecond = 0;
  int32_t loadedStartYear = 1970;
  int32_t loadedStartMonth = 1;
  int32_t loadedStartDay = 1;
  std::string fileIdentity;
  std::string readIdentity;
};

// The recording values and view flags that live in the graph view (CTevView owns one).
struct RecordingView {
  std::time_t startTime = 0;
  int32_t readingCount = 0;
  int32_t sampleIntervalSeconds = 0;
  uint8_t isFahrenheit = 0;

  std::string startTimeText, endTimeText;
  std::string sampleIntervalText, readingCountText;
  std::string tempAlarmHighText, tempAlarmLowText;
  std::string rhAlarmHighText, rhAlarmLowText;
  std::string tempMaxTextC, tempMinTextC, tempAvgTextC;
  std::string tempMaxTextF, tempMinTextF, tempAvgTextF;
  std::string tempMaxText, tempMinText, tempAvgText;
  std::string rhMaxText, rhMinText, rhAvgText;

  float tempHighLineC = 0, tempHighLineF = 0, tempLowLineC = 0, tempLowLineF = 0;
  float rhHighLine = 0, rhLowLine = 0;

  uint8_t rebuildTextsOnDraw = 0;
  uint8_t recordingFromFile = 0;
  uint8_t listNeedsRefill = 1;
  uint8_t displayMode = 0;  // 0 nothing shown, 1 graph, 2 list
};

// Time of reading i.
inline std::time_t ReadingTime(const RecordingView& view, int i) {
  return view.startTime + static_cast<std::time_t>(i) * view.sampleIntervalSeconds;
}

// Maximum, minimum (with times) and average of both quantities, and the twelve texts.
// Does nothing when readingCount < 1.
void ComputeSummary(const CTevDoc& doc, RecordingView& view);

// The local time given by the six loaded start fields (daylight saving decided by the system);
// -1 when they cannot form a time (fields from a damaged file).
std::time_t LoadedStartTime(const CTevDoc& doc);

// Recomputes what a record file does not carry: start time from the loaded fields, the
// start/end/count/interval texts and the displayed temperature texts.
void RebuildHeaderTexts(const CTevDoc& doc, RecordingView& view);

// Copies the C or F variants into the three displayed temperature texts by isFahrenheit.
void SelectDisplayedTempTexts(RecordingView& view);

// Sets startTimeText, endTimeText, sampleIntervalText and readingCountText from the header values.
void SetHeaderTexts(RecordingView& view);

// Alarm limits in the other unit: integer arithmetic truncating toward zero.
int CelsiusToFahrenheitAlarm(int celsius);
int FahrenheitToCelsiusAlarm(int fahrenheit);

// Displayed Fahrenheit value of a stored Celsius value (list, panel, report, summary):
// c x 1.8 + 32 in double precision, unrounded before formatting.
inline double ToFahrenheit(float celsius) { return static_cast<double>(celsius) * 1.8 + 32.0; }

}  // namespace k7740
