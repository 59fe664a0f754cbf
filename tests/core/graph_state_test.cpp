// Graph scaling, the zoom chain, scrolling, labels and the nearest-reading pick, without a
// widget. Expected values are worked out by hand from the scaling rules in each comment.
#include "graph/graph_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "graph/graph_scene.h"

namespace k7740 {
namespace {

struct Fixture {
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView rec;
  ViewSettings vs;
  GraphState g;

  explicit Fixture(int n, float temp = 20.0f, float rh = 50.0f) {
    setenv("TZ", "UTC", 1);
    tzset();
    rec.readingCount = n;
    rec.startTime = 1'200'000'000;  // 10/01/08 21:20:00 UTC
    rec.sampleIntervalSeconds = 60;
    rec.displayMode = 1;
    for (int i = 0; i < n; ++i) {
      doc->temperature[static_cast<size_t>(i)] = temp;
      doc->humidity[static_cast<size_t>(i)] = rh;
    }
  }
  void Layout(const PlotGeometry& geo) { LayoutGraph(g, *doc, rec, vs, geo); }
  // A dragged selection on the current level, corners as given (already inside the plot).
  bool Zoom(const PlotGeometry& geo, int x1, int y1, int x2, int y2) {
    Layout(geo);
    StoreSelectionStart(g, geo, x1, y1);
    StoreSelectionEnd(g, geo, x2, y2);
    return FinishSelection(g, geo);
  }
};

// W = 760 - 160 = 600, H = 765 - 90 - 175 = 500.
const PlotGeometry kGeo = ScreenPlotGeometry(760, 765);

TEST(GraphLayout, HundredAndOneReadingsOnSixHundredPixels) {
  Fixture f(101);
  f.Layout(kGeo);
  EXPECT_FLOAT_EQ(f.g.xStep, 6.0f);  // 600 / 100
  EXPECT_DOUBLE_EQ(f.g.dx(), 6.0);
  EXPECT_DOUBLE_EQ(f.g.screenX[100], 680.0);  // R
  // n = 600 / 6 = 100 >= 4, so s = trunc(100 x 0.25) = 25.
  ASSERT_EQ(f.g.labelCount, 10);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(f.g.labelIndex[static_cast<size_t>(k)], 25 * k);
  EXPECT_EQ(f.g.timeLabelTexts[1], "21:45:00");  // reading 25: 25 minutes after the start

  // Only the labels inside L..R are drawn: readings 0, 25, 50, 75, 100.
  const GraphScene scene = BuildGraphScene(f.g, *f.doc, f.rec, f.vs, kGeo, ScreenSceneStyle(), "");
  std::vector<int> ticksAt;
  for (const SceneOp& op : scene.ops) {
    if (op.kind == SceneOp::Kind::TickLine && op.x0 == op.x1) ticksAt.push_back(op.x0);
  }
  EXPECT_EQ(ticksAt, (std::vector<int>{80, 230, 380, 530, 680}));
}

TEST(GraphLayout, LevelZeroTicksAndRows) {
  Fixture f(2, 20.0f, 50.0f);
  f.Layout(kGeo);
  // Default range -40 .. 158: ticks -40 + 198 x k / 10.
  EXPECT_FLOAT_EQ(f.g.tempTicks[0][0], -40.0f);
  EXPECT_FLOAT_EQ(f.g.tempTicks[0][5], 59.0f);
  EXPECT_FLOAT_EQ(f.g.tempTicks[0][10], 158.0f);
  EXPECT_EQ(f.g.valueLabelTexts[1], "-20.20");
  EXPECT_EQ(f.g.valueLabelTexts[11 + 10], "100.00");
  // 20 C: 675 - 60 x 500 / 198 = 523.48...; 50 %RH: 675 - 250 = 425.
  EXPECT_NEAR(f.g.screenY[0][0], 675 - 60.0 * 500 / 198, 1e-9);
  EXPECT_DOUBLE_EQ(f.g.screenY[1][1], 425.0);
}

TEST(GraphLayout, FahrenheitCurveIsRoundedToOneDecimal) {
  Fixture f(2, 20.04f);
  f.rec.isFahrenheit = 1;
  // 20.04 x 1.8 + 32 + 0.05 = 68.122: times 10 truncated to 681, so 68.1.
  EXPECT_NEAR(CurveValue(*f.doc, f.rec, 0, 0), 68.1, 1e-9);
  f.rec.isFahrenheit = 0;
  EXPECT_NEAR(CurveValue(*f.doc, f.rec, 0, 0), 20.04, 1e-6);
}

TEST(GraphLayout, FewReadingsOrNoRoomGivePositionsNowhere) {
  struct Case {
    const char* name;
    int readings;
    PlotGeometry geo;
  };
  const Case cases[] = {
      {"no reading", 0, kGeo},
      {"one reading", 1, kGeo},
      {"too narrow", 100, ScreenPlotGeometry(160, 765)},
      {"too low", 100, ScreenPlotGeometry(760, 265)},
      {"one pixel", 100, ScreenPlotGeometry(1, 1)},
  };
  for (const Case& c : cases) {
    Fixture f(c.readings);
    f.g.zoomDepth = 3;
    f.g.chainRebuild = true;
    f.g.scrollSyncPending = true;
    f.Layout(c.geo);
    EXPECT_FALSE(f.g.positionsValid) << c.name;
    EXPECT_EQ(f.g.labelCount, 0) << c.name;
    EXPECT_EQ(PickReading(f.g, c.readings, 100), -1) << c.name;
    const GraphScene scene = BuildGraphScene(f.g, *f.doc, f.rec, f.vs, c.geo, ScreenSceneStyle(), "");
    for (const SceneOp& op : scene.ops) EXPECT_NE(op.kind, SceneOp::Kind::Curve) << c.name;
  }
}

TEST(GraphScene, ZeroReadingsDrawTheGridAtTwelfths) {
  Fixture f(0);
  const GraphScene scene = BuildGraphScene(f.g, *f.doc, f.rec, f.vs, kGeo, ScreenSceneStyle(), "");
  std::vector<int> columns;
  for (const SceneOp& op : scene.ops) {
    if (op.kind == SceneOp::Kind::DottedLine && op.x0 == op.x1) columns.push_back(op.x0);
    // No time label, so no time tick and no curve.
    EXPECT_FALSE(op.kind == SceneOp::Kind::TickLine && op.x0 == op.x1);
    EXPECT_NE(op.kind, SceneOp::Kind::Curve);
  }
  // trunc(80 + k x 600 / 12) = 80 + 50k, k = 1 .. 11.
  std::vector<int> expected;
  for (int k = 1; k <= 11; ++k) expected.push_back(80 + 50 * k);
  EXPECT_EQ(columns, expected);
}

TEST(GraphScene, OneReadingShowsItsStartUnderTheAxis) {
  Fixture f(1);
  const GraphScene scene = BuildGraphScene(f.g, *f.doc, f.rec, f.vs, kGeo, ScreenSceneStyle(), "");
  std::vector<std::tuple<int, int, std::string>> texts;
  for (const SceneOp& op : scene.ops) {
    if (op.kind == SceneOp::Kind::Text && op.y0 > kGeo.B) texts.emplace_back(op.x0, op.y0, op.text);
  }
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[0], std::make_tuple(57, 680, std::string("21:20:00")));  // (L - 23, B + 5)
  EXPECT_EQ(texts[1], std::make_tuple(57, 692, std::string("01/10/08")));  // (L - 23, B + 17), month first

