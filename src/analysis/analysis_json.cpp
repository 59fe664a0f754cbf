#include <nlohmann/json.hpp>

#include "analysis/export.h"

namespace k7740 {

namespace {

using Json = nlohmann::ordered_json;

Json StatsJson(const ValueStats& s) {
  if (s.count == 0) return Json{{"min", nullptr}, {"max", nullptr}, {"mean", nullptr}, {"stdev", nullptr}};
  return Json{{"min", s.min}, {"max", s.max}, {"mean", s.mean}, {"stdev", s.stdev}};
}

Json ExcursionJson(const RecordingAnalysis& a, const ExcursionSummary& e) {
  Json longest = nullptr;
  if (e.longestReadings > 0) {
    longest = Json{
        {"start", FormatIsoLocalTime(a.start + static_cast<std::time_t>(e.longestFirst) * a.intervalSeconds)},
        {"end", FormatIsoLocalTime(a.start + static_cast<std::time_t>(e.longestLast) * a.intervalSeconds)},
        {"duration_s", e.longestSeconds}};
  }
  return Json{{"count", e.count}, {"total_s", e.totalSeconds}, {"longest", longest}};
}

Json Optional(const std::optional<double>& v) { return v ? Json(*v) : Json(nullptr); }

}  // namespace

std::string FormatAnalysisJson(const RecordingAnalysis& a) {
  Json j;
  j["count"] = a.count;
  j["interval_s"] = a.intervalSeconds;
  j["start"] = FormatIsoLocalTime(a.start);
  j["end"] = a.count > 0 ? Json(FormatIsoLocalTime(a.end)) : Json(nullptr);
  j["temperature_c"] = StatsJson(a.temperatureC);
  j["humidity_rh"] = StatsJson(a.humidity);
  j["dew_point_c"] = StatsJson(a.dewPointC);
  j["mkt_c"] = Optional(a.mktC);
  j["mkt_f"] = Optional(a.mktF);
  j["excursions"] = Json{{"temperature_high", ExcursionJson(a, a.tempHigh)},
                         {"temperature_low", ExcursionJson(a, a.tempLow)},
                         {"humidity_high", ExcursionJson(a, a.rhHigh)},
                         {"humidity_low", ExcursionJson(a, a.rhLow)}};
  // Non-finite values (only from damaged readings) become null; the texts are all ASCII.
  return j.dump(2) + "\n";
}

}  // namespace k7740
