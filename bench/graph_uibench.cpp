// Figures of the graph view, offscreen, for a full recording in a 1920 x 1080 view: a full
// redraw unzoomed and at zoom depth 99, a mouse move with cursor line and readout, a rubber-band
// move, and the coordinate caches' memory. Each interaction is timed up to the end of the paint
// of what it changed. Then the redraw split into its stages: layout, scene and paint.
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "graph/graph_scene.h"
#include "graph/qt/graph_painter.h"
#include "graph/qt/tev_view.h"
#include "link/virtual_clock.h"

namespace {

using Clock = std::chrono::steady_clock;
using k7740::CTevView;
using k7740::GraphState;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Figures {
  double median = 0;
  double worst = 0;
  double cpuMedian = 0;  // CPU time of every thread of the process: what a shared machine steals is left out
};

double CpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

Figures Time(int runs, const std::function<void(int)>& run) {
  std::vector<double> wall, cpu;
  for (int i = 0; i < runs; ++i) {
    const double c = CpuMs();
    const Clock::time_point t = Clock::now();
    run(i);
    wall.push_back(MsSince(t));
    cpu.push_back(CpuMs() - c);
  }
  return {Median(wall), *std::max_element(wall.begin(), wall.end()), Median(cpu)};
}

void Report(const char* what, const Figures& f, double goal) {
  std::printf("%-50s median %7.3f ms  worst %7.3f ms  cpu %7.3f ms  (goal < %g ms)%s\n", what, f.median,
              f.worst, f.cpuMedian, goal, f.median < goal ? "" : "  MISSED");
}

// Counts the view's paint events and the pixels they cover, so that a figure is known to
// include a paint and how much of the view it redrew.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      for (const QRect& r : static_cast<QPaintEvent*>(event)->region())
        pixels += int64_t(r.width()) * r.height();
      const QRect b = static_cast<QPaintEvent*>(event)->rect();
      boundingPixels += int64_t(b.width()) * b.height();
    }
    return false;
  }
  void Clear() { paints = pixels = boundingPixels = 0; }
  int64_t paints = 0, pixels = 0, boundingPixels = 0;
};

size_t CacheBytes(const GraphState& g) {
  size_t bytes = sizeof(GraphState) + g.screenX.capacity() * sizeof(double);
  for (const auto& ys : g.screenY) bytes += ys.capacity() * sizeof(double);
  return bytes;
}

class Bench {
 public:
  Bench() {
    doc_ = std::make_unique<k7740::CTevDoc>();
    // A day-long swing with noise, so that neighbouring readings land on different rows.
    std::mt19937 rng(7740);
    std::normal_distribution<double> noise(0.0, 1.5);
    for (int i = 0; i < k7740::kMaxReadings; ++i) {
      const double day = 2.0 * M_PI * i / 1440.0;
      doc_->temperature[static_cast<size_t>(i)] =
          static_cast<float>(std::round((20.0 + 8.0 * std::sin(day) + noise(rng)) * 10) / 10);
      doc_->humidity[static_cast<size_t>(i)] = static_cast<float>(
          std::clamp(std::round((55.0 - 20.0 * std::sin(day) + noise(rng)) * 10) / 10, 0.0, 100.0));
    }
    k7740::ViewOptions options;
    options.timers = &timers_;
    options.pointerPosition = [this] { return pointer_; };
    view_ = std::make_unique<CTevView>(nullptr, *doc_, dir_.path().toStdString(), colours_, options);
    view_->resize(kWidth, kHeight);
    view_->show();
    k7740::RecordingView& rec = view_->recording();
    rec.readingCount = k7740::kMaxReadings;
    rec.startTime = k7740::MakeLocalTime(2024, 3, 1, 0, 0, 0);
    rec.sampleIntervalSeconds = 60;
    rec.displayMode = 1;
    view_->installEventFilter(&paints_);
    view_->Redraw();
    view_->repaint();
    Settle();
  }

  CTevView& view() { return *view_; }
  PaintCounter& paints() { return paints_; }

