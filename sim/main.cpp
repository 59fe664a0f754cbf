// k7740-sim: a simulated K7740 logger on a pseudo-terminal, for trying the program and its
// tools without the hardware.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "sim/logger_simulator.h"
#include "sim/reading_files.h"

namespace k7740 {
namespace {

constexpr const char* kUsage =
    "Usage: k7740-sim [options]\n"
    "\n"
    "This is a SIMULATED K7740 data logger for testing and demonstration. It is not a real\n"
    "device and does not measure anything: it answers the logger's serial protocol on a\n"
    "pseudo-terminal with made-up (or file-supplied) readings.\n"
    "\n"
    "The first line printed on standard output is the terminal's device path; point the program\n"
    "at it, e.g. K7740_SERIAL_PORTS=/dev/pts/5 (port 1) or with --link.\n"
    "\n"
    "Options:\n"
    "  --link PATH               also make a symbolic link PATH to the terminal (replaces an\n"
    "                            existing link; removed again on exit)\n"
    "  --readings N              stored readings, 0 to 16383 (default 10080: a week at 60 s)\n"
    "  --interval N              sampling interval count, 1 to 255 (default 60)\n"
    "  --unit s|m|h              unit of the interval: seconds, minutes, hours (default s)\n"
    "  --start \"YYYY-MM-DD HH:MM:SS\"\n"
    "                            local time of the first reading (default: now minus the span)\n"
    "  --from-file FILE          readings from FILE.record or FILE.csv (\"temperature,humidity\"\n"
    "                            per line); a record file also gives start, interval and limits\n"
    "  --alarm-unit c|f          unit of the temperature alarm limits (default c)\n"
    "  --temp-high N             temperature high alarm (default 40)\n"
    "  --temp-low N              temperature low alarm (default 0)\n"
    "  --rh-high N               humidity high alarm, %RH (default 90)\n"
    "  --rh-low N                humidity low alarm, %RH (default 30)\n"
    "  --battery 1..4            battery level reported (default 4)\n"
    "  --seed N                  seed of the generated readings (default 1)\n"
    "  --pace                    send replies at the line's real speed, 9600 baud\n"
    "\n"
    "Faults:\n"
    "  --no-answer               never answer anything\n"
    "  --lose-block N            ignore the first request for block N\n"
    "  --silent-after-block N    ignore every request for a block after block N\n"
    "  --empty                   report an empty logger (byte count 0)\n"
    "  --byte-count N            announce N data bytes, 0 to 65535 (more than stored: the rest is\n"
    "                            generated)\n"
    "  --garbage N               send N junk bytes before every reply\n"
    "\n"
    "  --quiet                   print nothing but the device path\n"
    "  --verbose                 log every request and its answer on standard error\n"
    "  --help                    show this text\n"
    "  --version                 show the version\n";

struct Options {
  std::string link;
  int readings = 10080;
  int interval = 60;
  char unit = 's';
  std::optional<LoggerTime> start;
  std::string fromFile;
  std::optional<char> alarmUnit;
  std::optional<int> tempHigh, tempLow, rhHigh, rhLow;
  bool intervalGiven = false;
  int battery = 4;
  uint32_t seed = 1;
  bool pace = false;
  SimFaults faults;
  bool quiet = false;
  bool verbose = false;
  bool help = false;
  bool version = false;
};

struct UsageError {
  std::string message;
};

bool ParseInt(std::string_view text, long long lo, long long hi, long long& out) {
  if (text.empty()) return false;
  const std::string s(text);
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 10);
  if (errno != 0 || end != s.c_str() + s.size() || v < lo || v > hi) return false;
  out = v;
  return true;
}

bool ParseStart(const std::string& text, LoggerTime& t) {
  char tail = 0;
  if (std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d%c", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                  &t.second, &tail) != 6) {
    return false;
  }
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t.year < 2000 || t.year > 2099 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > kDays[t.month - 1] || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
      t.second < 0 || t.second > 59) {
    return false;
  }
  const bool leap = (t.year % 4 == 0 && t.year % 100 != 0) || t.year % 400 == 0;
  return !(t.month == 2 && t.day == 29 && !leap);
}

