#include "settings/settings_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tests/support/faulty_file_system.h"

namespace k7740 {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

class SettingsStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "k7740-store-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  std::string FilePath() const { return dir_ + "/TEVARO.ini"; }
  void Put(const std::string& text) const { PutAt(FilePath(), text); }
  static void PutAt(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::string Get() const {
    std::ifstream in(FilePath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    return names;
  }

  std::string dir_;
};

TEST_F(SettingsStoreTest, MissingFileSectionOrKeyGivesTheDefault) {
  SettingsStore store(dir_);
  EXPECT_EQ(store.Path(), dir_ + "/TEVARO.ini");
  EXPECT_EQ(store.ReadInt("COMInfo", "COM num", 3), 3);
  EXPECT_EQ(store.ReadString("ALARMInfo", "TEMPHI", "40"), "40");

  Put("[COMInfo]\nCOM num=7\n");
  EXPECT_EQ(store.ReadInt("COMInfo", "COM num", 3), 7);
  EXPECT_EQ(store.ReadInt("COMInfo", "Other", -4), -4);
  EXPECT_EQ(store.ReadInt("Other", "COM num", 11), 11);
  EXPECT_EQ(store.ReadString("Other", "COM num", "x"), "x");

  SettingsStore nowhere(dir_ + "/no/such/folder");
  EXPECT_EQ(nowhere.ReadInt("COMInfo", "COM num", 5), 5);
}

TEST_F(SettingsStoreTest, FindsKeysByTheirNamesAndTheFileLayout) {
  // Hand-edited file: odd case, blanks, comments, malformed lines, a damaged header,
  // repeated sections and keys, CRLF and a last line without its line break.
  Put("orphan=1\r\n"
      "; COM num=99\r\n"
      "  [ cominfo ]  trailing\r\n"
      "\r\n"
      "this line has no equals sign\r\n"
      "=no name\r\n"
      "  com NUM   =   12  \r\n"
      "COM num=13\r\n"
      "#Gain=5\r\n"
      "[Damaged\r\n"
      "Gain=8\r\n"
      "[COMINFO]\r\n"
      "Late=1\r\n"
      "[Last]\r\n"
      "Tail=  -50 ");
  SettingsStore store(dir_);
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> value;  // nullopt: the default must come back
  };
  const Case cases[] = {
      {"COMInfo", "COM num", "12"},  // first of two keys; case and blanks ignored
      {"  COMInfo ", " COM num ", "12"},
      {"COMInfo", "Gain", std::nullopt},  // a comment is not a key
      {"Damaged", "Gain", "8"},           // a header without "]" still opens its section
      {"COMInfo", "Late", std::nullopt},  // only the first section of a name counts
      {"", "orphan", std::nullopt},       // keys before any section belong to none
      {"COMInfo", "this line has no equals sign", std::nullopt},
      {"Last", "Tail", "-50"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(store.ReadString(c.section, c.key, "default"), c.value.value_or("default"));
  }
  EXPECT_EQ(store.ReadInt("Last", "Tail", 0), -50);
}

TEST_F(SettingsStoreTest, ReadsValuesByTheLeadingNumberRule) {
  const std::string longText(300, '7');
  Put("[V]\n"
      "neg=-50\n"
      "word=abc\n"
      "empty=\n"
      "suffix=12abc\n"
      "plus=+5\n"
      "spaced=- 5\n"
      "big=99999999999999999999\n"
      "long=" +
      longText + "\n" + std::string("nul=4") + std::string(1, '\0') + "2\n");
  SettingsStore store(dir_);
  struct Case {
    const char* key;
    int number;
  };
  const Case cases[] = {{"neg", -50}, {"word", 0},   {"empty", 0},        {"suffix", 12},
                        {"plus", 0},  {"spaced", 0}, {"big", 2147483647}, {"nul", 4}};
  for (const Case& c : cases) {
    EXPECT_EQ(store.ReadInt("V", c.key, 77), c.number) << c.key;
  }
  EXPECT_EQ(store.ReadString("V", "empty", "d"), "");
  EXPECT_EQ(store.ReadString("V", "long", ""), longText.substr(0, 259));
  EXPECT_EQ(store.ReadString("V", "nul", ""), "4");
  EXPECT_EQ(store.ReadString("V", "absent", longText).size(), 259u);
}

TEST_F(SettingsStoreTest, WriteReplacesInPlaceAndKeepsEveryOtherLine) {
  const std::string before =
      "; kept as it is\n"
      "[ColorInfo]\n"
      "  bgcolor = 300   \n"
      "junk without equals\n"
      "TColor=1\n"
      "\n"
      "[Other]\n"
      "BGColor=5\n"
      "\t\n";
  Put(before);
  SettingsStore store(dir_);
  ASSERT_TRUE(store.WriteString("COLORINFO", "BGColor", "13")) << store.LastError();
  EXPECT_EQ(Get(),
            "; kept as it is\n"
            "[ColorInfo]\n"
            "  bgcolor = 13   \n"
            "junk without equals\n"
            "TColor=1\n"
            "\n"
            "[Other]\n"
            "BGColor=5\n"
            "\t\n");
  EXPECT_EQ(store.LastError(), "");
  EXPECT_THAT(Entries(), ::testing::ElementsAre("TEVARO.ini"));
}

TEST_F(SettingsStoreTest, WriteAppendsKeysToTheirSectionAndSectionsToTheEnd) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"no file", "", "[ALARMInfo]\nTEMPLOW=-5\n"},
      {"after the last key, before blank lines and comments",
       "[ALARMInfo]\nTEMPHI=40\n\n; next: a=1\n[Next]\na=1\n",
       "[ALARMInfo]\nTEMPHI=40\nTEMPLOW=-5\n\n; next: a=1\n[Next]\na=1\n"},
      {"section without keys", "[ALARMInfo]\n\n[Next]\n", "[ALARMInfo]\nTEMPLOW=-5\n\n[Next]\n"},
      {"new section at the end", "[Next]\na=1\n", "[Next]\na=1\n[ALARMInfo]\nTEMPLOW=-5\n"},
      {"last line without a line break", "[ALARMInfo]\nTEMPHI=40", "[ALARMInfo]\nTEMPHI=40\nTEMPLOW=-5\n"},
      {"CRLF file stays CRLF", "[Next]\r\na=1\r\n", "[Next]\r\na=1\r\n[ALARMInfo]\r\nTEMPLOW=-5\r\n"},
      {"CRLF key line", "[ALARMInfo]\r\nTEMPLOW=7\r\n", "[ALARMInfo]\r\nTEMPLOW=-5\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(FilePath());
    if (!c.before.empty()) Put(c.before);
    SettingsStore store(dir_);
    ASSERT_TRUE(store.WriteString("ALARMInfo", "TEMPLOW", "-5")) << store.LastError();
    EXPECT_EQ(Get(), c.after);
    EXPECT_EQ(store.ReadString("ALARMInfo", "TEMPLOW", ""), "-5");
  }
}

