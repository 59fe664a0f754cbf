#include "graph/graph_state.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/text.h"

namespace k7740 {

PlotGeometry ScreenPlotGeometry(int cx, int cy) {
  PlotGeometry g;
  g.cx = cx;
  g.cy = cy;
  g.L = 80;
  g.T = 175;
  g.R = cx - 80;
  g.B = cy - 90;
  return g;
}

PlotGeometry PagePlotGeometry(int pageWidth, int pageHeight) {
  PlotGeometry g;
  g.cx = pageWidth;
  g.cy = pageHeight;
  g.L = 260;
  g.T = 975;
  g.R = pageWidth - 260;
  g.B = pageHeight - 470;
  return g;
}

int TruncToPixel(double v) {
  if (std::isnan(v)) return 0;
  constexpr double kLimit = 1e9;
  return static_cast<int>(std::clamp(v, -kLimit, kLimit));
}

float CutToHundredths(double v) {
  if (!std::isfinite(v)) return static_cast<float>(v);
  return static_cast<float>(std::trunc(v * 100.0) * 0.01);
}

double CurveValue(const CTevDoc& doc, const RecordingView& rec, int series, int i) {
  const size_t k = static_cast<size_t>(i);
  if (series == 1) return doc.humidity[k];
  const float c = doc.temperature[k];
  if (!rec.isFahrenheit) return c;
  return std::trunc((c * 1.8 + 32 + 0.05) * 10) * 0.1;
}

namespace {

int Count(const RecordingView& rec) { return std::clamp(rec.readingCount, 0, kMaxReadings); }

TickTable LevelZeroTicks(int low, int high) {
  TickTable t{};
  const double span = static_cast<double>(high) - static_cast<double>(low);
  for (int k = 0; k < kTickCount; ++k) t[static_cast<size_t>(k)] = static_cast<float>(low + span * k * 0.1);
  return t;
}

// The new level's ticks: ten steps over the selection's height from its bottom edge.
TickTable ZoomedTicks(const TickTable& p, double y1, double y2, const PlotGeometry& geo,
                      int32_t scrollSteps) {
  const float r = p[10] - p[0];
  const double b = geo.B;
  const double h = geo.H();
  const float low = CutToHundredths(p[0] + r * (b - y2) / h);
  const float top = CutToHundredths(p[0] + r * ((b - y2) + 0.1 * (y2 - y1)) / h);
  const float step = top - low;
  TickTable t{};
  for (int j = 0; j < kTickCount; ++j) {
    t[static_cast<size_t>(j)] = low + static_cast<float>(scrollSteps + j) * step;
  }
  return t;
}

void SyncScroll(GraphState& g, const ViewSettings& vs, const PlotGeometry& geo) {
  const size_t z = static_cast<size_t>(g.zoomDepth);
  g.firstVisibleIndex = TruncToPixel((geo.L - g.screenX[0]) / g.dx());
  g.hBar.position = g.firstVisibleIndex - g.hScrollOffset + 1;
  const auto sync = [](const TickTable& t, int low, int high, int32_t& pos, int32_t& max,
                       ScrollBarState& bar) {
    const float step = t[1] - t[0];
    pos = TruncToPixel((t[5] - low) / step);
    max = TruncToPixel((static_cast<double>(high) - low) / step);
    bar.minimum = 0;
    bar.maximum = max;
    bar.position = max - pos;
  };
  sync(g.tempTicks[z], vs.yTempLow, vs.yTempHigh, g.tempScrollPos, g.tempScrollMax, g.tempBar);
  sync(g.rhTicks[z], vs.yRhLow, vs.yRhHigh, g.rhScrollPos, g.rhScrollMax, g.rhBar);
  g.scrollSyncPending = false;
}

void PlaceTimeLabels(GraphState& g, const RecordingView& rec, const PlotGeometry& geo) {
  const double perWidth = geo.W() / g.dx();
  const int n = TruncToPixel(perWidth);
  int s = 1;
  if (n == 2) {
    s = TruncToPixel(perWidth * 0.5);
  } else if (n == 3) {
    s = TruncToPixel(perWidth * 0.3333333333333333);
  } else if (n >= 4) {
    s = TruncToPixel(perWidth * 0.25);
  }
  for (int k = 0; k < kTimeLabelCount; ++k) {
    const int64_t index = static_cast<int64_t>(g.firstVisibleIndex) + static_cast<int64_t>(k) * s;
    const size_t ks = static_cast<size_t>(k);
    g.labelIndex[ks] = static_cast<int32_t>(std::clamp<int64_t>(index, -1'000'000'000, 1'000'000'000));
    g.labelTime[ks] =
        rec.startTime + static_cast<std::time_t>(static_cast<int64_t>(g.labelIndex[ks]) - g.hScrollOffset) *
                            rec.sampleIntervalSeconds;
    g.timeLabelTexts[ks] = FormatLocalTime(g.labelTime[ks], "%H:%M:%S");
  }
  g.labelCount = kTimeLabelCount;
}

}  // namespace

void LayoutGraph(GraphState& g, const CTevDoc& doc, const RecordingView& rec, const ViewSettings& vs,
                 const PlotGeometry& geo) {
  const int n = Count(rec);
  g.zoomDepth = std::clamp(g.zoomDepth, 0, kMaxZoomDepth);
  const size_t z = static_cast<size_t>(g.zoomDepth);
  if (n >= 2 && geo.W() > 0) g.xStep = static_cast<float>(static_cast<double>(geo.W()) / (n - 1));

  g.tempTicks[0] = LevelZeroTicks(vs.yTempLow, vs.yTempHigh);
  g.rhTicks[0] = LevelZeroTicks(vs.yRhLow, vs.yRhHigh);

  g.positionsValid = n >= 2 && geo.HasRoom();
  g.labelCount = 0;
  if (g.chainRebuild) {
    g.hBar.minimum = 0;
    g.hBar.maximum = n;
  }
  if (g.positionsValid) {
    g.screenX.resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) g.screenX[static_cast<size_t>(i)] = geo.L + i * static_cast<double>(g.xStep);

    for (size_t k = 1; k <= z; ++k) {
      if (g.chainRebuild) {
        g.selX1[k - 1] = geo.L + geo.W() * g.selFracX1[k - 1];
        g.selX2[k - 1] = geo.L + geo.W() * g.selFracX2[k - 1];
        g.selY1[k - 1] = geo.T + geo.H() * g.selFracY1[k - 1];
        g.selY2[k - 1] = geo.T + geo.H() * g.selFracY2[k - 1];
      }
      double x1 = g.selX1[k - 1], x2 = g.selX2[k - 1];
      double y1 = g.selY1[k - 1], y2 = g.selY2[k - 1];
      if (x2 < x1) std::swap(x1, x2);
      if (y2 < y1) std::swap(y1, y2);
      if (g.chainRebuild) {
        g.tempTicks[k] = ZoomedTicks(g.tempTicks[k - 1], y1, y2, geo, g.tempScrollSteps[k]);
        g.rhTicks[k] = ZoomedTicks(g.rhTicks[k - 1], y1, y2, geo, g.rhScrollSteps[k]);
      }
      // A selection without width cannot be stretched; such a level keeps the positions below it.
      if (!(x2 > x1)) continue;
      const double w = geo.W();
      for (double& x : g.screenX) x = geo.L + (x - x1) * w / (x2 - x1);
    }

    for (int s = 0; s < 2; ++s) {
      const TickTable& t = s == 0 ? g.tempTicks[z] : g.rhTicks[z];
      std::vector<double>& ys = g.screenY[static_cast<size_t>(s)];
      ys.resize(static_cast<size_t>(n));
      const double h = geo.H();
      const double span = t[10] - t[0];
      for (int i = 0; i < n; ++i) {
        ys[static_cast<size_t>(i)] = geo.B - (CurveValue(doc, rec, s, i) - t[0]) * h / span;
      }
    }
    if (g.scrollSyncPending) SyncScroll(g, vs, geo);
    PlaceTimeLabels(g, rec, geo);
  }

