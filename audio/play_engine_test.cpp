// Playback engine over the null device: buffer sizes, what the Play command plays, loop seams and the
// wrapping position, padding of short documents, the three-press Stop, channel muting, output formats,
// play lists, pause, play while playing, error messages, and the meter's share of the sounding buffer.
#include "audio/play_engine.h"

#include <gtest/gtest.h>

#include "audio/audio_test_util.h"
#include "audio/null_wave_device.h"

namespace audio {
namespace {

using audiotest::CounterWave;
using audiotest::PlayLog;
using audiotest::Positions;

struct Rig {
  NullWaveDevice dev{WaveDirection::kOutput};
  PlayLog log;
  PlayEngine engine{&dev, &log};
  std::unique_ptr<document::MemorySampleFile> wave;
  PlaySource src;
  Rig(uint16_t channels, uint32_t frames, uint32_t rate, uint16_t bits = 16) {
    wave = CounterWave(channels, frames, bits);
    src.format = {rate, channels, bits};
    src.read = SampleFileReader(wave.get());
  }
  // Lets the clock run until the device closed (or the budget of steps ran out).
  void runToClose(uint32_t step = 97, int maxSteps = 100000) {
    for (int i = 0; i < maxSteps && dev.isOpen(); ++i) dev.advance(step);
  }
};

PlayChoice Selection(int32_t s, int32_t e) {
  PlayChoice c;
  c.selStart = s;
  c.selEnd = e;
  return c;
}

TEST(PlayBuffers, Sizes) {
  EXPECT_EQ(PlayBufferBytes(44100, 4, 4.0, 8), 88192u);
  EXPECT_EQ(PlayBufferBytes(22050, 1, 4.0, 8), 11008u);
  // Very low rates never truncate to an empty buffer.
  EXPECT_EQ(PlayBufferBytes(100, 4, 0.01, 32), 32u * 4);
  EXPECT_EQ(PlayBufferBytes(1, 1, 4.0, 8), 32u);
  EXPECT_EQ(RecordBufferBytes(44100, 4, 4.0, 8), 90112u);
  EXPECT_EQ(RecordBufferBytes(44100, 4, 4.0, 8, 10), 1764u);
  EXPECT_EQ(RecordBufferBytes(1, 1, 0.01, 32), 4096u);
  EXPECT_EQ(PlayPadFrames(44100, 4), 4100u);
  EXPECT_EQ(PlayPadFrames(11025, 2), 1050u);
}

TEST(PlayChooseRange, Table) {
  struct Case {
    PlayChoice c;
    bool fromCursor;
    PlayRange want;
  };
  PlayChoice sel = Selection(100, 199);
  PlayChoice cursorIn;
  cursorIn.cursor = 500;
  cursorIn.viewFirst = 300;
  cursorIn.viewLast = 999;
  PlayChoice cursorOut = cursorIn;
  cursorOut.cursor = 1500;
  PlayChoice expl = sel;
  expl.hasExplicit = true;
  expl.explicitFirst = 10;
  expl.explicitLast = 19;
  const Case cases[] = {
      {sel, true, {100, 100, 100}},       {cursorIn, true, {500, 500, 300}},
      {cursorIn, false, {300, 700, 300}}, {cursorOut, true, {300, 700, 300}},
      {expl, true, {10, 10, 10}},
  };
  for (const Case& k : cases) {
    const PlayRange r = PlayChooseRange(k.c, k.fromCursor);
    EXPECT_EQ(r.start, k.want.start);
    EXPECT_EQ(r.length, k.want.length);
    EXPECT_EQ(r.base, k.want.base);
  }
  // The cursor on the last visible frame is not "in view" (the range would be one frame).
  PlayChoice last = cursorIn;
  last.cursor = 999;
  EXPECT_EQ(PlayChooseRange(last, true).start, 300);
}

TEST(PlaySettings, PlayFromCursorDefaultsToYes) {
  EXPECT_TRUE(AudioSettings{}.playFromCursor);
  AudioSettings s;
  s.numBuffers = 1;
  EXPECT_EQ(AudioSettingsSanitized(s).numBuffers, 2);
  s.numBuffers = 100;
  EXPECT_EQ(AudioSettingsSanitized(s).numBuffers, 32);
}

TEST(PlayEngine, OneSecondLoopHasExactSeamsAndWrappingPosition) {
  Rig r(1, 12000, 4000);
  ASSERT_EQ(r.engine.toggle(r.src, Selection(2000, 5999), true, false), 0);
  ASSERT_TRUE(r.dev.isOpen());
  EXPECT_EQ(r.log.started, 1);
  for (int i = 0; i < 130; ++i) {
    r.dev.advance(100);
    const uint64_t p = r.engine.deviceFrames();
    EXPECT_EQ(r.engine.position(), 2000 + int64_t(p % 4000)) << "at device frame " << p;
  }
  const std::vector<int32_t> got = Positions(r.dev.written(), 1);
  ASSERT_GT(got.size(), 12000u);
  for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], 2000 + int32_t(i % 4000)) << "frame " << i;
  r.engine.stop();
  r.dev.deliver();
  EXPECT_FALSE(r.dev.isOpen());
  EXPECT_EQ(r.log.closed, 1);
}

