// Conversion of 8- and 16-bit samples into and out of FFT arrays (layout in dsp/fft.h). 16-bit samples are
// scaled by 1/32768, 8-bit ones (unsigned, 128 = silence) by 1/128 after removing the offset; every set
// routine writes element 0 as 0 and fills n points.
//
// The get routines undo the scaling together with the factor n a transform pair leaves: c = 32768 / n
// (16-bit) or 128 / n (8-bit), in floating point. Mode 0 stores c * part (plus 128 for 8-bit), limited to
// -32767 .. 32767 (0 .. 255) and truncated; mode 1 subtracts c * part from the sample already there,
// truncated and saturated to -32768 .. 32767 (0 .. 255); other modes and n = 0 do nothing. An infinite
// value saturates to the limit of its sign; NaN gives silence (0, or 128 for 8-bit).
#pragma once

#include <cstdint>

namespace dsp {

void SetFFT16bit(float* data, const int16_t* samples, uint32_t n);
void SetFFT8bit(float* data, const uint8_t* samples, uint32_t n);
void SetStereoFFT16bit(float* data, const int16_t* left, const int16_t* right, uint32_t n);
void SetStereoFFT8bit(float* data, const uint8_t* left, const uint8_t* right, uint32_t n);
void SetStereoFFT16bitInterleaved(float* data, const int16_t* frames, uint32_t n);
void SetStereoFFT8bitInterleaved(float* data, const uint8_t* frames, uint32_t n);
void GetStereoFFT16bitInterleaved(const float* data, int16_t* frames, uint32_t n, int mode);
void GetStereoFFT8bitInterleaved(const float* data, uint8_t* frames, uint32_t n, int mode);

// The saturating conversions the get routines use: v truncated toward zero, limited to [lo, hi]; NaN
// gives nan.
int32_t TruncateLimited(double v, int32_t lo, int32_t hi, int32_t nan);

}  // namespace dsp
