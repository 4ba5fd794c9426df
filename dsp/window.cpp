// Window tables and the windowing of FFT arrays and double arrays.
#include "dsp/window.h"

#include <atomic>
#include <cmath>
#include <new>

namespace dsp {
namespace {

std::atomic<int> gType{0};

// This thread's last table and what it was built for.
struct WindowCache {
  std::vector<float> table;
  uint32_t n = 0;
  int type = 0;
  bool valid = false;
};
thread_local WindowCache tCache;

// The table for n and the current type, rebuilt only when either changed. Null on failure.
const std::vector<float>* currentTable(uint32_t n) {
  const int type = gType.load(std::memory_order_relaxed);
  WindowCache& c = tCache;
  if (c.valid && c.n == n && c.type == type) return &c.table;
  c.valid = false;
  if (!BuildWindowTable(c.table, n, type)) return nullptr;
  c.n = n;
  c.type = type;
  c.valid = true;
  return &c.table;
}

}  // namespace

bool BuildWindowTable(std::vector<float>& table, uint32_t n, int type) {
  const uint32_t h = n / 2;
  if (h == 0) return false;
  try {
    table.resize(h);
  } catch (const std::bad_alloc&) {
    return false;
  }
  const float twoPi = 6.2831855f;
  const double fn = double(n);
  for (uint32_t k = 0; k < h; ++k) {
    const uint32_t i = h - 1 - k;  // counted from the outer end
    const double x = double(i) / fn;
    double w = 1.0;
    switch (type) {
      case 0:
        w = 1.0 - double(k) / double(h + 1);
        break;
      case 1:
        w = 0.5001 - 0.4999 * std::cos(twoPi * x);
        break;
      case 2:
        w = 0.54 - 0.46 * std::cos(twoPi * x);
        break;
      case 3:
        w = 0.42 - 0.5 * std::cos(twoPi * x) + 0.08 * std::cos(2 * twoPi * x);
        break;
      case 4: {
        const double t = (double(i) + (1.0 - fn) / 2.0) / ((fn + 1.0) / 2.0);
        w = 1.0 - t * t;
        break;
      }
      case 5: {
        const double y = n > 1 ? double(i) / (fn - 1.0) : 0.0;
        w = 0.35875 - 0.48829 * std::cos(twoPi * y) + 0.14128 * std::cos(2 * twoPi * y) -
            0.01168 * std::cos(3 * twoPi * y);
        break;
      }
      default:
        break;
    }
    table[k] = float(w);
  }
  return true;
}

int SetWindowType(int type) {
  gType.store(type, std::memory_order_relaxed);
  return type < 0 ? 0 : type;
}

int WindowType() {
  return gType.load(std::memory_order_relaxed);
}

void WindowFFT(float* data, uint32_t n, int stereo) {
  if (!data || n == 0) return;
  const std::vector<float>* t = currentTable(n);
  if (!t) return;
  const uint32_t h = n / 2;
  for (uint32_t k = 0; k < h; ++k) {
    const float w = (*t)[k];
    float* lo = data + 2 * (h - 1 - k) + 1;
    float* hi = data + 2 * (h + k) + 1;
    lo[0] *= w;
    hi[0] *= w;
    if (stereo) {
      lo[1] *= w;
      hi[1] *= w;
    }
  }
}

void IWindowFFT(float* data, int stereo) {
  const WindowCache& c = tCache;
  if (!data || !c.valid) return;
  const uint32_t h = c.n / 2;
  for (uint32_t k = 0; k < h; ++k) {
    const float w = c.table[k];
    float* lo = data + 2 * (h - 1 - k) + 1;
    float* hi = data + 2 * (h + k) + 1;
    lo[0] /= w;
    hi[0] /= w;
    if (stereo) {
      lo[1] /= w;
      hi[1] /= w;
    }
  }
}

void WindowLFFT(double* data, int32_t n, const std::vector<float>& table) {
  if (!data || n <= 0) return;
  const uint32_t h = uint32_t(n) / 2;
  if (table.size() < h || h == 0) return;
  data[h] *= table[0];
  for (uint32_t j = 1; j < h; ++j) {
    data[h - j] *= table[j];
    data[h + j] *= table[j];
  }
  data[0] = 0.0;
}

void WindowLFFT(double* data, int32_t n) {
  if (!data || n <= 0) return;
  const std::vector<float>* t = currentTable(uint32_t(n));
  if (t) WindowLFFT(data, n, *t);
}

}  // namespace dsp
