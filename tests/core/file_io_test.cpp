#include "common/file_io.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "recording/record_file.h"
#include "recording/recording.h"
#include "recording/save_files.h"
#include "recording/text_report.h"
#include "tests/support/faulty_file_system.h"

namespace k7740 {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

class FileIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "k7740-file-io-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }
  // Names in the folder, so that a test can see that no temporary file was left behind.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string Path(const char* name) const { return dir_ + "/" + name; }

  std::string dir_;
};

TEST_F(FileIoTest, WriteCreatesAndReplaces) {
  const std::string path = Path("a.record");
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(path, "first", 5, error)) << error;
  EXPECT_EQ(Slurp(path), "first");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask) << "a saved file is not private to its owner";

  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomically(path, "second, longer", 14, error)) << error;
  EXPECT_EQ(Slurp(path), "second, longer");
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "a replaced file keeps its permissions";

  ASSERT_TRUE(WriteFileAtomically(path, "", 0, error)) << error;
  EXPECT_EQ(Slurp(path), "");
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.record"});
}

TEST_F(FileIoTest, FailedWriteNamesThePathAndTheReason) {
  struct Case {
    std::string path;
    const char* reason;
  };
  Put(Path("plain"), "x");
  const Case cases[] = {
      {Path("missing/a.record"), "No such file or directory"},
      {Path("plain/a.record"), "Not a directory"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(c.path, "data", 4, error));
    EXPECT_EQ(error, "Cannot write " + c.path + ": " + c.reason + ".");
  }
  EXPECT_EQ(Entries(), std::vector<std::string>{"plain"});
}

TEST_F(FileIoTest, ReadOnlyFolderLeavesTheTargetIntact) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; see the file-size limit test";
  const std::string path = Path("a.record");
  Put(path, "earlier");
  ASSERT_EQ(::chmod(dir_.c_str(), 0555), 0);
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(path, "new", 3, error));
  EXPECT_EQ(error, "Cannot write " + path + ": Permission denied.");
  ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
  EXPECT_EQ(Slurp(path), "earlier");
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.record"});
}

// A write that fails half-way (file-size limit, as on a full disk) must leave the old file and no temporary.
TEST_F(FileIoTest, WriteFailingHalfWayLeavesTheTargetIntact) {
  const std::string path = Path("a.xls");
  Put(path, "earlier");
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 1000;
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string big(5000, 'b');
  std::string error;
  const bool ok = WriteFileAtomically(path, big.data(), big.size(), error);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(ok);
  EXPECT_EQ(error, "Cannot write " + path + ": File too large.");
  EXPECT_EQ(Slurp(path), "earlier");
  EXPECT_EQ(Entries(), std::vector<std::string>{"a.xls"});
}

TEST_F(FileIoTest, SeveralFilesChangeTogetherOrNotAtAll) {
  const std::string record = Path("b.record");
  const std::string report = Path("b.xls");
  Put(record, "old record");
  std::string error;
  EXPECT_FALSE(
      WriteFilesAtomically({{record, Bytes("new record")}, {Path("missing/b.xls"), Bytes("r")}}, error));
  EXPECT_EQ(error, "Cannot write " + Path("missing/b.xls") + ": No such file or directory.");
  EXPECT_EQ(Slurp(record), "old record");
  EXPECT_EQ(Entries(), std::vector<std::string>{"b.record"});

  ASSERT_TRUE(WriteFilesAtomically({{record, Bytes("new record")}, {report, Bytes("new report")}}, error))
      << error;
  EXPECT_EQ(Slurp(record), "new record");
  EXPECT_EQ(Slurp(report), "new report");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"b.record", "b.xls"}));
}

