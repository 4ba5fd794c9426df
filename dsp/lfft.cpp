// LFFT: the mixed-radix transform on separate real and imaginary double arrays. The values are gathered
// into one interleaved buffer for the shared complex plan and scattered back.
#include <new>
#include <vector>

#include "dsp/complex_fft.h"
#include "dsp/fft.h"

namespace dsp {

bool LFFT(double* re, double* im, int32_t n, int sign) {
  if (!re || !im || n <= 0) return n <= 0;
  if (n == 1) return true;
  const auto plan = ComplexFft::get(uint32_t(n));
  if (!plan) return false;
  std::vector<double> buf;
  try {
    buf.resize(2 * (size_t(n) + plan->workSize()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  double* x = buf.data();
  for (int32_t k = 0; k < n; ++k) {
    x[2 * k] = re[k];
    x[2 * k + 1] = im[k];
  }
  plan->run(x, x + 2 * size_t(n), sign < 0 ? +1 : -1);
  for (int32_t k = 0; k < n; ++k) {
    re[k] = x[2 * k];
    im[k] = x[2 * k + 1];
  }
  return true;
}

}  // namespace dsp
