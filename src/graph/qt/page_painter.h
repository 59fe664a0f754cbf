// The printed report onto any paged device: the printer, the print preview and the CLI's PDF
// all draw their pages through here, one logical unit per device pixel.
#pragma once

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <ctime>

#include "graph/data_list_texts.h"
#include "graph/graph_state.h"
#include "graph/print_layout.h"
#include "recording/recording.h"
#include "settings/settings_table.h"

namespace k7740 {

// What a printout is drawn from. The graph state is the screen's own: the page shows the same
// zoom level and scroll position, and leaves page coordinates in its caches.
struct ReportSource {
  GraphState* graph = nullptr;
  const CTevDoc* doc = nullptr;
  RecordingView* rec = nullptr;
  const ViewSettings* viewSettings = nullptr;
  const MainSettings* colours = nullptr;
  DataListSource list;  // the rows the list pages print
  std::time_t now = 0;  // the footer's date
};

int ReportPageCount(const ReportSource& source);

// Header and list text: Arial of the given cell height, weight 200.
QFont PageTextFont(int cellHeight);

// One page (1-based) of the printout on a surface of width x height device pixels: the graph
// with its header lines in graph mode, list page `page` in list mode, nothing otherwise.
void PaintReportPage(QPainter& painter, int width, int height, int page, ReportSource& source);

// Pages first..last onto the device, a new sheet between two. False when the device cannot be
// painted on.
bool PaintReport(QPagedPaintDevice& device, ReportSource& source, int first, int last);

}  // namespace k7740
