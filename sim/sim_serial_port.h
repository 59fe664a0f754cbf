// A SerialPort on virtual time: ports 1..16, each with a simulated logger (or nothing) behind
// it. Replies travel on the VirtualClock, unpaced (1 ms) or at 9600 baud in 16-byte chunks, and
// the receive notification is posted on the clock like a window event.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "link/serial_port.h"
#include "link/virtual_clock.h"
#include "sim/logger_simulator.h"

namespace k7740 {

// Paced replies: 9600 baud, 10 bits a byte (1.0417 ms), delivered in chunks of this size.
inline constexpr size_t kSimChunkSize = 16;

class SimSerialPort : public SerialPort {
 public:
  explicit SimSerialPort(VirtualClock& clock);
  ~SimSerialPort() override;
  SimSerialPort(const SimSerialPort&) = delete;
  SimSerialPort& operator=(const SimSerialPort&) = delete;

  // A port that opens; logger may be nullptr (it opens but nothing answers).
  void addPort(int n, LoggerSimulator* logger);
  // A port that exists but refuses to open with this reason.
  void refusePort(int n, std::string errorText, OpenError why = OpenError::PermissionDenied);
  // The port vanishes: closed if open, later opens fail.
  void removePort(int n);
  void setPacing(bool paced) { paced_ = paced; }

  // Posts a notification for an event of this kind (Other: a line error, say), whatever
  // the threshold.
  void injectEvent(SerialEvent event);
  // Bytes that reach the open port after delayMs as if the device had sent them (line noise,
  // a fuzzer's bytes); dropped when the port is closed by then.
  void injectBytes(int64_t delayMs, std::vector<uint8_t> bytes) { Schedule(delayMs, std::move(bytes)); }

  // Every write, for timeline assertions.
  struct Write {
    int64_t at;
    int port;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Write>& writes() const { return writes_; }
  // Every chunk that reached the input buffer.
  struct Delivery {
    int64_t at;
    int port;
    size_t size;
  };
  const std::vector<Delivery>& deliveries() const { return deliveries_; }
  void clearLogs() {
    writes_.clear();
    deliveries_.clear();
  }
  size_t waitingBytes() const { return input_.size(); }
  const std::string& lineSettings() const { return lineSettings_; }
  int openCount() const { return openCount_; }

  // SerialPort
  void setLineSettings(const std::string& settings) override { lineSettings_ = settings; }
  void selectPort(int portNumber) override;
  int selectedPort() const override { return selected_; }
  bool isOpen() const override { return open_; }
  bool open() override;
  bool close() override;
  void setReceiveThreshold(int count) override;
  int receiveThreshold() const override { return threshold_; }
  void setBinaryInput() override {}
  void setReadAll() override {}
  void clearInput() override { input_.clear(); }
  // Bytes are handed to the logger as they are written, so there is never unsent output.
  void clearOutput() override {}
  bool write(const uint8_t* data, size_t size) override;
  std::vector<uint8_t> readAll() override;
  SerialEvent lastEvent() const override { return lastEvent_; }
  std::string errorText() const override { return errorText_; }
  OpenError lastOpenError() const override { return openError_; }

 private:
  struct Port {
    enum class State { Present, Refused, Removed } state = State::Present;
    LoggerSimulator* logger = nullptr;
    std::string refusal;
    OpenError why = OpenError::None;
  };
  void Schedule(int64_t delayMs, std::vector<uint8_t> bytes);
  void Deliver(std::vector<uint8_t> bytes);
  void PostDataNotification();
  void CancelInFlight();

  VirtualClock& clock_;
  std::map<int, Port> ports_;
  int selected_ = 1;
  bool open_ = false;
  int threshold_ = 1;
  bool paced_ = false;
  std::string lineSettings_;
  std::vector<uint8_t> input_;
  SerialEvent lastEvent_ = SerialEvent::None;
  std::string errorText_;
  OpenError openError_ = OpenError::None;
  int openCount_ = 0;

  // Clock events still to run, by our own token: bytes on the line and injected events.
  std::map<uint64_t, uint64_t> inFlight_;
  std::map<uint64_t, uint64_t> injected_;
  uint64_t nextToken_ = 0;
  uint64_t pendingNotification_ = 0;  // clock event of the posted data notification
  int64_t lineFreeAtUs_ = 0;          // when the reply line is idle again

  std::vector<Write> writes_;
  std::vector<Delivery> deliveries_;
};

}  // namespace k7740
