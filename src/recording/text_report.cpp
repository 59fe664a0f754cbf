#include "recording/text_report.h"

#include <charconv>

#include "common/text.h"

namespace k7740 {

namespace {

constexpr const char* kEol = "\r\n";

// Local date and time of row times. Converting every row through the C library is slow, so
// one conversion serves a whole stretch of a local day, as long as the stretch is known to have
// one UTC offset (checked at its last second, which also catches daylight-saving days).
class RowClock {
 public:
  // Appends t as "%d-%m-%y/%H:%M:%S"; nothing when the time cannot be converted.
  void Append(std::string& out, std::time_t t) {
    if (t < from_ || t >= until_) {
      if (!Load(t)) {
        out += FormatLocalTime(t, "%d-%m-%y/%H:%M:%S");
        return;
      }
    }
    const long secs = static_cast<long>(t - midnight_);
    char buf[17];
    Put2(buf, day_);
    buf[2] = '-';
    Put2(buf + 3, month_);
    buf[5] = '-';
    Put2(buf + 6, year2_);
    buf[8] = '/';
    Put2(buf + 9, static_cast<int>(secs / 3600));
    buf[11] = ':';
    Put2(buf + 12, static_cast<int>(secs / 60 % 60));
    buf[14] = ':';
    Put2(buf + 15, static_cast<int>(secs % 60));
    out.append(buf, sizeof buf);
  }

 private:
  static void Put2(char* p, int v) {
    p[0] = static_cast<char>('0' + v / 10 % 10);
    p[1] = static_cast<char>('0' + v % 10);
  }

  // Sets up the stretch from t to the end of its local day; false when t cannot be cached.
  bool Load(std::time_t t) {
    from_ = until_ = 0;
    std::tm tm{};
    if (localtime_r(&t, &tm) == nullptr || tm.tm_sec > 59) return false;
    const std::time_t midnight = t - (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec);
    const std::time_t lastSecond = midnight + 86399;
    std::tm end{};
    if (localtime_r(&lastSecond, &end) == nullptr) return false;
    if (end.tm_gmtoff != tm.tm_gmtoff || end.tm_mday != tm.tm_mday || end.tm_hour != 23 || end.tm_min != 59 ||
        end.tm_sec != 59) {
      return false;  // the offset changes today: convert each row of this day on its own
    }
    from_ = t;
    until_ = lastSecond + 1;
    midnight_ = midnight;
    day_ = tm.tm_mday;
    month_ = tm.tm_mon + 1;
    year2_ = ((tm.tm_year + 1900) % 100 + 100) % 100;
    return true;
  }

  std::time_t from_ = 0, until_ = 0, midnight_ = 0;
  int day_ = 1, month_ = 1, year2_ = 70;
};

// "%.1f" of a value; to_chars rounds exactly like printf and is much faster per row.
void AppendOneDecimal(std::string& out, double value) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 1);
  if (r.ec == std::errc()) {
    out.append(buf, r.ptr);
  } else {
    out += StrFormat("%.1f", value);
  }
}

}  // namespace

std::string BuildTextReport(const CTevDoc& doc, const RecordingView& view) {
  std::string out;
  int count = view.readingCount;
  if (count < 0) count = 0;
  if (count > kMaxReadings) count = kMaxReadings;
  out.reserve(1024 + static_cast<size_t>(count) * 40);

  out += std::string(33, ' ') + "Test Report" + kEol;
  out += kEol;
  out += ">>Start Time: " + view.startTimeText + "       End Time: " + view.endTimeText + kEol;
  out += ">>Sampling rate: " + view.sampleIntervalText + "sec" + kEol;
  out += ">>Data number: " + view.readingCountText + kEol;
  out += ">>Temp Alarm HI: " + view.tempAlarmHighText + "   Temp Alarm Low: " + view.tempAlarmLowText + kEol;
  out += ">>RH Alarm HI: " + view.rhAlarmHighText + "   RH Alarm Low: " + view.rhAlarmLowText + kEol;
  out += ">>Temp MAX: " + view.tempMaxText + "  Temp MIN: " + view.tempMinText +
         "  Temp AVG: " + view.tempAvgText + kEol;
  out += ">>RH MAX: " + view.rhMaxText + "  RH MIN: " + view.rhMinText + "  RH AVG: " + view.rhAvgText + kEol;
  out += std::string(100, '-') + kEol;
  const bool fahrenheit = view.isFahrenheit == 1;
  out += fahrenheit ? "NO\tTemp(F)\tRH(%RH)\tTIME " : "NO\tTemp(C)\tRH(%RH)\tTIME ";
  out += kEol;

  RowClock clock;
  char number[16];
  for (int i = 0; i < count; ++i) {
    const auto r = std::to_chars(number, number + sizeof number, i + 1);
    out.append(number, r.ptr);
    out += '\t';
    const float celsius = doc.temperature[static_cast<size_t>(i)];
    AppendOneDecimal(out, fahrenheit ? ToFahrenheit(celsius) : static_cast<double>(celsius));
    out += '\t';
    AppendOneDecimal(out, static_cast<double>(doc.humidity[static_cast<size_t>(i)]));
    out += '\t';
    clock.Append(out, ReadingTime(view, i));
    out += ' ';
    out += kEol;
  }
  return out;
}

}  // namespace k7740
