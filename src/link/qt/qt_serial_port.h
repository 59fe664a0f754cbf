// SerialPort on QSerialPort. Port N is a device path from the port table.
#pragma once

#include <QSerialPort>
#include <QString>
#include <QStringList>

#include "link/serial_port.h"

namespace k7740 {

// The device paths of ports 1..16: $K7740_SERIAL_PORTS (colon-separated; entry i is port i)
// or the default table (/dev/ttyS0-3, /dev/ttyUSB0-7, /dev/ttyACM0-3).
QStringList SerialPortTable();

class QtSerialPort : public SerialPort {
 public:
  QtSerialPort();
  ~QtSerialPort() override;

  void setLineSettings(const std::string& settings) override;
  void selectPort(int portNumber) override;
  int selectedPort() const override { return portNumber_; }
  bool isOpen() const override;
  bool open() override;
  bool close() override;
  void setReceiveThreshold(int count) override;
  int receiveThreshold() const override { return threshold_; }
  void setBinaryInput() override {}
  void setReadAll() override {}
  void clearInput() override;
  void clearOutput() override;
  bool write(const uint8_t* data, size_t size) override;
  std::vector<uint8_t> readAll() override;
  SerialEvent lastEvent() const override { return lastEvent_; }
  std::string errorText() const override { return errorText_; }
  OpenError lastOpenError() const override { return openError_; }
  std::string noLoggerHint() const override;

  QString devicePath(int portNumber) const;

 private:
  void onReadyRead();
  void onError(QSerialPort::SerialPortError error);

  QSerialPort port_;
  QStringList table_;
  int portNumber_ = 1;
  int threshold_ = 1;
  qint32 baud_ = 9600;
  SerialEvent lastEvent_ = SerialEvent::None;
  std::string errorText_;
  OpenError openError_ = OpenError::None;
};

}  // namespace k7740
