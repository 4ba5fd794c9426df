// Column planner: equals a brute-force min/max over each column's frames for random views from 0.05 to
// 5,000 samples per pixel with random peak block and scratch chunk sizes; mode thresholds; the sinc
// interpolator on a sine; zero-filled short reads and reader failures; the column cache and its shift.
#include "display/columns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/test_scale.h"

namespace display {
namespace {

constexpr double kPi = 3.14159265358979323846;

using platform::testScale;

struct Wave {
  int channels = 1;
  std::vector<float> data;  // interleaved
  int32_t length() const { return static_cast<int32_t>(data.size() / channels); }
  float at(int64_t k, int ch) const {
    return k < 0 || k >= length() ? 0.0f : data[static_cast<size_t>(k) * channels + ch];
  }
  FrameReader reader() const {
    return [this](int64_t first, int32_t count, float* dst) {
      EXPECT_GE(first, 0);
      EXPECT_LE(first + count, length());
      std::copy(data.begin() + first * channels, data.begin() + (first + count) * channels, dst);
      return count;
    };
  }
  PeakSource peaks(int32_t block) const {
    PeakSource p;
    p.blockSize = block;
    p.minMax = [this](int64_t lo, int64_t hi, float* mn, float* mx) {
      EXPECT_GE(lo, 0);
      EXPECT_LT(hi, length());
      for (int ch = 0; ch < channels; ++ch) {
        mn[ch] = mx[ch] = at(lo, ch);
        for (int64_t k = lo; k <= hi; ++k) {
          mn[ch] = std::min(mn[ch], at(k, ch));
          mx[ch] = std::max(mx[ch], at(k, ch));
        }
      }
      return true;
    };
    return p;
  }
};

Wave RandomWave(std::mt19937& rng, int32_t length, int channels) {
  Wave w;
  w.channels = channels;
  w.data.resize(static_cast<size_t>(length) * channels);
  std::uniform_real_distribution<float> step(-3000, 3000);
  float level[2] = {0, 0};
  for (size_t i = 0; i < w.data.size(); ++i) {
    float& l = level[i % channels];
    l = std::max(-32768.0f, std::min(32767.0f, l + step(rng)));
    w.data[i] = l;
  }
  return w;
}

// The value of the curve at position p, written from the taps' point of view.
double SincAt(const Wave& w, double p, int ch, int taps) {
  const int half = taps / 2;
  double sum = 0;
  for (int64_t k = static_cast<int64_t>(std::floor(p)) - half; k <= std::floor(p) + half; ++k) {
    const double d = k - p;
    const double u = d / half;
    const double window = 0.42 + 0.5 * std::cos(kPi * u) + 0.08 * std::cos(2 * kPi * u);
    sum += w.at(k, ch) * window * (d == 0 ? 1.0 : std::sin(kPi * d) / (kPi * d));
  }
  return sum;
}

double Linear(const Wave& w, double p, int ch) {
  const int64_t last = w.length() - 1;
  const int64_t k = static_cast<int64_t>(std::floor(p));
  const double a = w.at(std::max<int64_t>(0, std::min(k, last)), ch);
  const double b = w.at(std::max<int64_t>(0, std::min(k + 1, last)), ch);
  return a + (b - a) * (p - std::floor(p));
}

// min/max of one column computed directly from the definition.
ColumnPlan BruteColumn(const Wave& w, const PlanView& v, int32_t block, bool havePeaks, int32_t col) {
  ColumnPlan c;
  const double spp = v.width / v.pixels;
  const double pL = v.first + static_cast<double>(col) / v.pixels * v.width;
  const double pR = v.first + static_cast<double>(col + 1) / v.pixels * v.width;
  const int64_t last = w.length() - 1;
  for (int ch = 0; ch < w.channels; ++ch) {
    double mn = 1e300, mx = -1e300;
    if (spp > (havePeaks ? block : 0) + 2) {
      if (!havePeaks) return c;
      c.mode = ColumnMode::kPeaks;
      const int64_t lo = std::max<int64_t>(0, std::min<int64_t>(std::floor(pL), last));
      const int64_t hi = std::max<int64_t>(0, std::min<int64_t>(std::floor(pR), last));
      for (int64_t k = lo; k <= hi; ++k)
        mn = std::min<double>(mn, w.at(k, ch)), mx = std::max<double>(mx, w.at(k, ch));
    } else if (spp > 1.75) {
      c.mode = ColumnMode::kSamples;
      for (int64_t k = std::max<int64_t>(0, std::floor(pL)); k <= std::min<int64_t>(last, std::floor(pR));
           ++k)
        if (k > pL && k <= pR) mn = std::min<double>(mn, w.at(k, ch)), mx = std::max<double>(mx, w.at(k, ch));
      for (double p : {pL, pR}) mn = std::min(mn, Linear(w, p, ch)), mx = std::max(mx, Linear(w, p, ch));
    } else {
      c.mode = ColumnMode::kInterpolated;
      const double a = SincAt(w, pL, ch, v.interpolationTaps), b = SincAt(w, pR, ch, v.interpolationTaps);
      mn = std::min(a, b);
      mx = std::max(a, b);
    }
    c.min[ch] = mn;
    c.max[ch] = mx;
  }
  return c;
}

TEST(ColumnPlanner, EqualsBruteForceOnRandomViews) {
  const unsigned seed = std::random_device{}();
  std::printf("ColumnPlanner random views: seed %u\n", seed);
  std::mt19937 rng(seed);
  std::vector<Wave> waves;
  for (int32_t length : {1, 3, 7, 40, 1000, 65536, 300000})
    for (int channels : {1, 2}) waves.push_back(RandomWave(rng, length, channels));

#ifdef _WIN32
  // The Windows build runs under an emulator several times slower; the native build covers the full count.
  const int views = 2000 * testScale();
#else
  const int views = 10000 * testScale();
#endif
  std::vector<ColumnPlan> out;
  for (int iter = 0; iter < views; ++iter) {
    SCOPED_TRACE(iter);
    const Wave& w = waves[rng() % waves.size()];
    PlanView v;
    v.channels = w.channels;
    v.length = w.length();
    v.pixels = 1 + static_cast<int32_t>(rng() % 48);
    const double spp = 0.05 * std::pow(1e5, std::uniform_real_distribution<double>(0, 1)(rng));
    v.width = std::min(spp * v.pixels, static_cast<double>(v.length));
    v.first = -0.5 + std::uniform_real_distribution<double>(0, 1)(rng) * (v.length - v.width);
    const int32_t block = std::uniform_int_distribution<int32_t>(64, kMaxPeakBlockSize)(rng);
    const bool havePeaks = rng() % 10 != 0;
    const PeakSource peaks = w.peaks(block);
    ColumnPlanner planner(1 + static_cast<int32_t>(rng() % 5000));
    const int32_t c0 = static_cast<int32_t>(rng() % v.pixels);
    const int32_t c1 = c0 + static_cast<int32_t>(rng() % (v.pixels - c0));
    planner.plan(v, havePeaks ? &peaks : nullptr, w.reader(), c0, c1, &out);
    ASSERT_EQ(out.size(), static_cast<size_t>(c1 - c0 + 1));
    int64_t shown = 0;
    for (int32_t col = c0; col <= c1; ++col) {
      const ColumnPlan& got = out[col - c0];
      const ColumnPlan want = BruteColumn(w, v, block, havePeaks, col);
      ASSERT_EQ(got.mode, want.mode) << "column " << col << " spp " << v.width / v.pixels;
      for (int ch = 0; ch < w.channels; ++ch) {
        ASSERT_NEAR(got.min[ch], want.min[ch], 1e-6 * 32768) << "column " << col << " ch " << ch;
        ASSERT_NEAR(got.max[ch], want.max[ch], 1e-6 * 32768) << "column " << col << " ch " << ch;
      }
      shown += static_cast<int64_t>(std::floor(got.pR) - std::floor(got.pL)) + 2;
    }
    const double colSpp = v.width / v.pixels;
    // Each frame is read at most once: the frames of the planned columns and their edge neighbours, plus
    // half the taps either side when zoomed in (none when the peaks serve the columns).
    const int64_t half = colSpp > 1.75 ? 0 : kDefaultInterpolationTaps / 2;
    const int64_t lo = std::max<int64_t>(0, static_cast<int64_t>(std::floor(out.front().pL)) - half);
    const int64_t hi =
        std::min<int64_t>(v.length - 1, static_cast<int64_t>(std::floor(out.back().pR)) + 1 + half);
    EXPECT_LE(planner.framesRequested(), std::max<int64_t>(0, hi - lo + 1))
        << "spp " << colSpp << " columns " << c0 << ".." << c1 << " of " << v.pixels << " first " << v.first
        << " length " << v.length << " peaks " << havePeaks << " block " << block;
    if (colSpp > 1.75) {
      EXPECT_LE(planner.framesRequested(), shown);
    }
  }
}

TEST(ColumnPlanner, ModeThresholds) {
  std::mt19937 rng(1);
  const Wave w = RandomWave(rng, 100000, 1);
  const PeakSource peaks = w.peaks(256);
  struct Case {
    double spp;
    bool havePeaks;
    ColumnMode mode;
  } cases[] = {
      {1.75, true, ColumnMode::kInterpolated}, {1.7500001, true, ColumnMode::kSamples},
      {0.05, true, ColumnMode::kInterpolated}, {258, true, ColumnMode::kSamples},
      {258.01, true, ColumnMode::kPeaks},      {2, false, ColumnMode::kSamples},
      {2.01, false, ColumnMode::kEmpty},       {5000, false, ColumnMode::kEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spp);
    PlanView v;
    v.length = w.length();
    v.pixels = 10;
    v.width = c.spp * 10;
    v.first = 99.5;
    std::vector<ColumnPlan> out;
    ColumnPlanner planner;
    planner.plan(v, c.havePeaks ? &peaks : nullptr, w.reader(), 0, 9, &out);
    for (const ColumnPlan& col : out) EXPECT_EQ(col.mode, c.mode);
  }
}

TEST(ColumnPlanner, InterpolatorFollowsALowSine) {
  std::vector<float> taps(39);
  for (double p : {100.0, 100.25, 100.5, 100.9}) {
    const int64_t base = static_cast<int64_t>(std::floor(p)) - 19;
    for (int i = 0; i < 39; ++i) taps[i] = static_cast<float>(10000 * std::sin(2 * kPi * (base + i) / 40.0));
    const double want = 10000 * std::sin(2 * kPi * p / 40.0);
    EXPECT_NEAR(ColumnPlanner::Interpolate(taps.data(), 39, 1, p), want, p == 100.0 ? 1e-3 : 150) << p;
  }
}

TEST(ColumnPlanner, ShortReadsAreZeroFilledAndFailuresLeaveColumnsEmpty) {
  std::vector<ColumnPlan> out;
  ColumnPlanner planner(64);
  PlanView v;
  v.length = 1000;
  v.pixels = 10;
  v.width = 100;  // ten samples per column
  v.first = -0.5;
  PeakSource unused;  // a summary whose blocks are larger than a column: columns come from samples
  unused.blockSize = 64;
  unused.minMax = [](int64_t, int64_t, float*, float*) { return false; };
  // Fill the scratch with loud values first.
  FrameReader loud = [](int64_t, int32_t count, float* dst) {
    std::fill(dst, dst + count, 30000.0f);
    return count;
  };
  planner.plan(v, &unused, loud, 0, 9, &out);
  EXPECT_EQ(out[5].min[0], 30000);
  // A reader that delivers only the first two frames of every request, all at -5.
  FrameReader shortReader = [](int64_t, int32_t count, float* dst) {
    const int32_t n = std::min(count, 2);
    std::fill(dst, dst + n, -5.0f);
    return n;
  };
  planner.plan(v, &unused, shortReader, 0, 9, &out);
  for (const ColumnPlan& c : out) {
    EXPECT_EQ(c.mode, ColumnMode::kSamples);
    EXPECT_EQ(c.min[0], -5);
    EXPECT_EQ(c.max[0], 0);  // the missing frames read as silence, not as the old scratch
  }
  FrameReader failing = [](int64_t, int32_t, float*) { return 0; };
  planner.plan(v, &unused, failing, 0, 9, &out);
  for (const ColumnPlan& c : out) EXPECT_EQ(c.mode, ColumnMode::kEmpty);
  v.width = 5;  // zoomed in
  planner.plan(v, nullptr, failing, 0, 9, &out);
  for (const ColumnPlan& c : out) EXPECT_EQ(c.mode, ColumnMode::kEmpty);
  planner.plan(v, nullptr, FrameReader{}, 0, 9, &out);  // no reader at all
  for (const ColumnPlan& c : out) EXPECT_EQ(c.mode, ColumnMode::kEmpty);
}

TEST(ColumnPlanner, EmptyAndDegenerateViews) {
  std::vector<ColumnPlan> out;
  ColumnPlanner planner;
  FrameReader reader = [](int64_t, int32_t count, float* dst) {
    std::fill(dst, dst + count, 1.0f);
    return count;
  };
  PlanView v;  // length 0, width 0
  v.pixels = 10;
  planner.plan(v, nullptr, reader, 0, 9, &out);
  ASSERT_EQ(out.size(), 10u);
  for (const ColumnPlan& c : out) EXPECT_EQ(c.mode, ColumnMode::kEmpty);
  v.length = 100;
  v.width = std::nan("");
  planner.plan(v, nullptr, reader, 0, 9, &out);
  for (const ColumnPlan& c : out) EXPECT_EQ(c.mode, ColumnMode::kEmpty);
  v.width = 50;
  v.pixels = 0;
  planner.plan(v, nullptr, reader, 0, 9, &out);
  for (const ColumnPlan& c : out) EXPECT_EQ(c.mode, ColumnMode::kEmpty);
  planner.plan(v, nullptr, reader, 5, 4, &out);
  EXPECT_TRUE(out.empty());
}

TEST(ColumnSelection, Rules) {
  struct Case {
    double pL, pR, spp;
    int32_t s, e;
    bool selected;
  } cases[] = {
      {0, 10, 10, 5, 20, true},      {0, 10, 10, 11, 20, false},   {20, 30, 10, 5, 20, false},
      {19.5, 29.5, 10, 5, 20, true}, {0, 10, 10, 5, 4, false},  // empty selection
      {3.2, 3.4, 0.2, 3, 3, true},   {3.6, 3.8, 0.2, 3, 3, false}, {2.4, 2.6, 0.2, 3, 3, true},
      {2.2, 2.4, 0.2, 3, 3, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ColumnSelected(c.pL, c.pR, c.spp, c.s, c.e), c.selected) << c.pL << " " << c.s << " " << c.e;
}

TEST(ColumnCache, ReuseAndShift) {
  std::mt19937 rng(3);
  const Wave w = RandomWave(rng, 50000, 2);
  const PeakSource peaks = w.peaks(64);
  PlanView v;
  v.channels = 2;
  v.length = w.length();
  v.pixels = 100;
  v.width = 10000;
  v.first = 999.5;
  ColumnCache cache;
  cache.resize(2, v.pixels);
  EXPECT_EQ(cache.columns(), 110);
  ColumnPlanner planner;
  std::vector<ColumnPlan> first, again;
  planner.plan(v, &peaks, w.reader(), 0, 99, &first, &cache);
  planner.plan(v, &peaks, w.reader(), 0, 99, &again, &cache);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(again[i].mode, ColumnMode::kCached);
    EXPECT_EQ(again[i].max[1], first[i].max[1]);
  }
  cache.shift(7);  // the view moved 7 columns to the left: entries move right
  double mn[2], mx[2];
  for (int i = 0; i < 7; ++i) EXPECT_FALSE(cache.get(i, mn, mx));
  ASSERT_TRUE(cache.get(7 + 50, mn, mx));
  EXPECT_EQ(mn[0], first[50].min[0]);
  cache.shift(-10);
  ASSERT_TRUE(cache.get(47, mn, mx));
  EXPECT_EQ(mx[1], first[50].max[1]);
  for (int i = 100; i < 110; ++i) EXPECT_FALSE(cache.get(i, mn, mx));
  cache.shift(500);
  for (int i = 0; i < 110; ++i) EXPECT_FALSE(cache.get(i, mn, mx));
  EXPECT_FALSE(cache.get(-1, mn, mx));
  EXPECT_FALSE(cache.get(110, mn, mx));
}

}  // namespace
}  // namespace display
