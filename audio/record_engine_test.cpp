// Recording engine over the null input device: short buffers leave no gap, the selection limits the
// length exactly and is selected afterwards, one channel of a stereo document, the disk budget, float
// documents, pause, the three-press Stop, monitoring, the overwrite question, messages and status texts.
#include "audio/record_engine.h"

#include <gtest/gtest.h>

#include "audio/audio_test_util.h"
#include "audio/null_wave_device.h"

namespace audio {
namespace {

using audiotest::RecordLog;

// The input stream: 16-bit sample k of the stream holds Pattern(k).
int16_t Pattern(uint64_t k) {
  return int16_t((k * 7919 + 13) % 60000 - 30000);
}
void Source16(uint8_t* dst, uint32_t count, uint64_t offset) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint64_t a = offset + i;
    const uint16_t v = uint16_t(Pattern(a / 2));
    dst[i] = uint8_t(a % 2 ? v >> 8 : v & 0xff);
  }
}

struct Rig {
  NullWaveDevice dev{WaveDirection::kInput};
  RecordLog log;
  RecordEngine engine{&dev, &log};
  std::unique_ptr<document::MemorySampleFile> wave;
  RecordTarget target;
  Rig(uint16_t channels, uint32_t frames, uint32_t rate = 44100, uint16_t bits = 16) {
    wave = audiotest::CounterWave(channels, frames, bits);
    dev.setInputSource(Source16);
    target.format = {rate, channels, bits};
    target.documentFrames = frames;
    target.write = SampleFileWriter(wave.get());
    target.freeKB = 1u << 30;
  }
  void runToClose(uint32_t step = 3001) {
    for (int i = 0; i < 100000 && dev.isOpen(); ++i) dev.advance(step);
  }
  std::vector<int16_t> read16(int32_t start, uint32_t frames, uint16_t channels) {
    std::vector<int16_t> v(size_t(frames) * channels);
    document::SampleRead(wave.get(), v.data(), start, frames, document::XfLayoutWord(channels, 16));
    return v;
  }
};

TEST(RecordEngine, ShortBufferLeavesNoGap) {
  Rig r(1, 0);
  r.target.selStart = 0;
  r.target.selEnd = -1;
  r.dev.setShortReturn(1, 1000);
  r.dev.setShortReturn(4, 2);
  ASSERT_EQ(r.engine.record(r.target), 0);
  EXPECT_EQ(r.log.started, 1);
  for (int i = 0; i < 60; ++i) r.dev.advance(2000);
  r.engine.stop();
  r.dev.deliver();
  ASSERT_FALSE(r.dev.isOpen());
  ASSERT_EQ(r.log.closed, 1);
  const uint32_t frames = r.log.result.frames;
  EXPECT_EQ(frames, 120000u);  // everything the device delivered, the reset's partial buffer included
  ASSERT_EQ(document::SampleLength(r.wave.get()), frames);
  const std::vector<int16_t> got = r.read16(0, frames, 1);
  for (uint32_t i = 0; i < frames; ++i) ASSERT_EQ(got[i], Pattern(i)) << "frame " << i;
}

TEST(RecordEngine, SelectionLimitRecordsExactlyAndIsSelected) {
  Rig r(2, 100000);
  const std::vector<uint8_t> before = r.wave->bytes();
  r.target.selStart = 1000;
  r.target.selEnd = 45099;
  EXPECT_EQ(RecordOverwriteFrames(r.target), 44100u);
  ASSERT_EQ(r.engine.record(r.target), 0);
  EXPECT_EQ(r.engine.bufferBytes(), 90112u);
  r.runToClose();
  ASSERT_EQ(r.log.closed, 1);
  EXPECT_TRUE(r.log.result.limitStop);
  EXPECT_EQ(r.log.result.first, 1000);
  EXPECT_EQ(r.log.result.frames, 44100u);
  const std::vector<uint8_t> after = r.wave->bytes();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_TRUE(std::equal(before.begin(), before.begin() + 1000 * 4, after.begin()));
  EXPECT_TRUE(std::equal(before.begin() + 45100 * 4, before.end(), after.begin() + 45100 * 4));
  const std::vector<int16_t> got = r.read16(1000, 44100, 2);
  for (uint32_t i = 0; i < 2 * 44100; ++i) ASSERT_EQ(got[i], Pattern(i)) << "sample " << i;
}

