#include "sim/reading_files.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "common/text.h"
#include "recording/record_file.h"
#include "recording/recording.h"

namespace k7740 {

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool ParseNumber(const std::string& text, double& v) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  char* end = nullptr;
  errno = 0;
  v = std::strtod(t.c_str(), &end);
  return errno == 0 && end == t.c_str() + t.size() && std::isfinite(v);
}

// Tenths that fit the wire: temperature signed 16 bits, humidity unsigned 16 bits.
bool ToReading(double temp, double rh, SimReading& r) {
  const long t = std::lround(temp * 10.0);
  const long h = std::lround(rh * 10.0);
  if (t < -32768 || t > 32767 || h < 0 || h > 65535) return false;
  r = {static_cast<int16_t>(t), static_cast<uint16_t>(h)};
  return true;
}

}  // namespace

bool ParseReadingsCsv(const std::string& text, LoadedReadings& out, std::string& error) {
  out = LoadedReadings{};
  std::istringstream in(text);
  std::string line;
  int lineNumber = 0;
  bool firstContent = true;
  while (std::getline(in, line)) {
    ++lineNumber;
    const std::string t = Trim(line);
    if (t.empty() || t[0] == '#') continue;
    const size_t comma = t.find(',');
    double temp = 0, rh = 0;
    const bool numbers = comma != std::string::npos && ParseNumber(t.substr(0, comma), temp) &&
                         ParseNumber(t.substr(comma + 1), rh);
    if (!numbers) {
      if (firstContent) {  // a heading such as "temperature,humidity"
        firstContent = false;
        continue;
      }
      error = StrFormat(
          "line %d: expected \"temperature,humidity\" in degrees Celsius and %%RH, e.g. 23.5,60", lineNumber);
      return false;
    }
    firstContent = false;
    SimReading r;
    if (!ToReading(temp, rh, r)) {
      error = StrFormat("line %d: value out of range (temperature -3276.8 to 3276.7, humidity 0 to 6553.5)",
                        lineNumber);
      return false;
    }
    if (out.readings.size() >= static_cast<size_t>(kSimMaxReadings)) {
      error =
          StrFormat("more than %d readings; the logger's byte count cannot announce them", kSimMaxReadings);
      return false;
    }
    out.readings.push_back(r);
  }
  return true;
}

bool ParseReadingsRecord(const std::vector<uint8_t>& bytes, LoadedReadings& out, std::string& error) {
  out = LoadedReadings{};
  auto doc = std::make_unique<CTevDoc>();
  RecordingView view;
  switch (ReadRecordBytes(bytes.data(), bytes.size(), *doc, view)) {
    case RecordReadStatus::Ok:
      break;
    case RecordReadStatus::InvalidFormat:
      error = "not a valid record file";
      return false;
    case RecordReadStatus::Truncated:
      error = "the record file is truncated";
      return false;
  }
  const int count = std::clamp(static_cast<int>(view.readingCount), 0, kMaxReadings);
  out.readings.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    SimReading r;
    if (!ToReading(doc->temperature[static_cast<size_t>(i)], doc->humidity[static_cast<size_t>(i)], r)) {
      error = StrFormat("reading %d is out of range", i + 1);
      return false;
    }
    out.readings.push_back(r);
  }
  out.startTime = LoggerTime{doc->loadedStartYear, doc->loadedStartMonth,  doc->loadedStartDay,
                             doc->loadedStartHour, doc->loadedStartMinute, doc->loadedStartSecond};
  if (view.sampleIntervalSeconds > 0) out.intervalSeconds = view.sampleIntervalSeconds;
  const bool fahrenheit = view.isFahrenheit != 0;
  out.alarmUnitChar = fahrenheit ? '$' : '#';
  out.tempAlarmHigh = static_cast<int>(std::lround(fahrenheit ? view.tempHighLineF : view.tempHighLineC));
  out.tempAlarmLow = static_cast<int>(std::lround(fahrenheit ? view.tempLowLineF : view.tempLowLineC));
  out.rhAlarmHigh = static_cast<int>(std::lround(view.rhHighLine));
  out.rhAlarmLow = static_cast<int>(std::lround(view.rhLowLine));
  return true;
}

bool LoadReadingsFile(const std::string& path, LoadedReadings& out, std::string& error) {
  std::string ext;
  const size_t dot = path.find_last_of('.');
  if (dot != std::string::npos && path.find('/', dot) == std::string::npos) ext = path.substr(dot + 1);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  if (ext != "record" && ext != "csv") {
    error = path + ": the file name must end in .record or .csv";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = path + ": read error";
    return false;
  }
  std::string why;
  const bool ok = ext == "record" ? ParseReadingsRecord(bytes, out, why)
                                  : ParseReadingsCsv(std::string(bytes.begin(), bytes.end()), out, why);
  if (!ok) error = path + ": " + why;
  return ok;
}

}  // namespace k7740
