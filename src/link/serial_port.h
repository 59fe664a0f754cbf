// The serial port as the link uses it. Implementations: QSerialPort (link/qt), the
// in-process simulator (sim/), and a hex-logging decorator.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace k7740 {

enum class SerialEvent { None, DataReceived, Other };
enum class OpenError { None, NotFound, PermissionDenied, Busy, Other };

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  virtual void setLineSettings(const std::string& settings) = 0;  // "9600,n,8,1"
  virtual void selectPort(int portNumber) = 0;                    // 1..16
  virtual int selectedPort() const = 0;
  virtual bool isOpen() const = 0;
  // Opens the selected port. False when it does not exist, is in use or is refused;
  // errorText() then says why in a sentence for the user.
  virtual bool open() = 0;
  virtual bool close() = 0;
  virtual void setReceiveThreshold(int count) = 0;
  virtual int receiveThreshold() const = 0;
  virtual void setBinaryInput() = 0;
  virtual void setReadAll() = 0;
  virtual void clearInput() = 0;
  virtual void clearOutput() = 0;
  // Queues bytes for sending. False when the port is not open or the write fails.
  virtual bool write(const uint8_t* data, size_t size) = 0;
  virtual std::vector<uint8_t> readAll() = 0;
  // The event that raised the latest notification. It survives close() and open().
  virtual SerialEvent lastEvent() const = 0;
  virtual std::string errorText() const = 0;
  // Why the last open failed; ports that exist but refuse are worth telling the user about.
  virtual OpenError lastOpenError() const { return OpenError::Other; }
  // Where the logger may be when no port answers (an adapter beyond the port table, say); empty
  // when there is nothing more to tell than that no port was found.
  virtual std::string noLoggerHint() const { return {}; }

  // The receive notification: called from the event loop (never from inside write) once at
  // least the threshold is waiting, or for any other communication event.
  void setNotifyHandler(std::function<void()> handler) { notify_ = std::move(handler); }

 protected:
  void notify() {
    if (notify_) notify_();
  }

 private:
  std::function<void()> notify_;
};

}  // namespace k7740
