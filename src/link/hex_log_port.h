// A SerialPort decorator that logs every byte crossing the port as hex lines, so that a failed
// download in the field can be replayed as a test fixture.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "link/serial_port.h"

namespace k7740 {

class HexLogPort : public SerialPort {
 public:
  // clock: milliseconds for the time column. The log file is appended to.
  HexLogPort(SerialPort& inner, const std::string& logPath, std::function<int64_t()> clock);
  ~HexLogPort() override;
  bool logging() const { return file_ != nullptr; }

  void setLineSettings(const std::string& s) override { inner_.setLineSettings(s); }
  void selectPort(int n) override { inner_.selectPort(n); }
  int selectedPort() const override { return inner_.selectedPort(); }
  bool isOpen() const override { return inner_.isOpen(); }
  bool open() override;
  bool close() override;
  void setReceiveThreshold(int c) override { inner_.setReceiveThreshold(c); }
  int receiveThreshold() const override { return inner_.receiveThreshold(); }
  void setBinaryInput() override { inner_.setBinaryInput(); }
  void setReadAll() override { inner_.setReadAll(); }
  void clearInput() override { inner_.clearInput(); }
  void clearOutput() override { inner_.clearOutput(); }
  bool write(const uint8_t* data, size_t size) override;
  std::vector<uint8_t> readAll() override;
  SerialEvent lastEvent() const override { return inner_.lastEvent(); }
  std::string errorText() const override { return inner_.errorText(); }
  OpenError lastOpenError() const override { return inner_.lastOpenError(); }
  std::string noLoggerHint() const override { return inner_.noLoggerHint(); }

 private:
  void Line(const char* what, const uint8_t* data, size_t size);
  SerialPort& inner_;
  std::FILE* file_ = nullptr;
  std::function<int64_t()> clock_;
};

// Formats bytes as "AC 01 FF".
std::string HexBytes(const uint8_t* data, size_t size);

}  // namespace k7740
