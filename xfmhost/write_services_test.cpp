#include "xfmhost/write_services.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

namespace xfmhost {
namespace {

// A file of 32-bit units the writer writes into, recording every write.
struct UnitFile {
  std::vector<int32_t> units;
  std::vector<std::pair<int64_t, uint32_t>> writes;
  DelayedWriter::Sink sink() {
    return [this](const uint8_t* data, int64_t at, uint32_t n) {
      writes.push_back({at, n});
      if (units.size() < size_t(at + n)) units.resize(size_t(at + n));
      std::memcpy(&units[size_t(at)], data, size_t(n) * 4);
      return n;
    };
  }
};

TEST(DelayedWriter, FullBufferWritesAllButTheHoldBack) {
  UnitFile f;
  DelayedWriter w;
  ASSERT_TRUE(w.init(1000, 500, 100000, 4, f.sink()));
  std::vector<int32_t> chunk(1000);
  for (int i = 0; i < 49; ++i) EXPECT_EQ(w.write(chunk.data(), 1000), 0);
  // 49,000 units: exactly [P, P + 48000) is written.
  ASSERT_EQ(f.writes.size(), 1u);
  EXPECT_EQ(f.writes[0], (std::pair<int64_t, uint32_t>{500, 48000}));
  for (int i = 49; i < 150; ++i) w.write(chunk.data(), 1000);
  EXPECT_TRUE(w.destroy());
  // 150,000 units offered, 100,000 to write: exactly those are written.
  EXPECT_EQ(w.written(), 100000);
  int64_t sum = 0;
  for (auto& x : f.writes) sum += x.second;
  EXPECT_EQ(sum, 100000);
  EXPECT_EQ(f.writes.back().first + f.writes.back().second, 500 + 100000);
}

TEST(DelayedWriter, WriteBeforeInitTakesNothingAndOnlyOneWriterAtATime) {
  UnitFile f;
  DelayedWriter w;
  int32_t v[4] = {};
  EXPECT_EQ(w.write(v, 4), 4);
  EXPECT_FALSE(w.destroy());
  EXPECT_FALSE(w.init(-1, 0, 10, 4, f.sink()));
  EXPECT_FALSE(w.init(0, 0, 10, 4, nullptr));
  ASSERT_TRUE(w.init(0, 0, 10, 4, f.sink()));
  EXPECT_FALSE(w.init(0, 0, 10, 4, f.sink()));  // a second one is refused
  EXPECT_EQ(w.write(v, 4), 0);
  EXPECT_EQ(w.write(v, 0), 0);
  EXPECT_TRUE(w.destroy());
  EXPECT_EQ(f.units.size(), 4u);
  EXPECT_TRUE(w.init(0, 0, 10, 4, f.sink()));  // free again
}

// A plug-in reversing a range in place reads each block at most K units behind what it has handed the writer:
// with the hold-back it only ever reads original units.
TEST(DelayedWriter, InPlaceProcessingReadsOnlyOriginalUnitsWithinTheHoldBack) {
  const int K = 1000, N = 150000;
  UnitFile f;
  f.units.resize(N);
  for (int i = 0; i < N; ++i) f.units[size_t(i)] = i;
  const std::vector<int32_t> original = f.units;
  DelayedWriter w;
  ASSERT_TRUE(w.init(K, 0, N, 4, f.sink()));
  std::mt19937 rng(5);
  int handed = 0;
  while (handed < N) {
    const int n = std::min(N - handed, 1 + int(rng() % 3000));
    // Reads from up to K units behind the write position.
    const int from = std::max(0, handed - int(rng() % (K + 1)));
    for (int i = from; i < handed + n; ++i) ASSERT_EQ(f.units[size_t(i)], original[size_t(i)]) << i;
    std::vector<int32_t> out(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) out[size_t(i)] = -original[size_t(handed + i)];
    ASSERT_EQ(w.write(out.data(), n), 0);
    handed += n;
  }
  w.destroy();
  for (int i = 0; i < N; ++i) ASSERT_EQ(f.units[size_t(i)], -original[size_t(i)]) << i;
}

TEST(Crossfade, FrameCountFollowsRateAndRange) {
  EXPECT_EQ(crossfadeFrames(1000, 1000.0, 50.0), 50);
  EXPECT_EQ(crossfadeFrames(100, 1000.0, 50.0), 25);  // a quarter of a short range
  EXPECT_EQ(crossfadeFrames(0, 44100.0, 3.0), 0);
  EXPECT_EQ(crossfadeFrames(1000, 44100.0, std::nan("")), 0);
  EXPECT_EQ(crossfadeFrames(1000, 44100.0, -3.0), 0);
}

// One write over the whole range: it starts at the old value, ends at the old value, and is the new value in
// between; the weights follow sin^2.
TEST(Crossfade, WholeRangeWriteFadesInAndOut) {
  const int64_t S = 100, E = 1099, len = 2000;
  std::vector<float> buf(size_t(E - S + 1), 1000.0f);
  auto readOld = [](float* out, int64_t, int64_t count) {
    for (int64_t i = 0; i < count; ++i) out[i] = -1000.0f;
  };
  crossfadeWrite(buf.data(), 1, S, E - S + 1, S, E, 1000.0, 50.0, len, readOld);
  const int n = 50;
  EXPECT_FLOAT_EQ(buf[0], -1000.0f);  // w(0) = 0: the old value
  for (int i = 0; i < n; ++i) {
    const double s = std::sin(double(i) / n * 1.57079632675);
    EXPECT_NEAR(buf[size_t(i)], -1000.0 + 2000.0 * s * s, 1e-2) << i;
  }
  EXPECT_FLOAT_EQ(buf[500], 1000.0f);
  for (int i = 0; i < n; ++i) {
    const double s = std::sin(double(i) / n * 1.57079632675);
    const size_t at = buf.size() - size_t(n) + size_t(i);
    EXPECT_NEAR(buf[at], 1000.0 - 2000.0 * s * s, 1e-2) << i;
  }
}

TEST(Crossfade, WritesAwayFromTheEndsAreLeftAlone) {
  std::vector<float> buf(200, 5.0f);
  int reads = 0;
  auto readOld = [&](float* out, int64_t, int64_t count) {
    ++reads;
    for (int64_t i = 0; i < count; ++i) out[i] = 0;
  };
  crossfadeWrite(buf.data(), 2, 300, 100, 0, 999, 1000.0, 50.0, 5000, readOld);
  EXPECT_EQ(reads, 0);
  for (float v : buf) EXPECT_EQ(v, 5.0f);
  // The last frames of the file: no fade-out when the write reaches the file's end.
  crossfadeWrite(buf.data(), 1, 900, 100, 0, 999, 1000.0, 50.0, 1000, readOld);
  EXPECT_EQ(reads, 0);
}

}  // namespace
}  // namespace xfmhost
