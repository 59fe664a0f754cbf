// The graph view on the screen: pixels of the composed picture probed at computed places, the
// mouse driving zoom, cursor line and readout, the view's timers on virtual time, and a long
// random sequence of events on recordings of every size.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <memory>
#include <random>

#include "analysis/qt/analysis_menu.h"
#include "appearance/qt/appearance_dialogs.h"
#include "appearance/qt/color_combo_box.h"
#include "common/text.h"
#include "device/qt/numeric_edit.h"
#include "graph/graph_scene.h"
#include "graph/qt/graph_painter.h"
#include "graph/qt/stats_panel.h"
#include "graph/qt/tev_view.h"
#include "link/virtual_clock.h"
#include "settings/settings_store.h"
#include "ui_test_support.h"

namespace k7740 {
namespace {

using test::App;

const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kYellow = qRgb(255, 255, 0);
const QRgb kBlue = qRgb(0, 0, 255);

class GraphViewTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }

  // A view of w x h with n flat readings; settings written first (the view reads them).
  void Make(int n, int w = 760, int h = 765, float temp = 20.0f, float rh = 50.0f,
            const std::function<void(ViewSettings&)>& settings = {}) {
    if (settings) {
      ViewSettings vs;
      settings(vs);
      SettingsStore store(dir_.path().toStdString());
      ASSERT_TRUE(WriteAllSettings(store, MainSettings{}, vs, 0));
    }
    doc_ = std::make_unique<CTevDoc>();
    for (int i = 0; i < n; ++i) {
      doc_->temperature[static_cast<size_t>(i)] = temp;
      doc_->humidity[static_cast<size_t>(i)] = rh;
    }
    ViewOptions options;
    options.timers = &timers_;
    options.pointerPosition = [this] { return pointer_; };
    options.runModal = [this](QDialog& dialog) { return modal_ ? modal_(dialog) : 0; };
    view_ = std::make_unique<CTevView>(nullptr, *doc_, dir_.path().toStdString(), colours_, options);
    view_->resize(w, h);
    view_->show();
    RecordingView& rec = view_->recording();
    rec.readingCount = n;
    rec.startTime = MakeLocalTime(2008, 1, 10, 21, 20, 0);
    rec.sampleIntervalSeconds = 60;
    rec.displayMode = 1;
    view_->Redraw();
  }
  QImage Picture() { return view_->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  const QImage& Composed() {
    view_->grab();
    return view_->composedImage();
  }
  void Mouse(QEvent::Type type, int x, int y, Qt::MouseButtons buttons = Qt::NoButton) {
    pointer_ = QPoint(x, y);
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent ev(type, QPointF(x, y), view_->mapToGlobal(QPointF(x, y)), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(view_.get(), &ev);
  }
  void Drag(int x1, int y1, int x2, int y2) {
    Mouse(QEvent::MouseButtonPress, x1, y1, Qt::LeftButton);
    Mouse(QEvent::MouseMove, (x1 + x2) / 2, (y1 + y2) / 2, Qt::LeftButton);
    Mouse(QEvent::MouseMove, x2, y2, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, x2, y2);
  }

  QTemporaryDir dir_;
  VirtualClock clock_;
  VirtualTimerHost timers_{clock_};
  QPoint pointer_{-1, -1};
  std::function<int(QDialog&)> modal_;
  MainSettings colours_;
  std::unique_ptr<CTevDoc> doc_;
  std::unique_ptr<CTevView> view_;
};

auto RangeZeroToHundred = [](ViewSettings& vs) {
  vs.yTempLow = 0;
  vs.yTempHigh = 100;
};

TEST_F(GraphViewTest, EmptyViewIsUniformlyGrey) {
  Make(0);
  view_->recording().displayMode = 0;
  view_->Redraw();
  const QImage img = Picture();
  for (int y = 0; y < img.height(); y += 7) {
    for (int x = 0; x < img.width(); x += 7) ASSERT_EQ(img.pixel(x, y), qRgb(155, 155, 155)) << x << "," << y;
  }
  EXPECT_EQ(view_->statsPanel(), nullptr);
  EXPECT_EQ(view_->viewToolBar(), nullptr);
  EXPECT_EQ(view_->hScrollBar(), nullptr);
}

TEST_F(GraphViewTest, GridCurvesAndMarginsAtTheirPixels) {
  // Plot 80..680 x 175..675; 101 readings 6 px apart; 20 C on 0..100 at row 575, 50 %RH at 425.
  Make(101, 760, 765, 20.0f, 50.0f, RangeZeroToHundred);
  const QImage& img = Composed();
  const QRgb face = view_->palette().button().color().rgb();
  // Curves: every reading position on its row, in its colour (reading 100 stands on the covered
  // column R).
  for (int i = 0; i < 100; i += 10) {
    EXPECT_EQ(img.pixel(80 + 6 * i, 575), kRed) << "reading " << i;
    EXPECT_EQ(img.pixel(80 + 6 * i + 3, 425), kYellow) << "reading " << i;
  }
  // Dotted horizontal grid at rows 175 + 50k: every other pixel from x = 75 (75, 77, ... on).
  EXPECT_EQ(img.pixel(81, 225), kBlue);
  EXPECT_EQ(img.pixel(82, 225), kBlack);
  EXPECT_EQ(img.pixel(601, 325), kBlue);
  // Dotted vertical grid at the time label of reading 25 (x = 230), from row B - 1 upward.
  EXPECT_EQ(img.pixel(230, 674), kBlue);
  EXPECT_EQ(img.pixel(230, 673), kBlack);
  // Background inside, margins outside, column R covered, row B left in the margin colour.
  EXPECT_EQ(img.pixel(300, 300), kBlack);
  EXPECT_EQ(img.pixel(681, 300), face);
  EXPECT_EQ(img.pixel(300, 150), face);
  EXPECT_EQ(img.pixel(300, 700), face);
  // Value ticks beside the axes in the grid colour, time ticks below it.
  EXPECT_EQ(img.pixel(76, 225), kBlue);
  EXPECT_EQ(img.pixel(683, 225), kBlue);
  EXPECT_EQ(img.pixel(230, 678), kBlue);
  // Readout bar along the bottom 28 rows.
  EXPECT_EQ(img.pixel(5, 765 - 28), qRgb(55, 55, 55));
  EXPECT_EQ(img.pixel(700, 764), qRgb(55, 55, 55));
  EXPECT_EQ(img.pixel(5, 765 - 29), face);
  // Black value labels on the left margin next to row 575 (tick 4: 40.00 at y = 675 - 200 - 7).
  int dark = 0;
  for (int y = 468; y < 482; ++y)
    for (int x = 40; x < 80; ++x) dark += qGray(img.pixel(x, y)) < 100;
  EXPECT_GT(dark, 10);
}

// The scene keeps only a column's first, lowest, highest and last curve points: drawing every
// reading's segment must give the very same pixels, unzoomed and zoomed.
TEST_F(GraphViewTest, CompressedCurvesDrawEveryReadingsPixels) {
  Make(kMaxReadings, 1200, 700);
  for (int i = 0; i < kMaxReadings; ++i) {
    doc_->temperature[static_cast<size_t>(i)] = 20.0f + static_cast<float>((i * 7919) % 201) / 10.0f;
    doc_->humidity[static_cast<size_t>(i)] = 50.0f + static_cast<float>((i * 104729) % 301) / 10.0f;
  }
  for (int zoom = 0; zoom < 2; ++zoom) {
    if (zoom == 1) Drag(300, 200, 700, 600);
    const QImage shown = Composed().copy();
    GraphState& g = view_->graphState();
    GraphScene scene = BuildGraphScene(g, *doc_, view_->recording(), view_->viewSettings(), view_->Geometry(),
                                       ScreenSceneStyle(), view_->readoutText());
    size_t compressedPoints = 0;
    for (SceneOp& op : scene.ops) {
      if (op.kind != SceneOp::Kind::Curve) continue;
      compressedPoints += op.points.size();
      // Every reading from the first drawn to the last, as the curve loop visits them.
      const int from = TruncToPixel((op.points.front().x - g.screenX[0]) / g.dx() - g.hScrollOffset) - 1;
      std::vector<ScenePoint> all;
      for (int i = std::max(0, from); i < kMaxReadings; ++i) {
        const ScenePoint p{TruncToPixel(g.DrawnX(i)),
                           TruncToPixel(g.screenY[static_cast<size_t>(op.series)][i])};
        if (p.x < op.points.front().x) continue;
        if (p.x > op.points.back().x) break;
        all.push_back(p);
      }
      op.points = all;
    }
    QImage full(shown.size(), QImage::Format_RGB32);
    QPainter painter(&full);
    PaintGraphScene(painter, scene, GraphColorsFor(colours_, view_->palette().button().color()));
    painter.end();
    EXPECT_EQ(full, shown) << "zoom " << zoom;
    if (zoom == 0) {
      EXPECT_LT(compressedPoints, 2u * 4 * 1041);  // at most four a column
    }
  }
}

// A damaged file can hold readings millions of pixels off the plot. The polylines run on through
// the near end of each cut segment: the same pixels as every reading's segment cut and drawn on
// its own, in one piece for each far reading rather than three.
TEST_F(GraphViewTest, FarOffReadingsDrawWhatTheirCutSegmentsDraw) {
  Make(2000, 1200, 700);
  int farReadings = 0;
  for (int i = 0; i < 2000; ++i) {
    float t = 20.0f + static_cast<float>(i % 37) / 4.0f;
    if (i % 9 == 4) t = 3e7f;
    if (i % 13 == 6) t = -1e38f;
    if (i == 500) t = std::numeric_limits<float>::quiet_NaN();
    farReadings += t < -50.0f || t > 200.0f || std::isnan(t);
    doc_->temperature[static_cast<size_t>(i)] = t;
  }
  view_->viewSettings().showRhCurve = 0;
  view_->Redraw();
  const QImage shown = Composed().copy();
  GraphState& g = view_->graphState();
  GraphScene scene = BuildGraphScene(g, *doc_, view_->recording(), view_->viewSettings(), view_->Geometry(),
                                     ScreenSceneStyle(), view_->readoutText());
  int pieces = 0;
  size_t curvesAt = 0;
  std::vector<SceneOp> kept;
  for (SceneOp& op : scene.ops) {
    if (op.kind == SceneOp::Kind::Curve) {
      if (pieces++ == 0) curvesAt = kept.size();
      continue;
    }
    kept.push_back(std::move(op));
  }
  EXPECT_LE(pieces, farReadings + 1);
  std::vector<SceneOp> segments;
  const std::vector<double>& ys = g.screenY[0];
  for (int i = 1; i < 2000; ++i) {
    double xa = g.DrawnX(i - 1), ya = ys[static_cast<size_t>(i - 1)], xb = g.DrawnX(i),
           yb = ys[static_cast<size_t>(i)];
    if (!std::isfinite(ya) || !std::isfinite(yb)) continue;
    // Cut at the far box by hand: only y runs far here.
    const double far = 4'194'304.0;
    if ((ya > far && yb > far) || (ya < -far && yb < -far)) continue;
    const auto cut = [&](double& x, double& y, double xo, double yo) {
      if (std::abs(y) <= far) return;
      const double limit = y > 0 ? far : -far;
      x = xo + (x - xo) * (limit - yo) / (y - yo);
      y = limit;
    };
    cut(xa, ya, xb, yb);
    cut(xb, yb, xa, ya);
    SceneOp op;
    op.kind = SceneOp::Kind::Curve;
    op.points = {{TruncToPixel(xa), TruncToPixel(ya)}, {TruncToPixel(xb), TruncToPixel(yb)}};
    segments.push_back(std::move(op));
  }
  kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(curvesAt), std::make_move_iterator(segments.begin()),
              std::make_move_iterator(segments.end()));
  scene.ops = std::move(kept);
  QImage each(shown.size(), QImage::Format_RGB32);
  QPainter painter(&each);
  PaintGraphScene(painter, scene, GraphColorsFor(colours_, view_->palette().button().color()));
  painter.end();
  EXPECT_EQ(each, shown);
}

TEST_F(GraphViewTest, AlarmLinesInsideTheRangeAndCoveredOutsideIt) {
  Make(101, 760, 765, 20.0f, 50.0f, [](ViewSettings& vs) {
    RangeZeroToHundred(vs);
    vs.showTempAlarmHigh = 1;
    vs.showTempAlarmLow = 1;
    vs.showTempCurve = 0;
    vs.showRhCurve = 0;
  });
  RecordingView& rec = view_->recording();
  rec.tempHighLineC = 40;  // row 675 - 200 = 475
  rec.tempLowLineC = -20;  // row 775: below the plot, under the margin fill
  const QImage& img = Composed();
  const auto redIn = [&](int y0, int y1, int x0, int x1) {
    int count = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x < x1; ++x) count += img.pixel(x, y) == kRed;
    return count;
  };
  EXPECT_GT(redIn(474, 476, 80, 680), 300);  // a dash-dot line two pixels wide
  EXPECT_EQ(redIn(0, 174, 0, 760), 0);
  EXPECT_EQ(redIn(677, 764, 80, 680), 0);
  EXPECT_EQ(redIn(175, 473, 80, 680) + redIn(477, 675, 80, 680), 0);
}

