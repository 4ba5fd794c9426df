// Frequency analysis on synthetic tones: precise pitch and note, the overtone check, stereo texts, live
// smoothing, the scan against precise mode, short selections, frames past either end, and note names.
#include "processing/analysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace processing {
namespace {

struct Wave {
  std::vector<int16_t> samples;  // interleaved
  uint16_t channels = 1;
  int reads = 0;
  int64_t maxEnd = 0;  // one past the last frame any read asked for
  static uint32_t read(void* d, int64_t first, uint32_t frames, int16_t* out) {
    auto* w = static_cast<Wave*>(d);
    ++w->reads;
    EXPECT_GE(first, 0);
    w->maxEnd = std::max(w->maxEnd, first + frames);
    const int64_t total = int64_t(w->samples.size()) / w->channels;
    if (first >= total) return 0;
    const uint32_t n = uint32_t(std::min<int64_t>(frames, total - first));
    std::copy(w->samples.begin() + first * w->channels, w->samples.begin() + (first + n) * w->channels, out);
    // Junk past what was delivered: the analysis must not use it.
    std::fill(out + size_t(n) * w->channels, out + size_t(frames) * w->channels, int16_t(12345));
    return n;
  }
  SampleSource source(uint32_t rate = 44100) { return SampleSource{this, read, rate, channels}; }
};

// Sum of partials (frequency, amplitude) on each channel.
Wave tone(const std::vector<std::vector<std::pair<double, double>>>& perChannel, uint32_t frames,
          uint32_t rate = 44100) {
  Wave w;
  w.channels = uint16_t(perChannel.size());
  w.samples.resize(size_t(frames) * w.channels);
  for (uint32_t j = 0; j < frames; ++j)
    for (size_t c = 0; c < perChannel.size(); ++c) {
      double v = 0;
      for (const auto& [f, a] : perChannel[c]) v += a * std::sin(2 * 3.14159265358979 * f * j / rate);
      w.samples[j * w.channels + c] = int16_t(std::lround(v * 20000));
    }
  return w;
}

TEST(AnalysisTest, PureToneGivesItsFrequencyAndNote) {
  for (double f : {440.0, 600.0, 1000.0, 97.0, 5000.0}) {
    Wave w = tone({{{f, 1.0}}}, 44100);
    SpectrumAnalyzer an(2048, 5);
    std::vector<float> spectrum(1024, -120.0f);
    const double got = an.analyseFrame(w.source(), 20000, 24000, spectrum.data(), 0, true);
    EXPECT_LT(std::abs(got - f), f == 440.0 ? 0.05 : 0.01 * f) << f;
    if (f == 440.0) {
      EXPECT_EQ(NoteName(got).substr(0, 3), "A4 ");
    }
  }
}

TEST(AnalysisTest, StrongThirdHarmonicReportsTheFundamental) {
  Wave w = tone({{{200, 0.2}, {400, 0.3}, {600, 1.0}, {800, 0.2}}}, 44100);
  SpectrumAnalyzer an(2048, 5);
  const double got = an.analyseFrame(w.source(), 20000, 20000, nullptr, 0, true);
  EXPECT_NEAR(got, 200.0, 0.5);
}

TEST(AnalysisTest, StereoChannelsAreAnalysedApart) {
  Wave w = tone({{{440, 1.0}}, {{1000, 1.0}}}, 30000);
  SpectrumAnalyzer an(2048, 5);
  const double l = an.analyseFrame(w.source(), 10000, 12000, nullptr, 0, true);
  const double r = an.analyseFrame(w.source(), 10000, 12000, nullptr, 1, true);
  EXPECT_NEAR(l, 440, 0.05);
  EXPECT_NEAR(r, 1000, 0.1);
  const std::string text = FrequencyText(l, r);
  EXPECT_EQ(text.substr(0, 3), " L=");
  EXPECT_NE(text.find("(A4 "), std::string::npos) << text;
  EXPECT_NE(text.find(" Hz (A4 "), std::string::npos) << text;
  EXPECT_NE(text.find("(B5 "), std::string::npos) << text;
}

TEST(AnalysisTest, TextForms) {
  EXPECT_EQ(FrequencyText(440.0).substr(0, 16), "     440 Hz (A4 ");
  EXPECT_EQ(FrequencyText(0.0), "       0 Hz ()");
  EXPECT_EQ(FrequencyText(445.0, 1000.0), " L=    445 Hz (A4 +19), R=   1000 Hz (B5 +21)");
}

TEST(AnalysisTest, NoteNames) {
  EXPECT_EQ(NoteName(445), "A4 +19");
  EXPECT_EQ(NoteName(1000), "B5 +21");
  EXPECT_EQ(NoteName(200), "G3 +34");
  EXPECT_EQ(NoteName(27.5).substr(0, 3), "A0 ");
  EXPECT_EQ(NoteName(0), "");
  EXPECT_EQ(NoteName(-5), "");
  EXPECT_EQ(NoteName(std::nan("")), "");
  // Below about 1 Hz the octave goes negative instead of the note index.
  EXPECT_EQ(NoteName(0.5), "C-5 -37");
  const std::string tiny = NoteName(1e-300);
  EXPECT_FALSE(tiny.empty());
  EXPECT_NE(
      std::string("C C# D D# E F F# G G# A A# B").find(tiny.substr(0, tiny.find_first_of("-0123456789"))),
      std::string::npos);
}

TEST(AnalysisTest, LiveModeRisesFastAndFallsSlowly) {
  EXPECT_DOUBLE_EQ(SmoothToward(-100, -20), -40);
  EXPECT_DOUBLE_EQ(SmoothToward(-20, -100), -40);
  Wave silent = tone({{}}, 8192);
  Wave loud = tone({{{1000, 1.0}}}, 8192);
  SpectrumAnalyzer an(512, 5);
  std::vector<float> target(256, 0.0f);
  an.analyseFrame(loud.source(), 4000, 4000, target.data(), 0, true);  // the unsmoothed dB values
  const double silence = 20 * -14 + 10.25;
  std::vector<float> v(256, -120.0f);
  EXPECT_EQ(an.analyseFrame(loud.source(), 4000, 4000, v.data(), 0, false), 0.0);
  for (int k = 1; k < 256; ++k) ASSERT_NEAR(v[k], SmoothToward(-120.0, target[k]), 1e-3) << k;
  const int bin = int(std::lround(1000.0 * 512 / 44100));
  EXPECT_NEAR(v[bin], -120 + 0.75 * (target[bin] + 120), 1e-3);
  const float up = v[bin];
  an.analyseFrame(silent.source(), 4000, 4000, v.data(), 0, false);
  EXPECT_NEAR(v[bin], up + 0.25 * (silence - up), 1e-3);
}

TEST(AnalysisTest, ScanPeakAgreesWithPreciseMode) {
  // A steady tone: the average over the selection has the peak of any one frame, within 0.5 dB, for every
  // window, size and a few frequencies (on a bin and between two).
  for (int type = 0; type < 6; ++type)
    for (uint32_t n : {512u, 4096u})
      for (double f : {1033.0, 4410.0}) {
        Wave w = tone({{{f, 0.7}}}, 6 * n);
        SpectrumAnalyzer an(n, type);
        std::vector<float> precise(n / 2, -120.0f), scanned(n / 2, -120.0f);
        an.analyseFrame(w.source(), n, 5 * n, precise.data(), 0, true);
        ScanProgress p;
        EXPECT_GT(an.scan(w.source(), n, 5 * n, scanned.data(), 0, &p), 15u);
        const auto pk = std::max_element(precise.begin() + 1, precise.end()) - precise.begin();
        const auto sk = std::max_element(scanned.begin() + 1, scanned.end()) - scanned.begin();
        EXPECT_EQ(pk, sk) << type << " " << n << " " << f;
        EXPECT_NEAR(scanned[sk], precise[pk], 0.5) << type << " " << n << " " << f;
      }
}

class CountingScan : public ScanProgress {
 public:
  void open(const char* t, uint32_t s) override {
    title = t;
    steps = s;
  }
  void step() override { ++done; }
  bool cancelled() override { return stopAt && done >= stopAt; }
  std::string title;
  uint32_t steps = 0, done = 0, stopAt = 0;
};

TEST(AnalysisTest, ShortSelectionsEndAndCancelStops) {
  Wave w = tone({{{500, 1.0}}, {{700, 1.0}}}, 5000);
  SpectrumAnalyzer an(1024, 5);
  std::vector<float> out(512, -120.0f);
  for (int64_t len : {0, 1, 10, 15, 16, 17}) {
    CountingScan p;
    const uint32_t frames = an.scan(w.source(), 2000, 2000 + len, out.data(), 1, &p);
    EXPECT_GE(frames, 1u) << len;
    EXPECT_LE(frames, uint32_t(len) + 1) << len;
    EXPECT_EQ(p.title, "Scanning Right...");
  }
  EXPECT_EQ(an.scan(w.source(), 10, 5, out.data(), 0, nullptr), 0u);
  CountingScan p;
  p.stopAt = 3;
  EXPECT_EQ(an.scan(w.source(), 0, 4999, out.data(), 0, &p), 3u);
  EXPECT_EQ(p.title, "Scanning Left...");
  EXPECT_EQ(ScanTitle(1, 0), std::string("Scanning..."));
}

TEST(AnalysisTest, FramesPastEitherEndReadAsSilence) {
  // A tone in the last 300 frames only; the frame around the end runs past it and before frame 0 for a
  // short wave. Stale data from an earlier, louder frame must not leak in.
  Wave loud = tone({{{3000, 1.0}}}, 10000);
  SpectrumAnalyzer an(2048, 5);
  std::vector<float> a(1024, -120.0f), b(1024, -120.0f);
  an.analyseFrame(loud.source(), 5000, 5000, a.data(), 0, true);
  Wave shortWave = tone({{{3000, 0.001}}}, 600);
  an.analyseFrame(shortWave.source(), 300, 300, b.data(), 0, true);
  const int bin = int(std::lround(3000.0 * 2048 / 44100));
  EXPECT_LT(b[bin], a[bin] - 40);  // the quiet short wave, not the earlier loud frame
  // Same result as with an explicit zero-padded copy.
  Wave padded = shortWave;
  padded.samples.insert(padded.samples.begin(), 2000, 0);
  padded.samples.resize(padded.samples.size() + 2000, 0);
  std::vector<float> c(1024, -120.0f);
  SpectrumAnalyzer an2(2048, 5);
  an2.analyseFrame(padded.source(), 2300, 2300, c.data(), 0, true);
  for (int k = 1; k < 1024; ++k) EXPECT_NEAR(b[k], c[k], 1e-3) << k;
}

TEST(AnalysisTest, ReleasedBuffersComeBack) {
  Wave w = tone({{{1000, 1.0}}}, 20000);
  SpectrumAnalyzer an(8192, 5);
  EXPECT_EQ(an.bufferBytes(), 0u);
  const double f = an.analyseFrame(w.source(), 10000, 10000, nullptr, 0, true);
  EXPECT_GE(an.bufferBytes(), 5u * 8192 * sizeof(double));
  an.releaseBuffers();
  EXPECT_EQ(an.bufferBytes(), 0u);
  EXPECT_EQ(an.analyseFrame(w.source(), 10000, 10000, nullptr, 0, true), f);
}

TEST(AnalysisTest, SilenceAndSizes) {
  Wave silent = tone({{}}, 4096);
  SpectrumAnalyzer an(4096, 1);
  std::vector<float> s(2048, 0.0f);
  EXPECT_EQ(an.analyseFrame(silent.source(), 0, 4095, s.data(), 0, true), 0.0);
  for (int k = 1; k < 2048; ++k) EXPECT_NEAR(s[k], 20 * -14 + 10.25, 1e-3);
  EXPECT_FALSE(an.setSize(100));
  EXPECT_FALSE(an.setSize(65536));
  EXPECT_FALSE(an.setSize(64));
  EXPECT_EQ(an.size(), 4096u);
  for (uint32_t n = 128; n <= 32768; n *= 2) {
    EXPECT_TRUE(an.setSize(n));
    Wave w = tone({{{2000, 0.5}}}, n + 10);
    std::vector<float> o(n / 2, -120.0f);
    EXPECT_NEAR(an.analyseFrame(w.source(), 0, n, o.data(), 0, true), 2000, 2000 * 0.01) << n;
  }
}

}  // namespace
}  // namespace processing