// Returns false with error set on a bad command line.
bool ParseOptions(int argc, char** argv, Options& o, std::string& error) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name = name.substr(0, eq);
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw UsageError{name + " needs a value"};
      return args[++i];
    };
    auto number = [&](long long lo, long long hi) -> long long {
      const std::string v = value();
      long long n = 0;
      if (!ParseInt(v, lo, hi, n)) {
        throw UsageError{
            StrFormat("%s: '%s' is not a whole number from %lld to %lld", name.c_str(), v.c_str(), lo, hi)};
      }
      return n;
    };
    auto flag = [&] {
      if (inlineValue) throw UsageError{name + " takes no value"};
    };
    try {
      if (name == "--help" || name == "-h") {
        flag();
        o.help = true;
      } else if (name == "--version") {
        flag();
        o.version = true;
      } else if (name == "--link") {
        o.link = value();
        if (o.link.empty()) throw UsageError{"--link needs a path"};
      } else if (name == "--readings") {
        o.readings = static_cast<int>(number(0, kSimMaxReadings));
      } else if (name == "--interval") {
        o.interval = static_cast<int>(number(1, 255));
        o.intervalGiven = true;
      } else if (name == "--unit") {
        const std::string v = value();
        if (v != "s" && v != "m" && v != "h") throw UsageError{"--unit must be s, m or h"};
        o.unit = v[0];
        o.intervalGiven = true;
      } else if (name == "--start") {
        LoggerTime t;
        if (!ParseStart(value(), t)) {
          throw UsageError{"--start must be a date and time \"YYYY-MM-DD HH:MM:SS\" between 2000 and 2099"};
        }
        o.start = t;
      } else if (name == "--from-file") {
        o.fromFile = value();
      } else if (name == "--alarm-unit") {
        const std::string v = value();
        if (v != "c" && v != "f") throw UsageError{"--alarm-unit must be c or f"};
        o.alarmUnit = v == "f" ? '$' : '#';
      } else if (name == "--temp-high") {
        o.tempHigh = static_cast<int>(number(-255, 255));
      } else if (name == "--temp-low") {
        o.tempLow = static_cast<int>(number(-255, 255));
      } else if (name == "--rh-high") {
        o.rhHigh = static_cast<int>(number(0, 255));
      } else if (name == "--rh-low") {
        o.rhLow = static_cast<int>(number(0, 255));
      } else if (name == "--battery") {
        o.battery = static_cast<int>(number(1, 4));
      } else if (name == "--seed") {
        o.seed = static_cast<uint32_t>(number(0, 4294967295LL));
      } else if (name == "--pace") {
        flag();
        o.pace = true;
      } else if (name == "--no-answer") {
        flag();
        o.faults.noAnswer = true;
      } else if (name == "--lose-block") {
        o.faults.loseBlock = static_cast<int>(number(0, 255));
      } else if (name == "--silent-after-block") {
        o.faults.silentAfterBlock = static_cast<int>(number(0, 255));
      } else if (name == "--empty") {
        flag();
        o.faults.empty = true;
      } else if (name == "--byte-count") {
        o.faults.byteCount = static_cast<int>(number(0, 65535));
      } else if (name == "--garbage") {
        o.faults.garbageBytes = static_cast<int>(number(0, 65535));
      } else if (name == "--quiet") {
        flag();
        o.quiet = true;
      } else if (name == "--verbose") {
        flag();
        o.verbose = true;
      } else {
        throw UsageError{"unknown option '" + args[i] + "'"};
      }
    } catch (const UsageError& e) {
      error = e.message;
      return false;
    }
  }
  if (o.quiet && o.verbose) {
    error = "--quiet and --verbose exclude each other";
    return false;
  }
  return true;
}

// Self-pipe: the signal handler only writes a byte; the loop sees it in poll().
int gSignalPipe[2] = {-1, -1};

void OnSignal(int sig) {
  const int saved = errno;
  const char b = static_cast<char>(sig);
  [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &b, 1);
  errno = saved;
}

std::string TimeText(const LoggerTime& t) {
  return StrFormat("%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

std::string Now() {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return FormatLocalTime(std::chrono::system_clock::to_time_t(now), "%H:%M:%S") +
         StrFormat(".%03lld", static_cast<long long>(ms));
}

class PseudoTerminal {
 public:
  ~PseudoTerminal() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }
  bool Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
      error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
      return false;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
      error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
      return false;
    }
    path_ = name;
    // Our own handle on the terminal side: without it the master sees a hang-up each time
    // the program closes the port, and the line settings would be lost between opens.
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
      error = path_ + ": " + std::strerror(errno);
      return false;
    }
    termios t{};
    if (tcgetattr(slave_, &t) != 0) {
      error = path_ + ": " + std::strerror(errno);
      return false;
    }
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    if (tcsetattr(slave_, TCSANOW, &t) != 0) {
      error = path_ + ": " + std::strerror(errno);
      return false;
    }
    const int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
      error = std::string("pseudo-terminal: ") + std::strerror(errno);
      return false;
    }
    return true;
  }
  int master() const { return master_; }
  const std::string& path() const { return path_; }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

