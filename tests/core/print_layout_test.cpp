// The printed report without a painter: page counts, the rows and places of a list page, the
// header and footer texts, and where the graph scene puts its labels on a page.
#include "graph/print_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "common/text.h"
#include "graph/graph_scene.h"

namespace k7740 {
namespace {

class PrintLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void Fill(int n) {
    rec.readingCount = n;
    rec.startTime = MakeLocalTime(2007, 10, 5, 14, 0, 0);
    rec.sampleIntervalSeconds = 60;
    for (int i = 0; i < n; ++i) {
      doc->temperature[static_cast<size_t>(i)] = 20.0f + 0.1f * static_cast<float>(i % 10);
      doc->humidity[static_cast<size_t>(i)] = 50.0f;
    }
    SetHeaderTexts(rec);
    ComputeSummary(*doc, rec);
  }
  std::unique_ptr<CTevDoc> doc = std::make_unique<CTevDoc>();
  RecordingView rec;
};

TEST_F(PrintLayoutTest, PageCounts) {
  const struct {
    int mode, n, pages;
  } cases[] = {
      {2, 1, 1},   {2, 50, 1},  {2, 51, 2},      {2, 105, 2},
      {2, 106, 3}, {2, 200, 4}, {2, 16360, 298}, {1, 200, 1},  // a graph is always one page
      {0, 200, 1},                                             // nothing shown: the default single page
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PrintPageCount(c.mode, c.n), c.pages) << "mode " << c.mode << ", " << c.n << " readings";
  }
}

TEST_F(PrintLayoutTest, LaterPageHoldsItsRowsUnderTheColumnHeaders) {
  Fill(200);
  const int w = 500, hgt = 650;  // h = 10, cw = 10
  const PageTexts page = ListPage(DataListSourceFor(*doc, rec), rec, w, hgt, 2, 0);
  EXPECT_EQ(page.cellHeight, 10);
  EXPECT_TRUE(page.rules.empty());
  // Five column headers at y = h, then 55 rows of five cells, then the footer.
  ASSERT_EQ(page.texts.size(), 5u + 55 * 5 + 1);
  for (size_t k = 0; k < 5; ++k) {
    EXPECT_EQ(page.texts[k].y, 10);
    EXPECT_EQ(page.texts[k].text, kDataListColumns[k].header);
  }
  // Row 50 (number "51") at y = 2h, row 104 (number "105") at y = 56h.
  EXPECT_EQ(page.texts[5].text, "51");
  EXPECT_EQ(page.texts[5].y, 20);
  EXPECT_EQ(page.texts[6].text, "05/10/07 14:50:00");
  const PageText& lastNumber = page.texts[5 + 54 * 5];
  EXPECT_EQ(lastNumber.text, "105");
  EXPECT_EQ(lastNumber.y, 560);
  for (const PageText& t : page.texts) EXPECT_NE(t.text, "Start Time: ") << "no header lines after page 1";

  // The last page holds only what is left: rows 160 to 199.
  const PageTexts last = ListPage(DataListSourceFor(*doc, rec), rec, w, hgt, 4, 0);
  ASSERT_EQ(last.texts.size(), 5u + 40 * 5 + 1);
  EXPECT_EQ(last.texts[5].text, "161");
  EXPECT_EQ(last.texts[5 + 39 * 5].text, "200");
}

TEST_F(PrintLayoutTest, FirstPageHasHeaderLinesRuleAndFiftyRows) {
  Fill(60);
  const int w = 4961, hgt = 7016;  // h = 107, cw = 99
  const PageTexts page = ListPage(DataListSourceFor(*doc, rec), rec, w, hgt, 1, 0);
  ASSERT_EQ(page.rules.size(), 1u);
  EXPECT_EQ(page.rules[0].y0, 588);  // trunc(107 x 5.5)
  EXPECT_EQ(page.rules[0].x0, 0);
  EXPECT_EQ(page.rules[0].x1, w);
  ASSERT_EQ(page.texts.size(), 4u + 5 + 50 * 5 + 1);
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(page.texts[static_cast<size_t>(n)].x, 100);
    EXPECT_EQ(page.texts[static_cast<size_t>(n)].y, (n + 1) * 107);
  }
  EXPECT_EQ(page.texts[0].text.rfind("Start Time: 05/10/07 14:00:00   End Time: ", 0), 0u)
      << page.texts[0].text;
  EXPECT_NE(page.texts[0].text.find(" Sampling rate: 60sec    Data number: 60"), std::string::npos)
      << page.texts[0].text;
  EXPECT_EQ(page.texts[4].y, 6 * 107);  // column headers at 6h
  EXPECT_EQ(page.texts[9].text, "1");
  EXPECT_EQ(page.texts[9].y, 7 * 107);
  EXPECT_EQ(page.texts[9 + 49 * 5].text, "50");
  EXPECT_EQ(page.texts[9 + 49 * 5].y, 56 * 107);
}

