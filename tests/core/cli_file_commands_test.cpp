#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/file_commands.h"
#include "common/file_io.h"
#include "tests/support/faulty_file_system.h"

namespace k7740 {
namespace {

namespace fs = std::filesystem;

const std::string kFixture = std::string(K7740_TEST_DATA) + "/one_reading.record";

// What Save writes for the fixture: one reading, 21.5 C / 48.0 %RH at 5 October 2007 14:10:00.
const std::string kReport =
    "                                 Test Report\r\n"
    "\r\n"
    ">>Start Time: 05/10/07 14:10:00       End Time: 05/10/07 14:10:00\r\n"
    ">>Sampling rate: 60sec\r\n"
    ">>Data number: 1\r\n"
    ">>Temp Alarm HI: 40 C   Temp Alarm Low: -10 C\r\n"
    ">>RH Alarm HI: 90 %RH   RH Alarm Low: 20 %RH\r\n"
    ">>Temp MAX: 21.5 C @14:10:00 05/10/07  Temp MIN: 21.5 C @14:10:00 05/10/07  Temp AVG: 21.50 C\r\n"
    ">>RH MAX: 48.0 %RH @14:10:00 05/10/07  RH MIN: 48.0 %RH @14:10:00 05/10/07  RH AVG: 48.00 %RH\r\n" +
    std::string(100, '-') +
    "\r\n"
    "NO\tTemp(C)\tRH(%RH)\tTIME \r\n"
    "1\t21.5\t48.0\t05-10-07/14:10:00 \r\n";

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliFileCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    std::string pattern = (fs::temp_directory_path() / "k7740-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A copy of the fixture with some bytes changed or cut.
  std::string Variant(const char* name, size_t keep, size_t at = std::string::npos, char value = 0) {
    std::string bytes = Slurp(kFixture).substr(0, keep);
    if (at < bytes.size()) bytes[at] = value;
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  int Run(int (*command)(const std::vector<std::string>&, std::ostream&, std::ostream&),
          const std::vector<std::string>& args) {
    out_.str("");
    err_.str("");
    return command(args, out_, err_);
  }

  std::string dir_;
  std::ostringstream out_, err_;
};

TEST_F(CliFileCommandsTest, ReportWritesWhatSaveWrites) {
  EXPECT_EQ(Run(RunReportCommand, {"report", kFixture}), 0);
  EXPECT_EQ(out_.str(), kReport);
  EXPECT_EQ(err_.str(), "");

  const std::string out = dir_ + "/out.xls";
  EXPECT_EQ(Run(RunReportCommand, {"report", "-o", out, kFixture}), 0) << err_.str();
  EXPECT_EQ(Slurp(out), kReport);
  EXPECT_EQ(out_.str(), "");
}

TEST_F(CliFileCommandsTest, InfoPrintsThePanelTexts) {
  EXPECT_EQ(Run(RunInfoCommand, {"info", kFixture}), 0);
  EXPECT_EQ(out_.str(),
            "Start Time: 05/10/07 14:10:00\n"
            "End Time: 05/10/07 14:10:00\n"
            "Sampling rate: 60\n"
            "DataNo.: 1\n"
            "Temp Alarm Hi: 40 C\n"
            "Alarm Low: -10 C\n"
            "RH Alarm Hi: 90 %RH\n"
            "Alarm Low: 20 %RH\n"
            "Temp MAX: 21.5 C @14:10:00 05/10/07\n"
            "MIN: 21.5 C @14:10:00 05/10/07\n"
            "AVG: 21.50 C\n"
            "RH MAX: 48.0 %RH @14:10:00 05/10/07\n"
            "MIN: 48.0 %RH @14:10:00 05/10/07\n"
            "AVG: 48.00 %RH\n");
  EXPECT_EQ(err_.str(), "");
}

TEST_F(CliFileCommandsTest, UnitStoredInTheFileDecidesTheTemperatureTexts) {
  const std::string fahrenheit = Variant("f.record", std::string::npos, 47, 1);
  EXPECT_EQ(Run(RunInfoCommand, {"info", fahrenheit}), 0);
  EXPECT_NE(
      out_.str().find("Temp MAX: 70.7 F @14:10:00 05/10/07\nMIN: 70.7 F @14:10:00 05/10/07\nAVG: 70.70 F\n"),
      std::string::npos)
      << out_.str();
  EXPECT_EQ(Run(RunReportCommand, {"report", fahrenheit}), 0);
  EXPECT_NE(out_.str().find("NO\tTemp(F)\tRH(%RH)\tTIME \r\n1\t70.7\t48.0\t05-10-07/14:10:00 \r\n"),
            std::string::npos);
}

TEST_F(CliFileCommandsTest, BadArgumentsAndBadFilesExitWithTwoAndOneLine) {
  const std::string wrongIdentity = Variant("lower.record", std::string::npos, 1, 't');
  const std::string truncated = Variant("short.record", 100);
  const std::string missing = dir_ + "/none.record";
  const std::string text = dir_ + "/notes.record";  // a text file renamed
  {
    std::ofstream notes(text);
    for (int i = 0; i < 200; ++i) notes << "2007-10-05\t14:" << i % 60 << "\t21.5\t48.0\n";
  }
  const std::string empty = Variant("empty.record", 0);
  const std::string folder = dir_ + "/folder.record";
  fs::create_directory(folder);
  using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
  struct Case {
    Command command;
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {RunReportCommand, {"report"}, "No record file given."},
      {RunReportCommand, {"report", kFixture, kFixture}, "Only one record file"},
      {RunReportCommand, {"report", kFixture, "-o"}, "-o needs a file name."},
      {RunReportCommand, {"report", kFixture, "--verbose"}, "Unknown option --verbose."},
      {RunReportCommand, {"report", missing}, "Cannot read " + missing + ": No such file or directory."},
      {RunReportCommand, {"report", wrongIdentity}, "Invalid Format!"},
      {RunReportCommand, {"report", truncated}, "ends early"},
      {RunReportCommand,
       {"report", kFixture, "-o", dir_ + "/no/out.xls"},
       "Cannot write " + dir_ + "/no/out.xls: No such file or directory."},
      {RunInfoCommand, {"info"}, "No record file given."},
      {RunInfoCommand, {"info", kFixture, kFixture}, "exactly one record file"},
      {RunInfoCommand, {"info", missing}, "Cannot read " + missing},
      {RunInfoCommand, {"info", wrongIdentity}, "Invalid Format!"},
      {RunInfoCommand, {"info", truncated}, "ends early"},
      {RunInfoCommand, {"info", text}, "Invalid Format!"},
      {RunInfoCommand, {"info", empty}, "ends early"},
      {RunInfoCommand, {"info", folder}, "Cannot read " + folder + ": Is a directory."},
  };
  for (const Case& c : cases) {
    const std::string line = testing::PrintToString(c.args);
    EXPECT_EQ(Run(c.command, c.args), 2) << line;
    EXPECT_EQ(out_.str(), "") << line;
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << line << ": " << err_.str();
    const std::string err = err_.str();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << line << ": " << err;
  }
}

TEST_F(CliFileCommandsTest, StatsPrintsTheFiguresAsLinesOrJson) {
  EXPECT_EQ(Run(RunStatsCommand, {"stats", kFixture}), 0) << err_.str();
  const std::string text = out_.str();
  for (const char* line : {"Readings: 1\n", "Start: 05/10/07 14:10:00\n", "Temperature mean: 21.50 C\n",
                           "Dew point max: 10.02 C\n", "MKT: 21.50 C (70.70 F)\n",
                           "Temperature low limit: -10 C\n", "Humidity high longest: none\n"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line << "in\n" << text;
  }
  EXPECT_EQ(err_.str(), "");

  EXPECT_EQ(Run(RunStatsCommand, {"stats", "--json", kFixture}), 0) << err_.str();
  const nlohmann::json j = nlohmann::json::parse(out_.str());
  EXPECT_EQ(j.at("count"), 1);
  EXPECT_EQ(j.at("start"), "2007-10-05T14:10:00+00:00");
  EXPECT_EQ(j.at("humidity_rh").at("max"), 48.0);
  EXPECT_EQ(j.at("excursions").at("temperature_high").at("count"), 0);

  EXPECT_EQ(Run(RunStatsCommand, {"stats", "--help"}), 0);
  EXPECT_NE(out_.str().find("dH/R = 10,000 K"), std::string::npos);
  EXPECT_NE(out_.str().find("a = 17.62, b = 243.12 C"), std::string::npos);
}

TEST_F(CliFileCommandsTest, ExportWritesEachFormatToStdoutOrAtomicallyToAFile) {
  struct Case {
    std::vector<std::string> options;
    std::string text;
  };
  const Case cases[] = {
      {{},
       "time,temperature_c,temperature_f,humidity_rh,dew_point_c\n"
       "2007-10-05T14:10:00+00:00,21.5,70.7,48.0,10.0\n"},
      {{"--format", "influx", "--measurement", "lab 1", "--tag", "room=b,2", "--tag", "k=x=y"},
       "lab\\ 1,k=x\\=y,room=b\\,2 temperature=21.5,humidity=48.0,dew_point=10.0 1191593400000000000\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"export", kFixture};
    args.insert(args.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(Run(RunExportCommand, args), 0) << err_.str();
    EXPECT_EQ(out_.str(), c.text);
    const std::string out = dir_ + "/out.txt";
    args.insert(args.end(), {"-o", out});
    EXPECT_EQ(Run(RunExportCommand, args), 0) << err_.str();
    EXPECT_EQ(out_.str(), "");
    EXPECT_EQ(Slurp(out), c.text);
  }
  EXPECT_EQ(Run(RunExportCommand, {"export", "--format", "json", kFixture}), 0) << err_.str();
  const nlohmann::json j = nlohmann::json::parse(out_.str());
  EXPECT_EQ(j.at("readings").at(0).at("dew_point_c"), 10.0);
  EXPECT_EQ(j.at("alarms").at("temperature_low"), -10);
}

TEST_F(CliFileCommandsTest, StatsAndExportRefuseBadArgumentsWithTwoAndOneLine) {
  const std::string missing = dir_ + "/none.record";
  const std::string truncated = Variant("short.record", 100);
  using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
  struct Case {
    Command command;
    std::vector<std::string> args;
    std::string message;
  };
  const Case cases[] = {
      {RunStatsCommand, {"stats"}, "No record file given."},
      {RunStatsCommand, {"stats", kFixture, kFixture}, "Only one record file"},
      {RunStatsCommand, {"stats", kFixture, "--csv"}, "Unknown option --csv."},
      {RunStatsCommand, {"stats", missing}, "Cannot read " + missing},
      {RunStatsCommand, {"stats", truncated}, "ends early"},
      {RunExportCommand, {"export"}, "No record file given."},
      {RunExportCommand, {"export", kFixture, "--format"}, "--format needs a value."},
      {RunExportCommand, {"export", kFixture, "--format", "xml"}, "Unknown format xml"},
      {RunExportCommand,
       {"export", kFixture, "--format", "csv", "--format", "json"},
       "--format is given twice."},
      {RunExportCommand, {"export", kFixture, "-o"}, "-o needs a value."},
      {RunExportCommand, {"export", kFixture, "--tag", "a=b"}, "--tag belongs to --format influx."},
      {RunExportCommand,
       {"export", kFixture, "--measurement", "m"},
       "--measurement belongs to --format influx."},
      {RunExportCommand, {"export", kFixture, "--format", "influx", "--tag", "ab"}, "--tag needs KEY=VALUE"},
      {RunExportCommand,
       {"export", kFixture, "--format", "influx", "--tag", "a="},
       "needs a key and a value"},
      {RunExportCommand,
       {"export", kFixture, "--format", "influx", "--tag", "a=1", "--tag", "a=2"},
       "given twice"},
      {RunExportCommand,
       {"export", kFixture, "--format", "influx", "--measurement", "#m"},
       "cannot start with #"},
      {RunExportCommand, {"export", kFixture, "--verbose"}, "Unknown option --verbose."},
      {RunExportCommand, {"export", missing}, "Cannot read " + missing},
      {RunExportCommand, {"export", truncated, "--format", "json"}, "ends early"},
      {RunExportCommand,
       {"export", kFixture, "-o", dir_ + "/no/out.csv"},
       "Cannot write " + dir_ + "/no/out.csv"},
  };
  for (const Case& c : cases) {
    const std::string line = testing::PrintToString(c.args);
    EXPECT_EQ(Run(c.command, c.args), 2) << line;
    EXPECT_EQ(out_.str(), "") << line;
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << line << ": " << err_.str();
    const std::string err = err_.str();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << line << ": " << err;
  }
}

TEST_F(CliFileCommandsTest, ReportOutputFailingAtAnyCallKeepsTheEarlierFile) {
  const std::string out = dir_ + "/out.xls";
  const int points =
      test::ForEachFailurePoint([&](test::FaultyFileSystem& faulty, const test::FailurePoint& p) {
        std::ofstream(out, std::ios::binary | std::ios::trunc) << "earlier";
        int status = 0;
        {
          ScopedFileSystem scoped(faulty);
          status = Run(RunReportCommand, {"report", "-o", out, kFixture});
        }
        if (faulty.Hits() == 0) {
          EXPECT_EQ(status, 0) << err_.str();
          EXPECT_EQ(Slurp(out), kReport);
          return;
        }
        SCOPED_TRACE(std::string(test::CallName(p.call)) + " #" + std::to_string(p.nth));
        EXPECT_EQ(status, 2);
        EXPECT_EQ(err_.str(), "Cannot write " + out + ": " + std::strerror(p.err) + ".\n");
        EXPECT_EQ(Slurp(out), "earlier");
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        EXPECT_EQ(names, std::vector<std::string>{"out.xls"});
      });
  EXPECT_EQ(points, 6 * 3);
}

}  // namespace
}  // namespace k7740
