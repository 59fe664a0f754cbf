#include "graph/graph_scene.h"

#include <algorithm>
#include <cmath>

#include "common/text.h"

namespace k7740 {

SceneStyle ScreenSceneStyle() { return SceneStyle{}; }

SceneStyle PageSceneStyle(int pageHeight) {
  SceneStyle s;
  s.page = true;
  s.u = pageHeight / 70;
  s.curvePenWidth = 10;
  s.alarmPenWidth = 10;
  s.labelFontPixels = static_cast<int>(s.u * 0.6);
  s.unitFontPixels = s.u;
  s.fontPixelsAreCellHeight = true;
  return s;
}

namespace {

class SceneWriter {
 public:
  explicit SceneWriter(GraphScene& scene) : scene_(scene) {}

  void Fill(int x, int y, int w, int h, SceneColor color) {
    if (w <= 0 || h <= 0) return;
    SceneOp op;
    op.kind = SceneOp::Kind::Fill;
    op.color = color;
    op.x0 = x;
    op.y0 = y;
    op.x1 = w;
    op.y1 = h;
    scene_.ops.push_back(std::move(op));
  }
  void Line(SceneOp::Kind kind, int x0, int y0, int x1, int y1, int series = 0) {
    SceneOp op;
    op.kind = kind;
    op.series = series;
    op.x0 = x0;
    op.y0 = y0;
    op.x1 = x1;
    op.y1 = y1;
    scene_.ops.push_back(std::move(op));
  }
  void Text(int x, int y, std::string text, SceneFont font, SceneColor color, SceneColor back) {
    SceneOp op;
    op.kind = SceneOp::Kind::Text;
    op.font = font;
    op.color = color;
    op.back = back;
    op.x0 = x;
    op.y0 = y;
    op.text = std::move(text);
    scene_.ops.push_back(std::move(op));
  }
  void Points(SceneOp::Kind kind, int series, std::vector<ScenePoint> points) {
    if (points.empty()) return;
    SceneOp op;
    op.kind = kind;
    op.series = series;
    op.points = std::move(points);
    scene_.ops.push_back(std::move(op));
  }

