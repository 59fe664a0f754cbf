// k7740-sim as a separate process, talked to through its pseudo-terminal like a serial port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

const std::string kSim = K7740_BINARY_DIR "/k7740-sim";

// One run of the simulator with its standard output and error on pipes.
class SimProcess {
 public:
  explicit SimProcess(std::vector<std::string> args) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], STDOUT_FILENO);
      dup2(err[1], STDERR_FILENO);
      close(out[0]);
      close(err[0]);
      std::vector<char*> argv{const_cast<char*>(kSim.c_str())};
      for (auto& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(kSim.c_str(), argv.data());
      _exit(127);
    }
    close(out[1]);
    close(err[1]);
    out_ = out[0];
    err_ = err[0];
  }
  ~SimProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
    if (err_ >= 0) close(err_);
  }

  // The first line of standard output, or "" after timeoutMs.
  std::string FirstLine(int timeoutMs = 5000) {
    std::string line;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) continue;
      char c;
      if (read(out_, &c, 1) != 1) break;
      if (c == '\n') return line;
      line += c;
    }
    return {};
  }

  // Sends SIGTERM (or nothing, for a process that ends by itself) and returns the exit code,
  // -1 if it did not end within timeoutMs or ended by a signal.
  int Wait(bool terminate, int timeoutMs = 5000) {
    if (terminate) kill(pid_, SIGTERM);
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (Clock::now() < end) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  std::string AllOutput() { return Drain(out_); }
  std::string AllErrors() { return Drain(err_); }

 private:
  static std::string Drain(int fd) {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = read(fd, buf, sizeof buf)) > 0) s.append(buf, static_cast<size_t>(n));
    return s;
  }
  pid_t pid_ = -1;
  int out_ = -1, err_ = -1;
  bool exited_ = false;
};

// Opens the terminal the way a serial program does: raw, 9600 baud.
int OpenRaw(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
  if (fd < 0) return -1;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, B9600);
  cfsetospeed(&t, B9600);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

// Writes the request and reads until n bytes arrived or timeoutMs passed.
Bytes Exchange(int fd, const Bytes& request, size_t n, int timeoutMs = 3000) {
  if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size())) return {};
  Bytes got;
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got.size() < n && Clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    uint8_t buf[1024];
    const ssize_t r = read(fd, buf, sizeof buf);
    if (r > 0) got.insert(got.end(), buf, buf + r);
  }
  return got;
}

class SimPty : public ::testing::Test {
 protected:
  void SetUp() override {
    if (access(kSim.c_str(), X_OK) != 0) GTEST_SKIP() << kSim << " is not built";
  }
};

TEST_F(SimPty, AnswersProbeAndDownloadHeaderAcrossReopens) {
  SimProcess sim({"--quiet", "--readings", "100", "--interval", "5", "--unit", "m", "--start",
                  "2009-07-04 13:05:59", "--temp-high", "40", "--temp-low", "-10"});
  const std::string path = sim.FirstLine();
  ASSERT_FALSE(path.empty());

  int fd = OpenRaw(path);
  ASSERT_GE(fd, 0) << path;
  EXPECT_EQ(Exchange(fd, {0x78}, 1), Bytes{0xAC});
  close(fd);

  // The program closes and reopens the port between exchanges; the terminal must survive that.
  fd = OpenRaw(path);
  ASSERT_GE(fd, 0);
  const Bytes header = Exchange(fd, Bytes(7, 0x68), 21);
  EXPECT_EQ(header, (Bytes{0xDD, 0x01, 0x90, 0x00, 0x00, 0x30, 0x05, 0x00, 0x09, 0x07, 0x04,
                           0x13, 0x05, 0x59, 0x28, 0x0A, 0x5A, 0x1E, 0x23, 0x76, 0x00}));
  EXPECT_EQ(Exchange(fd, {0x68, 0x68, 0x68, 0x68, 0x68, 0x68, 0x00}, 400).size(), 400u);
  close(fd);

  EXPECT_EQ(sim.Wait(true), 0);
}

TEST_F(SimPty, PacedBlockTakesTheLineTime) {
  SimProcess sim({"--quiet", "--pace"});
  const std::string path = sim.FirstLine();
  ASSERT_FALSE(path.empty());
  const int fd = OpenRaw(path);
  ASSERT_GE(fd, 0);
  const auto start = Clock::now();
  const Bytes block = Exchange(fd, {0x68, 0x68, 0x68, 0x68, 0x68, 0x68, 0x00}, 654, 5000);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_EQ(block.size(), 654u);
  // 654 bytes at 9600 baud cannot arrive sooner than 681 ms.
  EXPECT_GE(ms, 675);
  close(fd);
  EXPECT_EQ(sim.Wait(true), 0);
}

TEST_F(SimPty, LinkIsMadeAndRemovedOnTerminate) {
  char dir[] = "/tmp/k7740-pty-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string link = std::string(dir) + "/logger";
  ASSERT_EQ(symlink("/nonexistent", link.c_str()), 0);  // a stale link from an earlier run

  SimProcess sim({"--link", link, "--battery", "3"});
  const std::string path = sim.FirstLine();
  ASSERT_FALSE(path.empty());
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), path);

  const int fd = OpenRaw(link);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(Exchange(fd, {0x79}, 1), Bytes{0x03});
  close(fd);

  EXPECT_EQ(sim.Wait(true), 0);
  struct stat st {};
  EXPECT_NE(lstat(link.c_str(), &st), 0) << "the link outlived the simulator";
  EXPECT_NE(sim.AllErrors().find("SIMULATED"), std::string::npos);
  rmdir(dir);
}

TEST_F(SimPty, HelpAndBadOptions) {
  {
    SimProcess sim({"--help"});
    EXPECT_EQ(sim.Wait(false), 0);
    const std::string help = sim.AllOutput();
    EXPECT_NE(help.find("SIMULATED K7740"), std::string::npos);
    EXPECT_NE(help.find("not a real"), std::string::npos);
    EXPECT_NE(help.find("--silent-after-block"), std::string::npos);
  }
  for (std::vector<std::string> bad : {std::vector<std::string>{"--frobnicate"},
                                       {"--battery", "5"},
                                       {"--readings"},
                                       {"--unit", "d"},
                                       {"--start", "2024-02-30 00:00:00"},
                                       {"--pace=yes"},
                                       {"--from-file", "/nonexistent/readings.csv"}}) {
    SimProcess sim(bad);
    EXPECT_EQ(sim.Wait(false), 2) << bad[0];
    EXPECT_FALSE(sim.AllErrors().empty()) << bad[0];
  }
}

}  // namespace
