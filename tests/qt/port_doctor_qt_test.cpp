// The port doctor on the real serial-port library: the reason a refused port gives the device
// windows, and k7740-cli ports against the simulator.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSerialPort>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "link/qt/qt_serial_port.h"

namespace k7740 {
namespace {

using ::testing::HasSubstr;

std::string RunCommand(const std::string& command, int* status) {
  std::string out;
  if (std::FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    *status = ::pclose(p);
  }
  return out;
}

// Another copy of the program with the terminal open through the serial-port library, which
// leaves its lock file: the way a second k7740 holds a port.
TEST(QtSerialPortDoctor, PortHeldByAnotherCopyNamesItInsteadOfTheGroup) {
  int master = -1, slave = -1;
  char name[128];
  ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
  int ready[2], done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(ready[0]);
    ::close(done[1]);
    ::close(master);
    ::close(slave);
    ::prctl(PR_SET_NAME, "k7740");
    QSerialPort port;
    port.setPortName(QString::fromLatin1(name));
    if (!port.open(QIODevice::ReadWrite)) ::_exit(4);
    char c = 1;
    (void)!::write(ready[1], &c, 1);
    (void)!::read(done[0], &c, 1);
    port.close();
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(done[0]);
  char c = 0;
  const bool held = ::read(ready[0], &c, 1) == 1;
  ::close(ready[0]);

  std::string text;
  OpenError why = OpenError::None;
  if (held) {
    ::setenv("K7740_SERIAL_PORTS", name, 1);
    QtSerialPort port;
    port.selectPort(1);
    EXPECT_FALSE(port.open());
    text = port.errorText();
    why = port.lastOpenError();
    ::unsetenv("K7740_SERIAL_PORTS");
  }
  ::close(done[1]);
  ::waitpid(child, nullptr, 0);
  ::close(slave);
  ::close(master);
  ASSERT_TRUE(held) << "the other copy could not open " << name;
  EXPECT_EQ(why, OpenError::Busy);
  EXPECT_EQ(text, std::string(name) + " is in use by k7740 (pid " + std::to_string(child) +
                      "): close that program and try again.");
}

TEST(QtSerialPortDoctor, CliPortsOnTheSimulatorAndOnNothing) {
  namespace fs = std::filesystem;
  const std::string bin = K7740_BINARY_DIR;
  char tmpl[] = "/tmp/k7740-ports-XXXXXX";
  const fs::path dir = ::mkdtemp(tmpl);
  const fs::path link = dir / "logger";
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  const pid_t sim = ::fork();
  if (sim == 0) {
    ::dup2(out[1], 1);
    ::close(out[0]);
    ::execl((bin + "/k7740-sim").c_str(), "k7740-sim", "--link", link.c_str(), "--quiet", nullptr);
    ::_exit(127);
  }
  ::close(out[1]);
  // The simulator prints its terminal once the link is in place.
  std::string line;
  for (char c; ::read(out[0], &c, 1) == 1 && c != '\n';) line += c;

  int status = -1;
  const std::string cli = bin + "/k7740-cli";
  const std::string json = RunCommand(
      "K7740_SERIAL_PORTS=" + link.string() + ":" + (dir / "none").string() + " " + cli + " ports --json",
      &status);
  ::kill(sim, SIGTERM);
  ::waitpid(sim, nullptr, 0);
  ::close(out[0]);
  fs::remove_all(dir);
  ASSERT_THAT(line, HasSubstr("/dev/pts/"));
  EXPECT_EQ(status, 0);
  // The simulator holds both ends of its terminal; it is the line's partner, not a rival.
  EXPECT_THAT(
      json,
      HasSubstr("\"device\": \"" + line +
                "\", \"adapter\": null, \"by_id\": null, \"opens\": true, "
                "\"state\": \"opens\", \"reason\": null, \"fix\": null, \"holders\": [], \"note\": null"));
  EXPECT_THAT(json, HasSubstr("\"port\": 2, \"path\": \"" + (dir / "none").string() +
                              "\", \"exists\": false, \"device\": null, \"adapter\": null, \"by_id\": null, "
                              "\"opens\": false, \"state\": \"missing\", \"reason\": \"No serial device at"));

  const std::string usage = RunCommand(cli + " ports --bogus 2>&1", &status);
  EXPECT_EQ(WEXITSTATUS(status), 2);
  EXPECT_THAT(usage, HasSubstr("ports takes only --json"));
}

}  // namespace
}  // namespace k7740
