// Tests of events and the replaceable clock.
#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>

namespace platform {
namespace {

TEST(Event, AutoResetReleasesOneWaitAndClears) {
  Event e(false, true);
  EXPECT_TRUE(e.wait(0));
  EXPECT_FALSE(e.wait(0));  // cleared by the first wait
  e.set();
  e.set();  // setting twice is still one release
  EXPECT_TRUE(e.wait(0));
  EXPECT_FALSE(e.wait(0));
}

TEST(Event, ManualResetStaysSetUntilReset) {
  Event e(true, false);
  EXPECT_FALSE(e.wait(0));
  e.set();
  EXPECT_TRUE(e.wait(0));
  EXPECT_TRUE(e.wait(0));
  e.reset();
  EXPECT_FALSE(e.wait(0));
}

TEST(Event, TimeoutWaitsAtLeastTheTimeOnTheRealClock) {
  Event e;
  uint64_t t0 = nowMs();
  EXPECT_FALSE(e.wait(60));
  uint64_t waited = nowMs() - t0;
  EXPECT_GE(waited, 59u);  // the clock's millisecond truncation may cost one
  EXPECT_LT(waited, 5000u);
}

std::atomic<uint64_t> gFake{0};
uint64_t fakeClock() {
  return gFake.load();
}

TEST(Event, ReplacedClockDrivesNowButNotWaits) {
  gFake = 1000;
  setClockForTests(fakeClock);
  EXPECT_EQ(nowMs(), 1000u);
  gFake = 6000;
  EXPECT_EQ(nowMs(), 6000u);
  // A frozen test clock must not make a timed wait hang: waits run on real time.
  Event e;
  EXPECT_FALSE(e.wait(20));
  EXPECT_EQ(nowMs(), 6000u);
  setClockForTests(nullptr);
  uint64_t a = nowMs();
  sleepMs(15);
  uint64_t b = nowMs();
  EXPECT_GE(b, a + 14);
  EXPECT_LT(b, 1000000000u);  // back on the real clock, not the fake one's values
}

TEST(Event, WakesAWaiterOnAnotherThread) {
  Event start(true, false), done(false, false);
  std::atomic<bool> woke{false};
  std::thread waiter([&] {
    woke = start.wait(10000);
    done.set();
  });
  sleepMs(10);  // let it block first (the test holds either way)
  start.set();
  EXPECT_TRUE(done.wait(10000));
  waiter.join();
  EXPECT_TRUE(woke.load());
  EXPECT_TRUE(start.wait(0));  // manual reset: still set for the next waiter
}

TEST(Event, HugeTimeoutStillWaitsForTheEvent) {
  Event e;
  std::atomic<bool> setting{false};
  std::thread setter([&] {
    sleepMs(30);
    setting = true;
    e.set();
  });
  EXPECT_TRUE(e.wait(INT64_MAX));  // must neither overflow into "timed out" nor return before the set
  EXPECT_TRUE(setting.load());
  setter.join();
}

TEST(Clock, NeverGoesBack) {
  uint64_t last = nowMs();
  for (int i = 0; i < 10000; ++i) {
    uint64_t t = nowMs();
    ASSERT_GE(t, last);
    last = t;
  }
}

}  // namespace
}  // namespace platform
