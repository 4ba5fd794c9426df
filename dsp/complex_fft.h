// The double-precision complex transform behind LFFT and the convolution: a plan per size (Stockham
// passes of radix 4, 2 and small odd primes; a chirp transform of power-of-two size for sizes with a
// larger prime factor), immutable once built and shared between threads.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace dsp {

class ComplexFft {
 public:
  // The plan for n points (cached; the few most recent sizes stay built). Null when n < 1, n > 2^27 or
  // memory runs out.
  static std::shared_ptr<const ComplexFft> get(uint32_t n);

  uint32_t size() const { return n_; }
  // Complex values of scratch run() needs besides the data.
  size_t workSize() const;

  // In place on n interleaved complex values (re, im): X[k] = sum_j x[j] exp(e*2*pi*i*j*k/n) with
  // e = +1 or -1, no scaling. work holds workSize() complex values.
  void run(double* data, double* work, int e) const;

  struct Stage {
    uint32_t radix, m, stride;  // length of this pass = radix * m; stride = product of earlier radices
    size_t twiddle;             // offset in twiddles_ of m * (radix - 1) complex values
    size_t trig;                // odd radices: offset in trig_ of the cos/sin table
  };
  explicit ComplexFft(uint32_t n);  // use get()

 private:
  void runStockham(double* data, double* work, int e) const;
  void runChirp(double* data, double* work, int e) const;

  uint32_t n_;
  std::vector<Stage> stages_;
  std::vector<double> twiddles_;  // exp(-2*pi*i*p*k/L), interleaved
  std::vector<double> trig_;      // per odd radix r: cos, sin of 2*pi*j*k/r, j, k = 1 .. (r - 1) / 2
  // Chirp transform (n with a prime factor above 61): chirp_[k] = exp(-i*pi*k^2/n), the kernel's
  // spectrum scaled by 1/m, and the plan of power-of-two size m >= 2n - 1.
  std::vector<double> chirp_, kernel_;
  std::shared_ptr<const ComplexFft> sub_;
};

}  // namespace dsp
