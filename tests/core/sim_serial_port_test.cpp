#include "sim/sim_serial_port.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace k7740 {
namespace {

using Bytes = std::vector<uint8_t>;

std::vector<SimReading> Ramp(int n) {
  std::vector<SimReading> r;
  for (int i = 0; i < n; ++i) r.push_back({static_cast<int16_t>(i), static_cast<uint16_t>(500 + i)});
  return r;
}

// A port with a logger on port 2 and a handler that reads everything on each notification,
// the way the link does.
class SimPortTest : public ::testing::Test {
 protected:
  SimPortTest() : logger(SimConfig{}, Ramp(400)), port(clock) {
    port.addPort(2, &logger);
    port.setNotifyHandler([this] {
      notifiedAt.push_back(clock.now());
      events.push_back(port.lastEvent());
      if (readOnNotify) {
        const Bytes b = port.readAll();
        received.insert(received.end(), b.begin(), b.end());
      }
    });
  }

  bool OpenPort(int n) {
    port.selectPort(n);
    return port.open();
  }
  bool Write(const Bytes& b) { return port.write(b.data(), b.size()); }
  bool Write(const CommandFrame& f) { return port.write(f.data(), f.size()); }

  VirtualClock clock;
  LoggerSimulator logger;
  SimSerialPort port;
  std::vector<int64_t> notifiedAt;
  std::vector<SerialEvent> events;
  Bytes received;
  bool readOnNotify = true;
};

TEST_F(SimPortTest, OpenFollowsWhatEachPortIs) {
  port.addPort(1, nullptr);
  port.refusePort(3, "Permission denied: add yourself to the dialout group.");

  EXPECT_FALSE(OpenPort(4));
  EXPECT_NE(port.errorText().find("does not exist"), std::string::npos) << port.errorText();
  EXPECT_EQ(port.lastOpenError(), OpenError::NotFound);
  EXPECT_FALSE(port.isOpen());

  EXPECT_FALSE(OpenPort(3));
  EXPECT_EQ(port.errorText(), "Permission denied: add yourself to the dialout group.");
  EXPECT_EQ(port.lastOpenError(), OpenError::PermissionDenied);

  // Nothing behind port 1: it opens, takes the write, and nothing ever comes back.
  ASSERT_TRUE(OpenPort(1));
  EXPECT_TRUE(Write(Bytes{0x78}));
  clock.runUntilIdle(1000);
  EXPECT_TRUE(notifiedAt.empty());

  ASSERT_TRUE(OpenPort(2));
  EXPECT_EQ(port.selectedPort(), 2);
  port.removePort(2);
  EXPECT_FALSE(port.isOpen());
  EXPECT_FALSE(port.write(Bytes{0x78}.data(), 1));
  EXPECT_FALSE(port.open());
  EXPECT_NE(port.errorText().find("does not exist"), std::string::npos);
  EXPECT_EQ(port.lastOpenError(), OpenError::NotFound);
}

TEST_F(SimPortTest, ProbeReplyArrivesOneMillisecondLaterAsAPostedNotification) {
  ASSERT_TRUE(OpenPort(2));
  clock.advance(100);
  ASSERT_TRUE(Write(Bytes{0x78}));
  EXPECT_TRUE(notifiedAt.empty());  // never from inside write
  ASSERT_EQ(port.writes().size(), 1u);
  EXPECT_EQ(port.writes()[0].at, 100);
  EXPECT_EQ(port.writes()[0].port, 2);
  EXPECT_EQ(port.writes()[0].bytes, Bytes{0x78});

  clock.runUntilIdle(1000);
  EXPECT_EQ(notifiedAt, std::vector<int64_t>{101});
  EXPECT_EQ(received, Bytes{0xAC});
  EXPECT_EQ(port.lastEvent(), SerialEvent::DataReceived);

  // The last event survives close and open.
  port.close();
  EXPECT_EQ(port.lastEvent(), SerialEvent::DataReceived);
  ASSERT_TRUE(port.open());
  EXPECT_EQ(port.lastEvent(), SerialEvent::DataReceived);
}

TEST_F(SimPortTest, WriteNeedsAnOpenPort) {
  port.selectPort(2);
  EXPECT_FALSE(Write(Bytes{0x78}));
  EXPECT_TRUE(port.writes().empty());
  EXPECT_EQ(logger.presenceProbeCount(), 0);
}

TEST_F(SimPortTest, ThresholdHoldsTheNotificationUntilEnoughHasArrived) {
  port.setPacing(true);
  ASSERT_TRUE(OpenPort(2));
  port.setReceiveThreshold(21);
  ASSERT_TRUE(Write(buildDownloadRequest()));
  clock.runUntilIdle(1000);
  // 16 bytes at 16.7 ms are below the threshold; the 21st byte lands at 21.9 ms.
  ASSERT_EQ(port.deliveries().size(), 2u);
  EXPECT_EQ(port.deliveries()[0].at, 17);
  EXPECT_EQ(port.deliveries()[0].size, 16u);
  EXPECT_EQ(notifiedAt, std::vector<int64_t>{22});
  ASSERT_EQ(received.size(), 21u);
  EXPECT_EQ(received[0], kHeaderCode);
}

TEST_F(SimPortTest, ThresholdOneNotifiesForEachPacedChunk) {
  port.setPacing(true);
  ASSERT_TRUE(OpenPort(2));
  ASSERT_TRUE(Write(buildDownloadRequest()));
  clock.runUntilIdle(1000);
  EXPECT_EQ(notifiedAt, (std::vector<int64_t>{17, 22}));
  EXPECT_EQ(received.size(), 21u);
}

TEST_F(SimPortTest, UnreadInputKeepsAccumulatingAndLoweringTheThresholdPostsANotification) {
  readOnNotify = false;
  ASSERT_TRUE(OpenPort(2));
  port.setReceiveThreshold(30);
  ASSERT_TRUE(Write(buildDownloadRequest()));
  clock.runUntilIdle(1000);
  EXPECT_TRUE(notifiedAt.empty());
  EXPECT_EQ(port.waitingBytes(), 21u);

  port.setReceiveThreshold(21);
  EXPECT_TRUE(notifiedAt.empty());  // posted, not raised from inside the call
  clock.runUntilIdle(1000);
  EXPECT_EQ(notifiedAt.size(), 1u);
  EXPECT_EQ(port.readAll().size(), 21u);
  EXPECT_EQ(port.readAll().size(), 0u);
}

TEST_F(SimPortTest, CloseDropsWaitingInputAndBytesStillOnTheLine) {
  port.setPacing(true);
  readOnNotify = false;
  ASSERT_TRUE(OpenPort(2));
  port.setReceiveThreshold(654);
  ASSERT_TRUE(Write(buildBlockRequest(0)));
  clock.advance(100);
  EXPECT_GT(port.waitingBytes(), 0u);
  port.close();
  EXPECT_EQ(port.waitingBytes(), 0u);
  ASSERT_TRUE(port.open());
  EXPECT_FALSE(clock.hasPending());  // nothing of the old block is still coming
  clock.runUntilIdle(2000);
  EXPECT_EQ(port.waitingBytes(), 0u);
  EXPECT_TRUE(notifiedAt.empty());

  // clearInput drops what waits without closing.
  port.setReceiveThreshold(1);
  ASSERT_TRUE(Write(Bytes{0x78}));
  clock.advance(5);
  EXPECT_EQ(port.waitingBytes(), 1u);
  port.clearInput();
  EXPECT_EQ(port.readAll(), Bytes{});
}

TEST_F(SimPortTest, SelectingAnotherPortClosesTheOpenOne) {
  port.addPort(5, nullptr);
  ASSERT_TRUE(OpenPort(2));
  ASSERT_TRUE(Write(Bytes{0x78}));
  port.selectPort(5);
  EXPECT_FALSE(port.isOpen());
  ASSERT_TRUE(port.open());
  ASSERT_TRUE(Write(Bytes{0x78}));
  clock.runUntilIdle(1000);
  // The reply to the probe on port 2 never reaches port 5.
  EXPECT_TRUE(received.empty());
  EXPECT_EQ(port.writes().back().port, 5);
  EXPECT_EQ(logger.presenceProbeCount(), 1);
}

TEST_F(SimPortTest, BackToBackWritesQueueOnTheLine) {
  port.setPacing(true);
  logger.setBatteryLevel(3);
  ASSERT_TRUE(OpenPort(2));
  ASSERT_TRUE(Write(Bytes{0x78}));
  ASSERT_TRUE(Write(Bytes{0x79}));
  clock.runUntilIdle(1000);
  // One byte takes 1.04 ms: the second reply waits for the first.
  EXPECT_EQ(notifiedAt, (std::vector<int64_t>{2, 3}));
  EXPECT_EQ(received, (Bytes{0xAC, 0x03}));
}

TEST_F(SimPortTest, OtherEventsNotifyWhateverIsWaiting) {
  ASSERT_TRUE(OpenPort(2));
  port.setReceiveThreshold(100);
  port.injectEvent(SerialEvent::Other);
  EXPECT_TRUE(notifiedAt.empty());
  clock.runUntilIdle(10);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0], SerialEvent::Other);
  EXPECT_EQ(port.lastEvent(), SerialEvent::Other);
}