TEST(PlayEngine, PlayFromCursorWithLoopStartsLaterPassesAtTheView) {
  Rig r(1, 12000, 4000);
  PlayChoice c;
  c.cursor = 3000;
  c.viewFirst = 1000;
  c.viewLast = 3999;
  ASSERT_EQ(r.engine.toggle(r.src, c, true, false), 0);
  for (int i = 0; i < 100; ++i) r.dev.advance(100);
  const std::vector<int32_t> got = Positions(r.dev.written(), 1);
  ASSERT_GT(got.size(), 7000u);
  size_t i = 0;
  for (int32_t f = 3000; f <= 3999; ++f, ++i) ASSERT_EQ(got[i], f);
  for (; i < got.size(); ++i) ASSERT_EQ(got[i], 1000 + int32_t((i - 1000) % 3000)) << "frame " << i;
  EXPECT_EQ(r.engine.position(), 1000 + int64_t((r.engine.deviceFrames() - 1000) % 3000));
}

TEST(PlayEngine, ShortDocumentPlaysOnePaddedBufferThenCloses) {
  Rig r(2, 1000, 44100);
  PlayChoice c;
  c.viewFirst = 0;
  c.viewLast = 999;
  ASSERT_EQ(r.engine.toggle(r.src, c, false, false), 0);
  EXPECT_EQ(r.dev.writes(), 1u);
  // The 1000 frames and then 4100 frames of silence.
  ASSERT_EQ(r.dev.written().size(), 5100u * 4);
  const std::vector<int32_t> got = Positions(r.dev.written(), 2);
  for (int32_t i = 0; i < 1000; ++i) ASSERT_EQ(got[size_t(i)], i);
  for (size_t i = 1000; i < got.size(); ++i) ASSERT_EQ(got[i], -1);
  EXPECT_TRUE(r.dev.running());
  r.dev.advance(5099);
  EXPECT_TRUE(r.dev.isOpen());
  r.dev.advance(1);
  EXPECT_FALSE(r.dev.isOpen());
  EXPECT_EQ(r.log.closed, 1);
  EXPECT_EQ(r.log.restarts, 0);
}

