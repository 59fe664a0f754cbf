// The printed report's numbers: how many pages, the header lines, and every text and rule of a
// list page with its place. Device pixels of the page, origin at its top left corner. The graph
// itself comes from the graph scene; a painter turns both into ink.
#pragma once

#include <array>
#include <ctime>
#include <string>
#include <vector>

#include "graph/data_list_texts.h"
#include "recording/recording.h"

namespace k7740 {

inline constexpr int kFirstListPageRows = 50;
inline constexpr int kListPageRows = 55;

// Pages of a printout: one in graph mode (and any mode but the list), the list's pages in
// list mode.
int PrintPageCount(int displayMode, int readingCount);

// The list rows on page p (1-based): [first, end), clamped to rowCount.
struct PageRows {
  int first = 0;
  int end = 0;
};
PageRows ListPageRows(int page, int rowCount);

// The four header lines; the sampling-rate part differs between the graph and the list page.
std::array<std::string, 4> PrintHeaderLines(const RecordingView& rec, bool graphPage);

// "%d/%m/%y" of now, then "  page" and the number.
std::string PrintFooterText(std::time_t now, int page);

// Left edges of the list's columns: each grows by (2 x header length x cw) div 3 first.
std::array<int, kDataListColumns.size()> ListColumnPositions(int cw);

struct PageText {
  int x = 0;
  int y = 0;  // top of the text's cell
  std::string text;
};

struct PageRule {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// Black text on a transparent background in one face of the given cell height, and rules.
struct PageTexts {
  int cellHeight = 0;
  std::vector<PageText> texts;
  std::vector<PageRule> rules;
};

// The header lines of a graph page (drawn over the graph): line n at (250, (2n - 1) x u).
PageTexts GraphPageHeader(const RecordingView& rec, int pageWidth, int pageHeight);

// List page p: header lines and rule on page 1, column headers, the page's rows and the footer.
PageTexts ListPage(const DataListSource& source, const RecordingView& rec, int pageWidth, int pageHeight,
                   int page, std::time_t now);

}  // namespace k7740
