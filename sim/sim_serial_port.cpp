#include "sim/sim_serial_port.h"

#include <algorithm>

#include "common/text.h"

namespace k7740 {

namespace {

// Microseconds for n bytes at 9600 baud, 10 bits each: n x 10^7 / 9600 = n x 3125 / 3.
int64_t LineTimeUs(size_t n) { return (static_cast<int64_t>(n) * 3125 + 1) / 3; }

int64_t CeilMs(int64_t us) { return (us + 999) / 1000; }

}  // namespace

SimSerialPort::SimSerialPort(VirtualClock& clock) : clock_(clock) {}

SimSerialPort::~SimSerialPort() {
  CancelInFlight();
  for (const auto& [token, id] : injected_) clock_.cancel(id);
  if (pendingNotification_ != 0) clock_.cancel(pendingNotification_);
}

void SimSerialPort::addPort(int n, LoggerSimulator* logger) {
  ports_[n] = Port{Port::State::Present, logger, {}, OpenError::None};
}

void SimSerialPort::refusePort(int n, std::string errorText, OpenError why) {
  if (n == selected_ && open_) close();
  ports_[n] = Port{Port::State::Refused, nullptr, std::move(errorText), why};
}

void SimSerialPort::removePort(int n) {
  if (n == selected_ && open_) close();
  ports_[n] = Port{Port::State::Removed, nullptr, {}, OpenError::NotFound};
}

void SimSerialPort::selectPort(int portNumber) {
  // Each probe must reach the port it names, so switching closes the port first.
  if (open_) close();
  selected_ = portNumber;
}

bool SimSerialPort::open() {
  if (open_) return true;
  auto it = ports_.find(selected_);
  if (it == ports_.end() || it->second.state == Port::State::Removed) {
    errorText_ = StrFormat("Serial port %d does not exist. Check that the data logger's cable is plugged in.",
                           selected_);
    openError_ = OpenError::NotFound;
    return false;
  }
  if (it->second.state == Port::State::Refused) {
    errorText_ = it->second.refusal;
    openError_ = it->second.why;
    return false;
  }
  open_ = true;
  ++openCount_;
  return true;
}

bool SimSerialPort::close() {
  open_ = false;
  input_.clear();
  CancelInFlight();
  if (pendingNotification_ != 0) {
    clock_.cancel(pendingNotification_);
    pendingNotification_ = 0;
  }
  lineFreeAtUs_ = 0;
  return true;
}

void SimSerialPort::CancelInFlight() {
  for (const auto& [token, id] : inFlight_) clock_.cancel(id);
  inFlight_.clear();
}

void SimSerialPort::setReceiveThreshold(int count) {
  threshold_ = count < 1 ? 1 : count;
  if (open_ && input_.size() >= static_cast<size_t>(threshold_)) PostDataNotification();
}

bool SimSerialPort::write(const uint8_t* data, size_t size) {
  if (!open_) return false;
  writes_.push_back({clock_.now(), selected_, std::vector<uint8_t>(data, data + size)});
  const auto it = ports_.find(selected_);
  LoggerSimulator* logger = it == ports_.end() ? nullptr : it->second.logger;
  if (logger == nullptr) return true;
  std::vector<uint8_t> reply = logger->receive(data, size);
  if (reply.empty()) return true;

  if (!paced_) {
    Schedule(1, std::move(reply));
    return true;
  }

  // The reply follows whatever is still on the line and arrives in chunks, each when its
  // last byte has been received.
  const int64_t nowUs = clock_.now() * 1000;
  const int64_t startUs = std::max(nowUs, lineFreeAtUs_);
  for (size_t begin = 0; begin < reply.size(); begin += kSimChunkSize) {
    const size_t end = std::min(begin + kSimChunkSize, reply.size());
    const int64_t arrivalMs = CeilMs(startUs + LineTimeUs(end));
    std::vector<uint8_t> chunk(reply.begin() + static_cast<std::ptrdiff_t>(begin),
                               reply.begin() + static_cast<std::ptrdiff_t>(end));
    Schedule(arrivalMs - clock_.now(), std::move(chunk));
  }
  lineFreeAtUs_ = startUs + LineTimeUs(reply.size());
  return true;
}

void SimSerialPort::Schedule(int64_t delayMs, std::vector<uint8_t> bytes) {
  const uint64_t token = ++nextToken_;
  inFlight_[token] = clock_.post(delayMs, [this, token, b = std::move(bytes)]() mutable {
    inFlight_.erase(token);
    Deliver(std::move(b));
  });
}

void SimSerialPort::Deliver(std::vector<uint8_t> bytes) {
  if (!open_) return;
  deliveries_.push_back({clock_.now(), selected_, bytes.size()});
  input_.insert(input_.end(), bytes.begin(), bytes.end());
  if (input_.size() >= static_cast<size_t>(threshold_)) PostDataNotification();
}

void SimSerialPort::PostDataNotification() {
  if (pendingNotification_ != 0) return;
  pendingNotification_ = clock_.post(0, [this] {
    pendingNotification_ = 0;
    // The handler may have read the input or raised the threshold since this was posted.
    if (!open_ || input_.size() < static_cast<size_t>(threshold_)) return;
    lastEvent_ = SerialEvent::DataReceived;
    notify();
  });
}

void SimSerialPort::injectEvent(SerialEvent event) {
  const uint64_t token = ++nextToken_;
  injected_[token] = clock_.post(0, [this, token, event] {
    injected_.erase(token);
    lastEvent_ = event;
    notify();
  });
}

std::vector<uint8_t> SimSerialPort::readAll() {
  std::vector<uint8_t> out;
  out.swap(input_);
  return out;
}

}  // namespace k7740
