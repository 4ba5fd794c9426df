// "Normalize": the peak after a run is the chosen level within 0.01 dB for 16-bit and 32-bit waves (and on
// the 256 grid for 8-bit ones), the samples stay on their wave's grid and in range, the shape is kept
// (every sample scaled by one gain), silence is left alone, a stop leaves the rest unwritten, and chunk size
// does not change the result.
#include "plugins/normalize/normalize_dsp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace normalize {
namespace {

std::vector<float> signal(int bits, size_t n, double amplitude, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  std::vector<float> x(n);
  for (size_t i = 0; i < n; ++i) {
    double v = amplitude * (0.6 * std::sin(0.01 * double(i)) + 0.4 * u(rng));
    x[i] = toGrid(v, bits);
  }
  return x;
}

Io memoryIo(std::vector<float>* file, int channels, int* writes = nullptr) {
  Io io;
  io.read = [file, channels](int32_t start, int32_t frames, float* out) {
    std::copy(file->begin() + start * channels, file->begin() + (start + frames) * channels, out);
    return frames;
  };
  io.write = [file, channels, writes](int32_t start, int32_t frames, const float* in) {
    std::copy(in, in + frames * channels, file->begin() + start * channels);
    if (writes) ++*writes;
    return frames;
  };
  return io;
}

TEST(NormalizeTest, LevelConversions) {
  EXPECT_NEAR(percentToDb(100), 0.0, 1e-12);
  EXPECT_NEAR(percentToDb(50), -6.0206, 1e-4);
  EXPECT_NEAR(dbToPercent(-60), 0.1, 1e-12);
  EXPECT_NEAR(dbToPercent(percentToDb(37.5)), 37.5, 1e-9);
  EXPECT_EQ(fullScale(8), 32512.0);
  EXPECT_EQ(fullScale(16), 32767.0);
  EXPECT_EQ(fullScale(32), 32768.0);
}

TEST(NormalizeTest, GridAndRange) {
  EXPECT_EQ(toGrid(1000.4, 16), 1000.0f);
  EXPECT_EQ(toGrid(-1000.5, 16), -1001.0f);
  EXPECT_EQ(toGrid(40000, 16), 32767.0f);
  EXPECT_EQ(toGrid(-40000, 16), -32768.0f);
  EXPECT_EQ(toGrid(300, 8), 256.0f);
  EXPECT_EQ(toGrid(40000, 8), 32512.0f);
  EXPECT_EQ(toGrid(-40000, 8), -32768.0f);
  EXPECT_EQ(toGrid(1234.567, 32), 1234.567f);
}

TEST(NormalizeTest, PeakReachesTheLevelWithin001Db) {
  struct Case {
    int bits, channels;
    double amplitude, percent;
  } cases[] = {
      {16, 1, 8000, 100},   {16, 2, 30000, 100}, {16, 2, 1200, 50},    {16, 1, 20000, 0.1},
      {16, 2, 32767, 70.7}, {32, 1, 5000, 100},  {32, 2, 90000, 25},   {32, 1, 3, 100},
      {16, 1, 40, 100},     {32, 2, 20000, 0.1}, {16, 2, 32000, 99.9},
  };
  uint32_t seed = 1;
  for (const Case& c : cases) {
    std::vector<float> file = signal(c.bits, 30000 * size_t(c.channels), c.amplitude, seed++);
    const std::vector<float> before = file;
    Result r = run(memoryIo(&file, c.channels), 0, 29999, c.channels, c.bits, c.percent, 4096);
    ASSERT_TRUE(r.completed);
    EXPECT_DOUBLE_EQ(r.peak, peakOf(before.data(), before.size()));
    const double peak = peakOf(file.data(), file.size());
    const double target = c.percent / 100.0 * fullScale(c.bits);
    // 16-bit: the peak is the level rounded to an integer, so within 0.01 dB wherever a step is that fine.
    if (c.bits == 16) {
      EXPECT_EQ(peak, std::round(target)) << c.amplitude << " " << c.percent;
    }
    if (c.bits == 32 || target >= 500) {
      EXPECT_NEAR(20 * std::log10(peak / target), 0.0, 0.01)
          << c.bits << " " << c.amplitude << " " << c.percent;
    }
    for (size_t i = 0; i < file.size(); ++i) {
      ASSERT_EQ(file[i], toGrid(file[i], c.bits));  // on the grid, in range
      // One gain for all: each sample is the scaled original to within half a step.
      ASSERT_NEAR(double(file[i]), double(before[i]) * r.gain, c.bits == 32 ? 1e-2 : 0.5 + 1e-9) << i;
    }
  }
}

TEST(NormalizeTest, EightBitPeaksOnTheirGrid) {
  std::vector<float> file = signal(8, 5000, 6000, 9);
  Result r = run(memoryIo(&file, 1), 0, 4999, 1, 8, 100);
  ASSERT_TRUE(r.completed);
  const double peak = peakOf(file.data(), file.size());
  EXPECT_LE(std::fabs(peak - 32512.0), 256.0);
  for (float v : file) ASSERT_EQ(std::fmod(double(v), 256.0), 0.0);
}

TEST(NormalizeTest, SilenceIsLeftAloneAndOnlyTheRangeIsTouched) {
  std::vector<float> file(1000, 0.0f);
  file[10] = 5000;  // outside the range
  Result r = run(memoryIo(&file, 1), 100, 899, 1, 16, 100);
  EXPECT_TRUE(r.completed);
  EXPECT_EQ(r.gain, 1.0);
  EXPECT_EQ(file[10], 5000.0f);
  for (size_t i = 100; i < 900; ++i) ASSERT_EQ(file[i], 0.0f);

  std::vector<float> f2 = signal(16, 2000, 1000, 4);
  const std::vector<float> before = f2;
  Result r2 = run(memoryIo(&f2, 2), 200, 699, 2, 16, 100, 64);
  ASSERT_TRUE(r2.completed);
  for (size_t i = 0; i < 400; ++i) ASSERT_EQ(f2[i], before[i]);
  for (size_t i = 1400; i < 2000; ++i) ASSERT_EQ(f2[i], before[i]);
  EXPECT_NEAR(peakOf(f2.data() + 400, 1000), 32767.0, 0.5);
}

TEST(NormalizeTest, StopInEitherPassAndChunkSizes) {
  std::vector<float> original = signal(16, 20000, 3000, 5);
  {
    std::vector<float> f = original;
    int writes = 0;
    Io io = memoryIo(&f, 1, &writes);
    io.progress = [](int64_t done, int64_t total) { return done < total / 4; };  // stops in the peak pass
    EXPECT_FALSE(run(io, 0, 19999, 1, 16, 100, 1000).completed);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(f, original);
  }
  {
    std::vector<float> f = original;
    Io io = memoryIo(&f, 1);
    int64_t last = 0;
    io.progress = [&](int64_t done, int64_t total) {
      EXPECT_GT(done, last);
      EXPECT_EQ(total, 40000);
      last = done;
      return done < 30000;
    };
    EXPECT_FALSE(run(io, 0, 19999, 1, 16, 100, 1000).completed);
    EXPECT_NE(f[0], original[0]);          // the first half was written
    EXPECT_EQ(f[19999], original[19999]);  // the rest was not
  }
  std::vector<float> a = original, b = original;
  ASSERT_TRUE(run(memoryIo(&a, 1), 0, 19999, 1, 16, 60, 1).completed);
  ASSERT_TRUE(run(memoryIo(&b, 1), 0, 19999, 1, 16, 60, 7777).completed);
  EXPECT_EQ(a, b);
}

TEST(NormalizeTest, ShortReadStops) {
  std::vector<float> f = signal(16, 100, 1000, 6);
  Io io = memoryIo(&f, 1);
  io.read = [](int32_t, int32_t frames, float*) { return frames - 1; };
  EXPECT_FALSE(run(io, 0, 99, 1, 16, 100).completed);
}

}  // namespace
}  // namespace normalize