TEST_F(FileIoTest, ReadWholeFile) {
  std::string content(200000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  Put(Path("big"), content);
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(ReadWholeFile(Path("big"), bytes, error)) << error;
  EXPECT_EQ(bytes, Bytes(content));

  EXPECT_FALSE(ReadWholeFile(Path("none.record"), bytes, error));
  EXPECT_EQ(error, "Cannot read " + Path("none.record") + ": No such file or directory.");
  EXPECT_TRUE(bytes.empty());
  EXPECT_FALSE(ReadWholeFile(dir_, bytes, error));
  EXPECT_EQ(error, "Cannot read " + dir_ + ": Is a directory.");
}

// A two-file Save made to fail at each file-system call in turn: the earlier files stay byte for
// byte, no temporary is left, and the caller hears the system's reason.
TEST_F(FileIoTest, TwoFileSaveFailingAtAnyCallChangesNothing) {
  auto doc = std::make_unique<CTevDoc>();
  RecordingView view;
  view.readingCount = 3;
  view.sampleIntervalSeconds = 60;
  for (int i = 0; i < 3; ++i) doc->temperature[static_cast<size_t>(i)] = 20.0f + static_cast<float>(i);
  const SavePaths paths = SavePathsFor(Path("week"));
  const std::string newReport = BuildTextReport(*doc, view);
  const std::vector<uint8_t> newRecord = WriteRecordBytes(*doc, view);

  struct Start {
    const char* name;
    bool report;
    bool record;
  };
  for (const Start& start : {Start{"both earlier files", true, true}, Start{"no earlier file", false, false},
                             Start{"only an earlier record", false, true}}) {
    SCOPED_TRACE(start.name);
    std::vector<std::string> before;
    const auto reset = [&] {
      fs::remove(paths.reportPath);
      fs::remove(paths.recordPath);
      if (start.report) Put(paths.reportPath, "earlier report");
      if (start.record) Put(paths.recordPath, "earlier record");
      before = Entries();
    };
    const int points =
        test::ForEachFailurePoint([&](test::FaultyFileSystem& faulty, const test::FailurePoint& p) {
          reset();
          std::string error;
          bool changed = true;
          bool ok = false;
          {
            ScopedFileSystem scoped(faulty);
            ok = SaveRecordingFiles(paths, *doc, view, error, &changed);
          }
          SCOPED_TRACE(std::string(test::CallName(p.call)) + " #" + std::to_string(p.nth) + ": " +
                       std::strerror(p.err));
          if (faulty.Hits() == 0) {
            ASSERT_TRUE(ok) << error;
            EXPECT_EQ(Slurp(paths.reportPath), newReport);
            EXPECT_EQ(Bytes(Slurp(paths.recordPath)), newRecord);
            return;
          }
          EXPECT_FALSE(ok);
          EXPECT_FALSE(changed);
          EXPECT_NE(error.find(std::strerror(p.err)), std::string::npos) << error;
          EXPECT_EQ(error.rfind("Cannot write " + Path("week."), 0), 0u) << error;
          EXPECT_EQ(Entries(), before) << "a temporary file was left, or a target appeared or went";
          if (start.report) {
            EXPECT_EQ(Slurp(paths.reportPath), "earlier report");
          }
          if (start.record) {
            EXPECT_EQ(Slurp(paths.recordPath), "earlier record");
          }
        });
    // Two creates, writes, syncs, closes and renames, one folder sync; three errors each.
    EXPECT_EQ(points, 11 * 3);
  }
}

// A real full disk: a 64 KiB file system of its own, in a mount namespace of this process only.
TEST_F(FileIoTest, ARealFullDiskLeavesTheEarlierFilesIntact) {
  if (::unshare(CLONE_NEWNS) != 0) GTEST_SKIP() << "no private mount namespace: " << std::strerror(errno);
  if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
    GTEST_SKIP() << "mounts cannot be made private: " << std::strerror(errno);
  }
  const std::string small = Path("small");
  ASSERT_EQ(::mkdir(small.c_str(), 0700), 0);
  if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "mounting a small tmpfs was refused: " << std::strerror(errno);
  }
  auto doc = std::make_unique<CTevDoc>();
  RecordingView view;
  view.readingCount = kMaxReadings;  // about 131 KB: more than the whole disk
  const SavePaths paths = SavePathsFor(small + "/full");
  Put(paths.reportPath, "earlier report");
  Put(paths.recordPath, "earlier record");
  std::string error;
  const bool ok = SaveRecordingFiles(paths, *doc, view, error);
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(small)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  const std::string report = Slurp(paths.reportPath);
  const std::string record = Slurp(paths.recordPath);
  ::umount2(small.c_str(), MNT_DETACH);

  EXPECT_FALSE(ok);
  EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
  EXPECT_EQ(report, "earlier report");
  EXPECT_EQ(record, "earlier record");
  EXPECT_EQ(names, (std::vector<std::string>{"full.record", "full.xls"}));
}

