#include "link/hex_log_port.h"

#include <cinttypes>

namespace k7740 {

std::string HexBytes(const uint8_t* data, size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 3);
  for (size_t i = 0; i < size; ++i) {
    if (i) out.push_back(' ');
    out.push_back(kDigits[data[i] >> 4]);
    out.push_back(kDigits[data[i] & 0x0F]);
  }
  return out;
}

HexLogPort::HexLogPort(SerialPort& inner, const std::string& logPath, std::function<int64_t()> clock)
    : inner_(inner), clock_(std::move(clock)) {
  if (!logPath.empty()) file_ = std::fopen(logPath.c_str(), "a");
  inner_.setNotifyHandler([this] { notify(); });
}

HexLogPort::~HexLogPort() {
  if (file_) std::fclose(file_);
}

void HexLogPort::Line(const char* what, const uint8_t* data, size_t size) {
  if (!file_) return;
  std::fprintf(file_, "%10" PRId64 " port %d %s%s%s\n", clock_ ? clock_() : 0, inner_.selectedPort(), what,
               size > 0 ? " " : "", HexBytes(data, size).c_str());
  std::fflush(file_);
}

bool HexLogPort::open() {
  const bool ok = inner_.open();
  if (file_) {
    const std::string note = ok ? "open" : "open failed: " + inner_.errorText();
    Line(note.c_str(), nullptr, 0);
  }
  return ok;
}

bool HexLogPort::close() {
  Line("close", nullptr, 0);
  return inner_.close();
}

bool HexLogPort::write(const uint8_t* data, size_t size) {
  Line("TX", data, size);
  return inner_.write(data, size);
}

std::vector<uint8_t> HexLogPort::readAll() {
  std::vector<uint8_t> bytes = inner_.readAll();
  Line("RX", bytes.data(), bytes.size());
  return bytes;
}

}  // namespace k7740
