// Window tables (formulas, indexing from the centre, the ends), windowing of FFT arrays and double arrays,
// the inverse, and the stored type.
#include "dsp/window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace dsp {
namespace {

// f(i) of each type, i counted from the outer end, straight from the definitions.
double model(int type, uint32_t n, uint32_t i) {
  const double twoPi = double(6.2831855f), fn = n, x = double(i) / fn;
  const uint32_t h = n / 2;
  switch (type) {
    case 0:
      return 1.0 - double(h - 1 - i) / double(h + 1);
    case 1:
      return 0.5001 - 0.4999 * std::cos(twoPi * x);
    case 2:
      return 0.54 - 0.46 * std::cos(twoPi * x);
    case 3:
      return 0.42 - 0.5 * std::cos(twoPi * x) + 0.08 * std::cos(2 * twoPi * x);
    case 4: {
      const double t = (i + (1.0 - fn) / 2) / ((fn + 1) / 2);
      return 1 - t * t;
    }
    default: {
      const double y = i / (fn - 1);
      return 0.35875 - 0.48829 * std::cos(twoPi * y) + 0.14128 * std::cos(2 * twoPi * y) -
             0.01168 * std::cos(3 * twoPi * y);
    }
  }
}

TEST(WindowTest, TablesHoldTheWeightsFromTheCentreOutwards) {
  for (int type = 0; type < kWindowTypes; ++type)
    for (uint32_t n : {2u, 3u, 16u, 255u, 1024u, 32768u}) {
      std::vector<float> t;
      ASSERT_TRUE(BuildWindowTable(t, n, type));
      ASSERT_EQ(t.size(), n / 2);
      for (uint32_t k = 0; k < n / 2; ++k)
        EXPECT_NEAR(t[k], model(type, n, n / 2 - 1 - k), 2e-7) << type << " " << n;
    }
  std::vector<float> t;
  EXPECT_FALSE(BuildWindowTable(t, 1, 1));
  EXPECT_FALSE(BuildWindowTable(t, 0, 1));
  ASSERT_TRUE(BuildWindowTable(t, 64, 1));
  EXPECT_NEAR(t.back(), 0.0002, 1e-7);  // Hanning stays above zero at its ends
  ASSERT_TRUE(BuildWindowTable(t, 64, 3));
  EXPECT_NEAR(t.back(), 0.0, 1e-7);  // Blackman starts at (almost) zero
  ASSERT_TRUE(BuildWindowTable(t, 64, 4));
  EXPECT_LT(t.back(), 0.2);  // Welch in floating point is not all ones
  ASSERT_TRUE(BuildWindowTable(t, 64, 99));
  for (float v : t) EXPECT_EQ(v, 1.0f);
}

TEST(WindowTest, SetWindowTypeStoresNegativeTypesButReturnsZero) {
  EXPECT_EQ(SetWindowType(-1), 0);
  EXPECT_EQ(WindowType(), -1);
  EXPECT_EQ(SetWindowType(3), 3);
  EXPECT_EQ(WindowType(), 3);
}

TEST(WindowTest, WindowFftWeighsMirroredPointsAndTheInverseRestoresTheCentre) {
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> d(-1, 1);
  for (int type = 0; type < kWindowTypes; ++type)
    for (int stereo : {0, 1}) {
      SetWindowType(type);
      const uint32_t n = 512;
      std::vector<float> a(2 * n + 1);
      for (float& v : a) v = d(rng);
      const auto orig = a;
      WindowFFT(a.data(), n, stereo);
      std::vector<float> t;
      BuildWindowTable(t, n, type);
      for (uint32_t k = 0; k < n / 2; ++k)
        for (uint32_t p : {n / 2 - 1 - k, n / 2 + k}) {
          EXPECT_FLOAT_EQ(a[2 * p + 1], orig[2 * p + 1] * t[k]);
          EXPECT_FLOAT_EQ(a[2 * p + 2], stereo ? orig[2 * p + 2] * t[k] : orig[2 * p + 2]);
        }
      IWindowFFT(a.data(), stereo);
      for (uint32_t p = n / 4; p < 3 * n / 4; ++p) {
        EXPECT_NEAR(a[2 * p + 1], orig[2 * p + 1], 1e-5);
        EXPECT_NEAR(a[2 * p + 2], orig[2 * p + 2], 1e-5);
      }
    }
  std::vector<float> a(9, 1.0f);
  WindowFFT(a.data(), 0, 1);
  for (float v : a) EXPECT_EQ(v, 1.0f);
}

TEST(WindowTest, WindowLfftCentresOnTheMiddleElementAndClearsTheFirst) {
  SetWindowType(1);
  for (int32_t n : {8, 2048, 32768}) {
    std::vector<double> a(size_t(n), 1.0);
    WindowLFFT(a.data(), n);
    std::vector<float> t;
    BuildWindowTable(t, uint32_t(n), 1);
    const int32_t h = n / 2;
    EXPECT_EQ(a[0], 0.0);
    EXPECT_DOUBLE_EQ(a[h], t[0]);
    for (int32_t j = 1; j < h; ++j) {
      EXPECT_DOUBLE_EQ(a[h - j], t[j]);
      EXPECT_DOUBLE_EQ(a[h + j], t[j]);
    }
  }
}

TEST(WindowTest, TableFollowsTheTypeAndSize) {
  SetWindowType(0);
  std::vector<float> a(2 * 16 + 1, 1.0f);
  WindowFFT(a.data(), 16, 0);
  const float tri = a[1];
  SetWindowType(1);
  std::fill(a.begin(), a.end(), 1.0f);
  WindowFFT(a.data(), 16, 0);
  EXPECT_NE(a[1], tri);  // rebuilt for the new type
  std::vector<float> b(2 * 32 + 1, 1.0f);
  WindowFFT(b.data(), 32, 0);
  std::vector<float> t;
  BuildWindowTable(t, 32, 1);
  EXPECT_FLOAT_EQ(b[1], t[15]);  // rebuilt for the new size
}

}  // namespace
}  // namespace dsp
