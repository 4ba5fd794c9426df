// The radix-2 float transform: bit-reversal reordering, then decimation-in-time passes that do two
// radix-2 stages at a time (radix 2^2) so the data is swept half as often. Twiddle factors come from
// per-size tables computed once in double precision and rounded to float, which keeps the error of a
// 32768-point transform near 1e-7 (a trigonometric recurrence in single precision drifts to ~2e-6).
// The tables are built on first use of each size and kept until exit; readers never take a lock.
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "dsp/fft.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dsp {
namespace {

constexpr int kMaxLog2 = 26;

struct Radix2Plan {
  uint32_t n = 0;
  std::vector<uint32_t> swaps;  // pairs (i, j), i < j, of the bit-reversal permutation
  // For each radix-4 pass at half size h >= 2, for j = 0, 2, ..., h - 2, laid out for two complex
  // products at once: re(a), re(a), re(b), re(b), then -im(a), im(a), -im(b), im(b), for a, b = w_{2h}^j,
  // w_{2h}^{j+1} and then for w_{4h}^j, w_{4h}^{j+1} (16 floats), with w_m = exp(+2*pi*i/m).
  std::vector<float> twiddles;
};

uint32_t reverseBits(uint32_t v, int bits) {
  uint32_t r = 0;
  for (int b = 0; b < bits; ++b) r |= ((v >> b) & 1u) << (bits - 1 - b);
  return r;
}

std::unique_ptr<Radix2Plan> buildPlan(int log2n) {
  auto plan = std::make_unique<Radix2Plan>();
  const uint32_t n = 1u << log2n;
  plan->n = n;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t j = reverseBits(i, log2n);
    if (i < j) {
      plan->swaps.push_back(i);
      plan->swaps.push_back(j);
    }
  }
  const double twoPi = 6.283185307179586476925286766559;
  if (log2n < 2) return plan;
  const int fourPasses = (log2n - 2) / 2;
  uint32_t h = 4;
  for (int pass = 0; pass < fourPasses; ++pass, h *= 4) {
    for (uint32_t j = 0; j < h; j += 2) {
      for (uint32_t m : {2 * h, 4 * h}) {
        const double a0 = twoPi * double(j) / double(m), a1 = twoPi * double(j + 1) / double(m);
        const float c0 = float(std::cos(a0)), s0 = float(std::sin(a0));
        const float c1 = float(std::cos(a1)), s1 = float(std::sin(a1));
        for (float v : {c0, c0, c1, c1, -s0, s0, -s1, s1}) plan->twiddles.push_back(v);
      }
    }
  }
  if (log2n % 2) {  // a last radix-2 stage at h = n / 2: w_n^j, same layout, 8 floats per pair
    for (uint32_t j = 0; j < n / 2; j += 2) {
      const double a0 = twoPi * double(j) / double(n), a1 = twoPi * double(j + 1) / double(n);
      const float c0 = float(std::cos(a0)), s0 = float(std::sin(a0));
      const float c1 = float(std::cos(a1)), s1 = float(std::sin(a1));
      for (float v : {c0, c0, c1, c1, -s0, s0, -s1, s1}) plan->twiddles.push_back(v);
    }
  }
  return plan;
}

std::mutex gPlanLock;
std::unique_ptr<Radix2Plan> gPlanStore[kMaxLog2 + 1];
std::atomic<const Radix2Plan*> gPlans[kMaxLog2 + 1];