 private:
  GraphScene& scene_;
};

// Curve points far outside every surface are brought in along their segment, so that the
// visible part keeps its slope and no coordinate leaves the painter's range.
constexpr double kFar = 4'194'304.0;

bool Near(double x, double y) { return std::abs(x) <= kFar && std::abs(y) <= kFar; }

// Keeps the part of a segment on the near side of one edge of the far box (s * u <= kFar, u the
// coordinate across the edge, v along it). A far end moves to the crossing, interpolated from the
// end inside: measured from the far end, the crossing of a reading 10^38 degrees off would drown
// in rounding and land anywhere on the plot.
bool ClipToEdge(double& ua, double& va, double& ub, double& vb, double s) {
  const double edge = s * kFar;
  const bool aOut = s * ua > kFar, bOut = s * ub > kFar;
  if (aOut && bOut) return false;
  if (aOut) {
    va = vb + (va - vb) * ((edge - ub) / (ua - ub));
    ua = edge;
  } else if (bOut) {
    vb = va + (vb - va) * ((edge - ua) / (ub - ua));
    ub = edge;
  }
  return true;
}

// Clips a segment to the far box, one edge after the other; false when nothing of it is inside.
bool ClipToFarBox(double& x0, double& y0, double& x1, double& y1) {
  if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return false;
  return ClipToEdge(x0, y0, x1, y1, 1) && ClipToEdge(x0, y0, x1, y1, -1) && ClipToEdge(y0, x0, y1, x1, 1) &&
         ClipToEdge(y0, x0, y1, x1, -1);
}

// Several readings usually share a pixel column. Within a column the polyline only runs up and
// down, so its first, lowest, highest and last points cover the same pixels as all of them;
// the steps between columns keep their end points.
void CompressColumns(std::vector<ScenePoint>& line) {
  std::vector<ScenePoint> out;
  out.reserve(line.size());
  for (size_t i = 0; i < line.size();) {
    size_t j = i + 1;
    ScenePoint low = line[i], high = line[i];
    while (j < line.size() && line[j].x == line[i].x) {
      if (line[j].y < low.y) low = line[j];
      if (line[j].y > high.y) high = line[j];
      ++j;
    }
    for (const ScenePoint& p : {line[i], low, high, line[j - 1]}) {
      if (out.empty() || !(out.back() == p)) out.push_back(p);
    }
    i = j;
  }
  line.swap(out);
}

// Curve of one series from reading first - 1 to reading last, as polylines (a far-off segment
// splits it).
void AddCurve(SceneWriter& out, const GraphState& g, int series, int first, int last, bool marks) {
  const std::vector<double>& ys = g.screenY[static_cast<size_t>(series)];
  std::vector<ScenePoint> line;
  line.reserve(static_cast<size_t>(std::max(0, last - first + 2)));
  std::vector<ScenePoint> dots;
  if (marks) dots.reserve(4 * line.capacity());
  const auto flush = [&] {
    if (line.size() >= 2) {
      CompressColumns(line);
      // A curve that stays on one pixel is still drawn.
      if (line.size() == 1) line.push_back(line[0]);
      out.Points(SceneOp::Kind::Curve, series, std::move(line));
    }
    line.clear();
  };
  if (first > last) return;
  // Each reading's position is worked out once and carried to the next segment.
  double xa = g.DrawnX(first - 1), ya = ys[static_cast<size_t>(first - 1)];
  bool nearA = Near(xa, ya);
  ScenePoint a = nearA ? ScenePoint{TruncToPixel(xa), TruncToPixel(ya)} : ScenePoint{};
  for (int i = first; i <= last; ++i) {
    const double xb = g.DrawnX(i), yb = ys[static_cast<size_t>(i)];
    const bool nearB = Near(xb, yb);
    const ScenePoint b = nearB ? ScenePoint{TruncToPixel(xb), TruncToPixel(yb)} : ScenePoint{};
    if (nearA && nearB) {
      if (line.empty()) line.push_back(a);
      line.push_back(b);
      if (marks) {
        dots.push_back({a.x, a.y + 1});
        dots.push_back({a.x, a.y - 1});
        dots.push_back({b.x, b.y + 1});
        dots.push_back({b.x, b.y - 1});
      }
    } else {
      // A segment with a far end is cut at the far box; the polyline runs on through its near
      // end and breaks at its far one, so a damaged recording does not become a scene of
      // 2-point pieces.
      double cxa = xa, cya = ya, cxb = xb, cyb = yb;
      if (!ClipToFarBox(cxa, cya, cxb, cyb)) {
        flush();
      } else {
        const ScenePoint cut{TruncToPixel(cxa), TruncToPixel(cya)};
        if (line.empty() || !(line.back() == cut)) {
          flush();
          line.push_back(cut);
        }
        line.push_back({TruncToPixel(cxb), TruncToPixel(cyb)});
        if (!nearB) flush();
      }
    }
    xa = xb;
    ya = yb;
    nearA = nearB;
    a = b;
  }
  flush();
  out.Points(SceneOp::Kind::Marks, series, std::move(dots));
}

}  // namespace

GraphScene BuildGraphScene(GraphState& g, const CTevDoc& doc, const RecordingView& rec,
                           const ViewSettings& vs, const PlotGeometry& geo, const SceneStyle& style,
                           const std::string& readout) {
  GraphScene scene;
  scene.cx = geo.cx;
  scene.cy = geo.cy;
  scene.style = style;
  scene.ops.reserve(128);  // room for a plain graph's drawing
  SceneWriter out(scene);
  const int n = std::clamp(rec.readingCount, 0, kMaxReadings);
  const int L = geo.L, T = geo.T, R = geo.R, B = geo.B, W = geo.W(), H = geo.H();
  const bool page = style.page;
  const int u = style.u;
  const int tick = page ? 15 : 5;

  out.Fill(0, T, geo.cx, geo.cy - T, SceneColor::Face);
  out.Fill(L, T, W, H, SceneColor::Background);

  if (n == 0 && vs.showYAxisLines && L < R) {
    for (int k = 1; k <= 11; ++k) {
      const int x = TruncToPixel(L + k * static_cast<double>(W) / 12);
      out.Line(SceneOp::Kind::DottedLine, x, B, x, T);
    }
  }
  if (vs.showXAxisLines && L < R) {
    for (int k = 0; k <= 10; ++k) {
      const int y = TruncToPixel(T + H * k * 0.1);
      out.Line(SceneOp::Kind::DottedLine, L - 5, y, R + 5, y);
    }
  }

  LayoutGraph(g, doc, rec, vs, geo);

  if (vs.showYAxisLines) {
    for (int k = 0; k < g.labelCount; ++k) {
      const int x = TruncToPixel(g.screenX[0] + g.dx() * g.labelIndex[static_cast<size_t>(k)]);
      out.Line(SceneOp::Kind::DottedLine, x, B - 1, x, T);
    }
  }

  if (g.positionsValid) {
    const int i0 = g.firstVisibleIndex - g.hScrollOffset + 1;
    const int end = TruncToPixel(W / g.dx() + i0 + 2);
    const int first = std::max(i0, 1);
    const int last = std::min(end, n) - 1;
    const bool marks = vs.showMarkPoints && !page;
    if (first <= last) {
      if (vs.showTempCurve) AddCurve(out, g, 0, first, last, marks);
      if (vs.showRhCurve) AddCurve(out, g, 1, first, last, marks);
    }
  }

  const auto alarmY = [&](int series, double v) {
    const TickTable& t = g.ticks(series);
    return TruncToPixel(B - (v - t[0]) * H / (t[10] - t[0]));
  };
  const auto alarm = [&](bool shown, int series, double v) {
    if (!shown) return;
    const int y = alarmY(series, v);
    out.Line(SceneOp::Kind::AlarmLine, L, y, R, y, series);
  };
  alarm(vs.showTempAlarmHigh, 0, rec.isFahrenheit ? rec.tempHighLineF : rec.tempHighLineC);
  alarm(vs.showTempAlarmLow, 0, rec.isFahrenheit ? rec.tempLowLineF : rec.tempLowLineC);
  alarm(vs.showRhAlarmHigh, 1, rec.rhHighLine);
  alarm(vs.showRhAlarmLow, 1, rec.rhLowLine);

  out.Fill(0, 0, L, geo.cy, SceneColor::Face);
  out.Fill(R, 0, geo.cx - R, geo.cy, SceneColor::Face);

  const TickTable& tempTicks = g.ticks(0);
  for (int k = 0; k <= 10; ++k) {
    const size_t ks = static_cast<size_t>(k);
    const int y = B - (k * H / 10) - (page ? 27 : 7);
    const int x = (page ? 56 : 26) + 5 * ValueLabelSizeClass(tempTicks[ks]);
    out.Text(x, y, g.valueLabelTexts[ks], SceneFont::Label, SceneColor::Black, SceneColor::Face);
    out.Text(R + (page ? 35 : 6), y, g.valueLabelTexts[kTickCount + ks], SceneFont::Label, SceneColor::Black,
             SceneColor::Face);
  }

  if (B > T) out.Fill(L, B + 1, W, page ? geo.cy - B : 100, SceneColor::Face);

  if (n >= 1) {
    const int timeY = page ? B + u / 2 : B + 8;
    const int dateY = page ? B + u : B + 20;
    if (n == 1) {
      const int x = page ? 170 : L - 23;
      out.Text(x, page ? B + u / 2 : B + 5, FormatLocalTime(rec.startTime, "%H:%M:%S"), SceneFont::Label,
               SceneColor::Black, SceneColor::Face);
      out.Text(x, page ? B + u : B + 17, FormatLocalTime(rec.startTime, "%m/%d/%y"), SceneFont::Label,
               SceneColor::Black, SceneColor::Face);
    }
    for (int k = 0; k < g.labelCount; ++k) {
      const size_t ks = static_cast<size_t>(k);
      const double x = g.screenX[0] + g.dx() * g.labelIndex[ks];
      const int xi = TruncToPixel(x);
      if (L <= x && x <= R) {
        const int tx = xi - (page ? 90 : 23);
        out.Text(tx, timeY, g.timeLabelTexts[ks], SceneFont::Label, SceneColor::Black, SceneColor::Face);
        out.Text(tx, dateY, FormatLocalTime(g.labelTime[ks], "%m/%d/%y"), SceneFont::Label, SceneColor::Black,
                 SceneColor::Face);
      }
      if (L <= xi && xi <= R) out.Line(SceneOp::Kind::TickLine, xi, B, xi, B + tick);
    }
  }

  if (L < R) {
    for (int k = 0; k <= 10; ++k) {
      const int y = TruncToPixel(T + H * k * 0.1);
      out.Line(SceneOp::Kind::TickLine, L - tick, y, L, y);
      out.Line(SceneOp::Kind::TickLine, R, y, R + tick, y);
    }
  }

  out.Fill(L, 0, W, T, SceneColor::Face);

  const int captionY = page ? B + 3 * u : B + 40;
  out.Text(page ? 140 : 50, captionY, rec.isFahrenheit ? "'F" : "'C", SceneFont::Unit,
           SceneColor::Temperature, SceneColor::Background);
  out.Text(R + (page ? 20 : 10), captionY, "%RH", SceneFont::Unit, SceneColor::Humidity,
           SceneColor::Background);

  if (!page) {
    out.Fill(0, geo.cy - 28, geo.cx, 28, SceneColor::ReadoutBar);
    if (!readout.empty()) {
      out.Text(L, geo.cy - 23, readout, SceneFont::Readout, SceneColor::White, SceneColor::None);
    }
  }
  return scene;
}

}  // namespace k7740