TEST(RecordEngine, IntoTheLowerChannelOnlyWithAMonoDevice) {
  Rig r(2, 10000);
  r.target.editChannel = document::kChannelRight;
  r.target.selStart = 0;
  r.target.selEnd = 4999;
  RecordOptions o;
  o.showOnPlay = true;
  r.engine.setOptions(o);
  ASSERT_EQ(r.engine.record(r.target), 0);
  EXPECT_EQ(r.dev.format().channels, 1);
  EXPECT_TRUE(r.engine.writeWord() & document::XF_DST_RIGHT);
  r.runToClose();
  EXPECT_EQ(r.log.result.frames, 5000u);
  const std::vector<int16_t> got = r.read16(0, 10000, 2);
  for (uint32_t i = 0; i < 10000; ++i) {
    ASSERT_EQ(got[2 * i], int16_t(i + 1)) << "left channel changed at " << i;
    ASSERT_EQ(got[2 * i + 1], i < 5000 ? Pattern(i) : int16_t(-int32_t(i + 1))) << i;
  }
  // The meter measures what the device delivers: one channel.
  ASSERT_FALSE(r.log.meters.empty());
  for (const MeterBlock& b : r.log.meters) EXPECT_EQ(b.channels, 1);
}

TEST(RecordEngine, SmallDiskBudgetStopsInOrderAndKeepsTheData) {
  Rig r(1, 0);
  r.target.usedKB = 0;
  r.target.freeKB = 256 + 100;  // room for 100 KB above the reserve
  ASSERT_EQ(r.engine.record(r.target), 0);
  EXPECT_EQ(r.engine.bufferBytes(), 45056u);
  r.runToClose(1000);
  ASSERT_EQ(r.log.closed, 1);
  EXPECT_TRUE(r.log.result.budgetStop);
  const uint32_t frames = r.log.result.frames;
  EXPECT_GE(frames, 3u * 22528);  // stopped once the third buffer passed the budget
  EXPECT_LT(frames, 5u * 22528);
  ASSERT_EQ(document::SampleLength(r.wave.get()), frames);
  const std::vector<int16_t> got = r.read16(0, frames, 1);
  for (uint32_t i = 0; i < frames; ++i) ASSERT_EQ(got[i], Pattern(i)) << i;
}

TEST(RecordEngine, StorageComingUpShortStopsAndKeepsWhatWasWritten) {
  Rig r(1, 0);
  r.wave->setMaxBytes(30000 * 2);
  ASSERT_EQ(r.engine.record(r.target), 0);
  r.runToClose(1000);
  ASSERT_EQ(r.log.closed, 1);
  EXPECT_TRUE(r.log.result.budgetStop);
  EXPECT_EQ(r.log.result.frames, 30000u);
}

TEST(RecordEngine, FloatDocumentRecordsExact16BitValues) {
  Rig r(1, 0, 22050, 32);
  ASSERT_EQ(r.engine.record(r.target), 0);
  EXPECT_EQ(r.dev.format().bits, 16);
  for (int i = 0; i < 10; ++i) r.dev.advance(1000);
  r.engine.stop();
  r.dev.deliver();
  const uint32_t frames = r.log.result.frames;
  ASSERT_EQ(frames, 10000u);
  std::vector<float> f(frames);
  document::SampleRead(r.wave.get(), f.data(), 0, frames, document::XF_MONO | document::XF_32BIT);
  for (uint32_t i = 0; i < frames; ++i) ASSERT_EQ(f[i], float(Pattern(i))) << i;
}

TEST(RecordEngine, PauseAndContinueLeaveNoGap) {
  Rig r(1, 0, 22050);
  ASSERT_EQ(r.engine.record(r.target), 0);
  r.dev.advance(1234);
  ASSERT_TRUE(r.engine.pause());
  EXPECT_TRUE(r.engine.paused());
  r.dev.advance(50000);  // stopped: nothing arrives
  ASSERT_TRUE(r.engine.pause());
  r.dev.advance(20000);
  r.engine.stop();
  r.dev.deliver();
  const uint32_t frames = r.log.result.frames;
  EXPECT_EQ(frames, 21234u);
  const std::vector<int16_t> got = r.read16(0, frames, 1);
  for (uint32_t i = 0; i < frames; ++i) ASSERT_EQ(got[i], Pattern(i)) << i;
}

TEST(RecordEngine, BuffersNeverReturnedStopThreeTimesCloses) {
  Rig r(1, 0);
  r.dev.setNeverReturn(true);
  ASSERT_EQ(r.engine.record(r.target), 0);
  r.dev.advance(10000);
  r.engine.stop();
  r.dev.deliver();
  r.engine.stop();
  r.dev.deliver();
  EXPECT_TRUE(r.dev.isOpen());
  r.engine.stop();
  EXPECT_FALSE(r.dev.isOpen());
  EXPECT_EQ(r.log.closed, 1);
}