  // The page puts it at x = 170.
  const PlotGeometry page = PagePlotGeometry(4961, 7016);
  const GraphScene printed = BuildGraphScene(f.g, *f.doc, f.rec, f.vs, page, PageSceneStyle(7016), "");
  bool found = false;
  for (const SceneOp& op : printed.ops) {
    if (op.kind == SceneOp::Kind::Text && op.text == "21:20:00") {
      EXPECT_EQ(op.x0, 170);
      EXPECT_EQ(op.y0, page.B + (7016 / 70) / 2);
      found = true;
    }
  }
  EXPECT_TRUE(found);
}

TEST(GraphScene, MarkPointsOnTheScreenOnly) {
  Fixture f(10);
  f.vs.showMarkPoints = 1;
  const auto marks = [&](const PlotGeometry& geo, const SceneStyle& style) {
    size_t count = 0;
    for (const SceneOp& op : BuildGraphScene(f.g, *f.doc, f.rec, f.vs, geo, style, "").ops) {
      if (op.kind == SceneOp::Kind::Marks) count += op.points.size();
    }
    return count;
  };
  // Nine segments, four pixels each, for each of the two curves.
  EXPECT_EQ(marks(kGeo, ScreenSceneStyle()), 2u * 9 * 4);
  EXPECT_EQ(marks(PagePlotGeometry(4961, 7016), PageSceneStyle(7016)), 0u);
}

TEST(GraphZoom, DraggedSelectionBecomesTheNewAxis) {
  // H = 501 keeps the values off exact hundredths, where the cut's truncation would decide.
  const PlotGeometry geo = ScreenPlotGeometry(760, 766);  // plot 80..680 x 175..676
  Fixture f(101);
  // Selection x 180 .. 480, y 325 .. 425; dragged up and to the left: the corners are ordered.
  ASSERT_TRUE(f.Zoom(geo, 480, 425, 180, 325));
  EXPECT_EQ(f.g.zoomDepth, 1);
  EXPECT_TRUE(f.g.hBar.enabled);
  f.Layout(geo);
  // low = cut(-40 + 198 x 251 / 501) = cut(59.1976) = 59.19;
  // top = cut(-40 + 198 x (251 + 10) / 501) = cut(63.1497) = 63.14; ten steps of 3.95.
  EXPECT_NEAR(f.g.tempTicks[1][0], 59.19, 1e-5);
  EXPECT_NEAR(f.g.tempTicks[1][1], 63.14, 1e-5);
  EXPECT_NEAR(f.g.tempTicks[1][10], 98.69, 1e-4);
  // Humidity: cut(100 x 251 / 501) = 50.09, cut(100 x 261 / 501) = 52.09.
  EXPECT_NEAR(f.g.rhTicks[1][0], 50.09, 1e-5);
  EXPECT_NEAR(f.g.rhTicks[1][1], 52.09, 1e-5);
  // Width 300 fills 600: x = 80 + (80 + 6i - 180) x 2; dx = 12.
  EXPECT_DOUBLE_EQ(f.g.dx(), 12.0);
  EXPECT_DOUBLE_EQ(f.g.screenX[50], 80 + (380 - 180) * 2.0);
  // Scroll synchronisation: firstVisibleIndex = trunc((80 - (-120)) / 12) = 16.
  EXPECT_EQ(f.g.firstVisibleIndex, 16);
  EXPECT_EQ(f.g.hBar.position, 17);
  EXPECT_EQ(f.g.hBar.maximum, 101);
  // tempScrollPos = trunc((78.94 + 40) / 3.95) = 30; tempScrollMax = trunc(198 / 3.95) = 50.
  EXPECT_EQ(f.g.tempScrollPos, 30);
  EXPECT_EQ(f.g.tempScrollMax, 50);
  EXPECT_EQ(f.g.tempBar.position, 20);

  // Two scroll steps shift the level's ticks: 59.19 + 2 x 3.95.
  f.g.tempScrollSteps[1] = 2;
  f.Layout(geo);
  EXPECT_NEAR(f.g.tempTicks[1][0], 67.09, 1e-4);
}

TEST(GraphZoom, AcceptanceRules) {
  struct Case {
    const char* name;
    int yTempHigh;
    int x1, y1, x2, y2;
    bool accepted;
  };
  // With the temperature range 0 .. 1 the first step is 0.1 x dy / 500: dy 49 gives 0.0098.
  const Case cases[] = {
      {"thin on temperature", 1, 100, 400, 500, 449, false},
      {"just thick enough", 1, 100, 400, 500, 452, true},
      {"no width", 158, 300, 200, 300, 600, false},
      {"ordinary", 158, 100, 200, 500, 600, true},
  };
  for (const Case& c : cases) {
    Fixture f(101);
    f.vs.yTempLow = 0;
    f.vs.yTempHigh = c.yTempHigh;
    EXPECT_EQ(f.Zoom(kGeo, c.x1, c.y1, c.x2, c.y2), c.accepted) << c.name;
    EXPECT_EQ(f.g.zoomDepth, c.accepted ? 1 : 0) << c.name;
    EXPECT_TRUE(f.g.chainRebuild) << c.name;
  }
}

TEST(GraphZoom, NinetyNineLevelsThenRefused) {
  Fixture f(16360);
  for (int i = 0; i < 99; ++i) ASSERT_TRUE(f.Zoom(kGeo, kGeo.L, kGeo.T, kGeo.R, kGeo.B)) << "zoom " << i + 1;
  EXPECT_EQ(f.g.zoomDepth, 99);
  EXPECT_FALSE(f.Zoom(kGeo, kGeo.L, kGeo.T, kGeo.R, kGeo.B));
  EXPECT_EQ(f.g.zoomDepth, 99);
  f.Layout(kGeo);
  EXPECT_TRUE(f.g.positionsValid);
  UndoZoom(f.g);
  EXPECT_EQ(f.g.zoomDepth, 0);
  EXPECT_FALSE(f.g.chainRebuild);
  EXPECT_FALSE(f.g.hBar.enabled || f.g.tempBar.enabled || f.g.rhBar.enabled);
}

TEST(GraphZoom, StopsOnceOneIntervalSpansThePlot) {
  Fixture f(11);  // dx = 60 on level 0
  int accepted = 0;
  // Halving the width doubles dx: 120, 240, 480, 960; at 960 >= W no further zoom.
  for (int i = 0; i < 8; ++i) accepted += f.Zoom(kGeo, kGeo.L, kGeo.T, kGeo.L + 300, kGeo.B) ? 1 : 0;
  EXPECT_EQ(accepted, 4);
}

TEST(GraphZoom, ResizingKeepsTheSameReadingsAndValues) {
  Fixture f(16360);
  ASSERT_TRUE(f.Zoom(kGeo, 200, 250, 500, 500));
  ASSERT_TRUE(f.Zoom(kGeo, 150, 300, 400, 600));
  f.Layout(kGeo);
  const TickTable ticks = f.g.tempTicks[2];
  const int left = PickReading(f.g, 16360, kGeo.L), right = PickReading(f.g, 16360, kGeo.R);
  const PlotGeometry big = ScreenPlotGeometry(1920, 1080);
  f.Layout(big);
  EXPECT_EQ(f.g.tempTicks[2], ticks);
  EXPECT_EQ(PickReading(f.g, 16360, big.L), left);
  EXPECT_EQ(PickReading(f.g, 16360, big.R), right);
}

TEST(GraphPick, NearestReadingTiesKeepTheLowerIndex) {
  Fixture f(101);
  f.Layout(kGeo);  // readings at 80, 86, 92, ...
  struct Case {
    int x, h, expected;
  };
  const Case cases[] = {
      {80, 0, 0},
      {82, 0, 0},
      {83, 0, 0},
      {84, 0, 1},
      {680, 0, 100},
      // Scrolled two readings to the right: reading 0 stands at 92.
      {92, 2, 0},
      {95, 2, 0},
      {96, 2, 1},
      {80, 2, -2},
  };
  for (const Case& c : cases) {
    f.g.hScrollOffset = c.h;
    EXPECT_EQ(PickReading(f.g, 101, c.x), c.expected) << "x " << c.x << " offset " << c.h;
  }
}

TEST(GraphScroll, HorizontalActions) {
  // dx = 6. cx 760: page = trunc(705 / 6) + 1 = 118; cx 200: page = trunc(145 / 6) + 1 = 25.
  struct Case {
    const char* name;
    int cx;
    int firstVisible, offset;
    ScrollAction action;
    int thumb;
    int expectedOffset;
  };
  const Case cases[] = {
      {"line left", 760, 10, 0, ScrollAction::LineBack, 0, 1},
      {"line left at the first step", 760, 10, 11, ScrollAction::LineBack, 0, 11},  // left + 1 = 0
      {"line right", 760, 10, 0, ScrollAction::LineForward, 0, -1},
      {"line right at the end", 760, 10, -90, ScrollAction::LineForward, 0, -90},  // left + 1 = 101
      {"page left near the start", 760, 10, 0, ScrollAction::PageBack, 0, 11},     // 11 <= 118: fvi + 1
      {"page right near the end", 760, 10, 0, ScrollAction::PageForward, 0, -90},  // fvi - 101 + 1
      {"page left", 200, 50, 0, ScrollAction::PageBack, 0, 25},                    // 51 > 25
      {"page right", 200, 10, 0, ScrollAction::PageForward, 0, -25},               // 11 < 101 - 25
      {"thumb", 760, 10, 0, ScrollAction::ThumbTrack, 40, -29},                    // fvi - 40 + 1
      {"other", 760, 10, 3, ScrollAction::Other, 0, 3},
  };
  for (const Case& c : cases) {
    Fixture f(101);
    f.Layout(kGeo);
    f.g.firstVisibleIndex = c.firstVisible;
    f.g.hScrollOffset = c.offset;
    HorizontalScroll(f.g, c.action, c.thumb, c.cx, 101);
    EXPECT_EQ(f.g.hScrollOffset, c.expectedOffset) << c.name;
    if (c.action != ScrollAction::Other) {
      EXPECT_EQ(f.g.hBar.position, c.firstVisible - c.expectedOffset + 1) << c.name;
    }
  }
}

TEST(GraphScroll, VerticalActions) {
  // M = 50, P = 30: bar position M - S - P + 1.
  struct Case {
    const char* name;
    int steps;
    ScrollAction action;
    int thumb;
    int expected;
  };
  const Case cases[] = {
      {"line up", 0, ScrollAction::LineBack, 0, 1},
      {"line up at the top", 21, ScrollAction::LineBack, 0, 21},  // 50 - 30 - 21 + 1 = 0
      {"line down", 0, ScrollAction::LineForward, 0, -1},
      {"line down at the bottom", -29, ScrollAction::LineForward, 0, -29},  // position 50 = M
      {"page up", 0, ScrollAction::PageBack, 0, 10},
      {"page up near the top", 15, ScrollAction::PageBack, 0, 21},  // position 6 <= 10: M - P + 1
      {"page down", 0, ScrollAction::PageForward, 0, -10},
      {"page down near the bottom", -25, ScrollAction::PageForward, 0, -29},  // 1 - P
      {"thumb", 0, ScrollAction::ThumbTrack, 5, 16},                          // 50 - 30 - 5 + 1
  };
  for (const Case& c : cases) {
    for (int series = 0; series < 2; ++series) {
      GraphState g;
      g.zoomDepth = 2;
      g.tempScrollMax = g.rhScrollMax = 50;
      g.tempScrollPos = g.rhScrollPos = 30;
      (series == 0 ? g.tempScrollSteps : g.rhScrollSteps)[2] = c.steps;
      VerticalScroll(g, series, c.action, c.thumb);
      EXPECT_EQ((series == 0 ? g.tempScrollSteps : g.rhScrollSteps)[2], c.expected) << c.name;
      EXPECT_EQ((series == 0 ? g.tempBar : g.rhBar).position, 50 - c.expected - 30 + 1) << c.name;
    }
  }
}

TEST(GraphReadout, TextsInBothUnits) {
  Fixture f(3, 20.06f, 45.25f);
  EXPECT_EQ(ReadoutText(*f.doc, f.rec, 1),
            "Time:10/01/08 21:21:00           Temp:20.1 C           RH:45.2 %RH");
  f.rec.isFahrenheit = 1;
  // 20.06 x 1.8 + 32 = 68.108.
  EXPECT_EQ(ReadoutText(*f.doc, f.rec, 1),
            "Time:10/01/08 21:21:00           Temp:68.1 F           RH:45.2 %RH");
}

TEST(GraphLabels, ValueLabelSizeClasses) {
  struct Case {
    float v;
    int c;
  };
  const Case cases[] = {{0, 4},   {9.99f, 4}, {10, 3},  {99.9f, 3},  {-0.5f, 3}, {-9.99f, 3},
                        {100, 2}, {158, 2},   {-10, 2}, {-99.9f, 2}, {-100, 1},  {-1000, 1}};
  for (const Case& c : cases) EXPECT_EQ(ValueLabelSizeClass(c.v), c.c) << c.v;
}

TEST(GraphLayout, EqualYRangeEndsNeverBecomeNonFinitePixels) {
  Fixture f(50);
  f.vs.yTempLow = f.vs.yTempHigh = 20;  // only a hand-edited settings file holds this
  const GraphScene scene = BuildGraphScene(f.g, *f.doc, f.rec, f.vs, kGeo, ScreenSceneStyle(), "");
  for (const SceneOp& op : scene.ops) {
    for (const ScenePoint& p : op.points) {
      EXPECT_LE(std::abs(p.x), 1'000'000'000);
      EXPECT_LE(std::abs(p.y), 1'000'000'000);
    }
  }
  EXPECT_EQ(TruncToPixel(std::nan("")), 0);
  EXPECT_EQ(TruncToPixel(1e300), 1'000'000'000);
}

}  // namespace
}  // namespace k7740
