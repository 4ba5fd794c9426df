// Overlap-add convolution. Each pass reads new input frames, packs them into one complex sequence of the
// block size Q (two consecutive blocks as real and imaginary parts for mono, left and right for stereo),
// transforms it, multiplies by the kernel spectrum (complex when the two outputs use different kernels:
// x (x) (a + i b) = x (x) a + i x (x) b for real x), transforms back and adds into an accumulator of
// which the finished frames are written. For the four-kernel case the packed spectrum is split into the
// left and right spectra by conjugate symmetry first. Each block of Q - L new frames yields a linear
// convolution of length Q - 1 < Q, so nothing wraps around the circle.
#include "dsp/convolve.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "dsp/complex_fft.h"

namespace dsp {

const char kConvolveNoMemoryText[] = "Not enough memory to continue operation";
const char kConvolveNoMemoryCaption[] = "Error";

namespace {

std::atomic<size_t> gMemoryLimit{SIZE_MAX};

enum class Layout { Mono, Stereo, Mix, FourKernels };

struct Work {
  uint32_t q = 0;
  std::shared_ptr<const ComplexFft> plan;
  std::vector<double> x, work, g1, g2, acc;
  std::vector<unsigned char> in, out;
};

// Allocates every buffer for block size q; false (and nothing kept) when any fails.
bool allocate(Work& w, uint32_t q, uint32_t passFrames, uint32_t accFrames, int channels, size_t inFrameBytes,
              size_t outFrameBytes, bool fourKernels) {
  w = Work();
  w.plan = ComplexFft::get(q);
  if (!w.plan) return false;
  const size_t complexValues = 2 * size_t(q) * (fourKernels ? 4 : 3) + 2 * w.plan->workSize();
  const size_t bytes = complexValues * sizeof(double) + size_t(accFrames) * channels * sizeof(double) +
                       size_t(passFrames) * (inFrameBytes + outFrameBytes);
  if (bytes > gMemoryLimit.load()) {
    w = Work();
    return false;
  }
  try {
    w.q = q;
    w.x.resize(2 * size_t(q));
    w.work.resize(2 * w.plan->workSize());
    w.g1.resize(2 * size_t(q));
    if (fourKernels) w.g2.resize(2 * size_t(q));
    w.acc.assign(size_t(accFrames) * channels, 0.0);
    w.in.resize(size_t(passFrames) * inFrameBytes);
    w.out.resize(size_t(passFrames) * outFrameBytes);
  } catch (const std::bad_alloc&) {
    w = Work();
    return false;
  }
  return true;
}

// Transforms kernel taps re[t * stride] * ga + i * im[t * stride] * gb into spectrum, scaled by 1/q.
void kernelSpectrum(Work& w, std::vector<double>& spectrum, const double* re, const double* im, int stride,
                    int32_t length, double ga, double gb) {
  std::fill(spectrum.begin(), spectrum.end(), 0.0);
  for (int32_t t = 0; t < length; ++t) {
    spectrum[2 * size_t(t)] = ga * re[size_t(t) * stride];
    spectrum[2 * size_t(t) + 1] = im ? gb * im[size_t(t) * stride] : 0.0;
  }
  w.plan->run(spectrum.data(), w.work.data(), -1);
  const double s = 1.0 / double(w.q);
  for (double& v : spectrum) v *= s;
}

int16_t roundLimited(double v) {
  if (std::isnan(v)) return 0;
  if (v <= -32768.0) return -32768;
  if (v >= 32767.0) return 32767;
  return int16_t(std::lround(v));
}

double inputSample(const Work& w, int bits, size_t i) {
  if (bits == 32) {
    float v;
    std::memcpy(&v, w.in.data() + 4 * i, 4);
    return double(v);
  }
  int16_t v;
  std::memcpy(&v, w.in.data() + 2 * i, 2);
  return double(v);
}

// The pass's input frames into the complex sequence: two blocks of f frames for mono, left and right for
// stereo, the mix in the real part for mixed stereo; zero beyond f.
void packInput(Work& w, Layout layout, int bits, uint32_t f) {
  double* x = w.x.data();
  std::fill(w.x.begin(), w.x.end(), 0.0);
  for (uint32_t t = 0; t < f; ++t) {
    if (layout == Layout::Mono) {
      x[2 * t] = inputSample(w, bits, t);
      x[2 * t + 1] = inputSample(w, bits, f + t);
    } else if (layout == Layout::Mix) {
      x[2 * t] = (inputSample(w, bits, 2 * t) + inputSample(w, bits, 2 * t + 1)) / 2.0;
    } else {
      x[2 * t] = inputSample(w, bits, 2 * t);
      x[2 * t + 1] = inputSample(w, bits, 2 * t + 1);
    }
  }
}

// Multiplies the transformed sequence by the kernel spectra.
void applyKernels(Work& w, bool fourKernels) {
  double* x = w.x.data();
  const uint32_t q = w.q;
  if (!fourKernels) {
    const double* g = w.g1.data();
    for (uint32_t k = 0; k < q; ++k) {
      const double ar = x[2 * k], ai = x[2 * k + 1], br = g[2 * k], bi = g[2 * k + 1];
      x[2 * k] = ar * br - ai * bi;
      x[2 * k + 1] = ar * bi + ai * br;
    }
    return;
  }
  const double* g1 = w.g1.data();
  const double* g2 = w.g2.data();
  // Split Z = L + iR: L[k] = (Z[k] + conj Z[-k]) / 2, R[k] = (Z[k] - conj Z[-k]) / 2i, then L G1 + R G2.
  // Pairs k, q - k are done together so the sequence can be overwritten in place.
  auto out = [&](uint32_t idx, double ar, double ai, double br, double bi) {
    const double g1r = g1[2 * idx], g1i = g1[2 * idx + 1], g2r = g2[2 * idx], g2i = g2[2 * idx + 1];
    x[2 * idx] = ar * g1r - ai * g1i + br * g2r - bi * g2i;
    x[2 * idx + 1] = ar * g1i + ai * g1r + br * g2i + bi * g2r;
  };
  for (uint32_t k = 0; k <= q / 2; ++k) {
    const uint32_t nk = (q - k) % q;
    const double zr = x[2 * k], zi = x[2 * k + 1], cr = x[2 * nk], ci = -x[2 * nk + 1];
    const double lr = (zr + cr) / 2, li = (zi + ci) / 2;
    const double rr = (zi - ci) / 2, ri = -(zr - cr) / 2;
    out(k, lr, li, rr, ri);
    if (nk != k) out(nk, lr, -li, rr, -ri);  // at -k the spectra of real signals are the conjugates
  }
}

// Adds the pass's result into the accumulator: for mono the imaginary part is the second block, f later.
void accumulate(Work& w, bool mono, uint32_t f) {
  const double* x = w.x.data();
  double* acc = w.acc.data();
  if (mono) {
    for (uint32_t t = 0; t < w.q; ++t) {
      acc[t] += x[2 * t];
      acc[f + t] += x[2 * t + 1];
    }
  } else {
    for (uint32_t t = 0; t < 2 * w.q; ++t) acc[t] += x[t];
  }
}

void encodeOutput(const double* src, size_t values, int bits, unsigned char* out) {
  for (size_t i = 0; i < values; ++i) {
    if (bits == 32) {
      const float v = float(src[i]);
      std::memcpy(out + 4 * i, &v, 4);
    } else {
      const int16_t v = roundLimited(src[i]);
      std::memcpy(out + 2 * i, &v, 2);
    }
  }
}

}  // namespace

uint32_t ConvolveBlockSize(int32_t length) {
  if (length <= 0) return 0;
  const int64_t len = std::min(length, kConvolveMaxLength);
  const int m = int(std::log(1.5 * double(len)) / std::log(2.0) + 1.0);
  const int64_t t = int64_t(1) << m;
  int64_t o = len < t / 2 ? t / 2 : t;
  int64_t best = t, bestCost = 1000000;
  for (int i = 0; i < 6; ++i, o *= 2) {
    const double lg = std::log(double(o)) / std::log(2.0);
    const int64_t cost = int64_t(4.0 * double(o) * (1.0 + 2.0 * lg) / double(o - len + 1)) + o / 3000;
    if (cost < bestCost) {
      bestCost = cost;
      best = o;
    }
  }
  return uint32_t(std::clamp<int64_t>(best, 256, 262144));
}

uint32_t ConvolveRetryBlockSize(int32_t length) {
  if (length <= 0) return 0;
  const int64_t len = std::min(length, kConvolveMaxLength);
  const int lg = int(std::log(double(4 * len / 3)) / std::log(2.0));
  return uint32_t(1) << (lg + 1);
}

void SetConvolveMemoryLimitForTests(size_t bytes) {
  gMemoryLimit.store(bytes);
}

namespace {

Layout chooseLayout(int channels, int mix, int k) {
  if (channels != 2) return Layout::Mono;
  if (mix) return Layout::Mix;
  return k == 4 ? Layout::FourKernels : Layout::Stereo;
}

// The kernels' spectra for the layout: two complex kernels packed per transform.
void kernelSpectra(Work& w, Layout layout, int k, const double* kernel, int32_t len, double gainA,
                   double gainB) {
  if (layout == Layout::FourKernels) {
    kernelSpectrum(w, w.g1, kernel, kernel + 1, 4, len, gainA, gainB);
    kernelSpectrum(w, w.g2, kernel + 2, kernel + 3, 4, len, gainA, gainB);
  } else if (layout == Layout::Mix && k >= 2) {
    kernelSpectrum(w, w.g1, kernel, kernel + 1, k, len, gainA, gainB);
  } else if (layout == Layout::Mix) {
    kernelSpectrum(w, w.g1, kernel, kernel, k, len, gainA, gainA);
  } else {
    kernelSpectrum(w, w.g1, kernel, nullptr, k, len, gainA, 0.0);
  }
}

}  // namespace

// Overlap-add over [first, last]: the block size and its retry, the kernels' spectra, then one pass per block
// (read, transform, multiply, transform back, accumulate, write what is complete). The passes share their
// buffers and counters, so the loop stays in this one function.
int64_t ConvoluteEx(int bits, int channels, int32_t frameSize, int32_t first, int32_t last, int mix,
                    int kernels, const double* kernel, int32_t length, int32_t centre, const char* title,
                    void* data, ConvolveIoFn read, ConvolveIoFn write, double gainA, double gainB,
                    ConvolveProgress* progress) {
  ConvolveProgress none;
  ConvolveProgress* ui = progress ? progress : &none;
  if ((bits != 8 && bits != 16 && bits != 32) || (channels != 1 && channels != 2) || length <= 0 ||
      first > last || frameSize <= 0 || !read || !write || !kernel || kernels < 0 || kernels > 4)
    return 0;
  const int32_t len = std::min(length, kConvolveMaxLength);
  const int64_t c = std::clamp<int64_t>(centre, 0, len - 1);
  int k = kernels ? kernels : (channels == 1 ? 1 : (mix ? 2 : 4));
  const Layout layout = chooseLayout(channels, mix, k);
  const bool mono = channels == 1;
  const bool fourKernels = layout == Layout::FourKernels;
  const size_t sampleBytes = bits == 32 ? 4 : 2;
  const size_t bufferFrame = sampleBytes * channels;
  const size_t inFrameBytes = std::max<size_t>(bufferFrame, size_t(frameSize));

  Work w;
  uint32_t q = ConvolveBlockSize(len);
  bool ok = false;
  for (int attempt = 0; attempt < 2 && !ok; ++attempt) {
    if (attempt) q = ConvolveRetryBlockSize(len);
    const uint32_t f = q - uint32_t(len);
    const uint32_t pass = mono ? 2 * f : f;
    ok = allocate(w, q, pass, mono ? q + f : q, channels, inFrameBytes, bufferFrame, fourKernels);
  }
  if (!ok) {
    ui->outOfMemory();
    return 0;
  }
  const uint32_t f = q - uint32_t(len);
  const uint32_t pass = mono ? 2 * f : f;
  const int64_t passes = (int64_t(last) + c - first) / pass + 1;
  const uint32_t kernelSteps = (channels == 2 && !mix) ? 2 : 1;
  const uint32_t stepsPerPass = (fourKernels && kernels != 1) ? 4 : 2;
  if (title) ui->open(title, uint32_t(std::min<int64_t>(kernelSteps + passes * stepsPerPass, UINT32_MAX)));
  const bool staleCancel = ui->cancelled();
  auto step = [&] {
    if (title) ui->step();  // steps belong to the progress window, which exists only with a title
  };

  kernelSpectra(w, layout, k, kernel, len, gainA, gainB);
  for (uint32_t i = 0; i < kernelSteps; ++i) step();

  const uint32_t accFrames = mono ? q + f : q;
  double* x = w.x.data();
  int64_t written = 0;
  for (int64_t rp = first; rp - c <= last; rp += pass) {
    // Read, zero-filling what the callback did not deliver.
    const int32_t want = int32_t(int64_t(pass) * frameSize);
    int32_t got = read(data, w.in.data(), int32_t(rp * frameSize), want);
    got = std::clamp(got, 0, want);
    const size_t framesRead = size_t(got) / size_t(frameSize);
    std::memset(w.in.data() + framesRead * bufferFrame, 0, (pass - framesRead) * bufferFrame);
    packInput(w, layout, bits, f);
    w.plan->run(x, w.work.data(), -1);
    for (uint32_t i = 0; i < stepsPerPass / 2; ++i) step();
    applyKernels(w, fourKernels);
    w.plan->run(x, w.work.data(), +1);
    for (uint32_t i = 0; i < stepsPerPass - stepsPerPass / 2; ++i) step();
    double* acc = w.acc.data();
    accumulate(w, mono, f);

    // Frames rp - c .. rp - c + pass - 1 are complete; write those inside [first, last].
    const int64_t o0 = rp - c;
    const int64_t lo = std::max<int64_t>(o0, first), hi = std::min<int64_t>(o0 + pass - 1, last);
    if (lo <= hi) {
      const size_t count = size_t(hi - lo + 1);
      const double* src = acc + size_t(lo - o0) * channels;
      encodeOutput(src, count * channels, bits, w.out.data());
      const int32_t r =
          write(data, w.out.data(), int32_t(lo * frameSize), int32_t(int64_t(count) * frameSize));
      if (r > 0) written += r;
    }
    const size_t keep = size_t(accFrames - pass) * channels;
    std::memmove(acc, acc + size_t(pass) * channels, keep * sizeof(double));
    std::fill(acc + keep, acc + size_t(accFrames) * channels, 0.0);
    if (!staleCancel && ui->cancelled()) break;
  }
  if (title) ui->close();
  return written;
}

}  // namespace dsp
