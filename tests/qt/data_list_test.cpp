// The graph view outside the graph: the list's cell texts, the list's rows across fills, the
// grey empty view, the panel created at the first drawing, and list mode.
#include <gtest/gtest.h>

#include <QDialog>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <memory>

#include "common/text.h"
#include "graph/data_list_texts.h"
#include "graph/panel_texts.h"
#include "graph/qt/data_list_model.h"
#include "graph/qt/graph_painter.h"
#include "graph/qt/stats_panel.h"
#include "graph/qt/tev_view.h"
#include "recording/record_file.h"
#include "ui_test_support.h"

namespace k7740 {
namespace {

using test::App;

TEST(DataListTexts, CellsAreFormattedAsTheListShowsThem) {
  App();  // UTC
  auto doc = std::make_unique<CTevDoc>();
  doc->temperature[0] = 21.5f;
  doc->humidity[0] = 48.0f;
  doc->temperature[1] = -5.04f;
  doc->humidity[1] = 100.0f;
  doc->temperature[2] = 0.0f;
  doc->humidity[2] = 3.25f;
  RecordingView rec;
  rec.readingCount = 3;
  rec.startTime = MakeLocalTime(2007, 10, 5, 14, 0, 0);
  rec.sampleIntervalSeconds = 60;
  rec.isFahrenheit = 1;  // the list shows both units whatever the display unit
  const DataListSource source = DataListSourceFor(*doc, rec);

  struct Row {
    const char* no;
    const char* time;
    const char* humidity;
    const char* celsius;
    const char* fahrenheit;
  };
  const Row rows[] = {
      {"1", "05/10/07 14:00:00", "48.0", "21.5 C", "70.7 F"},
      {"2", "05/10/07 14:01:00", "100.0", "-5.0 C", "22.9 F"},
      {"3", "05/10/07 14:02:00", "3.2", "0.0 C", "32.0 F"},
  };
  for (int r = 0; r < 3; ++r) {
    const Row& want = rows[r];
    const char* cells[] = {want.no, want.time, want.humidity, want.celsius, want.fahrenheit};
    for (int c = 0; c < 5; ++c)
      EXPECT_EQ(DataListCellText(source, r, c), cells[c]) << "row " << r << " col " << c;
  }
  EXPECT_EQ(DataListCellText(source, 3, 0), "");
  EXPECT_EQ(DataListCellText(source, -1, 0), "");
  EXPECT_EQ(DataListCellText(source, 0, 5), "");
}

class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    ASSERT_TRUE(dir_.isValid());
    doc_ = std::make_unique<CTevDoc>();
    view_ = std::make_unique<CTevView>(nullptr, *doc_, dir_.path().toStdString(), colours_);
    view_->resize(900, 600);
    view_->show();
    QApplication::processEvents();
  }

  void Fill(int n, float base, std::time_t start) {
    for (int i = 0; i < n; ++i) {
      doc_->temperature[static_cast<size_t>(i)] = base + static_cast<float>(i);
      doc_->humidity[static_cast<size_t>(i)] = 40.0f + static_cast<float>(i);
    }
    RecordingView& rec = view_->recording();
    rec.readingCount = n;
    rec.startTime = start;
    rec.sampleIntervalSeconds = 60;
    if (n > 0) {
      SetHeaderTexts(rec);
      ComputeSummary(*doc_, rec);
    }
    rec.listNeedsRefill = 1;
    view_->FillDataList();
  }

  std::string Cell(int row, int column) const {
    return view_->dataListModel()->index(row, column).data().toString().toStdString();
  }

  QImage Draw() { return view_->grab().toImage(); }

  QTemporaryDir dir_;
  MainSettings colours_;
  std::unique_ptr<CTevDoc> doc_;
  std::unique_ptr<CTevView> view_;
};