TEST_F(GraphViewTest, MarkPointsAreThreePixelBars) {
  Make(101, 760, 765, 20.0f, 50.0f, [](ViewSettings& vs) {
    RangeZeroToHundred(vs);
    vs.showMarkPoints = 1;
    vs.showXAxisLines = 0;
    vs.showYAxisLines = 0;
  });
  const QImage& img = Composed();
  for (int i : {1, 50, 99}) {
    const int x = 80 + 6 * i;
    EXPECT_EQ(img.pixel(x, 574), kRed);
    EXPECT_EQ(img.pixel(x, 576), kRed);
    EXPECT_EQ(img.pixel(x + 3, 574), kBlack);  // between two readings only the line
    EXPECT_EQ(img.pixel(x + 3, 575), kRed);
  }
}

TEST_F(GraphViewTest, ZeroAndOneReading) {
  Make(0);
  const QImage zero = Composed();
  // trunc(80 + 600 / 12) = 130; dotted from row B = 675 upward.
  EXPECT_EQ(zero.pixel(130, 673), kBlue);
  EXPECT_EQ(zero.pixel(130, 672), kBlack);
  EXPECT_EQ(zero.pixel(630, 673), kBlue);
  Make(1);
  const QImage& one = Composed();
  // The start time under the left end of the axis, from (57, 680) and the date from (57, 692).
  int dark = 0;
  for (int y = 680; y < 704; ++y)
    for (int x = 57; x < 110; ++x) dark += qGray(one.pixel(x, y)) < 100;
  EXPECT_GT(dark, 40);
}

