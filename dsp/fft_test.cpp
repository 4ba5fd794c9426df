// The two transforms against a double-precision reference: accuracy over seeded random inputs, the pinned
// sign convention, round trips, and sizes the radix-2 routine must refuse.
#include "dsp/fft.h"

#include <gtest/gtest.h>

#include "dsp/fft_test_util.h"

namespace dsp {
namespace {

using ffttest::Cd;

std::vector<Cd> viaFft(const std::vector<Cd>& x, int sign) {
  std::vector<float> a(2 * x.size() + 1, 0.0f);
  for (size_t k = 0; k < x.size(); ++k) {
    a[2 * k + 1] = float(x[k].real());
    a[2 * k + 2] = float(x[k].imag());
  }
  FFT(a.data(), uint32_t(x.size()), sign);
  std::vector<Cd> y(x.size());
  for (size_t k = 0; k < x.size(); ++k) y[k] = Cd(a[2 * k + 1], a[2 * k + 2]);
  return y;
}

std::vector<Cd> viaLfft(const std::vector<Cd>& x, int sign) {
  std::vector<double> re(x.size()), im(x.size());
  for (size_t k = 0; k < x.size(); ++k) {
    re[k] = x[k].real();
    im[k] = x[k].imag();
  }
  EXPECT_TRUE(LFFT(re.data(), im.data(), int32_t(x.size()), sign));
  std::vector<Cd> y(x.size());
  for (size_t k = 0; k < x.size(); ++k) y[k] = Cd(re[k], im[k]);
  return y;
}

// The reference sees the input rounded to float, as FFT does.
std::vector<Cd> roundedToFloat(std::vector<Cd> x) {
  for (auto& c : x) c = Cd(float(c.real()), float(c.imag()));
  return x;
}

TEST(FftTest, MatchesDoubleReferenceAtEveryPowerOfTwo) {
  for (int lg = 3; lg <= 15; ++lg) {
    const size_t n = size_t(1) << lg;
    double worst = 0, worstTrip = 0;
    const uint32_t seeds = ffttest::kFastReference ? 20 : 3;
    for (uint32_t seed = 1; seed <= seeds; ++seed) {
      const auto x = roundedToFloat(ffttest::randomComplex(n, seed * 7919 + lg));
      for (int sign : {+1, -1}) {
        const auto y = viaFft(x, sign);
        worst = std::max(worst, ffttest::relativeRms(y, ffttest::referenceDft(x, sign > 0 ? +1 : -1)));
        auto back = viaFft(y, -sign);
        for (auto& c : back) c /= double(n);
        for (size_t k = 0; k < n; ++k) worstTrip = std::max(worstTrip, std::abs(back[k] - x[k]));
      }
    }
    EXPECT_LE(worst, 5e-7) << "n = " << n;
    EXPECT_LE(worstTrip, 2e-6) << "n = " << n;
  }
}

TEST(FftTest, ImpulseAtOneGivesCosineAndSineOfThePinnedSign) {
  for (uint32_t n : {2u, 4u, 8u, 64u, 1024u}) {
    for (int sign : {+1, -1}) {
      std::vector<float> a(2 * n + 1, 0.0f);
      a[3] = 1.0f;  // point 1, real part
      FFT(a.data(), n, sign);
      for (uint32_t k = 0; k < n; ++k) {
        const double ang = 6.283185307179586 * k / n;
        EXPECT_NEAR(a[2 * k + 1], std::cos(ang), 1e-6) << n << " " << k;
        EXPECT_NEAR(a[2 * k + 2], sign * std::sin(ang), 1e-6) << n << " " << k;
      }
    }
  }
}

TEST(FftTest, RefusesSizesThatAreNotPowersOfTwo) {
  for (uint32_t n : {0u, 1u, 3u, 6u, 12u, 100u, 1000u, 4095u}) {
    std::vector<float> a(2 * 4096 + 1);
    for (size_t i = 0; i < a.size(); ++i) a[i] = float(i % 17) - 8.0f;
    const auto before = a;
    FFT(a.data(), n, +1);
    EXPECT_EQ(a, before) << "n = " << n;
  }
  FFT(nullptr, 8, 1);
}

TEST(LfftTest, MatchesDoubleReferenceForMixedSizes) {
  std::vector<size_t> sizes = {2,     3,   4,    5,    6,    7,     8,    9,     12,   15,
                               16,    17,  25,   31,   49,   64,    121,  211,   256,  1155,
                               14000, 800, 1600, 3200, 6400, 12800, 4096, 32768, 65536};
  for (size_t n : sizes) {
    double worst = 0, worstTrip = 0;
    const bool pow2 = (n & (n - 1)) == 0;
    if (!ffttest::kFastReference && !pow2 && n > 2000) continue;
    const int seeds = ffttest::kFastReference ? (n > 20000 ? 4 : 20) : 1;
    for (int seed = 1; seed <= seeds; ++seed) {
      const auto x = ffttest::randomComplex(n, uint32_t(seed * 31 + n));
      for (int sign : {+1, -1}) {
        const auto y = viaLfft(x, sign);
        worst = std::max(worst, ffttest::relativeRms(y, ffttest::referenceDft(x, sign > 0 ? -1 : +1)));
        auto back = viaLfft(y, -sign);
        for (auto& c : back) c /= double(n);
        for (size_t k = 0; k < n; ++k) worstTrip = std::max(worstTrip, std::abs(back[k] - x[k]));
      }
    }
    EXPECT_LE(worst, 1e-13) << "n = " << n;
    EXPECT_LE(worstTrip, 1e-13) << "n = " << n;
  }
}

TEST(LfftTest, SizesWithLargeSquareFreeProductsAreExact) {
  // 2 * 3 * 5 * 7 * 11 * 13 = 30030 and primes near and above the largest mixed radix.
  for (size_t n : {30030u, 2310u, 59u, 61u, 67u, 1009u, 2 * 1009u, 97u * 89u}) {
    if (!ffttest::kFastReference && n > 1100) continue;
    const auto x = ffttest::randomComplex(n, uint32_t(n));
    EXPECT_LE(ffttest::relativeRms(viaLfft(x, +1), ffttest::referenceDft(x, -1)), 1e-13) << "n = " << n;
  }
}

TEST(LfftTest, ImpulseAtOneAndTrivialSizes) {
  const int32_t n = 800;
  std::vector<double> re(n, 0.0), im(n, 0.0);
  re[1] = 1.0;
  ASSERT_TRUE(LFFT(re.data(), im.data(), n, +1));
  for (int k = 0; k < n; ++k) {
    EXPECT_NEAR(re[k], std::cos(6.283185307179586 * k / n), 1e-14);
    EXPECT_NEAR(im[k], -std::sin(6.283185307179586 * k / n), 1e-14);
  }
  double r1 = 3.5, i1 = -2.0;
  EXPECT_TRUE(LFFT(&r1, &i1, 1, +1));
  EXPECT_EQ(r1, 3.5);
  EXPECT_EQ(i1, -2.0);
  EXPECT_TRUE(LFFT(&r1, &i1, 0, +1));
  EXPECT_TRUE(LFFT(&r1, &i1, -5, +1));
  EXPECT_EQ(r1, 3.5);
}

}  // namespace
}  // namespace dsp
