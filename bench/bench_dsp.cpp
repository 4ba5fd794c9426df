// Numeric services benchmark (Google Benchmark, JSON with --benchmark_format=json): the radix-2 float FFT
// against FFTW single precision (estimate-mode plan) and KissFFT, LFFT against FFTW double for powers of
// two and 800 * 2^k, and ConvoluteEx with 4097 taps over 16-bit stereo at 44.1 kHz, reported as times
// real time. Each transform benchmark also times the references for its size in the same run and reports
// the ratios as counters: ratio_fftw = our time / FFTW's, ratio_kiss = our time / KissFFT's.
#include <benchmark/benchmark.h>
#include <fftw3.h>
#include <kiss_fft.h>
#include <time.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "dsp/convolve.h"
#include "dsp/fft.h"

namespace {

// This thread's CPU time in ns: on a shared machine other processes' load does not count against either
// side of a ratio.
double cpuNs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e9 + double(ts.tv_nsec);
}

// CPU nanoseconds per call of fn: the best of three runs of at least 20 ms each.
double nsPerCall(const std::function<void()>& fn) {
  fn();
  int64_t reps = 1;
  for (;;) {
    const double t0 = cpuNs();
    for (int64_t i = 0; i < reps; ++i) fn();
    if (cpuNs() - t0 > 2e7) break;
    reps *= 2;
  }
  double best = 1e300;
  for (int r = 0; r < 3; ++r) {
    const double t0 = cpuNs();
    for (int64_t i = 0; i < reps; ++i) fn();
    best = std::min(best, (cpuNs() - t0) / double(reps));
  }
  return best;
}

std::vector<float> randomFloats(size_t n) {
  std::mt19937 rng{uint32_t(n)};
  std::uniform_real_distribution<float> d(-1, 1);
  std::vector<float> v(n);
  for (float& x : v) x = d(rng);
  return v;
}

void BM_FFT(benchmark::State& state) {
  const uint32_t n = uint32_t(state.range(0));
  std::vector<float> a = randomFloats(2 * n + 1);
  int sign = 1;
  for (auto _ : state) {
    dsp::FFT(a.data(), n, sign);
    sign = -sign;
    benchmark::DoNotOptimize(a.data());
  }
  // References for the same size, timed with the same clock as ours.
  fftwf_complex* buf = fftwf_alloc_complex(n);
  std::memcpy(buf, a.data() + 1, sizeof(float) * 2 * n);
  fftwf_plan plan = fftwf_plan_dft_1d(int(n), buf, buf, FFTW_BACKWARD, FFTW_ESTIMATE);
  kiss_fft_cfg cfg = kiss_fft_alloc(int(n), 1, nullptr, nullptr);
  std::vector<kiss_fft_cpx> kin(n), kout(n);
  std::memcpy(kin.data(), a.data() + 1, sizeof(float) * 2 * n);
  std::vector<float> b = randomFloats(2 * n + 1);
  const double ours = nsPerCall([&] { dsp::FFT(b.data(), n, 1); });
  const double fftw = nsPerCall([&] { fftwf_execute(plan); });
  const double kiss = nsPerCall([&] { kiss_fft(cfg, kin.data(), kout.data()); });
  fftwf_destroy_plan(plan);
  fftwf_free(buf);
  kiss_fft_free(cfg);
  state.counters["ours_ns"] = ours;
  state.counters["fftwf_ns"] = fftw;
  state.counters["kiss_ns"] = kiss;
  state.counters["ratio_fftw"] = ours / fftw;
  state.counters["ratio_kiss"] = ours / kiss;
}
BENCHMARK(BM_FFT)->RangeMultiplier(2)->Range(256, 32768);

void BM_LFFT(benchmark::State& state) {
  const int32_t n = int32_t(state.range(0));
  std::vector<float> seed = randomFloats(2 * size_t(n));
  std::vector<double> re(seed.begin(), seed.begin() + n), im(seed.begin() + n, seed.end());
  int sign = 1;
  for (auto _ : state) {
    dsp::LFFT(re.data(), im.data(), n, sign);
    sign = -sign;
    benchmark::DoNotOptimize(re.data());
  }
  fftw_complex* buf = fftw_alloc_complex(size_t(n));
  for (int32_t k = 0; k < n; ++k) {
    buf[k][0] = re[k];
    buf[k][1] = im[k];
  }
  fftw_plan plan = fftw_plan_dft_1d(n, buf, buf, FFTW_FORWARD, FFTW_ESTIMATE);
  const double ours = nsPerCall([&] { dsp::LFFT(re.data(), im.data(), n, 1); });
  const double fftw = nsPerCall([&] { fftw_execute(plan); });
  fftw_destroy_plan(plan);
  fftw_free(buf);
  state.counters["ours_ns"] = ours;
  state.counters["fftw_ns"] = fftw;
  state.counters["ratio_fftw"] = ours / fftw;
}
BENCHMARK(BM_LFFT)
    ->RangeMultiplier(2)
    ->Range(256, 32768)
    ->Arg(800)
    ->Arg(1600)
    ->Arg(3200)
    ->Arg(6400)
    ->Arg(12800);

struct MemoryWave {
  std::vector<int16_t> samples;
  static int32_t read(void* d, void* buf, int32_t pos, int32_t count) {
    auto* w = static_cast<MemoryWave*>(d);
    const int64_t avail = int64_t(w->samples.size()) * 2 - pos;
    const int32_t n = int32_t(std::max<int64_t>(0, std::min<int64_t>(avail, count)));
    std::memcpy(buf, reinterpret_cast<const char*>(w->samples.data()) + pos, size_t(n));
    return n;
  }
  static int32_t write(void* d, void* buf, int32_t pos, int32_t count) {
    auto* w = static_cast<MemoryWave*>(d);
    std::memcpy(reinterpret_cast<char*>(w->samples.data()) + pos, buf, size_t(count));
    return count;
  }
};

// Argument: seconds of 44.1 kHz 16-bit stereo, processed in place.
void BM_ConvoluteEx(benchmark::State& state) {
  const int64_t frames = state.range(0) * 44100;
  MemoryWave w;
  w.samples.resize(size_t(frames) * 2);
  std::mt19937 rng(1);
  for (auto& s : w.samples) s = int16_t(int(rng() % 20000) - 10000);
  std::vector<double> kernel(4097);
  for (size_t t = 0; t < kernel.size(); ++t) {  // a windowed-sinc low-pass
    const double x = double(t) - 2048;
    const double sinc = x == 0 ? 0.5 : std::sin(0.5 * M_PI * x) / (M_PI * x);
    kernel[t] = sinc * (0.54 + 0.46 * std::cos(M_PI * x / 2049));
  }
  double seconds = 0, cpuSeconds = 0;
  for (auto _ : state) {
    const double c0 = cpuNs();
    const auto t0 = std::chrono::steady_clock::now();
    const int64_t bytes =
        dsp::ConvoluteEx(16, 2, 4, 0, int32_t(frames - 1), 0, 1, kernel.data(), 4097, 2048, nullptr, &w,
                         MemoryWave::read, MemoryWave::write, 1.0, 1.0, nullptr);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    cpuSeconds += (cpuNs() - c0) / 1e9;
    benchmark::DoNotOptimize(bytes);
  }
  // Audio seconds per second of this thread's CPU time, and per wall-clock second (load dependent).
  state.counters["times_real_time"] = double(state.range(0)) * double(state.iterations()) / cpuSeconds;
  state.counters["times_real_time_wall"] = double(state.range(0)) * double(state.iterations()) / seconds;
}
BENCHMARK(BM_ConvoluteEx)->Arg(5)->Arg(600)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
