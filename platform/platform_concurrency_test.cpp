// Concurrency tests of the platform layer (also built under ThreadSanitizer): the share-mode registry,
// the I/O counters, the fault injector and events, each hammered from several threads.
//
// Native only: on Windows the share modes and events are the system's own, and 32-bit Wine run through
// qemu-user (on kernels without 32-bit support) crashes at random in processes with several threads.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/fault_injection.h"
#include "platform/file.h"
#include "platform/profile.h"
#include "platform/test_dir.h"
#include "platform/test_scale.h"
#include "platform/thread.h"

namespace platform {
namespace {

int scaled(int n) {
  return n * testScale();
}

TEST(PlatformConcurrency, ExclusiveOpenNeverOverlapsSharedReaders) {
  TestDir dir;
  const std::string p = dir.file("shared");
  File* f = nullptr;
  ASSERT_EQ(fileOpen(p, kFileWrite | kFileCreate, &f), FileStatus::Ok);
  fileClose(f);
  std::atomic<int> readers{0}, overlaps{0}, exclusiveWins{0}, readerFailures{0};
  std::atomic<bool> exclusiveHeld{false};
  const int rounds = scaled(300);
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < rounds; ++i) {
        File* h = nullptr;
        FileStatus st = fileOpen(p, kFileRead | kFileShareRead, &h);
        if (st != FileStatus::Ok) {
          if (st != FileStatus::SharingViolation) ++readerFailures;
          continue;
        }
        ++readers;
        if (exclusiveHeld) ++overlaps;
        --readers;
        fileClose(h);
      }
    });
  threads.emplace_back([&] {
    for (int i = 0; i < rounds; ++i) {
      File* h = nullptr;
      if (fileOpen(p, kFileRead | kFileWrite, &h) != FileStatus::Ok) continue;
      exclusiveHeld = true;
      ++exclusiveWins;
      if (readers.load() != 0) ++overlaps;
      exclusiveHeld = false;
      fileClose(h);
    }
  });
  for (auto& t : threads) t.join();
  EXPECT_EQ(overlaps.load(), 0);
  EXPECT_EQ(readerFailures.load(), 0);
  std::printf("exclusive opens won: %d of %d\n", exclusiveWins.load(), rounds);
}

TEST(PlatformConcurrency, CountersAreExactUnderContention) {
  TestDir dir;
  File* f = nullptr;
  ASSERT_EQ(
      fileOpen(dir.file("c"), kFileRead | kFileWrite | kFileCreate | kFileShareRead | kFileShareWrite, &f),
      FileStatus::Ok);
  const int perThread = scaled(200);
  resetIoCounters();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      char buf[10] = {char('a' + t)};
      uint32_t done = 0;
      for (int i = 0; i < perThread; ++i) {
        fileOps().write(f, uint64_t(t) * 10, buf, 10, &done);
        fileOps().read(f, uint64_t(t) * 10, buf, 10, &done);
      }
    });
  for (auto& t : threads) t.join();
  fileClose(f);
  IoCounters c = ioCounters();
  EXPECT_EQ(c.writes, uint64_t(4 * perThread));
  EXPECT_EQ(c.reads, uint64_t(4 * perThread));
  EXPECT_EQ(c.bytesWritten, uint64_t(40 * perThread));
  EXPECT_EQ(c.bytesRead, uint64_t(40 * perThread));
}

TEST(PlatformConcurrency, InjectorFailsExactlyOneCallAcrossThreads) {
  TestDir dir;
  File* f = nullptr;
  ASSERT_EQ(fileOpen(dir.file("i"), kFileRead | kFileWrite | kFileCreate, &f), FileStatus::Ok);
  FaultInjector inj;
  inj.setCounted(kOpReadWrite);
  inj.failAt(57, FileStatus::IoError);
  std::atomic<int> delays{0};
  inj.setDelayHook([&](unsigned op) {
    if (++delays % 16 == 0) std::this_thread::yield();
  });
  std::atomic<int> failed{0};
  {
    ScopedFileOps use(inj.ops());
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
      threads.emplace_back([&] {
        char buf[4] = {};
        uint32_t done = 0;
        for (int i = 0; i < 50; ++i)
          if (fileOps().write(f, 0, buf, 4, &done) != FileStatus::Ok) ++failed;
      });
    for (auto& t : threads) t.join();
  }
  fileClose(f);
  EXPECT_EQ(failed.load(), 1);
  EXPECT_EQ(inj.calls(), 200u);
  EXPECT_EQ(inj.failures(), 1u);
  EXPECT_EQ(delays.load(), 200);
}

TEST(PlatformConcurrency, AutoResetEventsPingPong) {
  Event ping(false, false), pong(false, false);
  const int rounds = scaled(2000);
  int seen = 0;  // written by the other thread between the events: the events order the accesses
  std::thread other([&] {
    for (int i = 0; i < rounds; ++i) {
      ASSERT_TRUE(ping.wait(10000));
      ++seen;
      pong.set();
    }
  });
  for (int i = 0; i < rounds; ++i) {
    ping.set();
    ASSERT_TRUE(pong.wait(10000));
    ASSERT_EQ(seen, i + 1);
  }
  other.join();
}

}  // namespace
}  // namespace platform

#endif  // _WIN32
