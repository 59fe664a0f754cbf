#include "link/qt/qt_port_facts.h"

#include <QSerialPortInfo>

#include "link/qt/qt_serial_port.h"

namespace k7740 {

std::vector<AdapterInfo> QtPortFacts::adapters() const {
  std::vector<AdapterInfo> list;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    AdapterInfo a;
    a.path = info.systemLocation().toStdString();
    a.description = info.description().toStdString();
    a.manufacturer = info.manufacturer().toStdString();
    if (info.hasVendorIdentifier()) a.vendorId = info.vendorIdentifier();
    if (info.hasProductIdentifier()) a.productId = info.productIdentifier();
    a.serialNumber = info.serialNumber().toStdString();
    list.push_back(a);
  }
  return list;
}

std::vector<std::string> PortTablePaths() {
  std::vector<std::string> paths;
  for (const QString& p : SerialPortTable()) paths.push_back(p.toLocal8Bit().toStdString());
  return paths;
}

}  // namespace k7740