const Radix2Plan* planFor(int log2n) {
  const Radix2Plan* p = gPlans[log2n].load(std::memory_order_acquire);
  if (p) return p;
  std::lock_guard<std::mutex> guard(gPlanLock);
  if (!gPlanStore[log2n]) {
    try {
      gPlanStore[log2n] = buildPlan(log2n);
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    gPlans[log2n].store(gPlanStore[log2n].get(), std::memory_order_release);
  }
  return gPlanStore[log2n].get();
}

#if defined(__SSE2__)
inline __m128 signMask(bool lane0, bool lane1, bool lane2, bool lane3) {
  const int m = int(0x80000000u);
  return _mm_castsi128_ps(_mm_set_epi32(lane3 ? m : 0, lane2 ? m : 0, lane1 ? m : 0, lane0 ? m : 0));
}

// The first radix-2 stage (h = 1): butterflies of neighbours, no twiddles.
void pass2(float* x, uint32_t n) {
  const __m128 negHigh = signMask(false, false, true, true);
  for (uint32_t k = 0; k < n; k += 2) {
    const __m128 v = _mm_loadu_ps(x + 2 * k);  // [a0 a1]
    const __m128 lo = _mm_movelh_ps(v, v);     // [a0 a0]
    const __m128 hi = _mm_movehl_ps(v, v);     // [a1 a1]
    _mm_storeu_ps(x + 2 * k, _mm_add_ps(lo, _mm_xor_ps(hi, negHigh)));
  }
}

// The first two stages together (h = 1 and 2): a 4-point transform of each group of 4 points.
void pass4first(float* x, uint32_t n, int s) {
  // After swapping the halves of b3: multiply by s*i (negate its new real part for s > 0, else its
  // imaginary part).
  const __m128 rot = s > 0 ? signMask(false, false, true, false) : signMask(false, false, false, true);
  for (uint32_t k = 0; k < n; k += 4) {
    float* a = x + 2 * k;
    const __m128 v01 = _mm_loadu_ps(a), v23 = _mm_loadu_ps(a + 4);
    const __m128 lo = _mm_movelh_ps(v01, v23);                                 // [a0 a2]
    const __m128 hi = _mm_movehl_ps(v23, v01);                                 // [a1 a3]
    const __m128 sum = _mm_add_ps(lo, hi);                                     // [b0 b2]
    __m128 dif = _mm_sub_ps(lo, hi);                                           // [b1 b3]
    dif = _mm_xor_ps(_mm_shuffle_ps(dif, dif, _MM_SHUFFLE(2, 3, 1, 0)), rot);  // [b1, s*i*b3]
    const __m128 p = _mm_movelh_ps(sum, dif);                                  // [b0 b1]
    const __m128 q = _mm_movehl_ps(dif, sum);                                  // [b2 s*i*b3]
    _mm_storeu_ps(a, _mm_add_ps(p, q));
    _mm_storeu_ps(a + 4, _mm_sub_ps(p, q));
  }
}
#else
// The first radix-2 stage (h = 1): butterflies of neighbours, no twiddles.
void pass2(float* x, uint32_t n) {
  for (uint32_t k = 0; k < n; k += 2) {
    float* a = x + 2 * k;
    const float r0 = a[0], i0 = a[1], r1 = a[2], i1 = a[3];
    a[0] = r0 + r1;
    a[1] = i0 + i1;
    a[2] = r0 - r1;
    a[3] = i0 - i1;
  }
}

// The first two stages together (h = 1 and 2): a 4-point transform of each group of 4 points.
void pass4first(float* x, uint32_t n, int s) {
  for (uint32_t k = 0; k < n; k += 4) {
    float* a = x + 2 * k;
    const float b0r = a[0] + a[2], b0i = a[1] + a[3];
    const float b1r = a[0] - a[2], b1i = a[1] - a[3];
    const float b2r = a[4] + a[6], b2i = a[5] + a[7];
    const float b3r = a[4] - a[6], b3i = a[5] - a[7];
    // u = s*i*b3
    const float ur = s > 0 ? -b3i : b3i, ui = s > 0 ? b3r : -b3r;
    a[0] = b0r + b2r;
    a[1] = b0i + b2i;
    a[4] = b0r - b2r;
    a[5] = b0i - b2i;
    a[2] = b1r + ur;
    a[3] = b1i + ui;
    a[6] = b1r - ur;
    a[7] = b1i - ui;
  }
}

#endif

#if defined(__SSE2__)
// Two complex products a*w at once, w given as [wr wr wr' wr'] and [-wi wi -wi' wi'].
inline __m128 cmul2(__m128 a, __m128 wr, __m128 wi) {
  const __m128 as = _mm_shuffle_ps(a, a, _MM_SHUFFLE(2, 3, 0, 1));
  return _mm_add_ps(_mm_mul_ps(a, wr), _mm_mul_ps(as, wi));
}

// Stages h and 2h together over blocks of 4h points, two values of j at a time.
void pass4(float* x, uint32_t n, uint32_t h, const float* tw, int s) {
  const __m128 conj = s > 0 ? _mm_setzero_ps() : signMask(true, true, true, true);  // s < 0: conjugates
  const __m128 rot = s > 0 ? signMask(true, false, true, false) : signMask(false, true, false, true);
  for (uint32_t base = 0; base < n; base += 4 * h) {
    float* p0 = x + 2 * base;
    float* p1 = p0 + 2 * h;
    float* p2 = p1 + 2 * h;
    float* p3 = p2 + 2 * h;
    const float* t = tw;
    for (uint32_t j = 0; j < h; j += 2, t += 16) {
      const __m128 w1r = _mm_loadu_ps(t), w1i = _mm_xor_ps(_mm_loadu_ps(t + 4), conj);
      const __m128 w2r = _mm_loadu_ps(t + 8), w2i = _mm_xor_ps(_mm_loadu_ps(t + 12), conj);
      const __m128 a0 = _mm_loadu_ps(p0 + 2 * j);
      const __m128 a1 = cmul2(_mm_loadu_ps(p1 + 2 * j), w1r, w1i);
      const __m128 a2 = _mm_loadu_ps(p2 + 2 * j);
      const __m128 a3 = cmul2(_mm_loadu_ps(p3 + 2 * j), w1r, w1i);
      const __m128 b0 = _mm_add_ps(a0, a1);
      const __m128 b1 = _mm_sub_ps(a0, a1);
      const __m128 b2 = cmul2(_mm_add_ps(a2, a3), w2r, w2i);
      __m128 b3 = cmul2(_mm_sub_ps(a2, a3), w2r, w2i);
      b3 = _mm_xor_ps(_mm_shuffle_ps(b3, b3, _MM_SHUFFLE(2, 3, 0, 1)), rot);
      _mm_storeu_ps(p0 + 2 * j, _mm_add_ps(b0, b2));
      _mm_storeu_ps(p2 + 2 * j, _mm_sub_ps(b0, b2));
      _mm_storeu_ps(p1 + 2 * j, _mm_add_ps(b1, b3));
      _mm_storeu_ps(p3 + 2 * j, _mm_sub_ps(b1, b3));
    }
  }
}
// The last stage of an odd number of stages: radix 2 at h = n / 2.
void pass2last(float* x, uint32_t n, const float* tw, int s) {
  const __m128 conj = s > 0 ? _mm_setzero_ps() : signMask(true, true, true, true);
  const uint32_t h = n / 2;
  float* p0 = x;
  float* p1 = x + 2 * h;
  for (uint32_t j = 0; j < h; j += 2, tw += 8) {
    const __m128 t =
        cmul2(_mm_loadu_ps(p1 + 2 * j), _mm_loadu_ps(tw), _mm_xor_ps(_mm_loadu_ps(tw + 4), conj));
    const __m128 a = _mm_loadu_ps(p0 + 2 * j);
    _mm_storeu_ps(p0 + 2 * j, _mm_add_ps(a, t));
    _mm_storeu_ps(p1 + 2 * j, _mm_sub_ps(a, t));
  }
}
#else
void pass2last(float* x, uint32_t n, const float* tw, int s) {
  const float cs = s > 0 ? 1.0f : -1.0f;
  const uint32_t h = n / 2;
  for (uint32_t j = 0; j < h; ++j) {
    const float* t = tw + (j / 2) * 8 + (j % 2) * 2;
    const float wr = t[0], wi = cs * t[5];
    float* a = x + 2 * j;
    float* b = x + 2 * (j + h);
    const float tr = b[0] * wr - b[1] * wi, ti = b[0] * wi + b[1] * wr;
    b[0] = a[0] - tr;
    b[1] = a[1] - ti;
    a[0] += tr;
    a[1] += ti;
  }
}

void pass4(float* x, uint32_t n, uint32_t h, const float* tw, int s) {
  const float cs = s > 0 ? 1.0f : -1.0f;
  for (uint32_t base = 0; base < n; base += 4 * h) {
    float* p[4] = {x + 2 * base, x + 2 * (base + h), x + 2 * (base + 2 * h), x + 2 * (base + 3 * h)};
    for (uint32_t j = 0; j < h; ++j) {
      const float* t = tw + (j / 2) * 16 + (j % 2) * 2;
      const float w1r = t[0], w1i = cs * t[5], w2r = t[8], w2i = cs * t[13];
      const float a0r = p[0][2 * j], a0i = p[0][2 * j + 1];
      const float a1r = p[1][2 * j] * w1r - p[1][2 * j + 1] * w1i;
      const float a1i = p[1][2 * j] * w1i + p[1][2 * j + 1] * w1r;
      const float a2r = p[2][2 * j], a2i = p[2][2 * j + 1];
      const float a3r = p[3][2 * j] * w1r - p[3][2 * j + 1] * w1i;
      const float a3i = p[3][2 * j] * w1i + p[3][2 * j + 1] * w1r;
      const float b0r = a0r + a1r, b0i = a0i + a1i, b1r = a0r - a1r, b1i = a0i - a1i;
      const float c2r = a2r + a3r, c2i = a2i + a3i, c3r = a2r - a3r, c3i = a2i - a3i;
      const float b2r = c2r * w2r - c2i * w2i, b2i = c2r * w2i + c2i * w2r;
      const float d3r = c3r * w2r - c3i * w2i, d3i = c3r * w2i + c3i * w2r;
      const float b3r = -cs * d3i, b3i = cs * d3r;
      p[0][2 * j] = b0r + b2r;
      p[0][2 * j + 1] = b0i + b2i;
      p[2][2 * j] = b0r - b2r;
      p[2][2 * j + 1] = b0i - b2i;
      p[1][2 * j] = b1r + b3r;
      p[1][2 * j + 1] = b1i + b3i;
      p[3][2 * j] = b1r - b3r;
      p[3][2 * j + 1] = b1i - b3i;
    }
  }
}
#endif

}  // namespace

