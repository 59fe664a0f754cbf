#include "graph/data_list_texts.h"

#include "common/text.h"

namespace k7740 {

DataListSource DataListSourceFor(const CTevDoc& doc, const RecordingView& view) {
  DataListSource source;
  source.doc = &doc;
  source.startTime = view.startTime;
  source.sampleIntervalSeconds = view.sampleIntervalSeconds;
  source.rowCount =
      view.readingCount < 0 ? 0 : (view.readingCount > kMaxReadings ? kMaxReadings : view.readingCount);
  return source;
}

std::string DataListCellText(const DataListSource& source, int row, int column) {
  if (source.doc == nullptr || row < 0 || row >= source.rowCount) return {};
  const auto i = static_cast<size_t>(row);
  switch (column) {
    case 0:
      return StrFormat("%d", row + 1);
    case 1:
      return FormatLocalTime(source.startTime + static_cast<std::time_t>(row) * source.sampleIntervalSeconds,
                             "%d/%m/%y %H:%M:%S");
    case 2:
      return StrFormat("%.1f", static_cast<double>(source.doc->humidity[i]));
    case 3:
      return StrFormat("%.1f C", static_cast<double>(source.doc->temperature[i]));
    case 4:
      return StrFormat("%.1f F", ToFahrenheit(source.doc->temperature[i]));
    default:
      return {};
  }
}

}  // namespace k7740
