#include "settings/settings_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace k7740 {
namespace {

namespace fs = std::filesystem;

// Every member side by side, so a failure names the field that differs.
void ExpectSame(const MainSettings& actual, const MainSettings& expected) {
  EXPECT_EQ(actual.comPort, expected.comPort);
  EXPECT_EQ(actual.backgroundColorIndex, expected.backgroundColorIndex);
  EXPECT_EQ(actual.tempColorIndex, expected.tempColorIndex);
  EXPECT_EQ(actual.rhColorIndex, expected.rhColorIndex);
  EXPECT_EQ(actual.gridColorIndex, expected.gridColorIndex);
  const LoggerSettings& a = actual.logger;
  const LoggerSettings& e = expected.logger;
  EXPECT_EQ(a.alarmLedFlash, e.alarmLedFlash);
  EXPECT_EQ(a.alarmUnit, e.alarmUnit);
  EXPECT_EQ(a.overwriteWhenFull, e.overwriteWhenFull);
  EXPECT_EQ(a.startMode, e.startMode);
  EXPECT_EQ(a.sampleUnit, e.sampleUnit);
  EXPECT_EQ(a.ledFlashCycle, e.ledFlashCycle);
  EXPECT_EQ(a.sampleInterval, e.sampleInterval);
  EXPECT_EQ(a.tempAlarmHigh, e.tempAlarmHigh);
  EXPECT_EQ(a.tempAlarmLow, e.tempAlarmLow);
  EXPECT_EQ(a.rhAlarmHigh, e.rhAlarmHigh);
  EXPECT_EQ(a.rhAlarmLow, e.rhAlarmLow);
}

void ExpectSame(const ViewSettings& a, const ViewSettings& e) {
  EXPECT_EQ(a.gain, e.gain);
  EXPECT_EQ(a.offset, e.offset);
  EXPECT_EQ(a.gain1, e.gain1);
  EXPECT_EQ(a.offset1, e.offset1);
  EXPECT_EQ(a.showTempCurve, e.showTempCurve);
  EXPECT_EQ(a.showTempAlarmHigh, e.showTempAlarmHigh);
  EXPECT_EQ(a.showTempAlarmLow, e.showTempAlarmLow);
  EXPECT_EQ(a.showRhCurve, e.showRhCurve);
  EXPECT_EQ(a.showRhAlarmHigh, e.showRhAlarmHigh);
  EXPECT_EQ(a.showRhAlarmLow, e.showRhAlarmLow);
  EXPECT_EQ(a.showMarkPoints, e.showMarkPoints);
  EXPECT_EQ(a.showYAxisLines, e.showYAxisLines);
  EXPECT_EQ(a.showXAxisLines, e.showXAxisLines);
  EXPECT_EQ(a.yTempLow, e.yTempLow);
  EXPECT_EQ(a.yTempHigh, e.yTempHigh);
  EXPECT_EQ(a.yRhLow, e.yRhLow);
  EXPECT_EQ(a.yRhHigh, e.yRhHigh);
}

// Values unlike any default, so that a read that silently fell back would show.
MainSettings Scrambled() {
  MainSettings m;
  m.comPort = 16;
  m.logger = {0, 1, 1, 1, 2, 72, "24", "158", "-5", "100", "0"};
  m.backgroundColorIndex = 7;
  m.tempColorIndex = 8;
  m.rhColorIndex = 9;
  m.gridColorIndex = 10;
  return m;
}

ViewSettings ScrambledView() {
  ViewSettings v;
  v.gain = -3;
  v.offset = 44;
  v.gain1 = 2147483647;
  v.offset1 = -2147483647 - 1;
  v.showTempCurve = 0;
  v.showTempAlarmHigh = 1;
  v.showTempAlarmLow = 1;
  v.showRhCurve = 0;
  v.showRhAlarmHigh = 1;
  v.showRhAlarmLow = 1;
  v.showMarkPoints = 1;
  v.showYAxisLines = 0;
  v.showXAxisLines = 0;
  v.yTempLow = -50;
  v.yTempHigh = 60;
  v.yRhLow = 10;
  v.yRhHigh = 90;
  return v;
}

class SettingsTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "k7740-table-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Get() const {
    std::ifstream in(dir_ + "/TEVARO.ini", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Put(const std::string& text) const { std::ofstream(dir_ + "/TEVARO.ini", std::ios::binary) << text; }

  std::string dir_;
};

constexpr const char* kFirstCloseFile =
    "[COMInfo]\n"
    "COM num=3\n"
    "[GainInfo]\n"
    "Gain=10\n"
    "[OffsetInfo]\n"
    "Offset=0\n"
    "[GainInfo1]\n"
    "Gain1=10\n"
    "[OffsetInfo1]\n"
    "Offset1=0\n"
    "[SAMPRATEINFO]\n"
    "SAMPRATE=10\n"
    "SAMPUNIT=0\n"
    "[ALARMInfo]\n"
    "ALARMUNIT=0\n"
    "ALARMLEDCHECK=1\n"
    "TEMPHI=40\n"
    "TEMPLOW=0\n"
    "RHHI=90\n"
    "RHLOW=30\n"
    "[VIEWInfo]\n"
    "VIEW1=1\n"
    "VIEW2=0\n"
    "VIEW3=0\n"
    "VIEW4=1\n"
    "VIEW5=0\n"
    "VIEW6=0\n"
    "VIEW7=0\n"
    "VIEW8=1\n"
    "VIEW9=1\n"
    "[LEDInfo]\n"
    "LEDDATA=24\n"
    "[ColorInfo]\n"
    "BGColor=13\n"
    "TColor=0\n"
    "RHColor=3\n"
    "GRIDColor=2\n"
    "[Y AXISInfo]\n"
    "Y TEMPLOW=-40\n"
    "Y TEMPHI=158\n"
    "Y RHLOW=0\n"
    "Y RHHI=100\n"
    "[Y UNITInfo]\n"
    "UNIT=0\n"
    "[AUTO/MANUAL Info]\n"
    "Auto/Manual=0\n"
    "[CYCLE/NOCYCLE Info]\n"
    "Cycle/No cycle=0\n";

TEST_F(SettingsTableTest, FirstStartReadsTheDefaultsAndFirstCloseWritesAllKeys) {
  SettingsStore store(dir_);
  MainSettings main = Scrambled();
  ViewSettings view = ScrambledView();
  uint8_t isFahrenheit = 1;
  ReadMainSettings(store, main);
  ReadViewSettings(store, view, isFahrenheit);

  MainSettings expectedMain;
  expectedMain.comPort = 3;
  expectedMain.logger = {1, 0, 0, 0, 0, 24, "10", "40", "0", "90", "30"};
  expectedMain.backgroundColorIndex = 13;
  expectedMain.tempColorIndex = 0;
  expectedMain.rhColorIndex = 3;
  expectedMain.gridColorIndex = 2;
  ExpectSame(main, expectedMain);
  ExpectSame(main, MainSettings{});  // the in-memory defaults agree with the file's

  ViewSettings expectedView;
  expectedView.gain = 10;
  expectedView.offset = 0;
  expectedView.gain1 = 10;
  expectedView.offset1 = 0;
  expectedView.showTempCurve = 1;
  expectedView.showTempAlarmHigh = 0;
  expectedView.showTempAlarmLow = 0;
  expectedView.showRhCurve = 1;
  expectedView.showRhAlarmHigh = 0;
  expectedView.showRhAlarmLow = 0;
  expectedView.showMarkPoints = 0;
  expectedView.showYAxisLines = 1;
  expectedView.showXAxisLines = 1;
  expectedView.yTempLow = -40;
  expectedView.yTempHigh = 158;
  expectedView.yRhLow = 0;
  expectedView.yRhHigh = 100;
  ExpectSame(view, expectedView);
  ExpectSame(view, ViewSettings{});
  EXPECT_EQ(isFahrenheit, 0);

  ASSERT_TRUE(WriteAllSettings(store, main, view, isFahrenheit)) << store.LastError();
  EXPECT_EQ(Get(), kFirstCloseFile);
  // A second close over its own file changes nothing.
  ASSERT_TRUE(WriteAllSettings(store, main, view, isFahrenheit));
  EXPECT_EQ(Get(), kFirstCloseFile);
}

TEST_F(SettingsTableTest, EveryValueComesBackFromTheFile) {
  SettingsStore store(dir_);
  ASSERT_TRUE(WriteAllSettings(store, Scrambled(), ScrambledView(), 1)) << store.LastError();
  EXPECT_THAT(Get(), ::testing::HasSubstr("TEMPLOW=-5\n"));
  EXPECT_THAT(Get(), ::testing::HasSubstr("Y TEMPLOW=-50\n"));

  MainSettings main;
  ViewSettings view;
  uint8_t isFahrenheit = 0;
  ReadMainSettings(store, main);
  ReadViewSettings(store, view, isFahrenheit);
  ExpectSame(main, Scrambled());
  ExpectSame(view, ScrambledView());
  EXPECT_EQ(isFahrenheit, 1);
}

TEST_F(SettingsTableTest, HandEditedValuesReadAsTheirKindAllows) {
  Put("[colorinfo]\n"
      "bgcolor=300\n"
      "TColor = -1\n"
      "RHColor=blue\n"
      "[ALARMInfo]\n"
      "TEMPLOW=  -5  \n"
      "RHHI=abc\n"
      "[SAMPRATEINFO]\n"
      "SAMPRATE=" +
      std::string(300, '1') +
      "\n"
      "SAMPUNIT=7\n"
      "[Y AXISInfo]\n"
      "Y TEMPLOW=-50\n"
      "Y TEMPHI=\n"
      "[comInfo]\n"
      "COM NUM=12x\n");
  SettingsStore store(dir_);
  MainSettings main;
  ViewSettings view;
  uint8_t isFahrenheit = 9;
  ReadMainSettings(store, main);
  ReadViewSettings(store, view, isFahrenheit);

  EXPECT_EQ(main.backgroundColorIndex, 44);  // low 8 bits of 300
  EXPECT_EQ(main.tempColorIndex, 255);
  EXPECT_EQ(main.rhColorIndex, 0);
  EXPECT_EQ(main.gridColorIndex, 2);  // missing key: default
  EXPECT_EQ(main.logger.tempAlarmLow, "-5");
  EXPECT_EQ(main.logger.rhAlarmHigh, "abc");  // texts are taken as they stand
  EXPECT_EQ(main.logger.sampleInterval, std::string(259, '1'));
  EXPECT_EQ(main.logger.sampleUnit, 7);  // no range check on reading
  EXPECT_EQ(main.comPort, 12);
  EXPECT_EQ(view.yTempLow, -50);
  EXPECT_EQ(view.yTempHigh, 0);
  EXPECT_EQ(view.yRhHigh, 100);
  EXPECT_EQ(isFahrenheit, 0);
}

TEST_F(SettingsTableTest, WriteOverAHandEditedFileKeepsItsOtherLines) {
  Put("; machine settings\n"
      "[colorinfo]\n"
      "bgcolor=300\n"
      "\n"
      "[Mine]\n"
      "x=1\n");
  SettingsStore store(dir_);
  ASSERT_TRUE(WriteAllSettings(store, MainSettings{}, ViewSettings{}, 0)) << store.LastError();
  // The colour keys fill the existing section; the other 30 keys follow as on a first close.
  std::string created = kFirstCloseFile;
  const std::string colours = "[ColorInfo]\nBGColor=13\nTColor=0\nRHColor=3\nGRIDColor=2\n";
  created.erase(created.find(colours), colours.size());
  EXPECT_EQ(Get(),
            "; machine settings\n"
            "[colorinfo]\n"
            "bgcolor=13\n"
            "TColor=0\n"
            "RHColor=3\n"
            "GRIDColor=2\n"
            "\n"
            "[Mine]\n"
            "x=1\n" +
                created);
}

TEST_F(SettingsTableTest, FailedWriteReportsThePath) {
  SettingsStore store(dir_ + "/missing");
  EXPECT_FALSE(WriteAllSettings(store, MainSettings{}, ViewSettings{}, 0));
  EXPECT_THAT(store.LastError(), ::testing::HasSubstr(dir_ + "/missing/TEVARO.ini"));
  EXPECT_FALSE(fs::exists(dir_ + "/missing"));
}

}  // namespace
}  // namespace k7740