  for (int k = 0; k < kTickCount; ++k) {
    const size_t ks = static_cast<size_t>(k);
    g.valueLabelTexts[ks] = StrFormat("%.2f", static_cast<double>(g.tempTicks[z][ks]));
    g.valueLabelTexts[kTickCount + ks] = StrFormat("%.2f", static_cast<double>(g.rhTicks[z][ks]));
  }
  g.hasSeveralReadings = n > 1;
}

void UndoZoom(GraphState& g) {
  g.zoomDepth = 0;
  g.chainRebuild = false;
  g.hScrollOffset = 0;
  g.firstVisibleIndex = 0;
  g.tempScrollSteps[0] = 0;
  g.rhScrollSteps[0] = 0;
  g.tempScrollPos = 0;
  g.rhScrollPos = 0;
  g.hBar.enabled = g.tempBar.enabled = g.rhBar.enabled = false;
}

void ResetZoomForNewFile(GraphState& g) {
  g.zoomDepth = 0;
  g.chainRebuild = false;
  g.hScrollOffset = 0;
  g.firstVisibleIndex = 0;
}

int ValueLabelSizeClass(float v) {
  if (v >= 0 && v < 10) return 4;
  if ((v >= 10 && v < 100) || (v > -10 && v < 0)) return 3;
  if (v >= 100 || (v > -100 && v <= -10)) return 2;
  return 1;
}