void FFT(float* data, uint32_t n, int sign) {
  if (!data || n < 2 || (n & (n - 1)) != 0) return;
  int log2n = 0;
  while ((1u << log2n) < n) ++log2n;
  if (log2n > kMaxLog2) return;
  const Radix2Plan* plan = planFor(log2n);
  if (!plan) return;
  const int s = sign < 0 ? -1 : 1;
  float* x = data + 1;  // point k at x[2k], x[2k + 1]
  const uint32_t* sw = plan->swaps.data();
  for (size_t i = 0; i < plan->swaps.size(); i += 2) {
    float* a = x + 2 * sw[i];
    float* b = x + 2 * sw[i + 1];
    uint64_t va, vb;  // a point as one 8-byte move
    std::memcpy(&va, a, 8);
    std::memcpy(&vb, b, 8);
    std::memcpy(a, &vb, 8);
    std::memcpy(b, &va, 8);
  }
  if (log2n == 1) {
    pass2(x, n);
    return;
  }
  pass4first(x, n, s);
  const float* tw = plan->twiddles.data();
  uint32_t h = 4;
  for (int pass = 0; pass < (log2n - 2) / 2; ++pass, h *= 4) {
    pass4(x, n, h, tw, s);
    tw += 8 * h;
  }
  if (log2n % 2) pass2last(x, n, tw, s);
}

}  // namespace dsp
