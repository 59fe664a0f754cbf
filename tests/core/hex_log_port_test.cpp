// The hex log of every byte that crosses the port: what a user sends in with a failed download.
#include "link/hex_log_port.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "link/virtual_clock.h"
#include "sim/logger_simulator.h"
#include "sim/sim_serial_port.h"

namespace k7740 {
namespace {

TEST(HexLogPort, LogsOpensWritesAndReadsWithTimeAndPort) {
  const std::string path = ::testing::TempDir() + "hexlog-" + std::to_string(getpid()) + ".txt";
  std::remove(path.c_str());
  VirtualClock clock;
  SimSerialPort sim(clock);
  LoggerSimulator logger;
  sim.addPort(2, &logger);
  int notifications = 0;
  {
    HexLogPort port(sim, path, [&] { return clock.now(); });
    ASSERT_TRUE(port.logging());
    port.setNotifyHandler([&] {
      ++notifications;
      EXPECT_EQ(port.readAll(), std::vector<uint8_t>{kPresenceReply});
    });
    port.selectPort(5);
    EXPECT_FALSE(port.open());
    port.selectPort(2);
    ASSERT_TRUE(port.open());
    const uint8_t probe = kPresenceProbe;
    ASSERT_TRUE(port.write(&probe, 1));
    clock.advance(5);
    port.close();
  }
  EXPECT_EQ(notifications, 1) << "the decorator passes the notification on";
  std::ifstream in(path);
  std::stringstream log;
  log << in.rdbuf();
  EXPECT_EQ(log.str(), "         0 port 5 open failed: " + sim.errorText() +
                           "\n"
                           "         0 port 2 open\n"
                           "         0 port 2 TX 78\n"
                           "         1 port 2 RX AC\n"
                           "         5 port 2 close\n");
  std::remove(path.c_str());
}

TEST(HexLogPort, WithoutAPathItOnlyPassesThrough) {
  VirtualClock clock;
  SimSerialPort sim(clock);
  HexLogPort port(sim, "", [] { return 0; });
  EXPECT_FALSE(port.logging());
  sim.addPort(1, nullptr);
  EXPECT_TRUE(port.open());
  EXPECT_TRUE(port.isOpen());
}

}  // namespace
}  // namespace k7740