TEST_F(SettingsStoreTest, WriteKeepsValuesAndNamesToSingleLines) {
  Put("[S]\nk=1\n");
  SettingsStore store(dir_);
  ASSERT_TRUE(store.WriteString("S", "k", "2\n[Evil]\nx=1"));
  EXPECT_EQ(Get(), "[S]\nk=2\n");

  for (const auto& [section, key] : std::vector<std::pair<std::string, std::string>>{
           {"S", "a=b"}, {"S", "line\nbreak"}, {"S]x", "k"}, {"S", ""}, {"", "k"}, {"S", "[k"}}) {
    EXPECT_FALSE(store.WriteString(section, key, "v")) << section << "/" << key;
    EXPECT_THAT(store.LastError(), HasSubstr(FilePath()));
  }
  EXPECT_EQ(Get(), "[S]\nk=2\n");
}

TEST_F(SettingsStoreTest, BatchWriteEqualsSingleWritesInOrder) {
  const std::string start =
      "; hand made\r\n[b]\r\nx = 1\r\n\r\n[A]\r\nold=0\r\n[b]\r\nx=2\r\nbroken line\r\n[C]";
  const std::vector<SettingsEntry> entries = {
      {"A", "new", "1"}, {"B", "X", "9"},     {"Fresh", "k", "v"}, {"a", "NEW", "2"},
      {"C", "c", "3"},   {"fresh", "k2", ""}, {"A", "old", "-1"},
  };
  Put(start);
  SettingsStore store(dir_);
  for (const SettingsEntry& e : entries) ASSERT_TRUE(store.WriteString(e.section, e.key, e.value));
  const std::string oneByOne = Get();

  Put(start);
  ASSERT_TRUE(store.WriteStrings(entries)) << store.LastError();
  EXPECT_EQ(Get(), oneByOne);
  EXPECT_EQ(oneByOne,
            "; hand made\r\n[b]\r\nx = 9\r\n\r\n[A]\r\nold=-1\r\nnew=2\r\n[b]\r\nx=2\r\nbroken line\r\n"
            "[C]\r\nc=3\r\n[Fresh]\r\nk=v\r\nk2=\r\n");
}