TEST_F(GraphViewTest, ColoursAndRangesComeFromTheSettings) {
  colours_.backgroundColorIndex = 12;  // White
  colours_.tempColorIndex = 7;         // Dark Green
  Make(101, 760, 765, 30.0f, 50.0f, [](ViewSettings& vs) {
    vs.yTempLow = 20;
    vs.yTempHigh = 40;  // 30 C in the middle: row 425
    vs.showXAxisLines = 0;
    vs.showRhCurve = 0;
  });
  const QImage& img = Composed();
  EXPECT_EQ(img.pixel(300, 300), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(86, 425), qRgb(0, 128, 0));
  EXPECT_EQ(view_->graphState().valueLabelTexts[0], "20.00");
}

TEST_F(GraphViewTest, ToolBarScrollBarsAndPanelArePlaced) {
  Make(10);
  Composed();
  ASSERT_NE(view_->viewToolBar(), nullptr);
  ASSERT_NE(view_->statsPanel(), nullptr);
  EXPECT_EQ(view_->viewToolBar()->geometry(), QRect(0, 130, 760, 35));
  EXPECT_EQ(view_->hScrollBar()->geometry(), QRect(80, 715, 600, 20));
  EXPECT_EQ(view_->tempScrollBar()->geometry(), QRect(0, 175, 20, 500));
  EXPECT_FALSE(view_->hScrollBar()->isEnabled());
  const QList<QAction*> buttons = view_->viewToolBar()->actions();
  ASSERT_EQ(buttons.size(), 5);
  EXPECT_EQ(buttons[0]->toolTip(), "ZoomOut");
  EXPECT_EQ(buttons[4]->text(), "View");
  for (QAction* a : buttons) {
    auto* button = qobject_cast<QToolButton*>(view_->viewToolBar()->widgetForAction(a));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->iconSize(), QSize(75, 21));
  }
  view_->resize(900, 800);
  EXPECT_EQ(view_->viewToolBar()->geometry(), QRect(0, 125, 900, 35));
  EXPECT_EQ(view_->rhScrollBar()->geometry(), QRect(880, 165, 20, 546));
  view_->SetDisplayMode(2);
  view_->FillDataList();
  Picture();
  EXPECT_TRUE(view_->viewToolBar()->isHidden());
  EXPECT_TRUE(view_->hScrollBar()->isHidden());
}

