// The two transforms of the numeric services: the radix-2 transform on float FFT arrays and the mixed-radix
// transform on separate double arrays.
//
// Conventions (both routines):
//   - No scaling in either direction: a transform followed by the opposite one multiplies by n.
//   - FFT(data, n, sign) computes X[k] = sum_j x[j] * exp(+2*pi*i*j*k/n) for sign >= 0 and
//     exp(-2*pi*i*j*k/n) for sign < 0 (the exponent carries the sign, as the classic radix-2 routine does).
//   - LFFT(re, im, n, sign) computes X[k] = sum_j x[j] * exp(-2*pi*i*j*k/n) for sign >= 0 and
//     exp(+2*pi*i*j*k/n) for sign < 0: the sign is reversed against FFT, so LFFT(+1) equals FFT(-1) and
//     the "forward" transform of most libraries.
//   - So an impulse at index 1 gives re = cos(2*pi*k/n), im = -sin(2*pi*k/n) from LFFT(+1) and FFT(-1),
//     and im = +sin(2*pi*k/n) from LFFT(-1) and FFT(+1).
//   - Output bin k is frequency k/n of the sampling rate: DC at k = 0, Nyquist at k = n/2 (n even), negative
//     frequencies from n/2 + 1 to n - 1.
//
// FFT array layout (float): 2n + 1 floats indexed from 1: element 0 unused (the set routines write 0), point
// k (0-based) at 2k + 1 (real) and 2k + 2 (imaginary). Stereo data travels as left in the real parts and
// right in the imaginary parts.
// Double arrays of LFFT: separate real and imaginary arrays of n doubles each, 0-based.
#pragma once

#include <cstdint>

namespace dsp {

// In-place radix-2 transform of n points of an FFT array. n must be a power of two from 2 to 2^26; any
// other n leaves the data unchanged. Twiddle factors come from tables computed in double precision, so
// the result is as accurate as single-precision butterflies allow (relative RMS error near 1e-7).
void FFT(float* data, uint32_t n, int sign);

// In-place transform of n points of any size n >= 1 (n <= 0 does nothing). Sizes whose prime factors are
// at most 61 run as mixed-radix passes; others through a chirp transform of power-of-two size. Callers on
// several threads may run it at once. When working memory cannot be had the data is left unchanged and
// the result is false.
bool LFFT(double* re, double* im, int32_t n, int sign);

}  // namespace dsp
