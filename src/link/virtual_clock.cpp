#include "link/virtual_clock.h"

namespace k7740 {

uint64_t VirtualClock::post(int64_t delayMs, std::function<void()> fn) {
  const uint64_t id = ++seq_;
  const Key key{now_ + (delayMs < 0 ? 0 : delayMs), id};
  events_.emplace(key, std::move(fn));
  byId_.emplace(id, key);
  return id;
}

void VirtualClock::cancel(uint64_t id) {
  auto it = byId_.find(id);
  if (it == byId_.end()) return;
  events_.erase(it->second);
  byId_.erase(it);
}

bool VirtualClock::runNext(int64_t until) {
  if (events_.empty()) return false;
  auto it = events_.begin();
  if (it->first.when > until) return false;
  now_ = it->first.when;
  auto fn = std::move(it->second);
  byId_.erase(it->first.seq);
  events_.erase(it);
  fn();
  return true;
}

void VirtualClock::advance(int64_t ms) {
  const int64_t until = now_ + ms;
  while (runNext(until)) {
  }
  now_ = until;
}

bool VirtualClock::runUntilIdle(int64_t limitMs) {
  const int64_t until = now_ + limitMs;
  while (runNext(until)) {
  }
  if (events_.empty()) return true;
  now_ = until;
  return false;
}

bool VirtualClock::runUntil(const std::function<bool()>& pred, int64_t limitMs) {
  const int64_t until = now_ + limitMs;
  if (pred()) return true;
  while (runNext(until)) {
    if (pred()) return true;
  }
  now_ = until;
  return pred();
}

VirtualTimerHost::~VirtualTimerHost() {
  for (auto& [id, r] : running_) clock_.cancel(r.eventId);
}

void VirtualTimerHost::schedule(int id) {
  auto& r = running_[id];
  const uint64_t gen = r.generation;
  r.eventId = clock_.post(r.periodMs, [this, id, gen] {
    auto it = running_.find(id);
    if (it == running_.end() || it->second.generation != gen) return;
    // Re-arm before firing so a handler that stops or restarts the timer wins.
    schedule(id);
    fire(id);
  });
}

void VirtualTimerHost::start(int id, int periodMs) {
  stop(id);
  starts_.push_back({clock_.now(), id, periodMs});
  running_[id] = Running{periodMs < 1 ? 1 : periodMs, 0, ++generation_};
  schedule(id);
}

void VirtualTimerHost::stop(int id) {
  auto it = running_.find(id);
  if (it == running_.end()) return;
  clock_.cancel(it->second.eventId);
  running_.erase(it);
}

bool VirtualTimerHost::isRunning(int id) const { return running_.count(id) != 0; }

}  // namespace k7740
