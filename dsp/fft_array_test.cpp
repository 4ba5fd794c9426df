// Sample <-> FFT array conversion: scaling, layout, the 16-bit round trip through a transform pair, and
// saturation of the get routines (including infinities and NaN).
#include "dsp/fft_array.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "dsp/fft.h"
#include "dsp/fft_test_util.h"

namespace dsp {
namespace {

TEST(FftArrayTest, SetRoutinesScaleAndLayOutThePoints) {
  const int16_t s16[] = {-32768, -1, 0, 16384};
  const uint8_t s8[] = {0, 127, 128, 255};
  std::vector<float> a(9, 7.0f);
  SetFFT16bit(a.data(), s16, 4);
  EXPECT_EQ(a, (std::vector<float>{0, -1.0f, 0, -1.0f / 32768, 0, 0, 0, 0.5f, 0}));
  SetFFT8bit(a.data(), s8, 4);
  EXPECT_EQ(a, (std::vector<float>{0, -1.0f, 0, -1.0f / 128, 0, 0, 0, 127.0f / 128, 0}));
  SetStereoFFT16bit(a.data(), s16, s16 + 2, 2);
  EXPECT_EQ(std::vector<float>(a.begin(), a.begin() + 5),
            (std::vector<float>{0, -1.0f, 0, -1.0f / 32768, 0.5f}));
  SetStereoFFT8bit(a.data(), s8, s8 + 2, 2);
  EXPECT_EQ(std::vector<float>(a.begin(), a.begin() + 5),
            (std::vector<float>{0, -1.0f, 0, -1.0f / 128, 127.0f / 128}));
  SetStereoFFT16bitInterleaved(a.data(), s16, 2);
  EXPECT_EQ(std::vector<float>(a.begin(), a.begin() + 5),
            (std::vector<float>{0, -1.0f, -1.0f / 32768, 0, 0.5f}));
  SetStereoFFT8bitInterleaved(a.data(), s8, 2);
  EXPECT_EQ(std::vector<float>(a.begin(), a.begin() + 5),
            (std::vector<float>{0, -1.0f, -1.0f / 128, 0, 127.0f / 128}));
}

TEST(FftArrayTest, SixteenBitRoundTripIsExactOrOneStepTowardZero) {
  for (uint32_t n : {256u, 4096u, 32768u}) {
    std::mt19937 rng(n);
    std::vector<int16_t> in(2 * n);
    for (auto& s : in) s = int16_t(int(rng() % 65535) - 32767);
    std::vector<float> a(2 * n + 1);
    SetStereoFFT16bitInterleaved(a.data(), in.data(), n);
    FFT(a.data(), n, +1);
    FFT(a.data(), n, -1);
    std::vector<int16_t> out(2 * n, 0);
    GetStereoFFT16bitInterleaved(a.data(), out.data(), n, 0);
    for (size_t i = 0; i < in.size(); ++i) {
      const int d = int(in[i]) - int(out[i]);
      ASSERT_TRUE(d == 0 || (in[i] > 0 && d == 1) || (in[i] < 0 && d == -1))
          << "n " << n << " i " << i << " in " << in[i] << " out " << out[i];
    }
  }
}

TEST(FftArrayTest, GetScalesByAFloatingFactorForSizesThatAreNotPowersOfTwo) {
  // c = 32768 / 800 = 40.96; integer division would give 40.
  std::vector<float> a(2 * 800 + 1, 0.0f);
  a[1] = 100.0f;
  std::vector<int16_t> out(1600, 0);
  GetStereoFFT16bitInterleaved(a.data(), out.data(), 800, 0);
  EXPECT_EQ(out[0], 4096);
  std::vector<uint8_t> o8(1600, 0);
  a[1] = 6.25f;  // 128 / 800 * 6.25 = 1
  GetStereoFFT8bitInterleaved(a.data(), o8.data(), 800, 0);
  EXPECT_EQ(o8[0], 129);
}

TEST(FftArrayTest, GetSaturatesEveryModeAndMapsInfinityAndNan) {
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  // n = 1: c = 32768 (16-bit), 128 (8-bit).
  const float parts[] = {0, 2.0f, -2.0f, inf, -inf, nan, 0.5f, -0.25f};
  std::vector<float> a(parts, parts + 8);
  a.push_back(0);
  std::vector<int16_t> o(8, 0);
  GetStereoFFT16bitInterleaved(a.data(), o.data(), 4, 0);  // c = 8192
  EXPECT_EQ(o, (std::vector<int16_t>{16384, -16384, 32767, -32767, 0, 4096, -2048, 0}));
  std::vector<int16_t> m(8, 30000);
  GetStereoFFT16bitInterleaved(a.data(), m.data(), 4, 1);  // 30000 -/+ 16384: saturates, no wrap
  EXPECT_EQ(m[0], 13616);
  EXPECT_EQ(m[1], 32767);
  EXPECT_EQ(m[2], -32768);
  EXPECT_EQ(m[3], 32767);
  EXPECT_EQ(m[4], 0);
  std::vector<int16_t> big(8, 32000);
  std::vector<float> neg(9, -1.0f);
  GetStereoFFT16bitInterleaved(neg.data(), big.data(), 4, 1);
  for (int16_t v : big) EXPECT_EQ(v, 32767);

  std::vector<uint8_t> b(8, 0);
  GetStereoFFT8bitInterleaved(a.data(), b.data(), 4, 0);  // c = 32
  EXPECT_EQ(b, (std::vector<uint8_t>{192, 64, 255, 0, 128, 144, 120, 128}));
  std::vector<uint8_t> bm(8, 250);
  bm[1] = 5;
  GetStereoFFT8bitInterleaved(a.data(), bm.data(), 4, 1);
  EXPECT_EQ(bm[0], 186);
  EXPECT_EQ(bm[1], 69);
  EXPECT_EQ(bm[2], 0);
  EXPECT_EQ(bm[3], 255);
  EXPECT_EQ(bm[4], 128);
  std::vector<uint8_t> b8(8, 5);
  std::vector<float> pos(9, 1.0f);
  GetStereoFFT8bitInterleaved(pos.data(), b8.data(), 4, 1);  // 5 - 32 saturates at 0
  for (uint8_t v : b8) EXPECT_EQ(v, 0);
}

TEST(FftArrayTest, OtherModesAndEmptySizesChangeNothing) {
  std::vector<float> a(9, 1.0f);
  std::vector<int16_t> o(8, 7);
  GetStereoFFT16bitInterleaved(a.data(), o.data(), 4, 2);
  GetStereoFFT16bitInterleaved(a.data(), o.data(), 0, 0);
  GetStereoFFT16bitInterleaved(a.data(), o.data(), 4, -1);
  for (int16_t v : o) EXPECT_EQ(v, 7);
  std::vector<uint8_t> b(8, 7);
  GetStereoFFT8bitInterleaved(a.data(), b.data(), 4, 5);
  for (uint8_t v : b) EXPECT_EQ(v, 7);
}

}  // namespace
}  // namespace dsp
