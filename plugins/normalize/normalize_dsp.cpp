// "Normalize" processing; see normalize_dsp.h.
#include "plugins/normalize/normalize_dsp.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace normalize {

double percentToDb(double percent) {
  return 20.0 * std::log10(percent / 100.0);
}

double dbToPercent(double db) {
  return 100.0 * std::pow(10.0, db / 20.0);
}

double fullScale(int bits) {
  return bits == 8 ? 32512.0 : bits == 16 ? 32767.0 : 32768.0;
}

float toGrid(double v, int bits) {
  if (bits != 8 && bits != 16) return float(v);
  const double step = bits == 8 ? 256.0 : 1.0;
  double r = std::round(v / step) * step;
  r = std::min(std::max(r, -32768.0), fullScale(bits));
  return float(r);
}

double peakOf(const float* samples, size_t n) {
  double p = 0;
  for (size_t i = 0; i < n; ++i) p = std::max(p, double(std::fabs(samples[i])));
  return p;
}

double gainFor(double peak, double percent, int bits) {
  if (!(peak > 0)) return 1.0;
  return percent / 100.0 * fullScale(bits) / peak;
}

void applyGain(float* samples, size_t n, double gain, int bits) {
  for (size_t i = 0; i < n; ++i) samples[i] = toGrid(double(samples[i]) * gain, bits);
}

Result run(const Io& io, int32_t first, int32_t last, int channels, int bits, double percent,
           int32_t chunkFrames) {
  Result r;
  if (last < first || channels < 1 || chunkFrames < 1) {
    r.completed = true;
    return r;
  }
  const int64_t frames = int64_t(last) - first + 1;
  std::vector<float> buf(size_t(chunkFrames) * size_t(channels));
  const int64_t total = 2 * frames;
  for (int64_t done = 0; done < frames;) {
    const int32_t n = int32_t(std::min<int64_t>(chunkFrames, frames - done));
    const int32_t got = io.read(int32_t(first + done), n, buf.data());
    if (got != n) return r;
    r.peak = std::max(r.peak, peakOf(buf.data(), size_t(n) * size_t(channels)));
    done += n;
    if (io.progress && !io.progress(done, total)) return r;
  }
  r.gain = gainFor(r.peak, percent, bits);
  for (int64_t done = 0; done < frames;) {
    const int32_t n = int32_t(std::min<int64_t>(chunkFrames, frames - done));
    if (io.read(int32_t(first + done), n, buf.data()) != n) return r;
    applyGain(buf.data(), size_t(n) * size_t(channels), r.gain, bits);
    if (io.write(int32_t(first + done), n, buf.data()) != n) return r;
    done += n;
    if (io.progress && !io.progress(frames + done, total)) return r;
  }
  r.completed = true;
  return r;
}

}  // namespace normalize
