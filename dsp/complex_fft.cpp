// Mixed-radix complex transform in double precision. Each pass of the Stockham (self-sorting) form reads
// the sequence with stride s and writes it reordered to the other buffer, so no bit-reversal step is
// needed: for a pass of length L = r*m, point q + s*(p + j*m), j = 0 .. r - 1, feeds an r-point
// transform whose output k goes, rotated by w_L^(p*k), to q + s*(r*p + k).
// Radix 4 and 2 have their own butterflies; odd radices use the symmetric form (sums and differences of
// the pairs j, r - j), which halves the multiplications. A size with a prime factor above 61 goes through
// the chirp (Bluestein) transform: the DFT as a convolution with exp(-i*pi*k^2/n), done with a
// power-of-two plan; the chirp angles are taken from k^2 mod 2n in integers so they stay exact.
#include "dsp/complex_fft.h"

#include <cmath>
#include <cstring>
#include <list>
#include <mutex>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dsp {
namespace {

constexpr uint32_t kMaxRadix = 61;
constexpr uint32_t kMaxSize = 1u << 27;
const double kTwoPi = 6.283185307179586476925286766559;

#if defined(__SSE2__)
struct C {
  __m128d v;
};
inline C load(const double* p) {
  return {_mm_loadu_pd(p)};
}
inline void store(double* p, C a) {
  _mm_storeu_pd(p, a.v);
}
inline C add(C a, C b) {
  return {_mm_add_pd(a.v, b.v)};
}
inline C sub(C a, C b) {
  return {_mm_sub_pd(a.v, b.v)};
}
inline C scale(C a, double f) {
  return {_mm_mul_pd(a.v, _mm_set1_pd(f))};
}
inline C zero() {
  return {_mm_setzero_pd()};
}
inline __m128d negLo() {
  return _mm_castsi128_pd(_mm_set_epi64x(0, (long long)0x8000000000000000ull));
}
inline __m128d negHi() {
  return _mm_castsi128_pd(_mm_set_epi64x((long long)0x8000000000000000ull, 0));
}
// a * w
inline C mul(C a, C w) {
  const __m128d wr = _mm_unpacklo_pd(w.v, w.v);
  const __m128d wi = _mm_unpackhi_pd(w.v, w.v);
  const __m128d as = _mm_shuffle_pd(a.v, a.v, 1);
  return {_mm_add_pd(_mm_mul_pd(a.v, wr), _mm_xor_pd(_mm_mul_pd(as, wi), negLo()))};
}
// a * conj(w) when e > 0, a * w otherwise (the tables hold the e = -1 rotations)
inline C mulTw(C a, C w, int e) {
  if (e > 0) w.v = _mm_xor_pd(w.v, negHi());
  return mul(a, w);
}
// e * i * a
inline C mulI(C a, int e) {
  const __m128d s = _mm_shuffle_pd(a.v, a.v, 1);
  return {_mm_xor_pd(s, e > 0 ? negLo() : negHi())};
}
#else
struct C {
  double r, i;
};
inline C load(const double* p) {
  return {p[0], p[1]};
}
inline void store(double* p, C a) {
  p[0] = a.r;
  p[1] = a.i;
}
inline C add(C a, C b) {
  return {a.r + b.r, a.i + b.i};
}
inline C sub(C a, C b) {
  return {a.r - b.r, a.i - b.i};
}
inline C scale(C a, double f) {
  return {a.r * f, a.i * f};
}
inline C zero() {
  return {0, 0};
}
inline C mul(C a, C w) {
  return {a.r * w.r - a.i * w.i, a.i * w.r + a.r * w.i};
}
inline C mulTw(C a, C w, int e) {
  if (e > 0) w.i = -w.i;
  return mul(a, w);
}
inline C mulI(C a, int e) {
  return e > 0 ? C{-a.i, a.r} : C{a.i, -a.r};
}
#endif

uint32_t smallestFactor(uint32_t n) {
  for (uint32_t f = 2; f * f <= n; ++f)
    if (n % f == 0) return f;
  return n;
}

// One pass: src -> dst.
void stockhamPass(const ComplexFft::Stage& st, const double* tw, const double* trig, const double* src,
                  double* dst, int e) {
  const uint32_t r = st.radix, m = st.m, s = st.stride;
  const size_t jm = size_t(s) * m;  // distance between the inputs j and j + 1
  for (uint32_t p = 0; p < m; ++p) {
    const double* w = tw + 2 * size_t(p) * (r - 1);
    const double* in = src + 2 * size_t(s) * p;
    double* out = dst + 2 * size_t(s) * r * p;
    if (r == 4) {
      const C w1 = load(w), w2 = load(w + 2), w3 = load(w + 4);
      for (uint32_t q = 0; q < s; ++q) {
        const double* a = in + 2 * q;
        const C a0 = load(a), a1 = load(a + 2 * jm), a2 = load(a + 4 * jm), a3 = load(a + 6 * jm);
        const C t0 = add(a0, a2), t1 = sub(a0, a2), t2 = add(a1, a3), t3 = mulI(sub(a1, a3), e);
        double* b = out + 2 * q;
        store(b, add(t0, t2));
        if (p == 0) {
          store(b + 2 * s, add(t1, t3));
          store(b + 4 * s, sub(t0, t2));
          store(b + 6 * s, sub(t1, t3));
        } else {
          store(b + 2 * s, mulTw(add(t1, t3), w1, e));
          store(b + 4 * s, mulTw(sub(t0, t2), w2, e));
          store(b + 6 * s, mulTw(sub(t1, t3), w3, e));
        }
      }
    } else if (r == 2) {
      const C w1 = load(w);
      for (uint32_t q = 0; q < s; ++q) {
        const double* a = in + 2 * q;
        const C a0 = load(a), a1 = load(a + 2 * jm);
        double* b = out + 2 * q;
        store(b, add(a0, a1));
        store(b + 2 * s, p == 0 ? sub(a0, a1) : mulTw(sub(a0, a1), w1, e));
      }
    } else {
      const uint32_t hr = (r - 1) / 2;
      C sum[kMaxRadix / 2 + 1], dif[kMaxRadix / 2 + 1];
      for (uint32_t q = 0; q < s; ++q) {
        const double* a = in + 2 * q;
        const C a0 = load(a);
        C b0 = a0;
        for (uint32_t j = 1; j <= hr; ++j) {
          const C x = load(a + 2 * jm * j), y = load(a + 2 * jm * (r - j));
          sum[j] = add(x, y);
          dif[j] = sub(x, y);
          b0 = add(b0, sum[j]);
        }
        double* b = out + 2 * q;
        store(b, b0);
        for (uint32_t k = 1; k <= hr; ++k) {
          const double* cs = trig + 2 * size_t(k - 1) * hr;  // cos, sin of 2*pi*j*k/r for j = 1 .. hr
          C re = a0, im = zero();
          for (uint32_t j = 1; j <= hr; ++j) {
            re = add(re, scale(sum[j], cs[2 * (j - 1)]));
            im = add(im, scale(dif[j], cs[2 * (j - 1) + 1]));
          }
          const C rot = mulI(im, e);
          const C bk = add(re, rot), bn = sub(re, rot);
          if (p == 0) {
            store(b + 2 * size_t(s) * k, bk);
            store(b + 2 * size_t(s) * (r - k), bn);
          } else {
            store(b + 2 * size_t(s) * k, mulTw(bk, load(w + 2 * (k - 1)), e));
            store(b + 2 * size_t(s) * (r - k), mulTw(bn, load(w + 2 * (r - k - 1)), e));
          }
        }
      }
    }
  }
}

}  // namespace