// A device that hands buffers back before they have sounded (its own buffering, as a sound server's) keeps
// playing until its position reaches the last frame written: the end of the wave is not cut off.
TEST(PlayEngine, WaitsForADeviceThatReturnsBuffersEarlyToSoundTheEnd) {
  for (const uint32_t latency : {0u, 300u, 3000u, 50000u}) {
    Rig r(1, 10000, 8000);
    r.dev.setLatency(latency);
    ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 9999), false, false), 0);
    int steps = 0;
    for (; steps < 100000 && r.dev.isOpen(); ++steps) {
      r.dev.advance(80);  // 10 ms at 8000 Hz, then the position timer
      r.engine.tick();
    }
    ASSERT_FALSE(r.dev.isOpen()) << latency;
    EXPECT_EQ(r.dev.droppedAtClose(), 0u) << latency;
    EXPECT_EQ(r.log.closed, 1) << latency;
    const std::vector<int32_t> got = Positions(r.dev.played(), 1);
    for (int32_t i = 0; i < 10000; ++i) ASSERT_EQ(got[size_t(i)], i) << latency;
  }
}

// A device whose position counts what it holds as played: the wall clock keeps the close back until the
// frames had the time to sound.
TEST(PlayEngine, TheWallClockHoldsTheCloseForADeviceThatCountsHeldFramesAsPlayed) {
  for (const uint32_t latency : {300u, 1000u}) {
    Rig r(1, 10000, 8000);
    r.dev.setLatency(latency);
    r.dev.setPositionCountsHeld(true);
    uint64_t now = 5000;
    r.engine.setClock([&now] { return now; });
    ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 9999), false, false), 0);
    for (int steps = 0; steps < 100000 && r.dev.isOpen(); ++steps) {
      r.dev.advance(80);
      now += 10;
      r.engine.tick();
    }
    ASSERT_FALSE(r.dev.isOpen()) << latency;
    EXPECT_EQ(r.dev.droppedAtClose(), 0u) << latency;
    // Not much later than needed: the data, its silent tail and the margin.
    EXPECT_LE(now - 5000, (10000 + PlayPadFrames(8000, 2)) * 1000 / 8000 + 150 + 20) << latency;
  }
}

TEST(PlayEngine, EmptyRangeReturnsQuietlyWithoutStartingTheDevice) {
  Rig r(1, 1000, 8000);
  PlayChoice c;
  c.viewFirst = 5;
  c.viewLast = 4;  // an empty view
  EXPECT_EQ(r.engine.toggle(r.src, c, false, false), 0);
  EXPECT_FALSE(r.dev.isOpen());
  EXPECT_EQ(r.dev.writes(), 0u);
  EXPECT_EQ(r.log.started, 0);
  EXPECT_TRUE(r.log.messages.empty());
  EXPECT_FALSE(r.engine.active());
  // A range beyond the end of the document reads nothing: the same.
  EXPECT_EQ(r.engine.toggle(r.src, Selection(5000, 5999), false, false), 0);
  EXPECT_FALSE(r.dev.isOpen());
}

TEST(PlayEngine, VeryLowRateStillPlaysAndEnds) {
  Rig r(1, 100, 10);
  AudioSettings s;
  s.bufferSeconds = 0.5;
  r.engine.setSettings(s);
  ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 99), false, false), 0);
  ASSERT_TRUE(r.dev.isOpen());
  EXPECT_GE(r.engine.bufferBytes(), 32u * 2);
  r.runToClose();
  EXPECT_FALSE(r.dev.isOpen());
  const std::vector<int32_t> got = Positions(r.dev.written(), 1);
  for (int32_t i = 0; i < 100; ++i) ASSERT_EQ(got[size_t(i)], i);
}

TEST(PlayEngine, BuffersNeverReturnedStopThreeTimesClosesAtOnce) {
  Rig r(2, 40000, 44100);
  r.dev.setNeverReturn(true);
  ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 39999), false, false), 0);
  r.dev.advance(30000);
  r.engine.stop();
  r.dev.deliver();
  EXPECT_TRUE(r.dev.isOpen());
  EXPECT_EQ(r.log.stopping, 1);
  r.engine.stop();
  r.dev.deliver();
  EXPECT_TRUE(r.dev.isOpen());
  r.engine.stop();
  EXPECT_FALSE(r.dev.isOpen());
  EXPECT_EQ(r.log.closed, 1);
  EXPECT_EQ(r.engine.stopCount(), 0);
}

