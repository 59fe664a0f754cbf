#include "graph/qt/page_painter.h"

#include <QFontMetrics>
#include <QString>
#include <Qt>

#include "graph/graph_scene.h"
#include "graph/qt/graph_painter.h"

namespace k7740 {

namespace {

void PaintPageTexts(QPainter& p, const PageTexts& page) {
  const QFont font = PageTextFont(page.cellHeight);
  const QFontMetrics fm(font);
  const int ascent = fm.ascent();
  p.setFont(font);
  p.setPen(Qt::black);
  p.setBackgroundMode(Qt::TransparentMode);
  for (const PageText& t : page.texts) {
    if (!t.text.empty()) p.drawText(t.x, t.y + ascent, QString::fromStdString(t.text));
  }
  // The list's rule: the default one-pixel pen.
  QPen rule(Qt::black, 1);
  p.setPen(rule);
  for (const PageRule& r : page.rules) p.drawLine(r.x0, r.y0, r.x1 - 1, r.y1);
}

void PaintGraphPage(QPainter& p, int width, int height, ReportSource& s) {
  // The reset a freshly read file gets at its first drawing; the screen still shows the panel
  // texts and clears the flag when it draws.
  if (s.rec->rebuildTextsOnDraw) {
    RebuildHeaderTexts(*s.doc, *s.rec);
    ResetZoomForNewFile(*s.graph);
  }
  const PlotGeometry geo = PagePlotGeometry(width, height);
  const GraphScene scene =
      BuildGraphScene(*s.graph, *s.doc, *s.rec, *s.viewSettings, geo, PageSceneStyle(height), "");
  PaintGraphScene(p, scene, GraphColorsFor(*s.colours, Qt::white));
  PaintPageTexts(p, GraphPageHeader(*s.rec, width, height));
}

}  // namespace

int ReportPageCount(const ReportSource& source) {
  return PrintPageCount(source.rec->displayMode, source.rec->readingCount);
}

QFont PageTextFont(int cellHeight) {
  // The label face converts a cell height to a pixel size; only the weight differs.
  SceneStyle style;
  style.labelFontPixels = cellHeight;
  style.fontPixelsAreCellHeight = true;
  QFont f = SceneFontFor(SceneFont::Label, style);
  f.setWeight(QFont::ExtraLight);
  return f;
}

void PaintReportPage(QPainter& p, int width, int height, int page, ReportSource& source) {
  p.save();
  p.resetTransform();
  p.setWindow(0, 0, width, height);
  p.setViewport(0, 0, width, height);
  switch (source.rec->displayMode) {
    case 1:
      PaintGraphPage(p, width, height, source);
      break;
    case 2:
      PaintPageTexts(p, ListPage(source.list, *source.rec, width, height, page, source.now));
      break;
    default:
      break;
  }
  p.restore();
}

bool PaintReport(QPagedPaintDevice& device, ReportSource& source, int first, int last) {
  QPainter painter;
  if (!painter.begin(&device)) return false;
  for (int page = first; page <= last; ++page) {
    if (page != first && !device.newPage()) return false;
    PaintReportPage(painter, device.width(), device.height(), page, source);
  }
  return painter.end();
}

}  // namespace k7740
