#include "graph/print_layout.h"

#include <algorithm>
#include <cstring>

#include "common/text.h"

namespace k7740 {

int PrintPageCount(int displayMode, int readingCount) {
  if (displayMode != 2 || readingCount <= kFirstListPageRows) return 1;
  return 1 + (readingCount - kFirstListPageRows + kListPageRows - 1) / kListPageRows;
}

PageRows ListPageRows(int page, int rowCount) {
  PageRows r;
  if (page <= 1) {
    r.first = 0;
    r.end = kFirstListPageRows;
  } else {
    r.first = kFirstListPageRows + kListPageRows * (page - 2);
    r.end = r.first + kListPageRows;
  }
  r.end = std::clamp(r.end, 0, std::max(rowCount, 0));
  r.first = std::min(r.first, r.end);
  return r;
}

std::array<std::string, 4> PrintHeaderLines(const RecordingView& rec, bool graphPage) {
  return {
      "Start Time: " + rec.startTimeText + "   End Time: " + rec.endTimeText +
          (graphPage ? "  sampling rate: " : " Sampling rate: ") + rec.sampleIntervalText + "sec" +
          "    Data number: " + rec.readingCountText,
      "Temp Alarm HI: " + rec.tempAlarmHighText + "   Temp Alarm Low: " + rec.tempAlarmLowText +
          "   RH Alarm HI: " + rec.rhAlarmHighText + "   RH Alarm Low: " + rec.rhAlarmLowText,
      "Temp MAX: " + rec.tempMaxText + "  Temp MIN: " + rec.tempMinText + "  Temp AVG: " + rec.tempAvgText,
      "RH MAX: " + rec.rhMaxText + "  RH MIN: " + rec.rhMinText + "  RH AVG: " + rec.rhAvgText,
  };
}

std::string PrintFooterText(std::time_t now, int page) {
  return FormatLocalTime(now, "%d/%m/%y") + StrFormat("  page%d", page);
}

std::array<int, kDataListColumns.size()> ListColumnPositions(int cw) {
  std::array<int, kDataListColumns.size()> x{};
  int at = 0;
  for (size_t k = 0; k < kDataListColumns.size(); ++k) {
    at += (2 * static_cast<int>(std::strlen(kDataListColumns[k].header)) * cw) / 3;
    x[k] = at;
  }
  return x;
}

PageTexts GraphPageHeader(const RecordingView& rec, int /*pageWidth*/, int pageHeight) {
  PageTexts page;
  const int u = pageHeight / 70;
  page.cellHeight = u;
  const std::array<std::string, 4> lines = PrintHeaderLines(rec, true);
  for (int n = 1; n <= 4; ++n)
    page.texts.push_back({250, (2 * n - 1) * u, lines[static_cast<size_t>(n - 1)]});
  return page;
}

PageTexts ListPage(const DataListSource& source, const RecordingView& rec, int pageWidth, int pageHeight,
                   int page, std::time_t now) {
  PageTexts out;
  const int h = pageHeight / 65;
  const int cw = pageWidth / 50;
  out.cellHeight = h;
  const bool first = page == 1;
  if (first) {
    const std::array<std::string, 4> lines = PrintHeaderLines(rec, false);
    for (int n = 1; n <= 4; ++n) out.texts.push_back({100, n * h, lines[static_cast<size_t>(n - 1)]});
    const int ruleY = static_cast<int>(h * 5.5);
    out.rules.push_back({0, ruleY, pageWidth, ruleY});
  }
  const auto columns = ListColumnPositions(cw);
  const int headerY = first ? 6 * h : h;
  for (size_t k = 0; k < columns.size(); ++k)
    out.texts.push_back({columns[k], headerY, kDataListColumns[k].header});

  const PageRows rows = ListPageRows(page, source.rowCount);
  const int rowBase = first ? 7 : 2;
  out.texts.reserve(out.texts.size() + static_cast<size_t>(rows.end - rows.first) * columns.size() + 1);
  for (int r = rows.first; r < rows.end; ++r) {
    const int y = (r - rows.first + rowBase) * h;
    for (size_t k = 0; k < columns.size(); ++k) {
      out.texts.push_back({columns[k], y, DataListCellText(source, r, static_cast<int>(k))});
    }
  }
  out.texts.push_back({pageWidth / 2 - 5 * cw, pageHeight - h, PrintFooterText(now, page)});
  return out;
}

}  // namespace k7740
