// The device layer's status texts and the null device's clock, faults and buffer rules, which every engine
// test relies on.
#include "audio/wave_device.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "audio/null_wave_device.h"

namespace audio {
namespace {

TEST(DeviceStatus, EveryCodeHasItsOwnText) {
  std::set<std::string> seen;
  for (int i = 0; i < kDeviceStatusCount; ++i) {
    const std::string t = DeviceStatusText(DeviceStatus(i));
    EXPECT_FALSE(t.empty()) << i;
    EXPECT_NE(t, "Unknown wave device error.") << "code " << i << " has no text";
    EXPECT_TRUE(seen.insert(t).second) << "code " << i << " shares its text";
  }
  EXPECT_EQ(std::string(DeviceStatusText(DeviceStatus(kDeviceStatusCount))), "Unknown wave device error.");
}

struct Buf {
  std::vector<uint8_t> data;
  DeviceBuffer hdr;
  explicit Buf(uint32_t bytes, uint8_t fill = 0) : data(bytes, fill) {
    hdr.data = data.data();
    hdr.bytes = bytes;
  }
};

TEST(NullWaveDevice, OutputPlaysQueuedBuffersByTheClock) {
  NullWaveDevice d(WaveDirection::kOutput);
  int notes = 0;
  d.setNotify([&] { ++notes; });
  EXPECT_EQ(d.prepare(nullptr), DeviceStatus::kInvalidHandle);
  ASSERT_EQ(d.open(3, {8000, 2, 16}), DeviceStatus::kOk);
  EXPECT_EQ(d.open(0, {8000, 2, 16}), DeviceStatus::kAllocated);
  EXPECT_EQ(d.openedId(), 3u);
  Buf a(400, 1), b(400, 2);
  EXPECT_EQ(d.write(&a.hdr), DeviceStatus::kUnprepared);
  ASSERT_EQ(d.prepare(&a.hdr), DeviceStatus::kOk);
  ASSERT_EQ(d.prepare(&b.hdr), DeviceStatus::kOk);
  ASSERT_EQ(d.write(&a.hdr), DeviceStatus::kOk);
  ASSERT_EQ(d.write(&b.hdr), DeviceStatus::kOk);
  EXPECT_EQ(d.add(&a.hdr), DeviceStatus::kInvalidParam);
  EXPECT_EQ(d.unprepare(&a.hdr), DeviceStatus::kStillPlaying);
  EXPECT_EQ(d.close(), DeviceStatus::kStillPlaying);
  d.advance(99);
  EXPECT_EQ(d.takeDone(), nullptr);
  d.advance(1);
  EXPECT_EQ(notes, 1);
  EXPECT_EQ(d.takeDone(), &a.hdr);
  EXPECT_FALSE(a.hdr.queued);
  uint64_t p = 0;
  d.advance(1000);  // runs dry after the second buffer: the position stops with the data
  ASSERT_EQ(d.position(&p), DeviceStatus::kOk);
  EXPECT_EQ(p, 200u);
  EXPECT_EQ(d.played().size(), 800u);
  EXPECT_EQ(d.takeDone(), &b.hdr);
  EXPECT_EQ(d.close(), DeviceStatus::kOk);
}

TEST(NullWaveDevice, ResetHandsBackLaterAndForcedCloseForgets) {
  NullWaveDevice d(WaveDirection::kOutput);
  ASSERT_EQ(d.open(0, {8000, 1, 8}), DeviceStatus::kOk);
  Buf a(100);
  d.prepare(&a.hdr);
  d.write(&a.hdr);
  d.pause();
  d.advance(50);
  uint64_t p = 1;
  d.position(&p);
  EXPECT_EQ(p, 0u);  // paused
  d.reset();
  EXPECT_TRUE(a.hdr.queued);  // until the message is delivered
  d.deliver();
  EXPECT_FALSE(a.hdr.queued);
  EXPECT_EQ(d.takeDone(), &a.hdr);

  d.setNeverReturn(true);
  d.restart();
  d.write(&a.hdr);
  d.advance(500);
  d.reset();
  d.deliver();
  EXPECT_EQ(d.takeDone(), nullptr);
  EXPECT_EQ(d.close(), DeviceStatus::kStillPlaying);
  EXPECT_EQ(d.close(true), DeviceStatus::kOk);
  EXPECT_FALSE(a.hdr.queued);
  EXPECT_FALSE(a.hdr.prepared);
}

TEST(NullWaveDevice, InputFillsShortReturnsAndFailedOpens) {
  NullWaveDevice d(WaveDirection::kInput);
  d.failOpen(DeviceStatus::kNoDevice);
  EXPECT_EQ(d.open(0, {8000, 1, 16}), DeviceStatus::kNoDevice);
  d.failOpen(DeviceStatus::kOk);
  EXPECT_EQ(d.open(0, {8000, 1, 24}), DeviceStatus::kBadFormat);
  ASSERT_EQ(d.open(0, {8000, 1, 16}), DeviceStatus::kOk);
  d.setInputSource([](uint8_t* dst, uint32_t n, uint64_t off) {
    for (uint32_t i = 0; i < n; ++i) dst[i] = uint8_t(off + i);
  });
  d.setShortReturn(0, 10);
  Buf a(100), b(100);
  d.prepare(&a.hdr);
  d.prepare(&b.hdr);
  d.add(&a.hdr);
  d.add(&b.hdr);
  d.advance(100);  // not started
  EXPECT_EQ(d.takeDone(), nullptr);
  d.restart();
  d.advance(50);
  EXPECT_EQ(d.takeDone(), &a.hdr);
  EXPECT_EQ(a.hdr.recorded, 90u);
  EXPECT_EQ(b.data[0], 90);  // the stream goes on where the short buffer ended
  d.pause();                 // stopping hands back the partly filled buffer
  d.deliver();
  EXPECT_EQ(d.takeDone(), &b.hdr);
  EXPECT_EQ(b.hdr.recorded, 10u);
}

}  // namespace
}  // namespace audio