TEST(PlayEngine, OneStopClosesOnlyAfterEveryBufferIsBack) {
  Rig r(2, 40000, 44100);
  ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 39999), false, false), 0);
  r.dev.advance(1000);
  r.engine.stop();
  EXPECT_TRUE(r.dev.isOpen());  // the reset's buffers are reported later, as a real device does
  EXPECT_EQ(r.engine.stopCount(), 1);
  r.dev.deliver();
  EXPECT_FALSE(r.dev.isOpen());
  EXPECT_EQ(r.log.closed, 1);
}

TEST(PlayEngine, OneChannelEditPlaysTheOtherSilent) {
  for (uint16_t bits : {uint16_t(16), uint16_t(8)}) {
    Rig r(2, 3000, 8000, bits);
    r.src.editChannel = document::kChannelLeft;
    ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 2999), false, false), 0);
    r.runToClose();
    const std::vector<uint8_t>& w = r.dev.written();
    ASSERT_FALSE(w.empty());
    if (bits == 16) {
      for (size_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(audiotest::Sample16(w, 2 * i), int16_t(i + 1)) << i;
        ASSERT_EQ(audiotest::Sample16(w, 2 * i + 1), 0) << i;
      }
    } else {
      for (size_t i = 0; i < 3000; ++i) ASSERT_EQ(w[2 * i + 1], 128) << i;
    }
  }
}

TEST(PlayEngine, OutputFormats) {
  // Float plays as 16-bit, clipped.
  {
    Rig r(1, 0, 8000, 32);
    const float v[3] = {40000.f, -40000.f, 1234.f};
    document::SampleWrite(r.wave.get(), v, 0, 3, document::XF_MONO | document::XF_32BIT);
    ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 2), false, false), 0);
    EXPECT_EQ(r.dev.format().bits, 16);
    const std::vector<uint8_t>& w = r.dev.written();
    EXPECT_EQ(audiotest::Sample16(w, 0), 32767);
    EXPECT_EQ(audiotest::Sample16(w, 1), -32767);  // narrowing clips symmetrically
    EXPECT_EQ(audiotest::Sample16(w, 2), 1234);
  }
  // Every document as 8-bit: (s >> 8) + 128.
  {
    Rig r(1, 0, 8000, 16);
    const int16_t v[3] = {0x1234, -0x1234, 0};
    document::SampleWrite(r.wave.get(), v, 0, 3, document::XF_MONO | document::XF_16BIT);
    AudioSettings s;
    s.convert16to8 = true;
    r.engine.setSettings(s);
    ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 2), false, false), 0);
    EXPECT_EQ(r.dev.format().bits, 8);
    EXPECT_EQ(r.dev.written()[0], (0x1234 >> 8) + 128);
    EXPECT_EQ(r.dev.written()[1], (-0x1234 >> 8) + 128);
    EXPECT_EQ(r.dev.written()[2], 128);
  }
  // 8-bit plays as 8-bit.
  {
    Rig r(2, 100, 8000, 8);
    ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 99), false, false), 0);
    EXPECT_EQ(r.dev.format().bits, 8);
    EXPECT_EQ(r.dev.format().channels, 2);
  }
}

TEST(PlayEngine, PlayListWalksEntriesWithTheirLoopsAndPosition) {
  Rig r(1, 10000, 4000);
  const std::vector<PlaySegment> list = {{100, 600, 2}, {5000, 5300, 1}, {200, 250, 3}};
  ASSERT_EQ(r.engine.togglePlayList(r.src, list, false), 0);
  std::vector<int32_t> model;
  for (const PlaySegment& s : list)
    for (uint32_t p = 0; p < s.passes; ++p)
      for (int32_t f = s.first; f < s.end; ++f) model.push_back(f);
  while (r.dev.isOpen()) {
    const uint64_t p = r.engine.deviceFrames();
    if (p < model.size()) {
      ASSERT_EQ(r.engine.position(), model[p]) << "device frame " << p;
    }
    r.dev.advance(37);
  }
  const std::vector<int32_t> got = Positions(r.dev.written(), 1);
  ASSERT_GE(got.size(), model.size());
  for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(got[i], model[i]) << i;
  for (size_t i = model.size(); i < got.size(); ++i) ASSERT_EQ(got[i], -1);
}

