// The readings of a recording in formats other tools read: CSV, JSON and the InfluxDB line
// protocol; and the analysis figures as one JSON object.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/analysis.h"
#include "recording/recording.h"

namespace k7740 {

// ISO 8601 local time with its UTC offset, e.g. 2007-10-05T14:10:00+02:00 (TZ governs it).
std::string FormatIsoLocalTime(std::time_t t);

// RFC 4180 with "\n" line ends: header time,temperature_c,temperature_f,humidity_rh,dew_point_c,
// one row a reading; values "%.1f", the dew point empty when there is none.
std::string ExportCsv(const CTevDoc& doc, const RecordingView& view);

// {"start", "interval_s", "count", "unit", "alarms": {...}, "readings": [...]}, the reading values
// rounded to one decimal as in the CSV.
std::string ExportJson(const CTevDoc& doc, const RecordingView& view);

struct InfluxOptions {
  std::string measurement = "k7740";
  std::vector<std::pair<std::string, std::string>> tags;  // written sorted by key
};

// Why the options cannot be written as line protocol (empty names, a line break, a key given
// twice); empty when they can.
std::string CheckInfluxOptions(const InfluxOptions& options);

// One line a reading: NAME[,KEY=VALUE...] temperature=21.5,humidity=48.0,dew_point=10.1 NS
// (Celsius, one decimal, dew_point left out when there is none, UTC nanoseconds).
// The options must pass CheckInfluxOptions.
std::string ExportInflux(const CTevDoc& doc, const RecordingView& view, const InfluxOptions& options);

// Line-protocol escaping: a measurement escapes commas and blanks; tag keys and values also
// equals signs.
std::string EscapeInfluxMeasurement(std::string_view name);
std::string EscapeInfluxTag(std::string_view text);

// The figures of AnalyzeRecording as one JSON object (times ISO 8601 local, numbers unrounded,
// durations whole seconds, null where there is no value).
std::string FormatAnalysisJson(const RecordingAnalysis& a);

// The readings a recording holds: readingCount, or 0 when it is outside 0..kMaxReadings.
int ExportedReadingCount(const RecordingView& view);

}  // namespace k7740
