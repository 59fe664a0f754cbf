// The line-protocol export written to a real InfluxDB server (Debian's influxdb package) over
// HTTP and queried back. The server runs on free loopback ports with its files in a temporary
// folder, and is stopped at the end; waiting for it is bounded in wall time.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <string>
#include <thread>

#include "analysis/export.h"
#include "common/text.h"

namespace k7740 {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kServer = "/usr/bin/influxd";
constexpr auto kStartLimit = std::chrono::seconds(60);

// A loopback port nobody listens on right now.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  close(fd);
  return port;
}

std::string UrlEncode(const std::string& text) {
  std::string out;
  for (unsigned char ch : text) {
    if (isalnum(ch) || ch == '-' || ch == '_' || ch == '.' || ch == '~') {
      out += static_cast<char>(ch);
    } else {
      out += StrFormat("%%%02X", ch);
    }
  }
  return out;
}

struct HttpReply {
  int status = 0;  // 0: no connection or no complete reply
  std::string body;
};

// One HTTP/1.0 request; the server closes the connection after its reply.
HttpReply Http(int port, const std::string& method, const std::string& target, const std::string& body = "") {
  HttpReply reply;
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  timeval timeout{30, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return reply;
  }
  std::string request = method + " " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n";
  request += StrFormat("Content-Length: %zu\r\nContent-Type: text/plain\r\n\r\n", body.size());
  request += body;
  for (size_t sent = 0; sent < request.size();) {
    const ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      close(fd);
      return reply;
    }
    sent += static_cast<size_t>(n);
  }
  std::string raw;
  char buf[65536];
  for (ssize_t n; (n = recv(fd, buf, sizeof buf, 0)) > 0;) raw.append(buf, static_cast<size_t>(n));
  close(fd);
  const size_t headerEnd = raw.find("\r\n\r\n");
  if (raw.compare(0, 5, "HTTP/") != 0 || headerEnd == std::string::npos) return reply;
  reply.status = std::atoi(raw.c_str() + raw.find(' ') + 1);
  reply.body = raw.substr(headerEnd + 4);
  return reply;
}

class InfluxdbExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
    if (access(kServer, X_OK) != 0)
      GTEST_SKIP() << kServer << " is missing: Debian's influxdb package is not installed";
    std::string pattern = (fs::temp_directory_path() / "k7740-influx-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
    port_ = FreePort();
    const int rpcPort = FreePort();
    ASSERT_NE(port_, 0);
    ASSERT_NE(rpcPort, 0);
    const std::string config = dir_ + "/influxdb.conf";
    std::ofstream(config) << "reporting-disabled = true\n"
                          << "bind-address = \"127.0.0.1:" << rpcPort << "\"\n"
                          << "[meta]\n  dir = \"" << dir_ << "/meta\"\n"
                          << "[data]\n  dir = \"" << dir_ << "/data\"\n  wal-dir = \"" << dir_ << "/wal\"\n"
                          << "  query-log-enabled = false\n"
                          << "[http]\n  bind-address = \"127.0.0.1:" << port_ << "\"\n  log-enabled = false\n"
                          << "[monitor]\n  store-enabled = false\n"
                          << "[continuous_queries]\n  enabled = false\n";
    const std::string log = dir_ + "/influxd.log";
    server_ = fork();
    ASSERT_GE(server_, 0);
    if (server_ == 0) {
      const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(out, 1);
      dup2(out, 2);
      execl(kServer, kServer, "-config", config.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    // The server needs real time to start: ask /ping until it answers, within the limit.
    const auto deadline = Clock::now() + kStartLimit;
    while (Http(port_, "GET", "/ping").status != 204) {
      int status = 0;
      if (waitpid(server_, &status, WNOHANG) == server_) {
        server_ = 0;
        GTEST_SKIP() << "influxd could not start: " << LogTail(log);
      }
      if (Clock::now() > deadline) GTEST_SKIP() << "influxd did not answer within 60 s: " << LogTail(log);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }

  void TearDown() override {
    if (server_ > 0) {
      kill(server_, SIGTERM);
      const auto deadline = Clock::now() + std::chrono::seconds(10);
      int status = 0;
      while (waitpid(server_, &status, WNOHANG) == 0) {
        if (Clock::now() > deadline) {
          kill(server_, SIGKILL);
          waitpid(server_, &status, 0);
          break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
    }
    if (!dir_.empty()) {
      std::error_code ec;
      fs::remove_all(dir_, ec);
    }
  }

  static std::string LogTail(const std::string& path) {
    std::ifstream in(path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.size() > 600 ? text.substr(text.size() - 600) : text;
  }

  nlohmann::json Query(const std::string& q) {
    const HttpReply r = Http(port_, "POST", "/query?db=cold&epoch=ns&q=" + UrlEncode(q));
    EXPECT_EQ(r.status, 200) << q << ": " << r.body;
    return nlohmann::json::parse(r.body, nullptr, false);
  }

  std::string dir_;
  int port_ = 0;
  pid_t server_ = 0;
};

TEST_F(InfluxdbExportTest, FullRecordingWrittenOverHttpQueriesBack) {
  auto doc = std::make_unique<CTevDoc>();
  RecordingView view;
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> tenths(-400, 700), rh(0, 1000);
  int dewPoints = 0;
  for (size_t i = 0; i < kMaxReadings; ++i) {
    doc->temperature[i] = static_cast<float>(tenths(rng)) / 10.0f;
    doc->humidity[i] = i % 50 == 0 ? 0.0f : static_cast<float>(rh(rng)) / 10.0f;
    if (doc->humidity[i] > 0) ++dewPoints;
  }
  view.readingCount = kMaxReadings;
  view.startTime = MakeLocalTime(2026, 1, 15, 9, 0, 0);  // half-hourly over both changes of 2026
  view.sampleIntervalSeconds = 1800;
  InfluxOptions options;
  options.measurement = "cold room,2";
  options.tags = {{"site", "hall 3, north"}, {"probe=id", "a\\b"}};
  const std::string lines = ExportInflux(*doc, view, options);

  ASSERT_EQ(Http(port_, "POST", "/query?q=" + UrlEncode("CREATE DATABASE cold")).status, 200);
  const HttpReply write = Http(port_, "POST", "/write?db=cold&precision=ns", lines);
  ASSERT_EQ(write.status, 204) << write.body;

  const auto [tmin, tmax] = std::minmax_element(doc->temperature.begin(), doc->temperature.end());
  const auto [hmin, hmax] = std::minmax_element(doc->humidity.begin(), doc->humidity.end());
  const nlohmann::json j = Query(
      "SELECT COUNT(temperature), MIN(temperature), MAX(temperature), MIN(humidity), MAX(humidity), "
      "COUNT(dew_point) FROM \"cold room,2\"");
  const nlohmann::json& values = j.at("results").at(0).at("series").at(0).at("values").at(0);
  EXPECT_EQ(values.at(1), kMaxReadings);
  EXPECT_EQ(values.at(2), std::stod(StrFormat("%.1f", *tmin)));
  EXPECT_EQ(values.at(3), std::stod(StrFormat("%.1f", *tmax)));
  EXPECT_EQ(values.at(4), 0.0);
  EXPECT_EQ(values.at(5), std::stod(StrFormat("%.1f", *hmax)));
  EXPECT_EQ(values.at(6), dewPoints);
  EXPECT_EQ(*hmin, 0.0f);

  // The first and the last point sit at the readings' instants.
  const nlohmann::json first = Query("SELECT FIRST(temperature) FROM \"cold room,2\"");
  EXPECT_EQ(first.at("results").at(0).at("series").at(0).at("values").at(0).at(0),
            static_cast<int64_t>(view.startTime) * 1000000000);
  const nlohmann::json last = Query("SELECT LAST(temperature) FROM \"cold room,2\"");
  EXPECT_EQ(last.at("results").at(0).at("series").at(0).at("values").at(0).at(0),
            static_cast<int64_t>(ReadingTime(view, kMaxReadings - 1)) * 1000000000);

  // The escaped measurement, tag keys and tag values arrive as they were given.
  const nlohmann::json tags =
      Query("SHOW TAG VALUES FROM \"cold room,2\" WITH KEY IN (\"site\", \"probe=id\")");
  const nlohmann::json& tagValues = tags.at("results").at(0).at("series").at(0).at("values");
  EXPECT_EQ(tagValues, nlohmann::json::parse(R"([["probe=id", "a\\b"], ["site", "hall 3, north"]])")) << tags;
}

}  // namespace
}  // namespace k7740