bool MakeLink(const std::string& link, const std::string& target, std::string& error) {
  struct stat st {};
  if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    error = link + " exists and is not a symbolic link; choose another --link path";
    return false;
  }
  // Build the new link beside the old one and rename it over, so the path never dangles.
  const std::string tmp = link + StrFormat(".%d.tmp", static_cast<int>(getpid()));
  ::unlink(tmp.c_str());
  if (symlink(target.c_str(), tmp.c_str()) != 0 || rename(tmp.c_str(), link.c_str()) != 0) {
    error = "cannot create the link " + link + ": " + std::strerror(errno);
    ::unlink(tmp.c_str());
    return false;
  }
  return true;
}

void RemoveLink(const std::string& link, const std::string& target) {
  char buf[4096];
  const ssize_t n = readlink(link.c_str(), buf, sizeof buf - 1);
  // Leave it alone if someone has pointed it elsewhere meanwhile.
  if (n > 0 && std::string(buf, static_cast<size_t>(n)) == target) ::unlink(link.c_str());
}

using Clock = std::chrono::steady_clock;

// 9600 baud, 10 bits a byte: byte k of a run is complete (k + 1) x 10^10 / 9600 ns after it starts.
// Paced bytes go out in bursts of this many, each when its last byte would have arrived.
constexpr size_t kPaceBurst = 16;

Clock::time_point ByteDue(Clock::time_point base, int64_t k) {
  return base + std::chrono::nanoseconds((k + 1) * 3125000 / 3);
}

int Run(const Options& o, LoggerSimulator& sim, PseudoTerminal& pty) {
  const int master = pty.master();
  std::deque<uint8_t> out;
  // Paced sending: the run of bytes that started at base, of which sent have gone out.
  Clock::time_point base{};
  Clock::time_point lineFree{};
  int64_t sent = 0;
  bool readError = false;

  for (;;) {
    const Clock::time_point now = Clock::now();
    int timeoutMs = -1;
    bool wantWrite = false;
    if (!out.empty()) {
      if (!o.pace) {
        wantWrite = true;
      } else {
        // Like a USB serial adapter, bytes reach the other side in small bursts, not one by one.
        const auto due = ByteDue(base, sent + static_cast<int64_t>(std::min(out.size(), kPaceBurst)) - 1);
        if (due <= now) {
          wantWrite = true;
        } else {
          const auto wait = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
          timeoutMs = static_cast<int>(std::max<int64_t>(wait, 1));
        }
      }
    }
    // After a read error (no terminal side at all) wait a little instead of spinning.
    if (readError && (timeoutMs < 0 || timeoutMs > 50)) timeoutMs = 50;

    pollfd fds[2] = {{master, static_cast<short>((readError ? 0 : POLLIN) | (wantWrite ? POLLOUT : 0)), 0},
                     {gSignalPipe[0], POLLIN, 0}};
    const int r = poll(fds, 2, timeoutMs);
    if (r < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "k7740-sim: poll: %s\n", std::strerror(errno));
      return 1;
    }
    if (fds[1].revents & POLLIN) return 0;
    readError = false;

    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      uint8_t buf[4096];
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n > 0) {
        const bool wasIdle = out.empty();
        const auto reply = sim.receive(buf, static_cast<size_t>(n));
        out.insert(out.end(), reply.begin(), reply.end());
        if (o.pace && wasIdle && !out.empty()) {
          base = std::max(Clock::now(), lineFree);
          sent = 0;
        }
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        readError = true;
      }
    }

    if (!out.empty()) {
      size_t count = out.size();
      if (o.pace) {
        const auto t = Clock::now();
        size_t due = 0;
        while (due < out.size() && ByteDue(base, sent + static_cast<int64_t>(due)) <= t) ++due;
        count = due < std::min(out.size(), kPaceBurst) ? 0 : due;
      }
      if (count > 0) {
        std::vector<uint8_t> chunk(out.begin(), out.begin() + static_cast<std::ptrdiff_t>(count));
        const ssize_t w = ::write(master, chunk.data(), chunk.size());
        if (w > 0) {
          out.erase(out.begin(), out.begin() + w);
          sent += w;
          if (out.empty()) lineFree = ByteDue(base, sent - 1);
        } else if (w < 0 && errno != EAGAIN && errno != EINTR) {
          std::fprintf(stderr, "k7740-sim: write: %s\n", std::strerror(errno));
          return 1;
        }
      }
    }
  }
}