TEST_F(GraphViewTest, DragZoomsAndAClickDoesNot) {
  Make(101, 760, 766);  // plot 80..680 x 175..676
  Composed();
  Mouse(QEvent::MouseButtonPress, 300, 300, Qt::LeftButton);
  Mouse(QEvent::MouseButtonRelease, 300, 300);
  EXPECT_EQ(view_->graphState().zoomDepth, 0);

  Drag(180, 325, 480, 425);
  Composed();
  const GraphState& g = view_->graphState();
  ASSERT_EQ(g.zoomDepth, 1);
  // The selection's bottom edge value becomes the axis bottom, rounded down to hundredths:
  // -40 + 198 x 251 / 501 = 59.1976.
  EXPECT_NEAR(g.tempTicks[1][0], 59.19, 1e-5);
  EXPECT_EQ(g.valueLabelTexts[0], "59.19");
  EXPECT_DOUBLE_EQ(g.dx(), 12.0);  // 300 px of selection fill 600
  EXPECT_TRUE(view_->hScrollBar()->isEnabled());
  EXPECT_TRUE(view_->tempScrollBar()->isEnabled());

  view_->action(kCmdUndoZoom)->trigger();
  Composed();
  EXPECT_EQ(view_->graphState().zoomDepth, 0);
  EXPECT_FALSE(view_->hScrollBar()->isEnabled());
  EXPECT_FALSE(view_->rhScrollBar()->isEnabled());
}