TEST_F(SettingsStoreTest, EachReadSeesTheFileAsItIsNow) {
  SettingsStore store(dir_);
  Put("[S]\nk=1\n");
  EXPECT_EQ(store.ReadInt("S", "k", 0), 1);
  Put("[S]\nk=2\n");
  EXPECT_EQ(store.ReadInt("S", "k", 0), 2);
}

TEST_F(SettingsStoreTest, FailedWriteLeavesTheOldFileAndSaysWhy) {
  const std::string old = "[S]\nk=1\n";
  Put(old);
  struct Case {
    std::string name;
    std::string dir;
    const char* reason;
  };
  std::vector<Case> cases = {
      {"missing folder", dir_ + "/missing", "No such file or directory"},
      {"folder is a file", FilePath(), "Not a directory"},
  };
  if (::geteuid() != 0) cases.push_back({"read-only folder", dir_, "Permission denied"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.name == "read-only folder") fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
    SettingsStore store(c.dir);
    EXPECT_FALSE(store.WriteString("S", "k", "2"));
    EXPECT_THAT(store.LastError(), HasSubstr(store.Path()));
    EXPECT_THAT(store.LastError(), HasSubstr(c.reason));
    EXPECT_FALSE(store.WriteStrings({{"S", "k", "2"}}));
    fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(Get(), old);
    EXPECT_THAT(Entries(), ::testing::ElementsAre("TEVARO.ini"));
  }
}

TEST_F(SettingsStoreTest, OddFilesNeitherCrashNorHang) {
  std::mt19937 random(7740);
  std::string binary(64 * 1024, '\0');
  for (char& c : binary) c = static_cast<char>(random());

  // A file with NUL bytes and binary noise is still a text of lines: a write keeps it.
  const std::string withNul = std::string("[S]\nk=1\n\0\0\0junk\n", 16) + binary;
  Put(withNul);
  SettingsStore store(dir_);
  EXPECT_EQ(store.ReadInt("S", "k", 5), 1);
  EXPECT_EQ(store.ReadInt("Z", "k", 5), 5);
  ASSERT_TRUE(store.WriteString("S", "k", "2")) << store.LastError();
  std::string expected = withNul;
  expected[6] = '2';
  EXPECT_EQ(Get(), expected);

  // Something that is not a settings file we could have written: defaults, and no write.
  const auto check = [&](const std::string& what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(store.ReadInt("S", "k", 5), 5);
    EXPECT_EQ(store.ReadString("S", "k", "d"), "d");
    EXPECT_FALSE(store.WriteString("S", "k", "3"));
    EXPECT_THAT(store.LastError(), HasSubstr(FilePath()));
  };
  fs::remove(FilePath());
  {
    std::ofstream(FilePath(), std::ios::binary) << "[S]\nk=1\n";
    fs::resize_file(FilePath(), 64ull * 1024 * 1024);  // sparse, so cheap
  }
  check("huge file");
  EXPECT_EQ(fs::file_size(FilePath()), 64ull * 1024 * 1024);

  fs::remove(FilePath());
  fs::create_directory(FilePath());
  check("directory");

  fs::remove(FilePath());
  ASSERT_EQ(::mkfifo(FilePath().c_str(), 0600), 0);
  check("named pipe");
}

