// The download archive: where it is, how its files are named, and that it never replaces a file.
#include "recording/save_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "common/text.h"
#include "recording/record_file.h"

namespace k7740 {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Restores an environment variable when the test ends.
class EnvGuard {
 public:
  explicit EnvGuard(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) saved_ = v;
  }
  ~EnvGuard() {
    if (saved_) {
      ::setenv(name_, saved_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(DownloadArchiveTest, FolderFollowsXdgDataHomeElseHome) {
  EnvGuard xdg("XDG_DATA_HOME");
  EnvGuard home("HOME");
  struct Case {
    const char* xdg;  // nullptr: unset
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/data", "/home/ann", "/data/k7740/downloads"},
      {"/data/", "/home/ann", "/data/k7740/downloads"},
      {nullptr, "/home/ann", "/home/ann/.local/share/k7740/downloads"},
      {"", "/home/ann", "/home/ann/.local/share/k7740/downloads"},
      {"relative/data", "/home/ann", "/home/ann/.local/share/k7740/downloads"},  // ignored
      {nullptr, nullptr, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    c.xdg ? ::setenv("XDG_DATA_HOME", c.xdg, 1) : ::unsetenv("XDG_DATA_HOME");
    c.home ? ::setenv("HOME", c.home, 1) : ::unsetenv("HOME");
    EXPECT_EQ(DownloadArchiveDirectory(), c.expected);
  }
}

class ArchiveFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    std::string pattern = (fs::temp_directory_path() / "k7740-archive-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    doc_ = std::make_unique<CTevDoc>();
    view_.readingCount = 2;
    view_.sampleIntervalSeconds = 60;
    view_.startTime = MakeLocalTime(2026, 12, 11, 12, 0, 0);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string dir_;
  std::unique_ptr<CTevDoc> doc_;
  RecordingView view_;
};

TEST_F(ArchiveFilesTest, NamesFromTheDownloadTimeAndNeverReplaces) {
  const std::time_t at = MakeLocalTime(2026, 12, 11, 13, 45, 2);
  EXPECT_EQ(ArchiveFileName(at), "2026-12-11_134502.record");
  const std::string folder = dir_ + "/share/k7740/downloads";  // created with its parents
  std::string path;
  std::string error;
  ASSERT_TRUE(ArchiveDownload(folder, at, *doc_, view_, path, error)) << error;
  EXPECT_EQ(path, folder + "/2026-12-11_134502.record");
  const std::vector<uint8_t> first = WriteRecordBytes(*doc_, view_);
  EXPECT_EQ(Slurp(path), first);
  EXPECT_EQ(fs::status(dir_ + "/share").permissions() & fs::perms::all, fs::perms::owner_all);

  // A second download in the same second gets its own file; the first stays.
  view_.readingCount = 1;
  ASSERT_TRUE(ArchiveDownload(folder, at, *doc_, view_, path, error)) << error;
  EXPECT_EQ(path, folder + "/2026-12-11_134502-2.record");
  EXPECT_EQ(Slurp(folder + "/2026-12-11_134502.record"), first);
  EXPECT_EQ(Slurp(path), WriteRecordBytes(*doc_, view_));
}

TEST_F(ArchiveFilesTest, AFolderThatCannotBeMadeIsReported) {
  std::ofstream(dir_ + "/file") << "x";
  std::string path;
  std::string error;
  EXPECT_FALSE(ArchiveDownload(dir_ + "/file/downloads", 0, *doc_, view_, path, error));
  EXPECT_EQ(error, "Cannot create the folder " + dir_ + "/file/downloads: Not a directory.");
  EXPECT_FALSE(ArchiveDownload("", 0, *doc_, view_, path, error));
  EXPECT_NE(error.find("HOME"), std::string::npos) << error;
}

}  // namespace
}  // namespace k7740
