#include "link/port_doctor.h"

#include <fcntl.h>
#include <grp.h>
#include <pty.h>
#include <pwd.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace k7740 {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// A machine described in the test: files, open results, holders, groups, adapters.
struct FakeFacts : PortFacts {
  std::map<std::string, FileFacts> files;
  std::map<std::string, int> openErrors;  // absent: opens
  std::map<std::string, std::vector<ProcessInfo>> held;
  std::vector<std::pair<std::string, std::string>> links;
  std::vector<std::string> session{"user"};
  std::vector<std::string> account{"user"};
  std::vector<std::string> running;
  std::vector<AdapterInfo> present;
  mutable int opens = 0;

  void device(const std::string& path, const std::string& group = "dialout", unsigned mode = 0660) {
    FileFacts f;
    f.exists = true;
    f.isCharDevice = true;
    f.realPath = path;
    f.group = group;
    f.mode = mode;
    files[path] = f;
  }
  FileFacts file(const std::string& path) const override {
    auto it = files.find(path);
    return it == files.end() ? FileFacts{} : it->second;
  }
  int tryOpen(const std::string& path) const override {
    ++opens;
    auto it = openErrors.find(path);
    return it == openErrors.end() ? 0 : it->second;
  }
  std::vector<std::pair<std::string, std::string>> byIdLinks() const override { return links; }
  std::vector<ProcessInfo> holders(const std::string&, const std::string& realPath) const override {
    auto it = held.find(realPath);
    return it == held.end() ? std::vector<ProcessInfo>{} : it->second;
  }
  std::vector<std::string> sessionGroups() const override { return session; }
  std::vector<std::string> accountGroups() const override { return account; }
  bool isRunning(const std::string& name) const override {
    return std::find(running.begin(), running.end(), name) != running.end();
  }
  std::vector<AdapterInfo> adapters() const override { return present; }
};

constexpr const char* kUsb0 = "/dev/ttyUSB0";