void StoreSelectionStart(GraphState& g, const PlotGeometry& geo, int x, int y) {
  const size_t z = static_cast<size_t>(g.zoomDepth);
  g.selX1[z] = x;
  g.selY1[z] = y;
  g.selFracX1[z] = static_cast<double>(x - geo.L) / geo.W();
  g.selFracY1[z] = static_cast<double>(y - geo.T) / geo.H();
}

void StoreSelectionEnd(GraphState& g, const PlotGeometry& geo, int x, int y) {
  const size_t z = static_cast<size_t>(g.zoomDepth);
  g.selX2[z] = x;
  g.selY2[z] = y;
  g.selFracX2[z] = static_cast<double>(x - geo.L) / geo.W();
  g.selFracY2[z] = static_cast<double>(y - geo.T) / geo.H();
}

bool FinishSelection(GraphState& g, const PlotGeometry& geo) {
  const size_t z = static_cast<size_t>(g.zoomDepth);
  if (g.selX2[z] < g.selX1[z]) std::swap(g.selX1[z], g.selX2[z]);
  if (g.selY2[z] < g.selY1[z]) std::swap(g.selY1[z], g.selY2[z]);
  const double y1 = g.selY1[z], y2 = g.selY2[z];
  const double dx = g.dx();
  bool stepsLargeEnough = true;
  const bool roomToZoom = g.positionsValid && dx < geo.W();
  if (roomToZoom) {
    for (int s = 0; s < 2; ++s) {
      const TickTable& p = s == 0 ? g.tempTicks[z] : g.rhTicks[z];
      const float r = p[10] - p[0];
      const double a0 = p[0] + r * (geo.B - y2) / geo.H();
      const double a1 = p[0] + r * ((geo.B - y2) + 0.1 * (y2 - y1)) / geo.H();
      if (z + 1 < kZoomLevels) {
        TickTable& next = s == 0 ? g.tempTicks[z + 1] : g.rhTicks[z + 1];
        next[0] = static_cast<float>(a0);
        next[1] = static_cast<float>(a1);
      }
      if (!(a1 - a0 > 0.01)) stepsLargeEnough = false;
    }
  }
  const bool accepted =
      g.zoomDepth < kMaxZoomDepth && roomToZoom && stepsLargeEnough && g.selX2[z] > g.selX1[z];
  if (accepted) {
    g.zoomDepth = static_cast<int>(z) + 1;
    g.tempScrollSteps[z + 1] = 0;
    g.rhScrollSteps[z + 1] = 0;
    // A zoomed graph can be panned with the bars.
    g.hBar.enabled = g.tempBar.enabled = g.rhBar.enabled = true;
  }
  g.chainRebuild = true;
  g.scrollSyncPending = true;
  return accepted;
}

