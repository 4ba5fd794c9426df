// The play queue and the stream player over the null device: entries back to back, a format change
// reopening the device, the byte limit, refusing while the main playback holds the device, and Stop.
#include "audio/stream_player.h"

#include <gtest/gtest.h>

#include <numeric>

#include "audio/null_wave_device.h"

namespace audio {
namespace {

struct Log : QueueListener {
  std::vector<size_t> started;
  int ended = 0;
  void entryStarted(size_t i) override { started.push_back(i); }
  void queueEnded() override { ++ended; }
};

// An entry of n bytes counting up from first (mod 256), pulled in odd-sized pieces.
QueueEntry Counting(DeviceFormat f, uint32_t n, uint8_t first, std::vector<uint8_t>* all) {
  for (uint32_t i = 0; i < n; ++i) all->push_back(uint8_t(first + i));
  auto pos = std::make_shared<uint32_t>(0);
  QueueEntry e;
  e.format = f;
  e.pull = [=](uint8_t* dst, uint32_t cap) {
    const uint32_t k = std::min({cap, n - *pos, 1001u});
    for (uint32_t i = 0; i < k; ++i) dst[i] = uint8_t(first + *pos + i);
    *pos += k;
    return k;
  };
  return e;
}

TEST(QueuePlayer, EntriesBackToBackAndAFormatChangeReopens) {
  NullWaveDevice dev(WaveDirection::kOutput);
  Log log;
  QueuePlayer q(&dev, &log);
  std::vector<uint8_t> want;
  std::vector<QueueEntry> list;
  const DeviceFormat a{22050, 2, 16}, b{11025, 1, 8};
  list.push_back(Counting(a, 50000, 0, &want));
  list.push_back(Counting(a, 30000, 7, &want));
  list.push_back(Counting(b, 20000, 9, &want));
  ASSERT_EQ(q.playQueue(std::move(list)), 0);
  for (int i = 0; i < 10000 && q.active(); ++i) dev.advance(777);
  EXPECT_FALSE(q.active());
  EXPECT_EQ(dev.opens(), 2u);  // the third entry's format needs the device opened again
  EXPECT_EQ(log.started, (std::vector<size_t>{0, 1, 2}));
  EXPECT_EQ(log.ended, 1);
  // Each open of the device ends with half a second of silence, so a device that drops what it holds at
  // its close drops only that.
  std::vector<uint8_t> expect(want.begin(), want.begin() + 80000);
  expect.insert(expect.end(), 2 * StreamBufferBytes(a), uint8_t(0));
  expect.insert(expect.end(), want.begin() + 80000, want.end());
  expect.insert(expect.end(), 2 * StreamBufferBytes(b), uint8_t(0x80));
  EXPECT_EQ(dev.written(), expect);
  EXPECT_EQ(dev.format().rate, 11025u);
}

TEST(QueuePlayer, StreamKeepsToItsLimitAndQuarterSecondBuffers) {
  NullWaveDevice dev(WaveDirection::kOutput);
  Log log;
  bool busy = true;
  QueuePlayer q(&dev, &log, [&] { return busy; });
  std::vector<uint8_t> want;
  const DeviceFormat f{44100, 2, 16};
  QueueEntry e = Counting(f, 500000, 3, &want);
  e.byteLimit = 123456;
  EXPECT_EQ(q.playStream(e), int(DeviceStatus::kAllocated));  // the main playback holds the device
  busy = false;
  ASSERT_EQ(q.playStream(e), 0);
  EXPECT_EQ(StreamBufferBytes(f), 44100u);
  for (int i = 0; i < 10000 && q.active(); ++i) dev.advance(1000);
  EXPECT_EQ(log.ended, 1);
  want.resize(123456);
  want.insert(want.end(), 2 * StreamBufferBytes(f), uint8_t(0));
  EXPECT_EQ(dev.written(), want);
}

TEST(QueuePlayer, StopEndsTheQueue) {
  NullWaveDevice dev(WaveDirection::kOutput);
  Log log;
  QueuePlayer q(&dev, &log);
  std::vector<uint8_t> want;
  std::vector<QueueEntry> list;
  list.push_back(Counting({8000, 1, 8}, 100000, 0, &want));
  list.push_back(Counting({22050, 1, 8}, 100000, 0, &want));
  ASSERT_EQ(q.playQueue(std::move(list)), 0);
  dev.advance(5000);
  q.stop();
  dev.deliver();
  EXPECT_FALSE(q.active());
  EXPECT_EQ(dev.opens(), 1u);
  EXPECT_EQ(log.ended, 1);
}

}  // namespace
}  // namespace audio