TEST(PortDoctor, EachStateHasItsReasonAndFix) {
  struct Case {
    const char* name;
    std::function<void(FakeFacts&)> arrange;
    PortState state;
    const char* sentence;
  };
  const Case cases[] = {
      {"missing", [](FakeFacts&) {}, PortState::Missing,
       "No serial device at /dev/ttyUSB0: plug in the logger's cable."},
      {"dangling link",
       [](FakeFacts& f) {
         FileFacts l;
         l.isLink = true;
         l.linkTarget = "/dev/pts/9";
         f.files[kUsb0] = l;
       },
       PortState::Missing,
       "No serial device at /dev/ttyUSB0 (it is a symbolic link to /dev/pts/9, which does not exist): plug "
       "in "
       "the logger's cable."},
      {"not in the group",
       [](FakeFacts& f) {
         f.device(kUsb0);
         f.openErrors[kUsb0] = EACCES;
       },
       PortState::Permission,
       "Permission denied on /dev/ttyUSB0: add your user to the 'dialout' group (sudo usermod -aG dialout "
       "$USER), then log in again."},
      {"account has the group, the session not yet",
       [](FakeFacts& f) {
         f.device(kUsb0);
         f.openErrors[kUsb0] = EACCES;
         f.account.push_back("dialout");
       },
       PortState::Permission,
       "Permission denied on /dev/ttyUSB0: your account is in the 'dialout' group, but this login session is "
       "not yet: log out and in again (or start a shell with 'newgrp dialout')."},
      {"another group on another system",
       [](FakeFacts& f) {
         f.device(kUsb0, "uucp");
         f.openErrors[kUsb0] = EACCES;
       },
       PortState::Permission,
       "Permission denied on /dev/ttyUSB0: add your user to the 'uucp' group (sudo usermod -aG uucp $USER), "
       "then "
       "log in again."},
      {"owner only",
       [](FakeFacts& f) {
         f.device(kUsb0, "root", 0600);
         f.openErrors[kUsb0] = EACCES;
       },
       PortState::Permission,
       "Permission denied on /dev/ttyUSB0: only its owner may open it (mode 0600, group root); give it to "
       "the "
       "'dialout' group: sudo chgrp dialout /dev/ttyUSB0 && sudo chmod 660 /dev/ttyUSB0."},
      {"busy, holder seen",
       [](FakeFacts& f) {
         f.device(kUsb0);
         f.openErrors[kUsb0] = EBUSY;
         f.held[kUsb0] = {{812, "minicom", false, false}};
       },
       PortState::Busy, "/dev/ttyUSB0 is in use by minicom (pid 812): close that program and try again."},
      {"busy, holder unseen while ModemManager runs",
       [](FakeFacts& f) {
         f.device(kUsb0);
         f.openErrors[kUsb0] = EBUSY;
         f.running = {"ModemManager"};
       },
       PortState::Busy,
       "/dev/ttyUSB0 is in use by another program: ModemManager is running; it probes new serial adapters "
       "and "
       "may hold the logger's port for a while. If no modem is used: sudo systemctl disable --now "
       "ModemManager."},
      {"a lock left by a live copy of the program stops us although the device opens",
       [](FakeFacts& f) {
         f.device(kUsb0);
         f.held[kUsb0] = {{77, "k7740", false, true}};
       },
       PortState::Busy, "/dev/ttyUSB0 is in use by k7740 (pid 77): close that program and try again."},
      {"the far end of a pseudo-terminal is no rival",
       [](FakeFacts& f) {
         f.device(kUsb0);
         f.held[kUsb0] = {{90, "k7740-sim", true, false}};
       },
       PortState::Opens, ""},
      {"other failure",
       [](FakeFacts& f) {
         f.device(kUsb0);
         f.openErrors[kUsb0] = EIO;
       },
       PortState::Failed, "Cannot open /dev/ttyUSB0: Input/output error."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeFacts facts;
    c.arrange(facts);
    const PortReport r = DiagnosePort(facts, 5, kUsb0);
    EXPECT_EQ(r.state, c.state);
    EXPECT_EQ(r.Sentence(), c.sentence);
    EXPECT_TRUE(r.note.empty()) << r.note;
  }
}

TEST(PortDoctor, OpensButSharedIsANoteNotAFailure) {
  FakeFacts facts;
  facts.device(kUsb0);
  facts.held[kUsb0] = {{812, "screen", false, false}};
  const PortReport r = DiagnosePort(facts, 5, kUsb0);
  EXPECT_EQ(r.state, PortState::Opens);
  EXPECT_EQ(r.note, "also open in screen (pid 812), which may take the logger's replies");
  ASSERT_EQ(r.holders.size(), 1u);
}

TEST(PortDoctor, AdapterFactsAndStableNameFollowTheDevice) {
  FakeFacts facts;
  facts.device("/dev/ttyUSB1");
  facts.files["/dev/logger"] = facts.files["/dev/ttyUSB1"];
  facts.files["/dev/logger"].isLink = true;
  facts.links = {{"/dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0", "/dev/ttyUSB1"}};
  facts.present = {{"/dev/ttyUSB1", "FT232R USB UART", "FTDI", 0x0403, 0x6001, "A1B2"}};
  const PortsDiagnosis d = DiagnosePorts(facts, {"/dev/logger"});
  ASSERT_EQ(d.ports.size(), 1u);
  EXPECT_EQ(d.ports[0].realPath, "/dev/ttyUSB1");
  EXPECT_TRUE(d.ports[0].hasAdapter);
  EXPECT_EQ(d.ports[0].byId, "/dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0");
  EXPECT_TRUE(d.unreached.empty()) << "the link reaches the adapter";
  EXPECT_THAT(PortsText(d), HasSubstr("[FT232R USB UART, USB 0403:6001, serial A1B2, /dev/serial/by-id/"));
  EXPECT_THAT(PortsJson(d),
              HasSubstr("\"vendor_id\": \"0403\", \"product_id\": \"6001\", \"serial_number\": "
                        "\"A1B2\"}, \"by_id\": \"/dev/serial/by-id/usb-FTDI_FT232R_A1B2-if00-port0\""));
}

std::vector<std::string> DefaultTable() {
  std::vector<std::string> t;
  for (int i = 0; i < 4; ++i) t.push_back("/dev/ttyS" + std::to_string(i));
  for (int i = 0; i < 8; ++i) t.push_back("/dev/ttyUSB" + std::to_string(i));
  for (int i = 0; i < 4; ++i) t.push_back("/dev/ttyACM" + std::to_string(i));
  return t;
}

TEST(PortDoctor, DevicesBeyondTheTableAreNamedWithTheSettingThatReachesThem) {
  FakeFacts facts;
  facts.device("/dev/ttyS0");
  facts.device("/dev/ttyUSB8");
  facts.device("/dev/ttyAMA0");
  facts.links = {{"/dev/serial/by-id/usb-Prolific-if00", "/dev/ttyUSB8"}};
  facts.present = {{"/dev/ttyS0", "", "", -1, -1, ""},
                   {"/dev/ttyUSB8", "USB-Serial Controller", "Prolific", 0x067b, 0x2303, ""},
                   {"/dev/ttyAMA0", "", "", -1, -1, ""}};
  const PortsDiagnosis d = DiagnosePorts(facts, DefaultTable());
  ASSERT_EQ(d.unreached.size(), 2u);
  EXPECT_EQ(d.unreached[0].beyond, "beyond port 12");
  EXPECT_EQ(d.unreached[0].setting, "K7740_SERIAL_PORTS=/dev/serial/by-id/usb-Prolific-if00");
  EXPECT_EQ(d.unreached[1].beyond, "beyond the port table");
  EXPECT_EQ(d.unreached[1].setting, "K7740_SERIAL_PORTS=/dev/ttyAMA0");

  const int opensBefore = facts.opens;
  EXPECT_EQ(
      NoLoggerHint(facts, DefaultTable()),
      "No serial port found; the logger's adapter appears as /dev/ttyUSB8, beyond port 12: start the program "
      "with K7740_SERIAL_PORTS=/dev/serial/by-id/usb-Prolific-if00 to reach it as port 1.");
  EXPECT_EQ(facts.opens, opensBefore) << "the hint is asked at every failed scan and opens nothing";
}

TEST(PortDoctor, RivalProgramsAreWarnedAbout) {
  FakeFacts facts;
  EXPECT_TRUE(DiagnosePorts(facts, DefaultTable()).warnings.empty());
  EXPECT_THAT(PortsText(DiagnosePorts(facts, DefaultTable())),
              HasSubstr("No port of the table has a device: plug in the logger's cable."));
  EXPECT_EQ(NoLoggerHint(facts, DefaultTable()), "");
  facts.running = {"brltty", "ModemManager"};
  const PortsDiagnosis d = DiagnosePorts(facts, DefaultTable());
  ASSERT_EQ(d.warnings.size(), 2u);
  EXPECT_THAT(PortsText(d), HasSubstr("Warning: ModemManager is running"));
  EXPECT_THAT(PortsText(d), HasSubstr("Warning: brltty is running"));
  // With nothing beyond the table, brltty (which makes adapters vanish) is where the logger went.
  EXPECT_THAT(NoLoggerHint(facts, DefaultTable()), HasSubstr("No serial port found; brltty is running"));
}

TEST(PortDoctor, JsonEscapesAndListsEveryPort) {
  FakeFacts facts;
  facts.device("/tmp/a\"b");
  facts.openErrors["/tmp/a\"b"] = EBUSY;
  facts.held["/tmp/a\"b"] = {{5, "odd\\name", false, false}};
  const std::string json = PortsJson(DiagnosePorts(facts, {"/tmp/a\"b", ""}));
  EXPECT_THAT(json, HasSubstr("\"path\": \"/tmp/a\\\"b\""));
  EXPECT_THAT(json, HasSubstr("\"holders\": [{\"pid\": 5, \"name\": \"odd\\\\name\"}]"));
  EXPECT_THAT(json, HasSubstr("{\"port\": 2, \"path\": null, \"exists\": false"));
  EXPECT_THAT(json, HasSubstr("\"state\": \"unassigned\""));
}

// ---- The machine's own facts ----

struct Pty {
  int master = -1, slave = -1;
  std::string path;
  Pty() {
    char name[128];
    if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
  }
  ~Pty() {
    if (slave >= 0) ::close(slave);
    if (master >= 0) ::close(master);
  }
};

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/k7740-doctor-XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// A child that keeps the terminal open (exclusively, as a terminal program would) until the test
// closes its pipe. Its own end of the pipe tells when it holds the terminal.
struct Holder {
  pid_t pid = -1;
  int release = -1;
  Holder(const Pty& pty, uid_t uid) {
    const std::string path = pty.path;
    int ready[2], done[2];
    if (::pipe(ready) != 0 || ::pipe(done) != 0) return;
    pid = ::fork();
    if (pid == 0) {
      // Only the terminal's own end: holding the master too would make it the line's partner.
      ::close(pty.master);
      ::close(pty.slave);
      ::close(ready[0]);
      ::close(done[1]);
      ::prctl(PR_SET_NAME, "port-holder");
      if (uid != 0 && (::setgroups(0, nullptr) != 0 || ::setgid(uid) != 0 || ::setuid(uid) != 0)) ::_exit(3);
      const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
      if (fd < 0 || ::ioctl(fd, TIOCEXCL) != 0) ::_exit(4);
      char c = 1;
      (void)!::write(ready[1], &c, 1);
      (void)!::read(done[0], &c, 1);
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(done[0]);
    release = done[1];
    char c = 0;
    if (::read(ready[0], &c, 1) != 1) pid = -1;
    ::close(ready[0]);
  }
  ~Holder() {
    if (release >= 0) ::close(release);
    if (pid > 0) ::waitpid(pid, nullptr, 0);
  }
};

TEST(SystemPortFacts, MissingPathAndStableNameFolder) {
  TempDir dir;
  Pty pty;
  ASSERT_FALSE(pty.path.empty());
  SystemPortFacts::Places places;
  places.byIdDir = dir.path() + "/by-id";
  places.lockDirs = {dir.path()};
  std::filesystem::create_directory(places.byIdDir);
  const std::string stable = places.byIdDir + "/usb-Test_Logger_0001-if00-port0";
  std::filesystem::create_symlink(pty.path, stable);
  // The user's own link to the terminal, as k7740-sim --link makes one.
  const std::string own = dir.path() + "/logger";
  std::filesystem::create_symlink(pty.path, own);
  const SystemPortFacts facts(places);

  const PortsDiagnosis d = DiagnosePorts(facts, {dir.path() + "/none", own});
  ASSERT_EQ(d.ports.size(), 2u);
  EXPECT_EQ(d.ports[0].state, PortState::Missing);
  EXPECT_FALSE(d.ports[0].exists);
  EXPECT_EQ(d.ports[1].state, PortState::Opens) << d.ports[1].Sentence();
  EXPECT_EQ(d.ports[1].realPath, pty.path);
  EXPECT_EQ(d.ports[1].byId, stable);
  EXPECT_TRUE(d.ports[1].holders.empty()) << "this process is not counted";
}

TEST(SystemPortFacts, TerminalHeldByAnotherProcessIsNamed) {
  TempDir dir;
  Pty pty;
  ASSERT_FALSE(pty.path.empty());
  SystemPortFacts::Places places;
  places.lockDirs = {dir.path()};
  Holder holder(pty, ::getuid());
  ASSERT_GT(holder.pid, 0);
  const PortReport r = DiagnosePort(SystemPortFacts(places), 1, pty.path);
  // Privilege passes an exclusive open, so root sees a shared port; anyone else a busy one.
  if (::geteuid() == 0) {
    EXPECT_EQ(r.state, PortState::Opens);
    EXPECT_THAT(r.note, HasSubstr("port-holder (pid " + std::to_string(holder.pid) + ")"));
  } else {
    EXPECT_EQ(r.state, PortState::Busy);
    EXPECT_THAT(r.Sentence(), HasSubstr("in use by port-holder"));
  }
}

TEST(SystemPortFacts, LockFileOfALiveProgramMakesThePortBusy) {
  TempDir dir;
  Pty pty;
  ASSERT_FALSE(pty.path.empty());
  Holder holder(pty, ::getuid());
  ASSERT_GT(holder.pid, 0);
  SystemPortFacts::Places places;
  places.lockDirs = {dir.path()};
  const std::string link = dir.path() + "/logger";
  std::filesystem::create_symlink(pty.path, link);
  // The serial-port library's lock: pid, program, host; named after the path it opened.
  std::string lockName = "LCK.." + link;
  std::replace(lockName.begin() + 5, lockName.end(), '/', '_');
  {
    std::FILE* f = std::fopen((dir.path() + "/" + lockName).c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fprintf(f, "%d\nk7740\nhost\n", static_cast<int>(holder.pid));
    std::fclose(f);
  }
  const PortReport r = DiagnosePort(SystemPortFacts(places), 1, link);
  EXPECT_EQ(r.state, PortState::Busy);
  EXPECT_EQ(r.Sentence(), link + " is in use by port-holder (pid " + std::to_string(holder.pid) +
                              "): close that program and try again.");
}

// The permission check as an unprivileged user: only possible when this process may drop to nobody.
TEST(SystemPortFacts, PermissionDeniedForAnUnprivilegedUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become nobody";
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no user nobody";
  const group* dialout = ::getgrnam("dialout");
  if (dialout == nullptr) GTEST_SKIP() << "no group dialout";
  Pty pty;
  ASSERT_FALSE(pty.path.empty());
  ASSERT_EQ(::chown(pty.path.c_str(), 0, dialout->gr_gid), 0);
  ASSERT_EQ(::chmod(pty.path.c_str(), 0660), 0);
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    if (::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
      ::_exit(3);
    const std::string text = DiagnosePort(SystemPortFacts(), 1, pty.path).Sentence();
    (void)!::write(out[1], text.data(), text.size());
    ::_exit(0);
  }
  ::close(out[1]);
  std::string text;
  char buf[512];
  for (ssize_t n; (n = ::read(out[0], buf, sizeof buf)) > 0;) text.append(buf, static_cast<size_t>(n));
  ::close(out[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_EQ(
      text,
      "Permission denied on " + pty.path +
          ": add your user to the 'dialout' group (sudo usermod -aG dialout $USER), then log in again.");
}

}  // namespace
}  // namespace k7740
