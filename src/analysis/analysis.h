// Cold-chain figures of a recording: mean kinetic temperature, dew point, alarm excursions and
// statistics. Pure functions over the recording; nothing here formats or writes.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "recording/recording.h"

namespace k7740 {

// dH/R for an activation energy of 83.144 kJ/mol, in kelvin.
inline constexpr double kMktActivationOverR = 10000.0;
inline constexpr double kKelvinOffset = 273.15;
// Magnus formula coefficients (a dimensionless, b in degrees Celsius).
inline constexpr double kMagnusA = 17.62;
inline constexpr double kMagnusB = 243.12;

// MKT = (dH/R) / -ln((1/n) sum exp(-(dH/R) / (c_i + 273.15))) - 273.15, in Celsius.
// Requires n >= 1.
double MeanKineticTemperatureC(const float* celsius, int n);

// Dew point by the Magnus formula; none when the humidity is 0 or below.
std::optional<double> DewPointC(float celsius, float humidity);

// Minimum, maximum, mean and sample standard deviation (n - 1; 0 for one value).
struct ValueStats {
  int count = 0;  // 0: no value, the other members mean nothing
  double min = 0, max = 0, mean = 0, stdev = 0;
};

// Maximal runs of consecutive readings beyond one alarm limit.
struct ExcursionSummary {
  int count = 0;
  int64_t totalSeconds = 0;  // readings in all runs x interval
  // The longest run (the earliest of equally long ones); longestReadings 0 when there is none.
  int longestFirst = 0, longestLast = 0, longestReadings = 0;
  int64_t longestSeconds = 0;
};

struct RecordingAnalysis {
  int count = 0;
  int intervalSeconds = 0;
  std::time_t start = 0;
  std::time_t end = 0;  // time of the last reading (the start when there is none)
  ValueStats temperatureC, humidity, dewPointC;
  std::optional<double> mktC, mktF;  // none without readings
  // The limits are compared in the unit their texts show.
  bool limitsInFahrenheit = false;
  double tempHighLimit = 0, tempLowLimit = 0, rhHighLimit = 0, rhLowLimit = 0;
  ExcursionSummary tempHigh, tempLow, rhHigh, rhLow;
};

// True when the recording's temperature alarm texts carry the unit F.
bool AlarmLimitsInFahrenheit(const RecordingView& view);

// Every figure over readings 0 .. readingCount - 1 (a count outside 0..kMaxReadings counts as 0).
RecordingAnalysis AnalyzeRecording(const CTevDoc& doc, const RecordingView& view);

// The figures as labelled lines ("Label: value", "\n" ends each): times "%d/%m/%y %H:%M:%S",
// values "%.2f", durations H:MM:SS. Shared by k7740-cli stats and the Summary dialog.
std::string FormatAnalysisText(const RecordingAnalysis& a);

// H:MM:SS with as many hour digits as needed.
std::string FormatDuration(int64_t seconds);

}  // namespace k7740