TEST_F(GraphViewTest, RubberBandFollowsThePointerAndLeavesNoTrace) {
  Make(101, 760, 765, 20.0f, 50.0f, [](ViewSettings& vs) {
    vs.showXAxisLines = 0;
    vs.showYAxisLines = 0;
    vs.showTempCurve = 0;
    vs.showRhCurve = 0;
  });
  Composed();
  Mouse(QEvent::MouseButtonPress, 200, 250, Qt::LeftButton);
  Mouse(QEvent::MouseMove, 400, 350, Qt::LeftButton);
  QImage img = Picture();
  // The outline inverts every other pixel of its edges: black becomes white.
  EXPECT_EQ(img.pixel(200, 250), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(201, 250), kBlack);
  EXPECT_EQ(img.pixel(400, 350), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(300, 300), kBlack);
  Mouse(QEvent::MouseMove, 300, 300, Qt::LeftButton);
  img = Picture();
  EXPECT_EQ(img.pixel(400, 350), kBlack);  // the old outline is gone
  EXPECT_EQ(img.pixel(300, 300), qRgb(255, 255, 255));
}

TEST_F(GraphViewTest, DragLeavingTheActiveAreaIsCancelled) {
  Make(101);
  Composed();
  Mouse(QEvent::MouseButtonPress, 200, 250, Qt::LeftButton);
  Mouse(QEvent::MouseMove, 300, 350, Qt::LeftButton);
  clock_.advance(10);
  EXPECT_TRUE(view_->dragActive());  // still inside
  pointer_ = QPoint(200, 700);       // below B + 20 = 695
  clock_.advance(9);
  EXPECT_TRUE(view_->dragActive());
  clock_.advance(1);
  EXPECT_FALSE(view_->dragActive());
  EXPECT_FALSE(timers_.isRunning(kTimerDragCheck));
  Mouse(QEvent::MouseButtonRelease, 200, 700);
  EXPECT_EQ(view_->graphState().zoomDepth, 0);
}

