#include "link/qt/qt_timer_host.h"

namespace k7740 {

QtTimerHost::QtTimerHost() { clock_.start(); }

void QtTimerHost::start(int id, int periodMs) {
  auto& timer = timers_[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.get(), &QTimer::timeout, [this, id] { fire(id); });
  }
  timer->start(periodMs);
}

void QtTimerHost::stop(int id) {
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

bool QtTimerHost::isRunning(int id) const {
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

}  // namespace k7740