TEST(RecordEngine, MonitorUsesTenMillisecondBuffersAndWritesNothing) {
  NullWaveDevice dev(WaveDirection::kInput);
  dev.setInputSource(Source16);
  RecordLog log;
  RecordEngine engine(&dev, &log);
  RecordTarget none;
  none.hasDocument = false;
  none.write = [](const void*, int32_t, uint32_t, uint16_t) -> uint32_t {
    ADD_FAILURE() << "monitoring wrote to the document";
    return 0;
  };
  ASSERT_EQ(engine.monitorToggle(none), 0);
  EXPECT_TRUE(engine.monitoring());
  EXPECT_EQ(dev.format().rate, 22050u);
  EXPECT_EQ(dev.format().channels, 1);
  EXPECT_EQ(engine.bufferBytes(), 440u);
  EXPECT_FALSE(engine.pause());  // no pause while monitoring
  for (int i = 0; i < 50; ++i) dev.advance(220);
  EXPECT_GE(log.meters.size(), 49u);
  for (const MeterBlock& b : log.meters) EXPECT_EQ(b.bytes, 440u);
  EXPECT_EQ(engine.monitorToggle(none), 0);  // the second press stops
  dev.deliver();
  EXPECT_FALSE(dev.isOpen());
  EXPECT_TRUE(log.result.monitor);
  EXPECT_TRUE(log.statuses.empty());
}

TEST(RecordEngine, Formats) {
  RecordTarget t;
  t.format = {44100, 2, 32};
  EXPECT_EQ(RecordDeviceFormat(t, false, false).bits, 16);
  t.format.bits = 8;
  EXPECT_EQ(RecordDeviceFormat(t, false, false).bits, 8);
  t.format.bits = 16;
  EXPECT_EQ(RecordDeviceFormat(t, true, true).bits, 8);  // monitoring with every document as 8-bit
  EXPECT_EQ(RecordDeviceFormat(t, false, true).bits, 16);
  t.editChannel = document::kChannelLeft;
  EXPECT_EQ(RecordDeviceFormat(t, false, false).channels, 1);
  t.hasDocument = false;
  const DeviceFormat none = RecordDeviceFormat(t, true, true);
  EXPECT_EQ(none.rate, 22050u);
  EXPECT_EQ(none.channels, 1);
  EXPECT_EQ(none.bits, 8);
}

TEST(RecordOverwriteFrames, Table) {
  struct Case {
    uint32_t docFrames;
    int32_t s, e;
    uint32_t want;
  };
  const Case cases[] = {{0, 0, -1, 0},         {1000, 0, -1, 1000},    {1000, 400, 399, 600},
                        {1000, 400, 499, 100}, {1000, 900, 1999, 100}, {1000, 1000, -1, 0},
                        {1000, 2000, 2100, 0}};
  for (const Case& c : cases) {
    RecordTarget t;
    t.documentFrames = c.docFrames;
    t.selStart = c.s;
    t.selEnd = c.e;
    EXPECT_EQ(RecordOverwriteFrames(t), c.want) << c.docFrames << " " << c.s << " " << c.e;
  }
}

TEST(RecordEngine, MessagesAndStatusTexts) {
  Rig r(1, 0);
  r.dev.failOpen(DeviceStatus::kNoDevice);
  EXPECT_EQ(r.engine.record(r.target), int(DeviceStatus::kNoDevice));
  ASSERT_EQ(r.log.messages.size(), 1u);
  EXPECT_EQ(r.log.messages[0].caption, "RecordVoc Error");
  EXPECT_EQ(r.log.messages[0].text, DeviceStatusText(DeviceStatus::kNoDevice));
  EXPECT_NE(r.engine.monitorToggle(r.target), 0);
  ASSERT_EQ(r.log.messages.size(), 2u);
  EXPECT_EQ(r.log.messages[1].caption, "Specified audio format not supported");
  EXPECT_FALSE(r.engine.monitoring());

  r.dev.failOpen(DeviceStatus::kOk);
  ASSERT_EQ(r.engine.record(r.target), 0);
  r.dev.advance(22528);
  ASSERT_EQ(r.log.statuses.size(), 1u);
  const RecordStatus& s = r.log.statuses[0];
  EXPECT_EQ(s.time, " Time:  0:00.510");
  EXPECT_EQ(s.samples, " 22528 Samples");
  EXPECT_EQ(s.size, " 44 K");
  EXPECT_EQ(s.left.find(" left (7)"), s.left.size() - 9) << s.left;
  EXPECT_DOUBLE_EQ(s.allowance, 7.0 / 8);
  RecordOptions o;
  o.timeMode = 1;
  r.engine.setOptions(o);
  r.dev.advance(22528);
  EXPECT_EQ(r.log.statuses.back().time, " Time: 45056");
  EXPECT_EQ(r.engine.position(), 45056);
  r.engine.stop();
  r.dev.deliver();
}

}  // namespace
}  // namespace audio