TEST_F(PrintLayoutTest, ColumnPositionsFollowTheHeaderLengths) {
  // "No." 3, " Time" 5, "(%RH) Humidity" 14, "(C) Temperature" 15, "(F) Temperature" 15.
  const auto x = ListColumnPositions(99);
  EXPECT_EQ(x[0], 198);                    // 2 x 3 x 99 / 3 = 2 cw: not at the page edge
  EXPECT_EQ(x[1], 198 + 330);              // 990 / 3
  EXPECT_EQ(x[2], 198 + 330 + 924);        // 2772 / 3
  EXPECT_EQ(x[3], 198 + 330 + 924 + 990);  // 2970 / 3
  EXPECT_EQ(x[4], 198 + 330 + 924 + 1980);
  // Each step truncates on its own: cw = 10 gives 20, 33, 93, 100, 100.
  const auto small = ListColumnPositions(10);
  EXPECT_EQ(small, (std::array<int, 5>{20, 53, 146, 246, 346}));
}

TEST_F(PrintLayoutTest, FooterDateAndPageNumber) {
  const std::time_t day = MakeLocalTime(2026, 12, 9, 15, 30, 0);
  EXPECT_EQ(PrintFooterText(day, 3), "09/12/26  page3");
  Fill(10);
  const PageTexts page = ListPage(DataListSourceFor(*doc, rec), rec, 4961, 7016, 1, day);
  EXPECT_EQ(page.texts.back().text, "09/12/26  page1");
  EXPECT_EQ(page.texts.back().x, 4961 / 2 - 5 * 99);
  EXPECT_EQ(page.texts.back().y, 7016 - 107);
}

TEST_F(PrintLayoutTest, GraphPageHeaderLines) {
  Fill(3);
  rec.tempAlarmHighText = "30.0";
  const PageTexts header = GraphPageHeader(rec, 4961, 7016);  // u = 100
  ASSERT_EQ(header.texts.size(), 4u);
  EXPECT_EQ(header.cellHeight, 100);
  for (int n = 0; n < 4; ++n) {
    EXPECT_EQ(header.texts[static_cast<size_t>(n)].x, 250);
    EXPECT_EQ(header.texts[static_cast<size_t>(n)].y, (2 * n + 1) * 100);
  }
  EXPECT_NE(header.texts[0].text.find("  sampling rate: 60sec    Data number: 3"), std::string::npos);
  EXPECT_EQ(header.texts[1].text.rfind("Temp Alarm HI: 30.0   Temp Alarm Low: ", 0), 0u);
  EXPECT_EQ(header.texts[2].text.rfind("Temp MAX: ", 0), 0u);
  EXPECT_NE(header.texts[2].text.find("  Temp MIN: "), std::string::npos);
  EXPECT_EQ(header.texts[3].text.rfind("RH MAX: ", 0), 0u);
  EXPECT_NE(header.texts[3].text.find("  RH AVG: "), std::string::npos);
}

TEST_F(PrintLayoutTest, GraphSceneOnAPageUsesThePagePlaces) {
  Fill(101);
  ViewSettings vs;
  GraphState g;
  const PlotGeometry geo = PagePlotGeometry(4961, 7016);  // L 260, T 975, R 4701, B 6546
  const GraphScene scene = BuildGraphScene(g, *doc, rec, vs, geo, PageSceneStyle(7016), "");
  const int H = geo.H();
  int valueLabels = 0, captions = 0, timeTicks = 0, valueTicks = 0;
  for (const SceneOp& op : scene.ops) {
    if (op.kind == SceneOp::Kind::Text && op.font == SceneFont::Label && op.x0 >= geo.R) {
      // Humidity labels at R + 35, y = B - (k x H div 10) - 27.
      const int k = valueLabels++;
      EXPECT_EQ(op.x0, geo.R + 35);
      EXPECT_EQ(op.y0, geo.B - (k * H / 10) - 27);
    }
    if (op.kind == SceneOp::Kind::Text && op.font == SceneFont::Unit) {
      ++captions;
      EXPECT_EQ(op.y0, geo.B + 300);
      EXPECT_EQ(op.x0, op.text == "%RH" ? geo.R + 20 : 140);
    }
    if (op.kind == SceneOp::Kind::TickLine && op.x0 == op.x1 && op.y0 == geo.B) {
      ++timeTicks;
      EXPECT_EQ(op.y1, geo.B + 15);
    }
    if (op.kind == SceneOp::Kind::TickLine && op.y0 == op.y1 && op.x1 == geo.L) {
      ++valueTicks;
      EXPECT_EQ(op.x0, geo.L - 15);
    }
    EXPECT_NE(op.color, SceneColor::ReadoutBar) << "no readout bar on paper";
  }
  EXPECT_EQ(valueLabels, 11);
  EXPECT_EQ(captions, 2);
  EXPECT_GT(timeTicks, 0);
  EXPECT_EQ(valueTicks, 11);
  EXPECT_EQ(scene.style.curvePenWidth, 10);
  EXPECT_EQ(scene.style.alarmPenWidth, 10);
  EXPECT_EQ(scene.style.labelFontPixels, 60);  // trunc(100 x 0.6)
  EXPECT_EQ(scene.style.unitFontPixels, 100);
}

}  // namespace
}  // namespace k7740
