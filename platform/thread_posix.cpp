// Events over a mutex and a condition variable.
#include "platform/thread.h"

#include <chrono>

namespace platform {

Event::Event(bool manualReset, bool initiallySet) : set_(initiallySet), manual_(manualReset) {}

Event::~Event() = default;

void Event::set() {
  {
    std::lock_guard<std::mutex> lock(m_);
    set_ = true;
  }
  // A manual-reset event releases every waiter; an auto-reset one releases one, which clears it.
  if (manual_)
    cv_.notify_all();
  else
    cv_.notify_one();
}

void Event::reset() {
  std::lock_guard<std::mutex> lock(m_);
  set_ = false;
}

bool Event::wait(int64_t timeoutMs) {
  std::unique_lock<std::mutex> lock(m_);
  auto ready = [this] { return set_; };
  if (timeoutMs < 0) {
    cv_.wait(lock, ready);
  } else {
    // Long timeouts wait in steps: the clock arithmetic behind wait_for overflows near INT64_MAX
    // nanoseconds, which would make a very long wait return at once.
    const int64_t kStep = int64_t(1) << 30;  // about 12 days
    for (;;) {
      int64_t step = timeoutMs < kStep ? timeoutMs : kStep;
      if (cv_.wait_for(lock, std::chrono::milliseconds(step), ready)) break;
      timeoutMs -= step;
      if (timeoutMs <= 0) return false;
    }
  }
  if (!manual_) set_ = false;
  return true;
}

}  // namespace platform