TEST_F(ViewTest, ListHasFiveFixedColumnsAndKeepsItsRowsUntilTheNextFill) {
  EXPECT_EQ(view_->dataList(), nullptr);
  Fill(0, 20.0f, MakeLocalTime(2007, 10, 5, 14, 0, 0));
  EXPECT_EQ(view_->dataList(), nullptr);  // nothing to list yet

  Fill(5, 20.0f, MakeLocalTime(2007, 10, 5, 14, 0, 0));
  QTableView* list = view_->dataList();
  ASSERT_NE(list, nullptr);
  const char* headers[] = {"No.", " Time", "(%RH) Humidity", "(C) Temperature", "(F) Temperature"};
  const int widths[] = {50, 160, 130, 130, 130};
  ASSERT_EQ(view_->dataListModel()->columnCount(), 5);
  for (int c = 0; c < 5; ++c) {
    EXPECT_EQ(view_->dataListModel()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(), headers[c]);
    EXPECT_EQ(list->columnWidth(c), widths[c]);
  }
  EXPECT_EQ(list->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_TRUE(list->showGrid());
  EXPECT_EQ(list->font().pixelSize(), 15);
  EXPECT_EQ(view_->dataListModel()->rowCount(), 5);
  EXPECT_EQ(view_->recording().listNeedsRefill, 0);

  // A shorter recording replaces every row.
  Fill(2, -3.0f, MakeLocalTime(2008, 1, 2, 3, 4, 5));
  ASSERT_EQ(view_->dataListModel()->rowCount(), 2);
  EXPECT_EQ(Cell(1, 1), "02/01/08 03:05:05");
  EXPECT_EQ(Cell(1, 3), "-2.0 C");

  // An empty logger's header changes the start time but brings no readings: the rows stay.
  view_->recording().startTime = MakeLocalTime(2010, 6, 1, 0, 0, 0);
  view_->recording().sampleIntervalSeconds = 3600;
  view_->recording().listNeedsRefill = 1;
  Fill(0, 0.0f, MakeLocalTime(2010, 6, 1, 0, 0, 0));
  ASSERT_EQ(view_->dataListModel()->rowCount(), 2);
  EXPECT_EQ(Cell(1, 1), "02/01/08 03:05:05");
}

TEST_F(ViewTest, AFullRecordingListsAll16360Readings) {
  Fill(kMaxReadings, 0.0f, MakeLocalTime(2007, 10, 5, 14, 0, 0));
  EXPECT_EQ(view_->dataListModel()->rowCount(), kMaxReadings);
  EXPECT_EQ(Cell(kMaxReadings - 1, 0), "16360");
}

TEST_F(ViewTest, GreyUntilARecordingIsShownThenPanelAndPlotOrList) {
  const QImage empty = Draw();
  EXPECT_EQ(empty.pixelColor(450, 300), QColor(155, 155, 155));
  EXPECT_EQ(empty.pixelColor(5, 595), QColor(155, 155, 155));
  EXPECT_EQ(view_->statsPanel(), nullptr);

  colours_.backgroundColorIndex = 5;  // Cyan
  Fill(3, 20.0f, MakeLocalTime(2007, 10, 5, 14, 0, 0));
  view_->SetDisplayMode(1);
  const QImage graph = Draw();
  ASSERT_NE(view_->statsPanel(), nullptr);
  EXPECT_TRUE(view_->statsPanel()->isVisible());
  EXPECT_EQ(view_->statsPanel()->pos(), QPoint(0, 0));
  // The panel shows the recording that arrived before it existed.
  EXPECT_EQ(view_->statsPanel()->field(3)->text(), "3");
  const PlotGeometry plot = view_->Geometry();
  EXPECT_EQ(QRect(QPoint(plot.L, plot.T), QPoint(plot.R, plot.B)),
            QRect(QPoint(80, 175), QPoint(900 - 80, 600 - 90)));
  EXPECT_EQ(graph.pixelColor(450, 300), QColor(0, 255, 255));
  EXPECT_EQ(graph.pixelColor(450, 600 - 5), QColor(55, 55, 55));
  EXPECT_FALSE(view_->dataList()->isVisible());

  view_->SetDisplayMode(2);
  Draw();
  EXPECT_TRUE(view_->dataList()->isVisible());
  EXPECT_EQ(view_->dataList()->geometry(), QRect(0, 130, 900, 600 - 130));
  EXPECT_TRUE(view_->statsPanel()->isVisible());
  view_->resize(1000, 700);
  EXPECT_EQ(view_->dataList()->geometry(), QRect(0, 130, 1000, 700 - 130));

  // Colour indices past the table (a hand-edited file) read as that much red.
  EXPECT_EQ(ColorFromIndex(13), QColor(0, 0, 0));
  EXPECT_EQ(ColorFromIndex(44), QColor(44, 0, 0));
}

TEST_F(ViewTest, DrawingAfterAFileReadRebuildsTheHeaderTextsAndShowsThem) {
  // A file of 4 readings saved in Fahrenheit.
  auto other = std::make_unique<CTevDoc>();
  RecordingView saved;
  for (int i = 0; i < 4; ++i) {
    other->temperature[static_cast<size_t>(i)] = 10.0f + static_cast<float>(i);
    other->humidity[static_cast<size_t>(i)] = 50.0f;
  }
  saved.readingCount = 4;
  saved.startTime = MakeLocalTime(2007, 10, 5, 14, 0, 0);
  saved.sampleIntervalSeconds = 300;
  saved.isFahrenheit = 1;
  ComputeSummary(*other, saved);
  const std::vector<uint8_t> bytes = WriteRecordBytes(*other, saved);

  Fill(2, 20.0f, MakeLocalTime(2001, 1, 1, 0, 0, 0));
  view_->SetDisplayMode(1);
  Draw();
  ASSERT_EQ(ReadRecordBytes(bytes.data(), bytes.size(), *doc_, view_->recording()), RecordReadStatus::Ok);
  view_->FillDataList();
  EXPECT_EQ(view_->recording().rebuildTextsOnDraw, 1);
  EXPECT_EQ(view_->statsPanel()->field(3)->text(), "2");  // not yet drawn

  Draw();
  const RecordingView& rec = view_->recording();
  EXPECT_EQ(rec.rebuildTextsOnDraw, 0);
  EXPECT_EQ(rec.startTimeText, "05/10/07 14:00:00");
  EXPECT_EQ(rec.endTimeText, "05/10/07 14:15:00");
  EXPECT_EQ(rec.tempMaxText, rec.tempMaxTextF);
  CStatsPanel* panel = view_->statsPanel();
  for (size_t i = 0; i < kPanelFields.size(); ++i) {
    EXPECT_EQ(panel->field(static_cast<int>(i))->text().toStdString(), rec.*kPanelFields[i].text) << i;
  }
  EXPECT_EQ(panel->field(2)->text(), "300");
  EXPECT_EQ(Cell(3, 1), "05/10/07 14:15:00");
}

TEST(StatsPanel, FieldsAreReadOnlyAndEnterOrEscCannotCloseAnything) {
  App();
  QDialog host;
  auto* panel = new CStatsPanel(&host);
  host.show();
  QApplication::processEvents();
  for (size_t i = 0; i < kPanelFields.size(); ++i) {
    EXPECT_EQ(panel->label(static_cast<int>(i))->text().toStdString(), kPanelFields[i].label);
    EXPECT_TRUE(panel->field(static_cast<int>(i))->isReadOnly());
  }
  for (int key : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(panel->field(0), &press);
    QKeyEvent onPanel(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(panel, &onPanel);
    EXPECT_TRUE(host.isVisible()) << key;
  }
}

TEST_F(ViewTest, SwitchingModesKeepsTheListsPlaceAndSelection) {
  Fill(kMaxReadings, 10.0f, MakeLocalTime(2026, 11, 1, 0, 0, 0));
  view_->SetDisplayMode(2);
  Draw();
  QTableView* list = view_->dataList();
  list->setFocus();
  list->selectRow(10079);
  list->scrollTo(view_->dataListModel()->index(10079, 0), QAbstractItemView::PositionAtTop);
  const int scrolled = list->verticalScrollBar()->value();
  ASSERT_GT(scrolled, 9000);
  view_->SetDisplayMode(1);
  Draw();
  view_->setFocus();
  QApplication::processEvents();
  view_->SetDisplayMode(2);
  Draw();
  list->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(list->verticalScrollBar()->value(), scrolled);
  ASSERT_EQ(list->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(list->selectionModel()->selectedRows()[0].row(), 10079);

  // A new recording starts at the top again.
  Fill(200, 10.0f, MakeLocalTime(2026, 11, 1, 0, 0, 0));
  Draw();
  EXPECT_EQ(list->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(list->selectionModel()->selectedRows().isEmpty());
}

TEST_F(ViewTest, ANarrowViewScrollsThePanelSideways) {
  Fill(3, 10.0f, MakeLocalTime(2026, 11, 1, 0, 0, 0));
  view_->SetDisplayMode(1);
  view_->resize(700, 600);
  Draw();
  QApplication::processEvents();
  QScrollArea* area = view_->panelArea();
  ASSERT_NE(area, nullptr);
  EXPECT_TRUE(area->horizontalScrollBar()->isVisible());
  EXPECT_GE(area->horizontalScrollBar()->maximum(), view_->statsPanel()->width() - 700);
  EXPECT_LE(area->geometry().bottom(), 124);  // above the view's toolbar
  // The last field of a row can be brought into sight.
  area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum());
  const QLineEdit* rhAvg = view_->statsPanel()->field(13);
  const QPoint right = rhAvg->mapTo(view_.get(), QPoint(rhAvg->width() - 1, 0));
  EXPECT_LT(right.x(), 700);
  view_->resize(2200, 600);
  QApplication::processEvents();
  EXPECT_FALSE(area->horizontalScrollBar()->isVisible());
}

}  // namespace
}  // namespace k7740
