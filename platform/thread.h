// Threads, events, non-recursive locks and the monotonic clock that tests can replace.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// A non-recursive lock. Taking it twice on one thread is a bug (asserted in debug builds natively).
using Lock = std::mutex;
using LockGuard = std::lock_guard<std::mutex>;

// An event in the Win32 sense: manual-reset stays set until reset; auto-reset releases one waiter.
class Event {
 public:
  explicit Event(bool manualReset = false, bool initiallySet = false);
  ~Event();
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  void set();
  void reset();
  // Waits until set or until timeoutMs passes (-1 = forever). Returns true when it was set.
  bool wait(int64_t timeoutMs = -1);

 private:
#if defined(_WIN32)
  // A kernel event: the C++ library's timed condition-variable wait is not reliable on Windows runtimes.
  void* handle_;
#else
  std::mutex m_;
  std::condition_variable cv_;
  bool set_;
  bool manual_;
#endif
};

// Milliseconds from an arbitrary start, never going back. Tests may install their own clock.
uint64_t nowMs();
using ClockFn = uint64_t (*)();
void setClockForTests(ClockFn fn);  // null restores the real clock

// Sleeps on the real clock (tests that replace the clock drive time themselves).
void sleepMs(uint32_t ms);

}  // namespace platform
