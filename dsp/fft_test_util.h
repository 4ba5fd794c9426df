// Test helpers for the transforms: a double-precision reference DFT (FFTW natively; a long-double
// transform in builds without it), seeded random inputs and the relative RMS error measure.
#pragma once

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#if defined(SORN_TEST_FFTW)
#include <fftw3.h>
#endif

namespace dsp {
namespace ffttest {

// The long-double fallback is slow (direct sums for sizes that are not powers of two, and Wine runs it
// through an emulator): tests take fewer seeds and leave out the largest such sizes then.
#if defined(SORN_TEST_FFTW)
constexpr bool kFastReference = true;
#else
constexpr bool kFastReference = false;
#endif

inline int testScale() {
  const char* s = std::getenv("SORN_TEST_SCALE");
  const int v = s ? std::atoi(s) : 1;
  return v > 0 ? v : 1;
}

using Cd = std::complex<double>;

// X[k] = sum_j x[j] exp(e*2*pi*i*j*k/n).
inline std::vector<Cd> referenceDft(const std::vector<Cd>& x, int e) {
  const size_t n = x.size();
  std::vector<Cd> out(n);
#if defined(SORN_TEST_FFTW)
  std::vector<fftw_complex> in(n), res(n);
  for (size_t k = 0; k < n; ++k) {
    in[k][0] = x[k].real();
    in[k][1] = x[k].imag();
  }
  fftw_plan p =
      fftw_plan_dft_1d(int(n), in.data(), res.data(), e < 0 ? FFTW_FORWARD : FFTW_BACKWARD, FFTW_ESTIMATE);
  fftw_execute(p);
  fftw_destroy_plan(p);
  for (size_t k = 0; k < n; ++k) out[k] = Cd(res[k][0], res[k][1]);
#else
  // Long double: a radix-2 recursion for powers of two, the direct sum otherwise (exact angles from
  // j*k mod n).
  using Cl = std::complex<long double>;
  const long double twoPi = 6.283185307179586476925286766559L;
  std::vector<Cl> a(x.begin(), x.end());
  if ((n & (n - 1)) == 0) {
    for (size_t i = 1, j = 0; i < n; ++i) {
      size_t bit = n >> 1;
      for (; j & bit; bit >>= 1) j ^= bit;
      j ^= bit;
      if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1)
      for (size_t i = 0; i < n; i += len)
        for (size_t j = 0; j < len / 2; ++j) {
          const long double ang = e * twoPi * (long double)j / (long double)len;
          const Cl w(cosl(ang), sinl(ang));
          const Cl u = a[i + j], v = a[i + j + len / 2] * w;
          a[i + j] = u + v;
          a[i + j + len / 2] = u - v;
        }
    for (size_t k = 0; k < n; ++k) out[k] = Cd(double(a[k].real()), double(a[k].imag()));
  } else {
    for (size_t k = 0; k < n; ++k) {
      Cl s = 0;
      for (size_t j = 0; j < n; ++j) {
        const long double ang = e * twoPi * (long double)((j * k) % n) / (long double)n;
        s += a[j] * Cl(cosl(ang), sinl(ang));
      }
      out[k] = Cd(double(s.real()), double(s.imag()));
    }
  }
#endif
  return out;
}

inline std::vector<Cd> randomComplex(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> d(-1.0, 1.0);
  std::vector<Cd> v(n);
  for (auto& c : v) c = Cd(d(rng), d(rng));
  return v;
}

// ||y - ref|| / ||ref||
inline double relativeRms(const std::vector<Cd>& y, const std::vector<Cd>& ref) {
  double num = 0, den = 0;
  for (size_t k = 0; k < ref.size(); ++k) {
    num += std::norm(y[k] - ref[k]);
    den += std::norm(ref[k]);
  }
  return den > 0 ? std::sqrt(num / den) : std::sqrt(num);
}

}  // namespace ffttest
}  // namespace dsp
