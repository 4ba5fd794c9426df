// The C entry points forward to the portable routines with their argument conventions: the old
// Convolute's frame size and callbacks without data, ConvoluteEx's callback data, a 16-bit n of 32768 for
// WindowFFT, and sizes FFT refuses.
#include "dsp/fft_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "dsp/convolve.h"
#include "dsp/window.h"

namespace {

std::vector<int16_t> gWave;
std::vector<std::pair<int32_t, int32_t>> gWrites;

int32_t SORN_DSP_CALL oldRead(void* buf, int32_t pos, int32_t bytes) {
  const int32_t avail = int32_t(gWave.size() * 2) - pos;
  const int32_t n = std::max(0, std::min(avail, bytes));
  std::memcpy(buf, reinterpret_cast<const char*>(gWave.data()) + pos, size_t(n));
  return n;
}
int32_t SORN_DSP_CALL oldWrite(void* buf, int32_t pos, int32_t bytes) {
  gWrites.push_back({pos, bytes});
  std::memcpy(reinterpret_cast<char*>(gWave.data()) + pos, buf, size_t(bytes));
  return bytes;
}
int32_t SORN_DSP_CALL exRead(void* data, void* buf, int32_t pos, int32_t bytes) {
  EXPECT_EQ(data, &gWave);
  return oldRead(buf, pos, bytes);
}
int32_t SORN_DSP_CALL exWrite(void* data, void* buf, int32_t pos, int32_t bytes) {
  EXPECT_EQ(data, &gWave);
  return oldWrite(buf, pos, bytes);
}

class CancelAtOnce : public dsp::ConvolveProgress {
 public:
  void open(const char*, uint32_t) override { opened = true; }
  bool cancelled() override { return opened && !gWrites.empty(); }
  bool opened = false;
};

TEST(FftServicesTest, OldConvoluteUsesTheBufferFrameSize) {
  gWave.assign(2 * 3000, 0);
  for (size_t i = 0; i < gWave.size(); ++i) gWave[i] = int16_t(i * 37 % 20000 - 10000);
  const auto orig = gWave;
  gWrites.clear();
  const double kernel[] = {2.0};
  const int32_t bytes = Convolute(16, 2, 100, 2899, 0, 1, kernel, 1, 0, nullptr, oldRead, oldWrite, 0.5, 1.0);
  EXPECT_EQ(bytes, 2800 * 4);
  EXPECT_EQ(gWrites.front().first, 100 * 4);
  EXPECT_EQ(gWave, orig);  // 2.0 * 0.5 = identity
}

TEST(FftServicesTest, ConvoluteExPassesTheCallbackDataAndTheInstalledProgress) {
  gWave.assign(100000, 1000);
  gWrites.clear();
  CancelAtOnce p;
  dsp::SetServiceProgress(&p);
  const double kernel[] = {0.5};
  const int32_t bytes =
      ConvoluteEx(16, 1, 2, 0, 99999, 0, 1, kernel, 1, 0, "Test", &gWave, exRead, exWrite, 1.0, 1.0);
  dsp::SetServiceProgress(nullptr);
  EXPECT_TRUE(p.opened);
  ASSERT_EQ(gWrites.size(), 1u);  // cancelled after the first block
  EXPECT_EQ(bytes, gWrites[0].second);
  EXPECT_EQ(gWave[0], 500);
  EXPECT_EQ(gWave.back(), 1000);
  EXPECT_EQ(ConvoluteEx(16, 1, 2, 0, 99, 0, 1, kernel, 1, 0, nullptr, &gWave, nullptr, exWrite, 1, 1), 0);
}

TEST(FftServicesTest, WindowAndTransformEntryPoints) {
  EXPECT_EQ(SetWindowType(-1), 0);
  EXPECT_EQ(dsp::WindowType(), -1);
  EXPECT_EQ(SetWindowType(5), 5);
  std::vector<float> a(2 * 32768 + 1, 1.0f);
  WindowFFT(a.data(), uint16_t(32768), 0);
  std::vector<float> t;
  dsp::BuildWindowTable(t, 32768, 5);
  EXPECT_EQ(a[1], t.back());
  EXPECT_EQ(a[2 * 16384 + 1], t[0]);
  std::vector<float> b(2 * 16 + 1, 2.0f);
  const auto before = b;
  FFT(b.data(), -8, 1, 0, 0);
  FFT(b.data(), 12, 1, 0, 0);
  EXPECT_EQ(b, before);
  FFT(b.data(), 16, 1, 0, 0);
  EXPECT_FLOAT_EQ(b[1], 32.0f);  // 16 points of 2 + 2i: DC = 32 + 32i
  EXPECT_FLOAT_EQ(b[2], 32.0f * 1);
}

}  // namespace