TEST_F(FileIoTest, AnEarlierFileThatCannotBePutBackIsNamedAndKept) {
  const std::string report = Path("a.xls");
  const std::string record = Path("a.record");
  Put(report, "earlier report");
  Put(record, "earlier record");
  test::FaultyFileSystem faulty;
  faulty.FailAt(test::Call::Rename, 2, ENOSPC);  // the record
  faulty.FailAt(test::Call::Rename, 3, EIO);     // putting the report back
  std::string error;
  bool changed = false;
  {
    ScopedFileSystem scoped(faulty);
    EXPECT_FALSE(WriteFilesAtomically({{report, Bytes("new report")}, {record, Bytes("new record")}}, error,
                                      &changed));
  }
  EXPECT_TRUE(changed);
  EXPECT_EQ(Slurp(report), "new report");
  EXPECT_EQ(Slurp(record), "earlier record");
  const std::vector<std::string> names = Entries();
  ASSERT_EQ(names.size(), 3u);
  const std::string backup = dir_ + "/" + names[0];
  EXPECT_EQ(names[0].rfind(".a.xls.old", 0), 0u) << names[0];
  EXPECT_EQ(Slurp(backup), "earlier report");
  EXPECT_EQ(error, "Cannot write " + record + ": No space left on device. " + report +
                       " already holds the new data; its earlier version could not be put back "
                       "(Input/output error) and is kept as " +
                       backup + ".");
}

// On a file system without hard links (FAT) the earlier file is kept in memory instead.
TEST_F(FileIoTest, WithoutHardLinksTheEarlierFileIsStillPutBack) {
  const std::string report = Path("a.xls");
  const std::string record = Path("a.record");
  Put(report, "earlier report");
  for (bool recordFails : {false, true}) {
    SCOPED_TRACE(recordFails);
    test::FaultyFileSystem faulty;
    faulty.FailAll(test::Call::Link, EPERM);
    if (recordFails) faulty.FailAt(test::Call::Rename, 2, EACCES);
    std::string error;
    bool ok = false;
    {
      ScopedFileSystem scoped(faulty);
      ok = WriteFilesAtomically({{report, Bytes("new report")}, {record, Bytes("new record")}}, error);
    }
    EXPECT_EQ(ok, !recordFails) << error;
    EXPECT_EQ(Slurp(report), recordFails ? "earlier report" : "new report");
    const std::vector<std::string> expected =
        recordFails ? std::vector<std::string>{"a.xls"} : std::vector<std::string>{"a.record", "a.xls"};
    EXPECT_EQ(Entries(), expected);
    Put(report, "earlier report");
    fs::remove(record);
  }
}

TEST_F(FileIoTest, NewFileWriteNeverReplaces) {
  const std::string path = Path("2026-12-11_134502.record");
  std::string error;
  ASSERT_TRUE(WriteNewFileAtomically(path, "first", 5, error)) << error;
  EXPECT_FALSE(WriteNewFileAtomically(path, "second", 6, error));
  EXPECT_EQ(error, "Cannot write " + path + ": File exists.");
  EXPECT_EQ(Slurp(path), "first");
  EXPECT_EQ(Entries(), std::vector<std::string>{"2026-12-11_134502.record"});
}

TEST_F(FileIoTest, ReadFailuresReachTheCaller) {
  Put(Path("f"), "some bytes");
  std::vector<uint8_t> bytes;
  std::string error;
  for (test::Call call : {test::Call::Open, test::Call::Read}) {
    test::FaultyFileSystem faulty;
    faulty.FailAt(call, 1, EIO);
    ScopedFileSystem scoped(faulty);
    EXPECT_FALSE(ReadWholeFile(Path("f"), bytes, error));
    EXPECT_EQ(error, "Cannot read " + Path("f") + ": Input/output error.");
    EXPECT_TRUE(bytes.empty());
  }
}

}  // namespace
}  // namespace k7740
