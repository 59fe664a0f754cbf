#include "analysis/export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>

#include "common/text.h"

namespace k7740 {

namespace {

// "%.1f" without the cost of printf: to_chars rounds the exact binary value the same way.
void AppendFixed1(std::string& out, double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 1);
  out.append(buf, r.ptr);
}

void AppendInt(std::string& out, long long v) {
  char buf[24];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, r.ptr);
}

void Append2(char* p, int v) {
  p[0] = static_cast<char>('0' + v / 10 % 10);
  p[1] = static_cast<char>('0' + v % 10);
}

// FormatIsoLocalTime into out, without printf: an export formats one time per reading.
void AppendIsoLocalTime(std::string& out, std::time_t t) {
  struct tm parts {};
  const long year = localtime_r(&t, &parts) ? parts.tm_year + 1900L : -1;
  if (year < 0 || year > 9999) {
    out += FormatIsoLocalTime(t);
    return;
  }
  char text[25] = {'0', '0', '0', '0', '-', '0', '0', '-', '0', '0', 'T', '0', '0',
                   ':', '0', '0', ':', '0', '0', '+', '0', '0', ':', '0', '0'};
  Append2(text, static_cast<int>(year / 100));
  Append2(text + 2, static_cast<int>(year % 100));
  Append2(text + 5, parts.tm_mon + 1);
  Append2(text + 8, parts.tm_mday);
  Append2(text + 11, parts.tm_hour);
  Append2(text + 14, parts.tm_min);
  Append2(text + 17, parts.tm_sec);
  const long offset = parts.tm_gmtoff;
  const long magnitude = offset < 0 ? -offset : offset;
  text[19] = offset < 0 ? '-' : '+';
  if (magnitude >= 100 * 3600) {
    out += FormatIsoLocalTime(t);
    return;
  }
  Append2(text + 20, static_cast<int>(magnitude / 3600));
  Append2(text + 23, static_cast<int>(magnitude / 60 % 60));
  out.append(text, sizeof text);
}

}  // namespace

int ExportedReadingCount(const RecordingView& view) {
  return view.readingCount >= 0 && view.readingCount <= kMaxReadings ? view.readingCount : 0;
}

std::string FormatIsoLocalTime(std::time_t t) {
  struct tm parts {};
  if (localtime_r(&t, &parts) == nullptr) return {};
  char text[64];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
  const long offset = parts.tm_gmtoff;
  const long magnitude = std::labs(offset);
  return StrFormat("%s%c%02ld:%02ld", text, offset < 0 ? '-' : '+', magnitude / 3600, magnitude / 60 % 60);
}

std::string ExportCsv(const CTevDoc& doc, const RecordingView& view) {
  const int n = ExportedReadingCount(view);
  std::string out = "time,temperature_c,temperature_f,humidity_rh,dew_point_c\n";
  out.reserve(out.size() + static_cast<size_t>(n) * 56);
  for (int i = 0; i < n; ++i) {
    const float c = doc.temperature[static_cast<size_t>(i)];
    const float h = doc.humidity[static_cast<size_t>(i)];
    AppendIsoLocalTime(out, ReadingTime(view, i));
    out += ',';
    AppendFixed1(out, c);
    out += ',';
    AppendFixed1(out, ToFahrenheit(c));
    out += ',';
    AppendFixed1(out, h);
    out += ',';
    if (const std::optional<double> dew = DewPointC(c, h)) AppendFixed1(out, *dew);
    out += '\n';
  }
  return out;
}

namespace {

// A JSON number rounded to one decimal; null for values JSON cannot carry.
void AppendJson1(std::string& out, double v) {
  if (std::isfinite(v)) {
    AppendFixed1(out, v);
  } else {
    out += "null";
  }
}

}  // namespace

