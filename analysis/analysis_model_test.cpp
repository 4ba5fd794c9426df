// The analysis window's model over real documents of the store: settings limits and texts, placement,
// precise pitch of mono, stereo, 8-bit and float documents, live updates moving the arrays with the fast
// rise and slow fall, no document, a size change, the scan against precise mode, and the graph it hands on.
#include "analysis/analysis_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "document/document_test_util.h"
#include "document/sample_transfer.h"

namespace analysis {
namespace {

using document::WaveDocument;

constexpr double kPi = 3.14159265358979323846;

TEST(AnalysisSettingsTest, Limits) {
  struct Case {
    int32_t size, window;
    double range;
    int32_t wantSize, wantWindow;
    double wantRange;
  } cases[] = {
      {2048, 5, 120, 2048, 5, 120}, {128, 0, 24, 128, 0, 24},       {32768, 4, 240, 32768, 4, 240},
      {100, 6, 10, 2048, 5, 24},    {65536, -1, 500, 2048, 5, 240}, {3000, 2, 60.5, 2048, 2, 60.5},
      {64, 3, NAN, 2048, 3, 120},   {0, 1, -5, 2048, 1, 24},        {512, 99, 239.9, 512, 5, 239.9},
  };
  for (const Case& c : cases) {
    const AnalysisSettings s = SanitizeSettings({c.size, c.window, c.range});
    EXPECT_EQ(s.size, c.wantSize) << c.size;
    EXPECT_EQ(s.windowType, c.wantWindow) << c.window;
    EXPECT_DOUBLE_EQ(s.range, c.wantRange) << c.range;
  }
}

TEST(AnalysisSettingsTest, RangeText) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {{"10", true, 24}, {"500", true, 240}, {" 60 ", true, 60}, {"120.0", true, 120},
               {"", false, 0},   {"abc", false, 0},  {"50x", false, 0},  {"-3", true, 24},
               {"24", true, 24}, {"240", true, 240}, {"1e2", true, 100}};
  for (const Case& c : cases) {
    double v = -1;
    EXPECT_EQ(ParseRange(c.text, &v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    } else {
      EXPECT_EQ(v, -1) << c.text;
    }
  }
  EXPECT_EQ(RangeText(120), "120.0");
  EXPECT_EQ(RangeText(24), "24.0");
  EXPECT_EQ(RangeText(60.5), "60.5");
  EXPECT_EQ(ClampRange(10), 24);
  EXPECT_EQ(ClampRange(500), 240);
}

TEST(AnalysisSettingsTest, SizesAndWindows) {
  const std::vector<uint32_t> sizes = SizeChoices();
  ASSERT_EQ(sizes.size(), 9u);
  EXPECT_EQ(sizes.front(), 128u);
  EXPECT_EQ(sizes.back(), 32768u);
  for (size_t i = 0; i < sizes.size(); ++i) EXPECT_EQ(SizeIndex(sizes[i]), int(i));
  EXPECT_EQ(SizeIndex(2048), 4);
  EXPECT_EQ(SizeIndex(1000), -1);
  EXPECT_STREQ(kWindowNames[0], "Triangular");
  EXPECT_STREQ(kWindowNames[4], "Welch (Gaussian)");
  EXPECT_STREQ(kWindowNames[5], "Blackmann-Harris");
}

TEST(AnalysisSettingsTest, Placement) {
  const Placement def{310, 234, 600, 400};
  struct Case {
    Placement in, want;
  } cases[] = {
      {{100, 50, 700, 500}, {100, 50, 700, 500}},     {{-20, 50, 700, 500}, {310, 50, 700, 500}},
      {{1900, 1200, 700, 500}, {310, 234, 700, 500}}, {{100, 50, 100, 100}, {100, 50, 600, 400}},
      {{100, 50, 5000, 5000}, {100, 50, 600, 400}},   {{1880, 1040, 300, 200}, {1880, 1040, 300, 200}},
  };
  for (const Case& c : cases) {
    const Placement p = ClampPlacement(c.in, def, 1920, 1080);
    EXPECT_EQ(p.x, c.want.x);
    EXPECT_EQ(p.y, c.want.y);
    EXPECT_EQ(p.w, c.want.w);
    EXPECT_EQ(p.h, c.want.h);
  }
}

TEST(AnalysisSettingsTest, ScanAndLiveRules) {
  EXPECT_TRUE(CanScan(true, 0, 0));
  EXPECT_TRUE(CanScan(true, 10, 5000));
  EXPECT_FALSE(CanScan(true, 10, 9));  // a cursor
  EXPECT_FALSE(CanScan(true, -1, -2));
  EXPECT_FALSE(CanScan(false, 0, 100));
  AnalysisModel m;
  for (uint32_t n : SizeChoices()) {
    m.setSize(n);
    EXPECT_EQ(m.wantsPlayPosition(), n <= 512) << n;
    EXPECT_EQ(m.needsWaitCursor(), n >= 4097) << n;
  }
}

class AnalysisModelTest : public document::testing_util::DocumentFixture {
 protected:
  // A document of sines (frequency per channel) at amplitude a of full scale.
  std::unique_ptr<WaveDocument> toneDoc(uint16_t bits, std::vector<double> freqs, uint32_t frames,
                                        double a = 0.6, uint32_t rate = 44100) {
    const uint16_t ch = uint16_t(freqs.size());
    auto doc = WaveDocument::createEmpty(ch, bits, rate, document::kCreateNewWave);
    EXPECT_NE(doc, nullptr);
    std::vector<int16_t> s(size_t(frames) * ch);
    for (uint32_t j = 0; j < frames; ++j)
      for (uint16_t c = 0; c < ch; ++c)
        s[size_t(j) * ch + c] = int16_t(std::lround(a * 32767 * std::sin(2 * kPi * freqs[c] * j / rate)));
    // Written as 16-bit frames: the transfer converts them into the document's own size.
    const uint16_t word = document::XF_16BIT | (ch == 2 ? document::XF_STEREO : document::XF_MONO);
    EXPECT_EQ(document::SampleWrite(doc->samples(), s.data(), 0, frames, word), frames);
    return doc;
  }
};

TEST_F(AnalysisModelTest, NoDocumentHoldsTheFloor) {
  AnalysisModel m({2048, 5, 96});
  m.update(nullptr, 0, -1, 0);
  EXPECT_EQ(m.channels(), 1);
  ASSERT_EQ(m.spectrum(0).size(), 1024u);
  for (float v : m.spectrum(0)) ASSERT_EQ(v, -96.0f);
  EXPECT_EQ(m.frequency(0), 0.0);
  EXPECT_EQ(m.text(), "       0 Hz ()");
}

TEST_F(AnalysisModelTest, PreciseToneInEverySampleSize) {
  for (uint16_t bits : {8, 16, 32}) {
    auto doc = toneDoc(bits, {440}, 44100);
    const processing::SampleSource src = DocumentSource(doc.get());
    EXPECT_EQ(src.rate, 44100u);
    EXPECT_EQ(src.channels, 1);
    AnalysisModel m;
    m.update(&src, 10000, 30000, 0);
    EXPECT_NEAR(m.frequency(0), 440.0, bits == 8 ? 0.2 : 0.05) << bits;
    EXPECT_NE(m.text().find(" Hz (A4 "), std::string::npos) << m.text();
    const auto& sp = m.spectrum(0);
    const size_t peak = size_t(std::max_element(sp.begin() + 1, sp.end()) - sp.begin());
    EXPECT_NEAR(double(peak), 440.0 * 2048 / 44100, 1.0);
    EXPECT_EQ(sp[0], sp[1]);  // bin 0 shown like its neighbour
  }
}

TEST_F(AnalysisModelTest, StereoGivesBothChannels) {
  auto doc = toneDoc(16, {440, 1000}, 30000);
  const processing::SampleSource src = DocumentSource(doc.get());
  AnalysisModel m;
  m.update(&src, 5000, 4999, 0);  // a cursor at 5000
  EXPECT_EQ(m.channels(), 2);
  EXPECT_NEAR(m.frequency(0), 440, 0.05);
  EXPECT_NEAR(m.frequency(1), 1000, 0.1);
  const std::string t = m.text();
  EXPECT_EQ(t.substr(0, 3), " L=") << t;
  EXPECT_NE(t.find("(A4 "), std::string::npos) << t;
  EXPECT_NE(t.find(", R=   1000 Hz (B5 "), std::string::npos) << t;
  const display::GraphData g = m.graph(true);
  EXPECT_EQ(g.channels, 2);
  EXPECT_EQ(g.series[0].size(), 1024u);
  EXPECT_EQ(g.series[1].size(), 1024u);
  EXPECT_DOUBLE_EQ(g.xMax, 22050);
  EXPECT_DOUBLE_EQ(g.range, 120);
  EXPECT_TRUE(g.lines);
  EXPECT_FALSE(m.graph(false).lines);
  // A mono document afterwards: one channel again.
  auto mono = toneDoc(16, {600}, 20000, 0.5, 22050);
  const processing::SampleSource ms = DocumentSource(mono.get());
  m.update(&ms, 0, 19999, 0);
  EXPECT_EQ(m.channels(), 1);
  EXPECT_NEAR(m.frequency(0), 600, 0.1);
  EXPECT_EQ(m.text().substr(0, 2), "  ");
  EXPECT_DOUBLE_EQ(m.graph(true).xMax, 11025);
  EXPECT_TRUE(m.graph(true).series[1].empty());
}

TEST_F(AnalysisModelTest, LiveUpdatesRiseFastAndFallSlowly) {
  auto loud = toneDoc(16, {2000}, 20000, 0.8);
  auto quiet = toneDoc(16, {2000}, 20000, 0.0);
  const processing::SampleSource ls = DocumentSource(loud.get()), qs = DocumentSource(quiet.get());
  AnalysisModel m({512, 5, 120});
  // The unsmoothed values at the position, as precise mode computes them over a cursor there.
  AnalysisModel ref({512, 5, 120});
  ref.update(&ls, 8000, 7999, 0);
  m.update(&ls, 8000, 7999, 0);
  const double f = m.frequency(0);
  std::vector<float> before(256, -120.0f);
  // Start from the floor.
  m.clear();
  m.update(&ls, 0, -1, 8000);
  const int bin = int(std::lround(2000.0 * 512 / 44100));
  for (int k = 1; k < 256; ++k)
    ASSERT_NEAR(m.spectrum(0)[k], processing::SmoothToward(-120.0, ref.spectrum(0)[k]), 1e-3) << k;
  EXPECT_EQ(m.frequency(0), 0.0);  // cleared, and live updates leave the frequency alone
  const float up = m.spectrum(0)[bin];
  EXPECT_NEAR(up, -120 + 0.75 * (ref.spectrum(0)[bin] + 120), 1e-3);
  // Again at the same place: three quarters of what was left.
  m.update(&ls, 0, -1, 8000);
  EXPECT_NEAR(m.spectrum(0)[bin], up + 0.75 * (ref.spectrum(0)[bin] - up), 1e-3);
  const float high = m.spectrum(0)[bin];
  // Silence: a quarter of the way down per update.
  m.update(&qs, 0, -1, 8000);
  const double floor = 20 * -14 + 10.25;
  EXPECT_NEAR(m.spectrum(0)[bin], high + 0.25 * (floor - high), 1e-3);
  // A precise update sets the frequency and the values outright.
  m.update(&ls, 8000, 7999, 0);
  EXPECT_DOUBLE_EQ(m.frequency(0), f);
  EXPECT_NEAR(m.spectrum(0)[bin], ref.spectrum(0)[bin], 1e-4);
}

TEST_F(AnalysisModelTest, SizeChangeReallocatesAtTheFloor) {
  auto doc = toneDoc(16, {440}, 40000);
  const processing::SampleSource src = DocumentSource(doc.get());
  AnalysisModel m({2048, 5, 100});
  m.update(&src, 0, 39999, 0);
  EXPECT_FALSE(m.setSize(2048));
  EXPECT_FALSE(m.setSize(3000));
  EXPECT_TRUE(m.setSize(8192));
  ASSERT_EQ(m.spectrum(0).size(), 4096u);
  for (float v : m.spectrum(0)) ASSERT_EQ(v, -100.0f);
  m.update(&src, 0, 39999, 0);
  EXPECT_NEAR(m.frequency(0), 440, 0.05);
  EXPECT_TRUE(m.setWindowType(2));
  EXPECT_FALSE(m.setWindowType(2));
  EXPECT_FALSE(m.setWindowType(6));
  EXPECT_EQ(m.settings().windowType, 2);
  m.update(&src, 0, 39999, 0);
  EXPECT_NEAR(m.frequency(0), 440, 0.05);
  EXPECT_TRUE(m.setRange(10));
  EXPECT_EQ(m.settings().range, 24);
  EXPECT_FALSE(m.setRange(5));
  EXPECT_EQ(m.settings().size, 8192);
  // Large transforms give their work buffers back after each computation, small ones keep them.
  EXPECT_EQ(m.bufferBytes(), 0u);
  m.setSize(1024);
  m.update(&src, 0, 39999, 0);
  EXPECT_GT(m.bufferBytes(), 0u);
  m.update(&src, 0, 39999, 1000);
  EXPECT_GT(m.bufferBytes(), 0u);
}

class StopAfter : public processing::ScanProgress {
 public:
  explicit StopAfter(uint32_t n) : n_(n) {}
  void open(const char* title, uint32_t) override { titles.push_back(title); }
  void step() override { ++done; }
  bool cancelled() override { return n_ && done >= n_; }
  std::vector<std::string> titles;
  uint32_t done = 0;

