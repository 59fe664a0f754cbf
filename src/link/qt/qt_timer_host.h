// TimerHost on QTimer.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <map>
#include <memory>

#include "link/timer_host.h"

namespace k7740 {

class QtTimerHost : public TimerHost {
 public:
  QtTimerHost();
  void start(int id, int periodMs) override;
  void stop(int id) override;
  bool isRunning(int id) const override;
  int64_t nowMs() const override { return clock_.elapsed(); }

 private:
  std::map<int, std::unique_ptr<QTimer>> timers_;
  QElapsedTimer clock_;
};

}  // namespace k7740