TEST_F(GraphViewTest, CursorLineAndReadoutFollowTheMouse) {
  Make(101, 760, 765, 20.06f, 45.25f);
  doc_->temperature[10] = 20.06f;
  Composed();
  // Reading 10 stands at 140; 142 is nearer to it than to 146.
  Mouse(QEvent::MouseMove, 142, 400);
  EXPECT_EQ(view_->readoutIndex(), 10);
  EXPECT_EQ(view_->readoutText(), "Time:10/01/08 21:30:00           Temp:20.1 C           RH:45.2 %RH");
  EXPECT_TRUE(view_->cursorLineVisible());
  QImage img = Picture();
  // A dotted line of inverted pixels from T down: on the black plot it shows white.
  EXPECT_EQ(img.pixel(142, 177), qRgb(255, 255, 255));
  EXPECT_EQ(img.pixel(142, 178), kBlack);
  // The readout is written on the bar in white.
  int white = 0;
  for (int y = 765 - 28; y < 765; ++y)
    for (int x = 80; x < 400; ++x) white += qGray(img.pixel(x, y)) > 200;
  EXPECT_GT(white, 50);

  view_->action(kCmdUnit)->trigger();
  Mouse(QEvent::MouseMove, 142, 400);
  EXPECT_EQ(view_->readoutText(), "Time:10/01/08 21:30:00           Temp:68.1 F           RH:45.2 %RH");

  // Out of the plot band the line goes; timer 1 also removes it when the pointer has left.
  Mouse(QEvent::MouseMove, 142, 100);
  EXPECT_FALSE(view_->cursorLineVisible());
  Mouse(QEvent::MouseMove, 150, 400);
  ASSERT_TRUE(view_->cursorLineVisible());
  pointer_ = QPoint(150, 740);
  clock_.advance(100);
  EXPECT_FALSE(view_->cursorLineVisible());
  // Any redraw removes it too.
  Mouse(QEvent::MouseMove, 150, 400);
  view_->Redraw();
  Picture();
  EXPECT_FALSE(view_->cursorLineVisible());
}

TEST_F(GraphViewTest, OneReadingShowsItsReadoutAnywhere) {
  Make(1);
  Composed();
  Mouse(QEvent::MouseMove, 700, 50);
  EXPECT_EQ(view_->readoutIndex(), 0);
  EXPECT_EQ(view_->readoutText(), "Time:10/01/08 21:20:00           Temp:20.0 C           RH:50.0 %RH");
}

TEST_F(GraphViewTest, UnitCommandSwitchesPanelTextsButNotRanges) {
  Make(3);
  RecordingView& rec = view_->recording();
  rec.tempMaxTextC = "25.3 C @x";
  rec.tempMaxTextF = "77.5 F @x";
  rec.tempMaxText = rec.tempMaxTextC;
  Composed();
  view_->action(kCmdUnit)->trigger();
  EXPECT_EQ(rec.isFahrenheit, 1);
  EXPECT_EQ(rec.tempMaxText, "77.5 F @x");
  EXPECT_EQ(view_->statsPanel()->field(8)->text(), "77.5 F @x");
  EXPECT_EQ(view_->viewSettings().yTempLow, -40);
  EXPECT_EQ(view_->viewSettings().yTempHigh, 158);
}