std::string ExportJson(const CTevDoc& doc, const RecordingView& view) {
  const int n = ExportedReadingCount(view);
  const bool limitsF = AlarmLimitsInFahrenheit(view);
  std::string out;
  out.reserve(256 + static_cast<size_t>(n) * 120);
  // Every string written here is a time or a unit letter: nothing needs escaping.
  out += "{\"start\":\"" + FormatIsoLocalTime(view.startTime) + "\",\"interval_s\":";
  AppendInt(out, view.sampleIntervalSeconds);
  out += ",\"count\":";
  AppendInt(out, n);
  out += view.isFahrenheit ? ",\"unit\":\"F\"" : ",\"unit\":\"C\"";
  out += limitsF ? ",\"alarms\":{\"unit\":\"F\"" : ",\"alarms\":{\"unit\":\"C\"";
  out += ",\"temperature_high\":";
  AppendInt(out, LeadingInt(view.tempAlarmHighText));
  out += ",\"temperature_low\":";
  AppendInt(out, LeadingInt(view.tempAlarmLowText));
  out += ",\"humidity_high\":";
  AppendInt(out, LeadingInt(view.rhAlarmHighText));
  out += ",\"humidity_low\":";
  AppendInt(out, LeadingInt(view.rhAlarmLowText));
  out += "},\"readings\":[";
  for (int i = 0; i < n; ++i) {
    const float c = doc.temperature[static_cast<size_t>(i)];
    const float h = doc.humidity[static_cast<size_t>(i)];
    out += i == 0 ? "\n{\"time\":\"" : ",\n{\"time\":\"";
    AppendIsoLocalTime(out, ReadingTime(view, i));
    out += "\",\"temperature_c\":";
    AppendJson1(out, c);
    out += ",\"temperature_f\":";
    AppendJson1(out, ToFahrenheit(c));
    out += ",\"humidity_rh\":";
    AppendJson1(out, h);
    out += ",\"dew_point_c\":";
    const std::optional<double> dew = DewPointC(c, h);
    AppendJson1(out, dew ? *dew : NAN);
    out += '}';
  }
  out += n > 0 ? "\n]}\n" : "]}\n";
  return out;
}

std::string EscapeInfluxMeasurement(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char ch : name) {
    if (ch == ',' || ch == ' ') out += '\\';
    out += ch;
  }
  return out;
}

std::string EscapeInfluxTag(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    if (ch == ',' || ch == ' ' || ch == '=') out += '\\';
    out += ch;
  }
  return out;
}

std::string CheckInfluxOptions(const InfluxOptions& options) {
  auto hasLineBreak = [](const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; };
  // A backslash at the end would escape the separator that follows it.
  auto endsInBackslash = [](const std::string& s) { return !s.empty() && s.back() == '\\'; };
  if (options.measurement.empty()) return "The measurement name is empty.";
  if (hasLineBreak(options.measurement)) return "The measurement name contains a line break.";
  if (options.measurement[0] == '#') return "The measurement name cannot start with #.";
  if (endsInBackslash(options.measurement)) return "The measurement name cannot end with a backslash.";
  std::set<std::string> keys;
  for (const auto& [key, value] : options.tags) {
    if (key.empty() || value.empty()) return "The tag " + key + "=" + value + " needs a key and a value.";
    if (hasLineBreak(key) || hasLineBreak(value)) return "The tag " + key + " contains a line break.";
    if (endsInBackslash(key) || endsInBackslash(value))
      return "The tag " + key + " cannot end with a backslash.";
    if (!keys.insert(key).second) return "The tag " + key + " is given twice.";
  }
  return {};
}

std::string ExportInflux(const CTevDoc& doc, const RecordingView& view, const InfluxOptions& options) {
  const int n = ExportedReadingCount(view);
  // Tags sorted by key, as the protocol recommends for the server's sake.
  auto tags = options.tags;
  std::sort(tags.begin(), tags.end());
  std::string series = EscapeInfluxMeasurement(options.measurement);
  for (const auto& [key, value] : tags) series += ',' + EscapeInfluxTag(key) + '=' + EscapeInfluxTag(value);
  series += ' ';

  std::string out;
  out.reserve(static_cast<size_t>(n) * (series.size() + 64));
  for (int i = 0; i < n; ++i) {
    const float c = doc.temperature[static_cast<size_t>(i)];
    const float h = doc.humidity[static_cast<size_t>(i)];
    const std::optional<double> dew = DewPointC(c, h);
    // A field must be a finite number; a line without any field is left out.
    const bool haveC = std::isfinite(c), haveH = std::isfinite(h), haveDew = dew && std::isfinite(*dew);
    if (!haveC && !haveH && !haveDew) continue;
    out += series;
    bool first = true;
    auto field = [&](const char* name, double v) {
      if (!first) out += ',';
      first = false;
      out += name;
      AppendFixed1(out, v);
    };
    if (haveC) field("temperature=", c);
    if (haveH) field("humidity=", h);
    if (haveDew) field("dew_point=", *dew);
    out += ' ';
    // Seconds and nine zeros: nanoseconds without overflow for any time.
    const std::time_t t = ReadingTime(view, i);
    AppendInt(out, static_cast<long long>(t));
    out += t == 0 ? "\n" : "000000000\n";
  }
  return out;
}

}  // namespace k7740
