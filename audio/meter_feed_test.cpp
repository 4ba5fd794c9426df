// The meter's share of device audio: which part of which buffer a tick hands over, found by device frames,
// and the blocks reaching the meter core with the device's channel count.
#include "audio/meter_feed.h"

#include <gtest/gtest.h>

#include <vector>

namespace audio {
namespace {

TEST(MeterPlayedPart, PartOfTheBufferHoldingTheLastPlayedFrame) {
  std::vector<uint8_t> a(400), b(400);
  const DeviceFormat f{8000, 2, 16};
  const SoundingBuffer bufs[2] = {{a.data(), 1000, 100}, {b.data(), 1100, 100}};
  struct Case {
    uint64_t last, now;
    const uint8_t* data;
    uint32_t bytes;
  };
  const Case cases[] = {
      {1050, 1150, b.data(), 50 * 4},  // since the tick before, but only the sounding buffer
      {1120, 1150, b.data() + 20 * 4, 30 * 4},
      {1000, 1100, a.data(), 100 * 4},  // the last frame played ends buffer a
      {1150, 1150, nullptr, 0},         // nothing played since
      {0, 1300, nullptr, 0},            // past every buffer: they hold other audio by now
      {0, 999, nullptr, 0},
  };
  for (const Case& c : cases) {
    const MeterBlock m = MeterPlayedPart(bufs, 2, c.last, c.now, f);
    EXPECT_EQ(m.data, c.data) << c.last << ".." << c.now;
    EXPECT_EQ(m.bytes, c.bytes) << c.last << ".." << c.now;
    EXPECT_EQ(m.channels, 2);
  }
}

TEST(MeterFeedBlock, MonoDeviceBlockLightsOnlyOneBar) {
  MeterState m;
  MeterInit(&m, MeterSettings{});
  MeterSetLayout(&m, {0, 0, 200, 60}, 13, 1, true);
  std::vector<uint8_t> block;
  for (int i = 0; i < 200; ++i) {  // full scale on every mono frame
    block.push_back(0xff);
    block.push_back(0x7f);
  }
  DeviceBuffer h;
  h.data = block.data();
  h.bytes = uint32_t(block.size());
  h.recorded = h.bytes;
  MeterPaintList ops;
  const MeterBlock mono = MeterInputPart(h, 1000, {44100, 1, 16});
  EXPECT_EQ(mono.bytes, 400u);
  ASSERT_TRUE(MeterFeedBlock(&m, mono, 10, &ops));
  EXPECT_TRUE(m.ch[0].clip);
  EXPECT_FALSE(m.ch[1].clip);
  EXPECT_FALSE(MeterFeedBlock(&m, MeterBlock{}, 20, &ops));
  EXPECT_EQ(MeterInputPart(h, 100, {44100, 1, 16}).bytes, 100u);
}

}  // namespace
}  // namespace audio