ComplexFft::ComplexFft(uint32_t n) : n_(n) {
  // Largest prime factor decides between the two methods.
  uint32_t rest = n, largest = 1;
  while (rest > 1) {
    const uint32_t f = smallestFactor(rest);
    largest = f > largest ? f : largest;
    rest /= f;
  }
  if (largest > kMaxRadix) {
    uint32_t m = 1;
    while (m < 2 * n - 1) m *= 2;
    sub_ = get(m);
    if (!sub_) throw std::bad_alloc();
    chirp_.resize(2 * size_t(n));
    const uint64_t twoN = 2 * uint64_t(n);
    for (uint64_t k = 0; k < n; ++k) {
      const double a = kTwoPi * 0.5 * double((k * k) % twoN) / double(n);
      chirp_[2 * k] = std::cos(a);
      chirp_[2 * k + 1] = -std::sin(a);
    }
    // Kernel b[j] = conj(chirp[|j|]) on the circle of m points, transformed (e = -1) and scaled by 1/m.
    kernel_.assign(2 * size_t(m), 0.0);
    for (uint32_t k = 0; k < n; ++k) {
      kernel_[2 * k] = chirp_[2 * k];
      kernel_[2 * k + 1] = -chirp_[2 * k + 1];
      if (k) {
        kernel_[2 * (m - k)] = chirp_[2 * k];
        kernel_[2 * (m - k) + 1] = -chirp_[2 * k + 1];
      }
    }
    std::vector<double> work(2 * sub_->workSize());
    sub_->run(kernel_.data(), work.data(), -1);
    for (double& v : kernel_) v /= double(m);
    return;
  }
  std::vector<uint32_t> radices;
  rest = n;
  while (rest % 4 == 0) {
    radices.push_back(4);
    rest /= 4;
  }
  if (rest % 2 == 0) {
    radices.push_back(2);
    rest /= 2;
  }
  while (rest > 1) {
    const uint32_t f = smallestFactor(rest);
    radices.push_back(f);
    rest /= f;
  }
  uint32_t len = n, stride = 1;
  for (uint32_t r : radices) {
    Stage st{r, len / r, stride, twiddles_.size() / 2, 0};
    for (uint32_t p = 0; p < st.m; ++p)
      for (uint32_t k = 1; k < r; ++k) {
        const double a = kTwoPi * double((uint64_t(p) * k) % len) / double(len);
        twiddles_.push_back(std::cos(a));
        twiddles_.push_back(-std::sin(a));
      }
    if (r != 2 && r != 4) {
      st.trig = trig_.size();
      const uint32_t hr = (r - 1) / 2;
      for (uint32_t k = 1; k <= hr; ++k)
        for (uint32_t j = 1; j <= hr; ++j) {
          const double a = kTwoPi * double((j * k) % r) / double(r);
          trig_.push_back(std::cos(a));
          trig_.push_back(std::sin(a));
        }
    }
    stages_.push_back(st);
    len /= r;
    stride *= r;
  }
}