TEST(PlayListSegments, FromTheMarkerSet) {
  markers::MarkerSet m;
  ASSERT_TRUE(m.addCue(1, 100, 50));
  ASSERT_TRUE(m.addCue(2, 900, 500));  // runs past a 1000-frame document
  ASSERT_TRUE(m.addCue(3, 10, 0));     // a point marker with an entry length
  ASSERT_TRUE(m.insertPlay(9, 1, markers::kKeep, 3));
  ASSERT_TRUE(m.insertPlay(9, 2));
  ASSERT_TRUE(m.insertPlay(9, 3, 20, 1));
  const std::vector<PlaySegment> s = PlayListSegments(m, 1000);
  ASSERT_EQ(s.size(), 3u);
  EXPECT_EQ(s[0].first, 100);
  EXPECT_EQ(s[0].end, 150);
  EXPECT_EQ(s[0].passes, 3u);
  EXPECT_EQ(s[1].end, 1000);
  EXPECT_EQ(s[2].first, 10);
  EXPECT_EQ(s[2].end, 30);
  // From the second entry on (the play list window's selected entry); past the end: nothing.
  const std::vector<PlaySegment> rest = PlayListSegments(m, 1000, 1);
  ASSERT_EQ(rest.size(), 2u);
  EXPECT_EQ(rest[0].first, 900);
  EXPECT_EQ(rest[1].first, 10);
  EXPECT_TRUE(PlayListSegments(m, 1000, 3).empty());
}

TEST(PlayEngine, PauseHoldsTheClockAndContinueGoesOn) {
  Rig r(1, 20000, 8000);
  ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 19999), false, false), 0);
  r.dev.advance(500);
  ASSERT_TRUE(r.engine.pause());
  EXPECT_TRUE(r.engine.paused());
  r.dev.advance(5000);
  EXPECT_EQ(r.engine.position(), 500);
  ASSERT_TRUE(r.engine.pause());
  EXPECT_FALSE(r.engine.paused());
  r.dev.advance(100);
  EXPECT_EQ(r.engine.position(), 600);
  r.engine.stop();
  r.dev.deliver();
  EXPECT_FALSE(r.engine.pause());  // nothing open
}

TEST(PlayEngine, PlayWhilePlayingRestarts) {
  Rig r(1, 20000, 8000);
  r.log.onClosed = [&](bool restart) {
    if (restart) r.engine.toggle(r.src, Selection(7000, 7999), false, false);
  };
  ASSERT_EQ(r.engine.toggle(r.src, Selection(0, 19999), false, false), 0);
  r.dev.advance(1000);
  EXPECT_EQ(r.engine.toggle(r.src, Selection(0, 19999), false, false), 0);  // stops, asks for a restart
  r.dev.deliver();
  EXPECT_EQ(r.log.restarts, 1);
  ASSERT_TRUE(r.dev.isOpen());
  EXPECT_EQ(r.dev.opens(), 2u);
  EXPECT_EQ(r.engine.position(), 7000);
}

