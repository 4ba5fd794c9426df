// Two threads window FFT arrays of different sizes at once (as the preview thread and the main thread
// do): each must see its own table, rebuilt as its size changes, and its own last table for the inverse.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "dsp/fft.h"
#include "dsp/window.h"

namespace dsp {
namespace {

// Windows and un-windows arrays of alternating sizes; counts results that differ from the table.
int windowLoop(uint32_t n1, uint32_t n2, int rounds, std::atomic<bool>& go) {
  while (!go.load()) std::this_thread::yield();
  int bad = 0;
  std::vector<float> t1, t2;
  BuildWindowTable(t1, n1, 1);
  BuildWindowTable(t2, n2, 1);
  for (int r = 0; r < rounds; ++r) {
    const uint32_t n = (r % 2) ? n2 : n1;
    const std::vector<float>& t = (r % 2) ? t2 : t1;
    std::vector<float> a(2 * n + 1, 1.0f);
    WindowFFT(a.data(), n, 1);
    for (uint32_t k = 0; k < n / 2; ++k)
      if (a[2 * (n / 2 + k) + 1] != t[k] || a[2 * (n / 2 - 1 - k) + 2] != t[k]) ++bad;
    IWindowFFT(a.data(), 1);
    for (uint32_t p = 0; p < n; ++p)
      if (a[2 * p + 1] != 1.0f || a[2 * p + 2] != 1.0f) ++bad;
    std::vector<double> d(n, 1.0);
    WindowLFFT(d.data(), int32_t(n));
    if (d[n / 2] != double(t[0])) ++bad;
    FFT(a.data(), n, 1);  // plans of both sizes built and used concurrently
  }
  return bad;
}

TEST(WindowConcurrencyTest, ThreadsKeepTheirOwnTables) {
  SetWindowType(1);
  std::atomic<bool> go{false};
  int badA = -1, badB = -1;
  std::thread a([&] { badA = windowLoop(512, 2048, 200, go); });
  std::thread b([&] { badB = windowLoop(1024, 256, 200, go); });
  go.store(true);
  a.join();
  b.join();
  EXPECT_EQ(badA, 0);
  EXPECT_EQ(badB, 0);
}

TEST(WindowConcurrencyTest, TypeChangesWhileAnotherThreadWindowsAreSafe) {
  std::atomic<bool> stop{false};
  std::thread setter([&] {
    for (int i = 0; !stop.load(); ++i) SetWindowType(i % kWindowTypes);
  });
  for (int r = 0; r < 300; ++r) {
    const uint32_t n = 256u << (r % 4);
    std::vector<float> a(2 * n + 1, 1.0f);
    WindowFFT(a.data(), n, 0);
    for (uint32_t p = 0; p < n; ++p) ASSERT_LE(a[2 * p + 1], 1.0f);
    IWindowFFT(a.data(), 0);
  }
  stop.store(true);
  setter.join();
}

TEST(WindowConcurrencyTest, LfftFromSeveralThreads) {
  std::atomic<bool> go{false};
  std::atomic<int> bad{0};
  auto work = [&](int32_t n) {
    while (!go.load()) std::this_thread::yield();
    for (int r = 0; r < 50; ++r) {
      std::vector<double> re(size_t(n), 0.0), im(size_t(n), 0.0);
      re[0] = 1.0;
      LFFT(re.data(), im.data(), n, (r % 2) ? 1 : -1);
      for (int32_t k = 0; k < n; ++k)
        if (std::abs(re[k] - 1.0) > 1e-12 || std::abs(im[k]) > 1e-12) ++bad;
    }
  };
  std::thread a(work, 800), b(work, 211), c(work, 1024);
  go.store(true);
  a.join();
  b.join();
  c.join();
  EXPECT_EQ(bad.load(), 0);
}

}  // namespace
}  // namespace dsp
