// Converted transfers from several threads share one scratch: each must get exactly what it would get
// alone, also while the scratch is being replaced and while progress callbacks read samples themselves.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "document/sample_transfer.h"
#include "platform/test_scale.h"

namespace document {
namespace {

TEST(SampleTransferThreads, ConvertedTransfersMatchSingleThreadedRuns) {
  ASSERT_TRUE(SampleScratchInit(kSampleScratchBytes));
  const uint32_t frames = 20000;
  const uint32_t seed = 42;
  std::printf("seed %u\n", seed);
  std::mt19937 rng(seed);
  std::vector<int16_t> stereo(frames * 2);
  for (auto& s : stereo) s = int16_t(rng());
  MemorySampleFile shared(XF_STEREO | XF_16BIT);
  shared.setBytes(std::vector<uint8_t>(reinterpret_cast<uint8_t*>(stereo.data()),
                                       reinterpret_cast<uint8_t*>(stereo.data()) + stereo.size() * 2));

  const uint16_t words[] = {XF_MONO | XF_8BIT, XF_STEREO | XF_32BIT, XF_MONO | XF_32BIT | XF_SRC_RIGHT,
                            XF_STEREO | XF_8BIT | XF_DST_LEFT};
  std::vector<std::vector<uint8_t>> expected;
  for (uint16_t w : words) {
    std::vector<uint8_t> out(frames * 8, 0);
    ASSERT_EQ(SampleRead(&shared, out.data(), 0, frames, w), frames);
    expected.push_back(out);
  }

  const int rounds = 4 * platform::testScale();
  std::atomic<int> mismatches{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (size_t t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      MemorySampleFile own(XF_STEREO | XF_16BIT);
      for (int r = 0; r < rounds; ++r) {
        std::vector<uint8_t> out(frames * 8, 0);
        auto progress = [&](uint32_t, uint32_t, uint32_t) {
          uint8_t few[8];
          SampleRead(&shared, few, 0, 2, XF_MONO | XF_8BIT);
          return 0;
        };
        if (SampleRead(&shared, out.data(), 0, frames, words[t], progress) != frames || out != expected[t])
          ++mismatches;
        // Write the float stereo form back into a 16-bit file of the thread's own: it must equal the source.
        std::vector<float> f(frames * 2);
        SampleRead(&shared, f.data(), 0, frames, XF_STEREO | XF_32BIT);
        if (SampleWrite(&own, f.data(), 0, frames, XF_STEREO | XF_32BIT) != frames ||
            std::memcmp(own.bytes().data(), stereo.data(), frames * 4) != 0)
          ++mismatches;
      }
    });
  }
  std::thread resizer([&] {
    uint32_t sizes[] = {64, 4096, kSampleScratchBytes, 1000};
    for (int i = 0; !stop.load(); ++i) {
      SampleScratchInit(sizes[i % 4]);
      std::this_thread::yield();
    }
  });
  for (auto& th : threads) th.join();
  stop = true;
  resizer.join();
  EXPECT_EQ(mismatches.load(), 0);
  SampleScratchInit(kSampleScratchBytes);
}

}  // namespace
}  // namespace document
