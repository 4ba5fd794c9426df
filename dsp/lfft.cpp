// LFFT: the mixed-radix transform on separate real and imaginary double arrays. The values are gathered
// into one interleaved buffer for the shared complex plan and scattered back.
#include <memory>
#include <new>

#include "dsp/complex_fft.h"
#include "dsp/fft.h"

namespace dsp {

namespace {

// Each thread keeps its last plan and its scratch, so repeated calls of one size neither lock nor
// allocate.
struct ThreadScratch {
  std::shared_ptr<const ComplexFft> plan;
  std::unique_ptr<double[]> buf;
  size_t size = 0;
};
thread_local ThreadScratch tScratch;

}  // namespace

bool LFFT(double* re, double* im, int32_t n, int sign) {
  if (!re || !im || n <= 0) return n <= 0;
  if (n == 1) return true;
  ThreadScratch& ts = tScratch;
  if (!ts.plan || ts.plan->size() != uint32_t(n)) {
    ts.plan = ComplexFft::get(uint32_t(n));
    if (!ts.plan) return false;
  }
  const ComplexFft* plan = ts.plan.get();
  const size_t need = 2 * (size_t(n) + plan->workSize());
  if (ts.size < need) {
    ts.buf.reset(new (std::nothrow) double[need]);
    ts.size = ts.buf ? need : 0;
    if (!ts.buf) return false;
  }
  double* x = ts.buf.get();
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