  void Settle() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }

  void Mouse(QEvent::Type type, int x, int y, Qt::MouseButtons buttons) {
    pointer_ = QPoint(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, QPointF(x, y), view_->mapToGlobal(QPointF(x, y)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(view_.get(), &ev);
  }

  // A drag over the whole plot: every level shows the one below it unchanged, so that the
  // depth grows without running out of readings to spread.
  bool ZoomOnce() {
    const k7740::PlotGeometry geo = view_->Geometry();
    const int before = view_->graphState().zoomDepth;
    Mouse(QEvent::MouseButtonPress, geo.L, geo.T, Qt::LeftButton);
    Mouse(QEvent::MouseMove, (geo.L + geo.R) / 2, (geo.T + geo.B) / 2, Qt::LeftButton);
    Mouse(QEvent::MouseMove, geo.R, geo.B, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, geo.R, geo.B, Qt::NoButton);
    Settle();
    return view_->graphState().zoomDepth == before + 1;
  }

  // The stages of one redraw, each alone, on a copy of the view's state.
  void ReportStages(const char* label) {
    const GraphState start = view_->graphState();
    const k7740::PlotGeometry geo = view_->Geometry();
    const k7740::GraphColors colors =
        k7740::GraphColorsFor(view_->colours(), view_->palette().button().color());
    GraphState g = start;
    const Figures layout = Time(50, [&](int) {
      g = start;
      k7740::LayoutGraph(g, *doc_, view_->recording(), view_->viewSettings(), geo);
    });
    k7740::GraphScene scene;
    const Figures build = Time(50, [&](int) {
      g = start;
      scene = k7740::BuildGraphScene(g, *doc_, view_->recording(), view_->viewSettings(), geo,
                                     k7740::ScreenSceneStyle(), view_->readoutText());
    });
    size_t points = 0;
    for (const k7740::SceneOp& op : scene.ops) points += op.points.size();
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    const Figures paint = Time(50, [&](int) {
      QPainter p(&image);
      k7740::PaintGraphScene(p, scene, colors);
    });
    // The paint split by the kind of drawing: each kind's ops painted alone.
    std::string kinds;
    const char* names[] = {"fills", "dotted", "ticks", "curves", "marks", "alarms", "texts"};
    for (int kind = 0; kind <= static_cast<int>(k7740::SceneOp::Kind::Text); ++kind) {
      k7740::GraphScene part = scene;
      part.ops.clear();
      for (const k7740::SceneOp& op : scene.ops) {
        if (static_cast<int>(op.kind) == kind) part.ops.push_back(op);
      }
      if (part.ops.empty()) continue;
      const Figures f = Time(30, [&](int) {
        QPainter p(&image);
        k7740::PaintGraphScene(p, part, colors);
      });
      kinds += k7740::StrFormat(" %s %.3f", names[kind], f.median);
    }
    std::printf("  paint by kind %s (ms, medians):%s\n", label, kinds.c_str());
    std::printf(
        "  stages %s: layout %.3f ms, scene without layout %.3f ms, paint %.3f ms (medians; %zu ops, %zu "
        "points)\n",
        label, layout.median, build.median - layout.median, paint.median, scene.ops.size(), points);
  }

  // Mouse moves across the plot at mid height, each to its paint.
  Figures CursorMoves(int runs) {
    const k7740::PlotGeometry geo = view_->Geometry();
    paints_.Clear();
    const Figures f = Time(runs, [&](int i) {
      Mouse(QEvent::MouseMove, geo.L + 5 + (i * 37) % (geo.W() - 10), (geo.T + geo.B) / 2, Qt::NoButton);
      QApplication::processEvents();
    });
    PrintPainted(runs);
    return f;
  }

  // Rubber-band moves of a drag from the plot's upper left quarter; the drag is cancelled by
  // leaving the active area, so that no zoom follows.
  Figures BandMoves(int runs) {
    const k7740::PlotGeometry geo = view_->Geometry();
    const int x0 = geo.L + geo.W() / 4, y0 = geo.T + geo.H() / 4;
    Mouse(QEvent::MouseButtonPress, x0, y0, Qt::LeftButton);
    Settle();
    paints_.Clear();
    const Figures f = Time(runs, [&](int i) {
      Mouse(QEvent::MouseMove, x0 + 200 + (i * 23) % (geo.W() / 2), y0 + 100 + (i * 11) % (geo.H() / 2),
            Qt::LeftButton);
      QApplication::processEvents();
    });
    PrintPainted(runs);
    pointer_ = QPoint(0, 0);
    clock_.advance(10);
    Settle();
    if (view_->dragActive()) std::fprintf(stderr, "the drag was not cancelled\n");
    return f;
  }

  void FullRedraws(int runs, const char* what, double goal) {
    paints_.Clear();
    // What the program does: the redraw invalidates what it changes, and the event loop paints it.
    const Figures f = Time(runs, [&](int) {
      view_->Redraw();
      QApplication::processEvents();
    });
    if (paints_.paints < runs) std::fprintf(stderr, "a redraw did not paint\n");
    Report(what, f, goal);
    // The same repaint of the whole view from the picture already composed.
    const Figures again = Time(runs, [&](int) { view_->repaint(); });
    std::printf("  whole-view repaint without composing: median %.3f ms, worst %.3f ms, cpu %.3f ms\n",
                again.median, again.worst, again.cpuMedian);
  }

 private:
  void PrintPainted(int runs) {
    std::printf(
        "  painted per move: %.1f paint events, %.0f pixels in their regions, %.0f in their bounding rects\n",
        double(paints_.paints) / runs, double(paints_.pixels) / runs, double(paints_.boundingPixels) / runs);
    if (paints_.paints < runs) std::fprintf(stderr, "a move did not paint\n");
  }

  QTemporaryDir dir_;
  k7740::VirtualClock clock_;
  k7740::VirtualTimerHost timers_{clock_};
  QPoint pointer_{-1, -1};
  k7740::MainSettings colours_;
  std::unique_ptr<k7740::CTevDoc> doc_;
  std::unique_ptr<CTevView> view_;
  PaintCounter paints_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  setenv("TZ", "UTC", 1);
  tzset();
  QApplication app(argc, argv);
  Bench b;
  std::printf("K7740 graph figures (%s, %d readings, %d x %d view)\n",
              qPrintable(QApplication::platformName()), k7740::kMaxReadings, kWidth, kHeight);

  b.FullRedraws(60, "full redraw, unzoomed", 8);
  b.ReportStages("unzoomed");
  Report("mouse move with cursor line and readout", b.CursorMoves(400), 1);
  Report("rubber-band move", b.BandMoves(400), 2);
  const size_t bytes0 = CacheBytes(b.view().graphState());

  b.view().UndoZoom();
  b.Settle();
  for (int k = 0; k < k7740::kMaxZoomDepth; ++k) {
    if (!b.ZoomOnce()) {
      std::fprintf(stderr, "zoom %d was not accepted\n", k + 1);
      return 1;
    }
  }
  std::printf("zoom depth %d\n", b.view().graphState().zoomDepth);
  b.FullRedraws(60, "full redraw, zoom depth 99", 16);
  b.ReportStages("depth 99");
  Report("mouse move with cursor line and readout, depth 99", b.CursorMoves(400), 1);
  Report("rubber-band move, depth 99", b.BandMoves(400), 2);
  const size_t bytes99 = CacheBytes(b.view().graphState());

  std::printf("%-46s %9.1f KiB  (goal < 1024 KiB)%s\n", "coordinate caches, depth 0", bytes0 / 1024.0,
              bytes0 < 1024 * 1024 ? "" : "  MISSED");
  std::printf("%-46s %9.1f KiB  (sizeof(GraphState) %zu bytes)\n", "coordinate caches, depth 99",
              bytes99 / 1024.0, sizeof(GraphState));
  return 0;
}
