// Overlap-add convolution against a direct double convolution for every kernel layout, identity kernels
// (exact reproduction, no write outside the range), cancel, the block-size rule, the memory retry and
// invalid arguments. The "file" is a memory array read and written through the callbacks.
#include "dsp/convolve.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "dsp/fft_test_util.h"

namespace dsp {
namespace {

// Frames of 16-bit or float samples with a log of every write.
struct MemoryWave {
  int bits = 32, channels = 1;
  std::vector<unsigned char> bytes;
  std::vector<std::pair<int32_t, int32_t>> writes;  // (byte position, byte count)
  int reads = 0;
  int frameSize() const { return channels * (bits == 32 ? 4 : 2); }
  int64_t frames() const { return int64_t(bytes.size()) / frameSize(); }
  double sample(int64_t frame, int ch) const {
    const size_t i = size_t(frame) * channels + ch;
    if (bits == 32) {
      float v;
      std::memcpy(&v, bytes.data() + 4 * i, 4);
      return v;
    }
    int16_t v;
    std::memcpy(&v, bytes.data() + 2 * i, 2);
    return v;
  }
  static int32_t read(void* d, void* buf, int32_t pos, int32_t count) {
    auto* w = static_cast<MemoryWave*>(d);
    ++w->reads;
    const int64_t avail = std::max<int64_t>(0, int64_t(w->bytes.size()) - pos);
    const int32_t n = int32_t(std::min<int64_t>(avail, count));
    if (n > 0) std::memcpy(buf, w->bytes.data() + pos, size_t(n));
    return n;
  }
  static int32_t write(void* d, void* buf, int32_t pos, int32_t count) {
    auto* w = static_cast<MemoryWave*>(d);
    w->writes.push_back({pos, count});
    std::memcpy(w->bytes.data() + pos, buf, size_t(count));
    return count;
  }
};

MemoryWave randomWave(int bits, int channels, int64_t frames, uint32_t seed) {
  MemoryWave w;
  w.bits = bits;
  w.channels = channels;
  w.bytes.resize(size_t(frames) * w.frameSize());
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> d(-30000.0f, 30000.0f);
  for (size_t i = 0; i < size_t(frames) * channels; ++i) {
    if (bits == 32) {
      const float v = d(rng);
      std::memcpy(w.bytes.data() + 4 * i, &v, 4);
    } else {
      const int16_t v = int16_t(int(rng() % 65536) - 32768);
      std::memcpy(w.bytes.data() + 2 * i, &v, 2);
    }
  }
  return w;
}

class CountingProgress : public ConvolveProgress {
 public:
  void open(const char*, uint32_t total) override { total_ = total; }
  void step() override { ++steps_; }
  bool cancelled() override {
    return cancelAfterWrites_ >= 0 && wave_ && int(wave_->writes.size()) >= cancelAfterWrites_;
  }
  void outOfMemory() override { ++oom_; }
  uint32_t total_ = 0, steps_ = 0;
  int oom_ = 0;
  int cancelAfterWrites_ = -1;
  const MemoryWave* wave_ = nullptr;
};

int64_t run(MemoryWave& w, int32_t first, int32_t last, int mix, int k, const std::vector<double>& kernel,
            int32_t len, int32_t centre, double a, double b, ConvolveProgress* p = nullptr,
            const char* title = nullptr) {
  return ConvoluteEx(w.bits, w.channels, w.frameSize(), first, last, mix, k, kernel.data(), len, centre,
                     title, &w, MemoryWave::read, MemoryWave::write, a, b, p);
}

// Direct convolution of the original wave for output frame o and channel ch, per layout.
double direct(const MemoryWave& in, int64_t o, int ch, int32_t first, int mix, int k,
              const std::vector<double>& kernel, int32_t len, int32_t centre, double a, double b) {
  auto x = [&](int64_t i, int c) { return (i < first || i >= in.frames()) ? 0.0 : in.sample(i, c); };
  double s = 0;
  for (int32_t j = 0; j < len; ++j) {
    const int64_t i = o + centre - j;
    if (in.channels == 1) {
      s += x(i, 0) * a * kernel[size_t(j) * k];
    } else if (mix) {
      const double m = (x(i, 0) + x(i, 1)) / 2;
      s += m *
           (k == 1 ? a * kernel[j] : (ch == 0 ? a * kernel[size_t(j) * k] : b * kernel[size_t(j) * k + 1]));
    } else if (k == 4) {
      const double g = ch == 0 ? a : b;
      s += g * (x(i, 0) * kernel[4 * size_t(j) + ch] + x(i, 1) * kernel[4 * size_t(j) + 2 + ch]);
    } else {
      s += x(i, ch) * a * kernel[size_t(j) * k];
    }
  }
  return s;
}

// Every write lies inside [first, last] and together they cover it exactly once.
void expectWritesCover(const MemoryWave& w, int32_t first, int32_t last) {
  int64_t next = int64_t(first) * w.frameSize();
  for (const auto& [pos, count] : w.writes) {
    EXPECT_EQ(pos, next);
    next = int64_t(pos) + count;
  }
  EXPECT_EQ(next, (int64_t(last) + 1) * w.frameSize());
}

TEST(ConvolveTest, OneTapOfOneReproducesFloatMonoAndStereoExactly) {
  for (int channels : {1, 2}) {
    MemoryWave w = randomWave(32, channels, 100000, 7 + channels);
    const MemoryWave orig = w;
    const int32_t first = 1234, last = 77777;
    const std::vector<double> kernel = {1.0, 1.0, 1.0, 1.0};
    const int64_t bytes = run(w, first, last, 0, 1, kernel, 1, 0, 1.0, 1.0);
    EXPECT_EQ(bytes, int64_t(last - first + 1) * w.frameSize());
    EXPECT_EQ(w.bytes, orig.bytes) << "channels " << channels;
    expectWritesCover(w, first, last);
  }
}

TEST(ConvolveTest, OneTapOfOneReproduces16BitSamples) {
  for (int channels : {1, 2}) {
    MemoryWave w = randomWave(16, channels, 50000, 3 + channels);
    // Full-scale extremes stay as they are (limited, not wrapped).
    std::memcpy(w.bytes.data() + 2 * 1000, "\x00\x80\xff\x7f", 4);
    const MemoryWave orig = w;
    const std::vector<double> kernel = {1.0};
    run(w, 0, int32_t(w.frames() - 1), 0, 1, kernel, 1, 0, 1.0, 1.0);
    EXPECT_EQ(w.bytes, orig.bytes) << "channels " << channels;
  }
}

TEST(ConvolveTest, RandomKernelMatchesDirectConvolutionInEveryLayout) {
  struct Case {
    int channels, mix, k;
  };
  const Case cases[] = {{1, 0, 1}, {2, 0, 1}, {2, 1, 1}, {2, 1, 2},
                        {2, 0, 4}, {2, 1, 0}, {2, 0, 0}, {1, 0, 0}};
  const int32_t len = 63, centre = 31, first = 3001, last = 15000;
  for (const Case& cs : cases) {
    const int k = cs.k ? cs.k : (cs.channels == 1 ? 1 : (cs.mix ? 2 : 4));
    std::mt19937 rng(99 + cs.k * 10 + cs.mix);
    std::uniform_real_distribution<double> d(-0.3, 0.3);
    std::vector<double> kernel(size_t(len) * k);
    for (double& v : kernel) v = d(rng);
    MemoryWave w = randomWave(32, cs.channels, 20000, 5);
    const MemoryWave orig = w;
    const double a = 0.8, b = 1.3;
    run(w, first, last, cs.mix, cs.k, kernel, len, centre, a, b);
    double worst = 0;
    for (int64_t o = first; o <= last; ++o)
      for (int ch = 0; ch < cs.channels; ++ch)
        worst = std::max(worst, std::abs(w.sample(o, ch) -
                                         direct(orig, o, ch, first, cs.mix, k, kernel, len, centre, a, b)));
    EXPECT_LE(worst, 1e-6 * 32768) << cs.channels << " ch, mix " << cs.mix << ", K " << cs.k;
    for (int64_t o : {int64_t(0), int64_t(first - 1), int64_t(last + 1), w.frames() - 1})
      for (int ch = 0; ch < cs.channels; ++ch) EXPECT_EQ(w.sample(o, ch), orig.sample(o, ch));
    expectWritesCover(w, first, last);
  }
}

TEST(ConvolveTest, CancelAfterTheFirstBlockLeavesTheTailUntouched) {
  for (int channels : {1, 2}) {
    MemoryWave w = randomWave(32, channels, 60000, 11);
    const MemoryWave orig = w;
    std::vector<double> kernel(101, 0.0);
    kernel[50] = 0.5;
    CountingProgress p;
    p.wave_ = &w;
    p.cancelAfterWrites_ = 1;
    const int64_t bytes = run(w, 0, 59999, 0, 1, kernel, 101, 50, 1.0, 1.0, &p, "Filter");
    ASSERT_EQ(w.writes.size(), 1u);
    EXPECT_EQ(bytes, w.writes[0].second);
    const size_t end = size_t(w.writes[0].first + w.writes[0].second);
    EXPECT_LT(end, w.bytes.size());
    EXPECT_TRUE(std::equal(w.bytes.begin() + end, w.bytes.end(), orig.bytes.begin() + end));
  }
}

TEST(ConvolveTest, StaleCancelOnEntryIsIgnoredAndStepsMatchTheTotal) {
  struct Case {
    int channels, mix, k;
  };
  for (const Case cs : {Case{1, 0, 1}, Case{2, 0, 1}, Case{2, 1, 2}, Case{2, 0, 4}}) {
    MemoryWave w = randomWave(16, cs.channels, 30000, 13);
    std::vector<double> kernel(size_t(257) * cs.k, 0.01);
    CountingProgress p;
    p.cancelAfterWrites_ = 0;  // set before the call starts
    p.wave_ = &w;
    run(w, 10, 29000, cs.mix, cs.k, kernel, 257, 128, 1.0, 1.0, &p, "Filter");
    EXPECT_GT(w.writes.size(), 1u);
    EXPECT_EQ(p.steps_, p.total_) << cs.channels << " " << cs.mix << " " << cs.k;
  }
}

TEST(ConvolveTest, BlockSizeRule) {
  const std::pair<int32_t, uint32_t> anchors[] = {{1, 256},         {64, 512},       {257, 2048},
                                                  {1025, 8192},     {4097, 32768},   {8193, 65536},
                                                  {209715, 262144}, {500000, 262144}};
  for (const auto& [len, q] : anchors) EXPECT_EQ(ConvolveBlockSize(len), q) << len;
  for (int32_t len = 1; len < 300000; len = len * 3 + 1)
    EXPECT_GT(ConvolveBlockSize(len), uint32_t(std::min(len, kConvolveMaxLength)));
  EXPECT_EQ(ConvolveBlockSize(0), 0u);
  EXPECT_EQ(ConvolveBlockSize(-5), 0u);
  EXPECT_EQ(ConvolveRetryBlockSize(4097), 8192u);
  EXPECT_EQ(ConvolveRetryBlockSize(1), 2u);
}

TEST(ConvolveTest, NonPositiveLengthAndBadArgumentsWriteNothing) {
  MemoryWave w = randomWave(16, 2, 1000, 1);
  const std::vector<double> kernel(16, 1.0);
  for (int32_t len : {0, -1, -100000}) EXPECT_EQ(run(w, 0, 999, 0, 1, kernel, len, 0, 1, 1), 0);
  EXPECT_EQ(run(w, 500, 499, 0, 1, kernel, 4, 0, 1, 1), 0);
  EXPECT_EQ(run(w, 0, 999, 0, 5, kernel, 4, 0, 1, 1), 0);
  EXPECT_EQ(ConvoluteEx(24, 2, 4, 0, 999, 0, 1, kernel.data(), 4, 0, nullptr, &w, MemoryWave::read,
                        MemoryWave::write, 1, 1, nullptr),
            0);
  EXPECT_EQ(ConvoluteEx(16, 3, 6, 0, 999, 0, 1, kernel.data(), 4, 0, nullptr, &w, MemoryWave::read,
                        MemoryWave::write, 1, 1, nullptr),
            0);
  EXPECT_TRUE(w.writes.empty());
  EXPECT_EQ(w.reads, 0);
}

TEST(ConvolveTest, SmallerBlockWhenMemoryIsShortAndMessageWhenNone) {
  MemoryWave w = randomWave(32, 2, 40000, 21);
  const MemoryWave orig = w;
  std::vector<double> kernel(4097, 0.0);
  kernel[2048] = 1.0;
  CountingProgress p;
  SetConvolveMemoryLimitForTests(2u << 20);  // too little for 32768-point blocks, enough for 8192
  run(w, 0, 39999, 0, 1, kernel, 4097, 2048, 1.0, 1.0, &p);
  EXPECT_EQ(p.oom_, 0);
  double worst = 0;
  for (int64_t o = 0; o < 40000; ++o)
    for (int ch = 0; ch < 2; ++ch) worst = std::max(worst, std::abs(w.sample(o, ch) - orig.sample(o, ch)));
  EXPECT_LE(worst, 1e-6 * 32768);
  EXPECT_GT(w.writes.size(), 40000u / (32768 - 4096));  // smaller blocks: more of them

  w.writes.clear();
  SetConvolveMemoryLimitForTests(1000);
  EXPECT_EQ(run(w, 0, 39999, 0, 1, kernel, 4097, 2048, 1.0, 1.0, &p), 0);
  EXPECT_EQ(p.oom_, 1);
  EXPECT_TRUE(w.writes.empty());
  SetConvolveMemoryLimitForTests(SIZE_MAX);
  EXPECT_STREQ(kConvolveNoMemoryText, "Not enough memory to continue operation");
  EXPECT_STREQ(kConvolveNoMemoryCaption, "Error");
}

TEST(ConvolveTest, InputAfterLastComesFromTheFileAndBeforeFirstIsZero) {
  MemoryWave w = randomWave(32, 1, 5000, 31);
  const MemoryWave orig = w;
  const std::vector<double> kernel = {0.25, 0.5, 0.25};
  run(w, 100, 199, 0, 1, kernel, 3, 1, 1.0, 1.0);
  // Frame 100 sees no input before it; frame 199 sees frame 200 from the file.
  EXPECT_NEAR(w.sample(100, 0), 0.5 * orig.sample(100, 0) + 0.25 * orig.sample(101, 0), 1e-3);
  EXPECT_NEAR(w.sample(199, 0),
              0.25 * orig.sample(198, 0) + 0.5 * orig.sample(199, 0) + 0.25 * orig.sample(200, 0), 1e-3);
}

}  // namespace
}  // namespace dsp
