#include "link/qt/qt_serial_port.h"

#include <QMetaObject>

#include "common/text.h"
#include "link/port_doctor.h"
#include "link/qt/qt_port_facts.h"

namespace k7740 {

QStringList SerialPortTable() {
  const QByteArray env = qgetenv("K7740_SERIAL_PORTS");
  if (!env.isEmpty()) return QString::fromLocal8Bit(env).split(QLatin1Char(':'));
  QStringList table;
  for (int i = 0; i < 4; ++i) table << QStringLiteral("/dev/ttyS%1").arg(i);
  for (int i = 0; i < 8; ++i) table << QStringLiteral("/dev/ttyUSB%1").arg(i);
  for (int i = 0; i < 4; ++i) table << QStringLiteral("/dev/ttyACM%1").arg(i);
  return table;
}

QtSerialPort::QtSerialPort() : table_(SerialPortTable()) {
  QObject::connect(&port_, &QSerialPort::readyRead, [this] { onReadyRead(); });
  QObject::connect(&port_, &QSerialPort::errorOccurred,
                   [this](QSerialPort::SerialPortError e) { onError(e); });
}

QtSerialPort::~QtSerialPort() {
  if (port_.isOpen()) port_.close();
}

QString QtSerialPort::devicePath(int portNumber) const {
  if (portNumber < 1 || portNumber > table_.size()) return {};
  return table_.at(portNumber - 1);
}

void QtSerialPort::setLineSettings(const std::string& settings) {
  // Only "9600,n,8,1" is ever used; the speed is the one field worth reading.
  baud_ = LeadingInt(settings);
  if (baud_ <= 0) baud_ = 9600;
}

void QtSerialPort::selectPort(int portNumber) {
  // Each probe must reach the port it names, so switching ports closes the open one.
  if (port_.isOpen() && portNumber != portNumber_) port_.close();
  portNumber_ = portNumber;
}

bool QtSerialPort::isOpen() const { return port_.isOpen(); }

bool QtSerialPort::open() {
  const QString path = devicePath(portNumber_);
  if (path.isEmpty()) {
    openError_ = OpenError::NotFound;
    errorText_ = StrFormat("Serial port %d has no device (see K7740_SERIAL_PORTS).", portNumber_);
    return false;
  }
  if (port_.isOpen()) return true;
  port_.setPortName(path);
  if (!port_.open(QIODevice::ReadWrite)) {
    const std::string p = path.toStdString();
    const QSerialPort::SerialPortError error = port_.error();
    const std::string errorString = port_.errorString().toStdString();
    port_.clearError();
    // The library's own word is coarse (a lock held by another program reads as a permission
    // error), so a port that exists is looked at more closely.
    if (error != QSerialPort::DeviceNotFoundError) {
      const PortReport report = DiagnosePort(QtPortFacts(), portNumber_, path.toLocal8Bit().toStdString());
      switch (report.state) {
        case PortState::Permission:
          openError_ = OpenError::PermissionDenied;
          break;
        case PortState::Busy:
          openError_ = OpenError::Busy;
          break;
        case PortState::Missing:
        case PortState::Unassigned:
          openError_ = OpenError::NotFound;
          break;
        default:
          openError_ = OpenError::Other;
          break;
      }
      if (report.state != PortState::Opens) {
        errorText_ = report.Sentence();
        return false;
      }
    }
    switch (error) {
      case QSerialPort::DeviceNotFoundError:
        openError_ = OpenError::NotFound;
        errorText_ = "No serial device at " + p + ".";
        break;
      case QSerialPort::PermissionError:
        openError_ = OpenError::PermissionDenied;
        errorText_ = "Permission denied on " + p +
                     ": add your user to the 'dialout' group (sudo usermod -aG dialout $USER), "
                     "then log in again.";
        break;
      case QSerialPort::OpenError:
        openError_ = OpenError::Busy;
        errorText_ = p + " is in use by another program.";
        break;
      default:
        openError_ = OpenError::Other;
        errorText_ = "Cannot open " + p + ": " + errorString + ".";
        break;
    }
    return false;
  }
  port_.setBaudRate(baud_);
  port_.setDataBits(QSerialPort::Data8);
  port_.setParity(QSerialPort::NoParity);
  port_.setStopBits(QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
  openError_ = OpenError::None;
  errorText_.clear();
  return true;
}

std::string QtSerialPort::noLoggerHint() const { return NoLoggerHint(QtPortFacts(), PortTablePaths()); }

bool QtSerialPort::close() {
  if (port_.isOpen()) port_.close();
  return true;
}

void QtSerialPort::setReceiveThreshold(int count) { threshold_ = count < 1 ? 1 : count; }

void QtSerialPort::clearInput() {
  if (port_.isOpen()) {
    port_.clear(QSerialPort::Input);
    port_.readAll();
  }
}

void QtSerialPort::clearOutput() {
  if (port_.isOpen()) port_.clear(QSerialPort::Output);
}

bool QtSerialPort::write(const uint8_t* data, size_t size) {
  if (!port_.isOpen()) return false;
  const qint64 n = port_.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  return n == static_cast<qint64>(size);
}

std::vector<uint8_t> QtSerialPort::readAll() {
  if (!port_.isOpen()) return {};
  const QByteArray bytes = port_.readAll();
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void QtSerialPort::onReadyRead() {
  if (port_.bytesAvailable() < threshold_) return;
  lastEvent_ = SerialEvent::DataReceived;
  notify();
}

void QtSerialPort::onError(QSerialPort::SerialPortError error) {
  if (error == QSerialPort::NoError) return;
  // A vanished device: close it so the next open fails and the link reports it. Delivered
  // from the event loop so that no handler runs inside a port call.
  if (error == QSerialPort::ResourceError) {
    QMetaObject::invokeMethod(
        &port_,
        [this] {
          if (port_.isOpen()) port_.close();
          lastEvent_ = SerialEvent::Other;
          notify();
        },
        Qt::QueuedConnection);
  }
}

}  // namespace k7740
