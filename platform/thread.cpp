// Events and the monotonic millisecond clock. The clock can be replaced by a test so time-driven code
// (idle drains, timeouts) is tested without sleeping; Event::wait always measures its timeout on the real
// clock, because a condition variable can only wait on real time.
#include "platform/thread.h"

#include <atomic>
#include <chrono>

namespace platform {

Event::Event(bool manualReset, bool initiallySet) : set_(initiallySet), manual_(manualReset) {}

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

namespace {

uint64_t realClock() {
  using namespace std::chrono;
  static const steady_clock::time_point start = steady_clock::now();
  return uint64_t(duration_cast<milliseconds>(steady_clock::now() - start).count());
}

std::atomic<ClockFn> gClock{nullptr};

}  // namespace

uint64_t nowMs() {
  ClockFn fn = gClock.load(std::memory_order_acquire);
  return fn ? fn() : realClock();
}

void setClockForTests(ClockFn fn) {
  gClock.store(fn, std::memory_order_release);
}

void sleepMs(uint32_t ms) {
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace platform