bool HorizontalScroll(GraphState& g, ScrollAction action, int thumbPos, int cx, int readingCount) {
  const double dx = g.dx();
  if (!(dx > 0)) return false;
  const int left = g.firstVisibleIndex - g.hScrollOffset;
  const int page = TruncToPixel((cx - 55) / dx) + 1;
  switch (action) {
    case ScrollAction::LineBack:
      if (left + 1 > 0) g.hScrollOffset += 1;
      break;
    case ScrollAction::LineForward:
      if (left + 1 < readingCount) g.hScrollOffset -= 1;
      break;
    case ScrollAction::PageBack:
      if (left + 1 > page) {
        g.hScrollOffset += page;
      } else {
        g.hScrollOffset = g.firstVisibleIndex + 1;
      }
      break;
    case ScrollAction::PageForward:
      if (left + 1 < readingCount - page) {
        g.hScrollOffset -= page;
      } else {
        g.hScrollOffset = g.firstVisibleIndex - readingCount + 1;
      }
      break;
    case ScrollAction::ThumbTrack:
      g.hScrollOffset = g.firstVisibleIndex - thumbPos + 1;
      break;
    case ScrollAction::Other:
      return false;
  }
  g.hBar.position = g.firstVisibleIndex - g.hScrollOffset + 1;
  return true;
}

bool VerticalScroll(GraphState& g, int series, ScrollAction action, int thumbPos) {
  const size_t z = static_cast<size_t>(g.zoomDepth);
  const int m = series == 0 ? g.tempScrollMax : g.rhScrollMax;
  const int p = series == 0 ? g.tempScrollPos : g.rhScrollPos;
  int32_t& s = series == 0 ? g.tempScrollSteps[z] : g.rhScrollSteps[z];
  switch (action) {
    case ScrollAction::LineBack:
      if (m - p - s + 1 > 0) s += 1;
      break;
    case ScrollAction::LineForward:
      if (m - p - s + 1 < m) s -= 1;
      break;
    case ScrollAction::PageBack:
      if (m - s - p + 1 > 10) {
        s += 10;
      } else {
        s = m - p + 1;
      }
      break;
    case ScrollAction::PageForward:
      if (m - s - p + 1 < m - 10) {
        s -= 10;
      } else {
        s = 1 - p;
      }
      break;
    case ScrollAction::ThumbTrack:
      s = m - p - thumbPos + 1;
      break;
    case ScrollAction::Other:
      return false;
  }
  (series == 0 ? g.tempBar : g.rhBar).position = m - s - p + 1;
  return true;
}

int PickReading(const GraphState& g, int readingCount, int x) {
  const int n = std::min(readingCount, static_cast<int>(g.screenX.size()));
  if (!g.positionsValid || n < 2) return -1;
  const double dx = g.dx();
  const auto at = [&](int m) {
    const int64_t k = static_cast<int64_t>(m) + g.hScrollOffset;
    if (k >= 0 && k < n) return g.screenX[static_cast<size_t>(k)];
    return g.screenX[0] + dx * static_cast<double>(k);
  };
  int j = TruncToPixel((x - g.screenX[0]) / dx - g.hScrollOffset);
  if (x - at(j) > at(j + 1) - x) j += 1;
  return j;
}

std::string ReadoutText(const CTevDoc& doc, const RecordingView& rec, int i) {
  const float c = doc.temperature[static_cast<size_t>(i)];
  const std::string temp = rec.isFahrenheit ? StrFormat("%.1f", ToFahrenheit(c)) + " F"
                                            : StrFormat("%.1f", static_cast<double>(c)) + " C";
  return "Time:" + FormatLocalTime(ReadingTime(rec, i), "%d/%m/%y %H:%M:%S") + "           Temp:" + temp +
         "           RH:" + StrFormat("%.1f", static_cast<double>(doc.humidity[static_cast<size_t>(i)])) +
         " %RH";
}

}  // namespace k7740
