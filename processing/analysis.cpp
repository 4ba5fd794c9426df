// Frame analysis and the scan over a selection. Transforms use the exponent +2*pi*i*j*k/N (LFFT with sign
// -1): then the spectrum of the frame read one sample later turns by -2*pi*f/rate at frequency f, so
// f = -delta * rate / (2*pi).
#include "processing/analysis.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "dsp/fft.h"
#include "dsp/window.h"

namespace processing {

const char kScanTitle[] = "Scanning...";
const char kScanLeftTitle[] = "Scanning Left...";
const char kScanRightTitle[] = "Scanning Right...";

namespace {

const double kPi = 3.14159265358979323846;
const double kSqrt2 = 1.41421356237309504880;

// The dB value of magnitude m: 20 log10 m plus this offset.
const double kDbOffset = 10.25;

double toDb(double m, double offset) {
  return 20.0 * std::log10(std::max(m, 1e-14)) + offset;
}

}  // namespace

const char* ScanTitle(int channels, int channel) {
  if (channels < 2) return kScanTitle;
  return channel ? kScanRightTitle : kScanLeftTitle;
}

double SmoothToward(double v, double d) {
  return v + (d - v) * (d > v ? 0.75 : 0.25);
}

SpectrumAnalyzer::SpectrumAnalyzer(uint32_t size, int windowType)
    : n_(kAnalysisDefaultSize), type_(windowType) {
  setSize(size);
}

bool SpectrumAnalyzer::setSize(uint32_t n) {
  if (n < kAnalysisMinSize || n > kAnalysisMaxSize || (n & (n - 1)) != 0) return false;
  n_ = n;
  return true;
}

void SpectrumAnalyzer::releaseBuffers() {
  for (std::vector<double>* v : {&x_, &xr_, &xi_, &yr_, &yi_}) std::vector<double>().swap(*v);
  std::vector<int16_t>().swap(raw_);
}

size_t SpectrumAnalyzer::bufferBytes() const {
  return (x_.capacity() + xr_.capacity() + xi_.capacity() + yr_.capacity() + yi_.capacity()) *
             sizeof(double) +
         raw_.capacity() * sizeof(int16_t);
}

void SpectrumAnalyzer::setWindowType(int type) {
  type_ = type;
}

bool SpectrumAnalyzer::prepare() {
  try {
    if (tableN_ != n_ || tableType_ != type_) {
      if (!dsp::BuildWindowTable(table_, n_, type_)) return false;
      tableN_ = n_;
      tableType_ = type_;
    }
    x_.resize(size_t(n_) + 1);
    xr_.resize(n_);
    xi_.resize(n_);
    yr_.resize(n_);
    yi_.resize(n_);
  } catch (const std::bad_alloc&) {
    tableN_ = 0;
    return false;
  }
  return true;
}

// x_[0 .. frames-1] = the channel's samples / 32768; silence outside the wave and where the reader stops.
void SpectrumAnalyzer::readFrames(const SampleSource& src, int64_t first, uint32_t frames, int channel) {
  std::fill(x_.begin(), x_.begin() + frames, 0.0);
  const int64_t skip = first < 0 ? std::min<int64_t>(-first, frames) : 0;
  const uint32_t want = frames - uint32_t(skip);
  if (!want || !src.read) return;
  const uint16_t ch = src.channels == 2 ? 2 : 1;
  raw_.assign(size_t(want) * ch, 0);
  const uint32_t got = std::min(src.read(src.data, first + skip, want, raw_.data()), want);
  const int c = (ch == 2 && channel == 1) ? 1 : 0;
  for (uint32_t j = 0; j < got; ++j) x_[size_t(skip) + j] = raw_[size_t(j) * ch + c] / 32768.0;
}

void SpectrumAnalyzer::transform(const double* samples, std::vector<double>& re, std::vector<double>& im) {
  std::copy(samples, samples + n_, re.begin());
  std::fill(im.begin(), im.end(), 0.0);
  dsp::WindowLFFT(re.data(), int32_t(n_), table_);
  dsp::LFFT(re.data(), im.data(), int32_t(n_), -1);
}

// Weighted phase frequency over bins first .. first + 3; weight receives the sum of the weights.
double SpectrumAnalyzer::phaseFrequency(uint32_t first, double rate, double* weight) const {
  const double half = n_ / 2;
  double sw = 0, swf = 0;
  for (uint32_t k = first; k < first + 4 && k < n_; ++k) {
    const double mx = std::hypot(xr_[k], xi_[k]);
    const double w = mx / half * 32768.0;
    double f = 0;
    if (mx > 0 && (yr_[k] != 0 || yi_[k] != 0)) {
      double delta = std::atan2(yi_[k], yr_[k]) - std::atan2(xi_[k], xr_[k]);
      if (delta > kPi) delta -= 2 * kPi;
      if (delta < -kPi) delta += 2 * kPi;
      f = -delta * rate / (2 * kPi);
    }
    sw += w;
    swf += w * f;
  }
  *weight = sw;
  return sw > 0 ? std::abs(swf / sw) : 0.0;
}

double SpectrumAnalyzer::analyseFrame(const SampleSource& src, int64_t a, int64_t b, float* out, int channel,
                                      bool precise) {
  if (b < a) b = a;
  if (b == -1) b = 0;
  if (!prepare()) return 0;
  const uint32_t half = n_ / 2;
  const int64_t first = (a + b) / 2 - half;
  readFrames(src, first, precise ? n_ + 1 : n_, channel);
  transform(x_.data(), xr_, xi_);
  const double scale = half * kSqrt2;
  if (!precise) {
    if (out)
      for (uint32_t k = 0; k < half; ++k)
        out[k] = float(SmoothToward(out[k], toDb(std::hypot(xr_[k], xi_[k]) / scale, kDbOffset)));
    return 0;
  }
  transform(x_.data() + 1, yr_, yi_);
  uint32_t peak = 1;
  double best = -1;
  for (uint32_t k = 1; k < half; ++k) {
    const double m = std::hypot(xr_[k], xi_[k]) / scale;
    if (out) out[k] = float(toDb(m, kDbOffset));
    if (m > best) {
      best = m;
      peak = k;
    }
  }
  const double above = std::hypot(xr_[peak + 1], xi_[peak + 1]),
               below = std::hypot(xr_[peak - 1], xi_[peak - 1]);
  int64_t d = above >= below ? int64_t(peak) - 1 : int64_t(peak) - 2;
  d = std::clamp<int64_t>(d, 0, int64_t(half) - 4);
  const double rate = src.rate;
  double peakWeight = 0;
  double f = phaseFrequency(uint32_t(d), rate, &peakWeight);
  if (peakWeight <= 0) return 0;

  // Overtone check: does F / q for q = 2 .. 7 show up with its own weight and a matching phase frequency?
  double err[8];
  for (int q = 2; q <= 7; ++q) {
    const double c = f / q;
    err[q] = 100;
    if (c > rate / 2 || c < 1) continue;
    const int64_t start = std::max<int64_t>(0, int64_t(c * n_ / rate) - 1);
    double weight = 0;
    const double est = phaseFrequency(uint32_t(start), rate, &weight);
    if (weight > 0 && weight >= 0.07 * peakWeight) err[q] = std::abs((est - c) / c) * 100;
  }
  int w = 0, x = 0;  // the divisors with the smallest and the next smallest error (0: none)
  for (int q = 2; q <= 7; ++q) {
    if (err[q] >= 100) continue;
    if (!w || err[q] < err[w]) {
      x = w;
      w = q;
    } else if (!x || err[q] < err[x]) {
      x = q;
    }
  }
  const double errW = w ? err[w] : 100, errX = x ? err[x] : 100;
  if (errX > 2) {
    if (errW < 2) f /= w;
  } else if ((w == 2 || x == 2) && err[4] < 2) {
    f /= 4;
  } else if ((w == 2 || w == 3 || x == 2 || x == 3) && err[6] < 2) {
    f /= 6;
  } else if (errW < 2 && w != 4 && w != 6) {
    f /= w;
  }
  return f;
}

uint32_t SpectrumAnalyzer::scan(const SampleSource& src, int64_t start, int64_t end, float* out, int channel,
                                ScanProgress* progress) {
  if (end < start || !out || !prepare()) return 0;
  ScanProgress none;
  ScanProgress* ui = progress ? progress : &none;
  const uint32_t half = n_ / 2;
  const int64_t hop = std::max<int64_t>(1, std::min<int64_t>((end - start) / 16, n_ / 16));
  const int64_t steps = std::max<int64_t>(1, (end - start) / hop);
  std::vector<double> sum(half, 0.0);
  const double scale = kSqrt2 * half;
  ui->open(ScanTitle(src.channels, channel), uint32_t(std::min<int64_t>(steps, UINT32_MAX)));
  uint32_t count = 0;
  int64_t fs = start - half;
  do {
    readFrames(src, fs, n_, channel);
    transform(x_.data(), xr_, xi_);
    for (uint32_t k = 1; k < half; ++k) {
      const double m = std::hypot(xr_[k], xi_[k]) / scale;
      sum[k] += (m + 2) * (m + 2);
    }
    ++count;
    ui->step();
    fs += hop;
  } while (fs < end - half && !ui->cancelled());
  ui->close();
  // The same dB offset as a single frame, so a steady tone's scan peak reads what precise mode reads.
  for (uint32_t k = 1; k < half; ++k) out[k] = float(toDb(std::sqrt(sum[k] / count) - 2, kDbOffset));
  return count;
}

}  // namespace processing
