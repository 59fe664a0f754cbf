// The Analysis menu: its place in the main window, enabling by the recording's readings, the
// summary window and the export of the readings through the file dialog.
#include "analysis/qt/analysis_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>
#include <nlohmann/json.hpp>

#include "common/text.h"
#include "ui_test_support.h"

namespace k7740 {
namespace {

using test::App;
using test::FakePrompts;
using Kind = FakePrompts::Kind;

std::string Slurp(const QString& path) {
  const std::vector<uint8_t> bytes = test::ReadBytes(path.toStdString());
  return std::string(bytes.begin(), bytes.end());
}

class AnalysisMenuTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { App(); }

  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    menu_ = std::make_unique<CAnalysisMenu>(window_.menuBar(), &window_, *doc_, view_, prompts_);
    menu_->runModal = [this](QDialog& d) {
      auto* edit = d.findChild<QPlainTextEdit*>(QStringLiteral("summaryText"));
      shownText_ = edit ? edit->toPlainText() : QStringLiteral("(no text)");
      shownTitle_ = d.windowTitle();
      readOnly_ = edit && edit->isReadOnly();
      for (QPushButton* b : d.findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("&Copy")) b->click();
      }
      return static_cast<int>(QDialog::Rejected);
    };
    menu_->chooseExportTarget = [this] { return target_; };
  }

  // Three readings from 05/10/07 14:00:00 UTC, one a minute; the second above 30 C.
  void Load() {
    const float temps[] = {20.0f, 35.0f, 21.0f};
    for (size_t i = 0; i < 3; ++i) {
      doc_->temperature[i] = temps[i];
      doc_->humidity[i] = 50.0f;
    }
    view_.readingCount = 3;
    view_.startTime = MakeLocalTime(2007, 10, 5, 14, 0, 0);
    view_.sampleIntervalSeconds = 60;
    view_.tempAlarmHighText = "30 C";
    view_.tempAlarmLowText = "0 C";
    view_.tempHighLineC = 30;
    view_.rhHighLine = 90;
    view_.rhLowLine = 20;
    emit menu_->menu()->aboutToShow();  // as when the user opens the menu
  }

  QString PathIn(const char* name) const { return dir_.path() + QLatin1Char('/') + QLatin1String(name); }

  QTemporaryDir dir_;
  QMainWindow window_;
  std::unique_ptr<CTevDoc> doc_ = std::make_unique<CTevDoc>();
  RecordingView view_;
  FakePrompts prompts_;
  std::unique_ptr<CAnalysisMenu> menu_;
  ExportTarget target_;
  QString shownText_, shownTitle_;
  bool readOnly_ = false;
};

TEST_F(AnalysisMenuTest, ItemsFollowTheReadingCount) {
  EXPECT_EQ(menu_->menu()->title(), "&Analysis");
  QStringList items;
  for (QAction* a : menu_->menu()->actions()) items << a->text();
  EXPECT_EQ(items, QStringList({"Summary...", "Export Readings...", "Export Graph Image..."}));
  // Without a picture to give, the graph image cannot be exported.
  EXPECT_FALSE(menu_->exportGraphImageAction()->isEnabled());
  EXPECT_FALSE(menu_->summaryAction()->isEnabled());
  EXPECT_FALSE(menu_->exportReadingsAction()->isEnabled());
  Load();
  emit menu_->menu()->aboutToShow();
  EXPECT_TRUE(menu_->summaryAction()->isEnabled());
  EXPECT_TRUE(menu_->exportReadingsAction()->isEnabled());
  view_.readingCount = 0;
  emit menu_->menu()->aboutToShow();
  EXPECT_FALSE(menu_->exportReadingsAction()->isEnabled());
}

TEST_F(AnalysisMenuTest, SummaryShowsTheFiguresAsCopyableText) {
  Load();
  menu_->summaryAction()->trigger();
  EXPECT_EQ(shownTitle_, "Summary");
  EXPECT_TRUE(readOnly_);
  const std::string text = shownText_.toStdString();
  EXPECT_NE(text.find("Readings: 3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Temperature high longest: 0:01:00 from 05/10/07 14:01:00 to 05/10/07 14:01:00\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("MKT: "), std::string::npos) << text;
  EXPECT_EQ(QApplication::clipboard()->text(), shownText_);
}

TEST_F(AnalysisMenuTest, ExportWritesCsvOrJsonByNameOrFilter) {
  Load();
  const std::string csv =
      "time,temperature_c,temperature_f,humidity_rh,dew_point_c\n"
      "2007-10-05T14:00:00+00:00,20.0,68.0,50.0,9.3\n";
  target_ = {PathIn("a.csv"), QString::fromLatin1(kJsonFilter)};  // the name's ending decides
  menu_->exportReadingsAction()->trigger();
  EXPECT_EQ(Slurp(PathIn("a.csv")).substr(0, csv.size()), csv);

  target_ = {PathIn("b.JSON"), QString::fromLatin1(kCsvFilter)};
  menu_->exportReadingsAction()->trigger();
  const nlohmann::json j = nlohmann::json::parse(Slurp(PathIn("b.JSON")));
  EXPECT_EQ(j.at("count"), 3);
  EXPECT_EQ(j.at("readings").at(1).at("temperature_c"), 35.0);

  target_ = {PathIn("c"), QString::fromLatin1(kJsonFilter)};  // no ending: the filter's
  menu_->exportReadingsAction()->trigger();
  EXPECT_EQ(nlohmann::json::parse(Slurp(PathIn("c.json"))).at("count"), 3);
  target_ = {PathIn("d"), QString::fromLatin1(kCsvFilter)};
  menu_->exportReadingsAction()->trigger();
  EXPECT_EQ(Slurp(PathIn("d.csv")).substr(0, csv.size()), csv);
  EXPECT_TRUE(prompts_.calls.empty());

  target_ = {};  // cancelled
  menu_->exportReadingsAction()->trigger();
  EXPECT_TRUE(prompts_.calls.empty());
}

TEST_F(AnalysisMenuTest, AFailedExportSaysWhy) {
  Load();
  target_ = {PathIn("missing/a.csv"), QString::fromLatin1(kCsvFilter)};
  menu_->exportReadingsAction()->trigger();
  const auto messages = prompts_.Of(Kind::Message);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].text.find("Cannot write"), std::string::npos) << messages[0].text;
  EXPECT_NE(messages[0].text.find("The readings were not exported."), std::string::npos);
  EXPECT_EQ(messages[0].icon, BoxIcon::Exclamation);
}

}  // namespace
}  // namespace k7740