int Main(int argc, char** argv) {
  Options o;
  std::string error;
  if (!ParseOptions(argc, argv, o, error)) {
    std::fprintf(stderr, "k7740-sim: %s\nTry 'k7740-sim --help'.\n", error.c_str());
    return 2;
  }
  if (o.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (o.version) {
    std::puts("k7740-sim " K7740_VERSION);
    return 0;
  }

  SimConfig config;
  config.seed = o.seed;
  config.batteryLevel = o.battery;
  config.faults = o.faults;
  config.readingCount = o.readings;
  config.unitCode = o.unit == 'h' ? kUnitCodeHours : o.unit == 'm' ? kUnitCodeMinutes : kUnitCodeSeconds;
  config.intervalCount = static_cast<uint8_t>(o.interval);

  std::optional<std::vector<SimReading>> given;
  if (!o.fromFile.empty()) {
    LoadedReadings loaded;
    if (!LoadReadingsFile(o.fromFile, loaded, error)) {
      std::fprintf(stderr, "k7740-sim: %s\n", error.c_str());
      return 2;
    }
    if (loaded.intervalSeconds && !o.intervalGiven &&
        !EncodeInterval(*loaded.intervalSeconds, config.unitCode, config.intervalCount)) {
      std::fprintf(stderr, "k7740-sim: %s: an interval of %d s cannot be sent in a header; give --interval\n",
                   o.fromFile.c_str(), *loaded.intervalSeconds);
      return 2;
    }
    if (loaded.startTime && !o.start) {
      // The header carries the year as two BCD digits, 2000 to 2099.
      if (loaded.startTime->year < 2000 || loaded.startTime->year > 2099) {
        std::fprintf(
            stderr,
            "k7740-sim: %s: the readings start in %d; the logger's clock covers 2000 to 2099; give --start\n",
            o.fromFile.c_str(), loaded.startTime->year);
        return 2;
      }
      o.start = loaded.startTime;
    }
    if (loaded.alarmUnitChar && !o.alarmUnit) o.alarmUnit = loaded.alarmUnitChar;
    if (!o.tempHigh) o.tempHigh = loaded.tempAlarmHigh;
    if (!o.tempLow) o.tempLow = loaded.tempAlarmLow;
    if (!o.rhHigh) o.rhHigh = loaded.rhAlarmHigh;
    if (!o.rhLow) o.rhLow = loaded.rhAlarmLow;
    config.readingCount = static_cast<int>(loaded.readings.size());
    given = std::move(loaded.readings);
  }
  config.alarmUnitChar = o.alarmUnit.value_or('#');
  config.tempAlarmHigh = o.tempHigh.value_or(40);
  config.tempAlarmLow = o.tempLow.value_or(0);
  config.rhAlarmHigh = o.rhHigh.value_or(90);
  config.rhAlarmLow = o.rhLow.value_or(30);

  const int interval = IntervalSeconds(config.unitCode, config.intervalCount);
  if (o.start) {
    config.startTime = *o.start;
  } else {
    // The last reading was taken just now.
    const std::time_t first =
        std::time(nullptr) - static_cast<std::time_t>(std::max(config.readingCount - 1, 0)) * interval;
    const LocalTimeParts p = BreakLocalTime(first);
    config.startTime = {p.year, p.month, p.day, p.hour, p.minute, p.second};
  }

  LoggerSimulator sim = given ? LoggerSimulator(config, std::move(*given)) : LoggerSimulator(config);
  if (o.verbose) {
    sim.setRequestLog(
        [](const std::string& line) { std::fprintf(stderr, "[%s] %s\n", Now().c_str(), line.c_str()); });
  }

  if (pipe(gSignalPipe) != 0) {
    std::fprintf(stderr, "k7740-sim: pipe: %s\n", std::strerror(errno));
    return 1;
  }
  for (int fd : gSignalPipe) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGHUP, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);

  PseudoTerminal pty;
  if (!pty.Open(error)) {
    std::fprintf(stderr, "k7740-sim: %s\n", error.c_str());
    return 1;
  }
  if (!o.link.empty() && !MakeLink(o.link, pty.path(), error)) {
    std::fprintf(stderr, "k7740-sim: %s\n", error.c_str());
    return 1;
  }

  std::printf("%s\n", pty.path().c_str());
  std::fflush(stdout);
  if (!o.quiet) {
    std::fprintf(stderr,
                 "k7740-sim: SIMULATED K7740 data logger (for testing and demonstration, not a real device)\n"
                 "  terminal %s%s%s\n"
                 "  %d readings every %d s from %s, %d data bytes announced, battery level %d%s\n"
                 "  Stop with Ctrl+C.\n",
                 pty.path().c_str(), o.link.empty() ? "" : ", link ", o.link.c_str(),
                 static_cast<int>(sim.readings().size()), interval, TimeText(config.startTime).c_str(),
                 sim.byteCount(), config.batteryLevel, o.pace ? ", paced at 9600 baud" : "");
  }

  const int rc = Run(o, sim, pty);
  if (!o.link.empty()) RemoveLink(o.link, pty.path());
  if (!o.quiet) std::fprintf(stderr, "k7740-sim: stopped\n");
  return rc;
}

}  // namespace
}  // namespace k7740

int main(int argc, char** argv) {
  try {
    return k7740::Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "k7740-sim: %s\n", e.what());
    return 1;
  }
}
