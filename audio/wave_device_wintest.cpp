// The winmm device under Wine: every winmm result code has a status with a text; the output device opens
// (or, on a machine without sound, reports that there is no device), takes buffers, gives them back on a
// reset and closes; a done message for a header that is not the device's is ignored; the playback engine
// over the real device ends closed, by itself or after three Stop presses.
// clang-format off
#include "platform/win32.h"  // before the other system headers
#include <mmsystem.h>
// clang-format on

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "audio/play_engine.h"
#include "audio/wave_device_win.h"

namespace audio {
namespace {

// Under the emulator Wine's sound-server driver crashes the process at exit once it has been loaded, so
// the tests that open a device run only when asked (SORN_WINMM_DEVICE_TEST=1, with a sound server such as
// a PulseAudio null sink); a machine without a device must answer with the "no device" status.
bool DeviceTestsWanted() {
  const char* v = std::getenv("SORN_WINMM_DEVICE_TEST");
  return v && v[0] == '1';
}

bool NoDevice(DeviceStatus s) {
  return s == DeviceStatus::kNoDevice || s == DeviceStatus::kBadDeviceId;
}

TEST(WinWaveDevice, EveryResultCodeHasAStatusWithText) {
  const uint32_t codes[] = {MMSYSERR_NOERROR,    MMSYSERR_ERROR,     MMSYSERR_BADDEVICEID,
                            MMSYSERR_NOTENABLED, MMSYSERR_ALLOCATED, MMSYSERR_INVALHANDLE,
                            MMSYSERR_NODRIVER,   MMSYSERR_NOMEM,     MMSYSERR_NOTSUPPORTED,
                            MMSYSERR_BADERRNUM,  MMSYSERR_INVALFLAG, MMSYSERR_INVALPARAM,
                            MMSYSERR_HANDLEBUSY, WAVERR_BADFORMAT,   WAVERR_STILLPLAYING,
                            WAVERR_UNPREPARED,   WAVERR_SYNC};
  for (uint32_t c : codes) {
    const DeviceStatus s = DeviceStatusFromMm(c);
    EXPECT_STRNE(DeviceStatusText(s), "Unknown wave device error.") << c;
  }
  EXPECT_EQ(DeviceStatusFromMm(0), DeviceStatus::kOk);
  EXPECT_EQ(DeviceStatusFromMm(WAVERR_BADFORMAT), DeviceStatus::kBadFormat);
  EXPECT_EQ(DeviceStatusFromMm(12345), DeviceStatus::kError);
}

TEST(WinWaveDevice, ClosedDeviceRefusesCallsAndForeignMessages) {
  WinWaveDevice d(WaveDirection::kInput);
  std::vector<uint8_t> a(64);
  DeviceBuffer h;
  h.data = a.data();
  h.bytes = 64;
  uint64_t p = 0;
  EXPECT_EQ(d.prepare(&h), DeviceStatus::kInvalidHandle);
  EXPECT_EQ(d.add(&h), DeviceStatus::kInvalidHandle);
  EXPECT_EQ(d.position(&p), DeviceStatus::kInvalidHandle);
  EXPECT_EQ(d.close(), DeviceStatus::kInvalidHandle);
  EXPECT_EQ(d.open(0, {22050, 1, 24}), DeviceStatus::kBadFormat);
  WAVEHDR stranger = {};
  EXPECT_FALSE(d.onDeviceMessage(MM_WIM_DATA, 0x1234, reinterpret_cast<intptr_t>(&stranger)));
  EXPECT_FALSE(d.onDeviceMessage(MM_WOM_DONE, 0, 0));
  EXPECT_EQ(d.takeDone(), nullptr);
}

TEST(WinWaveDevice, EnumerationMatchesTheDeviceCounts) {
  if (!DeviceTestsWanted()) return;
  EXPECT_EQ(WaveOutDevices().size(), size_t(waveOutGetNumDevs()));
  EXPECT_EQ(WaveInDevices().size(), size_t(waveInGetNumDevs()));
  EXPECT_EQ(MidiOutDevices().size(), size_t(midiOutGetNumDevs()));
}

TEST(WinWaveDevice, OpenWriteResetClose) {
  if (!DeviceTestsWanted()) return;
  WinWaveDevice d(WaveDirection::kOutput);
  const DeviceStatus st = d.open(0, {22050, 1, 16});
  if (NoDevice(st)) {  // no sound device on this machine: the status says so
    std::printf("no wave output device: %s\n", DeviceStatusText(st));
    return;
  }
  std::printf("wave output device 0 opened\n");
  ASSERT_EQ(st, DeviceStatus::kOk) << DeviceStatusText(st);
  EXPECT_EQ(d.open(0, {22050, 1, 16}), DeviceStatus::kAllocated);
  std::vector<uint8_t> a(22050, 0), b(22050, 0);
  DeviceBuffer ha, hb;
  ha.data = a.data();
  ha.bytes = uint32_t(a.size());
  hb.data = b.data();
  hb.bytes = uint32_t(b.size());
  ASSERT_EQ(d.pause(), DeviceStatus::kOk);
  ASSERT_EQ(d.prepare(&ha), DeviceStatus::kOk);
  ASSERT_EQ(d.prepare(&hb), DeviceStatus::kOk);
  ASSERT_EQ(d.write(&ha), DeviceStatus::kOk);
  ASSERT_EQ(d.write(&hb), DeviceStatus::kOk);
  EXPECT_EQ(d.add(&ha), DeviceStatus::kInvalidParam);
  // A done message naming a header that is not the device's changes nothing.
  WAVEHDR stranger = {};
  EXPECT_FALSE(d.onDeviceMessage(MM_WOM_DONE, 0, reinterpret_cast<intptr_t>(&stranger)));
  EXPECT_EQ(d.takeDone(), nullptr);
  uint64_t p = 99;
  EXPECT_EQ(d.position(&p), DeviceStatus::kOk);
  ASSERT_EQ(d.reset(), DeviceStatus::kOk);
  d.poll();
  EXPECT_EQ(d.takeDone(), &ha);
  EXPECT_EQ(d.takeDone(), &hb);
  EXPECT_EQ(d.unprepare(&ha), DeviceStatus::kOk);
  EXPECT_EQ(d.unprepare(&hb), DeviceStatus::kOk);
  EXPECT_EQ(d.close(), DeviceStatus::kOk);
  EXPECT_FALSE(d.isOpen());
}

struct Log : PlayListener {
  int closed = 0;
  void playClosed(bool) override { ++closed; }
};

uint32_t Silence(void* dst, int32_t start, uint32_t count, uint16_t word) {
  memset(dst, 0, size_t(count) * 2);
  return count;
}

TEST(WinWaveDevice, PlaybackEngineEndsClosed) {
  if (!DeviceTestsWanted()) return;
  WinWaveDevice d(WaveDirection::kOutput);
  Log log;
  PlayEngine engine(&d, &log);
  AudioSettings s;
  s.bufferSeconds = 0.2;
  s.numBuffers = 4;
  engine.setSettings(s);
  PlaySource src{{22050, 1, 16}, Silence, 0};
  PlayRange r{0, 2205, 0};
  const int st = engine.start(src, r, 0);
  if (NoDevice(DeviceStatus(st))) return;
  std::printf("engine started on wave output device 0\n");
  ASSERT_EQ(st, 0) << DeviceStatusText(DeviceStatus(st));
  ASSERT_TRUE(engine.active());
  const DWORD t0 = GetTickCount();
  while (engine.active() && GetTickCount() - t0 < 5000) {
    d.poll();
    Sleep(10);
  }
  if (engine.active()) {  // a driver that never finishes: three presses close it anyway
    engine.stop();
    engine.stop();
    engine.stop();
  }
  EXPECT_FALSE(engine.active());
  EXPECT_EQ(log.closed, 1);
}

}  // namespace
}  // namespace audio
