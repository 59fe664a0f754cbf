#include "recording/recording.h"

#include <cstdint>

#include "common/text.h"

namespace k7740 {

namespace {

constexpr const char* kSummaryTimeFormat = "%H:%M:%S %d/%m/%y";
constexpr const char* kHeaderTimeFormat = "%d/%m/%y %H:%M:%S";

// Extreme of one quantity; the time stays the start time when no reading reaches the initial value.
struct Extreme {
  float value;
  std::time_t time;
};

std::string ExtremeText(double value, const char* unit, std::time_t when) {
  return StrFormat("%.1f %s @%s", value, unit, FormatLocalTime(when, kSummaryTimeFormat).c_str());
}

}  // namespace

void ComputeSummary(const CTevDoc& doc, RecordingView& view) {
  const int count = view.readingCount;
  if (count < 1) return;
  const int n = count < kMaxReadings ? count : kMaxReadings;

  // The order of the tests and the "or equal" matter: an equal value moves the time to the later reading.
  Extreme tMax{-40.0f, view.startTime}, tMin{70.0f, view.startTime};
  Extreme hMax{0.0f, view.startTime}, hMin{100.0f, view.startTime};
  int tMaxAt = -1, tMinAt = -1, hMaxAt = -1, hMinAt = -1;
  float tSum = 0.0f, hSum = 0.0f;
  for (int i = 0; i < n; ++i) {
    const float t = doc.temperature[static_cast<size_t>(i)];
    if (t >= tMax.value) {
      tMax.value = t;
      tMaxAt = i;
    }
    if (t <= tMin.value) {
      tMin.value = t;
      tMinAt = i;
    }
    tSum += t;
    const float h = doc.humidity[static_cast<size_t>(i)];
    if (h >= hMax.value) {
      hMax.value = h;
      hMaxAt = i;
    }
    if (h <= hMin.value) {
      hMin.value = h;
      hMinAt = i;
    }
    hSum += h;
  }
  if (tMaxAt >= 0) tMax.time = ReadingTime(view, tMaxAt);
  if (tMinAt >= 0) tMin.time = ReadingTime(view, tMinAt);
  if (hMaxAt >= 0) hMax.time = ReadingTime(view, hMaxAt);
  if (hMinAt >= 0) hMin.time = ReadingTime(view, hMinAt);

  // Float sum divided by the count, in float, as the readings are held.
  const float tAvg = tSum / static_cast<float>(count);
  const float hAvg = hSum / static_cast<float>(count);

  view.tempMaxTextC = ExtremeText(tMax.value, "C", tMax.time);
  view.tempMaxTextF = ExtremeText(ToFahrenheit(tMax.value), "F", tMax.time);
  view.tempMinTextC = ExtremeText(tMin.value, "C", tMin.time);
  view.tempMinTextF = ExtremeText(ToFahrenheit(tMin.value), "F", tMin.time);
  view.tempAvgTextC = StrFormat("%.2f C", static_cast<double>(tAvg));
  view.tempAvgTextF = StrFormat("%.2f F", ToFahrenheit(tAvg));
  view.rhMaxText = ExtremeText(hMax.value, "%RH", hMax.time);
  view.rhMinText = ExtremeText(hMin.value, "%RH", hMin.time);
  view.rhAvgText = StrFormat("%.2f %%RH", static_cast<double>(hAvg));
  SelectDisplayedTempTexts(view);
}

void SelectDisplayedTempTexts(RecordingView& view) {
  if (view.isFahrenheit == 1) {
    view.tempMaxText = view.tempMaxTextF;
    view.tempMinText = view.tempMinTextF;
    view.tempAvgText = view.tempAvgTextF;
  } else {
    view.tempMaxText = view.tempMaxTextC;
    view.tempMinText = view.tempMinTextC;
    view.tempAvgText = view.tempAvgTextC;
  }
}

void SetHeaderTexts(RecordingView& view) {
  view.startTimeText = FormatLocalTime(view.startTime, kHeaderTimeFormat);
  view.endTimeText = FormatLocalTime(ReadingTime(view, view.readingCount - 1), kHeaderTimeFormat);
  view.sampleIntervalText = StrFormat("%d", view.sampleIntervalSeconds);
  view.readingCountText = StrFormat("%d", view.readingCount);
}

std::time_t LoadedStartTime(const CTevDoc& doc) {
  // The year and month are offset before the C library sees them; keep that from overflowing.
  constexpr int32_t kLimit = 1 << 30;
  if (doc.loadedStartYear < -kLimit || doc.loadedStartYear > kLimit || doc.loadedStartMonth < -kLimit ||
      doc.loadedStartMonth > kLimit) {
    return static_cast<std::time_t>(-1);
  }
  return MakeLocalTime(doc.loadedStartYear, doc.loadedStartMonth, doc.loadedStartDay, doc.loadedStartHour,
                       doc.loadedStartMinute, doc.loadedStartSecond);
}

void RebuildHeaderTexts(const CTevDoc& doc, RecordingView& view) {
  view.startTime = LoadedStartTime(doc);
  SetHeaderTexts(view);
  SelectDisplayedTempTexts(view);
}

// 64-bit intermediates: a limit taken from a damaged header must not overflow.
int CelsiusToFahrenheitAlarm(int celsius) {
  return static_cast<int>(static_cast<int64_t>(celsius) * 9 / 5 + 32);
}

int FahrenheitToCelsiusAlarm(int fahrenheit) {
  return static_cast<int>((static_cast<int64_t>(fahrenheit) - 32) * 5 / 9);
}

}  // namespace k7740