 private:
  uint32_t n_;
};

TEST_F(AnalysisModelTest, ScanMatchesPreciseModeWithinHalfADecibel) {
  auto doc = toneDoc(16, {440, 3000}, 44100, 0.5);
  const processing::SampleSource src = DocumentSource(doc.get());
  AnalysisModel precise, scanned;
  precise.update(&src, 4000, 40000, 0);
  StopAfter none(0);
  ASSERT_TRUE(scanned.scan(src, 4000, 40000, &none));
  EXPECT_EQ(none.titles, (std::vector<std::string>{"Scanning Left...", "Scanning Right..."}));
  for (int c = 0; c < 2; ++c) {
    const auto& p = precise.spectrum(c);
    const auto& s = scanned.spectrum(c);
    const auto pk = std::max_element(p.begin() + 1, p.end()) - p.begin();
    const auto sk = std::max_element(s.begin() + 1, s.end()) - s.begin();
    EXPECT_EQ(pk, sk) << c;
    EXPECT_NEAR(s[sk], p[pk], 0.5) << c;
  }
  EXPECT_EQ(scanned.frequency(0), 0.0);  // a scan names no pitch
  StopAfter stop(3);
  AnalysisModel m;
  EXPECT_FALSE(m.scan(src, 4000, 40000, &stop));
  EXPECT_EQ(stop.titles.size(), 1u);  // the right channel is not scanned after a stop
  EXPECT_FALSE(m.scan(src, 10, 5, nullptr));
}

}  // namespace
}  // namespace analysis