size_t ComplexFft::workSize() const {
  return sub_ ? size_t(sub_->size()) + sub_->workSize() : n_;
}

void ComplexFft::run(double* data, double* work, int e) const {
  if (n_ <= 1) return;
  if (sub_)
    runChirp(data, work, e);
  else
    runStockham(data, work, e);
}

void ComplexFft::runStockham(double* data, double* work, int e) const {
  const double* src = data;
  double* dst = work;
  for (const Stage& st : stages_) {
    stockhamPass(st, twiddles_.data() + 2 * st.twiddle, trig_.data() + st.trig, src, dst, e);
    double* next = const_cast<double*>(src);
    src = dst;
    dst = next;
  }
  if (src != data) std::memcpy(data, src, 2 * sizeof(double) * n_);
}

void ComplexFft::runChirp(double* data, double* work, int e) const {
  const uint32_t m = sub_->size();
  double* a = work;
  double* subWork = work + 2 * size_t(m);
  // The e = +1 transform is the conjugate of the e = -1 transform of the conjugate.
  const double ci = e > 0 ? -1.0 : 1.0;
  for (uint32_t k = 0; k < n_; ++k) {
    const double xr = data[2 * k], xi = ci * data[2 * k + 1];
    const double cr = chirp_[2 * k], cim = chirp_[2 * k + 1];
    a[2 * k] = xr * cr - xi * cim;
    a[2 * k + 1] = xr * cim + xi * cr;
  }
  std::memset(a + 2 * size_t(n_), 0, 2 * sizeof(double) * (m - n_));
  sub_->run(a, subWork, -1);
  for (uint32_t k = 0; k < m; ++k) {
    const double xr = a[2 * k], xi = a[2 * k + 1];
    const double kr = kernel_[2 * k], ki = kernel_[2 * k + 1];
    a[2 * k] = xr * kr - xi * ki;
    a[2 * k + 1] = xr * ki + xi * kr;
  }
  sub_->run(a, subWork, +1);
  for (uint32_t k = 0; k < n_; ++k) {
    const double xr = a[2 * k], xi = a[2 * k + 1];
    const double cr = chirp_[2 * k], cim = chirp_[2 * k + 1];
    data[2 * k] = xr * cr - xi * cim;
    data[2 * k + 1] = ci * (xr * cim + xi * cr);
  }
}

std::shared_ptr<const ComplexFft> ComplexFft::get(uint32_t n) {
  if (n < 1 || n > kMaxSize) return nullptr;
  // A short most-recently-used list: callers alternate between very few sizes.
  static std::mutex lock;
  static std::list<std::shared_ptr<const ComplexFft>> cache;
  {
    std::lock_guard<std::mutex> guard(lock);
    for (auto it = cache.begin(); it != cache.end(); ++it)
      if ((*it)->size() == n) {
        auto plan = *it;
        cache.splice(cache.begin(), cache, it);
        return plan;
      }
  }
  std::shared_ptr<const ComplexFft> plan;
  try {
    plan = std::make_shared<const ComplexFft>(n);  // built outside the lock (a chirp plan recurses)
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(lock);
  cache.push_front(plan);
  while (cache.size() > 8) cache.pop_back();
  return plan;
}

}  // namespace dsp