TEST_F(GraphViewTest, CurveCommandsWithoutMenuEntries) {
  Make(3);
  view_->action(kCmdRhCurveOnly)->trigger();
  EXPECT_EQ(view_->viewSettings().showTempCurve, 0);
  EXPECT_EQ(view_->viewSettings().showRhCurve, 1);
  view_->action(kCmdTempCurveOnly)->trigger();
  EXPECT_EQ(view_->viewSettings().showTempCurve, 1);
  EXPECT_EQ(view_->viewSettings().showRhCurve, 0);
  view_->action(kCmdBothCurves)->trigger();
  EXPECT_EQ(view_->viewSettings().showRhCurve, 1);
}

TEST_F(GraphViewTest, ScrollBarsPanTheZoomedGraph) {
  Make(101, 760, 766);
  Composed();
  Drag(180, 325, 480, 425);
  Composed();
  QScrollBar* bar = view_->hScrollBar();
  ASSERT_TRUE(bar->isEnabled());
  EXPECT_EQ(bar->value(), 17);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // line right
  EXPECT_EQ(view_->graphState().hScrollOffset, -1);
  EXPECT_EQ(bar->value(), 18);
  view_->tempScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);  // line up
  EXPECT_EQ(view_->graphState().tempScrollSteps[1], 1);
  Composed();
  EXPECT_NEAR(view_->graphState().tempTicks[1][0], 59.19 + 3.95, 1e-4);
}

TEST_F(GraphViewTest, ResizeRedrawsThePlotFiftyMillisecondsLater) {
  Make(10);
  Composed();
  view_->resize(800, 700);
  EXPECT_TRUE(timers_.isRunning(kTimerResizeRedraw));
  clock_.advance(50);
  EXPECT_FALSE(timers_.isRunning(kTimerResizeRedraw));
  EXPECT_EQ(Composed().size(), QSize(800, 700));
}

// Presses a dialog's button as the user would and returns the dialog's result.
int Press(QDialog& dialog, const char* caption) {
  for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
    if (b->text() == caption) b->click();
  }
  return dialog.result();
}

TEST_F(GraphViewTest, AppearanceDialogsChangeThePicture) {
  Make(101, 760, 766);
  Composed();
  // Colour Setup: White chosen, Cancel keeps black; OK redraws white at once.
  modal_ = [](QDialog& d) {
    dynamic_cast<CColorSetupDlg&>(d).BackgroundList()->setCurrentIndex(12);
    return Press(d, "Cancel");
  };
  view_->action(kCmdColors)->trigger();
  EXPECT_EQ(Composed().pixel(300, 300), kBlack);
  modal_ = [](QDialog& d) {
    dynamic_cast<CColorSetupDlg&>(d).BackgroundList()->setCurrentIndex(12);
    return Press(d, "OK");
  };
  view_->action(kCmdColors)->trigger();
  EXPECT_EQ(colours_.backgroundColorIndex, 12);
  EXPECT_EQ(Composed().pixel(300, 300), qRgb(255, 255, 255));

  // View: the mark points switched on reach the next drawing.
  modal_ = [](QDialog& d) {
    for (QCheckBox* box : d.findChildren<QCheckBox*>()) {
      if (box->text() == "Mark Points") box->setChecked(true);
    }
    return Press(d, "OK");
  };
  view_->action(kCmdViewElements)->trigger();
  EXPECT_EQ(view_->viewSettings().showMarkPoints, 1);

  // Y Axis Setup: OK with new ranges undoes the zoom and shows them.
  Drag(180, 325, 480, 425);
  Composed();
  ASSERT_EQ(view_->graphState().zoomDepth, 1);
  modal_ = [](QDialog& d) {
    d.findChild<CSpinEdit*>("tempFrom")->Edit()->setText("0");
    d.findChild<CSpinEdit*>("tempTo")->Edit()->setText("50");
    return Press(d, "OK");
  };
  view_->action(kCmdYAxis)->trigger();
  EXPECT_EQ(view_->graphState().zoomDepth, 0);
  EXPECT_EQ(view_->viewSettings().yTempLow, 0);
  EXPECT_EQ(view_->viewSettings().yTempHigh, 50);
  Composed();
  EXPECT_EQ(view_->graphState().valueLabelTexts[10], "50.00");
}

