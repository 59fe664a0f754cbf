#include "recording/save_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "common/text.h"

namespace k7740 {
namespace {

TEST(SaveNamesTest, ProposedNameIsTheLocalTimeWithTwoBlanks) {
  setenv("TZ", "Europe/Berlin", 1);
  tzset();
  EXPECT_EQ(ProposedSaveName(MakeLocalTime(2007, 10, 5, 14, 30, 0)), "07-10-05  14.30.00");
  EXPECT_EQ(ProposedSaveName(MakeLocalTime(2010, 1, 2, 3, 4, 5)), "10-01-02  03.04.05");
}

TEST(SaveNamesTest, RecordAndReportShareFolderAndBase) {
  struct Case {
    const char* chosen;
    const char* record;
    const char* report;
  };
  const Case cases[] = {
      {"data", "data.record", "data.xls"},
      {"data.xls", "data.record", "data.xls"},
      {"data.record", "data.record", "data.xls"},
      {"/home/u/data.record", "/home/u/data.record", "/home/u/data.xls"},
      // The proposed name has points: the seconds go with the last one.
      {"/f/07-10-05  14.30.00", "/f/07-10-05  14.30.record", "/f/07-10-05  14.30.xls"},
      {"/f/07-10-05  14.30.00.record", "/f/07-10-05  14.30.00.record", "/f/07-10-05  14.30.00.xls"},
      // A point in a folder name is not an extension.
      {"/my.dir/data", "/my.dir/data.record", "/my.dir/data.xls"},
      {"rel.d/sub/data", "rel.d/sub/data.record", "rel.d/sub/data.xls"},
      {"/a/.hidden", "/a/.hidden.record", "/a/.hidden.xls"},
  };
  for (const Case& c : cases) {
    const SavePaths paths = SavePathsFor(c.chosen);
    EXPECT_EQ(paths.recordPath, c.record) << c.chosen;
    EXPECT_EQ(paths.reportPath, c.report) << c.chosen;
  }
}

TEST(SaveNames, FilesTheDialogDidNotConfirmAreAskedAbout) {
  // The dialog confirmed "26-12-11  13.11.05" (when it existed); the names written are cut at the
  // last point.
  const std::string chosen = "/f/26-12-11  13.11.05";
  const SavePaths paths = SavePathsFor(chosen);
  struct Case {
    const char* name;
    std::vector<std::string> existing;
    const char* question;
  };
  const Case cases[] = {
      {"nothing there", {}, ""},
      {"the record",
       {"/f/26-12-11  13.11.record"},
       "26-12-11  13.11.record already exists.\nDo you want to replace it?"},
      {"the report",
       {"/f/26-12-11  13.11.xls"},
       "26-12-11  13.11.xls already exists.\nDo you want to replace it?"},
      {"both",
       {"/f/26-12-11  13.11.record", "/f/26-12-11  13.11.xls"},
       "26-12-11  13.11.record and 26-12-11  13.11.xls already exist.\nDo you want to replace them?"},
  };
  for (const Case& c : cases) {
    const auto exists = [&](const std::string& p) {
      return std::find(c.existing.begin(), c.existing.end(), p) != c.existing.end();
    };
    EXPECT_EQ(ReplaceQuestion(chosen, paths, exists), c.question) << c.name;
  }
  // Typed "data.record": the dialog asked about the record itself, but not about the report.
  const SavePaths typed = SavePathsFor("/f/data.record");
  EXPECT_EQ(ReplaceQuestion("/f/data.record", typed, [](const std::string&) { return true; }),
            "data.xls already exists.\nDo you want to replace it?");
}

}  // namespace
}  // namespace k7740