TEST(PlayEngine, ErrorsAreReportedUnlessSilent) {
  Rig r(1, 1000, 8000);
  r.dev.failOpen(DeviceStatus::kBadFormat);
  EXPECT_EQ(r.engine.toggle(r.src, Selection(0, 99), false, false), int(DeviceStatus::kBadFormat));
  ASSERT_EQ(r.log.messages.size(), 1u);
  EXPECT_EQ(r.log.messages[0].caption, "Unsupported Sample Format");
  EXPECT_EQ(r.log.messages[0].text.rfind("The current sample format is not supported", 0), 0u);
  EXPECT_EQ(r.log.messages[0].icon, AudioIcon::kInformation);
  r.dev.failOpen(DeviceStatus::kAllocated);
  r.engine.toggle(r.src, Selection(0, 99), false, false);
  ASSERT_EQ(r.log.messages.size(), 2u);
  EXPECT_EQ(r.log.messages[1].caption, "Wave System Error");
  EXPECT_EQ(r.log.messages[1].text, DeviceStatusText(DeviceStatus::kAllocated));
  // Started as "autoplayme": nothing shown.
  r.engine.toggle(r.src, Selection(0, 99), false, true);
  EXPECT_EQ(r.log.messages.size(), 2u);
  EXPECT_EQ(r.log.started, 0);

  AudioMessage m;
  ASSERT_TRUE(PlayErrorMessage(kPlayBufferAlloc, false, &m));
  EXPECT_EQ(m.text, "Play/Record Buffer Size Too Large");
  EXPECT_EQ(m.caption, "Error");
  EXPECT_FALSE(PlayErrorMessage(kPlayHeaderAlloc, false, &m));
  EXPECT_FALSE(PlayErrorMessage(0, false, &m));
}

TEST(PlayEngine, MeterGetsWhatWasPlayedSinceTheLastTick) {
  Rig r(2, 30000, 8000);
  ASSERT_EQ(r.engine.toggle(r.src, Selection(3000, 4999), true, false), 0);
  size_t fed = 0;
  for (int i = 0; i < 400; ++i) {
    r.dev.advance(80);  // a 10 ms tick
    const PlayEngine::Tick t = r.engine.tick();
    ASSERT_TRUE(t.playing);
    EXPECT_EQ(t.meter.channels, 2);
    EXPECT_EQ(t.meter.bits, 16);
    if (t.meter.empty()) continue;  // the tick fell on a buffer boundary
    const std::vector<uint8_t>& played = r.dev.played();
    ASSERT_LE(t.meter.bytes, played.size());
    ASSERT_EQ(0, memcmp(t.meter.data, played.data() + played.size() - t.meter.bytes, t.meter.bytes)) << i;
    fed += t.meter.bytes;
  }
  EXPECT_GT(fed, r.dev.played().size() * 9 / 10);
}

TEST(PlayPositionFactor, Quirk) {
  EXPECT_EQ(PlayPositionFactor(2, true, 16), 2u);
  EXPECT_EQ(PlayPositionFactor(1, true, 16), 1u);
  EXPECT_EQ(PlayPositionFactor(1, true, 16, true), 2u);
  EXPECT_EQ(PlayPositionFactor(2, false, 16), 1u);
  EXPECT_EQ(PlayPositionFactor(2, true, 8), 1u);
  EXPECT_EQ(PlayPositionFactor(0, true, 16, true), 1u);
}

TEST(PlayFrameMap, Lookup) {
  PlayFrameMap m;
  EXPECT_EQ(m.lookup(5), -1);
  m.add(0, 100, 10);
  m.add(10, 110, 5);  // joins the first run
  m.add(15, 50, 10);
  EXPECT_EQ(m.size(), 2u);
  EXPECT_EQ(m.lookup(0), 100);
  EXPECT_EQ(m.lookup(14), 114);
  EXPECT_EQ(m.lookup(15), 50);
  EXPECT_EQ(m.lookup(24), 59);
  EXPECT_EQ(m.lookup(1000), 60);  // past the end: the frame after the last one written
  m.dropBefore(15);
  EXPECT_EQ(m.size(), 1u);
  EXPECT_EQ(m.lookup(3), 50);
}

}  // namespace
}  // namespace audio