// Files no editor of ours would write: each is read as lines, and a write changes only its key.
TEST_F(SettingsStoreTest, UnusualLayoutsAreReadAndKeptByteForByte) {
  std::string manyLines;
  for (int i = 0; i < 10000; ++i)
    manyLines += "[S" + std::to_string(i % 7) + "]\nline" + std::to_string(i) + "=x\n";
  const std::string longForeign = "note=" + std::string(200000, 'n') + "\n";
  const std::string longOwned(100000, '5');
  struct Case {
    const char* name;
    std::string before;
    std::string readValue;  // of COMInfo/COM num
    std::string after;      // once COM num is 7 and New/k is 1
  };
  const Case cases[] = {
      {"CR-only line ends", "[COMInfo]\rCOM num=5\r[Other]\rx=1\r", "5",
       "[COMInfo]\rCOM num=7\r[Other]\rx=1\r[New]\rk=1\r"},
      // Found by fuzzing: a key added before an empty LF line once ate that line.
      {"mixed line ends", "[New]\rj=1\n\n[COMInfo]\nCOM num=5\n", "5",
       "[New]\rj=1\nk=1\r\n\n[COMInfo]\nCOM num=7\n"},
      {"CR-only, last line unterminated", "[COMInfo]\rCOM num=5", "5", "[COMInfo]\rCOM num=7\r[New]\rk=1\r"},
      {"10,000 lines, the key at the end", manyLines + "[COMInfo]\nCOM num=9\n", "9",
       manyLines + "[COMInfo]\nCOM num=7\n[New]\nk=1\n"},
      {"over-long lines", longForeign + "[COMInfo]\n" + longForeign + "COM num=" + longOwned + "\n",
       longOwned.substr(0, 259), longForeign + "[COMInfo]\n" + longForeign + "COM num=7\n[New]\nk=1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Put(c.before);
    SettingsStore store(dir_);
    EXPECT_EQ(store.ReadString("COMInfo", "COM num", "none"), c.readValue);
    ASSERT_TRUE(store.WriteStrings({{"COMInfo", "COM num", "7"}, {"New", "k", "1"}})) << store.LastError();
    EXPECT_EQ(Get(), c.after);
    EXPECT_EQ(store.ReadInt("COMInfo", "COM num", 0), 7);
  }
}

// The settings rewrite made to fail at each file-system call: the old file stays, no temporary
// is left, and the reason reaches the caller.
TEST_F(SettingsStoreTest, RewriteFailingAtAnyCallKeepsTheOldFile) {
  const std::string old = "; kept\n[COMInfo]\nCOM num=4\n";
  const int points =
      test::ForEachFailurePoint([&](test::FaultyFileSystem& faulty, const test::FailurePoint& p) {
        Put(old);
        SettingsStore store(dir_);
        bool ok = false;
        {
          ScopedFileSystem scoped(faulty);
          ok = store.WriteStrings({{"COMInfo", "COM num", "5"}, {"VIEWInfo", "VIEW1", "1"}});
        }
        if (faulty.Hits() == 0) {
          EXPECT_TRUE(ok) << store.LastError();
          return;
        }
        SCOPED_TRACE(std::string(test::CallName(p.call)) + " #" + std::to_string(p.nth));
        EXPECT_FALSE(ok);
        EXPECT_THAT(store.LastError(), HasSubstr(std::strerror(p.err)));
        EXPECT_THAT(store.LastError(), HasSubstr(store.Path()));
        EXPECT_EQ(Get(), old);
        EXPECT_THAT(Entries(), ::testing::ElementsAre("TEVARO.ini"));
      });
  EXPECT_EQ(points, 6 * 3);  // one create, write, sync, close, rename and folder sync
}

TEST_F(SettingsStoreTest, WriteKeepsPermissionsAndSymbolicLinks) {
  Put("[S]\nk=1\n");
  fs::permissions(FilePath(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  SettingsStore store(dir_);
  ASSERT_TRUE(store.WriteString("S", "k", "2"));
  EXPECT_EQ(fs::status(FilePath()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  fs::create_directory(dir_ + "/real");
  fs::rename(FilePath(), dir_ + "/real/shared.ini");
  fs::create_symlink("real/shared.ini", FilePath());
  ASSERT_TRUE(store.WriteString("S", "k", "3")) << store.LastError();
  EXPECT_TRUE(fs::is_symlink(FilePath()));
  EXPECT_EQ(Get(), "[S]\nk=3\n");
}

TEST(SettingsDirectoryTest, FollowsTheEnvironmentAtEachAccess) {
  const char* saved = std::getenv("K7740_SETTINGS_DIR");
  const std::optional<std::string> restore = saved ? std::optional<std::string>(saved) : std::nullopt;

  ::unsetenv("K7740_SETTINGS_DIR");
  EXPECT_EQ(SettingsDirectory(), "/var/lib/k7740");
  SettingsStore store;
  EXPECT_EQ(store.Path(), "/var/lib/k7740/TEVARO.ini");
  ::setenv("K7740_SETTINGS_DIR", "", 1);
  EXPECT_EQ(SettingsDirectory(), "/var/lib/k7740");
  ::setenv("K7740_SETTINGS_DIR", "/tmp/elsewhere/", 1);
  EXPECT_EQ(SettingsDirectory(), "/tmp/elsewhere/");
  EXPECT_EQ(store.Path(), "/tmp/elsewhere/TEVARO.ini");
  EXPECT_EQ(SettingsStore("/given").Path(), "/given/TEVARO.ini");

  if (restore) {
    ::setenv("K7740_SETTINGS_DIR", restore->c_str(), 1);
  } else {
    ::unsetenv("K7740_SETTINGS_DIR");
  }
}

}  // namespace
}  // namespace k7740
