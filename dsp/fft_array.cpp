// Sample <-> FFT array conversions.
#include "dsp/fft_array.h"

#include <cmath>

namespace dsp {

int32_t TruncateLimited(double v, int32_t lo, int32_t hi, int32_t nan) {
  if (std::isnan(v)) return nan;
  if (v <= double(lo)) return lo;
  if (v >= double(hi)) return hi;
  return int32_t(v);  // in range: truncation toward zero is defined
}

void SetFFT16bit(float* data, const int16_t* samples, uint32_t n) {
  if (!data || !samples) return;
  data[0] = 0.0f;
  for (uint32_t k = 0; k < n; ++k) {
    data[2 * k + 1] = float(samples[k]) / 32768.0f;
    data[2 * k + 2] = 0.0f;
  }
}

void SetFFT8bit(float* data, const uint8_t* samples, uint32_t n) {
  if (!data || !samples) return;
  data[0] = 0.0f;
  for (uint32_t k = 0; k < n; ++k) {
    data[2 * k + 1] = float(int(samples[k]) - 128) / 128.0f;
    data[2 * k + 2] = 0.0f;
  }
}

void SetStereoFFT16bit(float* data, const int16_t* left, const int16_t* right, uint32_t n) {
  if (!data || !left || !right) return;
  data[0] = 0.0f;
  for (uint32_t k = 0; k < n; ++k) {
    data[2 * k + 1] = float(left[k]) / 32768.0f;
    data[2 * k + 2] = float(right[k]) / 32768.0f;
  }
}

void SetStereoFFT8bit(float* data, const uint8_t* left, const uint8_t* right, uint32_t n) {
  if (!data || !left || !right) return;
  data[0] = 0.0f;
  for (uint32_t k = 0; k < n; ++k) {
    data[2 * k + 1] = float(int(left[k]) - 128) / 128.0f;
    data[2 * k + 2] = float(int(right[k]) - 128) / 128.0f;
  }
}

void SetStereoFFT16bitInterleaved(float* data, const int16_t* frames, uint32_t n) {
  if (!data || !frames) return;
  data[0] = 0.0f;
  for (uint32_t k = 0; k < 2 * n; ++k) data[k + 1] = float(frames[k]) / 32768.0f;
}

void SetStereoFFT8bitInterleaved(float* data, const uint8_t* frames, uint32_t n) {
  if (!data || !frames) return;
  data[0] = 0.0f;
  for (uint32_t k = 0; k < 2 * n; ++k) data[k + 1] = float(int(frames[k]) - 128) / 128.0f;
}

void GetStereoFFT16bitInterleaved(const float* data, int16_t* frames, uint32_t n, int mode) {
  if (!data || !frames || n == 0 || (mode != 0 && mode != 1)) return;
  const double c = 32768.0 / double(n);
  for (uint32_t k = 0; k < 2 * n; ++k) {
    const double part = c * double(data[k + 1]);
    if (mode == 0)
      frames[k] = int16_t(TruncateLimited(part, -32767, 32767, 0));
    else
      frames[k] = int16_t(TruncateLimited(double(frames[k]) - part, -32768, 32767, 0));
  }
}

void GetStereoFFT8bitInterleaved(const float* data, uint8_t* frames, uint32_t n, int mode) {
  if (!data || !frames || n == 0 || (mode != 0 && mode != 1)) return;
  const double c = 128.0 / double(n);
  for (uint32_t k = 0; k < 2 * n; ++k) {
    const double part = c * double(data[k + 1]);
    if (mode == 0)
      frames[k] = uint8_t(TruncateLimited(part + 128.0, 0, 255, 128));
    else
      frames[k] = uint8_t(TruncateLimited(double(frames[k]) - part, 0, 255, 128));
  }
}

}  // namespace dsp
