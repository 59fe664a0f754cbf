// Window timers: start timer id with a period (restarting a running one), stop it. A timer
// fires until its handler stops it.
#pragma once

#include <cstdint>
#include <functional>

namespace k7740 {

// Main window timers.
inline constexpr int kTimerDownloadRepeat = 2;
inline constexpr int kTimerSetupRepeat = 3;
inline constexpr int kTimerPortScan = 4;
inline constexpr int kTimerProbeStep = 5;
inline constexpr int kTimerLinkCheck = 6;
inline constexpr int kTimerZoomReset = 8;
inline constexpr int kTimerHeaderTimeout = 9;
inline constexpr int kTimerBlockRetry = 10;
inline constexpr int kTimerTransferTimeout = 11;
inline constexpr int kTimerBlockRequest = 12;

inline constexpr int kPortScanFromCommandMs = 100;
inline constexpr int kPortScanAfterFailureMs = 1000;
inline constexpr int kProbeStepMs = 500;
inline constexpr int kLinkCheckMs = 3000;
inline constexpr int kRepeatMs = 500;
inline constexpr int kZoomResetMs = 50;
inline constexpr int kHeaderTimeoutMs = 10000;
inline constexpr int kBlockRetryAfterHeaderMs = 3000;
inline constexpr int kBlockRetryAfterBlockMs = 1900;
inline constexpr int kTransferTimeoutMs = 8000;
inline constexpr int kBlockRequestAfterHeaderMs = 1;
inline constexpr int kBlockRequestAfterBlockMs = 20;

class TimerHost {
 public:
  virtual ~TimerHost() = default;
  virtual void start(int id, int periodMs) = 0;
  virtual void stop(int id) = 0;
  virtual bool isRunning(int id) const = 0;
  // Milliseconds since an arbitrary origin; virtual in tests.
  virtual int64_t nowMs() const = 0;

  void setHandler(std::function<void(int id)> handler) { handler_ = std::move(handler); }

 protected:
  void fire(int id) {
    if (handler_) handler_(id);
  }

 private:
  std::function<void(int)> handler_;
};

}  // namespace k7740
