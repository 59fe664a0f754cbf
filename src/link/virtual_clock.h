// Virtual time for tests and the in-process simulator: a clock that the caller advances,
// running due timers and queued events in time order, one at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "link/timer_host.h"

namespace k7740 {

class VirtualClock {
 public:
  int64_t now() const { return now_; }
  // Runs fn at now + delayMs (after everything already due at that time). Returns an id.
  uint64_t post(int64_t delayMs, std::function<void()> fn);
  void cancel(uint64_t id);
  // Runs every event due up to now + ms, in time order, then sets now to now + ms.
  void advance(int64_t ms);
  // Runs events until none is left or limitMs of virtual time have passed. Returns true if idle.
  bool runUntilIdle(int64_t limitMs);
  // Advances until pred() is true (checked after each event) or limitMs pass; true when pred held.
  bool runUntil(const std::function<bool()>& pred, int64_t limitMs);
  bool hasPending() const { return !events_.empty(); }

 private:
  bool runNext(int64_t until);
  struct Key {
    int64_t when;
    uint64_t seq;
    bool operator<(const Key& o) const { return when != o.when ? when < o.when : seq < o.seq; }
  };
  std::map<Key, std::function<void()>> events_;
  std::map<uint64_t, Key> byId_;
  int64_t now_ = 0;
  uint64_t seq_ = 0;
};

// TimerHost on a VirtualClock.
class VirtualTimerHost : public TimerHost {
 public:
  explicit VirtualTimerHost(VirtualClock& clock) : clock_(clock) {}
  ~VirtualTimerHost() override;
  void start(int id, int periodMs) override;
  void stop(int id) override;
  bool isRunning(int id) const override;
  int64_t nowMs() const override { return clock_.now(); }

  // Every start, for timeline assertions: (time, id, period).
  struct Start {
    int64_t at;
    int id;
    int periodMs;
  };
  const std::vector<Start>& starts() const { return starts_; }
  void clearLog() { starts_.clear(); }

 private:
  void schedule(int id);
  VirtualClock& clock_;
  struct Running {
    int periodMs;
    uint64_t eventId;
    uint64_t generation;
  };
  std::map<int, Running> running_;
  std::vector<Start> starts_;
  uint64_t generation_ = 0;
};

}  // namespace k7740