// The whole exchange the link runs, by hand: header, then each block 20 ms after the previous
// one arrived, at 9600 baud.
TEST_F(SimPortTest, PacedDownloadByHand) {
  port.setPacing(true);
  ASSERT_TRUE(OpenPort(2));
  port.setReceiveThreshold(kHeaderSize);
  ASSERT_TRUE(Write(buildDownloadRequest()));
  ASSERT_TRUE(clock.runUntil([&] { return !notifiedAt.empty(); }, 10000));
  EXPECT_EQ(clock.now(), 22);
  const DownloadHeader h = decodeDownloadHeader(received.data(), received.size());
  ASSERT_EQ(h.totalBytes, 1600);
  received.clear();

  struct Step {
    int threshold;
    int64_t minMs, maxMs;  // from request to notification
  };
  // 654 bytes x 1.0417 ms = 681.25 ms; the 292-byte remainder 304.2 ms.
  const Step steps[] = {{654, 681, 682}, {654, 681, 682}, {292, 304, 305}};
  for (int n = 0; n < 3; ++n) {
    clock.advance(20);
    port.setReceiveThreshold(steps[n].threshold);
    const int64_t sent = clock.now();
    const size_t before = notifiedAt.size();
    ASSERT_TRUE(Write(buildBlockRequest(n)));
    ASSERT_TRUE(clock.runUntil([&] { return notifiedAt.size() > before; }, 10000)) << "block " << n;
    EXPECT_GE(clock.now() - sent, steps[n].minMs) << "block " << n;
    EXPECT_LE(clock.now() - sent, steps[n].maxMs) << "block " << n;
    EXPECT_EQ(received.size(), static_cast<size_t>(n * 654 + steps[n].threshold)) << "block " << n;
  }
  EXPECT_EQ(received, logger.dataBytes());
  EXPECT_EQ(logger.blockRequests(), (std::vector<int>{0, 1, 2}));
}

TEST_F(SimPortTest, LostBlockIsAnsweredOnTheRetry) {
  logger.faults().loseBlock = 0;
  ASSERT_TRUE(OpenPort(2));
  port.setReceiveThreshold(654);
  ASSERT_TRUE(Write(buildBlockRequest(0)));
  clock.advance(1900);
  EXPECT_TRUE(received.empty());
  // The retry reopens the port and sends the same request again.
  port.close();
  ASSERT_TRUE(port.open());
  ASSERT_TRUE(Write(buildBlockRequest(0)));
  clock.runUntilIdle(1000);
  EXPECT_EQ(notifiedAt, std::vector<int64_t>{1901});
  EXPECT_EQ(received.size(), 654u);
}

}  // namespace
}  // namespace k7740