TEST_F(GraphViewTest, ExportGraphImageWritesTheZoomedPicture) {
  Make(101, 760, 766);
  Composed();
  Drag(180, 325, 480, 425);
  const QImage shown = Composed().copy();
  QMenuBar bar;
  test::FakePrompts prompts;
  CAnalysisMenu menu(&bar, view_.get(), *doc_, view_->recording(), prompts);
  menu.graphImage = [this] { return view_->GraphImage(); };
  menu.UpdateEnabling();
  ASSERT_TRUE(menu.exportGraphImageAction()->isEnabled());
  const QString path = dir_.filePath("zoomed");
  menu.chooseImagePath = [&] { return path; };
  menu.exportGraphImageAction()->trigger();
  const QImage written = QImage(path + ".png").convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(written, shown);
  EXPECT_EQ(view_->graphState().zoomDepth, 1);
  EXPECT_TRUE(prompts.calls.empty());
}

// Thousands of random events on every size of recording: nothing may crash or misbehave (the
// sanitizer build runs this too).
TEST_F(GraphViewTest, RandomEventSequences) {
  for (const int n : {0, 1, 2, kMaxReadings}) {
    Make(n);
    for (int i = 0; i < n; ++i) {
      doc_->temperature[static_cast<size_t>(i)] = static_cast<float>((i * 37) % 900) / 10.0f - 30.0f;
      doc_->humidity[static_cast<size_t>(i)] = static_cast<float>((i * 53) % 1000) / 10.0f;
    }
    std::mt19937 rng(7740 + static_cast<unsigned>(n));
    std::uniform_int_distribution<int> kind(0, 13), coord(-50, 1300);
    int w = 760, h = 765;
    for (int step = 0; step < 3000; ++step) {
      const int x = coord(rng), y = coord(rng);
      switch (kind(rng)) {
        case 0:
          w = std::uniform_int_distribution<int>(1, 1200)(rng);
          h = std::uniform_int_distribution<int>(1, 900)(rng);
          view_->resize(w, h);
          break;
        case 1:
        case 2:
          Mouse(QEvent::MouseButtonPress, x % (w + 40), y % (h + 40), Qt::LeftButton);
          break;
        case 3:
        case 4:
        case 5:
          Mouse(QEvent::MouseMove, x % (w + 40), y % (h + 40), Qt::LeftButton);
          break;
        case 6:
          Mouse(QEvent::MouseButtonRelease, x % (w + 40), y % (h + 40));
          break;
        case 7:
          if (view_->hScrollBar())
            view_->hScrollBar()->triggerAction(static_cast<QAbstractSlider::SliderAction>(x % 8));
          break;
        case 8:
          if (view_->tempScrollBar()) {
            view_->tempScrollBar()->triggerAction(static_cast<QAbstractSlider::SliderAction>(y % 8));
          }
          break;
        case 9:
          if (step % 5 == 0) view_->UndoZoom();
          break;
        case 10:
          view_->OnUnit();
          break;
        case 11: {
          ViewSettings& vs = view_->viewSettings();
          vs.yTempLow = std::uniform_int_distribution<int>(-50, 100)(rng);
          vs.yTempHigh = vs.yTempLow + std::uniform_int_distribution<int>(1, 115)(rng);
          vs.yRhLow = std::uniform_int_distribution<int>(0, 99)(rng);
          vs.yRhHigh = std::uniform_int_distribution<int>(vs.yRhLow + 1, 100)(rng);
          vs.showMarkPoints = static_cast<uint8_t>(x & 1);
          break;
        }
        case 12:
          clock_.advance(x % 120);
          break;
        default:
          view_->Redraw();
          view_->grab();
          break;
      }
      if (step % 25 == 0) view_->grab();
    }
    ASSERT_LE(view_->graphState().zoomDepth, kMaxZoomDepth);
    ASSERT_GE(view_->graphState().zoomDepth, 0);
  }
}

}  // namespace
}  // namespace k7740
