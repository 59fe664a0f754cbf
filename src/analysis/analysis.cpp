#include "analysis/analysis.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "common/text.h"

namespace k7740 {

namespace {

constexpr const char* kTimeFormat = "%d/%m/%y %H:%M:%S";

// Two passes in double: the mean first, then the squared deviations from it, which keeps the
// deviation exact enough for long flat recordings.
template <typename Get>
ValueStats StatsOf(int n, Get get) {
  ValueStats s;
  double sum = 0;
  for (int i = 0; i < n; ++i) {
    const std::optional<double> v = get(i);
    if (!v) continue;
    if (s.count == 0) {
      s.min = s.max = *v;
    } else {
      s.min = std::min(s.min, *v);
      s.max = std::max(s.max, *v);
    }
    sum += *v;
    ++s.count;
  }
  if (s.count == 0) return s;
  s.mean = sum / s.count;
  if (s.count > 1) {
    double squares = 0;
    for (int i = 0; i < n; ++i) {
      const std::optional<double> v = get(i);
      if (v) squares += (*v - s.mean) * (*v - s.mean);
    }
    s.stdev = std::sqrt(squares / (s.count - 1));
  }
  return s;
}

template <typename Beyond>
ExcursionSummary ExcursionsOf(int n, int64_t interval, Beyond beyond) {
  ExcursionSummary e;
  int i = 0;
  while (i < n) {
    if (!beyond(i)) {
      ++i;
      continue;
    }
    const int first = i;
    while (i < n && beyond(i)) ++i;
    const int readings = i - first;
    ++e.count;
    e.totalSeconds += readings * interval;
    if (readings > e.longestReadings) {
      e.longestFirst = first;
      e.longestLast = i - 1;
      e.longestReadings = readings;
      e.longestSeconds = readings * interval;
    }
  }
  return e;
}

std::string Value(const ValueStats& s, double ValueStats::*member, const char* unit) {
  if (s.count == 0) return "none";
  return StrFormat("%.2f %s", s.*member, unit);
}

}  // namespace

double MeanKineticTemperatureC(const float* celsius, int n) {
  double sum = 0;
  for (int i = 0; i < n; ++i)
    sum += std::exp(-kMktActivationOverR / (static_cast<double>(celsius[i]) + kKelvinOffset));
  return kMktActivationOverR / -std::log(sum / n) - kKelvinOffset;
}

std::optional<double> DewPointC(float celsius, float humidity) {
  if (!(humidity > 0.0f)) return std::nullopt;
  const double c = celsius;
  const double g = std::log(static_cast<double>(humidity) / 100.0) + kMagnusA * c / (kMagnusB + c);
  return kMagnusB * g / (kMagnusA - g);
}

bool AlarmLimitsInFahrenheit(const RecordingView& view) {
  for (const std::string* text : {&view.tempAlarmHighText, &view.tempAlarmLowText}) {
    std::string_view t = *text;
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    if (!t.empty()) return t.back() == 'F' || t.back() == 'f';
  }
  return false;
}

RecordingAnalysis AnalyzeRecording(const CTevDoc& doc, const RecordingView& view) {
  RecordingAnalysis a;
  const int n = view.readingCount >= 0 && view.readingCount <= kMaxReadings ? view.readingCount : 0;
  const int64_t interval = view.sampleIntervalSeconds;
  a.count = n;
  a.intervalSeconds = view.sampleIntervalSeconds;
  a.start = view.startTime;
  a.end = n > 0 ? ReadingTime(view, n - 1) : view.startTime;

  const float* t = doc.temperature.data();
  const float* h = doc.humidity.data();
  a.temperatureC = StatsOf(n, [t](int i) { return std::optional<double>(t[i]); });
  a.humidity = StatsOf(n, [h](int i) { return std::optional<double>(h[i]); });
  a.dewPointC = StatsOf(n, [t, h](int i) { return DewPointC(t[i], h[i]); });
  if (n > 0) {
    a.mktC = MeanKineticTemperatureC(t, n);
    a.mktF = *a.mktC * 1.8 + 32.0;
  }

  a.limitsInFahrenheit = AlarmLimitsInFahrenheit(view);
  a.tempHighLimit = a.limitsInFahrenheit ? view.tempHighLineF : view.tempHighLineC;
  a.tempLowLimit = a.limitsInFahrenheit ? view.tempLowLineF : view.tempLowLineC;
  a.rhHighLimit = view.rhHighLine;
  a.rhLowLimit = view.rhLowLine;
  const bool f = a.limitsInFahrenheit;
  auto temp = [t, f](int i) { return f ? ToFahrenheit(t[i]) : static_cast<double>(t[i]); };
  const double high = a.tempHighLimit, low = a.tempLowLimit;
  a.tempHigh = ExcursionsOf(n, interval, [&](int i) { return temp(i) > high; });
  a.tempLow = ExcursionsOf(n, interval, [&](int i) { return temp(i) < low; });
  a.rhHigh = ExcursionsOf(n, interval, [&](int i) { return h[i] > a.rhHighLimit; });
  a.rhLow = ExcursionsOf(n, interval, [&](int i) { return h[i] < a.rhLowLimit; });
  return a;
}

std::string FormatDuration(int64_t seconds) {
  const bool negative = seconds < 0;
  const uint64_t s = negative ? 0 - static_cast<uint64_t>(seconds) : static_cast<uint64_t>(seconds);
  return StrFormat("%s%llu:%02llu:%02llu", negative ? "-" : "", static_cast<unsigned long long>(s / 3600),
                   static_cast<unsigned long long>(s / 60 % 60), static_cast<unsigned long long>(s % 60));
}

std::string FormatAnalysisText(const RecordingAnalysis& a) {
  std::string out;
  auto line = [&out](const std::string& label, const std::string& value) {
    out += label + ": " + value + "\n";
  };
  line("Readings", StrFormat("%d", a.count));
  line("Interval", StrFormat("%d s", a.intervalSeconds));
  line("Start", FormatLocalTime(a.start, kTimeFormat));
  line("End", a.count > 0 ? FormatLocalTime(a.end, kTimeFormat) : "none");

  struct Quantity {
    const char* name;
    const ValueStats& stats;
    const char* unit;
  };
  for (const Quantity& q :
       {Quantity{"Temperature", a.temperatureC, "C"}, Quantity{"Humidity", a.humidity, "%RH"},
        Quantity{"Dew point", a.dewPointC, "C"}}) {
    const std::string name = q.name;
    line(name + " min", Value(q.stats, &ValueStats::min, q.unit));
    line(name + " max", Value(q.stats, &ValueStats::max, q.unit));
    line(name + " mean", Value(q.stats, &ValueStats::mean, q.unit));
    line(name + " stdev", Value(q.stats, &ValueStats::stdev, q.unit));
  }
  line("MKT", a.mktC ? StrFormat("%.2f C (%.2f F)", *a.mktC, *a.mktF) : "none");

  const char* tempUnit = a.limitsInFahrenheit ? "F" : "C";
  struct Limit {
    const char* name;
    double limit;
    const char* unit;
    const ExcursionSummary& e;
  };
  for (const Limit& l : {Limit{"Temperature high", a.tempHighLimit, tempUnit, a.tempHigh},
                         Limit{"Temperature low", a.tempLowLimit, tempUnit, a.tempLow},
                         Limit{"Humidity high", a.rhHighLimit, "%RH", a.rhHigh},
                         Limit{"Humidity low", a.rhLowLimit, "%RH", a.rhLow}}) {
    const std::string name = l.name;
    line(name + " limit", StrFormat("%g %s", l.limit, l.unit));
    line(name + " excursions", StrFormat("%d", l.e.count));
    line(name + " excursion time", FormatDuration(l.e.totalSeconds));
    if (l.e.longestReadings == 0) {
      line(name + " longest", "none");
    } else {
      const std::time_t first = a.start + static_cast<std::time_t>(l.e.longestFirst) * a.intervalSeconds;
      const std::time_t last = a.start + static_cast<std::time_t>(l.e.longestLast) * a.intervalSeconds;
      line(name + " longest", FormatDuration(l.e.longestSeconds) + " from " +
                                  FormatLocalTime(first, kTimeFormat) + " to " +
                                  FormatLocalTime(last, kTimeFormat));
    }
  }
  return out;
}

}  // namespace k7740
