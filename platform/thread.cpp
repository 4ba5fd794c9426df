// The monotonic millisecond clock, which a test can replace so time-driven code (idle drains, timeouts)
// is tested without sleeping. Events are per platform (thread_posix.cpp, thread_win.cpp); their waits
// always measure the timeout on the real clock.
#include "platform/thread.h"

#include <atomic>
#include <chrono>

namespace platform {

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
