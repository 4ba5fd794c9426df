// Randomized differential test of the playback engine: random documents, ranges with loops, play lists,
// buffer settings, clock steps and Stop presses, checked against a model that lists the document frames
// the device must receive in order. The device must get a prefix of the model (all of it when nobody
// pressed Stop) followed only by silence, the position must name the frame sounding, and the device must
// end closed exactly once.
#include <gtest/gtest.h>

#include <random>

#include "audio/audio_test_util.h"
#include "audio/null_wave_device.h"
#include "audio/play_engine.h"

namespace audio {
namespace {

using audiotest::Positions;

std::vector<int32_t> Model(const std::vector<PlaySegment>& list, int32_t firstStart, uint32_t docFrames) {
  std::vector<int32_t> m;
  for (size_t k = 0; k < list.size(); ++k) {
    const PlaySegment& s = list[k];
    for (uint32_t p = 0; p < s.passes; ++p) {
      const int32_t from = (k == 0 && p == 0) ? firstStart : s.first;
      for (int32_t f = from; f < s.end && f < int32_t(docFrames); ++f) m.push_back(f);
    }
  }
  return m;
}

TEST(PlayRandom, DeviceReceivesExactlyTheModelsFrames) {
  std::mt19937 rng(std::random_device{}());
  const uint32_t seed = rng();
  rng.seed(seed);
  SCOPED_TRACE("seed " + std::to_string(seed));
  const int runs = 60 * audiotest::testScale();
  const uint32_t rates[] = {8000, 11025, 22050, 44100};
  for (int run = 0; run < runs; ++run) {
    SCOPED_TRACE("run " + std::to_string(run));
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const uint16_t channels = uint16_t(pick(1, 2));
    const uint32_t rate = rates[pick(0, 3)];
    const uint32_t docFrames = uint32_t(pick(1, 20000));
    auto wave = audiotest::CounterWave(channels, docFrames);
    NullWaveDevice dev(WaveDirection::kOutput);
    audiotest::PlayLog log;
    PlayEngine engine(&dev, &log);
    AudioSettings s;
    s.bufferSeconds = 0.05 * pick(1, 20);
    s.numBuffers = pick(2, 8);
    engine.setSettings(s);
    PlaySource src{{rate, channels, 16}, SampleFileReader(wave.get()), 0};

    std::vector<PlaySegment> list;
    int32_t firstStart = 0;
    if (pick(0, 2) == 0) {
      for (int n = pick(1, 4); n > 0; --n) {
        const int32_t a = pick(0, int(docFrames) - 1);
        list.push_back({a, std::min<int32_t>(a + pick(1, 3000), int32_t(docFrames)), uint32_t(pick(1, 3))});
      }
      firstStart = list[0].first;
      ASSERT_EQ(engine.startSegments(src, list, firstStart), 0);
    } else {
      PlayRange r;
      r.base = pick(0, int(docFrames) - 1);
      r.start = std::min<int32_t>(r.base + pick(0, 500), int32_t(docFrames) - 1);
      r.length = pick(0, 5000);  // may run past the end of the document, or be empty
      const uint32_t loops = uint32_t(pick(0, 3));
      if (r.length > 0) list.push_back({r.base, r.start + r.length, loops + 1});
      firstStart = r.start;
      ASSERT_EQ(engine.start(src, r, loops), 0);
    }
    const std::vector<int32_t> model = Model(list, firstStart, docFrames);
    if (model.empty()) {
      EXPECT_FALSE(dev.isOpen());
      EXPECT_EQ(dev.writes(), 0u);
      continue;
    }
    ASSERT_TRUE(dev.isOpen());

    const bool neverReturn = pick(0, 4) == 0;
    const int stopAt = pick(0, 2) == 0 ? -1 : pick(0, 40);  // step of the first Stop, -1 none
    int presses = 0;
    for (int step = 0; step < 200000 && dev.isOpen(); ++step) {
      if (step == stopAt) dev.setNeverReturn(neverReturn);
      if (stopAt >= 0 && step >= stopAt && presses < 3 && (step - stopAt) % 5 == 0) {
        engine.stop();
        ++presses;
      }
      dev.advance(uint32_t(pick(1, 3000)));
      const uint64_t p = engine.deviceFrames();
      if (dev.isOpen() && presses == 0 && (p + 1) * 2 * channels <= dev.written().size()) {
        const int16_t v = audiotest::Sample16(dev.written(), size_t(p) * channels);
        if (v != 0) {
          ASSERT_EQ(engine.position(), v - 1) << "device frame " << p;
        }
      }
    }
    EXPECT_FALSE(dev.isOpen());
    EXPECT_EQ(log.closed, 1);
    EXPECT_EQ(log.started, 1);
    const std::vector<int32_t> w = Positions(dev.written(), channels);
    size_t data = 0;
    while (data < w.size() && w[data] >= 0) ++data;
    for (size_t i = data; i < w.size(); ++i) ASSERT_EQ(w[i], -1) << "audio after silence at " << i;
    ASSERT_LE(data, model.size());
    for (size_t i = 0; i < data; ++i) ASSERT_EQ(w[i], model[i]) << "frame " << i;
    if (stopAt < 0) {
      EXPECT_EQ(data, model.size());
      // Silence of the pad length follows the data, so a device that drops what it holds drops only that.
      EXPECT_EQ(w.size() - data, size_t(PlayPadFrames(rate, 2u * channels)));
    }
  }
}

}  // namespace
}  // namespace audio
